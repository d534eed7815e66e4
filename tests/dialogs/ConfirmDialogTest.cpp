#include <QLabel>
#include <QPushButton>
#include <QTimer>
#include <QtTest>

#include "ConfirmDialog.h"

class ConfirmTest : public QObject {
    Q_OBJECT

private:
    // Shows the dialog without blocking, so that its layout can be read.
    static void Lay(TfrmConfirm& dialog, const QString& text, bool messageOnly) {
        dialog.SetMessageOnly(messageOnly);
        dialog.SetMessage(text);
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    }

private slots:
    void shortMessageHasTheMinimumWidthAndOneCentredButton() {
        TfrmConfirm dialog;
        Lay(dialog, "Merge finished", true);
        QCOMPARE(dialog.windowTitle(), QString("Message"));
        QCOMPARE(dialog.width(), 220);
        QCOMPARE(dialog.height(), dialog.Label1->height() + 121);
        QCOMPARE(dialog.suiButton2->x(), (220 - 80) / 2);
        QCOMPARE(dialog.suiButton2->y(), dialog.height() - 46);
        QCOMPARE(dialog.suiButton2->text(), QString("&Ok"));
        QVERIFY(dialog.suiButton1->isHidden());
        QCOMPARE(dialog.Label1->x(), (220 - dialog.Label1->width()) / 2 - 2);
    }

    void longQuestionIsFortyWiderThanItsTextWithTwoButtons() {
        TfrmConfirm dialog;
        const QString question = "Splitting in progress, do you want to cancel ? "
                                 "This text is long enough to pass the minimum width.";
        Lay(dialog, question, false);
        const int labelWidth = dialog.Label1->width();
        QVERIFY(labelWidth + 40 > 220);
        QCOMPARE(dialog.windowTitle(), QString("Confirm"));
        QCOMPARE(dialog.width(), labelWidth + 40);
        QCOMPARE(dialog.Label1->x(), (dialog.width() - labelWidth) / 2);
        const int firstLeft = (dialog.width() - 2 * 80 - 10) / 2;
        QCOMPARE(dialog.suiButton1->x(), firstLeft);
        QCOMPARE(dialog.suiButton2->x(), firstLeft + 90);
        QCOMPARE(dialog.suiButton1->y(), dialog.height() - 46);
        QCOMPARE(dialog.suiButton2->y(), dialog.height() - 46);
        QVERIFY(dialog.suiButton1->isVisible());
        QCOMPARE(dialog.suiButton1->text(), QString("&Yes"));
        QCOMPARE(dialog.suiButton2->text(), QString("&No"));
    }

    void multiLineTextMakesTheDialogTaller() {
        TfrmConfirm dialog;
        Lay(dialog, "One line", true);
        const int oneLine = dialog.height();
        dialog.hide();
        Lay(dialog, "One line\nTwo lines\nThree lines", true);
        QVERIFY(dialog.height() > oneLine);
        QCOMPARE(dialog.height(), dialog.Label1->height() + 121);
        QCOMPARE(dialog.suiButton2->y(), dialog.height() - 46);
        // Reused after a question: the message mode hides the Yes button again.
        dialog.hide();
        Lay(dialog, "Question?", false);
        QVERIFY(dialog.suiButton1->isVisible());
        dialog.hide();
        Lay(dialog, "Message", true);
        QVERIFY(dialog.suiButton1->isHidden());
    }

    void resultsAreSixForYesAndSevenForTheOtherButton() {
        TfrmConfirm dialog;
        QTimer::singleShot(0, &dialog, [&] { dialog.suiButton1->click(); });
        QCOMPARE(dialog.Ask("Cancel?", false), 6);
        QTimer::singleShot(0, &dialog, [&] { dialog.suiButton2->click(); });
        QCOMPARE(dialog.Ask("Cancel?", false), 7);
        QTimer::singleShot(0, &dialog, [&] { dialog.suiButton2->click(); });
        QCOMPARE(dialog.Ask("Cut finished", true), 7);
    }
};

QTEST_MAIN(ConfirmTest)
#include "ConfirmDialogTest.moc"
