#pragma once
// How a style's comping voices the chords before its accompaniment patterns
// play them. The patterns read a chord's three upper notes ("second, third
// and fourth"); most styles play them as the chord entry placed them, a
// triad with the root on top or a seventh chord. Some genres voice chords
// their own way:
//
// - Jazz: rootless three-note voicings of the third, the seventh and a
//   colour tone (the ninth, or the thirteenth on a dominant), the bass
//   having the root. A plain triad gains the seventh a jazz pianist hears in
//   it: the dominant seventh where the chord resolves a fifth down or
//   stands on the fifth degree of the key (the last chord's root), a major
//   sixth with the ninth on the tonic, a major seventh elsewhere, a minor
//   seventh on a minor chord. Each chord takes the form (third or seventh
//   at the bottom) and octave that moves least from the previous one.
// - Blues: as jazz, but every major chord is a dominant seventh (I7, IV7, V7).
// - Shō: the mouth organ of court music holds clusters of fifths and seconds
//   (root, ninth, fifth, octave) that change with the harmony.

#include <array>
#include <span>
#include <vector>

#include "arrange/pattern_context.h"

namespace songloom::arrange {

enum class CompingVoicing {
    kAsWritten = 0,
    kJazz = 1,
    kBlues = 2,
    kSho = 3,
};

// The voicing of a style's `comping` value (kAsWritten for unknown values).
CompingVoicing CompingVoicingOf(int value);

// Whether the voicing adds tones beyond the chord's symbol (sixths, sevenths
// on triads, ninths), which a chord-tone count should take as tensions.
bool AddsTensions(CompingVoicing voicing);

// The chords as the comping voices them. Chords without a root stay as they
// are; a voiced chord's template weighs its new tones as chord tones and its
// code names the seventh it gained.
std::vector<PatternChord> VoiceChordsForComping(std::span<const PatternChord> chords, CompingVoicing voicing);

// The intervals above the root of a rootless jazz voicing of one chord, in
// rising order as stacked (third or seventh at the bottom); `resolvesDown`
// tells whether the next chord lies a fifth below (a dominant function),
// `tonic` whether the chord is the song's home chord.
std::array<int, 3> JazzVoicingIntervals(const PatternChord& chord, bool resolvesDown, bool tonic, bool blues,
                                        bool seventhAtBottom);

}  // namespace songloom::arrange
