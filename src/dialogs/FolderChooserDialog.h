#pragma once

#include <QDialog>

class QPushButton;
class FolderTree;

// The folder chooser of the output folders. After a modal showing, chosenPath_ holds
// the chosen folder ending in "/", or is empty when the user cancelled.
class FolderChooserDialog : public QDialog {
    Q_OBJECT

public:
    explicit FolderChooserDialog(QWidget* parent = nullptr);

    QString chosenPath_;
    FolderTree* folderTree_;
    QPushButton* okButton_;
    QPushButton* cancelButton_;

    // One trailing "/" removed if present, then one appended.
    static QString withSingleTrailingSlash(const QString& path);

private:
    void acceptFolder();
    void cancelChoice();
};
