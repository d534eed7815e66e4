#pragma once

// CUE sheets: the cut points, titles and artists of an album image's tracks, and the
// cutter's own cut lists saved in the same form.

#include <cstdint>
#include <stdexcept>
#include <string>

#include "AudioTags.h"
#include "CutPlan.h"

// A sheet that cannot be used; the text names the line where that shows.
class CueSheetError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

struct CueSheet {
    std::string file; // the audio file named by the sheet's FILE line
    AudioTags album;  // TITLE (album), PERFORMER (artist, album artist), REM DATE, REM GENRE
    CutPlan sections; // one per track, at INDEX 01 (REM ZELVO_MS where it gives the exact ms);
                      // a first track that starts later leaves an unticked section before it
};

// Reads a sheet's bytes, in encoding (a name iconv knows) or, when it is "", in the one
// they are found to be in (see TextDecoding), with any line ends. audioName, the file
// it is to cut (its name without folder is enough), must be the one the sheet names, up
// to the extension and letter case; durationMs is its length, beyond which no track may
// start. A track without a PERFORMER of its own gets the sheet's. Raises CueSheetError
// naming the line for anything it cannot use.
CueSheet parseCueSheet(const std::string& bytes, const std::string& audioName, int64_t durationMs,
                       const std::string& encoding = {});

// The bytes of the sheet in the file sheetPath (a file of at most 1 MB); raises
// CueSheetError naming the sheet when it cannot be read.
std::string cueSheetBytes(const std::string& sheetPath);

// The same as parseCueSheet for the sheet in the file sheetPath; the message of the CueSheetError also
// names the sheet ("Cannot use the CUE sheet "…": line 3: …").
CueSheet readCueSheet(const std::string& sheetPath, const std::string& audioName, int64_t durationMs,
                      const std::string& encoding = {});

// The sheet of a cut list over audioName: a track per section with its title and
// artist, the time to the CUE's 1/75 s in INDEX 01 and to the millisecond in
// REM ZELVO_MS, and REM ZELVO_USE 0 for an unticked section.
std::string cueSheetText(const std::string& audioName, const CutPlan& sections);
