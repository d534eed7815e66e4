#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTreeWidget>
#include <QtTest>

#include "AudioFixtures.h"
#include "AudioTags.h"
#include "EngineEvents.h"
#include "JoinerWindow.h"
#include "DialogAnswers.h"
#include "FolderTree.h"
#include "AppSettings.h"

namespace {

QStringList Column(const QTreeWidget* list, int column) {
    QStringList texts;
    for (int i = 0; i < list->topLevelItemCount(); ++i)
        texts << list->topLevelItem(i)->text(column);
    return texts;
}

void WriteBytes(const QString& path, qint64 size) {
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(QByteArray(size, 'x'));
}

QStringList FilesIn(const QString& folder) {
    return QDir(folder).entryList(QDir::Files, QDir::Name);
}

} // namespace

class DarozuTest : public QObject {
    Q_OBJECT

private:
    QTemporaryDir home_;
    QString music_, merged_;
    std::unique_ptr<TfrmConfirm> confirm_;
    std::unique_ptr<TDialogAnswers> answers_;
    std::unique_ptr<TfrmJoiner> window_;
    int refreshes_ = 0;

    void Show(const QString& folder) {
        window_->SetTreeFolder(folder);
        window_->show();
        QVERIFY(QTest::qWaitForWindowExposed(window_.get()));
        QCOMPARE(window_->CurrentFolder, folder);
    }

    // The join list holds exactly these files of the music folder, all ticked.
    void Join(const QStringList& names) {
        window_->btnRemoveAllClick();
        QStringList paths;
        for (const QString& name : names)
            paths << music_ + name;
        window_->AddFiles(paths);
        QCOMPARE(window_->lvJoinList->topLevelItemCount(), names.size());
    }

    void RunMerge() {
        window_->btnStartMergeClick();
        QVERIFY(window_->Merging);
        QTRY_VERIFY_WITH_TIMEOUT(!window_->Merging, 30000);
    }

private slots:
    void initTestCase() {
        qputenv("SDL_AUDIODRIVER", "dummy");
        RouteEngineEventsToTheWindows();
        music_ = home_.path() + "/music/";
        merged_ = home_.path() + "/merged/";
        QDir().mkpath(music_ + "e.wav");
        QDir().mkpath(merged_);
        MakeTone((music_ + "a.MP3").toStdString(), 2, 44100, 2, "-c:a libmp3lame");
        TAudioTags tags;
        tags.Artist = "First Artist";
        tags.Album = "First Album";
        tags.Comment = "not carried";
        WriteAudioTags((music_ + "a.MP3").toStdString(), tags);
        MakeTone((music_ + "b.mp3").toStdString(), 3, 44100, 2, "-c:a libmp3lame");
        MakeTone((music_ + "c.Wma").toStdString(), 1.5, 22050, 1, "-c:a wmav2");
        MakeTone((music_ + "long.wav").toStdString(), 200, 44100, 2, "-c:a pcm_s16le");
        WriteBytes(music_ + "d.txt", 10);
        GlobeVar::JoinOutputPath = merged_.toStdString();
        GlobeVar::JoinPreName = "Merged";
        GlobeVar::JoinPosName = "";
        GlobeVar::JoinUseDate = true;
        GlobeVar::JoinOverwrite = false;
        GlobeVar::Mp3VbrEnabled = false;
        GlobeVar::Mp3FreqHz = 44100;
        GlobeVar::Mp3ChannelCount = 2;
        GlobeVar::Mp3BitRateKbps = 128;
        GlobeVar::Mp3EncoderQuality = 5;
        confirm_ = std::make_unique<TfrmConfirm>();
        answers_ = std::make_unique<TDialogAnswers>();
        window_ = std::make_unique<TfrmJoiner>();
        window_->SetWindows(nullptr, confirm_.get(), [this] { ++refreshes_; });
        Show(music_);
    }

    void init() {
        answers_->Texts.clear();
        answers_->SetYes(false);
        for (const QString& file : FilesIn(merged_))
            QFile::remove(merged_ + file);
        if (!window_->isVisible())
            Show(music_);
    }

    void listsTheFolderAndSortsBySize() {
        QStringList names = Column(window_->lvFolderList, 0);
        names.sort();
        QCOMPARE(names, QStringList({"a.MP3", "b.mp3", "c.Wma", "long.wav"}));
        QTemporaryDir sizes;
        WriteBytes(sizes.path() + "/x.mp3", 2097152);
        WriteBytes(sizes.path() + "/y.mp3", 900);
        WriteBytes(sizes.path() + "/z.mp3", 1536);
        window_->SetTreeFolder(sizes.path());
        window_->STVClick();
        window_->SortFolderList(3);
        QCOMPARE(Column(window_->lvFolderList, 0), QStringList({"y.mp3", "z.mp3", "x.mp3"}));
        window_->SetTreeFolder(music_);
        window_->STVClick();
        QCOMPARE(window_->CurrentFolder, music_);
    }

    void addAllTwiceAddsEachFileOnce() {
        window_->btnRemoveAllClick();
        window_->btnAddAllClick();
        window_->btnAddAllClick();
        QCOMPARE(window_->lvJoinList->topLevelItemCount(), 4);
        QVERIFY(window_->Label2.startsWith("4 files in list, 4 files selected, selected duration is approximately: "));
        window_->lvFolderList->clearSelection();
        window_->btnAddClick(); // nothing selected: nothing happens
        QCOMPARE(window_->lvJoinList->topLevelItemCount(), 4);
    }

    void mergesTheTickedRowsInOrder() {
        Join({"a.MP3", "c.Wma", "b.mp3"});
        window_->lvJoinList->topLevelItem(1)->setCheckState(0, Qt::Unchecked);
        window_->comboxJoinOutputFormat->setCurrentIndex(1);
        const int before = refreshes_;
        RunMerge();
        QCOMPARE(window_->MergeRows, (std::vector<int>{0, 2}));
        QCOMPARE(Column(window_->lvJoinList, 4), QStringList({"Done", " ", "Done"}));
        QCOMPARE(answers_->Texts, QStringList({"Merge finished"}));
        QCOMPARE(refreshes_, before + 1);
        const QStringList files = FilesIn(merged_);
        QCOMPARE(files.size(), 1);
        QVERIFY(files.first().startsWith("Merged 20"));
        QVERIFY(files.first().endsWith(".mp3"));
        QCOMPARE(merged_ + files.first(), window_->MergedFile);
        QVERIFY(std::abs(Probe((merged_ + files.first()).toStdString()).Duration - 5.0) < 0.06);
        const TAudioTags tags = ReadAudioTags((merged_ + files.first()).toStdString());
        QCOMPARE(QString::fromStdString(tags.Title), QFileInfo(files.first()).completeBaseName());
        QCOMPARE(tags.Artist, std::string("First Artist"));
        QCOMPARE(tags.Album, std::string("First Album"));
        QCOMPARE(tags.Comment, std::string());
        QVERIFY(window_->Label2.startsWith("3 files in list, 2 files selected"));
    }

    void inputsOfOtherRatesAndChannelsMergeToWav() {
        GlobeVar::WavFreqHz = 48000;
        GlobeVar::WavChannelCount = 2;
        GlobeVar::WavBitsPerSample = 16;
        Join({"c.Wma", "a.MP3"});
        window_->comboxJoinOutputFormat->setCurrentIndex(0);
        RunMerge();
        const QString file = window_->MergedFile;
        QVERIFY(file.endsWith(".wav"));
        const TProbedStream probed = Probe(file.toStdString());
        QCOMPARE(probed.SampleRate, 48000);
        QCOMPARE(probed.Channels, 2);
        QVERIFY(std::abs(probed.Duration - 3.5) < 0.1);
        std::string errors;
        DecodeWithFfmpeg(file.toStdString(), &errors);
        QCOMPARE(QString::fromStdString(errors), QString());
        window_->comboxJoinOutputFormat->setCurrentIndex(1);
    }

    void cancelDuringTheFirstFile() {
        Join({"long.wav", "a.MP3"});
        window_->btnStartMergeClick();
        QTRY_VERIFY_WITH_TIMEOUT(window_->lvJoinList->topLevelItem(0)->text(4).startsWith("Merging: "), 20000);
        QVERIFY(window_->Label2.startsWith("Merging: "));
        QVERIFY(!window_->lvJoinList->isEnabled());
        window_->btnCancelMergeClick();
        QTRY_VERIFY_WITH_TIMEOUT(!window_->Merging, 20000);
        QCOMPARE(Column(window_->lvJoinList, 4), QStringList({"Canceled", " "}));
        QVERIFY(answers_->Texts.isEmpty());
        QVERIFY(QFile::exists(window_->MergedFile)); // it keeps what was written
        QVERIFY(window_->lvJoinList->isEnabled());
    }

    void closingDuringAMergeWaitsForTheWorker() {
        Join({"long.wav", "b.mp3"});
        answers_->SetYes(true);
        window_->btnStartMergeClick();
        window_->close();
        QCOMPARE(answers_->Texts, QStringList({"Merging in progress, do you want to cancel ?"}));
        QVERIFY(window_->isVisible());
        QTRY_VERIFY_WITH_TIMEOUT(!window_->isVisible(), 20000);
        QVERIFY(!window_->Merging);
        QCOMPARE(answers_->Texts.size(), 1);
    }

    void rowsWhoseFileWentAreSkipped() {
        QFile::copy(music_ + "a.MP3", music_ + "gone.mp3");
        window_->STVClick();
        Join({"a.MP3", "gone.mp3"});
        QFile::remove(music_ + "gone.mp3");
        window_->btnStartMergeClick(); // one file left: nothing happens
        QVERIFY(!window_->Merging);
        QCOMPARE(FilesIn(merged_), QStringList());
    }

    void anInputIsNeverTheOutput() {
        GlobeVar::JoinOutputPath = music_.toStdString();
        GlobeVar::JoinOverwrite = true;
        GlobeVar::JoinUseDate = false;
        GlobeVar::JoinPreName = "";
        // The merged file would take the name of an input: 14-07-09 on a fixed clock.
        std::tm clock{};
        clock.tm_year = 124;
        clock.tm_mon = 2;
        clock.tm_mday = 5;
        clock.tm_hour = 14;
        clock.tm_min = 7;
        clock.tm_sec = 9;
        clock.tm_isdst = -1;
        const std::time_t fixed = std::mktime(&clock);
        window_->Now = [fixed] { return fixed; };
        const QString name = "14-07-09.mp3";
        QFile::copy(music_ + "b.mp3", music_ + name);
        Join({"a.MP3", name});
        window_->btnStartMergeClick();
        QVERIFY(!window_->Merging);
        QVERIFY(answers_->Texts.last().contains("one of the files to merge"));
        GlobeVar::JoinOutputPath = merged_.toStdString();
        GlobeVar::JoinOverwrite = false;
        GlobeVar::JoinUseDate = true;
        GlobeVar::JoinPreName = "Merged";
        QFile::remove(music_ + name);
        window_->Now = [] { return std::time(nullptr); };
        window_->STVClick();
    }

    void pickingARowShowsItsFormatThenTheSummary() {
        Join({"a.MP3", "b.mp3", "c.Wma", "long.wav"});
        window_->lvJoinList->topLevelItem(1)->setCheckState(0, Qt::Unchecked);
        window_->lvJoinList->clearSelection();
        window_->lvJoinList->topLevelItem(2)->setSelected(true);
        window_->lvJoinListMouseDown();
        QCOMPARE(window_->Label1, QString("Windows Media Audio 2, 22050 Hz, Mono, 128 kbps"));
        QCOMPARE(window_->InfoTop, 5);
        QCOMPARE(window_->SelectedFile, music_ + "c.Wma");
        if (const QByteArray folder = qgetenv("ZELVO_SCREENSHOT_DIR"); !folder.isEmpty())
            QVERIFY(window_->grab().save(QString::fromUtf8(folder) + "/joiner.png"));
        // After four seconds the box scrolls to the summary line and stops there.
        QTRY_VERIFY_WITH_TIMEOUT(!window_->tmShowInfo.isActive(), 7000);
        QCOMPARE(window_->InfoTop, 5 - 30);
    }
};

QTEST_MAIN(DarozuTest)
#include "JoinerWindowTest.moc"
