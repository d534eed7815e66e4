#include "FolderChooserDialog.h"

#include <QDir>
#include <QPushButton>

#include "FolderTree.h"

FolderChooserDialog::FolderChooserDialog(QWidget* parent) : QDialog(parent) {
    setObjectName("folderChooser");
    setWindowTitle("Path Select");
    setFixedSize(317, 363);

    folderTree_ = new FolderTree(this);
    folderTree_->setObjectName("folderTree");
    folderTree_->setGeometry(8, 8, 301, 310);

    okButton_ = new QPushButton("Ok", this);
    okButton_->setObjectName("okButton");
    okButton_->setGeometry(146, 328, 75, 25);
    cancelButton_ = new QPushButton("Cancel", this);
    cancelButton_->setObjectName("cancelButton");
    cancelButton_->setGeometry(230, 328, 75, 25);
    connect(okButton_, &QPushButton::clicked, this, &FolderChooserDialog::acceptFolder);
    connect(cancelButton_, &QPushButton::clicked, this, &FolderChooserDialog::cancelChoice);

    folderTree_->selectPath(QDir::homePath());
}

QString FolderChooserDialog::withSingleTrailingSlash(const QString& path) {
    QString folder = path;
    if (folder.endsWith('/'))
        folder.chop(1);
    return folder + '/';
}

void FolderChooserDialog::acceptFolder() {
    chosenPath_ = withSingleTrailingSlash(folderTree_->selectedPath());
    accept();
}

void FolderChooserDialog::cancelChoice() {
    chosenPath_.clear();
    reject();
}
