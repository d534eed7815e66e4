#pragma once

// Answers the program's confirm dialogs in window tests, where nobody clicks.

#include <QApplication>
#include <QFileDialog>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QStringList>
#include <QTimer>

#include <memory>

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

// Calls answer on the next modal widget of type Dialog once it shows. Gives up after a
// few seconds, so that a test whose dialog never came fails instead of waiting.
template <typename Dialog, typename Answer>
void answerNextModal(Answer answer) {
    auto* timer = new QTimer;
    timer->setInterval(20);
    auto tries = std::make_shared<int>(250);
    QObject::connect(timer, &QTimer::timeout, [timer, answer, tries] {
        auto* dialog = qobject_cast<Dialog*>(QApplication::activeModalWidget());
        if (dialog && dialog->isVisible())
            answer(dialog);
        else if (--*tries > 0)
            return;
        timer->deleteLater();
    });
    timer->start();
}

// Answers the next folder dialog: chooses folder in it, or cancels when folder is empty.
inline void chooseFolderWhenAsked(const QString& folder) {
    answerNextModal<QFileDialog>([folder](QFileDialog* dialog) {
        if (folder.isEmpty())
            return dialog->reject();
        dialog->setDirectory(folder);
        static_cast<QDialog*>(dialog)->accept();
    });
}

// Closes the next message box.
inline void closeMessageBoxWhenShown() {
    answerNextModal<QMessageBox>([](QMessageBox* box) { box->close(); });
}
