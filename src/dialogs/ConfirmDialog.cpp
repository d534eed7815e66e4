#include "ConfirmDialog.h"

#include <QApplication>
#include <QPushButton>

ConfirmDialog::ConfirmDialog(QWidget* parent) : QMessageBox(parent) {
    setObjectName("confirmDialog");
    setTextFormat(Qt::PlainText);
    yesButton_ = addButton(tr("&Yes"), QMessageBox::YesRole);
    yesButton_->setObjectName("yesButton");
    noButton_ = addButton(tr("&No"), QMessageBox::NoRole);
    noButton_->setObjectName("noButton");
    actionButton_ = addButton(QString(), QMessageBox::ActionRole);
    actionButton_->setObjectName("actionButton");
    setEscapeButton(noButton_);
    setMessageOnly(true);
    setWindowTitle(tr("Confirm")); // the box's name until it is first asked
}

void ConfirmDialog::setMessageOnly(bool messageOnly) {
    setWindowTitle(messageOnly ? tr("Message") : tr("Confirm"));
    setIcon(messageOnly ? QMessageBox::Information : QMessageBox::Question);
    yesButton_->setVisible(!messageOnly);
    actionButton_->setVisible(false);
    noButton_->setText(messageOnly ? tr("&Ok") : tr("&No"));
    setDefaultButton(messageOnly ? noButton_ : yesButton_);
}

int ConfirmDialog::ask(const QString& text, bool messageOnly) {
    setMessageOnly(messageOnly);
    setMessage(text);
    exec();
    return clickedButton() == yesButton_ ? ResultYes : ResultNo;
}

bool ConfirmDialog::tell(const QString& text, const QString& actionText) {
    setMessageOnly(true);
    setMessage(text);
    actionButton_->setText(actionText);
    actionButton_->setVisible(true);
    exec();
    return clickedButton() == actionButton_;
}

// Over the window that asks, wherever it is.
void ConfirmDialog::showEvent(QShowEvent* event) {
    QMessageBox::showEvent(event);
    if (const QWidget* asking = QApplication::activeWindow(); asking && asking != this)
        move(asking->frameGeometry().center() - QPoint(width() / 2, height() / 2));
}
