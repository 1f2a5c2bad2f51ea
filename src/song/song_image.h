#pragma once
// The song image: the 92,492 bytes that are at once the song file (".sld"),
// the phrase file (".pdt"), the working song and phrase, and the undo
// snapshot. Little-endian 32-bit integers, zero-padded strings, no header:
// the size alone tells the version, and three older sizes are still read.

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "common/reporter.h"
#include "song/song_data.h"

namespace songloom::song {

namespace image {
inline constexpr std::size_t kChordRecord = 16;
inline constexpr std::size_t kSlotRecord = 36;
inline constexpr std::size_t kChords = 0;
inline constexpr std::size_t kMelody = kChords + MaxBeats * kChordRecord;   // 16,384
inline constexpr std::size_t kInfo = kMelody + MaxSlots * kSlotRecord;      // 90,112
inline constexpr std::size_t kInfoSize = 320;
inline constexpr std::size_t kBars = kInfo + kInfoSize;                     // 90,432
inline constexpr std::size_t kBeats = kBars + 4;
inline constexpr std::size_t kKey = kBeats + 4;
inline constexpr std::size_t kReserved = kKey + 4;                          // 90,444
inline constexpr std::size_t kSize = kReserved + kReservedWords * 4;

// Inside the info block.
inline constexpr std::size_t kComposer = 0;
inline constexpr std::size_t kMemo = 64;
inline constexpr std::size_t kCategory = 192;
inline constexpr std::size_t kStyle = 196;
inline constexpr std::size_t kTempo = 200;
inline constexpr std::size_t kInstrument = 204;
inline constexpr std::size_t kInfoReserved = 208;
inline constexpr std::size_t kTitle = 256;

// The older sizes.
inline constexpr std::size_t kSizeOldest = 32780;     // 8-byte chords, 12-byte slots
inline constexpr std::size_t kSizeNoInfo = 81932;     // 8-byte chords, no info block
inline constexpr std::size_t kSizeNoReserved = 90444; // no reserved area
}  // namespace image

inline constexpr std::size_t kSongImageSize = image::kSize;
static_assert(kSongImageSize == 92492, "the song image is 92,492 bytes");
static_assert(image::kTitle + 64 == image::kInfoSize, "the info block is 320 bytes");

// The current image with the song's bar count and the given beats and key.
std::vector<std::uint8_t> BuildSongImage(const SongData& song, int beats, int key);
// Writes BuildSongImage atomically (temporary file and rename). Failure:
// GENE 0x01000007, false; the previous file is kept.
bool WriteSongImage(Reporter& reporter, const SongData& song, int beats, int key,
                    const std::string& path);

// Decodes an image of one of the four sizes into song, with the load-time
// repairs of the song information; false, song untouched, for any other
// size. An image whose header words the song cannot hold (beats not 3 or 4,
// bars outside 1..256, a key outside the table), whose cells hold values
// that are not pitches or marks, or whose chords are not chord names is
// refused: reported once with SGDT 1, false, song untouched.
bool DecodeSongImage(Reporter& reporter, std::span<const std::uint8_t> bytes, SongData& song);

// Puts a current image taken by TakeSnapshot back as it is (no repairs);
// false, song unchanged, for a buffer that is not 92,492 bytes or whose
// header the song cannot hold.
bool RestoreSongImage(std::span<const std::uint8_t> bytes, SongData& song);

enum class SongFileStatus {
    kRead,        // the file was read (and converted when older)
    kNoFile,      // missing, a folder or empty: reset with the given values
    kRefused,     // a size that is no song image (GENE 0x0100000D) or an image
                  // that fails its checks (SGDT 1): reset
    kUnreadable,  // cannot be opened: GENE 0x01000007, reset
};

// The one reader of song and phrase files. Anything but kRead leaves the song
// Reset with bars, beats and key.
SongFileStatus ReadSongFile(Reporter& reporter, const std::string& path, SongData& song,
                            int bars, int beats, int key);

}  // namespace songloom::song
