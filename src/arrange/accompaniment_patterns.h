#pragma once
// The accompaniment generators of channels 3 and 7: one routine per pattern
// number 1..60 (48 is not a pattern), each walking the chords and writing
// notes at absolute ticks after the lead-in rest.

#include <span>

#include "arrange/pattern_context.h"

namespace songloom::arrange {

inline constexpr int kAccompanimentPatternCount = 60;

// Writes the lead-in rest, then the pattern's notes from `leadIn` on. Pattern
// 48 and numbers outside 1..60 report the pattern error and write only the rest.
void AccompanimentPattern(PatternContext& context, std::span<const PatternChord> chords, int channel, int number,
                          Tick leadIn, int density, NoteBuffer& out);

// The block-chord voicing of one chord: the three notes of its first step
// after voice leading against the previous chord's second and fourth note
// (75 and 80 before the first chord).
struct BlockVoicing {
    int low = 0;
    int middle = 0;
    int high = 0;
};
BlockVoicing LeadBlockChord(int second, int third, int fourth, int previousSecond, int previousFourth);

// The figure pattern 10 plays on chord `index` of `count` chords (1..3 for
// the straight figures S1..S3, 4..7 for the triplet figures T1..T4), drawing
// where the choice is random.
int Pattern10Figure(PatternContext& context, std::size_t index, std::size_t count, int density);

}  // namespace songloom::arrange
