#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QTreeView>
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
#include "CutSectionModel.h"
#include "PlaybackController.h"
#include "PositionBar.h"
#include "Waveform.h"
#include "CutterProbe.h"
#include "WindowProbe.h"
#include "CutterWindow.h"

namespace {

QStringList statuses(const CutterWindow& window) {
    QStringList statuses;
    for (int row = 0; row < rowCount(control<QTreeView>(window, "sectionList")); ++row)
        statuses << cellText(control<QTreeView>(window, "sectionList"), row, 4);
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

    template <class Control>
    Control* ctl(const char* name) {
        return control<Control>(*window_, name);
    }
    void click(const char* name) { clickButton(*window_, name); }
    QTreeView* list() { return sectionList(*window_); }
    CutSectionModel* sections() { return sectionModel(*window_); }
    CutDocument* doc() { return cutDocument(*window_); }
    PositionBar* bar() { return ctl<PositionBar>("Bar"); }
    PlaybackController* playback() { return window_->findChild<PlaybackController*>(); }

    void open(const QString& file) {
        window_->openFile(file);
        window_->show();
        QVERIFY(QTest::qWaitForWindowExposed(window_.get()));
    }

    // Cut points at the times, then the given rows unticked.
    void mark(std::initializer_list<int64_t> times, std::initializer_list<int> unticked = {}) {
        for (const int64_t t : times) {
            doc()->setPosition(t);
            click("addPointButton");
        }
        for (const int row : unticked)
            sections()->setData(sections()->index(row, 0), Qt::Unchecked, Qt::CheckStateRole);
    }

    void runCut() {
        click("cutButton");
        QVERIFY(window_->isCutting());
        QTRY_VERIFY_WITH_TIMEOUT(!window_->isCutting(), 30000);
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
        QCOMPARE(sections()->rowCount(), 1);
        QCOMPARE(sections()->index(0, 0).data(Qt::CheckStateRole).toInt(), int(Qt::Checked));
        QCOMPARE(cellText(list(), 0, 1), QString("000 : 00 : 000"));
        QCOMPARE(cellText(list(), 0, 2), QString("000 : 06 : 000"));
        QCOMPARE(cellText(list(), 0, 4), QString());
        QCOMPARE(ctl<QLabel>("durationLabel")->text(), QString("000 : 00 : 000"));
        // A shorter file afterwards: one section to its end.
        window_->close();
        open(home_.path() + "/short.wav");
        QCOMPARE(sections()->rowCount(), 1);
        QCOMPARE(cellText(list(), 0, 2), QString("000 : 02 : 500"));
    }

    // Nothing of one file carries over to the next: its ticks, fades, speed and history
    // go with it, and the new file's one section is ticked and cut.
    void aNewFileStartsAFreshDocument() {
        open(home_.path() + "/song.wav");
        mark({2000}, {0});
        click("fadeInButton");
        QTest::mouseClick(ctl<QRadioButton>("fastSpeedButton"), Qt::LeftButton);
        click("stopButton");
        QCOMPARE(doc()->speed(), 1.5);
        QVERIFY(doc()->undoStack()->canUndo());
        window_->close();
        open(home_.path() + "/short.wav");
        QCOMPARE(sections()->rowCount(), 1);
        QCOMPARE(sections()->index(0, 0).data(Qt::CheckStateRole).toInt(), int(Qt::Checked));
        QVERIFY(!ctl<QPushButton>("fadeInButton")->isChecked() && !doc()->fadeIn().enabled);
        QVERIFY(!ctl<QSpinBox>("fadeInBox")->isEnabled());
        QVERIFY(ctl<QRadioButton>("normalSpeedButton")->isChecked());
        QCOMPARE(doc()->speed(), 1.0);
        QVERIFY(!doc()->undoStack()->canUndo());
        // Split writes the one section (two sections are needed for a cut: add one).
        mark({1000});
        runCut();
        QCOMPARE(filesIn(out_), QStringList({"short-Splitted0.wav", "short-Splitted1.wav"}));
    }

    // Split with nothing to write says why, and a file that cannot be read is not opened:
    // the message names it, and the file that was open stays, named in the title.
    void nothingToCutAndUnreadableFilesAreSaid() {
        open(home_.path() + "/song.wav");
        QCOMPARE(window_->windowTitle(), QString("Zelvo MP3 Zovozu - song.wav"));
        struct Case {
            std::initializer_list<int64_t> points;
            std::initializer_list<int> unticked;
            const char* said;
        };
        for (const Case& c :
             {Case{{}, {}, "Nothing to cut: the file is one section. Add a cut point first."},
              Case{{3000}, {0, 1}, "Nothing to cut: every section is unticked. Tick the sections to write."}}) {
            click("removeAllButton");
            mark(c.points, c.unticked);
            answers_->texts.clear();
            click("cutButton");
            QVERIFY(!window_->isCutting());
            QCOMPARE(answers_->texts, QStringList({c.said}));
            QCOMPARE(filesIn(out_), QStringList());
        }
        const QString broken = home_.path() + "/broken.mp3";
        QFile file(broken);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(QByteArray(4000, 'x'));
        file.close();
        answers_->texts.clear();
        QVERIFY(!window_->openFile(broken));
        QCOMPARE(answers_->texts.size(), 1);
        QVERIFY2(answers_->texts.first().contains(broken), qPrintable(answers_->texts.first()));
        QCOMPARE(window_->fileName(), home_.path() + "/song.wav");
        QCOMPARE(window_->windowTitle(), QString("Zelvo MP3 Zovozu - song.wav"));
        QCOMPARE(sections()->rowCount(), 2);
        click("removeAllButton");
    }

    // The end of a cut names how many files it wrote and where; its "Open folder" button
    // says so when no program of the desktop can show the folder.
    void theEndOfACutSaysWhatItWroteAndOpensTheFolder() {
        open(home_.path() + "/song.wav");
        mark({2000});
        const QByteArray path = qgetenv("PATH");
        qputenv("PATH", home_.path().toUtf8() + "/cuts");
        answers_->setAction(true);
        runCut();
        QTRY_COMPARE(answers_->texts.size(), 2);
        answers_->setAction(false);
        qputenv("PATH", path);
        QCOMPARE(answers_->texts[0], "Cut finished\n2 files written in " + out_);
        QVERIFY2(answers_->texts[1].startsWith("Cannot open \"" + out_), qPrintable(answers_->texts[1]));
        click("removeAllButton");
    }

    // A source with a damaged stretch: the cut leaves it out, and its end says where.
    void aDamagedSourceIsSaidWithWhatTheCutWrote() {
        const QString damaged = home_.path() + "/damaged.ogg";
        makeNoisyTone(damaged.toStdString(), 20, 44100, 2, "-c:a libvorbis -q:a 4");
        QFile file(damaged);
        QVERIFY(file.open(QIODevice::ReadWrite));
        QByteArray bytes = file.readAll();
        bytes.insert(bytes.size() / 2, QByteArray(20000, '\x55'));
        QVERIFY(file.seek(0) && file.write(bytes) == bytes.size());
        file.close();
        open(damaged);
        mark({5000});
        runCut();
        QCOMPARE(answers_->texts.size(), 1);
        QVERIFY2(answers_->texts[0].startsWith("Cut finished\n2 files written in " + out_ +
                                               "\nDamaged and left out: \"" + damaged + "\": it is damaged at 0:0"),
                 qPrintable(answers_->texts[0]));
    }

    // Enter in the section list, or anywhere in the window, writes nothing.
    void enterNeverStartsACut() {
        open(home_.path() + "/song.wav");
        mark({2000});
        list()->setFocus();
        selectRow(list(), 0);
        for (QWidget* target : {static_cast<QWidget*>(list()), static_cast<QWidget*>(window_.get())})
            for (Qt::Key key : {Qt::Key_Return, Qt::Key_Enter})
                QTest::keyClick(target, key);
        QCoreApplication::processEvents();
        QVERIFY(!window_->isCutting());
        QCOMPARE(filesIn(out_), QStringList());
        QVERIFY(window_->isVisible());
    }

    void threeSectionsWithTheMiddleUntickedGiveTwoFiles() {
        open(home_.path() + "/song.wav");
        mark({2000, 4000}, {1});
        QCOMPARE(doc()->points()[1].use, false);
        const int before = refreshes_;
        runCut();
        QCOMPARE(statuses(*window_), QStringList({"Done", "", "Done"}));
        QCOMPARE(answers_->texts, QStringList({"Cut finished\n2 files written in " + out_}));
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

    // With the source's encoding kept, MP3 sections are copied, faded ones too (by steps of
    // their frames' gain); another output rate encodes them again and the rows say why.
    void keptEncodingShowsWhichSectionsWereCopied() {
        AppSettings::splitKeepsEncoding = true;
        AppSettings::mp3FreqHz = 44100;
        AppSettings::mp3ChannelCount = 2;
        open(home_.path() + "/long.mp3");
        mark({20000});
        runCut();
        QCOMPARE(statuses(*window_), QStringList({"Done (copied)", "Done (copied)"}));
        QCOMPARE(probe((out_ + "long-Splitted0.mp3").toStdString()).codec, std::string("mp3"));

        QTest::mouseClick(ctl<QPushButton>("fadeInButton"), Qt::LeftButton);
        runCut();
        QCOMPARE(statuses(*window_), QStringList({"Done (copied)", "Done (copied)"}));
        AppSettings::mp3FreqHz = 22050;
        runCut();
        QCOMPARE(statuses(*window_), QStringList({"Done (re-encoded)", "Done (re-encoded)"}));
        QCOMPARE(sections()->statusNote(0),
                 QString("the output format (22050 Hz, 2 channels) is not the source's (44100 Hz, 2 channels)"));
        AppSettings::mp3FreqHz = 44100;
        QTest::mouseClick(ctl<QPushButton>("fadeInButton"), Qt::LeftButton);
        AppSettings::splitKeepsEncoding = false;
    }

    // The section being cut when Cancel is pressed is not left half written under its name.
    void cancelInTheSecondSectionKeepsOnlyTheFinishedOne() {
        open(home_.path() + "/long.mp3"); // encoding MP3 takes long enough to cancel in the middle
        mark({5000, 85000});
        click("cutButton");
        QTRY_VERIFY_WITH_TIMEOUT(cellText(list(), 1, 4).startsWith("Cutting: "), 20000);
        click("cancelCutButton");
        QTRY_VERIFY_WITH_TIMEOUT(!window_->isCutting(), 20000);
        QCOMPARE(statuses(*window_), QStringList({"Done", "Canceled", ""}));
        QVERIFY(answers_->texts.isEmpty());
        QCOMPARE(QDir(out_).entryList(QDir::Files | QDir::Hidden), QStringList({"long-Splitted0.mp3"}));
        QVERIFY(ctl<QPushButton>("cutButton")->isVisible());
        QVERIFY(list()->isEnabled());
    }

    void closingDuringACutWaitsForTheWorker() {
        open(home_.path() + "/long.mp3");
        mark({80000});
        answers_->setYes(true);
        click("cutButton");
        window_->close();
        QCOMPARE(answers_->texts, QStringList({"Splitting in progress, do you want to cancel ?"}));
        QVERIFY(window_->isVisible()); // until the worker has stopped
        QTRY_VERIFY_WITH_TIMEOUT(!window_->isVisible(), 20000);
        QVERIFY(!window_->isCutting());
        QCOMPARE(answers_->texts.size(), 1); // no "Cut finished"
    }

    void monoSourceWithBothFades() {
        AppSettings::mp3FreqHz = 44100;
        AppSettings::mp3ChannelCount = 1;
        open(home_.path() + "/mono.mp3");
        mark({2000});
        click("fadeInButton");
        click("fadeOutButton");
        ctl<QSpinBox>("fadeInBox")->setValue(500);
        ctl<QSpinBox>("fadeOutBox")->setValue(700);
        runCut();
        QCOMPARE(statuses(*window_), QStringList({"Done", "Done"}));
        for (const QString name : {"mono-Splitted0.mp3", "mono-Splitted1.mp3"}) {
            std::string errors;
            decodeWithFfmpeg((out_ + name).toStdString(), &errors);
            QCOMPARE(QString::fromStdString(errors), QString());
        }
        QCOMPARE(probe((out_ + "mono-Splitted0.mp3").toStdString()).channels, 1);
        click("fadeInButton");
        click("fadeOutButton");
    }

    // A real click flips a fade once, and the button shows what the fade is.
    void fadeButtonsShowTheirFadeThroughClicks() {
        open(home_.path() + "/song.wav");
        for (const auto& [button, box, name] :
             {std::tuple{ctl<QPushButton>("fadeInButton"), ctl<QSpinBox>("fadeInBox"), "in"},
              std::tuple{ctl<QPushButton>("fadeOutButton"), ctl<QSpinBox>("fadeOutBox"), "out"}}) {
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
        QVERIFY(!doc()->fadeIn().enabled && !doc()->fadeOut().enabled);
    }

    // While playing, the bar shows the sample being heard, behind what was read ahead for
    // the output, and Add puts the point there.
    void theBarAndNewPointsFollowWhatIsHeard() {
        open(home_.path() + "/long.wav");
        doc()->setPosition(0);
        QTest::mouseClick(ctl<QPushButton>("playButton"), Qt::LeftButton);
        QTRY_VERIFY_WITH_TIMEOUT(doc()->position() > 800, 10000);
        QTest::mouseClick(ctl<QPushButton>("pauseButton"), Qt::LeftButton);
        const int64_t heard = doc()->position();
        QCOMPARE(heard, playback()->positionMs());
        QTest::mouseClick(ctl<QPushButton>("addPointButton"), Qt::LeftButton);
        QCOMPARE(doc()->points().size(), size_t{3});
        QCOMPARE(doc()->points()[1].time, heard);
        QTest::mouseClick(ctl<QPushButton>("stopButton"), Qt::LeftButton);
        click("removeAllButton");
    }

    // The keys: Home/End, Left/Right by the step boxes, M and Insert add points, Delete
    // removes the selected section, Space plays and pauses; a box being typed in keeps
    // its keys.
    void keysMoveAddRemoveAndPlay() {
        open(home_.path() + "/long.wav");
        QWidget* focus = list();
        focus->setFocus();
        ctl<QLineEdit>("stepForwardBox")->setText("1500");
        ctl<QLineEdit>("stepBackwardBox")->setText("500");
        QTest::keyClick(focus, Qt::Key_End);
        QCOMPARE(doc()->position(), doc()->duration());
        QTest::keyClick(focus, Qt::Key_Home);
        QTest::keyClick(focus, Qt::Key_Right);
        QTest::keyClick(focus, Qt::Key_Right);
        QTest::keyClick(focus, Qt::Key_Left);
        QCOMPARE(doc()->position(), int64_t{2500});
        QTest::keyClick(focus, Qt::Key_M);
        QTest::keyClick(focus, Qt::Key_Right);
        QTest::keyClick(focus, Qt::Key_Insert);
        QCOMPARE(doc()->points().size(), size_t{4});
        QCOMPARE(doc()->points()[2].time, int64_t{4000});
        selectRow(list(), 1);
        QTest::keyClick(focus, Qt::Key_Delete);
        QCOMPARE(doc()->points().size(), size_t{3});

        ctl<QLineEdit>("goToSecondsBox")->setFocus();
        ctl<QLineEdit>("goToSecondsBox")->setText("12");
        QTest::keyClick(ctl<QLineEdit>("goToSecondsBox"), Qt::Key_Home);
        QCOMPARE(doc()->position(), int64_t{4000}); // the box took Home
        QCOMPARE(ctl<QLineEdit>("goToSecondsBox")->cursorPosition(), 0);

        focus->setFocus();
        selectRow(list(), 0, CutSectionModel::Title); // Space on a tick would toggle it
        QTest::keyClick(focus, Qt::Key_Space);
        QTRY_VERIFY_WITH_TIMEOUT(doc()->position() > 4100, 10000);
        QTest::keyClick(focus, Qt::Key_Space);
        QVERIFY((playback()->state() == PlaybackController::State::Paused));
        QTest::keyClick(focus, Qt::Key_Space);
        QVERIFY(!(playback()->state() == PlaybackController::State::Paused));
        QTest::mouseClick(ctl<QPushButton>("stopButton"), Qt::LeftButton);
        click("removeAllButton");
    }

    // Space and Enter do what the focused control does: Tab to Split and Space presses it,
    // Space on a section's tick toggles it, Space elsewhere in the list plays.
    void spaceActsOnTheFocusedControl() {
        open(home_.path() + "/song.wav");
        mark({3000});
        QPushButton* split = ctl<QPushButton>("cutButton");
        window_->activateWindow();
        ctl<QPushButton>("helpButton")->setFocus(); // the Tab before Split's... reached by Tab from the start
        split->setFocus(Qt::TabFocusReason);
        for (int tabs = 0; tabs < 40 && QApplication::focusWidget() != split; ++tabs)
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget(), split);
        QTest::keyClick(split, Qt::Key_Space);
        QTRY_VERIFY_WITH_TIMEOUT(!window_->isCutting() && filesIn(out_).size() == 2, 30000);
        QVERIFY(playback()->state() == PlaybackController::State::Stopped);

        list()->setFocus();
        selectRow(list(), 1, CutSectionModel::Use);
        QTest::keyClick(list(), Qt::Key_Space);
        QCOMPARE(doc()->points()[1].use, false);
        QVERIFY(!playback()->isActive());
        QTest::keyClick(list(), Qt::Key_Space);
        QCOMPARE(doc()->points()[1].use, true);
        selectRow(list(), 1, CutSectionModel::Start);
        QTest::keyClick(list(), Qt::Key_Space);
        QVERIFY(playback()->isActive());
        QCOMPARE(doc()->points()[1].use, true);
        click("stopButton");
        click("removeAllButton");
    }

    // The waveform stays drawn with the keyboard focus and while a point is dragged: a
    // thin frame marks the focus, never a fill over the bar.
    void theWaveformKeepsItsColoursFocusedAndDragged() {
        open(home_.path() + "/song.wav");
        mark({3000});
        PositionBar* bar = this->bar();
        QTRY_VERIFY_WITH_TIMEOUT(bar->peaks() && bar->peaks()->complete(), 10000);
        const QColor base = bar->palette().color(QPalette::Base);
        // The share of the waveform's area that shows the base colour or the wave's.
        auto waveShare = [&] {
            const QImage image = bar->grab().toImage();
            const QRect area = bar->waveArea().adjusted(2, 2, -2, -2);
            int kept = 0, all = 0;
            for (int y = area.top(); y <= area.bottom(); y += 3)
                for (int x = area.left(); x <= area.right(); x += 3, ++all) {
                    const QColor pixel = image.pixelColor(x, y);
                    kept += pixel == base || std::abs(pixel.red() - pixel.green()) < 30 ? 1 : 0;
                }
            return double(kept) / all;
        };
        QVERIFY2(waveShare() > 0.8, "unfocused");
        bar->setFocus();
        QTRY_VERIFY(bar->hasFocus());
        QVERIFY2(waveShare() > 0.8, "focused");
        const int y = bar->waveArea().center().y();
        QTest::mousePress(bar, Qt::LeftButton, {}, {bar->timeToX(3000), y});
        QTest::mouseMove(bar, {bar->timeToX(3500), y});
        QVERIFY2(waveShare() > 0.8, "dragging");
        QTest::mouseRelease(bar, Qt::LeftButton, {}, {bar->timeToX(3500), y});
        click("removeAllButton");
    }

    // + and - zoom the time line around the position, Ctrl+Z and Ctrl+Shift+Z undo and
    // redo cut point changes (a dragged point too); a new file starts a new history.
    void zoomUndoAndDragThroughTheWindow() {
        open(home_.path() + "/long.wav");
        PositionBar* bar = this->bar();
        QWidget* focus = list();
        focus->setFocus();
        doc()->setPosition(30000);
        const double whole = bar->viewLength();
        QTest::keyClick(focus, Qt::Key_Plus);
        QTest::keyClick(focus, Qt::Key_Plus);
        QCOMPARE(bar->viewLength(), whole / 4);
        QVERIFY(bar->viewStart() <= 30000 && 30000 <= bar->viewStart() + bar->viewLength());
        QTest::keyClick(focus, Qt::Key_Minus);
        QCOMPARE(bar->viewLength(), whole / 2);
        QTest::keyClick(focus, Qt::Key_M);
        QCOMPARE(sections()->rowCount(), 2);
        // The point dragged with the mouse; the section list follows.
        const int y = bar->waveArea().center().y();
        QTest::mousePress(bar, Qt::LeftButton, {}, {bar->timeToX(30000), y});
        QTest::mouseMove(bar, {bar->timeToX(40000), y});
        QTest::mouseRelease(bar, Qt::LeftButton, {}, {bar->timeToX(40000), y});
        const int64_t dragged = doc()->points()[1].time;
        QVERIFY(std::abs(dragged - 40000) < 200);
        QCOMPARE(cellText(list(), 1, 1), QString::fromStdString(AppSettings::formatMinSecMs(dragged)));
        QTest::keyClick(focus, Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(doc()->points()[1].time, int64_t{30000});
        QTest::keyClick(focus, Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(sections()->rowCount(), 1);
        QTest::keyClick(focus, Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
        QTest::keyClick(focus, Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
        QCOMPARE(doc()->points()[1].time, dragged);
        click("removeAllButton");
        QTest::keyClick(focus, Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(doc()->points().size(), size_t{3});
        window_->close();
        open(home_.path() + "/short.wav");
        QCOMPARE(doc()->undoStack()->count(), 0);
        QCOMPARE(bar->viewLength(), static_cast<double>(doc()->duration())); // a new file shows whole
    }

    // With an MP3 file "Snap to MP3 frames" puts new points on frame boundaries (the
    // millisecond nearest to one); a WAV file has no frames to snap to.
    void snapToMp3Frames() {
        open(home_.path() + "/short.wav");
        QVERIFY(!ctl<QCheckBox>("snapToFramesBox")->isEnabled());
        window_->close();
        open(home_.path() + "/long.mp3");
        QVERIFY(ctl<QCheckBox>("snapToFramesBox")->isEnabled());
        QTest::mouseClick(ctl<QCheckBox>("snapToFramesBox"), Qt::LeftButton);
        QVERIFY(ctl<QCheckBox>("snapToFramesBox")->isChecked());
        const Mp3FrameIndex frames = indexMp3Frames((home_.path() + "/long.mp3").toStdString());
        for (const int64_t asked : {1000, 45013, 60000}) {
            doc()->setPosition(asked);
            click("addPointButton");
        }
        for (size_t i = 1; i + 1 < doc()->points().size(); ++i) {
            const int64_t time = doc()->points()[i].time;
            // Within half a millisecond of a frame's first sample, counted as decoded.
            const double sample = time * 44.1 + frames.skippedSamples();
            const double offFrame = std::remainder(sample, frames.samplesPerFrame);
            QVERIFY2(std::abs(offFrame) <= 22.1, qPrintable(QString::number(time)));
        }
        QTest::mouseClick(ctl<QCheckBox>("snapToFramesBox"), Qt::LeftButton);
        doc()->setPosition(2345);
        click("addPointButton");
        QCOMPARE(doc()->points()[2].time, int64_t{2345}); // after the snapped one near 1 s
        click("removeAllButton");
    }

    void playAfterThePositionReturnsToWhereItStarted() {
        open(home_.path() + "/song.wav");
        doc()->setPosition(1000);
        ctl<QLineEdit>("stepForwardBox")->setText("600");
        click("playAfterButton");
        QTRY_VERIFY_WITH_TIMEOUT(doc()->position() > 1000, 3000);
        QTRY_VERIFY_WITH_TIMEOUT(!playback()->isActive(), 5000);
        QCOMPARE(doc()->position(), int64_t{1000});
        // Before the position, near the start: from 0, and the position stays.
        doc()->setPosition(300);
        click("playBeforeButton");
        QCOMPARE(playback()->range().startMs, 0);
        QTRY_VERIFY_WITH_TIMEOUT(!playback()->isActive(), 5000);
        QCOMPARE(doc()->position(), int64_t{300});
        // An empty box does nothing and says why.
        ctl<QLineEdit>("stepForwardBox")->clear();
        click("playAfterButton");
        QVERIFY(!playback()->isActive());
        QVERIFY(answers_->texts.last().contains("number"));
    }

    void previewShowsItsStatusAndClearsIt() {
        open(home_.path() + "/song.wav");
        mark({2000, 2800});
        selectRow(list(), 1);
        click("previewButton");
        QVERIFY(ctl<QPushButton>("stopPreviewButton")->isVisible());
        QVERIFY(!ctl<QPushButton>("addPointButton")->isEnabled());
        QTRY_VERIFY_WITH_TIMEOUT(cellText(list(), 1, 4).startsWith("Previewing: 000 : 02"), 3000);
        // The clock and the playhead follow the preview.
        QTRY_VERIFY(doc()->position() > 2000 && doc()->position() < 2800);
        QCOMPARE(ctl<QLabel>("durationLabel")->text().left(9), QString("000 : 02 "));
        QTRY_VERIFY_WITH_TIMEOUT(!playback()->isActive(), 5000);
        QCOMPARE(cellText(list(), 1, 4), QString());
        QVERIFY(ctl<QPushButton>("previewButton")->isVisible());
        QVERIFY(ctl<QPushButton>("addPointButton")->isEnabled());
        QCOMPARE(doc()->position(), int64_t{2000}); // back at the section's start
        // The status column is wide enough for the longest status.
        const QFontMetrics metrics = list()->fontMetrics();
        QVERIFY(list()->columnWidth(4) > metrics.horizontalAdvance("Previewing: 000 : 00 : 000"));
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
        ctl<QRadioButton>("fastSpeedButton")->setChecked(true);
        selectRow(list(), 1);
        click("previewButton");
        QTRY_VERIFY_WITH_TIMEOUT(!playback()->isActive(), 10000);
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
        QCOMPARE(window_->fileName(), home_.path() + "/short.wav");
        QCOMPARE(doc()->duration(), int64_t{2500});
        QCOMPARE(sections()->rowCount(), 1);

        // Both are in the recent files, newest first; choosing one opens it again.
        QMenu* recent = window_->findChild<QToolButton*>("recentButton")->menu();
        emit recent->aboutToShow();
        QStringList shown;
        for (QAction* action : recent->actions())
            shown << action->toolTip();
        QCOMPARE(shown.mid(0, 2), (QStringList{home_.path() + "/short.wav", home_.path() + "/song.wav"}));
        recent->actions().at(1)->trigger();
        QCOMPARE(window_->fileName(), home_.path() + "/song.wav");
        QCOMPARE(QString::fromStdString(AppSettings::recentCutFiles.front()), home_.path() + "/song.wav");
    }

    // With no program of the desktop to start, Help and Folder say so.
    void helpAndFolderSayWhenNothingCanShowThem() {
        open(home_.path() + "/song.wav");
        const QByteArray path = qgetenv("PATH");
        qputenv("PATH", home_.path().toUtf8() + "/cuts");
        ctl<QPushButton>("helpButton")->click();
        ctl<QPushButton>("folderButton")->click();
        qputenv("PATH", path);
        QTRY_COMPARE(answers_->texts.size(), 2);
        QVERIFY2(answers_->texts[0].endsWith("ZMP3CJHelp.html\": no file manager or browser of the desktop could be "
                                             "started"),
                 qPrintable(answers_->texts[0]));
        QVERIFY(answers_->texts[1].startsWith("Cannot open \"" + out_));
    }

    void goToCorrectsTheSecondsBox() {
        open(home_.path() + "/long.wav");
        ctl<QLineEdit>("goToMinutesBox")->setText("001");
        ctl<QLineEdit>("goToSecondsBox")->setText("75");
        QCOMPARE(ctl<QLineEdit>("goToSecondsBox")->text(), QString("59"));
        ctl<QLineEdit>("goToSecondsBox")->setText("x");
        QCOMPARE(ctl<QLineEdit>("goToSecondsBox")->text(), QString("00"));
        ctl<QLineEdit>("goToSecondsBox")->setText("07");
        ctl<QLineEdit>("goToMillisecondsBox")->setText("250");
        click("goToButton");
        QCOMPARE(doc()->position(), int64_t{67250});
        ctl<QLineEdit>("goToMinutesBox")->setText("999");
        click("goToButton");
        QCOMPARE(doc()->position(), doc()->duration());
    }

    void waveformIsDrawnUnderTheBar() {
        open(home_.path() + "/song.wav");
        // The waveform fills in from the file's peaks: the middle of the bar is drawn on.
        const QPoint middle = bar()->waveArea().center() - QPoint(40, 10);
        const QColor base = bar()->palette().color(QPalette::Base);
        QTRY_VERIFY_WITH_TIMEOUT(bar()->grab().toImage().pixelColor(middle) != base, 5000);
        if (const QByteArray folder = qgetenv("ZELVO_SCREENSHOT_DIR"); !folder.isEmpty()) {
            mark({2000, 4000}, {1});
            selectRow(list(), 2);
            doc()->selectSection(2);
            doc()->setPosition(3700);
            QTest::qWait(100);
            QVERIFY(window_->grab().save(QString::fromUtf8(folder) + "/cutter.png"));
        }
    }
};

QTEST_MAIN(CutterWindowTest)
#include "CutterWindowTest.moc"
