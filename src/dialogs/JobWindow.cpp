#include "JobWindow.h"

#include <QPushButton>

#include "AboutBox.h"
#include "ConfirmDialog.h"
#include "OptionsDialog.h"
#include "ShellOpen.h"
#include "SpecialFolders.h"

TJobWindow::TJobWindow(QWidget* parent) : QDialog(parent) {}

void TJobWindow::SetWindows(TfrmOptions* options, TfrmConfirm* confirm, std::function<void()> refreshPlayList) {
    frmOptions_ = options;
    frmConfirm_ = confirm;
    refreshPlayList_ = std::move(refreshPlayList);
}

void TJobWindow::BuildToolButtons(int x, int closeX, const char* closeName, std::function<QString()> outputFolder) {
    auto button = [this](const char* name, const char* text, const char* hint, int left) {
        auto* made = new QPushButton(text, this);
        made->setObjectName(name);
        made->setToolTip(hint);
        made->setGeometry(left, 24, 60, 30);
        return made;
    };
    btnFolder = button("btnFolder", "Folder", "Open the output folder", x);
    btnOptions = button("btnOptions", "Options", "Options", x + 64);
    btnHelp = button("btnHelp", "Help", "Help", x + 128);
    btnAbout = button("btnAbout", "About", "About", x + 192);
    btnClose = new QPushButton("x", this);
    btnClose->setObjectName(closeName);
    btnClose->setToolTip("Close");
    btnClose->setGeometry(closeX, 2, 20, 18);
    connect(btnFolder, &QPushButton::clicked, this,
            [outputFolder] { Platform::ShellOpen(outputFolder().toStdString()); });
    connect(btnOptions, &QPushButton::clicked, this, [this] {
        if (frmOptions_)
            frmOptions_->exec();
    });
    connect(btnHelp, &QPushButton::clicked, this, [] { Platform::ShellOpen(Platform::HelpDocumentPath()); });
    connect(btnAbout, &QPushButton::clicked, this, [this] { ShowAboutBox(this); });
    connect(btnClose, &QPushButton::clicked, this, &QDialog::close);
}

void TJobWindow::ShowMessage(const QString& text) {
    LastMessage = text;
    if (frmConfirm_)
        frmConfirm_->Ask(text, true);
}

bool TJobWindow::AskToCancel(const QString& question) {
    return frmConfirm_ && frmConfirm_->Ask(question, false) == TfrmConfirm::ResultYes;
}

void TJobWindow::RefreshPlayList() {
    if (refreshPlayList_)
        refreshPlayList_();
}
