#include "PositionBar.h"

#include <algorithm>
#include <cmath>

#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QPixmap>

TMyTrackBar::TMyTrackBar(QWidget* parent) : QWidget(parent) {
    setAutoFillBackground(true);
    QPalette colours = palette();
    colours.setColor(QPalette::Window, QColor(236, 236, 216));
    setPalette(colours);
    UpperHandle = new QLabel(this);
    LowerHandle = new QLabel(this);
    for (QLabel* handle : {UpperHandle, LowerHandle}) {
        handle->resize(33, 16);
        handle->installEventFilter(this);
        handle->setCursor(Qt::SizeHorCursor);
    }
    UpperHandle->setObjectName("UpperHandle");
    LowerHandle->setObjectName("LowerHandle");
}

void TMyTrackBar::SetBackgroundImage(const QImage& image) {
    background_ = image;
    update();
}

void TMyTrackBar::SetHandleImages(const QImage& upper, const QImage& lower) {
    UpperHandle->setPixmap(QPixmap::fromImage(upper));
    LowerHandle->setPixmap(QPixmap::fromImage(lower));
    UpperHandle->resize(upper.size());
    LowerHandle->resize(lower.size());
}

void TMyTrackBar::SetLineImages(const QImage& line, const QImage& marker) {
    line_ = line;
    marker_ = marker;
}

void TMyTrackBar::SetSectionImages(const QImage& skipped, const QImage& selected) {
    skipped_ = skipped;
    selected_ = selected;
}

int TMyTrackBar::TimeToX(int64_t time) const {
    const int w = width();
    if (time >= Max)
        return w - 17;
    if (time <= Min)
        return 16;
    return static_cast<int>(std::nearbyint(static_cast<double>(time) / static_cast<double>(Max) * (w - 33))) + 16;
}

int64_t TMyTrackBar::XToTime(int x) const {
    const int w = width();
    if (x < 0)
        return Min;
    if (x > w - 16)
        return Max;
    return static_cast<int64_t>(std::nearbyint(static_cast<double>(x) / (w - 33) * static_cast<double>(Max)));
}

void TMyTrackBar::PlaceHandles(int left) {
    UpperHandle->move(left, 0);
    LowerHandle->move(left, 70);
}

void TMyTrackBar::PositionChanged() {
    if (OnPositionChange)
        OnPositionChange();
}

void TMyTrackBar::PointsChanged() {
    if (OnPointsChange)
        OnPointsChange();
}

void TMyTrackBar::SetMax(int64_t duration) {
    Max = duration;
    AddPoint(Min);
    AddPoint(Max);
    Step = Max / (width() - 16) / 10;
}

void TMyTrackBar::SetPosition(int64_t time) {
    Position = std::clamp(time, Min, std::max(Min, Max));
    LineColumn = TimeToX(Position);
    PlaceHandles(LineColumn - 16);
    PositionChanged();
    update();
}

void TMyTrackBar::StepBackward() {
    SetPosition(Position - Step);
}
void TMyTrackBar::StepForward() {
    SetPosition(Position + Step);
}

void TMyTrackBar::AddPoint(int64_t time) {
    if (std::any_of(Points.begin(), Points.end(), [time](const TPosItem& p) { return p.Time == time; }))
        return;
    Points.push_back({time, true});
    std::sort(Points.begin(), Points.end(), [](const TPosItem& a, const TPosItem& b) { return a.Time < b.Time; });
    const auto at = std::find_if(Points.begin(), Points.end(), [time](const TPosItem& p) { return p.Time == time; });
    const size_t index = static_cast<size_t>(at - Points.begin());
    // Both halves of a split section keep its tick; a new end point is ticked.
    at->Use = index == 0 || index + 1 == Points.size() ? true : Points[index - 1].Use;
    PointsChanged();
}

void TMyTrackBar::AddCurrentPoint() {
    AddPoint(Position);
}

void TMyTrackBar::DeletePoint(int index) {
    if (index <= 0 || index >= static_cast<int>(Points.size()) - 1)
        return;
    Points.erase(Points.begin() + index);
    PointsChanged();
    update();
}

void TMyTrackBar::ClearPoints() {
    if (Points.empty())
        return;
    const TPosItem first = Points.front();
    Points = {first};
    if (Max != first.Time)
        Points.push_back({Max, true});
    PointsChanged();
    update();
}

void TMyTrackBar::SelectSection(int index) {
    Selected = index;
    update();
}

void TMyTrackBar::GotoSection(int index) {
    if (index >= 0 && index < static_cast<int>(Points.size()) - 1)
        SetPosition(Points[static_cast<size_t>(index)].Time);
}

void TMyTrackBar::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.drawImage(0, 0, background_);
    for (size_t i = 0; i < Points.size(); ++i) {
        const TPosItem& point = Points[i];
        const int b = TimeToX(point.Time);
        if (point.Time != Max && i + 1 < Points.size()) {
            const int f = TimeToX(Points[i + 1].Time);
            if (!point.Use && f >= b)
                for (int x = b; x <= f; ++x)
                    painter.drawImage(x, 19, skipped_);
            if (static_cast<int>(i) == Selected)
                for (int x = b; x <= f; ++x)
                    painter.drawImage(x, 19, selected_);
        }
        if (point.Time != Min && point.Time != Max)
            painter.drawImage(b, 19, marker_);
    }
    painter.drawImage(LineColumn, 16, line_);
}

void TMyTrackBar::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    PlaceHandles(0);
    LineColumn = 16;
    Position = XToTime(0);
}

bool TMyTrackBar::eventFilter(QObject* watched, QEvent* event) {
    if (watched != UpperHandle && watched != LowerHandle)
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
                std::clamp(static_cast<int>(mouse->position().x()) + UpperHandle->x() - grabOffset_, 0, width() - 33);
            PlaceHandles(left);
            LineColumn = left + 16;
            Position = XToTime(left);
            PositionChanged();
            update();
        }
        return true;
    case QEvent::MouseButtonRelease: dragging_ = false; return true;
    default: return QWidget::eventFilter(watched, event);
    }
}
