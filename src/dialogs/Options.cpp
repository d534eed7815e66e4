#include "Options.h"

#include "SettingsStore.h"

TfrmOptions::TfrmOptions(QWidget* parent) : QDialog(parent) {
    setObjectName("frmOptions");
    setWindowTitle("Zelvo MP3 Zovozu Darozu: Options");
}

void TfrmOptions::LoadAtStartup() {
    StartupSettings(Values);
}

void TfrmOptions::SaveAtProgramEnd() {
    SaveSettings(Values, SettingsFilePath(), ScheduleFilePath());
}
