#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include <QPointer>
#include <QWidget>

#include "CutDocument.h"

class QScrollBar;
class PeakLevels;

// The cutter's time line, a view of a cut document: a time axis over the file's waveform,
// the position, the cut points, the unticked sections and the selected one (shaded so the
// waveform shows through). A click sets the document's position, dragging moves it or a
// cut point; the wheel (or zoomIn/zoomOut) zooms around the pointer down to single
// samples, and the scroll bar under it, or Shift and the wheel, pans. Its own state is the
// zoom and the scroll. Times are in milliseconds.
class PositionBar : public QWidget {
    Q_OBJECT

public:
    explicit PositionBar(QWidget* parent = nullptr);
    ~PositionBar() override;

    // The waveform drawn (not owned; nullptr for none) and the file's sample rate, which
    // sets the deepest zoom. Call peaksChanged when more of it is computed.
    void setPeaks(const PeakLevels* peaks, int sampleRate);
    void peaksChanged();
    const PeakLevels* peaks() const { return peaks_; }

    // The document shown (not owned); the view follows its changes.
    void setDocument(CutDocument* document);
    // The position moves by a tenth of a column's time (at least a millisecond).
    void stepBackward();
    void stepForward();
    int64_t step() const;

    // The time shown: [viewStart(), viewStart() + viewLength()).
    double viewStart() const { return viewStart_; }
    double viewLength() const { return viewLength_; }
    void zoomBy(double factor, double aroundTime);
    void zoomIn();  // around the position
    void zoomOut(); // around the position
    void showAll();

    // The column of a time and the time of a column (clamped to the file).
    int timeToX(int64_t time) const;
    int64_t xToTime(int x) const;
    // Where the waveform is drawn, and the time axis above it.
    QRect waveArea() const;
    int axisHeight() const;
    // The times the axis labels, for the view's zoom.
    std::vector<int64_t> axisTicks() const;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

    // Section colours, chosen to read on light and dark palettes, and the position's.
    static QColor skippedColour();
    static QColor selectedColour();
    static QColor positionColour();

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    int64_t maximum() const { return document_ ? document_->duration() : 0; }
    const CutPoints& points() const;
    void documentChanged();
    int pointNear(int x) const;
    double waveWidth() const;
    void setView(double start, double length);
    void updateScrollBar();
    void paintAxis(QPainter& painter);
    void paintWave(QPainter& painter, const QRect& area);
    void paintSections(QPainter& painter, const QRect& area);
    void paintPosition(QPainter& painter, const QRect& area);
    void followPosition(int64_t time);

    const PeakLevels* peaks_ = nullptr;
    int sampleRate_ = 44100;
    double viewStart_ = 0, viewLength_ = 0;
    QScrollBar* scrollBar_;
    QPointer<CutDocument> document_;
    int draggedPoint_ = -1; // index of the point being dragged, -1 for none
    bool draggingPosition_ = false;
};
