#include <sys/stat.h>

#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QSlider>
#include <QTemporaryDir>
#include <QTimer>
#include <QTreeWidget>
#include <QLineEdit>
#include <QtTest>

#include "AudioFixtures.h"
#include "Drops.h"
#include "EngineEvents.h"
#include "ConfirmDialog.h"
#include "FolderTree.h"
#include "LevelDisplay.h"
#include "AppSettings.h"
#include "PlayerWindow.h"

namespace {

QString row(const PlayerWindow& player, int row) {
    const QTreeWidgetItem* item = player.playList_->topLevelItem(row);
    QStringList cells;
    for (int column = 0; column < 5; ++column)
        cells << item->text(column);
    return cells.join('|');
}

QStringList rowNames(const PlayerWindow& player) {
    QStringList names;
    for (int row = 0; row < player.rowCount(); ++row)
        names << player.rowFileName(row);
    return names;
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
            dialog->noButton_->click();
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

    void listFolder(const QString& folder) {
        QVERIFY(player_->folderTree_->selectPath(folder));
        player_->listSelectedFolder();
        QCOMPARE(player_->currentFolder_, folder + "/");
    }

    void selectRow(const QString& name) {
        const int row = player_->findRow(name);
        QVERIFY(row >= 0);
        player_->playList_->setCurrentItem(player_->playList_->topLevelItem(row));
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
        QCOMPARE(player_->currentFolder_, home_.path() + "/");
        QVERIFY(AppSettings::settingsFolder.find(home_.path().toStdString()) == 0);
    }

    // The sign buttons show icons; what they do stays as tooltip and accessible name.
    void signButtonsShowIconsAndKeepTheirMeaning() {
        const std::pair<QPushButton*, QString> buttons[] = {{player_->playButton_, "Play the selected file"},
                                                            {player_->stopButton_, "Stop playing"},
                                                            {player_->pauseButton_, "Pause playing"},
                                                            {player_->mailButton_, "Share selected file by email"},
                                                            {player_->equalizerModeButton_, "Select EQ mode"}};
        for (const auto& [button, meaning] : buttons) {
            QVERIFY2(!button->icon().isNull(), qPrintable(meaning));
            QVERIFY(button->text().isEmpty());
            QCOMPARE(button->toolTip(), meaning);
            QCOMPARE(button->accessibleName(), meaning);
        }
        // The window is closed from the desktop's frame: no button of its own does it.
        for (QPushButton* button : player_->findChildren<QPushButton*>())
            QVERIFY2(button->text() != "x", qPrintable(button->objectName()));
    }

    void listsTheFoldersAudioFilesWithFormatDurationAndSize() {
        listFolder(music_);
        QCOMPARE(rowNames(*player_),
                 QStringList({".hidden.wav", "a.MP3", "b.mp3", "broken.mp3", "c.Wma", "locked.ogg"}));
        QCOMPARE(row(*player_, 1),
                 QString("a.MP3|MP3|00 : 00 : 02|%1| ")
                     .arg(QString::fromStdString(AppSettings::formatFileSize(QFileInfo(music_ + "/a.MP3").size()))));
        QCOMPARE(player_->playList_->topLevelItem(2)->text(PlayerWindow::ColDuration), QString("00 : 01 : 02"));
        QCOMPARE(player_->playList_->topLevelItem(0)->text(PlayerWindow::ColDuration), QString("00 : 00 : 03"));
        // A file that is not what its name says is listed all the same.
        QCOMPARE(row(*player_, 3), QString("broken.mp3|MP3|00 : 00 : 00|   9.5 KB| "));
        QCOMPARE(player_->playList_->topLevelItem(4)->text(PlayerWindow::ColFormat), QString("WMA"));
        QVERIFY(!player_->listing_);

        // Clicking a row shows its format.
        selectRow("a.MP3");
        emit player_->playList_->itemClicked(player_->playList_->currentItem(), 0);
        QCOMPARE(player_->fileInfoLabel_->text(), QString("MPEG Layer 3, 44100 Hz, Stereo, 128 kbps"));

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
            formats << player_->playList_->topLevelItem(i)->text(PlayerWindow::ColFormat);
            QCOMPARE(player_->playList_->topLevelItem(i)->text(PlayerWindow::ColDuration), QString("00 : 00 : 03"));
        }
        QCOMPARE(formats, QStringList({"FLAC", "M4A", "OPUS", "AIFF"}));
    }

    void sortsByEachColumnWithSizesByUnit() {
        QTemporaryDir folder;
        const qint64 sizes[] = {524288, 1572864, 9728, 100};
        const char* names[] = {"w.mp3", "x.wav", "y.ogg", "z.wma"};
        for (int i = 0; i < 4; ++i)
            writeBytes(folder.path() + "/" + names[i], sizes[i]);
        listFolder(folder.path());
        struct Case {
            int column;
            QStringList order;
        };
        const Case cases[] = {{PlayerWindow::ColSize, {"z.wma", "y.ogg", "w.mp3", "x.wav"}},
                              {PlayerWindow::ColFormat, {"w.mp3", "y.ogg", "x.wav", "z.wma"}},
                              {PlayerWindow::ColName, {"w.mp3", "x.wav", "y.ogg", "z.wma"}}};
        for (const auto& c : cases) {
            player_->sortColumn_ = c.column;
            player_->sortPlayList();
            QCOMPARE(rowNames(*player_), c.order);
        }
        QCOMPARE(player_->playList_->topLevelItem(0)->text(PlayerWindow::ColSize), QString(" 512 KB"));
    }

    // In the list Enter and a double click play the row, Space pauses and resumes (and
    // plays when nothing is playing), F2 opens the name for editing and Delete asks first;
    // every control is reached with Tab.
    void theKeyboardPlaysPausesRenamesAndDeletes() {
        listFolder(music_);
        player_->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(player_.get()));
        QTreeWidget* list = player_->playList_;
        list->setFocus();
        selectRow("a.MP3");
        QTest::keyClick(list, Qt::Key_Return);
        QCOMPARE(player_->playingRow_, player_->findRow("a.MP3"));
        QTest::keyClick(list, Qt::Key_Space);
        QVERIFY(player_->paused_);
        QTest::keyClick(list, Qt::Key_Space);
        QVERIFY(!player_->paused_);
        player_->stop();
        QTest::keyClick(list, Qt::Key_Space); // nothing playing: plays the selected row
        QCOMPARE(player_->playingRow_, player_->findRow("a.MP3"));
        // The media keys, where they come to the window (keys without a text of their own).
        auto mediaKey = [list](Qt::Key key) {
            QTest::sendKeyEvent(QTest::Press, list, key, QString(), Qt::NoModifier);
            QTest::sendKeyEvent(QTest::Release, list, key, QString(), Qt::NoModifier);
        };
        mediaKey(Qt::Key_MediaTogglePlayPause);
        QVERIFY(player_->paused_);
        mediaKey(Qt::Key_MediaPlay);
        QVERIFY(!player_->paused_);
        mediaKey(Qt::Key_MediaStop);
        QCOMPARE(player_->playingRow_, -1);
        QTreeWidgetItem* c = list->topLevelItem(player_->findRow("c.Wma"));
        // A double click as the desktop delivers it: a press and release, then the second press.
        const QPoint onC = list->visualItemRect(c).center();
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, onC);
        QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, onC);
        QCOMPARE(player_->playingRow_, player_->findRow("c.Wma"));
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
        for (QWidget* control : std::initializer_list<QWidget*>{player_->playButton_, player_->volumeSlider_,
                                                                player_->folderTree_, list, player_->cutterButton_})
            QVERIFY2(reached.contains(control), qPrintable(control->objectName()));
    }

    void playPauseSeekAndStopDriveThePlayer() {
        listFolder(music_);
        selectRow("b.mp3");
        player_->play();
        const int row = player_->findRow("b.mp3");
        QCOMPARE(player_->playingRow_, row);
        QCOMPARE(player_->rowMarker(row), PlayerWindow::markerPlaying);
        QVERIFY(player_->playList_->topLevelItem(row)->font(0).bold()); // in the theme's colours
        QCOMPARE(player_->playList_->topLevelItem(row)->background(0).style(), Qt::NoBrush);
        QVERIFY(player_->progressSlider_->isEnabled());
        QTRY_VERIFY_WITH_TIMEOUT(player_->playList_->topLevelItem(row)->text(4).startsWith("Playing 00 : 00 : 0"),
                                 3000);
        QTRY_VERIFY_WITH_TIMEOUT(player_->progressSlider_->value() > 0, 3000);

        // Pause keeps the place; a second pause resumes from it.
        player_->pause();
        QVERIFY(player_->paused_);
        const int64_t base = player_->playBase_;
        QVERIFY(base > 0);
        QTest::qWait(200);
        QCOMPARE(player_->playBase_, base);
        player_->pause();
        QVERIFY(!player_->paused_);

        // Seeking to the middle on release of the bar.
        player_->progressSlider_->setValue(500);
        player_->seekToReleasedPosition();
        QCOMPARE(player_->playBase_, player_->file_.totalFrames() / 2);
        QTRY_VERIFY_WITH_TIMEOUT(player_->progressSlider_->value() > 500, 3000);

        // Sorting moves the row; the marker, status and colour move with it.
        player_->sortColumn_ = PlayerWindow::ColSize;
        player_->sortPlayList();
        const int moved = player_->findRow("b.mp3");
        QVERIFY(moved != row);
        QCOMPARE(player_->playingRow_, moved);
        QVERIFY(player_->playList_->topLevelItem(moved)->font(0).bold());
        QTRY_VERIFY(player_->playList_->topLevelItem(moved)->text(4).startsWith("Playing"));

        // A new listing of the same folder keeps the playing row.
        player_->refreshPlayList();
        QCOMPARE(player_->playingRow_, player_->findRow("b.mp3"));
        QCOMPARE(player_->rowMarker(player_->playingRow_), PlayerWindow::markerPlaying);

        player_->stop();
        QCOMPARE(player_->playingRow_, -1);
        const int stopped = player_->findRow("b.mp3");
        QCOMPARE(player_->rowMarker(stopped), PlayerWindow::MarkerIdle);
        QCOMPARE(player_->playList_->topLevelItem(stopped)->text(4), QString());
        QVERIFY(!player_->playList_->topLevelItem(stopped)->font(0).bold());
        QVERIFY(!player_->progressSlider_->isEnabled());
    }

    void fileThatCannotPlayReturnsItsRowToIdle() {
        listFolder(music_);
        selectRow("broken.mp3");
        player_->play();
        QCOMPARE(player_->playingRow_, -1);
        QCOMPARE(player_->rowMarker(player_->findRow("broken.mp3")), PlayerWindow::MarkerIdle);
    }

    void folderChangeIsRefusedWhilePlaying() {
        listFolder(music_);
        selectRow("a.MP3");
        player_->play();
        QVERIFY(player_->playingRow_ >= 0);
        // A click on another folder of the tree: a sub-folder of the listed one, whose
        // place in the tree nothing else changes.
        QDir().mkpath(music_ + "/sub");
        player_->folderTree_->expand(player_->folderTree_->indexOf(music_));
        QModelIndex other;
        QTRY_VERIFY((other = player_->folderTree_->indexOf(music_ + "/sub")).isValid() &&
                    player_->folderTree_->visualRect(other).isValid());
        QString message;
        answerNextDialog(&message);
        // Rows of the tree come and go as it reads folders: the place is found anew for each
        // click, and no event runs between finding it and clicking there.
        auto click = [this] {
            const QModelIndex sub = player_->folderTree_->indexOf(music_ + "/sub");
            player_->folderTree_->scrollTo(sub);
            QTest::mouseClick(player_->folderTree_->viewport(), Qt::LeftButton, {},
                              player_->folderTree_->visualRect(sub).center());
        };
        click();
        QCOMPARE(message, QString("You will not be able to change folder while playing or converting."));
        QCOMPARE(player_->folderTree_->selectedPath(), music_ + "/");
        QCOMPARE(player_->currentFolder_, music_ + "/");
        QVERIFY(player_->playingRow_ >= 0);
        // Keys that move the tree's row are refused the same way, and the row goes back.
        const QModelIndex listed = player_->folderTree_->indexOf(music_);
        for (int key : {Qt::Key_Down, Qt::Key_Up, Qt::Key_Right, Qt::Key_Left, Qt::Key_Left, Qt::Key_End, Qt::Key_S}) {
            answerNextDialog(&message);
            QTest::keyClick(player_->folderTree_, static_cast<Qt::Key>(key));
            QCOMPARE(player_->folderTree_->currentIndex(), listed);
            QCOMPARE(player_->folderTree_->selectedPath(), music_ + "/");
            QCOMPARE(player_->currentFolder_, music_ + "/");
        }
        player_->folderTree_->expand(listed);
        player_->stop();
        // Once nothing plays, the same click lists the other folder.
        click();
        QCOMPARE(player_->currentFolder_, music_ + "/sub/");
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
            QCOMPARE(next.currentFolder_, last == music_ ? music_ + "/" : home_.path() + "/");
        }
    }

    void aDroppedFolderOrFileIsShown() {
        QVERIFY(dropPaths(player_->playList_->viewport(), {music_ + "/c.Wma"}));
        QTRY_COMPARE(player_->currentFolder_, music_ + "/");
        QTRY_VERIFY(player_->playList_->currentItem() &&
                    player_->playList_->currentItem()->text(PlayerWindow::ColName) == "c.Wma");
        QVERIFY(dropPaths(player_->playList_->viewport(), {home_.path()}));
        QTRY_COMPARE(player_->currentFolder_, home_.path() + "/");
    }

    void anotherFolderPickedDuringAListingWins() {
        QTemporaryDir big, small;
        for (int i = 0; i < 300; ++i)
            writeBytes(big.path() + QString("/%1.wav").arg(i, 3, 10, QChar('0')), 50);
        writeBytes(small.path() + "/only.mp3", 50);
        bool sawListing = false;
        QTimer::singleShot(0, player_.get(), [&] {
            sawListing = player_->listing_;
            player_->folderTree_->selectPath(small.path());
            player_->listSelectedFolder();
        });
        // Selecting the big folder starts its listing, which the timer interrupts.
        QVERIFY(player_->folderTree_->selectPath(big.path()));
        QVERIFY(sawListing);
        QCOMPARE(player_->currentFolder_, small.path() + "/");
        QCOMPARE(rowNames(*player_), QStringList({"only.mp3"}));
        QVERIFY(!player_->listing_);
        QVERIFY(!player_->listingRestart_);
    }

    void presetsSetTheBarsAndSendTheBands() {
        player_->equalizerPresetBox_->setCurrentText("Pop");
        QCOMPARE(player_->equalizerSliders_[0]->value(), -273);
        QCOMPARE(player_->equalizerSliders_[11]->value(), -3000);
        std::vector<float> bands = player_->player_.equalizerBands();
        QCOMPARE(bands[0], 0.273f);
        QCOMPARE(bands[11], 3.0f);
        QCOMPARE(bands[5], 0.0f);

        // Dragging a band makes the settings "Custom"; choosing "Custom" later brings them back.
        emit player_->equalizerSliders_[4]->sliderPressed();
        player_->equalizerSliders_[4]->setValue(-7000);
        emit player_->equalizerSliders_[4]->sliderReleased();
        QCOMPARE(player_->equalizerPresetBox_->currentText(), QString("Custom"));
        QCOMPARE(player_->player_.equalizerBands()[4], 7.0f);
        player_->equalizerPresetBox_->setCurrentText("Flat");
        for (QSlider* band : player_->equalizerSliders_)
            QCOMPARE(band->value(), 0);
        const std::vector<float> flat = player_->player_.equalizerBands();
        QVERIFY(std::all_of(flat.begin(), flat.end(), [](float b) { return b == 0.0f; }));
        player_->equalizerPresetBox_->setCurrentText("Custom");
        QCOMPARE(player_->equalizerSliders_[4]->value(), -7000);
        QCOMPARE(player_->equalizerSliders_[0]->value(), -273);

        player_->toggleEqualizer();
        QVERIFY(!player_->player_.equalizerEnabled());
        player_->toggleEqualizer();
        QVERIFY(player_->player_.equalizerEnabled());
    }

    void volumeBarAndMute() {
        player_->volumeSlider_->setValue(0);
        QCOMPARE(player_->player_.volume(), 65535);
        player_->volumeSlider_->setValue(65535);
        QCOMPARE(player_->player_.volume(), 0);
        player_->toggleMute();
        QVERIFY(player_->player_.isMuted());
        player_->toggleMute();
        QVERIFY(!player_->player_.isMuted());
    }

    void levelDisplayFollowsWhatPlays() {
        listFolder(music_);
        player_->volumeSlider_->setValue(0); // full volume
        selectRow("b.mp3");
        player_->play();
        QTRY_VERIFY_WITH_TIMEOUT(
            *std::max_element(player_->levelDisplay_->levels().begin(), player_->levelDisplay_->levels().end()) > 0.3f,
            3000);
        QTest::qWait(600);
        // Under Xvfb the picture of the playing window is kept for the documentation.
        if (const QByteArray folder = qgetenv("ZELVO_SCREENSHOT_DIR"); !folder.isEmpty())
            QVERIFY(player_->grab().save(QString::fromUtf8(folder) + "/player.png"));
        player_->stop();
        const auto& levels = player_->levelDisplay_->levels();
        QVERIFY(std::all_of(levels.begin(), levels.end(), [](float level) { return level == 0.0f; }));
    }

    void cutterWithoutASelectionAsksForAFile() {
        player_->playList_->clearSelection();
        QString message;
        answerNextDialog(&message);
        player_->openCutter();
        QCOMPARE(message, QString("Please select an audio file"));
    }
};

QTEST_MAIN(PlayerWindowTest)
#include "PlayerWindowTest.moc"
