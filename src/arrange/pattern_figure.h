#pragma once
// A rhythmic figure written as a short text, so that the designed patterns
// read as tables rather than walls of code. A figure is a cycle length in
// ticks and a list of onsets:
//
//     "0:B/90 96:P/90 192:B+12/44 240:C/40!80"
//
// Each onset is `offset:voices/duration[!velocity]`; voices are separated by
// commas, each a letter with an optional semitone shift (+12, -24). Letters:
//   R  the chord's root byte (60..71)       B  the bass note
//   2  3  4  the second, third and fourth note (chord tones, rising)
//   T  F  S  root + third, fifth, seventh interval of the chord code
//   Q  P  W  bass + third, fifth, seventh interval of the chord code
//   N  a semitone approach to the next chord's bass (from below when it rises)
//   C  the chord: 2, 3 and 4 together
//   D  a down-stroke: 4, 3, 2 two ticks apart;  U  an up-stroke: 2, 3, 4
// The velocity defaults to 64. A figure repeats over an entry; onsets that
// fall at or past the entry's end are dropped and the last sounding notes
// are cut 2 ticks before it.

#include <array>
#include <cstddef>
#include <string_view>
#include <vector>

#include "arrange/pattern_context.h"

namespace songloom::arrange {

struct FigureVoice {
    char letter = 'B';
    int shift = 0;
};

struct FigureOnset {
    Tick offset = 0;
    std::vector<FigureVoice> voices;
    Tick duration = 0;
    int velocity = 64;
};

struct Figure {
    Tick cycle = 0;
    std::vector<FigureOnset> onsets;
    bool valid = false;  // false when the text did not parse
};

Figure ParseFigure(Tick cycle, std::string_view text);

// The notes a voice letter stands for (one, or three for C, D and U), with
// the strum offset of each.
struct VoicedNote {
    int note = 0;
    Tick delay = 0;
};
struct VoicedNotes {
    std::array<VoicedNote, 3> notes{};
    std::size_t count = 0;
    auto begin() const { return notes.begin(); }
    auto end() const { return notes.begin() + static_cast<std::ptrdiff_t>(count); }
};
VoicedNotes ResolveVoice(const FigureVoice& voice, const PatternChord& chord, const PatternChord* next);

// Triplet-feel version of an onset offset written in straight eighths and
// sixteenths: within a beat 0 stays, 24 becomes 32, 48 becomes 64, 72 80.
Tick SwingOffset(Tick offset);

// The figure as it plays in bars of barLength ticks. A figure whose cycle
// neither divides the bar nor is made of whole bars is fitted: a figure of
// whole 4/4 bars in 3/4 drops each bar's third beat (the fourth still leads
// into the next bar); a 3/4 bar in 4/4 plays
// its first half bar twice; a shorter cycle is unrolled up to the barline,
// so that every bar starts the figure anew. Durations are cut at the end of
// the place they move to. barLength 0 keeps the figure as it is.
Figure FitFigureToBar(const Figure& figure, Tick barLength);
bool FigureFitsBar(const Figure& figure, Tick barLength);

// Plays `figure` from `start` over `length` ticks of `chord`; with `swing`
// the offsets are moved by SwingOffset and durations kept inside the beat.
// The figure is fitted to the buffer's bar length first (FitFigureToBar).
void PlayFigure(NoteBuffer& out, Tick start, Tick length, const PatternChord& chord, const PatternChord* next,
                const Figure& figure, bool swing = false);

// Walks the chords with one figure each (continuous timing, entry by entry).
void PlayFigureOverChords(NoteBuffer& out, Tick start, std::span<const PatternChord> chords, const Figure& figure,
                          bool swing = false);

}  // namespace songloom::arrange
