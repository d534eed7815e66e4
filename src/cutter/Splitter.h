#pragma once

#include <QDialog>

// The cutter window.
class TfrmSplitter : public QDialog {
    Q_OBJECT

public:
    explicit TfrmSplitter(QWidget* parent = nullptr);

    QString FileName;
};
