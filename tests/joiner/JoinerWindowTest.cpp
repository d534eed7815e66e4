#include <cmath>
#include <sys/stat.h>

#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
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
#include "InfoBox.h"
#include "FileListProbe.h"
#include "WindowProbe.h"
#include <QComboBox>
#include <QHeaderView>
#include <QPushButton>
#include <QToolButton>
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
    return listedFolder(window.findChild<QTreeView*>("folderList"));
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
        click("removeAllButton");
        QStringList paths;
        for (const QString& name : names)
            paths << music_ + name;
        window_->addFiles(paths);
        QCOMPARE(rowCount(joinList()), names.size());
    }

    void runMerge() {
        click("mergeButton");
        QVERIFY(window_->isMerging());
        QTRY_VERIFY_WITH_TIMEOUT(!window_->isMerging(), 30000);
    }

    template <class Control>
    Control* ctl(const char* name) {
        return control<Control>(*window_, name);
    }
    void click(const char* name) { QTest::mouseClick(ctl<QPushButton>(name), Qt::LeftButton); }
    QTreeView* joinList() { return ctl<QTreeView>("joinList"); }
    QTreeView* folderList() { return ctl<QTreeView>("folderList"); }
    InfoBox* infoBox() { return ctl<InfoBox>("infoBox"); }
    void setTicked(int row, bool ticked) {
        joinList()->model()->setData(joinList()->model()->index(row, 0), ticked ? Qt::Checked : Qt::Unchecked,
                                     Qt::CheckStateRole);
    }
    QString note(int row) { return joinList()->model()->index(row, 4).data(Qt::ToolTipRole).toString(); }
    // A click on a row of the join list, as a user picks it.
    void pressRow(int row, Qt::KeyboardModifiers modifiers = {}) {
        const QRect rect = joinList()->visualRect(joinList()->model()->index(row, 1));
        QTest::mouseClick(joinList()->viewport(), Qt::LeftButton, modifiers, rect.center());
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
        QTRY_COMPARE(listedFolder(*window_), music_);
        const QStringList listed = column(folderList(), 0);
        QTemporaryDir other;
        writeBytes(other.path() + "/other.mp3", 900);
        ctl<FolderTree>("folderTree")->setCurrentIndex(ctl<FolderTree>("folderTree")->indexOf(other.path()));
        QCoreApplication::processEvents();
        QTRY_COMPARE(listedFolder(*window_), music_);
        QCOMPARE(ctl<FolderTree>("folderTree")->selectedPath(), music_);
        QTRY_COMPARE(column(folderList(), 0), listed);
        window_->setTreeFolder(other.path());
        QTRY_COMPARE(column(folderList(), 0), QStringList({"other.mp3"}));
        window_->setTreeFolder(music_);
        QTRY_COMPARE(listedFolder(*window_), music_);
    }

    // A folder's files come in name order as a file manager shows them ("track 2" before
    // "track 10", whatever order they were made in), and Add all keeps it.
    void theFolderListIsInNaturalNameOrder() {
        // Track n is a quarter second of a tone of 200 + 100 n Hz, made in shuffled order.
        QTemporaryDir album;
        QStringList expected;
        constexpr int rate = 8000, frames = rate / 4;
        for (const int track : {7, 12, 1, 10, 3, 5, 2, 11, 9, 4, 8, 6}) {
            std::vector<int16_t> tone(frames);
            for (int i = 0; i < frames; ++i)
                tone[static_cast<size_t>(i)] =
                    static_cast<int16_t>(12000 * std::sin(2 * M_PI * (200 + 100 * track) * i / rate));
            writeWav16((album.path() + QString("/track %1.wav").arg(track)).toStdString(), rate, 1, tone);
        }
        for (int track = 1; track <= 12; ++track)
            expected << QString("track %1.wav").arg(track);
        click("removeAllButton");
        window_->setTreeFolder(album.path());
        QTRY_COMPARE(listedFolder(*window_), album.path() + "/");
        QCOMPARE(column(folderList(), 0), expected);
        click("addAllButton");
        QStringList joined;
        for (const QString& path : column(joinList(), 0))
            joined << path.mid(path.lastIndexOf('/') + 1);
        QCOMPARE(joined, expected);

        // The merged file holds the tones in the tracks' order.
        AppSettings::wavFreqHz = rate;
        AppSettings::wavChannelCount = 1;
        AppSettings::wavBitsPerSample = 16;
        ctl<QComboBox>("outputFormatBox")->setCurrentIndex(0);
        runMerge();
        const std::vector<float> merged = decodeWithFfmpeg(window_->mergedFile().toStdString());
        QCOMPARE(merged.size(), size_t{12 * frames});
        for (int track = 1; track <= 12; ++track) {
            int crossings = 0;
            for (size_t i = size_t(track - 1) * frames + 1; i < size_t(track) * frames; ++i)
                crossings += (merged[i - 1] < 0) != (merged[i] < 0) ? 1 : 0;
            const double hz = crossings / 2.0 / 0.25;
            QVERIFY2(std::abs(hz - (200 + 100 * track)) < 10,
                     qPrintable(QString("track %1: %2 Hz").arg(track).arg(hz)));
        }
        QFile::remove(window_->mergedFile());
        ctl<QComboBox>("outputFormatBox")->setCurrentIndex(1);
        click("removeAllButton");
        window_->setTreeFolder(music_);
        QTRY_COMPARE(listedFolder(*window_), music_);
    }

    void listsTheFolderAndSortsBySize() {
        QStringList names = column(folderList(), 0);
        names.sort();
        QCOMPARE(names, QStringList({"a.MP3", "b.mp3", "c.Wma", "long.wav"}));
        QTemporaryDir sizes;
        writeBytes(sizes.path() + "/x.mp3", 2097152);
        writeBytes(sizes.path() + "/y.mp3", 900);
        writeBytes(sizes.path() + "/z.mp3", 1536);
        window_->setTreeFolder(sizes.path());
        QTest::mouseClick(folderList()->header()->viewport(), Qt::LeftButton, {},
                          {folderList()->header()->sectionViewportPosition(3) + 5, 5});
        QTRY_COMPARE(column(folderList(), 0), QStringList({"y.mp3", "z.mp3", "x.mp3"}));
        window_->setTreeFolder(music_);
        QTRY_COMPARE(listedFolder(*window_), music_);
    }

    // From a file manager: files, and a folder's audio files in name order in its place.
    void filesAndFoldersDroppedFromOutside() {
        click("removeAllButton");
        const QString folder = music_ + "dropped/";
        QVERIFY(QDir().mkpath(folder));
        for (const char* name : {"b.wav", "A.wav", "notes.txt"})
            writeBytes(folder + name, 100);
        QVERIFY(dropPaths(joinList()->viewport(), {music_ + "b.mp3", folder}));
        QStringList names;
        for (int row = 0; row < rowCount(joinList()); ++row)
            names << cellText(joinList(), row, 0);
        QCOMPARE(names, QStringList({music_ + "b.mp3", folder + "A.wav", folder + "b.wav"}));
        QDir(folder).removeRecursively();
        click("removeAllButton");

        // The recent files list the added files that are still there, newest first;
        // choosing one adds it again.
        QMenu* recent = window_->findChild<QToolButton*>("recentButton")->menu();
        emit recent->aboutToShow();
        QCOMPARE(recent->actions().first()->toolTip(), music_ + "b.mp3");
        for (QAction* action : recent->actions())
            QVERIFY(!action->toolTip().startsWith(folder));
        recent->actions().first()->trigger();
        QCOMPARE(rowCount(joinList()), 1);
        click("removeAllButton");
    }

    void addAllTwiceAddsEachFileOnce() {
        click("removeAllButton");
        click("addAllButton");
        click("addAllButton");
        QCOMPARE(rowCount(joinList()), 4);
        QVERIFY(
            infoBox()->summary().startsWith("4 files in list, 4 files selected, selected duration is approximately: "));
        folderList()->clearSelection();
        click("addButton"); // nothing selected: nothing happens
        QCOMPARE(rowCount(joinList()), 4);
    }

    // With the encoding kept, MP3 files are joined by copy and a WMA among them makes the
    // join encode again; the rows say which, and why.
    void keptEncodingJoinsMp3ByCopy() {
        AppSettings::joinKeepsEncoding = true;
        AppSettings::mp3FreqHz = 44100;
        AppSettings::mp3ChannelCount = 2;
        ctl<QComboBox>("outputFormatBox")->setCurrentIndex(1);
        join({"a.MP3", "b.mp3"});
        runMerge();
        QCOMPARE(column(joinList(), 4), QStringList({"Done (copied)", "Done (copied)"}));
        QVERIFY(note(0).endsWith("ms of encoder padding and delay stay at the junctions"));
        QCOMPARE(probe(window_->mergedFile().toStdString()).codec, std::string("mp3"));
        QCOMPARE(readAudioTags(window_->mergedFile().toStdString()).artist, std::string("First Artist"));

        join({"a.MP3", "c.Wma"});
        runMerge();
        QCOMPARE(column(joinList(), 4), QStringList({"Done (re-encoded)", "Done (re-encoded)"}));
        QVERIFY(note(1).contains("c.Wma"));
        AppSettings::joinKeepsEncoding = false;
        for (const QString& file : filesIn(merged_))
            QFile::remove(merged_ + file);
    }

    void mergesTheTickedRowsInOrder() {
        join({"a.MP3", "c.Wma", "b.mp3"});
        setTicked(1, false);
        ctl<QComboBox>("outputFormatBox")->setCurrentIndex(1);
        const int before = refreshes_;
        runMerge();
        QCOMPARE(column(joinList(), 4), QStringList({"Done", " ", "Done"}));
        QCOMPARE(answers_->texts, QStringList({"Merge finished\n1 file written in " + merged_}));
        QCOMPARE(refreshes_, before + 1);
        const QStringList files = filesIn(merged_);
        QCOMPARE(files.size(), 1);
        QVERIFY(files.first().startsWith("Merged 20"));
        QVERIFY(files.first().endsWith(".mp3"));
        QCOMPARE(merged_ + files.first(), window_->mergedFile());
        QVERIFY(std::abs(probe((merged_ + files.first()).toStdString()).duration - 5.0) < 0.06);
        const AudioTags tags = readAudioTags((merged_ + files.first()).toStdString());
        QCOMPARE(QString::fromStdString(tags.title), QFileInfo(files.first()).completeBaseName());
        QCOMPARE(tags.artist, std::string("First Artist"));
        QCOMPARE(tags.album, std::string("First Album"));
        QCOMPARE(tags.comment, std::string());
        QVERIFY(infoBox()->summary().startsWith("3 files in list, 2 files selected"));
    }

    // Each row shows the title its file's chapter will have (its title tag, else its name);
    // the user edits one in place, and the joined file has the chapters so titled.
    void chaptersAreTitledInTheListAndWritten() {
        join({"a.MP3", "b.mp3", "c.Wma"});
        QCOMPARE(joinList()->model()->headerData(5, Qt::Horizontal).toString(), QString("Chapter"));
        QCOMPARE(column(joinList(), 5), QStringList({"a", "b", "c"}));
        const QModelIndex second = joinList()->model()->index(1, 5);
        joinList()->scrollTo(second);
        QTest::mouseClick(joinList()->viewport(), Qt::LeftButton, {}, joinList()->visualRect(second).center());
        QCOMPARE(joinList()->currentIndex(), second);
        QTest::mouseDClick(joinList()->viewport(), Qt::LeftButton, {}, joinList()->visualRect(second).center());
        QLineEdit* editor = nullptr;
        QTRY_VERIFY((editor = joinList()->viewport()->findChild<QLineEdit*>()) != nullptr);
        editor->selectAll();
        QTest::keyClicks(editor, "Zweites Kapitel");
        QTest::keyClick(editor, Qt::Key_Return);
        QTRY_COMPARE(column(joinList(), 5), QStringList({"a", "Zweites Kapitel", "c"}));
        QVERIFY(!window_->isMerging()); // Return ends the editing only
        ctl<QComboBox>("outputFormatBox")->setCurrentIndex(1);
        runMerge();
        const std::vector<ProbedChapter> chapters = probeChapters(window_->mergedFile().toStdString());
        QCOMPARE(chapters.size(), size_t{3});
        QCOMPARE(chapters[1].title, std::string("Zweites Kapitel"));
        QVERIFY(std::abs(chapters[1].startMs - 2000) <= 30); // the MP3 input's encoder delay, as decoded
        QVERIFY(std::abs(chapters[2].startMs - 5000) <= 60);
        QCOMPARE(chapters[2].title, std::string("c"));
    }

    void inputsOfOtherRatesAndChannelsMergeToWav() {
        AppSettings::wavFreqHz = 48000;
        AppSettings::wavChannelCount = 2;
        AppSettings::wavBitsPerSample = 16;
        join({"c.Wma", "a.MP3"});
        ctl<QComboBox>("outputFormatBox")->setCurrentIndex(0);
        runMerge();
        const QString file = window_->mergedFile();
        QVERIFY(file.endsWith(".wav"));
        const ProbedStream probed = probe(file.toStdString());
        QCOMPARE(probed.sampleRate, 48000);
        QCOMPARE(probed.channels, 2);
        QVERIFY(std::abs(probed.duration - 3.5) < 0.1);
        std::string errors;
        decodeWithFfmpeg(file.toStdString(), &errors);
        QCOMPARE(QString::fromStdString(errors), QString());
        ctl<QComboBox>("outputFormatBox")->setCurrentIndex(1);
    }

    void cancelDuringTheFirstFile() {
        join({"long.wav", "a.MP3"});
        click("mergeButton");
        QTRY_VERIFY_WITH_TIMEOUT(cellText(joinList(), 0, 4).startsWith("Merging: "), 20000);
        QVERIFY(infoBox()->summary().startsWith("Merging: "));
        QVERIFY(!joinList()->isEnabled());
        click("cancelMergeButton");
        QTRY_VERIFY_WITH_TIMEOUT(!window_->isMerging(), 20000);
        QCOMPARE(column(joinList(), 4), QStringList({"Canceled", " "}));
        QVERIFY(answers_->texts.isEmpty());
        QVERIFY(!QFile::exists(window_->mergedFile())); // half a join is not left under its name
        QCOMPARE(QDir(merged_).entryList(QDir::Files | QDir::Hidden), QStringList());
        QVERIFY(joinList()->isEnabled());
    }

    void closingDuringAMergeWaitsForTheWorker() {
        join({"long.wav", "b.mp3"});
        answers_->setYes(true);
        click("mergeButton");
        window_->close();
        QCOMPARE(answers_->texts, QStringList({"Merging in progress, do you want to cancel ?"}));
        QVERIFY(window_->isVisible());
        QTRY_VERIFY_WITH_TIMEOUT(!window_->isVisible(), 20000);
        QVERIFY(!window_->isMerging());
        QCOMPARE(answers_->texts.size(), 1);
    }

    void rowsWhoseFileWentAreSkipped() {
        QFile::copy(music_ + "a.MP3", music_ + "gone.mp3");
        join({"a.MP3", "gone.mp3"});
        QFile::remove(music_ + "gone.mp3");
        click("mergeButton"); // one file left: nothing happens
        QVERIFY(!window_->isMerging());
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
        window_->setClock([fixed] { return fixed; });
        const QString name = "14-07-09.mp3";
        QFile::copy(music_ + "b.mp3", music_ + name);
        join({"a.MP3", name});
        click("mergeButton");
        QVERIFY(!window_->isMerging());
        QVERIFY(answers_->texts.last().contains("one of the files to merge"));
        AppSettings::joinOutputPath = merged_.toStdString();
        AppSettings::joinOverwrite = false;
        AppSettings::joinUseDate = true;
        AppSettings::joinPreName = "Merged";
        QFile::remove(music_ + name);
        window_->setClock([] { return std::time(nullptr); });
    }

    void pickingARowShowsItsFormatThenTheSummary() {
        join({"a.MP3", "b.mp3", "c.Wma", "long.wav"});
        setTicked(1, false);
        joinList()->clearSelection();
        pressRow(2);
        QCOMPARE(infoBox()->info(), QString("Windows Media Audio 2, 22050 Hz, Mono, 128 kbps"));
        QCOMPARE(infoBox()->top(), infoBox()->centre());
        QVERIFY(joinList()->selectionModel()->isRowSelected(2, {}));
        if (const QByteArray folder = qgetenv("ZELVO_SCREENSHOT_DIR"); !folder.isEmpty())
            QVERIFY(window_->grab().save(QString::fromUtf8(folder) + "/joiner.png"));
        // After four seconds the box scrolls to the summary line and stops there.
        QTRY_COMPARE_WITH_TIMEOUT(infoBox()->top(), infoBox()->centre() - infoBox()->linePitch(), 7000);
    }
};

QTEST_MAIN(JoinerWindowTest)
#include "JoinerWindowTest.moc"
