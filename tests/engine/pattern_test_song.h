#pragma once
// A small song for the generator tests: chords built the way the chord
// entries place their notes, with templates that weigh exactly the chord's
// tones 9, and helpers to compare and inspect what a generator wrote.

#include <string>
#include <string_view>
#include <vector>

#include "arrange/pattern_context.h"
#include "common/random.h"
#include "common/reporter.h"

namespace songloom::test {

// A chord of `length` ticks for a code such as "AmPs": root in 60..71, bass
// two octaves down, third and seventh inside 60..83, template digits 9 on
// the chord's tones and 0 elsewhere.
arrange::PatternChord SongChord(std::string_view code, arrange::Tick length, char section = 'A');

// Eleven chords over nine bars of 4/4 in two sections: whole bars, half bars,
// single beats and a two-bar chord.
std::vector<arrange::PatternChord> TestSong();

// A context with a fixed seed, default grid labels and the given feel.
struct TestContext {
    explicit TestContext(std::uint32_t seed = 7);
    CapturingReporter reporter;
    Random random;
    arrange::PatternContext context;
};

// The sounding notes of a buffer as one comparable text "at:note:vel:dur ...".
std::string Signature(const arrange::NoteBuffer& out);

// True when `note` is a tone of the chord sounding at `at` (by its code).
bool OnChordTone(const std::vector<arrange::PatternChord>& chords, arrange::Tick at, int note);

}  // namespace songloom::test
