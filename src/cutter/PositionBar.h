#pragma once

#include <cstdint>
#include <functional>
#include <vector>

#include <QImage>
#include <QWidget>

class QLabel;

// A cut point: a time on the file's time line, and whether the section starting there is cut.
struct TPosItem {
    int64_t Time = 0; // ms
    bool Use = true;

    bool operator==(const TPosItem&) const = default;
};
using TPosArray = std::vector<TPosItem>;

// The cutter's time line: the play position, the cut points, the unticked sections and
// the highlighted one, over a picture of the file's waveform. The position moves by
// dragging either handle; clicking elsewhere does nothing. Times are in milliseconds.
class TMyTrackBar : public QWidget {
    Q_OBJECT

public:
    explicit TMyTrackBar(QWidget* parent = nullptr);

    // Pictures (the background is the waveform, 566 x 85; the others as the window gives them).
    void SetBackgroundImage(const QImage& image);
    void SetHandleImages(const QImage& upper, const QImage& lower);
    void SetLineImages(const QImage& line, const QImage& marker);
    void SetSectionImages(const QImage& skipped, const QImage& selected);

    void SetMax(int64_t duration);
    void SetPosition(int64_t time);
    void StepBackward();
    void StepForward();

    // The point list: adding keeps it sorted and splits a section into two with its tick.
    void AddPoint(int64_t time);
    void AddCurrentPoint();
    void DeletePoint(int index);
    void ClearPoints();
    void SelectSection(int index);
    void GotoSection(int index);

    // Paint box column of a time, and time of a handle's left edge (halves to even).
    int TimeToX(int64_t time) const;
    int64_t XToTime(int x) const;

    int64_t Min = 0;
    int64_t Max = 0;
    int64_t Position = 0;
    TPosArray Points;
    int Selected = -1;
    int64_t Step = 0;
    int LineColumn = 16;

    std::function<void()> OnPositionChange;
    std::function<void()> OnPointsChange;

    QLabel* UpperHandle;
    QLabel* LowerHandle;

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void PlaceHandles(int left);
    void PositionChanged();
    void PointsChanged();

    QImage background_, line_, marker_, skipped_, selected_;
    bool dragging_ = false;
    int grabOffset_ = 0;
};
