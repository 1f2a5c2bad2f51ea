#include "arrange/effects.h"

#include <algorithm>

namespace songloom::arrange {

namespace {

using Chords = std::span<const PatternChord>;

void Applause(Chords chords, NoteBuffer& out)
{
    int root = chords.front().root;
    if (root < 12) root = 60;
    out.Note(0, root + 11, 34, 96);
    out.Note(96, root + 12, 74, 472);
    const Tick lastStart = TotalLength(chords) - chords.back().length;
    out.Note(lastStart, chords.back().root + 12, 74, chords.back().length - 8);
}

// A wave every bar of 384 ticks on the chord then sounding, half of them
// silent; the last bar's wave always sounds, so the sea ends with the song
// instead of running on after the band has stopped.
void Seashore(PatternContext& x, Chords chords, NoteBuffer& out)
{
    const Tick total = TotalLength(chords);
    Tick t = 0;
    std::size_t k = 0;
    Tick chordEnd = chords.front().length;
    for (; t < total; t += 384) {
        while (t >= chordEnd && k + 1 < chords.size()) chordEnd += chords[++k].length;
        const Tick length = std::min<Tick>(383, total - t - 1);
        if (t + 384 < total && x.RB(1, 2) == 1) out.Rest(t, length);
        else out.Note(t, chords[k].root + 12, 64, length);
    }
}

// Birds over the chord roots, one or two octaves down, resting on half the
// chords; the last chord always has its bird.
void Birds(PatternContext& x, Chords chords, NoteBuffer& out)
{
    Tick t = 0;
    for (std::size_t k = 0; k < chords.size(); ++k) {
        const PatternChord& c = chords[k];
        const bool last = k + 1 == chords.size();
        if (k == 0) {
            out.Note(t, c.root - 12, 54, c.length - 8);
        } else if (!last && x.RB(1, 2) == 1) {
            out.Rest(t, c.length - 8);
        } else if (last || c.length >= 193 || x.RB(1, 2) == 1) {
            out.Note(t, x.RB(1, 2) == 1 ? c.root - 12 : c.root - 24, 64, c.length - 8);
        }
        t += c.length;
    }
}

}  // namespace

bool EffectPattern(PatternContext& context, std::span<const PatternChord> chords, int program, NoteBuffer& out)
{
    if (program != kApplauseProgram && program != kSeashoreProgram && program != kBirdsProgram) {
        context.Error(kEffectProgramError);
        return false;
    }
    if (chords.empty()) return true;
    switch (program) {
    case kApplauseProgram: Applause(chords, out); break;
    case kSeashoreProgram: Seashore(context, chords, out); break;
    default: Birds(context, chords, out); break;
    }
    return true;
}

}  // namespace songloom::arrange
