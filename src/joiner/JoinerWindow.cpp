#include "JoinerWindow.h"

#include <chrono>
#include <cmath>
#include <ctime>

#include <QComboBox>
#include <QCoreApplication>
#include <QDateTime>
#include <QDirIterator>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QHeaderView>
#include <QMimeData>
#include <QPainter>
#include <QPushButton>
#include <QSplitter>
#include <QTreeWidget>
#include <QUrl>

#include "ConfirmDialog.h"
#include "FileListRows.h"
#include "FolderTree.h"
#include "AppSettings.h"
#include "MergeWorker.h"
#include "OutputFormat.h"
#include "OutputNaming.h"
#include "WorkerEvent.h"

// The join list's view: takes files dropped from the folder list or a file manager, and
// reorders its own rows by dragging.
class TJoinListView : public QTreeWidget {
public:
    TJoinListView(TfrmJoiner& window, QWidget* parent) : QTreeWidget(parent), window_(window) {
        setAcceptDrops(true);
        setDragEnabled(true);
        setDragDropMode(QAbstractItemView::DragDrop);
        setDropIndicatorShown(true);
    }

protected:
    void dragEnterEvent(QDragEnterEvent* event) override { Accept(event); }
    void dragMoveEvent(QDragMoveEvent* event) override {
        QTreeWidget::dragMoveEvent(event);
        Accept(event);
    }
    void dropEvent(QDropEvent* event) override {
        if (event->source() == this) {
            QTreeWidgetItem* target = itemAt(event->position().toPoint());
            window_.MoveSelectedTo(target ? indexOfTopLevelItem(target) : -1);
        } else if (event->source() == window_.lvFolderList) {
            window_.btnAddClick();
        } else {
            QStringList paths;
            for (const QUrl& url : event->mimeData()->urls())
                if (url.isLocalFile())
                    paths << url.toLocalFile();
            window_.AddFiles(paths);
        }
        event->acceptProposedAction();
    }

private:
    void Accept(QDragMoveEvent* event) {
        if (event->source() == this || event->source() == window_.lvFolderList || event->mimeData()->hasUrls())
            event->acceptProposedAction();
    }

    TfrmJoiner& window_;
};

// The two-line information box under the lists.
class TInfoBox : public QWidget {
public:
    TInfoBox(TfrmJoiner& window, QWidget* parent) : QWidget(parent), window_(window) {
        QFont arial("Arial");
        arial.setPixelSize(13);
        setFont(arial);
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.setPen(QColor(53, 83, 137));
        const int ascent = fontMetrics().ascent();
        painter.drawText(0, window_.InfoTop + ascent, window_.Label1);
        painter.drawText(0, window_.InfoTop + 30 + ascent, window_.Label2);
    }

private:
    TfrmJoiner& window_;
};

namespace {

constexpr int TextHeight = 16;
constexpr int InfoHeight = 27;

QPushButton* Button(QWidget* parent, const char* name, const QString& text, const QString& hint, QRect place) {
    auto* button = new QPushButton(text, parent);
    button->setObjectName(name);
    button->setToolTip(hint);
    button->setGeometry(place);
    return button;
}

int64_t NowMs() {
    return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

QString Qs(const std::string& text) {
    return QString::fromStdString(text);
}

} // namespace

TfrmJoiner::TfrmJoiner(QWidget* parent) : TJobWindow(parent) {
    setObjectName("frmJoiner");
    setWindowTitle("Zelvo MP3 Darozu");
    setFixedSize(657, 430);
    AI.SetInfoOption(true);
    AF_IN.SetFileOption(true);
    AF_OUT.SetFileOption(true);
    BuildControls();
    tmShowInfo.setInterval(30);
    connect(&tmShowInfo, &QTimer::timeout, this, &TfrmJoiner::tmShowInfoTimer);
    AP.OnRequestOnLoadArray = [this](TAudioPlayer2&) {
        if (AF.IsReading())
            AP.QueueBlock(AF.ReadBlock(BlockFrames));
    };
    AP.OnEndArrayPlay = AP.OnRequestOnLoadArray;
    AP.OnEndPlay = [this](TAudioPlayer2&) { StopPlayback(); };
}

TfrmJoiner::~TfrmJoiner() = default;

void TfrmJoiner::SetTreeFolder(const QString& folder) {
    STV->SelectPath(folder);
}

void TfrmJoiner::BuildControls() {
    btnStartMerge = Button(this, "btnStartMerge", "Start", "Start to merge the files", {8, 24, 60, 30});
    btnCancelMerge = Button(this, "btnCancelMerge", "Cancel", "Cancel merge", {8, 24, 60, 30});
    btnCancelMerge->hide();
    BuildToolButtons(72, 633, "btnJoinerClose", [] { return QString::fromStdString(GlobeVar::JoinOutputPath); });
    comboxJoinOutputFormat = new QComboBox(this);
    comboxJoinOutputFormat->setObjectName("comboxJoinOutputFormat");
    comboxJoinOutputFormat->setToolTip("Select Output format");
    comboxJoinOutputFormat->addItems({"WAV", "MP3", "OGG", "WMA"});
    comboxJoinOutputFormat->setCurrentIndex(1);
    comboxJoinOutputFormat->setGeometry(540, 28, 90, 24);
    btnOutputFormat = Button(this, "btnOutputFormat", "v", "Select output format", {632, 28, 18, 24});
    connect(btnOutputFormat, &QPushButton::clicked, comboxJoinOutputFormat, &QComboBox::showPopup);
    connect(btnStartMerge, &QPushButton::clicked, this, &TfrmJoiner::btnStartMergeClick);
    connect(btnCancelMerge, &QPushButton::clicked, this, &TfrmJoiner::btnCancelMergeClick);
    BuildLists();

    btnPlay = Button(this, "btnPlay", "Play", "Play the selected file", {8, 396, 50, 27});
    btnStop = Button(this, "btnStop", "Stop", "Stop playing", {62, 396, 50, 27});
    connect(btnPlay, &QPushButton::clicked, this, &TfrmJoiner::btnPlayClick);
    connect(btnStop, &QPushButton::clicked, this, &TfrmJoiner::btnStopClick);
    pbInfo = new TInfoBox(*this, this);
    pbInfo->setObjectName("pbInfo");
    pbInfo->setGeometry(170, 396, 478, InfoHeight);
}

void TfrmJoiner::BuildLists() {
    auto* panes = new QSplitter(Qt::Vertical, this);
    panes->setGeometry(8, 60, 641, 330);
    auto* upper = new QSplitter(Qt::Horizontal, panes);
    STV = new TFolderTree(upper);
    STV->setObjectName("STV");
    connect(STV, &QTreeView::clicked, this, &TfrmJoiner::STVClick);
    connect(STV->selectionModel(), &QItemSelectionModel::currentChanged, this, &TfrmJoiner::STVClick);
    lvFolderList = new QTreeWidget(upper);
    lvFolderList->setObjectName("lvFolderList");
    lvFolderList->setRootIsDecorated(false);
    lvFolderList->setSelectionMode(QAbstractItemView::ExtendedSelection);
    lvFolderList->setDragEnabled(true);
    lvFolderList->setHeaderLabels({"File name", "Format", "Duration", "Size"});
    const int folderWidths[] = {200, 48, 86, 70};
    for (int column = 0; column < 4; ++column)
        lvFolderList->setColumnWidth(column, folderWidths[column]);
    connect(lvFolderList->header(), &QHeaderView::sectionClicked, this, &TfrmJoiner::SortFolderList);
    connect(lvFolderList, &QTreeWidget::itemClicked, this, &TfrmJoiner::lvFolderListClick);
    upper->setSizes({209, 432});

    auto* lower = new QWidget(panes);
    const char* names[] = {"btnAdd",   "btnAddAll", "btnRemove", "btnRemoveAll",
                           "btnFirst", "btnLast",   "btnUp",     "btnDown"};
    const char* texts[] = {"Add", "Add all", "Remove", "Remove all", "First", "Last", "Up", "Down"};
    const char* hints[] = {"Add selected audio files",
                           "Add all audio files in the folder",
                           "Remove selected from list",
                           "Remove all from list",
                           "Move to first",
                           "Move to last",
                           "Move up",
                           "Move down"};
    QPushButton** buttons[] = {&btnAdd, &btnAddAll, &btnRemove, &btnRemoveAll, &btnFirst, &btnLast, &btnUp, &btnDown};
    void (TfrmJoiner::*handlers[])() = {&TfrmJoiner::btnAddClick,    &TfrmJoiner::btnAddAllClick,
                                        &TfrmJoiner::btnRemoveClick, &TfrmJoiner::btnRemoveAllClick,
                                        &TfrmJoiner::btnFirstClick,  &TfrmJoiner::btnLastClick,
                                        &TfrmJoiner::btnUpClick,     &TfrmJoiner::btnDownClick};
    for (int i = 0; i < 8; ++i) {
        *buttons[i] = Button(lower, names[i], texts[i], hints[i], {i * 78, 0, 74, 24});
        connect(*buttons[i], &QPushButton::clicked, this, handlers[i]);
    }
    lvJoinList = new TJoinListView(*this, lower);
    lvJoinList->setObjectName("lvJoinList");
    lvJoinList->setGeometry(0, 28, 641, 130);
    lvJoinList->setRootIsDecorated(false);
    lvJoinList->setSelectionMode(QAbstractItemView::ExtendedSelection);
    lvJoinList->setHeaderLabels({"File name", "Format", "Duration", "Size", "Status"});
    const int joinWidths[] = {270, 48, 86, 70, 150};
    for (int column = 0; column < 5; ++column)
        lvJoinList->setColumnWidth(column, joinWidths[column]);
    lvJoinList->header()->setSectionsClickable(false);
    connect(lvJoinList, &QTreeWidget::itemPressed, this, &TfrmJoiner::lvJoinListMouseDown);
    connect(lvJoinList, &QTreeWidget::itemChanged, this, [this] { ShowSummary(); });
    panes->setSizes({160, 170});
}

// ---- Opening, closing ----

void TfrmJoiner::showEvent(QShowEvent* event) {
    TJobWindow::showEvent(event);
    InfoRow = -1;
    Merging = false;
    ShowSummary();
    InfoTop = InfoCentre() - 30;
    STVClick();
}

void TfrmJoiner::done(int result) {
    if (Merging) {
        if (AskToCancel("Merging in progress, do you want to cancel ?")) {
            CloseAfterMerge = true;
            btnCancelMergeClick();
        }
        return; // the window closes when the worker has stopped
    }
    StopPlayback();
    TJobWindow::done(result);
}

// ---- The folder list ----

void TfrmJoiner::STVClick() {
    if (Listing) {
        ListingRestart = true;
        return;
    }
    ListCurrentFolder();
}

TJoinRow TfrmJoiner::RowOfFile(const QString& path) {
    const QFileInfo file(path);
    TJoinRow row;
    row.Caption = path.toStdString();
    row.Format = GlobeVar::AudioTypeOfFile(row.Caption);
    row.Duration = DurationTextOf(AI, path).toStdString();
    row.Size = GlobeVar::FormatFileSize(file.size());
    return row;
}

void TfrmJoiner::ListCurrentFolder() {
    Listing = true;
    SortColumn = 0;
    const QString tree = STV->SelectedPath();
    if (tree != CurrentFolder) {
        CurrentFolder = tree;
        lvFolderList->clear();
        if (!CurrentFolder.isEmpty()) {
            QDirIterator entries(CurrentFolder, QDir::Files | QDir::Hidden | QDir::System);
            while (entries.hasNext() && !ListingRestart) {
                entries.next();
                if (!GlobeVar::AudioTypeOfFile(entries.fileName().toStdString()).empty()) {
                    const TJoinRow row = RowOfFile(entries.filePath());
                    auto* item = new QTreeWidgetItem(
                        lvFolderList, {entries.fileName(), Qs(row.Format), Qs(row.Duration), Qs(row.Size)});
                    item->setTextAlignment(2, Qt::AlignRight | Qt::AlignVCenter);
                    item->setTextAlignment(3, Qt::AlignRight | Qt::AlignVCenter);
                }
                QCoreApplication::processEvents();
            }
        }
    }
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

void TfrmJoiner::SortFolderList(int column) {
    SortColumn = column;
    SortFileList(lvFolderList, column, 3);
}

void TfrmJoiner::lvFolderListClick() {
    const QList<QTreeWidgetItem*> selected = lvFolderList->selectedItems();
    if (selected.size() != 1)
        return;
    SelectedFile = CurrentFolder + selected.first()->text(0);
    ShowFileInfo(SelectedFile);
}

// ---- The join list ----

TJoinList TfrmJoiner::JoinRows() const {
    TJoinList list;
    for (int i = 0; i < lvJoinList->topLevelItemCount(); ++i) {
        const QTreeWidgetItem* item = lvJoinList->topLevelItem(i);
        list.Rows.push_back({item->text(0).toStdString(), item->text(1).toStdString(), item->text(2).toStdString(),
                             item->text(3).toStdString(), item->text(4).toStdString(),
                             item->checkState(0) == Qt::Checked, item->isSelected()});
    }
    return list;
}

void TfrmJoiner::ShowJoinRows(const TJoinList& list) {
    const QSignalBlocker blocker(lvJoinList);
    lvJoinList->clear();
    for (const TJoinRow& row : list.Rows) {
        auto* item = new QTreeWidgetItem(
            lvJoinList, {Qs(row.Caption), Qs(row.Format), Qs(row.Duration), Qs(row.Size), Qs(row.Status)});
        item->setFlags((item->flags() | Qt::ItemIsUserCheckable | Qt::ItemIsDragEnabled) & ~Qt::ItemIsDropEnabled);
        item->setCheckState(0, row.Ticked ? Qt::Checked : Qt::Unchecked);
        item->setTextAlignment(2, Qt::AlignRight | Qt::AlignVCenter);
        item->setTextAlignment(3, Qt::AlignRight | Qt::AlignVCenter);
        item->setTextAlignment(4, Qt::AlignCenter);
        item->setSelected(row.Selected);
    }
}

void TfrmJoiner::ChangeJoinList(const std::function<void(TJoinList&)>& change, bool refreshSummary) {
    TJoinList list = JoinRows();
    change(list);
    ShowJoinRows(list);
    if (refreshSummary) {
        ShowSummary();
        InfoTop = InfoCentre() - 30; // the summary line shows at once
        pbInfo->update();
    }
}

QString TfrmJoiner::JoinSummaryText() const {
    return Qs(JoinRows().SummaryText());
}

void TfrmJoiner::ShowSummary() {
    Label2 = JoinSummaryText();
    pbInfo->update();
}

void TfrmJoiner::btnAddClick() {
    if (lvFolderList->selectedItems().isEmpty())
        return;
    QStringList paths;
    for (int i = 0; i < lvFolderList->topLevelItemCount(); ++i)
        if (lvFolderList->topLevelItem(i)->isSelected())
            paths << CurrentFolder + lvFolderList->topLevelItem(i)->text(0);
    AddFiles(paths);
}

void TfrmJoiner::btnAddAllClick() {
    QStringList paths;
    for (int i = 0; i < lvFolderList->topLevelItemCount(); ++i)
        paths << CurrentFolder + lvFolderList->topLevelItem(i)->text(0);
    AddFiles(paths);
}

void TfrmJoiner::AddFiles(const QStringList& paths) {
    ChangeJoinList(
        [&](TJoinList& list) {
            for (const QString& path : paths)
                if (!list.Contains(path.toStdString()) && QFileInfo(path).isFile() &&
                    !GlobeVar::AudioTypeOfFile(path.toStdString()).empty())
                    list.Add(RowOfFile(path));
        },
        true);
}

void TfrmJoiner::btnRemoveClick() {
    if (!JoinRows().AnySelected())
        return;
    ChangeJoinList([](TJoinList& list) { list.RemoveSelected(); }, true);
    InfoRow = -1;
}

void TfrmJoiner::btnRemoveAllClick() {
    ChangeJoinList([](TJoinList& list) { list.RemoveAll(); }, true);
    InfoRow = -1;
}

void TfrmJoiner::btnFirstClick() {
    ChangeJoinList([](TJoinList& list) { list.MoveFirst(); }, false);
}
void TfrmJoiner::btnLastClick() {
    ChangeJoinList([](TJoinList& list) { list.MoveLast(); }, false);
}
void TfrmJoiner::btnUpClick() {
    ChangeJoinList([](TJoinList& list) { list.MoveUp(); }, false);
}
void TfrmJoiner::btnDownClick() {
    ChangeJoinList([](TJoinList& list) { list.MoveDown(); }, false);
}

void TfrmJoiner::MoveSelectedTo(int row) {
    ChangeJoinList(
        [row](TJoinList& list) {
            std::vector<TJoinRow> moved, before, after;
            for (int i = 0; i < static_cast<int>(list.Rows.size()); ++i) {
                const TJoinRow& r = list.Rows[static_cast<size_t>(i)];
                (r.Selected ? moved : (row >= 0 && i < row ? before : after)).push_back(r);
            }
            if (row < 0)
                std::swap(before, after);
            list.Rows = before;
            list.Rows.insert(list.Rows.end(), moved.begin(), moved.end());
            list.Rows.insert(list.Rows.end(), after.begin(), after.end());
        },
        false);
}

void TfrmJoiner::lvJoinListMouseDown() {
    ShowSummary();
    const QList<QTreeWidgetItem*> selected = lvJoinList->selectedItems();
    const bool shownStillSelected =
        InfoRow >= 0 && InfoRow < lvJoinList->topLevelItemCount() && lvJoinList->topLevelItem(InfoRow)->isSelected();
    if (shownStillSelected || selected.size() != 1)
        return;
    InfoRow = lvJoinList->indexOfTopLevelItem(selected.first());
    SelectedFile = selected.first()->text(0);
    ShowFileInfo(SelectedFile);
}

// ---- The information box ----

int TfrmJoiner::InfoCentre() const {
    return (InfoHeight - TextHeight) / 2;
}

void TfrmJoiner::ShowFileInfo(const QString& path) {
    try {
        AI.Open(path.toStdString());
        Label1 = Qs(AI.GetFormatText());
    } catch (const EngineError& error) {
        Label1 = QString::fromUtf8(error.what());
    }
    InfoShownAt = NowMs();
    InfoTop = InfoCentre();
    tmShowInfo.start();
    pbInfo->update();
}

void TfrmJoiner::tmShowInfoTimer() {
    if (NowMs() - InfoShownAt <= 4000)
        InfoTop = InfoCentre();
    else
        --InfoTop;
    if (InfoCentre() >= InfoTop + 30)
        tmShowInfo.stop();
    pbInfo->update();
}

// ---- Playback ----

void TfrmJoiner::btnPlayClick() {
    if (QFileInfo(SelectedFile).isFile())
        PlayFile(SelectedFile);
}

void TfrmJoiner::PlayFile(const QString& path) {
    AP.Stop();
    AF.Close();
    AF.SetFileOption(true);
    AF.OpenForRead(path.toStdString());
    if (AF.GetErrorCode() != 0 || AF.GetTotalSamples() == 0) {
        StopPlayback();
        return;
    }
    AP.SetFormat(AF.GetStreamSampleRate(), AF.GetStreamChannels());
    BlockFrames = AP.MsToSamples(166);
    AF.Seek(0);
    AP.Play();
    if (AP.GetPlayError() != 0)
        AF.Close();
}

void TfrmJoiner::StopPlayback() {
    AP.Stop();
    AF.Close();
}

void TfrmJoiner::btnStopClick() {
    StopPlayback();
}

// ---- Merging ----

void TfrmJoiner::btnStartMergeClick() {
    MergeCancelled = false;
    StartMerge();
}

void TfrmJoiner::SetMergeControls(bool merging) {
    btnCancelMerge->setVisible(merging);
    btnStartMerge->setVisible(!merging);
    for (QWidget* control : std::initializer_list<QWidget*>{btnAdd, btnAddAll, btnDown, btnFirst, btnLast, btnRemove,
                                                            btnRemoveAll, btnUp, btnPlay, btnStop, lvJoinList,
                                                            lvFolderList, STV, comboxJoinOutputFormat, btnOutputFormat})
        control->setEnabled(!merging);
}

void TfrmJoiner::StartMerge() {
    MergeRows.clear();
    MergingRow = -1;
    CloseAfterMerge = false;
    std::vector<std::string> paths;
    const TJoinList list = JoinRows();
    for (size_t i = 0; i < list.Rows.size(); ++i) {
        if (list.Rows[i].Ticked && QFileInfo(Qs(list.Rows[i].Caption)).isFile()) {
            paths.push_back(list.Rows[i].Caption);
            MergeRows.push_back(static_cast<int>(i));
        }
    }
    MergeCount = static_cast<int>(paths.size());
    if (MergeCount <= 1)
        return;
    const std::string kind = OutputKindOfIndex(comboxJoinOutputFormat->currentIndex());
    PrepareOutputFormat(AF_OUT, AudioFile2LameEnc1, kind);
    const std::time_t now = Now();
    const std::string stem =
        MergedFileStem(GlobeVar::JoinPreName, GlobeVar::JoinPosName, GlobeVar::JoinUseDate, *std::localtime(&now));
    const std::string output =
        UniqueOutputName(GlobeVar::JoinOutputPath, stem, ExtensionOfKind(kind), GlobeVar::JoinOverwrite);
    // An input is never overwritten while it is being read.
    if (std::find(paths.begin(), paths.end(), output) != paths.end()) {
        ShowMessage("Cannot merge into \"" + Qs(output) + "\": it is one of the files to merge");
        return;
    }
    AF_OUT.CreateForWrite(output);
    if (AF_OUT.GetErrorCode() != 0) {
        ShowMessage(Qs(AF_OUT.GetErrorText()));
        return;
    }
    MergedFile = Qs(output);
    SetMergeControls(true);
    Merging = true;
    worker_ = new TJoinerThread(this, AF_IN, std::move(paths), AF_OUT);
    connect(worker_, &TJobThread::Ended, this, &TfrmJoiner::MergeFinished, Qt::QueuedConnection);
    worker_->start(QThread::NormalPriority);
}

void TfrmJoiner::btnCancelMergeClick() {
    MergeCancelled = true;
    if (worker_)
        worker_->requestInterruption();
}

bool TfrmJoiner::event(QEvent* event) {
    if (event->type() == TWorkerEvent::TypeOf(WM_MERGE_PROGRESS)) {
        const auto* progress = static_cast<TWorkerEvent*>(event);
        MergeProgress(progress->WParam, progress->LParam);
        return true;
    }
    return TJobWindow::event(event);
}

void TfrmJoiner::MergeProgress(int index, int percent) {
    if (index < 0 || index >= static_cast<int>(MergeRows.size()))
        return;
    QTreeWidgetItem* item = lvJoinList->topLevelItem(MergeRows[static_cast<size_t>(index)]);
    if (percent >= 100) {
        MergingRow = -1;
        item->setText(4, "Done");
        return;
    }
    MergingRow = MergeRows[static_cast<size_t>(index)];
    item->setText(4, QString("Merging: %1 % done").arg(percent));
    const double overall = static_cast<double>(index) / MergeCount * 100 + static_cast<double>(percent) / MergeCount;
    Label2 = QString("Merging: %1 % done").arg(static_cast<int>(std::nearbyint(overall)));
    pbInfo->update();
}

void TfrmJoiner::MergeFinished(bool failed, const QString& failure, int failedItem) {
    QCoreApplication::sendPostedEvents(this, TWorkerEvent::TypeOf(WM_MERGE_PROGRESS));
    Merging = false;
    SetMergeControls(false);
    ShowSummary();
    QString problem = failure;
    try {
        AF_IN.Close();
        AF_OUT.Close();
    } catch (const EngineError& error) {
        problem = QString::fromUtf8(error.what());
        failed = true;
    }
    if (failed) {
        if (failedItem >= 0 && failedItem < static_cast<int>(MergeRows.size()))
            lvJoinList->topLevelItem(MergeRows[static_cast<size_t>(failedItem)])->setText(4, "Failed");
        ShowMessage(problem);
    } else if (MergeCancelled) {
        if (MergingRow >= 0)
            lvJoinList->topLevelItem(MergingRow)->setText(4, "Canceled");
    } else {
        ShowMessage("Merge finished");
    }
    RefreshPlayList();
    if (CloseAfterMerge) {
        CloseAfterMerge = false;
        done(QDialog::Rejected);
    }
}
