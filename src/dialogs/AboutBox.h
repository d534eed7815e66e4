#pragma once

class QWidget;

// The about box of the program: its name, version and the libraries it uses with their licences.
void showAboutBox(QWidget* parent);
