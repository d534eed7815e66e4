#include "ThemedIcons.h"

#include <QAbstractButton>
#include <QIcon>
#include <QPushButton>

void showThemedIcon(QAbstractButton* button, const char* themeName, QStyle::StandardPixmap fallback) {
    button->setIcon(QIcon::fromTheme(themeName, button->style()->standardIcon(fallback)));
    const QString meaning = button->toolTip().isEmpty() ? button->text() : button->toolTip();
    button->setAccessibleName(meaning);
    button->setToolTip(meaning);
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
