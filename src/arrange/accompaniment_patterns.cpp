#include "arrange/accompaniment_patterns.h"

#include <algorithm>
#include <array>

#include "arrange/grid_player.h"
#include "arrange/pattern_figure.h"

namespace songloom::arrange {

namespace {

using Chords = std::span<const PatternChord>;

// Patterns 1, 2 and 28: block chords on a fixed step.
void BlockChords(PatternContext& x, Chords chords, Tick start, NoteBuffer& out)
{
    Tick step = 96;
    Tick duration = 94;
    if (x.accompanimentPattern == 2) {
        step = x.Triplet() ? 32 : 48;
        duration = x.Triplet() ? 30 : 47;
    }
    int previousSecond = 75;
    int previousFourth = 80;
    Tick t = start;
    for (const PatternChord& c : chords) {
        const int top = x.bassPlays ? c.fourth() : c.root;
        const int count = c.length / step;
        const Tick remainder = c.length - count * step;
        const BlockVoicing led = LeadBlockChord(c.second(), c.third(), top, previousSecond, previousFourth);
        for (int i = 0; i < count; ++i) {
            const BlockVoicing v = i == 0 ? led : BlockVoicing{c.second(), c.third(), top};
            out.Note(t + i * step, v.low, 64, duration);
            out.Note(t + i * step, v.middle, 64, duration);
            out.Note(t + i * step, v.high, 64, duration);
        }
        if (remainder == 48) {
            const Tick at = t + count * step;
            out.Note(at, c.second(), 64, 47);
            out.Note(at, c.third(), 64, 47);
            out.Note(at, top, 64, 47);
        } else if (remainder != 0) {
            x.Error(kMeterError);
        }
        previousSecond = c.second();
        previousFourth = top;
        t += c.length;
    }
}

void ArpeggioPattern3(PatternContext& x, Chords chords, Tick start, NoteBuffer& out)
{
    Tick t = start;
    for (const PatternChord& c : chords) {
        if (!x.Triplet()) {
            const int top = x.bassPlays ? c.fourth() : c.root;
            const std::array<int, 8> order{top, c.third(), c.second(), c.third(), c.fourth(), c.second(), c.third(), c.fourth()};
            for (int i = 0; i < c.length / 48; ++i) out.Note(t + i * 48, order[static_cast<std::size_t>(i % 8)], 64, 47);
        } else {
            const std::array<int, 6> order{c.root, c.second(), c.third(), c.fourth(), c.third(), c.second()};
            for (int i = 0; i < c.length / 32; ++i) out.Note(t + i * 32, order[static_cast<std::size_t>(i % 6)], 64, 30);
        }
        t += c.length;
    }
}

// Pattern 4 at density 80 or less: a strummed guitar with one-bar figures.
void GuitarPattern4(PatternContext& x, Chords chords, Tick start, NoteBuffer& out)
{
    Tick t = start;
    for (const PatternChord& c : chords) {
        const int root = c.root;
        const int second = c.second();
        const int third = c.third();
        if (c.length == 384 && x.RB(1, 2) == 1) {
            Tick p = t;
            auto figureA = [&] {
                if (x.RB(1, 2) == 1) {
                    out.Note(p, root, 64, 94);
                } else {
                    out.Note(p, root, 64, 46);
                    out.Note(p + 48, second, 64, 46);
                }
                p += 96;
            };
            figureA();
            out.Note(p, third, 64, 46);
            out.Note(p + 48, second, 64, 46);
            p += 96;
            figureA();
            out.Note(p, third, 64, 46);
            out.Note(p + 48, second, 64, 22);
            out.Note(p + 48, third, 64, 22);
            out.Note(p + 72, second, 64, 22);
            out.Note(p + 72, third, 64, 22);
        } else if (c.length <= 96) {
            out.Note(t, second, 64, c.length - 2);
            out.Note(t, third, 64, c.length - 2);
        } else {
            out.Note(t, second, 64, c.length - 50);
            out.Note(t, third, 64, c.length - 50);
            const Tick down = t + c.length - 48;
            out.Note(down, third, 64, 16);
            out.Note(down + 2, second, 64, 18);
            out.Note(down + 4, root, 64, 20);
            const Tick up = down + 4 + 20;
            out.Note(up, root, 64, 16);
            out.Note(up + 2, second, 64, 18);
            out.Note(up + 4, third, 64, 20);
        }
        t += c.length;
    }
}

// Pattern 9: a broken chord in groups of four eighths (a rest, the root an
// octave up, the second and third note), over every chord whatever its
// length; in triplet feel groups of six triplet eighths whose downbeats
// sound the high root now and then.
void BrokenChordPattern9(PatternContext& x, Chords chords, Tick start, NoteBuffer& out)
{
    Tick t = start;
    for (const PatternChord& c : chords) {
        if (!x.Triplet()) {
            const int n = c.length / 48;
            for (int i = 0; i < n; ++i) {
                const int pos = i % 4;
                if (pos == 0) {
                    out.Rest(t + i * 48, 47);
                    continue;
                }
                const int note = pos == 1 ? c.root + 12 : pos == 2 ? c.second() : c.third();
                out.Note(t + i * 48, note, 64, 47);
            }
        } else {
            const int n = c.length / 32;
            for (int i = 0; i < n; ++i) {
                const int pos = i % 6;
                if (pos == 0 || pos == 3) {
                    if (x.RB(1, 4) == 1) out.Note(t + i * 32, c.root + 12, 64, 30);
                    else out.Rest(t + i * 32, 30);
                } else {
                    out.Note(t + i * 32, pos % 3 == 1 ? c.second() : c.third(), 64, 30);
                }
            }
        }
        t += c.length;
    }
}

// The seven one-chord figures of pattern 10: S1 half-note chords rolled
// upwards as a ballad pianist spreads them, S2 an
// eighth-note broken chord, S3 syncopated stabs; in triplet feel the comping
// of a swing pianist: T1 a held chord, T2 the Charleston (one and the swung
// "and" of two), T3 the reverse Charleston with a push on the "and" of four,
// T4 busier comping on one, the "and" of two, four and its "and".
struct FigureText {
    Tick cycle;
    const char* text;
};
constexpr std::array<FigureText, 7> kPattern10Figures{{
    {192, "0:2/188 24:3/164 48:4/140"},
    {384, "0:R/44 48:2/44 96:3/44 144:4/44 192:R+12/44 240:4/44 288:3/44 336:2/44"},
    {384, "0:C/70 144:C/40 240:C/40 336:C/40"},
    {3072, "0:C,R-12/3070"},
    {384, "0:C/60 160:C/28"},
    {384, "64:C/28 192:C/90 352:C/28"},
    {384, "0:C/40 160:C/28 288:C/40 352:C/26"},
}};

void Pattern10(PatternContext& x, Chords chords, Tick start, int density, NoteBuffer& out)
{
    // Read and fitted to the bar once for all the chords.
    std::array<Figure, kPattern10Figures.size()> figures;
    for (std::size_t i = 0; i < figures.size(); ++i) {
        figures[i] = FitFigureToBar(ParseFigure(kPattern10Figures[i].cycle, kPattern10Figures[i].text), out.BarLength());
    }
    Tick t = start;
    for (std::size_t k = 0; k < chords.size(); ++k) {
        const int figure = Pattern10Figure(x, k, chords.size(), density);
        const PatternChord* next = k + 1 < chords.size() ? &chords[k + 1] : nullptr;
        PlayFigure(out, t, chords[k].length, chords[k], next, figures[static_cast<std::size_t>(figure - 1)]);
        t += chords[k].length;
    }
}

// Patterns 11 and 54: a rolling three-note broken chord; 54 plays it an
// octave higher from the top down.
void RollingBrokenChord(PatternContext& x, Chords chords, Tick start, int number, NoteBuffer& out)
{
    static constexpr FigureText kStraight{192, "0:2/44 48:3/44 96:4/44 144:3/44"};
    static constexpr FigureText kTriplet{96, "0:2/28 32:3/28 64:4/28"};
    static constexpr FigureText kHighStraight{192, "0:4+12/44 48:3+12/44 96:2+12/44 144:3+12/44"};
    static constexpr FigureText kHighTriplet{96, "0:4+12/28 32:3+12/28 64:2+12/28"};
    const bool high = number == 54;
    const FigureText& f = x.Triplet() ? (high ? kHighTriplet : kTriplet) : (high ? kHighStraight : kStraight);
    PlayFigureOverChords(out, start, chords, ParseFigure(f.cycle, f.text));
}

// Patterns 40, 41 and 46 follow the style's rhythm table: an onset on every
// sixteenth (triplet eighth) whose table entry is not 0, and at every chord.
// 40 plays the chord, 41 one chord tone after another, 46 alternates the low
// root and the chord.
void SeedRhythm(PatternContext& x, Chords chords, Tick start, int number, NoteBuffer& out)
{
    const Tick step = x.Triplet() ? 32 : 24;
    Tick t = start;
    int onset = 0;
    std::vector<Tick> starts;
    for (const PatternChord& c : chords) {
        x.SeedOnsets(t - start, c.length, step, starts);
        for (std::size_t i = 0; i < starts.size(); ++i) {
            const Tick end = i + 1 < starts.size() ? starts[i + 1] : c.length;
            const Tick duration = std::clamp<Tick>(end - starts[i] - 4, 1, 190);
            const Tick at = t + starts[i];
            if (number == 41) {
                const std::array<int, 4> tones{c.second(), c.third(), c.fourth(), c.root + 12};
                out.Note(at, tones[static_cast<std::size_t>(onset % 4)], 64, duration);
            } else if (number == 46 && onset % 2 == 0) {
                out.Note(at, c.root - 12, 64, duration);
            } else {
                out.Note(at, c.second(), 64, duration);
                out.Note(at, c.third(), 64, duration);
                out.Note(at, c.fourth(), 64, duration);
            }
            ++onset;
        }
        t += c.length;
    }
}

// The designed accompaniments, one figure each (letters in
// arrange/pattern_figure.h). Without a triplet figure the straight one is
// swung in triplet feel.
struct DesignedPattern {
    int number;
    FigureText straight;
    FigureText triplet;
};
constexpr std::array<DesignedPattern, 45> kDesigned{{
    {5, {96, "48:C/30"}, {}},                                                                      // offbeat skank
    {6, {192, "0:R/22 24:2/22 48:3/22 72:4/22 96:R+12/22 120:4/22 144:3/22 168:2/22"}, {}},       // sixteenth arpeggio
    {8, {192, "0:C,R+12/188"}, {}},                                                                // half-note pad
    {12, {192, "0:2/44 48:4/44 96:3/44 144:4/44"}, {}},                                            // Alberti
    {13, {3072, "0:C,R-12/3070!56"}, {}},                                                          // held string pad
    {14, {384, "0:D/90 96:D/44 144:U/44 240:U/44 288:D/44 336:U/40"}, {}},                         // folk strum
    {15, {384, "0:C/22 144:C/22 240:C/22 336:C/22"}, {}},                                          // funk stabs
    {16, {288, "0:R/44 48:2/44 96:3/44 144:4/44 192:3/44 240:2/44"}, {}},                         // waltz arpeggio
    {17, {192, "0:R-12/90 48:4/44 96:F-12/90 144:3/44"}, {}},                                      // finger picking
    {18, {48, "0:C/40!56"}, {}},                                                                   // pulsing eighths
    {19, {384, "0:C/60 144:C/40"}, {}},                                                            // Charleston
    {20, {768, "0:C/90 144:C/40 288:C/90 432:C/40 528:C/40 624:C/90"}, {}},                        // bossa nova
    {21, {48, "0:2,4/22!50 24:3/22!50"}, {}},                                                      // string tremolo
    {22, {96, "0:C/44 48:2,4/22"}, {}},                                                            // shuffle comping
    {23, {192, "0:R-12/22 24:2-12/22 48:3-12/22 72:4-12/22 96:R/22 120:2/22 144:3/22 168:4/22"}, {}},  // harp run
    {24, {96, "0:R-12/40 48:C/40"}, {}},                                                           // organ offbeats
    {25, {384, "0:C/182 192:C/96 336:C/40"}, {}},                                                  // anticipated pop
    {26, {384, "0:R-12,R/90 96:C/60 192:R-12,R/90 288:C/60"}, {}},                                // two-hand piano
    {27, {192, "0:R-12/28 32:2/28 64:3/28 96:R-12/28 128:3/28 160:4/28"},
     {192, "0:R-12/28 32:2/28 64:3/28 96:R-12/28 128:3/28 160:4/28"}},                             // 12/8 ballad
    {29, {96, "0:C/18!72 24:C/10!40 72:C/18"}, {}},                                                // funk scratches
    {30, {384, "0:R/40 48:4/40 96:2/40 144:3,4/40 240:R+12/40 288:4/40 336:2,3/40"}, {}},         // montuno
    {31, {384, "0:R/90 96:2/90 192:3/90 288:4/90"}, {}},                                          // rising quarters
    {32, {192, "0:4/44 48:3/44 96:2/44 144:R/44"}, {}},                                           // falling eighths
    {33, {48, "0:R-12,F-12/40"}, {}},                                                              // power chords
    {34, {192, "0:R-12/80 96:C/60"}, {}},                                                          // two-beat
    {35, {384, "0:C/134 144:C/40 192:C/90 288:C/90"}, {}},                                         // habanera
    {36, {384, "0:C/382!56 192:R+12/188!56"}, {}},                                                 // gospel swell
    {37, {384, "96:C/60 288:C/60"}, {}},                                                           // backbeat comping
    {38, {192, "0:R+12/22 24:4/22 48:3/22 72:2/22 96:R/22 120:2/22 144:3/22 168:4/22"}, {}},      // sixteenth down-up
    {39, {384, "0:4/66 72:3/66 144:2/66 216:4/66 288:3/66"}, {}},                                 // dotted-eighth echo
    {42, {384, "0:R-12/80 96:C/80 192:F-12/80 288:C/80"}, {}},                                    // stride
    {43, {3072, "0:R-12,F-12,R/3070!56"}, {}},                                                     // open fifths
    {44, {384, "0:C/60 144:C/40 240:C/40"}, {}},                                                   // jazz comping
    {45, {48, "0:4/22!56 24:4-12/22!56"}, {}},                                                     // octave tremolo
    {49, {384, "0:R-12/44 48:2/44 96:3/44 144:4/44 192:R+12/44 240:4/44 288:3/44 336:2/44"}, {}}, // ballad eighths
    {50, {96, "0:C/90 0:4+12/20!56 24:4+12/20!56 48:4+12/20!56 72:4+12/20!56"}, {}},               // mandolin tremolo
    {51, {384, "0:C/94 192:R+12/94"}, {}},                                                         // sparse
    {52, {192, "0:C-1/10 12:C/170"}, {}},                                                          // steel-guitar slide
    {53, {96, "48:2,3/20 72:2,3/20"}, {}},                                                         // reggae bubble
    {55, {192, "0:R-12/40 48:C/40 96:F-12/40 144:C/40"}, {}},                                     // polka
    {56, {384, "0:C/30 48:3/14 64:3/14 80:3/14 96:C/30 144:3/14 160:3/14 176:3/14 192:C/30 240:C/30 288:C/30 336:C/30"}, {}},  // bolero
    {57, {384, "0:R-12,F-12/382!50 0:2/44 48:3/44 96:4/44 144:3/44 192:2/44 240:3/44 288:4/44 336:3/44"}, {}},  // drone and arpeggio
    {58, {384, "0:C/20 72:C/20 120:C/20 168:C/20 216:C/20 264:C/20 336:C/20"}, {}},                // partido alto
    {59, {384, "0:R-12/380 24:2/356 48:3/332 72:4/308 96:R+12/284"}, {}},                          // rolled chord
    {60, {192, "0:C/20 48:C/20 72:C/20 120:C/20 144:C/20"}, {}},                                   // trance gate
}};

// Where no bass player plays, the pianist's left hand is the bass: these
// patterns then play a solo form with the left hand in the bass register.
struct SoloLeftHand {
    int number;
    FigureText figure;
};
constexpr SoloLeftHand kSoloLeftHands[] = {
    // Stride: the "boom" on 1 and 3 (the root, then the fifth below) under
    // the "chick" chords of 2 and 4.
    {42, {384, "0:R-24/80!84 96:C-12/80 192:F-36/80!76 288:C-12/80"}},
    // Boogie-woogie: root, fifth, sixth, fifth in (swung) eighths, chord
    // stabs on 2 and 4.
    {44, {384, "0:R-24/44!84 48:F-24/44 96:R-15,C/40 144:F-24/44 192:R-24/44!80 240:F-24/44 288:R-15,C/40 336:F-24/44"}},
};

bool PlaySoloLeftHand(PatternContext& x, Chords chords, Tick start, int number, NoteBuffer& out)
{
    for (const SoloLeftHand& hand : kSoloLeftHands) {
        if (hand.number != number) continue;
        PlayFigureOverChords(out, start, chords, ParseFigure(hand.figure.cycle, hand.figure.text), x.Triplet());
        return true;
    }
    return false;
}
// Pattern 7, the waltz: the oom on one (the low root) and the pah-pah of the
// chord on two and three; where the bass plays the oom the chord plays only
// the pah-pah.
constexpr FigureText kOomPahPah{288, "0:R-12/90!80 96:C/60 192:C/60"};
constexpr FigureText kPahPah{288, "96:C/60 192:C/60"};

// Pattern 4 above density 80 and in triplet feel: an eighth-note strum,
// down-strokes on the beats with the backbeat leaning in, lighter up-strokes
// between (the strummer's boom-chick over a bass on one and three).
constexpr FigureText kStrumStraight{
    384, "0:D/40!60 48:U/40!50 96:D/40!72 144:U/40!50 192:D/40!60 240:U/40!50 288:D/40!72 336:U/40!54"};
constexpr FigureText kStrumTriplet{96, "0:D/58 64:U/26"};

bool PlayDesigned(PatternContext& x, Chords chords, Tick start, int number, NoteBuffer& out)
{
    for (const DesignedPattern& p : kDesigned) {
        if (p.number != number) continue;
        if (x.Triplet() && p.triplet.text != nullptr) {
            PlayFigureOverChords(out, start, chords, ParseFigure(p.triplet.cycle, p.triplet.text));
        } else {
            PlayFigureOverChords(out, start, chords, ParseFigure(p.straight.cycle, p.straight.text), x.Triplet());
        }
        return true;
    }
    return false;
}

}  // namespace

BlockVoicing LeadBlockChord(int second, int third, int fourth, int previousSecond, int previousFourth)
{
    BlockVoicing v{second, third, fourth};
    if (fourth - previousFourth >= 5 && fourth - 12 >= 60) v.high = fourth - 12;
    if (previousSecond - second >= 5 && second + 12 < 84) v.low = second + 12;
    return v;
}

int Pattern10Figure(PatternContext& x, std::size_t index, std::size_t count, int density)
{
    const int k = density < 80 ? 3 : 5;
    const bool lastOfMany = count >= 2 && index + 1 == count;
    if (x.Triplet()) {
        if (lastOfMany) return 4;
        if (x.RB(1, k) == 1) return 5;
        return density < 80 ? 6 : 7;
    }
    if (lastOfMany) return 1;
    if (x.meter == 2) return 2;
    if (x.RB(1, k) == 1) return 3;
    return density >= 80 ? 2 : 1;
}

void AccompanimentPattern(PatternContext& context, std::span<const PatternChord> chords, int channel, int number,
                          Tick leadIn, int density, NoteBuffer& out)
{
    PatternContext& x = context;
    out.Rest(0, leadIn);
    const Tick start = leadIn;
    if (!x.bassPlays && PlaySoloLeftHand(x, chords, start, number, out)) return;
    switch (number) {
    case 1:
    case 2:
    case 28: BlockChords(x, chords, start, out); return;
    case 3: ArpeggioPattern3(x, chords, start, out); return;
    case 4:
        if (x.Triplet()) PlayFigureOverChords(out, start, chords, ParseFigure(kStrumTriplet.cycle, kStrumTriplet.text));
        else if (density > 80) PlayFigureOverChords(out, start, chords, ParseFigure(kStrumStraight.cycle, kStrumStraight.text));
        else GuitarPattern4(x, chords, start, out);
        return;
    case 7: {
        const FigureText& f = x.bassPlays ? kPahPah : kOomPahPah;
        PlayFigureOverChords(out, start, chords, ParseFigure(f.cycle, f.text), x.Triplet());
        return;
    }
    case 9: BrokenChordPattern9(x, chords, start, out); return;
    case 10: Pattern10(x, chords, start, density, out); return;
    case 11:
    case 54: RollingBrokenChord(x, chords, start, number, out); return;
    case 40:
    case 41:
    case 46: SeedRhythm(x, chords, start, number, out); return;
    case 47: PlayGrid(x, chords, AccompanimentGridPlayback(x, channel), out, start); return;
    default:
        if (number != 48 && PlayDesigned(x, chords, start, number, out)) return;
        x.Error(kPatternError);
        return;
    }
}

}  // namespace songloom::arrange
