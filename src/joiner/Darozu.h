#pragma once

#include <QDialog>

// The joiner window.
class TfrmJoiner : public QDialog {
    Q_OBJECT

public:
    explicit TfrmJoiner(QWidget* parent = nullptr);

    // Points the window's folder tree at a folder before it is shown.
    void SetTreeFolder(const QString& folder) { TreeFolder = folder; }

    QString TreeFolder;
};
