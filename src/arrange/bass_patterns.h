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

// The walking bass's note for beat `beat` (1..3 modulo 4) of `chord`, stepping
// from `previous` toward `nextBass`; `scale` are the weights of the song's
// first chord (a step onto a weight below 5 moves one semitone further).
int WalkingStep(const PatternChord& chord, int beat, int previous, int nextBass,
                const std::array<std::uint8_t, 12>& scale);

}  // namespace songloom::arrange
