#include <QImage>
#include <QLabel>
#include <QMouseEvent>
#include <QtTest>

#include "PositionBar.h"

namespace {

std::vector<std::pair<int64_t, bool>> Points(const TMyTrackBar& bar) {
    std::vector<std::pair<int64_t, bool>> points;
    for (const auto& p : bar.Points)
        points.emplace_back(p.Time, p.Use);
    return points;
}

} // namespace

class MyTrackBarTest : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<TMyTrackBar> bar_;
    int pointEvents_ = 0, positionEvents_ = 0;

    void Open(int64_t duration, int width = 566) {
        bar_ = std::make_unique<TMyTrackBar>();
        bar_->resize(width, 85);
        bar_->show(); // the first resize puts the handles at the start
        bar_->OnPointsChange = [this] { ++pointEvents_; };
        bar_->OnPositionChange = [this] { ++positionEvents_; };
        bar_->SetMax(duration);
        pointEvents_ = positionEvents_ = 0;
    }

private slots:
    void addingSplitsSectionsWithTheirTick() {
        Open(10000);
        QCOMPARE(Points(*bar_), (std::vector<std::pair<int64_t, bool>>{{0, true}, {10000, true}}));
        bar_->AddPoint(4000);
        bar_->Points[0].Use = false; // the first section unticked
        bar_->AddPoint(2000);        // inside it: both halves unticked
        bar_->AddPoint(7000);        // inside a ticked one: both ticked
        QCOMPARE(Points(*bar_), (std::vector<std::pair<int64_t, bool>>{
                                    {0, false}, {2000, false}, {4000, true}, {7000, true}, {10000, true}}));
        QCOMPARE(pointEvents_, 3);
        // At an existing point, at the start and at the end: nothing happens.
        for (const int64_t t : {2000, 0, 10000})
            bar_->AddPoint(t);
        QCOMPARE(pointEvents_, 3);
        QCOMPARE(bar_->Points.size(), size_t{5});
        bar_->SetPosition(5500);
        bar_->AddCurrentPoint();
        QCOMPARE(bar_->Points[3].Time, int64_t{5500});
    }

    void deletingMergesIntoThePreviousSection() {
        Open(9000);
        bar_->AddPoint(3000);
        bar_->AddPoint(6000);
        bar_->Points[0].Use = false;
        bar_->DeletePoint(1); // the second row: it joins the first, keeping its tick
        QCOMPARE(Points(*bar_), (std::vector<std::pair<int64_t, bool>>{{0, false}, {6000, true}, {9000, true}}));
        bar_->DeletePoint(0); // the first row: nothing
        bar_->DeletePoint(2); // the end point: nothing
        QCOMPARE(bar_->Points.size(), size_t{3});
        bar_->AddPoint(1000);
        bar_->ClearPoints();
        QCOMPARE(Points(*bar_), (std::vector<std::pair<int64_t, bool>>{{0, false}, {9000, true}}));
    }

    void zeroLengthFileHasNoSection() {
        Open(0);
        QCOMPARE(bar_->Points.size(), size_t{1});
        bar_->AddPoint(0);
        QCOMPARE(bar_->Points.size(), size_t{1});
        QCOMPARE(bar_->Step, int64_t{0});
    }

    void stepAndPositionLimits() {
        Open(180000);
        QCOMPARE(bar_->Step, int64_t{32});
        bar_->SetPosition(1000);
        bar_->StepForward();
        QCOMPARE(bar_->Position, int64_t{1032});
        bar_->SetPosition(999999);
        QCOMPARE(bar_->Position, int64_t{180000});
        QCOMPARE(bar_->LineColumn, 566 - 17);
        bar_->SetPosition(-5);
        QCOMPARE(bar_->Position, int64_t{0});
        QCOMPARE(bar_->LineColumn, 16);
        Open(5499);
        QCOMPARE(bar_->Step, int64_t{0});
        bar_->SetPosition(100);
        positionEvents_ = 0;
        bar_->StepBackward();
        QCOMPARE(bar_->Position, int64_t{100});
        QCOMPARE(positionEvents_, 1); // the event comes all the same
    }

    void timesAndColumnsRoundHalvesToEven() {
        Open(1066); // 533 columns of travel: time 1 is half a column
        QCOMPARE(bar_->TimeToX(0), 16);
        QCOMPARE(bar_->TimeToX(1066), 566 - 17);
        QCOMPARE(bar_->TimeToX(5000), 566 - 17);
        QCOMPARE(bar_->TimeToX(1), 16);         // 0.5 to 0
        QCOMPARE(bar_->TimeToX(3), 18);         // 1.5 to 2
        QCOMPARE(bar_->TimeToX(533), 16 + 266); // 266.5 to 266
        QCOMPARE(bar_->XToTime(-1), int64_t{0});
        QCOMPARE(bar_->XToTime(551), int64_t{1066});
        QCOMPARE(bar_->XToTime(533), int64_t{1066});
        Open(267, 567); // 534 columns: a column is half a millisecond
        QCOMPARE(bar_->XToTime(1), int64_t{0});
        QCOMPARE(bar_->XToTime(3), int64_t{2});
        QCOMPARE(bar_->XToTime(5), int64_t{2});
    }

    void draggingAHandleToTheEnds() {
        Open(60000);
        QLabel* handle = bar_->UpperHandle;
        QTest::mousePress(handle, Qt::LeftButton, {}, {16, 8});
        QMouseEvent far(QEvent::MouseMove, QPointF(16 + 1000, 8), QPointF(), Qt::NoButton, Qt::LeftButton, {});
        QCoreApplication::sendEvent(handle, &far);
        QCOMPARE(bar_->Position, int64_t{60000});
        QCOMPARE(bar_->UpperHandle->x(), 566 - 33);
        QCOMPARE(bar_->LowerHandle->x(), 566 - 33);
        QMouseEvent back(QEvent::MouseMove, QPointF(16 - 2000, 8), QPointF(), Qt::NoButton, Qt::LeftButton, {});
        QCoreApplication::sendEvent(handle, &back);
        QCOMPARE(bar_->Position, int64_t{0});
        QVERIFY(positionEvents_ >= 2);
        QTest::mouseRelease(handle, Qt::LeftButton);
    }

    void paintingShadesSkippedAndSelectedSectionsAndMarksInnerPoints() {
        Open(10000);
        const QColor background(10, 10, 10), skipped(100, 100, 100), selected(200, 150, 0), marker(0, 0, 255),
            line(255, 0, 0);
        QImage back(566, 85, QImage::Format_ARGB32);
        back.fill(background);
        auto column = [](int height, QColor colour) {
            QImage image(1, height, QImage::Format_ARGB32);
            image.fill(colour);
            return image;
        };
        bar_->SetBackgroundImage(back);
        bar_->SetLineImages(column(54, line), column(48, marker));
        bar_->SetSectionImages(column(48, skipped), column(48, selected));
        bar_->AddPoint(2000);
        bar_->AddPoint(6000);
        bar_->Points[0].Use = false;
        bar_->Points[1].Use = false;
        bar_->SelectSection(1);
        bar_->SetPosition(9000);
        const QImage image = bar_->grab().toImage();
        const int y = 40;
        QCOMPARE(image.pixelColor(bar_->TimeToX(1000), y), skipped);    // unticked
        QCOMPARE(image.pixelColor(bar_->TimeToX(4000), y), selected);   // unticked and selected
        QCOMPARE(image.pixelColor(bar_->TimeToX(8000), y), background); // ticked
        QCOMPARE(image.pixelColor(bar_->TimeToX(2000), y), marker);     // an inner point
        QCOMPARE(image.pixelColor(bar_->TimeToX(6000), y), marker);
        QCOMPARE(image.pixelColor(bar_->TimeToX(0), y), skipped);        // the first point has no marker
        QCOMPARE(image.pixelColor(bar_->LineColumn, 17), line);          // the line over everything
        QCOMPARE(image.pixelColor(bar_->TimeToX(1000), 10), background); // above the sections
    }
};

QTEST_MAIN(MyTrackBarTest)
#include "PositionBarTest.moc"
