#include "PathSelect.h"

#include <QDir>
#include <QFileSystemModel>
#include <QHeaderView>
#include <QPushButton>
#include <QTreeView>

TfrmPathSelect::TfrmPathSelect(QWidget* parent) : QDialog(parent) {
    setObjectName("frmPathSelect");
    setWindowTitle("Path Select");
    setFixedSize(317, 363);

    model_ = new QFileSystemModel(this);
    model_->setFilter(QDir::AllDirs | QDir::NoDotAndDotDot | QDir::Drives);
    model_->setRootPath(QDir::rootPath());

    ShellTreeView1 = new QTreeView(this);
    ShellTreeView1->setObjectName("ShellTreeView1");
    ShellTreeView1->setModel(model_);
    ShellTreeView1->setRootIndex(model_->index(QDir::rootPath()));
    for (int column = 1; column < model_->columnCount(); ++column)
        ShellTreeView1->hideColumn(column);
    ShellTreeView1->header()->hide();
    ShellTreeView1->setGeometry(8, 8, 301, 310);

    btnOk = new QPushButton("Ok", this);
    btnOk->setObjectName("btnOk");
    btnOk->setGeometry(146, 328, 75, 25);
    btnCancel = new QPushButton("Cancel", this);
    btnCancel->setObjectName("btnCancel");
    btnCancel->setGeometry(230, 328, 75, 25);
    connect(btnOk, &QPushButton::clicked, this, &TfrmPathSelect::btnOkClick);
    connect(btnCancel, &QPushButton::clicked, this, &TfrmPathSelect::btnCancelClick);

    SelectFolder(QDir::homePath());
}

void TfrmPathSelect::SelectFolder(const QString& folder) {
    const QModelIndex index = model_->index(folder);
    ShellTreeView1->setCurrentIndex(index);
    ShellTreeView1->scrollTo(index);
}

QString TfrmPathSelect::SelectedFolder() const {
    return model_->filePath(ShellTreeView1->currentIndex());
}

QString TfrmPathSelect::WithSingleTrailingSlash(const QString& path) {
    QString folder = path;
    if (folder.endsWith('/'))
        folder.chop(1);
    return folder + '/';
}

void TfrmPathSelect::btnOkClick() {
    ChosenPath = WithSingleTrailingSlash(SelectedFolder());
    accept();
}

void TfrmPathSelect::btnCancelClick() {
    ChosenPath.clear();
    reject();
}
