#include "AudioTags.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <map>
#include <filesystem>
#include <memory>
#include <mutex>

#include <taglib/aifffile.h>
#include <taglib/asffile.h>
#include <taglib/attachedpictureframe.h>
#include <taglib/chapterframe.h>
#include <taglib/flacfile.h>
#include <taglib/flacpicture.h>
#include <taglib/id3v2tag.h>
#include <taglib/tableofcontentsframe.h>
#include <taglib/textidentificationframe.h>
#include <taglib/mp4file.h>
#include <taglib/mpegfile.h>
#include <taglib/opusfile.h>
#include <taglib/tdebuglistener.h>
#include <taglib/tpropertymap.h>
#include <taglib/vorbisfile.h>
#include <taglib/apeitem.h>
#include <taglib/apetag.h>
#include <taglib/wavfile.h>
#include <taglib/xiphcomment.h>

#include "EngineError.h"
#include "internal/TagStream.h"

namespace {

using Engine::TagFileStream;

enum class TagKind { None, Wav, Mp3, Ogg, Wma, Flac, Opus, Mp4, Aiff };

TagKind kindOf(const std::string& fileName) {
    std::string extension = std::filesystem::path(fileName).extension().string();
    std::transform(extension.begin(), extension.end(), extension.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    static const std::pair<const char*, TagKind> kinds[] = {
        {".wav", TagKind::Wav},   {".mp3", TagKind::Mp3},   {".ogg", TagKind::Ogg}, {".wma", TagKind::Wma},
        {".flac", TagKind::Flac}, {".opus", TagKind::Opus}, {".m4a", TagKind::Mp4}, {".m4b", TagKind::Mp4},
        {".aiff", TagKind::Aiff}, {".aif", TagKind::Aiff}};
    for (const auto& [name, kind] : kinds)
        if (extension == name)
            return kind;
    return TagKind::None;
}

// TagLib's own messages stay off the terminal, as FFmpeg's do.
class SilentTagLib : public TagLib::DebugListener {
public:
    void printMessage(const TagLib::String&) override {}
};

void quietTagLib() {
    static std::once_flag once;
    static SilentTagLib listener;
    std::call_once(once, [] { TagLib::setDebugListener(&listener); });
}

std::unique_ptr<TagLib::File> openTagFile(TagKind kind, TagFileStream& stream) {
    quietTagLib();
    switch (kind) {
    case TagKind::Wav: return std::make_unique<TagLib::RIFF::WAV::File>(&stream, false);
    case TagKind::Mp3:
        return std::make_unique<TagLib::MPEG::File>(&stream, TagLib::ID3v2::FrameFactory::instance(), false);
    case TagKind::Ogg: return std::make_unique<TagLib::Ogg::Vorbis::File>(&stream, false);
    case TagKind::Wma: return std::make_unique<TagLib::ASF::File>(&stream, false);
    case TagKind::Flac:
        return std::make_unique<TagLib::FLAC::File>(&stream, TagLib::ID3v2::FrameFactory::instance(), false);
    case TagKind::Opus: return std::make_unique<TagLib::Ogg::Opus::File>(&stream, false);
    case TagKind::Mp4: return std::make_unique<TagLib::MP4::File>(&stream, false);
    case TagKind::Aiff: return std::make_unique<TagLib::RIFF::AIFF::File>(&stream, false);
    case TagKind::None: break;
    }
    return nullptr;
}

std::string lowerCase(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

TagLib::String text(const std::string& utf8) {
    return TagLib::String(utf8, TagLib::String::UTF8);
}
std::string utf8(const TagLib::String& text) {
    return text.to8Bit(true);
}
TagLib::ByteVector bytes(const std::string& data) {
    return TagLib::ByteVector(data.data(), static_cast<unsigned int>(data.size()));
}
std::string fromBytes(const TagLib::ByteVector& data) {
    return std::string(data.data(), data.size());
}

// The text fields, their names for people and the names TagLib's unified property map
// gives them.
struct Field {
    const char* name;
    const char* key;
    std::string AudioTags::*member;
};
constexpr Field Fields[] = {
    {"title", "TITLE", &AudioTags::title},
    {"artist", "ARTIST", &AudioTags::artist},
    {"album", "ALBUM", &AudioTags::album},
    {"album_artist", "ALBUMARTIST", &AudioTags::albumArtist},
    {"date", "DATE", &AudioTags::date},
    {"track", "TRACKNUMBER", &AudioTags::track},
    {"genre", "GENRE", &AudioTags::genre},
    {"comment", "COMMENT", &AudioTags::comment},
    {"composer", "COMPOSER", &AudioTags::composer},
};

void readFields(const TagLib::PropertyMap& properties, AudioTags& tags) {
    for (const Field& field : Fields) {
        const auto found = properties.find(field.key);
        if (found != properties.end() && !found->second.isEmpty())
            tags.*field.member = utf8(found->second.front());
    }
}

TagLib::PropertyMap propertiesOf(const AudioTags& tags) {
    TagLib::PropertyMap properties;
    for (const Field& field : Fields)
        if (!(tags.*field.member).empty())
            properties.insert(field.key, TagLib::StringList(text(tags.*field.member)));
    return properties;
}

// ---- The cover, one way per tag kind; a front cover is preferred to other pictures ----

// A file's front cover, else the first of its pictures; each picture with whether it
// is marked as the front cover.
CoverPicture frontOrFirst(const std::vector<std::pair<bool, CoverPicture>>& pictures) {
    const auto front = std::find_if(pictures.begin(), pictures.end(), [](const auto& p) { return p.first; });
    if (front != pictures.end())
        return front->second;
    return pictures.empty() ? CoverPicture{} : pictures.front().second;
}

CoverPicture id3Cover(const TagLib::ID3v2::Tag* tag) {
    std::vector<std::pair<bool, CoverPicture>> pictures;
    for (TagLib::ID3v2::Frame* frame : tag ? tag->frameList("APIC") : TagLib::ID3v2::FrameList())
        if (const auto* picture = dynamic_cast<TagLib::ID3v2::AttachedPictureFrame*>(frame))
            pictures.emplace_back(picture->type() == TagLib::ID3v2::AttachedPictureFrame::FrontCover,
                                  CoverPicture{utf8(picture->mimeType()), fromBytes(picture->picture())});
    return frontOrFirst(pictures);
}

void setId3Cover(TagLib::ID3v2::Tag* tag, const CoverPicture& cover) {
    tag->removeFrames("APIC");
    if (cover.data.empty())
        return;
    auto frame = std::make_unique<TagLib::ID3v2::AttachedPictureFrame>();
    frame->setType(TagLib::ID3v2::AttachedPictureFrame::FrontCover);
    frame->setMimeType(text(cover.mimeType));
    frame->setPicture(bytes(cover.data));
    tag->addFrame(frame.release());
}

CoverPicture flacCover(const TagLib::List<TagLib::FLAC::Picture*>& list) {
    std::vector<std::pair<bool, CoverPicture>> pictures;
    for (const TagLib::FLAC::Picture* picture : list)
        pictures.emplace_back(picture->type() == TagLib::FLAC::Picture::FrontCover,
                              CoverPicture{utf8(picture->mimeType()), fromBytes(picture->data())});
    return frontOrFirst(pictures);
}

CoverPicture xiphCover(TagLib::Ogg::XiphComment* comment) {
    return flacCover(comment ? comment->pictureList() : TagLib::List<TagLib::FLAC::Picture*>());
}

// A FLAC picture block (also what Vorbis comments carry) for the cover; null when there is none.
std::unique_ptr<TagLib::FLAC::Picture> flacPicture(const CoverPicture& cover) {
    if (cover.data.empty())
        return nullptr;
    auto picture = std::make_unique<TagLib::FLAC::Picture>();
    picture->setType(TagLib::FLAC::Picture::FrontCover);
    picture->setMimeType(text(cover.mimeType));
    picture->setData(bytes(cover.data));
    return picture;
}

void setXiphCover(TagLib::Ogg::XiphComment* comment, const CoverPicture& cover) {
    comment->removeAllPictures();
    if (auto picture = flacPicture(cover))
        comment->addPicture(picture.release());
}

CoverPicture asfCover(TagLib::ASF::Tag* tag) {
    std::vector<std::pair<bool, CoverPicture>> pictures;
    if (tag && tag->contains("WM/Picture"))
        for (const TagLib::ASF::Attribute& attribute : tag->attribute("WM/Picture"))
            if (const TagLib::ASF::Picture picture = attribute.toPicture(); picture.isValid())
                pictures.emplace_back(picture.type() == TagLib::ASF::Picture::FrontCover,
                                      CoverPicture{utf8(picture.mimeType()), fromBytes(picture.picture())});
    return frontOrFirst(pictures);
}

void setAsfCover(TagLib::ASF::Tag* tag, const CoverPicture& cover) {
    tag->removeItem("WM/Picture");
    if (cover.data.empty())
        return;
    TagLib::ASF::Picture picture;
    picture.setType(TagLib::ASF::Picture::FrontCover);
    picture.setMimeType(text(cover.mimeType));
    picture.setPicture(bytes(cover.data));
    tag->setAttribute("WM/Picture", TagLib::ASF::Attribute(picture));
}

CoverPicture mp4Cover(TagLib::MP4::Tag* tag) {
    if (!tag || !tag->contains("covr"))
        return {};
    const TagLib::MP4::CoverArtList covers = tag->item("covr").toCoverArtList();
    if (covers.isEmpty())
        return {};
    const TagLib::MP4::CoverArt& cover = covers.front();
    const char* mimeType = cover.format() == TagLib::MP4::CoverArt::PNG   ? "image/png"
                           : cover.format() == TagLib::MP4::CoverArt::BMP ? "image/bmp"
                           : cover.format() == TagLib::MP4::CoverArt::GIF ? "image/gif"
                                                                          : "image/jpeg";
    return {mimeType, fromBytes(cover.data())};
}

void setMp4Cover(TagLib::MP4::Tag* tag, const CoverPicture& cover) {
    tag->removeItem("covr");
    if (cover.data.empty())
        return;
    const auto format = cover.mimeType == "image/png"   ? TagLib::MP4::CoverArt::PNG
                        : cover.mimeType == "image/bmp" ? TagLib::MP4::CoverArt::BMP
                        : cover.mimeType == "image/gif" ? TagLib::MP4::CoverArt::GIF
                                                        : TagLib::MP4::CoverArt::JPEG;
    TagLib::MP4::CoverArtList covers;
    covers.append(TagLib::MP4::CoverArt(format, bytes(cover.data)));
    tag->setItem("covr", covers);
}

CoverPicture coverOf(TagKind kind, TagLib::File& file) {
    switch (kind) {
    case TagKind::Wav: {
        auto& wav = static_cast<TagLib::RIFF::WAV::File&>(file);
        return wav.hasID3v2Tag() ? id3Cover(wav.ID3v2Tag()) : CoverPicture{};
    }
    case TagKind::Mp3: {
        auto& mpeg = static_cast<TagLib::MPEG::File&>(file);
        return id3Cover(mpeg.ID3v2Tag(false));
    }
    case TagKind::Ogg: return xiphCover(static_cast<TagLib::Ogg::Vorbis::File&>(file).tag());
    case TagKind::Wma: return asfCover(static_cast<TagLib::ASF::File&>(file).tag());
    case TagKind::Flac: return flacCover(static_cast<TagLib::FLAC::File&>(file).pictureList());
    case TagKind::Opus: return xiphCover(static_cast<TagLib::Ogg::Opus::File&>(file).tag());
    case TagKind::Mp4: return mp4Cover(static_cast<TagLib::MP4::File&>(file).tag());
    case TagKind::Aiff: {
        auto& aiff = static_cast<TagLib::RIFF::AIFF::File&>(file);
        return aiff.hasID3v2Tag() ? id3Cover(aiff.tag()) : CoverPicture{};
    }
    case TagKind::None: break;
    }
    return {};
}

// Saves the opened file; false when TagLib could not. ID3 tags are of version 2.3, the
// one that players and devices read most widely.
// strip: tags of other kinds (ID3v1, APE, RIFF INFO) go, as they do from the files the
// program writes; tags added to a user's file keep them.
bool saveFile(TagKind kind, TagLib::File& file, bool strip = true) {
    const auto others = strip ? TagLib::File::StripOthers : TagLib::File::StripNone;
    switch (kind) {
    case TagKind::Wav:
        return static_cast<TagLib::RIFF::WAV::File&>(file).save(TagLib::RIFF::WAV::File::AllTags, others,
                                                                TagLib::ID3v2::v3);
    case TagKind::Mp3:
        return static_cast<TagLib::MPEG::File&>(file).save(TagLib::MPEG::File::ID3v2, others, TagLib::ID3v2::v3);
    case TagKind::Ogg:
    case TagKind::Wma:
    case TagKind::Flac:
    case TagKind::Opus: // ReplayGain values only
    case TagKind::Mp4: return file.save();
    case TagKind::Aiff:
    case TagKind::None: break; // read only
    }
    return false;
}

// ---- Chapters ----

// ID3v2 chapters as ID3v2 chapter frames 1.0 give them: a CHAP frame per chapter with
// its title in a TIT2 frame, all under one top-level, ordered CTOC.
void setId3Chapters(TagLib::ID3v2::Tag* tag, const std::vector<Chapter>& chapters) {
    tag->removeFrames("CHAP");
    tag->removeFrames("CTOC");
    if (chapters.empty())
        return;
    TagLib::ByteVectorList ids;
    for (size_t i = 0; i < chapters.size(); ++i) {
        const TagLib::ByteVector id = bytes("chp" + std::to_string(i));
        TagLib::ID3v2::FrameList titled;
        if (!chapters[i].title.empty()) {
            auto* title = new TagLib::ID3v2::TextIdentificationFrame("TIT2", TagLib::String::UTF16);
            title->setText(text(chapters[i].title));
            titled.append(title);
        }
        constexpr unsigned NoOffset = 0xFFFFFFFF;
        tag->addFrame(new TagLib::ID3v2::ChapterFrame(id, static_cast<unsigned>(chapters[i].startMs),
                                                      static_cast<unsigned>(chapters[i].endMs), NoOffset, NoOffset,
                                                      titled));
        ids.append(id);
    }
    auto* toc = new TagLib::ID3v2::TableOfContentsFrame("toc", ids);
    toc->setIsTopLevel(true);
    toc->setIsOrdered(true);
    tag->addFrame(toc);
}

// 3723004 ms as "01:02:03.004", the form of CHAPTERnnn comments.
std::string chapterTime(int64_t ms) {
    char time[32];
    std::snprintf(time, sizeof time, "%02lld:%02lld:%02lld.%03lld", static_cast<long long>(ms / 3600000),
                  static_cast<long long>(ms / 60000 % 60), static_cast<long long>(ms / 1000 % 60),
                  static_cast<long long>(ms % 1000));
    return time;
}

void setXiphChapters(TagLib::Ogg::XiphComment* comment, const std::vector<Chapter>& chapters) {
    for (size_t i = 0; i < chapters.size() && i < 999; ++i) {
        char key[16];
        std::snprintf(key, sizeof key, "CHAPTER%03zu", i + 1);
        comment->addField(key, text(chapterTime(chapters[i].startMs)));
        if (!chapters[i].title.empty())
            comment->addField(std::string(key) + "NAME", text(chapters[i].title));
    }
}

// Puts the tags into the opened file (replacing all it had) and saves it.
bool saveTags(TagKind kind, TagLib::File& file, const AudioTags& tags) {
    file.setProperties(propertiesOf(tags));
    switch (kind) {
    case TagKind::Wav: setId3Cover(static_cast<TagLib::RIFF::WAV::File&>(file).ID3v2Tag(), tags.cover); break;
    case TagKind::Mp3: {
        TagLib::ID3v2::Tag* tag = static_cast<TagLib::MPEG::File&>(file).ID3v2Tag(true);
        setId3Cover(tag, tags.cover);
        setId3Chapters(tag, tags.chapters);
        break;
    }
    case TagKind::Ogg: {
        TagLib::Ogg::XiphComment* comment = static_cast<TagLib::Ogg::Vorbis::File&>(file).tag();
        setXiphCover(comment, tags.cover);
        setXiphChapters(comment, tags.chapters);
        break;
    }
    case TagKind::Wma: setAsfCover(static_cast<TagLib::ASF::File&>(file).tag(), tags.cover); break;
    case TagKind::Flac: {
        auto& flac = static_cast<TagLib::FLAC::File&>(file);
        flac.removePictures();
        if (auto picture = flacPicture(tags.cover))
            flac.addPicture(picture.release());
        setXiphChapters(flac.xiphComment(true), tags.chapters);
        break;
    }
    case TagKind::Opus: {
        TagLib::Ogg::XiphComment* comment = static_cast<TagLib::Ogg::Opus::File&>(file).tag();
        setXiphCover(comment, tags.cover);
        setXiphChapters(comment, tags.chapters);
        break;
    }
    case TagKind::Mp4: setMp4Cover(static_cast<TagLib::MP4::File&>(file).tag(), tags.cover); break;
    default: break;
    }
    return saveFile(kind, file);
}

// ---- ReplayGain 2.0, as rsgain and loudgain write it ----

constexpr const char* ReplayGainKeys[] = {"REPLAYGAIN_TRACK_GAIN", "REPLAYGAIN_TRACK_PEAK", "REPLAYGAIN_ALBUM_GAIN",
                                          "REPLAYGAIN_ALBUM_PEAK"};

std::string gainText(double decibels) {
    char text[32];
    std::snprintf(text, sizeof text, "%.2f dB", decibels);
    return text;
}

std::string peakText(double peak) {
    char text[32];
    std::snprintf(text, sizeof text, "%.6f", peak);
    return text;
}

// The values by key; the album's only when measured.
std::vector<std::pair<std::string, std::string>> replayGainValues(const ReplayGainTags& gain) {
    std::vector<std::pair<std::string, std::string>> values{{ReplayGainKeys[0], gainText(gain.trackGainDb)},
                                                            {ReplayGainKeys[1], peakText(gain.trackPeak)}};
    if (gain.albumGainDb && gain.albumPeak) {
        values.emplace_back(ReplayGainKeys[2], gainText(*gain.albumGainDb));
        values.emplace_back(ReplayGainKeys[3], peakText(*gain.albumPeak));
    }
    return values;
}

// Opus's own gains (RFC 7845): Q7.8 fixed point in dB, to -23 LUFS, as opusgain and rsgain
// write them beside the ReplayGain values.
std::vector<std::pair<std::string, std::string>> r128Values(const ReplayGainTags& gain) {
    const auto q78 = [](double replayGainDb) {
        return std::to_string(std::clamp<long>(std::lround((replayGainDb - 5.0) * 256.0), -32768, 32767));
    };
    std::vector<std::pair<std::string, std::string>> values{{"R128_TRACK_GAIN", q78(gain.trackGainDb)}};
    if (gain.albumGainDb)
        values.emplace_back("R128_ALBUM_GAIN", q78(*gain.albumGainDb));
    return values;
}

// Sets the values beside the file's other tags (older ReplayGain values go): TXXX frames
// in ID3v2, Vorbis comments, and in WMA the attributes foobar2000 names in lower case.
// iTunes' freeform item of a ReplayGain key, as foobar2000 and rsgain name it.
TagLib::String mp4ItemOf(const char* key) {
    return text("----:com.apple.iTunes:" + lowerCase(key));
}

bool saveReplayGain(TagKind kind, TagLib::File& file, const ReplayGainTags& gain) {
    const auto values = replayGainValues(gain);
    if (kind == TagKind::Mp4) {
        auto* tag = static_cast<TagLib::MP4::File&>(file).tag();
        for (const char* key : ReplayGainKeys)
            tag->removeItem(mp4ItemOf(key));
        for (const auto& [key, value] : values)
            tag->setItem(mp4ItemOf(key.c_str()), TagLib::MP4::Item(TagLib::StringList(text(value))));
        return saveFile(kind, file, false);
    }
    if (kind == TagKind::Wma) {
        auto* tag = static_cast<TagLib::ASF::File&>(file).tag();
        for (const char* key : ReplayGainKeys)
            tag->removeItem(text(lowerCase(key)));
        for (const auto& [key, value] : values)
            tag->setAttribute(text(lowerCase(key)), TagLib::ASF::Attribute(text(value)));
        return saveFile(kind, file, false);
    }
    TagLib::PropertyMap properties = file.properties();
    for (const char* key : ReplayGainKeys)
        properties.erase(key);
    for (const char* key : {"R128_TRACK_GAIN", "R128_ALBUM_GAIN"})
        properties.erase(key);
    for (const auto& [key, value] : values)
        properties.replace(key, TagLib::StringList(text(value)));
    if (kind == TagKind::Opus)
        for (const auto& [key, value] : r128Values(gain))
            properties.replace(key, TagLib::StringList(text(value)));
    file.setProperties(properties);
    return saveFile(kind, file, false);
}

// ---- mp3gain's record of a lossless gain change ----

constexpr const char* Mp3GainUndoKey = "MP3GAIN_UNDO";

// "+003,+003,N": the steps that undo the change, for the left and right channel, and
// whether values wrapped around (the program never wraps: it clamps).
std::string undoText(int steps) {
    char text[32];
    std::snprintf(text, sizeof text, "%+04d,%+04d,N", -steps, -steps);
    return text;
}

bool saveMp3GainUndo(TagLib::File& file, int steps) {
    auto& mpeg = static_cast<TagLib::MPEG::File&>(file);
    TagLib::APE::Tag* ape = mpeg.APETag(true);
    if (steps == 0) {
        ape->removeItem(Mp3GainUndoKey);
        if (ape->isEmpty()) // an APE tag of nothing else goes with it
            return mpeg.strip(TagLib::MPEG::File::APE);
    } else {
        ape->setItem(Mp3GainUndoKey, TagLib::APE::Item(Mp3GainUndoKey, text(undoText(steps))));
    }
    return mpeg.save(TagLib::MPEG::File::APE, TagLib::File::StripNone);
}

// An ASF file states its own size in its file properties; TagLib leaves the old one,
// and readers that find it far from the real size distrust the stated duration too.
void recordAsfFileSize(TagFileStream& stream) {
    static const unsigned char filePropertiesId[16] = {0xA1, 0xDC, 0xAB, 0x8C, 0x47, 0xA9, 0xCF, 0x11,
                                                       0x8E, 0xE4, 0x00, 0xC0, 0x0C, 0x20, 0x53, 0x65};
    const long fileSize = stream.length();
    stream.seek(16);
    const long headerEnd = static_cast<long>(stream.readBlock(8).toLongLong(false));
    for (long at = 30; at + 24 <= std::min(headerEnd, fileSize);) {
        stream.seek(at);
        const TagLib::ByteVector id = stream.readBlock(16);
        const long size = static_cast<long>(stream.readBlock(8).toLongLong(false));
        if (id == TagLib::ByteVector(reinterpret_cast<const char*>(filePropertiesId), 16)) {
            stream.seek(at + 40); // after the object's id, its size and the file id
            stream.writeBlock(TagLib::ByteVector::fromLongLong(fileSize, false));
            return;
        }
        if (size < 24)
            return;
        at += size;
    }
}

[[noreturn]] void tagFailure(const std::string& fileName, const std::string& cause) {
    throw EngineError(EngineStatus::TagWriteFailed,
                      "Cannot write the tags of \"" + fileName + "\" (its audio is kept): " + cause);
}

// Writes the tags into path (the file itself or a copy of it); the cause of a failure.
using TagChange = std::function<bool(TagKind, TagLib::File&)>;

std::string writeInto(const std::string& path, TagKind kind, const TagChange& change) {
    TagFileStream stream(path, true);
    if (!stream.isOpen())
        return stream.cause();
    bool saved = false;
    {
        const std::unique_ptr<TagLib::File> file = openTagFile(kind, stream);
        if (!file->isValid())
            return "the file's structure was not understood";
        saved = change(kind, *file);
    }
    if (saved && kind == TagKind::Wma)
        recordAsfFileSize(stream);
    if (!stream.finish())
        return stream.cause();
    return saved ? std::string() : "the tag library could not save them";
}

// A WAV file's tags are chunks after its audio: they are written in place, and on a
// failure the file is cut back to its length and header before.
void writeAfterAudio(const std::string& fileName, const TagChange& change) {
    std::error_code ec;
    const auto length = std::filesystem::file_size(fileName, ec);
    if (ec)
        tagFailure(fileName, ec.message());
    std::string header;
    {
        TagFileStream stream(fileName, false);
        header = fromBytes(stream.readBlock(12));
    }
    const std::string cause = writeInto(fileName, TagKind::Wav, change);
    if (cause.empty())
        return;
    TagFileStream restore(fileName, true);
    restore.truncate(static_cast<long>(length));
    restore.writeBlock(bytes(header));
    restore.finish();
    tagFailure(fileName, cause);
}

// The other kinds keep their tags before the audio, which moves when they grow: they are
// written into a copy that replaces the file only when all went well.
void writeThroughCopy(const std::string& fileName, TagKind kind, const TagChange& change) {
    // A name of its own: a file the user keeps beside it is never taken for the copy.
    std::error_code ec;
    std::string copy;
    for (int attempt = 0; attempt < 100; ++attempt) {
        copy = fileName + ".tagging" + (attempt ? std::to_string(attempt) : "");
        std::filesystem::copy_file(fileName, copy, std::filesystem::copy_options::none, ec);
        if (ec != std::errc::file_exists)
            break;
    }
    if (ec == std::errc::file_exists)
        tagFailure(fileName, ec.message());
    std::string cause = ec ? ec.message() : writeInto(copy, kind, change);
    if (cause.empty()) {
        std::filesystem::rename(copy, fileName, ec);
        if (!ec)
            return;
        cause = ec.message();
    }
    std::filesystem::remove(copy, ec);
    tagFailure(fileName, cause);
}

} // namespace

std::vector<std::pair<const char*, const std::string*>> AudioTags::namedFields() const {
    std::vector<std::pair<const char*, const std::string*>> named;
    for (const Field& field : Fields)
        named.emplace_back(field.name, &(this->*field.member));
    return named;
}

bool AudioTags::empty() const {
    return std::all_of(std::begin(Fields), std::end(Fields),
                       [this](const Field& f) { return (this->*f.member).empty(); }) &&
           cover.data.empty() && chapters.empty();
}

AudioTags readAudioTags(const std::string& fileName) {
    AudioTags tags;
    const TagKind kind = kindOf(fileName);
    if (kind == TagKind::None)
        return tags;
    TagFileStream stream(fileName, false);
    if (!stream.isOpen())
        return tags;
    const std::unique_ptr<TagLib::File> file = openTagFile(kind, stream);
    if (!file->isValid())
        return tags;
    readFields(file->properties(), tags);
    tags.cover = coverOf(kind, *file);
    return tags;
}

std::vector<Chapter> readId3Chapters(const std::string& fileName) {
    std::vector<Chapter> chapters;
    if (kindOf(fileName) != TagKind::Mp3)
        return chapters;
    TagFileStream stream(fileName, false);
    if (!stream.isOpen())
        return chapters;
    const std::unique_ptr<TagLib::File> file = openTagFile(TagKind::Mp3, stream);
    auto* mpeg = static_cast<TagLib::MPEG::File*>(file.get());
    if (!file->isValid() || !mpeg->hasID3v2Tag())
        return chapters;
    for (const TagLib::ID3v2::Frame* frame : mpeg->ID3v2Tag()->frameList("CHAP")) {
        const auto* chapter = dynamic_cast<const TagLib::ID3v2::ChapterFrame*>(frame);
        if (!chapter)
            continue;
        const TagLib::ID3v2::FrameList titles = chapter->embeddedFrameList("TIT2");
        chapters.push_back({chapter->startTime(), chapter->endTime(),
                            titles.isEmpty() ? std::string() : utf8(titles.front()->toString())});
    }
    std::stable_sort(chapters.begin(), chapters.end(),
                     [](const Chapter& a, const Chapter& b) { return a.startMs < b.startMs; });
    return chapters;
}

void writeAudioTags(const std::string& fileName, const AudioTags& tags) {
    writeAudioTagsAs(fileName, fileName, tags);
}

namespace {

// Changes the tags of a file of a kind the program writes (withOpusAndM4a: also of those):
// in place after a WAV file's audio, else through a copy.
void changeTags(const std::string& fileName, TagKind kind, const TagChange& change, bool withOpusAndM4a = false) {
    const bool opusOrM4a = kind == TagKind::Opus || kind == TagKind::Mp4;
    if (kind == TagKind::None || kind == TagKind::Aiff || (opusOrM4a && !withOpusAndM4a))
        tagFailure(fileName, withOpusAndM4a ? "it is not a WAV, MP3, OGG, WMA, FLAC, Opus or M4A file"
                                            : "it is not a WAV, MP3, OGG, WMA or FLAC file");
    if (kind == TagKind::Wav)
        writeAfterAudio(fileName, change);
    else
        writeThroughCopy(fileName, kind, change);
}

} // namespace

void writeAudioTagsAs(const std::string& fileName, const std::string& kindName, const AudioTags& tags) {
    const TagKind kind = kindOf(kindName);
    const bool keepsChapters =
        kind == TagKind::Mp3 || kind == TagKind::Ogg || kind == TagKind::Flac || kind == TagKind::Opus;
    AudioTags kept = tags;
    if (!keepsChapters)
        kept.chapters.clear();
    if (kept.empty())
        return;
    changeTags(
        fileName, kind, [&kept](TagKind kind, TagLib::File& file) { return saveTags(kind, file, kept); }, true);
}

void writeReplayGainTags(const std::string& fileName, const ReplayGainTags& gain) {
    changeTags(
        fileName, kindOf(fileName),
        [&gain](TagKind kind, TagLib::File& file) { return saveReplayGain(kind, file, gain); }, true);
}

double replayGainFactor(const ReplayGainTags& gain, bool album) {
    const bool useAlbum = album && gain.albumGainDb;
    const double factor = std::pow(10.0, (useAlbum ? *gain.albumGainDb : gain.trackGainDb) / 20.0);
    const double peak = useAlbum ? gain.albumPeak.value_or(gain.trackPeak) : gain.trackPeak;
    return peak > 0 ? std::min(factor, 1.0 / peak) : factor;
}

std::optional<ReplayGainTags> readReplayGainTags(const std::string& fileName) {
    const TagKind kind = kindOf(fileName);
    if (kind == TagKind::None)
        return std::nullopt;
    TagFileStream stream(fileName, false);
    if (!stream.isOpen())
        return std::nullopt;
    const std::unique_ptr<TagLib::File> file = openTagFile(kind, stream);
    if (!file->isValid())
        return std::nullopt;
    std::map<std::string, double> values;
    const auto take = [&values](const std::string& key, const TagLib::String& value) {
        values[key] = std::strtod(value.to8Bit(true).c_str(), nullptr);
    };
    if (kind == TagKind::Wma) {
        const auto& attributes = static_cast<TagLib::ASF::File&>(*file).tag()->attributeListMap();
        for (const char* key : ReplayGainKeys)
            if (const auto found = attributes.find(text(lowerCase(key))); found != attributes.end())
                take(key, found->second.front().toString());
    } else if (kind == TagKind::Mp4) {
        const TagLib::MP4::Tag* tag = static_cast<TagLib::MP4::File&>(*file).tag();
        for (const char* key : ReplayGainKeys)
            if (tag->contains(mp4ItemOf(key)) && !tag->item(mp4ItemOf(key)).toStringList().isEmpty())
                take(key, tag->item(mp4ItemOf(key)).toStringList().front());
    } else {
        const TagLib::PropertyMap properties = file->properties();
        for (const char* key : ReplayGainKeys)
            if (const auto found = properties.find(key); found != properties.end() && !found->second.isEmpty())
                take(key, found->second.front());
    }
    if (!values.count(ReplayGainKeys[0]))
        return std::nullopt;
    ReplayGainTags gain{values[ReplayGainKeys[0]], values[ReplayGainKeys[1]], std::nullopt, std::nullopt};
    if (values.count(ReplayGainKeys[2])) {
        gain.albumGainDb = values[ReplayGainKeys[2]];
        gain.albumPeak = values[ReplayGainKeys[3]];
    }
    return gain;
}

int readMp3GainUndo(const std::string& fileName) {
    if (kindOf(fileName) != TagKind::Mp3)
        return 0;
    TagFileStream stream(fileName, false);
    if (!stream.isOpen())
        return 0;
    TagLib::MPEG::File file(&stream, TagLib::ID3v2::FrameFactory::instance(), false);
    TagLib::APE::Tag* ape = file.isValid() ? file.APETag(false) : nullptr;
    if (!ape || !ape->itemListMap().contains(Mp3GainUndoKey))
        return 0;
    // The record undoes the change: the change is its negation.
    return -std::atoi(ape->itemListMap()[Mp3GainUndoKey].toString().to8Bit(true).c_str());
}

void writeMp3GainUndoAs(const std::string& fileName, const std::string& kindName, int steps) {
    if (kindOf(kindName) != TagKind::Mp3)
        tagFailure(fileName, "it is not an MP3 file");
    changeTags(fileName, TagKind::Mp3, [steps](TagKind, TagLib::File& file) { return saveMp3GainUndo(file, steps); });
}
