#include "JobTags.h"

#include "OutputNaming.h"

AudioTags sectionTags(const AudioTags& source, const std::string& sourceName, int number, const GivenTags& given) {
    const bool givenAny = !given.title.empty() || !given.artist.empty() || !given.album.empty();
    if (source.empty() && !givenAny)
        return {};
    AudioTags section = source;
    section.title = (source.title.empty() ? sourceName : source.title) + " (" + std::to_string(number) + ")";
    section.track = std::to_string(number);
    for (auto [field, value] : {std::pair{&AudioTags::album, &given.album.album},
                                {&AudioTags::artist, &given.album.artist},
                                {&AudioTags::albumArtist, &given.album.albumArtist},
                                {&AudioTags::date, &given.album.date},
                                {&AudioTags::genre, &given.album.genre},
                                {&AudioTags::title, &given.title},
                                {&AudioTags::artist, &given.artist}})
        if (!value->empty())
            section.*field = *value;
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

std::string chapterTitleOf(const std::string& path) {
    const std::string title = readAudioTags(path).title;
    return title.empty() ? stemOf(path) : title;
}

std::vector<Chapter> joinChapters(const std::vector<std::string>& paths, const std::vector<std::string>& titles,
                                  const std::vector<int64_t>& startsMs, int64_t lengthMs) {
    std::vector<Chapter> chapters;
    for (size_t i = 0; i < paths.size() && i < startsMs.size(); ++i) {
        const bool given = i < titles.size() && !titles[i].empty();
        const int64_t end = i + 1 < startsMs.size() ? startsMs[i + 1] : lengthMs;
        chapters.push_back({startsMs[i], end, given ? titles[i] : chapterTitleOf(paths[i])});
    }
    return chapters;
}
