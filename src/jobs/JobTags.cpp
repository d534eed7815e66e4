#include "JobTags.h"

AudioTags sectionTags(const AudioTags& source, const std::string& sourceName, int number) {
    if (source.empty())
        return {};
    AudioTags section = source;
    section.title = (source.title.empty() ? sourceName : source.title) + " (" + std::to_string(number) + ")";
    section.track = std::to_string(number);
    return section;
}

AudioTags mergedTags(const AudioTags& first, const std::string& mergedName) {
    if (first.empty())
        return {};
    AudioTags merged;
    merged.title = mergedName;
    merged.artist = first.artist;
    merged.album = first.album;
    merged.albumArtist = first.albumArtist;
    merged.date = first.date;
    merged.genre = first.genre;
    merged.cover = first.cover;
    return merged;
}
