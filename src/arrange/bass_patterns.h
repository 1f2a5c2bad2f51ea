#pragma once
// The bass generators of channel 2: one routine per bass pattern number
// 1..23, each walking the chords and writing notes at absolute ticks from 0.
// Notes are written in the register the routine names (the caller applies the
// channel's octave shift afterwards).

#include <span>

#include "arrange/pattern_context.h"

namespace songloom::arrange {

inline constexpr int kBassPatternCount = 23;

// Dispatches on `number`; a number outside 1..23 reports the pattern error
// and writes nothing. `density` is the channel's density percentage.
void BassPattern(PatternContext& context, std::span<const PatternChord> chords, int number, int density,
                 NoteBuffer& out);

// The two eighths a beat of the eighth-note bass plays on an inner chord:
// `position` is the beat number modulo 4, `draw` the beat's RandomBetween(1, 4).
struct EighthPair {
    int first = 0;
    int second = 0;
};
EighthPair EighthBassPair(const PatternChord& chord, int position, int draw);

// The walking bass's note for beat `beat` of a chord of `beats` beats coming
// from `previous`: the bass on the first beat, a semitone approach into a
// new `nextBass` on the last, chord tones between (`draw` of 1..2 chooses
// whether the line climbs through the third or the fifth).
int WalkingStep(const PatternChord& chord, int beat, int beats, int previous, int nextBass, int draw);

}  // namespace songloom::arrange
