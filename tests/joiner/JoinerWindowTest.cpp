#include <sys/stat.h>

#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTreeWidget>
#include <QMenu>
#include <QToolButton>
#include <QtTest>

#include "AudioFixtures.h"
#include "AudioTags.h"
#include "EngineEvents.h"
#include "JoinerWindow.h"
#include "DialogAnswers.h"
#include "Drops.h"
#include "FolderTree.h"
#include "AppSettings.h"
#include "AudioFileListModel.h"
#include <QTreeView>

namespace {

QStringList column(const QAbstractItemView* list, int column) {
    QStringList texts;
    for (int i = 0; i < list->model()->rowCount(); ++i)
        texts << list->model()->index(i, column).data().toString();
    return texts;
}

// The folder the joiner's folder list shows, once it is listed whole.
QString listedFolder(const JoinerWindow& window) {
    const auto* proxy = static_cast<const QSortFilterProxyModel*>(window.findChild<QTreeView*>("folderList")->model());
    const auto* files = static_cast<const AudioFileListModel*>(proxy->sourceModel());
    return files->isListing() ? QString() : files->folder();
}

void writeBytes(const QString& path, qint64 size) {
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(QByteArray(size, 'x'));
}

QStringList filesIn(const QString& folder) {
    return QDir(folder).entryList(QDir::Files, QDir::Name);
}

} // namespace

class JoinerWindowTest : public QObject {
    Q_OBJECT

private:
    QTemporaryDir home_;
    QString music_, merged_;
    std::unique_ptr<ConfirmDialog> confirm_;
    std::unique_ptr<DialogAnswers> answers_;
    std::unique_ptr<JoinerWindow> window_;
    int refreshes_ = 0;

    void show(const QString& folder) {
        window_->setTreeFolder(folder);
        window_->show();
        QVERIFY(QTest::qWaitForWindowExposed(window_.get()));
        QTRY_COMPARE(listedFolder(*window_), folder);
    }

    // The join list holds exactly these files of the music folder, all ticked.
    void join(const QStringList& names) {
        window_->removeAll();
        QStringList paths;
        for (const QString& name : names)
            paths << music_ + name;
        window_->addFiles(paths);
        QCOMPARE(window_->joinList_->topLevelItemCount(), names.size());
    }

    void runMerge() {
        window_->startMerging();
        QVERIFY(window_->merging_);
        QTRY_VERIFY_WITH_TIMEOUT(!window_->merging_, 30000);
    }

private slots:
    void initTestCase() {
        qputenv("SDL_AUDIODRIVER", "dummy");
        routeEngineEventsToTheWindows();
        music_ = home_.path() + "/music/";
        merged_ = home_.path() + "/merged/";
        QDir().mkpath(music_ + "e.wav");
        QDir().mkpath(merged_);
        makeTone((music_ + "a.MP3").toStdString(), 2, 44100, 2, "-c:a libmp3lame");
        QCOMPARE(::mkfifo((music_ + "pipe.wav").toLocal8Bit().constData(), 0600), 0); // never opened
        AudioTags tags;
        tags.artist = "First Artist";
        tags.album = "First Album";
        tags.comment = "not carried";
        writeAudioTags((music_ + "a.MP3").toStdString(), tags);
        makeTone((music_ + "b.mp3").toStdString(), 3, 44100, 2, "-c:a libmp3lame");
        makeTone((music_ + "c.Wma").toStdString(), 1.5, 22050, 1, "-c:a wmav2");
        makeTone((music_ + "long.wav").toStdString(), 200, 44100, 2, "-c:a pcm_s16le");
        writeBytes(music_ + "d.txt", 10);
        AppSettings::joinOutputPath = merged_.toStdString();
        AppSettings::joinPreName = "Merged";
        AppSettings::joinPosName = "";
        AppSettings::joinUseDate = true;
        AppSettings::joinOverwrite = false;
        AppSettings::mp3VbrEnabled = false;
        AppSettings::mp3FreqHz = 44100;
        AppSettings::mp3ChannelCount = 2;
        AppSettings::mp3BitRateKbps = 128;
        AppSettings::mp3EncoderQuality = 5;
        confirm_ = std::make_unique<ConfirmDialog>();
        answers_ = std::make_unique<DialogAnswers>();
        window_ = std::make_unique<JoinerWindow>();
        window_->setWindows(nullptr, confirm_.get(), [this] { ++refreshes_; });
        show(music_);
    }

    void init() {
        answers_->texts.clear();
        answers_->setYes(false);
        for (const QString& file : filesIn(merged_))
            QFile::remove(merged_ + file);
        if (!window_->isVisible())
            show(music_);
    }

    // The folder model moves the tree's current row on its own while it reads folders;
    // only what the user picks (or the program selects) is listed.
    void onlyAPickedFolderIsListed() {
        window_->setTreeFolder(music_);
        window_->listSelectedFolder();
        QTRY_COMPARE(listedFolder(*window_), music_);
        const QStringList listed = column(window_->folderList_, 0);
        QTemporaryDir other;
        writeBytes(other.path() + "/other.mp3", 900);
        window_->folderTree_->setCurrentIndex(window_->folderTree_->indexOf(other.path()));
        QCoreApplication::processEvents();
        QTRY_COMPARE(listedFolder(*window_), music_);
        QCOMPARE(window_->folderTree_->selectedPath(), music_);
        QTRY_COMPARE(column(window_->folderList_, 0), listed);
        window_->setTreeFolder(other.path());
        QTRY_COMPARE(column(window_->folderList_, 0), QStringList({"other.mp3"}));
        window_->setTreeFolder(music_);
        QTRY_COMPARE(listedFolder(*window_), music_);
    }

    // A folder's files come in name order as a file manager shows them ("track 2" before
    // "track 10", whatever order they were made in), and Add all keeps it.
    void theFolderListIsInNaturalNameOrder() {
        QTemporaryDir album;
        QStringList expected;
        for (const int track : {7, 12, 1, 10, 3, 5, 2, 11, 9, 4, 8, 6})
            writeBytes(album.path() + QString("/track %1.mp3").arg(track), 900 + track);
        for (int track = 1; track <= 12; ++track)
            expected << QString("track %1.mp3").arg(track);
        window_->removeAll();
        window_->setTreeFolder(album.path());
        window_->listSelectedFolder();
        QTRY_COMPARE(listedFolder(*window_), album.path() + "/");
        QCOMPARE(column(window_->folderList_, 0), expected);
        window_->addAll();
        QStringList joined;
        for (const QString& path : column(window_->joinList_, 0))
            joined << path.mid(path.lastIndexOf('/') + 1);
        QCOMPARE(joined, expected);
        window_->removeAll();
        window_->setTreeFolder(music_);
        window_->listSelectedFolder();
        QTRY_COMPARE(listedFolder(*window_), music_);
    }

    void listsTheFolderAndSortsBySize() {
        QStringList names = column(window_->folderList_, 0);
        names.sort();
        QCOMPARE(names, QStringList({"a.MP3", "b.mp3", "c.Wma", "long.wav"}));
        QTemporaryDir sizes;
        writeBytes(sizes.path() + "/x.mp3", 2097152);
        writeBytes(sizes.path() + "/y.mp3", 900);
        writeBytes(sizes.path() + "/z.mp3", 1536);
        window_->setTreeFolder(sizes.path());
        window_->listSelectedFolder();
        window_->sortFolderList(3);
        QTRY_COMPARE(column(window_->folderList_, 0), QStringList({"y.mp3", "z.mp3", "x.mp3"}));
        window_->setTreeFolder(music_);
        window_->listSelectedFolder();
        QTRY_COMPARE(listedFolder(*window_), music_);
    }

    // From a file manager: files, and a folder's audio files in name order in its place.
    void filesAndFoldersDroppedFromOutside() {
        window_->removeAll();
        const QString folder = music_ + "dropped/";
        QVERIFY(QDir().mkpath(folder));
        for (const char* name : {"b.wav", "A.wav", "notes.txt"})
            writeBytes(folder + name, 100);
        QVERIFY(dropPaths(window_->joinList_->viewport(), {music_ + "b.mp3", folder}));
        QStringList names;
        for (int row = 0; row < window_->joinList_->topLevelItemCount(); ++row)
            names << window_->joinList_->topLevelItem(row)->text(0);
        QCOMPARE(names, QStringList({music_ + "b.mp3", folder + "A.wav", folder + "b.wav"}));
        QDir(folder).removeRecursively();
        window_->removeAll();

        // The recent files list the added files that are still there, newest first;
        // choosing one adds it again.
        QMenu* recent = window_->recentButton_->menu();
        emit recent->aboutToShow();
        QCOMPARE(recent->actions().first()->toolTip(), music_ + "b.mp3");
        for (QAction* action : recent->actions())
            QVERIFY(!action->toolTip().startsWith(folder));
        recent->actions().first()->trigger();
        QCOMPARE(window_->joinList_->topLevelItemCount(), 1);
        window_->removeAll();
    }

    void addAllTwiceAddsEachFileOnce() {
        window_->removeAll();
        window_->addAll();
        window_->addAll();
        QCOMPARE(window_->joinList_->topLevelItemCount(), 4);
        QVERIFY(
            window_->infoLine2_.startsWith("4 files in list, 4 files selected, selected duration is approximately: "));
        window_->folderList_->clearSelection();
        window_->addSelected(); // nothing selected: nothing happens
        QCOMPARE(window_->joinList_->topLevelItemCount(), 4);
    }

    // With the encoding kept, MP3 files are joined by copy and a WMA among them makes the
    // join encode again; the rows say which, and why.
    void keptEncodingJoinsMp3ByCopy() {
        AppSettings::joinKeepsEncoding = true;
        AppSettings::mp3FreqHz = 44100;
        AppSettings::mp3ChannelCount = 2;
        window_->outputFormatBox_->setCurrentIndex(1);
        join({"a.MP3", "b.mp3"});
        runMerge();
        QCOMPARE(column(window_->joinList_, 4), QStringList({"Done (copied)", "Done (copied)"}));
        QVERIFY(window_->joinList_->topLevelItem(0)->toolTip(4).endsWith(
            "ms of encoder padding and delay stay at the junctions"));
        QCOMPARE(probe(window_->mergedFile_.toStdString()).codec, std::string("mp3"));
        QCOMPARE(readAudioTags(window_->mergedFile_.toStdString()).artist, std::string("First Artist"));

        join({"a.MP3", "c.Wma"});
        runMerge();
        QCOMPARE(column(window_->joinList_, 4), QStringList({"Done (re-encoded)", "Done (re-encoded)"}));
        QVERIFY(window_->joinList_->topLevelItem(1)->toolTip(4).contains("c.Wma"));
        AppSettings::joinKeepsEncoding = false;
        for (const QString& file : filesIn(merged_))
            QFile::remove(merged_ + file);
    }

    void mergesTheTickedRowsInOrder() {
        join({"a.MP3", "c.Wma", "b.mp3"});
        window_->joinList_->topLevelItem(1)->setCheckState(0, Qt::Unchecked);
        window_->outputFormatBox_->setCurrentIndex(1);
        const int before = refreshes_;
        runMerge();
        QCOMPARE(window_->mergeRows_, (std::vector<int>{0, 2}));
        QCOMPARE(column(window_->joinList_, 4), QStringList({"Done", " ", "Done"}));
        QCOMPARE(answers_->texts, QStringList({"Merge finished"}));
        QCOMPARE(refreshes_, before + 1);
        const QStringList files = filesIn(merged_);
        QCOMPARE(files.size(), 1);
        QVERIFY(files.first().startsWith("Merged 20"));
        QVERIFY(files.first().endsWith(".mp3"));
        QCOMPARE(merged_ + files.first(), window_->mergedFile_);
        QVERIFY(std::abs(probe((merged_ + files.first()).toStdString()).duration - 5.0) < 0.06);
        const AudioTags tags = readAudioTags((merged_ + files.first()).toStdString());
        QCOMPARE(QString::fromStdString(tags.title), QFileInfo(files.first()).completeBaseName());
        QCOMPARE(tags.artist, std::string("First Artist"));
        QCOMPARE(tags.album, std::string("First Album"));
        QCOMPARE(tags.comment, std::string());
        QVERIFY(window_->infoLine2_.startsWith("3 files in list, 2 files selected"));
    }

    void inputsOfOtherRatesAndChannelsMergeToWav() {
        AppSettings::wavFreqHz = 48000;
        AppSettings::wavChannelCount = 2;
        AppSettings::wavBitsPerSample = 16;
        join({"c.Wma", "a.MP3"});
        window_->outputFormatBox_->setCurrentIndex(0);
        runMerge();
        const QString file = window_->mergedFile_;
        QVERIFY(file.endsWith(".wav"));
        const ProbedStream probed = probe(file.toStdString());
        QCOMPARE(probed.sampleRate, 48000);
        QCOMPARE(probed.channels, 2);
        QVERIFY(std::abs(probed.duration - 3.5) < 0.1);
        std::string errors;
        decodeWithFfmpeg(file.toStdString(), &errors);
        QCOMPARE(QString::fromStdString(errors), QString());
        window_->outputFormatBox_->setCurrentIndex(1);
    }

    void cancelDuringTheFirstFile() {
        join({"long.wav", "a.MP3"});
        window_->startMerging();
        QTRY_VERIFY_WITH_TIMEOUT(window_->joinList_->topLevelItem(0)->text(4).startsWith("Merging: "), 20000);
        QVERIFY(window_->infoLine2_.startsWith("Merging: "));
        QVERIFY(!window_->joinList_->isEnabled());
        window_->cancelMerging();
        QTRY_VERIFY_WITH_TIMEOUT(!window_->merging_, 20000);
        QCOMPARE(column(window_->joinList_, 4), QStringList({"Canceled", " "}));
        QVERIFY(answers_->texts.isEmpty());
        QVERIFY(QFile::exists(window_->mergedFile_)); // it keeps what was written
        QVERIFY(window_->joinList_->isEnabled());
    }

    void closingDuringAMergeWaitsForTheWorker() {
        join({"long.wav", "b.mp3"});
        answers_->setYes(true);
        window_->startMerging();
        window_->close();
        QCOMPARE(answers_->texts, QStringList({"Merging in progress, do you want to cancel ?"}));
        QVERIFY(window_->isVisible());
        QTRY_VERIFY_WITH_TIMEOUT(!window_->isVisible(), 20000);
        QVERIFY(!window_->merging_);
        QCOMPARE(answers_->texts.size(), 1);
    }

    void rowsWhoseFileWentAreSkipped() {
        QFile::copy(music_ + "a.MP3", music_ + "gone.mp3");
        window_->listSelectedFolder();
        join({"a.MP3", "gone.mp3"});
        QFile::remove(music_ + "gone.mp3");
        window_->startMerging(); // one file left: nothing happens
        QVERIFY(!window_->merging_);
        QCOMPARE(filesIn(merged_), QStringList());
    }

    void anInputIsNeverTheOutput() {
        AppSettings::joinOutputPath = music_.toStdString();
        AppSettings::joinOverwrite = true;
        AppSettings::joinUseDate = false;
        AppSettings::joinPreName = "";
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
        window_->now_ = [fixed] { return fixed; };
        const QString name = "14-07-09.mp3";
        QFile::copy(music_ + "b.mp3", music_ + name);
        join({"a.MP3", name});
        window_->startMerging();
        QVERIFY(!window_->merging_);
        QVERIFY(answers_->texts.last().contains("one of the files to merge"));
        AppSettings::joinOutputPath = merged_.toStdString();
        AppSettings::joinOverwrite = false;
        AppSettings::joinUseDate = true;
        AppSettings::joinPreName = "Merged";
        QFile::remove(music_ + name);
        window_->now_ = [] { return std::time(nullptr); };
        window_->listSelectedFolder();
    }

    void pickingARowShowsItsFormatThenTheSummary() {
        join({"a.MP3", "b.mp3", "c.Wma", "long.wav"});
        window_->joinList_->topLevelItem(1)->setCheckState(0, Qt::Unchecked);
        window_->joinList_->clearSelection();
        window_->joinList_->topLevelItem(2)->setSelected(true);
        window_->selectJoinRowUnderMouse();
        QCOMPARE(window_->infoLine1_, QString("Windows Media Audio 2, 22050 Hz, Mono, 128 kbps"));
        QCOMPARE(window_->infoTop_, window_->infoCentre());
        QCOMPARE(window_->selectedFile_, music_ + "c.Wma");
        if (const QByteArray folder = qgetenv("ZELVO_SCREENSHOT_DIR"); !folder.isEmpty())
            QVERIFY(window_->grab().save(QString::fromUtf8(folder) + "/joiner.png"));
        // After four seconds the box scrolls to the summary line and stops there.
        QTRY_VERIFY_WITH_TIMEOUT(!window_->infoTimer_.isActive(), 7000);
        QCOMPARE(window_->infoTop_, window_->infoCentre() - window_->infoLinePitch());
    }
};

QTEST_MAIN(JoinerWindowTest)
#include "JoinerWindowTest.moc"
