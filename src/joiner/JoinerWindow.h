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
class QTreeView;
class QTreeWidget;
class AudioFileListModel;
class NaturalSortProxy;
class QTreeWidgetItem;
class FolderTree;
class InfoBox;
class MergeWorker;
class ConfirmDialog;
class OptionsDialog;

// The joiner window: a folder's audio files above, the ordered list of files to merge
// below, and the merge into one new file in the background.
class JoinerWindow : public JobWindow {
    Q_OBJECT

public:
    explicit JoinerWindow(QWidget* parent = nullptr);
    ~JoinerWindow() override;

    // Points the window's folder tree at a folder before it is shown.
    void setTreeFolder(const QString& folder);

    // Handlers a user reaches.
    void listSelectedFolder();
    void listCurrentFolder();
    void sortFolderList(int column);
    void addSelected();
    void addAll();
    void removeSelected();
    void removeAll();
    void moveToFirst();
    void moveToLast();
    void moveUp();
    void moveDown();
    void startMerging();
    void cancelMerging();
    void play();
    void stop();
    void showSelectedFileInfo();
    void selectJoinRowUnderMouse();
    // Adds files (from a drag out of the folder list or a file manager) as "Add" does.
    void addFiles(const QStringList& paths);
    // A drag within the join list: the selected rows go before row (at the end for -1).
    void moveSelectedTo(int row);

    // The join list's rows as shown (read from the list view).
    JoinList joinRows() const;
    QString joinSummaryText() const;

    QString selectedFile_;
    int infoRow_ = -1;
    std::vector<int> mergeRows_;
    int mergeCount_ = 0;
    int mergingRow_ = -1;
    bool merging_ = false, mergeCancelled_ = false, closeAfterMerge_ = false;
    QString infoLine1_, infoLine2_;
    int infoTop_ = 5;
    int64_t infoShownAt_ = 0;
    int blockFrames_ = 0;
    QString mergedFile_;
    QString mergeDoneText_ = "Done", mergeNote_; // the rows' status once joined, and why
    void noteMerge(const QString& doneText, const QString& note);

    // The clock the merged file's name is made from.
    std::function<std::time_t()> now_ = [] { return std::time(nullptr); };

    FolderTree* folderTree_;
    QTreeView* folderList_;
    AudioFileListModel* folderFiles_;
    NaturalSortProxy* folderSorted_;
    QTreeWidget* joinList_; // a view that takes dropped files
    InfoBox* infoBox_;
    QTimer infoTimer_;
    QComboBox* outputFormatBox_;
    QPushButton *mergeButton_, *cancelMergeButton_, *outputFormatButton_;
    QPushButton *addButton_, *addAllButton_, *removeButton_, *removeAllButton_, *firstButton_, *lastButton_, *upButton_,
        *downButton_;
    QPushButton *playButton_, *stopButton_;

    AudioPlayer player_;
    AudioFile file_, input_, output_;
    AudioInfo info_;
    Mp3EncoderSettings mp3Encoder_;

    // The information box's first line's top when it is centred, and the step to its second line.
    int infoCentre() const;
    int infoLinePitch() const;

protected:
    void showEvent(QShowEvent* event) override;
    void done(int result) override;
    bool event(QEvent* event) override;

private:
    void buildControls();
    QWidget* buildLists();
    void showJoinRows(const JoinList& list);
    void changeJoinList(const std::function<void(JoinList&)>& change, bool refreshSummary);
    void showSummary();
    void showFileInfo(const QString& path);
    void scrollInfo();
    void startMerge();
    void mergeProgress(int index, int percent);
    void mergeFinished(bool failed, const QString& failure, int failedItem);
    void setMergeControls(bool merging);
    void playFile(const QString& path);
    void stopPlayback();
    JoinRow rowOfFile(const QString& path);
    QStringList folderFiles(bool selectedOnly) const;

    QPointer<MergeWorker> worker_;
};
