#pragma once
// A readable text form of a song, from which the demo songs are made:
//
//   # comment
//   title: Amazing Grace          (UTF-8; stored as CP932)
//   composer: Traditional
//   beats: 3                      (3 or 4)
//   key: G                        (a name of the key table: C, G, ..., Am, Dm)
//   tempo: 88                     (quarter notes per minute)
//   style: 1 7                    (category and slot of the music style)
//   instrument: 0                 (melody instrument 0-151)
//   bar: G . . | r/h D4/q
//
// Each "bar:" line holds one chord name per beat ("." repeats the chord
// before) and, after "|", the melody: NOTE/VALUE or r/VALUE, with NOTE a
// letter, an optional # or b and an octave (C4 = 60) and VALUE one of s e e.
// q q. h h. w (sixteenth to whole); "(A4 Bb4 A4)" fills one eighth with a
// triplet. The values of a bar must add up to the bar.

#include <string>
#include <string_view>

#include "common/reporter.h"
#include "song/song_data.h"

namespace songloom::harmony {

struct SongTextResult {
    bool ok = false;
    std::string error;  // "line N: ..." when not ok
    int key = 0;
};

// Parses text into song (reset first). Nothing is reported: a fault is
// returned with its line.
SongTextResult ParseSongText(Reporter& reporter, std::string_view text, song::SongData& song);

// MIDI note of a name like "C4", "F#3", "Bb4"; -1 when it is none.
int NoteNumberOfName(std::string_view name);

}  // namespace songloom::harmony
