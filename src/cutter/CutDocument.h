#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include <QObject>

#include "CutPlan.h"

class QUndoStack;

// A cut point: a time on the file's time line, whether the section starting there is cut,
// and that section's own title and artist for its tags (empty: the usual ones).
struct CutPoint {
    int64_t time = 0; // ms
    bool use = true;
    std::string title = {}, artist = {};

    bool operator==(const CutPoint&) const = default;
};
using CutPoints = std::vector<CutPoint>;

// A fade at a section's start or end.
struct Fade {
    bool enabled = false;
    int lengthMs = 5000;
};

// One opened file in the cutter: its cut points with their ticks and titles, the fades,
// the speed it is heard at, the position and the selected section. Every change of the
// points, ticks and titles goes through the undo stack. A new file is a new document, so
// nothing of the last one carries over. Times are in milliseconds.
class CutDocument : public QObject {
    Q_OBJECT

public:
    // sourceTitle: the source's title tag or name, the stem of the sections' numbered titles.
    CutDocument(int64_t durationMs, std::string sourceTitle, QObject* parent = nullptr);
    ~CutDocument() override;

    int64_t duration() const { return duration_; }
    const CutPoints& points() const { return points_; }
    int sectionCount() const { return std::max(0, static_cast<int>(points_.size()) - 1); }
    int64_t sectionStart(int row) const;
    int64_t sectionEnd(int row) const;
    QUndoStack* undoStack() const { return undoStack_; }

    // Undoable edits. Adding keeps the points sorted and splits a section into two with
    // its tick; removing a section joins it to the one before (the first stays).
    void addPoint(int64_t time);
    void removeSection(int row);
    void removeAll();
    void replacePoints(const CutPoints& points);
    void setTicked(int row, bool ticked);
    // Typing the default title back, or nothing, leaves the section to its default title.
    void setTitle(int row, const std::string& title);
    // Dragging a point: the moves between begin and end are one change.
    void beginMove();
    void movePoint(int index, int64_t time); // between its neighbours
    void endMove();

    // The sections as a plan, and a plan shown as the sections (one change).
    CutPlan plan() const;
    void applyPlan(const CutPlan& plan);

    // The title a ticked section shows: its own, or the numbered default.
    std::string titleOf(int row) const;
    bool hasOwnTitle(int row) const { return !points_.at(static_cast<size_t>(row)).title.empty(); }
    std::string defaultTitle(int number) const;

    // Where new and dragged points land (MP3 frame bounds, say); nothing: where asked.
    void setSnap(std::function<int64_t(int64_t)> snap);

    // Not undone: where the file is, which section is selected, fades and speed.
    int64_t position() const { return position_; }
    void setPosition(int64_t time);
    int selectedSection() const { return selected_; }
    void selectSection(int row);
    Fade fadeIn() const { return fadeIn_; }
    Fade fadeOut() const { return fadeOut_; }
    void setFadeIn(Fade fade);
    void setFadeOut(Fade fade);
    double speed() const { return speed_; }
    void setSpeed(double speed);

signals:
    // The points are new: the sections may have changed in number or bounds.
    void pointsChanged();
    // A tick or a title changed; the bounds did not.
    void sectionsEdited();
    void positionChanged(qint64 time);
    void selectionChanged(int row);
    void fadesChanged();
    void speedChanged(double speed);

private:
    friend class PointsChange;
    void showPoints(const CutPoints& points);
    void record(const CutPoints& before, const QString& what);
    int64_t snapped(int64_t time) const;

    int64_t duration_;
    std::string sourceTitle_;
    CutPoints points_;
    CutPoints beforeMove_;
    bool moving_ = false;
    QUndoStack* undoStack_;
    std::function<int64_t(int64_t)> snap_;
    int64_t position_ = 0;
    int selected_ = -1;
    Fade fadeIn_, fadeOut_;
    double speed_ = 1.0;
};
