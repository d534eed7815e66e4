#include "PlayerWindow.h"

#include <algorithm>
#include <cmath>

#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QCursor>
#include <QDirIterator>
#include <QDropEvent>
#include <QFileInfo>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QVBoxLayout>
#include <QMimeData>
#include <QHeaderView>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QShortcut>
#include <QSlider>
#include <QSplitter>
#include <QTreeWidget>

#include "PlaybackRead.h"
#include "LevelDisplay.h"
#include "ConfirmDialog.h"
#include "ConvertWorker.h"
#include "JoinerWindow.h"
#include "FileListRows.h"
#include "FileNames.h"
#include "FolderTree.h"
#include "ThemedIcons.h"
#include "WindowGeometry.h"
#include "AppSettings.h"
#include "OptionsDialog.h"
#include "ShellOpen.h"
#include "SpecialFolders.h"
#include "CutterWindow.h"

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

// The window's texts are mostly file names and paths: they keep the file system's bytes.
QString qs(const std::string& text) {
    return Platform::pathFromBytes(text);
}
std::string ss(const QString& text) {
    return Platform::pathBytes(text);
}

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

} // namespace

PlayerWindow::PlayerWindow(QWidget* parent) : QWidget(parent) {
    setObjectName("playerWindow");
    setWindowTitle(tr("Zelvo MP3 Player"));
    Platform::fillSharedFolders();
    info_.setInfoOption(true);
    input_.setFileOption(true);
    output_.setFileOption(true);
    buildControls();
    resize(sizeHint().expandedTo(QSize(760, 560)));
    keepGeometry(this, AppSettings::playerGeometry);

    player_.onRequestOnLoadArray = [this](AudioPlayer&) { feedPlayer(); };
    player_.onEndArrayPlay = [this](AudioPlayer&) { feedPlayer(); };
    player_.onTimer = [this](AudioPlayer&, int current, int, int) { showPlayedPosition(current); };
    player_.onEndPlay = [this](AudioPlayer&) { stopPlayback(); };
    created_ = true;
}

PlayerWindow::~PlayerWindow() = default;

void PlayerWindow::setWindows(OptionsDialog* options, ConfirmDialog* confirm, CutterWindow* splitter,
                              JoinerWindow* joiner) {
    options_ = options;
    confirm_ = confirm;
    cutter_ = splitter;
    joiner_ = joiner;
}

void PlayerWindow::buildControls() {
    auto* layout = new QVBoxLayout(this);
    auto* top = new QHBoxLayout;
    cutterButton_ = makeButton(this, "cutterButton", tr("Zovozu"), tr("MP3 Zovozu"));
    joinerButton_ = makeButton(this, "joinerButton", tr("Darozu"), tr("MP3 Darozu"));
    optionsButton_ = makeButton(this, "optionsButton", tr("Options"), tr("Options"));
    helpButton_ = makeButton(this, "helpButton", tr("Help"), tr("Help"));
    for (QPushButton* button : {cutterButton_, joinerButton_, optionsButton_, helpButton_})
        top->addWidget(button);
    top->addStretch(1);
    connect(cutterButton_, &QPushButton::clicked, this, &PlayerWindow::openCutter);
    connect(joinerButton_, &QPushButton::clicked, this, &PlayerWindow::openJoiner);
    connect(optionsButton_, &QPushButton::clicked, this, &PlayerWindow::openOptions);
    connect(helpButton_, &QPushButton::clicked, this, &PlayerWindow::openHelp);
    layout->addLayout(top);

    auto* middle = new QHBoxLayout;
    levelDisplay_ = new LevelDisplay(this);
    levelDisplay_->setObjectName("AD");
    levelDisplay_->setMinimumSize(255, 113); // its bars follow its size
    levelDisplay_->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Expanding);
    middle->addWidget(levelDisplay_);
    volumeSlider_ = makeSlider(this, "volumeSlider", Qt::Vertical, 0, 65535, tr("Volume"));
    volumeSlider_->setToolTip(tr("Adjust playback volume"));
    volumeSlider_->setValue(65535);
    connect(volumeSlider_, &QSlider::valueChanged, this, &PlayerWindow::setVolumeFromSlider);
    muteButton_ = makeButton(this, "muteButton", "M", tr("Mute playback volume"));
    muteButton_->setCheckable(true);
    showThemedIcon(muteButton_, "audio-volume-muted", QStyle::SP_MediaVolumeMuted);
    connect(muteButton_, &QPushButton::clicked, this, &PlayerWindow::toggleMute);
    auto* volume = new QVBoxLayout;
    volume->addWidget(volumeSlider_, 1, Qt::AlignHCenter);
    volume->addWidget(muteButton_);
    middle->addLayout(volume);
    middle->addLayout(buildEqualizer(), 1);
    layout->addLayout(middle);
    layout->addWidget(buildPlayList(), 1);

    progressSlider_ = makeSlider(this, "progressSlider", Qt::Horizontal, 0, 1000, tr("Playback position"));
    progressSlider_->setPageStep(10);
    progressSlider_->setEnabled(false);
    progressSlider_->installEventFilter(this);
    layout->addWidget(progressSlider_);
    // Files and folders dropped from a file manager are shown as if given on the command line.
    playList_->setAcceptDrops(true);
    playList_->viewport()->installEventFilter(this);

    auto* bottom = new QHBoxLayout;
    playButton_ = makeButton(this, "playButton", ">", tr("Play the selected file"));
    stopButton_ = makeButton(this, "stopButton", "[]", tr("Stop playing"));
    pauseButton_ = makeButton(this, "pauseButton", "||", tr("Pause playing"));
    mailButton_ = makeButton(this, "mailButton", "@", tr("Share selected file by email"));
    showThemedIcon(playButton_, "media-playback-start", QStyle::SP_MediaPlay);
    showThemedIcon(stopButton_, "media-playback-stop", QStyle::SP_MediaStop);
    showThemedIcon(pauseButton_, "media-playback-pause", QStyle::SP_MediaPause);
    showThemedIcon(mailButton_, "mail-send", QStyle::SP_DialogOkButton);
    connect(playButton_, &QPushButton::clicked, this, &PlayerWindow::play);
    connect(stopButton_, &QPushButton::clicked, this, &PlayerWindow::stop);
    connect(pauseButton_, &QPushButton::clicked, this, &PlayerWindow::pause);
    for (QPushButton* button : {playButton_, stopButton_, pauseButton_, mailButton_})
        bottom->addWidget(button);
    fileInfoLabel_ = new QLabel(this);
    fileInfoLabel_->setObjectName("fileInfoLabel");
    fileInfoLabel_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    bottom->addSpacing(12);
    bottom->addWidget(fileInfoLabel_, 1);
    layout->addLayout(bottom);
    levelDisplayButton_ = makeButton(this, "levelDisplayButton", "", "");
    levelDisplayButton_->hide();
    buildKeys();
    buildMenu();
}

// Space plays the selected file or pauses and resumes; Enter (or a double click) plays
// the row; Delete deletes the selected file (asking first) and F2 renames it; the
// media keys play, pause, and stop where the desktop sends them to the window.
void PlayerWindow::buildKeys() {
    auto key = [this](QKeySequence sequence, auto action, Qt::ShortcutContext context = Qt::WindowShortcut) {
        auto* shortcut =
            new QShortcut(sequence, context == Qt::WindowShortcut ? static_cast<QWidget*>(this) : playList_);
        shortcut->setContext(context);
        connect(shortcut, &QShortcut::activated, this, action);
    };
    key(Qt::Key_Space, [this] { playingRow_ == -1 ? play() : pause(); });
    key(
        Qt::Key_Return, [this] { play(); }, Qt::WidgetShortcut);
    key(
        Qt::Key_Enter, [this] { play(); }, Qt::WidgetShortcut);
    key(
        Qt::Key_Delete, [this] { deleteSelected(); }, Qt::WidgetShortcut);
    key(
        Qt::Key_F2, [this] { renameSelected(); }, Qt::WidgetShortcut);
    key(Qt::Key_MediaPlay, [this] { playingRow_ == -1 ? play() : (paused_ ? pause() : void()); });
    key(Qt::Key_MediaPause, [this] {
        if (playingRow_ != -1 && !paused_)
            pause();
    });
    key(Qt::Key_MediaTogglePlayPause, [this] { playingRow_ == -1 ? play() : pause(); });
    key(Qt::Key_MediaStop, [this] { stop(); });
    connect(playList_, &QTreeWidget::itemDoubleClicked, this, [this] { play(); });
}

QLayout* PlayerWindow::buildEqualizer() {
    auto* equalizer = new QGridLayout;
    equalizerButton_ = makeButton(this, "equalizerButton", "EQ", tr("Use EQ"));
    equalizerButton_->setCheckable(true);
    equalizerButton_->setChecked(true);
    connect(equalizerButton_, &QPushButton::clicked, this, &PlayerWindow::toggleEqualizer);
    equalizer->addWidget(equalizerButton_, 1, 0, Qt::AlignVCenter);
    for (int n = 0; n < 12; ++n) {
        QSlider* band = makeSlider(this, qPrintable(QString("tbEQ%1").arg(n + 1)), Qt::Vertical, -15000, 15000,
                                   tr("Equaliser band %1").arg(n + 1));
        band->setPageStep(2);
        band->setSingleStep(1);
        connect(band, &QSlider::sliderPressed, this, [this] { equalizerDragging_ = true; });
        connect(band, &QSlider::sliderReleased, this, [this] { equalizerDragging_ = false; });
        connect(band, &QSlider::valueChanged, this, &PlayerWindow::applyEqualizerSliders);
        equalizerSliders_[static_cast<size_t>(n)] = band;
        equalizer->addWidget(band, 1, n + 1, Qt::AlignHCenter);
    }
    equalizerPresetBox_ = new QComboBox(this);
    equalizerPresetBox_->setObjectName("equalizerPresetBox");
    equalizerPresetBox_->setToolTip(tr("Select EQ mode"));
    equalizerPresetBox_->setAccessibleName(tr("EQ mode"));
    equalizerPresetBox_->addItems(
        {tr("Pop"), tr("Disco"), tr("Background"), tr("Movie"), tr("News"), tr("Flat"), tr("Custom")});
    equalizerPresetBox_->setCurrentIndex(PresetFlat);
    connect(equalizerPresetBox_, &QComboBox::currentIndexChanged, this, &PlayerWindow::applyEqualizerPreset);
    equalizerModeButton_ = makeButton(this, "equalizerModeButton", "v", tr("Select EQ mode"));
    showThemedIcon(equalizerModeButton_, "go-down", QStyle::SP_ArrowDown);
    connect(equalizerModeButton_, &QPushButton::clicked, equalizerPresetBox_, &QComboBox::showPopup);
    auto* mode = new QHBoxLayout;
    mode->addStretch(1);
    mode->addWidget(equalizerPresetBox_);
    mode->addWidget(equalizerModeButton_);
    equalizer->addLayout(mode, 0, 0, 1, 13);
    equalizer->setRowStretch(1, 1);
    return equalizer;
}

QWidget* PlayerWindow::buildPlayList() {
    auto* plFileBack = new QSplitter(Qt::Horizontal, this);
    plFileBack->setObjectName("plFileBack");
    plFileBack->setChildrenCollapsible(false);
    folderTree_ = new FolderTree(plFileBack);
    folderTree_->setObjectName("folderTree");
    folderTree_->setAccessibleName(tr("Folders"));
    folderTree_->canChangeFolder = [this] { return playingRow_ == -1 && convertingRow_ == -1; };
    folderTree_->onChangeRefused = [this] { showFolderChangeRefused(); };
    connect(folderTree_, &QTreeView::clicked, this, &PlayerWindow::listSelectedFolder);
    connect(folderTree_, &FolderTree::folderPicked, this, &PlayerWindow::listSelectedFolder);

    playList_ = new QTreeWidget(plFileBack);
    playList_->setObjectName("playList");
    playList_->setAccessibleName(tr("Files"));
    playList_->setRootIsDecorated(false);
    playList_->setUniformRowHeights(true);
    playList_->setSelectionMode(QAbstractItemView::SingleSelection);
    playList_->setSelectionBehavior(QAbstractItemView::SelectRows);
    playList_->setAllColumnsShowFocus(true);
    playList_->setHeaderLabels({tr("File name"), tr("Format"), tr("Duration"), tr("Size"), tr("Status")});
    const QFontMetrics metrics = playList_->fontMetrics();
    const int widths[] = {metrics.horizontalAdvance(QString(24, 'n')), metrics.horizontalAdvance("FLAC") + 24,
                          metrics.horizontalAdvance("000 : 00 : 000") + 24, metrics.horizontalAdvance("000.00 MB") + 24,
                          metrics.horizontalAdvance(tr("Converting 100%")) + 24};
    for (int column = 0; column < 5; ++column)
        playList_->setColumnWidth(column, widths[column]);
    playList_->headerItem()->setTextAlignment(ColDuration, Qt::AlignRight | Qt::AlignVCenter);
    playList_->headerItem()->setTextAlignment(ColSize, Qt::AlignRight | Qt::AlignVCenter);
    playList_->headerItem()->setTextAlignment(ColStatus, Qt::AlignCenter);
    playList_->header()->setSectionsClickable(true);
    playList_->header()->setSortIndicatorShown(false);
    connect(playList_->header(), &QHeaderView::sectionClicked, this, [this](int column) {
        sortColumn_ = column;
        sortPlayList();
    });
    connect(playList_, &QTreeWidget::itemClicked, this, &PlayerWindow::showSelectedRow);
    // Moving through the rows with the keys shows each file's format as a click does (a
    // click shows it through itemClicked, once).
    connect(playList_, &QTreeWidget::currentItemChanged, this, [this] {
        if (playList_->hasFocus() && QGuiApplication::mouseButtons() == Qt::NoButton)
            showSelectedRow();
    });
    plFileBack->setSizes({220, 540});
    return plFileBack;
}

void PlayerWindow::buildMenu() {
    contextMenu_ = new QMenu(this);
    contextMenu_->setObjectName("contextMenu");
    auto item = [this](const char* name, const QString& text) {
        QAction* action = contextMenu_->addAction(text);
        action->setObjectName(name);
        action->setEnabled(false);
        return action;
    };
    convertToWavAction_ = item("convertToWavAction", tr("Convert to WAV"));
    convertToMp3Action_ = item("convertToMp3Action", tr("Convert to MP3"));
    convertToOggAction_ = item("convertToOggAction", tr("Convert to OGG"));
    convertToWmaAction_ = item("convertToWmaAction", tr("Convert to WMA"));
    convertToFlacAction_ = item("convertToFlacAction", tr("Convert to FLAC"));
    cancelConversionAction_ = item("cancelConversionAction", tr("Cancel"));
    mailAction_ = item("mailAction", tr("Email"));
    renameAction_ = item("renameAction", tr("Rename"));
    deleteAction_ = item("deleteAction", tr("Delete"));
    playList_->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(playList_, &QWidget::customContextMenuRequested, this, [this](const QPoint& at) {
        enableMenuActions();
        contextMenu_->popup(playList_->viewport()->mapToGlobal(at));
    });
    connect(convertToWavAction_, &QAction::triggered, this, [this] { convertSelected("WAV"); });
    connect(convertToMp3Action_, &QAction::triggered, this, [this] { convertSelected("MP3"); });
    connect(convertToOggAction_, &QAction::triggered, this, [this] { convertSelected("OGG"); });
    connect(convertToWmaAction_, &QAction::triggered, this, [this] { convertSelected("WMA"); });
    connect(convertToFlacAction_, &QAction::triggered, this, [this] { convertSelected("FLAC"); });
    connect(cancelConversionAction_, &QAction::triggered, this, &PlayerWindow::cancelConversion);
    connect(mailAction_, &QAction::triggered, this, &PlayerWindow::mailSelected);
    connect(renameAction_, &QAction::triggered, this, &PlayerWindow::renameSelected);
    connect(deleteAction_, &QAction::triggered, this, &PlayerWindow::deleteSelected);
    connect(mailButton_, &QPushButton::clicked, this, &PlayerWindow::mailSelected);
    installRenameEditor();
}

void PlayerWindow::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (!shown_) {
        shown_ = true;
        prepareOnShow();
    }
}

void PlayerWindow::prepareOnShow() {
    levelDisplayButton_->setFocus();
    playingRow_ = -1;
    convertingRow_ = -1;
    if (!Platform::folderExists(AppSettings::recordOutputPath))
        AppSettings::recordOutputPath = AppSettings::defaultRecordOutputPath;
    progressSlider_->setValue(0);
    progressSlider_->setEnabled(false);
    volumeReady_ = true;
    initVolume();
    folderTree_->setFocus();
    // The folder listed last time, else the home folder.
    if (folderTree_->selectedPath().isEmpty() &&
        (AppSettings::lastFolder.empty() || !folderTree_->selectPath(Platform::pathFromBytes(AppSettings::lastFolder))))
        folderTree_->selectPath(qs(Platform::homeFolder()));
    listSelectedFolder();
}

void PlayerWindow::closeEvent(QCloseEvent* event) {
    if (convertingRow_ != -1) {
        if (!confirm_ ||
            confirm_->ask(tr("Converting in progress, do you want to cancel ?"), false) != ConfirmDialog::ResultYes) {
            event->ignore();
            return;
        }
        // The worker really stops, and its partial file goes, before the window closes.
        cancelConversion();
        if (convertor_)
            convertor_->wait();
        QCoreApplication::sendPostedEvents(this);
    }
    stopPlayback();
    QWidget::closeEvent(event);
}

bool PlayerWindow::eventFilter(QObject* watched, QEvent* event) {
    if (watched == progressSlider_ && event->type() == QEvent::MouseButtonRelease)
        QMetaObject::invokeMethod(this, &PlayerWindow::seekToReleasedPosition, Qt::QueuedConnection);
    if (watched == playList_->viewport() && acceptsDrop(event))
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
    if (created_ && confirm_)
        confirm_->ask(tr(folderChangeRefused), true);
}

// ---- Listing ----

void PlayerWindow::listSelectedFolder() {
    if (listing_) {
        listingRestart_ = true;
    } else if (playingRow_ == -1 && convertingRow_ == -1) {
        listCurrentFolder();
    } else if (folderTree_->selectedPath() != currentFolder_) {
        showFolderChangeRefused();
    }
}

bool PlayerWindow::showPath(const QString& path) {
    const QFileInfo target(path);
    const QString folder = target.isDir() ? target.absoluteFilePath() : target.absolutePath();
    const bool listed = folderTree_->selectPath(folder);
    const int row = target.isDir() ? -1 : findRow(target.fileName());
    if (listed && row >= 0) {
        playList_->setCurrentItem(playList_->topLevelItem(row));
        showSelectedRow();
    }
    if (listed && (target.isDir() || row >= 0))
        return true;
    if (confirm_)
        confirm_->ask(target.exists() ? tr("Cannot show \"%1\": it is not an audio file the program reads").arg(path)
                                      : tr("Cannot show \"%1\": there is no such file or folder").arg(path),
                      true);
    return false;
}

void PlayerWindow::appendRow(const QString& name, const QString& format, const QString& duration, const QString& size,
                             const QString& status) {
    auto* item = new QTreeWidgetItem(playList_, {name, format, duration, size, status});
    item->setTextAlignment(ColDuration, Qt::AlignRight | Qt::AlignVCenter);
    item->setTextAlignment(ColSize, Qt::AlignRight | Qt::AlignVCenter);
    item->setTextAlignment(ColStatus, Qt::AlignCenter);
    item->setFlags(item->flags() | Qt::ItemIsEditable);
}

void PlayerWindow::listCurrentFolder() {
    listing_ = true;
    sortColumn_ = 0;
    currentFolder_ = currentFolder_.trimmed();
    if (!currentFolder_.isEmpty() && !currentFolder_.endsWith('/'))
        currentFolder_ += '/';
    const QString tree = folderTree_->selectedPath();
    if (tree == currentFolder_) {
        listing_ = false;
        return;
    }
    const QString playingFile = playingRow_ >= 0 ? rowFileName(playingRow_) : QString();
    const QString convertingFile = convertingRow_ >= 0 ? rowFileName(convertingRow_) : QString();
    currentFolder_ = tree;
    AppSettings::lastFolder = Platform::pathBytes(currentFolder_);
    playList_->clear();
    playingRow_ = convertingRow_ = -1;
    bool stopped = false;
    if (!currentFolder_.isEmpty()) {
        for (const ListedFile& file : listedAudioFiles(currentFolder_)) {
            appendRow(file.name, qs(AppSettings::audioTypeOfFile(Platform::pathBytes(file.name))),
                      durationTextOf(info_, file.path), qs(AppSettings::formatFileSize(file.size)), " ");
            QCoreApplication::processEvents();
            if (listingRestart_) {
                stopped = true;
                break;
            }
        }
    }
    if (!stopped && playList_->topLevelItemCount() > 0)
        sortPlayList();
    restoreRowStates(playingFile, convertingFile);
    listing_ = false;
    if (listingRestart_) {
        listingRestart_ = false;
        // The interrupted list is incomplete: the folder picked is listed whole, even
        // when it is the same one.
        currentFolder_.clear();
        listSelectedFolder();
    }
    listingRestart_ = false;
}

// After a new listing of the same folder, the playing and the converting file get their
// rows' marks back.
void PlayerWindow::restoreRowStates(const QString& playingFile, const QString& convertingFile) {
    if (!playingFile.isEmpty() && (playingRow_ = findRow(playingFile)) >= 0)
        setRowMarker(playingRow_, markerPlaying);
    if (!convertingFile.isEmpty() && (convertingRow_ = findRow(convertingFile)) >= 0)
        setRowMarker(convertingRow_, markerConverting);
}

void PlayerWindow::refreshPlayList() {
    const bool busy = playingRow_ != -1 || convertingRow_ != -1;
    if (busy && folderTree_->selectedPath() != currentFolder_)
        folderTree_->selectPath(currentFolder_); // the folder that plays is the one to list again
    currentFolder_.clear();
    listCurrentFolder();
}

void PlayerWindow::sortPlayList() {
    sortFileList(playList_, sortColumn_, ColSize);
    playingRow_ = convertingRow_ = -1;
    for (int row = 0; row < rowCount(); ++row) {
        if (rowMarker(row) == markerPlaying)
            playingRow_ = row;
        else if (rowMarker(row) == markerConverting)
            convertingRow_ = row;
    }
}

void PlayerWindow::addFileRow(const QString& path) {
    const QString name = path.mid(path.lastIndexOf('/') + 1);
    const QString format = qs(AppSettings::audioTypeOfFile(ss(path)));
    const QString duration = durationTextOf(info_, path);
    const QString size = qs(AppSettings::formatFileSize(std::max<int64_t>(fileSizeOf(path), 0)));
    // A file written over a listed one takes over its row (and keeps the row's marker).
    if (const int row = findRow(name); row >= 0) {
        QTreeWidgetItem* item = playList_->topLevelItem(row);
        const QString marker = item->text(ColDuration).left(rowMarker(row));
        item->setText(ColFormat, format);
        item->setText(ColDuration, marker + duration);
        item->setText(ColSize, size);
        return;
    }
    appendRow(name, format, duration, size, "");
}

int PlayerWindow::rowCount() const {
    return playList_->topLevelItemCount();
}

QString PlayerWindow::rowFileName(int row) const {
    const QTreeWidgetItem* item = playList_->topLevelItem(row);
    return item ? item->text(ColName) : QString();
}

int PlayerWindow::findRow(const QString& fileName) const {
    for (int row = 0; row < rowCount(); ++row)
        if (rowFileName(row) == fileName)
            return row;
    return -1;
}

int PlayerWindow::rowMarker(int row) const {
    const QTreeWidgetItem* item = playList_->topLevelItem(row);
    return item ? AppSettings::trimmedCount(ss(item->text(ColDuration))) : MarkerIdle;
}

void PlayerWindow::setRowMarker(int row, int marker) {
    QTreeWidgetItem* item = playList_->topLevelItem(row);
    if (!item)
        return;
    item->setText(ColDuration, qs(AppSettings::indentText(ss(item->text(ColDuration)), marker)));
    paintRow(row);
}

void PlayerWindow::paintRow(int row) {
    QTreeWidgetItem* item = playList_->topLevelItem(row);
    // The playing row in bold, the converting one in italics, in the theme's own colours.
    const int marker = rowMarker(row);
    QFont font = playList_->font();
    font.setBold(marker == markerPlaying);
    font.setItalic(marker == markerConverting);
    for (int column = 0; column < 5; ++column)
        item->setFont(column, font);
}

void PlayerWindow::showSelectedRow() {
    const QList<QTreeWidgetItem*> selected = playList_->selectedItems();
    if (selected.size() != 1)
        return;
    try {
        info_.open(ss(currentFolder_ + selected.first()->text(ColName)));
        fileInfoLabel_->setText(qs(info_.formatText()));
    } catch (const EngineError& error) {
        fileInfoLabel_->setText(QString::fromUtf8(error.what()));
    }
}

// ---- The doors to the other windows ----

void PlayerWindow::openCutter() {
    const QList<QTreeWidgetItem*> selected = playList_->selectedItems();
    if (selected.isEmpty()) {
        if (confirm_)
            confirm_->ask(tr("Please select an audio file"), true);
        return;
    }
    if (!cutter_)
        return;
    cutter_->openFile(currentFolder_ + selected.first()->text(ColName));
    cutter_->exec();
}

void PlayerWindow::openJoiner() {
    folderTree_->setFocus();
    if (!joiner_)
        return;
    joiner_->setTreeFolder(folderTree_->selectedPath());
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
    paused_ = false;
    const QList<QTreeWidgetItem*> selected = playList_->selectedItems();
    if (selected.size() != 1)
        return;
    if (playingRow_ != -1) {
        setRowMarker(playingRow_, MarkerIdle);
        playList_->topLevelItem(playingRow_)->setText(ColStatus, "");
    }
    playingRow_ = playList_->indexOfTopLevelItem(selected.first());
    setRowMarker(playingRow_, markerPlaying);
    playFile(currentFolder_ + selected.first()->text(ColName));
    if (onPlaybackChange)
        onPlaybackChange();
}

int PlayerWindow::seekToProgress() {
    return file_.seek(static_cast<int>(progressFrame()));
}

int64_t PlayerWindow::progressFrame() const {
    return std::llround(static_cast<double>(progressSlider_->value()) * file_.totalFrames() / 1000.0);
}

void PlayerWindow::playFile(const QString& path) {
    progressSlider_->setValue(0);
    progressSlider_->setEnabled(true);
    player_.stop();
    file_.close();
    file_.setFileOption(true);
    file_.openForRead(ss(path));
    playBase_ = 0;
    // A file that cannot be opened, holds no audio or cannot start returns its row to idle.
    if (file_.errorCode() != 0 || file_.totalFrames() == 0) {
        stopPlayback();
        return;
    }
    lengthFrames_ = file_.totalFrames();
    player_.setFormat(file_.streamSampleRate(), file_.streamChannels());
    levelDisplay_->setSampleRate(file_.streamSampleRate());
    blockFrames_ = player_.msToSamples(400);
    playBase_ = seekToProgress();
    player_.play();
    if (player_.playError() != 0)
        stopPlayback();
}

void PlayerWindow::feedPlayer() {
    if (!file_.isReading())
        return;
    player_.queueBlock(
        readBlockForPlayback(file_, blockFrames_, this, [this](const QString& text) { showMessage(text); }));
}

void PlayerWindow::stopPlayback() {
    player_.stop();
    file_.close();
    levelDisplay_->showData(AudioBlock{});
    progressSlider_->setEnabled(false);
    progressSlider_->setValue(0);
    if (playingRow_ != -1) {
        setRowMarker(playingRow_, MarkerIdle);
        if (QTreeWidgetItem* item = playList_->topLevelItem(playingRow_))
            item->setText(ColStatus, "");
        playingRow_ = -1;
    }
    if (onPlaybackChange)
        onPlaybackChange();
}

void PlayerWindow::stop() {
    paused_ = false;
    stopPlayback();
}

void PlayerWindow::pause() {
    paused_ = !paused_;
    if (playingRow_ == -1)
        return;
    if (paused_)
        pausePlayback();
    else
        resumePlayback();
    if (onPlaybackChange)
        onPlaybackChange();
}

void PlayerWindow::pausePlayback() {
    playBase_ += player_.playedFrames();
    player_.stop();
}

void PlayerWindow::resumePlayback() {
    if (!file_.isReading())
        return;
    file_.seek(static_cast<int>(playBase_ + 1));
    player_.play();
    if (player_.playError() != 0)
        stopPlayback();
}

bool PlayerWindow::progressHeld() const {
    if (progressSlider_->isSliderDown())
        return true;
    const QPoint at = progressSlider_->mapFromGlobal(QCursor::pos());
    return (QGuiApplication::mouseButtons() & Qt::LeftButton) && progressSlider_->rect().contains(at);
}

void PlayerWindow::seekToReleasedPosition() {
    if (file_.isReading())
        seekToFrame(progressFrame());
}

void PlayerWindow::seekToFrame(int64_t frame) {
    if (playingRow_ == -1 || !file_.isReading())
        return;
    player_.stop();
    playBase_ = file_.seek(static_cast<int>(std::clamp<int64_t>(frame, 0, file_.totalFrames())));
    player_.play();
    feedPlayer();
}

int64_t PlayerWindow::playedFrame() const {
    return playingRow_ == -1 ? 0 : playBase_ + (paused_ ? 0 : player_.playedFrames());
}

void PlayerWindow::showPlayedPosition(int currentSamples) {
    // The level values of the event are levels, not positions: the position is the
    // count of frames played alone.
    const int played = currentSamples;
    levelDisplay_->showData(player_.visualData(levelDisplay_->fftWindowsSize));
    if (lengthFrames_ > 0 && !progressHeld()) {
        const int64_t position = std::min<int64_t>(std::llround((played + playBase_) * 1000.0 / lengthFrames_), 1000);
        progressSlider_->setValue(static_cast<int>(position));
    }
    if (QTreeWidgetItem* item = playList_->topLevelItem(playingRow_))
        item->setText(ColStatus, tr("Playing ") + qs(AppSettings::formatHmsColon(player_.samplesToMs(played))));
}

// ---- Volume and equaliser ----

void PlayerWindow::initVolume() {
    const int count = player_.volumeLineCount();
    if (count < 1)
        return;
    int line = 0;
    for (int i = 0; i < count; ++i) {
        player_.selectVolumeLine(i);
        if (player_.isVolumeLineActive()) {
            line = i;
            break;
        }
    }
    player_.selectVolumeLine(line);
    volumeSlider_->setValue(65535 - player_.volume());
    player_.setMute(false);
}

void PlayerWindow::setVolumeFromSlider(int position) {
    if (volumeReady_)
        player_.setVolume(65535 - position);
}

void PlayerWindow::toggleMute() {
    muted_ = !muted_;
    muteButton_->setChecked(muted_);
    player_.setMute(muted_);
}

void PlayerWindow::toggleEqualizer() {
    equalizerOn_ = !equalizerOn_;
    equalizerButton_->setChecked(equalizerOn_);
    player_.setEqualizerEnabled(equalizerOn_);
}

void PlayerWindow::applyEqualizer() {
    std::vector<float> bands(12);
    for (size_t i = 0; i < bands.size(); ++i)
        bands[i] = -static_cast<float>(equalizerSliders_[i]->value()) / 1000.0f;
    player_.setEqualizerBands(bands);
}

void PlayerWindow::loadEqualizerPreset(int preset) {
    for (size_t i = 0; i < equalizerSliders_.size(); ++i)
        equalizerSliders_[i]->setValue(preset == PresetCustom
                                           ? AppSettings::equalizerPositions[i]
                                           : presets[static_cast<size_t>(std::clamp(preset, 0, 5))][i]);
    applyEqualizer();
}

void PlayerWindow::applyEqualizerPreset() {
    if (!equalizerDragging_)
        loadEqualizerPreset(equalizerPresetBox_->currentIndex());
}

void PlayerWindow::applyEqualizerSliders() {
    if (!equalizerDragging_)
        return;
    for (size_t i = 0; i < equalizerSliders_.size(); ++i)
        AppSettings::equalizerPositions[i] = equalizerSliders_[i]->value();
    applyEqualizer();
    equalizerPresetBox_->setCurrentIndex(PresetCustom);
}
