#include <QImage>
#include <QMouseEvent>
#include <QScrollBar>
#include <QUndoStack>
#include <QWheelEvent>
#include <QtTest>

#include "CutDocument.h"
#include "PositionBar.h"
#include "Waveform.h"

namespace {

std::vector<std::pair<int64_t, bool>> points_(const CutDocument& document) {
    std::vector<std::pair<int64_t, bool>> points;
    for (const auto& p : document.points())
        points.emplace_back(p.time, p.use);
    return points;
}

} // namespace

class PositionBarTest : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<PositionBar> bar_;
    std::unique_ptr<CutDocument> doc_;
    int pointEvents_ = 0, positionEvents_ = 0;

    void open(int64_t duration, int width = 566) {
        bar_ = std::make_unique<PositionBar>();
        bar_->resize(width, 110);
        bar_->show(); // the first resize puts the handles at the start
        doc_ = std::make_unique<CutDocument>(duration, "x");
        connect(doc_.get(), &CutDocument::pointsChanged, this, [this] { ++pointEvents_; });
        connect(doc_.get(), &CutDocument::positionChanged, this, [this] { ++positionEvents_; });
        bar_->setDocument(doc_.get());
        pointEvents_ = positionEvents_ = 0;
    }

private slots:
    void addingSplitsSectionsWithTheirTick() {
        open(10000);
        QCOMPARE(points_(*doc_), (std::vector<std::pair<int64_t, bool>>{{0, true}, {10000, true}}));
        doc_->addPoint(4000);
        doc_->setTicked(0, false); // the first section unticked
        doc_->addPoint(2000);      // inside it: both halves unticked
        doc_->addPoint(7000);      // inside a ticked one: both ticked
        QCOMPARE(points_(*doc_), (std::vector<std::pair<int64_t, bool>>{
                                     {0, false}, {2000, false}, {4000, true}, {7000, true}, {10000, true}}));
        QCOMPARE(pointEvents_, 3);
        // At an existing point, at the start and at the end: nothing happens.
        for (const int64_t t : {2000, 0, 10000})
            doc_->addPoint(t);
        QCOMPARE(pointEvents_, 3);
        QCOMPARE(doc_->points().size(), size_t{5});
        doc_->setPosition(5500);
        doc_->addPoint(doc_->position());
        QCOMPARE(doc_->points()[3].time, int64_t{5500});
    }

    void deletingMergesIntoThePreviousSection() {
        open(9000);
        doc_->addPoint(3000);
        doc_->addPoint(6000);
        doc_->setTicked(0, false);
        doc_->removeSection(1); // the second row: it joins the first, keeping its tick
        QCOMPARE(points_(*doc_), (std::vector<std::pair<int64_t, bool>>{{0, false}, {6000, true}, {9000, true}}));
        doc_->removeSection(0); // the first row: nothing
        doc_->removeSection(2); // the end point: nothing
        QCOMPARE(doc_->points().size(), size_t{3});
        doc_->addPoint(1000);
        doc_->removeAll();
        QCOMPARE(points_(*doc_), (std::vector<std::pair<int64_t, bool>>{{0, false}, {9000, true}}));
    }

    void zeroLengthFileHasNoSection() {
        open(0);
        QCOMPARE(doc_->points().size(), size_t{1});
        doc_->addPoint(0);
        QCOMPARE(doc_->points().size(), size_t{1});
        QCOMPARE(bar_->step(), int64_t{0});
        bar_->zoomIn(); // nothing to zoom
        QCOMPARE(bar_->viewLength(), 0.0);
    }

    // The step is a tenth of a column's time, at least a millisecond; the position stays
    // in the file.
    void stepAndPositionLimits() {
        open(180000);
        const double column = 180000.0 / (bar_->waveArea().width() - 1);
        QCOMPARE(bar_->step(), static_cast<int64_t>(column / 10));
        doc_->setPosition(1000);
        bar_->stepForward();
        QCOMPARE(doc_->position(), 1000 + bar_->step());
        doc_->setPosition(999999);
        QCOMPARE(doc_->position(), int64_t{180000});
        QCOMPARE(bar_->timeToX(doc_->position()), bar_->waveArea().right());
        doc_->setPosition(-5);
        QCOMPARE(doc_->position(), int64_t{0});
        QCOMPARE(bar_->timeToX(0), bar_->waveArea().left());
        open(500);
        QCOMPARE(bar_->step(), int64_t{1});
        doc_->setPosition(0);
        positionEvents_ = 0;
        bar_->stepBackward();
        QCOMPARE(doc_->position(), int64_t{0});
        QCOMPARE(positionEvents_, 0); // nothing moved, nothing to tell
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
        QVERIFY(std::abs(doc_->position() - 15000) <= 100);
        doc_->addPoint(20000);
        doc_->addPoint(40000);
        QTest::mousePress(bar_.get(), Qt::LeftButton, {}, {bar_->timeToX(20000) + 2, 60});
        QTest::mouseMove(bar_.get(), {bar_->timeToX(30000), 60});
        QTest::mouseRelease(bar_.get(), Qt::LeftButton, {}, {bar_->timeToX(30000), 60});
        QVERIFY(std::abs(doc_->points()[1].time - 30000) <= 100);
        const int64_t moved = doc_->points()[1].time;
        // Dragged past the next point it stops just before it.
        QTest::mousePress(bar_.get(), Qt::LeftButton, {}, {bar_->timeToX(moved), 60});
        QTest::mouseMove(bar_.get(), {bar_->timeToX(55000), 60});
        QTest::mouseRelease(bar_.get(), Qt::LeftButton, {}, {bar_->timeToX(55000), 60});
        QCOMPARE(doc_->points()[1].time, int64_t{39999});
        QUndoStack* undo = doc_->undoStack();
        QCOMPARE(undo->count(), 4);
        doc_->setTicked(2, false); // a tick is a change of its own, undone first
        QCOMPARE(undo->count(), 5);
        undo->undo();
        QCOMPARE(doc_->points()[2].use, true);
        undo->undo();
        QCOMPARE(doc_->points()[1].time, moved);
        undo->undo();
        QCOMPARE(points_(*doc_),
                 (std::vector<std::pair<int64_t, bool>>{{0, true}, {20000, true}, {40000, true}, {60000, true}}));
        undo->undo(); // the last point added goes, and comes back as it was added
        QCOMPARE(points_(*doc_), (std::vector<std::pair<int64_t, bool>>{{0, true}, {20000, true}, {60000, true}}));
        undo->redo();
        QCOMPARE(points_(*doc_),
                 (std::vector<std::pair<int64_t, bool>>{{0, true}, {20000, true}, {40000, true}, {60000, true}}));
        open(60000, 620); // another file: a new document, no history
        QCOMPARE(doc_->undoStack()->count(), 0);
    }

    // Snapping puts added and dragged points where the snap says.
    void snappingMovesNewPoints() {
        open(60000);
        doc_->setSnap([](int64_t time) { return time / 26 * 26; });
        doc_->addPoint(1000);
        QCOMPARE(doc_->points()[1].time, int64_t{988});
        doc_->movePoint(1, 2000);
        QCOMPARE(doc_->points()[1].time, int64_t{1976});
    }

    // Sections are shaded over the waveform, which shows through; cut points are marked
    // and the axis' ticks stand over the columns of their times.
    void paintingShadesSectionsOverTheWaveform() {
        open(10000);
        PeakLevels peaks(441000);
        peaks.append(std::vector<Peak>(441000 / PeakLevels::BaseFrames + 1, Peak{-0.9f, 0.9f}));
        bar_->setPeaks(&peaks, 44100);
        doc_->addPoint(2000);
        doc_->addPoint(6000);
        doc_->setTicked(0, false);
        doc_->setTicked(1, false);
        doc_->selectSection(1);
        doc_->setPosition(9000);
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
