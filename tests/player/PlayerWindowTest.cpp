#include <QComboBox>

#include "LevelDisplay.h"
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QSlider>
#include <QTemporaryDir>
#include <QTimer>
#include <QTreeWidget>
#include <QtTest>

#include "AudioFixtures.h"
#include "EngineEvents.h"
#include "ConfirmDialog.h"
#include "FolderTree.h"
#include "AppSettings.h"
#include "PlayerWindow.h"

namespace {

QString Row(const TfrmPlayer& player, int row) {
    const QTreeWidgetItem* item = player.lvPlayList->topLevelItem(row);
    QStringList cells;
    for (int column = 0; column < 5; ++column)
        cells << item->text(column);
    return cells.join('|');
}

QStringList Names(const TfrmPlayer& player) {
    QStringList names;
    for (int row = 0; row < player.RowCount(); ++row)
        names << player.RowFileName(row);
    return names;
}

void WriteBytes(const QString& path, qint64 size) {
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(QByteArray(size, 'x'));
}

// Answers the next modal dialog by clicking its button, and keeps its text.
void AnswerNextDialog(QString* text) {
    QTimer::singleShot(50, [text] {
        if (auto* dialog = qobject_cast<TfrmConfirm*>(QApplication::activeModalWidget())) {
            *text = dialog->Label1->text();
            dialog->suiButton2->click();
        }
    });
}

} // namespace

class PlayerTest : public QObject {
    Q_OBJECT

private:
    QTemporaryDir home_;
    QString music_;
    std::unique_ptr<TfrmConfirm> confirm_;
    std::unique_ptr<TfrmPlayer> player_;

    void ListFolder(const QString& folder) {
        QVERIFY(player_->STV->SelectPath(folder));
        player_->STVClick();
        QCOMPARE(player_->CurrentFolder, folder + "/");
    }

    void SelectRow(const QString& name) {
        const int row = player_->FindRow(name);
        QVERIFY(row >= 0);
        player_->lvPlayList->setCurrentItem(player_->lvPlayList->topLevelItem(row));
    }

private slots:
    void initTestCase() {
        qputenv("HOME", home_.path().toUtf8());
        qputenv("XDG_CONFIG_HOME", (home_.path() + "/.config").toUtf8());
        qputenv("SDL_AUDIODRIVER", "dummy");
        RouteEngineEventsToTheWindows();
        music_ = home_.path() + "/music";
        QDir().mkpath(music_ + "/e.wav");
        MakeTone((music_ + "/a.MP3").toStdString(), 2.5, 44100, 2, "-c:a libmp3lame");
        MakeTone((music_ + "/b.mp3").toStdString(), 62, 22050, 1, "-c:a libmp3lame -b:a 32k");
        MakeTone((music_ + "/c.Wma").toStdString(), 1.2, 44100, 2, "-c:a wmav2");
        MakeTone((music_ + "/.hidden.wav").toStdString(), 3.1, 8000, 1, "-c:a pcm_s16le");
        MakeTone((music_ + "/locked.ogg").toStdString(), 4, 44100, 2, "-c:a libvorbis");
        QFile::setPermissions(music_ + "/locked.ogg", QFile::ReadOwner | QFile::ReadGroup);
        WriteBytes(music_ + "/d.txt", 10);
        WriteBytes(music_ + "/broken.mp3", 9728);
        confirm_ = std::make_unique<TfrmConfirm>();
        player_ = std::make_unique<TfrmPlayer>();
        player_->SetWindows(nullptr, confirm_.get(), nullptr, nullptr);
        player_->show();
        QVERIFY(QTest::qWaitForWindowExposed(player_.get()));
        // The first showing lists the home folder.
        QCOMPARE(player_->CurrentFolder, home_.path() + "/");
        QVERIFY(GlobeVar::SettingsFolder.find(home_.path().toStdString()) == 0);
    }

    void listsTheFoldersAudioFilesWithFormatDurationAndSize() {
        ListFolder(music_);
        QCOMPARE(Names(*player_), QStringList({".hidden.wav", "a.MP3", "b.mp3", "broken.mp3", "c.Wma", "locked.ogg"}));
        QCOMPARE(Row(*player_, 1),
                 QString("a.MP3|MP3|00 : 00 : 02|%1| ")
                     .arg(QString::fromStdString(GlobeVar::FormatFileSize(QFileInfo(music_ + "/a.MP3").size()))));
        QCOMPARE(player_->lvPlayList->topLevelItem(2)->text(TfrmPlayer::ColDuration), QString("00 : 01 : 02"));
        QCOMPARE(player_->lvPlayList->topLevelItem(0)->text(TfrmPlayer::ColDuration), QString("00 : 00 : 03"));
        // A file that is not what its name says is listed all the same.
        QCOMPARE(Row(*player_, 3), QString("broken.mp3|MP3|00 : 00 : 00|   9.5 KB| "));
        QCOMPARE(player_->lvPlayList->topLevelItem(4)->text(TfrmPlayer::ColFormat), QString("WMA"));
        QVERIFY(!player_->Listing);

        // Clicking a row shows its format.
        SelectRow("a.MP3");
        emit player_->lvPlayList->itemClicked(player_->lvPlayList->currentItem(), 0);
        QCOMPARE(player_->Label1->text(), QString("MPEG Layer 3, 44100 Hz, Stereo, 128 kbps"));
    }

    void sortsByEachColumnWithSizesByUnit() {
        QTemporaryDir folder;
        const qint64 sizes[] = {524288, 1572864, 9728, 100};
        const char* names[] = {"w.mp3", "x.wav", "y.ogg", "z.wma"};
        for (int i = 0; i < 4; ++i)
            WriteBytes(folder.path() + "/" + names[i], sizes[i]);
        ListFolder(folder.path());
        struct Case {
            int column;
            QStringList order;
        };
        const Case cases[] = {{TfrmPlayer::ColSize, {"z.wma", "y.ogg", "w.mp3", "x.wav"}},
                              {TfrmPlayer::ColFormat, {"w.mp3", "y.ogg", "x.wav", "z.wma"}},
                              {TfrmPlayer::ColName, {"w.mp3", "x.wav", "y.ogg", "z.wma"}}};
        for (const auto& c : cases) {
            player_->SortColumn = c.column;
            player_->SortPlayList();
            QCOMPARE(Names(*player_), c.order);
        }
        QCOMPARE(player_->lvPlayList->topLevelItem(0)->text(TfrmPlayer::ColSize), QString(" 512 KB"));
    }

    void playPauseSeekAndStopDriveThePlayer() {
        ListFolder(music_);
        SelectRow("b.mp3");
        player_->btnPlayClick();
        const int row = player_->FindRow("b.mp3");
        QCOMPARE(player_->PlayingRow, row);
        QCOMPARE(player_->RowMarker(row), TfrmPlayer::MarkerPlaying);
        QCOMPARE(player_->lvPlayList->topLevelItem(row)->background(0).color(), QColor(0xCC, 0xFF, 0xDD));
        QVERIFY(player_->tbPlaybackProgress->isEnabled());
        QTRY_VERIFY_WITH_TIMEOUT(player_->lvPlayList->topLevelItem(row)->text(4).startsWith("Playing 00 : 00 : 0"),
                                 3000);
        QTRY_VERIFY_WITH_TIMEOUT(player_->tbPlaybackProgress->value() > 0, 3000);

        // Pause keeps the place; a second pause resumes from it.
        player_->btnPauseClick();
        QVERIFY(player_->Paused);
        const int64_t base = player_->PlayBase;
        QVERIFY(base > 0);
        QTest::qWait(200);
        QCOMPARE(player_->PlayBase, base);
        player_->btnPauseClick();
        QVERIFY(!player_->Paused);

        // Seeking to the middle on release of the bar.
        player_->tbPlaybackProgress->setValue(500);
        player_->tbPlaybackProgressMouseUp();
        QCOMPARE(player_->PlayBase, player_->AF.GetTotalSamples() / 2);
        QTRY_VERIFY_WITH_TIMEOUT(player_->tbPlaybackProgress->value() > 500, 3000);

        // Sorting moves the row; the marker, status and colour move with it.
        player_->SortColumn = TfrmPlayer::ColSize;
        player_->SortPlayList();
        const int moved = player_->FindRow("b.mp3");
        QVERIFY(moved != row);
        QCOMPARE(player_->PlayingRow, moved);
        QCOMPARE(player_->lvPlayList->topLevelItem(moved)->background(0).color(), QColor(0xCC, 0xFF, 0xDD));
        QTRY_VERIFY(player_->lvPlayList->topLevelItem(moved)->text(4).startsWith("Playing"));

        // A new listing of the same folder keeps the playing row.
        player_->RefreshPlayList();
        QCOMPARE(player_->PlayingRow, player_->FindRow("b.mp3"));
        QCOMPARE(player_->RowMarker(player_->PlayingRow), TfrmPlayer::MarkerPlaying);

        player_->btnStopClick();
        QCOMPARE(player_->PlayingRow, -1);
        const int stopped = player_->FindRow("b.mp3");
        QCOMPARE(player_->RowMarker(stopped), TfrmPlayer::MarkerIdle);
        QCOMPARE(player_->lvPlayList->topLevelItem(stopped)->text(4), QString());
        QCOMPARE(player_->lvPlayList->topLevelItem(stopped)->background(0).color(), QColor(Qt::white));
        QVERIFY(!player_->tbPlaybackProgress->isEnabled());
    }

    void fileThatCannotPlayReturnsItsRowToIdle() {
        ListFolder(music_);
        SelectRow("broken.mp3");
        player_->btnPlayClick();
        QCOMPARE(player_->PlayingRow, -1);
        QCOMPARE(player_->RowMarker(player_->FindRow("broken.mp3")), TfrmPlayer::MarkerIdle);
    }

    void folderChangeIsRefusedWhilePlaying() {
        ListFolder(music_);
        SelectRow("a.MP3");
        player_->btnPlayClick();
        QVERIFY(player_->PlayingRow >= 0);
        // A click on another folder of the tree: a sub-folder of the listed one, whose
        // place in the tree nothing else changes.
        QDir().mkpath(music_ + "/sub");
        player_->STV->expand(player_->STV->IndexOf(music_));
        QModelIndex other;
        QTRY_VERIFY((other = player_->STV->IndexOf(music_ + "/sub")).isValid() &&
                    player_->STV->visualRect(other).isValid());
        QTest::qWait(200); // the tree's rows settle
        player_->STV->scrollTo(other);
        QString message;
        AnswerNextDialog(&message);
        // Rows of the tree come and go as it reads folders: the place is found anew for each click.
        auto click = [this] {
            const QModelIndex sub = player_->STV->IndexOf(music_ + "/sub");
            QTest::mouseClick(player_->STV->viewport(), Qt::LeftButton, {}, player_->STV->visualRect(sub).center());
        };
        click();
        QCOMPARE(message, QString("You will not be able to change folder while playing or converting."));
        QCOMPARE(player_->STV->SelectedPath(), music_ + "/");
        QCOMPARE(player_->CurrentFolder, music_ + "/");
        QVERIFY(player_->PlayingRow >= 0);
        player_->btnStopClick();
        // Once nothing plays, the same click lists the other folder.
        click();
        QCOMPARE(player_->CurrentFolder, music_ + "/sub/");
    }

    void anotherFolderPickedDuringAListingWins() {
        QTemporaryDir big, small;
        for (int i = 0; i < 300; ++i)
            WriteBytes(big.path() + QString("/%1.wav").arg(i, 3, 10, QChar('0')), 50);
        WriteBytes(small.path() + "/only.mp3", 50);
        bool sawListing = false;
        QTimer::singleShot(0, player_.get(), [&] {
            sawListing = player_->Listing;
            player_->STV->SelectPath(small.path());
            player_->STVClick();
        });
        // Selecting the big folder starts its listing, which the timer interrupts.
        QVERIFY(player_->STV->SelectPath(big.path()));
        QVERIFY(sawListing);
        QCOMPARE(player_->CurrentFolder, small.path() + "/");
        QCOMPARE(Names(*player_), QStringList({"only.mp3"}));
        QVERIFY(!player_->Listing);
        QVERIFY(!player_->ListingRestart);
    }

    void presetsSetTheBarsAndSendTheBands() {
        player_->comboxEQMode->setCurrentText("Pop");
        QCOMPARE(player_->tbEQ[0]->value(), -273);
        QCOMPARE(player_->tbEQ[11]->value(), -3000);
        std::vector<float> bands = player_->AP.GetEqualizerBands();
        QCOMPARE(bands[0], 0.273f);
        QCOMPARE(bands[11], 3.0f);
        QCOMPARE(bands[5], 0.0f);

        // Dragging a band makes the settings "Custom"; choosing "Custom" later brings them back.
        emit player_->tbEQ[4]->sliderPressed();
        player_->tbEQ[4]->setValue(-7000);
        emit player_->tbEQ[4]->sliderReleased();
        QCOMPARE(player_->comboxEQMode->currentText(), QString("Custom"));
        QCOMPARE(player_->AP.GetEqualizerBands()[4], 7.0f);
        player_->comboxEQMode->setCurrentText("Flat");
        for (QSlider* band : player_->tbEQ)
            QCOMPARE(band->value(), 0);
        const std::vector<float> flat = player_->AP.GetEqualizerBands();
        QVERIFY(std::all_of(flat.begin(), flat.end(), [](float b) { return b == 0.0f; }));
        player_->comboxEQMode->setCurrentText("Custom");
        QCOMPARE(player_->tbEQ[4]->value(), -7000);
        QCOMPARE(player_->tbEQ[0]->value(), -273);

        player_->btnUseEQClick();
        QVERIFY(!player_->AP.GetEqualizerEnabled());
        player_->btnUseEQClick();
        QVERIFY(player_->AP.GetEqualizerEnabled());
    }

    void volumeBarAndMute() {
        player_->tbPlaybackVolume->setValue(0);
        QCOMPARE(player_->AP.GetVolume(), 65535);
        player_->tbPlaybackVolume->setValue(65535);
        QCOMPARE(player_->AP.GetVolume(), 0);
        player_->btnMuteClick();
        QVERIFY(player_->AP.GetMute());
        player_->btnMuteClick();
        QVERIFY(!player_->AP.GetMute());
    }

    void levelDisplayFollowsWhatPlays() {
        ListFolder(music_);
        player_->tbPlaybackVolume->setValue(0); // full volume
        SelectRow("b.mp3");
        player_->btnPlayClick();
        QTRY_VERIFY_WITH_TIMEOUT(*std::max_element(player_->AD->Levels().begin(), player_->AD->Levels().end()) > 0.3f,
                                 3000);
        QTest::qWait(600);
        // Under Xvfb the picture of the playing window is kept for the documentation.
        if (const QByteArray folder = qgetenv("ZELVO_SCREENSHOT_DIR"); !folder.isEmpty())
            QVERIFY(player_->grab().save(QString::fromUtf8(folder) + "/player.png"));
        player_->btnStopClick();
        const auto& levels = player_->AD->Levels();
        QVERIFY(std::all_of(levels.begin(), levels.end(), [](float level) { return level == 0.0f; }));
    }

    void cutterWithoutASelectionAsksForAFile() {
        player_->lvPlayList->clearSelection();
        QString message;
        AnswerNextDialog(&message);
        player_->btnSplitterClick();
        QCOMPARE(message, QString("Please select an audio file"));
    }
};

QTEST_MAIN(PlayerTest)
#include "PlayerWindowTest.moc"
