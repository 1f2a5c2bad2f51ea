#pragma once
// The melodic-line generator: a line of its own for the melodic percussion
// channel, made chord by chord over the song structure from the channel's
// part parameters (range, line method, imitation, rest insertion).

#include <array>
#include <cstdint>
#include <vector>

#include "arrange/engine_context.h"
#include "harmony/chord_template.h"

namespace songloom::arrange {

inline constexpr std::uint32_t kChordLengthError = 0xFF010007;
inline constexpr std::uint32_t kEventCountError = 0xFF0101AE;
inline constexpr std::uint32_t kEndlessLoopWarning = 0xFF0101AF;
inline constexpr std::uint32_t kAlgorithmError = 0xFF0101B2;
inline constexpr std::uint32_t kLengthAlgorithmError = 0xFF0101B3;

// Steps of the 1/f fluctuation sequence.
inline constexpr int kFluctuationSteps = 500;
// A step of the sequence that fell outside -10..10.
inline constexpr int kNoFluctuation = -20;

// The 1/f sequence of the fluctuation methods: 499 random phases drawn in
// order, then each of the 500 sums rounded to -10..10 (kNoFluctuation when
// outside).
std::array<int, kFluctuationSteps> MakeFluctuationSequence(Random& random);

// The 21 pitches around the centre of [low, high] on the tones weighing 8 or
// more in chordTemplate: entry 10 is the raised centre, 11..20 above, 0..9
// below; an entry that would leave the range repeats its neighbour.
std::array<int, 21> MakePitchLadder(const harmony::ChordTemplate& chordTemplate, int low, int high);

// Builds the line of channel for every section of ctx.sections into out:
// for each chord a chord entry and note entries (kind 144) filling it.
void GenerateMelodicLine(EngineContext& ctx, int channel, NoteList& out);

// The pitch of the Lagrange polynomial through (xs, ys) at x: truncated to an
// integer, absolute value.
int LagrangePitch(const std::vector<double>& xs, const std::vector<double>& ys, double x);

}  // namespace songloom::arrange
