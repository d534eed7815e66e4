#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include <QImage>
#include <QWidget>

class QLabel;

// A cut point: a time on the file's time line, whether the section starting there is cut,
// and that section's own title and artist for its tags (empty: the usual ones).
struct CutPoint {
    int64_t time = 0; // ms
    bool use = true;
    std::string title = {}, artist = {};

    bool operator==(const CutPoint&) const = default;
};
using CutPoints = std::vector<CutPoint>;

// The cutter's time line: the play position, the cut points, the unticked sections and
// the highlighted one, over a picture of the file's waveform. The position moves by
// dragging either handle; clicking elsewhere does nothing. Times are in milliseconds.
class PositionBar : public QWidget {
    Q_OBJECT

public:
    explicit PositionBar(QWidget* parent = nullptr);

    // Pictures (the background is the waveform, 566 x 85; the others as the window gives them).
    void setBackgroundImage(const QImage& image);
    void setHandleImages(const QImage& upper, const QImage& lower);
    void setLineImages(const QImage& line, const QImage& marker);
    void setSectionImages(const QImage& skipped, const QImage& selected);

    void setMax(int64_t duration);
    void setPosition(int64_t time);
    void stepBackward();
    void stepForward();

    // The point list: adding keeps it sorted and splits a section into two with its tick.
    void addPoint(int64_t time);
    void addCurrentPoint();
    void deletePoint(int index);
    void clearPoints();
    void selectSection(int index);
    void gotoSection(int index);

    // Paint box column of a time, and time of a handle's left edge (halves to even).
    int timeToX(int64_t time) const;
    int64_t xToTime(int x) const;

    int64_t minimum_ = 0;
    int64_t maximum_ = 0;
    int64_t position_ = 0;
    CutPoints points_;
    int selectedSection_ = -1;
    int64_t step_ = 0;
    int lineColumn_ = 16;

    std::function<void()> onPositionChange;
    std::function<void()> onPointsChange;

    QLabel* upperHandle_;
    QLabel* lowerHandle_;

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void placeHandles(int left);
    void positionChanged();
    void pointsChanged();

    QImage background_, line_, marker_, skippedImage_, selectedImage_;
    bool dragging_ = false;
    int grabOffset_ = 0;
};
