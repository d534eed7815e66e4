#include <QAction>
#include <QDir>
#include <QFile>
#include <QMenu>
#include <QTemporaryDir>
#include <QTreeWidget>
#include <QtTest>

#include <csignal>
#include <sys/resource.h>

#include "AudioFixtures.h"
#include "EngineEvents.h"
#include "DialogAnswers.h"
#include "FolderTree.h"
#include "AppSettings.h"
#include "PlayerWindow.h"
#include "TagFixtures.h"
#include "TempFolder.h"
#include "WorkerEvent.h"

namespace {

QStringList Enabled(const TfrmPlayer& player) {
    QStringList enabled;
    for (const QAction* action : player.popMenuConvert->actions())
        if (action->isEnabled())
            enabled << action->text();
    return enabled;
}

QStringList FilesIn(const QString& folder) {
    return QDir(folder).entryList(QDir::Files, QDir::Name);
}

} // namespace

class PlayerFileActionsTest : public QObject {
    Q_OBJECT

private:
    QTemporaryDir home_;
    QString music_, converted_, bin_;
    std::unique_ptr<TfrmConfirm> confirm_;
    std::unique_ptr<TDialogAnswers> answers_;
    std::unique_ptr<TfrmPlayer> player_;

    void Select(const QString& name) {
        const int row = player_->FindRow(name);
        QVERIFY2(row >= 0, qPrintable(name));
        player_->lvPlayList->setCurrentItem(player_->lvPlayList->topLevelItem(row));
    }

    void Relist() {
        player_->RefreshPlayList();
        QCOMPARE(player_->CurrentFolder, music_);
    }

    void Convert(const QString& name, const QString& kind) {
        Select(name);
        player_->ConvertClick(kind);
        QTRY_VERIFY_WITH_TIMEOUT(player_->ConvertingRow == -1, 30000);
    }

private slots:
    void initTestCase() {
        qputenv("HOME", home_.path().toUtf8());
        qputenv("XDG_CONFIG_HOME", (home_.path() + "/.config").toUtf8());
        qputenv("SDL_AUDIODRIVER", "dummy");
        RouteEngineEventsToTheWindows();
        // The environment is set before any thread starts: changing it later races with them.
        bin_ = home_.path() + "/bin/";
        QDir().mkpath(bin_);
        qputenv("PATH", bin_.toUtf8() + ":" + qgetenv("PATH"));
        music_ = home_.path() + "/music/";
        converted_ = home_.path() + "/converted/";
        QDir().mkpath(music_);
        QDir().mkpath(converted_);
        MakeTone((music_ + "song.mp3").toStdString(), 3, 44100, 2, "-c:a libmp3lame");
        MakeTone((music_ + "clip.wav").toStdString(), 2, 22050, 1, "-c:a pcm_s16le");
        MakeTone((music_ + "long.wav").toStdString(), 240, 44100, 2, "-c:a pcm_s16le");
        confirm_ = std::make_unique<TfrmConfirm>();
        answers_ = std::make_unique<TDialogAnswers>();
        player_ = std::make_unique<TfrmPlayer>();
        player_->SetWindows(nullptr, confirm_.get(), nullptr, nullptr);
        player_->show();
        QVERIFY(QTest::qWaitForWindowExposed(player_.get()));
        player_->STV->SelectPath(music_);
        player_->STVClick();
        GlobeVar::ConvertOutputPath = converted_.toStdString();
        GlobeVar::WavFreqHz = 44100;
        GlobeVar::WavChannelCount = 2;
        GlobeVar::WavBitsPerSample = 16;
        GlobeVar::Mp3VbrEnabled = false;
        GlobeVar::Mp3FreqHz = 44100;
        GlobeVar::Mp3BitRateKbps = 128;
        GlobeVar::Mp3ChannelCount = 2;
        GlobeVar::OggFreqHz = 32000;
        GlobeVar::OggChannelCount = 1;
        GlobeVar::OggQuality = 399;
        GlobeVar::WmaProfile = 14;
    }

    void init() {
        answers_->Texts.clear();
        GlobeVar::ConvertToSourceFolder = true;
        GlobeVar::ConvertOverwrite = false;
    }

    void menuOffersTheOtherFormatsAndCancelOnlyOnTheConvertingRow() {
        Relist();
        Select("clip.wav");
        player_->popMenuConvertPopup();
        QCOMPARE(Enabled(*player_),
                 QStringList({"Convert to MP3", "Convert to OGG", "Convert to WMA", "Email", "Rename", "Delete"}));
        player_->lvPlayList->clearSelection();
        player_->popMenuConvertPopup();
        QVERIFY(Enabled(*player_).isEmpty());

        // While long.wav converts: no conversion anywhere, Cancel on its row only.
        GlobeVar::ConvertToSourceFolder = false;
        GlobeVar::OggQuality = 999;
        Select("long.wav");
        player_->ConvertClick("OGG");
        QVERIFY(player_->ConvertingRow >= 0);
        QTRY_COMPARE(player_->RowMarker(player_->ConvertingRow), TfrmPlayer::MarkerConverting);
        QVERIFY(player_->lvPlayList->topLevelItem(player_->ConvertingRow)->text(4).startsWith("Converting "));
        QCOMPARE(player_->lvPlayList->topLevelItem(player_->ConvertingRow)->background(0).color(),
                 QColor(0xAA, 0xBB, 0xFF));
        player_->popMenuConvertPopup();
        QCOMPARE(Enabled(*player_), QStringList({"Cancel", "Email"}));
        Select("song.mp3");
        player_->popMenuConvertPopup();
        QCOMPARE(Enabled(*player_), QStringList({"Email", "Rename", "Delete"}));

        // Cancelling leaves no file and an idle row; later progress is ignored.
        const int row = player_->ConvertingRow;
        player_->CancelConversion();
        QTRY_VERIFY_WITH_TIMEOUT(player_->ConvertingRow == -1, 20000);
        QCOMPARE(FilesIn(converted_), QStringList());
        QCOMPARE(player_->RowMarker(row), TfrmPlayer::MarkerIdle);
        QCOMPARE(player_->lvPlayList->topLevelItem(row)->text(4), QString());
        QCOMPARE(player_->lvPlayList->topLevelItem(row)->background(0).color(), QColor(Qt::white));
        QCoreApplication::postEvent(player_.get(), new TWorkerEvent(WM_CONVERT_PROGRESS, 1, 50));
        QCoreApplication::processEvents();
        QCOMPARE(player_->lvPlayList->topLevelItem(row)->text(4), QString());
        GlobeVar::OggQuality = 399;
    }

    void newNamesBesideTheSourceAndOverwrite() {
        Relist();
        TempFolder scratch;
        QFile::copy(music_ + "clip.wav", music_ + "song.wav");
        QFile::copy(music_ + "clip.wav", music_ + "song New.wav");
        Relist();
        Convert("song.mp3", "WAV");
        QVERIFY(QFile::exists(music_ + "song New New.wav"));
        // Beside the source in the listed folder: in the list at once, sorted.
        QVERIFY(player_->FindRow("song New New.wav") >= 0);
        QVERIFY(player_->FindRow("song New New.wav") < player_->FindRow("song.mp3"));
        QCOMPARE(Probe((music_ + "song New New.wav").toStdString()).SampleRate, 44100);
        const qint64 before = QFileInfo(music_ + "song.wav").size();
        GlobeVar::ConvertOverwrite = true;
        Convert("song.mp3", "WAV");
        QVERIFY(QFileInfo(music_ + "song.wav").size() != before);
        QCOMPARE(Probe((music_ + "song.wav").toStdString()).Channels, 2);
        for (const QString name : {"song.wav", "song New.wav", "song New New.wav"})
            QFile::remove(music_ + name);
    }

    void everyTargetWithTheSettingsFormat() {
        Relist();
        GlobeVar::ConvertToSourceFolder = false;
        struct Case {
            const char* kind;
            const char* file;
            const char* codec;
            int rate, channels;
        };
        const Case cases[] = {{"MP3", "clip.mp3", "mp3", 44100, 2},
                              {"OGG", "clip.ogg", "vorbis", 32000, 1},
                              {"WMA", "clip.wma", "wmav2", 44100, 2}};
        for (const auto& c : cases) {
            Convert("clip.wav", c.kind);
            const TProbedStream probed = Probe((converted_ + c.file).toStdString());
            QCOMPARE(QString::fromStdString(probed.Codec), QString(c.codec));
            QCOMPARE(probed.SampleRate, c.rate);
            QCOMPARE(probed.Channels, c.channels);
        }
        Convert("song.mp3", "WAV");
        QCOMPARE(QString::fromStdString(Probe((converted_ + "song.wav").toStdString()).Codec), QString("pcm_s16le"));
        // Another folder than the listed one: the list does not change.
        QCOMPARE(player_->FindRow("clip.mp3"), -1);
    }

    void tagsComeAlongAndTheirFailureKeepsTheAudio() {
        const TAudioTags tags = FullTags(true);
        QFile::copy(music_ + "clip.wav", music_ + "tagged.wav");
        WriteAudioTags((music_ + "tagged.wav").toStdString(), tags);
        Relist();
        Convert("tagged.wav", "OGG");
        QCOMPARE(ReadAudioTags((music_ + "tagged.ogg").toStdString()), tags);
        QVERIFY(answers_->Texts.isEmpty());

        // A file-size limit that the audio fits in and the 1 MB cover does not.
        signal(SIGXFSZ, SIG_IGN);
        rlimit saved{};
        getrlimit(RLIMIT_FSIZE, &saved);
        rlimit small = saved;
        small.rlim_cur = 400 << 10;
        setrlimit(RLIMIT_FSIZE, &small);
        Convert("tagged.wav", "MP3");
        setrlimit(RLIMIT_FSIZE, &saved);
        const std::string output = (music_ + "tagged.mp3").toStdString();
        QCOMPARE(answers_->Texts.size(), 1);
        QVERIFY2(answers_->Texts.last().startsWith("Cannot write the tags of \"" + music_ +
                                                   "tagged.mp3\" (its audio is kept)"),
                 qPrintable(answers_->Texts.last()));
        QVERIFY(player_->FindRow("tagged.mp3") >= 0);
        QVERIFY(std::abs(Probe(output).Duration - 2.0) < 0.06);
        std::string errors;
        DecodeWithFfmpeg(output, &errors);
        QCOMPARE(QString::fromStdString(errors), QString());
        for (const QString name : {"tagged.wav", "tagged.ogg", "tagged.mp3"})
            QFile::remove(music_ + name);
    }

    void unreadableSourceOrUncreatableOutputSaysWhy() {
        Relist();
        QFile junk(music_ + "junk.mp3");
        QVERIFY(junk.open(QIODevice::WriteOnly));
        junk.write("not audio");
        junk.close();
        Relist();
        Select("junk.mp3");
        player_->ConvertClick("WAV");
        QCOMPARE(player_->ConvertingRow, -1);
        QVERIFY(answers_->Texts.last().contains("junk.mp3"));
        GlobeVar::ConvertToSourceFolder = false;
        GlobeVar::ConvertOutputPath = (home_.path() + "/no/such/folder/").toStdString();
        Select("clip.wav");
        player_->ConvertClick("MP3");
        QCOMPARE(player_->ConvertingRow, -1);
        QVERIFY(answers_->Texts.last().contains("no/such/folder"));
        GlobeVar::ConvertOutputPath = converted_.toStdString();
        QFile::remove(music_ + "junk.mp3");
    }

    void renameKeepsTheExtensionAndRefusesBadNames() {
        Relist();
        struct Case {
            const char* typed;
            const char* result;
        };
        for (const auto& c : {Case{"tune", "tune.mp3"}, Case{"tune.wav", "tune.mp3"}, Case{"my.tune", "my.mp3"}}) {
            const int row = player_->FindRow("song.mp3");
            QVERIFY(player_->lvPlayListEdited(row, c.typed));
            QCOMPARE(player_->RowFileName(row), QString(c.result));
            QVERIFY(QFile::exists(music_ + c.result));
            QVERIFY(player_->lvPlayListEdited(row, "song"));
            QVERIFY(QFile::exists(music_ + "song.mp3"));
        }
        QFile::copy(music_ + "song.mp3", music_ + "other.mp3");
        Relist();
        const int row = player_->FindRow("song.mp3");
        for (const char* bad : {"a/b", "other", "", "   "}) {
            QVERIFY(!player_->lvPlayListEdited(row, bad));
            QCOMPARE(player_->RowFileName(row), QString("song.mp3"));
        }
        QVERIFY(QFile::exists(music_ + "song.mp3"));
        QVERIFY(QFile::exists(music_ + "other.mp3"));
        QCOMPARE(answers_->Texts.size(), 4);

        // A playing row cannot be edited, and its index follows a delete above it.
        Select("song.mp3");
        player_->btnPlayClick();
        QVERIFY(!player_->lvPlayListEditing(player_->FindRow("song.mp3")));
        Select("other.mp3");
        player_->muDeleteClick(); // "other.mp3" sorts above "song.mp3"
        QVERIFY(!QFile::exists(music_ + "other.mp3"));
        QCOMPARE(player_->FindRow("other.mp3"), -1);
        QCOMPARE(player_->PlayingRow, player_->FindRow("song.mp3"));
        player_->btnStopClick();
    }

    void emailHandsTheFileToTheMailProgram() {
        Relist();
        const std::string stand = (bin_ + "xdg-email").toStdString();
        const std::string record = (bin_ + "args.txt").toStdString();
        WriteFileText(stand, "#!/bin/sh\nprintf '%s\\n' \"$@\" > '" + record + "'\n");
        QFile::setPermissions(QString::fromStdString(stand), QFile::ExeOwner | QFile::ReadOwner);
        GlobeVar::MailSubject = "Share with you";
        GlobeVar::MailBody = "Hi";
        Select("clip.wav");
        player_->btnMailClick();
        QCOMPARE(QString::fromStdString(ReadFileText(record)),
                 "--subject\nShare with you\n--body\nHi\n--attach\n" + music_ + "clip.wav\n");
        QVERIFY(answers_->Texts.isEmpty());
        // A mail program that is not there (status 1) is reported.
        WriteFileText(stand, "#!/bin/sh\nexit 1\n");
        player_->btnMailClick();
        QVERIFY(answers_->Texts.last().contains("xdg-email"));
    }
};

QTEST_MAIN(PlayerFileActionsTest)
#include "PlayerWindowFileActionsTest.moc"
