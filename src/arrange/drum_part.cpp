#include "arrange/drum_part.h"

#include <algorithm>
#include <string_view>

namespace songloom::arrange {

namespace {

// General MIDI drum notes the sounds use.
enum Note : int {
    kAcousticBass = 35,
    kBassDrum = 36,
    kSideStick = 37,
    kAcousticSnare = 38,
    kSnare = 40,
    kFloorTom = 41,
    kClosedHat = 42,
    kLowTom = 45,
    kOpenHat = 46,
    kLowMidTom = 47,
    kCrash = 49,
    kHighTom = 50,
    kRide = 51,
    kChinese = 52,
    kTambourine = 54,
    kCowbell = 56,
    kCrash2 = 57,
    kVibraslap = 58,
    kRide2 = 59,
    kHighBongo = 60,
    kMuteConga = 62,
    kOpenConga = 63,
    kLowConga = 64,
    kHighTimbale = 65,
    kLowTimbale = 66,
    kHighAgogo = 67,
    kLowAgogo = 68,
    kCabasa = 69,
    kMaracas = 70,
    kClaves = 75,
    kWoodBlock = 76,
    kMuteCuica = 78,
    kOpenCuica = 79,
    kMuteTriangle = 80,
    kOpenTriangle = 81,
    kJingleBell = 83,
    kBellTree = 84,
};

int KitBass(int kit) { return kit == 1 ? kAcousticBass : kit == 3 ? kLowTimbale : kBassDrum; }
int KitBassVelocity(int kit) { return kit == 4 ? 127 : 90; }
int KitSnare(int kit) { return kit == 1 ? kAcousticSnare : kit == 3 ? kHighTimbale : kSnare; }
int KitHat(int kit) { return kit == 3 ? kCabasa : kClosedHat; }
int KitOpenHat(int kit) { return kit == 3 ? kMaracas : kOpenHat; }

// A grid written as codes separated by blanks; it repeats to fill `size`.
std::vector<int> ParseGrid(std::string_view text, std::size_t size)
{
    std::vector<int> period;
    int value = -1;
    for (char c : text) {
        if (c >= '0' && c <= '9') {
            value = (value < 0 ? 0 : value * 10) + (c - '0');
        } else if (value >= 0) {
            period.push_back(value);
            value = -1;
        }
    }
    if (value >= 0) period.push_back(value);
    std::vector<int> grid;
    if (period.empty()) return grid;
    for (std::size_t i = 0; i < size; ++i) grid.push_back(period[i % period.size()]);
    return grid;
}

// Fills for the last bar of a section, drawn at each section end.
enum Fill { kNoFill, kRockFill, kLightFill, kLatinFill };
struct FillText {
    const char* straight;  // eight eighths
    const char* triplet;   // twelve triplet eighths
};
constexpr FillText kFills[] = {
    {"", ""},
    {"3 3 7 7 8 8 27 27", "3 3 3 7 7 7 8 8 8 27 27 27"},
    {"5 1 4 1 5 1 3 3", "5 1 1 4 1 1 5 1 1 3 3 3"},
    {"11 12 13 11 12 13 12 13", "11 12 13 11 12 13 11 12 13 12 12 13"},
};

// The fixed drum patterns: a straight grid of eighths, and where the style
// needs them, a triplet grid, a 3/4 grid (straight, triplet) and a 7/8 grid.
// A missing triplet grid swings the straight one (each beat: its first eighth,
// a silent triplet, its second eighth); a missing 3/4 grid takes the first
// bar's six eighths; a missing 7/8 grid groups the straight one four and three.
struct DrumPatternText {
    int number;
    int variation;  // the groove of the pattern a style picks by its drumVariation
    const char* straight;
    const char* triplet;
    const char* waltz;
    const char* waltzTriplet;
    const char* sevenEight;
    Fill fill;
};
constexpr DrumPatternText kPatterns[] = {
    {1, 0, "5 1 4 1", "5 1 1 4 1 1", "5 1 4 1 4 1", "5 1 1 4 1 1 4 1 1", nullptr, kNoFill},     // eight-beat
    {2, 0, "5 1 4 1 5 5 4 15", nullptr, nullptr, nullptr, nullptr, kRockFill},                     // rock
    {3, 0, "5 1 47 1 1 5 47 1", "5 1 1 47 1 1 1 1 5 47 1 1", "5 1 47 1 47 1", nullptr, nullptr, kLightFill},  // ballad
    {5, 0, "2 15 29 15", nullptr, nullptr, nullptr, nullptr, kRockFill},                           // disco
    {6, 0, "5 1 1 1 4 1 1 1", "5 1 1 1 1 1 4 1 1 1 1 1", nullptr, nullptr, nullptr, kRockFill},   // half time
    {7, 0, "5 4 1 4 5 4 1 4", "5 6 1 4 6 1", nullptr, nullptr, nullptr, kLightFill},              // country train
    {8, 0, "37 10 38 10 37 37 38 10", nullptr, "37 10 38 10 38 10", nullptr, nullptr, kLightFill},  // western gallop
    {9, 0, "48 1 1 47 5 1 47 1 48 1 47 1 5 47 1 1", nullptr, nullptr, nullptr, nullptr, kLatinFill},  // bossa nova
    {10, 0, "37 10 10 37 37 10 38 37", nullptr, nullptr, nullptr, nullptr, kLatinFill},            // samba
    {11, 0, nullptr, "22 6 6 21 6 21 22 6 6 23 6 21", nullptr, nullptr, nullptr, kNoFill},         // jazz ride
    {12, 0, "1 1 1 1 29 1 1 15", "1 1 1 1 1 1 29 1 1 1 1 15", nullptr, nullptr, nullptr, kLightFill},  // one drop
    {13, 0, "33 11 35 12 5 35 4 13", nullptr, nullptr, nullptr, nullptr, kLatinFill},              // latin cowbell
    {14, 0, "5 1 4 1 1 5 4 1 5 1 4 5 1 5 4 15", nullptr, "5 1 4 1 5 4", nullptr, "5 1 4 1 5 4 1", kRockFill},  // hip-hop
    {15, 0, "5 1 1 5 4 1 5 1", nullptr, nullptr, nullptr, nullptr, kLatinFill},                    // tango
    {16, 0, "5 4 5 4", "5 6 4 5 6 4", "5 6 4 6 4 6", nullptr, nullptr, kLightFill},                // polka
    {17, 0, "5 1 1 15 5 1 1 5 5 1 1 1 5 1 1 15", "5 1 1 15 1 1 5 1 1 5 1 15", nullptr, nullptr, nullptr, kNoFill},  // no snare
    {18, 0, "2 1 4 1 2 2 4 15", "5 1 1 4 1 1 5 1 1 4 1 5", "2 1 4 1 4 1", "5 1 1 4 1 1 4 1 1", nullptr, kRockFill},  // slow rock
    {19, 0, "29 3 4 3 5 3 4 3", nullptr, "29 3 4 3 4 3", nullptr, nullptr, kLightFill},           // march
    {20, 0, "5 1 4 1 5 4 1 15", nullptr, "5 1 4 15 5 4", nullptr, "5 1 4 1 5 4 1", kRockFill},     // progressive
    {21, 0, "5 15 29 15 5 15 29 30", nullptr, nullptr, nullptr, nullptr, kRockFill},               // techno
    {22, 0, "13 6 11 12 13 11 12 6", nullptr, "13 6 11 12 11 12", nullptr, nullptr, kLatinFill},  // hand drums
    {23, 0, "16 6 16 49 16 6 49 6", nullptr, nullptr, nullptr, nullptr, kLatinFill},               // bongos
    {24, 0, "27 6 27 27 3 6 27 6", nullptr, nullptr, nullptr, nullptr, kNoFill},                    // festival
    {25, 0, "44 6 17 18 44 17 6 18", nullptr, nullptr, nullptr, nullptr, kLatinFill},              // agogo and claves
    {26, 0, "25 6 41 6 25 6 19 6", "25 6 6 41 6 6 25 6 6 19 6 6", "25 6 41 6 19 6", nullptr, nullptr, kNoFill},  // triangles
    {27, 0, "30 15 28 15 30 30 28 15", nullptr, nullptr, nullptr, nullptr, kRockFill},             // hard rock
    {29, 0, "2 47 6 47 29 47 6 47", nullptr, nullptr, nullptr, nullptr, kLightFill},               // ska
    {30, 0, "5 1 1 4 1 5 4 1 5 1 1 5 1 5 28 1", nullptr, nullptr, nullptr, nullptr, kRockFill},   // funk
    {31, 0, "45 1 4 1 45 1 4 4", nullptr, nullptr, nullptr, nullptr, kLatinFill},                  // cha-cha
    {32, 0, "33 35 4 35 33 35 4 35", nullptr, nullptr, nullptr, nullptr, kLatinFill},              // mambo
    {33, 0, "12 11 13 11 12 12 13 11", nullptr, nullptr, nullptr, nullptr, kLatinFill},            // rumba
    {34, 0, "5 1 4 5 5 1 4 1", nullptr, nullptr, nullptr, nullptr, kRockFill},                     // dembow
    {35, 0, "32 21 34 21 32 21 34 21", "32 6 21 34 6 21", "32 21 34 21 34 21", "32 6 21 34 6 21 34 6 21", nullptr, kNoFill},  // brushes
    {36, 0, "36 10 38 10 36 10 38 10", nullptr, nullptr, nullptr, nullptr, kLightFill},            // tambourine
    {37, 0, "24 1 24 1 2 1 24 15", nullptr, nullptr, nullptr, nullptr, kLightFill},                // side stick
    {38, 0, "29 3 3 4 3 3 4 3", "29 3 3 4 3 3 4 3 3 4 3 3", "29 3 3 4 3 3", nullptr, nullptr, kNoFill},  // bolero
};

const DrumPatternText* FindGroove(int number, int variation)
{
    for (const DrumPatternText& p : kPatterns) {
        if (p.number == number && p.variation == variation) return &p;
    }
    return nullptr;
}

// A variation the table lacks plays the pattern's first groove.
const DrumPatternText* FindPattern(int number, int variation)
{
    const DrumPatternText* p = FindGroove(number, variation);
    return p != nullptr ? p : FindGroove(number, 0);
}

std::vector<int> SwungGrid(const std::vector<int>& straight)
{
    std::vector<int> triplet;
    if (straight.empty()) return triplet;
    for (std::size_t i = 0; triplet.size() < static_cast<std::size_t>(kTripletGridSteps); i += 2) {
        triplet.push_back(straight[i % straight.size()]);
        triplet.push_back(6);
        triplet.push_back(straight[(i + 1) % straight.size()]);
    }
    return triplet;
}

std::vector<int> FixedGrid(const PatternContext& x, const DrumPatternText& p)
{
    const std::size_t size = x.Triplet() ? kTripletGridSteps : kStraightGridSteps;
    const std::vector<int> straight = p.straight != nullptr ? ParseGrid(p.straight, kStraightGridSteps) : std::vector<int>{};
    if (x.meter == 1) {
        if (x.Triplet() && p.waltzTriplet != nullptr) return ParseGrid(p.waltzTriplet, size);
        if (x.Triplet()) return p.triplet != nullptr ? ParseGrid(p.triplet, size) : SwungGrid(straight);
        if (p.waltz != nullptr) return ParseGrid(p.waltz, size);
        std::vector<int> bar(straight.begin(), straight.begin() + std::min<std::size_t>(6, straight.size()));
        std::vector<int> grid;
        for (std::size_t i = 0; i < size && !bar.empty(); ++i) grid.push_back(bar[i % bar.size()]);
        return grid;
    }
    if (x.meter == 2 && !x.Triplet()) {
        if (p.sevenEight != nullptr) return ParseGrid(p.sevenEight, size);
        std::vector<int> bar(straight.begin(), straight.begin() + 4);
        bar.insert(bar.end(), straight.begin(), straight.begin() + 3);
        std::vector<int> grid;
        for (std::size_t i = 0; i < size; ++i) grid.push_back(bar[i % bar.size()]);
        return grid;
    }
    if (x.Triplet()) return p.triplet != nullptr ? ParseGrid(p.triplet, size) : SwungGrid(straight);
    return straight;
}

// A bar of nine (3/4) triplet steps repeated over the triplet grid.
std::vector<int> RepeatBar(const std::vector<int>& grid, std::size_t barSteps, std::size_t size)
{
    std::vector<int> out;
    for (std::size_t i = 0; i < size && barSteps > 0; ++i) out.push_back(grid[i % barSteps]);
    return out;
}

// Pattern 11, straight: a fresh ride pattern of sixteenths for each record.
std::vector<int> JazzRideGrid(PatternContext& x)
{
    std::vector<int> grid(kStraightGridSteps, 6);
    for (int i = 0; i < kStraightGridSteps; ++i) {
        int& code = grid[static_cast<std::size_t>(i)];
        if (i % 4 == 0) code = x.RB(1, 2) == 1 ? 21 : 22;
        if (i % 4 == 1 && x.RB(1, 6) == 1) code = 21;
        if (i % 8 == 7) {
            code = 21;
            if (x.RB(1, 4) == 1) {
                code = x.RB(1, 6) == 1 ? 3 : 23;
            } else if (x.RB(1, 4) == 1) {
                if (x.RB(1, 6) != 1) code = 22;
                else if (x.RB(1, 2) == 1) code = 2;
            }
        }
        if (i % 8 == 3) {
            if (x.RB(1, 2) == 1) code = 23;
            else if (x.RB(1, 2) == 1) code = 24;
        }
        if (i % 8 == 0) {
            if (x.RB(1, 2) == 1) code = 21;
            else if (x.RB(1, 2) == 1) code = 2;
        }
    }
    return grid;
}

// Pattern 28: the style's own drum grid (grid 2), rows of drum notes less 35.
void PlayStyleDrumGrid(PatternContext& x, std::span<const DrumRecord> drums, NoteBuffer& out, Tick start)
{
    const arrange::StepGrid& grid = x.Grid(arrange::kGridDrums);
    const Tick step = x.Triplet() ? 32 : 24;
    const Tick sound = x.Triplet() ? 31 : 23;
    const int columns = x.Triplet() ? 12 : 16;
    Tick t = start;
    for (const DrumRecord& record : drums) {
        const int steps = record.length / step;
        for (int k = 0; k < steps; ++k) {
            const std::size_t column = static_cast<std::size_t>(k % columns);
            bool any = false;
            for (std::size_t row = 0; row < static_cast<std::size_t>(arrange::kGridRows); ++row) {
                if (grid.cells[row][column] != 1) continue;
                const int note = grid.rowLabels[row] + 35;
                out.Note(t + k * step, note, note == kClosedHat || note == kOpenHat ? 49 : 64, sound);
                any = true;
            }
            if (!any) out.Rest(t + k * step, step);
        }
        t += record.length;
    }
}

void PlayFixedPattern(PatternContext& x, const DrumPatternText& p, std::span<const DrumRecord> drums,
                      NoteBuffer& out, Tick start)
{
    std::vector<int> grid = DrumPatternGrid(x, p.number);
    const bool triplet = x.Triplet();
    const Tick step = triplet ? 32 : 48;
    const FillText& fill = kFills[p.fill];
    const std::vector<int> fillGrid =
        p.fill == kNoFill ? std::vector<int>{} : ParseGrid(triplet ? fill.triplet : fill.straight, triplet ? 12 : 8);
    const int barSteps = static_cast<int>(x.BarLength() / step);
    Tick t = start;
    bool crash = false;
    for (const DrumRecord& record : drums) {
        std::vector<int> recordGrid = grid;
        const int steps = record.length / step;
        // After a fill the next section opens with a crash on its first kick.
        if (crash && !recordGrid.empty() &&
            (recordGrid[0] == 2 || recordGrid[0] == 5 || recordGrid[0] == 22 || recordGrid[0] == 29))
            recordGrid[0] = 26;
        crash = false;
        if (EndsSection(record) && !fillGrid.empty() && steps >= barSteps && x.RB(1, 3) != 1) {
            const int from = steps - std::min<int>(barSteps, static_cast<int>(fillGrid.size()));
            for (int k = from; k < steps; ++k) {
                const std::size_t index = static_cast<std::size_t>(k) % recordGrid.size();
                recordGrid[index] = fillGrid[static_cast<std::size_t>(k - from)];
            }
            crash = true;
        }
        PlayDrumGrid(x, out, t, record.length, recordGrid, step);
        t += record.length;
    }
}

}  // namespace

DrumList DrumListFromChords(std::span<const arrange::PatternChord> chords)
{
    DrumList list;
    for (std::size_t k = 0; k < chords.size(); ++k) {
        const bool last = k + 1 == chords.size() || chords[k + 1].section != chords[k].section;
        list.push_back({chords[k].length, {chords[k].section, last ? 'E' : 'X', 'X', 'X'}});
    }
    return list;
}

bool DrumGrooveExists(int pattern, int variation)
{
    if (pattern == 4 || pattern == 28) return variation == 0;
    return FindGroove(pattern, variation) != nullptr;
}

int DrumKitProgram(int kitProgram, int drumPattern, int rhythmFeel, int meter, int kit, int soundModuleMode)
{
    if (kitProgram != kKitByPattern) return soundModuleMode == 0 || soundModuleMode == 1 ? kitProgram : 0;
    if (drumPattern == 1 && rhythmFeel == 3 && (soundModuleMode == 0 || soundModuleMode == 1))
        return meter != 1 && kit == 2 ? 0 : 40;
    if (drumPattern == 18 && soundModuleMode == 1) return 49;
    return 0;
}

bool DrumSoundHits(PatternContext& x, int code, int offset, std::vector<DrumHit>& hits)
{
    const int kit = x.drumKit;
    auto ride = [&] { return x.RB(1, 2) == 1 ? kRide : kRide2; };
    auto add = [&](int note, int velocity) { hits.push_back({note, std::clamp(velocity, 0, 127)}); };
    auto bass = [&] { add(KitBass(kit), KitBassVelocity(kit)); };
    auto snare = [&] { add(KitSnare(kit), 80); };
    auto hat = [&] { add(KitHat(kit), 40); };
    switch (code) {
    case 1: add(KitHat(kit), 40 + offset); break;
    case 2: bass(); break;
    case 3: add(kit == 3 ? kHighTimbale : kSnare, 80); break;
    case 4: snare(); hat(); break;
    case 5: bass(); hat(); break;
    case 6: break;
    case 7: add(kHighTom, 80); break;
    case 8: add(kLowMidTom, 80); break;
    case 9: add(kLowTom, 80); break;
    case 10: add(kTambourine, 80); break;
    case 11: add(kMuteConga, 80); break;
    case 12: add(kOpenConga, 80); break;
    case 13: add(kLowConga, 80); break;
    case 14: add(kChinese, 70); break;
    case 15: add(KitOpenHat(kit), 50); break;
    case 16: add(kHighBongo, 60); break;
    case 17: add(kHighAgogo, 60); break;
    case 18: add(kLowAgogo, 60); break;
    case 19: add(kClaves, 70); break;
    case 20: add(kWoodBlock, 80); break;
    case 21: add(ride(), 64 + offset); break;
    case 22: {
        const int velocity = x.RB(1, 20) + (kit == 4 ? 47 : 10);
        add(KitBass(kit), velocity);
        const int cymbal = kit == 3 ? kOpenCuica : ride();
        add(cymbal, x.RB(1, 40) + 30);
        break;
    }
    case 23: {
        add(KitSnare(kit), x.RB(1, 20) + 40);
        const int cymbal = kit == 3 ? kMuteCuica : ride();
        add(cymbal, x.RB(1, 40) + 30);
        break;
    }
    case 24: add(kSideStick, 90); break;
    case 25: add(kMuteTriangle, 60 + offset); break;
    case 26: bass(); add(kCrash, 100); break;                        // accent: bass drum and crash
    case 27: add(kFloorTom, 100); break;
    case 28: snare(); add(KitOpenHat(kit), 50); break;               // snare with open hi-hat
    case 29: bass(); snare(); break;                                 // bass drum and snare
    case 30: bass(); add(KitOpenHat(kit), 50); break;                // bass drum with open hi-hat
    case 31: add(kVibraslap, 64 + offset); break;
    case 32: bass(); add(ride(), 60); break;                         // bass drum and ride
    case 33: bass(); hat(); add(kCowbell, x.RB(85, 105)); break;     // bass drum, hi-hat, cowbell
    case 34: snare(); add(ride(), 60); break;                        // snare and ride
    case 35: add(KitHat(kit), 40 + offset); add(kCowbell, 70); break;  // hi-hat and cowbell
    case 36: add(kTambourine, 90); hat(); break;                     // tambourine with hi-hat
    case 37: bass(); add(kTambourine, 80); break;                    // bass drum and tambourine
    case 38: snare(); add(kTambourine, 80); break;                   // snare and tambourine
    case 39: add(kFloorTom, 100); bass(); break;                     // floor tom and bass drum
    case 40: add(kBellTree, 90); break;
    case 41: add(kOpenTriangle, 60 + offset); break;
    case 42: add(kJingleBell, 60 + offset); break;
    case 43: add(kHighBongo, 60); hat(); break;                      // bongo with hi-hat
    case 44: add(kHighAgogo, 60); add(kClaves, 70); break;           // agogo and claves
    case 45: add(kClaves, 70); bass(); break;                        // claves and bass drum
    case 46: bass(); snare(); add(kCrash, 100); break;               // full accent with crash
    case 47: add(kSideStick, 90); hat(); break;                      // side stick with hi-hat
    case 48: bass(); add(kSideStick, 90); break;                     // bass drum and side stick
    case 49: add(kLowConga, 80); add(kHighBongo, 60); break;         // conga and bongo
    case 50: bass(); snare(); add(KitOpenHat(kit), 50); add(kCrash2, 100); break;  // ending hit
    case 51:
        add(kAcousticBass, 80);
        add(kOpenHat, 40);
        add(kCowbell, 80);
        add(kCabasa, 40);
        break;
    default: return false;
    }
    return true;
}

Tick WriteDrumSound(PatternContext& context, NoteBuffer& out, Tick time, Tick duration, Tick gap, int code, int offset)
{
    std::vector<DrumHit> hits;
    if (!DrumSoundHits(context, code, offset, hits)) {
        context.Error(arrange::kDrumSoundError);
        return time;
    }
    if (hits.empty()) out.Rest(time, duration);
    for (const DrumHit& hit : hits) out.Note(time, hit.note, hit.velocity, duration);
    return time + duration + gap;
}

Tick PlayDrumGrid(PatternContext& context, NoteBuffer& out, Tick time, Tick duration, std::span<const int> grid,
                  Tick step)
{
    if (grid.empty() || step <= 0) return time;
    const int steps = duration / step;
    const std::size_t size = context.Triplet() ? kTripletGridSteps : kStraightGridSteps;
    for (int k = 0; k < steps; ++k) {
        int offset = 0;
        if (context.Triplet()) offset = -context.RB(1, 10);
        else if (k % 2 == 0) offset = 10 - context.RB(1, 20);
        else offset = -context.RB(10, 25);
        const int code = grid[static_cast<std::size_t>(k) % std::min(size, grid.size())];
        time = WriteDrumSound(context, out, time, step - 1, 1, code, offset);
    }
    return time;
}

std::vector<int> DrumPatternGrid(const PatternContext& context, int pattern)
{
    const DrumPatternText* p = FindPattern(pattern, context.drumVariation);
    if (p == nullptr) return {};
    if (pattern == 11 && !context.Triplet()) return {};
    std::vector<int> grid = FixedGrid(context, *p);
    if (context.meter == 1 && context.Triplet() && p->waltzTriplet == nullptr)
        grid = RepeatBar(grid, 9, kTripletGridSteps);
    return grid;
}

void DrumPattern(PatternContext& context, std::span<const DrumRecord> drums, NoteBuffer& out, Tick start)
{
    PatternContext& x = context;
    const int pattern = x.drumPattern;
    if (pattern == 28) {
        PlayStyleDrumGrid(x, drums, out, start);
        return;
    }
    if (pattern == 4) {
        // Drawn once for the whole part: hi-hat, bass drum, snare, snare with
        // hi-hat, bass drum with hi-hat or rest.
        std::vector<int> grid;
        for (int i = 0; i < kStraightGridSteps; ++i) grid.push_back(x.RB(1, 6));
        const Tick step = x.Triplet() ? 32 : 48;
        Tick t = start;
        for (const DrumRecord& record : drums) {
            PlayDrumGrid(x, out, t, record.length, grid, step);
            t += record.length;
        }
        return;
    }
    if (pattern == 11 && !x.Triplet()) {
        Tick t = start;
        for (const DrumRecord& record : drums) {
            const std::vector<int> grid = JazzRideGrid(x);
            PlayDrumGrid(x, out, t, record.length, grid, 24);
            t += record.length;
        }
        return;
    }
    const DrumPatternText* p = FindPattern(pattern, x.drumVariation);
    if (p == nullptr) {
        x.Error(arrange::kDrumPatternError);
        return;
    }
    PlayFixedPattern(x, *p, drums, out, start);
}

}  // namespace songloom::arrange
