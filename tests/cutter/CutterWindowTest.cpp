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
#include <QMenu>
#include <QToolButton>
#include <QUndoStack>
#include <QtTest>

#include <tuple>

#include "AudioFile.h"
#include "AudioFixtures.h"
#include "Drops.h"
#include "AudioTags.h"
#include "EngineEvents.h"
#include "DialogAnswers.h"
#include "AppSettings.h"
#include "Mp3FrameCopy.h"
#include "PositionBar.h"
#include "CutterWindow.h"

namespace {

QStringList statuses(const CutterWindow& window) {
    QStringList statuses;
    for (int row = 0; row < window.sectionList_->topLevelItemCount(); ++row)
        statuses << window.sectionList_->topLevelItem(row)->text(4);
    return statuses;
}

QStringList filesIn(const QString& folder) {
    return QDir(folder).entryList(QDir::Files, QDir::Name);
}

} // namespace

class CutterWindowTest : public QObject {
    Q_OBJECT

private:
    QTemporaryDir home_;
    QString out_;
    std::unique_ptr<ConfirmDialog> confirm_;
    std::unique_ptr<DialogAnswers> answers_;
    std::unique_ptr<CutterWindow> window_;
    int refreshes_ = 0;

    void open(const QString& file) {
        window_->fileName = file;
        window_->show();
        QVERIFY(QTest::qWaitForWindowExposed(window_.get()));
    }

    // Cut points at the times, then the given rows unticked.
    void mark(std::initializer_list<int64_t> times, std::initializer_list<int> unticked = {}) {
        for (const int64_t t : times) {
            window_->bar_->setPosition(t);
            window_->addCutPointAtPosition();
        }
        for (const int row : unticked)
            window_->sectionList_->topLevelItem(row)->setCheckState(0, Qt::Unchecked);
    }

    void runCut() {
        window_->startCutting();
        QVERIFY(window_->cutting_);
        QTRY_VERIFY_WITH_TIMEOUT(!window_->cutting_, 30000);
    }

private slots:
    void initTestCase() {
        qputenv("SDL_AUDIODRIVER", "dummy");
        routeEngineEventsToTheWindows();
        out_ = home_.path() + "/cuts/";
        QDir().mkpath(out_);
        AppSettings::splitOutputPath = out_.toStdString();
        AppSettings::splitToSourceFolder = false;
        AppSettings::splitOverwrite = false;
        AppSettings::wavFreqHz = 44100;
        AppSettings::wavChannelCount = 2;
        AppSettings::wavBitsPerSample = 16;
        AppSettings::mp3VbrEnabled = false;
        AppSettings::mp3EncoderQuality = 5;
        makeTone((home_.path() + "/song.wav").toStdString(), 6, 44100, 2, "-c:a pcm_s16le");
        AudioTags tags;
        tags.title = "Song";
        tags.artist = "Singer";
        writeAudioTags((home_.path() + "/song.wav").toStdString(), tags);
        makeTone((home_.path() + "/short.wav").toStdString(), 2.5, 44100, 2, "-c:a pcm_s16le");
        makeTone((home_.path() + "/long.wav").toStdString(), 90, 44100, 2, "-c:a pcm_s16le");
        makeTone((home_.path() + "/long.mp3").toStdString(), 90, 44100, 2, "-c:a libmp3lame -b:a 128k");
        makeTone((home_.path() + "/mono.mp3").toStdString(), 5, 22050, 1, "-c:a libmp3lame -b:a 64k");
        confirm_ = std::make_unique<ConfirmDialog>();
        answers_ = std::make_unique<DialogAnswers>();
        window_ = std::make_unique<CutterWindow>();
        window_->setWindows(nullptr, confirm_.get(), [this] { ++refreshes_; });
    }

    void init() {
        answers_->texts.clear();
        answers_->setYes(false);
        for (const QString& file : filesIn(out_))
            QFile::remove(out_ + file);
    }

    void cleanup() {
        if (window_->isVisible())
            window_->close();
    }

    void opensOnOneTickedSectionOverTheFile() {
        open(home_.path() + "/song.wav");
        QCOMPARE(window_->sectionList_->topLevelItemCount(), 1);
        QTreeWidgetItem* row = window_->sectionList_->topLevelItem(0);
        QCOMPARE(row->checkState(0), Qt::Checked);
        QCOMPARE(row->text(1), QString("000 : 00 : 000"));
        QCOMPARE(row->text(2), QString("000 : 06 : 000"));
        QCOMPARE(row->text(4), QString());
        QCOMPARE(window_->durationLabel_->text(), QString("000 : 00 : 000"));
        // A shorter file afterwards: one section to its end.
        window_->close();
        open(home_.path() + "/short.wav");
        QCOMPARE(window_->sectionList_->topLevelItemCount(), 1);
        QCOMPARE(window_->sectionList_->topLevelItem(0)->text(2), QString("000 : 02 : 500"));
    }

    // Enter in the section list, or anywhere in the window, writes nothing.
    void enterNeverStartsACut() {
        open(home_.path() + "/song.wav");
        mark({2000});
        window_->sectionList_->setFocus();
        window_->sectionList_->setCurrentItem(window_->sectionList_->topLevelItem(0));
        for (QWidget* target : {static_cast<QWidget*>(window_->sectionList_), static_cast<QWidget*>(window_.get())})
            for (Qt::Key key : {Qt::Key_Return, Qt::Key_Enter})
                QTest::keyClick(target, key);
        QCoreApplication::processEvents();
        QVERIFY(!window_->cutting_);
        QCOMPARE(filesIn(out_), QStringList());
        QVERIFY(window_->isVisible());
    }

    void threeSectionsWithTheMiddleUntickedGiveTwoFiles() {
        open(home_.path() + "/song.wav");
        mark({2000, 4000}, {1});
        QCOMPARE(window_->bar_->points_[1].use, false);
        const int before = refreshes_;
        runCut();
        QCOMPARE(window_->rowMap_, (std::vector<int>{0, 2}));
        QCOMPARE(statuses(*window_), QStringList({"Done", "", "Done"}));
        QCOMPARE(answers_->texts, QStringList({"Cut finished"}));
        QCOMPARE(filesIn(out_), QStringList({"song-Splitted0.wav", "song-Splitted1.wav"}));
        QCOMPARE(refreshes_, before + 1);
        QCOMPARE(probe((out_ + "song-Splitted1.wav").toStdString()).duration, 2.0);
        // Titled and numbered after their files; the unticked section has no number.
        for (const auto& [file, title, track] :
             {std::tuple{"song-Splitted0.wav", "Song (1)", "1"}, std::tuple{"song-Splitted1.wav", "Song (2)", "2"}}) {
            const AudioTags tags = readAudioTags((out_ + file).toStdString());
            QCOMPARE(tags.title, std::string(title));
            QCOMPARE(tags.track, std::string(track));
            QCOMPARE(tags.artist, std::string("Singer"));
        }
        // The same cut again, and a third time.
        runCut();
        runCut();
        QCOMPARE(filesIn(out_),
                 QStringList({"song-Splitted0 New New.wav", "song-Splitted0 New.wav", "song-Splitted0.wav",
                              "song-Splitted1 New New.wav", "song-Splitted1 New.wav", "song-Splitted1.wav"}));
    }

    // With the source's encoding kept, MP3 sections are copied; a fade encodes them again
    // and the rows say why.
    void keptEncodingShowsWhichSectionsWereCopied() {
        AppSettings::splitKeepsEncoding = true;
        AppSettings::mp3FreqHz = 44100;
        AppSettings::mp3ChannelCount = 2;
        open(home_.path() + "/long.mp3");
        mark({20000});
        runCut();
        QCOMPARE(statuses(*window_), QStringList({"Done (copied)", "Done (copied)"}));
        QCOMPARE(probe((out_ + "long-Splitted0.mp3").toStdString()).codec, std::string("mp3"));

        QTest::mouseClick(window_->fadeInButton_, Qt::LeftButton);
        runCut();
        QCOMPARE(statuses(*window_), QStringList({"Done (re-encoded)", "Done (re-encoded)"}));
        QCOMPARE(window_->sectionList_->topLevelItem(0)->toolTip(4), QString("the sections fade in or out"));
        QTest::mouseClick(window_->fadeInButton_, Qt::LeftButton);
        AppSettings::splitKeepsEncoding = false;
    }

    void cancelInTheSecondSectionLeavesItsPartAndNoMore() {
        open(home_.path() + "/long.mp3"); // encoding MP3 takes long enough to cancel in the middle
        mark({5000, 85000});
        window_->startCutting();
        QTRY_VERIFY_WITH_TIMEOUT(window_->sectionList_->topLevelItem(1)->text(4).startsWith("Cutting: "), 20000);
        window_->cancelCutting();
        QTRY_VERIFY_WITH_TIMEOUT(!window_->cutting_, 20000);
        QCOMPARE(statuses(*window_), QStringList({"Done", "Canceled", ""}));
        QVERIFY(answers_->texts.isEmpty());
        QCOMPARE(filesIn(out_), QStringList({"long-Splitted0.mp3", "long-Splitted1.mp3"}));
        AudioFile partial;
        partial.openForRead((out_ + "long-Splitted1.mp3").toStdString());
        QCOMPARE(partial.errorCode(), 0);
        QVERIFY(partial.totalFrames() < 80 * 44100);
        QVERIFY(window_->cutButton_->isVisible());
        QVERIFY(window_->sectionList_->isEnabled());
    }

    void closingDuringACutWaitsForTheWorker() {
        open(home_.path() + "/long.mp3");
        mark({80000});
        answers_->setYes(true);
        window_->startCutting();
        window_->close();
        QCOMPARE(answers_->texts, QStringList({"Splitting in progress, do you want to cancel ?"}));
        QVERIFY(window_->isVisible()); // until the worker has stopped
        QTRY_VERIFY_WITH_TIMEOUT(!window_->isVisible(), 20000);
        QVERIFY(!window_->cutting_);
        QVERIFY(!window_->closeAfterCut_);
        QCOMPARE(answers_->texts.size(), 1); // no "Cut finished"
    }

    void monoSourceWithBothFades() {
        AppSettings::mp3FreqHz = 44100;
        AppSettings::mp3ChannelCount = 1;
        open(home_.path() + "/mono.mp3");
        mark({2000});
        window_->toggleFadeIn();
        window_->toggleFadeOut();
        window_->fadeInBox_->setValue(500);
        window_->fadeOutBox_->setValue(700);
        runCut();
        QCOMPARE(statuses(*window_), QStringList({"Done", "Done"}));
        for (const QString name : {"mono-Splitted0.mp3", "mono-Splitted1.mp3"}) {
            std::string errors;
            decodeWithFfmpeg((out_ + name).toStdString(), &errors);
            QCOMPARE(QString::fromStdString(errors), QString());
        }
        QCOMPARE(probe((out_ + "mono-Splitted0.mp3").toStdString()).channels, 1);
        window_->toggleFadeIn();
        window_->toggleFadeOut();
    }

    // A real click flips a fade once, and the button shows what the fade is.
    void fadeButtonsShowTheirFadeThroughClicks() {
        open(home_.path() + "/song.wav");
        for (const auto& [button, box, name] : {std::tuple{window_->fadeInButton_, window_->fadeInBox_, "in"},
                                                std::tuple{window_->fadeOutButton_, window_->fadeOutBox_, "out"}}) {
            const QString off = QString("Fade %1 disabled").arg(name), on = QString("Fade %1 enabled").arg(name);
            QCOMPARE(button->toolTip(), off);
            QVERIFY(!box->isEnabled());
            QTest::mouseClick(button, Qt::LeftButton);
            QVERIFY(button->isChecked());
            QCOMPARE(button->toolTip(), on);
            QVERIFY(box->isEnabled());
            QTest::mouseClick(button, Qt::LeftButton);
            QVERIFY(!button->isChecked());
            QCOMPARE(button->toolTip(), off);
            QVERIFY(!box->isEnabled());
        }
        QVERIFY(!window_->fadeInEnabled_ && !window_->fadeOutEnabled_);
    }

    // While playing, the bar shows the sample being heard, behind what was read ahead for
    // the output, and Add puts the point there.
    void theBarAndNewPointsFollowWhatIsHeard() {
        open(home_.path() + "/long.wav");
        window_->bar_->setPosition(0);
        QTest::mouseClick(window_->playButton_, Qt::LeftButton);
        QTRY_VERIFY_WITH_TIMEOUT(window_->bar_->position_ > 800, 10000);
        QTest::mouseClick(window_->pauseButton_, Qt::LeftButton);
        const int64_t heard = window_->bar_->position_;
        const int64_t read = window_->player_.samplesToMs(static_cast<int>(window_->startFrame_ + window_->framesFed_));
        QVERIFY2(heard < read && read - heard < 5000, qPrintable(QString("%1 heard, %2 read").arg(heard).arg(read)));
        QTest::mouseClick(window_->addPointButton_, Qt::LeftButton);
        QCOMPARE(window_->bar_->points_.size(), size_t{3});
        QCOMPARE(window_->bar_->points_[1].time, heard);
        QTest::mouseClick(window_->stopButton_, Qt::LeftButton);
        window_->removeAll();
    }

    // The keys: Home/End, Left/Right by the step boxes, M and Insert add points, Delete
    // removes the selected section, Space plays and pauses; a box being typed in keeps
    // its keys.
    void keysMoveAddRemoveAndPlay() {
        open(home_.path() + "/long.wav");
        QWidget* focus = window_->sectionList_;
        focus->setFocus();
        window_->stepForwardBox_->setText("1500");
        window_->stepBackwardBox_->setText("500");
        QTest::keyClick(focus, Qt::Key_End);
        QCOMPARE(window_->bar_->position_, window_->bar_->maximum_);
        QTest::keyClick(focus, Qt::Key_Home);
        QTest::keyClick(focus, Qt::Key_Right);
        QTest::keyClick(focus, Qt::Key_Right);
        QTest::keyClick(focus, Qt::Key_Left);
        QCOMPARE(window_->bar_->position_, int64_t{2500});
        QTest::keyClick(focus, Qt::Key_M);
        QTest::keyClick(focus, Qt::Key_Right);
        QTest::keyClick(focus, Qt::Key_Insert);
        QCOMPARE(window_->bar_->points_.size(), size_t{4});
        QCOMPARE(window_->bar_->points_[2].time, int64_t{4000});
        window_->sectionList_->setCurrentItem(window_->sectionList_->topLevelItem(1));
        QTest::keyClick(focus, Qt::Key_Delete);
        QCOMPARE(window_->bar_->points_.size(), size_t{3});

        window_->goToSecondsBox_->setFocus();
        window_->goToSecondsBox_->setText("12");
        QTest::keyClick(window_->goToSecondsBox_, Qt::Key_Home);
        QCOMPARE(window_->bar_->position_, int64_t{4000}); // the box took Home
        QCOMPARE(window_->goToSecondsBox_->cursorPosition(), 0);

        focus->setFocus();
        QTest::keyClick(focus, Qt::Key_Space);
        QTRY_VERIFY_WITH_TIMEOUT(window_->bar_->position_ > 4100, 10000);
        QTest::keyClick(focus, Qt::Key_Space);
        QVERIFY(window_->paused_);
        QTest::keyClick(focus, Qt::Key_Space);
        QVERIFY(!window_->paused_);
        QTest::mouseClick(window_->stopButton_, Qt::LeftButton);
        window_->removeAll();
    }

    // + and - zoom the time line around the position, Ctrl+Z and Ctrl+Shift+Z undo and
    // redo cut point changes (a dragged point too); a new file starts a new history.
    void zoomUndoAndDragThroughTheWindow() {
        open(home_.path() + "/long.wav");
        PositionBar* bar = window_->bar_;
        QWidget* focus = window_->sectionList_;
        focus->setFocus();
        bar->setPosition(30000);
        const double whole = bar->viewLength();
        QTest::keyClick(focus, Qt::Key_Plus);
        QTest::keyClick(focus, Qt::Key_Plus);
        QCOMPARE(bar->viewLength(), whole / 4);
        QVERIFY(bar->viewStart() <= 30000 && 30000 <= bar->viewStart() + bar->viewLength());
        QTest::keyClick(focus, Qt::Key_Minus);
        QCOMPARE(bar->viewLength(), whole / 2);
        QTest::keyClick(focus, Qt::Key_M);
        QCOMPARE(window_->sectionList_->topLevelItemCount(), 2);
        // The point dragged with the mouse; the section list follows.
        const int y = bar->waveArea().center().y();
        QTest::mousePress(bar, Qt::LeftButton, {}, {bar->timeToX(30000), y});
        QTest::mouseMove(bar, {bar->timeToX(40000), y});
        QTest::mouseRelease(bar, Qt::LeftButton, {}, {bar->timeToX(40000), y});
        const int64_t dragged = bar->points_[1].time;
        QVERIFY(std::abs(dragged - 40000) < 200);
        QCOMPARE(window_->sectionList_->topLevelItem(1)->text(1),
                 QString::fromStdString(AppSettings::formatMinSecMs(dragged)));
        QTest::keyClick(focus, Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(bar->points_[1].time, int64_t{30000});
        QTest::keyClick(focus, Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(window_->sectionList_->topLevelItemCount(), 1);
        QTest::keyClick(focus, Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
        QTest::keyClick(focus, Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
        QCOMPARE(bar->points_[1].time, dragged);
        window_->removeAll();
        QTest::keyClick(focus, Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(bar->points_.size(), size_t{3});
        window_->close();
        open(home_.path() + "/short.wav");
        QCOMPARE(bar->undoStack()->count(), 0);
        QCOMPARE(bar->viewLength(), static_cast<double>(bar->maximum_)); // a new file shows whole
    }

    // With an MP3 file "Snap to MP3 frames" puts new points on frame boundaries (the
    // millisecond nearest to one); a WAV file has no frames to snap to.
    void snapToMp3Frames() {
        open(home_.path() + "/short.wav");
        QVERIFY(!window_->snapToFramesBox_->isEnabled());
        window_->close();
        open(home_.path() + "/long.mp3");
        QVERIFY(window_->snapToFramesBox_->isEnabled());
        QTest::mouseClick(window_->snapToFramesBox_, Qt::LeftButton);
        QVERIFY(window_->snapToFramesBox_->isChecked());
        const Mp3FrameIndex frames = indexMp3Frames((home_.path() + "/long.mp3").toStdString());
        for (const int64_t asked : {1000, 45013, 60000}) {
            window_->bar_->setPosition(asked);
            window_->addCutPointAtPosition();
        }
        for (size_t i = 1; i + 1 < window_->bar_->points_.size(); ++i) {
            const int64_t time = window_->bar_->points_[i].time;
            // Within half a millisecond of a frame's first sample, counted as decoded.
            const double sample = time * 44.1 + frames.skippedSamples();
            const double offFrame = std::remainder(sample, frames.samplesPerFrame);
            QVERIFY2(std::abs(offFrame) <= 22.1, qPrintable(QString::number(time)));
        }
        QTest::mouseClick(window_->snapToFramesBox_, Qt::LeftButton);
        window_->bar_->setPosition(2345);
        window_->addCutPointAtPosition();
        QCOMPARE(window_->bar_->points_[2].time, int64_t{2345}); // after the snapped one near 1 s
        window_->removeAll();
    }

    void playAfterThePositionReturnsToWhereItStarted() {
        open(home_.path() + "/song.wav");
        window_->bar_->setPosition(1000);
        window_->stepForwardBox_->setText("600");
        window_->playAfterPosition();
        QTRY_VERIFY_WITH_TIMEOUT(window_->bar_->position_ > 1000, 3000);
        QTRY_VERIFY_WITH_TIMEOUT(!window_->playAfter_, 5000);
        QCOMPARE(window_->bar_->position_, int64_t{1000});
        // Before the position, near the start: from 0, and the position stays.
        window_->bar_->setPosition(300);
        window_->playBeforePosition();
        QCOMPARE(window_->rangeStart_, 0);
        QTRY_VERIFY_WITH_TIMEOUT(!window_->playBefore_, 5000);
        QCOMPARE(window_->bar_->position_, int64_t{300});
        // An empty box does nothing and says why.
        window_->stepForwardBox_->clear();
        window_->playAfterPosition();
        QVERIFY(!window_->playAfter_);
        QVERIFY(window_->lastMessage_.contains("number"));
    }

    void previewShowsItsStatusAndClearsIt() {
        open(home_.path() + "/song.wav");
        mark({2000, 2800});
        window_->sectionList_->setCurrentItem(window_->sectionList_->topLevelItem(1));
        window_->startPreview();
        QVERIFY(window_->stopPreviewButton_->isVisible());
        QVERIFY(!window_->addPointButton_->isEnabled());
        QTRY_VERIFY_WITH_TIMEOUT(window_->sectionList_->topLevelItem(1)->text(4).startsWith("Previewing: 000 : 02"),
                                 3000);
        QTRY_VERIFY_WITH_TIMEOUT(!window_->previewing_, 5000);
        QCOMPARE(window_->sectionList_->topLevelItem(1)->text(4), QString());
        QVERIFY(window_->previewButton_->isVisible());
        QVERIFY(window_->addPointButton_->isEnabled());
        QCOMPARE(window_->bar_->position_, int64_t{2800}); // the preview does not move the bar
    }

    // At 1.5 times the speed a section plays whole, its last moments included: the
    // device gets the section's length over the speed, and nothing after the section.
    void fastPreviewPlaysTheSectionToItsEnd() {
        const QString capture = home_.path() + "/device.raw";
        // A window of its own: a player keeps the sound output it first opened.
        auto freshWindow = [this] {
            window_ = std::make_unique<CutterWindow>();
            window_->setWindows(nullptr, confirm_.get(), [this] { ++refreshes_; });
        };
        qputenv("SDL_AUDIODRIVER", "disk");
        qputenv("SDL_DISKAUDIOFILE", capture.toUtf8());
        freshWindow();
        open(home_.path() + "/song.wav");
        mark({2000, 2800});
        window_->fastSpeedButton_->setChecked(true);
        window_->sectionList_->setCurrentItem(window_->sectionList_->topLevelItem(1));
        window_->startPreview();
        QTRY_VERIFY_WITH_TIMEOUT(!window_->previewing_, 10000);
        window_.reset(); // the device is closed and its file complete
        qputenv("SDL_AUDIODRIVER", "dummy");
        freshWindow();

        QFile file(capture);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray bytes = file.readAll();
        const auto* samples = reinterpret_cast<const float*>(bytes.constData());
        const qsizetype count = bytes.size() / qsizetype(sizeof(float));
        qsizetype first = 0, last = count - 1;
        while (first < count && std::fabs(samples[first]) < 1e-3f)
            ++first;
        while (last > first && std::fabs(samples[last]) < 1e-3f)
            --last;
        const double heardFrames = double(last - first) / 2;
        const double sectionFrames = 0.8 * 44100 / 1.5;
        QVERIFY2(heardFrames > sectionFrames - 882, qPrintable(QString::number(heardFrames)));
        QVERIFY2(heardFrames < sectionFrames + 2048, qPrintable(QString::number(heardFrames)));
    }

    void aDroppedAudioFileIsOpenedInstead() {
        open(home_.path() + "/song.wav");
        QVERIFY(!dropPaths(window_.get(), {home_.path() + "/cuts"})); // a folder is not taken
        QVERIFY(dropPaths(window_.get(), {home_.path() + "/short.wav"}));
        QCOMPARE(window_->fileName, home_.path() + "/short.wav");
        QCOMPARE(window_->bar_->maximum_, int64_t{2500});
        QCOMPARE(window_->sectionList_->topLevelItemCount(), 1);

        // Both are in the recent files, newest first; choosing one opens it again.
        QMenu* recent = window_->recentButton_->menu();
        emit recent->aboutToShow();
        QStringList shown;
        for (QAction* action : recent->actions())
            shown << action->toolTip();
        QCOMPARE(shown.mid(0, 2), (QStringList{home_.path() + "/short.wav", home_.path() + "/song.wav"}));
        recent->actions().at(1)->trigger();
        QCOMPARE(window_->fileName, home_.path() + "/song.wav");
        QCOMPARE(QString::fromStdString(AppSettings::recentCutFiles.front()), home_.path() + "/song.wav");
    }

    // With no program of the desktop to start, Help and Folder say so.
    void helpAndFolderSayWhenNothingCanShowThem() {
        open(home_.path() + "/song.wav");
        const QByteArray path = qgetenv("PATH");
        qputenv("PATH", home_.path().toUtf8() + "/cuts");
        window_->helpButton_->click();
        window_->folderButton_->click();
        qputenv("PATH", path);
        QTRY_COMPARE(answers_->texts.size(), 2);
        QVERIFY2(answers_->texts[0].endsWith("ZMP3CJHelp.html\": no file manager or browser of the desktop could be "
                                             "started"),
                 qPrintable(answers_->texts[0]));
        QVERIFY(answers_->texts[1].startsWith("Cannot open \"" + out_));
    }

    void goToCorrectsTheSecondsBox() {
        open(home_.path() + "/long.wav");
        window_->goToMinutesBox_->setText("001");
        window_->goToSecondsBox_->setText("75");
        QCOMPARE(window_->goToSecondsBox_->text(), QString("59"));
        window_->goToSecondsBox_->setText("x");
        QCOMPARE(window_->goToSecondsBox_->text(), QString("00"));
        window_->goToSecondsBox_->setText("07");
        window_->goToMillisecondsBox_->setText("250");
        window_->goToTypedTime();
        QCOMPARE(window_->bar_->position_, int64_t{67250});
        window_->goToMinutesBox_->setText("999");
        window_->goToTypedTime();
        QCOMPARE(window_->bar_->position_, window_->bar_->maximum_);
    }

    void waveformIsDrawnUnderTheBar() {
        open(home_.path() + "/song.wav");
        // The waveform fills in from the file's peaks: the middle of the bar is drawn on.
        const QPoint middle = window_->bar_->waveArea().center() - QPoint(40, 10);
        const QColor base = window_->bar_->palette().color(QPalette::Base);
        QTRY_VERIFY_WITH_TIMEOUT(window_->bar_->grab().toImage().pixelColor(middle) != base, 5000);
        if (const QByteArray folder = qgetenv("ZELVO_SCREENSHOT_DIR"); !folder.isEmpty()) {
            mark({2000, 4000}, {1});
            window_->sectionList_->setCurrentItem(window_->sectionList_->topLevelItem(2));
            window_->bar_->selectSection(2);
            window_->bar_->setPosition(3700);
            QTest::qWait(100);
            QVERIFY(window_->grab().save(QString::fromUtf8(folder) + "/cutter.png"));
        }
    }
};

QTEST_MAIN(CutterWindowTest)
#include "CutterWindowTest.moc"
