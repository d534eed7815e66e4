#pragma once

// Answers the program's confirm dialogs in window tests, where nobody clicks.

#include <QApplication>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPointer>
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
    // Presses a message's extra button ("Open folder") where it has one.
    void setAction(bool action) { action_ = action; }
    QStringList texts;

private:
    void answer() {
        auto* dialog = qobject_cast<ConfirmDialog*>(QApplication::activeModalWidget());
        if (!dialog || !dialog->isVisible())
            return;
        texts << dialog->text();
        if (action_ && dialog->actionButton()->isVisible())
            return dialog->actionButton()->click();
        (yes_ && dialog->yesButton()->isVisible() ? dialog->yesButton() : dialog->noButton())->click();
    }

    bool yes_;
    bool action_ = false;
    QTimer timer_;
};

// Calls answer on the next modal widget of type Dialog once it shows, and again while
// it stays open (a dialog may not take an answer before it has loaded). Gives up after
// half a minute without one, so that a test whose dialog never came fails instead of
// waiting.
template <typename Dialog, typename Answer>
void answerNextModal(Answer answer) {
    auto* timer = new QTimer(qApp); // gone with the application, if the test ends first
    timer->setInterval(20);
    auto tries = std::make_shared<int>(1500);
    struct Answered {
        bool once = false;
        QPointer<Dialog> dialog; // null again once that dialog is gone
    };
    auto answered = std::make_shared<Answered>();
    QObject::connect(timer, &QTimer::timeout, [timer, answer, tries, answered] {
        auto* dialog = qobject_cast<Dialog*>(QApplication::activeModalWidget());
        const bool open = dialog && dialog->isVisible();
        if (open && (!answered->once || answered->dialog == dialog)) {
            answered->once = true;
            answered->dialog = dialog;
            answer(dialog);
        } else if (answered->once || --*tries <= 0) {
            timer->deleteLater(); // its dialog has closed (or another one came)
        }
    });
    timer->start();
}

// Types the folder's path into a folder dialog's name box, as a user can, and accepts it.
inline void typeFolderAndAccept(QFileDialog* dialog, const QString& folder) {
    if (auto* name = dialog->findChild<QLineEdit*>("fileNameEdit"))
        name->setText(folder);
    static_cast<QDialog*>(dialog)->accept();
}

// Answers the next folder dialog: chooses folder in it, or cancels when folder is empty.
inline void chooseFolderWhenAsked(const QString& folder) {
    answerNextModal<QFileDialog>([folder](QFileDialog* dialog) {
        if (folder.isEmpty())
            return dialog->reject();
        typeFolderAndAccept(dialog, folder);
    });
}

// Closes the next message box.
inline void closeMessageBoxWhenShown() {
    answerNextModal<QMessageBox>([](QMessageBox* box) { box->close(); });
}
