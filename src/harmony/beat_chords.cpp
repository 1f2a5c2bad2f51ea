#include "harmony/beat_chords.h"
#include "common/pitch.h"

#include <algorithm>
#include <cstdint>

#include "song/song_tables.h"

namespace songloom::harmony {
namespace {

struct ChordShape {
    int type;  // song chord type index
    std::array<int, 5> intervals;
    int size;
};

// The song's chord types that an analysis can tell apart from what sounds
// (the rarer altered ones are left to the user).
constexpr std::array<ChordShape, 14> kShapes = {{
    {0, {0, 4, 7}, 3},       // major
    {1, {0, 3, 7}, 3},       // minor
    {2, {0, 4, 7, 10}, 4},   // 7
    {3, {0, 4, 7, 11}, 4},   // M7
    {4, {0, 3, 7, 10}, 4},   // m7
    {6, {0, 3, 6}, 3},       // dim
    {7, {0, 5, 7}, 3},       // sus4
    {8, {0, 5, 7, 10}, 4},   // 7sus4
    {9, {0, 4, 8}, 3},       // aug
    {12, {0, 3, 6, 9}, 4},   // dim7
    {13, {0, 3, 6, 10}, 4},  // m7b5
    {14, {0, 4, 7, 9}, 4},   // 6
    {15, {0, 2, 4, 7, 10}, 5},  // 9
    {16, {0, 3, 7, 9}, 4},   // m6
}};

// Weights of the harmony reading. Time outside the chord counts against it
// as much as time inside counts for it; a chord tone that the accompaniment
// hardly plays costs half its share; each tone beyond a triad costs a little, so that a
// triad is preferred where the sixth or seventh is not there.
constexpr double kMelodyWeight = 0.3;
constexpr double kMissingPenalty = 0.5;
constexpr double kToneCost = 0.02;
constexpr double kBassBonus = 0.5;  // the bass on the root; off the chord it costs as much
constexpr double kKeepBonus = 0.05;  // the chord of the beat before
// Readings this close to the best are offered even on the same root.
constexpr double kCloseCall = 0.1;

// The melody reading: triads and the dominant seventh only, leaning on the
// main chords of the key (by the root's degree above the tonic).
constexpr std::array<double, 12> kMajorDegreeWeight = {0.30, 0, 0.06, 0, 0.04, 0.20, 0, 0.24, 0, 0.10, 0, 0};
constexpr std::array<double, 12> kMinorDegreeWeight = {0.30, 0, 0, 0.16, 0, 0.20, 0, 0.24, 0.10, 0, 0.16, 0};
constexpr double kRootSoundsBonus = 0.1;
constexpr double kSeventhCost = 0.05;

using Totals = std::array<double, 12>;

struct BeatTotals {
    Totals harmony{};  // harmony and bass together
    Totals bass{};
    Totals melody{};
    Totals accented{};  // melody, notes starting on a beat counted twice
    int firstBass = -1;
    Tick firstBassTime = 0;
};

double Sum(const Totals& t)
{
    double s = 0.0;
    for (double v : t) s += v;
    return s;
}

bool InShape(const ChordShape& shape, int root, int pc)
{
    for (int i = 0; i < shape.size; ++i) {
        if ((root + shape.intervals[static_cast<std::size_t>(i)]) % 12 == pc) return true;
    }
    return false;
}

// Each note's time spread over the beats it sounds in.
std::vector<BeatTotals> GatherBeats(std::span<const AnalysisNote> notes, const std::array<int, 16>& roles,
                                    const BeatChordOptions& o)
{
    std::vector<BeatTotals> beats(static_cast<std::size_t>(o.beatCount));
    const std::int64_t tpq = o.ticksPerQuarter;
    const std::int64_t end = tpq * o.beatCount;
    for (const auto& n : notes) {
        if (n.velocity <= 0 || n.channel < 0 || n.channel > 15 || n.time < 0 || n.duration <= 0) continue;
        const int role = roles[static_cast<std::size_t>(n.channel)];
        if (role != kAnalysisBass && role != kAnalysisHarmony && role != kAnalysisMelody) continue;
        const std::int64_t start = n.time;
        const std::int64_t stop = std::min<std::int64_t>(start + n.duration, end);
        if (start >= stop) continue;
        const auto pc = static_cast<std::size_t>(PitchClass(n.pitch));
        const bool onBeat = start % tpq == 0;
        for (std::int64_t b = start / tpq; b * tpq < stop; ++b) {
            const double inside = static_cast<double>(std::min(stop, (b + 1) * tpq) - std::max(start, b * tpq));
            BeatTotals& t = beats[static_cast<std::size_t>(b)];
            if (role == kAnalysisMelody) {
                t.melody[pc] += inside;
                t.accented[pc] += onBeat ? 2 * inside : inside;
                continue;
            }
            t.harmony[pc] += inside;
            if (role != kAnalysisBass) continue;
            t.bass[pc] += inside;
            if (t.firstBass < 0 || start < t.firstBassTime) {
                t.firstBass = static_cast<int>(pc);
                t.firstBassTime = static_cast<Tick>(start);
            }
        }
    }
    return beats;
}

// The bass tone of a beat: the one sounding longest, the first one among equals.
int BassOf(const BeatTotals& t)
{
    int best = t.firstBass;
    for (int pc = 0; pc < 12; ++pc) {
        const auto i = static_cast<std::size_t>(pc);
        if (t.bass[i] > 0 && (best < 0 || t.bass[i] > t.bass[static_cast<std::size_t>(best)])) best = pc;
    }
    return best;
}

// The best reading, then the runners-up that are other chords rather than
// the same chord with a tone added: a second reading on the best one's root
// is kept only when it is a close call. Same-root readings fill up when
// nothing else is left.
void KeepBest(std::vector<ChordCandidate>& all, std::vector<ChordCandidate>& out)
{
    std::stable_sort(all.begin(), all.end(),
                     [](const ChordCandidate& a, const ChordCandidate& b) { return a.score > b.score; });
    out.clear();
    if (all.empty()) return;
    std::vector<bool> taken(all.size(), false);
    auto take = [&](std::size_t i) {
        out.push_back(all[i]);
        taken[i] = true;
    };
    take(0);
    for (std::size_t i = 1; i < all.size() && out.size() < kChordAlternatives; ++i) {
        const bool newRoot = std::none_of(out.begin(), out.end(), [&](const ChordCandidate& c) { return c.root == all[i].root; });
        if (newRoot || all[0].score - all[i].score < kCloseCall) take(i);
    }
    for (std::size_t i = 1; i < all.size() && out.size() < kChordAlternatives; ++i) {
        if (!taken[i]) take(i);
    }
    std::stable_sort(out.begin(), out.end(),
                     [](const ChordCandidate& a, const ChordCandidate& b) { return a.score > b.score; });
}

std::vector<ChordCandidate> ReadHarmony(const BeatTotals& t, const ChordCandidate* previous)
{
    Totals w{};
    for (std::size_t i = 0; i < 12; ++i) w[i] = t.harmony[i] + kMelodyWeight * t.melody[i];
    const double total = Sum(w);
    const double accompaniment = Sum(t.harmony);
    const int bass = BassOf(t);
    std::vector<ChordCandidate> all;
    all.reserve(12 * kShapes.size());
    for (int root = 0; root < 12; ++root) {
        for (const auto& shape : kShapes) {
            double inside = 0.0;
            int missing = 0;
            for (int i = 0; i < shape.size; ++i) {
                const auto pc = static_cast<std::size_t>((root + shape.intervals[static_cast<std::size_t>(i)]) % 12);
                inside += w[pc];
                // A chord tone is there when the accompaniment plays it: a
                // melody passing over it does not make a sixth chord.
                if (t.harmony[pc] < 0.1 * accompaniment / shape.size) ++missing;
            }
            double score = (2 * inside - total) / total - kMissingPenalty * missing / shape.size -
                           kToneCost * (shape.size - 3);
            if (bass >= 0) {
                if (bass == root) score += kBassBonus;
                else if (!InShape(shape, root, bass)) score -= kBassBonus;
            }
            if (previous && previous->root == root && previous->type == shape.type) score += kKeepBonus;
            all.push_back({root, shape.type, score});
        }
    }
    std::vector<ChordCandidate> best;
    KeepBest(all, best);
    return best;
}

std::vector<ChordCandidate> ReadMelody(const Totals& w, const BeatChordOptions& o)
{
    const double total = Sum(w);
    const auto& degrees = o.keyMode == 1 ? kMinorDegreeWeight : kMajorDegreeWeight;
    std::vector<ChordCandidate> all;
    for (int root = 0; root < 12; ++root) {
        for (std::size_t s = 0; s < 3; ++s) {
            const ChordShape& shape = kShapes[s];
            double inside = 0.0;
            for (int i = 0; i < shape.size; ++i) {
                inside += w[static_cast<std::size_t>((root + shape.intervals[static_cast<std::size_t>(i)]) % 12)];
            }
            double score = (2 * inside - total) / total +
                           degrees[static_cast<std::size_t>((root - o.keyTonic + 12) % 12)];
            if (w[static_cast<std::size_t>(root)] > 0) score += kRootSoundsBonus;
            if (shape.size == 4) score -= kSeventhCost;
            all.push_back({root, shape.type, score});
        }
    }
    std::vector<ChordCandidate> best;
    KeepBest(all, best);
    return best;
}

}  // namespace

std::string CandidateName(const ChordCandidate& c)
{
    std::string name = song::ChordNameOf(c.root, c.type);
    while (!name.empty() && name.back() == ' ') name.pop_back();
    return name;
}

std::vector<BeatChordReading> ReadBeatChords(std::span<const AnalysisNote> notes, const std::array<int, 16>& roles,
                                             const BeatChordOptions& options)
{
    BeatChordOptions o = options;
    o.ticksPerQuarter = std::max(1, o.ticksPerQuarter);
    o.beatCount = std::max(0, o.beatCount);
    o.beatsPerBar = std::max(1, o.beatsPerBar);
    const std::vector<BeatTotals> beats = GatherBeats(notes, roles, o);
    // A melody alone is read over half a bar in even meters, a bar in 3/4.
    const int window = o.beatsPerBar % 2 == 0 ? o.beatsPerBar / 2 : o.beatsPerBar;
    std::vector<BeatChordReading> out(beats.size());
    const ChordCandidate* previous = nullptr;
    for (std::size_t b = 0; b < beats.size(); ++b) {
        const BeatTotals& t = beats[b];
        BeatChordReading& reading = out[b];
        if (Sum(t.harmony) > 0) {
            reading.fromHarmony = true;
            reading.candidates = ReadHarmony(t, previous);
        } else {
            const std::size_t first = b / static_cast<std::size_t>(window) * static_cast<std::size_t>(window);
            Totals w{};
            for (std::size_t i = first; i < std::min(beats.size(), first + static_cast<std::size_t>(window)); ++i) {
                for (std::size_t pc = 0; pc < 12; ++pc) w[pc] += beats[i].accented[pc];
            }
            if (Sum(t.melody) > 0 && Sum(w) > 0) reading.candidates = ReadMelody(w, o);
        }
        previous = reading.candidates.empty() ? nullptr : &reading.candidates.front();
    }
    return out;
}

}  // namespace songloom::harmony
