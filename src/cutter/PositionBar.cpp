#include "PositionBar.h"

#include <algorithm>
#include <cmath>

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <QVBoxLayout>
#include <QWheelEvent>

#include "Waveform.h"

namespace {

constexpr int Margin = 8;     // beside the waveform, so that the position shows at the ends
constexpr int PointReach = 4; // pixels a press may be from a cut point to take it
constexpr int ScrollUnits = 10000;

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

PositionBar::PositionBar(QWidget* parent) : QWidget(parent), scrollBar_(new QScrollBar(Qt::Horizontal, this)) {
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
        if (maximum() > 0)
            setView(static_cast<double>(value) / ScrollUnits * static_cast<double>(maximum()), viewLength_);
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

void PositionBar::setDocument(CutDocument* document) {
    if (document_)
        disconnect(document_, nullptr, this, nullptr);
    document_ = document;
    draggedPoint_ = -1;
    draggingPosition_ = false;
    if (document_) {
        for (auto change : {&CutDocument::pointsChanged, &CutDocument::sectionsEdited})
            connect(document_, change, this, qOverload<>(&QWidget::update));
        connect(document_, &CutDocument::selectionChanged, this, qOverload<>(&QWidget::update));
        connect(document_, &CutDocument::positionChanged, this, &PositionBar::followPosition);
    }
    showAll();
}

const CutPoints& PositionBar::points() const {
    static const CutPoints none;
    return document_ ? document_->points() : none;
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
    const double t = std::clamp<double>(static_cast<double>(time), 0.0, static_cast<double>(maximum()));
    return Margin + static_cast<int>(std::lround((t - viewStart_) / viewLength_ * waveWidth()));
}

int64_t PositionBar::xToTime(int x) const {
    const double t = viewStart_ + static_cast<double>(x - Margin) / waveWidth() * viewLength_;
    return std::clamp<int64_t>(std::llround(t), 0, maximum());
}

void PositionBar::setView(double start, double length) {
    const double whole = static_cast<double>(maximum());
    // Down to one sample per column.
    const double shortest = std::min(whole, waveWidth() * 1000.0 / sampleRate_);
    viewLength_ = std::clamp(length, shortest, whole);
    viewStart_ = std::clamp(start, 0.0, whole - viewLength_);
    updateScrollBar();
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
    if (document_)
        zoomBy(2.0, static_cast<double>(document_->position()));
}

void PositionBar::zoomOut() {
    if (document_)
        zoomBy(0.5, static_cast<double>(document_->position()));
}

void PositionBar::showAll() {
    setView(0.0, static_cast<double>(maximum()));
}

void PositionBar::updateScrollBar() {
    const double whole = static_cast<double>(maximum());
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
    scrollBar_->setValue(static_cast<int>(std::lround(viewStart_ / whole * ScrollUnits)));
}

int64_t PositionBar::step() const {
    return maximum() <= 0 ? 0 : std::max<int64_t>(1, static_cast<int64_t>(viewLength_ / waveWidth() / 10));
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

// Playing past the view's end turns the page.
void PositionBar::followPosition(int64_t time) {
    if (viewLength_ > 0 && (time < viewStart_ || time > viewStart_ + viewLength_))
        setView(static_cast<double>(time) - viewLength_ * 0.1, viewLength_);
    update();
}

void PositionBar::stepBackward() {
    if (document_)
        document_->setPosition(document_->position() - step());
}

void PositionBar::stepForward() {
    if (document_)
        document_->setPosition(document_->position() + step());
}

// ---- The mouse and the keys ----

int PositionBar::pointNear(int x) const {
    const CutPoints& points = this->points();
    for (size_t i = 1; i + 1 < points.size(); ++i)
        if (std::abs(timeToX(points[i].time) - x) <= PointReach)
            return static_cast<int>(i);
    return -1;
}

void PositionBar::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton || maximum() <= 0)
        return QWidget::mousePressEvent(event);
    const int x = static_cast<int>(event->position().x());
    draggedPoint_ = pointNear(x);
    if (draggedPoint_ >= 0) {
        document_->beginMove();
        return;
    }
    draggingPosition_ = true;
    document_->setPosition(xToTime(x));
}

void PositionBar::mouseMoveEvent(QMouseEvent* event) {
    const int x = static_cast<int>(event->position().x());
    if (draggedPoint_ >= 0 && document_)
        document_->movePoint(draggedPoint_, xToTime(x));
    else if (draggingPosition_ && document_)
        document_->setPosition(xToTime(x));
    else
        setCursor(pointNear(x) >= 0 ? Qt::SizeHorCursor : Qt::ArrowCursor);
}

void PositionBar::mouseReleaseEvent(QMouseEvent* event) {
    if (draggedPoint_ >= 0 && document_)
        document_->endMove();
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
    updateScrollBar();
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
        // A thin frame: the waveform stays visible inside it.
        painter.setPen(QPen(palette().color(QPalette::Highlight), 1, Qt::DotLine));
        painter.setBrush(Qt::NoBrush);
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
    const CutPoints& points = this->points();
    const int selected = document_ ? document_->selectedSection() : -1;
    for (size_t i = 0; i + 1 < points.size(); ++i) {
        const int left = timeToX(points[i].time), right = timeToX(points[i + 1].time);
        const QRect section(left, area.top(), std::max(1, right - left), area.height());
        if (!points[i].use)
            painter.fillRect(section, skippedColour());
        if (static_cast<int>(i) == selected)
            painter.fillRect(section, selectedColour());
    }
    painter.setPen(QPen(palette().color(QPalette::WindowText), 1, Qt::DashLine));
    for (size_t i = 1; i + 1 < points.size(); ++i) {
        const int x = timeToX(points[i].time);
        if (x >= area.left() && x <= area.right())
            painter.drawLine(x, area.top(), x, area.bottom());
    }
    painter.restore();
}

void PositionBar::paintPosition(QPainter& painter, const QRect& area) {
    if (maximum() <= 0 || !document_)
        return;
    const int x = timeToX(document_->position());
    if (x < area.left() - Margin || x > area.right() + Margin)
        return;
    painter.save(); // the marker's brush must not fill what is drawn after it
    painter.setPen(QPen(positionColour(), 1));
    painter.drawLine(x, area.top(), x, area.bottom());
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setBrush(positionColour());
    const int top = area.top(), bottom = area.bottom();
    painter.drawPolygon(QPolygon({{x - 6, top}, {x + 6, top}, {x, top + 7}}));
    painter.drawPolygon(QPolygon({{x - 6, bottom}, {x + 6, bottom}, {x, bottom - 7}}));
    painter.restore();
}
