#pragma once
// A readable dump of a song for people and for golden files: the header
// values, the chord name of every active beat (one line per bar) and the
// three cells and texts of every active slot. Text fields are converted from
// CP932 to UTF-8.

#include <string>

#include "song/song_data.h"

namespace songloom::song {

// Chord names as the dump shows them: the stored name without the blank that
// marks a major triad ("C " shows as "C").
std::string DisplayChordName(std::string_view stored);

std::string SongDumpText(const SongData& song);

}  // namespace songloom::song
