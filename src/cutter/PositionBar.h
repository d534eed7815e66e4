#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include <QWidget>

class QScrollBar;
class QUndoStack;
class PeakLevels;

// A cut point: a time on the file's time line, whether the section starting there is cut,
// and that section's own title and artist for its tags (empty: the usual ones).
struct CutPoint {
    int64_t time = 0; // ms
    bool use = true;
    std::string title = {}, artist = {};

    bool operator==(const CutPoint&) const = default;
};
using CutPoints = std::vector<CutPoint>;

// The cutter's time line: a time axis over the file's waveform, the play position, the
// cut points, the unticked sections and the highlighted one (shaded so the waveform
// shows through). A click sets the position, dragging moves it or a cut point; the wheel
// (or zoomIn/zoomOut) zooms around the pointer down to single samples, and the scroll
// bar under it, or Shift and the wheel, pans. Changes of the cut points go on an undo
// stack. Times are in milliseconds.
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

    void setMax(int64_t duration);
    void setPosition(int64_t time);
    void stepBackward();
    void stepForward();

    // The point list: adding keeps it sorted and splits a section into two with its tick.
    // Each change the user makes can be undone.
    void addPoint(int64_t time);
    void addCurrentPoint();
    void deletePoint(int index);
    void clearPoints();
    void replacePoints(const CutPoints& points); // a whole new plan, as one change
    void movePoint(int index, int64_t time);     // between its neighbours
    void resetPoints(const CutPoints& points);   // a new file: no undo history
    void selectSection(int index);
    void gotoSection(int index);
    QUndoStack* undoStack() const { return undoStack_; }

    // Where new and dragged points land (MP3 frame bounds, say); nothing: where asked.
    void setSnap(std::function<int64_t(int64_t)> snap);

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

    int64_t minimum_ = 0;
    int64_t maximum_ = 0;
    int64_t position_ = 0;
    CutPoints points_;
    int selectedSection_ = -1;
    int64_t step_ = 0;

    std::function<void()> onPositionChange;
    std::function<void()> onPointsChange;

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
    friend class PointsChange;
    void applyPoints(const CutPoints& points);
    void recordChange(const CutPoints& before, const QString& what);
    int pointNear(int x) const;
    double waveWidth() const;
    void setView(double start, double length);
    void updateScrollBar();
    void updateStep();
    void paintAxis(QPainter& painter);
    void paintWave(QPainter& painter, const QRect& area);
    void paintSections(QPainter& painter, const QRect& area);
    void paintPosition(QPainter& painter, const QRect& area);
    void positionChanged();
    void pointsChanged();

    const PeakLevels* peaks_ = nullptr;
    int sampleRate_ = 44100;
    double viewStart_ = 0, viewLength_ = 0;
    QScrollBar* scrollBar_;
    QUndoStack* undoStack_;
    std::function<int64_t(int64_t)> snap_;
    int draggedPoint_ = -1; // index of the point being dragged, -1 for none
    CutPoints beforeDrag_;
    bool draggingPosition_ = false;
};
