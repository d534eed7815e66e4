#include "AudioTags.h"

#include <algorithm>
#include <filesystem>
#include <memory>
#include <mutex>

#include <taglib/asffile.h>
#include <taglib/attachedpictureframe.h>
#include <taglib/flacpicture.h>
#include <taglib/id3v2tag.h>
#include <taglib/mpegfile.h>
#include <taglib/tdebuglistener.h>
#include <taglib/tpropertymap.h>
#include <taglib/vorbisfile.h>
#include <taglib/wavfile.h>
#include <taglib/xiphcomment.h>

#include "EngineError.h"
#include "internal/TagStream.h"

namespace {

using Engine::TTagFileStream;

enum class TTagKind { None, Wav, Mp3, Ogg, Wma };

TTagKind KindOf(const std::string& fileName) {
    std::string extension = std::filesystem::path(fileName).extension().string();
    std::transform(extension.begin(), extension.end(), extension.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    if (extension == ".wav")
        return TTagKind::Wav;
    if (extension == ".mp3")
        return TTagKind::Mp3;
    if (extension == ".ogg")
        return TTagKind::Ogg;
    if (extension == ".wma")
        return TTagKind::Wma;
    return TTagKind::None;
}

// TagLib's own messages stay off the terminal, as FFmpeg's do.
class TSilentTagLib : public TagLib::DebugListener {
public:
    void printMessage(const TagLib::String&) override {}
};

void QuietTagLib() {
    static std::once_flag once;
    static TSilentTagLib listener;
    std::call_once(once, [] { TagLib::setDebugListener(&listener); });
}

std::unique_ptr<TagLib::File> OpenTagFile(TTagKind kind, TTagFileStream& stream) {
    QuietTagLib();
    switch (kind) {
    case TTagKind::Wav: return std::make_unique<TagLib::RIFF::WAV::File>(&stream, false);
    case TTagKind::Mp3:
        return std::make_unique<TagLib::MPEG::File>(&stream, TagLib::ID3v2::FrameFactory::instance(), false);
    case TTagKind::Ogg: return std::make_unique<TagLib::Ogg::Vorbis::File>(&stream, false);
    case TTagKind::Wma: return std::make_unique<TagLib::ASF::File>(&stream, false);
    case TTagKind::None: break;
    }
    return nullptr;
}

TagLib::String Text(const std::string& utf8) {
    return TagLib::String(utf8, TagLib::String::UTF8);
}
std::string Utf8(const TagLib::String& text) {
    return text.to8Bit(true);
}
TagLib::ByteVector Bytes(const std::string& data) {
    return TagLib::ByteVector(data.data(), static_cast<unsigned int>(data.size()));
}
std::string FromBytes(const TagLib::ByteVector& data) {
    return std::string(data.data(), data.size());
}

// The text fields, their names for people and the names TagLib's unified property map
// gives them.
struct TField {
    const char* Name;
    const char* Key;
    std::string TAudioTags::*Member;
};
constexpr TField Fields[] = {
    {"title", "TITLE", &TAudioTags::Title},
    {"artist", "ARTIST", &TAudioTags::Artist},
    {"album", "ALBUM", &TAudioTags::Album},
    {"album_artist", "ALBUMARTIST", &TAudioTags::AlbumArtist},
    {"date", "DATE", &TAudioTags::Date},
    {"track", "TRACKNUMBER", &TAudioTags::Track},
    {"genre", "GENRE", &TAudioTags::Genre},
    {"comment", "COMMENT", &TAudioTags::Comment},
    {"composer", "COMPOSER", &TAudioTags::Composer},
};

void ReadFields(const TagLib::PropertyMap& properties, TAudioTags& tags) {
    for (const TField& field : Fields) {
        const auto found = properties.find(field.Key);
        if (found != properties.end() && !found->second.isEmpty())
            tags.*field.Member = Utf8(found->second.front());
    }
}

TagLib::PropertyMap PropertiesOf(const TAudioTags& tags) {
    TagLib::PropertyMap properties;
    for (const TField& field : Fields)
        if (!(tags.*field.Member).empty())
            properties.insert(field.Key, TagLib::StringList(Text(tags.*field.Member)));
    return properties;
}

// ---- The cover, one way per tag kind; a front cover is preferred to other pictures ----

// A file's front cover, else the first of its pictures; each picture with whether it
// is marked as the front cover.
TCoverPicture FrontOrFirst(const std::vector<std::pair<bool, TCoverPicture>>& pictures) {
    const auto front = std::find_if(pictures.begin(), pictures.end(), [](const auto& p) { return p.first; });
    if (front != pictures.end())
        return front->second;
    return pictures.empty() ? TCoverPicture{} : pictures.front().second;
}

TCoverPicture Id3Cover(const TagLib::ID3v2::Tag* tag) {
    std::vector<std::pair<bool, TCoverPicture>> pictures;
    for (TagLib::ID3v2::Frame* frame : tag ? tag->frameList("APIC") : TagLib::ID3v2::FrameList())
        if (const auto* picture = dynamic_cast<TagLib::ID3v2::AttachedPictureFrame*>(frame))
            pictures.emplace_back(picture->type() == TagLib::ID3v2::AttachedPictureFrame::FrontCover,
                                  TCoverPicture{Utf8(picture->mimeType()), FromBytes(picture->picture())});
    return FrontOrFirst(pictures);
}

void SetId3Cover(TagLib::ID3v2::Tag* tag, const TCoverPicture& cover) {
    tag->removeFrames("APIC");
    if (cover.Data.empty())
        return;
    auto frame = std::make_unique<TagLib::ID3v2::AttachedPictureFrame>();
    frame->setType(TagLib::ID3v2::AttachedPictureFrame::FrontCover);
    frame->setMimeType(Text(cover.MimeType));
    frame->setPicture(Bytes(cover.Data));
    tag->addFrame(frame.release());
}

TCoverPicture XiphCover(TagLib::Ogg::XiphComment* comment) {
    std::vector<std::pair<bool, TCoverPicture>> pictures;
    for (const TagLib::FLAC::Picture* picture :
         comment ? comment->pictureList() : TagLib::List<TagLib::FLAC::Picture*>())
        pictures.emplace_back(picture->type() == TagLib::FLAC::Picture::FrontCover,
                              TCoverPicture{Utf8(picture->mimeType()), FromBytes(picture->data())});
    return FrontOrFirst(pictures);
}

void SetXiphCover(TagLib::Ogg::XiphComment* comment, const TCoverPicture& cover) {
    comment->removeAllPictures();
    if (cover.Data.empty())
        return;
    auto picture = std::make_unique<TagLib::FLAC::Picture>();
    picture->setType(TagLib::FLAC::Picture::FrontCover);
    picture->setMimeType(Text(cover.MimeType));
    picture->setData(Bytes(cover.Data));
    comment->addPicture(picture.release());
}

TCoverPicture AsfCover(TagLib::ASF::Tag* tag) {
    std::vector<std::pair<bool, TCoverPicture>> pictures;
    if (tag && tag->contains("WM/Picture"))
        for (const TagLib::ASF::Attribute& attribute : tag->attribute("WM/Picture"))
            if (const TagLib::ASF::Picture picture = attribute.toPicture(); picture.isValid())
                pictures.emplace_back(picture.type() == TagLib::ASF::Picture::FrontCover,
                                      TCoverPicture{Utf8(picture.mimeType()), FromBytes(picture.picture())});
    return FrontOrFirst(pictures);
}

void SetAsfCover(TagLib::ASF::Tag* tag, const TCoverPicture& cover) {
    tag->removeItem("WM/Picture");
    if (cover.Data.empty())
        return;
    TagLib::ASF::Picture picture;
    picture.setType(TagLib::ASF::Picture::FrontCover);
    picture.setMimeType(Text(cover.MimeType));
    picture.setPicture(Bytes(cover.Data));
    tag->setAttribute("WM/Picture", TagLib::ASF::Attribute(picture));
}

TCoverPicture CoverOf(TTagKind kind, TagLib::File& file) {
    switch (kind) {
    case TTagKind::Wav: {
        auto& wav = static_cast<TagLib::RIFF::WAV::File&>(file);
        return wav.hasID3v2Tag() ? Id3Cover(wav.ID3v2Tag()) : TCoverPicture{};
    }
    case TTagKind::Mp3: {
        auto& mpeg = static_cast<TagLib::MPEG::File&>(file);
        return Id3Cover(mpeg.ID3v2Tag(false));
    }
    case TTagKind::Ogg: return XiphCover(static_cast<TagLib::Ogg::Vorbis::File&>(file).tag());
    case TTagKind::Wma: return AsfCover(static_cast<TagLib::ASF::File&>(file).tag());
    case TTagKind::None: break;
    }
    return {};
}

// Puts the tags into the opened file and saves it; false when TagLib could not. ID3 tags
// are of version 2.3, the one that players and devices read most widely.
bool SaveTags(TTagKind kind, TagLib::File& file, const TAudioTags& tags) {
    file.setProperties(PropertiesOf(tags));
    switch (kind) {
    case TTagKind::Wav: {
        auto& wav = static_cast<TagLib::RIFF::WAV::File&>(file);
        SetId3Cover(wav.ID3v2Tag(), tags.Cover);
        return wav.save(TagLib::RIFF::WAV::File::AllTags, TagLib::File::StripOthers, TagLib::ID3v2::v3);
    }
    case TTagKind::Mp3: {
        auto& mpeg = static_cast<TagLib::MPEG::File&>(file);
        SetId3Cover(mpeg.ID3v2Tag(true), tags.Cover);
        return mpeg.save(TagLib::MPEG::File::ID3v2, TagLib::File::StripOthers, TagLib::ID3v2::v3);
    }
    case TTagKind::Ogg:
        SetXiphCover(static_cast<TagLib::Ogg::Vorbis::File&>(file).tag(), tags.Cover);
        return file.save();
    case TTagKind::Wma: SetAsfCover(static_cast<TagLib::ASF::File&>(file).tag(), tags.Cover); return file.save();
    case TTagKind::None: break;
    }
    return false;
}

// An ASF file states its own size in its file properties; TagLib leaves the old one,
// and readers that find it far from the real size distrust the stated duration too.
void RecordAsfFileSize(TTagFileStream& stream) {
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

[[noreturn]] void TagFailure(const std::string& fileName, const std::string& cause) {
    throw EngineError(EngineStatus::TagWriteFailed,
                      "Cannot write the tags of \"" + fileName + "\" (its audio is kept): " + cause);
}

// Writes the tags into path (the file itself or a copy of it); the cause of a failure.
std::string WriteInto(const std::string& path, TTagKind kind, const TAudioTags& tags) {
    TTagFileStream stream(path, true);
    if (!stream.isOpen())
        return stream.Cause();
    bool saved = false;
    {
        const std::unique_ptr<TagLib::File> file = OpenTagFile(kind, stream);
        if (!file->isValid())
            return "the file's structure was not understood";
        saved = SaveTags(kind, *file, tags);
    }
    if (saved && kind == TTagKind::Wma)
        RecordAsfFileSize(stream);
    if (!stream.Finish())
        return stream.Cause();
    return saved ? std::string() : "the tag library could not save them";
}

// A WAV file's tags are chunks after its audio: they are written in place, and on a
// failure the file is cut back to its length and header before.
void WriteAfterAudio(const std::string& fileName, const TAudioTags& tags) {
    std::error_code ec;
    const auto length = std::filesystem::file_size(fileName, ec);
    if (ec)
        TagFailure(fileName, ec.message());
    std::string header;
    {
        TTagFileStream stream(fileName, false);
        header = FromBytes(stream.readBlock(12));
    }
    const std::string cause = WriteInto(fileName, TTagKind::Wav, tags);
    if (cause.empty())
        return;
    TTagFileStream restore(fileName, true);
    restore.truncate(static_cast<long>(length));
    restore.writeBlock(Bytes(header));
    restore.Finish();
    TagFailure(fileName, cause);
}

// The other kinds keep their tags before the audio, which moves when they grow: they are
// written into a copy that replaces the file only when all went well.
void WriteThroughCopy(const std::string& fileName, TTagKind kind, const TAudioTags& tags) {
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
        TagFailure(fileName, ec.message());
    std::string cause = ec ? ec.message() : WriteInto(copy, kind, tags);
    if (cause.empty()) {
        std::filesystem::rename(copy, fileName, ec);
        if (!ec)
            return;
        cause = ec.message();
    }
    std::filesystem::remove(copy, ec);
    TagFailure(fileName, cause);
}

} // namespace

std::vector<std::pair<const char*, const std::string*>> TAudioTags::NamedFields() const {
    std::vector<std::pair<const char*, const std::string*>> named;
    for (const TField& field : Fields)
        named.emplace_back(field.Name, &(this->*field.Member));
    return named;
}

bool TAudioTags::Empty() const {
    return std::all_of(std::begin(Fields), std::end(Fields),
                       [this](const TField& f) { return (this->*f.Member).empty(); }) &&
           Cover.Data.empty();
}

TAudioTags ReadAudioTags(const std::string& fileName) {
    TAudioTags tags;
    const TTagKind kind = KindOf(fileName);
    if (kind == TTagKind::None)
        return tags;
    TTagFileStream stream(fileName, false);
    if (!stream.isOpen())
        return tags;
    const std::unique_ptr<TagLib::File> file = OpenTagFile(kind, stream);
    if (!file->isValid())
        return tags;
    ReadFields(file->properties(), tags);
    tags.Cover = CoverOf(kind, *file);
    return tags;
}

void WriteAudioTags(const std::string& fileName, const TAudioTags& tags) {
    if (tags.Empty())
        return;
    const TTagKind kind = KindOf(fileName);
    if (kind == TTagKind::None)
        TagFailure(fileName, "it is not a WAV, MP3, OGG or WMA file");
    if (kind == TTagKind::Wav)
        WriteAfterAudio(fileName, tags);
    else
        WriteThroughCopy(fileName, kind, tags);
}
