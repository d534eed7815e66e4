#include "JobTags.h"

TAudioTags SectionTags(const TAudioTags& source, const std::string& sourceName, int number) {
    if (source.Empty())
        return {};
    TAudioTags section = source;
    section.Title = (source.Title.empty() ? sourceName : source.Title) + " (" + std::to_string(number) + ")";
    section.Track = std::to_string(number);
    return section;
}

TAudioTags MergedTags(const TAudioTags& first, const std::string& mergedName) {
    if (first.Empty())
        return {};
    TAudioTags merged;
    merged.Title = mergedName;
    merged.Artist = first.Artist;
    merged.Album = first.Album;
    merged.AlbumArtist = first.AlbumArtist;
    merged.Date = first.Date;
    merged.Genre = first.Genre;
    merged.Cover = first.Cover;
    return merged;
}
