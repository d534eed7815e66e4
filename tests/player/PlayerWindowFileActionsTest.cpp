#include <QAction>
#include <QDir>
#include <QFile>
#include <QMenu>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSortFilterProxyModel>
#include <QTreeView>
#include <QtTest>

#include <csignal>
#include <filesystem>
#include <sys/resource.h>

#include <QTableWidget>

#include "AudioFileListModel.h"
#include "AudioTags.h"
#include "Loudness.h"
#include "LoudnessDialog.h"
#include "AudioFixtures.h"
#include "PlaybackController.h"
#include "FileListProbe.h"
#include "WindowProbe.h"
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

QTreeView* playList(const PlayerWindow& player) {
    return control<QTreeView>(player, "playList");
}

QStringList rowNames(const PlayerWindow& player) {
    return columnTexts(playList(player), AudioFileListModel::Name);
}

int findRow(const PlayerWindow& player, const QString& name) {
    return rowNamed(playList(player), name);
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

    QTreeView* list() const { return playList(*player_); }

    void select(const QString& name) {
        const int row = findRow(*player_, name);
        QVERIFY2(row >= 0, qPrintable(name));
        list()->setCurrentIndex(list()->model()->index(row, 0));
    }

    void relist() {
        player_->refreshPlayList();
        QTRY_COMPARE(listedFolder(list()), music_);
    }

    int rowsNamed(const QString& name) const { return static_cast<int>(rowNames(*player_).count(name)); }

    AudioFileListModel::RowState stateOf(const QString& name) const { return ::stateOf(list(), name); }

    bool converting() const {
        for (int row = 0; row < rowCount(list()); ++row)
            if (list()->model()->index(row, 0).data(AudioFileListModel::StateRole).toInt() ==
                int(AudioFileListModel::RowState::Converting))
                return true;
        return false;
    }

    // The context menu as a right click on the list opens it: the actions it offers.
    QStringList menu() {
        emit list()->customContextMenuRequested({4, 4});
        auto* contextMenu = player_->findChild<QMenu*>("contextMenu");
        contextMenu->hide();
        QStringList enabled;
        for (const QAction* action : contextMenu->actions())
            if (action->isEnabled())
                enabled << action->text();
        return enabled;
    }

    void choose(const char* action) {
        menu();
        player_->findChild<QAction*>(action)->trigger();
    }

    void startConverting(const QString& kind) {
        choose(qPrintable("convertTo" + kind.left(1) + kind.mid(1).toLower() + "Action"));
    }

    void convert(const QString& name, const QString& kind) {
        select(name);
        startConverting(kind);
        QTRY_VERIFY_WITH_TIMEOUT(!converting(), 30000);
    }

    // Types a new name into the list's editor (F2) and presses Enter.
    void rename(const QString& name, const QString& typed) {
        select(name);
        list()->edit(list()->currentIndex());
        auto* editor = list()->findChild<QLineEdit*>();
        QVERIFY(editor);
        editor->setText(typed);
        QTest::keyClick(editor, Qt::Key_Return);
        QTRY_VERIFY(!list()->findChild<QLineEdit*>() || !list()->findChild<QLineEdit*>()->isVisible());
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
        player_->showPath(music_);
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
        QCOMPARE(menu(), QStringList({"Convert to MP3", "Convert to OGG", "Convert to WMA", "Convert to FLAC",
                                      "Convert to Opus", "Convert to M4A", "Convert to M4B", "Loudness…", "Email",
                                      "Rename", "Delete"}));
        list()->clearSelection();
        QVERIFY(menu().isEmpty());

        // While long.wav converts: no conversion anywhere, Cancel on its row only.
        AppSettings::convertToSourceFolder = false;
        AppSettings::oggQuality = 999;
        select("long.wav");
        startConverting("OGG");
        QCOMPARE(stateOf("long.wav"), AudioFileListModel::RowState::Converting); // drawn in italics
        QTRY_VERIFY(cellText(list(), findRow(*player_, "long.wav"), 4).startsWith("Converting "));
        QCOMPARE(menu(), QStringList({"Cancel", "Loudness…", "Email"}));
        select("song.mp3");
        QCOMPARE(menu(), QStringList({"Loudness…", "Email", "Rename", "Delete"}));

        // Cancelling leaves no file and an idle row; later progress is ignored.
        select("long.wav");
        choose("cancelConversionAction");
        QTRY_VERIFY_WITH_TIMEOUT(!converting(), 20000);
        QCOMPARE(filesIn(converted_), QStringList());
        QCOMPARE(stateOf("long.wav"), AudioFileListModel::RowState::Idle);
        QCOMPARE(cellText(list(), findRow(*player_, "long.wav"), 4), QString());
        QCoreApplication::postEvent(player_.get(), new WorkerEvent(WM_CONVERT_PROGRESS, 1, 50));
        QCoreApplication::processEvents();
        QCOMPARE(cellText(list(), findRow(*player_, "long.wav"), 4), QString());
        // Cancelling a conversion that was to write over a file keeps that file as it was.
        {
            QFile old(converted_ + "long.ogg");
            QVERIFY(old.open(QIODevice::WriteOnly));
            old.write(QByteArray(700, 'x'));
        }
        AppSettings::convertOverwrite = true;
        select("long.wav");
        startConverting("OGG");
        QVERIFY(converting());
        choose("cancelConversionAction");
        QTRY_VERIFY_WITH_TIMEOUT(!converting(), 20000);
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
        // The status line says what was written and where, with the folder one click away.
        const QString said = control<QLabel>(*player_, "statusLine")->text();
        QVERIFY2(said.contains("song New New.wav") && said.contains(music_) && said.contains("Open folder"),
                 qPrintable(said));
        // Beside the source in the listed folder: in the list at once, sorted.
        QVERIFY(findRow(*player_, "song New New.wav") >= 0);
        QVERIFY(findRow(*player_, "song New New.wav") < findRow(*player_, "song.mp3"));
        QCOMPARE(probe((music_ + "song New New.wav").toStdString()).sampleRate, 44100);
        const qint64 before = QFileInfo(music_ + "song.wav").size();
        AppSettings::convertOverwrite = true;
        convert("song.mp3", "WAV");
        QVERIFY(QFileInfo(music_ + "song.wav").size() != before);
        QCOMPARE(probe((music_ + "song.wav").toStdString()).channels, 2);
        // The listed file that was written over keeps one row, with its new size.
        QCOMPARE(rowsNamed("song.wav"), 1);
        const int row = findRow(*player_, "song.wav");
        QCOMPARE(cellText(list(), row, 3),
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
        QCOMPARE(findRow(*player_, "clip.mp3"), -1);
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
        QVERIFY(findRow(*player_, "tagged.mp3") >= 0);
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
        startConverting("WAV");
        QVERIFY(!converting());
        QVERIFY(answers_->texts.last().contains("junk.mp3"));
        AppSettings::convertToSourceFolder = false;
        AppSettings::convertOutputPath = (home_.path() + "/no/such/folder/").toStdString();
        select("clip.wav");
        startConverting("MP3");
        QVERIFY(!converting());
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
            rename("song.mp3", c.typed);
            QVERIFY(findRow(*player_, c.result) >= 0);
            QVERIFY(QFile::exists(music_ + c.result));
            rename(c.result, "song");
            QVERIFY(QFile::exists(music_ + "song.mp3"));
        }
        QFile::copy(music_ + "song.mp3", music_ + "other.mp3");
        relist();
        for (const char* bad : {"a/b", "other", "", "   "}) {
            rename("song.mp3", bad);
            QVERIFY(findRow(*player_, "song.mp3") >= 0);
        }
        QVERIFY(QFile::exists(music_ + "song.mp3"));
        QVERIFY(QFile::exists(music_ + "other.mp3"));
        QCOMPARE(answers_->texts.size(), 4);

        // A playing row cannot be edited, and it stays the playing one after a delete above it.
        select("song.mp3");
        player_->play();
        QVERIFY(!menu().contains("Rename"));
        select("other.mp3");
        choose("deleteAction"); // asked, and the answer is no: nothing happens
        QVERIFY(QFile::exists(music_ + "other.mp3"));
        QCOMPARE(answers_->texts.last(), QString("Move \"other.mp3\" to the Trash?"));
        answers_->setYes(true);
        choose("deleteAction"); // "other.mp3" sorts above "song.mp3"
        answers_->setYes(false);
        QVERIFY(!QFile::exists(music_ + "other.mp3"));
        QVERIFY(QFile::exists(QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) +
                              "/Trash/files/other.mp3"));
        QCOMPARE(findRow(*player_, "other.mp3"), -1);
        QCOMPARE(stateOf("song.mp3"), AudioFileListModel::RowState::Playing);
        QCOMPARE(player_->playback().file(), music_ + "song.mp3");
        player_->stop();
    }

    // A name that is not UTF-8 (Latin-1 "café") is listed, converted, renamed and deleted.
    void aNameThatIsNotUtf8IsListedAndHandled() {
        const std::string latin1 = music_.toStdString() + "caf\xe9.wav";
        makeTone(latin1, 1, 22050, 1, "-c:a pcm_s16le");
        relist();
        const QString name = Platform::pathFromBytes("caf\xe9.wav");
        QCOMPARE(rowsNamed(name), 1);
        QCOMPARE(cellText(list(), findRow(*player_, name), AudioFileListModel::Duration), QString("00 : 00 : 01"));

        AppSettings::convertToSourceFolder = false;
        convert(name, "MP3");
        QVERIFY(answers_->texts.isEmpty());
        const std::string converted = converted_.toStdString() + "caf\xe9.mp3";
        QVERIFY(std::filesystem::exists(converted));
        QVERIFY(std::abs(probe(converted).duration - 1.0) < 0.05);

        rename(name, "caf\xc3\xa9 renamed.wav");
        QVERIFY(!std::filesystem::exists(latin1));
        const QString renamed = QString::fromUtf8("caf\xc3\xa9 renamed.wav");
        QVERIFY(QFile::exists(music_ + renamed));
        rename(renamed, name);
        QVERIFY(std::filesystem::exists(latin1));
        select(name);
        answers_->setYes(true);
        choose("deleteAction");
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
        QTest::mouseClick(control<QPushButton>(*player_, "mailButton"), Qt::LeftButton);
        QTRY_COMPARE(QString::fromStdString(readFileText(record)),
                     "--subject\nShare with you\n--body\nHi\n--attach\n" + music_ + "clip.wav\n");
        QVERIFY(answers_->texts.isEmpty());

        // The window goes on while the mail program runs: it is started, not waited for.
        const std::string release = (bin_ + "release").toStdString();
        writeFileText(stand, "#!/bin/sh\nwhile [ ! -e '" + release + "' ]; do sleep 0.05; done\nexit 3\n");
        QTest::mouseClick(control<QPushButton>(*player_, "mailButton"), Qt::LeftButton);
        QVERIFY(answers_->texts.isEmpty());
        writeFileText(release, "");
        // Status 3, no mail program set up, is told; so is a program that is not there.
        QTRY_COMPARE(answers_->texts.size(), 1);
        QVERIFY(answers_->texts.last().contains("no e-mail program is set up"));
        QVERIFY(answers_->texts.last().contains("clip.wav"));
        QFile::remove(QString::fromStdString(stand));
        const QByteArray path = qgetenv("PATH");
        qputenv("PATH", bin_.toUtf8());
        QTest::mouseClick(control<QPushButton>(*player_, "mailButton"), Qt::LeftButton);
        qputenv("PATH", path);
        QTRY_COMPARE(answers_->texts.size(), 2);
        QVERIFY(answers_->texts.last().contains("xdg-email was not found"));
    }

    // "Loudness…" measures the selected files (several: the album too) as the engine's
    // meter does, and writes their ReplayGain tags; the MP3 file's gain moves losslessly.
    void loudnessOfTheSelectedFilesIsMeasuredAndTagged() {
        relist();
        select("song.mp3");
        list()->selectionModel()->select(list()->model()->index(findRow(*player_, "clip.wav"), 0),
                                         QItemSelectionModel::Select | QItemSelectionModel::Rows);
        choose("loudnessAction");
        auto* dialog = player_->findChild<LoudnessDialog*>();
        QVERIFY(dialog);
        QTRY_VERIFY_WITH_TIMEOUT(!dialog->isMeasuring(), 20000);
        auto* table = dialog->findChild<QTableWidget*>("loudnessTable");
        QCOMPARE(table->rowCount(), 3);
        QCOMPARE(table->item(2, 0)->text(), QString("Album"));
        for (int row = 0; row < 2; ++row) {
            const QString path = music_ + table->item(row, 0)->text();
            const auto measured = TrackLoudness::measure(path.toStdString());
            QCOMPARE(table->item(row, 1)->text(),
                     QString::number(measured->figures().integratedLufs, 'f', 2) + " LUFS");
            QCOMPARE(dialog->track(row)->figures().truePeak, measured->figures().truePeak);
        }
        QTest::mouseClick(dialog->findChild<QPushButton*>("writeTagsButton"), Qt::LeftButton);
        QVERIFY(dialog->findChild<QLabel*>("loudnessStatus")->text().contains("written into 2 files"));
        for (int row = 0; row < 2; ++row) {
            const auto tags = readReplayGainTags((music_ + table->item(row, 0)->text()).toStdString());
            QVERIFY(tags && tags->albumGainDb);
            QCOMPARE(QString::number(tags->trackGainDb, 'f', 2), table->item(row, 4)->text().chopped(3));
        }
        QTest::mouseClick(dialog->findChild<QPushButton*>("mp3GainButton"), Qt::LeftButton);
        QVERIFY(dialog->findChild<QLabel*>("loudnessStatus")->text().contains("\"song.mp3\" moved by"));
        QVERIFY(readMp3GainUndo((music_ + "song.mp3").toStdString()) != 0);
        QTest::mouseClick(dialog->findChild<QPushButton*>("closeButton"), Qt::LeftButton);
        QTRY_VERIFY(!player_->findChild<LoudnessDialog*>());
    }
};

QTEST_MAIN(PlayerWindowFileActionsTest)
#include "PlayerWindowFileActionsTest.moc"
