#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "AudioTags.h"

// Titles, artists and album fields given for a section (a CUE sheet's, the user's own).
struct GivenTags {
    std::string title, artist;
    AudioTags album; // album, artist, album artist, date, genre
};

// The tags of a cut's section number (1 for the first): the source's, titled with the
// source's title, or its file name when it has none, and " (number)", and numbered;
// the fields given replace those. A source without tags, given none, gives none.
AudioTags sectionTags(const AudioTags& source, const std::string& sourceName, int number, const GivenTags& given = {});

// A join's chapter title for an input: its title tag, else its file name without
// folder and extension.
std::string chapterTitleOf(const std::string& path);

// A join's chapters: one per input, from its start in the joined file to the next one's
// (the last to lengthMs), titled as titles gives (an empty or missing one: chapterTitleOf).
std::vector<Chapter> joinChapters(const std::vector<std::string>& paths, const std::vector<std::string>& titles,
                                  const std::vector<int64_t>& startsMs, int64_t lengthMs);

// The tags of a merged file: the first input's artist, album, album artist, date, genre
// and cover, titled with the merged file's name. A first input without tags gives none.
AudioTags mergedTags(const AudioTags& first, const std::string& mergedName);
