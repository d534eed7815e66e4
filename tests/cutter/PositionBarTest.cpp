#include <QImage>
#include <QMouseEvent>
#include <QScrollBar>
#include <QUndoStack>
#include <QWheelEvent>
#include <QtTest>

#include "PositionBar.h"
#include "Waveform.h"

namespace {

std::vector<std::pair<int64_t, bool>> points_(const PositionBar& bar) {
    std::vector<std::pair<int64_t, bool>> points;
    for (const auto& p : bar.points_)
        points.emplace_back(p.time, p.use);
    return points;
}

} // namespace

class PositionBarTest : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<PositionBar> bar_;
    int pointEvents_ = 0, positionEvents_ = 0;

    void open(int64_t duration, int width = 566) {
        bar_ = std::make_unique<PositionBar>();
        bar_->resize(width, 110);
        bar_->show(); // the first resize puts the handles at the start
        bar_->onPointsChange = [this] { ++pointEvents_; };
        bar_->onPositionChange = [this] { ++positionEvents_; };
        bar_->setMax(duration);
        pointEvents_ = positionEvents_ = 0;
    }

private slots:
    void addingSplitsSectionsWithTheirTick() {
        open(10000);
        QCOMPARE(points_(*bar_), (std::vector<std::pair<int64_t, bool>>{{0, true}, {10000, true}}));
        bar_->addPoint(4000);
        bar_->points_[0].use = false; // the first section unticked
        bar_->addPoint(2000);         // inside it: both halves unticked
        bar_->addPoint(7000);         // inside a ticked one: both ticked
        QCOMPARE(points_(*bar_), (std::vector<std::pair<int64_t, bool>>{
                                     {0, false}, {2000, false}, {4000, true}, {7000, true}, {10000, true}}));
        QCOMPARE(pointEvents_, 3);
        // At an existing point, at the start and at the end: nothing happens.
        for (const int64_t t : {2000, 0, 10000})
            bar_->addPoint(t);
        QCOMPARE(pointEvents_, 3);
        QCOMPARE(bar_->points_.size(), size_t{5});
        bar_->setPosition(5500);
        bar_->addCurrentPoint();
        QCOMPARE(bar_->points_[3].time, int64_t{5500});
    }

    void deletingMergesIntoThePreviousSection() {
        open(9000);
        bar_->addPoint(3000);
        bar_->addPoint(6000);
        bar_->points_[0].use = false;
        bar_->deletePoint(1); // the second row: it joins the first, keeping its tick
        QCOMPARE(points_(*bar_), (std::vector<std::pair<int64_t, bool>>{{0, false}, {6000, true}, {9000, true}}));
        bar_->deletePoint(0); // the first row: nothing
        bar_->deletePoint(2); // the end point: nothing
        QCOMPARE(bar_->points_.size(), size_t{3});
        bar_->addPoint(1000);
        bar_->clearPoints();
        QCOMPARE(points_(*bar_), (std::vector<std::pair<int64_t, bool>>{{0, false}, {9000, true}}));
    }

    void zeroLengthFileHasNoSection() {
        open(0);
        QCOMPARE(bar_->points_.size(), size_t{1});
        bar_->addPoint(0);
        QCOMPARE(bar_->points_.size(), size_t{1});
        QCOMPARE(bar_->step_, int64_t{0});
        bar_->zoomIn(); // nothing to zoom
        QCOMPARE(bar_->viewLength(), 0.0);
    }

    // The step is a tenth of a column's time, at least a millisecond; the position stays
    // in the file.
    void stepAndPositionLimits() {
        open(180000);
        const double column = 180000.0 / (bar_->waveArea().width() - 1);
        QCOMPARE(bar_->step_, static_cast<int64_t>(column / 10));
        bar_->setPosition(1000);
        bar_->stepForward();
        QCOMPARE(bar_->position_, 1000 + bar_->step_);
        bar_->setPosition(999999);
        QCOMPARE(bar_->position_, int64_t{180000});
        QCOMPARE(bar_->timeToX(bar_->position_), bar_->waveArea().right());
        bar_->setPosition(-5);
        QCOMPARE(bar_->position_, int64_t{0});
        QCOMPARE(bar_->timeToX(0), bar_->waveArea().left());
        open(500);
        QCOMPARE(bar_->step_, int64_t{1});
        bar_->setPosition(0);
        positionEvents_ = 0;
        bar_->stepBackward();
        QCOMPARE(bar_->position_, int64_t{0});
        QCOMPARE(positionEvents_, 1); // the event comes all the same
    }

    // Columns and times map both ways, also zoomed in; zooming keeps the time under the
    // pointer where it is, goes down to one sample per column and out to the whole file.
    void zoomingAroundAPointKeepsItInPlace() {
        open(600000, 800);
        for (int x : {bar_->waveArea().left(), 200, 400, bar_->waveArea().right()})
            QVERIFY(std::abs(bar_->timeToX(bar_->xToTime(x)) - x) <= 0);
        const int64_t under = bar_->xToTime(300);
        QWheelEvent wheel(QPointF(300, 50), bar_->mapToGlobal(QPointF(300, 50)), {}, {0, 120 * 8}, Qt::NoButton, {},
                          Qt::NoScrollPhase, false);
        QCoreApplication::sendEvent(bar_.get(), &wheel);
        QVERIFY(bar_->viewLength() < 600000 / 5.0);
        QVERIFY(std::abs(bar_->xToTime(300) - under) <= static_cast<int64_t>(bar_->viewLength() / 500) + 1);
        QVERIFY(bar_->findChild<QScrollBar*>("barScrollBar")->isVisible());
        for (int i = 0; i < 40; ++i)
            bar_->zoomBy(4, static_cast<double>(under));
        const double oneSamplePerColumn = (bar_->waveArea().width() - 1) * 1000.0 / 44100;
        QVERIFY(std::abs(bar_->viewLength() - oneSamplePerColumn) < 1e-6);
        // The scroll bar pans the view.
        QScrollBar* scroll = bar_->findChild<QScrollBar*>("barScrollBar");
        scroll->setValue(scroll->maximum());
        QVERIFY(std::abs(bar_->viewStart() + bar_->viewLength() - 600000) < 600000.0 / 10000 + 1);
        bar_->showAll();
        QCOMPARE(bar_->viewLength(), 600000.0);
        QVERIFY(!scroll->isVisible());
    }

    // A click sets the position; a press on a cut point drags it, between its neighbours,
    // and the move can be undone and redone like an added or removed point.
    void clickingDraggingAndUndoing() {
        open(60000, 620);
        QTest::mouseClick(bar_.get(), Qt::LeftButton, {}, {bar_->timeToX(15000), 60});
        QVERIFY(std::abs(bar_->position_ - 15000) <= 100);
        bar_->addPoint(20000);
        bar_->addPoint(40000);
        QTest::mousePress(bar_.get(), Qt::LeftButton, {}, {bar_->timeToX(20000) + 2, 60});
        QTest::mouseMove(bar_.get(), {bar_->timeToX(30000), 60});
        QTest::mouseRelease(bar_.get(), Qt::LeftButton, {}, {bar_->timeToX(30000), 60});
        QVERIFY(std::abs(bar_->points_[1].time - 30000) <= 100);
        const int64_t moved = bar_->points_[1].time;
        // Dragged past the next point it stops just before it.
        QTest::mousePress(bar_.get(), Qt::LeftButton, {}, {bar_->timeToX(moved), 60});
        QTest::mouseMove(bar_.get(), {bar_->timeToX(55000), 60});
        QTest::mouseRelease(bar_.get(), Qt::LeftButton, {}, {bar_->timeToX(55000), 60});
        QCOMPARE(bar_->points_[1].time, int64_t{39999});
        QUndoStack* undo = bar_->undoStack();
        QCOMPARE(undo->count(), 4);
        bar_->points_[2].use = false; // a tick set in the list stays through the moves' undo
        undo->undo();
        QCOMPARE(bar_->points_[1].time, moved);
        undo->undo();
        QCOMPARE(points_(*bar_),
                 (std::vector<std::pair<int64_t, bool>>{{0, true}, {20000, true}, {40000, false}, {60000, true}}));
        undo->undo(); // the last point added goes, and comes back as it was added
        QCOMPARE(points_(*bar_), (std::vector<std::pair<int64_t, bool>>{{0, true}, {20000, true}, {60000, true}}));
        undo->redo();
        QCOMPARE(points_(*bar_),
                 (std::vector<std::pair<int64_t, bool>>{{0, true}, {20000, true}, {40000, true}, {60000, true}}));
        bar_->resetPoints({{0, true}, {60000, true}}); // another file
        QCOMPARE(undo->count(), 0);
    }

    // Snapping puts added and dragged points where the snap says.
    void snappingMovesNewPoints() {
        open(60000);
        bar_->setSnap([](int64_t time) { return time / 26 * 26; });
        bar_->addPoint(1000);
        QCOMPARE(bar_->points_[1].time, int64_t{988});
        bar_->movePoint(1, 2000);
        QCOMPARE(bar_->points_[1].time, int64_t{1976});
    }

    // Sections are shaded over the waveform, which shows through; cut points are marked
    // and the axis' ticks stand over the columns of their times.
    void paintingShadesSectionsOverTheWaveform() {
        open(10000);
        PeakLevels peaks(441000);
        peaks.append(std::vector<Peak>(441000 / PeakLevels::BaseFrames + 1, Peak{-0.9f, 0.9f}));
        bar_->setPeaks(&peaks, 44100);
        bar_->addPoint(2000);
        bar_->addPoint(6000);
        bar_->points_[0].use = false;
        bar_->points_[1].use = false;
        bar_->selectSection(1);
        bar_->setPosition(9000);
        const QImage image = bar_->grab().toImage();
        const QRect area = bar_->waveArea();
        const int wave = area.center().y(), empty = area.top() + 2;
        const QColor ticked = image.pixelColor(bar_->timeToX(8000), wave);
        const QColor skipped = image.pixelColor(bar_->timeToX(1000), wave);
        const QColor selected = image.pixelColor(bar_->timeToX(4000), wave);
        QVERIFY(ticked != image.pixelColor(bar_->timeToX(8000), empty)); // the wave is drawn
        QVERIFY(skipped != ticked && selected != skipped);
        // Translucent: the wave shows through the shading.
        QVERIFY(skipped != image.pixelColor(bar_->timeToX(1000), empty));
        QVERIFY(selected != image.pixelColor(bar_->timeToX(4000), empty));
        QCOMPARE(image.pixelColor(bar_->timeToX(9000), area.center().y()), PositionBar::positionColour());
        const std::vector<int64_t> ticks = bar_->axisTicks();
        QVERIFY(ticks.size() >= 3);
        const QColor text = bar_->palette().color(QPalette::WindowText);
        for (const int64_t t : ticks)
            QCOMPARE(image.pixelColor(bar_->timeToX(t), bar_->axisHeight() - 2), text);
    }
};

QTEST_MAIN(PositionBarTest)
#include "PositionBarTest.moc"
