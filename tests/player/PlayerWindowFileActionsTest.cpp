#include <QAction>
#include <QDir>
#include <QFile>
#include <QMenu>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTreeWidget>
#include <QtTest>

#include <csignal>
#include <filesystem>
#include <sys/resource.h>

#include "AudioFixtures.h"
#include "EngineEvents.h"
#include "DialogAnswers.h"
#include "FolderTree.h"
#include "AppSettings.h"
#include "PlayerWindow.h"
#include "FileNames.h"
#include "TagFixtures.h"
#include "TempFolder.h"
#include "WorkerEvent.h"

namespace {

QStringList enabled(const PlayerWindow& player) {
    QStringList enabled;
    for (const QAction* action : player.contextMenu_->actions())
        if (action->isEnabled())
            enabled << action->text();
    return enabled;
}

QStringList filesIn(const QString& folder) {
    return QDir(folder).entryList(QDir::Files, QDir::Name);
}

} // namespace

class PlayerWindowFileActionsTest : public QObject {
    Q_OBJECT

private:
    QTemporaryDir home_;
    QString music_, converted_, bin_;
    std::unique_ptr<ConfirmDialog> confirm_;
    std::unique_ptr<DialogAnswers> answers_;
    std::unique_ptr<PlayerWindow> player_;

    void select(const QString& name) {
        const int row = player_->findRow(name);
        QVERIFY2(row >= 0, qPrintable(name));
        player_->playList_->setCurrentItem(player_->playList_->topLevelItem(row));
    }

    void relist() {
        player_->refreshPlayList();
        QCOMPARE(player_->currentFolder_, music_);
    }

    int rowsNamed(const QString& name) const {
        int count = 0;
        for (int row = 0; row < player_->rowCount(); ++row)
            count += player_->rowFileName(row) == name ? 1 : 0;
        return count;
    }

    void convert(const QString& name, const QString& kind) {
        select(name);
        player_->convertSelected(kind);
        QTRY_VERIFY_WITH_TIMEOUT(player_->convertingRow_ == -1, 30000);
    }

private slots:
    void initTestCase() {
        qputenv("HOME", home_.path().toUtf8());
        qputenv("XDG_CONFIG_HOME", (home_.path() + "/.config").toUtf8());
        qputenv("SDL_AUDIODRIVER", "dummy");
        routeEngineEventsToTheWindows();
        // The environment is set before any thread starts: changing it later races with them.
        bin_ = home_.path() + "/bin/";
        QDir().mkpath(bin_);
        qputenv("PATH", bin_.toUtf8() + ":" + qgetenv("PATH"));
        music_ = home_.path() + "/music/";
        converted_ = home_.path() + "/converted/";
        QDir().mkpath(music_);
        QDir().mkpath(converted_);
        makeTone((music_ + "song.mp3").toStdString(), 3, 44100, 2, "-c:a libmp3lame");
        makeTone((music_ + "clip.wav").toStdString(), 2, 22050, 1, "-c:a pcm_s16le");
        makeTone((music_ + "long.wav").toStdString(), 240, 44100, 2, "-c:a pcm_s16le");
        confirm_ = std::make_unique<ConfirmDialog>();
        answers_ = std::make_unique<DialogAnswers>();
        player_ = std::make_unique<PlayerWindow>();
        player_->setWindows(nullptr, confirm_.get(), nullptr, nullptr);
        player_->show();
        QVERIFY(QTest::qWaitForWindowExposed(player_.get()));
        player_->folderTree_->selectPath(music_);
        player_->listSelectedFolder();
        AppSettings::convertOutputPath = converted_.toStdString();
        AppSettings::wavFreqHz = 44100;
        AppSettings::wavChannelCount = 2;
        AppSettings::wavBitsPerSample = 16;
        AppSettings::mp3VbrEnabled = false;
        AppSettings::mp3FreqHz = 44100;
        AppSettings::mp3BitRateKbps = 128;
        AppSettings::mp3ChannelCount = 2;
        AppSettings::oggFreqHz = 32000;
        AppSettings::oggChannelCount = 1;
        AppSettings::oggQuality = 399;
        AppSettings::wmaProfile = 14;
        AppSettings::flacFreqHz = 22050;
        AppSettings::flacChannelCount = 1;
    }

    void init() {
        answers_->texts.clear();
        AppSettings::convertToSourceFolder = true;
        AppSettings::convertOverwrite = false;
    }

    void menuOffersTheOtherFormatsAndCancelOnlyOnTheConvertingRow() {
        relist();
        select("clip.wav");
        player_->enableMenuActions();
        QCOMPARE(enabled(*player_), QStringList({"Convert to MP3", "Convert to OGG", "Convert to WMA",
                                                 "Convert to FLAC", "Email", "Rename", "Delete"}));
        player_->playList_->clearSelection();
        player_->enableMenuActions();
        QVERIFY(enabled(*player_).isEmpty());

        // While long.wav converts: no conversion anywhere, Cancel on its row only.
        AppSettings::convertToSourceFolder = false;
        AppSettings::oggQuality = 999;
        select("long.wav");
        player_->convertSelected("OGG");
        QVERIFY(player_->convertingRow_ >= 0);
        QTRY_COMPARE(player_->rowMarker(player_->convertingRow_), PlayerWindow::markerConverting);
        QVERIFY(player_->playList_->topLevelItem(player_->convertingRow_)->text(4).startsWith("Converting "));
        QVERIFY(player_->playList_->topLevelItem(player_->convertingRow_)->font(0).italic());
        player_->enableMenuActions();
        QCOMPARE(enabled(*player_), QStringList({"Cancel", "Email"}));
        select("song.mp3");
        player_->enableMenuActions();
        QCOMPARE(enabled(*player_), QStringList({"Email", "Rename", "Delete"}));

        // Cancelling leaves no file and an idle row; later progress is ignored.
        const int row = player_->convertingRow_;
        player_->cancelConversion();
        QTRY_VERIFY_WITH_TIMEOUT(player_->convertingRow_ == -1, 20000);
        QCOMPARE(filesIn(converted_), QStringList());
        QCOMPARE(player_->rowMarker(row), PlayerWindow::MarkerIdle);
        QCOMPARE(player_->playList_->topLevelItem(row)->text(4), QString());
        QVERIFY(!player_->playList_->topLevelItem(row)->font(0).italic());
        QCoreApplication::postEvent(player_.get(), new WorkerEvent(WM_CONVERT_PROGRESS, 1, 50));
        QCoreApplication::processEvents();
        QCOMPARE(player_->playList_->topLevelItem(row)->text(4), QString());
        // Cancelling a conversion that was to write over a file keeps that file as it was.
        {
            QFile old(converted_ + "long.ogg");
            QVERIFY(old.open(QIODevice::WriteOnly));
            old.write(QByteArray(700, 'x'));
        }
        AppSettings::convertOverwrite = true;
        select("long.wav");
        player_->convertSelected("OGG");
        QTRY_COMPARE(player_->rowMarker(player_->convertingRow_), PlayerWindow::markerConverting);
        player_->cancelConversion();
        QTRY_VERIFY_WITH_TIMEOUT(player_->convertingRow_ == -1, 20000);
        QCOMPARE(QDir(converted_).entryList(QDir::Files | QDir::Hidden), QStringList({"long.ogg"}));
        QCOMPARE(QFileInfo(converted_ + "long.ogg").size(), qint64(700));
        QFile::remove(converted_ + "long.ogg");
        AppSettings::convertOverwrite = false;
        AppSettings::oggQuality = 399;
    }

    void newNamesBesideTheSourceAndOverwrite() {
        relist();
        TempFolder scratch;
        QFile::copy(music_ + "clip.wav", music_ + "song.wav");
        QFile::copy(music_ + "clip.wav", music_ + "song New.wav");
        relist();
        convert("song.mp3", "WAV");
        QVERIFY(QFile::exists(music_ + "song New New.wav"));
        // Beside the source in the listed folder: in the list at once, sorted.
        QVERIFY(player_->findRow("song New New.wav") >= 0);
        QVERIFY(player_->findRow("song New New.wav") < player_->findRow("song.mp3"));
        QCOMPARE(probe((music_ + "song New New.wav").toStdString()).sampleRate, 44100);
        const qint64 before = QFileInfo(music_ + "song.wav").size();
        AppSettings::convertOverwrite = true;
        convert("song.mp3", "WAV");
        QVERIFY(QFileInfo(music_ + "song.wav").size() != before);
        QCOMPARE(probe((music_ + "song.wav").toStdString()).channels, 2);
        // The listed file that was written over keeps one row, with its new size.
        QCOMPARE(rowsNamed("song.wav"), 1);
        const int row = player_->findRow("song.wav");
        QCOMPARE(player_->playList_->topLevelItem(row)->text(3),
                 QString::fromStdString(AppSettings::formatFileSize(QFileInfo(music_ + "song.wav").size())));
        for (const QString name : {"song.wav", "song New.wav", "song New New.wav"})
            QFile::remove(music_ + name);
    }

    void everyTargetWithTheSettingsFormat() {
        relist();
        AppSettings::convertToSourceFolder = false;
        struct Case {
            const char* kind;
            const char* file;
            const char* codec;
            int rate, channels;
        };
        const Case cases[] = {{"MP3", "clip.mp3", "mp3", 44100, 2},
                              {"OGG", "clip.ogg", "vorbis", 32000, 1},
                              {"WMA", "clip.wma", "wmav2", 44100, 2},
                              {"FLAC", "clip.flac", "flac", 22050, 1}};
        for (const auto& c : cases) {
            convert("clip.wav", c.kind);
            const ProbedStream probed = probe((converted_ + c.file).toStdString());
            QCOMPARE(QString::fromStdString(probed.codec), QString(c.codec));
            QCOMPARE(probed.sampleRate, c.rate);
            QCOMPARE(probed.channels, c.channels);
        }
        convert("song.mp3", "WAV");
        QCOMPARE(QString::fromStdString(probe((converted_ + "song.wav").toStdString()).codec), QString("pcm_s16le"));
        // Another folder than the listed one: the list does not change.
        QCOMPARE(player_->findRow("clip.mp3"), -1);
    }

    void tagsComeAlongAndTheirFailureKeepsTheAudio() {
        const AudioTags tags = fullTags(true);
        QFile::copy(music_ + "clip.wav", music_ + "tagged.wav");
        writeAudioTags((music_ + "tagged.wav").toStdString(), tags);
        relist();
        convert("tagged.wav", "OGG");
        QCOMPARE(readAudioTags((music_ + "tagged.ogg").toStdString()), tags);
        QVERIFY(answers_->texts.isEmpty());

        // A file-size limit that the audio fits in and the 1 MB cover does not.
        signal(SIGXFSZ, SIG_IGN);
        rlimit saved{};
        getrlimit(RLIMIT_FSIZE, &saved);
        rlimit small = saved;
        small.rlim_cur = 400 << 10;
        setrlimit(RLIMIT_FSIZE, &small);
        convert("tagged.wav", "MP3");
        setrlimit(RLIMIT_FSIZE, &saved);
        const std::string output = (music_ + "tagged.mp3").toStdString();
        QCOMPARE(answers_->texts.size(), 1);
        QVERIFY2(answers_->texts.last().startsWith("Cannot write the tags of \"" + music_ +
                                                   "tagged.mp3\" (its audio is kept)"),
                 qPrintable(answers_->texts.last()));
        QVERIFY(player_->findRow("tagged.mp3") >= 0);
        QVERIFY(std::abs(probe(output).duration - 2.0) < 0.06);
        std::string errors;
        decodeWithFfmpeg(output, &errors);
        QCOMPARE(QString::fromStdString(errors), QString());
        for (const QString name : {"tagged.wav", "tagged.ogg", "tagged.mp3"})
            QFile::remove(music_ + name);
    }

    void unreadableSourceOrUncreatableOutputSaysWhy() {
        relist();
        QFile junk(music_ + "junk.mp3");
        QVERIFY(junk.open(QIODevice::WriteOnly));
        junk.write("not audio");
        junk.close();
        relist();
        select("junk.mp3");
        player_->convertSelected("WAV");
        QCOMPARE(player_->convertingRow_, -1);
        QVERIFY(answers_->texts.last().contains("junk.mp3"));
        AppSettings::convertToSourceFolder = false;
        AppSettings::convertOutputPath = (home_.path() + "/no/such/folder/").toStdString();
        select("clip.wav");
        player_->convertSelected("MP3");
        QCOMPARE(player_->convertingRow_, -1);
        QVERIFY(answers_->texts.last().contains("no/such/folder"));
        AppSettings::convertOutputPath = converted_.toStdString();
        QFile::remove(music_ + "junk.mp3");
    }

    void renameKeepsTheExtensionAndRefusesBadNames() {
        relist();
        struct Case {
            const char* typed;
            const char* result;
        };
        for (const auto& c : {Case{"tune", "tune.mp3"}, Case{"tune.wav", "tune.mp3"}, Case{"my.tune", "my.mp3"}}) {
            const int row = player_->findRow("song.mp3");
            QVERIFY(player_->renameRow(row, c.typed));
            QCOMPARE(player_->rowFileName(row), QString(c.result));
            QVERIFY(QFile::exists(music_ + c.result));
            QVERIFY(player_->renameRow(row, "song"));
            QVERIFY(QFile::exists(music_ + "song.mp3"));
        }
        QFile::copy(music_ + "song.mp3", music_ + "other.mp3");
        relist();
        const int row = player_->findRow("song.mp3");
        for (const char* bad : {"a/b", "other", "", "   "}) {
            QVERIFY(!player_->renameRow(row, bad));
            QCOMPARE(player_->rowFileName(row), QString("song.mp3"));
        }
        QVERIFY(QFile::exists(music_ + "song.mp3"));
        QVERIFY(QFile::exists(music_ + "other.mp3"));
        QCOMPARE(answers_->texts.size(), 4);

        // A playing row cannot be edited, and its index follows a delete above it.
        select("song.mp3");
        player_->play();
        QVERIFY(!player_->isRowBeingEdited(player_->findRow("song.mp3")));
        select("other.mp3");
        player_->deleteSelected(); // asked, and the answer is no: nothing happens
        QVERIFY(QFile::exists(music_ + "other.mp3"));
        QCOMPARE(answers_->texts.last(), QString("Move \"other.mp3\" to the Trash?"));
        answers_->setYes(true);
        player_->deleteSelected(); // "other.mp3" sorts above "song.mp3"
        answers_->setYes(false);
        QVERIFY(!QFile::exists(music_ + "other.mp3"));
        QVERIFY(QFile::exists(QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) +
                              "/Trash/files/other.mp3"));
        QCOMPARE(player_->findRow("other.mp3"), -1);
        QCOMPARE(player_->playingRow_, player_->findRow("song.mp3"));
        player_->stop();
    }

    // A name that is not UTF-8 (Latin-1 "café") is listed, converted, renamed and deleted.
    void aNameThatIsNotUtf8IsListedAndHandled() {
        const std::string latin1 = music_.toStdString() + "caf\xe9.wav";
        makeTone(latin1, 1, 22050, 1, "-c:a pcm_s16le");
        relist();
        const QString name = Platform::pathFromBytes("caf\xe9.wav");
        QCOMPARE(rowsNamed(name), 1);
        QCOMPARE(player_->playList_->topLevelItem(player_->findRow(name))->text(PlayerWindow::ColDuration).trimmed(),
                 QString("00 : 00 : 01"));

        AppSettings::convertToSourceFolder = false;
        convert(name, "MP3");
        QVERIFY(answers_->texts.isEmpty());
        const std::string converted = converted_.toStdString() + "caf\xe9.mp3";
        QVERIFY(std::filesystem::exists(converted));
        QVERIFY(std::abs(probe(converted).duration - 1.0) < 0.05);

        QVERIFY(player_->renameRow(player_->findRow(name), "caf\xc3\xa9 renamed.wav"));
        QVERIFY(!std::filesystem::exists(latin1));
        const QString renamed = QString::fromUtf8("caf\xc3\xa9 renamed.wav");
        QVERIFY(QFile::exists(music_ + renamed));
        QVERIFY(player_->renameRow(player_->findRow(renamed), name));
        QVERIFY(std::filesystem::exists(latin1));
        select(name);
        answers_->setYes(true);
        player_->deleteSelected();
        answers_->setYes(false);
        // The desktop's Trash takes only UTF-8 names: this one is removed for good, after asking so.
        QVERIFY(answers_->texts.last().endsWith("cannot be moved to the Trash here. Remove it for good?"));
        QVERIFY(!std::filesystem::exists(latin1));
        QCOMPARE(rowsNamed(name), 0);
        std::filesystem::remove(converted);
    }

    void emailHandsTheFileToTheMailProgram() {
        relist();
        const std::string stand = (bin_ + "xdg-email").toStdString();
        const std::string record = (bin_ + "args.txt").toStdString();
        writeFileText(stand, "#!/bin/sh\nprintf '%s\\n' \"$@\" > '" + record + "'\n");
        QFile::setPermissions(QString::fromStdString(stand), QFile::ExeOwner | QFile::ReadOwner);
        AppSettings::mailSubject = "Share with you";
        AppSettings::mailBody = "Hi";
        select("clip.wav");
        player_->mailSelected();
        QTRY_COMPARE(QString::fromStdString(readFileText(record)),
                     "--subject\nShare with you\n--body\nHi\n--attach\n" + music_ + "clip.wav\n");
        QVERIFY(answers_->texts.isEmpty());

        // The window goes on while the mail program runs: it is started, not waited for.
        const std::string release = (bin_ + "release").toStdString();
        writeFileText(stand, "#!/bin/sh\nwhile [ ! -e '" + release + "' ]; do sleep 0.05; done\nexit 3\n");
        player_->mailSelected();
        QVERIFY(answers_->texts.isEmpty());
        writeFileText(release, "");
        // Status 3, no mail program set up, is told; so is a program that is not there.
        QTRY_COMPARE(answers_->texts.size(), 1);
        QVERIFY(answers_->texts.last().contains("no e-mail program is set up"));
        QVERIFY(answers_->texts.last().contains("clip.wav"));
        QFile::remove(QString::fromStdString(stand));
        const QByteArray path = qgetenv("PATH");
        qputenv("PATH", bin_.toUtf8());
        player_->mailSelected();
        qputenv("PATH", path);
        QTRY_COMPARE(answers_->texts.size(), 2);
        QVERIFY(answers_->texts.last().contains("xdg-email was not found"));
    }
};

QTEST_MAIN(PlayerWindowFileActionsTest)
#include "PlayerWindowFileActionsTest.moc"
