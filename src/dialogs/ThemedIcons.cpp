#include "ThemedIcons.h"

#include <cmath>

#include <QAbstractButton>
#include <QAction>
#include <QIcon>
#include <QImage>
#include <QPainter>
#include <QPixmap>
#include <QPushButton>

namespace {

// The mean lightness (0 .. 255) of an icon's drawn pixels, -1 for none.
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

// The style's own sign drawn in the button's text colour: the style draws its signs in
// one colour, which a dark palette makes unreadable.
QIcon inTextColour(const QIcon& sign, const QColor& colour) {
    QIcon tinted;
    for (const int side : {16, 24, 32, 48}) {
        QImage image = sign.pixmap(side, side).toImage().convertToFormat(QImage::Format_ARGB32_Premultiplied);
        QPainter painter(&image);
        painter.setCompositionMode(QPainter::CompositionMode_SourceIn);
        painter.fillRect(image.rect(), colour);
        painter.end();
        tinted.addPixmap(QPixmap::fromImage(image));
    }
    return tinted;
}

} // namespace

void showThemedIcon(QAbstractButton* button, const char* themeName, QStyle::StandardPixmap fallback) {
    const QIcon themed = QIcon::fromTheme(themeName);
    const QIcon style = button->style()->standardIcon(fallback);
    // The style's sign as it is where it stands out from the button; else a plain shape
    // (the media signs) in the text colour; else the sign's own text, which the button
    // draws in its text colour.
    const bool readable = std::abs(drawnLightness(style) - button->palette().color(QPalette::Button).lightness()) > 100;
    const bool shape = fallback >= QStyle::SP_MediaPlay && fallback <= QStyle::SP_MediaVolumeMuted;
    const QString meaning = button->toolTip().isEmpty() ? button->text() : button->toolTip();
    button->setAccessibleName(meaning);
    button->setToolTip(meaning);
    if (themed.isNull() && !readable && !shape)
        return; // the text stays
    button->setIcon(!themed.isNull() ? themed
                    : readable       ? style
                                     : inTextColour(style, button->palette().color(QPalette::ButtonText)));
    button->setText({});
}

QPushButton* makeButton(QWidget* parent, const char* name, const QString& text, const QString& hint) {
    auto* button = new QPushButton(text, parent);
    button->setObjectName(name);
    button->setToolTip(hint);
    button->setAccessibleDescription(hint);
    button->setAutoDefault(false);
    return button;
}

void addShortcut(QAbstractButton* button, const QKeySequence& keys) {
    auto* action = new QAction(button);
    action->setShortcut(keys);
    action->setShortcutContext(Qt::WindowShortcut);
    button->addAction(action);
    QObject::connect(action, &QAction::triggered, button, [button] {
        if (button->isEnabled() && button->isVisible())
            button->click();
    });
    button->setToolTip(QString("%1 (%2)").arg(button->toolTip(), keys.toString(QKeySequence::NativeText)));
}
