#include <QLabel>
#include <QPushButton>
#include <QTimer>
#include <QtTest>

#include "ConfirmDialog.h"

class ConfirmDialogTest : public QObject {
    Q_OBJECT

private:
    // Shows the dialog without blocking, so that its layout can be read.
    static void lay(ConfirmDialog& dialog, const QString& text, bool messageOnly) {
        dialog.setMessageOnly(messageOnly);
        dialog.setMessage(text);
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    }

private slots:
    void shortMessageHasTheMinimumWidthAndOneCentredButton() {
        ConfirmDialog dialog;
        lay(dialog, "Merge finished", true);
        QCOMPARE(dialog.windowTitle(), QString("Message"));
        QCOMPARE(dialog.width(), 220);
        QCOMPARE(dialog.height(), dialog.messageLabel_->height() + 121);
        QCOMPARE(dialog.noButton_->x(), (220 - 80) / 2);
        QCOMPARE(dialog.noButton_->y(), dialog.height() - 46);
        QCOMPARE(dialog.noButton_->text(), QString("&Ok"));
        QVERIFY(dialog.yesButton_->isHidden());
        QCOMPARE(dialog.messageLabel_->x(), (220 - dialog.messageLabel_->width()) / 2 - 2);
    }

    void longQuestionIsFortyWiderThanItsTextWithTwoButtons() {
        ConfirmDialog dialog;
        const QString question = "Splitting in progress, do you want to cancel ? "
                                 "This text is long enough to pass the minimum width.";
        lay(dialog, question, false);
        const int labelWidth = dialog.messageLabel_->width();
        QVERIFY(labelWidth + 40 > 220);
        QCOMPARE(dialog.windowTitle(), QString("Confirm"));
        QCOMPARE(dialog.width(), labelWidth + 40);
        QCOMPARE(dialog.messageLabel_->x(), (dialog.width() - labelWidth) / 2);
        const int firstLeft = (dialog.width() - 2 * 80 - 10) / 2;
        QCOMPARE(dialog.yesButton_->x(), firstLeft);
        QCOMPARE(dialog.noButton_->x(), firstLeft + 90);
        QCOMPARE(dialog.yesButton_->y(), dialog.height() - 46);
        QCOMPARE(dialog.noButton_->y(), dialog.height() - 46);
        QVERIFY(dialog.yesButton_->isVisible());
        QCOMPARE(dialog.yesButton_->text(), QString("&Yes"));
        QCOMPARE(dialog.noButton_->text(), QString("&No"));
    }

    void multiLineTextMakesTheDialogTaller() {
        ConfirmDialog dialog;
        lay(dialog, "One line", true);
        const int oneLine = dialog.height();
        dialog.hide();
        lay(dialog, "One line\nTwo lines\nThree lines", true);
        QVERIFY(dialog.height() > oneLine);
        QCOMPARE(dialog.height(), dialog.messageLabel_->height() + 121);
        QCOMPARE(dialog.noButton_->y(), dialog.height() - 46);
        // Reused after a question: the message mode hides the Yes button again.
        dialog.hide();
        lay(dialog, "Question?", false);
        QVERIFY(dialog.yesButton_->isVisible());
        dialog.hide();
        lay(dialog, "Message", true);
        QVERIFY(dialog.yesButton_->isHidden());
    }

    void resultsAreSixForYesAndSevenForTheOtherButton() {
        ConfirmDialog dialog;
        QTimer::singleShot(0, &dialog, [&] { dialog.yesButton_->click(); });
        QCOMPARE(dialog.ask("Cancel?", false), 6);
        QTimer::singleShot(0, &dialog, [&] { dialog.noButton_->click(); });
        QCOMPARE(dialog.ask("Cancel?", false), 7);
        QTimer::singleShot(0, &dialog, [&] { dialog.noButton_->click(); });
        QCOMPARE(dialog.ask("Cut finished", true), 7);
    }
};

QTEST_MAIN(ConfirmDialogTest)
#include "ConfirmDialogTest.moc"
