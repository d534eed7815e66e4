#include <csignal>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

#include <QDir>
#include <QFile>
#include <QLocalSocket>
#include <QtEndian>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

// The real program, started the way a user starts it, in a home folder of its own.
class StartupTest : public QObject {
    Q_OBJECT

private:
    QTemporaryDir home_;

    QProcessEnvironment environment() const {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("HOME", home_.path());
        env.insert("XDG_CONFIG_HOME", home_.path() + "/.config");
        env.insert("XDG_RUNTIME_DIR", home_.path() + "/run");
        env.insert("QT_QPA_PLATFORM", "offscreen");
        return env;
    }

    void start(QProcess& process, const QString& program, const QStringList& arguments = {}) {
        process.setProcessEnvironment(environment());
        process.start(program, arguments);
        QVERIFY(process.waitForStarted());
    }

    static QString readText(const QString& path) {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
    }

    QString settingsFile() const { return home_.path() + "/.config/Zelvo Mp3 Zovozu Darozu/ZSCJCfg.ini"; }

    // Whether the process has its own handler for the signal (the kernel's SigCgt mask).
    static bool catchesSignal(pid_t pid, int number) {
        QFile status(QString("/proc/%1/status").arg(pid));
        if (!status.open(QIODevice::ReadOnly))
            return false;
        for (const QByteArray& line : status.readAll().split('\n'))
            if (line.startsWith("SigCgt:"))
                return (line.mid(7).trimmed().toULongLong(nullptr, 16) >> (number - 1)) & 1;
        return false;
    }

    static void stop(QProcess& process) {
        process.kill();
        process.waitForFinished();
    }

    // Starts the program as another user (a user id without a name is enough), in a home
    // folder of that user's own.
    static void startAs(QProcess& process, uid_t user, const QString& home, const QStringList& arguments,
                        const QString& runtimeFolder = {}) {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("HOME", home);
        env.remove("XDG_CONFIG_HOME");
        env.remove("XDG_CACHE_HOME");
        env.remove("XDG_RUNTIME_DIR");
        if (!runtimeFolder.isEmpty())
            env.insert("XDG_RUNTIME_DIR", runtimeFolder);
        env.insert("QT_QPA_PLATFORM", "offscreen");
        process.setProcessEnvironment(env);
        const QString id = QString::number(user);
        process.start("setpriv",
                      QStringList{"--reuid", id, "--regid", id, "--clear-groups", ZELVO_APP_PATH} + arguments);
        QVERIFY(process.waitForStarted());
    }

    // A folder of the user's, to be its home or runtime folder.
    static QString folderOf(uid_t user, const QString& path) {
        QDir().mkpath(path);
        if (::chown(path.toLocal8Bit().constData(), user, user) != 0 ||
            ::chmod(path.toLocal8Bit().constData(), 0700) != 0)
            return {};
        return path;
    }

    // Whether the user can connect to the local socket at the path.
    static bool canConnectAs(uid_t user, const QString& socket) {
        const QString id = QString::number(user);
        QProcess connecting;
        connecting.start("setpriv", {"--reuid", id, "--regid", id, "--clear-groups", "/usr/bin/python3", "-c",
                                     "import socket, sys; socket.socket(socket.AF_UNIX).connect(sys.argv[1])", socket});
        return connecting.waitForFinished(10000) && connecting.exitCode() == 0;
    }

private slots:
    void initTestCase() {
        QVERIFY(QDir().mkpath(home_.path() + "/run"));
        QFile::setPermissions(home_.path() + "/run", QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }

    void firstRunWritesSettingsAndFoldersAndASecondCopyLeavesAtOnce() {
        QProcess first;
        start(first, ZELVO_APP_PATH);
        QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(settingsFile()), 10000);
        QCOMPARE(first.state(), QProcess::Running);

        QFile file(settingsFile());
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QString text = QString::fromUtf8(file.readAll());
        QVERIFY(text.contains("WmaFormat=14"));
        QVERIFY(text.contains("Subject=Share\n"));
        QVERIFY(text.indexOf("[OutputFormat]") < text.indexOf("[Hotkey]"));
        QVERIFY(text.indexOf("[OutputPath]") < text.indexOf("[Mail]"));
        for (const char* folder : {"Converted files", "Cut files", "Merged files"})
            QVERIFY(QDir(home_.path() + "/Documents/Zelvo Mp3 Zovozu Darozu/" + folder).exists());

        // Later starts hand their files to the first copy and leave.
        for (const QStringList& arguments :
             {QStringList{}, QStringList{home_.path()}, QStringList{"--join", "a.wav"}}) {
            QProcess second;
            start(second, ZELVO_APP_PATH, arguments);
            QVERIFY(second.waitForFinished(5000));
            QCOMPARE(second.exitStatus(), QProcess::NormalExit);
            QCOMPARE(second.exitCode(), 0);
            QCOMPARE(first.state(), QProcess::Running);
        }
        stop(first);
        QFile::remove(home_.path() + "/run/zelvo-mp3.socket"); // the killed copy's, so the next one shows
        // With nobody to hand them to (a copy that hangs holds the lock), a start says so.
        QProcess hung;
        start(hung, ZELVO_APP_PATH);
        QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(home_.path() + "/run/zelvo-mp3.socket"), 10000);
        QCOMPARE(::kill(static_cast<pid_t>(hung.processId()), SIGSTOP), 0);
        QProcess refused;
        start(refused, ZELVO_APP_PATH, {home_.path()});
        QVERIFY(refused.waitForFinished(20000));
        QCOMPARE(refused.exitCode(), 1);
        QVERIFY(refused.readAllStandardError().contains("is running but does not answer"));
        ::kill(static_cast<pid_t>(hung.processId()), SIGCONT);
        stop(hung);
    }

    void versionsAndHelp() {
        for (const auto& [program, text] : {std::pair{QString(ZELVO_APP_PATH), QString("zelvo-mp3 3.5.0")},
                                            std::pair{QString(ZELVO_BATCH_PATH), QString("zelvo-mp3-batch 3.5.0")}}) {
            QProcess process;
            start(process, program, {"--version"});
            QVERIFY(process.waitForFinished(10000));
            QCOMPARE(process.exitCode(), 0);
            QCOMPARE(QString::fromUtf8(process.readAllStandardOutput()).trimmed(), text);
        }
        QProcess help;
        start(help, ZELVO_APP_PATH, {"--help"});
        QVERIFY(help.waitForFinished(10000));
        QVERIFY(help.readAllStandardOutput().contains("--cut <FILE>"));
        // Without any display, as in a terminal of a server: the texts all the same.
        for (const char* asked : {"--help", "--version"}) {
            QProcess text;
            QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
            env.remove("DISPLAY");
            env.remove("WAYLAND_DISPLAY");
            env.insert("QT_QPA_PLATFORM", "xcb");
            text.setProcessEnvironment(env);
            text.start(ZELVO_APP_PATH, {asked});
            QVERIFY(text.waitForFinished(10000));
            QCOMPARE(text.exitCode(), 0);
            QVERIFY(text.readAllStandardOutput().contains(asked == std::string("--help") ? "--cut <FILE>" : "3.5.0"));
        }
    }

    // SIGTERM and SIGINT end the program as a quit does, with 128 + the signal. A settings
    // file it could not read at start is still as it was when it ends.
    void signalsEndTheProgramAndAnUnreadableSettingsFileStays() {
        QVERIFY(QDir().mkpath(QFileInfo(settingsFile()).path()));
        const QByteArray unreadable("[OutputFormat]\n\0\x01\x02", 18);
        for (const auto& [number, status] : {std::pair{SIGTERM, 143}, std::pair{SIGINT, 130}}) {
            QFile file(settingsFile());
            QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
            file.write(unreadable);
            file.close();
            QProcess program;
            start(program, ZELVO_APP_PATH);
            const auto pid = static_cast<pid_t>(program.processId());
            QVERIFY(pid > 0);
            QTRY_VERIFY_WITH_TIMEOUT(catchesSignal(pid, number), 10000);
            QCOMPARE(::kill(pid, number), 0);
            QVERIFY(program.waitForFinished(10000));
            QCOMPARE(program.exitStatus(), QProcess::NormalExit);
            QCOMPARE(program.exitCode(), status);
            QVERIFY(file.open(QIODevice::ReadOnly));
            QCOMPARE(file.readAll(), unreadable);
            file.close();
        }
        QFile::remove(settingsFile());
    }

    // The lock and the socket are in a folder only the user can enter: the runtime folder
    // when it is the user's alone (one open to others is narrowed), else one of the
    // program's own in the user's cache folder.
    void theHandOffIsInAFolderOfTheUsersOwn() {
        const QString cache = home_.path() + "/.cache/zelvo-mp3-runtime";
        const QString open = home_.path() + "/open";
        QVERIFY(QDir().mkpath(open));
        QFile::setPermissions(open, QFile::Permissions(0x7777));
        const std::pair<QString, QString> cases[] = {{QString(), cache}, {open, open}};
        for (const auto& [runtime, expected] : cases) {
            QProcessEnvironment env = environment();
            env.remove("XDG_RUNTIME_DIR");
            if (!runtime.isEmpty())
                env.insert("XDG_RUNTIME_DIR", runtime);
            QProcess first, later;
            first.setProcessEnvironment(env);
            first.start(ZELVO_APP_PATH);
            QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(expected + "/zelvo-mp3.socket"), 10000);
            QCOMPARE(QFileInfo(expected).permissions() & 0x0077, QFile::Permissions());
            later.setProcessEnvironment(env);
            later.start(ZELVO_APP_PATH, {home_.path()});
            QVERIFY(later.waitForFinished(20000));
            QCOMPARE(later.exitCode(), 0);
            QCOMPARE(first.state(), QProcess::Running);
            stop(first);
        }
    }

    // More idle connections than the running copy takes, and a message that announces
    // 100 MB: the big one is closed at once, the idle ones after a few seconds, and a later
    // start still hands its files over.
    void floodsAndHugeMessagesDoNotStopTheHandOff() {
        QProcess first;
        start(first, ZELVO_APP_PATH);
        const QString socketPath = home_.path() + "/run/zelvo-mp3.socket";
        QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(socketPath), 10000);
        std::vector<std::unique_ptr<QLocalSocket>> idle;
        for (int i = 0; i < 40; ++i) {
            idle.push_back(std::make_unique<QLocalSocket>());
            idle.back()->connectToServer(socketPath);
            QVERIFY(idle.back()->waitForConnected(5000));
        }
        QLocalSocket huge;
        huge.connectToServer(socketPath);
        QVERIFY(huge.waitForConnected(5000));
        const quint32 announced = qToBigEndian<quint32>(100u << 20);
        huge.write(reinterpret_cast<const char*>(&announced), 4);
        huge.write(QByteArray(1 << 20, 'x'));
        QTRY_COMPARE_WITH_TIMEOUT(huge.state(), QLocalSocket::UnconnectedState, 10000);
        QProcess later;
        start(later, ZELVO_APP_PATH, {home_.path()});
        QVERIFY(later.waitForFinished(30000));
        QCOMPARE(later.exitCode(), 0);
        QCOMPARE(first.state(), QProcess::Running);
        stop(first);
    }

    // Another user can neither reach the user's running copy nor stand in for it, whether
    // the runtime folder is set (even to the user's own) or not, and whatever that user
    // made in the shared temporary folder first.
    void anotherUserCannotReachOrImpersonateTheRunningCopy() {
        if (::geteuid() != 0)
            QSKIP("needs root to start programs as two users");
        const uid_t owner = 65534, other = 65533;
        QTemporaryDir base("/tmp/zelvo-users-XXXXXX");
        QVERIFY(::chmod(base.path().toLocal8Bit().constData(), 0755) == 0);
        const QString ownerHome = folderOf(owner, base.path() + "/owner"),
                      otherHome = folderOf(other, base.path() + "/other");
        const QString ownerRuntime = folderOf(owner, base.path() + "/owner-run");
        // What the other user prepared where a careless program would look.
        const QString trap = folderOf(other, base.path() + "/trap");
        QVERIFY(::chmod(trap.toLocal8Bit().constData(), 0777) == 0);
        QProcess listener;
        listener.start("setpriv", {"--reuid", QString::number(other), "--regid", QString::number(other),
                                   "--clear-groups", "/usr/bin/python3", "-c",
                                   "import socket, sys; s = socket.socket(socket.AF_UNIX); s.bind(sys.argv[1]); "
                                   "s.listen(); s.accept(); print('reached')",
                                   trap + "/zelvo-mp3.socket"});
        QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(trap + "/zelvo-mp3.socket"), 10000);
        QVERIFY(QFile(trap + "/zelvo-mp3.lock").open(QIODevice::WriteOnly));

        const std::pair<QString, QString> cases[] = {{QString(), ownerHome + "/.cache/zelvo-mp3-runtime"},
                                                     {ownerRuntime, ownerRuntime}};
        for (const auto& [runtime, folder] : cases) {
            QProcess first;
            startAs(first, owner, ownerHome, {}, runtime);
            QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(folder + "/zelvo-mp3.socket"), 15000);
            QVERIFY(!canConnectAs(other, folder + "/zelvo-mp3.socket"));
            QVERIFY(canConnectAs(owner, folder + "/zelvo-mp3.socket"));
            // The other user's start, given the owner's runtime folder or none, runs on its own.
            QProcess intruder;
            startAs(intruder, other, otherHome, {ownerHome}, runtime);
            QVERIFY(!intruder.waitForFinished(2000));
            stop(intruder);
            // Given the trap as its runtime folder, the owner's start passes it by for the
            // cache folder: it hands its files to the copy running there, or runs itself.
            QProcess trapped;
            startAs(trapped, owner, ownerHome, {ownerHome}, trap);
            if (runtime.isEmpty()) {
                QVERIFY(trapped.waitForFinished(20000));
                QCOMPARE(trapped.exitCode(), 0);
            } else {
                QVERIFY(!trapped.waitForFinished(2000));
                stop(trapped);
            }
            QCOMPARE(first.state(), QProcess::Running);
            stop(first);
        }
        QCOMPARE(listener.state(), QProcess::Running);
        QVERIFY(listener.readAllStandardOutput().isEmpty());
        stop(listener);
    }

    // A signal ends the program while a message waits for an answer, and at the end when
    // the settings file cannot be written: what fails then is said on stderr.
    void signalsEndTheProgramFromInsideAMessage() {
        QVERIFY(QDir().mkpath(QFileInfo(settingsFile()).path()));
        const QString map = home_.path() + "/controls.txt";
        QProcess missing;
        QProcessEnvironment env = environment();
        env.insert("ZELVO_CONTROL_MAP", map);
        missing.setProcessEnvironment(env);
        missing.start(ZELVO_APP_PATH, {"--cut", home_.path() + "/missing.mp3"});
        QTRY_VERIFY_WITH_TIMEOUT(readText(map).contains("\tConfirmDialog\t"), 15000);
        QCOMPARE(::kill(static_cast<pid_t>(missing.processId()), SIGTERM), 0);
        QVERIFY(missing.waitForFinished(10000));
        QCOMPARE(missing.exitCode(), 143);

        QProcess readOnly;
        start(readOnly, ZELVO_APP_PATH);
        QTRY_VERIFY_WITH_TIMEOUT(catchesSignal(static_cast<pid_t>(readOnly.processId()), SIGTERM), 10000);
        QVERIFY(QFile::setPermissions(settingsFile(), QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther));
        QCOMPARE(::kill(static_cast<pid_t>(readOnly.processId()), SIGTERM), 0);
        QVERIFY(readOnly.waitForFinished(10000));
        QCOMPARE(readOnly.exitCode(), 143);
        QVERIFY(readOnly.readAllStandardError().contains("Unable to write to"));
        QFile::setPermissions(settingsFile(), QFile::ReadOwner | QFile::WriteOwner);
    }

    void copyUnderAnotherFileNameRunsBesideIt() {
        const QString copy = home_.path() + "/zelvo-mp3-copy";
        QVERIFY(QFile::copy(ZELVO_APP_PATH, copy));
        QProcess first, other;
        start(first, ZELVO_APP_PATH);
        QTest::qWait(500);
        start(other, copy);
        QVERIFY(!other.waitForFinished(1500));
        QCOMPARE(first.state(), QProcess::Running);
        stop(other);
        stop(first);
    }

    void lockOfACrashedCopyDoesNotBlockTheNextStart() {
        QProcess crashed;
        start(crashed, ZELVO_APP_PATH);
        QTest::qWait(800);
        stop(crashed); // killed: its lock file stays behind
        QVERIFY(!QDir(home_.path() + "/run").entryList({"zelvo-mp3.lock"}, QDir::Files).isEmpty());

        QProcess next;
        start(next, ZELVO_APP_PATH);
        QVERIFY(!next.waitForFinished(1500));
        // Its socket replaced the crashed copy's: a later start reaches it.
        QProcess later;
        start(later, ZELVO_APP_PATH, {home_.path()});
        QVERIFY(later.waitForFinished(10000));
        QCOMPARE(later.exitCode(), 0);
        stop(next);
    }
};

QTEST_MAIN(StartupTest)
#include "StartupTest.moc"
