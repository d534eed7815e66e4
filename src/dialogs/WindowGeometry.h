#pragma once

#include <string>

class QWidget;

// Keeps a window's size and place in stored (a text of the settings file): the window
// takes them back when it is first shown, and they are kept each time it is hidden. A
// window of a size or place the screens no longer have is fitted into them by Qt.
void keepGeometry(QWidget* window, std::string& stored);
