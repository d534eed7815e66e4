#pragma once

// Answers the program's confirm dialogs in window tests, where nobody clicks.

#include <QApplication>
#include <QLabel>
#include <QPushButton>
#include <QStringList>
#include <QTimer>

#include "ConfirmDialog.h"

// Keeps answering every confirm dialog that opens, noting its text: Yes to questions
// when yes is set, and the other button otherwise.
class DialogAnswers : public QObject {
public:
    explicit DialogAnswers(bool yes = false) : yes_(yes) {
        timer_.setInterval(20);
        QObject::connect(&timer_, &QTimer::timeout, [this] { answer(); });
        timer_.start();
    }
    void setYes(bool yes) { yes_ = yes; }
    QStringList texts;

private:
    void answer() {
        auto* dialog = qobject_cast<ConfirmDialog*>(QApplication::activeModalWidget());
        if (!dialog || !dialog->isVisible())
            return;
        texts << dialog->messageLabel_->text();
        (yes_ && dialog->yesButton_->isVisible() ? dialog->yesButton_ : dialog->noButton_)->click();
    }

    bool yes_;
    QTimer timer_;
};
