#include <sys/stat.h>

#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSlider>
#include <QSortFilterProxyModel>
#include <QTemporaryDir>
#include <QTimer>
#include <QTreeView>
#include <QtTest>

#include "AppSettings.h"
#include "AudioFileListModel.h"
#include "AudioFixtures.h"
#include "ConfirmDialog.h"
#include "Drops.h"
#include "EngineEvents.h"
#include "FolderTree.h"
#include "LevelDisplay.h"
#include "PlaybackController.h"
#include "PlayerWindow.h"
#include "FileListProbe.h"
#include "WindowProbe.h"

namespace {

using Column = AudioFileListModel::Column;
using RowState = AudioFileListModel::RowState;

QTreeView* playList(const PlayerWindow& player) {
    return control<QTreeView>(player, "playList");
}

QString listedFolder(const PlayerWindow& player) {
    return listedFolder(playList(player));
}

QString row(const PlayerWindow& player, int row) {
    QStringList cells;
    for (int column = 0; column < 5; ++column)
        cells << cellText(playList(player), row, column);
    return cells.join('|');
}

QStringList rowNames(const PlayerWindow& player) {
    return columnTexts(playList(player), Column::Name);
}

int findRow(const PlayerWindow& player, const QString& name) {
    return rowNamed(playList(player), name);
}

RowState stateOf(const PlayerWindow& player, const QString& name) {
    return stateOf(playList(player), name);
}

void writeBytes(const QString& path, qint64 size) {
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(QByteArray(size, 'x'));
}

// Answers the next modal dialog by clicking its button, and keeps its text.
void answerNextDialog(QString* text) {
    QTimer::singleShot(50, [text] {
        if (auto* dialog = qobject_cast<ConfirmDialog*>(QApplication::activeModalWidget())) {
            *text = dialog->text();
            dialog->noButton()->click();
        }
    });
}

} // namespace

class PlayerWindowTest : public QObject {
    Q_OBJECT

private:
    QTemporaryDir home_;
    QString music_;
    std::unique_ptr<ConfirmDialog> confirm_;
    std::unique_ptr<PlayerWindow> player_;

    template <class Control>
    Control* ctl(const char* name) {
        return control<Control>(*player_, name);
    }
    QTreeView* list() { return playList(*player_); }
    FolderTree* tree() { return ctl<FolderTree>("folderTree"); }
    PlaybackController& playback() { return player_->playback(); }
    bool paused() { return playback().state() == PlaybackController::State::Paused; }
    bool playing(const QString& name) { return playback().isActive() && playback().file() == music_ + "/" + name; }

    void listFolder(const QString& folder) {
        QVERIFY(player_->showPath(folder));
        QTRY_COMPARE(listedFolder(*player_), folder + "/");
    }

    void selectRow(const QString& name) {
        const int row = findRow(*player_, name);
        QVERIFY(row >= 0);
        list()->setCurrentIndex(list()->model()->index(row, 0));
    }

    void clickRow(const QString& name) {
        const QModelIndex index = list()->model()->index(findRow(*player_, name), 0);
        list()->scrollTo(index);
        QTest::mouseClick(list()->viewport(), Qt::LeftButton, {}, list()->visualRect(index).center());
    }

    void clickHeader(int column) {
        QHeaderView* header = list()->header();
        QTest::mouseClick(header->viewport(), Qt::LeftButton, {},
                          {header->sectionViewportPosition(column) + header->sectionSize(column) / 2, 5});
    }

private slots:
    void initTestCase() {
        qputenv("HOME", home_.path().toUtf8());
        qputenv("XDG_CONFIG_HOME", (home_.path() + "/.config").toUtf8());
        qputenv("SDL_AUDIODRIVER", "dummy");
        routeEngineEventsToTheWindows();
        music_ = home_.path() + "/music";
        QDir().mkpath(music_ + "/e.wav");
        makeTone((music_ + "/a.MP3").toStdString(), 2.5, 44100, 2, "-c:a libmp3lame");
        makeTone((music_ + "/b.mp3").toStdString(), 62, 22050, 1, "-c:a libmp3lame -b:a 32k");
        makeTone((music_ + "/c.Wma").toStdString(), 1.2, 44100, 2, "-c:a wmav2");
        makeTone((music_ + "/.hidden.wav").toStdString(), 3.1, 8000, 1, "-c:a pcm_s16le");
        makeTone((music_ + "/locked.ogg").toStdString(), 4, 44100, 2, "-c:a libvorbis");
        QFile::setPermissions(music_ + "/locked.ogg", QFile::ReadOwner | QFile::ReadGroup);
        writeBytes(music_ + "/d.txt", 10);
        // A named pipe with an audio name: opening it would wait for a writer for good.
        QCOMPARE(::mkfifo((music_ + "/p.mp3").toLocal8Bit().constData(), 0600), 0);
        writeBytes(music_ + "/broken.mp3", 9728);
        confirm_ = std::make_unique<ConfirmDialog>();
        player_ = std::make_unique<PlayerWindow>();
        player_->setWindows(nullptr, confirm_.get(), nullptr, nullptr);
        player_->show();
        QVERIFY(QTest::qWaitForWindowExposed(player_.get()));
        // The first showing lists the home folder.
        QTRY_COMPARE(listedFolder(*player_), home_.path() + "/");
        QVERIFY(AppSettings::settingsFolder.find(home_.path().toStdString()) == 0);
    }

    // The sign buttons show icons; what they do stays as tooltip and accessible name.
    void signButtonsShowIconsAndKeepTheirMeaning() {
        const std::pair<const char*, QString> buttons[] = {{"playButton", "Play the selected file"},
                                                           {"stopButton", "Stop playing"},
                                                           {"pauseButton", "Pause playing"},
                                                           {"mailButton", "Share selected file by email"},
                                                           {"equalizerModeButton", "Select EQ mode"}};
        for (const auto& [name, meaning] : buttons) {
            QPushButton* button = ctl<QPushButton>(name);
            QVERIFY2(!button->icon().isNull(), qPrintable(meaning));
            QVERIFY(button->text().isEmpty());
            QCOMPARE(button->toolTip(), meaning);
            QCOMPARE(button->accessibleName(), meaning);
        }
        // The window is closed from the desktop's frame: no button of its own does it.
        for (QPushButton* button : player_->findChildren<QPushButton*>())
            QVERIFY2(button->text() != "x", qPrintable(button->objectName()));
        // The doors to the other windows name their keys.
        QCOMPARE(ctl<QPushButton>("cutterButton")->toolTip(), QString("MP3 Zovozu (Ctrl+T)"));
        QCOMPARE(ctl<QPushButton>("helpButton")->toolTip(), QString("Help (F1)"));
    }

    void listsTheFoldersAudioFilesWithFormatDurationAndSize() {
        listFolder(music_);
        QCOMPARE(rowNames(*player_),
                 QStringList({".hidden.wav", "a.MP3", "b.mp3", "broken.mp3", "c.Wma", "locked.ogg"}));
        QCOMPARE(row(*player_, 1),
                 QString("a.MP3|MP3|00 : 00 : 02|%1|")
                     .arg(QString::fromStdString(AppSettings::formatFileSize(QFileInfo(music_ + "/a.MP3").size()))));
        QCOMPARE(cellText(list(), 2, Column::Duration), QString("00 : 01 : 02"));
        QCOMPARE(cellText(list(), 0, Column::Duration), QString("00 : 00 : 03"));
        // A file that is not what its name says is listed all the same.
        QCOMPARE(row(*player_, 3), QString("broken.mp3|MP3|00 : 00 : 00|   9.5 KB|"));
        QCOMPARE(cellText(list(), 4, Column::Format), QString("WMA"));

        // Clicking a row shows its format.
        clickRow("a.MP3");
        QCOMPARE(ctl<QLabel>("fileInfoLabel")->text(), QString("MPEG Layer 3, 44100 Hz, Stereo, 128 kbps"));

        // The other kinds the engine reads are listed with their own formats.
        QTemporaryDir more;
        const std::pair<const char*, const char*> others[] = {
            {"f.flac", "-c:a flac"}, {"m.m4a", "-c:a aac"}, {"o.opus", "-c:a libopus"}, {"s.aif", "-c:a pcm_s16be"}};
        for (const auto& [name, codec] : others)
            makeTone((more.path() + "/" + name).toStdString(), 3.2, 44100, 2, codec);
        listFolder(more.path());
        QCOMPARE(rowNames(*player_), QStringList({"f.flac", "m.m4a", "o.opus", "s.aif"}));
        QStringList formats;
        for (int i = 0; i < 4; ++i) {
            formats << cellText(list(), i, Column::Format);
            QCOMPARE(cellText(list(), i, Column::Duration), QString("00 : 00 : 03"));
        }
        QCOMPARE(formats, QStringList({"FLAC", "M4A", "OPUS", "AIFF"}));
    }

    // A click on a column's header sorts by it: sizes by their value, names as a file
    // manager shows them ("track 2" before "track 10").
    void sortsByEachColumnWithSizesByUnit() {
        QTemporaryDir folder;
        const qint64 sizes[] = {524288, 1572864, 9728, 100, 200};
        const char* names[] = {"w.mp3", "x.wav", "y.ogg", "z.wma", "W 10.mp3"};
        for (int i = 0; i < 5; ++i)
            writeBytes(folder.path() + "/" + names[i], sizes[i]);
        writeBytes(folder.path() + "/W 9.mp3", 300);
        listFolder(folder.path());
        struct Case {
            int column;
            QStringList order;
        };
        const Case cases[] = {{Column::Size, {"z.wma", "W 10.mp3", "W 9.mp3", "y.ogg", "w.mp3", "x.wav"}},
                              {Column::Format, {"W 10.mp3", "W 9.mp3", "w.mp3", "y.ogg", "x.wav", "z.wma"}},
                              {Column::Name, {"W 9.mp3", "W 10.mp3", "w.mp3", "x.wav", "y.ogg", "z.wma"}}};
        for (const auto& c : cases) {
            clickHeader(c.column);
            QCOMPARE(rowNames(*player_), c.order);
        }
        QCOMPARE(cellText(list(), 2, Column::Size), QString(" 512 KB"));
    }

    // In the list Enter and a double click play the row, Space pauses and resumes (and
    // plays when nothing is playing), F2 opens the name for editing and Delete asks first;
    // every control is reached with Tab.
    void theKeyboardPlaysPausesRenamesAndDeletes() {
        listFolder(music_);
        player_->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(player_.get()));
        QTreeView* list = this->list();
        list->setFocus();
        selectRow("a.MP3");
        QTest::keyClick(list, Qt::Key_Return);
        QVERIFY(playing("a.MP3"));
        QTest::keyClick(list, Qt::Key_Space);
        QVERIFY(paused());
        QTest::keyClick(list, Qt::Key_Space);
        QVERIFY(!paused() && playing("a.MP3"));
        player_->stop();
        QTest::keyClick(list, Qt::Key_Space); // nothing playing: plays the selected row
        QVERIFY(playing("a.MP3"));
        // The media keys, where they come to the window (keys without a text of their own).
        auto mediaKey = [list](Qt::Key key) {
            QTest::sendKeyEvent(QTest::Press, list, key, QString(), Qt::NoModifier);
            QTest::sendKeyEvent(QTest::Release, list, key, QString(), Qt::NoModifier);
        };
        mediaKey(Qt::Key_MediaTogglePlayPause);
        QVERIFY(paused());
        mediaKey(Qt::Key_MediaPlay);
        QVERIFY(!paused() && playing("a.MP3"));
        mediaKey(Qt::Key_MediaStop);
        QVERIFY(!playback().isActive());
        // A double click as the desktop delivers it: a press and release, then the second press.
        const QModelIndex c = list->model()->index(findRow(*player_, "c.Wma"), 0);
        const QPoint onC = list->visualRect(c).center();
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, onC);
        QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, onC);
        QVERIFY(playing("c.Wma"));
        player_->stop();

        list->setFocus();
        selectRow("b.mp3");
        QTest::keyClick(list, Qt::Key_F2);
        auto* editor = qobject_cast<QLineEdit*>(QApplication::focusWidget());
        QVERIFY(editor && list->isAncestorOf(editor));
        QCOMPARE(editor->text(), QString("b.mp3"));
        QTest::keyClick(editor, Qt::Key_Escape);
        QString asked;
        answerNextDialog(&asked); // No
        QTest::keyClick(list, Qt::Key_Delete);
        QCOMPARE(asked, QString("Move \"b.mp3\" to the Trash?"));
        QVERIFY(QFile::exists(music_ + "/b.mp3"));

        // Space on a focused button presses that button, not the player's Space.
        selectRow("a.MP3");
        QPushButton* play = ctl<QPushButton>("playButton");
        play->setFocus();
        QTest::keyClick(play, Qt::Key_Space);
        QVERIFY(playing("a.MP3"));
        QTest::keyClick(play, Qt::Key_Space); // pressed again: plays again, never pauses
        QVERIFY(!paused());
        player_->stop();

        // Tab goes round every control that takes the keyboard, the list and tree included.
        QSet<QWidget*> reached;
        player_->activateWindow(); // back from the question
        QVERIFY(QTest::qWaitForWindowActive(player_.get()));
        list->setFocus();
        QTRY_COMPARE(QApplication::focusWidget(), static_cast<QWidget*>(list));
        for (int i = 0; i < 60; ++i) {
            reached.insert(QApplication::focusWidget());
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        }
        for (QWidget* control :
             std::initializer_list<QWidget*>{ctl<QPushButton>("playButton"), ctl<QSlider>("volumeSlider"), tree(), list,
                                             ctl<QPushButton>("cutterButton")})
            QVERIFY2(reached.contains(control), qPrintable(control->objectName()));
    }

    void playPauseSeekAndStopDriveThePlayer() {
        listFolder(music_);
        selectRow("b.mp3");
        player_->play();
        QVERIFY(playing("b.mp3"));
        QCOMPARE(stateOf(*player_, "b.mp3"), RowState::Playing); // drawn bold by the view
        auto* progress = ctl<QSlider>("progressSlider");
        QVERIFY(progress->isEnabled());
        QTRY_VERIFY_WITH_TIMEOUT(
            cellText(list(), findRow(*player_, "b.mp3"), Column::Status).startsWith("Playing 00 : 00 : 0"), 3000);
        QTRY_VERIFY_WITH_TIMEOUT(progress->value() > 0, 3000);
        // Beside the bar: the time heard and the file's length.
        QTRY_VERIFY(ctl<QLabel>("timeLabel")->text().startsWith("00 : 00 : 0"));
        QVERIFY(ctl<QLabel>("timeLabel")->text().endsWith(" / 00 : 01 : 02"));

        // Pause keeps the place; a second pause resumes from it.
        QTest::mouseClick(ctl<QPushButton>("pauseButton"), Qt::LeftButton);
        QVERIFY(paused());
        const int64_t kept = playback().positionFrame();
        QVERIFY(kept > 0);
        QTest::qWait(200);
        QCOMPARE(playback().positionFrame(), kept);
        QTest::mouseClick(ctl<QPushButton>("pauseButton"), Qt::LeftButton);
        QVERIFY(!paused());
        QVERIFY(playback().positionFrame() >= kept);

        // Seeking to the middle on release of the bar.
        progress->setValue(500);
        QTest::mouseRelease(progress, Qt::LeftButton, {}, progress->rect().center());
        QTRY_VERIFY(std::abs(playback().positionFrame() - playback().lengthFrames() / 2) < 22050);
        QTRY_VERIFY_WITH_TIMEOUT(progress->value() > 500, 3000);

        // Sorting moves the row; its state and status move with it.
        const int row = findRow(*player_, "b.mp3");
        clickHeader(Column::Size);
        QVERIFY(findRow(*player_, "b.mp3") != row);
        QCOMPARE(stateOf(*player_, "b.mp3"), RowState::Playing);
        QTRY_VERIFY(cellText(list(), findRow(*player_, "b.mp3"), Column::Status).startsWith("Playing"));

        // A new listing of the same folder keeps the playing row's state.
        player_->refreshPlayList();
        QTRY_COMPARE(listedFolder(*player_), music_ + "/");
        QCOMPARE(stateOf(*player_, "b.mp3"), RowState::Playing);

        QTest::mouseClick(ctl<QPushButton>("stopButton"), Qt::LeftButton);
        QVERIFY(!playback().isActive());
        QCOMPARE(stateOf(*player_, "b.mp3"), RowState::Idle);
        QCOMPARE(cellText(list(), findRow(*player_, "b.mp3"), Column::Status), QString());
        QVERIFY(!progress->isEnabled());
        QCOMPARE(ctl<QLabel>("timeLabel")->text(), QString());
    }

    // A new listing of the folder (after a cut or a merge) keeps the selected file selected,
    // so its menu and the keys still act on it.
    void theSelectionSurvivesANewListing() {
        listFolder(music_);
        selectRow("c.Wma");
        player_->refreshPlayList();
        QTRY_COMPARE(listedFolder(*player_), music_ + "/");
        QTRY_COMPARE(list()->selectionModel()->selectedRows().value(0).data().toString(), QString("c.Wma"));
    }

    void fileThatCannotPlayReturnsItsRowToIdle() {
        listFolder(music_);
        selectRow("broken.mp3");
        QString message;
        answerNextDialog(&message);
        player_->play();
        QVERIFY(!playback().isActive());
        QCOMPARE(stateOf(*player_, "broken.mp3"), RowState::Idle);
    }

    void folderChangeIsRefusedWhilePlaying() {
        listFolder(music_);
        selectRow("a.MP3");
        player_->play();
        QVERIFY(playing("a.MP3"));
        // A click on another folder of the tree: a sub-folder of the listed one, whose
        // place in the tree nothing else changes.
        QDir().mkpath(music_ + "/sub");
        FolderTree* tree = this->tree();
        tree->expand(tree->indexOf(music_));
        QModelIndex other;
        QTRY_VERIFY((other = tree->indexOf(music_ + "/sub")).isValid() && tree->visualRect(other).isValid());
        QString message;
        answerNextDialog(&message);
        // Rows of the tree come and go as it reads folders: the place is found anew for each
        // click, and no event runs between finding it and clicking there.
        auto click = [this, tree] {
            const QModelIndex sub = tree->indexOf(music_ + "/sub");
            tree->scrollTo(sub);
            QTest::mouseClick(tree->viewport(), Qt::LeftButton, {}, tree->visualRect(sub).center());
        };
        click();
        QCOMPARE(message, QString("You will not be able to change folder while playing or converting."));
        QCOMPARE(tree->selectedPath(), music_ + "/");
        QCOMPARE(listedFolder(*player_), music_ + "/");
        QVERIFY(playback().isActive());
        // Keys that move the tree's row are refused the same way, and the row goes back.
        const QModelIndex listed = tree->indexOf(music_);
        for (int key : {Qt::Key_Down, Qt::Key_Up, Qt::Key_Right, Qt::Key_Left, Qt::Key_Left, Qt::Key_End, Qt::Key_S}) {
            answerNextDialog(&message);
            QTest::keyClick(tree, static_cast<Qt::Key>(key));
            QCOMPARE(tree->currentIndex(), listed);
            QCOMPARE(tree->selectedPath(), music_ + "/");
            QCOMPARE(listedFolder(*player_), music_ + "/");
        }
        tree->expand(listed);
        player_->stop();
        // Once nothing plays, the same click lists the other folder.
        click();
        QTRY_COMPARE(listedFolder(*player_), music_ + "/sub/");
    }

    // The next start lists the folder listed last, or the home folder when it has gone.
    void theNextStartListsTheLastFolder() {
        listFolder(music_);
        QCOMPARE(QString::fromStdString(AppSettings::lastFolder), music_ + "/");
        for (const QString& last : {music_, home_.path() + "/gone"}) {
            AppSettings::lastFolder = last.toStdString();
            PlayerWindow next;
            next.setWindows(nullptr, confirm_.get(), nullptr, nullptr);
            next.show();
            QVERIFY(QTest::qWaitForWindowExposed(&next));
            QTRY_COMPARE(listedFolder(next), last == music_ ? music_ + "/" : home_.path() + "/");
        }
    }

    void aDroppedFolderOrFileIsShown() {
        QVERIFY(dropPaths(list()->viewport(), {music_ + "/c.Wma"}));
        QTRY_COMPARE(listedFolder(*player_), music_ + "/");
        QTRY_COMPARE(list()->currentIndex().siblingAtColumn(0).data().toString(), QString("c.Wma"));
        QVERIFY(dropPaths(list()->viewport(), {home_.path()}));
        QTRY_COMPARE(listedFolder(*player_), home_.path() + "/");
    }

    // A folder picked while another is still being listed wins: its rows alone are shown.
    void anotherFolderPickedDuringAListingWins() {
        QTemporaryDir big, small;
        for (int i = 0; i < 300; ++i)
            writeBytes(big.path() + QString("/%1.wav").arg(i, 3, 10, QChar('0')), 50);
        writeBytes(small.path() + "/only.mp3", 50);
        QVERIFY(player_->showPath(big.path()));
        QVERIFY(player_->showPath(small.path()));
        QTRY_COMPARE(listedFolder(*player_), small.path() + "/");
        QCOMPARE(rowNames(*player_), QStringList({"only.mp3"}));
        QTest::qWait(50); // a stale batch of the big folder would arrive now
        QCOMPARE(rowNames(*player_), QStringList({"only.mp3"}));
    }

    void presetsSetTheBarsAndSendTheBands() {
        auto* presets = ctl<QComboBox>("equalizerPresetBox");
        auto band = [this](int n) { return ctl<QSlider>(qPrintable(QString("tbEQ%1").arg(n + 1))); };
        presets->setCurrentText("Pop");
        QCOMPARE(band(0)->value(), -273);
        QCOMPARE(band(11)->value(), -3000);
        std::vector<float> bands = playback().equalizerBands();
        QCOMPARE(bands[0], 0.273f);
        QCOMPARE(bands[11], 3.0f);
        QCOMPARE(bands[5], 0.0f);
        // Each band names its frequency and shows its gain.
        QCOMPARE(band(0)->toolTip(), QString("32 Hz: 0.3 dB"));
        QCOMPARE(band(11)->toolTip(), QString("16 kHz: 3.0 dB"));

        // Dragging a band makes the settings "Custom"; choosing "Custom" later brings them back.
        emit band(4)->sliderPressed();
        band(4)->setValue(-7000);
        emit band(4)->sliderReleased();
        QCOMPARE(presets->currentText(), QString("Custom"));
        QCOMPARE(playback().equalizerBands()[4], 7.0f);
        presets->setCurrentText("Flat");
        for (int n = 0; n < 12; ++n)
            QCOMPARE(band(n)->value(), 0);
        const std::vector<float> flat = playback().equalizerBands();
        QVERIFY(std::all_of(flat.begin(), flat.end(), [](float b) { return b == 0.0f; }));
        presets->setCurrentText("Custom");
        QCOMPARE(band(4)->value(), -7000);
        QCOMPARE(band(0)->value(), -273);

        QTest::mouseClick(ctl<QPushButton>("equalizerButton"), Qt::LeftButton);
        QVERIFY(!playback().equalizerEnabled());
        QVERIFY(!ctl<QPushButton>("equalizerButton")->isChecked());
        QTest::mouseClick(ctl<QPushButton>("equalizerButton"), Qt::LeftButton);
        QVERIFY(playback().equalizerEnabled());
    }

    void volumeBarAndMute() {
        auto* volume = ctl<QSlider>("volumeSlider");
        volume->setValue(0);
        QCOMPARE(playback().volume(), 65535);
        volume->setValue(65535);
        QCOMPARE(playback().volume(), 0);
        // The desktop's media controls set the volume too; the bar follows.
        playback().setVolume(32768);
        QCOMPARE(volume->value(), 65535 - 32768);
        QTest::mouseClick(ctl<QPushButton>("muteButton"), Qt::LeftButton);
        QVERIFY(playback().muted());
        QVERIFY(ctl<QPushButton>("muteButton")->isChecked());
        QTest::mouseClick(ctl<QPushButton>("muteButton"), Qt::LeftButton);
        QVERIFY(!playback().muted());
    }

    void levelDisplayFollowsWhatPlays() {
        listFolder(music_);
        ctl<QSlider>("volumeSlider")->setValue(0); // full volume
        selectRow("b.mp3");
        player_->play();
        auto* display = ctl<LevelDisplay>("AD");
        QTRY_VERIFY_WITH_TIMEOUT(*std::max_element(display->levels().begin(), display->levels().end()) > 0.3f, 3000);
        QTest::qWait(600);
        // Under Xvfb the picture of the playing window is kept for the documentation.
        if (const QByteArray folder = qgetenv("ZELVO_SCREENSHOT_DIR"); !folder.isEmpty())
            QVERIFY(player_->grab().save(QString::fromUtf8(folder) + "/player.png"));
        player_->stop();
        const auto& levels = display->levels();
        QVERIFY(std::all_of(levels.begin(), levels.end(), [](float level) { return level == 0.0f; }));
    }

    void cutterWithoutASelectionAsksForAFile() {
        list()->clearSelection();
        QString message;
        answerNextDialog(&message);
        QTest::mouseClick(ctl<QPushButton>("cutterButton"), Qt::LeftButton);
        QCOMPARE(message, QString("Please select an audio file"));
    }
};

QTEST_MAIN(PlayerWindowTest)
#include "PlayerWindowTest.moc"
