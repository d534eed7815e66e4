#include <QAbstractButton>
#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QScreen>
#include <QTemporaryDir>
#include <QtTest>

#include "AppWindows.h"
#include "AudioFixtures.h"
#include "DialogAnswers.h"
#include "CutterWindow.h"
#include "JoinerWindow.h"
#include "OptionsDialog.h"
#include "PlayerWindow.h"
#include "WindowGeometry.h"

// Every window at its default size in a 12 pt font (and, run again with QT_SCALE_FACTOR=1.5,
// scaled): no button, label, box or list takes less room than its text needs.
class WindowLayoutTest : public QObject {
    Q_OBJECT

private:
    QTemporaryDir home_;

    static QStringList clippedIn(QWidget* window) {
        QStringList clipped;
        for (QWidget* control : window->findChildren<QWidget*>()) {
            // Qt's own parts of a control (a spin box's editor) are sized by the control.
            if (!control->isVisible() || control->window() != window || control->objectName().startsWith("qt_"))
                continue;
            const QSize needed = control->minimumSizeHint();
            QString text;
            if (auto* button = qobject_cast<QAbstractButton*>(control))
                text = button->text();
            else if (auto* label = qobject_cast<QLabel*>(control))
                text = label->text();
            else if (auto* box = qobject_cast<QLineEdit*>(control))
                text = box->text();
            else if (!qobject_cast<QComboBox*>(control))
                continue;
            const bool tooNarrow = qobject_cast<QLineEdit*>(control)
                                       ? control->fontMetrics().horizontalAdvance(text) + 6 > control->width()
                                       : control->width() < needed.width();
            if (tooNarrow || control->height() < needed.height())
                clipped << QString("%1 \"%2\" %3x%4 < %5x%6")
                               .arg(control->objectName(), text)
                               .arg(control->width())
                               .arg(control->height())
                               .arg(needed.width())
                               .arg(needed.height());
        }
        return clipped;
    }

    // The four windows, the cutter with a file open.
    std::vector<QWidget*> everyWindow(AppWindows& windows) {
        const QString song = home_.path() + "/song.wav";
        if (!QFile::exists(song))
            makeTone(song.toStdString(), 3, 44100, 2, "-c:a pcm_s16le");
        windows.cutterWindow->openFile(song);
        return {windows.playerWindow.get(), windows.cutterWindow.get(), windows.joinerWindow.get(),
                windows.optionsDialog.get()};
    }

private slots:
    void initTestCase() {
        qputenv("HOME", home_.path().toUtf8());
        qputenv("XDG_CONFIG_HOME", (home_.path() + "/.config").toUtf8());
        QFont font = QApplication::font();
        font.setPointSize(12);
        QApplication::setFont(font);
    }

    void noTextIsClippedAtTheDefaultSizes() {
        const DialogAnswers answers; // a message no window should show is answered, and fails the test below
        AppWindows windows;
        for (QWidget* window : everyWindow(windows)) {
            window->show();
            QVERIFY(QTest::qWaitForWindowExposed(window));
            const QStringList clipped = clippedIn(window);
            QVERIFY2(clipped.isEmpty(), qPrintable(window->objectName() + ": " + clipped.join("; ")));
            // The window can be made smaller down to its layout's minimum, and no further.
            window->resize(1, 1);
            QTRY_VERIFY(window->width() >= window->minimumSizeHint().width());
            const QStringList squeezed = clippedIn(window);
            QVERIFY2(squeezed.isEmpty(), qPrintable(window->objectName() + " smallest: " + squeezed.join("; ")));
            window->hide();
        }
        QCOMPARE(answers.texts, QStringList());
    }

    // Every window opens inside the screen's available area, at its layout's minimum where
    // the screen is smaller than that, which is at most 480 pixels high (a 768-pixel
    // screen with a panel, at 1.5 times the size).
    void windowsOpenInsideTheScreen() {
        const DialogAnswers answers;
        AppWindows windows;
        for (QWidget* window : everyWindow(windows)) {
            window->move(5000, 5000);
            window->resize(4000, 3000);
            window->show();
            QVERIFY(QTest::qWaitForWindowExposed(window));
            const QRect area = window->screen()->availableGeometry();
            const QSize least = window->minimumSizeHint();
            QVERIFY2(least.height() <= 480,
                     qPrintable(QString("%1: %2 high at least").arg(window->objectName()).arg(least.height())));
            QVERIFY2(window->width() <= std::max(area.width(), least.width()) &&
                         window->height() <= std::max(area.height(), least.height()),
                     qPrintable(QString("%1: %2x%3 on %4x%5")
                                    .arg(window->objectName())
                                    .arg(window->width())
                                    .arg(window->height())
                                    .arg(area.width())
                                    .arg(area.height())));
            QVERIFY2(area.contains(window->frameGeometry().topLeft()), qPrintable(window->objectName()));
            window->hide();
        }
    }

    // A window comes back at the size the user gave it, from the settings' text.
    void windowsComeBackAtTheirSizes() {
        std::string kept;
        {
            QWidget window;
            keepGeometry(&window, kept);
            window.show();
            QVERIFY(QTest::qWaitForWindowExposed(&window));
            window.resize(510, 310);
            QTRY_COMPARE(window.size(), QSize(510, 310));
            window.hide();
        }
        QVERIFY(!kept.empty());
        QWidget again;
        again.resize(300, 200);
        keepGeometry(&again, kept);
        again.show();
        QVERIFY(QTest::qWaitForWindowExposed(&again));
        QCOMPARE(again.size(), QSize(510, 310));
    }
};

QTEST_MAIN(WindowLayoutTest)
#include "WindowLayoutTest.moc"
