#pragma once

#include <QDialog>

#include "OptionsValues.h"

// The options dialog. It holds the options' working copy (Values), which the
// settings file is loaded into and saved from, and which applying copies into the
// shared state.
class TfrmOptions : public QDialog {
    Q_OBJECT

public:
    explicit TfrmOptions(QWidget* parent = nullptr);

    // Start-up: loads the settings file, or writes a new one with the reset values;
    // then applies. Raises SettingsWriteError when the new file cannot be written.
    void LoadAtStartup();

    // Program end: the working copy is saved once more.
    void SaveAtProgramEnd();

    TOptionsValues Values;
};
