#include "PlayerControls.h"

#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QSlider>
#include <QSplitter>
#include <QTreeView>
#include <QVBoxLayout>

#include "FolderTree.h"
#include "LevelDisplay.h"
#include "ThemedIcons.h"

namespace {

QSlider* makeSlider(QWidget* parent, const char* name, Qt::Orientation orientation, int min, int max,
                    const QString& what) {
    auto* slider = new QSlider(orientation, parent);
    slider->setObjectName(name);
    slider->setRange(min, max);
    slider->setAccessibleName(what);
    if (orientation == Qt::Vertical)
        slider->setInvertedAppearance(true); // the lowest position at the top
    return slider;
}

// The equaliser's bands, in Hz.
constexpr std::array<int, 12> BandFrequencies{32, 64, 125, 250, 500, 1000, 2000, 4000, 6000, 8000, 12000, 16000};

} // namespace

PlayerControls::PlayerControls(QWidget* window) {
    auto* layout = new QVBoxLayout(window);
    buildTopRow(window);
    auto* top = new QHBoxLayout;
    for (QPushButton* button : {cutterButton, joinerButton, optionsButton, helpButton})
        top->addWidget(button);
    top->addStretch(1);
    layout->addLayout(top);
    layout->addWidget(buildMiddle(window));
    layout->addWidget(buildPlayList(window), 1);
    progressSlider = makeSlider(window, "progressSlider", Qt::Horizontal, 0, 1000, tr("Playback position"));
    progressSlider->setPageStep(10);
    progressSlider->setEnabled(false);
    timeLabel = new QLabel(window);
    timeLabel->setObjectName("timeLabel");
    timeLabel->setAccessibleName(tr("Elapsed and total time"));
    auto* position = new QHBoxLayout;
    position->addWidget(progressSlider, 1);
    position->addWidget(timeLabel);
    layout->addLayout(position);
    buildBottomRow(window);
    auto* bottom = new QHBoxLayout;
    for (QPushButton* button : {playButton, stopButton, pauseButton, mailButton})
        bottom->addWidget(button);
    bottom->addSpacing(12);
    bottom->addWidget(fileInfoLabel, 1);
    layout->addLayout(bottom);
    statusLine = new QLabel(window);
    statusLine->setObjectName("statusLine");
    statusLine->setTextFormat(Qt::RichText);
    statusLine->setTextInteractionFlags(Qt::TextBrowserInteraction);
    statusLine->setWordWrap(true);
    statusLine->hide(); // shown once a job has something to say
    layout->addWidget(statusLine);
    buildMenu(window);
}

void PlayerControls::buildTopRow(QWidget* window) {
    cutterButton = makeButton(window, "cutterButton", tr("Zovozu"), tr("MP3 Zovozu"));
    joinerButton = makeButton(window, "joinerButton", tr("Darozu"), tr("MP3 Darozu"));
    optionsButton = makeButton(window, "optionsButton", tr("Options"), tr("Options"));
    helpButton = makeButton(window, "helpButton", tr("Help"), tr("Help"));
}

QWidget* PlayerControls::buildMiddle(QWidget* window) {
    auto* middle = new QWidget(window);
    auto* row = new QHBoxLayout(middle);
    row->setContentsMargins(0, 0, 0, 0);
    levelDisplay = new LevelDisplay(middle);
    levelDisplay->setObjectName("AD");
    levelDisplay->setMinimumSize(255, 80); // its bars follow its size
    levelDisplay->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Expanding);
    row->addWidget(levelDisplay);
    volumeSlider = makeSlider(middle, "volumeSlider", Qt::Vertical, 0, 65535, tr("Volume"));
    volumeSlider->setToolTip(tr("Adjust playback volume"));
    volumeSlider->setValue(0);
    muteButton = makeButton(middle, "muteButton", "M", tr("Mute playback volume"));
    muteButton->setCheckable(true);
    showThemedIcon(muteButton, "audio-volume-muted", QStyle::SP_MediaVolumeMuted);
    auto* volume = new QVBoxLayout;
    volume->addWidget(volumeSlider, 1, Qt::AlignHCenter);
    volume->addWidget(muteButton);
    row->addLayout(volume);
    auto* equalizer = new QGridLayout;
    equalizerButton = makeButton(middle, "equalizerButton", "EQ", tr("Use EQ"));
    equalizerButton->setCheckable(true);
    equalizerButton->setChecked(true);
    equalizer->addWidget(equalizerButton, 1, 0, Qt::AlignVCenter);
    for (int n = 0; n < 12; ++n) {
        const int hz = BandFrequencies[static_cast<size_t>(n)];
        QSlider* band = makeSlider(middle, qPrintable(QString("tbEQ%1").arg(n + 1)), Qt::Vertical, -15000, 15000,
                                   tr("Equaliser band %1").arg(n + 1));
        band->setToolTip(hz < 1000 ? QString("%1 Hz").arg(hz) : QString("%1 kHz").arg(hz / 1000));
        band->setPageStep(2);
        band->setSingleStep(1);
        equalizerSliders[static_cast<size_t>(n)] = band;
        equalizer->addWidget(band, 1, n + 1, Qt::AlignHCenter);
        auto* label = new QLabel(hz < 1000 ? QString::number(hz) : QString("%1k").arg(hz / 1000), middle);
        label->setAlignment(Qt::AlignHCenter);
        equalizer->addWidget(label, 2, n + 1, Qt::AlignHCenter);
    }
    equalizerPresetBox = new QComboBox(middle);
    equalizerPresetBox->setObjectName("equalizerPresetBox");
    equalizerPresetBox->setToolTip(tr("Select EQ mode"));
    equalizerPresetBox->setAccessibleName(tr("EQ mode"));
    equalizerPresetBox->addItems(
        {tr("Pop"), tr("Disco"), tr("Background"), tr("Movie"), tr("News"), tr("Flat"), tr("Custom")});
    equalizerModeButton = makeButton(middle, "equalizerModeButton", "v", tr("Select EQ mode"));
    showThemedIcon(equalizerModeButton, "go-down", QStyle::SP_ArrowDown);
    QObject::connect(equalizerModeButton, &QPushButton::clicked, equalizerPresetBox, &QComboBox::showPopup);
    auto* mode = new QHBoxLayout;
    mode->addStretch(1);
    mode->addWidget(equalizerPresetBox);
    mode->addWidget(equalizerModeButton);
    equalizer->addLayout(mode, 0, 0, 1, 13);
    equalizer->setRowStretch(1, 1);
    row->addLayout(equalizer, 1);
    return middle;
}

QWidget* PlayerControls::buildPlayList(QWidget* window) {
    auto* panes = new QSplitter(Qt::Horizontal, window);
    panes->setObjectName("plFileBack");
    panes->setChildrenCollapsible(false);
    folderTree = new FolderTree(panes);
    folderTree->setObjectName("folderTree");
    folderTree->setAccessibleName(tr("Folders"));
    playList = new QTreeView(panes);
    playList->setObjectName("playList");
    playList->setAccessibleName(tr("Files"));
    playList->setRootIsDecorated(false);
    playList->setUniformRowHeights(true);
    playList->setSelectionMode(QAbstractItemView::ExtendedSelection);
    playList->setSelectionBehavior(QAbstractItemView::SelectRows);
    playList->setAllColumnsShowFocus(true);
    playList->setAcceptDrops(true);
    playList->header()->setSectionsClickable(true);
    playList->header()->setSortIndicatorShown(false);
    playList->setContextMenuPolicy(Qt::CustomContextMenu);
    panes->setSizes({220, 540});
    return panes;
}

// The column widths follow the window's font: called once the model is set.
void sizeFileColumns(QTreeView* list) {
    const QFontMetrics metrics = list->fontMetrics();
    // The status column takes its longest text: no status is ever cut.
    const int status = std::max(metrics.horizontalAdvance(PlayerControls::tr("Converting %1% done").arg(100)),
                                metrics.horizontalAdvance(PlayerControls::tr("Playing ") + "00 : 00 : 00"));
    const int widths[] = {metrics.horizontalAdvance(QString(24, 'n')), metrics.horizontalAdvance("FLAC") + 24,
                          metrics.horizontalAdvance("000 : 00 : 000") + 24, metrics.horizontalAdvance("000.00 MB") + 24,
                          status + 24};
    // The name takes the room the other columns leave: the status stays in view.
    for (int column = 1; column < 5; ++column)
        list->setColumnWidth(column, widths[column]);
    list->header()->setStretchLastSection(false);
    list->header()->setSectionResizeMode(0, QHeaderView::Stretch);
    list->header()->setMinimumSectionSize(metrics.horizontalAdvance("FLAC") + 24);
    list->setMinimumWidth(widths[0] / 2 + widths[1] + widths[2] + widths[3] + widths[4]);
}

void PlayerControls::buildBottomRow(QWidget* window) {
    playButton = makeButton(window, "playButton", ">", tr("Play the selected file"));
    stopButton = makeButton(window, "stopButton", "[]", tr("Stop playing"));
    pauseButton = makeButton(window, "pauseButton", "||", tr("Pause playing"));
    mailButton = makeButton(window, "mailButton", "@", tr("Share selected file by email"));
    showThemedIcon(playButton, "media-playback-start", QStyle::SP_MediaPlay);
    showThemedIcon(stopButton, "media-playback-stop", QStyle::SP_MediaStop);
    showThemedIcon(pauseButton, "media-playback-pause", QStyle::SP_MediaPause);
    showThemedIcon(mailButton, "mail-send", QStyle::SP_DialogOkButton);
    fileInfoLabel = new QLabel(window);
    fileInfoLabel->setObjectName("fileInfoLabel");
    fileInfoLabel->setTextInteractionFlags(Qt::TextSelectableByMouse);
}

void PlayerControls::buildMenu(QWidget* window) {
    contextMenu = new QMenu(window);
    contextMenu->setObjectName("contextMenu");
    auto item = [this](const char* name, const QString& text) {
        QAction* action = contextMenu->addAction(text);
        action->setObjectName(name);
        action->setEnabled(false);
        return action;
    };
    convertActions = {
        item("convertToWavAction", tr("Convert to WAV")),   item("convertToMp3Action", tr("Convert to MP3")),
        item("convertToOggAction", tr("Convert to OGG")),   item("convertToWmaAction", tr("Convert to WMA")),
        item("convertToFlacAction", tr("Convert to FLAC")), item("convertToOpusAction", tr("Convert to Opus")),
        item("convertToM4aAction", tr("Convert to M4A")),   item("convertToM4bAction", tr("Convert to M4B"))};
    cancelConversionAction = item("cancelConversionAction", tr("Cancel"));
    loudnessAction = item("loudnessAction", tr("Loudness…"));
    mailAction = item("mailAction", tr("Email"));
    renameAction = item("renameAction", tr("Rename"));
    deleteAction = item("deleteAction", tr("Delete"));
}
