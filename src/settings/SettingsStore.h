#pragma once

// The settings file "ZSCJCfg.ini" and the schedule files: load them into the
// options' working copy, save the working copy, reset it to the Default button's
// values, and apply it to the shared state.

#include <stdexcept>
#include <string>
#include <vector>

#include "AppSettings.h"
#include "OptionValues.h"

// Raised when a settings or schedule file cannot be written; the old file stays intact.
class SettingsWriteError : public std::runtime_error {
public:
    explicit SettingsWriteError(const std::string& path);
};

// Raised when a settings file exists but cannot be read, is too large or is not settings.
class SettingsReadError : public std::runtime_error {
public:
    SettingsReadError(const std::string& path, const std::string& cause);
};

// settingsFolder + settingsFileName, and settingsFolder + scheduleFileName.
std::string settingsFilePath();
std::string scheduleFilePath();

// Reads every key (missing or unreadable ones give their read defaults), with the
// schedule file between the Hotkey and AutoStop sections. A file that exists but cannot
// be read as settings raises SettingsReadError; a missing one gives the read defaults.
void loadSettings(OptionValues& values, const std::string& settingsPath, const std::string& schedulePath);

// Writes every value back to its key in the same order, atomically.
void saveSettings(const OptionValues& values, const std::string& settingsPath, const std::string& schedulePath);

// The Default button: every value to its reset value, then the four output folders made to exist.
void resetSettings(OptionValues& values);

// Derives every shared state field from the working copy.
void applySettings(const OptionValues& values);

// Start-up: load the file if it exists, otherwise reset and save a new one; then apply.
// A file that cannot be read raises SettingsReadError after the defaults were applied,
// and is not replaced.
void startupSettings(OptionValues& values);

// Returns false (and leaves entries alone) when the file holds no entries.
bool readScheduleFile(const std::string& path, std::vector<AppSettings::ScheduleEntry>& entries);
void writeScheduleFile(const std::string& path, const std::vector<AppSettings::ScheduleEntry>& entries);

// The mail body as stored: the lines, each followed by CR LF, as upper-case hex digits.
std::string encodeBody(const std::vector<std::string>& lines);
std::vector<std::string> decodeBody(const std::string& hex);
