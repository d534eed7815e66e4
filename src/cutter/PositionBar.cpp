#include "PositionBar.h"

#include <algorithm>
#include <cmath>

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <QUndoStack>
#include <QVBoxLayout>
#include <QWheelEvent>

#include "Waveform.h"

namespace {

constexpr int Margin = 8;     // beside the waveform, so that the position shows at the ends
constexpr int PointReach = 4; // pixels a press may be from a cut point to take it
constexpr int ScrollUnits = 10000;

bool earlier(const CutPoint& a, const CutPoint& b) {
    return a.time < b.time;
}

// A label for a tick of the axis: minutes and seconds, with the milliseconds when the
// ticks are closer than a second.
QString tickText(int64_t time, int64_t spacing) {
    const int64_t minutes = time / 60000, seconds = time / 1000 % 60, ms = time % 1000;
    QString text = QString("%1:%2").arg(minutes).arg(seconds, 2, 10, QChar('0'));
    if (spacing < 1000)
        text += QString(".%1").arg(ms, 3, 10, QChar('0'));
    return text;
}

} // namespace

// One change of the cut points, as the user made it: undone and redone by putting the
// points back as they were before and after it.
class PointsChange : public QUndoCommand {
public:
    PointsChange(PositionBar& bar, CutPoints before, const QString& what)
        : QUndoCommand(what), bar_(bar), before_(std::move(before)), after_(bar.points_) {}

    void undo() override { bar_.applyPoints(keepingTicks(before_)); }
    void redo() override {
        if (!first_)
            bar_.applyPoints(keepingTicks(after_));
        first_ = false;
    }

private:
    // Ticks, titles and artists changed in the list since stay with their points.
    CutPoints keepingTicks(CutPoints points) const {
        for (CutPoint& point : points)
            for (const CutPoint& now : bar_.points_)
                if (now.time == point.time)
                    point = now;
        return points;
    }

    PositionBar& bar_;
    CutPoints before_, after_;
    bool first_ = true;
};

PositionBar::PositionBar(QWidget* parent)
    : QWidget(parent), scrollBar_(new QScrollBar(Qt::Horizontal, this)), undoStack_(new QUndoStack(this)) {
    setFocusPolicy(Qt::StrongFocus);
    setMouseTracking(true);
    setAccessibleName(tr("Position"));
    scrollBar_->setObjectName("barScrollBar");
    scrollBar_->hide();
    // The scroll bar along the bottom, under the waveform, when zoomed in.
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(Margin, 0, Margin, 0);
    layout->addStretch(1);
    layout->addWidget(scrollBar_);
    connect(scrollBar_, &QScrollBar::valueChanged, this, [this](int value) {
        if (maximum_ > 0)
            setView(static_cast<double>(value) / ScrollUnits * static_cast<double>(maximum_), viewLength_);
    });
}

PositionBar::~PositionBar() = default;

QColor PositionBar::skippedColour() {
    return {128, 128, 128, 130};
}
QColor PositionBar::selectedColour() {
    return {240, 170, 40, 110};
}
QColor PositionBar::positionColour() {
    return {220, 40, 40};
}

QSize PositionBar::sizeHint() const {
    return {566, 110};
}
QSize PositionBar::minimumSizeHint() const {
    return {200, axisHeight() + 48 + scrollBar_->sizeHint().height()};
}

void PositionBar::setPeaks(const PeakLevels* peaks, int sampleRate) {
    peaks_ = peaks;
    sampleRate_ = sampleRate > 0 ? sampleRate : 44100;
    update();
}

void PositionBar::peaksChanged() {
    update();
}

void PositionBar::setSnap(std::function<int64_t(int64_t)> snap) {
    snap_ = std::move(snap);
}

// ---- The view ----

int PositionBar::axisHeight() const {
    return fontMetrics().height() + 6;
}

QRect PositionBar::waveArea() const {
    const int bottom = scrollBar_->isVisible() ? scrollBar_->y() : height();
    return QRect(Margin, axisHeight(), std::max(1, width() - 2 * Margin), std::max(1, bottom - axisHeight()));
}

double PositionBar::waveWidth() const {
    return std::max(1, waveArea().width() - 1);
}

int PositionBar::timeToX(int64_t time) const {
    if (viewLength_ <= 0)
        return Margin;
    const double t =
        std::clamp<double>(static_cast<double>(time), static_cast<double>(minimum_), static_cast<double>(maximum_));
    return Margin + static_cast<int>(std::lround((t - viewStart_) / viewLength_ * waveWidth()));
}

int64_t PositionBar::xToTime(int x) const {
    const double t = viewStart_ + static_cast<double>(x - Margin) / waveWidth() * viewLength_;
    return std::clamp<int64_t>(std::llround(t), minimum_, std::max(minimum_, maximum_));
}

void PositionBar::setView(double start, double length) {
    const double whole = static_cast<double>(std::max<int64_t>(maximum_ - minimum_, 0));
    // Down to one sample per column.
    const double shortest = std::min(whole, waveWidth() * 1000.0 / sampleRate_);
    viewLength_ = std::clamp(length, shortest, whole);
    viewStart_ = std::clamp(start, static_cast<double>(minimum_), static_cast<double>(minimum_) + whole - viewLength_);
    updateScrollBar();
    updateStep();
    update();
}

void PositionBar::zoomBy(double factor, double aroundTime) {
    if (viewLength_ <= 0 || factor <= 0)
        return;
    // The time under aroundTime stays where it is.
    const double share = (aroundTime - viewStart_) / viewLength_;
    const double length = viewLength_ / factor;
    setView(aroundTime - share * length, length);
}

void PositionBar::zoomIn() {
    zoomBy(2.0, static_cast<double>(position_));
}

void PositionBar::zoomOut() {
    zoomBy(0.5, static_cast<double>(position_));
}

void PositionBar::showAll() {
    setView(static_cast<double>(minimum_), static_cast<double>(maximum_ - minimum_));
}

void PositionBar::updateScrollBar() {
    const double whole = static_cast<double>(maximum_ - minimum_);
    const bool zoomed = whole > 0 && viewLength_ < whole;
    if (zoomed != scrollBar_->isVisible()) {
        scrollBar_->setVisible(zoomed);
        layout()->activate(); // the waveform's height follows at once
    }
    if (!zoomed)
        return;
    const QSignalBlocker quiet(scrollBar_);
    const int page = std::max(1, static_cast<int>(viewLength_ / whole * ScrollUnits));
    scrollBar_->setRange(0, ScrollUnits - page);
    scrollBar_->setPageStep(page);
    scrollBar_->setSingleStep(std::max(1, page / 10));
    scrollBar_->setValue(static_cast<int>(std::lround((viewStart_ - minimum_) / whole * ScrollUnits)));
}

// The step buttons move by a tenth of a column's time (at least a millisecond).
void PositionBar::updateStep() {
    step_ = std::max<int64_t>(1, static_cast<int64_t>(viewLength_ / waveWidth() / 10));
    if (maximum_ <= 0)
        step_ = 0;
}

std::vector<int64_t> PositionBar::axisTicks() const {
    std::vector<int64_t> ticks;
    if (viewLength_ <= 0)
        return ticks;
    // The shortest spacing of 1, 2 or 5 times a power of ten that leaves room for a label.
    const double room = fontMetrics().horizontalAdvance("000:00.000") + 12;
    const double shortest = room / waveWidth() * viewLength_;
    int64_t spacing = 1;
    for (int64_t scale = 1; spacing < shortest; scale *= 10)
        for (const int64_t step : {1, 2, 5})
            if (spacing < shortest)
                spacing = step * scale;
    // Minutes go by 1, 2, 5, 10, 15, 30 and 60 minutes rather than 10 000 s.
    if (spacing > 60000)
        for (const int64_t minutes : {1, 2, 5, 10, 15, 30, 60, 120})
            if (minutes * 60000 >= shortest) {
                spacing = minutes * 60000;
                break;
            }
    for (int64_t t = static_cast<int64_t>(std::ceil(viewStart_ / static_cast<double>(spacing))) * spacing;
         static_cast<double>(t) <= viewStart_ + viewLength_; t += spacing)
        ticks.push_back(t);
    return ticks;
}

// ---- Position and points ----

void PositionBar::positionChanged() {
    if (onPositionChange)
        onPositionChange();
}

void PositionBar::pointsChanged() {
    if (onPointsChange)
        onPointsChange();
    update();
}

void PositionBar::setMax(int64_t duration) {
    maximum_ = duration;
    // The end points are the list's own, not a change to undo.
    for (const int64_t end : {minimum_, maximum_})
        if (std::none_of(points_.begin(), points_.end(), [end](const CutPoint& p) { return p.time == end; }))
            points_.push_back({end, true});
    std::sort(points_.begin(), points_.end(), earlier);
    pointsChanged();
    showAll();
}

void PositionBar::setPosition(int64_t time) {
    position_ = std::clamp(time, minimum_, std::max(minimum_, maximum_));
    // Playing past the view's end turns the page.
    if (viewLength_ > 0 && (position_ < viewStart_ || position_ > viewStart_ + viewLength_))
        setView(static_cast<double>(position_) - viewLength_ * 0.1, viewLength_);
    positionChanged();
    update();
}

void PositionBar::stepBackward() {
    setPosition(position_ - step_);
}
void PositionBar::stepForward() {
    setPosition(position_ + step_);
}

void PositionBar::applyPoints(const CutPoints& points) {
    points_ = points;
    pointsChanged();
}

void PositionBar::recordChange(const CutPoints& before, const QString& what) {
    if (before != points_)
        undoStack_->push(new PointsChange(*this, before, what));
}

void PositionBar::addPoint(int64_t time) {
    if (snap_)
        time = std::clamp(snap_(time), minimum_, std::max(minimum_, maximum_));
    if (std::any_of(points_.begin(), points_.end(), [time](const CutPoint& p) { return p.time == time; }))
        return;
    const CutPoints before = points_;
    points_.push_back({time, true});
    std::sort(points_.begin(), points_.end(), earlier);
    const auto at = std::find_if(points_.begin(), points_.end(), [time](const CutPoint& p) { return p.time == time; });
    const size_t index = static_cast<size_t>(at - points_.begin());
    // Both halves of a split section keep its tick; a new end point is ticked.
    at->use = index == 0 || index + 1 == points_.size() ? true : points_[index - 1].use;
    recordChange(before, tr("Add cut point"));
    pointsChanged();
}

void PositionBar::addCurrentPoint() {
    addPoint(position_);
}

void PositionBar::deletePoint(int index) {
    if (index <= 0 || index >= static_cast<int>(points_.size()) - 1)
        return;
    const CutPoints before = points_;
    points_.erase(points_.begin() + index);
    recordChange(before, tr("Remove section"));
    pointsChanged();
}

void PositionBar::clearPoints() {
    if (points_.empty())
        return;
    const CutPoints before = points_;
    const CutPoint first = points_.front();
    points_ = {first};
    if (maximum_ != first.time)
        points_.push_back({maximum_, true});
    recordChange(before, tr("Remove all"));
    pointsChanged();
}

void PositionBar::replacePoints(const CutPoints& points) {
    const CutPoints before = points_;
    points_ = points;
    recordChange(before, tr("New cut points"));
    pointsChanged();
}

void PositionBar::movePoint(int index, int64_t time) {
    if (index <= 0 || index >= static_cast<int>(points_.size()) - 1)
        return;
    const auto i = static_cast<size_t>(index);
    if (snap_)
        time = snap_(time);
    points_[i].time = std::clamp(time, points_[i - 1].time + 1, points_[i + 1].time - 1);
    pointsChanged();
}

void PositionBar::resetPoints(const CutPoints& points) {
    points_ = points;
    undoStack_->clear();
    pointsChanged();
}

void PositionBar::selectSection(int index) {
    selectedSection_ = index;
    update();
}

void PositionBar::gotoSection(int index) {
    if (index >= 0 && index < static_cast<int>(points_.size()) - 1)
        setPosition(points_[static_cast<size_t>(index)].time);
}

// ---- The mouse and the keys ----

int PositionBar::pointNear(int x) const {
    for (size_t i = 1; i + 1 < points_.size(); ++i)
        if (std::abs(timeToX(points_[i].time) - x) <= PointReach)
            return static_cast<int>(i);
    return -1;
}

void PositionBar::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton || maximum_ <= 0)
        return QWidget::mousePressEvent(event);
    const int x = static_cast<int>(event->position().x());
    draggedPoint_ = pointNear(x);
    if (draggedPoint_ >= 0) {
        beforeDrag_ = points_;
        return;
    }
    draggingPosition_ = true;
    setPosition(xToTime(x));
}

void PositionBar::mouseMoveEvent(QMouseEvent* event) {
    const int x = static_cast<int>(event->position().x());
    if (draggedPoint_ >= 0)
        movePoint(draggedPoint_, xToTime(x));
    else if (draggingPosition_)
        setPosition(xToTime(x));
    else
        setCursor(pointNear(x) >= 0 ? Qt::SizeHorCursor : Qt::ArrowCursor);
}

void PositionBar::mouseReleaseEvent(QMouseEvent* event) {
    if (draggedPoint_ >= 0)
        recordChange(beforeDrag_, tr("Move cut point"));
    draggedPoint_ = -1;
    draggingPosition_ = false;
    QWidget::mouseReleaseEvent(event);
}

void PositionBar::wheelEvent(QWheelEvent* event) {
    const QPoint turn = event->angleDelta();
    if (event->modifiers() & Qt::ShiftModifier || std::abs(turn.x()) > std::abs(turn.y())) {
        const int steps = turn.x() != 0 ? turn.x() : turn.y();
        setView(viewStart_ - steps / 120.0 * viewLength_ / 8, viewLength_);
    } else if (turn.y() != 0) {
        zoomBy(std::pow(1.25, turn.y() / 120.0), static_cast<double>(xToTime(static_cast<int>(event->position().x()))));
    }
    event->accept();
}

void PositionBar::keyPressEvent(QKeyEvent* event) {
    switch (event->key()) {
    case Qt::Key_Plus:
    case Qt::Key_Equal: zoomIn(); break;
    case Qt::Key_Minus: zoomOut(); break;
    default: QWidget::keyPressEvent(event);
    }
}

// ---- Painting ----

void PositionBar::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    updateStep();
}

void PositionBar::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    const QRect area = waveArea();
    painter.fillRect(rect(), palette().window());
    painter.fillRect(area, palette().base());
    paintAxis(painter);
    paintWave(painter, area);
    paintSections(painter, area);
    paintPosition(painter, area);
    if (hasFocus()) {
        painter.setPen(QPen(palette().color(QPalette::Highlight), 1, Qt::DotLine));
        painter.drawRect(area.adjusted(0, 0, -1, -1));
    }
}

void PositionBar::paintAxis(QPainter& painter) {
    const std::vector<int64_t> ticks = axisTicks();
    const int64_t spacing = ticks.size() > 1 ? ticks[1] - ticks[0] : 1000;
    painter.setPen(palette().color(QPalette::WindowText));
    const int bottom = axisHeight() - 1;
    for (const int64_t t : ticks) {
        const int x = timeToX(t);
        painter.drawLine(x, bottom - 3, x, bottom);
        // Centred over its tick, but inside the bar at its ends.
        const QString text = tickText(t, spacing);
        const int textWidth = fontMetrics().horizontalAdvance(text);
        const int left = std::clamp(x - textWidth / 2, 0, std::max(0, width() - textWidth));
        painter.drawText(QRect(left, 0, textWidth, bottom - 3), Qt::AlignLeft | Qt::AlignBottom, text);
    }
}

void PositionBar::paintWave(QPainter& painter, const QRect& area) {
    if (!peaks_ || peaks_->totalFrames() <= 0 || viewLength_ <= 0)
        return;
    const double framesPerMs = sampleRate_ / 1000.0;
    const double first = viewStart_ * framesPerMs, perColumn = viewLength_ * framesPerMs / waveWidth();
    const int middle = area.center().y(), half = area.height() / 2 - 2;
    QColor wave = palette().color(QPalette::Text);
    wave.setAlpha(170);
    painter.setPen(wave);
    for (int column = 0; column <= static_cast<int>(waveWidth()); ++column) {
        const auto from = static_cast<int64_t>(first + perColumn * (column - 0.5));
        const auto to = std::max(from + 1, static_cast<int64_t>(first + perColumn * (column + 0.5)));
        const Peak peak = peaks_->peakOf(from, to);
        if (peak.low == 0 && peak.high == 0)
            continue;
        const int x = area.left() + column;
        painter.drawLine(x, middle - static_cast<int>(std::lround(peak.high * half)), x,
                         middle - static_cast<int>(std::lround(peak.low * half)));
    }
}

void PositionBar::paintSections(QPainter& painter, const QRect& area) {
    painter.save();
    painter.setClipRect(area);
    for (size_t i = 0; i + 1 < points_.size(); ++i) {
        const int left = timeToX(points_[i].time), right = timeToX(points_[i + 1].time);
        const QRect section(left, area.top(), std::max(1, right - left), area.height());
        if (!points_[i].use)
            painter.fillRect(section, skippedColour());
        if (static_cast<int>(i) == selectedSection_)
            painter.fillRect(section, selectedColour());
    }
    painter.setPen(QPen(palette().color(QPalette::WindowText), 1, Qt::DashLine));
    for (size_t i = 1; i + 1 < points_.size(); ++i) {
        const int x = timeToX(points_[i].time);
        if (x >= area.left() && x <= area.right())
            painter.drawLine(x, area.top(), x, area.bottom());
    }
    painter.restore();
}

void PositionBar::paintPosition(QPainter& painter, const QRect& area) {
    if (maximum_ <= 0)
        return;
    const int x = timeToX(position_);
    if (x < area.left() - Margin || x > area.right() + Margin)
        return;
    painter.setPen(QPen(positionColour(), 1));
    painter.drawLine(x, area.top(), x, area.bottom());
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setBrush(positionColour());
    const int top = area.top(), bottom = area.bottom();
    painter.drawPolygon(QPolygon({{x - 6, top}, {x + 6, top}, {x, top + 7}}));
    painter.drawPolygon(QPolygon({{x - 6, bottom}, {x + 6, bottom}, {x, bottom - 7}}));
}
