#include "JobWindow.h"

#include <QKeyEvent>
#include <QPushButton>

#include "AboutBox.h"
#include "ConfirmDialog.h"
#include "FileNames.h"
#include "OptionsDialog.h"
#include "ShellOpen.h"
#include "SpecialFolders.h"

JobWindow::JobWindow(QWidget* parent) : QDialog(parent) {}

void JobWindow::setWindows(OptionsDialog* options, ConfirmDialog* confirm, std::function<void()> refreshPlayList) {
    options_ = options;
    confirm_ = confirm;
    refreshPlayList_ = std::move(refreshPlayList);
}

void JobWindow::buildToolButtons(int x, int closeX, const char* closeName, std::function<QString()> outputFolder) {
    auto button = [this](const char* name, const char* text, const char* hint, int left) {
        auto* made = new QPushButton(text, this);
        made->setObjectName(name);
        made->setToolTip(hint);
        made->setGeometry(left, 24, 60, 30);
        return made;
    };
    folderButton_ = button("folderButton", "Folder", "Open the output folder", x);
    optionsButton_ = button("optionsButton", "Options", "Options", x + 64);
    helpButton_ = button("helpButton", "Help", "Help", x + 128);
    aboutButton_ = button("aboutButton", "About", "About", x + 192);
    closeButton_ = new QPushButton("x", this);
    closeButton_->setObjectName(closeName);
    closeButton_->setToolTip("Close");
    closeButton_->setGeometry(closeX, 2, 20, 18);
    connect(folderButton_, &QPushButton::clicked, this,
            [this, outputFolder] { openWithDesktop(Platform::pathBytes(outputFolder())); });
    connect(optionsButton_, &QPushButton::clicked, this, [this] {
        if (options_)
            options_->exec();
    });
    connect(helpButton_, &QPushButton::clicked, this, [this] { openWithDesktop(Platform::helpDocumentPath()); });
    connect(aboutButton_, &QPushButton::clicked, this, [this] { showAboutBox(this); });
    connect(closeButton_, &QPushButton::clicked, this, &QDialog::close);
}

void JobWindow::openWithDesktop(const std::string& path) {
    if (!Platform::shellOpen(path))
        showMessage(Platform::pathFromBytes(Platform::shellOpenFailure(path)));
}

void JobWindow::showMessage(const QString& text) {
    lastMessage_ = text;
    if (confirm_)
        confirm_->ask(text, true);
}

bool JobWindow::askToCancel(const QString& question) {
    return confirm_ && confirm_->ask(question, false) == ConfirmDialog::ResultYes;
}

void JobWindow::refreshPlayList() {
    if (refreshPlayList_)
        refreshPlayList_();
}

QPushButton* JobWindow::makeButton(QWidget* parent, const char* name, const QString& text, const QString& hint,
                                   QRect place) {
    auto* button = new QPushButton(text, parent);
    button->setObjectName(name);
    button->setToolTip(hint);
    button->setGeometry(place);
    return button;
}

void JobWindow::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}
