#include <QDeadlineTimer>
#include <QDir>
#include <QProcess>
#include <QSlider>
#include <QTemporaryDir>
#include <QTreeView>
#include <QtTest>

#include "AudioFixtures.h"
#include "ConfirmDialog.h"
#include "EngineEvents.h"
#include "FolderTree.h"
#include "MprisService.h"
#include "PlaybackController.h"
#include "WindowProbe.h"
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

    // What a program on the test's bus prints (run beside the event loop, which answers it).
    QString output(const QString& program, const QStringList& arguments, bool withErrors = false) {
        QProcess process;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("DBUS_SESSION_BUS_ADDRESS", address_);
        process.setProcessEnvironment(env);
        process.start(program, arguments);
        const QDeadlineTimer deadline(10000);
        while (process.state() != QProcess::NotRunning && !deadline.hasExpired())
            QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        return QString::fromUtf8(process.readAllStandardOutput() +
                                 (withErrors ? process.readAllStandardError() : QByteArray()));
    }
    // dbus-send's reply to a call on the player's object.
    QString call(const QStringList& arguments) {
        return output("dbus-send",
                      QStringList{"--session", "--print-reply", "--dest=" + QString(MprisService::ServiceName),
                                  "/org/mpris/MediaPlayer2"} +
                          arguments,
                      true);
    }
    // playerctl's output for a command to the player, as a user types it.
    QString playerctl(const QStringList& arguments) {
        return output("playerctl", QStringList{"--player=zelvo-mp3"} + arguments).trimmed();
    }
    QString property(const QString& interface, const QString& name) {
        return call({"org.freedesktop.DBus.Properties.Get", "string:" + interface, "string:" + name});
    }
    QString status() { return property("org.mpris.MediaPlayer2.Player", "PlaybackStatus"); }
    void player(const QString& method, const QStringList& arguments = {}) {
        call(QStringList{"org.mpris.MediaPlayer2.Player." + method} + arguments);
    }
    QTreeView* list() { return control<QTreeView>(*player_, "playList"); }
    void selectRow(int row) { list()->setCurrentIndex(list()->model()->index(row, 0)); }
    // The name of the file playing, "" when nothing plays.
    QString playing() {
        const PlaybackController& playback = player_->playback();
        return playback.isActive() ? playback.file().mid(playback.file().lastIndexOf('/') + 1) : QString();
    }
    bool paused() { return player_->playback().state() == PlaybackController::State::Paused; }

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
        QVERIFY(player_->showPath(music));
        QTRY_COMPARE(rowCount(list()), 2);
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
        selectRow(0);
        player("PlayPause");
        QTRY_COMPARE(playing(), QString("a.wav"));
        QVERIFY(status().contains("Playing"));
        const QString metadata = property("org.mpris.MediaPlayer2.Player", "Metadata");
        QVERIFY2(metadata.contains("Alpha") && metadata.contains("mpris:length"), qPrintable(metadata));
        player("Next");
        QTRY_COMPARE(playing(), QString("b.mp3"));
        QVERIFY(property("org.mpris.MediaPlayer2.Player", "Metadata").contains("Band"));
        player("Previous");
        QTRY_COMPARE(playing(), QString("a.wav"));
        player("Pause");
        QTRY_VERIFY(paused());
        QVERIFY(status().contains("Paused"));
        player("Play");
        QTRY_VERIFY(!paused());
        player("Stop");
        QTRY_COMPARE(playing(), QString());
        QVERIFY(status().contains("Stopped"));
    }

    // MPRIS 2's rules: SetPosition for another track or outside the track does nothing;
    // Seek saturates, past the end goes to the next track (the last one stops), before the
    // start goes to the start.
    void positionsFollowTheMprisRules() {
        selectRow(0);
        player("Play");
        QTRY_COMPARE(playing(), QString("a.wav"));
        const QString metadata = property("org.mpris.MediaPlayer2.Player", "Metadata");
        const QString track = metadata.mid(metadata.indexOf("/org/zelvo/mp3/track/")).section('"', 0, 0);
        player("SetPosition", {"objpath:" + track, "int64:10000000"});
        QTRY_VERIFY(service_->positionUs() >= 10000000);
        struct Ignored {
            QString track;
            const char* position;
        };
        for (const Ignored& c : {Ignored{"/org/zelvo/mp3/track/1", "int64:20000000"}, Ignored{track, "int64:-5000000"},
                                 Ignored{track, "int64:31000000"}}) {
            player("SetPosition", {"objpath:" + c.track, c.position});
            QCOMPARE(playing(), QString("a.wav"));
            const qlonglong now = service_->positionUs();
            QVERIFY2(now >= 10000000 && now < 19000000, qPrintable(c.track + " " + c.position));
        }
        player("Seek", {"int64:-9223372036854775807"});
        QTRY_VERIFY(service_->positionUs() < 3000000);
        QCOMPARE(playing(), QString("a.wav"));
        player("Seek", {"int64:9223372036854775807"});
        QTRY_COMPARE(playing(), QString("b.mp3")); // the next track
        player("Seek", {"int64:9223372036854775807"});
        QTRY_COMPARE(playing(), QString()); // the last track: stopped
    }

    void seekAndVolume() {
        selectRow(0);
        player("Play");
        QTRY_COMPARE(playing(), QString("a.wav"));
        const QString metadata = property("org.mpris.MediaPlayer2.Player", "Metadata");
        const QString track = metadata.mid(metadata.indexOf("/org/zelvo/mp3/track/")).section('"', 0, 0);
        player("SetPosition", {"objpath:" + track, "int64:20000000"});
        QTRY_VERIFY(service_->positionUs() >= 20000000);
        QVERIFY(service_->positionUs() < 25000000);
        call({"org.freedesktop.DBus.Properties.Set", "string:org.mpris.MediaPlayer2.Player", "string:Volume",
              "variant:double:0.25"});
        QTRY_COMPARE(control<QSlider>(*player_, "volumeSlider")->value(), 65535 - 16384);
        QVERIFY(property("org.mpris.MediaPlayer2.Player", "Volume").contains("0.25"));
        player("Stop");
        QTRY_COMPARE(playing(), QString());
    }

    // playerctl, the desktop's command for players, sees and drives the player as MPRIS says:
    // status, metadata, positions absolute and relative (clamped at the start), volume.
    void playerctlDrivesThePlayer() {
        selectRow(0);
        playerctl({"play"});
        QTRY_COMPARE(playing(), QString("a.wav"));
        QCOMPARE(playerctl({"status"}), QString("Playing"));
        QCOMPARE(playerctl({"metadata", "title"}), QString("Alpha"));
        playerctl({"position", "12"});
        QTRY_VERIFY(service_->positionUs() >= 12000000);
        QVERIFY(service_->positionUs() < 17000000);
        playerctl({"position", "5-"});
        QTRY_VERIFY(service_->positionUs() < 12000000);
        QVERIFY(service_->positionUs() >= 7000000);
        playerctl({"position", "60-"});
        QTRY_VERIFY(service_->positionUs() < 5000000);
        QCOMPARE(playing(), QString("a.wav"));
        const double position = playerctl({"position"}).toDouble();
        QVERIFY2(position >= 0 && position < 10, qPrintable(playerctl({"position"})));
        playerctl({"pause"});
        QTRY_VERIFY(paused());
        QCOMPARE(playerctl({"status"}), QString("Paused"));
        playerctl({"volume", "0.5"});
        QTRY_COMPARE(control<QSlider>(*player_, "volumeSlider")->value(), 65535 - 32768);
        playerctl({"next"});
        QTRY_COMPARE(playing(), QString("b.mp3"));
        QCOMPARE(playerctl({"metadata", "artist"}), QString("Band"));
        playerctl({"stop"});
        QTRY_COMPARE(playing(), QString());
        QCOMPARE(playerctl({"status"}), QString("Stopped"));
    }
};

QTEST_MAIN(MprisServiceTest)
#include "MprisServiceTest.moc"
