#include <QPushButton>
#include <QTimer>
#include <QtTest>

#include "ConfirmDialog.h"

class ConfirmDialogTest : public QObject {
    Q_OBJECT

private slots:
    // A message has one Ok button, a question Yes (the default) and No; the same box
    // switches between them.
    void messagesAndQuestionsHaveTheirButtons() {
        ConfirmDialog dialog;
        struct Case {
            bool messageOnly;
            const char* title;
            bool yesShown;
            const char* otherText;
            QMessageBox::Icon icon;
        };
        const Case cases[] = {{true, "Message", false, "&Ok", QMessageBox::Information},
                              {false, "Confirm", true, "&No", QMessageBox::Question},
                              {true, "Message", false, "&Ok", QMessageBox::Information}};
        for (const Case& c : cases) {
            dialog.setMessageOnly(c.messageOnly);
            dialog.setMessage("Splitting in progress, do you want to cancel ?");
            dialog.show();
            QVERIFY(QTest::qWaitForWindowExposed(&dialog));
            QCOMPARE(dialog.windowTitle(), QString(c.title));
            QCOMPARE(dialog.yesButton()->isVisible(), c.yesShown);
            QCOMPARE(dialog.noButton()->text(), QString(c.otherText));
            QCOMPARE(dialog.icon(), c.icon);
            QCOMPARE(dialog.defaultButton(), c.yesShown ? dialog.yesButton() : dialog.noButton());
            QCOMPARE(dialog.text(), QString("Splitting in progress, do you want to cancel ?"));
            dialog.hide();
        }
    }

    void resultsAreSixForYesAndSevenForTheOtherButtonOrEscape() {
        ConfirmDialog dialog;
        QTimer::singleShot(0, &dialog, [&] { dialog.yesButton()->click(); });
        QCOMPARE(dialog.ask("Cancel?", false), 6);
        QTimer::singleShot(0, &dialog, [&] { dialog.noButton()->click(); });
        QCOMPARE(dialog.ask("Cancel?", false), 7);
        QTimer::singleShot(0, &dialog, [&] { QTest::keyClick(&dialog, Qt::Key_Escape); });
        QCOMPARE(dialog.ask("Cancel?", false), 7);
        QTimer::singleShot(0, &dialog, [&] { dialog.noButton()->click(); });
        QCOMPARE(dialog.ask("Cut finished", true), 7);
    }

    // The box shows over the middle of the window that asks.
    void showsOverTheAskingWindow() {
        QWidget window;
        window.setGeometry(300, 200, 600, 400);
        window.show();
        window.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&window));
        ConfirmDialog dialog;
        QPoint centre;
        QTimer::singleShot(0, &dialog, [&] {
            centre = dialog.geometry().center();
            dialog.noButton()->click();
        });
        dialog.ask("Merge finished", true);
        QVERIFY2((centre - window.frameGeometry().center()).manhattanLength() <= 4,
                 qPrintable(QString("%1,%2").arg(centre.x()).arg(centre.y())));
    }
};

QTEST_MAIN(ConfirmDialogTest)
#include "ConfirmDialogTest.moc"
