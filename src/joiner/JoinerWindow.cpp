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
#include <QHBoxLayout>
#include <QHeaderView>
#include <QMimeData>
#include <QPainter>
#include <QPushButton>
#include <QSplitter>
#include <QToolButton>
#include <QTreeView>
#include <QTreeWidget>
#include <QUrl>
#include <QVBoxLayout>

#include "PlaybackRead.h"
#include "FileNames.h"
#include "ConfirmDialog.h"
#include "FileListRows.h"
#include "AudioFileListModel.h"
#include "FolderTree.h"
#include "ThemedIcons.h"
#include "AppSettings.h"
#include "MergeWorker.h"
#include "OutputFormat.h"
#include "OutputNaming.h"
#include "WindowGeometry.h"
#include "WorkerEvent.h"

// The join list's view: takes files dropped from the folder list or a file manager, and
// reorders its own rows by dragging.
class JoinListView : public QTreeWidget {
public:
    JoinListView(JoinerWindow& window, QWidget* parent) : QTreeWidget(parent), window_(window) {
        setAcceptDrops(true);
        setDragEnabled(true);
        setDragDropMode(QAbstractItemView::DragDrop);
        setDropIndicatorShown(true);
    }

protected:
    void dragEnterEvent(QDragEnterEvent* event) override { acceptDrag(event); }
    void dragMoveEvent(QDragMoveEvent* event) override {
        QTreeWidget::dragMoveEvent(event);
        acceptDrag(event);
    }
    void dropEvent(QDropEvent* event) override {
        if (event->source() == this) {
            QTreeWidgetItem* target = itemAt(event->position().toPoint());
            window_.moveSelectedTo(target ? indexOfTopLevelItem(target) : -1);
        } else if (event->source() == window_.folderList_) {
            window_.addSelected();
        } else {
            window_.addFiles(audioFilesIn(localPathsOf(*event->mimeData())));
        }
        event->acceptProposedAction();
    }

private:
    void acceptDrag(QDragMoveEvent* event) {
        if (event->source() == this || event->source() == window_.folderList_ || event->mimeData()->hasUrls())
            event->acceptProposedAction();
    }

    JoinerWindow& window_;
};

// The two-line information box under the lists: one line shows at a time, the second
// scrolls up into view. Its height follows the window's font.
class InfoBox : public QWidget {
public:
    InfoBox(JoinerWindow& window, QWidget* parent) : QWidget(parent), window_(window) {
        setFixedHeight(fontMetrics().height() + 11);
        setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    }

    // From the first line's top to the second's.
    int linePitch() const { return height() + 3; }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.setPen(palette().color(QPalette::WindowText));
        const int ascent = fontMetrics().ascent();
        painter.drawText(0, window_.infoTop_ + ascent, window_.infoLine1_);
        painter.drawText(0, window_.infoTop_ + linePitch() + ascent, window_.infoLine2_);
    }

private:
    JoinerWindow& window_;
};

namespace {

int64_t nowMs() {
    return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

QString qs(const std::string& text) {
    return QString::fromStdString(text);
}

} // namespace

JoinerWindow::JoinerWindow(QWidget* parent) : JobWindow(parent) {
    setObjectName("joinerWindow");
    setWindowTitle(tr("Zelvo MP3 Darozu"));
    setSizeGripEnabled(true);
    info_.setInfoOption(true);
    input_.setFileOption(true);
    output_.setFileOption(true);
    buildControls();
    resize(sizeHint().expandedTo(QSize(700, 460)));
    keepGeometry(this, AppSettings::joinerGeometry);
    infoTimer_.setInterval(30);
    connect(&infoTimer_, &QTimer::timeout, this, &JoinerWindow::scrollInfo);
    player_.onRequestOnLoadArray = [this](AudioPlayer&) {
        if (file_.isReading())
            player_.queueBlock(
                readBlockForPlayback(file_, blockFrames_, this, [this](const QString& text) { showMessage(text); }));
    };
    player_.onEndArrayPlay = player_.onRequestOnLoadArray;
    player_.onEndPlay = [this](AudioPlayer&) { stopPlayback(); };
}

JoinerWindow::~JoinerWindow() = default;

void JoinerWindow::setTreeFolder(const QString& folder) {
    folderTree_->selectPath(folder);
}

void JoinerWindow::buildControls() {
    auto* layout = new QVBoxLayout(this);
    auto* top = new QHBoxLayout;
    mergeButton_ = makeButton(this, "mergeButton", tr("Start"), tr("Start to merge the files"));
    cancelMergeButton_ = makeButton(this, "cancelMergeButton", tr("Cancel"), tr("Cancel merge"));
    cancelMergeButton_->hide();
    top->addWidget(mergeButton_);
    top->addWidget(cancelMergeButton_);
    top->addLayout(buildToolButtons([] { return QString::fromStdString(AppSettings::joinOutputPath); }));
    top->addWidget(buildRecentFiles(AppSettings::recentJoinFiles, [this](const QString& path) { addFiles({path}); }));
    top->addStretch(1);
    outputFormatBox_ = new QComboBox(this);
    outputFormatBox_->setObjectName("outputFormatBox");
    outputFormatBox_->setToolTip(tr("Select Output format"));
    outputFormatBox_->setAccessibleName(tr("Output format"));
    outputFormatBox_->addItems({"WAV", "MP3", "OGG", "WMA", "FLAC"});
    outputFormatBox_->setCurrentIndex(1);
    outputFormatButton_ = makeButton(this, "outputFormatButton", "v", tr("Select output format"));
    showThemedIcon(outputFormatButton_, "go-down", QStyle::SP_ArrowDown);
    connect(outputFormatButton_, &QPushButton::clicked, outputFormatBox_, &QComboBox::showPopup);
    top->addWidget(outputFormatBox_);
    top->addWidget(outputFormatButton_);
    layout->addLayout(top);
    connect(mergeButton_, &QPushButton::clicked, this, &JoinerWindow::startMerging);
    connect(cancelMergeButton_, &QPushButton::clicked, this, &JoinerWindow::cancelMerging);
    layout->addWidget(buildLists(), 1);

    auto* bottom = new QHBoxLayout;
    playButton_ = makeButton(this, "playButton", tr("Play"), tr("Play the selected file"));
    stopButton_ = makeButton(this, "stopButton", tr("Stop"), tr("Stop playing"));
    connect(playButton_, &QPushButton::clicked, this, &JoinerWindow::play);
    connect(stopButton_, &QPushButton::clicked, this, &JoinerWindow::stop);
    infoBox_ = new InfoBox(*this, this);
    infoBox_->setObjectName("infoBox");
    infoBox_->setAccessibleName(tr("File information"));
    bottom->addWidget(playButton_);
    bottom->addWidget(stopButton_);
    bottom->addSpacing(12);
    bottom->addWidget(infoBox_, 1);
    layout->addLayout(bottom);
}

QWidget* JoinerWindow::buildLists() {
    auto* panes = new QSplitter(Qt::Vertical, this);
    panes->setChildrenCollapsible(false);
    auto* upper = new QSplitter(Qt::Horizontal, panes);
    folderTree_ = new FolderTree(upper);
    folderTree_->setObjectName("folderTree");
    connect(folderTree_, &QTreeView::clicked, this, &JoinerWindow::listSelectedFolder);
    connect(folderTree_, &FolderTree::folderPicked, this, &JoinerWindow::listSelectedFolder);
    folderList_ = new QTreeView(upper);
    folderList_->setObjectName("folderList");
    folderList_->setRootIsDecorated(false);
    folderList_->setUniformRowHeights(true);
    folderList_->setSelectionMode(QAbstractItemView::ExtendedSelection);
    folderList_->setSelectionBehavior(QAbstractItemView::SelectRows);
    folderList_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    folderList_->setDragEnabled(true);
    folderList_->setAccessibleName(tr("Files of the folder"));
    folderFiles_ = new AudioFileListModel(this);
    folderSorted_ = new NaturalSortProxy(this);
    folderSorted_->setSourceModel(folderFiles_);
    folderList_->setModel(folderSorted_);
    folderList_->setColumnHidden(AudioFileListModel::Status, true);
    const int folderWidths[] = {200, 48, 86, 70};
    for (int column = 0; column < 4; ++column)
        folderList_->setColumnWidth(column, folderWidths[column]);
    connect(folderList_->header(), &QHeaderView::sectionClicked, this, &JoinerWindow::sortFolderList);
    connect(folderList_, &QTreeView::clicked, this, &JoinerWindow::showSelectedFileInfo);
    upper->setSizes({209, 432});

    auto* lower = new QWidget(panes);
    auto* lowerLayout = new QVBoxLayout(lower);
    lowerLayout->setContentsMargins(0, 0, 0, 0);
    auto* buttonRow = new QHBoxLayout;
    const char* names[] = {"addButton",   "addAllButton", "removeButton", "removeAllButton",
                           "firstButton", "lastButton",   "upButton",     "downButton"};
    const char* texts[] = {QT_TR_NOOP("Add"),   QT_TR_NOOP("Add all"), QT_TR_NOOP("Remove"), QT_TR_NOOP("Remove all"),
                           QT_TR_NOOP("First"), QT_TR_NOOP("Last"),    QT_TR_NOOP("Up"),     QT_TR_NOOP("Down")};
    const char* hints[] = {QT_TR_NOOP("Add selected audio files"),
                           QT_TR_NOOP("Add all audio files in the folder"),
                           QT_TR_NOOP("Remove selected from list"),
                           QT_TR_NOOP("Remove all from list"),
                           QT_TR_NOOP("Move to first"),
                           QT_TR_NOOP("Move to last"),
                           QT_TR_NOOP("Move up"),
                           QT_TR_NOOP("Move down")};
    QPushButton** buttons[] = {&addButton_,   &addAllButton_, &removeButton_, &removeAllButton_,
                               &firstButton_, &lastButton_,   &upButton_,     &downButton_};
    void (JoinerWindow::*handlers[])() = {
        &JoinerWindow::addSelected, &JoinerWindow::addAll,     &JoinerWindow::removeSelected, &JoinerWindow::removeAll,
        &JoinerWindow::moveToFirst, &JoinerWindow::moveToLast, &JoinerWindow::moveUp,         &JoinerWindow::moveDown};
    for (int i = 0; i < 8; ++i) {
        *buttons[i] = makeButton(lower, names[i], tr(texts[i]), tr(hints[i]));
        buttonRow->addWidget(*buttons[i]);
        connect(*buttons[i], &QPushButton::clicked, this, handlers[i]);
    }
    lowerLayout->addLayout(buttonRow);
    joinList_ = new JoinListView(*this, lower);
    joinList_->setObjectName("joinList");
    joinList_->setAccessibleName(tr("Files to join"));
    lowerLayout->addWidget(joinList_, 1);
    joinList_->setRootIsDecorated(false);
    joinList_->setSelectionMode(QAbstractItemView::ExtendedSelection);
    joinList_->setHeaderLabels({tr("File name"), tr("Format"), tr("Duration"), tr("Size"), tr("Status")});
    const int joinWidths[] = {270, 48, 86, 70, 150};
    for (int column = 0; column < 5; ++column)
        joinList_->setColumnWidth(column, joinWidths[column]);
    joinList_->header()->setSectionsClickable(false);
    connect(joinList_, &QTreeWidget::itemPressed, this, &JoinerWindow::selectJoinRowUnderMouse);
    connect(joinList_, &QTreeWidget::itemChanged, this, [this] { showSummary(); });
    panes->setSizes({160, 170});
    return panes;
}

// ---- Opening, closing ----

void JoinerWindow::showEvent(QShowEvent* event) {
    JobWindow::showEvent(event);
    infoRow_ = -1;
    merging_ = false;
    showSummary();
    infoTop_ = infoCentre() - infoLinePitch();
    listSelectedFolder();
}

void JoinerWindow::done(int result) {
    if (merging_) {
        if (askToCancel(tr("Merging in progress, do you want to cancel ?"))) {
            closeAfterMerge_ = true;
            cancelMerging();
        }
        return; // the window closes when the worker has stopped
    }
    stopPlayback();
    JobWindow::done(result);
}

// ---- The folder list ----

void JoinerWindow::listSelectedFolder() {
    listCurrentFolder();
}

JoinRow JoinerWindow::rowOfFile(const QString& path) {
    JoinRow row;
    row.caption = Platform::pathBytes(path);
    row.format = AppSettings::audioTypeOfFile(row.caption);
    row.duration = durationTextOf(info_, path).toStdString();
    row.size = AppSettings::formatFileSize(std::max<int64_t>(fileSizeOf(path), 0));
    return row;
}

// A folder's files in name order, as a file manager lists them (the order the file
// system returns them in is no order on Linux).
void JoinerWindow::listCurrentFolder() {
    const QString tree = folderTree_->selectedPath();
    if (tree == folderFiles_->folder() && !folderFiles_->isListing())
        return;
    folderFiles_->listFolder(tree);
    sortFolderList(AudioFileListModel::Name);
}

void JoinerWindow::sortFolderList(int column) {
    folderSorted_->sort(column, Qt::AscendingOrder);
}

// The folder list's files, the selected ones or all, in the order shown.
QStringList JoinerWindow::folderFiles(bool selectedOnly) const {
    QStringList paths;
    for (int row = 0; row < folderSorted_->rowCount(); ++row) {
        const QModelIndex index = folderSorted_->index(row, 0);
        if (!selectedOnly || folderList_->selectionModel()->isRowSelected(row, {}))
            paths << index.data(AudioFileListModel::PathRole).toString();
    }
    return paths;
}

void JoinerWindow::showSelectedFileInfo() {
    const QStringList selected = folderFiles(true);
    if (selected.size() != 1)
        return;
    selectedFile_ = selected.first();
    showFileInfo(selectedFile_);
}

// ---- The join list ----

JoinList JoinerWindow::joinRows() const {
    JoinList list;
    for (int i = 0; i < joinList_->topLevelItemCount(); ++i) {
        const QTreeWidgetItem* item = joinList_->topLevelItem(i);
        list.rows.push_back({Platform::pathBytes(item->text(0)), item->text(1).toStdString(),
                             item->text(2).toStdString(), item->text(3).toStdString(), item->text(4).toStdString(),
                             item->checkState(0) == Qt::Checked, item->isSelected()});
    }
    return list;
}

void JoinerWindow::showJoinRows(const JoinList& list) {
    const QSignalBlocker blocker(joinList_);
    joinList_->clear();
    for (const JoinRow& row : list.rows) {
        auto* item = new QTreeWidgetItem(joinList_, {Platform::pathFromBytes(row.caption), qs(row.format),
                                                     qs(row.duration), qs(row.size), qs(row.status)});
        item->setFlags((item->flags() | Qt::ItemIsUserCheckable | Qt::ItemIsDragEnabled) & ~Qt::ItemIsDropEnabled);
        item->setCheckState(0, row.ticked ? Qt::Checked : Qt::Unchecked);
        item->setTextAlignment(2, Qt::AlignRight | Qt::AlignVCenter);
        item->setTextAlignment(3, Qt::AlignRight | Qt::AlignVCenter);
        item->setTextAlignment(4, Qt::AlignCenter);
        item->setSelected(row.selected);
    }
}

void JoinerWindow::changeJoinList(const std::function<void(JoinList&)>& change, bool refreshSummary) {
    JoinList list = joinRows();
    change(list);
    showJoinRows(list);
    if (refreshSummary) {
        showSummary();
        infoTop_ = infoCentre() - infoLinePitch(); // the summary line shows at once
        infoBox_->update();
    }
}

QString JoinerWindow::joinSummaryText() const {
    return qs(joinRows().summaryText());
}

void JoinerWindow::showSummary() {
    infoLine2_ = joinSummaryText();
    infoBox_->update();
}

void JoinerWindow::addSelected() {
    addFiles(folderFiles(true));
}

void JoinerWindow::addAll() {
    addFiles(folderFiles(false));
}

void JoinerWindow::addFiles(const QStringList& paths) {
    changeJoinList(
        [&](JoinList& list) {
            for (const QString& path : paths)
                if (!list.contains(Platform::pathBytes(path)) && isRegularFile(path) &&
                    !AppSettings::audioTypeOfFile(Platform::pathBytes(path)).empty()) {
                    list.add(rowOfFile(path));
                    rememberRecent(path);
                }
        },
        true);
}

void JoinerWindow::removeSelected() {
    if (!joinRows().anySelected())
        return;
    changeJoinList([](JoinList& list) { list.removeSelected(); }, true);
    infoRow_ = -1;
}

void JoinerWindow::removeAll() {
    changeJoinList([](JoinList& list) { list.removeAll(); }, true);
    infoRow_ = -1;
}

void JoinerWindow::moveToFirst() {
    changeJoinList([](JoinList& list) { list.moveFirst(); }, false);
}
void JoinerWindow::moveToLast() {
    changeJoinList([](JoinList& list) { list.moveLast(); }, false);
}
void JoinerWindow::moveUp() {
    changeJoinList([](JoinList& list) { list.moveUp(); }, false);
}
void JoinerWindow::moveDown() {
    changeJoinList([](JoinList& list) { list.moveDown(); }, false);
}

void JoinerWindow::moveSelectedTo(int row) {
    changeJoinList(
        [row](JoinList& list) {
            std::vector<JoinRow> moved, before, after;
            for (int i = 0; i < static_cast<int>(list.rows.size()); ++i) {
                const JoinRow& r = list.rows[static_cast<size_t>(i)];
                (r.selected ? moved : (row >= 0 && i < row ? before : after)).push_back(r);
            }
            if (row < 0)
                std::swap(before, after);
            list.rows = before;
            list.rows.insert(list.rows.end(), moved.begin(), moved.end());
            list.rows.insert(list.rows.end(), after.begin(), after.end());
        },
        false);
}

void JoinerWindow::selectJoinRowUnderMouse() {
    showSummary();
    const QList<QTreeWidgetItem*> selected = joinList_->selectedItems();
    const bool shownStillSelected =
        infoRow_ >= 0 && infoRow_ < joinList_->topLevelItemCount() && joinList_->topLevelItem(infoRow_)->isSelected();
    if (shownStillSelected || selected.size() != 1)
        return;
    infoRow_ = joinList_->indexOfTopLevelItem(selected.first());
    selectedFile_ = selected.first()->text(0);
    showFileInfo(selectedFile_);
}

// ---- The information box ----

int JoinerWindow::infoLinePitch() const {
    return infoBox_->linePitch();
}

int JoinerWindow::infoCentre() const {
    return (infoBox_->height() - infoBox_->fontMetrics().height()) / 2;
}

void JoinerWindow::showFileInfo(const QString& path) {
    try {
        info_.open(Platform::pathBytes(path));
        infoLine1_ = qs(info_.formatText());
    } catch (const EngineError& error) {
        infoLine1_ = QString::fromUtf8(error.what());
    }
    infoShownAt_ = nowMs();
    infoTop_ = infoCentre();
    infoTimer_.start();
    infoBox_->update();
}

void JoinerWindow::scrollInfo() {
    if (nowMs() - infoShownAt_ <= 4000)
        infoTop_ = infoCentre();
    else
        --infoTop_;
    if (infoCentre() >= infoTop_ + infoLinePitch())
        infoTimer_.stop();
    infoBox_->update();
}

// ---- Playback ----

void JoinerWindow::play() {
    if (isRegularFile(selectedFile_))
        playFile(selectedFile_);
}

void JoinerWindow::playFile(const QString& path) {
    player_.stop();
    file_.close();
    file_.setFileOption(true);
    file_.openForRead(Platform::pathBytes(path));
    if (file_.errorCode() != 0 || file_.totalFrames() == 0) {
        stopPlayback();
        return;
    }
    player_.setFormat(file_.streamSampleRate(), file_.streamChannels());
    blockFrames_ = player_.msToSamples(166);
    file_.seek(0);
    player_.play();
    if (player_.playError() != 0)
        file_.close();
}

void JoinerWindow::stopPlayback() {
    player_.stop();
    file_.close();
}

void JoinerWindow::stop() {
    stopPlayback();
}

// ---- Merging ----

void JoinerWindow::startMerging() {
    mergeCancelled_ = false;
    startMerge();
}

void JoinerWindow::setMergeControls(bool merging) {
    cancelMergeButton_->setVisible(merging);
    mergeButton_->setVisible(!merging);
    for (QWidget* control : std::initializer_list<QWidget*>{
             addButton_, addAllButton_, downButton_, firstButton_, lastButton_, removeButton_, removeAllButton_,
             upButton_, playButton_, stopButton_, joinList_, folderList_, folderTree_, outputFormatBox_,
             outputFormatButton_, recentButton_})
        control->setEnabled(!merging);
}

void JoinerWindow::startMerge() {
    mergeRows_.clear();
    mergingRow_ = -1;
    closeAfterMerge_ = false;
    std::vector<std::string> paths;
    const JoinList list = joinRows();
    for (size_t i = 0; i < list.rows.size(); ++i) {
        if (list.rows[i].ticked && isRegularFile(Platform::pathFromBytes(list.rows[i].caption))) {
            paths.push_back(list.rows[i].caption);
            mergeRows_.push_back(static_cast<int>(i));
        }
    }
    mergeCount_ = static_cast<int>(paths.size());
    if (mergeCount_ <= 1)
        return;
    const std::string kind = outputKindOfIndex(outputFormatBox_->currentIndex());
    prepareOutputFormat(output_, mp3Encoder_, kind);
    const std::time_t now = now_();
    const std::string stem = mergedFileStem(AppSettings::joinPreName, AppSettings::joinPosName,
                                            AppSettings::joinUseDate, *std::localtime(&now));
    const std::string output =
        uniqueOutputName(AppSettings::joinOutputPath, stem, extensionOfKind(kind), AppSettings::joinOverwrite);
    // An input is never overwritten while it is being read.
    if (!inputThatIsOutput(output, paths).empty()) {
        showMessage(tr("Cannot merge into \"") + qs(output) + "\": it is one of the files to merge");
        return;
    }
    output_.createForWrite(output);
    if (output_.errorCode() != 0) {
        showMessage(qs(output_.errorText()));
        return;
    }
    mergedFile_ = qs(output);
    setMergeControls(true);
    merging_ = true;
    worker_ = new MergeWorker(this, input_, std::move(paths), output_);
    mergeDoneText_ = tr("Done");
    mergeNote_.clear();
    if (AppSettings::joinKeepsEncoding)
        worker_->keepEncoding(kind, [this](bool copied, const std::string& note) {
            QMetaObject::invokeMethod(
                this,
                [this, copied, note = qs(note)] {
                    noteMerge(copied ? tr("Done (copied)") : tr("Done (re-encoded)"), note);
                },
                Qt::QueuedConnection);
        });
    connect(worker_, &JobWorker::ended, this, &JoinerWindow::mergeFinished, Qt::QueuedConnection);
    worker_->start(QThread::NormalPriority);
}

// The note may come after the progress of rows already done.
void JoinerWindow::noteMerge(const QString& doneText, const QString& note) {
    mergeDoneText_ = doneText;
    mergeNote_ = note;
    for (const int row : mergeRows_)
        if (QTreeWidgetItem* item = joinList_->topLevelItem(row); item && item->text(4) == tr("Done")) {
            item->setText(4, doneText);
            item->setToolTip(4, note);
        }
}

void JoinerWindow::cancelMerging() {
    mergeCancelled_ = true;
    if (worker_)
        worker_->requestInterruption();
}

bool JoinerWindow::event(QEvent* event) {
    if (event->type() == WorkerEvent::typeOf(WM_MERGE_PROGRESS)) {
        const auto* progress = static_cast<WorkerEvent*>(event);
        mergeProgress(progress->item, progress->percent);
        return true;
    }
    return JobWindow::event(event);
}

void JoinerWindow::mergeProgress(int index, int percent) {
    if (index < 0 || index >= static_cast<int>(mergeRows_.size()))
        return;
    QTreeWidgetItem* item = joinList_->topLevelItem(mergeRows_[static_cast<size_t>(index)]);
    if (percent >= 100) {
        mergingRow_ = -1;
        item->setText(4, mergeDoneText_);
        item->setToolTip(4, mergeNote_);
        return;
    }
    mergingRow_ = mergeRows_[static_cast<size_t>(index)];
    item->setText(4, tr("Merging: %1 % done").arg(percent));
    const double overall = static_cast<double>(index) / mergeCount_ * 100 + static_cast<double>(percent) / mergeCount_;
    infoLine2_ = tr("Merging: %1 % done").arg(static_cast<int>(std::nearbyint(overall)));
    infoBox_->update();
}

void JoinerWindow::mergeFinished(bool failed, const QString& failure, int failedItem) {
    QCoreApplication::sendPostedEvents(this, WorkerEvent::typeOf(WM_MERGE_PROGRESS));
    merging_ = false;
    setMergeControls(false);
    showSummary();
    QString problem = failure;
    if (const QString closing = closeJobFiles(input_, output_); !closing.isEmpty()) {
        problem = closing;
        failed = true;
    }
    if (failed) {
        if (failedItem >= 0 && failedItem < static_cast<int>(mergeRows_.size()))
            joinList_->topLevelItem(mergeRows_[static_cast<size_t>(failedItem)])->setText(4, tr("Failed"));
        showMessage(problem);
    } else if (mergeCancelled_) {
        if (mergingRow_ >= 0)
            joinList_->topLevelItem(mergingRow_)->setText(4, tr("Canceled"));
    } else {
        showMessage(tr("Merge finished"));
    }
    refreshPlayList();
    if (closeAfterMerge_) {
        closeAfterMerge_ = false;
        done(QDialog::Rejected);
    }
}
