#include <QImage>
#include <QLabel>
#include <QMouseEvent>
#include <QtTest>

#include "PositionBar.h"

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
        bar_->resize(width, 85);
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
    }

    void stepAndPositionLimits() {
        open(180000);
        QCOMPARE(bar_->step_, int64_t{32});
        bar_->setPosition(1000);
        bar_->stepForward();
        QCOMPARE(bar_->position_, int64_t{1032});
        bar_->setPosition(999999);
        QCOMPARE(bar_->position_, int64_t{180000});
        QCOMPARE(bar_->lineColumn_, 566 - 17);
        bar_->setPosition(-5);
        QCOMPARE(bar_->position_, int64_t{0});
        QCOMPARE(bar_->lineColumn_, 16);
        open(5499);
        QCOMPARE(bar_->step_, int64_t{0});
        bar_->setPosition(100);
        positionEvents_ = 0;
        bar_->stepBackward();
        QCOMPARE(bar_->position_, int64_t{100});
        QCOMPARE(positionEvents_, 1); // the event comes all the same
    }

    void timesAndColumnsRoundHalvesToEven() {
        open(1066); // 533 columns of travel: time 1 is half a column
        QCOMPARE(bar_->timeToX(0), 16);
        QCOMPARE(bar_->timeToX(1066), 566 - 17);
        QCOMPARE(bar_->timeToX(5000), 566 - 17);
        QCOMPARE(bar_->timeToX(1), 16);         // 0.5 to 0
        QCOMPARE(bar_->timeToX(3), 18);         // 1.5 to 2
        QCOMPARE(bar_->timeToX(533), 16 + 266); // 266.5 to 266
        QCOMPARE(bar_->xToTime(-1), int64_t{0});
        QCOMPARE(bar_->xToTime(551), int64_t{1066});
        QCOMPARE(bar_->xToTime(533), int64_t{1066});
        open(267, 567); // 534 columns: a column is half a millisecond
        QCOMPARE(bar_->xToTime(1), int64_t{0});
        QCOMPARE(bar_->xToTime(3), int64_t{2});
        QCOMPARE(bar_->xToTime(5), int64_t{2});
    }

    void draggingAHandleToTheEnds() {
        open(60000);
        QLabel* handle = bar_->upperHandle_;
        QTest::mousePress(handle, Qt::LeftButton, {}, {16, 8});
        QMouseEvent far(QEvent::MouseMove, QPointF(16 + 1000, 8), QPointF(), Qt::NoButton, Qt::LeftButton, {});
        QCoreApplication::sendEvent(handle, &far);
        QCOMPARE(bar_->position_, int64_t{60000});
        QCOMPARE(bar_->upperHandle_->x(), 566 - 33);
        QCOMPARE(bar_->lowerHandle_->x(), 566 - 33);
        QMouseEvent back(QEvent::MouseMove, QPointF(16 - 2000, 8), QPointF(), Qt::NoButton, Qt::LeftButton, {});
        QCoreApplication::sendEvent(handle, &back);
        QCOMPARE(bar_->position_, int64_t{0});
        QVERIFY(positionEvents_ >= 2);
        QTest::mouseRelease(handle, Qt::LeftButton);
    }

    void paintingShadesSkippedAndSelectedSectionsAndMarksInnerPoints() {
        open(10000);
        const QColor background(10, 10, 10), skipped(100, 100, 100), selected(200, 150, 0), marker(0, 0, 255),
            line(255, 0, 0);
        QImage back(566, 85, QImage::Format_ARGB32);
        back.fill(background);
        auto column = [](int height, QColor colour) {
            QImage image(1, height, QImage::Format_ARGB32);
            image.fill(colour);
            return image;
        };
        bar_->setBackgroundImage(back);
        bar_->setLineImages(column(54, line), column(48, marker));
        bar_->setSectionImages(column(48, skipped), column(48, selected));
        bar_->addPoint(2000);
        bar_->addPoint(6000);
        bar_->points_[0].use = false;
        bar_->points_[1].use = false;
        bar_->selectSection(1);
        bar_->setPosition(9000);
        const QImage image = bar_->grab().toImage();
        const int y = 40;
        QCOMPARE(image.pixelColor(bar_->timeToX(1000), y), skipped);    // unticked
        QCOMPARE(image.pixelColor(bar_->timeToX(4000), y), selected);   // unticked and selected
        QCOMPARE(image.pixelColor(bar_->timeToX(8000), y), background); // ticked
        QCOMPARE(image.pixelColor(bar_->timeToX(2000), y), marker);     // an inner point
        QCOMPARE(image.pixelColor(bar_->timeToX(6000), y), marker);
        QCOMPARE(image.pixelColor(bar_->timeToX(0), y), skipped);        // the first point has no marker
        QCOMPARE(image.pixelColor(bar_->lineColumn_, 17), line);         // the line over everything
        QCOMPARE(image.pixelColor(bar_->timeToX(1000), 10), background); // above the sections
    }
};

QTEST_MAIN(PositionBarTest)
#include "PositionBarTest.moc"
