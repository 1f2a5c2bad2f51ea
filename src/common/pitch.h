#pragma once
// Pitch arithmetic shared by the engine, the analysis and the score.

namespace songloom {

// The pitch class (0 = C … 11 = B) of a MIDI note number, negative
// numbers and transposed-out-of-range intermediates included.
constexpr int PitchClass(int note) { return ((note % 12) + 12) % 12; }

}  // namespace songloom
