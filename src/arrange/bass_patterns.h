#pragma once
// The bass generators of channel 2: one routine per bass pattern number
// 1..23, each walking the chords and writing notes at absolute ticks from 0.
// Notes are written in the register the routine names (the caller applies the
// channel's octave shift afterwards).

#include <span>
#include <string_view>

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

// The bass figures of particular genres, which a style plays in place of
// its pattern's routine (StyleRecord::genreBass). Each is a bar of onsets
// in 4/4 and one in 3/4, walking the song bar by bar; an onset may take the
// harmony of the chord it leads into (an anticipation tied over the beat).
enum class GenreBass : int {
    kNone = 0,
    kTumbao,     // mambo, salsa: the and of 2 and the 4 tied over, no 1
    kLatinRock,  // the tumbao with the downbeat kept
    kChaCha,     // root and fifth on 1 and 3, the "cha-cha" on 4 and its and
    kTango,      // marcato in four, the 3-3-2 sincopa every fourth bar
    kBossa,      // root and fifth in dotted quarters, each with its pickup
    kOneDrop,    // reggae: the third beat left to the drop
    kSamba,      // the surdo: the 1, a pickup and the strong 2
    kTwoBeat,    // country and folk: root and fifth on 1 and 3, a walk into a change
    kTuba,       // polka and march: root and fifth on 1 and 3, short
    kOffbeat,    // trance: the root on every off-beat eighth
    kSlap,       // fusion: thumbed roots and popped octaves in sixteenths
};
inline constexpr int kGenreBassCount = 12;  // kNone included

// The name a catalogue row uses ("tumbao", "two-beat", ...); empty for kNone.
std::string_view GenreBassName(GenreBass figure);
// false for an unknown name (out is left alone).
bool GenreBassFromName(std::string_view name, GenreBass& out);

// Plays `figure` over the chords in the context's meter; kNone or a value
// out of range writes nothing.
void PlayGenreBass(PatternContext& context, std::span<const PatternChord> chords, GenreBass figure, NoteBuffer& out);

}  // namespace songloom::arrange
