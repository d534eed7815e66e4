#pragma once

#include <cstdint>
#include <ctime>
#include <functional>
#include <vector>

#include <QPointer>
#include <QTimer>

#include "AudioFile.h"
#include "Mp3EncoderSettings.h"
#include "AudioInfo.h"
#include "AudioPlayer.h"
#include "JobWindow.h"
#include "JoinList.h"

class QComboBox;
class QPushButton;
class QTreeWidget;
class QTreeWidgetItem;
class TFolderTree;
class TJoinerThread;
class TfrmConfirm;
class TfrmOptions;

// The joiner window: a folder's audio files above, the ordered list of files to merge
// below, and the merge into one new file in the background.
class TfrmJoiner : public TJobWindow {
    Q_OBJECT

public:
    explicit TfrmJoiner(QWidget* parent = nullptr);
    ~TfrmJoiner() override;

    // Points the window's folder tree at a folder before it is shown.
    void SetTreeFolder(const QString& folder);

    // Handlers a user reaches.
    void STVClick();
    void ListCurrentFolder();
    void SortFolderList(int column);
    void btnAddClick();
    void btnAddAllClick();
    void btnRemoveClick();
    void btnRemoveAllClick();
    void btnFirstClick();
    void btnLastClick();
    void btnUpClick();
    void btnDownClick();
    void btnStartMergeClick();
    void btnCancelMergeClick();
    void btnPlayClick();
    void btnStopClick();
    void lvFolderListClick();
    void lvJoinListMouseDown();
    // Adds files (from a drag out of the folder list or a file manager) as "Add" does.
    void AddFiles(const QStringList& paths);
    // A drag within the join list: the selected rows go before row (at the end for -1).
    void MoveSelectedTo(int row);

    // The join list's rows as shown (read from the list view).
    TJoinList JoinRows() const;
    QString JoinSummaryText() const;

    QString CurrentFolder;
    int SortColumn = 0;
    bool Listing = false, ListingRestart = false;
    QString SelectedFile;
    int InfoRow = -1;
    std::vector<int> MergeRows;
    int MergeCount = 0;
    int MergingRow = -1;
    bool Merging = false, MergeCancelled = false, CloseAfterMerge = false;
    QString Label1, Label2;
    int InfoTop = 5;
    int64_t InfoShownAt = 0;
    int BlockFrames = 0;
    QString MergedFile;
    // The clock the merged file's name is made from.
    std::function<std::time_t()> Now = [] { return std::time(nullptr); };

    TFolderTree* STV;
    QTreeWidget* lvFolderList;
    QTreeWidget* lvJoinList; // a view that takes dropped files
    QWidget* pbInfo;
    QTimer tmShowInfo;
    QComboBox* comboxJoinOutputFormat;
    QPushButton *btnStartMerge, *btnCancelMerge, *btnOutputFormat;
    QPushButton *btnAdd, *btnAddAll, *btnRemove, *btnRemoveAll, *btnFirst, *btnLast, *btnUp, *btnDown;
    QPushButton *btnPlay, *btnStop;

    TAudioPlayer2 AP;
    TAudioFile2 AF, AF_IN, AF_OUT;
    TAudioInformation2 AI;
    TAudioFile2LameEnc AudioFile2LameEnc1;

protected:
    void showEvent(QShowEvent* event) override;
    void done(int result) override;
    bool event(QEvent* event) override;

private:
    void BuildControls();
    void BuildLists();
    void ShowJoinRows(const TJoinList& list);
    void ChangeJoinList(const std::function<void(TJoinList&)>& change, bool refreshSummary);
    void ShowSummary();
    void ShowFileInfo(const QString& path);
    void tmShowInfoTimer();
    void StartMerge();
    void MergeProgress(int index, int percent);
    void MergeFinished(bool failed, const QString& failure, int failedItem);
    void SetMergeControls(bool merging);
    void PlayFile(const QString& path);
    void StopPlayback();
    TJoinRow RowOfFile(const QString& path);
    int InfoCentre() const;

    QPointer<TJoinerThread> worker_;
};
