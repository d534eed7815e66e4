#pragma once

#include <QDialog>

class QLabel;
class QPushButton;

// The small modal dialog of the program's messages and yes/no questions. It sizes
// itself to its text each time it is shown.
class TfrmConfirm : public QDialog {
    Q_OBJECT

public:
    static constexpr int ResultYes = 6;
    static constexpr int ResultNo = 7; // also the result of the message mode's only button

    explicit TfrmConfirm(QWidget* parent = nullptr);

    void SetMessageOnly(bool messageOnly) { MessageOnly = messageOnly; }
    void SetMessage(const QString& text) { MessageText = text; }

    // Sets text and mode and shows the dialog modally; returns 6 or 7.
    int Ask(const QString& text, bool messageOnly);

    QLabel* Label1;
    QPushButton* suiButton1;
    QPushButton* suiButton2;

protected:
    void showEvent(QShowEvent* event) override;

private:
    void FormShow();

    QString MessageText;
    bool MessageOnly = true;
};
