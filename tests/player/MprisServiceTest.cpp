#include <QDeadlineTimer>
#include <QDir>
#include <QProcess>
#include <QSlider>
#include <QTemporaryDir>
#include <QTreeWidget>
#include <QtTest>

#include "AudioFixtures.h"
#include "ConfirmDialog.h"
#include "EngineEvents.h"
#include "FolderTree.h"
#include "MprisService.h"
#include "PlayerWindow.h"

// The player driven the way media keys and playerctl drive it: by another program on a
// session bus of the test's own.
class MprisServiceTest : public QObject {
    Q_OBJECT

private:
    QTemporaryDir home_;
    QProcess bus_;
    QString address_;
    std::unique_ptr<ConfirmDialog> confirm_;
    std::unique_ptr<PlayerWindow> player_;
    std::unique_ptr<MprisService> service_;

    // dbus-send's reply to a call on the player's object (run beside the event loop,
    // which answers it).
    QString call(const QStringList& arguments) {
        QProcess send;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("DBUS_SESSION_BUS_ADDRESS", address_);
        send.setProcessEnvironment(env);
        send.start("dbus-send", QStringList{"--session", "--print-reply",
                                            "--dest=" + QString(MprisService::ServiceName), "/org/mpris/MediaPlayer2"} +
                                    arguments);
        const QDeadlineTimer deadline(10000);
        while (send.state() != QProcess::NotRunning && !deadline.hasExpired())
            QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        return QString::fromUtf8(send.readAllStandardOutput() + send.readAllStandardError());
    }
    QString property(const QString& interface, const QString& name) {
        return call({"org.freedesktop.DBus.Properties.Get", "string:" + interface, "string:" + name});
    }
    QString status() { return property("org.mpris.MediaPlayer2.Player", "PlaybackStatus"); }
    void player(const QString& method, const QStringList& arguments = {}) {
        call(QStringList{"org.mpris.MediaPlayer2.Player." + method} + arguments);
    }

private slots:
    void initTestCase() {
        qputenv("SDL_AUDIODRIVER", "dummy");
        qputenv("HOME", home_.path().toUtf8());
        qputenv("XDG_RUNTIME_DIR", home_.path().toUtf8());
        routeEngineEventsToTheWindows();
        bus_.start("dbus-daemon", {"--session", "--nofork", "--print-address=1"});
        QVERIFY(bus_.waitForStarted());
        QTRY_VERIFY(bus_.canReadLine());
        address_ = QString::fromUtf8(bus_.readLine()).trimmed();
        qputenv("DBUS_SESSION_BUS_ADDRESS", address_.toUtf8());

        const QString music = home_.path() + "/music";
        QVERIFY(QDir().mkpath(music));
        makeTone((music + "/a.wav").toStdString(), 30, 44100, 2, "-c:a pcm_s16le -metadata title=Alpha");
        makeTone((music + "/b.mp3").toStdString(), 30, 44100, 2, "-c:a libmp3lame -metadata artist=Band");
        confirm_ = std::make_unique<ConfirmDialog>();
        player_ = std::make_unique<PlayerWindow>();
        player_->setWindows(nullptr, confirm_.get(), nullptr, nullptr);
        player_->show();
        QVERIFY(QTest::qWaitForWindowExposed(player_.get()));
        QVERIFY(player_->folderTree_->selectPath(music));
        player_->listSelectedFolder();
        service_ = std::make_unique<MprisService>(*player_);
        QVERIFY(service_->isRegistered());
    }

    void cleanupTestCase() {
        service_.reset();
        player_.reset();
        bus_.kill();
        bus_.waitForFinished();
    }

    void playPauseNextPreviousAndStop() {
        QVERIFY(property("org.mpris.MediaPlayer2", "Identity").contains("Zelvo MP3 Zovozu Darozu"));
        QVERIFY(status().contains("Stopped"));
        player_->playList_->setCurrentItem(player_->playList_->topLevelItem(0));
        player("PlayPause");
        QTRY_COMPARE(player_->playingRow_, 0);
        QVERIFY(status().contains("Playing"));
        const QString metadata = property("org.mpris.MediaPlayer2.Player", "Metadata");
        QVERIFY2(metadata.contains("Alpha") && metadata.contains("mpris:length"), qPrintable(metadata));
        player("Next");
        QTRY_COMPARE(player_->playingRow_, 1);
        QVERIFY(property("org.mpris.MediaPlayer2.Player", "Metadata").contains("Band"));
        player("Previous");
        QTRY_COMPARE(player_->playingRow_, 0);
        player("Pause");
        QTRY_VERIFY(player_->paused_);
        QVERIFY(status().contains("Paused"));
        player("Play");
        QTRY_VERIFY(!player_->paused_);
        player("Stop");
        QTRY_COMPARE(player_->playingRow_, -1);
        QVERIFY(status().contains("Stopped"));
    }

    void seekAndVolume() {
        player_->playList_->setCurrentItem(player_->playList_->topLevelItem(0));
        player("Play");
        QTRY_COMPARE(player_->playingRow_, 0);
        player("SetPosition", {"objpath:/org/zelvo/mp3/track/0", "int64:20000000"});
        QTRY_VERIFY(service_->positionUs() >= 20000000);
        QVERIFY(service_->positionUs() < 25000000);
        call({"org.freedesktop.DBus.Properties.Set", "string:org.mpris.MediaPlayer2.Player", "string:Volume",
              "variant:double:0.25"});
        QTRY_COMPARE(player_->volumeSlider_->value(), 65535 - 16384);
        QVERIFY(property("org.mpris.MediaPlayer2.Player", "Volume").contains("0.25"));
        player("Stop");
        QTRY_COMPARE(player_->playingRow_, -1);
    }
};

QTEST_MAIN(MprisServiceTest)
#include "MprisServiceTest.moc"
