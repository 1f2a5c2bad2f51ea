#pragma once
// A song bar as written music: the notes and rests with their symbol kinds,
// ties and triplets, the chord names and the lyric texts. Built from the
// melody cells without any drawing; the staff cells draw it and the
// notation export writes it out.

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "common/reporter.h"

namespace songloom::song {

class SongData;

using Tick = std::int32_t;

inline constexpr Tick kTicksPerQuarter = 96;
inline constexpr Tick kTicksPerEighth = 48;
inline constexpr Tick kTicksPerSixteenth = 24;
inline constexpr Tick kTicksPerTripletCell = 16;
inline constexpr int kRestPitch = -1;

// Symbol kinds 0 to 15 (head and stem of the staff drawing).
namespace kind {
inline constexpr int kSixteenth = 0;
inline constexpr int kEighth = 1;
inline constexpr int kDottedEighth = 2;
inline constexpr int kBeamStart = 3;   // first eighth of a beamed pair
inline constexpr int kBeamEnd = 4;     // second eighth of a beamed pair
inline constexpr int kQuarter = 5;
inline constexpr int kDottedQuarter = 6;
inline constexpr int kHalf = 7;
inline constexpr int kWhole = 8;
inline constexpr int kHalfAndEighth = 9;
inline constexpr int kDottedHalf = 10;
inline constexpr int kWholeMirrored = 11;
inline constexpr int kHeadOnly = 12;
inline constexpr int kOpenHeadOnly = 13;
inline constexpr int kCross = 14;
inline constexpr int kSecondHead = 15;
}  // namespace kind

struct StaffNote {
    int pitch = kRestPitch;   // MIDI note, or kRestPitch
    Tick start = 0;           // ticks from the start of the cell
    Tick length = 0;          // ticks
    int kind = kind::kQuarter;
    int dots = 0;
    bool tieToNext = false;       // tied to the next note, or past the cell's end when last
    bool tieFromBefore = false;   // continues a note of the previous cell
    bool triplet = false;         // one of three in the time of one eighth
    int shift = 0;                // pixels moved aside (a second in a chord)
    bool IsRest() const { return pitch < 0; }
};

// A text placed at a tick of the cell: chord names above, lyrics below.
struct StaffText {
    Tick tick = 0;
    std::string text;  // chord names ASCII; lyrics CP932 bytes as stored
};

struct BarContent {
    Tick length = 0;   // ticks of the bar
    std::vector<StaffNote> notes;
    std::vector<StaffText> chordNames;
    std::vector<StaffText> lyrics;
};

// The melody cells of one eighth-note slot as the song stores them: c0, c1
// and c2 (-3 unless a triplet) and one lyric text per cell.
struct SlotView {
    std::array<int, 3> cell{-1, -2, -3};
    std::array<std::string, 3> text;
};

// The part of a song that the staff needs, by value.
struct SongView {
    int bars = 0;
    int beats = 4;
    std::vector<SlotView> melody;         // bars * beats * 2 slots at least
    std::vector<std::string> chordNames;  // one per beat
    int keySignature = 0;                 // sharps positive, flats negative
};

// The symbol kind of a length in ticks, or -1 when none exists. dots gets
// the number of augmentation dots.
int KindOfLength(Tick length, int& dots);

// Notes, rests, chord names and lyrics of bar (0-based). A note longer than
// eight eighths is reported with code 1 of the composition driver's class
// reporter, a length below an eighth other than a sixteenth with code 0;
// both are drawn as tied pieces that the symbol set has.
BarContent BuildBarContent(Reporter& reporter, const SongView& song, int bar);

// The staff's view of a SongData: its melody cells, chord names and key
// signature, copied by value.
SongView SongViewOf(const SongData& song);

// The view as an instrument that sounds semitones below its written pitch
// reads it: every pitch moved up by semitones, the chord names moved and
// spelled for the new key, and the key signature of the moved tonic (the
// spelling with fewer accidentals; a tie keeps the original's side).
// Pitches that would leave 0..127 move by whole octaves back inside.
SongView TransposedView(const SongView& view, int semitones);

// Signature of the key a tonic semitones above that of a key with the
// given signature (the same for a major key and its relative minor).
int TransposedSignature(int signature, int semitones);

}  // namespace songloom::song
