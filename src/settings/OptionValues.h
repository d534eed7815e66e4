#pragma once

// The working copy of the options dialog: one value per control, named after the
// control. List controls hold the 0-based position of their chosen entry; paired
// radio buttons are held by the first of the pair (its partner is the opposite).
// Default values are the settings file's read defaults.

#include <string>
#include <vector>

#include "AppSettings.h"

struct OptionValues {
    // Format page.
    int wavRateIndex = 5;
    int wavChannelsIndex = 1;
    int wavSampleSizeIndex = 1;
    int mp3RateIndex = 1;
    int mp3ChannelsIndex = 1;
    int mp3EncoderQualityIndex = 0;
    int mp3BitRateIndex = 6;
    int mp3MaxBitRateIndex = 6;
    int mp3VbrQualityIndex = 0;
    bool mp3VbrHeader = false;
    bool mp3VbrEnabled = false;
    int oggRateIndex = 1;
    int oggChannelsIndex = 1;
    int oggQualityIndex = 6;
    int wmaProfileIndex = 0;
    int flacRateIndex = 5;
    int flacChannelsIndex = 1;
    int flacSampleSizeIndex = 0;
    int flacLevelIndex = 5;
    int opusChannelsIndex = 1;
    int opusBitRateIndex = 8; // 96 kbps
    int m4aRateIndex = 5;     // 44100 Hz
    int m4aChannelsIndex = 1;
    int m4aBitRateIndex = 3; // 160 kbps

    // Recorder hot keys (hidden page).
    int startKey1ModifierIndex = 1;
    int startKey1Index = 28;
    int startKey2ModifierIndex = 0;
    int startKey2Index = 55;
    int stopKey1ModifierIndex = 1;
    int stopKey1Index = 29;
    int stopKey2ModifierIndex = 0;
    int stopKey2Index = 56;
    bool startKey1Used = true;
    bool startKey2Used = true;
    bool stopKey1Used = true;
    bool stopKey2Used = true;

    // Recorder automation (hidden page).
    int autoStopVolumeLevel = 5;
    int autoStopVolumeTime = 3;
    int autoStopMinute = 0;
    int autoStopSecond = 30;
    bool autoStopByVolume = false;
    bool autoStopByTime = false;
    bool autoStopStartsNewRecord = false;
    int voxAttackLevel = -46;
    int voxReleaseTime = 300;
    bool voxNewTrack = false; // partner rbVOXPause
    bool voxEnabled = false;

    // Save page.
    std::string convertFolder;
    bool convertToChosenFolder = true; // partner convertToSourceFolderButton_
    bool convertAddsNew = true;        // partner convertOverwriteButton_
    std::string cutFolder;
    bool cutToChosenFolder = true;
    bool cutAddsNew = true;
    bool cutKeepsEncoding = false;
    bool joinKeepsEncoding = false;
    std::string joinFolder;
    std::string joinPrefix = "Merged";
    std::string joinSuffix;
    bool joinUsesDate = true;
    bool joinAddsNew = true;
    std::string recordFolder;
    std::string recordPrefix = "Recorded";
    std::string recordSuffix;
    bool recordUsesDate = true;
    bool recordAddsNew = true;

    // E-mail page (hidden).
    std::string mailSubject;
    std::vector<std::string> mailBodyLines; // the memo's lines

    // Not in the dialog: the folder the main window listed last, for the next start.
    std::string lastFolder;
    // Not in the dialog: the cutter's and the joiner's recent files, newest first.
    std::vector<std::string> recentCutFiles;
    std::vector<std::string> recentJoinFiles;
    // Not in the dialog: the windows' sizes and places.
    std::string playerGeometry, cutterGeometry, joinerGeometry, optionsGeometry;

    // Loudness page: jobs' output brought to one loudness (off by default), and the gain
    // the player plays with (0 off, 1 the track's ReplayGain, 2 the album's).
    bool convertNormalizes = false;
    bool cutNormalizes = false;
    bool joinNormalizes = false;
    int targetLoudness = -18;     // LUFS
    int peakCeiling = -1;         // dBTP
    bool joinKeepsLevels = false; // a join's inputs keep their levels to each other
    int playbackGainIndex = 1;

    // Names of new files: the templates of the Save pages, and the cut's playlist.
    std::string cutNameTemplate = AppSettings::defaultSplitNameTemplate;
    std::string joinNameTemplate = AppSettings::defaultJoinNameTemplate;
    std::string convertNameTemplate = AppSettings::defaultConvertNameTemplate;
    bool writesPlaylists = false;

    // Schedule page (hidden); an entry's Use is its row's tick box.
    std::vector<AppSettings::ScheduleEntry> schedule;

    bool operator==(const OptionValues&) const = default;
};
