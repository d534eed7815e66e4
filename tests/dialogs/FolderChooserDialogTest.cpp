#include <QDir>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

#include "FolderTree.h"
#include "FolderChooserDialog.h"

class FolderChooserDialogTest : public QObject {
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
        QCOMPARE(FolderChooserDialog::withSingleTrailingSlash(path), chosen);
    }

    void okGivesTheSelectedFolderAndCancelGivesNothing() {
        QTemporaryDir temp;
        const QString folder = temp.path() + "/Out put";
        QVERIFY(QDir().mkpath(folder));
        FolderChooserDialog dialog;
        QCOMPARE(dialog.windowTitle(), QString("Path Select"));

        dialog.folderTree_->selectPath(folder);
        QTimer::singleShot(0, &dialog, [&] { dialog.okButton_->click(); });
        QCOMPARE(dialog.exec(), int(QDialog::Accepted));
        QCOMPARE(dialog.chosenPath_, folder + "/");

        // The tree keeps its selection for the next showing.
        QCOMPARE(dialog.folderTree_->selectedPath(), folder + "/");
        QTimer::singleShot(0, &dialog, [&] { dialog.cancelButton_->click(); });
        dialog.exec();
        QVERIFY(dialog.chosenPath_.isEmpty());

        dialog.folderTree_->selectPath("/");
        QTimer::singleShot(0, &dialog, [&] { dialog.okButton_->click(); });
        dialog.exec();
        QCOMPARE(dialog.chosenPath_, QString("/"));
    }
};

QTEST_MAIN(FolderChooserDialogTest)
#include "FolderChooserDialogTest.moc"
