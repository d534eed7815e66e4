#pragma once

#include <QDialog>

class QPushButton;
class TFolderTree;

// The folder chooser of the output folders. After a modal showing, ChosenPath holds
// the chosen folder ending in "/", or is empty when the user cancelled.
class TfrmPathSelect : public QDialog {
    Q_OBJECT

public:
    explicit TfrmPathSelect(QWidget* parent = nullptr);

    QString ChosenPath;
    TFolderTree* ShellTreeView1;
    QPushButton* btnOk;
    QPushButton* btnCancel;

    // One trailing "/" removed if present, then one appended.
    static QString WithSingleTrailingSlash(const QString& path);

private:
    void btnOkClick();
    void btnCancelClick();
};
