#include <QDir>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

#include "FolderTree.h"
#include "FolderChooserDialog.h"

class PathSelectTest : public QObject {
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
        QCOMPARE(TfrmPathSelect::WithSingleTrailingSlash(path), chosen);
    }

    void okGivesTheSelectedFolderAndCancelGivesNothing() {
        QTemporaryDir temp;
        const QString folder = temp.path() + "/Out put";
        QVERIFY(QDir().mkpath(folder));
        TfrmPathSelect dialog;
        QCOMPARE(dialog.windowTitle(), QString("Path Select"));

        dialog.ShellTreeView1->SelectPath(folder);
        QTimer::singleShot(0, &dialog, [&] { dialog.btnOk->click(); });
        QCOMPARE(dialog.exec(), int(QDialog::Accepted));
        QCOMPARE(dialog.ChosenPath, folder + "/");

        // The tree keeps its selection for the next showing.
        QCOMPARE(dialog.ShellTreeView1->SelectedPath(), folder + "/");
        QTimer::singleShot(0, &dialog, [&] { dialog.btnCancel->click(); });
        dialog.exec();
        QVERIFY(dialog.ChosenPath.isEmpty());

        dialog.ShellTreeView1->SelectPath("/");
        QTimer::singleShot(0, &dialog, [&] { dialog.btnOk->click(); });
        dialog.exec();
        QCOMPARE(dialog.ChosenPath, QString("/"));
    }
};

QTEST_MAIN(PathSelectTest)
#include "FolderChooserDialogTest.moc"
