#pragma once

#include <ctime>
#include <functional>
#include <vector>

#include <QPointer>

#include "AudioFile.h"
#include "JobWindow.h"
#include "Mp3EncoderSettings.h"

class QComboBox;
class QPushButton;
class QTreeView;
class AudioFileListModel;
class FolderTree;
class InfoBox;
class JoinList;
class JoinListModel;
class JoinListView;
class MergeWorker;
class NaturalSortProxy;
class PlaybackController;

// The joiner window: a folder's audio files above, the ordered list of files to merge
// below, and the merge into one new file in the background. A view of the folder's
// file-list model and of the join-list model.
class JoinerWindow : public JobWindow {
    Q_OBJECT

public:
    explicit JoinerWindow(QWidget* parent = nullptr);
    ~JoinerWindow() override;

    // Points the window's folder tree at a folder (and lists it).
    void setTreeFolder(const QString& folder);
    // Adds files (from the command line, a drag out of the folder list or a file
    // manager) as "Add" does: each once, audio files only.
    void addFiles(const QStringList& paths);

    bool isMerging() const { return merging_; }
    // The file the last merge wrote.
    QString mergedFile() const { return mergedFile_; }
    // The clock the merged file's name is made from.
    void setClock(std::function<std::time_t()> now) { now_ = std::move(now); }

protected:
    void showEvent(QShowEvent* event) override;
    void done(int result) override;
    bool event(QEvent* event) override;

private:
    friend class JoinListView;
    void buildControls();
    QWidget* buildLists();
    QWidget* buildFolderList(QWidget* parent);
    QWidget* buildJoinList(QWidget* parent);
    void listSelectedFolder();
    void sortFolderList(int column);
    QStringList folderFiles(bool selectedOnly) const;
    void showSelectedFileInfo();
    std::vector<int> selectedJoinRows() const;
    void changeJoinList(const std::function<void(JoinList&)>& change, bool refreshSummary);
    void addSelected();
    void addAll();
    void moveSelectedTo(int row);
    void showSummary();
    void showJoinRowInfo();
    void showFileInfo(const QString& path);
    void play();
    void startMerging();
    void cancelMerging();
    void setMergeControls(bool merging);
    void noteMerge(const QString& doneText, const QString& note);
    void mergeProgress(int index, int percent);
    void mergeFinished(bool failed, const QString& failure, int failedItem);

    FolderTree* folderTree_;
    QTreeView* folderList_;
    AudioFileListModel* folderFiles_;
    NaturalSortProxy* folderSorted_;
    JoinListView* joinList_;
    JoinListModel* joinRows_;
    InfoBox* infoBox_;
    QComboBox* outputFormatBox_;
    QPushButton *mergeButton_, *cancelMergeButton_, *outputFormatButton_;
    std::vector<QPushButton*> listButtons_; // Add … Down
    QPushButton *playButton_, *stopButton_;
    PlaybackController* playback_;
    QString selectedFile_; // the file Play plays
    int infoRow_ = -1;     // the join list's row whose information shows

    // The running merge.
    AudioFile input_, output_;
    Mp3EncoderSettings mp3Encoder_;
    QPointer<MergeWorker> worker_;
    std::vector<int> mergeRows_;
    int mergingRow_ = -1;
    bool merging_ = false, mergeCancelled_ = false, closeAfterMerge_ = false;
    QString mergedFile_;
    QString mergeDoneText_, mergeNote_; // the rows' status once joined, and why
    std::function<std::time_t()> now_ = [] { return std::time(nullptr); };
};
