#pragma once

#include <QDialog>

// The joiner window.
class TfrmJoiner : public QDialog {
    Q_OBJECT

public:
    explicit TfrmJoiner(QWidget* parent = nullptr);
};
