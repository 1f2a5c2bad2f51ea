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
    kHandClap = 39,
    kPedalHat = 44,
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
// The fixed drum patterns and their grooves: a straight grid of eighths, and
// where the groove needs them, a triplet grid, a 3/4 grid (straight, triplet)
// and a 7/8 grid. A missing triplet grid swings the straight one (each beat:
// its first eighth, a silent triplet, its second eighth); a missing 3/4 grid
// takes the first bar's six eighths; a missing 7/8 grid groups the straight
// one four and three. Groove 0 of a number is what a style without a groove
// of its own plays; the other grooves belong to the styles that name them.
constexpr DrumPatternText kPatterns[] = {
    // eight-beat; 1: jazz waltz ride, 2: musette brushes, 3: alpine waltz with cowbell,
    // 4: pop waltz opening the hi-hat on the last eighth
    {1, 0, "5 1 4 1", "5 1 1 4 1 1", "5 1 4 1 4 1", "5 1 1 4 1 1 4 1 1", nullptr, kNoFill},
    {1, 1, "5 1 4 1", "22 6 6 43 6 21 22 6 21 43 6 21", "5 1 4 1 4 1", "22 6 6 43 6 21 43 6 21 22 6 6 43 6 21 43 23 21", nullptr, kNoFill},
    {1, 2, "5 6 4 6 5 6 4 1", nullptr, "5 6 4 6 4 6 5 6 4 6 4 1", nullptr, nullptr, kLightFill},
    {1, 3, "33 6 4 1 5 6 4 1", nullptr, "33 6 4 1 4 1 5 6 4 1 4 1", nullptr, nullptr, kLightFill},
    {1, 4, "5 1 4 1 5 1 4 15", nullptr, "5 1 4 1 4 15", nullptr, nullptr, kLightFill},
    // rock: kick on 1, 3 and 3-and; 1: straight-ahead drive; 2: new-music eight-beat
    {2, 0, "5 1 4 1 5 5 4 15", nullptr, nullptr, nullptr, nullptr, kRockFill},
    {2, 1, "5 1 4 1 5 1 4 1 5 1 4 1 5 1 4 5 5 1 4 1 5 1 4 1 5 1 4 5 1 5 4 15", nullptr, nullptr, nullptr, nullptr, kRockFill},
    {2, 2, "5 1 4 1 5 1 4 5 5 1 4 1 5 5 4 15", nullptr, "5 1 4 1 4 5", nullptr, nullptr, kRockFill},
    // cross-stick pop; 1: country train beat on brushes; 2: 60s beat with tambourine
    {3, 0, "5 1 47 1 1 5 47 1", "5 1 1 47 1 1 1 1 5 47 1 1", "5 1 47 1 47 1", nullptr, nullptr, kLightFill},
    {3, 1, "2 3 4 3 2 3 4 3 2 3 4 3 2 2 4 3", nullptr, "2 3 4 3 4 3", nullptr, nullptr, kLightFill},
    {3, 2, "5 36 4 36 5 36 4 36 5 36 4 36 5 5 4 36", nullptr, "5 36 4 36 4 36", nullptr, nullptr, kRockFill},
    // AOR: kick on 1 and 2-and; 1: flamenco palmas over the compas
    {5, 0, "5 1 4 5 1 1 4 1 5 1 4 5 1 5 4 15", nullptr, "5 1 4 5 4 1", nullptr, nullptr, kRockFill},
    {5, 1, "45 6 45 6 39 6 45 6 39 6 45 6 39 6 39 6", nullptr, "45 6 45 6 39 6 45 6 39 45 39 6", nullptr, nullptr, kNoFill},
    // pop ballad on the cross-stick, snare at the turn; 1: half-time film ballad
    {6, 0, "5 1 47 1 5 1 47 1 5 1 47 1 5 5 4 1", "5 1 1 47 1 1 5 1 1 47 1 1", "5 1 47 1 47 15", nullptr, nullptr, kLightFill},
    {6, 1, "5 1 1 1 4 1 1 1", "5 1 1 1 1 1 4 1 1 1 1 1", "5 1 1 1 4 1", nullptr, nullptr, kRockFill},
    // raga rock: low tom answers the backbeat; 1: countryside brushes with a wood block
    {7, 0, "5 1 4 9 1 5 4 9", "5 6 1 4 6 9 1 6 5 4 6 9", "5 1 4 9 4 9", nullptr, nullptr, kLightFill},
    {7, 1, "5 1 3 1 5 5 3 1 5 1 3 1 5 1 3 20", nullptr, "5 1 3 1 3 1", nullptr, nullptr, kLightFill},
    // western gallop with tambourine and the whip of a vibraslap
    {8, 0, "37 10 37 37 38 10 37 37 37 10 37 37 38 10 31 6", nullptr, "37 10 38 10 38 10", nullptr, nullptr, kLightFill},
    // american rock, the snare pickup closing the phrase
    {9, 0, "5 1 4 1 5 5 4 1 5 1 4 1 5 5 4 1 5 1 4 1 5 5 4 1 5 1 4 1 5 5 4 4", "5 1 1 4 1 1 5 5 1 4 1 1", "5 1 4 1 4 4", nullptr, nullptr, kRockFill},
    // big rock on the ride; 1: heroic march, snare eighths with floor-tom pickups
    {10, 0, "32 21 34 21 32 32 34 21", nullptr, "32 21 34 21 34 32", nullptr, nullptr, kRockFill},
    {10, 1, "5 3 3 3 29 3 3 3 5 3 3 3 29 3 27 27", nullptr, "5 3 3 3 27 27", nullptr, nullptr, kRockFill},
    // jazz ride (the straight grid is drawn); swing: ride on the beats with the
    // skip notes, the hi-hat foot on 2 and 4, feathered kick, snare comping
    {11, 0, nullptr, "22 6 6 43 6 21 22 6 6 43 6 21 22 6 6 43 6 21 22 6 23 43 6 21", nullptr, nullptr, nullptr, kNoFill},
    {11, 1, nullptr, "22 6 6 43 6 23 22 6 6 43 6 21 22 6 6 43 6 21 22 6 6 43 23 21", nullptr, nullptr, nullptr, kNoFill},
    {11, 2, nullptr, "22 6 6 43 6 6 22 6 6 43 6 21 22 6 6 43 6 21 22 6 6 43 6 6", nullptr, nullptr, nullptr, kNoFill},
    {11, 3, nullptr, "22 6 6 43 6 21 23 6 6 43 6 21 22 6 6 43 6 21 22 6 21 43 23 21", nullptr, nullptr, nullptr, kNoFill},
    {11, 4, nullptr, "32 6 21 34 6 21 32 6 21 34 6 21", nullptr, nullptr, nullptr, kNoFill},
    {11, 5, nullptr, "21 6 6 43 6 21 21 6 6 43 6 21 22 6 6 43 6 21 21 6 21 43 6 21", nullptr, nullptr, nullptr, kNoFill},
    // rockabilly shuffle, slap-back snare pickup; 1: a toy groove of wood block and triangle
    {12, 0, "5 1 4 1 5 1 4 4", "5 6 1 4 6 1 5 6 1 4 6 4", nullptr, nullptr, nullptr, kLightFill},
    {12, 1, "5 20 4 20 5 20 4 41", nullptr, "5 20 4 20 4 41", nullptr, nullptr, kLightFill},
    // doo-wop twelve-eight
    {13, 0, "5 1 4 1 5 5 4 1", "5 1 1 4 1 1 5 1 5 4 1 1", nullptr, "5 1 1 4 1 1 4 1 5", nullptr, kLightFill},
    // boom-bap
    {14, 0, "5 1 4 1 1 5 4 1 5 1 4 5 1 5 4 15", nullptr, "5 1 4 1 5 4", nullptr, "5 1 4 1 5 4 1", kRockFill},
    // hard rock: open hi-hat on 1 and 3, snare with open hi-hat at the turn
    {15, 0, "30 1 4 1 30 5 4 1 30 1 4 1 30 5 4 28", nullptr, "30 1 4 1 4 1", nullptr, nullptr, kRockFill},
    // programmed pop, claps on the backbeat; 1: battle drive with a snare run
    {16, 0, "5 1 45 1 1 5 45 1 5 1 45 1 5 5 45 15", nullptr, "5 1 45 1 45 1", nullptr, nullptr, kRockFill},
    {16, 1, "5 1 4 5 5 1 4 5 5 1 4 5 5 4 4 4", nullptr, "5 1 4 5 4 5", nullptr, nullptr, kRockFill},
    // no snare (hi-hats and kick); 1: soft rock; 2: J-pop eight-beat; 3: folk rock
    // with tambourine; 4: morning lilt, tambourine for the backbeat
    {17, 0, "5 1 1 15 5 1 1 5 5 1 1 1 5 1 1 15", "5 1 1 47 1 1 5 1 1 47 1 15", nullptr, nullptr, nullptr, kNoFill},
    {17, 1, "5 1 4 1 1 5 4 1 5 1 4 1 1 5 4 15", nullptr, "5 1 4 15 4 1", nullptr, nullptr, kLightFill},
    {17, 2, "5 1 4 1 1 1 4 5 5 1 4 1 1 5 4 15", nullptr, "5 1 1 1 4 5", nullptr, nullptr, kLightFill},
    {17, 3, "5 1 36 1 5 1 36 1", nullptr, "5 1 36 1 36 1", nullptr, nullptr, kLightFill},
    {17, 4, "5 1 10 1 1 5 10 1", nullptr, "5 1 10 1 10 1", nullptr, nullptr, kNoFill},
    // surf: floor tom on the off-beats, snare on 2 and 4
    {18, 0, "5 27 4 27 5 27 4 27 5 27 4 27 5 27 4 3", "5 1 1 4 1 1 5 1 1 4 1 5", "5 27 4 27 4 27", "5 1 1 4 1 1 4 1 1", nullptr, kRockFill},
    // march; 1: bossa nova (kick 1, 2-and, 3, 4-and; rim click on the clave, shaker eighths);
    // 2: hawaiian, side stick on 2 and 4
    {19, 0, "29 3 4 3 5 3 4 3", nullptr, "29 3 4 3 4 3", nullptr, nullptr, kLightFill},
    {19, 1, "48 1 1 48 49 1 47 49 49 1 47 49 49 47 1 49", nullptr, "48 1 1 48 47 1", nullptr, nullptr, kNoFill},
    {19, 2, "5 1 24 1 5 1 24 1 5 1 24 1 5 5 24 1", nullptr, "5 1 24 1 24 1", nullptr, nullptr, kLightFill},
    // progressive; 1: island sea, floor-tom swell and open triangle
    {20, 0, "5 1 4 1 5 4 1 15", nullptr, "5 1 4 15 5 4", nullptr, "5 1 4 1 5 4 1", kRockFill},
    {20, 1, "27 6 41 6 27 6 41 10", nullptr, "27 6 41 6 41 10", nullptr, nullptr, kNoFill},
    // glam stomp, kick with claps; 1: trance, four on the floor, open hi-hat off-beats
    {21, 0, "5 1 39 1 5 1 39 1 5 1 39 1 5 5 39 4", nullptr, "5 1 39 1 39 1", nullptr, nullptr, kRockFill},
    {21, 1, "2 15 39 15 2 15 39 15", nullptr, "2 15 39 15 39 15", nullptr, nullptr, kNoFill},
    // hand drums (tabla-like bongo and conga); 1: caravan, bells and triangle over slow congas
    {22, 0, "13 16 11 16 13 13 12 16", nullptr, "13 16 11 16 12 16", nullptr, nullptr, kLatinFill},
    {22, 1, "13 6 18 6 12 6 41 6", nullptr, "13 6 18 6 12 41", nullptr, nullptr, kNoFill},
    // chime pop, a triangle on the last eighth, ringing open at the phrase end
    {23, 0, "5 1 4 25 5 1 4 25 5 1 4 25 5 5 4 41", nullptr, "5 1 4 25 4 41", nullptr, nullptr, kLightFill},
    // clap sticks; 1: city pop, tambourine on the backbeat; 2: techno rock, kick on every beat
    {24, 0, "19 6 19 6 19 6 19 19 19 6 19 6 19 6 19 6", nullptr, "19 6 19 6 19 6", nullptr, nullptr, kNoFill},
    {24, 1, "5 1 38 5 1 5 38 15 5 1 38 5 1 5 38 1", nullptr, "5 1 38 5 38 15", nullptr, nullptr, kLightFill},
    {24, 2, "5 1 29 1 5 1 29 1 5 1 29 1 5 5 29 15", nullptr, "5 1 29 1 29 1", nullptr, nullptr, kRockFill},
    // agogo and claves over congas; 1: andean huayno, bombo long-short-short with shaker
    {25, 0, "44 11 17 12 13 17 12 18", nullptr, "44 11 17 12 13 18", nullptr, nullptr, kLatinFill},
    {25, 1, "5 1 5 5 5 1 5 5", nullptr, "5 1 5 5 5 1", nullptr, nullptr, kNoFill},
    // island pop, soft kick with shaker, cross-stick; 1: west african congas and shaker
    {26, 0, "49 1 47 1 1 49 47 10", "49 1 1 47 1 1 1 1 49 47 1 10", "49 1 47 1 47 1", nullptr, nullptr, kNoFill},
    {26, 1, "13 1 11 12 1 13 12 1 13 1 11 12 13 1 12 12", nullptr, "13 1 11 12 1 12", nullptr, nullptr, kLatinFill},
    // 70s kayo pop, tambourine on the snare; 1: bon odori taiko, wood block "ka"
    {27, 0, "5 1 38 1 5 5 38 15", nullptr, "5 1 38 1 38 15", nullptr, nullptr, kRockFill},
    {27, 1, "27 6 9 27 20 27 20 6 27 6 9 27 20 6 27 27", nullptr, "27 6 9 27 20 6", nullptr, nullptr, kNoFill},
    // fusion syncopation
    {29, 0, "5 1 4 1 1 5 4 5 1 5 4 1 5 1 28 1", "5 1 1 4 1 5 1 1 5 4 1 1", "5 1 4 1 1 5", nullptr, nullptr, kRockFill},
    // slow blues on the ride; 1: chinatown, wood block and a chinese cymbal
    {30, 0, "32 21 34 21 32 21 34 21", "32 21 21 34 21 21 32 21 21 34 21 28", nullptr, nullptr, nullptr, kRockFill},
    {30, 1, "5 20 4 20 5 20 4 14", nullptr, "5 20 4 20 4 14", nullptr, nullptr, kLatinFill},
    // parade march with the snare rolling; 1: polka oom-pah; 2: brushed shuffle
    {31, 0, "5 3 4 3 5 3 4 3 5 3 4 3 5 3 3 3 5 3 4 3 5 3 4 3 29 3 29 3 46 6 46 6", nullptr, "5 3 4 3 4 3", nullptr, nullptr, kNoFill},
    {31, 1, "2 4 2 4 2 4 2 4 2 4 2 4 2 4 29 4", nullptr, "2 6 4 6 4 6", nullptr, nullptr, kLightFill},
    {31, 2, "5 1 4 1", "5 6 1 4 6 1 5 6 5 4 6 1", nullptr, nullptr, nullptr, kLightFill},
    // smooth fusion on the ride
    {32, 0, "32 21 4 21 21 32 4 21", nullptr, "32 21 4 21 4 21", nullptr, nullptr, kRockFill},
    // maqsum: dum on the low conga, tek on the muted one, riq jingles; 1: lounge,
    // soft kick under the ride, side stick on 2 and 4
    {33, 0, "13 11 6 11 13 6 11 10 13 11 6 11 13 11 11 10", nullptr, "13 11 6 11 11 10", nullptr, nullptr, kLatinFill},
    {33, 1, "22 21 24 21 22 21 24 21", "22 6 21 24 6 21 22 6 21 24 6 21", "22 21 24 21 24 21", nullptr, nullptr, kNoFill},
    // slow blues on brushes; 1: gamelan kendang, a gong-like cymbal closing
    {34, 0, "22 21 34 21 22 21 34 21", "22 21 21 34 21 21 22 21 21 34 21 21", nullptr, nullptr, nullptr, kNoFill},
    {34, 1, "13 11 6 12 13 11 12 14", nullptr, "13 11 6 12 12 14", nullptr, nullptr, kLatinFill},
    // brushes (kick with ride, snare with ride); 1: festival taiko with kane;
    // 2: okinawan, taiko under sanba clicks; 3: pipe band, snare eighths over the bass drum
    {35, 0, "32 21 34 21 32 21 34 21", "32 6 21 34 6 21", "32 21 34 21 34 21", "32 6 21 34 6 21 34 6 21", nullptr, kNoFill},
    {35, 1, "9 27 3 27 9 3 27 17 9 27 3 27 9 9 3 3", nullptr, "9 27 3 27 3 17", nullptr, nullptr, kNoFill},
    {35, 2, "27 20 6 20 27 20 27 20", nullptr, "27 20 6 20 27 20", nullptr, nullptr, kNoFill},
    {35, 3, "29 3 3 3 29 3 3 3 29 3 3 3 29 3 3 29", nullptr, "29 3 3 3 3 3", nullptr, nullptr, kNoFill},
    // bolero: the snare's ostinato over the bass drum on 1; 1: bossa nova, clave
    // answered from its second bar
    {36, 0, "29 3 3 3 29 3 3 3", nullptr, "29 3 3 3 3 3 29 3 3 3 3 4", nullptr, nullptr, kNoFill},
    {36, 1, "49 1 47 49 49 47 1 49 48 1 1 48 49 1 47 49", nullptr, "49 1 47 49 49 47", nullptr, nullptr, kNoFill},
    // side stick
    {37, 0, "24 1 24 1 2 1 24 15", nullptr, nullptr, nullptr, nullptr, kLightFill},
    // bolero accents
    {38, 0, "29 3 3 4 3 3 4 3", "29 3 3 4 3 3 4 3 3 4 3 3", "29 3 3 4 3 3", nullptr, nullptr, kNoFill},
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
    // The hits of every column, read from the grid once: rows top down.
    std::array<std::array<DrumHit, arrange::kGridRows>, arrange::kGridSteps> hits{};
    std::array<std::size_t, arrange::kGridSteps> hitCount{};
    for (std::size_t column = 0; column < static_cast<std::size_t>(columns); ++column) {
        for (std::size_t row = 0; row < static_cast<std::size_t>(arrange::kGridRows); ++row) {
            if (grid.cells[row][column] != 1) continue;
            const int note = grid.rowLabels[row] + 35;
            hits[column][hitCount[column]++] = {note, note == kClosedHat || note == kOpenHat ? 49 : 64};
        }
    }
    Tick t = start;
    for (const DrumRecord& record : drums) {
        const int steps = record.length / step;
        for (int k = 0; k < steps; ++k) {
            const std::size_t column = static_cast<std::size_t>(k % columns);
            for (std::size_t h = 0; h < hitCount[column]; ++h) {
                out.Note(t + k * step, hits[column][h].note, hits[column][h].velocity, sound);
            }
            if (hitCount[column] == 0) out.Rest(t + k * step, step);
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
    std::vector<int> recordGrid;
    for (const DrumRecord& record : drums) {
        recordGrid.assign(grid.begin(), grid.end());
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
    case 39: bass(); add(kHandClap, 80); break;                      // bass drum and hand clap
    case 40: add(kBellTree, 90); break;
    case 41: add(kOpenTriangle, 60 + offset); break;
    case 42: add(kJingleBell, 60 + offset); break;
    case 43: add(ride(), 64 + offset); add(kPedalHat, 50); break;    // ride with the hi-hat foot
    case 44: add(kHighAgogo, 60); add(kClaves, 70); break;           // agogo and claves
    case 45: add(kHandClap, 80); hat(); break;                       // hand clap with hi-hat
    case 46: bass(); snare(); add(kCrash, 100); break;               // full accent with crash
    case 47: add(kSideStick, 90); hat(); break;                      // side stick with hi-hat
    case 48: add(kAcousticBass, 70); add(kSideStick, 80); add(kCabasa, 45); break;  // bossa: kick, rim, shaker
    case 49: add(kAcousticBass, 70); add(kCabasa, 45); break;        // soft kick with shaker
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

namespace {

// WriteDrumSound with the buffer for the step's hits kept by the caller from
// step to step.
Tick WriteDrumStep(PatternContext& context, NoteBuffer& out, Tick time, Tick duration, Tick gap, int code, int offset,
                   std::vector<DrumHit>& hits)
{
    hits.clear();
    if (!DrumSoundHits(context, code, offset, hits)) {
        context.Error(arrange::kDrumSoundError);
        return time;
    }
    if (hits.empty()) out.Rest(time, duration);
    for (const DrumHit& hit : hits) out.Note(time, hit.note, hit.velocity, duration);
    return time + duration + gap;
}

}  // namespace

Tick WriteDrumSound(PatternContext& context, NoteBuffer& out, Tick time, Tick duration, Tick gap, int code, int offset)
{
    std::vector<DrumHit> hits;
    return WriteDrumStep(context, out, time, duration, gap, code, offset, hits);
}

Tick PlayDrumGrid(PatternContext& context, NoteBuffer& out, Tick time, Tick duration, std::span<const int> grid,
                  Tick step)
{
    if (grid.empty() || step <= 0) return time;
    const int steps = duration / step;
    const std::size_t size = context.Triplet() ? kTripletGridSteps : kStraightGridSteps;
    std::vector<DrumHit> hits;
    for (int k = 0; k < steps; ++k) {
        int offset = 0;
        if (context.Triplet()) offset = -context.RB(1, 10);
        else if (k % 2 == 0) offset = 10 - context.RB(1, 20);
        else offset = -context.RB(10, 25);
        const int code = grid[static_cast<std::size_t>(k) % std::min(size, grid.size())];
        time = WriteDrumStep(context, out, time, step - 1, 1, code, offset, hits);
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
