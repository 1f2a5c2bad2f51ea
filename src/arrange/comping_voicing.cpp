#include "arrange/comping_voicing.h"
#include "common/pitch.h"

#include <algorithm>
#include <cstdlib>

namespace songloom::arrange {

namespace {

// Where the lowest voice of a rootless voicing may sit: from C3 to D4, the
// left hand's comping register above the bass.
constexpr int kLowestBottom = 48;
constexpr int kHighestBottom = 62;
// A top voice above this starts to crowd the tune.
constexpr int kComfortableTop = 70;

// The lowest note of pitch class pc at or above `from`.
int FirstOfClassFrom(int from, int pc) { return from + PitchClass(pc - from); }

// The intervals stacked upwards from `bottom`: each the next pitch of its
// class above the one before.
std::array<int, 3> Stack(int bottom, int root, const std::array<int, 3>& intervals)
{
    std::array<int, 3> notes{};
    int previous = bottom - 1;
    for (std::size_t i = 0; i < 3; ++i) {
        notes[i] = FirstOfClassFrom(previous + 1, PitchClass(root + intervals[i]));
        previous = notes[i];
    }
    return notes;
}

int Movement(const std::array<int, 3>& from, const std::array<int, 3>& to)
{
    int total = 0;
    for (std::size_t i = 0; i < 3; ++i) total += std::abs(to[i] - from[i]);
    if (to[2] > kComfortableTop) total += 2 * (to[2] - kComfortableTop);
    return total;
}

int RootedChordIndexAfter(std::span<const PatternChord> chords, std::size_t k)
{
    for (std::size_t j = k + 1; j < chords.size(); ++j) {
        if (chords[j].root != 0) return static_cast<int>(j);
    }
    return -1;
}

char SeventhCode(int seventh)
{
    switch (seventh) {
    case 10: return 's';
    case 11: return 'S';
    case 9: return '6';
    default: return 'o';
    }
}

void WeighAsChordTones(PatternChord& chord)
{
    for (const int note : chord.tones) {
        if (note > 0) chord.digits[static_cast<std::size_t>(PitchClass(note))] = 9;
    }
}

PatternChord JazzChord(const PatternChord& chord, bool resolvesDown, bool tonic, bool blues,
                       std::array<int, 3>& previous)
{
    PatternChord voiced = chord;
    std::array<int, 3> best{};
    int bestCost = -1;
    for (const bool seventhAtBottom : {false, true}) {
        const std::array<int, 3> intervals = JazzVoicingIntervals(chord, resolvesDown, tonic, blues, seventhAtBottom);
        const int lowest = FirstOfClassFrom(kLowestBottom, PitchClass(chord.root + intervals[0]));
        for (int bottom = lowest; bottom <= kHighestBottom; bottom += 12) {
            const std::array<int, 3> notes = Stack(bottom, chord.root, intervals);
            const int cost = Movement(previous, notes);
            if (bestCost < 0 || cost < bestCost) {
                bestCost = cost;
                best = notes;
            }
        }
    }
    voiced.tones = best;
    previous = best;
    const std::array<int, 3> asStacked = JazzVoicingIntervals(chord, resolvesDown, tonic, blues, false);
    voiced.code[3] = SeventhCode(asStacked[1]);
    WeighAsChordTones(voiced);
    return voiced;
}

PatternChord ShoChord(const PatternChord& chord)
{
    // With the pattern's low root: root, ninth, fifth and octave in one span.
    PatternChord voiced = chord;
    voiced.tones = {chord.root - 10, chord.root - 5, chord.root};
    WeighAsChordTones(voiced);
    return voiced;
}

}  // namespace

CompingVoicing CompingVoicingOf(int value)
{
    switch (value) {
    case 1: return CompingVoicing::kJazz;
    case 2: return CompingVoicing::kBlues;
    case 3: return CompingVoicing::kSho;
    default: return CompingVoicing::kAsWritten;
    }
}

bool AddsTensions(CompingVoicing voicing) { return voicing != CompingVoicing::kAsWritten; }

std::array<int, 3> JazzVoicingIntervals(const PatternChord& chord, bool resolvesDown, bool tonic, bool blues,
                                        bool seventhAtBottom)
{
    const int third = chord.ThirdInterval() == 0 ? 4 : chord.ThirdInterval();
    const int fifth = chord.FifthInterval();
    const int written = chord.SeventhInterval();
    int seventh = 11;
    int colour = 14;
    if (third == 3 && fifth == 6) {
        seventh = written == 10 ? 10 : 9;  // half-diminished or diminished seventh
        colour = 6;
    } else if (third == 3) {
        seventh = written == 11 || written == 9 ? written : 10;
    } else if (third == 5) {
        seventh = 10;  // the seventh-suspended chord
    } else if (fifth == 8) {
        seventh = 10;
        colour = 8;
    } else if (written == 10 || blues || resolvesDown) {
        seventh = 10;
        colour = seventhAtBottom ? 9 : 14;  // the thirteenth over the seventh, else the ninth
    } else if (written == 11 || written == 9) {
        seventh = written;
    } else {
        seventh = tonic ? 9 : 11;  // 6/9 on the home chord, major seventh elsewhere
    }
    if (!seventhAtBottom) return {third, seventh, colour};
    // Seventh at the bottom: the dominant's 7-3-13, otherwise 7-9-3.
    if (third == 4 && seventh == 10 && fifth != 8) return {seventh, third, colour};
    return {seventh, colour, third};
}

std::vector<PatternChord> VoiceChordsForComping(std::span<const PatternChord> chords, CompingVoicing voicing)
{
    std::vector<PatternChord> voiced(chords.begin(), chords.end());
    if (voicing == CompingVoicing::kAsWritten) return voiced;
    int home = -1;
    for (auto it = chords.rbegin(); it != chords.rend(); ++it) {
        if (it->root != 0) {
            home = PitchClass(it->root);
            break;
        }
    }
    std::array<int, 3> previous{55, 60, 64};
    for (std::size_t k = 0; k < chords.size(); ++k) {
        const PatternChord& c = chords[k];
        if (c.root == 0) continue;
        if (voicing == CompingVoicing::kSho) {
            voiced[k] = ShoChord(c);
            continue;
        }
        const int next = RootedChordIndexAfter(chords, k);
        // A dominant: resolving a fifth down, or the fifth degree of the key.
        const bool resolvesDown = (next >= 0 && PitchClass(chords[static_cast<std::size_t>(next)].root) ==
                                                    PitchClass(c.root + 5)) ||
                                  PitchClass(c.root) == PitchClass(home + 7);
        voiced[k] = JazzChord(c, resolvesDown, PitchClass(c.root) == home, voicing == CompingVoicing::kBlues,
                              previous);
    }
    return voiced;
}

}  // namespace songloom::arrange
