#include <QDir>
#include <QTemporaryDir>
#include <QtTest>

#include "DialogAnswers.h"
#include "FolderChooser.h"

class FolderChooserTest : public QObject {
    Q_OBJECT

private slots:
    void trailingSeparatorRule_data() {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("chosen");
        QTest::newRow("plain folder") << "/home/user/Music"
                                      << "/home/user/Music/";
        QTest::newRow("already ending in /") << "/home/user/Music/"
                                             << "/home/user/Music/";
        QTest::newRow("root") << "/"
                              << "/";
        QTest::newRow("only one removed") << "/a//"
                                          << "/a//";
    }
    void trailingSeparatorRule() {
        QFETCH(QString, path);
        QFETCH(QString, chosen);
        QCOMPARE(FolderChooser::withSingleTrailingSlash(path), chosen);
    }

    void theDesktopsFolderDialogGivesTheChosenFolderOrNothing() {
        QTemporaryDir temp;
        const QString folder = temp.path() + "/Out put";
        QVERIFY(QDir().mkpath(folder));
        QString title;
        QString startedAt;
        answerNextModal<QFileDialog>([&](QFileDialog* dialog) {
            title = dialog->windowTitle();
            if (startedAt.isEmpty())
                startedAt = dialog->directory().absolutePath();
            typeFolderAndAccept(dialog, folder);
        });
        QCOMPARE(FolderChooser::choose(nullptr, temp.path()), folder + "/");
        QCOMPARE(title, QString("Path Select"));
        QCOMPARE(startedAt, temp.path());

        chooseFolderWhenAsked({});
        QVERIFY(FolderChooser::choose(nullptr, folder).isEmpty());
        chooseFolderWhenAsked("/");
        QCOMPARE(FolderChooser::choose(nullptr, "/no/such/folder"), QString("/"));
    }
};

QTEST_MAIN(FolderChooserTest)
#include "FolderChooserTest.moc"
