#include "PlayerWindow.h"

#include <algorithm>
#include <cmath>

#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QCursor>
#include <QDirIterator>
#include <QFileInfo>
#include <QHeaderView>
#include <QLabel>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QShortcut>
#include <QSlider>
#include <QSplitter>
#include <QTreeWidget>

#include "LevelDisplay.h"
#include "ConfirmDialog.h"
#include "ConvertWorker.h"
#include "JoinerWindow.h"
#include "FileListRows.h"
#include "FolderTree.h"
#include "AppSettings.h"
#include "OptionsDialog.h"
#include "ShellOpen.h"
#include "SpecialFolders.h"
#include "CutterWindow.h"

namespace {

const char* const FolderChangeRefused = "You will not be able to change folder while playing or converting.";

// Bar positions of the equaliser presets (band value in dB = -position / 1000).
const std::array<std::array<int, 12>, 6> Presets{{
    {-273, -4091, -4636, -3545, -1909, 0, 0, -1909, -1909, -4091, -3545, -3000}, // Pop
    {13364, 273, -9545, -7909, -4091, 0, -3000, -5182, -5182, -4636, -2455, 0},  // Disco
    {13364, 6273, 1364, 0, 0, -3545, -2455, -818, -818, -4636, -6273, -7909},    // Background
    {0, -3545, -6273, -3545, -1909, -3545, -1909, -818, -818, 1909, 4636, 2455}, // Movie
    {0, 3000, 6818, 3545, -1909, -6273, -5182, -3545, -3545, 1909, 4091, 6818},  // News
    {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0},                                        // Flat
}};
constexpr int PresetCustom = 6;
constexpr int PresetFlat = 5;

QString Qs(const std::string& text) {
    return QString::fromStdString(text);
}
std::string Ss(const QString& text) {
    return text.toStdString();
}

QPushButton* MakeButton(QWidget* parent, const char* name, const QString& text, const QString& hint, QRect place) {
    auto* button = new QPushButton(text, parent);
    button->setObjectName(name);
    button->setToolTip(hint);
    button->setGeometry(place);
    button->setFocusPolicy(Qt::NoFocus);
    return button;
}

QSlider* MakeSlider(QWidget* parent, const char* name, Qt::Orientation orientation, int min, int max, QRect place) {
    auto* slider = new QSlider(orientation, parent);
    slider->setObjectName(name);
    slider->setRange(min, max);
    slider->setGeometry(place);
    // No track bar keeps the keyboard: the keys stay the window's (Space pauses).
    slider->setFocusPolicy(Qt::NoFocus);
    if (orientation == Qt::Vertical)
        slider->setInvertedAppearance(true); // the lowest position at the top
    return slider;
}

} // namespace

TfrmPlayer::TfrmPlayer(QWidget* parent) : QWidget(parent) {
    setObjectName("frmPlayer");
    setWindowTitle("Zelvo MP3 Player");
    resize(717, 550);
    setMinimumSize(200, 50);
    setMaximumSize(1024, 738);
    Platform::FillSharedFolders();
    AI.SetInfoOption(true);
    AF_In.SetFileOption(true);
    AF_Out.SetFileOption(true);
    BuildControls();

    AP.OnRequestOnLoadArray = [this](TAudioPlayer2&) { FeedPlayer(); };
    AP.OnEndArrayPlay = [this](TAudioPlayer2&) { FeedPlayer(); };
    AP.OnTimer = [this](TAudioPlayer2&, int current, int, int) { APTimer(current); };
    AP.OnEndPlay = [this](TAudioPlayer2&) { StopPlayback(); };
    created_ = true;
}

TfrmPlayer::~TfrmPlayer() = default;

void TfrmPlayer::SetWindows(TfrmOptions* options, TfrmConfirm* confirm, TfrmSplitter* splitter, TfrmJoiner* joiner) {
    frmOptions_ = options;
    frmConfirm_ = confirm;
    frmSplitter_ = splitter;
    frmJoiner_ = joiner;
}

void TfrmPlayer::BuildControls() {
    auto* title = new QLabel("Zelvo MP3 Zovozu Darozu", this);
    title->setObjectName("lbTitle");
    title->setGeometry(8, 2, 400, 20);
    btnPlayerClose = MakeButton(this, "btnPlayerClose", "x", "Close", {693, 2, 20, 18});
    connect(btnPlayerClose, &QPushButton::clicked, this, &QWidget::close);

    btnSplitter = MakeButton(this, "btnSplitter", "Zovozu", "MP3 Zovozu", {6, 24, 60, 37});
    btnJoiner = MakeButton(this, "btnJoiner", "Darozu", "MP3 Darozu", {67, 24, 60, 37});
    btnOptions = MakeButton(this, "btnOptions", "Options", "Options", {128, 24, 60, 37});
    btnHelp = MakeButton(this, "btnHelp", "Help", "Help", {189, 24, 60, 37});
    connect(btnSplitter, &QPushButton::clicked, this, &TfrmPlayer::btnSplitterClick);
    connect(btnJoiner, &QPushButton::clicked, this, &TfrmPlayer::btnJoinerClick);
    connect(btnOptions, &QPushButton::clicked, this, &TfrmPlayer::btnOptionsClick);
    connect(btnHelp, &QPushButton::clicked, this, &TfrmPlayer::btnHelpClick);

    auto* plADBG = new QWidget(this);
    plADBG->setObjectName("plADBG");
    plADBG->setGeometry(13, 69, 255, 113);
    AD = new TAudioDisplay2(plADBG);
    AD->setObjectName("AD");
    AD->setGeometry(0, 0, 255, 113);

    tbPlaybackVolume = MakeSlider(this, "tbPlaybackVolume", Qt::Vertical, 0, 65535, {275, 73, 9, 105});
    tbPlaybackVolume->setToolTip("Adjust playback volume");
    tbPlaybackVolume->setValue(65535);
    connect(tbPlaybackVolume, &QSlider::valueChanged, this, &TfrmPlayer::tbPlaybackVolumeChange);
    btnMute = MakeButton(this, "btnMute", "M", "Mute playback volume", {289, 167, 14, 14});
    btnMute->setCheckable(true);
    connect(btnMute, &QPushButton::clicked, this, &TfrmPlayer::btnMuteClick);
    BuildEqualizer();
    BuildPlayList();

    tbPlaybackProgress = MakeSlider(this, "tbPlaybackProgress", Qt::Horizontal, 0, 1000, {10, 491, 698, 14});
    tbPlaybackProgress->setPageStep(10);
    tbPlaybackProgress->setEnabled(false);
    tbPlaybackProgress->installEventFilter(this);

    btnPlay = MakeButton(this, "btnPlay", ">", "Play the selected file", {11, 507, 34, 34});
    btnStop = MakeButton(this, "btnStop", "[]", "Stop playing", {47, 512, 27, 25});
    btnPause = MakeButton(this, "btnPause", "||", "Pause playing", {76, 512, 24, 25});
    btnMail = MakeButton(this, "btnMail", "@", "Share selected file by email", {102, 511, 28, 26});
    connect(btnPlay, &QPushButton::clicked, this, &TfrmPlayer::btnPlayClick);
    connect(btnStop, &QPushButton::clicked, this, &TfrmPlayer::btnStopClick);
    connect(btnPause, &QPushButton::clicked, this, &TfrmPlayer::btnPauseClick);
    Label1 = new QLabel(this);
    Label1->setObjectName("Label1");
    Label1->setGeometry(317, 518, 390, 20);
    Button1 = MakeButton(this, "Button1", "", "", {-200, -200, 10, 10});

    auto* space = new QShortcut(Qt::Key_Space, this);
    connect(space, &QShortcut::activated, this, &TfrmPlayer::btnPauseClick);
    BuildMenu();
}

void TfrmPlayer::BuildEqualizer() {
    btnUseEQ = MakeButton(this, "btnUseEQ", "EQ", "Use EQ", {336, 110, 15, 14});
    btnUseEQ->setCheckable(true);
    btnUseEQ->setChecked(true);
    connect(btnUseEQ, &QPushButton::clicked, this, &TfrmPlayer::btnUseEQClick);
    for (int n = 0; n < 12; ++n) {
        QSlider* band = MakeSlider(this, qPrintable(QString("tbEQ%1").arg(n + 1)), Qt::Vertical, -15000, 15000,
                                   {365 + 29 * n, 73, 7, 91});
        band->setPageStep(2);
        band->setSingleStep(1);
        connect(band, &QSlider::sliderPressed, this, [this] { EqDragging = true; });
        connect(band, &QSlider::sliderReleased, this, [this] { EqDragging = false; });
        connect(band, &QSlider::valueChanged, this, &TfrmPlayer::tbEQChange);
        tbEQ[static_cast<size_t>(n)] = band;
    }
    comboxEQMode = new QComboBox(this);
    comboxEQMode->setObjectName("comboxEQMode");
    comboxEQMode->setToolTip("Select EQ mode");
    comboxEQMode->addItems({"Pop", "Disco", "Background", "Movie", "News", "Flat", "Custom"});
    comboxEQMode->setCurrentIndex(PresetFlat);
    comboxEQMode->setGeometry(588, 32, 110, 22);
    comboxEQMode->setFocusPolicy(Qt::NoFocus);
    connect(comboxEQMode, &QComboBox::currentIndexChanged, this, &TfrmPlayer::comboxEQModeChange);
    btnEQMode = MakeButton(this, "btnEQMode", "v", "Select EQ mode", {679, 34, 18, 18});
    connect(btnEQMode, &QPushButton::clicked, comboxEQMode, &QComboBox::showPopup);
}

void TfrmPlayer::BuildPlayList() {
    auto* plFileBack = new QSplitter(Qt::Horizontal, this);
    plFileBack->setObjectName("plFileBack");
    plFileBack->setGeometry(7, 191, 703, 293);
    STV = new TFolderTree(plFileBack);
    STV->setObjectName("STV");
    STV->CanChangeFolder = [this] { return PlayingRow == -1 && ConvertingRow == -1; };
    STV->OnChangeRefused = [this] { ShowFolderChangeRefused(); };
    connect(STV, &QTreeView::clicked, this, &TfrmPlayer::STVClick);
    connect(STV->selectionModel(), &QItemSelectionModel::currentChanged, this, [this] {
        // A completed change of folder, by keys or by program.
        if (PlayingRow != -1 || ConvertingRow != -1) {
            if (STV->SelectedPath() != CurrentFolder)
                QMessageBox::information(this, windowTitle(), "Playing or Converting");
            return;
        }
        STVClick();
    });

    lvPlayList = new QTreeWidget(plFileBack);
    lvPlayList->setObjectName("lvPlayList");
    lvPlayList->setRootIsDecorated(false);
    lvPlayList->setUniformRowHeights(true);
    lvPlayList->setSelectionMode(QAbstractItemView::SingleSelection);
    lvPlayList->setSelectionBehavior(QAbstractItemView::SelectRows);
    lvPlayList->setAllColumnsShowFocus(true);
    lvPlayList->setHeaderLabels({"File name", "Format", "Duration", "Size", "Status"});
    const int widths[] = {155, 48, 86, 70, 140};
    for (int column = 0; column < 5; ++column)
        lvPlayList->setColumnWidth(column, widths[column]);
    lvPlayList->headerItem()->setTextAlignment(ColDuration, Qt::AlignRight | Qt::AlignVCenter);
    lvPlayList->headerItem()->setTextAlignment(ColSize, Qt::AlignRight | Qt::AlignVCenter);
    lvPlayList->headerItem()->setTextAlignment(ColStatus, Qt::AlignCenter);
    lvPlayList->header()->setSectionsClickable(true);
    lvPlayList->header()->setSortIndicatorShown(false);
    connect(lvPlayList->header(), &QHeaderView::sectionClicked, this, [this](int column) {
        SortColumn = column;
        SortPlayList();
    });
    connect(lvPlayList, &QTreeWidget::itemClicked, this, &TfrmPlayer::lvPlayListClick);
    plFileBack->setSizes({193, 510});
}

void TfrmPlayer::BuildMenu() {
    popMenuConvert = new QMenu(this);
    popMenuConvert->setObjectName("popMenuConvert");
    auto item = [this](const char* name, const char* text) {
        QAction* action = popMenuConvert->addAction(text);
        action->setObjectName(name);
        action->setEnabled(false);
        return action;
    };
    muConverttoWAV = item("muConverttoWAV", "Convert to WAV");
    muConverttoMP3 = item("muConverttoMP3", "Convert to MP3");
    muConverttoOGG = item("muConverttoOGG", "Convert to OGG");
    muConverttoWMA = item("muConverttoWMA", "Convert to WMA");
    muCancelConvertion = item("muCancelConvertion", "Cancel");
    muMail = item("muMail", "Email");
    muRename = item("muRename", "Rename");
    muDelete = item("muDelete", "Delete");
    lvPlayList->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(lvPlayList, &QWidget::customContextMenuRequested, this, [this](const QPoint& at) {
        popMenuConvertPopup();
        popMenuConvert->popup(lvPlayList->viewport()->mapToGlobal(at));
    });
    connect(muConverttoWAV, &QAction::triggered, this, [this] { ConvertClick("WAV"); });
    connect(muConverttoMP3, &QAction::triggered, this, [this] { ConvertClick("MP3"); });
    connect(muConverttoOGG, &QAction::triggered, this, [this] { ConvertClick("OGG"); });
    connect(muConverttoWMA, &QAction::triggered, this, [this] { ConvertClick("WMA"); });
    connect(muCancelConvertion, &QAction::triggered, this, &TfrmPlayer::CancelConversion);
    connect(muMail, &QAction::triggered, this, &TfrmPlayer::btnMailClick);
    connect(muRename, &QAction::triggered, this, &TfrmPlayer::muRenameClick);
    connect(muDelete, &QAction::triggered, this, &TfrmPlayer::muDeleteClick);
    connect(btnMail, &QPushButton::clicked, this, &TfrmPlayer::btnMailClick);
    InstallRenameEditor();
}

void TfrmPlayer::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (!shown_) {
        shown_ = true;
        FormShow();
    }
}

void TfrmPlayer::FormShow() {
    Button1->setFocus();
    PlayingRow = -1;
    ConvertingRow = -1;
    if (!Platform::FolderExists(GlobeVar::RecordOutputPath))
        GlobeVar::RecordOutputPath = GlobeVar::DefaultRecordOutputPath;
    tbPlaybackProgress->setValue(0);
    tbPlaybackProgress->setEnabled(false);
    VolumeReady = true;
    InitVolume();
    STV->setFocus();
    if (STV->SelectedPath().isEmpty())
        STV->SelectPath(Qs(Platform::HomeFolder()));
    STVClick();
}

void TfrmPlayer::closeEvent(QCloseEvent* event) {
    if (ConvertingRow != -1) {
        if (!frmConfirm_ ||
            frmConfirm_->Ask("Converting in progress, do you want to cancel ?", false) != TfrmConfirm::ResultYes) {
            event->ignore();
            return;
        }
        // The worker really stops, and its partial file goes, before the window closes.
        CancelConversion();
        if (convertor_)
            convertor_->wait();
        QCoreApplication::sendPostedEvents(this);
    }
    StopPlayback();
    QWidget::closeEvent(event);
}

bool TfrmPlayer::eventFilter(QObject* watched, QEvent* event) {
    if (watched == tbPlaybackProgress && event->type() == QEvent::MouseButtonRelease)
        QMetaObject::invokeMethod(this, &TfrmPlayer::tbPlaybackProgressMouseUp, Qt::QueuedConnection);
    return QWidget::eventFilter(watched, event);
}

void TfrmPlayer::ShowFolderChangeRefused() {
    if (created_ && frmConfirm_)
        frmConfirm_->Ask(FolderChangeRefused, true);
}

// ---- Listing ----

void TfrmPlayer::STVClick() {
    if (Listing) {
        ListingRestart = true;
    } else if (PlayingRow == -1 && ConvertingRow == -1) {
        ListCurrentFolder();
    } else if (STV->SelectedPath() != CurrentFolder) {
        ShowFolderChangeRefused();
    }
}

void TfrmPlayer::AppendRow(const QString& name, const QString& format, const QString& duration, const QString& size,
                           const QString& status) {
    auto* item = new QTreeWidgetItem(lvPlayList, {name, format, duration, size, status});
    item->setTextAlignment(ColDuration, Qt::AlignRight | Qt::AlignVCenter);
    item->setTextAlignment(ColSize, Qt::AlignRight | Qt::AlignVCenter);
    item->setTextAlignment(ColStatus, Qt::AlignCenter);
    item->setFlags(item->flags() | Qt::ItemIsEditable);
}

void TfrmPlayer::ListCurrentFolder() {
    Listing = true;
    SortColumn = 0;
    CurrentFolder = CurrentFolder.trimmed();
    if (!CurrentFolder.isEmpty() && !CurrentFolder.endsWith('/'))
        CurrentFolder += '/';
    const QString tree = STV->SelectedPath();
    if (tree == CurrentFolder) {
        Listing = false;
        return;
    }
    const QString playingFile = PlayingRow >= 0 ? RowFileName(PlayingRow) : QString();
    const QString convertingFile = ConvertingRow >= 0 ? RowFileName(ConvertingRow) : QString();
    CurrentFolder = tree;
    lvPlayList->clear();
    PlayingRow = ConvertingRow = -1;
    bool stopped = false;
    if (!CurrentFolder.isEmpty()) {
        QDirIterator entries(CurrentFolder, QDir::Files | QDir::Hidden | QDir::System);
        while (entries.hasNext()) {
            entries.next();
            const QFileInfo entry = entries.fileInfo();
            const QString kind = Qs(GlobeVar::AudioTypeOfFile(Ss(entry.fileName())));
            if (!kind.isEmpty() && !entry.isDir())
                AppendRow(entry.fileName(), kind, DurationTextOf(AI, entry.filePath()),
                          Qs(GlobeVar::FormatFileSize(entry.size())), " ");
            QCoreApplication::processEvents();
            if (ListingRestart) {
                stopped = true;
                break;
            }
        }
    }
    if (!stopped && lvPlayList->topLevelItemCount() > 0)
        SortPlayList();
    RestoreRowStates(playingFile, convertingFile);
    Listing = false;
    if (ListingRestart) {
        ListingRestart = false;
        // The interrupted list is incomplete: the folder picked is listed whole, even
        // when it is the same one.
        CurrentFolder.clear();
        STVClick();
    }
    ListingRestart = false;
}

// After a new listing of the same folder, the playing and the converting file get their
// rows' marks back.
void TfrmPlayer::RestoreRowStates(const QString& playingFile, const QString& convertingFile) {
    if (!playingFile.isEmpty() && (PlayingRow = FindRow(playingFile)) >= 0)
        SetRowMarker(PlayingRow, MarkerPlaying);
    if (!convertingFile.isEmpty() && (ConvertingRow = FindRow(convertingFile)) >= 0)
        SetRowMarker(ConvertingRow, MarkerConverting);
}

void TfrmPlayer::RefreshPlayList() {
    const bool busy = PlayingRow != -1 || ConvertingRow != -1;
    if (busy && STV->SelectedPath() != CurrentFolder)
        STV->SelectPath(CurrentFolder); // the folder that plays is the one to list again
    CurrentFolder.clear();
    ListCurrentFolder();
}

void TfrmPlayer::SortPlayList() {
    SortFileList(lvPlayList, SortColumn, ColSize);
    PlayingRow = ConvertingRow = -1;
    for (int row = 0; row < RowCount(); ++row) {
        if (RowMarker(row) == MarkerPlaying)
            PlayingRow = row;
        else if (RowMarker(row) == MarkerConverting)
            ConvertingRow = row;
    }
}

void TfrmPlayer::AddFileRow(const QString& path) {
    const QFileInfo file(path);
    AppendRow(file.fileName(), Qs(GlobeVar::AudioTypeOfFile(Ss(path))), DurationTextOf(AI, path),
              Qs(GlobeVar::FormatFileSize(file.size())), "");
}

int TfrmPlayer::RowCount() const {
    return lvPlayList->topLevelItemCount();
}

QString TfrmPlayer::RowFileName(int row) const {
    const QTreeWidgetItem* item = lvPlayList->topLevelItem(row);
    return item ? item->text(ColName) : QString();
}

int TfrmPlayer::FindRow(const QString& fileName) const {
    for (int row = 0; row < RowCount(); ++row)
        if (RowFileName(row) == fileName)
            return row;
    return -1;
}

int TfrmPlayer::RowMarker(int row) const {
    const QTreeWidgetItem* item = lvPlayList->topLevelItem(row);
    return item ? GlobeVar::TrimmedCount(Ss(item->text(ColDuration))) : MarkerIdle;
}

void TfrmPlayer::SetRowMarker(int row, int marker) {
    QTreeWidgetItem* item = lvPlayList->topLevelItem(row);
    if (!item)
        return;
    item->setText(ColDuration, Qs(GlobeVar::IndentText(Ss(item->text(ColDuration)), marker)));
    PaintRow(row);
}

void TfrmPlayer::PaintRow(int row) {
    QTreeWidgetItem* item = lvPlayList->topLevelItem(row);
    const int marker = RowMarker(row);
    const QColor colour = marker == MarkerPlaying      ? QColor(0xCC, 0xFF, 0xDD)
                          : marker == MarkerConverting ? QColor(0xAA, 0xBB, 0xFF)
                                                       : QColor(Qt::white);
    for (int column = 0; column < 5; ++column)
        item->setBackground(column, colour);
}

void TfrmPlayer::lvPlayListClick() {
    const QList<QTreeWidgetItem*> selected = lvPlayList->selectedItems();
    if (selected.size() != 1)
        return;
    try {
        AI.Open(Ss(CurrentFolder + selected.first()->text(ColName)));
        Label1->setText(Qs(AI.GetFormatText()));
    } catch (const EngineError& error) {
        Label1->setText(QString::fromUtf8(error.what()));
    }
}

// ---- The doors to the other windows ----

void TfrmPlayer::btnSplitterClick() {
    const QList<QTreeWidgetItem*> selected = lvPlayList->selectedItems();
    if (selected.isEmpty()) {
        if (frmConfirm_)
            frmConfirm_->Ask("Please select an audio file", true);
        return;
    }
    if (!frmSplitter_)
        return;
    frmSplitter_->FileName = CurrentFolder + selected.first()->text(ColName);
    frmSplitter_->exec();
}

void TfrmPlayer::btnJoinerClick() {
    STV->setFocus();
    if (!frmJoiner_)
        return;
    frmJoiner_->SetTreeFolder(STV->SelectedPath());
    frmJoiner_->exec();
}

void TfrmPlayer::btnOptionsClick() {
    if (frmOptions_)
        frmOptions_->exec();
}

void TfrmPlayer::btnHelpClick() {
    Platform::ShellOpen(Platform::HelpDocumentPath());
}

// ---- Playback ----

void TfrmPlayer::btnPlayClick() {
    Paused = false;
    const QList<QTreeWidgetItem*> selected = lvPlayList->selectedItems();
    if (selected.size() != 1)
        return;
    if (PlayingRow != -1) {
        SetRowMarker(PlayingRow, MarkerIdle);
        lvPlayList->topLevelItem(PlayingRow)->setText(ColStatus, "");
    }
    PlayingRow = lvPlayList->indexOfTopLevelItem(selected.first());
    SetRowMarker(PlayingRow, MarkerPlaying);
    PlayFile(CurrentFolder + selected.first()->text(ColName));
}

int TfrmPlayer::SeekToProgress() {
    const int64_t frame =
        std::llround(static_cast<double>(tbPlaybackProgress->value()) * AF.GetTotalSamples() / 1000.0);
    return AF.Seek(static_cast<int>(frame));
}

void TfrmPlayer::PlayFile(const QString& path) {
    tbPlaybackProgress->setValue(0);
    tbPlaybackProgress->setEnabled(true);
    AP.Stop();
    AF.Close();
    AF.SetFileOption(true);
    AF.OpenForRead(Ss(path));
    PlayBase = 0;
    // A file that cannot be opened, holds no audio or cannot start returns its row to idle.
    if (AF.GetErrorCode() != 0 || AF.GetTotalSamples() == 0) {
        StopPlayback();
        return;
    }
    LengthFrames = AF.GetTotalSamples();
    AP.SetFormat(AF.GetStreamSampleRate(), AF.GetStreamChannels());
    AD->SetSampleRate(AF.GetStreamSampleRate());
    BlockFrames = AP.MsToSamples(400);
    PlayBase = SeekToProgress();
    AP.Play();
    if (AP.GetPlayError() != 0)
        StopPlayback();
}

void TfrmPlayer::FeedPlayer() {
    if (!AF.IsReading())
        return;
    AP.QueueBlock(AF.ReadBlock(BlockFrames));
}

void TfrmPlayer::StopPlayback() {
    AP.Stop();
    AF.Close();
    AD->ShowData(TAudioBlock{});
    tbPlaybackProgress->setEnabled(false);
    tbPlaybackProgress->setValue(0);
    if (PlayingRow != -1) {
        SetRowMarker(PlayingRow, MarkerIdle);
        if (QTreeWidgetItem* item = lvPlayList->topLevelItem(PlayingRow))
            item->setText(ColStatus, "");
        PlayingRow = -1;
    }
}

void TfrmPlayer::btnStopClick() {
    Paused = false;
    StopPlayback();
}

void TfrmPlayer::btnPauseClick() {
    Paused = !Paused;
    if (PlayingRow == -1)
        return;
    if (Paused)
        PausePlayback();
    else
        ResumePlayback();
}

void TfrmPlayer::PausePlayback() {
    PlayBase += AP.GetPlayedSamples();
    AP.Stop();
}

void TfrmPlayer::ResumePlayback() {
    if (!AF.IsReading())
        return;
    AF.Seek(static_cast<int>(PlayBase + 1));
    AP.Play();
    if (AP.GetPlayError() != 0)
        StopPlayback();
}

bool TfrmPlayer::ProgressHeld() const {
    if (tbPlaybackProgress->isSliderDown())
        return true;
    const QPoint at = tbPlaybackProgress->mapFromGlobal(QCursor::pos());
    return (QGuiApplication::mouseButtons() & Qt::LeftButton) && tbPlaybackProgress->rect().contains(at);
}

void TfrmPlayer::tbPlaybackProgressMouseUp() {
    if (PlayingRow == -1 || !AF.IsReading())
        return;
    AP.Stop();
    PlayBase = SeekToProgress();
    AP.Play();
    FeedPlayer();
}

void TfrmPlayer::APTimer(int currentSamples) {
    // The level values of the event are levels, not positions: the position is the
    // count of frames played alone.
    const int played = currentSamples;
    AD->ShowData(AP.GetVisualData(AD->FFTWindowsSize));
    if (LengthFrames > 0 && !ProgressHeld()) {
        const int64_t position = std::min<int64_t>(std::llround((played + PlayBase) * 1000.0 / LengthFrames), 1000);
        tbPlaybackProgress->setValue(static_cast<int>(position));
    }
    if (QTreeWidgetItem* item = lvPlayList->topLevelItem(PlayingRow))
        item->setText(ColStatus, "Playing " + Qs(GlobeVar::FormatHmsColon(AP.SamplesToMs(played))));
}

// ---- Volume and equaliser ----

void TfrmPlayer::InitVolume() {
    const int count = AP.GetVolumeLineCount();
    if (count < 1)
        return;
    int line = 0;
    for (int i = 0; i < count; ++i) {
        AP.SelectVolumeLine(i);
        if (AP.IsVolumeLineActive()) {
            line = i;
            break;
        }
    }
    AP.SelectVolumeLine(line);
    tbPlaybackVolume->setValue(65535 - AP.GetVolume());
    AP.SetMute(false);
}

void TfrmPlayer::tbPlaybackVolumeChange(int position) {
    if (VolumeReady)
        AP.SetVolume(65535 - position);
}

void TfrmPlayer::btnMuteClick() {
    Muted = !Muted;
    btnMute->setChecked(Muted);
    AP.SetMute(Muted);
}

void TfrmPlayer::btnUseEQClick() {
    EqOn = !EqOn;
    btnUseEQ->setChecked(EqOn);
    AP.SetEqualizerEnabled(EqOn);
}

void TfrmPlayer::ApplyEqualizer() {
    std::vector<float> bands(12);
    for (size_t i = 0; i < bands.size(); ++i)
        bands[i] = -static_cast<float>(tbEQ[i]->value()) / 1000.0f;
    AP.SetEqualizerBands(bands);
}

void TfrmPlayer::LoadEqualizerPreset(int preset) {
    for (size_t i = 0; i < tbEQ.size(); ++i)
        tbEQ[i]->setValue(preset == PresetCustom ? GlobeVar::EqualizerPositions[i]
                                                 : Presets[static_cast<size_t>(std::clamp(preset, 0, 5))][i]);
    ApplyEqualizer();
}

void TfrmPlayer::comboxEQModeChange() {
    if (!EqDragging)
        LoadEqualizerPreset(comboxEQMode->currentIndex());
}

void TfrmPlayer::tbEQChange() {
    if (!EqDragging)
        return;
    for (size_t i = 0; i < tbEQ.size(); ++i)
        GlobeVar::EqualizerPositions[i] = tbEQ[i]->value();
    ApplyEqualizer();
    comboxEQMode->setCurrentIndex(PresetCustom);
}
