#include "PositionBar.h"

#include <algorithm>
#include <cmath>

#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QPixmap>

PositionBar::PositionBar(QWidget* parent) : QWidget(parent) {
    setAutoFillBackground(true);
    QPalette colours = palette();
    colours.setColor(QPalette::Window, QColor(236, 236, 216));
    setPalette(colours);
    upperHandle_ = new QLabel(this);
    lowerHandle_ = new QLabel(this);
    for (QLabel* handle : {upperHandle_, lowerHandle_}) {
        handle->resize(33, 16);
        handle->installEventFilter(this);
        handle->setCursor(Qt::SizeHorCursor);
    }
    upperHandle_->setObjectName("UpperHandle");
    lowerHandle_->setObjectName("LowerHandle");
}

void PositionBar::setBackgroundImage(const QImage& image) {
    background_ = image;
    update();
}

void PositionBar::setHandleImages(const QImage& upper, const QImage& lower) {
    upperHandle_->setPixmap(QPixmap::fromImage(upper));
    lowerHandle_->setPixmap(QPixmap::fromImage(lower));
    upperHandle_->resize(upper.size());
    lowerHandle_->resize(lower.size());
}

void PositionBar::setLineImages(const QImage& line, const QImage& marker) {
    line_ = line;
    marker_ = marker;
}

void PositionBar::setSectionImages(const QImage& skipped, const QImage& selected) {
    skippedImage_ = skipped;
    selectedImage_ = selected;
}

int PositionBar::timeToX(int64_t time) const {
    const int w = width();
    if (time >= maximum_)
        return w - 17;
    if (time <= minimum_)
        return 16;
    return static_cast<int>(std::nearbyint(static_cast<double>(time) / static_cast<double>(maximum_) * (w - 33))) + 16;
}

int64_t PositionBar::xToTime(int x) const {
    const int w = width();
    if (x < 0)
        return minimum_;
    if (x > w - 16)
        return maximum_;
    return static_cast<int64_t>(std::nearbyint(static_cast<double>(x) / (w - 33) * static_cast<double>(maximum_)));
}

void PositionBar::placeHandles(int left) {
    upperHandle_->move(left, 0);
    lowerHandle_->move(left, 70);
}

void PositionBar::positionChanged() {
    if (onPositionChange)
        onPositionChange();
}

void PositionBar::pointsChanged() {
    if (onPointsChange)
        onPointsChange();
}

void PositionBar::setMax(int64_t duration) {
    maximum_ = duration;
    addPoint(minimum_);
    addPoint(maximum_);
    step_ = maximum_ / (width() - 16) / 10;
}

void PositionBar::setPosition(int64_t time) {
    position_ = std::clamp(time, minimum_, std::max(minimum_, maximum_));
    lineColumn_ = timeToX(position_);
    placeHandles(lineColumn_ - 16);
    positionChanged();
    update();
}

void PositionBar::stepBackward() {
    setPosition(position_ - step_);
}
void PositionBar::stepForward() {
    setPosition(position_ + step_);
}

void PositionBar::addPoint(int64_t time) {
    if (std::any_of(points_.begin(), points_.end(), [time](const CutPoint& p) { return p.time == time; }))
        return;
    points_.push_back({time, true});
    std::sort(points_.begin(), points_.end(), [](const CutPoint& a, const CutPoint& b) { return a.time < b.time; });
    const auto at = std::find_if(points_.begin(), points_.end(), [time](const CutPoint& p) { return p.time == time; });
    const size_t index = static_cast<size_t>(at - points_.begin());
    // Both halves of a split section keep its tick; a new end point is ticked.
    at->use = index == 0 || index + 1 == points_.size() ? true : points_[index - 1].use;
    pointsChanged();
}

void PositionBar::addCurrentPoint() {
    addPoint(position_);
}

void PositionBar::deletePoint(int index) {
    if (index <= 0 || index >= static_cast<int>(points_.size()) - 1)
        return;
    points_.erase(points_.begin() + index);
    pointsChanged();
    update();
}

void PositionBar::clearPoints() {
    if (points_.empty())
        return;
    const CutPoint first = points_.front();
    points_ = {first};
    if (maximum_ != first.time)
        points_.push_back({maximum_, true});
    pointsChanged();
    update();
}

void PositionBar::selectSection(int index) {
    selectedSection_ = index;
    update();
}

void PositionBar::gotoSection(int index) {
    if (index >= 0 && index < static_cast<int>(points_.size()) - 1)
        setPosition(points_[static_cast<size_t>(index)].time);
}

void PositionBar::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.drawImage(0, 0, background_);
    for (size_t i = 0; i < points_.size(); ++i) {
        const CutPoint& point = points_[i];
        const int sectionLeft = timeToX(point.time);
        if (point.time != maximum_ && i + 1 < points_.size()) {
            const int sectionRight = timeToX(points_[i + 1].time);
            if (!point.use && sectionRight >= sectionLeft)
                for (int x = sectionLeft; x <= sectionRight; ++x)
                    painter.drawImage(x, 19, skippedImage_);
            if (static_cast<int>(i) == selectedSection_)
                for (int x = sectionLeft; x <= sectionRight; ++x)
                    painter.drawImage(x, 19, selectedImage_);
        }
        if (point.time != minimum_ && point.time != maximum_)
            painter.drawImage(sectionLeft, 19, marker_);
    }
    painter.drawImage(lineColumn_, 16, line_);
}

void PositionBar::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    placeHandles(0);
    lineColumn_ = 16;
    position_ = xToTime(0);
}

bool PositionBar::eventFilter(QObject* watched, QEvent* event) {
    if (watched != upperHandle_ && watched != lowerHandle_)
        return QWidget::eventFilter(watched, event);
    auto* mouse = static_cast<QMouseEvent*>(event);
    switch (event->type()) {
    case QEvent::MouseButtonPress:
        if (mouse->button() == Qt::LeftButton) {
            dragging_ = true;
            grabOffset_ = static_cast<int>(mouse->position().x());
        }
        return true;
    case QEvent::MouseMove:
        if (dragging_) {
            const int left =
                std::clamp(static_cast<int>(mouse->position().x()) + upperHandle_->x() - grabOffset_, 0, width() - 33);
            placeHandles(left);
            lineColumn_ = left + 16;
            position_ = xToTime(left);
            positionChanged();
            update();
        }
        return true;
    case QEvent::MouseButtonRelease: dragging_ = false; return true;
    default: return QWidget::eventFilter(watched, event);
    }
}
