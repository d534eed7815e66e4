#include <QDir>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

#include "FolderTree.h"

// The tree's places come from the home folder, which the test sets before the tree is made.
class FolderTreeTest : public QObject {
    Q_OBJECT

private:
    QTemporaryDir home_;

    static QTreeWidgetItem* topOf(QTreeWidgetItem* item) {
        while (item->parent())
            item = item->parent();
        return item;
    }

private slots:
    void initTestCase() {
        qputenv("HOME", home_.path().toUtf8());
        qputenv("XDG_CONFIG_HOME", (home_.path() + "/.config").toUtf8());
        QVERIFY(QDir(home_.path()).mkpath("Music/Live"));
    }

    void topEntriesAreHomeMusicAndTheFileSystem() {
        FolderTree tree;
        QStringList names;
        for (int row = 0; row < tree.topLevelItemCount(); ++row)
            names << tree.topLevelItem(row)->text(0);
        QVERIFY2(names.size() >= 3, qPrintable(names.join(", ")));
        QCOMPARE(names.mid(0, 3), (QStringList{"Home", "Music", "File System"}));

        // A folder goes under the top entry with the longest path that holds it.
        const QList<std::pair<QString, QString>> cases{{home_.path() + "/Music/Live", "Music"},
                                                       {home_.path(), "Home"},
                                                       {home_.path() + "/Music/../Music", "Music"},
                                                       {"/usr", "File System"},
                                                       {"/", "File System"}};
        for (const auto& [folder, top] : cases) {
            QVERIFY2(tree.selectPath(folder), qPrintable(folder));
            QCOMPARE(topOf(tree.currentItem())->text(0), top);
            QCOMPARE(tree.selectedPath(), QDir::cleanPath(folder) == "/" ? "/" : QDir::cleanPath(folder) + "/");
        }
        QVERIFY(!tree.selectPath(home_.path() + "/Music/None"));
        QCOMPARE(tree.selectedPath(), QString("/"));
    }

    void subfoldersAreReadAgainWhenAFolderOpens() {
        FolderTree tree;
        const QString music = home_.path() + "/Music";
        QVERIFY(QDir(music).mkpath("beta"));
        QVERIFY(QDir(music).mkpath("Alpha"));
        QVERIFY(QDir(music).mkpath(".hidden"));
        QTreeWidgetItem* item = tree.itemFromIndex(tree.indexOf(music));
        QVERIFY(item);
        item->setExpanded(true);
        auto childNames = [item] {
            QStringList names;
            for (int row = 0; row < item->childCount(); ++row)
                names << item->child(row)->text(0);
            return names;
        };
        QCOMPARE(childNames(), (QStringList{"Alpha", "beta", "Live"}));

        item->child(2)->setExpanded(true);
        QVERIFY(QDir(music).rmdir("Alpha"));
        QVERIFY(QDir(music).mkpath("able"));
        item->setExpanded(false);
        item->setExpanded(true);
        QCOMPARE(childNames(), (QStringList{"able", "beta", "Live"}));
        QVERIFY(item->child(2)->isExpanded()); // kept, with what is open below it

        // A hidden folder shows when it is asked for by its path.
        QVERIFY(tree.selectPath(music + "/.hidden"));
        QCOMPARE(tree.currentItem()->text(0), QString(".hidden"));
    }

    void theGuardKeepsTheFolderWhenItRefuses() {
        FolderTree tree;
        tree.show();
        QVERIFY(QTest::qWaitForWindowExposed(&tree));
        QVERIFY(tree.selectPath(home_.path() + "/Music"));
        int refusals = 0;
        tree.canChangeFolder = [] { return false; };
        tree.onChangeRefused = [&] { ++refusals; };
        QSignalSpy picked(&tree, &FolderTree::folderPicked);
        QTest::keyClick(&tree, Qt::Key_Up);
        QCOMPARE(refusals, 1);
        QCOMPARE(tree.selectedPath(), home_.path() + "/Music/");
        QCOMPARE(tree.currentItem()->text(0), QString("Music"));
        tree.canChangeFolder = [] { return true; };
        QTest::keyClick(&tree, Qt::Key_Up);
        QCOMPARE(tree.selectedPath(), home_.path() + "/");
        QCOMPARE(picked.count(), 1);
    }
};

QTEST_MAIN(FolderTreeTest)
#include "FolderTreeTest.moc"
