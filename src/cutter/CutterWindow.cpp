#include "CutterWindow.h"

#include <QCheckBox>
#include <QCoreApplication>
#include <QDropEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMimeData>
#include <QPushButton>
#include <QRadioButton>
#include <QShortcut>
#include <QSpinBox>
#include <QToolButton>
#include <QTreeView>
#include <QUndoStack>

#include "AppSettings.h"
#include "AudioInfo.h"
#include "AudioTags.h"
#include "CutDocument.h"
#include "CutJob.h"
#include "CutPointMenu.h"
#include "CutSectionModel.h"
#include "CutRun.h"
#include "CutterControls.h"
#include "FileListRows.h"
#include "FileNames.h"
#include "OutputFormat.h"
#include "OutputNaming.h"
#include "PlaybackController.h"
#include "PositionBar.h"
#include "ThemedIcons.h"
#include "WaveformLoader.h"
#include "WindowGeometry.h"

using Range = PlaybackController::Range;
using RangeKind = PlaybackController::RangeKind;

CutterWindow::CutterWindow(QWidget* parent)
    : JobWindow(parent), ui_(std::make_unique<CutterControls>(this)), sections_(new CutSectionModel(this)),
      playback_(new PlaybackController(166, this)), waveform_(new WaveformLoader(this)),
      cutRun_(new CutRun(*sections_, this)) {
    connect(cutRun_, &CutRun::damaged, this, &CutterWindow::noteDamage);
    setObjectName("cutterWindow");
    setWindowTitle(tr("Zelvo MP3 Zovozu"));
    setAcceptDrops(true);
    setSizeGripEnabled(true);
    ui_->topRow->addLayout(buildToolButtons([this] { return outputFolder(); }));
    ui_->topRow->addWidget(
        buildRecentFiles(AppSettings::recentCutFiles, [this](const QString& path) { openFile(path); }));
    ui_->topRow->addStretch(1);
    ui_->topRow->addWidget(ui_->positionLabel);
    ui_->sectionList->setModel(sections_);
    sizeSectionColumns(ui_->sectionList);
    pointMenu_ =
        new CutPointMenu({this, [this] { return fileName_; }, [this] { return document_ ? document_->duration() : 0; },
                          [this] { return document_ ? document_->plan() : CutPlan{}; },
                          [this](const CutPlan& plan) {
                              if (document_)
                                  document_->applyPlan(plan);
                          },
                          [this](const QString& text) { showMessage(text); },
                          [this]() -> const WindowLevels* {
                              const PeakLevels* peaks = waveform_->peaks();
                              return peaks && peaks->complete() ? &peaks->windowLevels() : nullptr;
                          }});
    ui_->toolColumn->addWidget(pointMenu_->button(), 5, 0, 1, 2);
    connectControls();
    connectPlayback();
    buildKeys();
    document_ = std::make_unique<CutDocument>(0, std::string());
    showDocument();
    resize(sizeHint().expandedTo(QSize(960, 540)));
    keepGeometry(this, AppSettings::cutterGeometry);
}

CutterWindow::~CutterWindow() = default;

void CutterWindow::connectControls() {
    CutterControls& ui = *ui_;
    connect(ui.cutButton, &QPushButton::clicked, this, &CutterWindow::startCutting);
    connect(ui.cancelCutButton, &QPushButton::clicked, cutRun_, &CutRun::cancel);
    connect(cutRun_, &CutRun::finished, this, &CutterWindow::cutFinished);
    connect(ui.stepBackwardButton, &QPushButton::clicked, ui.bar, &PositionBar::stepBackward);
    connect(ui.stepForwardButton, &QPushButton::clicked, ui.bar, &PositionBar::stepForward);
    connect(ui.addPointButton, &QPushButton::clicked, this, &CutterWindow::addCutPointAtPosition);
    connect(ui.removeButton, &QPushButton::clicked, this, &CutterWindow::removeSelected);
    connect(ui.removeAllButton, &QPushButton::clicked, this, [this] { document_->removeAll(); });
    connect(ui.previewButton, &QPushButton::clicked, this, &CutterWindow::startPreview);
    connect(ui.stopPreviewButton, &QPushButton::clicked, this, &CutterWindow::stopPreview);
    connect(ui.goToButton, &QPushButton::clicked, this, &CutterWindow::goToTypedTime);
    // The buttons' own checked state is the fade's: a click (or Space) flips it once.
    connect(ui.fadeInButton, &QPushButton::toggled, this, [this](bool on) {
        document_->setFadeIn({on, ui_->fadeInBox->value()});
    });
    connect(ui.fadeOutButton, &QPushButton::toggled, this, [this](bool on) {
        document_->setFadeOut({on, ui_->fadeOutBox->value()});
    });
    connect(ui.fadeInBox, &QSpinBox::valueChanged, this, [this](int ms) {
        document_->setFadeIn({document_->fadeIn().enabled, ms});
    });
    connect(ui.fadeOutBox, &QSpinBox::valueChanged, this, [this](int ms) {
        document_->setFadeOut({document_->fadeOut().enabled, ms});
    });
    connect(ui.snapToFramesBox, &QCheckBox::toggled, this, &CutterWindow::snapToFrames);
    connect(ui.goToSecondsBox, &QLineEdit::textChanged, this, [this](const QString& text) {
        bool number = false;
        const int seconds = text.toInt(&number);
        if (!number)
            ui_->goToSecondsBox->setText("00");
        else if (seconds >= 60)
            ui_->goToSecondsBox->setText("59");
    });
    connect(ui.playButton, &QPushButton::clicked, this, &CutterWindow::playFromPosition);
    connect(ui.stopButton, &QPushButton::clicked, this, &CutterWindow::stop);
    connect(ui.pauseButton, &QPushButton::clicked, this, &CutterWindow::togglePause);
    connect(ui.playBeforeButton, &QPushButton::clicked, this, &CutterWindow::playBeforePosition);
    connect(ui.playAfterButton, &QPushButton::clicked, this, &CutterWindow::playAfterPosition);
    // The speed is the document's; choosing one plays at it from the position.
    for (QRadioButton* speed : {ui.slowSpeedButton, ui.normalSpeedButton, ui.fastSpeedButton}) {
        connect(speed, &QRadioButton::toggled, this, [this] {
            document_->setSpeed(ui_->slowSpeedButton->isChecked()   ? 0.5
                                : ui_->fastSpeedButton->isChecked() ? 1.5
                                                                    : 1.0);
        });
        connect(speed, &QRadioButton::clicked, this, &CutterWindow::applySpeedChoice);
    }
    connect(ui.sectionList, &QTreeView::clicked, this,
            [this](const QModelIndex& index) { document_->selectSection(index.row()); });
    connect(ui.sectionList, &QTreeView::doubleClicked, this, [this](const QModelIndex& index) {
        if (index.column() == CutSectionModel::Title)
            ui_->sectionList->edit(index);
        else
            document_->setPosition(document_->sectionStart(index.row()));
    });
    ui.sectionList->installEventFilter(this);
    connect(waveform_, &WaveformLoader::changed, this, [this] { ui_->bar->setPeaks(waveform_->peaks(), sampleRate_); });
}

void CutterWindow::connectPlayback() {
    connect(playback_, &PlaybackController::positionChanged, this, &CutterWindow::showHeardPosition);
    connect(playback_, &PlaybackController::ended, this, &CutterWindow::playbackEnded);
    connect(playback_, &PlaybackController::failed, this, [this](const QString& why) { showMessage(why); });
}

// Keys that act anywhere in the window but in a control that takes them itself (a button
// takes Space, a box takes what is typed) go through keyPressEvent and the section
// list's filter; these are shortcuts, which no control of the window uses.
void CutterWindow::buildKeys() {
    auto key = [this](QKeySequence sequence, auto action) {
        connect(new QShortcut(sequence, this), &QShortcut::activated, this, [this, action] {
            if (!isCutting())
                action();
        });
    };
    key(Qt::Key_Plus, [this] { ui_->bar->zoomIn(); });
    key(Qt::Key_Equal, [this] { ui_->bar->zoomIn(); });
    key(Qt::Key_Minus, [this] { ui_->bar->zoomOut(); });
    key(QKeySequence::Undo, [this] { document_->undoStack()->undo(); });
    key(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z), [this] { document_->undoStack()->redo(); });
    key(QKeySequence::Redo, [this] { document_->undoStack()->redo(); });
    addShortcut(ui_->cutButton, QKeySequence(Qt::CTRL | Qt::Key_S));
    addShortcut(ui_->playButton, QKeySequence(Qt::CTRL | Qt::Key_P));
    addShortcut(optionsButton_, QKeySequence(Qt::CTRL | Qt::Key_Comma));
    addShortcut(helpButton_, QKeySequence::HelpContents);
}

// Space plays and pauses, M or Insert adds a cut point, Delete removes the selected
// section, Left and Right move by the step boxes' times, Home and End go to the ends.
bool CutterWindow::windowKey(int key) {
    if (isCutting())
        return false;
    switch (key) {
    case Qt::Key_Space: playback_->isActive() ? togglePause() : playFromPosition(); return true;
    case Qt::Key_M:
    case Qt::Key_Insert: addCutPointAtPosition(); return true;
    case Qt::Key_Delete: removeSelected(); return true;
    case Qt::Key_Left:
        document_->setPosition(document_->position() - ui_->stepBackwardBox->text().toLongLong());
        return true;
    case Qt::Key_Right:
        document_->setPosition(document_->position() + ui_->stepForwardBox->text().toLongLong());
        return true;
    case Qt::Key_Home: document_->setPosition(0); return true;
    case Qt::Key_End: document_->setPosition(document_->duration()); return true;
    default: return false;
    }
}

void CutterWindow::keyPressEvent(QKeyEvent* event) {
    if (event->modifiers() == Qt::NoModifier && windowKey(event->key()))
        return event->accept();
    JobWindow::keyPressEvent(event);
}

// In the section list Space toggles the tick it is on and otherwise plays; Enter and F2
// edit the title; the window's other keys act as anywhere.
bool CutterWindow::eventFilter(QObject* watched, QEvent* event) {
    if (watched != ui_->sectionList || event->type() != QEvent::KeyPress)
        return JobWindow::eventFilter(watched, event);
    const auto* key = static_cast<QKeyEvent*>(event);
    const QModelIndex current = ui_->sectionList->currentIndex();
    if (key->modifiers() != Qt::NoModifier && key->modifiers() != Qt::KeypadModifier)
        return false;
    switch (key->key()) {
    case Qt::Key_Space:
        if (current.isValid() && current.column() == CutSectionModel::Use)
            return false;
        break;
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_F2:
        if (current.isValid())
            ui_->sectionList->edit(current.siblingAtColumn(CutSectionModel::Title));
        return true;
    case Qt::Key_Up:
    case Qt::Key_Down: return false;
    default: break;
    }
    return windowKey(key->key());
}

// ---- Opening and closing ----

QString CutterWindow::droppedAudioFile(const QMimeData& data) const {
    if (isCutting())
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

// The keyboard starts on the waveform, where the window's keys (Space, M, the arrows) act,
// rather than on Split.
void CutterWindow::showEvent(QShowEvent* event) {
    JobWindow::showEvent(event);
    ui_->bar->setFocus();
}

// An audio file dropped from a file manager is opened in place of the one shown.
void CutterWindow::dropEvent(QDropEvent* event) {
    const QString file = droppedAudioFile(*event->mimeData());
    if (file.isEmpty())
        return;
    event->acceptProposedAction();
    openFile(file);
}

// A file that cannot be read is not opened: the message says why, and what was open stays.
bool CutterWindow::openFile(const QString& path) {
    if (isCutting())
        return false;
    const std::string source = Platform::pathBytes(path);
    int64_t duration = 0;
    try {
        AudioInfo info;
        info.setInfoOption(true);
        info.open(source);
        duration = info.durationMs();
        sampleRate_ = info.sampleRate();
    } catch (const EngineError& error) {
        showMessage(QString::fromUtf8(error.what()));
        return false;
    }
    if (duration <= 0) {
        showMessage(tr("Cannot cut \"%1\": it holds no audio").arg(path));
        return false;
    }
    playback_->stop();
    setPreviewControls(false);
    fileName_ = path;
    rememberRecent(path);
    setWindowTitle(tr("Zelvo MP3 Zovozu") + " - " + path.mid(path.lastIndexOf('/') + 1));
    std::string title = readAudioTags(source).title;
    document_ = std::make_unique<CutDocument>(duration, title.empty() ? stemOf(source) : title);
    showDocument();
    ui_->snapToFramesBox->setEnabled(AppSettings::audioTypeOfFile(source) == "MP3");
    snapToFrames(false);
    pointMenu_->reset();
    startWaveform();
    return true;
}

// The views follow the new document; its fades and speed are shown as it has them.
void CutterWindow::showDocument() {
    sections_->setDocument(document_.get());
    ui_->bar->setDocument(document_.get());
    connect(document_.get(), &CutDocument::positionChanged, this, [this](qint64 time) {
        ui_->positionLabel->setText(QString::fromStdString(AppSettings::formatMinSecMs(time)));
    });
    connect(document_.get(), &CutDocument::fadesChanged, this, &CutterWindow::showFades);
    connect(document_.get(), &CutDocument::selectionChanged, this, [this](int row) {
        if (row < 0)
            ui_->sectionList->clearSelection();
    });
    ui_->positionLabel->setText(QString::fromStdString(AppSettings::formatMinSecMs(0)));
    showFades();
    ui_->normalSpeedButton->setChecked(true);
}

// Every way of closing the window (its frame's close button, Escape, close()) ends here.
void CutterWindow::done(int result) {
    if (isCutting()) {
        if (askToCancel(tr("Splitting in progress, do you want to cancel ?"))) {
            closeAfterCut_ = true;
            cutRun_->cancel();
        }
        return; // the window closes when the worker has stopped
    }
    playback_->stop();
    JobWindow::done(result);
}

QString CutterWindow::outputFolder() const {
    if (AppSettings::splitToSourceFolder)
        return Platform::pathFromBytes(folderOf(Platform::pathBytes(fileName_)));
    return QString::fromStdString(AppSettings::splitOutputPath);
}

void CutterWindow::startWaveform() {
    ui_->bar->setPeaks(nullptr, sampleRate_);
    waveform_->load(fileName_);
}

// ---- Snapping to MP3 frames ----

void CutterWindow::snapToFrames(bool on) {
    frames_.reset();
    if (on) {
        try {
            frames_ = indexMp3Frames(Platform::pathBytes(fileName_));
        } catch (const EngineError& error) {
            showMessage(QString::fromUtf8(error.what()));
        }
    }
    if (frames_)
        document_->setSnap([this](int64_t time) { return nearestFrameBound(time); });
    else
        document_->setSnap(nullptr);
    const QSignalBlocker quiet(ui_->snapToFramesBox);
    ui_->snapToFramesBox->setChecked(frames_.has_value());
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

// ---- Editing ----

int CutterWindow::selectedRow() const {
    const QModelIndexList rows = ui_->sectionList->selectionModel()->selectedRows();
    return rows.isEmpty() ? -1 : rows.first().row();
}

void CutterWindow::addCutPointAtPosition() {
    document_->addPoint(document_->position());
    document_->selectSection(-1);
}

void CutterWindow::removeSelected() {
    const int row = selectedRow();
    if (row < 0)
        return;
    document_->removeSection(row);
    document_->selectSection(-1);
}

bool CutterWindow::readNumber(QLineEdit* box, const QString& what, int& value) {
    bool number = false;
    value = box->text().toInt(&number);
    if (!number)
        showMessage(tr("Please enter a number of ") + what + " first.");
    return number;
}

void CutterWindow::goToTypedTime() {
    int minutes = 0, seconds = 0, milliseconds = 0;
    if (!readNumber(ui_->goToMinutesBox, "minutes", minutes) || !readNumber(ui_->goToSecondsBox, "seconds", seconds) ||
        !readNumber(ui_->goToMillisecondsBox, "milliseconds", milliseconds))
        return;
    document_->setPosition(int64_t{minutes} * 60000 + seconds * 1000 + milliseconds);
}

void CutterWindow::showFade(const Fade& fade, QPushButton* button, QSpinBox* box, const char* onHint,
                            const char* offHint) {
    const QSignalBlocker quietButton(button), quietBox(box);
    box->setEnabled(fade.enabled); // greyed by the style when off
    box->setValue(fade.lengthMs);
    button->setChecked(fade.enabled);
    button->setToolTip(tr(fade.enabled ? onHint : offHint));
}

void CutterWindow::showFades() {
    showFade(document_->fadeIn(), ui_->fadeInButton, ui_->fadeInBox, QT_TR_NOOP("Fade in enabled"),
             QT_TR_NOOP("Fade in disabled"));
    showFade(document_->fadeOut(), ui_->fadeOutButton, ui_->fadeOutBox, QT_TR_NOOP("Fade out enabled"),
             QT_TR_NOOP("Fade out disabled"));
}

// ---- Cutting ----

bool CutterWindow::isCutting() const {
    return cutRun_->isRunning();
}

void CutterWindow::setCutControls(bool cutting) {
    ui_->cancelCutButton->setVisible(cutting);
    ui_->cutButton->setVisible(!cutting);
    for (QWidget* control : std::initializer_list<QWidget*>{
             ui_->addPointButton, ui_->previewButton, ui_->stopPreviewButton, ui_->playButton, ui_->stopButton,
             ui_->pauseButton, ui_->playBeforeButton, ui_->playAfterButton, ui_->removeButton, ui_->removeAllButton,
             ui_->goToButton, ui_->goToMinutesBox, ui_->goToMillisecondsBox, ui_->goToSecondsBox, ui_->backToStartBox,
             ui_->sectionList, pointMenu_->button(), recentButton_})
        control->setEnabled(!cutting);
}

void CutterWindow::startCutting() {
    if (isCutting())
        return;
    if (document_->duration() <= 0)
        return showMessage(tr("Nothing to cut: no file is open"));
    if (document_->sectionCount() < 2)
        return showMessage(tr("Nothing to cut: the file is one section. Add a cut point first."));
    CutJob job =
        makeCutJob(Platform::pathBytes(fileName_), document_->plan(), document_->duration(), currentCutSettings());
    if (job.sections.empty())
        return showMessage(tr("Nothing to cut: every section is unticked. Tick the sections to write."));
    job.album = pointMenu_->album();
    job.fadeInMs = document_->fadeIn().enabled ? document_->fadeIn().lengthMs : 0;
    job.fadeOutMs = document_->fadeOut().enabled ? document_->fadeOut().lengthMs : 0;
    if (const QString failure = cutRun_->start(fileName_, std::move(job)); !failure.isEmpty())
        return showMessage(failure);
    setCutControls(true);
}

void CutterWindow::cutFinished(const QString& failure, bool cancelled) {
    setCutControls(false);
    setPreviewControls(playback_->isActive() && playback_->range().kind == RangeKind::Preview);
    if (!failure.isEmpty())
        showMessage(failure);
    else if (!cancelled)
        showWritten(tr("Cut finished"), cutRun_->written(), outputFolder());
    refreshPlayList();
    if (closeAfterCut_) {
        closeAfterCut_ = false;
        done(QDialog::Rejected);
    }
}
