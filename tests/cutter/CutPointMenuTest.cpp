#include <QComboBox>
#include <QDialogButtonBox>
#include <QListWidget>
#include <QDir>
#include <QDoubleSpinBox>
#include <QFile>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QTreeView>
#include <QtTest>

#include "AppSettings.h"
#include "AudioFixtures.h"
#include "ConfirmDialog.h"
#include "CutPointMenu.h"
#include "CutSectionModel.h"
#include "CutterWindow.h"
#include "CutterProbe.h"
#include "WindowProbe.h"
#include "DialogAnswers.h"
#include "EngineEvents.h"
#include "PositionBar.h"
#include "Waveform.h"
#include "TagFixtures.h"
#include "TempFolder.h"

namespace {

// Tone bursts over a noise floor at -50 dBFS: sound 0 .. 2 s, 3.5 .. 6.5 s, 8.5 .. 10 s.
void makeBursts(const QString& path) {
    runCommand("ffmpeg -v error -y -f lavfi -i \"aevalsrc='if(lt(mod(t,10),2)+between(mod(t,10),3.5,6.5)"
               "+gte(mod(t,10),8.5), 0.5*sin(2*PI*440*t), 0) + 0.00316*sqrt(3)*(2*random(0)-1)'"
               ":s=8000:d=10\" -metadata title=Talk " +
               shellQuoted(path.toStdString()));
}

std::vector<int64_t> startsOf(const CutPlan& plan) {
    std::vector<int64_t> starts;
    for (const PlannedSection& section : plan)
        starts.push_back(section.start);
    return starts;
}

// Clicks OK in the options dialog the menu has open.
void accept(CutPointMenu& menu) {
    QVERIFY(menu.dialog_);
    menu.dialog_->findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok)->click();
}

} // namespace

class CutPointMenuTest : public QObject {
    Q_OBJECT

private:
    template <class Control>
    Control* ctl(const char* name) {
        return control<Control>(*window_, name);
    }
    void click(const char* name) { clickButton(*window_, name); }
    QTreeView* list() { return sectionList(*window_); }
    CutSectionModel* sections() { return sectionModel(*window_); }
    CutDocument* doc() { return cutDocument(*window_); }
    QTemporaryDir home_;
    QString talk_;
    std::unique_ptr<ConfirmDialog> confirm_;
    std::unique_ptr<DialogAnswers> answers_;
    std::unique_ptr<CutterWindow> window_;

    CutPointMenu& menu() { return *window_->findChild<CutPointMenu*>(); }
    bool waveformComplete() {
        const PeakLevels* peaks = window_->findChild<PositionBar*>("Bar")->peaks();
        return peaks && peaks->complete();
    }

    void open(const QString& file) {
        window_->openFile(file);
        window_->show();
        QVERIFY(QTest::qWaitForWindowExposed(window_.get()));
    }

private slots:
    void initTestCase() {
        qputenv("SDL_AUDIODRIVER", "dummy");
        routeEngineEventsToTheWindows();
        QDir().mkpath(home_.path() + "/cuts");
        AppSettings::splitOutputPath = (home_.path() + "/cuts/").toStdString();
        AppSettings::splitToSourceFolder = false;
        AppSettings::wavFreqHz = 8000;
        AppSettings::wavChannelCount = 1;
        AppSettings::wavBitsPerSample = 16;
        talk_ = home_.path() + "/talk.wav";
        makeBursts(talk_);
        confirm_ = std::make_unique<ConfirmDialog>();
        answers_ = std::make_unique<DialogAnswers>();
        window_ = std::make_unique<CutterWindow>();
        window_->setWindows(nullptr, confirm_.get(), [] {});
    }

    void init() {
        answers_->texts.clear();
        open(talk_);
    }

    void cleanup() { window_->close(); }

    void silencesFromTheDialogAndUndo() {
        menu().silenceAction_->trigger();
        accept(menu());
        QTRY_COMPARE(sections()->rowCount(), 3);
        const CutPlan plan = doc()->plan();
        QVERIFY(std::abs(plan[1].start - 2750) <= 10);
        QVERIFY(std::abs(plan[2].start - 7500) <= 10);
        QCOMPARE(cellText(list(), 1, CutSectionModel::Title), QString("Talk (2)"));

        // Leaving the silences out: unticked sections of their own, shaded on the bar.
        menu().silenceAction_->trigger();
        menu().dialog_->findChild<QRadioButton*>("trimButton")->setChecked(true);
        accept(menu());
        QTRY_COMPARE(sections()->rowCount(), 5);
        std::vector<bool> ticks;
        for (const PlannedSection& section : doc()->plan())
            ticks.push_back(section.use);
        QCOMPARE(ticks, (std::vector<bool>{true, false, true, false, true}));
        QCOMPARE(cellText(list(), 2, CutSectionModel::Title), QString("Talk (2)"));
        QCOMPARE(cellText(list(), 1, CutSectionModel::Title), QString());

        menu().undo();
        QCOMPARE(doc()->plan(), plan);
        QVERIFY(!menu().undoAction_->isEnabled());
    }

    void lengthsAndCountsSnappedToSilences() {
        menu().lengthAction_->trigger();
        menu().dialog_->findChild<QRadioButton*>("byCountButton")->setChecked(true);
        menu().dialog_->findChild<QSpinBox*>("partsBox")->setValue(4);
        accept(menu());
        QCOMPARE(startsOf(doc()->plan()), (std::vector<int64_t>{0, 2500, 5000, 7500}));
        menu().findLengths(3000, 0, 0);
        QCOMPARE(startsOf(doc()->plan()), (std::vector<int64_t>{0, 3000, 6000, 9000}));
        // 3 s is within a second of a silence's middle (2.75 s, 7.5 s); 6 s and 9 s are not.
        // Once the waveform covers the file, its levels answer at once.
        QTRY_VERIFY(waveformComplete());
        menu().findLengths(3000, 0, 1000);
        QVERIFY(!menu().searching());
        const CutPlan snapped = doc()->plan();
        QVERIFY(std::abs(snapped[1].start - 2750) <= 10);
        QCOMPARE(snapped[2].start, int64_t{6000});
        QCOMPARE(snapped[3].start, int64_t{9000});
    }

    // The silences the waveform's levels tell are those a search of the file finds; a
    // threshold between their half-decibel steps is searched for in the file.
    void silencesFromTheWaveformAreThoseOfTheFile() {
        QTRY_VERIFY(waveformComplete());
        for (const double threshold : {-40.0, -52.5, -40.3}) {
            SilenceOptions options;
            options.thresholdDb = threshold;
            options.minSilenceMs = 300;
            AudioFile file;
            file.openForRead(talk_.toStdString());
            std::vector<Silence> found;
            QCOMPARE(::findSilences(file, options, JobControl{}, found), JobEnd::Finished);
            menu().findSilences(options);
            QCOMPARE(menu().searching(), threshold == -40.3);
            QTRY_VERIFY(!menu().searching());
            QCOMPARE(doc()->plan(), planFromSilences(found, doc()->duration(), options));
        }
    }

    void cueSheetTitlesGoIntoTheCutFiles() {
        const QString sheet = home_.path() + "/talk.cue";
        writeFileText(sheet.toStdString(),
                      "PERFORMER \"Host\"\nTITLE \"Show\"\nREM DATE 2025\nFILE \"talk.wav\" WAVE\n"
                      "TRACK 01 AUDIO\nTITLE \"Opening\"\nINDEX 01 00:00:00\n"
                      "TRACK 02 AUDIO\nTITLE \"Guest\"\nPERFORMER \"Visitor\"\nINDEX 01 00:02:56\n");
        menu().loadCueSheet(sheet);
        QCOMPARE(startsOf(doc()->plan()), (std::vector<int64_t>{0, 2747}));
        QCOMPARE(cellText(list(), 1, CutSectionModel::Title), QString("Guest"));
        // A title typed into the list replaces the sheet's; the numbered one typed back is the default.
        sections()->setData(sections()->index(1, CutSectionModel::Title), QString("Talk (2)"), Qt::EditRole);
        QTRY_COMPARE(doc()->plan()[1].title, std::string());
        sections()->setData(sections()->index(1, CutSectionModel::Title), QString("Talk (live)"), Qt::EditRole);
        QTRY_COMPARE(doc()->plan()[1].title, std::string("Talk (live)"));
        sections()->setData(sections()->index(1, CutSectionModel::Title), QString("Guest"), Qt::EditRole);
        sections()->setData(sections()->index(0, CutSectionModel::Title), QString("Welcome"), Qt::EditRole);
        QTRY_COMPARE(doc()->plan()[0].title, std::string("Welcome"));
        click("cutButton");
        QTRY_VERIFY_WITH_TIMEOUT(!window_->isCutting(), 20000);
        const QString cuts = home_.path() + "/cuts/";
        const auto first = probeTags((cuts + "talk-Splitted0.wav").toStdString());
        QCOMPARE(QString::fromStdString(first.at("title")), QString("Welcome"));
        QCOMPARE(QString::fromStdString(first.at("album")), QString("Show"));
        QCOMPARE(QString::fromStdString(first.at("date")), QString("2025"));
        const auto second = probeTags((cuts + "talk-Splitted1.wav").toStdString());
        QCOMPARE(QString::fromStdString(second.at("title")), QString("Guest"));
        QCOMPARE(QString::fromStdString(second.at("artist")), QString("Visitor"));
        for (const QString& file : QDir(cuts).entryList(QDir::Files))
            QFile::remove(cuts + file);

        // A sheet it cannot use: the message names the sheet and the line; nothing changes.
        const CutPlan before = doc()->plan();
        QTRY_COMPARE(answers_->texts.size(), 1);
        QVERIFY(answers_->texts.first().startsWith("Cut finished\n"));
        answers_->texts.clear();
        writeFileText((home_.path() + "/bad.cue").toStdString(), "FILE \"other.wav\" WAVE\n");
        menu().loadCueSheet(home_.path() + "/bad.cue");
        QTRY_COMPARE(answers_->texts.size(), 1);
        QVERIFY2(answers_->texts[0].contains("bad.cue\": line 1: the sheet is for \"other.wav\""),
                 qPrintable(answers_->texts[0]));
        QCOMPARE(doc()->plan(), before);
    }

    // An 8-bit sheet: the program asks which encoding to read it in, showing the titles
    // as each choice reads them; the one taken titles the sections.
    void anEightBitSheetIsReadInTheEncodingChosen() {
        const QString sheet = home_.path() + "/cyrillic.cue";
        // "Трек первый" and "Вечерняя песня" in Windows-1251.
        writeFileText(sheet.toStdString(), "FILE \"talk.wav\" WAVE\nTRACK 01 AUDIO\n"
                                           "TITLE \"\xD2\xF0\xE5\xEA \xEF\xE5\xF0\xE2\xFB\xE9\"\nINDEX 01 00:00:00\n"
                                           "TRACK 02 AUDIO\nTITLE \"\xC2\xE5\xF7\xE5\xF0\xED\xFF\xFF "
                                           "\xEF\xE5\xF1\xED\xFF\"\nINDEX 01 00:02:00\n");
        QStringList asKoi8, asWindows;
        QTimer poll;
        connect(&poll, &QTimer::timeout, this, [&] {
            auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
            if (!dialog || dialog->objectName() != "cueEncodingDialog")
                return;
            poll.stop();
            auto* box = dialog->findChild<QComboBox*>("encodingBox");
            auto* titles = dialog->findChild<QListWidget*>("titlesPreview");
            const auto shown = [titles] {
                QStringList lines;
                for (int i = 0; i < titles->count(); ++i)
                    lines << titles->item(i)->text();
                return lines;
            };
            box->setCurrentIndex(box->findText("KOI8-R"));
            asKoi8 = shown();
            box->setCurrentIndex(box->findText("WINDOWS-1251"));
            asWindows = shown();
            dialog->accept();
        });
        poll.start(20);
        menu().loadCueSheet(sheet);
        QCOMPARE(asWindows, QStringList({"01  Трек первый", "02  Вечерняя песня"}));
        QCOMPARE(asKoi8.size(), 2);
        QVERIFY(asKoi8 != asWindows);
        QCOMPARE(doc()->plan()[0].title, std::string("Трек первый"));
        QCOMPARE(doc()->plan()[1].title, std::string("Вечерняя песня"));
    }

    void aSavedListLoadsBackIdentical() {
        menu().findLengths(0, 3, 0);
        sections()->setData(sections()->index(1, 0), Qt::Unchecked, Qt::CheckStateRole);
        sections()->setData(sections()->index(2, CutSectionModel::Title), QString("Ending"), Qt::EditRole);
        QTRY_COMPARE(doc()->plan()[2].title, std::string("Ending"));
        const CutPlan saved = doc()->plan();
        const QString path = home_.path() + "/saved.cue";
        QVERIFY(menu().saveCutList(path));
        menu().findLengths(0, 5, 0);
        menu().loadCueSheet(path);
        QCOMPARE(doc()->plan(), saved);
        QVERIFY(!menu().saveCutList(home_.path() + "/missing/saved.cue"));
        QTRY_COMPARE(answers_->texts.size(), 1);
        QVERIFY(answers_->texts[0].startsWith("Cannot save the cut list as"));
    }

    void screenshotAfterSilencesOnAnHourLongRecording() {
        const QByteArray folder = qgetenv("ZELVO_SCREENSHOT_DIR");
        if (folder.isEmpty())
            QSKIP("screenshots are made with ZELVO_SCREENSHOT_DIR set");
        const QString hour = home_.path() + "/hour.wav";
        runCommand("ffmpeg -v error -y -stream_loop 359 -i " + shellQuoted(talk_.toStdString()) + " -c copy " +
                   shellQuoted(hour.toStdString()));
        window_->close();
        open(hour);
        SilenceOptions options;
        options.minSectionMs = 60000;
        menu().findSilences(options);
        QTRY_VERIFY_WITH_TIMEOUT(sections()->rowCount() > 10, 60000);
        QVERIFY(window_->grab().save(QString::fromUtf8(folder) + "/cutter-silences.png"));
    }
};

QTEST_MAIN(CutPointMenuTest)
#include "CutPointMenuTest.moc"
