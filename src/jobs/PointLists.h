#pragma once

// Cut points from a file's chapters and from Audacity label files, the cut list written
// as labels, and the M3U playlist of the files a job wrote.

#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

#include "AudioTags.h"
#include "CutPlan.h"

// A label file or playlist that cannot be read or written; the text names the file (and
// the line) and the cause.
class PointListError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// A section per chapter (in order of their starts) to the next one's start, titled as it
// is; where the first starts after 0, the stretch before it is an unticked section.
// Chapters at or past durationMs are left out.
CutPlan planFromChapters(const std::vector<Chapter>& chapters, int64_t durationMs);

// Audacity's labels, one per line: start and end in seconds (a point label has both the
// same) and the label's text, separated by tabs; the lines of spectral labels ("\" and
// two frequencies) are passed over. A label is a section titled by its text; the
// stretches between region labels are unticked sections.
CutPlan parseAudacityLabels(const std::string& text, int64_t durationMs);
// The same for the labels in the file labelPath (of at most 1 MB).
CutPlan readAudacityLabels(const std::string& labelPath, int64_t durationMs);
// The ticked sections of a plan over a file of durationMs as region labels.
std::string audacityLabelsText(const CutPlan& plan, int64_t durationMs);

// An extended M3U playlist (UTF-8) in folder of the files written: their paths relative to
// the folder where they lie in it or below, their lengths and titles.
struct PlaylistEntry {
    std::string path;
    int64_t lengthMs = 0;
    std::string title;
};
std::string m3uText(const std::string& folder, const std::vector<PlaylistEntry>& entries);

// Writes text as fileName through a hidden file beside it that takes the name when it is
// complete; raises PointListError naming the file when it cannot.
void writeTextFile(const std::string& fileName, const std::string& text);
