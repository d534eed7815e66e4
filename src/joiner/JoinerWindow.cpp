#include "JoinerWindow.h"

#include <cmath>

#include <QComboBox>
#include <QCoreApplication>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QMimeData>
#include <QPushButton>
#include <QSplitter>
#include <QToolButton>
#include <QTreeView>
#include <QVBoxLayout>

#include "AppSettings.h"
#include "AudioFileListModel.h"
#include "AudioInfo.h"
#include "ConfirmDialog.h"
#include "FileListRows.h"
#include "FileNames.h"
#include "FolderTree.h"
#include "InfoBox.h"
#include "JoinListModel.h"
#include "MergeWorker.h"
#include "OutputFormat.h"
#include "JobTags.h"
#include "MergeJob.h"
#include "NameTemplate.h"
#include "OutputNaming.h"
#include "PlaybackController.h"
#include "ThemedIcons.h"
#include "WindowGeometry.h"
#include "WorkerEvent.h"

// The join list's view: takes files dropped from the folder list or a file manager, and
// reorders its own rows by dragging.
class JoinListView : public QTreeView {
public:
    JoinListView(JoinerWindow& window, QWidget* parent) : QTreeView(parent), window_(window) {
        setAcceptDrops(true);
        setDragEnabled(true);
        setDragDropMode(QAbstractItemView::DragDrop);
        setDropIndicatorShown(true);
    }

protected:
    void dragEnterEvent(QDragEnterEvent* event) override { acceptDrag(event); }
    void dragMoveEvent(QDragMoveEvent* event) override {
        QTreeView::dragMoveEvent(event);
        acceptDrag(event);
    }
    void dropEvent(QDropEvent* event) override {
        if (event->source() == this) {
            const QModelIndex target = indexAt(event->position().toPoint());
            window_.moveSelectedTo(target.isValid() ? target.row() : -1);
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

namespace {

QString qs(const std::string& text) {
    return QString::fromStdString(text);
}

JoinRow rowOfFile(const QString& path) {
    const AudioFileRow file = audioFileRowOf(path);
    JoinRow row;
    row.caption = Platform::pathBytes(path);
    row.format = file.format.toStdString();
    row.duration = AppSettings::formatHmsColon(file.durationMs);
    row.size = AppSettings::formatFileSize(file.size);
    row.chapter = chapterTitleOf(row.caption);
    return row;
}

} // namespace

JoinerWindow::JoinerWindow(QWidget* parent) : JobWindow(parent), playback_(new PlaybackController(166, this)) {
    setObjectName("joinerWindow");
    setWindowTitle(tr("Zelvo MP3 Darozu"));
    setSizeGripEnabled(true);
    input_.setFileOption(true);
    output_.setFileOption(true);
    buildControls();
    resize(sizeHint().expandedTo(QSize(700, 460)));
    keepGeometry(this, AppSettings::joinerGeometry);
    connect(playback_, &PlaybackController::failed, this, [this](const QString& why) { showMessage(why); });
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
    outputFormatBox_->addItems({"WAV", "MP3", "OGG", "WMA", "FLAC", "Opus", "M4A", "M4B"});
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
    connect(stopButton_, &QPushButton::clicked, playback_, &PlaybackController::stop);
    infoBox_ = new InfoBox(this);
    infoBox_->setObjectName("infoBox");
    infoBox_->setAccessibleName(tr("File information"));
    bottom->addWidget(playButton_);
    bottom->addWidget(stopButton_);
    bottom->addSpacing(12);
    bottom->addWidget(infoBox_, 1);
    layout->addLayout(bottom);
    addShortcut(mergeButton_, QKeySequence(Qt::CTRL | Qt::Key_S));
    addShortcut(optionsButton_, QKeySequence(Qt::CTRL | Qt::Key_Comma));
    addShortcut(helpButton_, QKeySequence::HelpContents);
}

QWidget* JoinerWindow::buildLists() {
    auto* panes = new QSplitter(Qt::Vertical, this);
    panes->setChildrenCollapsible(false);
    buildFolderList(panes);
    buildJoinList(panes);
    panes->setSizes({160, 170});
    return panes;
}

QWidget* JoinerWindow::buildFolderList(QWidget* parent) {
    auto* upper = new QSplitter(Qt::Horizontal, parent);
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
    folderList_->header()->setSectionsClickable(true);
    connect(folderList_->header(), &QHeaderView::sectionClicked, this, &JoinerWindow::sortFolderList);
    connect(folderList_, &QTreeView::clicked, this, &JoinerWindow::showSelectedFileInfo);
    upper->setSizes({209, 432});
    return upper;
}

QWidget* JoinerWindow::buildJoinList(QWidget* parent) {
    auto* lower = new QWidget(parent);
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
    const std::function<void()> actions[] = {
        [this] { addSelected(); },
        [this] { addAll(); },
        [this] {
            if (!selectedJoinRows().empty())
                changeJoinList([](JoinList& list) { list.removeSelected(); }, true);
        },
        [this] { changeJoinList([](JoinList& list) { list.removeAll(); }, true); },
        [this] { changeJoinList([](JoinList& list) { list.moveFirst(); }, false); },
        [this] { changeJoinList([](JoinList& list) { list.moveLast(); }, false); },
        [this] { changeJoinList([](JoinList& list) { list.moveUp(); }, false); },
        [this] { changeJoinList([](JoinList& list) { list.moveDown(); }, false); }};
    for (int i = 0; i < 8; ++i) {
        listButtons_.push_back(makeButton(lower, names[i], tr(texts[i]), tr(hints[i])));
        buttonRow->addWidget(listButtons_.back());
        connect(listButtons_.back(), &QPushButton::clicked, this, actions[i]);
    }
    lowerLayout->addLayout(buttonRow);
    joinRows_ = new JoinListModel(this);
    joinList_ = new JoinListView(*this, lower);
    joinList_->setObjectName("joinList");
    joinList_->setAccessibleName(tr("Files to join"));
    joinList_->setModel(joinRows_);
    lowerLayout->addWidget(joinList_, 1);
    joinList_->setRootIsDecorated(false);
    joinList_->setUniformRowHeights(true);
    joinList_->setSelectionMode(QAbstractItemView::ExtendedSelection);
    joinList_->setSelectionBehavior(QAbstractItemView::SelectRows);
    const int joinWidths[] = {230, 48, 86, 70, 110, 120};
    for (int column = 0; column < JoinListModel::ColumnCount; ++column)
        joinList_->setColumnWidth(column, joinWidths[column]);
    joinList_->header()->setSectionsClickable(false);
    connect(joinList_, &QTreeView::pressed, this, &JoinerWindow::showJoinRowInfo);
    connect(joinRows_, &QAbstractItemModel::dataChanged, this, &JoinerWindow::showSummary);
    return lower;
}

// ---- Opening, closing ----

void JoinerWindow::showEvent(QShowEvent* event) {
    JobWindow::showEvent(event);
    infoRow_ = -1;
    infoBox_->setSummary(qs(joinRows_->list().summaryText()), true);
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
    playback_->stop();
    JobWindow::done(result);
}

// ---- The folder list ----

// A folder's files in name order, as a file manager lists them (the order the file
// system returns them in is no order on Linux).
void JoinerWindow::listSelectedFolder() {
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
    for (int row = 0; row < folderSorted_->rowCount(); ++row)
        if (!selectedOnly || folderList_->selectionModel()->isRowSelected(row, {}))
            paths << folderSorted_->index(row, 0).data(AudioFileListModel::PathRole).toString();
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

std::vector<int> JoinerWindow::selectedJoinRows() const {
    std::vector<int> rows;
    for (const QModelIndex& index : joinList_->selectionModel()->selectedRows())
        rows.push_back(index.row());
    return rows;
}

void JoinerWindow::changeJoinList(const std::function<void(JoinList&)>& change, bool refreshSummary) {
    const std::vector<int> selected = joinRows_->change(selectedJoinRows(), change);
    for (const int row : selected)
        joinList_->selectionModel()->select(joinRows_->index(row, 0),
                                            QItemSelectionModel::Select | QItemSelectionModel::Rows);
    if (refreshSummary) {
        infoRow_ = -1;
        infoBox_->setSummary(qs(joinRows_->list().summaryText()), true);
    }
}

void JoinerWindow::showSummary() {
    infoBox_->setSummary(qs(joinRows_->list().summaryText()));
}

void JoinerWindow::addSelected() {
    if (const QStringList selected = folderFiles(true); !selected.isEmpty())
        addFiles(selected);
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

// A drag within the join list: the selected rows go before row (at the end for -1).
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

// A pressed row of the join list shows its file's information, unless the row shown is
// still among the selected.
void JoinerWindow::showJoinRowInfo() {
    showSummary();
    const std::vector<int> selected = selectedJoinRows();
    const bool shownStillSelected =
        infoRow_ >= 0 && std::find(selected.begin(), selected.end(), infoRow_) != selected.end();
    if (shownStillSelected || selected.size() != 1)
        return;
    infoRow_ = selected.front();
    selectedFile_ = Platform::pathFromBytes(joinRows_->list().rows[static_cast<size_t>(infoRow_)].caption);
    showFileInfo(selectedFile_);
}

void JoinerWindow::showFileInfo(const QString& path) {
    try {
        AudioInfo info;
        info.setInfoOption(true);
        info.open(Platform::pathBytes(path));
        infoBox_->showInfo(qs(info.formatText()));
    } catch (const EngineError& error) {
        infoBox_->showInfo(QString::fromUtf8(error.what()));
    }
}

void JoinerWindow::play() {
    if (isRegularFile(selectedFile_))
        playback_->play(selectedFile_, {});
}

// ---- Merging ----

void JoinerWindow::setMergeControls(bool merging) {
    cancelMergeButton_->setVisible(merging);
    mergeButton_->setVisible(!merging);
    for (QWidget* control : listButtons_)
        control->setEnabled(!merging);
    for (QWidget* control :
         std::initializer_list<QWidget*>{playButton_, stopButton_, joinList_, folderList_, folderTree_,
                                         outputFormatBox_, outputFormatButton_, recentButton_})
        control->setEnabled(!merging);
}

void JoinerWindow::startMerging() {
    mergeCancelled_ = closeAfterMerge_ = false;
    mergeRows_.clear();
    mergingRow_ = -1;
    std::vector<std::string> paths, chapters;
    const JoinList& list = joinRows_->list();
    for (size_t i = 0; i < list.rows.size(); ++i)
        if (list.rows[i].ticked && isRegularFile(Platform::pathFromBytes(list.rows[i].caption))) {
            paths.push_back(list.rows[i].caption);
            chapters.push_back(list.rows[i].chapter);
            mergeRows_.push_back(static_cast<int>(i));
        }
    if (paths.size() <= 1)
        return;
    const std::string kind = outputKindOfIndex(outputFormatBox_->currentIndex());
    prepareOutputFormat(output_, mp3Encoder_, kind);
    const std::time_t now = now_();
    const std::string output = joinOutputName(
        paths, AppSettings::joinOutputPath, kind, AppSettings::joinOverwrite,
        usableNameTemplate(AppSettings::joinNameTemplate, AppSettings::defaultJoinNameTemplate), localTimeOf(now));
    // An input is never overwritten while it is being read.
    if (!inputThatIsOutput(output, paths).empty())
        return showMessage(tr("Cannot merge into \"") + qs(output) + "\": it is one of the files to merge");
    output_.setReplacesExisting(AppSettings::joinOverwrite);
    output_.createForWrite(output);
    if (output_.errorCode() != 0)
        return showMessage(qs(output_.errorText()));
    mergedFile_ = qs(output);
    setMergeControls(true);
    merging_ = true;
    worker_ = new MergeWorker(this, input_, std::move(paths), std::move(chapters), output_);
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
    connect(worker_, &JobWorker::damaged, this, &JoinerWindow::noteDamage, Qt::QueuedConnection);
    worker_->start(QThread::NormalPriority);
}

// The note may come after the progress of rows already done.
void JoinerWindow::noteMerge(const QString& doneText, const QString& note) {
    mergeDoneText_ = doneText;
    mergeNote_ = note;
    for (const int row : mergeRows_)
        if (joinRows_->list().rows[static_cast<size_t>(row)].status == tr("Done").toStdString())
            joinRows_->setStatus(row, doneText.toStdString(), note.toStdString());
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
    const int row = mergeRows_[static_cast<size_t>(index)];
    if (percent >= 100) {
        mergingRow_ = -1;
        joinRows_->setStatus(row, mergeDoneText_.toStdString(), mergeNote_.toStdString());
        return;
    }
    mergingRow_ = row;
    joinRows_->setStatus(row, tr("Merging: %1 % done").arg(percent).toStdString());
    const auto count = static_cast<double>(mergeRows_.size());
    const double overall = index / count * 100 + percent / count;
    infoBox_->setSummary(tr("Merging: %1 % done").arg(static_cast<int>(std::nearbyint(overall))));
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
            joinRows_->setStatus(mergeRows_[static_cast<size_t>(failedItem)], tr("Failed").toStdString());
        showMessage(problem);
    } else if (mergeCancelled_) {
        joinRows_->setStatus(mergingRow_, tr("Canceled").toStdString());
    } else {
        showWritten(tr("Merge finished"), 1, mergedFile_.left(mergedFile_.lastIndexOf('/') + 1));
    }
    refreshPlayList();
    if (closeAfterMerge_) {
        closeAfterMerge_ = false;
        done(QDialog::Rejected);
    }
}
