#pragma once
// The step-grid players: a grid's 14 rows are voices of the current chord, its
// 16 columns the steps of a bar. Used by the grid accompaniment (channels 3
// and 7) and the grid-step bass.

#include <array>
#include <span>

#include "arrange/pattern_context.h"

namespace songloom::arrange {

// The 14 voice notes of `chord` for the row labels: label L is scale degree
// L % 7 in octave L / 7, built on the chord's notes and lowered a semitone
// where the chord's weight is below 5. Degree 0 is the root byte, or with
// `bassVoicing` the bass note two octaves up. Results outside 0..127 become 0
// (a rest) unless `bassVoicing` keeps them.
std::array<int, kGridRows> VoiceNotes(const PatternChord& chord, const std::array<std::int32_t, kGridRows>& labels,
                                      bool bassVoicing = false);

struct GridPlayback {
    int firstGrid = 0;
    int secondGrid = -1;  // the grid of every second bar; -1 plays firstGrid throughout
    int labelGrid = 0;    // whose row labels make the voice notes
    int stepsPerBar = 16;
    Tick step = 24;
    Tick sound = 15;             // sounding part of a step; the rest is gap
    bool continueSteps = false;  // the step counter runs on across chords
    bool strum = false;          // notes of a step 2 ticks apart, each 2 shorter
    bool toggleAtSections = false;
    bool bassVoicing = false;
    int shift = 0;  // semitones added to every voice note
};

// Plays the chords through the grids from `start`; returns the end time.
Tick PlayGrid(PatternContext& context, std::span<const PatternChord> chords, const GridPlayback& playback,
              NoteBuffer& out, Tick start = 0);

// The playback of the grid accompaniment for `channel` (3 or 7) by the
// style's grid mode; reports a triplet feel in 7/8 and plays 9 steps a bar.
GridPlayback AccompanimentGridPlayback(PatternContext& context, int channel);
// The playback of the grid-step bass (grid 3).
GridPlayback BassGridPlayback(const PatternContext& context);

}  // namespace songloom::arrange
