#pragma once
// Reads a MusicXML score (partwise) back into a song: the first part's
// first voice as the melody, its harmony symbols as the beats' chords, key,
// time signature, tempo, title, composer and lyrics. Made for the files
// BuildMusicXml writes; other programs' files read as far as they use the
// same elements (any <divisions>, <backup>/<forward>, chords of several
// notes keep their first note).
//
// Texts become CP932 here. A song in another time signature than 4/4 or
// 3/4, or of more than 256 bars, is refused.

#include <cstdint>
#include <string_view>

#include "common/reporter.h"
#include "song/song_data.h"

namespace songloom::song {

// "MXML" reports of the reader.
namespace mxml {
inline constexpr std::uint32_t kNotMusicXml = 1;  // not XML, or no partwise score
inline constexpr std::uint32_t kMeter = 2;        // not 4/4 or 3/4
inline constexpr std::uint32_t kTooLong = 3;      // more than 256 bars
}  // namespace mxml
void MusicXmlErrorMsg(Reporter& reporter, std::uint32_t code);

// Replaces song with the score; false, the song unchanged, on a refusal.
bool ReadMusicXml(Reporter& reporter, std::string_view xml, SongData& song);

}  // namespace songloom::song
