#include "ThemedIcons.h"

#include <QAbstractButton>
#include <QIcon>

void showThemedIcon(QAbstractButton* button, const char* themeName, QStyle::StandardPixmap fallback) {
    button->setIcon(QIcon::fromTheme(themeName, button->style()->standardIcon(fallback)));
    const QString meaning = button->toolTip().isEmpty() ? button->text() : button->toolTip();
    button->setAccessibleName(meaning);
    button->setToolTip(meaning);
    button->setText({});
}
