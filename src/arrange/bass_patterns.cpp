#include "arrange/bass_patterns.h"

#include <algorithm>
#include <cstdlib>
#include <vector>

#include "arrange/grid_player.h"
#include "arrange/pattern_figure.h"

namespace songloom::arrange {

namespace {

using Chords = std::span<const PatternChord>;

const PatternChord* NextOf(Chords chords, std::size_t k) { return k + 1 < chords.size() ? &chords[k + 1] : nullptr; }

// Straight eighths of 48 ticks, or in triplet feel the long-short pair of
// a beat (64 + 32 ticks).
struct EighthSlot {
    Tick offset;
    Tick duration;
};
EighthSlot Eighth(bool triplet, int index, Tick straightDuration, Tick longDuration, Tick shortDuration)
{
    if (!triplet) return {index * 48, straightDuration};
    return {index / 2 * 96 + (index % 2) * 64, index % 2 == 0 ? longDuration : shortDuration};
}

// Patterns 1 and 3: the half, quarter or eighth grid of the repeated bass.
void RepeatedBass(PatternContext& x, Chords chords, NoteBuffer& out, bool octaves, bool alternateFifth)
{
    Tick t = 0;
    for (const PatternChord& c : chords) {
        Tick step = 96;
        Tick duration = 94;
        int count = 0;
        if (x.meter == 2 || (x.accompanimentPattern == 4 && !x.Triplet())) {
            step = 48;
            duration = 47;
            count = c.length / 48;
        } else {
            const int beats = c.length / 96;
            if (beats >= 2 && beats % 2 == 0) {
                step = 192;
                duration = 188;
                count = beats / 2;
            } else {
                count = beats;
            }
        }
        for (int i = 0; i < count; ++i) {
            const int note = alternateFifth && i % 2 == 1 ? c.third() - 24 : c.bass;
            out.Note(t + i * step, note, 64, duration);
            if (octaves && i % 2 == 0) out.Note(t + i * step, c.bass + 12, 64, duration);
        }
        t += c.length;
    }
}

// Pattern 2: a sustained bass: each chord's own bass held, struck again every
// half bar (a bass that held the first chord's note under every later chord
// would clash with all of them).
void PedalBass(Chords chords, NoteBuffer& out)
{
    Tick t = 0;
    for (const PatternChord& c : chords) {
        for (Tick pos = 0; pos < c.length; pos += 192) {
            const Tick remainder = c.length - pos;
            out.Note(t + pos, c.bass, 64, remainder > 192 ? 192 : remainder - 3);
        }
        t += c.length;
    }
}

void SixteenthBass(PatternContext& x, Chords chords, NoteBuffer& out)
{
    const Tick step = x.Triplet() ? 32 : 24;
    const Tick duration = x.Triplet() ? 30 : 23;
    Tick t = 0;
    for (const PatternChord& c : chords) {
        const int count = c.length / step;
        for (int i = 0; i < count; ++i) {
            out.Note(t + i * step, c.bass, 64, duration);
            if (i % 2 == 0) out.Note(t + i * step, c.bass + 12, 64, duration);
        }
        t += c.length;
    }
}

// Pattern 6: the eighth-note bass, straight or swung.
void EighthBass(PatternContext& x, Chords chords, NoteBuffer& out)
{
    constexpr int kVelocity = 104;
    const bool triplet = x.Triplet();
    const std::size_t n = chords.size();
    Tick t = 0;
    for (std::size_t k = 0; k < n; ++k) {
        const PatternChord& c = chords[k];
        if (x.meter == 2) {
            out.Note(t, c.bass, 64, c.length - 6);
            t += c.length;
            continue;
        }
        const int beats = c.length / 96;
        const int eighths = beats * 2;
        auto play = [&](int index, int note) {
            const EighthSlot slot = Eighth(triplet, index, 47, 62, 30);
            out.Note(t + slot.offset, note, kVelocity, slot.duration);
        };
        if (k + 1 == n) {
            // The close: down the chord to the bass.
            if (eighths >= 4) {
                play(0, c.fourth() - 24);
                play(1, c.third() - 24);
                play(2, c.second() - 24);
                out.Note(t + Eighth(triplet, 3, 47, 62, 30).offset, c.bass, kVelocity, 94);
            } else if (eighths > 0) {
                out.Note(t, c.bass, kVelocity, 94);
            }
        } else {
            for (int j = 0; j < beats; ++j) {
                EighthPair pair = EighthBassPair(c, j % 4, x.RB(1, 4));
                // The last eighth before a new bass leads into it by a semitone.
                if (j + 1 == beats && chords[k + 1].bass != 0 && chords[k + 1].bass != c.bass) {
                    pair.second = chords[k + 1].bass > pair.first ? chords[k + 1].bass - 1 : chords[k + 1].bass + 1;
                }
                play(2 * j, pair.first);
                play(2 * j + 1, pair.second);
            }
        }
        t += c.length;
    }
}

// Pattern 8: a walking bass in quarter notes: the chord's bass on its first
// beat, chord tones on the beats after it, and a chromatic approach into the
// next chord only on the last beat before a change. In triplet feel a beat
// now and then skips into the next with a swung eighth of the same note.
void WalkingBass(PatternContext& x, Chords chords, NoteBuffer& out)
{
    if (chords.empty()) return;
    const bool triplet = x.Triplet();
    Tick t = 0;
    for (std::size_t k = 0; k < chords.size(); ++k) {
        const PatternChord& c = chords[k];
        if (x.meter == 2) {
            out.Note(t, c.bass, 64, c.length - 6);
        } else if (k + 1 == chords.size()) {
            out.Note(t, c.bass, 64, 188);
            out.Note(t + 192, c.bass - 12, 64, std::max<Tick>(c.length - 196, 92));
        } else {
            const PatternChord& next = chords[k + 1];
            const int beats = c.length / 96;
            int note = c.bass;
            for (int b = 0; b < beats; ++b) {
                note = WalkingStep(c, b, beats, note, next.bass, x.RB(1, 2));
                const Tick at = t + b * 96;
                if (triplet && b + 1 < beats && x.RB(1, 6) == 1) {
                    out.Note(at, note, 64, 60);
                    out.Note(at + 64, note, 56, 28);
                } else {
                    out.Note(at, note, 64, 90);
                }
            }
            if (beats == 0 && c.length > 6) out.Note(t, c.bass, 64, c.length - 6);
        }
        t += c.length;
    }
}

void RandomEighthBass(PatternContext& x, Chords chords, NoteBuffer& out)
{
    const bool triplet = x.Triplet();
    Tick t = 0;
    for (const PatternChord& c : chords) {
        const int b = c.bass;
        const int steps = c.length / (triplet ? 32 : 48);
        for (int k = 0; k < steps; ++k) {
            int main = b;
            int pick = b;
            bool mainRest = false;
            bool pickRest = false;
            if (!(k % 4 == 0 || x.RB(1, 2) == 1)) {
                switch (x.RB(1, 7)) {
                case 1: main = b + 7; pick = b + 5; break;
                case 2:
                    if (triplet) { main = b + 5; pick = c.second() - 12; }
                    else { main = c.second() - 12; pick = c.fourth() - 12; }
                    break;
                case 3:
                    if (triplet) { main = c.second() - 12; pick = c.fourth() - 12; }
                    else { main = b - 10; pick = b - 12; }
                    break;
                case 4:
                    if (triplet) { main = b - 10; pick = b - 12; }
                    else { mainRest = pickRest = true; }
                    break;
                case 5: main = b + 5; pick = c.second() - 12; break;
                case 6:
                    if (triplet) { mainRest = pickRest = true; }
                    else { mainRest = true; pick = b; }
                    break;
                default: main = b + 12; pick = b; break;
                }
            }
            const Tick at = t + k * (triplet ? 32 : 48);
            auto write = [&](Tick when, int note, bool rest, Tick duration) {
                if (rest) out.Rest(when, duration);
                else out.Note(when, note, 64, duration);
            };
            if (!triplet) {
                if (x.RB(1, 4) == 1) {
                    if (pickRest || pick >= 1) write(at, pick, pickRest, 23);
                    write(at + 24, main, mainRest, 23);
                } else {
                    write(at, main, mainRest, 47);
                }
            } else if (x.RB(1, 6) == 1) {
                write(at, pick, pickRest, 15);
                write(at + 16, main, mainRest, 15);
            } else {
                write(at, main, mainRest, 30);
            }
        }
        t += c.length;
    }
}

void PickupBass(PatternContext& x, Chords chords, NoteBuffer& out)
{
    Tick t = 0;
    for (const PatternChord& c : chords) {
        const int b = c.bass;
        if (!x.Triplet()) {
            for (int i = 0; i < c.length / 48; ++i) out.Note(t + i * 48, b, 64, 47);
        } else {
            auto pickup = [&](Tick at) {
                out.Note(at, b, 64, 30);
                out.Note(at + 32, b + 2, 64, 30);
                out.Note(at + 64, c.second() - 24, 64, 30);
            };
            if (c.length == 384 || c.length == 768) {
                for (Tick bar = 0; bar < c.length; bar += 384) {
                    out.Note(t + bar, b, 64, 286);
                    pickup(t + bar + 288);
                }
            } else if (c.length == 192) {
                if (x.RB(1, 2) == 1) {
                    out.Note(t, b, 64, 94);
                    pickup(t + 96);
                } else {
                    out.Note(t, b, 64, 158);
                    out.Note(t + 160, b, 64, 30);
                }
            } else {
                out.Note(t, b, 64, c.length - 2);
            }
        }
        t += c.length;
    }
}

void ArpeggioBass(PatternContext& x, Chords chords, NoteBuffer& out)
{
    const bool triplet = x.Triplet();
    Tick t = 0;
    for (const PatternChord& c : chords) {
        if (x.meter == 2) {
            out.Note(t, c.bass, 64, c.length - 6);
        } else {
            for (int b = 0; b < c.length / 96; ++b) {
                const Tick at = t + b * 96;
                switch (b % 4) {
                case 0: out.Note(at, c.bass, 64, 30); break;
                case 1: out.Note(at, c.second() - 24, 64, 30); break;
                case 2: out.Note(at, c.third() - 24, 64, 30); break;
                default:
                    out.Note(at, c.second() - 24, 64, triplet ? 20 : 15);
                    out.Note(at + (triplet ? 64 : 48), c.bass, 64, triplet ? 10 : 15);
                    break;
                }
            }
        }
        t += c.length;
    }
}

// Patterns 14-16: two notes a beat, the last chord closing in its own way.
enum class ShuffleKind { kShuffle, kRootThird, kPairs };

void ShuffleBass(PatternContext& x, Chords chords, NoteBuffer& out, ShuffleKind kind)
{
    const bool triplet = x.Triplet();
    Tick t = 0;
    for (std::size_t k = 0; k < chords.size(); ++k) {
        const PatternChord& c = chords[k];
        const bool last = k + 1 == chords.size();
        if (x.meter == 2) {
            out.Note(t, c.bass, 64, c.length - 6);
        } else if (last && kind == ShuffleKind::kShuffle) {
            out.Note(t, c.bass - 12, 64, 188);
            out.Note(t + 192, c.bass, 64, 188);
        } else if (last && kind == ShuffleKind::kRootThird) {
            out.Note(t, c.bass, 64, c.length - 6);
        } else if (last) {
            out.Note(t, c.bass - 12, 64, c.length - 4);
        } else {
            const int beats = c.length / 96;
            int lastNote = c.bass;
            for (int b = 0; b < beats; ++b) {
                const Tick at = t + b * 96;
                const int pos = std::min(b, 7);
                int first = 0;
                int second = 0;
                Tick firstLength = triplet ? 54 : 62;
                Tick gap = triplet ? 64 : 72;
                Tick secondLength = triplet ? 22 : 14;
                switch (kind) {
                case ShuffleKind::kShuffle: {
                    const int notes[4] = {c.root - 24, c.fourth() - 36, c.third() - 34, c.third() - 36};
                    first = second = notes[pos % 4];
                    firstLength = triplet ? 54 : 38;
                    gap = triplet ? 64 : 48;
                    secondLength = triplet ? 22 : 38;
                    break;
                }
                case ShuffleKind::kRootThird:
                    first = second = b % 2 == 0 ? c.root - 24 : c.third() - 24;
                    break;
                case ShuffleKind::kPairs:
                    if (b % 2 == 0) {
                        first = c.root - 24;
                        second = c.third() - 24;
                    } else if (b % 4 == 1) {
                        first = c.third() - 24;
                        second = c.root - 24;
                    } else {
                        first = c.third() - 24;
                        second = c.root - 24;
                        firstLength = 38;
                        gap = 48;
                        secondLength = 38;
                    }
                    break;
                }
                out.Note(at, first, 64, firstLength);
                out.Note(at + gap, second, 64, secondLength);
                lastNote = second;
            }
            const Tick remainder = c.length % 96;
            if (remainder > 10) out.Note(t + beats * 96, lastNote, 64, remainder - 10);
        }
        t += c.length;
    }
}

// Pattern 21: a drone on the chord: the bass held in pieces of a half or a
// quarter note, now and then on the fifth above it.
void DroneBass(PatternContext& x, Chords chords, NoteBuffer& out)
{
    Tick t = 0;
    for (std::size_t k = 0; k < chords.size(); ++k) {
        const PatternChord& c = chords[k];
        const int note = k == 0 || x.RB(0, 1) == 0 ? c.bass : c.bass + c.FifthInterval();
        Tick pos = 0;
        while (pos < c.length) {
            const Tick piece = x.RB(1, 2) == 1 ? 192 : 96;
            if (c.length - pos > piece) {
                out.Note(t + pos, note, 64, piece);
                pos += piece;
            } else {
                out.Note(t + pos, note, 64, c.length - pos - 3);
                break;
            }
        }
        t += c.length;
    }
}

// Pattern 23: the "oom" of the waltz: the bass on every bar's first beat
// (the accompaniment plays the "pah pah"), the fifth on the second bar of a
// longer chord; in 4/4 on beats one and three. Now and then an odd-numbered
// chord gets the accented run of eighths into its second beat.
void WaltzBass(PatternContext& x, Chords chords, NoteBuffer& out)
{
    const Tick bar = x.meter == 1 ? 288 : 192;
    Tick t = 0;
    for (std::size_t k = 0; k < chords.size(); ++k) {
        const PatternChord& c = chords[k];
        const int fifth = c.bass + c.FifthInterval();
        if (k % 2 == 1 && !x.Triplet() && x.RB(1, 4) == 1 && c.length >= 240) {
            const int run[4] = {c.bass, c.bass + 12, fifth, c.bass};
            int i = 0;
            for (int e : {0, 1, 2, 4}) out.Note(t + e * 48, run[i++], 80, 47);
            for (Tick pos = bar; pos < c.length; pos += bar) {
                if (pos > 192) out.Note(t + pos, fifth, 64, 90);
            }
        } else {
            int n = 0;
            for (Tick pos = 0; pos < c.length; pos += bar) {
                out.Note(t + pos, n++ % 2 == 0 ? c.bass : fifth, 64, std::min<Tick>(90, c.length - pos - 2));
            }
        }
        t += c.length;
    }
}

// Pattern 10: a two-beat bass, root and fifth, with a chromatic approach into
// the next chord on the last beat of a chord of a bar or more that moves to
// another bass (on shorter chords every other note would be a passing tone).
void TwoBeatApproachBass(PatternContext& x, Chords chords, NoteBuffer& out)
{
    const bool triplet = x.Triplet();
    Tick t = 0;
    for (std::size_t k = 0; k < chords.size(); ++k) {
        const PatternChord& c = chords[k];
        const PatternChord* next = NextOf(chords, k);
        const int beats = c.length / 96;
        const int fifth = c.bass + c.FifthInterval();
        for (int b = 0; b < beats; ++b) {
            int note = b % 2 == 0 ? c.bass : fifth;
            if (b % 4 == 2) note = c.bass + 12;
            if (b == beats - 1 && beats >= 4 && next != nullptr && next->bass != 0 &&
                (next->bass - c.bass) % 12 != 0)
                note = next->bass >= c.bass ? next->bass - 1 : next->bass + 1;
            out.Note(t + b * 96, note, 64, triplet ? 80 : 88);
        }
        if (beats == 0 && c.length > 6) out.Note(t, c.bass, 64, c.length - 6);
        t += c.length;
    }
}

// Pattern 19: the bass follows the style's rhythm table, one onset wherever
// a sixteenth's entry is not 0, alternating root and fifth; the first
// sixteenth of every chord always sounds. An empty table plays quarters.
void SeedBass(PatternContext& x, Chords chords, NoteBuffer& out)
{
    const Tick step = x.Triplet() ? 32 : 24;
    Tick t = 0;
    int onset = 0;
    std::vector<Tick> starts;
    for (const PatternChord& c : chords) {
        x.SeedOnsets(t, c.length, step, starts);
        for (std::size_t i = 0; i < starts.size(); ++i) {
            const Tick end = i + 1 < starts.size() ? starts[i + 1] : c.length;
            const int note = onset++ % 2 == 0 ? c.bass : c.bass + c.FifthInterval();
            out.Note(t + starts[i], note, 64, std::max<Tick>(end - starts[i] - 4, 1));
        }
        t += c.length;
    }
}

// The designed patterns as figures (see arrange/pattern_figure.h).
struct BassFigure {
    Tick cycle;
    const char* text;
};
constexpr BassFigure kOctaveBounce{96, "0:B/40 48:B+12/40"};                  // 4
constexpr BassFigure kBalladDotted{192, "0:B/140 144:P/44"};                  // 7
constexpr BassFigure kFunkSixteenths{96, "0:B/40 48:B+12/22 72:B/22"};        // 13, density above 110
constexpr BassFigure kSyncopatedDotted{192, "0:B/140 144:B/46"};              // 13, otherwise
constexpr BassFigure kRockEighths{384, "0:B/44 48:B/44 96:B/44 144:B/44 192:P/44 240:P/44 288:B+12/44 336:B/44"};  // 17
constexpr BassFigure kShuffleOctave{96, "0:B/60 64:B+12/28"};                 // 17, triplet
constexpr BassFigure kBoogie{384, "0:B/44 48:Q/44 96:P/44 144:B+9/44 192:W/44 240:B+9/44 288:P/44 336:Q/44"};  // 18
constexpr BassFigure kReggae{384, "0:B/86 144:B/22 192:P/70 288:Q/40 336:P/40"};  // 22

void PlayBassFigure(PatternContext& x, Chords chords, NoteBuffer& out, const BassFigure& figure, bool swing)
{
    PlayFigureOverChords(out, 0, chords, ParseFigure(figure.cycle, figure.text), swing && x.Triplet());
}

// The genre figures: a bar of onsets each, in 4/4 and in 3/4.
enum class When {
    kEvery,
    kPhraseStart,   // the first bar of every eight (the tie gives way to the 1)
    kBeforeChange,  // the chord the onset leads into has another bass
    kSameChord,     // ... the same bass
    kNewChord,      // the chord sounding began in this bar
    kHeldChord,     // ... in an earlier bar
    kEvenBar,
    kOddBar,
    kFourthBar,  // the last bar of every four
    kOtherBars,
};

struct GenreHit {
    Tick at;  // within the bar
    char letter;  // a voice letter of arrange/pattern_figure.h
    int shift;
    Tick length;
    int velocity;
    Tick lands = 0;  // the onset takes the harmony of the chord this much later
    When when = When::kEvery;
};

using W = When;

// Mambo and salsa: nothing on the 1 inside a phrase; the fifth on the
// and of 2 leads into beat 3, the root on 4 belongs to the next bar's chord
// and is tied over the barline.
constexpr GenreHit kTumbao44[] = {
    {0, 'B', 0, 136, 84, 0, W::kPhraseStart},   {144, 'P', -12, 140, 76, 48, W::kEvenBar},
    {144, 'P', 0, 140, 76, 48, W::kOddBar},  {288, 'B', 0, 236, 88, 96},
};
constexpr GenreHit kTumbao34[] = {
    {0, 'B', 0, 92, 84, 0, W::kPhraseStart},  {96, 'P', -12, 140, 76, 0, W::kEvenBar},
    {96, 'P', 0, 140, 76, 0, W::kOddBar},  {240, 'B', 0, 140, 88, 48},
};
// Latin rock keeps the 1 and anticipates the next chord on 4 without the tie.
constexpr GenreHit kLatinRock44[] = {
    {0, 'B', 0, 136, 86},  {144, 'P', -12, 136, 74, 48},  {240, 'B', 12, 40, 62, 0, W::kOddBar},
    {288, 'B', 0, 92, 84, 96},
};
constexpr GenreHit kLatinRock34[] = {
    {0, 'B', 0, 136, 86},
    {144, 'P', -12, 44, 72, 48},
    {192, 'B', 0, 92, 84, 96},
};
// Cha-cha-cha: root and fifth on 1 and 3, the "cha-cha" on 4 and its and,
// the second already the next chord's root.
constexpr GenreHit kChaCha44[] = {
    {0, 'B', 0, 180, 86},
    {192, 'P', -12, 92, 78},
    {288, 'P', -12, 44, 70},
    {336, 'B', 0, 44, 76, 48},
};
constexpr GenreHit kChaCha34[] = {
    {0, 'B', 0, 180, 86},
    {192, 'P', -12, 44, 70},
    {240, 'B', 0, 44, 76, 48},
};
// Tango: marcato in four (1 and 3 heavy, short notes), every fourth bar
// the 3-3-2 sincopa; in 3/4 the vals: 1 and 3, the sincopa the same.
constexpr GenreHit kTango44[] = {
    {0, 'B', 0, 64, 92, 0, W::kOtherBars},       {96, 'B', 0, 56, 62, 0, W::kOtherBars},
    {192, 'P', -12, 64, 84, 0, W::kOtherBars},   {288, 'B', 0, 56, 62, 0, W::kOtherBars},
    {0, 'B', 0, 130, 94, 0, W::kFourthBar},      {144, 'P', -12, 130, 90, 0, W::kFourthBar},
    {288, 'B', 12, 80, 86, 0, W::kFourthBar},
};
constexpr GenreHit kTango34[] = {
    {0, 'B', 0, 64, 92, 0, W::kOtherBars},
    {192, 'P', -12, 56, 66, 0, W::kOtherBars},
    {0, 'B', 0, 130, 94, 0, W::kFourthBar},
    {144, 'P', -12, 130, 86, 0, W::kFourthBar},
};
// Bossa nova: root on 1 and fifth on 3 in dotted quarters, each reached by
// an eighth pickup (the one before the bar already the next chord's root).
constexpr GenreHit kBossa44[] = {
    {0, 'B', 0, 136, 80},
    {144, 'P', -12, 44, 62, 48},
    {192, 'P', -12, 136, 76},
    {336, 'B', 0, 44, 62, 48},
};
constexpr GenreHit kBossa34[] = {
    {0, 'B', 0, 136, 80},
    {144, 'P', -12, 44, 62, 48},
    {192, 'P', -12, 92, 72},
};
// Reggae one-drop: a long root, the and of 2, nothing on 3 where the drop
// falls, then up the chord.
constexpr GenreHit kOneDrop44[] = {
    {0, 'B', 0, 134, 84},  {144, 'B', 0, 44, 62},  {240, 'Q', 0, 40, 64},
    {288, 'P', 0, 88, 72, 0, W::kEvenBar},  {288, 'B', 12, 88, 72, 0, W::kOddBar},
};
constexpr GenreHit kOneDrop34[] = {
    {0, 'B', 0, 134, 84},
    {144, 'B', 0, 44, 62},
    {192, 'P', 0, 88, 72},
};
// Samba: the surdo's figure twice a bar, the 1, a sixteenth pickup and the
// strong 2 on the fifth below.
constexpr GenreHit kSamba44[] = {
    {0, 'B', 0, 66, 78},    {72, 'P', -12, 20, 58, 24},   {96, 'P', -12, 90, 92},
    {192, 'B', 0, 66, 78},  {264, 'P', -12, 20, 58, 24},  {288, 'P', -12, 90, 92},
};
constexpr GenreHit kSamba34[] = {
    {0, 'B', 0, 66, 78},
    {72, 'P', -12, 20, 58, 24},
    {96, 'P', -12, 90, 92},
    {192, 'B', 0, 90, 74},
};
// Country and folk: root on 1, fifth on 3 (below, or above every other
// bar), a chromatic step on 4 into a new bass; in 3/4 one note a bar,
// the root where a chord begins and the fifth in its later bars.
constexpr GenreHit kTwoBeat44[] = {
    {0, 'B', 0, 90, 86},
    {192, 'P', -12, 90, 76, 0, W::kEvenBar},
    {192, 'P', 0, 90, 76, 0, W::kOddBar},
    {288, 'N', 0, 88, 70, 96, W::kBeforeChange},
};
constexpr GenreHit kTwoBeat34[] = {
    {0, 'B', 0, 90, 86, 0, W::kNewChord},
    {0, 'P', -12, 90, 80, 0, W::kHeldChord},
};
// Polka and march: the tuba's short root and fifth on 1 and 3.
constexpr GenreHit kTuba44[] = {
    {0, 'B', 0, 80, 88},
    {192, 'P', -12, 80, 76},
};
constexpr GenreHit kTuba34[] = {
    {0, 'B', 0, 80, 88, 0, W::kNewChord},
    {0, 'P', -12, 80, 82, 0, W::kHeldChord},
};
// Trance: the root on every off-beat eighth, the last an octave up every
// other bar.
constexpr GenreHit kOffbeat44[] = {
    {48, 'B', 0, 40, 84},  {144, 'B', 0, 40, 80},  {240, 'B', 0, 40, 84},
    {336, 'B', 0, 40, 80, 0, W::kEvenBar},  {336, 'B', 12, 40, 80, 0, W::kOddBar},
};
constexpr GenreHit kOffbeat34[] = {
    {48, 'B', 0, 40, 84},
    {144, 'B', 0, 40, 80},
    {240, 'B', 0, 40, 84},
};
// Fusion slap: thumbed roots with ghosted sixteenths, the octave popped on
// 2 and 4, a chromatic lead into a new bass.
constexpr GenreHit kSlap44[] = {
    {0, 'B', 0, 44, 96},    {72, 'B', 0, 20, 48},   {96, 'B', 12, 30, 98},
    {168, 'B', 0, 20, 50},  {192, 'P', 0, 44, 88},  {264, 'B', 0, 20, 48},
    {288, 'B', 12, 30, 98}, {336, 'N', 0, 40, 70, 48, W::kBeforeChange},
    {336, 'P', 0, 40, 70, 48, W::kSameChord},
};
constexpr GenreHit kSlap34[] = {
    {0, 'B', 0, 44, 96},   {72, 'B', 0, 20, 48},   {96, 'B', 12, 30, 98},
    {168, 'B', 0, 20, 50}, {192, 'P', 0, 44, 88},  {240, 'N', 0, 40, 70, 48, W::kBeforeChange},
    {240, 'P', 0, 40, 70, 48, W::kSameChord},
};

struct GenreFigure {
    GenreBass figure;
    std::string_view name;
    std::span<const GenreHit> four;
    std::span<const GenreHit> three;
};

constexpr GenreFigure kGenreFigures[] = {
    {GenreBass::kTumbao, "tumbao", kTumbao44, kTumbao34},
    {GenreBass::kLatinRock, "latin-rock", kLatinRock44, kLatinRock34},
    {GenreBass::kChaCha, "cha-cha", kChaCha44, kChaCha34},
    {GenreBass::kTango, "tango", kTango44, kTango34},
    {GenreBass::kBossa, "bossa", kBossa44, kBossa34},
    {GenreBass::kOneDrop, "one-drop", kOneDrop44, kOneDrop34},
    {GenreBass::kSamba, "samba", kSamba44, kSamba34},
    {GenreBass::kTwoBeat, "two-beat", kTwoBeat44, kTwoBeat34},
    {GenreBass::kTuba, "tuba", kTuba44, kTuba34},
    {GenreBass::kOffbeat, "offbeat", kOffbeat44, kOffbeat34},
    {GenreBass::kSlap, "slap", kSlap44, kSlap34},
};

const GenreFigure* FindGenreFigure(GenreBass figure)
{
    for (const GenreFigure& f : kGenreFigures) {
        if (f.figure == figure) return &f;
    }
    return nullptr;
}

bool HitPlays(When when, int bar, bool change, bool newChord)
{
    switch (when) {
    case When::kPhraseStart: return bar % 8 == 0;
    case When::kBeforeChange: return change;
    case When::kSameChord: return !change;
    case When::kNewChord: return newChord;
    case When::kHeldChord: return !newChord;
    case When::kEvenBar: return bar % 2 == 0;
    case When::kOddBar: return bar % 2 == 1;
    case When::kFourthBar: return bar % 4 == 3;
    case When::kOtherBars: return bar % 4 != 3;
    case When::kEvery: break;
    }
    return true;
}

}  // namespace

std::string_view GenreBassName(GenreBass figure)
{
    const GenreFigure* f = FindGenreFigure(figure);
    return f == nullptr ? std::string_view{} : f->name;
}

bool GenreBassFromName(std::string_view name, GenreBass& out)
{
    for (const GenreFigure& f : kGenreFigures) {
        if (f.name == name) {
            out = f.figure;
            return true;
        }
    }
    return false;
}

void PlayGenreBass(PatternContext& x, std::span<const PatternChord> chords, GenreBass figure, NoteBuffer& out)
{
    const GenreFigure* f = FindGenreFigure(figure);
    if (f == nullptr || chords.empty()) return;
    const std::span<const GenreHit> hits = x.meter == kMeter34 ? f->three : f->four;
    const Tick bar = x.BarLength();
    std::vector<Tick> starts;
    starts.reserve(chords.size());
    Tick total = 0;
    for (const PatternChord& c : chords) {
        starts.push_back(total);
        total += c.length;
    }
    const auto indexAt = [&](Tick at) {
        const auto after = std::upper_bound(starts.begin(), starts.end(), std::min(at, total - 1));
        return static_cast<std::size_t>(after - starts.begin() - 1);
    };
    const bool swing = x.Triplet();
    int barIndex = 0;
    for (Tick b = 0; b < total; b += bar, ++barIndex) {
        for (const GenreHit& h : hits) {
            if (h.at >= bar) continue;
            const Tick at = b + (swing ? SwingOffset(h.at) : h.at);
            if (at >= total) continue;
            const std::size_t here = indexAt(at);
            const std::size_t there = indexAt(at + h.lands);
            const bool change = chords[there].bass != chords[here].bass;
            if (!HitPlays(h.when, barIndex, change, starts[here] >= b)) continue;
            // An approach leads from the chord sounding into the one it lands
            // on; every other voice is a tone of the chord it belongs to.
            const bool approach = h.letter == 'N';
            const PatternChord& chord = chords[approach ? here : there];
            if (chord.bass == 0 || (approach && chords[there].bass == 0)) continue;
            const PatternChord* next = approach ? &chords[there] : NextOf(chords, there);
            const Tick duration = std::min(h.length, total - at - 2);
            if (duration <= 0) continue;
            for (const VoicedNote& v : ResolveVoice({h.letter, h.shift}, chord, next)) {
                if (v.note > 0) out.Note(at, v.note, h.velocity, duration);
            }
        }
    }
}

EighthPair EighthBassPair(const PatternChord& chord, int position, int draw)
{
    const int b = chord.bass;
    const int fifth = b + chord.FifthInterval();
    if (position == 0) return {b, b};
    if (draw == 1) {
        switch (position) {
        case 1: return {b, b + 12};
        case 2: return {fifth, fifth};
        default: return {b + 12, fifth};
        }
    }
    switch (position) {
    case 1: return {chord.second() - 24, chord.third() - 24};
    case 2: return {chord.fourth() - 24, chord.fourth() - 24};
    default: return {chord.third() - 24, chord.second() - 24};
    }
}

int WalkingStep(const PatternChord& chord, int beat, int beats, int previous, int nextBass, int draw)
{
    const int b = chord.bass;
    if (beat == 0) return b;
    if (beat + 1 == beats && nextBass != 0 && nextBass != b) {
        // The approach: a semitone from where the line comes from.
        return nextBass >= previous ? nextBass - 1 : nextBass + 1;
    }
    const int third = b + chord.ThirdInterval();
    const int fifth = b + chord.FifthInterval();
    // Up through the chord, or down from the octave on the second draw.
    switch (beat % 4) {
    case 1: return draw == 1 ? third : fifth;
    case 2: return draw == 1 ? fifth : b + 12;
    default: return draw == 1 ? b + 12 : third;
    }
}

void BassPattern(PatternContext& context, std::span<const PatternChord> chords, int number, int density,
                 NoteBuffer& out)
{
    PatternContext& x = context;
    switch (number) {
    case 1: RepeatedBass(x, chords, out, true, false); break;
    case 2: PedalBass(chords, out); break;
    case 3: RepeatedBass(x, chords, out, false, true); break;
    case 4: PlayBassFigure(x, chords, out, kOctaveBounce, true); break;
    case 5: SixteenthBass(x, chords, out); break;
    case 6: EighthBass(x, chords, out); break;
    case 7: PlayBassFigure(x, chords, out, kBalladDotted, true); break;
    case 8: WalkingBass(x, chords, out); break;
    case 9: RandomEighthBass(x, chords, out); break;
    case 10: TwoBeatApproachBass(x, chords, out); break;
    case 11: PickupBass(x, chords, out); break;
    case 12: ArpeggioBass(x, chords, out); break;
    case 13: PlayBassFigure(x, chords, out, density > 110 ? kFunkSixteenths : kSyncopatedDotted, true); break;
    case 14: ShuffleBass(x, chords, out, ShuffleKind::kShuffle); break;
    case 15: ShuffleBass(x, chords, out, ShuffleKind::kRootThird); break;
    case 16: ShuffleBass(x, chords, out, ShuffleKind::kPairs); break;
    case 17:
        if (x.Triplet()) PlayBassFigure(x, chords, out, kShuffleOctave, false);
        else PlayBassFigure(x, chords, out, kRockEighths, false);
        break;
    case 18: PlayBassFigure(x, chords, out, kBoogie, true); break;
    case 19: SeedBass(x, chords, out); break;
    case 20: PlayGrid(x, chords, BassGridPlayback(x), out); break;
    case 21: DroneBass(x, chords, out); break;
    case 22: PlayBassFigure(x, chords, out, kReggae, true); break;
    case 23: WaltzBass(x, chords, out); break;
    default: x.Error(kPatternError); break;
    }
}

}  // namespace songloom::arrange
