#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QDir>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTimer>
#include <QTreeWidget>
#include <QtTest>

#include "AudioFixtures.h"
#include "ConvertJob.h"
#include "FolderTree.h"
#include "AppSettings.h"
#include "OptionsDialog.h"
#include "OutputFormat.h"
#include "FolderChooserDialog.h"
#include "SettingsStore.h"
#include "TempFolder.h"

class OptionsTest : public QObject {
    Q_OBJECT

private:
    QTemporaryDir home_;
    std::unique_ptr<TfrmPathSelect> chooser_;
    std::unique_ptr<TfrmOptions> options_;

    void Open() {
        options_->show();
        QVERIFY(QTest::qWaitForWindowExposed(options_.get()));
    }

    static QString FileText() { return QString::fromStdString(ReadFileText(SettingsFilePath())); }

private slots:
    void initTestCase() {
        GlobeVar::SettingsFolder = (home_.path() + "/settings/").toStdString();
        QDir().mkpath(QString::fromStdString(GlobeVar::SettingsFolder));
        for (auto* folder : {&GlobeVar::DefaultConvertOutputPath, &GlobeVar::DefaultSplitOutputPath,
                             &GlobeVar::DefaultJoinOutputPath}) {
            *folder = (home_.path() + "/out" + QString::number(folder->size()) + "/").toStdString();
            QDir().mkpath(QString::fromStdString(*folder));
        }
        GlobeVar::DefaultRecordOutputPath = home_.path().toStdString() + "/";
        chooser_ = std::make_unique<TfrmPathSelect>();
        options_ = std::make_unique<TfrmOptions>();
        options_->SetPathChooser(chooser_.get());
        options_->LoadAtStartup();
    }

    void startsWithTheResetValuesOnItsPages() {
        QCOMPARE(options_->windowTitle(), QString("Zelvo MP3 Zovozu Darozu: Options"));
        QCOMPARE(options_->pcOptions->tabText(0), QString("Format"));
        QCOMPARE(options_->pcOptions->tabText(1), QString("Save"));
        QCOMPARE(options_->pcOptions->count(), 2);
        QStringList formats, saves;
        for (int i = 0; i < 4; ++i)
            formats << options_->pcFormat->tabText(i);
        for (int i = 0; i < 3; ++i)
            saves << options_->pcSave->tabText(i);
        QCOMPARE(formats, QStringList({"WAV", "MP3", "OGG", "WMA"}));
        QCOMPARE(saves, QStringList({"Converter", "Zovozu", "Joinner"}));
        QCOMPARE(options_->cboxMP3BitRate->currentText(), QString("112 kbps"));
        QCOMPARE(options_->cboxWmaFormat->currentText(), QString("44100Hz,stereo,128kbps"));
        QCOMPARE(options_->cboxOggBitRate->currentText(), QString("6"));
        QVERIFY(options_->rbSaveToAppointed->isChecked());
        QVERIFY(options_->rbJoinAddNew->isChecked());
        QCOMPARE(options_->edJoinPreName->text(), QString("Merged"));
        QVERIFY(FileText().contains("WmaFormat=14\n"));
    }

    void vbrEnablesItsFiveControls() {
        const QList<QWidget*> vbr{options_->lbMaxBitRate, options_->cboxMP3MaxBitRate, options_->lbVBRQuality,
                                  options_->cboxMP3VBRQuality, options_->cboxVBRHeader};
        for (QWidget* control : vbr)
            QVERIFY(!control->isEnabled());
        options_->cboxVBREnable->setChecked(true);
        for (QWidget* control : vbr)
            QVERIFY(control->isEnabled());
        QVERIFY(options_->cboxMP3BitRate->isEnabled());
        options_->cboxVBREnable->setChecked(false);
        for (QWidget* control : vbr)
            QVERIFY(!control->isEnabled());
        options_->cboxVBREnable->setChecked(true);
        options_->btnOptionDefaultClick();
        QVERIFY(!options_->cboxVBREnable->isChecked());
        for (QWidget* control : vbr)
            QVERIFY(!control->isEnabled());
    }

    void cancelPutsBackWhatTheDialogShowed() {
        Open();
        const std::string path = GlobeVar::ConvertOutputPath;
        options_->cboxMP3BitRate->setCurrentText("320 kbps");
        options_->edConvertOutputPath->setText("/elsewhere/");
        options_->btnOptionCancel->click();
        QVERIFY(!options_->isVisible());
        QCOMPARE(options_->cboxMP3BitRate->currentText(), QString("112 kbps"));
        QCOMPARE(options_->edConvertOutputPath->text().toStdString(), path);
        QCOMPARE(GlobeVar::Mp3BitRateKbps, 112);
        QCOMPARE(GlobeVar::ConvertOutputPath, path);
    }

    void defaultThenCancelChangesNothingDefaultThenOkSaves() {
        Open();
        options_->cboxWmaFormat->setCurrentIndex(3);
        options_->btnOptionOk->click();
        QCOMPARE(GlobeVar::WmaProfile, 4);
        QVERIFY(FileText().contains("WmaFormat=3\n"));
        const QString before = FileText();

        Open();
        options_->btnOptionDefaultClick();
        QCOMPARE(options_->cboxWmaFormat->currentIndex(), 14);
        options_->btnOptionCancel->click();
        QCOMPARE(FileText(), before);
        QCOMPARE(GlobeVar::WmaProfile, 4);
        QCOMPARE(options_->cboxWmaFormat->currentIndex(), 3);

        Open();
        options_->btnOptionDefaultClick();
        options_->btnOptionOk->click();
        QVERIFY(FileText().contains("WmaFormat=14\n"));
        QVERIFY(FileText().contains("Subject=Share\n"));
        QVERIFY(FileText().contains("MP3BitRate=6\n"));
        QCOMPARE(GlobeVar::WmaProfile, 15);
        QCOMPARE(GlobeVar::MailSubject, std::string("Share"));
    }

    void nameEditsKeepOutWhatAFileNameCannotHold() {
        QLineEdit* prefix = options_->edJoinPreName;
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
        options_->edJoinPosName->setText("x\\y|z\"");
        QCOMPARE(options_->edJoinPosName->text(), QString("xyz"));
        prefix->setText("Merged");
    }

    void outputFolderMustTakeAFile() {
        QTemporaryDir good;
        chooser_->ShellTreeView1->SelectPath(good.path());
        QTimer::singleShot(0, chooser_.get(), [this] { chooser_->btnOk->click(); });
        options_->ChooseOutputFolder(options_->edSplitOutputPath);
        QCOMPARE(options_->edSplitOutputPath->text(), good.path() + "/");
        QCOMPARE(QDir(good.path()).entryList(QDir::Files), QStringList()); // the probe went again

        // A folder in which not even root can make a file.
        QVERIFY(chooser_->ShellTreeView1->SelectPath("/proc"));
        QTimer::singleShot(0, chooser_.get(), [this] { chooser_->btnOk->click(); });
        QTimer::singleShot(100, [] {
            if (QWidget* box = QApplication::activeModalWidget())
                box->close();
        });
        options_->ChooseOutputFolder(options_->edSplitOutputPath);
        QCOMPARE(options_->LastMessage, QString("The path can't set as output path"));
        QCOMPARE(options_->edSplitOutputPath->text(), good.path() + "/");
    }

    void scheduleTextsAndFiles() {
        using GlobeVar::TScheduleEntry;
        const TScheduleEntry yearly{true, 8, 0, 0, 9, 30, 0, 24, 12, 0, 0};
        const TScheduleEntry daily{false, 0, 0, 0, 1, 0, 0, 0, 0, 0, 0};
        QCOMPARE(TfrmOptions::FrequencyText(yearly), QString("Every year: December 24"));
        QCOMPARE(TfrmOptions::FrequencyText(daily), QString("Every day"));
        QCOMPARE(TfrmOptions::FrequencyText({true, 0, 0, 0, 0, 0, 0, 0, 0, 0, 3}), QString("Every week: Wednesday"));
        QCOMPARE(TfrmOptions::FrequencyText({true, 0, 0, 0, 0, 0, 0, 15, 0, 0, 0}), QString("Every month: 15"));

        TOptionsValues values = options_->ControlsToValues();
        values.listSchedule = {yearly, daily};
        options_->ValuesToControls(values);
        QCOMPARE(options_->listSchedule->topLevelItem(0)->text(1), QString("08:00:00"));
        QCOMPARE(options_->listSchedule->topLevelItem(0)->text(3), QString("Every year: December 24"));
        const QString file = home_.path() + "/week.zsc";
        options_->WriteSchedule(file);
        options_->btnScheduleClearClick();
        QCOMPARE(options_->listSchedule->topLevelItemCount(), 0);
        options_->ReadSchedule(file);
        QCOMPARE(options_->ControlsToValues().listSchedule, (std::vector<TScheduleEntry>{yearly, daily}));
        options_->btnScheduleDeleteClick(0);
        QCOMPARE(options_->ControlsToValues().listSchedule, std::vector<TScheduleEntry>{daily});
    }

    void settingsGivenWithOkAreWhatTheNextConversionUses() {
        Open();
        options_->cboxMP3BitRate->setCurrentText("80 kbps");
        options_->cboxMP3Channels->setCurrentText("Mono");
        options_->btnOptionOk->click();
        TempFolder folder;
        MakeTone(folder / "in.wav", 2, 44100, 2, "-c:a pcm_s16le");
        TAudioFile2 in, out;
        TAudioFile2LameEnc lame;
        in.OpenForRead(folder / "in.wav");
        PrepareOutputFormat(out, lame, "MP3");
        out.CreateForWrite(folder / "out.mp3");
        RunConvert(in, out, {});
        const TProbedStream probed = Probe(folder / "out.mp3");
        QCOMPARE(probed.Channels, 1);
        QVERIFY(std::abs(probed.BitRate - 80000) < 2000);
        if (const QByteArray shots = qgetenv("ZELVO_SCREENSHOT_DIR"); !shots.isEmpty()) {
            Open();
            options_->pcOptions->setCurrentIndex(0);
            options_->pcFormat->setCurrentIndex(1);
            QVERIFY(options_->grab().save(QString::fromUtf8(shots) + "/options-format-mp3.png"));
            options_->pcOptions->setCurrentIndex(1);
            options_->pcSave->setCurrentIndex(2);
            QVERIFY(options_->grab().save(QString::fromUtf8(shots) + "/options-save-joinner.png"));
            options_->btnOptionCancel->click();
        }
    }
};

QTEST_MAIN(OptionsTest)
#include "OptionsDialogTest.moc"
