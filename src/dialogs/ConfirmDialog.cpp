#include "ConfirmDialog.h"

#include <algorithm>

#include <QGuiApplication>
#include <QLabel>
#include <QPushButton>
#include <QScreen>

namespace {
constexpr int ButtonWidth = 80;
constexpr int ButtonHeight = 27;
constexpr int LabelTop = 36;
} // namespace

ConfirmDialog::ConfirmDialog(QWidget* parent) : QDialog(parent) {
    setObjectName("confirmDialog");
    setWindowTitle("Confirm");
    setFixedSize(307, 128);
    messageLabel_ = new QLabel(this);
    messageLabel_->setObjectName("messageLabel");
    messageLabel_->setTextFormat(Qt::PlainText);
    yesButton_ = new QPushButton("&Yes", this);
    yesButton_->setObjectName("yesButton");
    noButton_ = new QPushButton(this);
    noButton_->setObjectName("noButton");
    for (auto* button : {yesButton_, noButton_})
        button->resize(ButtonWidth, ButtonHeight);
    connect(yesButton_, &QPushButton::clicked, this, [this] { done(ResultYes); });
    connect(noButton_, &QPushButton::clicked, this, [this] { done(ResultNo); });
}

int ConfirmDialog::ask(const QString& text, bool messageOnly) {
    setMessageOnly(messageOnly);
    setMessage(text);
    return exec();
}

void ConfirmDialog::showEvent(QShowEvent* event) {
    prepareOnShow();
    QDialog::showEvent(event);
}

void ConfirmDialog::prepareOnShow() {
    messageLabel_->setText(messageText_);
    messageLabel_->adjustSize();
    const int labelWidth = messageLabel_->width();
    const int height = messageLabel_->height() + 121;
    const int buttonTop = height - 46;
    int width = 0;
    if (messageOnly_) {
        setWindowTitle("Message");
        width = std::max(labelWidth + 30, 220);
        messageLabel_->move((width - labelWidth) / 2 - 2, LabelTop);
        noButton_->move((width - ButtonWidth) / 2, buttonTop);
        yesButton_->hide();
        noButton_->setText("&Ok");
        noButton_->setDefault(true);
    } else {
        setWindowTitle("Confirm");
        width = std::max(labelWidth + 40, 220);
        messageLabel_->move((width - labelWidth) / 2, LabelTop);
        yesButton_->move((width - 2 * ButtonWidth - 10) / 2, buttonTop);
        noButton_->move(yesButton_->x() + ButtonWidth + 10, buttonTop);
        yesButton_->show();
        noButton_->setText("&No");
        yesButton_->setDefault(true);
    }
    setFixedSize(width, height);
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        move((screen->geometry().width() - width) / 2, y());
}
