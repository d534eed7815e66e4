#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QTreeWidget>
#include <QtTest>

#include <tuple>

#include "AudioFile.h"
#include "AudioFixtures.h"
#include "AudioTags.h"
#include "EngineEvents.h"
#include "DialogAnswers.h"
#include "AppSettings.h"
#include "PositionBar.h"
#include "CutterWindow.h"

namespace {

QStringList Statuses(const TfrmSplitter& window) {
    QStringList statuses;
    for (int row = 0; row < window.lvSplitList->topLevelItemCount(); ++row)
        statuses << window.lvSplitList->topLevelItem(row)->text(4);
    return statuses;
}

QStringList FilesIn(const QString& folder) {
    return QDir(folder).entryList(QDir::Files, QDir::Name);
}

} // namespace

class SplitterTest : public QObject {
    Q_OBJECT

private:
    QTemporaryDir home_;
    QString out_;
    std::unique_ptr<TfrmConfirm> confirm_;
    std::unique_ptr<TDialogAnswers> answers_;
    std::unique_ptr<TfrmSplitter> window_;
    int refreshes_ = 0;

    void Open(const QString& file) {
        window_->FileName = file;
        window_->show();
        QVERIFY(QTest::qWaitForWindowExposed(window_.get()));
    }

    // Cut points at the times, then the given rows unticked.
    void Mark(std::initializer_list<int64_t> times, std::initializer_list<int> unticked = {}) {
        for (const int64_t t : times) {
            window_->Bar->SetPosition(t);
            window_->btnAddTimeClick();
        }
        for (const int row : unticked)
            window_->lvSplitList->topLevelItem(row)->setCheckState(0, Qt::Unchecked);
    }

    void RunCut() {
        window_->btnSplitClick();
        QVERIFY(window_->Cutting);
        QTRY_VERIFY_WITH_TIMEOUT(!window_->Cutting, 30000);
    }

private slots:
    void initTestCase() {
        qputenv("SDL_AUDIODRIVER", "dummy");
        RouteEngineEventsToTheWindows();
        out_ = home_.path() + "/cuts/";
        QDir().mkpath(out_);
        GlobeVar::SplitOutputPath = out_.toStdString();
        GlobeVar::SplitToSourceFolder = false;
        GlobeVar::SplitOverwrite = false;
        GlobeVar::WavFreqHz = 44100;
        GlobeVar::WavChannelCount = 2;
        GlobeVar::WavBitsPerSample = 16;
        GlobeVar::Mp3VbrEnabled = false;
        GlobeVar::Mp3EncoderQuality = 5;
        MakeTone((home_.path() + "/song.wav").toStdString(), 6, 44100, 2, "-c:a pcm_s16le");
        TAudioTags tags;
        tags.Title = "Song";
        tags.Artist = "Singer";
        WriteAudioTags((home_.path() + "/song.wav").toStdString(), tags);
        MakeTone((home_.path() + "/short.wav").toStdString(), 2.5, 44100, 2, "-c:a pcm_s16le");
        MakeTone((home_.path() + "/long.wav").toStdString(), 90, 44100, 2, "-c:a pcm_s16le");
        MakeTone((home_.path() + "/long.mp3").toStdString(), 90, 44100, 2, "-c:a libmp3lame -b:a 128k");
        MakeTone((home_.path() + "/mono.mp3").toStdString(), 5, 22050, 1, "-c:a libmp3lame -b:a 64k");
        confirm_ = std::make_unique<TfrmConfirm>();
        answers_ = std::make_unique<TDialogAnswers>();
        window_ = std::make_unique<TfrmSplitter>();
        window_->SetWindows(nullptr, confirm_.get(), [this] { ++refreshes_; });
    }

    void init() {
        answers_->Texts.clear();
        answers_->SetYes(false);
        for (const QString& file : FilesIn(out_))
            QFile::remove(out_ + file);
    }

    void cleanup() {
        if (window_->isVisible())
            window_->close();
    }

    void opensOnOneTickedSectionOverTheFile() {
        Open(home_.path() + "/song.wav");
        QCOMPARE(window_->lvSplitList->topLevelItemCount(), 1);
        QTreeWidgetItem* row = window_->lvSplitList->topLevelItem(0);
        QCOMPARE(row->checkState(0), Qt::Checked);
        QCOMPARE(row->text(1), QString("000 : 00 : 000"));
        QCOMPARE(row->text(2), QString("000 : 06 : 000"));
        QCOMPARE(row->text(4), QString());
        QCOMPARE(window_->lbDuration->text(), QString("000 : 00 : 000"));
        // A shorter file afterwards: one section to its end.
        window_->close();
        Open(home_.path() + "/short.wav");
        QCOMPARE(window_->lvSplitList->topLevelItemCount(), 1);
        QCOMPARE(window_->lvSplitList->topLevelItem(0)->text(2), QString("000 : 02 : 500"));
    }

    void threeSectionsWithTheMiddleUntickedGiveTwoFiles() {
        Open(home_.path() + "/song.wav");
        Mark({2000, 4000}, {1});
        QCOMPARE(window_->Bar->Points[1].Use, false);
        const int before = refreshes_;
        RunCut();
        QCOMPARE(window_->RowMap, (std::vector<int>{0, 2}));
        QCOMPARE(Statuses(*window_), QStringList({"Done", "", "Done"}));
        QCOMPARE(answers_->Texts, QStringList({"Cut finished"}));
        QCOMPARE(FilesIn(out_), QStringList({"song-Splitted0.wav", "song-Splitted1.wav"}));
        QCOMPARE(refreshes_, before + 1);
        QCOMPARE(Probe((out_ + "song-Splitted1.wav").toStdString()).Duration, 2.0);
        // Titled and numbered after their files; the unticked section has no number.
        for (const auto& [file, title, track] :
             {std::tuple{"song-Splitted0.wav", "Song (1)", "1"}, std::tuple{"song-Splitted1.wav", "Song (2)", "2"}}) {
            const TAudioTags tags = ReadAudioTags((out_ + file).toStdString());
            QCOMPARE(tags.Title, std::string(title));
            QCOMPARE(tags.Track, std::string(track));
            QCOMPARE(tags.Artist, std::string("Singer"));
        }
        // The same cut again, and a third time.
        RunCut();
        RunCut();
        QCOMPARE(FilesIn(out_),
                 QStringList({"song-Splitted0 New New.wav", "song-Splitted0 New.wav", "song-Splitted0.wav",
                              "song-Splitted1 New New.wav", "song-Splitted1 New.wav", "song-Splitted1.wav"}));
    }

    void cancelInTheSecondSectionLeavesItsPartAndNoMore() {
        Open(home_.path() + "/long.mp3"); // encoding MP3 takes long enough to cancel in the middle
        Mark({5000, 85000});
        window_->btnSplitClick();
        QTRY_VERIFY_WITH_TIMEOUT(window_->lvSplitList->topLevelItem(1)->text(4).startsWith("Cutting: "), 20000);
        window_->btnCancelSplitClick();
        QTRY_VERIFY_WITH_TIMEOUT(!window_->Cutting, 20000);
        QCOMPARE(Statuses(*window_), QStringList({"Done", "Canceled", ""}));
        QVERIFY(answers_->Texts.isEmpty());
        QCOMPARE(FilesIn(out_), QStringList({"long-Splitted0.mp3", "long-Splitted1.mp3"}));
        TAudioFile2 partial;
        partial.OpenForRead((out_ + "long-Splitted1.mp3").toStdString());
        QCOMPARE(partial.GetErrorCode(), 0);
        QVERIFY(partial.GetTotalSamples() < 80 * 44100);
        QVERIFY(window_->btnSplit->isVisible());
        QVERIFY(window_->lvSplitList->isEnabled());
    }

    void closingDuringACutWaitsForTheWorker() {
        Open(home_.path() + "/long.mp3");
        Mark({80000});
        answers_->SetYes(true);
        window_->btnSplitClick();
        window_->close();
        QCOMPARE(answers_->Texts, QStringList({"Splitting in progress, do you want to cancel ?"}));
        QVERIFY(window_->isVisible()); // until the worker has stopped
        QTRY_VERIFY_WITH_TIMEOUT(!window_->isVisible(), 20000);
        QVERIFY(!window_->Cutting);
        QVERIFY(!window_->CloseAfterCut);
        QCOMPARE(answers_->Texts.size(), 1); // no "Cut finished"
    }

    void monoSourceWithBothFades() {
        GlobeVar::Mp3FreqHz = 44100;
        GlobeVar::Mp3ChannelCount = 1;
        Open(home_.path() + "/mono.mp3");
        Mark({2000});
        window_->ToggleFadeIn();
        window_->ToggleFadeOut();
        window_->edFadeInDuration->setValue(500);
        window_->edFadeOutDuration->setValue(700);
        RunCut();
        QCOMPARE(Statuses(*window_), QStringList({"Done", "Done"}));
        for (const QString name : {"mono-Splitted0.mp3", "mono-Splitted1.mp3"}) {
            std::string errors;
            DecodeWithFfmpeg((out_ + name).toStdString(), &errors);
            QCOMPARE(QString::fromStdString(errors), QString());
        }
        QCOMPARE(Probe((out_ + "mono-Splitted0.mp3").toStdString()).Channels, 1);
        window_->ToggleFadeIn();
        window_->ToggleFadeOut();
    }

    void fadeToggleSetsHintsAndBox() {
        Open(home_.path() + "/song.wav");
        QCOMPARE(window_->btnFadeInEnable->toolTip(), QString("Fade in disabled"));
        QVERIFY(!window_->edFadeInDuration->isEnabled());
        window_->ToggleFadeIn();
        QCOMPARE(window_->btnFadeInEnable->toolTip(), QString("Fade in enabled"));
        QVERIFY(window_->edFadeInDuration->isEnabled());
        window_->ToggleFadeIn();
        QCOMPARE(window_->btnFadeInEnable->toolTip(), QString("Fade in disabled"));
        QCOMPARE(window_->edFadeInDuration->palette().color(QPalette::Text), QColor(128, 128, 128));
        QCOMPARE(window_->btnFadeOutEnable->toolTip(), QString("Fade out disabled"));
    }

    void playAfterThePositionReturnsToWhereItStarted() {
        Open(home_.path() + "/song.wav");
        window_->Bar->SetPosition(1000);
        window_->numForward->setText("600");
        window_->btnPlayForwardClick();
        QTRY_VERIFY_WITH_TIMEOUT(window_->Bar->Position > 1000, 3000);
        QTRY_VERIFY_WITH_TIMEOUT(!window_->PlayAfter, 5000);
        QCOMPARE(window_->Bar->Position, int64_t{1000});
        // Before the position, near the start: from 0, and the position stays.
        window_->Bar->SetPosition(300);
        window_->btnPlayBackwardClick();
        QCOMPARE(window_->RangeStart, 0);
        QTRY_VERIFY_WITH_TIMEOUT(!window_->PlayBefore, 5000);
        QCOMPARE(window_->Bar->Position, int64_t{300});
        // An empty box does nothing and says why.
        window_->numForward->clear();
        window_->btnPlayForwardClick();
        QVERIFY(!window_->PlayAfter);
        QVERIFY(window_->LastMessage.contains("number"));
    }

    void previewShowsItsStatusAndClearsIt() {
        Open(home_.path() + "/song.wav");
        Mark({2000, 2800});
        window_->lvSplitList->setCurrentItem(window_->lvSplitList->topLevelItem(1));
        window_->btnPreviewClick();
        QVERIFY(window_->btnPreviewStop->isVisible());
        QVERIFY(!window_->btnAddTime->isEnabled());
        QTRY_VERIFY_WITH_TIMEOUT(window_->lvSplitList->topLevelItem(1)->text(4).startsWith("Previewing: 000 : 02"),
                                 3000);
        QTRY_VERIFY_WITH_TIMEOUT(!window_->PreviewMode, 5000);
        QCOMPARE(window_->lvSplitList->topLevelItem(1)->text(4), QString());
        QVERIFY(window_->btnPreview->isVisible());
        QVERIFY(window_->btnAddTime->isEnabled());
        QCOMPARE(window_->Bar->Position, int64_t{2800}); // the preview does not move the bar
    }

    void goToCorrectsTheSecondsBox() {
        Open(home_.path() + "/long.wav");
        window_->numGotoMin->setText("001");
        window_->numGotoSec->setText("75");
        QCOMPARE(window_->numGotoSec->text(), QString("59"));
        window_->numGotoSec->setText("x");
        QCOMPARE(window_->numGotoSec->text(), QString("00"));
        window_->numGotoSec->setText("07");
        window_->numGotoMs->setText("250");
        window_->btnGotoClick();
        QCOMPARE(window_->Bar->Position, int64_t{67250});
        window_->numGotoMin->setText("999");
        window_->btnGotoClick();
        QCOMPARE(window_->Bar->Position, window_->Bar->Max);
    }

    void waveformIsDrawnUnderTheBar() {
        Open(home_.path() + "/song.wav");
        // The background fills in from the file's peaks: somewhere the wave's colour shows.
        QTRY_VERIFY_WITH_TIMEOUT(
            [&] {
                const QImage image = window_->Bar->grab().toImage();
                return image.pixelColor(300, 19 + 24 - 10) == QColor(90, 120, 170);
            }(),
            5000);
        if (const QByteArray folder = qgetenv("ZELVO_SCREENSHOT_DIR"); !folder.isEmpty()) {
            Mark({2000, 4000}, {1});
            window_->lvSplitList->setCurrentItem(window_->lvSplitList->topLevelItem(2));
            window_->Bar->SelectSection(2);
            window_->Bar->SetPosition(3700);
            QTest::qWait(100);
            QVERIFY(window_->grab().save(QString::fromUtf8(folder) + "/cutter.png"));
        }
    }
};

QTEST_MAIN(SplitterTest)
#include "CutterWindowTest.moc"
