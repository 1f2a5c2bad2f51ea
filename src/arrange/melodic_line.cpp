#include "arrange/melodic_line.h"

#include <algorithm>
#include <cmath>
#include <optional>
#include <span>

#include "common/messages.h"

namespace songloom::arrange {
namespace {

// Contours of the melody-table method, in ladder steps from the line's
// current position; one is chosen per chord.
constexpr std::array<std::array<int, 4>, 8> kMelodyTable = {{
    {0, 1, 2, 1},
    {0, -1, -2, -1},
    {2, 1, 0, -1},
    {0, 2, 1, 3},
    {0, 0, 1, -1},
    {-2, -1, 0, 1},
    {1, 0, -1, 0},
    {0, 3, 2, 1},
}};

bool Heavy(const harmony::ChordTemplate& t, int pitch, char least)
{
    return pitch >= 0 && t.Digit(pitch % 12) >= least;
}

// State of one line: kept across the chords of a section.
struct Line {
    Line(EngineContext& c, const PartParams& p, Tick bar)
        : ctx(c), params(p), templates(c.dataFiles.notes), barLength(bar),
          lengthAt(static_cast<std::size_t>(bar)), intervalAt(static_cast<std::size_t>(bar))
    {
    }

    EngineContext& ctx;
    const PartParams& params;
    harmony::ChordTemplateCache templates;
    int variant = 2;
    int low = 48;
    int high = 72;
    int previous = -1;  // last pitch, -1 at the start of the line
    int restsInRow = 0;
    int directionSign = 1;
    int tableRow = 0;
    int tableStep = 0;
    int cursor = 1;
    std::array<int, kFluctuationSteps> fluctuation{};
    bool fluctuationReady = false;
    bool reportedMethod = false;
    Tick barLength;
    // What the line played at each tick of the bar, for the imitations: the
    // length of the note started there (0: none yet) and the interval it
    // moved by.
    std::vector<Tick> lengthAt;
    std::vector<std::optional<int>> intervalAt;
    // The current chord's note lengths and pitches, and the control points
    // of line method 1: refilled chord after chord.
    std::vector<Tick> lengths;
    std::vector<int> pitches;
    std::vector<double> xs;
    std::vector<double> ys;

    int RB(int a, int b) { return RandomBetween(ctx.random, a, b); }
    bool Imitate(int mode) { return mode == 2 || (mode == 1 && RB(1, 2) == 1); }
};

// The note lengths a line draws from, with their weights.
struct LengthChoice {
    std::span<const Tick> candidates;
    std::span<const int> weights;
};
constexpr Tick kTripletLengths[] = {96, 64, 32, 192};
constexpr int kTripletWeights[] = {4, 3, 2, 1};
constexpr Tick kSlowLengths[] = {96, 192, 48};
constexpr int kSlowWeights[] = {6, 2, 2};
constexpr Tick kEighthLengths[] = {48, 96, 24};
constexpr int kEighthWeights[] = {5, 4, 1};
constexpr Tick kMixedLengths[] = {96, 48, 192, 144};
constexpr int kMixedWeights[] = {4, 3, 2, 1};

LengthChoice LengthsOf(const Line& line)
{
    if (line.ctx.activeStyle.rhythmFeel == 3) return {kTripletLengths, kTripletWeights};
    if (line.variant == 1) return {kSlowLengths, kSlowWeights};
    if (line.variant == 2) return {kEighthLengths, kEighthWeights};
    return {kMixedLengths, kMixedWeights};
}

// Note lengths filling a chord of length ticks, starting at tick start,
// into line.lengths.
void Rhythm(Line& line, Tick start, Tick length)
{
    const auto [candidates, weights] = LengthsOf(line);
    std::vector<Tick>& out = line.lengths;
    out.clear();
    Tick at = 0;
    while (at < length) {
        const Tick remaining = length - at;
        const auto position = static_cast<std::size_t>((start + at) % line.barLength);
        Tick chosen = 0;
        if (const Tick before = line.lengthAt[position];
            before != 0 && before <= remaining && line.Imitate(line.params.rhythmImitation)) {
            chosen = before;
        }
        if (chosen == 0) {
            int total = 0;
            for (std::size_t i = 0; i < candidates.size(); ++i) {
                if (candidates[i] <= remaining) total += weights[i];
            }
            if (total == 0) {
                chosen = remaining;
            } else {
                int r = line.RB(1, total);
                for (std::size_t i = 0; i < candidates.size(); ++i) {
                    if (candidates[i] > remaining) continue;
                    r -= weights[i];
                    if (r <= 0) {
                        chosen = candidates[i];
                        break;
                    }
                }
            }
        }
        line.lengthAt[position] = chosen;
        out.push_back(chosen);
        at += chosen;
    }
}

int FitRange(const Line& line, int pitch)
{
    while (pitch > line.high) pitch -= 12;
    while (pitch < line.low) pitch += 12;
    return std::clamp(pitch, line.low, line.high);
}

int NearestChordTone(const harmony::ChordTemplate& t, int pitch)
{
    for (int d = 0; d < 12; ++d) {
        if (Heavy(t, pitch - d, '8')) return pitch - d;
        if (Heavy(t, pitch + d, '8')) return pitch + d;
    }
    return pitch;
}

// Pitches for the notes of line.lengths by the channel's line method into
// line.pitches; 0 is a rest.
void Pitches(Line& line, const harmony::ChordTemplate& chordTemplate)
{
    const int method = line.params.lineMethod;
    const int centre = (line.high + line.low) / 2;
    const std::vector<Tick>& lengths = line.lengths;
    std::vector<int>& out = line.pitches;
    out.clear();
    const std::size_t n = lengths.size();

    // Method 1 fixes its control points for the whole chord.
    std::vector<double>& xs = line.xs;
    std::vector<double>& ys = line.ys;
    xs.clear();
    ys.clear();
    if (method == 1) {
        const int points = std::min<int>(static_cast<int>(n), line.RB(2, 4));
        for (int i = 0; i < points; ++i) {
            xs.push_back(points == 1 ? 0.0 : static_cast<double>(i) * static_cast<double>(n - 1) / (points - 1));
            ys.push_back(NearestChordTone(chordTemplate, line.RB(line.low, line.high)));
        }
    }
    if (method == 6) {
        line.tableRow = line.RB(0, static_cast<int>(kMelodyTable.size()) - 1);
        line.tableStep = 0;
    }
    const auto ladder = MakePitchLadder(chordTemplate, line.low, line.high);

    for (std::size_t i = 0; i < n; ++i) {
        int pitch = centre;
        bool rest = false;
        switch (method) {
        case 1:
            pitch = xs.size() < 2 ? static_cast<int>(ys.empty() ? centre : ys[0])
                                  : LagrangePitch(xs, ys, static_cast<double>(i));
            pitch = NearestChordTone(chordTemplate, pitch);
            break;
        case 2: {
            if (line.previous < 0) {
                pitch = NearestChordTone(chordTemplate, centre);
            } else {
                if (line.RB(1, 4) == 1) line.directionSign = -line.directionSign;
                if (line.previous >= line.high) line.directionSign = -1;
                if (line.previous <= line.low) line.directionSign = 1;
                pitch = line.previous;
                for (int k = 0; k < 12; ++k) {
                    pitch += line.directionSign;
                    if (Heavy(chordTemplate, pitch, '5')) break;
                }
            }
            rest = line.RB(1, 8) == 1;
            break;
        }
        case 3:
        case 4: {
            if (line.previous < 0 || !line.fluctuationReady) {
                line.fluctuation = MakeFluctuationSequence(line.ctx.random);
                line.fluctuationReady = true;
                line.cursor = 1;
            }
            if (method == 3 && line.previous >= 0 && (lengths[i] == 48 || lengths[i] == 32) &&
                line.RB(1, 3) != 1) {
                pitch = line.previous;
                break;
            }
            line.cursor = (line.cursor + (method == 3 ? 1 : 2)) % kFluctuationSteps;
            const int step = line.fluctuation[static_cast<std::size_t>(line.cursor)];
            if (step == kNoFluctuation) {
                rest = true;
            } else {
                pitch = ladder[static_cast<std::size_t>(10 + step)];
            }
            break;
        }
        case 5: {
            const auto& style = line.ctx.activeStyle;
            if (line.previous < 0) {
                pitch = NearestChordTone(chordTemplate, centre);
                break;
            }
            // choiceWeights: 0 chance (%) of a step, 1 of a repeat, 3..7
            // thresholds of leap sizes 3, 4, 5, 7 and 12; choiceOffsets 0 and 1
            // bias (%) toward the centre; voiceFlags: 0 chord tones only,
            // 1 no repeats, 3 leaps may pass the octave.
            const int r = line.RB(1, 100);
            int interval = 0;
            if (r <= style.choiceWeights[0]) {
                interval = line.RB(1, 2);
            } else if (r <= style.choiceWeights[0] + style.choiceWeights[1] && style.voiceFlags[1] == 0) {
                interval = 0;
            } else {
                const int s = line.RB(1, 100);
                constexpr int kLeaps[] = {3, 4, 5, 7, 12};
                interval = 12;
                for (int k = 0; k < 4; ++k) {
                    if (s <= style.choiceWeights[static_cast<std::size_t>(3 + k)]) {
                        interval = kLeaps[k];
                        break;
                    }
                }
                if (style.voiceFlags[3] == 0) interval = std::min(interval, 12);
            }
            const int bias = -std::min(style.choiceOffsets[0], style.choiceOffsets[1]);
            const int down = 50 + (line.previous > centre ? bias : -bias);
            const int dir = line.RB(1, 100) <= down ? -1 : 1;
            pitch = line.previous + dir * interval;
            if (style.voiceFlags[0] == 1) pitch = NearestChordTone(chordTemplate, pitch);
            break;
        }
        case 6: {
            const auto& row = kMelodyTable[static_cast<std::size_t>(line.tableRow)];
            const int offset = row[static_cast<std::size_t>(line.tableStep % 4)];
            ++line.tableStep;
            pitch = ladder[static_cast<std::size_t>(std::clamp(10 + offset, 0, 20))];
            break;
        }
        case 7:
            pitch = centre;
            break;
        default:
            if (!line.reportedMethod) {
                EngineErrorMsg(line.ctx.reporter, kAlgorithmError);
                line.reportedMethod = true;
            }
            pitch = centre;
            break;
        }

        if (!rest) {
            if (method != 5 && line.previous >= 0) {
                if (pitch - line.previous >= 13) pitch -= 12;
                if (line.previous - pitch >= 13) pitch += 12;
            }
            pitch = FitRange(line, pitch);
        }
        out.push_back(rest ? 0 : pitch);
        if (!rest) line.previous = pitch;
    }
}

// One section's line; false when the lengths failed to fill a chord.
bool SectionLine(Line& line, const harmony::ChordSection& section, Tick& start, NoteList& out)
{
    for (const auto& record : section.chords) {
        const Tick length = record.length;
        out.Append(line.ctx.reporter, EngineNote::Chord(length, record.code.view()));
        const auto chordTemplate = line.templates.Get(record.code);
        Rhythm(line, start, length);
        Pitches(line, chordTemplate);
        const std::vector<Tick>& lengths = line.lengths;
        std::vector<int>& pitches = line.pitches;
        Tick used = 0;
        Tick at = start;
        for (std::size_t i = 0; i < lengths.size(); ++i) {
            if (lengths[i] <= 0) {
                EngineErrorMsg(line.ctx.reporter, kLengthAlgorithmError);
                return false;
            }
            int pitch = pitches[i];
            const auto position = static_cast<std::size_t>(at % line.barLength);
            if (pitch > 0 && i > 0 && pitches[i - 1] > 0) {
                if (const std::optional<int> before = line.intervalAt[position];
                    before && line.Imitate(line.params.pitchImitation)) {
                    pitch = FitRange(line, pitches[i - 1] + *before);
                    pitches[i] = pitch;
                    line.previous = pitch;
                }
                line.intervalAt[position] = pitch - pitches[i - 1];
            }
            if (line.params.restInsertion == 1 && pitch > 0 && line.restsInRow < 4 && line.RB(1, 6) == 1) {
                pitch = 0;
            }
            line.restsInRow = pitch == 0 ? line.restsInRow + 1 : 0;
            out.Append(line.ctx.reporter, EngineNote::Note(lengths[i], pitch));
            used += lengths[i];
            at += lengths[i];
        }
        if (used > length) {
            EngineErrorMsg(line.ctx.reporter, kChordLengthError);
            return false;
        }
        start += length;
    }
    return true;
}

}  // namespace

std::array<int, kFluctuationSteps> MakeFluctuationSequence(Random& random)
{
    constexpr float kStep = 0.012566371f;    // 2 pi / 500
    constexpr float kTwoPi = 6.2831855f;
    std::array<float, kFluctuationSteps> phase{};
    std::array<float, kFluctuationSteps> amplitude{};
    for (int k = 1; k < kFluctuationSteps; ++k) {
        phase[static_cast<std::size_t>(k)] =
            static_cast<float>(RandomBetween(random, 0, 10000)) * 0.0001f * kTwoPi;
        amplitude[static_cast<std::size_t>(k)] = std::sqrt(1.0f / static_cast<float>(k));
    }
    std::array<int, kFluctuationSteps> out{};
    for (int n = 1; n <= kFluctuationSteps; ++n) {
        float x = 0.0f;
        for (int k = 1; k < kFluctuationSteps; ++k) {
            x += amplitude[static_cast<std::size_t>(k)] *
                 std::cos(static_cast<float>(k * n) * kStep - phase[static_cast<std::size_t>(k)]);
        }
        const float v = std::floor(x + 0.5f);
        out[static_cast<std::size_t>(n - 1)] = v >= -10.0f && v <= 10.0f ? static_cast<int>(v) : kNoFluctuation;
    }
    return out;
}

std::array<int, 21> MakePitchLadder(const harmony::ChordTemplate& chordTemplate, int low, int high)
{
    std::array<int, 21> ladder{};
    int c = (high + low) / 2;
    for (int p = c; p <= high; ++p) {
        if (Heavy(chordTemplate, p, '8')) {
            c = p;
            break;
        }
    }
    ladder[10] = c;
    for (int k = 11; k <= 20; ++k) {
        int p = ladder[static_cast<std::size_t>(k - 1)];
        int next = p;
        for (int q = p + 1; q <= high; ++q) {
            if (Heavy(chordTemplate, q, '8')) {
                next = q;
                break;
            }
        }
        ladder[static_cast<std::size_t>(k)] = next;
    }
    for (int k = 9; k >= 0; --k) {
        int p = ladder[static_cast<std::size_t>(k + 1)];
        int next = p;
        for (int q = p - 1; q >= low; --q) {
            if (Heavy(chordTemplate, q, '8')) {
                next = q;
                break;
            }
        }
        ladder[static_cast<std::size_t>(k)] = next;
    }
    return ladder;
}

int LagrangePitch(const std::vector<double>& xs, const std::vector<double>& ys, double x)
{
    double sum = 0.0;
    for (std::size_t i = 0; i < xs.size(); ++i) {
        double term = ys[i];
        for (std::size_t j = 0; j < xs.size(); ++j) {
            if (j != i) term *= (x - xs[j]) / (xs[i] - xs[j]);
        }
        sum += term;
    }
    return std::abs(static_cast<int>(sum));
}

void GenerateMelodicLine(EngineContext& ctx, int channel, NoteList& out)
{
    out.Clear();
    const auto& params = ctx.activeStyle.partParams[static_cast<std::size_t>(channel)];
    const int sectionCount = static_cast<int>(ctx.sections.size());
    Tick start = 0;
    for (int s = 0; s < sectionCount; ++s) {
        Line line(ctx, params, BarTicks(ctx.activeStyle.meter));
        line.variant = params.partVariant == 2 && s >= (sectionCount + 1) / 2 ? 1 : params.partVariant;
        line.low = params.lowestNote;
        line.high = params.highestNote;
        if (line.high - line.low < 12) {
            line.low = 48;
            line.high = 72;
        }
        const Tick sectionStart = start;
        for (int attempt = 1;; ++attempt) {
            NoteList part;
            Tick at = sectionStart;
            if (SectionLine(line, ctx.sections[static_cast<std::size_t>(s)], at, part)) {
                for (const auto& e : part) out.Append(ctx.reporter, e);
                start = at;
                break;
            }
            if (attempt % 1000 == 0) EngineErrorMsg(ctx.reporter, kEndlessLoopWarning);
        }
    }
}

}  // namespace songloom::arrange
