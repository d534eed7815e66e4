#include "CutterWindow.h"

#include <algorithm>
#include <atomic>

#include <QCheckBox>
#include <QDateTime>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QUndoStack>
#include <QVBoxLayout>
#include <QCloseEvent>
#include <QDropEvent>
#include <QMimeData>
#include <QCoreApplication>
#include <QFileInfo>
#include <QHeaderView>
#include <QIntValidator>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QShortcut>
#include <QSpinBox>
#include <QThread>
#include <QToolButton>
#include <QTreeWidget>

#include "PlaybackRead.h"
#include "FileListRows.h"
#include "FileNames.h"
#include "OutputNaming.h"
#include "ConfirmDialog.h"
#include "AppSettings.h"
#include "PositionBar.h"
#include "OutputFormat.h"
#include "CutWorker.h"
#include "CutPointMenu.h"
#include "ThemedIcons.h"
#include "WindowGeometry.h"
#include "WorkerEvent.h"

// Computes the open file's peaks away from the window's thread.
class WaveformWorker : public QThread {
    Q_OBJECT

public:
    explicit WaveformWorker(QString path) : path_(std::move(path)) {
        connect(this, &QThread::finished, this, &QObject::deleteLater);
    }

signals:
    void opened(qint64 totalFrames);
    void sketched(std::vector<Peak> sketch);
    void ready(std::vector<Peak> basePeaks);

protected:
    void run() override {
        computePeaks(
            Platform::pathBytes(path_), SketchColumns, [this](int64_t total) { emit opened(total); },
            [this](std::vector<Peak> sketch) { emit sketched(std::move(sketch)); },
            [this](std::vector<Peak> peaks) { emit ready(std::move(peaks)); },
            [this] { return isInterruptionRequested(); });
    }

private:
    static constexpr int SketchColumns = 1024;
    QString path_;
};

#include "CutterWindow.moc"

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

// A file's size and time of change: the same stamp is the same file's peaks.
QString fileStamp(const QString& path) {
    const QFileInfo file(path);
    return file.absoluteFilePath() + "|" + QString::number(file.size()) + "|" +
           QString::number(file.lastModified().toMSecsSinceEpoch());
}

} // namespace

CutterWindow::CutterWindow(QWidget* parent) : JobWindow(parent) {
    setObjectName("cutterWindow");
    setWindowTitle(tr("Zelvo MP3 Zovozu"));
    setAcceptDrops(true);
    setSizeGripEnabled(true);
    info_.setInfoOption(true);
    input_.setFileOption(true);
    output_.setFileOption(true);
    player_.setPlayerOption(10);
    buildControls();
    resize(sizeHint().expandedTo(QSize(640, 440)));
    keepGeometry(this, AppSettings::cutterGeometry);
    player_.onRequestOnLoadArray = [this](AudioPlayer&) { feedNextBlock(); };
    player_.onEndArrayPlay = [this](AudioPlayer&) { feedNextBlock(); };
    player_.onTimer = [this](AudioPlayer&, int current, int, int) { showPlayedPosition(current); };
    player_.onEndPlay = [this](AudioPlayer&) { playbackEnded(); };
}

CutterWindow::~CutterWindow() {
    if (waveformThread_) {
        waveformThread_->requestInterruption();
        waveformThread_->wait();
    }
}

void CutterWindow::buildControls() {
    auto* layout = new QVBoxLayout(this);
    auto* top = new QHBoxLayout;
    cutButton_ = makeButton(this, "cutButton", tr("Split"), tr("Start to cut the file(s)"));
    cancelCutButton_ = makeButton(this, "cancelCutButton", tr("Cancel"), tr("Cancel split"));
    cancelCutButton_->hide();
    top->addWidget(cutButton_);
    top->addWidget(cancelCutButton_);
    top->addLayout(buildToolButtons([this] { return outputFolder(); }));
    top->addWidget(buildRecentFiles(AppSettings::recentCutFiles, [this](const QString& path) { openFile(path); }));
    top->addStretch(1);
    durationLabel_ = new QLabel(QString::fromStdString(AppSettings::formatMinSecMs(0)), this);
    durationLabel_->setObjectName("durationLabel");
    QFont big = durationLabel_->font();
    big.setPointSizeF(big.pointSizeF() * 2);
    big.setBold(true);
    durationLabel_->setFont(big);
    durationLabel_->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    durationLabel_->setAccessibleName(tr("Position"));
    top->addWidget(durationLabel_);
    layout->addLayout(top);
    connect(cutButton_, &QPushButton::clicked, this, &CutterWindow::startCutting);
    connect(cancelCutButton_, &QPushButton::clicked, this, &CutterWindow::cancelCutting);
    layout->addLayout(buildBar(), 2);
    auto* middle = new QHBoxLayout;
    buildList();
    middle->addWidget(sectionList_, 1);
    middle->addLayout(buildToolColumn());
    layout->addLayout(middle, 3);
    layout->addLayout(buildBottomRow());
    buildKeys();
}

// Keys that work anywhere in the window except where a box takes them for typing: Space
// plays and pauses, M or Insert adds a cut point, Delete removes the selected section,
// Left and Right move by the step boxes' times, Home and End go to the start and the end,
// + and - zoom the time line, Ctrl+Z and Ctrl+Shift+Z undo and redo cut point changes.
void CutterWindow::buildKeys() {
    auto key = [this](QKeySequence sequence, auto action) {
        connect(new QShortcut(sequence, this), &QShortcut::activated, this, [this, action] {
            if (!cutting_)
                action();
        });
    };
    key(Qt::Key_Space, [this] { file_.isReading() || paused_ ? pause() : play(); });
    key(Qt::Key_M, [this] { addCutPointAtPosition(); });
    key(Qt::Key_Insert, [this] { addCutPointAtPosition(); });
    key(Qt::Key_Delete, [this] { removeSelected(); });
    key(Qt::Key_Left, [this] { bar_->setPosition(bar_->position_ - stepBackwardBox_->text().toLongLong()); });
    key(Qt::Key_Right, [this] { bar_->setPosition(bar_->position_ + stepForwardBox_->text().toLongLong()); });
    key(Qt::Key_Home, [this] { bar_->setPosition(0); });
    key(Qt::Key_End, [this] { bar_->setPosition(bar_->maximum_); });
    key(Qt::Key_Plus, [this] { bar_->zoomIn(); });
    key(Qt::Key_Equal, [this] { bar_->zoomIn(); });
    key(Qt::Key_Minus, [this] { bar_->zoomOut(); });
    key(QKeySequence::Undo, [this] { bar_->undoStack()->undo(); });
    key(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z), [this] { bar_->undoStack()->redo(); });
    key(QKeySequence::Redo, [this] { bar_->undoStack()->redo(); });
}

QLayout* CutterWindow::buildBar() {
    auto* row = new QHBoxLayout;
    bar_ = new PositionBar(this);
    bar_->setObjectName("Bar");
    bar_->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    bar_->onPositionChange = [this] {
        durationLabel_->setText(QString::fromStdString(AppSettings::formatMinSecMs(bar_->position_)));
    };
    bar_->onPointsChange = [this] { rebuildSectionList(); };
    stepBackwardButton_ = makeButton(this, "stepBackwardButton", "<", tr("Step backward"));
    stepForwardButton_ = makeButton(this, "stepForwardButton", ">", tr("Step forward"));
    showThemedIcon(stepBackwardButton_, "go-previous", QStyle::SP_ArrowLeft);
    showThemedIcon(stepForwardButton_, "go-next", QStyle::SP_ArrowRight);
    for (QPushButton* step : {stepBackwardButton_, stepForwardButton_})
        step->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Expanding);
    row->addWidget(stepBackwardButton_);
    row->addWidget(bar_, 1);
    row->addWidget(stepForwardButton_);
    connect(stepBackwardButton_, &QPushButton::clicked, this, [this] { bar_->stepBackward(); });
    connect(stepForwardButton_, &QPushButton::clicked, this, [this] { bar_->stepForward(); });
    return row;
}

void CutterWindow::buildList() {
    sectionList_ = new QTreeWidget(this);
    sectionList_->setObjectName("sectionList");
    sectionList_->setAccessibleName(tr("Sections"));
    sectionList_->setRootIsDecorated(false);
    sectionList_->setSelectionBehavior(QAbstractItemView::SelectRows);
    sectionList_->setHeaderLabels({tr("Use"), tr("Start"), tr("End"), tr("Duration"), tr("Status"), tr("Title")});
    // Only the titles are edited: with F2, or a double click on one.
    sectionList_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    auto* editTitle = new QShortcut(QKeySequence(Qt::Key_F2), sectionList_, nullptr, nullptr, Qt::WidgetShortcut);
    connect(editTitle, &QShortcut::activated, this, [this] {
        if (QTreeWidgetItem* item = sectionList_->currentItem())
            sectionList_->editItem(item, ColTitle);
    });
    sectionList_->header()->setSectionsClickable(false);
    sectionList_->header()->setStretchLastSection(true);
    // The times take the width their text needs in the window's font.
    const int timeWidth =
        sectionList_->fontMetrics().horizontalAdvance(QString::fromStdString(AppSettings::formatMinSecMs(0))) + 16;
    const int widths[] = {sectionList_->fontMetrics().horizontalAdvance(tr("Use")) + 32, timeWidth, timeWidth,
                          timeWidth, sectionList_->fontMetrics().horizontalAdvance(tr("Done (re-encoded)")) + 16};
    for (int column = 0; column < 5; ++column)
        sectionList_->setColumnWidth(column, widths[column]);
    sectionList_->setMinimumWidth(widths[0] + 3 * timeWidth);
    // A tick box changed: its section's use flag follows at once.
    connect(sectionList_, &QTreeWidget::itemChanged, this, [this](QTreeWidgetItem* item, int column) {
        const int row = sectionList_->indexOfTopLevelItem(item);
        if (rebuilding_ || row < 0 || row >= static_cast<int>(bar_->points_.size()))
            return;
        if (column == ColTitle)
            return titleEdited(row, item->text(ColTitle));
        if (column != ColUse)
            return;
        bar_->points_[static_cast<size_t>(row)].use = item->checkState(0) == Qt::Checked;
        showTitles();
        bar_->update();
    });
    connect(sectionList_, &QTreeWidget::itemClicked, this,
            [this](QTreeWidgetItem* item) { bar_->selectSection(sectionList_->indexOfTopLevelItem(item)); });
    connect(sectionList_, &QTreeWidget::itemDoubleClicked, this, [this](QTreeWidgetItem* item, int column) {
        if (column == ColTitle)
            sectionList_->editItem(item, ColTitle);
        else
            bar_->gotoSection(sectionList_->indexOfTopLevelItem(item));
    });
}

QLayout* CutterWindow::buildToolColumn() {
    auto* column = new QGridLayout;
    addPointButton_ = makeButton(this, "addPointButton", tr("Add"),
                                 tr("Add the current playback time as a cutting point into the cutting list"));
    removeButton_ = makeButton(this, "removeButton", tr("Remove"), tr("Remove the selected section from the list"));
    removeAllButton_ = makeButton(this, "removeAllButton", tr("Remove all"), tr("Remove all sections from the list"));
    previewButton_ = makeButton(this, "previewButton", tr("Preview"), tr("Preview the selected section"));
    stopPreviewButton_ = makeButton(this, "stopPreviewButton", tr("Stop"), tr("Stop preview"));
    stopPreviewButton_->hide();
    column->addWidget(addPointButton_, 0, 0);
    column->addWidget(removeButton_, 0, 1);
    column->addWidget(removeAllButton_, 1, 0);
    column->addWidget(previewButton_, 1, 1);
    column->addWidget(stopPreviewButton_, 1, 1);
    auto* goTo = new QHBoxLayout;
    goToMinutesBox_ = numberBox(this, "goToMinutesBox", "000", 3, tr("Minutes"));
    goToSecondsBox_ = numberBox(this, "goToSecondsBox", "00", 2, tr("Seconds"));
    goToMillisecondsBox_ = numberBox(this, "goToMillisecondsBox", "000", 3, tr("Milliseconds"));
    goToButton_ = makeButton(this, "goToButton", tr("Go to"), tr("Goto the time in the box"));
    for (QWidget* part : std::initializer_list<QWidget*>{goToMinutesBox_, goToSecondsBox_, goToMillisecondsBox_})
        goTo->addWidget(part);
    goTo->addWidget(goToButton_, 1);
    column->addLayout(goTo, 2, 0, 1, 2);
    fadeInButton_ = makeButton(this, "fadeInButton", tr("Fade in"), tr("Fade in disabled"));
    fadeInBox_ = fadeBox(this, "fadeInBox", tr("Fade in length"));
    fadeOutButton_ = makeButton(this, "fadeOutButton", tr("Fade out"), tr("Fade out disabled"));
    fadeOutBox_ = fadeBox(this, "fadeOutBox", tr("Fade out length"));
    column->addWidget(fadeInButton_, 3, 0);
    column->addWidget(fadeInBox_, 3, 1);
    column->addWidget(fadeOutButton_, 4, 0);
    column->addWidget(fadeOutBox_, 4, 1);
    for (QPushButton* fade : {fadeInButton_, fadeOutButton_})
        fade->setCheckable(true);
    setFade(fadeInEnabled_, fadeInButton_, fadeInBox_, QT_TR_NOOP("Fade in enabled"), QT_TR_NOOP("Fade in disabled"));
    setFade(fadeOutEnabled_, fadeOutButton_, fadeOutBox_, QT_TR_NOOP("Fade out enabled"),
            QT_TR_NOOP("Fade out disabled"));
    connect(addPointButton_, &QPushButton::clicked, this, &CutterWindow::addCutPointAtPosition);
    connect(removeButton_, &QPushButton::clicked, this, &CutterWindow::removeSelected);
    connect(removeAllButton_, &QPushButton::clicked, this, &CutterWindow::removeAll);
    connect(previewButton_, &QPushButton::clicked, this, &CutterWindow::startPreview);
    connect(stopPreviewButton_, &QPushButton::clicked, this, &CutterWindow::stopPreview);
    connect(goToButton_, &QPushButton::clicked, this, &CutterWindow::goToTypedTime);
    // The buttons' own checked state is the fade's: a click (or Space) flips it once.
    connect(fadeInButton_, &QPushButton::toggled, this, [this](bool on) {
        fadeInEnabled_ = on;
        setFade(fadeInEnabled_, fadeInButton_, fadeInBox_, QT_TR_NOOP("Fade in enabled"),
                QT_TR_NOOP("Fade in disabled"));
    });
    connect(fadeOutButton_, &QPushButton::toggled, this, [this](bool on) {
        fadeOutEnabled_ = on;
        setFade(fadeOutEnabled_, fadeOutButton_, fadeOutBox_, QT_TR_NOOP("Fade out enabled"),
                QT_TR_NOOP("Fade out disabled"));
    });
    pointMenu_ = new CutPointMenu({this, [this] { return fileName; }, [this] { return bar_->maximum_; },
                                   [this] { return currentPlan(); }, [this](const CutPlan& plan) { applyPlan(plan); },
                                   [this](const QString& text) { showMessage(text); }});
    column->addWidget(pointMenu_->button(), 5, 0, 1, 2);
    snapToFramesBox_ = new QCheckBox(tr("Snap to MP3 frames"), this);
    snapToFramesBox_->setObjectName("snapToFramesBox");
    snapToFramesBox_->setToolTip(tr("New and moved cut points go to the nearest MP3 frame boundary"));
    snapToFramesBox_->setEnabled(false);
    connect(snapToFramesBox_, &QCheckBox::toggled, this, &CutterWindow::snapToFrames);
    column->addWidget(snapToFramesBox_, 6, 0, 1, 2);
    column->setRowStretch(7, 1);
    connect(goToSecondsBox_, &QLineEdit::textChanged, this, [this](const QString& text) {
        bool number = false;
        const int seconds = text.toInt(&number);
        if (!number)
            goToSecondsBox_->setText("00");
        else if (seconds >= 60)
            goToSecondsBox_->setText("59");
    });
    return column;
}

QLayout* CutterWindow::buildBottomRow() {
    auto* row = new QHBoxLayout;
    playButton_ = makeButton(this, "playButton", tr("Play"),
                             tr("Play from the current position before adding time into the list"));
    stopButton_ = makeButton(this, "stopButton", tr("Stop"), tr("Stop"));
    pauseButton_ = makeButton(this, "pauseButton", tr("Pause"), tr("Pause"));
    for (QPushButton* button : {playButton_, stopButton_, pauseButton_})
        row->addWidget(button);
    backToStartBox_ = new QCheckBox(tr("Back to start"), this);
    backToStartBox_->setObjectName("backToStartBox");
    row->addWidget(backToStartBox_);
    slowSpeedButton_ = new QRadioButton(tr("0.5 x"), this);
    normalSpeedButton_ = new QRadioButton(tr("1 x"), this);
    fastSpeedButton_ = new QRadioButton(tr("1.5 x"), this);
    slowSpeedButton_->setToolTip(tr("0.5x speed"));
    normalSpeedButton_->setToolTip(tr("Normal speed"));
    fastSpeedButton_->setToolTip(tr("1.5x speed"));
    normalSpeedButton_->setChecked(true);
    for (QRadioButton* speed : {slowSpeedButton_, normalSpeedButton_, fastSpeedButton_}) {
        row->addWidget(speed);
        connect(speed, &QRadioButton::clicked, this, &CutterWindow::applySpeedChoice);
    }
    slowSpeedButton_->setObjectName("slowSpeedButton");
    normalSpeedButton_->setObjectName("normalSpeedButton");
    fastSpeedButton_->setObjectName("fastSpeedButton");
    row->addStretch(1);
    stepBackwardBox_ = numberBox(this, "stepBackwardBox", "2000", 5, tr("Milliseconds to play before the position"));
    playBeforeButton_ =
        makeButton(this, "playBeforeButton", "<<", tr("Play the time(ms) in the box before the current position"));
    playAfterButton_ =
        makeButton(this, "playAfterButton", ">>", tr("Play the time(ms) in the box after the current position"));
    showThemedIcon(playBeforeButton_, "media-seek-backward", QStyle::SP_MediaSeekBackward);
    showThemedIcon(playAfterButton_, "media-seek-forward", QStyle::SP_MediaSeekForward);
    stepForwardBox_ = numberBox(this, "stepForwardBox", "2000", 5, tr("Milliseconds to play after the position"));
    for (QWidget* part :
         std::initializer_list<QWidget*>{stepBackwardBox_, playBeforeButton_, playAfterButton_, stepForwardBox_})
        row->addWidget(part);
    connect(playButton_, &QPushButton::clicked, this, &CutterWindow::play);
    connect(stopButton_, &QPushButton::clicked, this, &CutterWindow::stop);
    connect(pauseButton_, &QPushButton::clicked, this, &CutterWindow::pause);
    connect(playBeforeButton_, &QPushButton::clicked, this, &CutterWindow::playBeforePosition);
    connect(playAfterButton_, &QPushButton::clicked, this, &CutterWindow::playAfterPosition);
    return row;
}

// ---- Opening and closing ----

void CutterWindow::showEvent(QShowEvent* event) {
    JobWindow::showEvent(event);
    prepareOnShow();
}

// An audio file dropped from a file manager is opened in place of the one shown.
QString CutterWindow::droppedAudioFile(const QMimeData& data) const {
    if (cutting_)
        return {};
    for (const QString& path : localPathsOf(data))
        if (isRegularFile(path) && !AppSettings::audioTypeOfFile(Platform::pathBytes(path)).empty())
            return path;
    return {};
}

void CutterWindow::dragEnterEvent(QDragEnterEvent* event) {
    if (!droppedAudioFile(*event->mimeData()).isEmpty())
        event->acceptProposedAction();
}

void CutterWindow::dropEvent(QDropEvent* event) {
    const QString file = droppedAudioFile(*event->mimeData());
    if (file.isEmpty())
        return;
    event->acceptProposedAction();
    openFile(file);
}

void CutterWindow::openFile(const QString& path) {
    if (cutting_)
        return;
    stopPreviewIfRunning();
    stopPlayback();
    fileName = path;
    prepareOnShow();
}

void CutterWindow::prepareOnShow() {
    int duration = 0;
    try {
        info_.open(Platform::pathBytes(fileName));
        player_.setFormat(info_.sampleRate(), info_.channels());
        duration = info_.durationMs();
        rememberRecent(fileName);
    } catch (const EngineError& error) {
        showMessage(QString::fromUtf8(error.what()));
    }
    bar_->setMax(duration);
    bar_->minimum_ = 0;
    bar_->setPosition(0);
    // Exactly the two end points; the first keeps its tick from an earlier file.
    const bool firstUse = bar_->points_.empty() ? true : bar_->points_.front().use;
    CutPoints points{{0, firstUse}};
    if (duration > 0)
        points.push_back({duration, true});
    bar_->resetPoints(points);
    bar_->selectSection(-1);
    snapToFramesBox_->setEnabled(AppSettings::audioTypeOfFile(Platform::pathBytes(fileName)) == "MP3");
    snapToFrames(false);
    const std::string source = Platform::pathBytes(fileName);
    sourceTitle_ = readAudioTags(source).title;
    if (sourceTitle_.empty())
        sourceTitle_ = stemOf(source);
    pointMenu_->reset();
    rebuildSectionList();
    cutting_ = false;
    startWaveform();
}

// Every way of closing the window (its close button, Escape, close()) ends here.
void CutterWindow::done(int result) {
    if (cutting_) {
        if (askToCancel(tr("Splitting in progress, do you want to cancel ?"))) {
            closeAfterCut_ = true;
            cancelCutting();
        }
        return; // the window closes when the worker has stopped
    }
    stopPlayback();
    bar_->clearPoints();
    bar_->setPosition(0);
    JobWindow::done(result);
}

QString CutterWindow::outputFolder() const {
    if (AppSettings::splitToSourceFolder)
        return Platform::pathFromBytes(folderOf(Platform::pathBytes(fileName)));
    return QString::fromStdString(AppSettings::splitOutputPath);
}

// ---- The waveform ----

// The peaks come in from the worker: a sketch of the whole file first, then the file's
// own peaks from its start. A file shown again keeps the peaks it had.
void CutterWindow::startWaveform() {
    if (waveformThread_)
        waveformThread_->requestInterruption();
    const int generation = ++waveformGeneration_;
    const QString stamp = fileStamp(fileName);
    if (peaks_ && peaksFile_ == stamp && peaks_->complete()) {
        bar_->setPeaks(peaks_.get(), info_.sampleRate());
        return;
    }
    peaks_.reset();
    peaksFile_ = stamp;
    bar_->setPeaks(nullptr, info_.sampleRate());
    auto* thread = new WaveformWorker(fileName);
    auto current = [this, generation] { return generation == waveformGeneration_; };
    connect(thread, &WaveformWorker::opened, this, [this, current](qint64 total) {
        if (!current())
            return;
        peaks_ = std::make_shared<PeakLevels>(total);
        bar_->setPeaks(peaks_.get(), info_.sampleRate());
    });
    connect(thread, &WaveformWorker::sketched, this, [this, current](std::vector<Peak> sketch) {
        if (current() && peaks_) {
            peaks_->setSketch(std::move(sketch));
            bar_->peaksChanged();
        }
    });
    connect(thread, &WaveformWorker::ready, this, [this, current](const std::vector<Peak>& peaks) {
        if (current() && peaks_) {
            peaks_->append(peaks);
            bar_->peaksChanged();
        }
    });
    waveformThread_ = thread;
    thread->start(QThread::LowPriority);
}

// ---- Snapping to MP3 frames ----

void CutterWindow::snapToFrames(bool on) {
    frames_.reset();
    if (on) {
        try {
            frames_ = indexMp3Frames(Platform::pathBytes(fileName));
        } catch (const EngineError& error) {
            showMessage(QString::fromUtf8(error.what()));
        }
    }
    if (frames_)
        bar_->setSnap([this](int64_t time) { return nearestFrameBound(time); });
    else
        bar_->setSnap(nullptr);
    const QSignalBlocker quiet(snapToFramesBox_);
    snapToFramesBox_->setChecked(frames_.has_value());
}

// The millisecond nearest to the frame boundary nearest to time, as the decoded samples
// count it (the first frame's samples the encoder's delay hides come before 0).
int64_t CutterWindow::nearestFrameBound(int64_t time) const {
    const int64_t rate = frames_->sampleRate, perFrame = frames_->samplesPerFrame;
    const int64_t skipped = frames_->skippedSamples();
    const int64_t frame = (time * rate / 1000 + skipped + perFrame / 2) / perFrame;
    const int64_t sample = std::max<int64_t>(frame * perFrame - skipped, 0);
    return (sample * 1000 + rate / 2) / rate;
}

// ---- The section list ----

void CutterWindow::rebuildSectionList() {
    rebuilding_ = true;
    sectionList_->clear();
    const CutPoints& points = bar_->points_;
    for (size_t i = 0; i + 1 < points.size(); ++i) {
        using AppSettings::formatMinSecMs;
        auto* item = new QTreeWidgetItem(
            sectionList_, {"", QString::fromStdString(formatMinSecMs(points[i].time)),
                           QString::fromStdString(formatMinSecMs(points[i + 1].time)),
                           QString::fromStdString(formatMinSecMs(points[i + 1].time - points[i].time)), ""});
        item->setFlags(item->flags() | Qt::ItemIsUserCheckable | Qt::ItemIsEditable);
        item->setCheckState(ColUse, points[i].use ? Qt::Checked : Qt::Unchecked);
        for (int column = ColStart; column <= ColStatus; ++column)
            item->setTextAlignment(column, Qt::AlignCenter);
    }
    showTitles();
    rebuilding_ = false;
}

// A ticked section without a title of its own shows the numbered one it gets, in the
// colour of a placeholder.
void CutterWindow::showTitles() {
    const bool wasRebuilding = std::exchange(rebuilding_, true);
    const CutPoints& points = bar_->points_;
    int number = 0;
    for (int row = 0; row < sectionList_->topLevelItemCount(); ++row) {
        const CutPoint& point = points[static_cast<size_t>(row)];
        number += point.use ? 1 : 0;
        QTreeWidgetItem* item = sectionList_->topLevelItem(row);
        const bool own = !point.title.empty();
        item->setText(ColTitle, own ? QString::fromStdString(point.title) : point.use ? defaultTitle(number) : "");
        item->setForeground(ColTitle, own ? sectionList_->palette().text() : sectionList_->palette().placeholderText());
    }
    rebuilding_ = wasRebuilding;
}

QString CutterWindow::defaultTitle(int number) const {
    return QString::fromStdString(sourceTitle_) + QString(" (%1)").arg(number);
}

void CutterWindow::titleEdited(int row, const QString& text) {
    const CutPoints& points = bar_->points_;
    const int number = static_cast<int>(
        std::count_if(points.begin(), points.begin() + row + 1, [](const CutPoint& point) { return point.use; }));
    const QString typed = text.trimmed();
    // Typing the section's default title back is leaving it to the default.
    bar_->points_[static_cast<size_t>(row)].title =
        typed.isEmpty() || typed == defaultTitle(number) ? std::string() : typed.toStdString();
    QMetaObject::invokeMethod(this, &CutterWindow::showTitles, Qt::QueuedConnection);
}

CutPlan CutterWindow::currentPlan() const {
    CutPlan plan;
    const CutPoints& points = bar_->points_;
    for (size_t i = 0; i + 1 < points.size(); ++i)
        plan.push_back({points[i].time, points[i].use, points[i].title, points[i].artist});
    return plan;
}

void CutterWindow::applyPlan(const CutPlan& plan) {
    if (bar_->points_.size() < 2)
        return;
    CutPoints points;
    for (const PlannedSection& section : plan)
        if (section.start < bar_->maximum_ && (points.empty() || section.start > points.back().time))
            points.push_back({section.start, section.use, section.title, section.artist});
    points.push_back({bar_->maximum_, true, {}, {}});
    bar_->replacePoints(points);
    bar_->selectSection(-1);
}

void CutterWindow::addCutPointAtPosition() {
    bar_->addCurrentPoint();
    bar_->selectSection(-1);
}

void CutterWindow::removeSelected() {
    const int row = sectionList_->indexOfTopLevelItem(sectionList_->currentItem());
    if (row < 0 || !sectionList_->currentItem()->isSelected())
        return;
    bar_->deletePoint(row);
    bar_->selectSection(-1);
}

void CutterWindow::removeAll() {
    bar_->clearPoints();
}

void CutterWindow::setRowStatus(int row, const QString& status) {
    if (QTreeWidgetItem* item = sectionList_->topLevelItem(row))
        item->setText(4, status);
}

// ---- Playback ----

float CutterWindow::speedPercent() const {
    return slowSpeedButton_->isChecked() ? 50.0f : fastSpeedButton_->isChecked() ? 150.0f : 100.0f;
}

void CutterWindow::startPlayback() {
    player_.stop();
    file_.close();
    file_.setFileOption(true);
    file_.openForRead(Platform::pathBytes(fileName));
    if (file_.errorCode() != 0 || file_.totalFrames() == 0) {
        player_.stop();
        file_.close();
        return;
    }
    player_.setFormat(file_.streamSampleRate(), file_.streamChannels());
    transform_.setSpeedSampleRate(file_.streamSampleRate());
    blockFrames_ = player_.msToSamples(166);
    framesFed_ = 0;
    file_.seek(static_cast<int>(std::max<int64_t>(startFrame_, 0)));
    player_.play();
    if (player_.playError() != 0)
        file_.close();
}

// The next block of the file; a preview reads to its section's end and no further.
AudioBlock CutterWindow::nextSourceBlock() {
    const int64_t left = previewing_ ? previewEndFrame_ - (startFrame_ + framesFed_) : blockFrames_;
    AudioBlock block;
    block.channels = file_.channels();
    if (left > 0)
        block = readBlockForPlayback(file_, static_cast<int>(std::min<int64_t>(blockFrames_, left)), this,
                                     [this](const QString& text) { showMessage(text); });
    framesFed_ += block.frames();
    return block;
}

// With a speed change, the processor holds audio back: at first it is read on until it
// gives some, and at the end what it still holds is played before the player is told the
// input ended.
void CutterWindow::feedNextBlock() {
    if (!file_.isReading())
        return;
    AudioBlock block = nextSourceBlock();
    if (speedPercent() != 100.0f) {
        while (!block.empty()) {
            transform_.changeSpeed(block, speedPercent());
            if (!block.empty())
                break;
            block = nextSourceBlock();
        }
        if (block.empty())
            if (const AudioBlock tail = transform_.flushSpeed(); !tail.empty())
                player_.queueBlock(tail);
    }
    player_.queueBlock(block);
}

void CutterWindow::stopPlayback() {
    player_.stop();
    file_.close();
    if (playAfter_)
        bar_->setPosition(rangeStart_);
    if (playBefore_)
        bar_->setPosition(rangeEnd_);
    playAfter_ = playBefore_ = false;
}

void CutterWindow::showPlayedPosition(int currentSamples) {
    // The frames played are counted after the speed change: in source frames they are
    // that many times the speed. (The level values of the event are not positions.)
    // The position is the sample being heard, not the last one read ahead for the output.
    const int64_t played = static_cast<int64_t>(currentSamples * speedPercent() / 100.0f);
    const int64_t heardMs = player_.samplesToMs(static_cast<int>(startFrame_ + played));
    if (previewing_) {
        setRowStatus(previewRow_, tr("Previewing: ") + QString::fromStdString(AppSettings::formatMinSecMs(heardMs)));
        if (played + startFrame_ >= previewEndFrame_)
            stopPreview();
        return;
    }
    bar_->setPosition(heardMs);
    if (bar_->position_ >= rangeEnd_)
        stopPlayback();
}

void CutterWindow::playbackEnded() {
    if (previewing_) {
        stopPreview();
        return;
    }
    bar_->setPosition(backToStartBox_->isChecked() ? rangeStart_ : bar_->maximum_);
    stopPlayback();
}

void CutterWindow::stopPreviewIfRunning() {
    if (previewing_)
        stopPreview();
}

void CutterWindow::play() {
    stopPreviewIfRunning();
    playAfter_ = playBefore_ = previewing_ = paused_ = false;
    rangeStart_ = static_cast<int>(bar_->position_);
    rangeEnd_ = static_cast<int>(bar_->maximum_);
    startFrame_ = player_.msToSamples(rangeStart_);
    startPlayback();
}

void CutterWindow::pause() {
    stopPreviewIfRunning();
    paused_ = !paused_;
    if (paused_) {
        player_.stop(); // the file stays open, the bar keeps its place
    } else {
        const bool paused = paused_;
        play();
        paused_ = paused;
    }
}

void CutterWindow::stop() {
    stopPreviewIfRunning();
    paused_ = false;
    stopPlayback();
    if (backToStartBox_->isChecked())
        bar_->setPosition(rangeStart_);
}

void CutterWindow::applySpeedChoice() {
    stop();
    play();
}

bool CutterWindow::readNumber(QLineEdit* box, const QString& what, int& value) {
    bool number = false;
    value = box->text().toInt(&number);
    if (!number)
        showMessage(tr("Please enter a number of ") + what + " first.");
    return number;
}

void CutterWindow::playAfterPosition() {
    int length = 0;
    if (!readNumber(stepForwardBox_, "milliseconds to play after the position", length))
        return;
    stopPreviewIfRunning();
    playAfter_ = true;
    playBefore_ = previewing_ = paused_ = false;
    rangeStart_ = static_cast<int>(bar_->position_);
    rangeEnd_ = rangeStart_ + length;
    startFrame_ = player_.msToSamples(rangeStart_);
    startPlayback();
}

void CutterWindow::playBeforePosition() {
    int length = 0;
    if (!readNumber(stepBackwardBox_, "milliseconds to play before the position", length))
        return;
    stopPreviewIfRunning();
    playBefore_ = true;
    playAfter_ = previewing_ = paused_ = false;
    rangeEnd_ = static_cast<int>(bar_->position_);
    // Near the start of the file the stretch begins at the start.
    rangeStart_ = std::max(rangeEnd_ - length, 0);
    startFrame_ = player_.msToSamples(rangeStart_);
    startPlayback();
}

void CutterWindow::setPreviewControls(bool previewing) {
    stopPreviewButton_->setVisible(previewing);
    previewButton_->setVisible(!previewing);
    for (QWidget* control :
         std::initializer_list<QWidget*>{addPointButton_, removeButton_, removeAllButton_, goToButton_, goToMinutesBox_,
                                         goToMillisecondsBox_, goToSecondsBox_, pointMenu_->button()})
        control->setEnabled(!previewing);
}

void CutterWindow::startPreview() {
    QTreeWidgetItem* current = sectionList_->currentItem();
    if (!current || !current->isSelected())
        return;
    const int row = sectionList_->indexOfTopLevelItem(current);
    setRowStatus(previewRow_, "");
    playAfter_ = playBefore_ = paused_ = false;
    previewing_ = true;
    rangeStart_ = static_cast<int>(bar_->points_[static_cast<size_t>(row)].time);
    rangeEnd_ = static_cast<int>(bar_->points_[static_cast<size_t>(row) + 1].time) - 1;
    startFrame_ = player_.msToSamples(rangeStart_);
    previewEndFrame_ = player_.msToSamples(rangeEnd_);
    previewRow_ = row;
    startPlayback();
    setPreviewControls(true);
}

void CutterWindow::stopPreview() {
    playAfter_ = playBefore_ = previewing_ = paused_ = false;
    stopPlayback();
    setRowStatus(previewRow_, "");
    setPreviewControls(false);
}

void CutterWindow::goToTypedTime() {
    int minutes = 0, seconds = 0, milliseconds = 0;
    if (!readNumber(goToMinutesBox_, "minutes", minutes) || !readNumber(goToSecondsBox_, "seconds", seconds) ||
        !readNumber(goToMillisecondsBox_, "milliseconds", milliseconds))
        return;
    bar_->setPosition(int64_t{minutes} * 60000 + seconds * 1000 + milliseconds);
}

void CutterWindow::setFade(bool& enabled, QPushButton* button, QSpinBox* box, const char* onHint, const char* offHint) {
    box->setEnabled(enabled); // greyed by the style when off
    button->setChecked(enabled);
    button->setToolTip(tr(enabled ? onHint : offHint));
}

void CutterWindow::toggleFadeIn() {
    fadeInButton_->toggle();
}

void CutterWindow::toggleFadeOut() {
    fadeOutButton_->toggle();
}

// ---- Cutting ----

void CutterWindow::startCutting() {
    cutCancelled_ = false;
    runCutWorker();
}

void CutterWindow::setCutControls(bool cutting) {
    cancelCutButton_->setVisible(cutting);
    cutButton_->setVisible(!cutting);
    for (QWidget* control : std::initializer_list<QWidget*>{
             addPointButton_, previewButton_, stopPreviewButton_, playButton_, stopButton_, pauseButton_,
             playBeforeButton_, playAfterButton_, removeButton_, removeAllButton_, goToButton_, goToMinutesBox_,
             goToMillisecondsBox_, goToSecondsBox_, backToStartBox_, sectionList_, pointMenu_->button(), recentButton_})
        control->setEnabled(!cutting);
}

void CutterWindow::runCutWorker() {
    const CutPoints& points = bar_->points_;
    if (points.size() <= 2)
        return;
    CutJob job;
    rowMap_.clear();
    for (size_t i = 0; i + 1 < points.size(); ++i) {
        if (!points[i].use)
            continue;
        job.sections.push_back(
            {points[i].time, points[i + 1].time - points[i].time, points[i].title, points[i].artist});
        rowMap_.push_back(static_cast<int>(i));
    }
    if (job.sections.empty())
        return;
    const std::string source = Platform::pathBytes(fileName);
    const std::string sourceKind = AppSettings::audioTypeOfFile(source);
    job.kind = cutOutputKind(sourceKind);
    doneText_ = job.kind == sourceKind ? tr("Done") : tr("Done (as %1)").arg(QString::fromStdString(job.kind));
    job.baseName = stemOf(source);
    job.album = pointMenu_->album();
    job.outputFolder = Platform::pathBytes(outputFolder());
    input_.openForRead(source);
    if (input_.errorCode() != 0) {
        showMessage(QString::fromStdString(input_.errorText()));
        return;
    }
    if (!prepareOutputFormat(output_, mp3Encoder_, job.kind)) {
        input_.close();
        showMessage(tr("Cannot cut \"") + fileName + "\": it is not a file of a kind the program reads");
        return;
    }
    setCutControls(true);
    job.fadeInMs = fadeInEnabled_ ? fadeInBox_->value() : 0;
    job.fadeOutMs = fadeOutEnabled_ ? fadeOutBox_->value() : 0;
    job.overwrite = [] { return AppSettings::splitOverwrite; };
    sectionDoneTexts_.assign(job.sections.size(), doneText_);
    sectionNotes_.assign(job.sections.size(), QString());
    if (AppSettings::splitKeepsEncoding)
        keepEncodingOf(job);
    job.createOutput = [this](const std::string& path) {
        QMetaObject::invokeMethod(
            this, [this, path] { createOutputFile(Platform::pathFromBytes(path)); }, Qt::BlockingQueuedConnection);
        if (output_.errorCode() != 0)
            throw EngineError(static_cast<EngineStatus>(output_.errorCode()), output_.errorText());
    };
    cuttingRow_ = -1;
    cutting_ = true;
    worker_ = new CutWorker(this, input_, output_, std::move(job));
    connect(worker_, &JobWorker::ended, this, &CutterWindow::cutFinished, Qt::QueuedConnection);
    worker_->start(QThread::NormalPriority);
}

void CutterWindow::keepEncodingOf(CutJob& job) {
    job.keepEncoding = true;
    job.reencoded = [this](int section, const std::string& why) {
        QMetaObject::invokeMethod(
            this,
            [this, section, why = QString::fromStdString(why)] { noteSection(section, tr("Done (re-encoded)"), why); },
            Qt::QueuedConnection);
    };
    job.copied = [this](int section, const std::string&, const std::string& note) {
        QMetaObject::invokeMethod(
            this,
            [this, section, note = QString::fromStdString(note)] {
                noteSection(section, tr("Done (copied)"),
                            note.isEmpty() ? note : tr("Copied in whole packets: ") + note);
            },
            Qt::QueuedConnection);
    };
}

// Section -1 stands for all of them. The note may come after the section's progress.
void CutterWindow::noteSection(int section, const QString& status, const QString& why) {
    for (size_t i = 0; i < sectionDoneTexts_.size() && i < rowMap_.size(); ++i) {
        if (section >= 0 && static_cast<size_t>(section) != i)
            continue;
        QTreeWidgetItem* item = sectionList_->topLevelItem(rowMap_[i]);
        if (item && item->text(4) == sectionDoneTexts_[i]) {
            item->setText(4, status);
            item->setToolTip(4, why);
        }
        sectionDoneTexts_[i] = status;
        sectionNotes_[i] = why;
    }
}

void CutterWindow::createOutputFile(const QString& path) {
    output_.createForWrite(Platform::pathBytes(path));
}

bool CutterWindow::event(QEvent* event) {
    if (event->type() == WorkerEvent::typeOf(WM_CUT_PROGRESS)) {
        const auto* progress = static_cast<WorkerEvent*>(event);
        cutProgress(progress->item, progress->percent);
        return true;
    }
    return JobWindow::event(event);
}

void CutterWindow::cutProgress(int index, int percent) {
    if (index < 0 || index >= static_cast<int>(rowMap_.size()))
        return;
    const int row = rowMap_[static_cast<size_t>(index)];
    if (percent >= 100) {
        cuttingRow_ = -1;
        setRowStatus(row, sectionDoneTexts_.at(static_cast<size_t>(index)));
        if (QTreeWidgetItem* item = sectionList_->topLevelItem(row))
            item->setToolTip(4, sectionNotes_.at(static_cast<size_t>(index)));
    } else {
        cuttingRow_ = row;
        setRowStatus(row, tr("Cutting: %1 % done").arg(percent));
    }
}

void CutterWindow::cutFinished(bool failed, const QString& workerFailure, int failedSection) {
    // Progress posted before the end is handled first.
    QCoreApplication::sendPostedEvents(this, WorkerEvent::typeOf(WM_CUT_PROGRESS));
    cutting_ = false;
    setCutControls(false);
    stopPreviewButton_->setVisible(previewing_);
    previewButton_->setVisible(!previewing_);
    QString failure = closeJobFiles(input_, output_);
    if (failed) {
        if (failedSection >= 0 && failedSection < static_cast<int>(rowMap_.size()))
            setRowStatus(rowMap_[static_cast<size_t>(failedSection)], tr("Failed"));
        failure = workerFailure;
    }
    if (!failure.isEmpty()) {
        showMessage(failure);
    } else if (cutCancelled_) {
        if (cuttingRow_ >= 0)
            setRowStatus(cuttingRow_, tr("Canceled"));
    } else {
        showMessage(tr("Cut finished"));
    }
    refreshPlayList();
    if (closeAfterCut_) {
        closeAfterCut_ = false;
        done(QDialog::Rejected);
    }
}

void CutterWindow::cancelCutting() {
    cutCancelled_ = true;
    if (worker_)
        worker_->requestInterruption();
}
