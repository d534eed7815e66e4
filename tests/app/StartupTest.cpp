#include <csignal>

#include <QDir>
#include <QFile>
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
