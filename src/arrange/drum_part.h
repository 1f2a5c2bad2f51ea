#pragma once
// The drum part (channel index 9): pattern routines lay grids of drum-sound
// codes over the drum list, a step player walks a grid with small random
// velocity changes and a sound writer turns each code into General MIDI drum
// notes of the style's kit.

#include <array>
#include <span>
#include <vector>

#include "arrange/pattern_context.h"

namespace songloom::arrange {


inline constexpr int kDrumPatternCount = 38;
inline constexpr int kDrumSoundCount = 51;
inline constexpr int kStraightGridSteps = 32;
inline constexpr int kTripletGridSteps = 24;
inline constexpr int kNoDrums = 256;

using DrumList = std::vector<DrumRecord>;

// True for the record of a section's last chord.
inline bool EndsSection(const DrumRecord& record) { return record.code[1] == 'E'; }

// The drum list of chords whose section letters are known: a record per
// chord, marked 'E' where the next chord starts another section or the
// list ends.
DrumList DrumListFromChords(std::span<const arrange::PatternChord> chords);

// The program change of the drum channel: the style's kit program where it
// names one (sound-module modes 0 and 1, which know kit programs; 0 in the
// others), else the pattern's rule: 40 (brush) for the triplet eight-beat,
// 49 for pattern 18 in mode 1, otherwise 0.
int DrumKitProgram(int kitProgram, int drumPattern, int rhythmFeel, int meter, int kit, int soundModuleMode);

// Whether pattern `pattern` has the groove `variation` (patterns 4 and 28,
// which draw or read their grid, have only groove 0).
bool DrumGrooveExists(int pattern, int variation);

// One General MIDI drum note of a sound code.
struct DrumHit {
    int note = 0;
    int velocity = 0;
};
// The notes of sound `code` for `kit` with the step's velocity offset; draws
// where the sound does. Code 6 is silent; false for a code outside 1..51.
bool DrumSoundHits(PatternContext& context, int code, int offset, std::vector<DrumHit>& hits);

// Writes one step at `time` and returns time + duration + gap; a code outside
// 1..51 reports the drum-sound error, writes nothing and returns `time`.
Tick WriteDrumSound(PatternContext& context, NoteBuffer& out, Tick time, Tick duration, Tick gap, int code,
                    int offset);

// Plays one drum-list record of `duration` ticks from `time` through `grid`
// on steps of `step` ticks; returns the time after the last step.
Tick PlayDrumGrid(PatternContext& context, NoteBuffer& out, Tick time, Tick duration, std::span<const int> grid,
                  Tick step);

// Runs the pattern routine of `context.drumPattern` over the drum list from
// `start`. An unknown pattern reports the drum-pattern error.
void DrumPattern(PatternContext& context, std::span<const DrumRecord> drums, NoteBuffer& out, Tick start = 0);

// The grid a pattern plays for the current meter and feel (32 straight steps
// or 24 triplet steps), for patterns that have a fixed one; empty for the
// patterns 4, 11 (straight) and 28, which draw or read theirs.
std::vector<int> DrumPatternGrid(const PatternContext& context, int pattern);

}  // namespace songloom::arrange
