#pragma once

#include <functional>

#include <QDialog>

class QPushButton;
class TfrmConfirm;
class TfrmOptions;

// What the cutter and the joiner share: the windows they open, their messages, the
// question whether to cancel a running job, and the tool row's Folder, Options, Help,
// About and close buttons.
class TJobWindow : public QDialog {
    Q_OBJECT

public:
    explicit TJobWindow(QWidget* parent = nullptr);

    // The windows this one opens, and how the main window's list is refreshed after a job.
    void SetWindows(TfrmOptions* options, TfrmConfirm* confirm, std::function<void()> refreshPlayList);

    // The last message the window showed (tests read it).
    QString LastMessage;

    QPushButton *btnFolder, *btnOptions, *btnHelp, *btnAbout, *btnClose;

protected:
    // Makes the tool row's buttons from the left edge x; outputFolder names the Folder button's folder.
    void BuildToolButtons(int x, int closeX, const char* closeName, std::function<QString()> outputFolder);
    void ShowMessage(const QString& text);
    // Asks the question of a running job; true when the user answers Yes.
    bool AskToCancel(const QString& question);
    void RefreshPlayList();

private:
    TfrmOptions* frmOptions_ = nullptr;
    TfrmConfirm* frmConfirm_ = nullptr;
    std::function<void()> refreshPlayList_;
};
