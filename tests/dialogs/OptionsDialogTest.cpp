#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QDir>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QApplication>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTimer>
#include <QTreeWidget>
#include <QtTest>

#include "AudioFixtures.h"
#include "ConvertJob.h"
#include "CutJob.h"
#include "FolderTree.h"
#include "AppSettings.h"
#include "OptionsDialog.h"
#include "OutputFormat.h"
#include "DialogAnswers.h"
#include "SettingsStore.h"
#include "TempFolder.h"

class OptionsDialogTest : public QObject {
    Q_OBJECT

private:
    QTemporaryDir home_;
    std::unique_ptr<OptionsDialog> options_;

    void open() {
        options_->show();
        QVERIFY(QTest::qWaitForWindowExposed(options_.get()));
    }

    // Presses OK and gives the text of the message it shows (which is answered), or "".
    QString okAnswersMessage() {
        QString shown;
        QTimer::singleShot(0, this, [&] {
            if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
                shown = box->text();
                box->accept();
            }
        });
        options_->okButton_->click();
        return shown;
    }

    static QString fileText() { return QString::fromStdString(readFileText(settingsFilePath())); }

private slots:
    void initTestCase() {
        AppSettings::settingsFolder = (home_.path() + "/settings/").toStdString();
        QDir().mkpath(QString::fromStdString(AppSettings::settingsFolder));
        for (auto* folder : {&AppSettings::defaultConvertOutputPath, &AppSettings::defaultSplitOutputPath,
                             &AppSettings::defaultJoinOutputPath}) {
            *folder = (home_.path() + "/out" + QString::number(folder->size()) + "/").toStdString();
            QDir().mkpath(QString::fromStdString(*folder));
        }
        AppSettings::defaultRecordOutputPath = home_.path().toStdString() + "/";
        options_ = std::make_unique<OptionsDialog>();
        options_->loadAtStartup();
    }

    void startsWithTheResetValuesOnItsPages() {
        QCOMPARE(options_->windowTitle(), QString("Zelvo MP3 Zovozu Darozu: Options"));
        QCOMPARE(options_->pages_->tabText(0), QString("Format"));
        QCOMPARE(options_->pages_->tabText(1), QString("Save"));
        QCOMPARE(options_->pages_->tabText(2), QString("Loudness"));
        QCOMPARE(options_->pages_->count(), 3);
        QStringList formats, saves;
        for (int i = 0; i < 4; ++i)
            formats << options_->formatPages_->tabText(i);
        for (int i = 0; i < 3; ++i)
            saves << options_->savePages_->tabText(i);
        QCOMPARE(formats, QStringList({"WAV", "MP3", "OGG", "WMA"}));
        QCOMPARE(saves, QStringList({"Converter", "Zovozu", "Joinner"}));
        QCOMPARE(options_->mp3BitRateBox_->currentText(), QString("112 kbps"));
        QCOMPARE(options_->wmaFormatBox_->currentText(), QString("44100Hz,stereo,128kbps"));
        QCOMPARE(options_->oggQualityBox_->currentText(), QString("6"));
        QVERIFY(options_->convertToFolderButton_->isChecked());
        QVERIFY(options_->joinAddNewButton_->isChecked());
        QCOMPARE(options_->joinPrefixEdit_->text(), QString("Merged"));
        QVERIFY(fileText().contains("WmaFormat=14\n"));
    }

    void vbrEnablesItsFiveControls() {
        const QList<QWidget*> vbr{options_->maxBitRateLabel_, options_->mp3MaxBitRateBox_, options_->vbrQualityLabel_,
                                  options_->mp3VbrQualityBox_, options_->vbrHeaderBox_};
        for (QWidget* control : vbr)
            QVERIFY(!control->isEnabled());
        options_->vbrEnableBox_->setChecked(true);
        for (QWidget* control : vbr)
            QVERIFY(control->isEnabled());
        QVERIFY(options_->mp3BitRateBox_->isEnabled());
        options_->vbrEnableBox_->setChecked(false);
        for (QWidget* control : vbr)
            QVERIFY(!control->isEnabled());
        options_->vbrEnableBox_->setChecked(true);
        options_->resetToDefaults();
        QVERIFY(!options_->vbrEnableBox_->isChecked());
        for (QWidget* control : vbr)
            QVERIFY(!control->isEnabled());
    }

    void cancelPutsBackWhatTheDialogShowed() {
        open();
        const std::string path = AppSettings::convertOutputPath;
        options_->mp3BitRateBox_->setCurrentText("320 kbps");
        options_->convertFolderEdit_->setText("/elsewhere/");
        options_->cancelButton_->click();
        QVERIFY(!options_->isVisible());
        QCOMPARE(options_->mp3BitRateBox_->currentText(), QString("112 kbps"));
        QCOMPARE(options_->convertFolderEdit_->text().toStdString(), path);
        QCOMPARE(AppSettings::mp3BitRateKbps, 112);
        QCOMPARE(AppSettings::convertOutputPath, path);
    }

    // The Loudness page and the jobs' boxes: saved under [Loudness] and applied with OK;
    // the album box follows the join's box.
    void loudnessChoicesAreSavedAndApplied() {
        open();
        QVERIFY(!options_->joinKeepLevelsBox_->isEnabled());
        options_->joinNormalizeBox_->setChecked(true);
        QVERIFY(options_->joinKeepLevelsBox_->isEnabled());
        options_->joinKeepLevelsBox_->setChecked(true);
        options_->cutNormalizeBox_->setChecked(true);
        options_->targetLoudnessBox_->setValue(-23);
        options_->peakCeilingBox_->setValue(-2);
        options_->playbackGainBox_->setCurrentIndex(2);
        options_->okButton_->click();
        QVERIFY(fileText().contains("[Loudness]\nNormalizeConvert=0\nNormalizeSplit=1\nNormalizeJoin=1\n"
                                    "TargetLoudness=-23\nPeakCeiling=-2\nJoinKeepLevels=1\nPlaybackGain=2\n"));
        QVERIFY(AppSettings::splitNormalizes && AppSettings::joinNormalizes && !AppSettings::convertNormalizes);
        QCOMPARE(AppSettings::targetLoudnessLufs, -23.0);
        QCOMPARE(AppSettings::peakCeilingDbtp, -2.0);
        QVERIFY(AppSettings::playbackGain == AppSettings::PlaybackGain::Album);
        open();
        options_->resetToDefaults();
        options_->okButton_->click();
        QVERIFY(fileText().contains("TargetLoudness=-18\n"));
        QVERIFY(AppSettings::playbackGain == AppSettings::PlaybackGain::Track);
        QVERIFY(!AppSettings::joinNormalizes);
    }

    void defaultThenCancelChangesNothingDefaultThenOkSaves() {
        open();
        options_->wmaFormatBox_->setCurrentIndex(3);
        options_->okButton_->click();
        QCOMPARE(AppSettings::wmaProfile, 4);
        QVERIFY(fileText().contains("WmaFormat=3\n"));
        const QString before = fileText();

        open();
        options_->resetToDefaults();
        QCOMPARE(options_->wmaFormatBox_->currentIndex(), 14);
        options_->cancelButton_->click();
        QCOMPARE(fileText(), before);
        QCOMPARE(AppSettings::wmaProfile, 4);
        QCOMPARE(options_->wmaFormatBox_->currentIndex(), 3);

        open();
        options_->resetToDefaults();
        options_->okButton_->click();
        QVERIFY(fileText().contains("WmaFormat=14\n"));
        QVERIFY(fileText().contains("Subject=Share\n"));
        QVERIFY(fileText().contains("MP3BitRate=6\n"));
        QCOMPARE(AppSettings::wmaProfile, 15);
        QCOMPARE(AppSettings::mailSubject, std::string("Share"));
    }

    // The Save pages' file name templates show what they give as they are typed; OK refuses
    // one that cannot be used and saves the others under [Names]. The Opus and M4A pages
    // follow the other formats'.
    void nameTemplatesAndTheNewFormats() {
        open();
        QCOMPARE(options_->cutNameEdit_->text(), QString("{stem}-Splitted{index}"));
        auto* cutExample = options_->findChild<QLabel*>("cutNameEditExample");
        QVERIFY(cutExample);
        QCOMPARE(cutExample->text(), QString("Example: song-Splitted2.mp3"));
        QCOMPARE(options_->findChild<QLabel*>("convertNameEditExample")->text(), QString("Example: song.mp3"));
        QVERIFY(options_->findChild<QLabel*>("joinNameEditExample")->text().startsWith("Example: Merged 2"));
        options_->joinPrefixEdit_->setText("Book");
        QVERIFY(options_->findChild<QLabel*>("joinNameEditExample")->text().startsWith("Example: Book 2"));

        options_->cutNameEdit_->clear();
        QTest::keyClicks(options_->cutNameEdit_, "{album}/{n:02} - {title}");
        QCOMPARE(cutExample->text(), QString("Example: Album/03 - Intro.mp3"));
        QTest::keyClicks(options_->cutNameEdit_, "{nope}");
        QCOMPARE(cutExample->text(), QString("Cannot be used: unknown field {nope}"));
        const QString shown = okAnswersMessage();
        QCOMPARE(shown, QString("The file name template \"{album}/{n:02} - {title}{nope}\" cannot be used: unknown "
                                "field {nope}"));
        QVERIFY(options_->isVisible());

        options_->cutNameEdit_->setText("{album}/{n:02} - {title}");
        options_->cutPlaylistBox_->setChecked(true);
        QStringList formats;
        for (int i = 0; i < options_->formatPages_->count(); ++i)
            formats << options_->formatPages_->tabText(i);
        QCOMPARE(formats, QStringList({"WAV", "MP3", "OGG", "WMA", "FLAC", "Opus", "M4A"}));
        options_->opusBitRateBox_->setCurrentText("32 kbps");
        options_->opusChannelsBox_->setCurrentText("Mono");
        options_->m4aRateBox_->setCurrentText("48000 Hz");
        options_->m4aBitRateBox_->setCurrentText("256 kbps");
        options_->okButton_->click();
        QVERIFY(!options_->isVisible());
        QVERIFY(fileText().contains("[Names]\nSplitName={album}/{n:02} - {title}\nJoinName={merged}\n"
                                    "ConvertName={stem}\nWritePlaylist=1\n"));
        QVERIFY(fileText().contains("OpusChannels=0\nOpusBitRate=5\nM4aFreq=6\nM4aChannels=1\nM4aBitRate=5\n"));
        QCOMPARE(AppSettings::splitNameTemplate, std::string("{album}/{n:02} - {title}"));
        QCOMPARE(AppSettings::joinPreName, std::string("Book"));
        QVERIFY(AppSettings::writePlaylists);
        QCOMPARE(AppSettings::opusBitRateKbps, 32);
        QCOMPARE(AppSettings::opusChannelCount, 1);
        QCOMPARE(AppSettings::m4aFreqHz, 48000);
        QCOMPARE(AppSettings::m4aBitRateKbps, 256);
        QCOMPARE(currentCutSettings().nameTemplate, std::string("{album}/{n:02} - {title}"));

        open();
        options_->resetToDefaults();
        options_->okButton_->click();
        QCOMPARE(AppSettings::splitNameTemplate, std::string("{stem}-Splitted{index}"));
        QVERIFY(!AppSettings::writePlaylists);
    }

    void okKeepsTheDialogOpenWhenTheSettingsCannotBeSaved() {
        const QString path = QString::fromStdString(settingsFilePath());
        const QString before = fileText();
        const int profile = AppSettings::wmaProfile;
        QVERIFY(QFile::setPermissions(path, QFile::ReadOwner | QFile::ReadUser));
        open();
        options_->wmaFormatBox_->setCurrentIndex(7);
        const QString shown = okAnswersMessage();
        QCOMPARE(shown, "Unable to write to " + path);
        QVERIFY(options_->isVisible());
        QCOMPARE(fileText(), before);
        QCOMPARE(AppSettings::wmaProfile, profile);

        // Once the file can be written again, the same OK saves and closes.
        QVERIFY(QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner));
        options_->okButton_->click();
        QVERIFY(!options_->isVisible());
        QVERIFY(fileText().contains("WmaFormat=7\n"));
        QCOMPARE(AppSettings::wmaProfile, 8);
    }

    void nameEditsKeepOutWhatAFileNameCannotHold() {
        QLineEdit* prefix = options_->joinPrefixEdit_;
        prefix->setText("Mix");
        prefix->setCursorPosition(3);
        QTest::keyClicks(prefix, "?*:");
        QCOMPARE(prefix->text(), QString("Mix"));
        QTest::keyClicks(prefix, " 2-b");
        QCOMPARE(prefix->text(), QString("Mix 2-b"));
        prefix->clear();
        QGuiApplication::clipboard()->setText("a/b");
        prefix->paste();
        QCOMPARE(prefix->text(), QString("ab"));
        options_->joinSuffixEdit_->setText("x\\y|z\"");
        QCOMPARE(options_->joinSuffixEdit_->text(), QString("xyz"));
        prefix->setText("Merged");
    }

    void outputFolderMustTakeAFile() {
        QTemporaryDir good;
        chooseFolderWhenAsked(good.path());
        options_->chooseOutputFolder(options_->cutFolderEdit_);
        QCOMPARE(options_->cutFolderEdit_->text(), good.path() + "/");
        QCOMPARE(QDir(good.path()).entryList(QDir::Files), QStringList()); // the probe went again

        // A folder in which not even root can make a file.
        chooseFolderWhenAsked("/proc");
        closeMessageBoxWhenShown();
        options_->chooseOutputFolder(options_->cutFolderEdit_);
        QCOMPARE(options_->lastMessage_, QString("The path can't set as output path"));
        QCOMPARE(options_->cutFolderEdit_->text(), good.path() + "/");

        // Cancelling keeps the folder.
        chooseFolderWhenAsked({});
        options_->chooseOutputFolder(options_->cutFolderEdit_);
        QCOMPARE(options_->cutFolderEdit_->text(), good.path() + "/");
    }

    void scheduleTextsAndFiles() {
        using AppSettings::ScheduleEntry;
        const ScheduleEntry yearly{true, 8, 0, 0, 9, 30, 0, 24, 12, 0, 0};
        const ScheduleEntry daily{false, 0, 0, 0, 1, 0, 0, 0, 0, 0, 0};
        QCOMPARE(OptionsDialog::frequencyText(yearly), QString("Every year: December 24"));
        QCOMPARE(OptionsDialog::frequencyText(daily), QString("Every day"));
        QCOMPARE(OptionsDialog::frequencyText({true, 0, 0, 0, 0, 0, 0, 0, 0, 0, 3}), QString("Every week: Wednesday"));
        QCOMPARE(OptionsDialog::frequencyText({true, 0, 0, 0, 0, 0, 0, 15, 0, 0, 0}), QString("Every month: 15"));

        OptionValues values = options_->controlsToValues();
        values.schedule = {yearly, daily};
        options_->valuesToControls(values);
        QCOMPARE(options_->scheduleList_->topLevelItem(0)->text(1), QString("08:00:00"));
        QCOMPARE(options_->scheduleList_->topLevelItem(0)->text(3), QString("Every year: December 24"));
        const QString file = home_.path() + "/week.zsc";
        options_->writeSchedule(file);
        options_->clearSchedule();
        QCOMPARE(options_->scheduleList_->topLevelItemCount(), 0);
        options_->readSchedule(file);
        QCOMPARE(options_->controlsToValues().schedule, (std::vector<ScheduleEntry>{yearly, daily}));
        options_->deleteScheduleRow(0);
        QCOMPARE(options_->controlsToValues().schedule, std::vector<ScheduleEntry>{daily});
    }

    void settingsGivenWithOkAreWhatTheNextConversionUses() {
        open();
        options_->mp3BitRateBox_->setCurrentText("80 kbps");
        options_->mp3ChannelsBox_->setCurrentText("Mono");
        options_->flacRateBox_->setCurrentText("22050 Hz");
        options_->flacSampleSizeBox_->setCurrentText("24 bit");
        options_->flacLevelBox_->setCurrentText("8 (smallest file)");
        options_->okButton_->click();
        QVERIFY(fileText().contains("FlacFreq=2\nFlacChannels=1\nFlacSampleSize=1\nFlacLevel=8\n"));
        TempFolder folder;
        makeTone(folder / "in.wav", 2, 44100, 2, "-c:a pcm_s16le");
        AudioFile in, out;
        Mp3EncoderSettings lame;
        in.openForRead(folder / "in.wav");
        prepareOutputFormat(out, lame, "MP3");
        out.createForWrite(folder / "out.mp3");
        runConvert(in, out, {});
        const ProbedStream probed = probe(folder / "out.mp3");
        QCOMPARE(probed.channels, 1);
        QVERIFY(std::abs(probed.bitRate - 80000) < 2000);
        AudioFile again, flac;
        again.openForRead(folder / "in.wav");
        prepareOutputFormat(flac, lame, "FLAC");
        flac.createForWrite(folder / "out.flac");
        runConvert(again, flac, {});
        QCOMPARE(probe(folder / "out.flac").sampleRate, 22050);
        QCOMPARE(runCommand("ffprobe -v error -show_entries stream=bits_per_raw_sample -of csv=p=0 " +
                            shellQuoted(folder / "out.flac")),
                 std::string("24\n"));
        if (const QByteArray shots = qgetenv("ZELVO_SCREENSHOT_DIR"); !shots.isEmpty()) {
            open();
            options_->pages_->setCurrentIndex(0);
            options_->formatPages_->setCurrentIndex(1);
            QVERIFY(options_->grab().save(QString::fromUtf8(shots) + "/options-format-mp3.png"));
            options_->pages_->setCurrentIndex(1);
            options_->savePages_->setCurrentIndex(2);
            QVERIFY(options_->grab().save(QString::fromUtf8(shots) + "/options-save-joinner.png"));
            options_->cancelButton_->click();
        }
    }
};

QTEST_MAIN(OptionsDialogTest)
#include "OptionsDialogTest.moc"
