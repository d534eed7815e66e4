#pragma once

#include <QStyle>

class QAbstractButton;
class QKeySequence;
class QPushButton;
class QString;
class QWidget;

// A push button of a window with its object name and hint (also its accessible
// description); Enter does not press it.
QPushButton* makeButton(QWidget* parent, const char* name, const QString& text, const QString& hint);

// Shows the desktop theme's icon on a button whose text is a sign (">", "||", "v"), or
// the style's own icon drawn in the button's text colour where the theme has none; the sign's meaning stays as the
// button's tooltip and accessible name, for screen readers and for the tests.
void showThemedIcon(QAbstractButton* button, const char* themeName, QStyle::StandardPixmap fallback);

// A shortcut that presses the button wherever the focus is in its window (while the
// button is shown and enabled); its tooltip names the keys.
void addShortcut(QAbstractButton* button, const QKeySequence& keys);
