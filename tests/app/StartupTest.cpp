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

    QProcessEnvironment Environment() const {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("HOME", home_.path());
        env.insert("XDG_CONFIG_HOME", home_.path() + "/.config");
        env.insert("XDG_RUNTIME_DIR", home_.path() + "/run");
        env.insert("QT_QPA_PLATFORM", "offscreen");
        return env;
    }

    void Start(QProcess& process, const QString& program) {
        process.setProcessEnvironment(Environment());
        process.start(program, {});
        QVERIFY(process.waitForStarted());
    }

    QString SettingsFile() const { return home_.path() + "/.config/Zelvo Mp3 Zovozu Darozu/ZSCJCfg.ini"; }

    static void Stop(QProcess& process) {
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
        Start(first, ZELVO_APP_PATH);
        QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(SettingsFile()), 10000);
        QCOMPARE(first.state(), QProcess::Running);

        QFile file(SettingsFile());
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QString text = QString::fromUtf8(file.readAll());
        QVERIFY(text.contains("WmaFormat=14"));
        QVERIFY(text.contains("Subject=Share\n"));
        QVERIFY(text.indexOf("[OutputFormat]") < text.indexOf("[Hotkey]"));
        QVERIFY(text.indexOf("[OutputPath]") < text.indexOf("[Mail]"));
        for (const char* folder : {"Converted files", "Cut files", "Merged files"})
            QVERIFY(QDir(home_.path() + "/Documents/Zelvo Mp3 Zovozu Darozu/" + folder).exists());

        QProcess second;
        Start(second, ZELVO_APP_PATH);
        QVERIFY(second.waitForFinished(5000));
        QCOMPARE(second.exitStatus(), QProcess::NormalExit);
        QCOMPARE(second.exitCode(), 0);
        QCOMPARE(first.state(), QProcess::Running);
        Stop(first);
    }

    void copyUnderAnotherFileNameRunsBesideIt() {
        const QString copy = home_.path() + "/zelvo-mp3-copy";
        QVERIFY(QFile::copy(ZELVO_APP_PATH, copy));
        QProcess first, other;
        Start(first, ZELVO_APP_PATH);
        QTest::qWait(500);
        Start(other, copy);
        QVERIFY(!other.waitForFinished(1500));
        QCOMPARE(first.state(), QProcess::Running);
        Stop(other);
        Stop(first);
    }

    void lockOfACrashedCopyDoesNotBlockTheNextStart() {
        QProcess crashed;
        Start(crashed, ZELVO_APP_PATH);
        QTest::qWait(800);
        Stop(crashed); // killed: its lock file stays behind
        QVERIFY(!QDir(home_.path() + "/run").entryList({"zelvo-mp3.lock"}, QDir::Files).isEmpty());

        QProcess next;
        Start(next, ZELVO_APP_PATH);
        QVERIFY(!next.waitForFinished(1500));
        Stop(next);
    }
};

QTEST_MAIN(StartupTest)
#include "StartupTest.moc"
