#pragma once
// The sound-effect generators of channel 8: applause, seashore and birds,
// chosen by the channel's program.

#include <span>

#include "arrange/pattern_context.h"

namespace songloom::arrange {

inline constexpr int kApplauseProgram = 126;
inline constexpr int kSeashoreProgram = 122;
inline constexpr int kBirdsProgram = 123;

// Writes the effect of `program` over the chords; any other program reports
// the effect-program error and writes nothing. Returns false in that case.
bool EffectPattern(PatternContext& context, std::span<const PatternChord> chords, int program, NoteBuffer& out);

}  // namespace songloom::arrange
