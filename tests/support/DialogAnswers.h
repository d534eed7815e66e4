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
class TDialogAnswers : public QObject {
public:
    explicit TDialogAnswers(bool yes = false) : yes_(yes) {
        timer_.setInterval(20);
        QObject::connect(&timer_, &QTimer::timeout, [this] { Answer(); });
        timer_.start();
    }
    void SetYes(bool yes) { yes_ = yes; }
    QStringList Texts;

private:
    void Answer() {
        auto* dialog = qobject_cast<TfrmConfirm*>(QApplication::activeModalWidget());
        if (!dialog || !dialog->isVisible())
            return;
        Texts << dialog->Label1->text();
        (yes_ && dialog->suiButton1->isVisible() ? dialog->suiButton1 : dialog->suiButton2)->click();
    }

    bool yes_;
    QTimer timer_;
};
