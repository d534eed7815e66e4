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

TfrmConfirm::TfrmConfirm(QWidget* parent) : QDialog(parent) {
    setObjectName("frmConfirm");
    setWindowTitle("Confirm");
    setFixedSize(307, 128);
    Label1 = new QLabel(this);
    Label1->setObjectName("Label1");
    Label1->setTextFormat(Qt::PlainText);
    suiButton1 = new QPushButton("&Yes", this);
    suiButton1->setObjectName("suiButton1");
    suiButton2 = new QPushButton(this);
    suiButton2->setObjectName("suiButton2");
    for (auto* button : {suiButton1, suiButton2})
        button->resize(ButtonWidth, ButtonHeight);
    connect(suiButton1, &QPushButton::clicked, this, [this] { done(ResultYes); });
    connect(suiButton2, &QPushButton::clicked, this, [this] { done(ResultNo); });
}

int TfrmConfirm::Ask(const QString& text, bool messageOnly) {
    SetMessageOnly(messageOnly);
    SetMessage(text);
    return exec();
}

void TfrmConfirm::showEvent(QShowEvent* event) {
    FormShow();
    QDialog::showEvent(event);
}

void TfrmConfirm::FormShow() {
    Label1->setText(MessageText);
    Label1->adjustSize();
    const int labelWidth = Label1->width();
    const int height = Label1->height() + 121;
    const int buttonTop = height - 46;
    int width = 0;
    if (MessageOnly) {
        setWindowTitle("Message");
        width = std::max(labelWidth + 30, 220);
        Label1->move((width - labelWidth) / 2 - 2, LabelTop);
        suiButton2->move((width - ButtonWidth) / 2, buttonTop);
        suiButton1->hide();
        suiButton2->setText("&Ok");
        suiButton2->setDefault(true);
    } else {
        setWindowTitle("Confirm");
        width = std::max(labelWidth + 40, 220);
        Label1->move((width - labelWidth) / 2, LabelTop);
        suiButton1->move((width - 2 * ButtonWidth - 10) / 2, buttonTop);
        suiButton2->move(suiButton1->x() + ButtonWidth + 10, buttonTop);
        suiButton1->show();
        suiButton2->setText("&No");
        suiButton1->setDefault(true);
    }
    setFixedSize(width, height);
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        move((screen->geometry().width() - width) / 2, y());
}
