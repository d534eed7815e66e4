#pragma once

// The working copy of the options dialog: one value per control, named after the
// control. List controls hold the 0-based position of their chosen entry; paired
// radio buttons are held by the first of the pair (its partner is the opposite).
// Default values are the settings file's read defaults.

#include <string>
#include <vector>

#include "AppSettings.h"

struct TOptionsValues {
    // Format page.
    int cboxWavFreq = 5;
    int cboxWavChannels = 1;
    int cboxWavSampleRate = 1;
    int cboxMP3Freq = 1;
    int cboxMP3Channels = 1;
    int cboxMP3EncoderQuality = 0;
    int cboxMP3BitRate = 6;
    int cboxMP3MaxBitRate = 6;
    int cboxMP3VBRQuality = 0;
    bool cboxVBRHeader = false;
    bool cboxVBREnable = false;
    int cboxOggFreq = 1;
    int cboxOggChannels = 1;
    int cboxOggBitRate = 6;
    int cboxWmaFormat = 0;

    // Recorder hot keys (hidden page).
    int comboxStartPre1 = 1;
    int comboxStart1 = 28;
    int comboxStartPre2 = 0;
    int comboxStart2 = 55;
    int comboxStopPre1 = 1;
    int comboxStop1 = 29;
    int comboxStopPre2 = 0;
    int comboxStop2 = 56;
    bool cboxStart1 = true;
    bool cboxStart2 = true;
    bool cboxStop1 = true;
    bool cboxStop2 = true;

    // Recorder automation (hidden page).
    int udVolumeLevel = 5;
    int udVolumeTime = 3;
    int udStopMinute = 0;
    int udStopSecond = 30;
    bool cboxStopVolume = false;
    bool cboxActiveStopTime = false;
    bool rbNewRecordTimeLimit = false;
    int udAttackLevel = -46;
    int udReleaseTime = 300;
    bool rbVOXNewTrack = false; // partner rbVOXPause
    bool cboxActiveVOX = false;

    // Save page.
    std::string edConvertOutputPath;
    bool rbSaveToAppointed = true; // partner rbSaveToOriginal
    bool rbConvertAddNew = true;   // partner rbConvertOverwrite
    std::string edSplitOutputPath;
    bool rbSplitSaveToAppointed = true;
    bool rbSplitAddNew = true;
    std::string edJoinOutputPath;
    std::string edJoinPreName = "Merged";
    std::string edJoinPosName;
    bool cboxJoinUseDate = true;
    bool rbJoinAddNew = true;
    std::string edOutputPath;
    std::string edPreName = "Recorded";
    std::string edPosName;
    bool cboxUseDate = true;
    bool rbAddNew = true;

    // E-mail page (hidden).
    std::string edSubject;
    std::vector<std::string> memoBody; // the memo's lines

    // Schedule page (hidden); an entry's Use is its row's tick box.
    std::vector<GlobeVar::TScheduleEntry> listSchedule;

    bool operator==(const TOptionsValues&) const = default;
};
