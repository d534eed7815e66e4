#include <QApplication>
#include <QPalette>
#include <QPushButton>
#include <QtTest>

#include "ThemedIcons.h"

namespace {

// The mean lightness (0 .. 255) of an icon's drawn pixels.
double drawnLightness(const QIcon& icon) {
    const QImage image = icon.pixmap(24, 24).toImage().convertToFormat(QImage::Format_ARGB32);
    double sum = 0;
    int drawn = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (const QColor pixel = image.pixelColor(x, y); pixel.alpha() > 128) {
                sum += pixel.lightness();
                ++drawn;
            }
    return drawn > 0 ? sum / drawn : -1;
}

} // namespace

// The sign buttons' icons stand out from their buttons on light and dark palettes alike.
class ThemedIconsTest : public QObject {
    Q_OBJECT

private slots:
    void signsContrastWithTheirButtonsOnEveryPalette() {
        struct Case {
            const char* name;
            QColor button, text;
        };
        for (const Case& c : {Case{"light", QColor(239, 239, 239), QColor(20, 20, 20)},
                              Case{"dark", QColor(45, 45, 48), QColor(235, 235, 235)}}) {
            QPalette palette = QApplication::palette();
            palette.setColor(QPalette::Button, c.button);
            palette.setColor(QPalette::ButtonText, c.text);
            QWidget window;
            window.setPalette(palette);
            for (const auto& [theme, fallback] :
                 {std::pair{"media-playback-start", QStyle::SP_MediaPlay},
                  std::pair{"media-playback-stop", QStyle::SP_MediaStop}, std::pair{"go-down", QStyle::SP_ArrowDown}}) {
                QPushButton* button = makeButton(&window, theme, ">", "Play");
                showThemedIcon(button, theme, fallback);
                QCOMPARE(button->toolTip(), QString("Play"));
                QCOMPARE(button->accessibleName(), QString("Play"));
                // A sign the style cannot draw readably here keeps its text, drawn in the
                // button's text colour; the media signs are drawn in that colour.
                if (button->icon().isNull()) {
                    QCOMPARE(button->text(), QString(">"));
                    QVERIFY2(fallback < QStyle::SP_MediaPlay || fallback > QStyle::SP_MediaVolumeMuted, theme);
                    continue;
                }
                QVERIFY(button->text().isEmpty());
                const double lightness = drawnLightness(button->icon());
                QVERIFY2(lightness >= 0, theme);
                QVERIFY2(std::abs(lightness - c.button.lightness()) > 100,
                         qPrintable(QString("%1 on %2: %3").arg(theme, c.name).arg(lightness)));
            }
        }
    }
};

QTEST_MAIN(ThemedIconsTest)
#include "ThemedIconsTest.moc"
