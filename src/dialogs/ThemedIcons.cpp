#include "ThemedIcons.h"

#include <QAbstractButton>
#include <QAction>
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
