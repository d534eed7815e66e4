#include "InfoBox.h"

#include <chrono>

#include <QPainter>

namespace {

int64_t nowMs() {
    return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

} // namespace

InfoBox::InfoBox(QWidget* parent) : QWidget(parent) {
    setFixedHeight(fontMetrics().height() + 11);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    top_ = centre() - linePitch();
    timer_.setInterval(30);
    connect(&timer_, &QTimer::timeout, this, &InfoBox::scroll);
}

int InfoBox::centre() const {
    return (height() - fontMetrics().height()) / 2;
}

void InfoBox::showInfo(const QString& text) {
    line1_ = text;
    shownAt_ = nowMs();
    top_ = centre();
    timer_.start();
    update();
}

void InfoBox::setSummary(const QString& text, bool now) {
    line2_ = text;
    if (now)
        top_ = centre() - linePitch();
    update();
}

// The information stays four seconds, then moves up a pixel a step until the summary is centred.
void InfoBox::scroll() {
    if (nowMs() - shownAt_ <= 4000)
        top_ = centre();
    else
        --top_;
    if (centre() >= top_ + linePitch())
        timer_.stop();
    update();
}

void InfoBox::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setPen(palette().color(QPalette::WindowText));
    const int ascent = fontMetrics().ascent();
    painter.drawText(0, top_ + ascent, line1_);
    painter.drawText(0, top_ + linePitch() + ascent, line2_);
}
