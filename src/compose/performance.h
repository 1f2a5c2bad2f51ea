#pragma once
// The band's performance of a composition, a stage after every generator
// and before the tracks are merged and written: the same notes played as a
// band would play them.
//   - intro: a count-in on sticks, or the first bar's groove two or four times;
//   - phrases: a crash on the downbeat of bar 1 and of every phrase (8 bars,
//     4 where the drums are busy), a fill in the half bar before, and the
//     bass and accompaniment vary the last beat of a phrase;
//   - ending: the final bar holds the song's last chord in every band part
//     with a crash, everything ends together and not before the melody;
//   - dynamics: accents on strong beats, softer off-beats, ghost snares, a
//     swell over the phrase, the melody above its accompaniment;
//   - humanise: seeded timing (within +-8 ms, never across a beat) and
//     velocity (within +-8) scaled by the amount 0-100.
// Bar 1 is the first full bar of the melody (a pickup is bar 0).

#include <cstdint>
#include <memory>
#include <span>
#include <vector>

#include "arrange/engine_context.h"
#include "arrange/pattern_context.h"

namespace songloom::compose {

using arrange::Tick;

// The humanise amount a style plays with when the user sets none: tight for
// synthesizer styles, loose for triplet feels.
int StyleHumanizeAmount(const arrange::StyleRecord& style);

// Where the song's phrases and ending lie, in ticks before any intro.
struct PhrasePlan {
    Tick bar = 384;
    Tick origin = 0;      // downbeat of bar 1
    Tick songEnd = 0;     // end of the last chord
    Tick finalBar = 0;    // start of the bar that holds the last chord
    Tick end = 0;         // end of the final bar (and of every part)
    Tick melodyEnd = 0;   // the melody's last note-off
};

// The plan of a song of songEnd ticks whose melody sounds from firstOnset to
// lastOff (both 0 without a melody).
PhrasePlan MakePhrasePlan(Tick bar, Tick songEnd, Tick firstOnset, Tick lastOff);

// Velocity change of a note at tick `within` of its bar (0 = downbeat).
int BeatAccent(Tick within, Tick bar);

// Applies ctx.performance to ctx.tracks (tracks of notes with durations).
// compingChords: ctx.chords as the accompaniment voiced them, when it did
// (the jazz ending takes the last chord's tones from them); empty makes
// them again when the ending needs them.
void PerformTracks(arrange::EngineContext& ctx, std::span<const arrange::PatternChord> compingChords = {});

}  // namespace songloom::compose
