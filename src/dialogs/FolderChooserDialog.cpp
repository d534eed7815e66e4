#include "FolderChooserDialog.h"

#include <QDir>
#include <QPushButton>

#include "FolderTree.h"

TfrmPathSelect::TfrmPathSelect(QWidget* parent) : QDialog(parent) {
    setObjectName("frmPathSelect");
    setWindowTitle("Path Select");
    setFixedSize(317, 363);

    ShellTreeView1 = new TFolderTree(this);
    ShellTreeView1->setObjectName("ShellTreeView1");
    ShellTreeView1->setGeometry(8, 8, 301, 310);

    btnOk = new QPushButton("Ok", this);
    btnOk->setObjectName("btnOk");
    btnOk->setGeometry(146, 328, 75, 25);
    btnCancel = new QPushButton("Cancel", this);
    btnCancel->setObjectName("btnCancel");
    btnCancel->setGeometry(230, 328, 75, 25);
    connect(btnOk, &QPushButton::clicked, this, &TfrmPathSelect::btnOkClick);
    connect(btnCancel, &QPushButton::clicked, this, &TfrmPathSelect::btnCancelClick);

    ShellTreeView1->SelectPath(QDir::homePath());
}

QString TfrmPathSelect::WithSingleTrailingSlash(const QString& path) {
    QString folder = path;
    if (folder.endsWith('/'))
        folder.chop(1);
    return folder + '/';
}

void TfrmPathSelect::btnOkClick() {
    ChosenPath = WithSingleTrailingSlash(ShellTreeView1->SelectedPath());
    accept();
}

void TfrmPathSelect::btnCancelClick() {
    ChosenPath.clear();
    reject();
}
