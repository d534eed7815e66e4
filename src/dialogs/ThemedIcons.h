#pragma once

#include <QStyle>

class QAbstractButton;
class QPushButton;
class QString;
class QWidget;

// A push button of a window with its object name and hint (also its accessible
// description); Enter does not press it.
QPushButton* makeButton(QWidget* parent, const char* name, const QString& text, const QString& hint);

// Shows the desktop theme's icon on a button whose text is a sign (">", "||", "v"), or
// the style's own icon where the theme has none; the sign's meaning stays as the
// button's tooltip and accessible name, for screen readers and for the tests.
void showThemedIcon(QAbstractButton* button, const char* themeName, QStyle::StandardPixmap fallback);
