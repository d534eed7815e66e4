#include "JobWindow.h"

#include <QDir>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QMenu>
#include <QPushButton>
#include <QToolButton>

#include "AboutBox.h"
#include "AppSettings.h"
#include "ConfirmDialog.h"
#include "FileNames.h"
#include "OptionsDialog.h"
#include "ShellOpen.h"
#include "SpecialFolders.h"
#include "ThemedIcons.h"

JobWindow::JobWindow(QWidget* parent) : QDialog(parent) {}

void JobWindow::setWindows(OptionsDialog* options, ConfirmDialog* confirm, std::function<void()> refreshPlayList) {
    options_ = options;
    confirm_ = confirm;
    refreshPlayList_ = std::move(refreshPlayList);
}

QHBoxLayout* JobWindow::buildToolButtons(std::function<QString()> outputFolder) {
    auto* row = new QHBoxLayout;
    auto button = [this, row](const char* name, const QString& text, const QString& hint) {
        QPushButton* made = makeButton(this, name, text, hint);
        row->addWidget(made);
        return made;
    };
    folderButton_ = button("folderButton", tr("Folder"), tr("Open the output folder"));
    optionsButton_ = button("optionsButton", tr("Options"), tr("Options"));
    helpButton_ = button("helpButton", tr("Help"), tr("Help"));
    aboutButton_ = button("aboutButton", tr("About"), tr("About"));
    connect(folderButton_, &QPushButton::clicked, this,
            [this, outputFolder] { openWithDesktop(Platform::pathBytes(outputFolder())); });
    connect(optionsButton_, &QPushButton::clicked, this, [this] {
        if (options_)
            options_->exec();
    });
    connect(helpButton_, &QPushButton::clicked, this, [this] { openWithDesktop(Platform::helpDocumentPath()); });
    connect(aboutButton_, &QPushButton::clicked, this, [this] { showAboutBox(this); });
    return row;
}

QToolButton* JobWindow::buildRecentFiles(std::vector<std::string>& list, std::function<void(const QString&)> open) {
    recentList_ = &list;
    recentButton_ = new QToolButton(this);
    recentButton_->setObjectName("recentButton");
    recentButton_->setText(tr("Recent files"));
    recentButton_->setToolTip(tr("Open a file used lately"));
    recentButton_->setPopupMode(QToolButton::InstantPopup);
    recentButton_->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    recentButton_->setIcon(QIcon::fromTheme("document-open-recent"));
    auto* menu = new QMenu(recentButton_);
    menu->setObjectName("recentMenu");
    menu->setToolTipsVisible(true);
    recentButton_->setMenu(menu);
    connect(menu, &QMenu::aboutToShow, this, [this, open] { fillRecentMenu(open); });
    fillRecentMenu(open);
    return recentButton_;
}

void JobWindow::fillRecentMenu(const std::function<void(const QString&)>& open) {
    QMenu* menu = recentButton_->menu();
    menu->clear();
    for (const std::string& bytes : *recentList_) {
        const QString path = Platform::pathFromBytes(bytes);
        if (!QFileInfo(path).isFile())
            continue;
        const QString shown = fontMetrics().elidedText(QDir::toNativeSeparators(path), Qt::ElideMiddle, 480);
        QAction* action = menu->addAction(QString(shown).replace('&', "&&"));
        action->setToolTip(path);
        connect(action, &QAction::triggered, this, [open, path] { open(path); });
    }
    if (menu->isEmpty())
        menu->addAction(tr("No recent files"))->setEnabled(false);
}

void JobWindow::rememberRecent(const QString& path) {
    if (recentList_)
        AppSettings::rememberRecentFile(*recentList_, Platform::pathBytes(QFileInfo(path).absoluteFilePath()));
}

void JobWindow::openWithDesktop(const std::string& path) {
    if (!Platform::shellOpen(path))
        showMessage(Platform::pathFromBytes(Platform::shellOpenFailure(path)));
}

void JobWindow::showMessage(const QString& text) {
    if (confirm_)
        confirm_->ask(text, true);
}

void JobWindow::showWritten(const QString& finished, int files, const QString& folder) {
    QString what =
        files == 1 ? tr("1 file written in %1").arg(folder) : tr("%1 files written in %2").arg(files).arg(folder);
    for (const QString& damage : std::exchange(damage_, {}))
        what += "\n" + tr("Damaged and left out: %1").arg(damage);
    if (confirm_ && confirm_->tell(finished + "\n" + what, tr("Open folder")))
        openWithDesktop(Platform::pathBytes(folder));
}

bool JobWindow::askToCancel(const QString& question) {
    return confirm_ && confirm_->ask(question, false) == ConfirmDialog::ResultYes;
}

void JobWindow::refreshPlayList() {
    if (refreshPlayList_)
        refreshPlayList_();
}

void JobWindow::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}
