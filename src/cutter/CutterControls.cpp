#include "CutterControls.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpressionValidator>
#include <QSpinBox>
#include <QTreeView>
#include <QVBoxLayout>

#include "AppSettings.h"
#include "CutSectionModel.h"
#include "PositionBar.h"
#include "ThemedIcons.h"

namespace {

QLineEdit* numberBox(QWidget* parent, const char* name, const QString& text, int digits, const QString& what) {
    auto* box = new QLineEdit(text, parent);
    box->setObjectName(name);
    box->setMaxLength(digits);
    box->setValidator(new QRegularExpressionValidator(QRegularExpression("[0-9]*"), box));
    box->setAccessibleName(what);
    box->setAlignment(Qt::AlignRight);
    // Wide enough for its digits in the window's font, whatever its size.
    box->setMinimumWidth(box->fontMetrics().horizontalAdvance(QString(digits + 1, '0')) + 12);
    box->setMaximumWidth(box->minimumWidth() + 16);
    return box;
}

QSpinBox* fadeBox(QWidget* parent, const char* name, const QString& what) {
    auto* box = new QSpinBox(parent);
    box->setObjectName(name);
    box->setRange(0, 99999);
    box->setValue(5000);
    box->setSuffix(" ms");
    box->setAccessibleName(what);
    box->setEnabled(false);
    return box;
}

QRadioButton* speedButton(QWidget* parent, const char* name, const QString& text, const QString& hint) {
    auto* button = new QRadioButton(text, parent);
    button->setObjectName(name);
    button->setToolTip(hint);
    return button;
}

} // namespace

CutterControls::CutterControls(QWidget* window) {
    auto* layout = new QVBoxLayout(window);
    layout->addLayout(buildTopRow(window));
    layout->addLayout(buildBar(window), 2);
    auto* middle = new QHBoxLayout;
    buildList(window);
    middle->addWidget(sectionList, 1);
    buildToolColumn(window);
    middle->addLayout(toolColumn);
    layout->addLayout(middle, 3);
    layout->addLayout(buildBottomRow(window));
}

// The window puts its tool row after the first two buttons.
QBoxLayout* CutterControls::buildTopRow(QWidget* window) {
    topRow = new QHBoxLayout;
    cutButton = makeButton(window, "cutButton", tr("Split"), tr("Start to cut the file(s)"));
    cancelCutButton = makeButton(window, "cancelCutButton", tr("Cancel"), tr("Cancel split"));
    cancelCutButton->hide();
    topRow->addWidget(cutButton);
    topRow->addWidget(cancelCutButton);
    positionLabel = new QLabel(QString::fromStdString(AppSettings::formatMinSecMs(0)), window);
    positionLabel->setObjectName("durationLabel");
    QFont big = positionLabel->font();
    big.setPointSizeF(big.pointSizeF() * 2);
    big.setBold(true);
    positionLabel->setFont(big);
    positionLabel->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    positionLabel->setAccessibleName(tr("Position"));
    return topRow;
}

QBoxLayout* CutterControls::buildBar(QWidget* window) {
    auto* row = new QHBoxLayout;
    bar = new PositionBar(window);
    bar->setObjectName("Bar");
    bar->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    stepBackwardButton = makeButton(window, "stepBackwardButton", "<", tr("Step backward"));
    stepForwardButton = makeButton(window, "stepForwardButton", ">", tr("Step forward"));
    showThemedIcon(stepBackwardButton, "go-previous", QStyle::SP_ArrowLeft);
    showThemedIcon(stepForwardButton, "go-next", QStyle::SP_ArrowRight);
    for (QPushButton* step : {stepBackwardButton, stepForwardButton})
        step->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Expanding);
    row->addWidget(stepBackwardButton);
    row->addWidget(bar, 1);
    row->addWidget(stepForwardButton);
    return row;
}

void CutterControls::buildList(QWidget* window) {
    sectionList = new QTreeView(window);
    sectionList->setObjectName("sectionList");
    sectionList->setAccessibleName(tr("Sections"));
    sectionList->setRootIsDecorated(false);
    sectionList->setUniformRowHeights(true);
    sectionList->setSelectionBehavior(QAbstractItemView::SelectRows);
    sectionList->setSelectionMode(QAbstractItemView::SingleSelection);
    // Only the titles are edited: with F2, Enter or a double click on one.
    sectionList->setEditTriggers(QAbstractItemView::NoEditTriggers);
    sectionList->header()->setSectionsClickable(false);
    sectionList->header()->setStretchLastSection(true);
    sectionList->header()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
}

// Column widths follow the window's font: called once the model is set.
void sizeSectionColumns(QTreeView* list) {
    const QFontMetrics metrics = list->fontMetrics();
    const int timeWidth = metrics.horizontalAdvance(QString::fromStdString(AppSettings::formatMinSecMs(0))) + 16;
    // The status column takes its longest text: no status is ever cut.
    int status = 0;
    for (const QString& text :
         {CutterControls::tr("Done (re-encoded)"),
          CutterControls::tr("Previewing: ") + QString::fromStdString(AppSettings::formatMinSecMs(0)),
          CutterControls::tr("Cutting: %1 % done").arg(100)})
        status = std::max(status, metrics.horizontalAdvance(text));
    const int widths[] = {metrics.horizontalAdvance(CutterControls::tr("Use")) + 32, timeWidth, timeWidth, timeWidth,
                          status + 16};
    for (int column = 0; column < 5; ++column)
        list->setColumnWidth(column, widths[column]);
    // Narrow enough for the window to fit a small screen at a large scale; narrower than its
    // columns, the list scrolls (the status column keeps its whole width).
    list->setMinimumWidth(widths[0] + 3 * timeWidth + widths[4] / 2);
}

void CutterControls::buildToolColumn(QWidget* window) {
    toolColumn = new QGridLayout;
    addPointButton = makeButton(window, "addPointButton", tr("Add"),
                                tr("Add the current playback time as a cutting point into the cutting list"));
    removeButton = makeButton(window, "removeButton", tr("Remove"), tr("Remove the selected section from the list"));
    removeAllButton = makeButton(window, "removeAllButton", tr("Remove all"), tr("Remove all sections from the list"));
    previewButton = makeButton(window, "previewButton", tr("Preview"), tr("Preview the selected section"));
    stopPreviewButton = makeButton(window, "stopPreviewButton", tr("Stop"), tr("Stop preview"));
    stopPreviewButton->hide();
    toolColumn->addWidget(addPointButton, 0, 0);
    toolColumn->addWidget(removeButton, 0, 1);
    toolColumn->addWidget(removeAllButton, 1, 0);
    toolColumn->addWidget(previewButton, 1, 1);
    toolColumn->addWidget(stopPreviewButton, 1, 1);
    auto* goTo = new QHBoxLayout;
    goToMinutesBox = numberBox(window, "goToMinutesBox", "000", 3, tr("Minutes"));
    goToSecondsBox = numberBox(window, "goToSecondsBox", "00", 2, tr("Seconds"));
    goToMillisecondsBox = numberBox(window, "goToMillisecondsBox", "000", 3, tr("Milliseconds"));
    goToButton = makeButton(window, "goToButton", tr("Go to"), tr("Goto the time in the box"));
    for (QWidget* part : std::initializer_list<QWidget*>{goToMinutesBox, goToSecondsBox, goToMillisecondsBox})
        goTo->addWidget(part);
    goTo->addWidget(goToButton, 1);
    toolColumn->addLayout(goTo, 2, 0, 1, 2);
    fadeInButton = makeButton(window, "fadeInButton", tr("Fade in"), tr("Fade in disabled"));
    fadeInBox = fadeBox(window, "fadeInBox", tr("Fade in length"));
    fadeOutButton = makeButton(window, "fadeOutButton", tr("Fade out"), tr("Fade out disabled"));
    fadeOutBox = fadeBox(window, "fadeOutBox", tr("Fade out length"));
    toolColumn->addWidget(fadeInButton, 3, 0);
    toolColumn->addWidget(fadeInBox, 3, 1);
    toolColumn->addWidget(fadeOutButton, 4, 0);
    toolColumn->addWidget(fadeOutBox, 4, 1);
    for (QPushButton* fade : {fadeInButton, fadeOutButton})
        fade->setCheckable(true);
    snapToFramesBox = new QCheckBox(tr("Snap to MP3 frames"), window);
    snapToFramesBox->setObjectName("snapToFramesBox");
    snapToFramesBox->setToolTip(tr("New and moved cut points go to the nearest MP3 frame boundary"));
    snapToFramesBox->setEnabled(false);
    toolColumn->addWidget(snapToFramesBox, 6, 0, 1, 2); // the cut point menu's button goes in row 5
    toolColumn->setRowStretch(7, 1);
}

QBoxLayout* CutterControls::buildBottomRow(QWidget* window) {
    auto* row = new QHBoxLayout;
    playButton = makeButton(window, "playButton", tr("Play"),
                            tr("Play from the current position before adding time into the list"));
    stopButton = makeButton(window, "stopButton", tr("Stop"), tr("Stop"));
    pauseButton = makeButton(window, "pauseButton", tr("Pause"), tr("Pause"));
    for (QPushButton* button : {playButton, stopButton, pauseButton})
        row->addWidget(button);
    backToStartBox = new QCheckBox(tr("Back to start"), window);
    backToStartBox->setObjectName("backToStartBox");
    row->addWidget(backToStartBox);
    slowSpeedButton = speedButton(window, "slowSpeedButton", tr("0.5 x"), tr("0.5x speed"));
    normalSpeedButton = speedButton(window, "normalSpeedButton", tr("1 x"), tr("Normal speed"));
    fastSpeedButton = speedButton(window, "fastSpeedButton", tr("1.5 x"), tr("1.5x speed"));
    normalSpeedButton->setChecked(true);
    for (QRadioButton* speed : {slowSpeedButton, normalSpeedButton, fastSpeedButton})
        row->addWidget(speed);
    row->addStretch(1);
    stepBackwardBox = numberBox(window, "stepBackwardBox", "2000", 5, tr("Milliseconds to play before the position"));
    playBeforeButton =
        makeButton(window, "playBeforeButton", "<<", tr("Play the time(ms) in the box before the current position"));
    playAfterButton =
        makeButton(window, "playAfterButton", ">>", tr("Play the time(ms) in the box after the current position"));
    showThemedIcon(playBeforeButton, "media-seek-backward", QStyle::SP_MediaSeekBackward);
    showThemedIcon(playAfterButton, "media-seek-forward", QStyle::SP_MediaSeekForward);
    stepForwardBox = numberBox(window, "stepForwardBox", "2000", 5, tr("Milliseconds to play after the position"));
    for (QWidget* part :
         std::initializer_list<QWidget*>{stepBackwardBox, playBeforeButton, playAfterButton, stepForwardBox})
        row->addWidget(part);
    return row;
}
