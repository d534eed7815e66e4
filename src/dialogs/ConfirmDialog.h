#pragma once

#include <QDialog>

class QLabel;
class QPushButton;

// The small modal dialog of the program's messages and yes/no questions. It sizes
// itself to its text each time it is shown.
class ConfirmDialog : public QDialog {
    Q_OBJECT

public:
    static constexpr int ResultYes = 6;
    static constexpr int ResultNo = 7; // also the result of the message mode's only button

    explicit ConfirmDialog(QWidget* parent = nullptr);

    void setMessageOnly(bool messageOnly) { messageOnly_ = messageOnly; }
    void setMessage(const QString& text) { messageText_ = text; }

    // Sets text and mode and shows the dialog modally; returns 6 or 7.
    int ask(const QString& text, bool messageOnly);

    QLabel* messageLabel_;
    QPushButton* yesButton_;
    QPushButton* noButton_;

protected:
    void showEvent(QShowEvent* event) override;

private:
    void prepareOnShow();

    QString messageText_;
    bool messageOnly_ = true;
};
