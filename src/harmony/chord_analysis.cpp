#include "harmony/chord_analysis.h"
#include "common/pitch.h"

#include <algorithm>

#include "common/messages.h"
#include "song/song_tables.h"

namespace songloom::harmony {
namespace {

constexpr std::array<const char*, 12> kRootNames = {"C",  "C#", "D",  "D#", "E",  "F",
                                                      "F#", "G",  "G#", "A",  "A#", "B"};

// Columns b9, 9, #9, 11, #11, b13, 13 by interval; rows by root pitch class
// (written for the key of C). Black-key roots allow no tension.
constexpr std::array<int, 12> kTensionColumn = {-1, 0, 1, 2, -1, 3, 4, -1, 5, 6, -1, -1};
constexpr std::array<std::array<bool, 7>, 12> kTensionTable = {{
    {false, true, false, false, true, false, true},   // C
    {false, false, false, false, false, false, false},  // C#
    {false, true, false, true, false, false, false},   // D
    {false, false, false, false, false, false, false},  // D#
    {false, true, false, true, false, false, false},   // E
    {false, true, false, false, true, false, true},    // F
    {false, false, false, false, false, false, false},  // F#
    {true, true, true, false, true, true, true},        // G
    {false, false, false, false, false, false, false},  // G#
    {false, true, false, true, false, false, false},   // A
    {false, false, false, false, false, false, false},  // A#
    {false, false, false, true, false, true, false},   // B
}};

int Above(int root, int interval) { return (root + interval) % 12; }

using Totals = std::array<std::uint32_t, 12>;

// One segment's state: time per pitch class for melody, bass and harmony,
// and the first/last notes that start in it.
struct ChordSegment {
    Totals melody{};
    Totals bass{};
    Totals harmony{};
    int firstMelody = -1;
    int lastMelody = -1;
    int firstBass = -1;

    Totals& ForRole(int role)
    {
        return role == kAnalysisBass ? bass : role == kAnalysisHarmony ? harmony : melody;
    }
    static bool Sounds(const Totals& t)
    {
        return std::any_of(t.begin(), t.end(), [](std::uint32_t v) { return v > 0; });
    }
};

// The previous chord: its root and the pitch classes of root, third, fifth
// and seventh (-1 absent).
struct ChordMemory {
    int root = -1;
    std::array<int, 4> tones = {-1, -1, -1, -1};
    void Clear() { *this = ChordMemory{}; }
    bool Holds(int pc) const { return std::find(tones.begin(), tones.end(), pc) != tones.end(); }
};

struct NamedChord {
    int root = -1;
    int third = -1;
    int fifth = -1;
    int seventh = -1;
    int ninth = -1;
    int eleventh = -1;
    int thirteenth = -1;
};

// Pitch classes sorted by total, strongest first; equal totals keep
// pitch-class order (exchange sort, strictly greater exchanges).
std::array<int, 12> RankByTotal(Totals totals)
{
    std::array<int, 12> order;
    for (int i = 0; i < 12; ++i) order[i] = i;
    for (int i = 0; i < 12; ++i) {
        for (int j = i + 1; j < 12; ++j) {
            if (totals[j] > totals[i]) {
                std::swap(totals[i], totals[j]);
                std::swap(order[i], order[j]);
            }
        }
    }
    return order;
}

NamedChord HarmonyRule(const Totals& harmony, int root, Tick segmentLength)
{
    NamedChord c;
    c.root = root;
    const auto threshold = static_cast<std::uint32_t>((segmentLength / 2) * 8 / 10);
    const std::array<int, 12> order = RankByTotal(harmony);
    int sounding = 0;
    for (int pc = 0; pc < 12; ++pc) sounding += harmony[pc] > 0 ? 1 : 0;

    auto strongest = [&](std::initializer_list<int> intervals) {
        for (int pc : order) {
            if (harmony[pc] == 0) break;
            const int interval = (pc - root + 12) % 12;
            if (std::find(intervals.begin(), intervals.end(), interval) != intervals.end()) return interval;
        }
        return -1;
    };
    auto exceeds = [&](int interval) { return harmony[Above(root, interval)] > threshold; };

    c.third = sounding == 1 ? 4 : strongest({3, 4, 5});
    c.fifth = sounding < 3 ? 7 : strongest({6, 7});
    c.seventh = strongest({9, 10, 11});

    for (int pc : order) {
        if (harmony[pc] == 0) break;
        if (harmony[pc] <= threshold || !TensionAllowed(root, pc)) continue;
        const int interval = (pc - root + 12) % 12;
        if (interval >= 1 && interval <= 3 && interval != c.third) {
            if (c.ninth < 0) {
                if (interval == 3 && c.third == 5) {
                    c.third = 3;
                    c.eleventh = 5;
                } else {
                    c.ninth = interval;
                }
            }
        } else if ((interval == 5 || interval == 6) && c.eleventh < 0) {
            for (int t : {3, 4}) {
                if (exceeds(t)) {
                    c.third = t;
                    c.eleventh = interval;
                    break;
                }
            }
        } else if ((interval == 8 || interval == 9) && c.thirteenth < 0) {
            for (int s : {10, 11}) {
                if (exceeds(s)) {
                    c.seventh = s;
                    c.thirteenth = interval;
                    break;
                }
            }
        }
    }
    if (c.fifth < 0) c.fifth = 7;
    if (c.third < 0) c.third = 4;
    if (c.third == 3 && c.fifth == 6 && c.seventh == 11) c.seventh = -1;
    return c;
}

NamedChord MelodyRule(const Totals& melody, const std::string& keyTemplate)
{
    NamedChord best;
    int bestScore = 0;
    auto sounds = [&](int pc) { return melody[pc] > 0; };
    for (int r = 0; r < 12; ++r) {
        if (!sounds(r)) continue;
        NamedChord c;
        c.root = r;
        int score = 4;
        if (sounds(Above(r, 3))) {
            c.third = 3;
            score = 7;
        } else if (sounds(Above(r, 4))) {
            c.third = 4;
            score = 7;
        }
        if (sounds(Above(r, 7))) {
            score += 2;
            c.fifth = 7;
        }
        if (sounds(Above(r, 10))) {
            c.seventh = 10;
            score += 1;
        } else if (sounds(Above(r, 11))) {
            c.seventh = 11;
            score += 1;
        }
        if (score > bestScore) {
            bestScore = score;
            best = c;
        }
    }
    if (best.root >= 0) {
        if (best.fifth < 0) best.fifth = 7;
        if (best.third < 0) {
            const std::size_t digit = 4 + static_cast<std::size_t>(Above(best.root, 4));
            best.third = digit < keyTemplate.size() && keyTemplate[digit] != '0' ? 4 : 3;
        }
    }
    return best;
}

}  // namespace

bool TensionAllowed(int rootPitchClass, int tensionPitchClass)
{
    const int root = PitchClass(rootPitchClass);
    const int column = kTensionColumn[static_cast<std::size_t>((PitchClass(tensionPitchClass) - root + 12) % 12)];
    return column >= 0 && kTensionTable[static_cast<std::size_t>(root)][static_cast<std::size_t>(column)];
}

std::string NameChord(int root, int third, int fifth, int seventh, int ninth, int eleventh,
                      int thirteenth)
{
    if (root < 0) return "UnKnown";
    std::string name = kRootNames[static_cast<std::size_t>(PitchClass(root))];
    if (third == 3) {
        name += fifth == 6 ? "dim" : "m";
    } else if (third == 5) {
        name += "sus4";
    }
    if (seventh == 9) name += "6";
    if (seventh == 10) name += "7";
    if (seventh == 11) name += "M7";
    std::string tensions;
    auto add = [&](const char* t) {
        tensions += tensions.empty() ? "(" : ",";
        tensions += t;
    };
    if (ninth == 1) add("b9");
    if (ninth == 2) add("9");
    if (ninth == 3) add("#9");
    if (eleventh == 5) add("11");
    if (eleventh == 6) add("#11");
    if (thirteenth == 8) add("b13");
    if (thirteenth == 9) add("13");
    if (!tensions.empty()) name += tensions + ")";
    if (name.size() > kChordNameMax) name.resize(kChordNameMax);
    return name;
}

std::string KeyName(int tonic, int mode)
{
    for (const auto& row : song::KeyTable) {
        if (row.tonic == tonic) {
            return row.mode == mode ? std::string(row.name) : std::string("C");
        }
    }
    return "C";
}

KeyEstimate EstimateKey(std::span<const AnalysisNote> notes, int ticksPerQuarter)
{
    const Tick segment = std::max(1, ticksPerQuarter * 4 / 2);
    std::array<std::int64_t, 12> totals{};
    for (const auto& n : notes) {
        if (n.velocity < 1 || n.channel == 9 || n.time < 0) continue;
        // Onsets beyond the histogram's rows are not counted.
        if (n.time / segment >= kMaxKeySegments) continue;
        ++totals[static_cast<std::size_t>(PitchClass(n.pitch))];
    }
    KeyEstimate key;
    key.keyTemplate = "xxxx000000000000";
    for (int rank = 0; rank < 12; ++rank) {
        int candidate = rank;
        for (int pc = 0; pc < 12; ++pc) {
            if (totals[static_cast<std::size_t>(pc)] > totals[static_cast<std::size_t>(candidate)]) candidate = pc;
        }
        if (rank == 0) key.tonic = candidate;
        if (rank < 7) key.keyTemplate[4 + static_cast<std::size_t>(candidate)] = '9';
        totals[static_cast<std::size_t>(candidate)] = -1;
    }
    key.mode = 0;
    return key;
}

ChordAnalysis AnalyzeChords(Reporter& reporter, std::span<const AnalysisNote> input,
                            int ticksPerQuarter, const std::array<int, 16>& roles,
                            const AnalysisProgress& progress)
{
    ChordAnalysis result;
    if (progress) progress();
    result.key = EstimateKey(input, ticksPerQuarter);
    result.keyName = KeyName(result.key.tonic, result.key.mode);
    if (progress) progress();

    const Tick length = std::max(1, ticksPerQuarter * 4 / 2);
    result.segmentLength = length;

    std::vector<AnalysisNote> notes;
    notes.reserve(input.size());
    for (const auto& n : input) {
        if (n.velocity <= 0 || n.channel < 0 || n.channel > 15 || n.time < 0) continue;
        const int role = roles[static_cast<std::size_t>(n.channel)];
        if (role != kAnalysisBass && role != kAnalysisHarmony && role != kAnalysisMelody) continue;
        notes.push_back(n);
    }
    std::stable_sort(notes.begin(), notes.end(),
                     [](const AnalysisNote& a, const AnalysisNote& b) { return a.time < b.time; });

    ChordSegment current;
    // Notes still sounding past the segment they were counted in: each
    // following segment gets the part of them that lies inside it, so a
    // chord held over several segments keeps naming them.
    struct HeldNote {
        int role;
        int pc;
        Tick end;
    };
    std::vector<HeldNote> held;
    ChordMemory memory;
    int index = 0;
    Tick segmentStart = 0;

    auto nameSegment = [&]() {
        const bool hasBass = ChordSegment::Sounds(current.bass);
        const bool hasHarmony = ChordSegment::Sounds(current.harmony);
        if (index == 0) memory.Clear();
        NamedChord chord;
        if (!hasBass && !hasHarmony) {
            chord = MelodyRule(current.melody, result.key.keyTemplate);
        } else {
            int root = current.firstBass;
            if (root < 0) root = !hasBass ? RankByTotal(current.harmony)[0] : memory.root;
            if (index % 2 == 1 && root >= 0 && memory.root >= 0 && memory.Holds(root)) root = memory.root;
            if (root < 0) root = RankByTotal(hasHarmony ? current.harmony : current.bass)[0];
            chord = HarmonyRule(current.harmony, root, length);
            memory.root = chord.root;
            memory.tones = {chord.root, Above(chord.root, chord.third), Above(chord.root, chord.fifth),
                            chord.seventh >= 0 ? Above(chord.root, chord.seventh) : -1};
        }
        result.names.push_back(NameChord(chord.root, chord.third, chord.fifth, chord.seventh,
                                         chord.ninth, chord.eleventh, chord.thirteenth));
        ++index;
        if (progress && index % 100 == 0) progress();
        current = ChordSegment{};
        segmentStart += length;
        // Only the sounding time is carried: first and last notes belong to
        // the segment they start in.
        const Tick segmentEnd = segmentStart + length;
        std::erase_if(held, [&](const HeldNote& h) {
            current.ForRole(h.role)[static_cast<std::size_t>(h.pc)] +=
                static_cast<std::uint32_t>(std::min(h.end, segmentEnd) - segmentStart);
            return h.end <= segmentEnd;
        });
    };

    for (const auto& n : notes) {
        if (n.time / length >= kMaxKeySegments) {
            result.truncated = true;
            break;
        }
        while (n.time >= segmentStart + length) nameSegment();
        const int role = roles[static_cast<std::size_t>(n.channel)];
        const int pc = PitchClass(n.pitch);
        const Tick end = static_cast<Tick>(std::min<std::int64_t>(std::int64_t{n.time} + std::max(0, n.duration), 0x3FFFFFFF));
        const Tick segmentEnd = segmentStart + length;
        const Tick inside = std::min(end, segmentEnd) - n.time;
        current.ForRole(role)[static_cast<std::size_t>(pc)] += static_cast<std::uint32_t>(std::max(0, inside));
        Tick overflow = end - segmentEnd;
        if (overflow > 0) {
            held.push_back({role, pc, end});
        } else if (inside < 0) {
            ChordStructureErrorMsg(reporter, 0x31000001);
        }
        if (role == kAnalysisMelody) {
            if (current.firstMelody < 0) current.firstMelody = pc;
            current.lastMelody = pc;
        } else if (role == kAnalysisBass && current.firstBass < 0) {
            current.firstBass = pc;
        }
    }
    // After the last note: the segment it ends in, and those that notes
    // still held reach into.
    auto timeLeft = [&] {
        return ChordSegment::Sounds(current.melody) || ChordSegment::Sounds(current.bass) ||
               ChordSegment::Sounds(current.harmony);
    };
    while (timeLeft() && static_cast<int>(result.names.size()) < kMaxKeySegments) nameSegment();
    // Longer pieces are analysed up to the histogram's limit and said so.
    if (result.truncated) GeneralErrorMsg(reporter, gene::kTooLarge);
    return result;
}

}  // namespace songloom::harmony
