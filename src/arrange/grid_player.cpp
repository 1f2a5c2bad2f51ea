#include "arrange/grid_player.h"
#include "common/pitch.h"

#include <vector>

namespace songloom::arrange {

std::array<int, kGridRows> VoiceNotes(const PatternChord& chord, const std::array<std::int32_t, kGridRows>& labels,
                                      bool bassVoicing)
{
    std::array<int, kGridRows> notes{};
    for (std::size_t row = 0; row < notes.size(); ++row) {
        const int label = labels[row] < 0 ? 0 : labels[row];
        const int degree = label % 7;
        const int octave = label / 7;
        int base = 0;
        switch (degree) {
        case 0: base = bassVoicing ? chord.bass + 24 : chord.root; break;
        case 1: base = chord.root + 2; break;
        case 2: base = chord.second(); break;
        case 3: base = chord.third() - 2; break;
        case 4: base = chord.third(); break;
        case 5: base = chord.third() + 2; break;
        default: base = chord.fourth(); break;
        }
        int note = base + 12 * octave - 12;
        if (chord.digits[static_cast<std::size_t>(PitchClass(note))] < 5) --note;
        if (!bassVoicing && (note < 0 || note > 127)) note = 0;
        notes[row] = note;
    }
    return notes;
}

Tick PlayGrid(PatternContext& context, std::span<const PatternChord> chords, const GridPlayback& playback,
              NoteBuffer& out, Tick start)
{
    const Tick barLength = context.BarLength();
    const auto& labels = context.Grid(playback.labelGrid).rowLabels;
    Tick t = start;
    int counter = 0;
    int phase = 0;  // flips at every section change: the new section starts on the other grid
    std::vector<int> pending;  // the notes of the step being held, kept from chord to chord
    for (std::size_t k = 0; k < chords.size(); ++k) {
        const PatternChord& chord = chords[k];
        if (playback.toggleAtSections && k > 0 && chord.section != chords[k - 1].section) phase ^= 1;
        const std::array<int, kGridRows> voices = VoiceNotes(chord, labels, playback.bassVoicing);
        const int steps = playback.step > 0 ? chord.length / playback.step : 0;
        if (!playback.continueSteps) counter = 0;
        auto gridAt = [&](Tick time) -> const StepGrid& {
            int index = playback.firstGrid;
            if (playback.secondGrid >= 0 && ((time - start) / barLength + phase) % 2 == 1) index = playback.secondGrid;
            return context.Grid(index);
        };
        pending.clear();
        Tick pendingAt = t;
        Tick sound = 0;
        bool holding = false;
        const Tick entryStart = t;
        for (int s = 0; s < steps; ++s) {
            const int column = counter % playback.stepsPerBar % kGridSteps;
            const StepGrid& grid = gridAt(t);
            if (!holding) {
                pending.clear();
                for (std::size_t row = 0; row < kGridRows; ++row) {
                    if (grid.cells[row][static_cast<std::size_t>(column)] == 1) pending.push_back(voices[row] + playback.shift);
                }
                pendingAt = t;
                sound = playback.sound;
            } else {
                sound += playback.step;
            }
            const int nextColumn = (counter + 1) % playback.stepsPerBar % kGridSteps;
            const bool holdNext = s + 1 < steps && !pending.empty() &&
                                  gridAt(t + playback.step).holds[static_cast<std::size_t>(nextColumn)] == 1;
            if (holdNext) {
                holding = true;
            } else {
                holding = false;
                if (pending.empty()) {
                    out.Rest(pendingAt, playback.step);
                } else {
                    Tick delay = 0;
                    for (int note : pending) {
                        const int velocity = note < 12 ? 0 : 64;
                        out.Note(pendingAt + delay, velocity == 0 ? 0 : note, velocity, sound - delay);
                        if (playback.strum) delay += 2;
                    }
                }
            }
            t += playback.step;
            ++counter;
        }
        t = entryStart + chord.length;
    }
    return t;
}

GridPlayback AccompanimentGridPlayback(PatternContext& context, int channel)
{
    GridPlayback p;
    const bool triplet = context.Triplet();
    p.step = triplet ? 32 : 24;
    p.sound = triplet ? 23 : 15;
    switch (context.meter) {
    case 0: p.stepsPerBar = triplet ? 12 : 16; break;
    case 1: p.stepsPerBar = triplet ? 9 : 12; break;
    default:
        if (triplet) {
            context.Error(kMeterFeelConflict);
            p.stepsPerBar = 9;
        } else {
            p.stepsPerBar = 14;
        }
        break;
    }
    const int pair = channel == 7 ? 1 : 0;
    p.firstGrid = pair;
    p.labelGrid = 0;
    const int mode = channel == 7 ? 0 : context.grids.gridMode;
    if (mode >= 1) {
        p.secondGrid = pair + 4;
        p.continueSteps = context.grids.continueSwitch[static_cast<std::size_t>(pair)] == 1;
    }
    if (mode >= 2) {
        p.strum = context.grids.strumSwitch[static_cast<std::size_t>(pair)] == 1;
        p.toggleAtSections = true;
    }
    return p;
}

GridPlayback BassGridPlayback(const PatternContext& context)
{
    GridPlayback p;
    const bool triplet = context.Triplet();
    p.firstGrid = 3;
    p.labelGrid = 3;
    p.stepsPerBar = triplet ? 12 : 16;
    p.step = triplet ? 32 : 24;
    p.sound = triplet ? 31 : 23;
    p.continueSteps = context.grids.continueSwitch[3] == 1;
    p.bassVoicing = true;
    p.shift = -24;
    return p;
}

}  // namespace songloom::arrange
