#include "CutDocument.h"

#include <algorithm>

#include <QUndoStack>

// One change of the points, ticks or titles: undone and redone by putting the points
// back as they were before and after it.
class PointsChange : public QUndoCommand {
public:
    PointsChange(CutDocument& document, CutPoints before, const QString& what)
        : QUndoCommand(what), document_(document), before_(std::move(before)), after_(document.points_) {}

    void undo() override { document_.showPoints(before_); }
    void redo() override {
        if (!first_)
            document_.showPoints(after_);
        first_ = false;
    }

private:
    CutDocument& document_;
    CutPoints before_, after_;
    bool first_ = true; // the change is made already when it is recorded
};

CutDocument::CutDocument(int64_t durationMs, std::string sourceTitle, QObject* parent)
    : QObject(parent), duration_(std::max<int64_t>(durationMs, 0)), sourceTitle_(std::move(sourceTitle)),
      undoStack_(new QUndoStack(this)) {
    points_.push_back({0, true});
    if (duration_ > 0)
        points_.push_back({duration_, true});
}

CutDocument::~CutDocument() = default;

int64_t CutDocument::sectionStart(int row) const {
    return points_.at(static_cast<size_t>(row)).time;
}

int64_t CutDocument::sectionEnd(int row) const {
    return points_.at(static_cast<size_t>(row) + 1).time;
}

int64_t CutDocument::snapped(int64_t time) const {
    return std::clamp<int64_t>(snap_ ? snap_(time) : time, 0, duration_);
}

void CutDocument::setSnap(std::function<int64_t(int64_t)> snap) {
    snap_ = std::move(snap);
}

// Ticks and titles alone changed: the rows stay; otherwise the sections are new.
void CutDocument::showPoints(const CutPoints& points) {
    const bool sameBounds = points.size() == points_.size() &&
                            std::equal(points.begin(), points.end(), points_.begin(),
                                       [](const CutPoint& a, const CutPoint& b) { return a.time == b.time; });
    points_ = points;
    if (sameBounds) {
        emit sectionsEdited();
        return;
    }
    if (selected_ >= sectionCount())
        selected_ = -1;
    emit pointsChanged();
}

void CutDocument::record(const CutPoints& before, const QString& what) {
    if (before != points_)
        undoStack_->push(new PointsChange(*this, before, what));
}

void CutDocument::addPoint(int64_t time) {
    time = snapped(time);
    if (std::any_of(points_.begin(), points_.end(), [time](const CutPoint& p) { return p.time == time; }))
        return;
    const CutPoints before = points_;
    CutPoints points = points_;
    const auto at =
        std::upper_bound(points.begin(), points.end(), time, [](int64_t t, const CutPoint& p) { return t < p.time; });
    const bool inside = at != points.begin() && at != points.end();
    // Both halves of a split section keep its tick; a new end point is ticked.
    const bool use = inside ? std::prev(at)->use : true;
    points.insert(at, {time, use});
    showPoints(points);
    record(before, tr("Add cut point"));
}

void CutDocument::removeSection(int row) {
    if (row <= 0 || row >= static_cast<int>(points_.size()) - 1)
        return;
    const CutPoints before = points_;
    CutPoints points = points_;
    points.erase(points.begin() + row);
    showPoints(points);
    record(before, tr("Remove section"));
}

void CutDocument::removeAll() {
    const CutPoints before = points_;
    CutPoints points{points_.front()};
    if (duration_ != points.front().time)
        points.push_back({duration_, true});
    showPoints(points);
    record(before, tr("Remove all"));
}

void CutDocument::replacePoints(const CutPoints& points) {
    const CutPoints before = points_;
    showPoints(points);
    record(before, tr("New cut points"));
}

void CutDocument::setTicked(int row, bool ticked) {
    if (row < 0 || row >= sectionCount() || points_[static_cast<size_t>(row)].use == ticked)
        return;
    const CutPoints before = points_;
    CutPoints points = points_;
    points[static_cast<size_t>(row)].use = ticked;
    showPoints(points);
    record(before, ticked ? tr("Tick section") : tr("Untick section"));
}

void CutDocument::setTitle(int row, const std::string& title) {
    if (row < 0 || row >= sectionCount())
        return;
    const int number = static_cast<int>(
        std::count_if(points_.begin(), points_.begin() + row + 1, [](const CutPoint& point) { return point.use; }));
    const std::string own = title.empty() || title == defaultTitle(number) ? std::string() : title;
    if (points_[static_cast<size_t>(row)].title == own)
        return;
    const CutPoints before = points_;
    CutPoints points = points_;
    points[static_cast<size_t>(row)].title = own;
    showPoints(points);
    record(before, tr("Title section"));
}

void CutDocument::beginMove() {
    beforeMove_ = points_;
    moving_ = true;
}

void CutDocument::movePoint(int index, int64_t time) {
    if (index <= 0 || index >= static_cast<int>(points_.size()) - 1)
        return;
    const auto i = static_cast<size_t>(index);
    CutPoints points = points_;
    points[i].time = std::clamp(snapped(time), points[i - 1].time + 1, points[i + 1].time - 1);
    if (points == points_)
        return;
    // The bounds changed, but not the rows: their tick boxes and titles stay as they are.
    points_ = points;
    emit sectionsEdited();
}

void CutDocument::endMove() {
    if (!moving_)
        return;
    moving_ = false;
    record(beforeMove_, tr("Move cut point"));
}

CutPlan CutDocument::plan() const {
    CutPlan plan;
    for (size_t i = 0; i + 1 < points_.size(); ++i)
        plan.push_back({points_[i].time, points_[i].use, points_[i].title, points_[i].artist});
    return plan;
}

void CutDocument::applyPlan(const CutPlan& plan) {
    if (points_.size() < 2)
        return;
    CutPoints points;
    for (const PlannedSection& section : plan)
        if (section.start < duration_ && (points.empty() || section.start > points.back().time))
            points.push_back({section.start, section.use, section.title, section.artist});
    points.push_back({duration_, true, {}, {}});
    replacePoints(points);
    selectSection(-1);
}

std::string CutDocument::defaultTitle(int number) const {
    return sourceTitle_ + " (" + std::to_string(number) + ")";
}

std::string CutDocument::titleOf(int row) const {
    const CutPoint& point = points_.at(static_cast<size_t>(row));
    if (!point.title.empty())
        return point.title;
    if (!point.use)
        return {};
    const auto number =
        std::count_if(points_.begin(), points_.begin() + row + 1, [](const CutPoint& p) { return p.use; });
    return defaultTitle(static_cast<int>(number));
}

void CutDocument::setPosition(int64_t time) {
    time = std::clamp<int64_t>(time, 0, duration_);
    if (time == position_)
        return;
    position_ = time;
    emit positionChanged(time);
}

void CutDocument::selectSection(int row) {
    if (row >= sectionCount())
        row = -1;
    if (row == selected_)
        return;
    selected_ = row;
    emit selectionChanged(row);
}

void CutDocument::setFadeIn(Fade fade) {
    fadeIn_ = fade;
    emit fadesChanged();
}

void CutDocument::setFadeOut(Fade fade) {
    fadeOut_ = fade;
    emit fadesChanged();
}

void CutDocument::setSpeed(double speed) {
    if (speed == speed_)
        return;
    speed_ = speed;
    emit speedChanged(speed);
}
