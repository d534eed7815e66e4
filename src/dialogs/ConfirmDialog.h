#pragma once

#include <QMessageBox>

class QPushButton;

// The program's messages and yes/no questions: a message box of the desktop's theme,
// centred on the window that asks.
class ConfirmDialog : public QMessageBox {
    Q_OBJECT

public:
    static constexpr int ResultYes = 6;
    static constexpr int ResultNo = 7; // also the result of the message mode's only button

    explicit ConfirmDialog(QWidget* parent = nullptr);

    void setMessageOnly(bool messageOnly);
    void setMessage(const QString& text) { setText(text); }

    // Sets text and mode and shows the box modally; returns 6 or 7.
    int ask(const QString& text, bool messageOnly);
    // A message with a button that does something more (e.g. "Open folder"); true when
    // the user pressed that button.
    bool tell(const QString& text, const QString& actionText);

    QPushButton* yesButton() const { return yesButton_; }
    QPushButton* noButton() const { return noButton_; }
    QPushButton* actionButton() const { return actionButton_; }

protected:
    void showEvent(QShowEvent* event) override;

private:
    QPushButton* yesButton_;
    QPushButton* noButton_;
    QPushButton* actionButton_;
};
