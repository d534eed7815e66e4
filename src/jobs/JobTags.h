#pragma once

#include <string>

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

// The tags of a merged file: the first input's artist, album, album artist, date, genre
// and cover, titled with the merged file's name. A first input without tags gives none.
AudioTags mergedTags(const AudioTags& first, const std::string& mergedName);
