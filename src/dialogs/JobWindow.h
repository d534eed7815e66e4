#pragma once

#include <functional>
#include <string>
#include <vector>

#include <QDialog>

class QHBoxLayout;
class QPushButton;
class QToolButton;
class ConfirmDialog;
class OptionsDialog;

// What the cutter and the joiner share: the windows they open, their messages, the
// question whether to cancel a running job, and the tool row's Folder, Options, Help
// and About buttons.
class JobWindow : public QDialog {
    Q_OBJECT

public:
    explicit JobWindow(QWidget* parent = nullptr);

    // The windows this one opens, and how the main window's list is refreshed after a job.
    void setWindows(OptionsDialog* options, ConfirmDialog* confirm, std::function<void()> refreshPlayList);

protected:
    QPushButton *folderButton_, *optionsButton_, *helpButton_, *aboutButton_;
    QToolButton* recentButton_ = nullptr;

    // Enter never starts a cut or a merge: it is taken here instead of pressing a default button.
    void keyPressEvent(QKeyEvent* event) override;
    // The tool row's buttons in a row; outputFolder names the Folder button's folder. The
    // window is closed from its own frame, as every window of the desktop.
    QHBoxLayout* buildToolButtons(std::function<QString()> outputFolder);
    // The "Recent files" button: its menu lists the files of list that are still there,
    // newest first, and choosing one calls open with its path.
    QToolButton* buildRecentFiles(std::vector<std::string>& list, std::function<void(const QString&)> open);
    // Puts a file first in the window's recent files.
    void rememberRecent(const QString& path);
    void showMessage(const QString& text);
    // The end of a job that wrote files: what ("Cut finished"), how many and where, with a
    // button that opens the folder.
    void showWritten(const QString& finished, int files, const QString& folder);
    // What a job found damaged in its inputs, said with what it wrote (see showWritten).
    void noteDamage(const QString& what) { damage_ << what; }
    // Opens a folder or document with the desktop's program, or says why it could not.
    void openWithDesktop(const std::string& path);
    // Asks the question of a running job; true when the user answers Yes.
    bool askToCancel(const QString& question);
    void refreshPlayList();

private:
    QStringList damage_;
    OptionsDialog* options_ = nullptr;
    ConfirmDialog* confirm_ = nullptr;
    std::function<void()> refreshPlayList_;
    std::vector<std::string>* recentList_ = nullptr;
    void fillRecentMenu(const std::function<void(const QString&)>& open);
};
