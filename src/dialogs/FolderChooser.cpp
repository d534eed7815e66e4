#include "FolderChooser.h"

#include <QDir>
#include <QCoreApplication>
#include <QFileDialog>
#include <QFileInfo>

QString FolderChooser::choose(QWidget* parent, const QString& start) {
    QFileDialog dialog(parent, QCoreApplication::translate("FolderChooser", "Path Select"),
                       QFileInfo(start).isDir() ? start : QDir::homePath());
    dialog.setObjectName("folderChooser");
    dialog.setFileMode(QFileDialog::Directory);
    dialog.setOption(QFileDialog::ShowDirsOnly);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {};
    return withSingleTrailingSlash(dialog.selectedFiles().first());
}

QString FolderChooser::withSingleTrailingSlash(const QString& path) {
    QString folder = path;
    if (folder.endsWith('/'))
        folder.chop(1);
    return folder + '/';
}
