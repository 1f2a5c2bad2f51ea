#pragma once
// The second melodic line (channel 4) as the style's players would play it
// beside the tune: a harmony part in the song's key, the tune an octave away,
// a slower counter-line on chord tones, a drone, or (where the style doubles
// the tune) the melody itself.

#include <array>
#include <span>
#include <vector>

#include "arrange/engine_context.h"
#include "harmony/chord_code.h"
#include "harmony/chord_entry.h"

namespace songloom::arrange {

enum class SecondLineMode : std::int32_t {
    kUnison = 0,       // the melody doubled, as the channel always played it
    kHarmony = 1,      // diatonic thirds below, sixths below where the chord asks
    kOctaveBelow = 2,
    kOctaveAbove = 3,
    kCounterLine = 4,  // long chord tones under the tune, moving by the nearest step
    kDrone = 5,        // the key note held under the tune, restruck every bar
};

// The major scale (by its tonic's pitch class) that holds most of the
// melody's note-time; ties go to the scale whose tonic the last note is.
int EstimateKeyTonic(const NoteList& melody);

// The harmony note a diatonic third below `pitch` in the major scale of
// `tonic`, or a sixth below when that is a tone of the chord and the third is
// not (`chordTones` by pitch class). A note outside the scale takes the
// nearest chord tone at least a minor third below.
int HarmonyBelow(int pitch, int tonic, const std::array<bool, 12>& chordTones);

// Chord tones of a chord code, by pitch class (none for "NoCd").
std::array<bool, 12> ChordTonesOf(harmony::ChordCode code);

// A chord of the song as the line follows it: its length and tones.
struct LineChord {
    Tick length = 0;
    std::array<bool, 12> tones{};
};
std::vector<LineChord> LineChords(const harmony::ChordList& chords);

// The list channel 4 plays: the melody's entries with notes made by the mode
// over the song's chords (from tick 0). `low` and `high` bound the
// counter-line and the drone.
NoteList MakeSecondLine(Reporter& reporter, const NoteList& melody, std::span<const LineChord> chords,
                        SecondLineMode mode, int low, int high);

}  // namespace songloom::arrange
