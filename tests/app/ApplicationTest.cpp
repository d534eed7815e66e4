#include <stdexcept>

#include <QDir>
#include <QFile>
#include <QTreeView>
#include <QTemporaryDir>
#include <QTreeWidget>
#include <QtTest>

#include "AppWindows.h"
#include "AudioPlayer.h"
#include "Application.h"
#include "ConfirmDialog.h"
#include "JoinerWindow.h"
#include "AppSettings.h"
#include "OptionsDialog.h"
#include "PlayerWindow.h"
#include "CutterWindow.h"
#include "DialogAnswers.h"
#include "LaunchRequest.h"

namespace {

// An object whose handler fails the way an engine error would.
class Thrower : public QObject {
public:
    int handled = 0;
    bool event(QEvent* event) override {
        if (event->type() != QEvent::User)
            return QObject::event(event);
        ++handled;
        throw std::runtime_error("Cannot open /music/a.mp3: Invalid data found when processing input");
    }
};

} // namespace

class ApplicationTest : public QObject {
    Q_OBJECT

private:
    QStringList reported_;
    QTemporaryDir home_;

private slots:
    void initTestCase() {
        Application::reportError = [this](const QString& text) { reported_ << text; };
        qputenv("HOME", home_.path().toUtf8());
        qputenv("XDG_CONFIG_HOME", (home_.path() + "/.config").toUtf8());
        qputenv("XDG_DOCUMENTS_DIR", (home_.path() + "/Documents").toUtf8());
    }

    void init() { reported_.clear(); }

    void errorEscapingAHandlerIsShownAndTheProgramGoesOn() {
        Thrower thrower;
        QCoreApplication::postEvent(&thrower, new QEvent(QEvent::User));
        QCoreApplication::postEvent(&thrower, new QEvent(QEvent::User));
        QCoreApplication::processEvents();
        QCOMPARE(thrower.handled, 2);
        QCOMPARE(reported_.size(), 2);
        QCOMPARE(reported_.first(), QString("Cannot open /music/a.mp3: Invalid data found when processing input"));
    }

    void playerEventsArriveOnTheWindowThread() {
        qputenv("SDL_AUDIODRIVER", "dummy");
        AudioPlayer player;
        player.setFormat(22050, 1);
        QThread* thread = nullptr;
        int requests = 0;
        player.onRequestOnLoadArray = [&](AudioPlayer& sender) {
            thread = QThread::currentThread();
            ++requests;
            sender.queueBlock(AudioBlock{std::vector<float>(2205, 0.1f), 1});
        };
        player.play();
        QCOMPARE(player.playError(), 0);
        QTRY_COMPARE(requests, 3);
        QCOMPARE(thread, QCoreApplication::instance()->thread());
        player.stop();
    }

    void windowsFillTheSharedFoldersAndTheSettingsFile() {
        AppWindows windows;
        QCOMPARE(QGuiApplication::desktopFileName(), QString("zelvo-mp3"));
        for (QWidget* window : std::initializer_list<QWidget*>{windows.playerWindow.get(), windows.cutterWindow.get(),
                                                               windows.joinerWindow.get(), windows.optionsDialog.get()})
            QVERIFY2(!window->windowIcon().availableSizes().isEmpty() || !window->windowIcon().pixmap(32).isNull(),
                     qPrintable(window->windowTitle()));
        QVERIFY(reported_.isEmpty());
        QCOMPARE(windows.playerWindow->windowTitle(), QString("Zelvo MP3 Player"));
        QCOMPARE(windows.optionsDialog->windowTitle(), QString("Zelvo MP3 Zovozu Darozu: Options"));
        QCOMPARE(windows.confirmDialog->windowTitle(), QString("Confirm"));
        QCOMPARE(windows.cutterWindow->windowTitle(), QString("Zelvo MP3 Zovozu"));
        QCOMPARE(windows.joinerWindow->windowTitle(), QString("Zelvo MP3 Darozu"));

        const QString settingsFolder = home_.path() + "/.config/Zelvo Mp3 Zovozu Darozu/";
        QCOMPARE(QString::fromStdString(AppSettings::settingsFolder), settingsFolder);
        QVERIFY(QFile::exists(settingsFolder + "ZSCJCfg.ini"));
        for (const auto* folder : {&AppSettings::defaultConvertOutputPath, &AppSettings::defaultSplitOutputPath,
                                   &AppSettings::defaultJoinOutputPath})
            QVERIFY2(QDir(QString::fromStdString(*folder)).exists(), folder->c_str());
        QVERIFY(AppSettings::defaultJoinOutputPath.find("/Zelvo Mp3 Zovozu Darozu/Merged files/") != std::string::npos);
        // The defaults of a new file were applied.
        QCOMPARE(AppSettings::wmaProfile, 15);
        QCOMPARE(QString::fromStdString(AppSettings::convertOutputPath),
                 QString::fromStdString(AppSettings::defaultConvertOutputPath));
    }

    void unwritableSettingsFolderIsReportedAndAllWindowsComeUp() {
        QTemporaryDir otherHome;
        qputenv("XDG_CONFIG_HOME", (otherHome.path() + "/.config").toUtf8());
        QVERIFY(QDir().mkpath(otherHome.path() + "/.config"));
        // A file where the settings folder should be: the folder cannot be made.
        QFile blocker(otherHome.path() + "/.config/Zelvo Mp3 Zovozu Darozu");
        QVERIFY(blocker.open(QIODevice::WriteOnly));
        blocker.close();

        AppWindows windows;
        QCOMPARE(reported_.size(), 1);
        // The schedule file is the first of the two written; the message names it.
        QCOMPARE(reported_.first(),
                 "Unable to write to " + otherHome.path() + "/.config/Zelvo Mp3 Zovozu Darozu/Current.zsc");
        QVERIFY(windows.joinerWindow != nullptr);
        QVERIFY(!AppSettings::convertOutputPath.empty());
        qputenv("XDG_CONFIG_HOME", (home_.path() + "/.config").toUtf8());
    }

    // What a start was asked to do from outside: a file listed and selected in its folder,
    // files and a folder's audio files in the joiner's list; a path that is not there said so.
    void startsAskedFromOutsideAreCarriedOut() {
        const QString music = home_.path() + "/outside";
        QVERIFY(QDir().mkpath(music + "/album"));
        for (const char* name : {"/b.wav", "/album/2.wav", "/album/1.wav"}) {
            QFile file(music + name);
            QVERIFY(file.open(QIODevice::WriteOnly));
        }
        const LaunchRequest join = launchRequestFrom({"--join", music + "/b.wav", music + "/album"});
        QVERIFY(join.join && !join.cut);
        QCOMPARE(launchRequestFrom(join.arguments()).paths, join.paths);
        QCOMPARE(launchRequestFrom({"--cut", "x.mp3"}).paths, QStringList({QDir::current().absoluteFilePath("x.mp3")}));

        AppWindows windows;
        DialogAnswers answers;
        windows.carryOut(launchRequestFrom({music + "/b.wav"}));
        QVERIFY(windows.playerWindow->isVisible());
        const auto* list = windows.playerWindow->findChild<QTreeView*>("playList");
        QTRY_COMPARE(list->currentIndex().data().toString(), QString("b.wav"));

        QStringList joined;
        QTimer whenShown; // the joiner runs modally: it is read and closed once it shows
        connect(&whenShown, &QTimer::timeout, [&] {
            if (!windows.joinerWindow->isVisible())
                return;
            whenShown.stop();
            const auto* list = windows.joinerWindow->findChild<QTreeView*>("joinList");
            for (int row = 0; row < list->model()->rowCount(); ++row)
                joined << list->model()->index(row, 0).data().toString();
            windows.joinerWindow->close();
        });
        whenShown.start(20);
        windows.carryOut(join);
        QCOMPARE(joined, QStringList({music + "/b.wav", music + "/album/1.wav", music + "/album/2.wav"}));

        windows.carryOut(launchRequestFrom({music + "/missing.wav"}));
        QTRY_COMPARE(answers.texts,
                     QStringList({"Cannot show \"" + music + "/missing.wav\": there is no such file or folder"}));
    }
};

int main(int argc, char** argv) {
    Application app(argc, argv);
    ApplicationTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "ApplicationTest.moc"
