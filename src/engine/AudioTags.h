#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

// The front cover kept in a file's tags.
struct CoverPicture {
    std::string mimeType; // "image/jpeg", "image/png", ...
    std::string data;     // the picture file's bytes; empty when there is none

    bool operator==(const CoverPicture&) const = default;
};

// A chapter of a file: where it starts and ends (ms) and its title.
struct Chapter {
    int64_t startMs = 0, endMs = 0;
    std::string title;

    bool operator==(const Chapter&) const = default;
};

// The tags carried from file to file. Texts are UTF-8; an empty text is a field the
// file does not have. Track is kept as written ("3" or "3/12").
struct AudioTags {
    std::string title, artist, album, albumArtist, date, track, genre, comment, composer;
    CoverPicture cover;
    // Written as ID3v2 CHAP frames under a CTOC in MP3, as CHAPTER001 and CHAPTER001NAME
    // comments in OGG, FLAC and Opus (at most 999), and by the MP4 muxer into M4A files an
    // AudioFile writes; WAV and WMA have none. Read by readChapters.
    std::vector<Chapter> chapters;

    bool empty() const;
    // The text fields by name, in this order: "title", "artist", "album",
    // "album_artist", "date", "track", "genre", "comment", "composer".
    std::vector<std::pair<const char*, const std::string*>> namedFields() const;
    bool operator==(const AudioTags&) const = default;
};

// The tags of a WAV, MP3, OGG, WMA, FLAC, Opus, M4A or AIFF file, told apart by its
// extension: ID3v2 (else ID3v1) in MP3, Vorbis comments in OGG, Opus and FLAC, ASF
// attributes in WMA, MP4 items in M4A, the ID3 chunk (else RIFF INFO) in WAV and AIFF. Empty for a file that has none
// or cannot be read: tags never keep the audio from being used.
AudioTags readAudioTags(const std::string& fileName);

// The chapters of an MP3 file's ID3v2 tag (CHAP frames), in order of their starts;
// readChapters (AudioInfo.h) reads those of every kind.
std::vector<Chapter> readId3Chapters(const std::string& fileName);

// Writes tags into a finished, closed file of a kind the program writes, replacing those
// it had: ID3v2.3 in MP3, Vorbis comments in OGG, FLAC and Opus, ASF attributes in WMA, MP4
// items in M4A, RIFF INFO and an ID3 chunk in WAV; the cover in all of them. Empty tags leave the file untouched. When
// the tags cannot be written, raises EngineError (TagWriteFailed) naming the file and the cause; the file keeps its
// audio as it was.
void writeAudioTags(const std::string& fileName, const AudioTags& tags);
// The same for a file whose kind is that of another name (an output under its part name).
void writeAudioTagsAs(const std::string& fileName, const std::string& kindName, const AudioTags& tags);

// A file's ReplayGain 2.0 values (reference -18 LUFS): gains in dB, peaks as amplitudes
// (1.0 full scale); the album's when an album was measured.
struct ReplayGainTags {
    double trackGainDb = 0, trackPeak = 0;
    std::optional<double> albumGainDb, albumPeak;
};

// Writes them beside the file's other tags, as rsgain and loudgain do ("-3.21 dB",
// "0.988831"; REPLAYGAIN_TRACK_GAIN and the like as TXXX frames in MP3 and WAV, Vorbis
// comments in OGG and FLAC, lower-case attributes in WMA), through a copy that replaces
// the file when complete, as writeAudioTags does; older ReplayGain values are replaced.
// Raises EngineError (TagWriteFailed) as writeAudioTags does.
void writeReplayGainTags(const std::string& fileName, const ReplayGainTags& gain);
// The file's ReplayGain values, or nothing when it has no track gain.
std::optional<ReplayGainTags> readReplayGainTags(const std::string& fileName);

// The factor a player plays a file of these values with: the album's gain when asked for
// and known (else the track's), no more than its peak allows below full scale.
double replayGainFactor(const ReplayGainTags& gain, bool album);

// The steps of 1.5 dB an MP3 file's gain was moved by without encoding (its APE tag's
// MP3GAIN_UNDO, as mp3gain writes it: the change it undoes, negated), 0 when none.
int readMp3GainUndo(const std::string& fileName);
// Records that the file (whose kind is that of kindName) was moved by steps in all, in its
// APE tag beside its other tags (0 removes the record).
void writeMp3GainUndoAs(const std::string& fileName, const std::string& kindName, int steps);
