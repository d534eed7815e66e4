#include "PlayerWindow.h"

#include "OutputFormat.h"

#include <algorithm>
#include <cmath>

#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QCursor>
#include <QDropEvent>
#include <QFileInfo>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QMimeData>
#include <QPushButton>
#include <QShortcut>
#include <QSlider>
#include <QTreeView>
#include <QUrl>

#include "AppSettings.h"
#include "AudioFileListModel.h"
#include "AudioInfo.h"
#include "ConfirmDialog.h"
#include "ConvertWorker.h"
#include "CutterWindow.h"
#include "FileListRows.h"
#include "FileNames.h"
#include "FolderTree.h"
#include "JoinerWindow.h"
#include "LevelDisplay.h"
#include "OptionsDialog.h"
#include "PlaybackController.h"
#include "PlayerControls.h"
#include "ShellOpen.h"
#include "SpecialFolders.h"
#include "ThemedIcons.h"
#include "WindowGeometry.h"

namespace {

const char* const folderChangeRefused =
    QT_TRANSLATE_NOOP("PlayerWindow", "You will not be able to change folder while playing or converting.");

// Bar positions of the equaliser presets (band value in dB = -position / 1000).
const std::array<std::array<int, 12>, 6> presets{{
    {-273, -4091, -4636, -3545, -1909, 0, 0, -1909, -1909, -4091, -3545, -3000}, // Pop
    {13364, 273, -9545, -7909, -4091, 0, -3000, -5182, -5182, -4636, -2455, 0},  // Disco
    {13364, 6273, 1364, 0, 0, -3545, -2455, -818, -818, -4636, -6273, -7909},    // Background
    {0, -3545, -6273, -3545, -1909, -3545, -1909, -818, -818, 1909, 4636, 2455}, // Movie
    {0, 3000, 6818, 3545, -1909, -6273, -5182, -3545, -3545, 1909, 4091, 6818},  // News
    {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0},                                        // Flat
}};
constexpr int PresetCustom = 6;
constexpr int PresetFlat = 5;

} // namespace

PlayerWindow::PlayerWindow(QWidget* parent)
    : QWidget(parent), ui_(std::make_unique<PlayerControls>(this)), files_(new AudioFileListModel(this)),
      sorted_(new NaturalSortProxy(this)), playback_(new PlaybackController(400, this)) {
    setObjectName("playerWindow");
    setWindowTitle(tr("Zelvo MP3 Player"));
    Platform::fillSharedFolders();
    input_.setFileOption(true);
    output_.setFileOption(true);
    sorted_->setSourceModel(files_);
    ui_->playList->setModel(sorted_);
    sizeFileColumns(ui_->playList);
    installRenameEditor();
    connectControls();
    connectPlayback();
    buildKeys();
    ui_->equalizerPresetBox->setCurrentIndex(PresetFlat);
    resize(sizeHint().expandedTo(QSize(760, 560)));
    keepGeometry(this, AppSettings::playerGeometry);
}

PlayerWindow::~PlayerWindow() = default;

void PlayerWindow::setWindows(OptionsDialog* options, ConfirmDialog* confirm, CutterWindow* cutter,
                              JoinerWindow* joiner) {
    options_ = options;
    confirm_ = confirm;
    cutter_ = cutter;
    joiner_ = joiner;
}

void PlayerWindow::connectControls() {
    PlayerControls& ui = *ui_;
    connect(ui.cutterButton, &QPushButton::clicked, this, &PlayerWindow::openCutter);
    connect(ui.joinerButton, &QPushButton::clicked, this, &PlayerWindow::openJoiner);
    connect(ui.optionsButton, &QPushButton::clicked, this, &PlayerWindow::openOptions);
    connect(ui.helpButton, &QPushButton::clicked, this, &PlayerWindow::openHelp);
    connect(ui.volumeSlider, &QSlider::valueChanged, this,
            [this](int position) { playback_->setVolume(65535 - position); });
    connect(ui.muteButton, &QPushButton::clicked, this, &PlayerWindow::toggleMute);
    connect(ui.equalizerButton, &QPushButton::clicked, this, &PlayerWindow::toggleEqualizer);
    for (QSlider* band : ui.equalizerSliders) {
        connect(band, &QSlider::sliderPressed, this, [this] { equalizerDragging_ = true; });
        connect(band, &QSlider::sliderReleased, this, [this] { equalizerDragging_ = false; });
        connect(band, &QSlider::valueChanged, this, &PlayerWindow::applyEqualizerSliders);
    }
    connect(ui.equalizerPresetBox, &QComboBox::currentIndexChanged, this, [this](int preset) {
        if (!equalizerDragging_)
            loadEqualizerPreset(preset);
    });
    ui.folderTree->canChangeFolder = [this] { return !playback_->isActive() && convertingFile_.isEmpty(); };
    ui.folderTree->onChangeRefused = [this] { showFolderChangeRefused(); };
    connect(ui.folderTree, &QTreeView::clicked, this, &PlayerWindow::listSelectedFolder);
    connect(ui.folderTree, &FolderTree::folderPicked, this, &PlayerWindow::listSelectedFolder);
    connect(ui.playList->header(), &QHeaderView::sectionClicked, this, &PlayerWindow::sortBy);
    connect(ui.playList, &QTreeView::clicked, this, &PlayerWindow::showSelectedRow);
    connect(ui.playList, &QTreeView::doubleClicked, this, &PlayerWindow::play);
    // Moving through the rows with the keys shows each file's format as a click does.
    connect(ui.playList->selectionModel(), &QItemSelectionModel::currentRowChanged, this, [this] {
        if (ui_->playList->hasFocus() && QGuiApplication::mouseButtons() == Qt::NoButton)
            showSelectedRow();
    });
    connect(files_, &AudioFileListModel::listed, this, &PlayerWindow::folderListed);
    ui.progressSlider->installEventFilter(this);
    // Files and folders dropped from a file manager are shown as if given on the command line.
    ui.playList->viewport()->installEventFilter(this);
    connect(ui.playButton, &QPushButton::clicked, this, &PlayerWindow::play);
    connect(ui.stopButton, &QPushButton::clicked, this, &PlayerWindow::stop);
    connect(ui.pauseButton, &QPushButton::clicked, this, &PlayerWindow::togglePause);
    connect(ui.playList, &QWidget::customContextMenuRequested, this, [this](const QPoint& at) {
        enableMenuActions();
        ui_->contextMenu->popup(ui_->playList->viewport()->mapToGlobal(at));
    });
    for (size_t i = 0; i < ui.convertActions.size(); ++i)
        connect(ui.convertActions[i], &QAction::triggered, this,
                [this, kind = outputKindOfIndex(static_cast<int>(i))] { convertSelected(kind); });
    connect(ui.cancelConversionAction, &QAction::triggered, this, &PlayerWindow::cancelConversion);
    connect(ui.mailAction, &QAction::triggered, this, &PlayerWindow::mailSelected);
    connect(ui.loudnessAction, &QAction::triggered, this, &PlayerWindow::measureLoudness);
    connect(ui.renameAction, &QAction::triggered, this, &PlayerWindow::renameSelected);
    connect(ui.deleteAction, &QAction::triggered, this, &PlayerWindow::deleteSelected);
    connect(ui.mailButton, &QPushButton::clicked, this, &PlayerWindow::mailSelected);
    connect(ui.statusLine, &QLabel::linkActivated, this, [this](const QString& link) {
        const std::string folder = Platform::pathBytes(QUrl(link).toLocalFile());
        if (!Platform::shellOpen(folder))
            showMessage(Platform::pathFromBytes(Platform::shellOpenFailure(folder)));
    });
}

void PlayerWindow::connectPlayback() {
    connect(playback_, &PlaybackController::positionChanged, this, &PlayerWindow::showPlayedPosition);
    connect(playback_, &PlaybackController::stateChanged, this, &PlayerWindow::playbackStateChanged);
    connect(playback_, &PlaybackController::failed, this, &PlayerWindow::showMessage);
    connect(playback_, &PlaybackController::volumeChanged, this, [this](int volume) {
        const QSignalBlocker quiet(ui_->volumeSlider);
        ui_->volumeSlider->setValue(65535 - volume);
    });
}

// Space plays the selected file or pauses and resumes where no control takes it; Enter
// (or a double click) plays the row; Delete deletes the selected file (asking first) and
// F2 renames it; the media keys play, pause and stop where the desktop sends them to the
// window.
void PlayerWindow::buildKeys() {
    auto key = [this](QKeySequence sequence, auto action, QWidget* where) {
        auto* shortcut = new QShortcut(sequence, where);
        shortcut->setContext(where == this ? Qt::WindowShortcut : Qt::WidgetShortcut);
        connect(shortcut, &QShortcut::activated, this, action);
    };
    QWidget* list = ui_->playList;
    key(
        Qt::Key_Space, [this] { playback_->isActive() ? togglePause() : play(); }, list);
    key(
        Qt::Key_Return, [this] { play(); }, list);
    key(
        Qt::Key_Enter, [this] { play(); }, list);
    key(
        Qt::Key_Delete, [this] { deleteSelected(); }, list);
    key(
        Qt::Key_F2, [this] { renameSelected(); }, list);
    key(
        Qt::Key_MediaPlay, [this] { playback_->isActive() ? playback_->resume() : play(); }, this);
    key(
        Qt::Key_MediaPause, [this] { playback_->pause(); }, this);
    key(
        Qt::Key_MediaTogglePlayPause, [this] { playback_->isActive() ? togglePause() : play(); }, this);
    key(
        Qt::Key_MediaStop, [this] { stop(); }, this);
    key(
        QKeySequence(Qt::CTRL | Qt::Key_P), [this] { playback_->isActive() ? togglePause() : play(); }, this);
    addShortcut(ui_->cutterButton, QKeySequence(Qt::CTRL | Qt::Key_T));
    addShortcut(ui_->joinerButton, QKeySequence(Qt::CTRL | Qt::Key_J));
    addShortcut(ui_->optionsButton, QKeySequence(Qt::CTRL | Qt::Key_Comma));
    addShortcut(ui_->helpButton, QKeySequence::HelpContents);
}

// Space where no control takes it plays or pauses, as in the list.
void PlayerWindow::keyPressEvent(QKeyEvent* event) {
    if (event->key() != Qt::Key_Space || event->modifiers() != Qt::NoModifier)
        return QWidget::keyPressEvent(event);
    playback_->isActive() ? togglePause() : play();
    event->accept();
}

void PlayerWindow::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (!shown_) {
        shown_ = true;
        prepareOnShow();
    }
}

void PlayerWindow::prepareOnShow() {
    if (!Platform::folderExists(AppSettings::recordOutputPath))
        AppSettings::recordOutputPath = AppSettings::defaultRecordOutputPath;
    ui_->volumeSlider->setValue(65535 - playback_->volume());
    playback_->setMuted(false);
    ui_->folderTree->setFocus();
    // The folder listed last time, else the home folder.
    if (ui_->folderTree->selectedPath().isEmpty() &&
        (AppSettings::lastFolder.empty() ||
         !ui_->folderTree->selectPath(Platform::pathFromBytes(AppSettings::lastFolder))))
        ui_->folderTree->selectPath(Platform::pathFromBytes(Platform::homeFolder()));
    listSelectedFolder();
}

void PlayerWindow::closeEvent(QCloseEvent* event) {
    if (convertor_) {
        if (!confirm_ ||
            confirm_->ask(tr("Converting in progress, do you want to cancel ?"), false) != ConfirmDialog::ResultYes) {
            event->ignore();
            return;
        }
        // The worker really stops, and its partial file goes, before the window closes.
        cancelConversion();
        convertor_->wait();
        QCoreApplication::sendPostedEvents(this);
    }
    playback_->stop();
    QWidget::closeEvent(event);
}

bool PlayerWindow::eventFilter(QObject* watched, QEvent* event) {
    if (watched == ui_->progressSlider && event->type() == QEvent::MouseButtonRelease)
        QMetaObject::invokeMethod(this, &PlayerWindow::seekToReleasedPosition, Qt::QueuedConnection);
    if (watched == ui_->playList->viewport() && acceptsDrop(event))
        return true;
    return QWidget::eventFilter(watched, event);
}

bool PlayerWindow::acceptsDrop(QEvent* event) {
    const auto type = event->type();
    if (type != QEvent::DragEnter && type != QEvent::DragMove && type != QEvent::Drop)
        return false;
    auto* drop = static_cast<QDropEvent*>(event);
    const QStringList paths = localPathsOf(*drop->mimeData());
    if (paths.isEmpty())
        return false;
    drop->acceptProposedAction();
    if (type == QEvent::Drop)
        QMetaObject::invokeMethod(
            this, [this, path = paths.front()] { showPath(path); }, Qt::QueuedConnection);
    return true;
}

void PlayerWindow::showFolderChangeRefused() {
    if (confirm_)
        confirm_->ask(tr(folderChangeRefused), true);
}

void PlayerWindow::showMessage(const QString& text) {
    if (confirm_)
        confirm_->ask(text, true);
}

// ---- Listing ----

QString PlayerWindow::currentFolder() const {
    return files_->folder();
}

void PlayerWindow::listSelectedFolder() {
    const QString folder = ui_->folderTree->selectedPath();
    if (folder == currentFolder() && !files_->isListing())
        return;
    if (playback_->isActive() || !convertingFile_.isEmpty())
        return showFolderChangeRefused();
    listFolder(folder);
}

void PlayerWindow::listFolder(const QString& folder) {
    AppSettings::lastFolder = Platform::pathBytes(folder);
    files_->listFolder(folder);
    sortBy(AudioFileListModel::Name);
}

void PlayerWindow::refreshPlayList() {
    if (!currentFolder().isEmpty() && ui_->folderTree->selectedPath() != currentFolder())
        ui_->folderTree->selectPath(currentFolder()); // the folder listed is the one to list again
    // The selected file stays selected through the new listing (if it is still there).
    const QString selected = selectedFile();
    listFolder(ui_->folderTree->selectedPath());
    if (!selected.isEmpty() && fileToSelect_.isEmpty()) {
        fileToSelect_ = selected;
        reselecting_ = true;
    }
}

void PlayerWindow::sortBy(int column) {
    sorted_->sort(column, Qt::AscendingOrder);
}

void PlayerWindow::folderListed() {
    if (!fileToSelect_.isEmpty() && !(reselecting_ && !viewIndexOf(fileToSelect_).isValid()))
        selectFile(fileToSelect_);
    fileToSelect_.clear();
    reselecting_ = false;
}

QModelIndex PlayerWindow::viewIndexOf(const QString& path) const {
    const int row = files_->rowOfPath(path);
    return row < 0 ? QModelIndex() : sorted_->mapFromSource(files_->index(row, 0));
}

void PlayerWindow::selectFile(const QString& path) {
    const QModelIndex index = viewIndexOf(path);
    if (!index.isValid())
        return showMessage(tr("Cannot show \"%1\": it is not an audio file the program reads").arg(path));
    ui_->playList->setCurrentIndex(index);
    ui_->playList->scrollTo(index);
    showSelectedRow();
}

bool PlayerWindow::showPath(const QString& path) {
    const QFileInfo target(path);
    const QString folder = target.isDir() ? target.absoluteFilePath() : target.absolutePath();
    const bool audio =
        target.isDir() ||
        (isRegularFile(path) && !AppSettings::audioTypeOfFile(Platform::pathBytes(target.fileName())).empty());
    if (!target.exists() || !audio || !ui_->folderTree->selectPath(folder)) {
        showMessage(target.exists() ? tr("Cannot show \"%1\": it is not an audio file the program reads").arg(path)
                                    : tr("Cannot show \"%1\": there is no such file or folder").arg(path));
        return false;
    }
    listSelectedFolder();
    if (!target.isDir()) {
        fileToSelect_ = ui_->folderTree->selectedPath() + target.fileName();
        if (!files_->isListing())
            folderListed();
    }
    return true;
}

// The current row when it is selected (of several selected, the one last clicked), else
// the first selected.
QString PlayerWindow::selectedFile() const {
    const QItemSelectionModel* selection = ui_->playList->selectionModel();
    const QModelIndex current = ui_->playList->currentIndex();
    if (current.isValid() && selection->isRowSelected(current.row()))
        return current.siblingAtColumn(0).data(AudioFileListModel::PathRole).toString();
    const QModelIndexList rows = selection->selectedRows();
    return rows.isEmpty() ? QString() : rows.first().data(AudioFileListModel::PathRole).toString();
}

QStringList PlayerWindow::selectedFiles() const {
    QStringList files;
    for (const QModelIndex& row : ui_->playList->selectionModel()->selectedRows())
        files << row.data(AudioFileListModel::PathRole).toString();
    return files;
}

void PlayerWindow::showSelectedRow() {
    const QString file = selectedFile();
    if (file.isEmpty())
        return;
    try {
        AudioInfo info;
        info.setInfoOption(true);
        info.open(Platform::pathBytes(file));
        ui_->fileInfoLabel->setText(Platform::pathFromBytes(info.formatText()));
    } catch (const EngineError& error) {
        ui_->fileInfoLabel->setText(QString::fromUtf8(error.what()));
    }
}

// ---- The doors to the other windows ----

void PlayerWindow::openCutter() {
    const QString file = selectedFile();
    if (file.isEmpty())
        return showMessage(tr("Please select an audio file"));
    openCutterOn(file);
}

void PlayerWindow::openCutterOn(const QString& path) {
    if (cutter_ && cutter_->openFile(path))
        cutter_->exec();
}

void PlayerWindow::openJoiner() {
    ui_->folderTree->setFocus();
    if (!joiner_)
        return;
    joiner_->setTreeFolder(ui_->folderTree->selectedPath());
    joiner_->exec();
}

void PlayerWindow::openOptions() {
    if (options_)
        options_->exec();
}

void PlayerWindow::openHelp() {
    const std::string help = Platform::helpDocumentPath();
    if (!Platform::shellOpen(help))
        showMessage(Platform::pathFromBytes(Platform::shellOpenFailure(help)));
}

// ---- Playback ----

void PlayerWindow::play() {
    const QString file = selectedFile();
    if (file.isEmpty())
        return;
    ui_->progressSlider->setValue(0);
    playback_->play(file, {});
}

bool PlayerWindow::playNeighbour(int step) {
    const QModelIndex playing = viewIndexOf(playback_->file());
    const QModelIndex from = playback_->isActive() && playing.isValid() ? playing : ui_->playList->currentIndex();
    const int row = (from.isValid() ? from.row() : -1) + step;
    if (row < 0 || row >= sorted_->rowCount())
        return false;
    ui_->playList->setCurrentIndex(sorted_->index(row, 0));
    play();
    return true;
}

void PlayerWindow::togglePause() {
    playback_->togglePause();
}

void PlayerWindow::stop() {
    playback_->stop();
}

// The playing file's row in bold; the position and the level display follow.
void PlayerWindow::playbackStateChanged() {
    const bool active = playback_->isActive();
    if (!active) {
        for (int row = 0; row < files_->rowCount(); ++row)
            if (files_->stateOf(files_->fileAt(row).path) == AudioFileListModel::RowState::Playing)
                files_->setState(files_->fileAt(row).path, AudioFileListModel::RowState::Idle);
        ui_->levelDisplay->showData(AudioBlock{});
        ui_->progressSlider->setValue(0);
        ui_->timeLabel->clear();
    } else {
        files_->setState(playback_->file(), AudioFileListModel::RowState::Playing);
        ui_->levelDisplay->setSampleRate(playback_->sampleRate());
    }
    ui_->progressSlider->setEnabled(active);
}

bool PlayerWindow::progressHeld() const {
    if (ui_->progressSlider->isSliderDown())
        return true;
    const QPoint at = ui_->progressSlider->mapFromGlobal(QCursor::pos());
    return (QGuiApplication::mouseButtons() & Qt::LeftButton) && ui_->progressSlider->rect().contains(at);
}

void PlayerWindow::seekToReleasedPosition() {
    playback_->seekToFrame(
        std::llround(static_cast<double>(ui_->progressSlider->value()) * playback_->lengthFrames() / 1000.0));
}

void PlayerWindow::showPlayedPosition(int64_t ms) {
    ui_->levelDisplay->showData(playback_->visualData(ui_->levelDisplay->fftWindowsSize));
    if (playback_->lengthFrames() > 0 && !progressHeld())
        ui_->progressSlider->setValue(static_cast<int>(
            std::min<int64_t>(std::llround(playback_->positionFrame() * 1000.0 / playback_->lengthFrames()), 1000)));
    files_->setStatus(playback_->file(), tr("Playing ") + QString::fromStdString(AppSettings::formatHmsColon(ms)));
    const int64_t total = playback_->lengthFrames() * 1000 / std::max(playback_->sampleRate(), 1);
    ui_->timeLabel->setText(
        QString::fromStdString(AppSettings::formatHmsColon(ms) + " / " + AppSettings::formatHmsColon(total)));
}

// ---- Volume and equaliser ----

void PlayerWindow::toggleMute() {
    playback_->setMuted(ui_->muteButton->isChecked());
}

void PlayerWindow::toggleEqualizer() {
    playback_->setEqualizerEnabled(ui_->equalizerButton->isChecked());
}

void PlayerWindow::applyEqualizer() {
    std::vector<float> bands(12);
    for (size_t i = 0; i < bands.size(); ++i)
        bands[i] = -static_cast<float>(ui_->equalizerSliders[i]->value()) / 1000.0f;
    playback_->setEqualizerBands(bands);
}

void PlayerWindow::loadEqualizerPreset(int preset) {
    for (size_t i = 0; i < ui_->equalizerSliders.size(); ++i) {
        const int position = preset == PresetCustom ? AppSettings::equalizerPositions[i]
                                                    : presets[static_cast<size_t>(std::clamp(preset, 0, 5))][i];
        ui_->equalizerSliders[i]->setValue(position);
        ui_->equalizerSliders[i]->setToolTip(
            ui_->equalizerSliders[i]->toolTip().section(':', 0, 0) +
            QString(": %1 dB").arg(-static_cast<double>(position) / 1000.0, 0, 'f', 1));
    }
    applyEqualizer();
}

void PlayerWindow::applyEqualizerSliders() {
    if (!equalizerDragging_)
        return;
    for (size_t i = 0; i < ui_->equalizerSliders.size(); ++i)
        AppSettings::equalizerPositions[i] = ui_->equalizerSliders[i]->value();
    applyEqualizer();
    ui_->equalizerPresetBox->setCurrentIndex(PresetCustom);
}
