#include <gtest/gtest.h>

#include <map>
#include <set>

#include "arrange/drum_part.h"
#include "pattern_test_song.h"

namespace songloom::arrange {
namespace {

using test::TestContext;

DrumList Records(std::initializer_list<Tick> lengths)
{
    DrumList list;
    for (Tick length : lengths) list.push_back({length, {'A', 'X', 'X', 'X'}});
    return list;
}

std::map<Tick, std::vector<int>> NotesByStep(const NoteBuffer& out)
{
    std::map<Tick, std::vector<int>> steps;
    for (const PlacedNote& n : out.Sounding()) steps[n.at].push_back(n.note);
    return steps;
}

TEST(DrumPattern1, OneBarOfStraightEighths)
{
    TestContext t;
    t.context.drumPattern = 1;
    t.context.drumKit = 2;  // the standard sounds
    NoteBuffer out;
    DrumPattern(t.context, Records({384}), out);
    const auto steps = NotesByStep(out);
    ASSERT_EQ(steps.size(), 8u);
    // 5, 1, 4, 1: bass drum with hi-hat, hi-hat, snare with hi-hat, hi-hat.
    const std::vector<std::vector<int>> expected{{36, 42}, {42}, {40, 42}, {42}};
    Tick at = 0;
    for (const auto& [time, notes] : steps) {
        EXPECT_EQ(time, at);
        EXPECT_EQ(notes, expected[static_cast<std::size_t>(at / 48 % 4)]);
        at += 48;
    }
    for (const PlacedNote& n : out.Sounding()) EXPECT_EQ(n.duration, 47);
    EXPECT_EQ(DrumPatternGrid(t.context, 1).size(), 32u);
}

TEST(DrumPattern1, TripletAndWaltzGrids)
{
    TestContext t;
    t.context.rhythmFeel = 3;
    const auto triplet = DrumPatternGrid(t.context, 1);
    ASSERT_EQ(triplet.size(), 24u);
    EXPECT_EQ(std::vector<int>(triplet.begin(), triplet.begin() + 6), (std::vector<int>{5, 1, 1, 4, 1, 1}));
    t.context.meter = 1;
    const auto waltzTriplet = DrumPatternGrid(t.context, 1);
    EXPECT_EQ(std::vector<int>(waltzTriplet.begin() + 9, waltzTriplet.begin() + 12), (std::vector<int>{5, 1, 1}));
    t.context.rhythmFeel = 0;
    const auto waltz = DrumPatternGrid(t.context, 1);
    EXPECT_EQ(std::vector<int>(waltz.begin(), waltz.begin() + 7), (std::vector<int>{5, 1, 4, 1, 4, 1, 5}));
}

TEST(DrumGrid, VelocityOffsetsAndShortRecords)
{
    TestContext t;
    NoteBuffer out;
    const std::vector<int> hats(32, 1);
    EXPECT_EQ(PlayDrumGrid(t.context, out, 0, 40, hats, 48), 0);  // shorter than a step
    EXPECT_TRUE(out.notes().empty());
    EXPECT_EQ(PlayDrumGrid(t.context, out, 0, 768, hats, 48), 768);
    const auto notes = out.Sounding();
    ASSERT_EQ(notes.size(), 16u);
    for (std::size_t i = 0; i < notes.size(); ++i) {
        // Even steps 40 + (10 - 1..20), odd steps 40 - 10..25.
        if (i % 2 == 0) {
            EXPECT_GE(notes[i].velocity, 30);
            EXPECT_LE(notes[i].velocity, 49);
        } else {
            EXPECT_GE(notes[i].velocity, 15);
            EXPECT_LE(notes[i].velocity, 30);
        }
    }
}

TEST(DrumSounds, KitsAndTheCombinedCodes)
{
    TestContext t;
    auto notes = [&](int kit, int code) {
        t.context.drumKit = kit;
        std::vector<DrumHit> hits;
        EXPECT_TRUE(DrumSoundHits(t.context, code, 0, hits)) << code;
        std::vector<int> n;
        for (const DrumHit& h : hits) n.push_back(h.note);
        return n;
    };
    EXPECT_EQ(notes(2, 4), (std::vector<int>{40, 42}));
    EXPECT_EQ(notes(1, 4), (std::vector<int>{38, 42}));
    EXPECT_EQ(notes(3, 5), (std::vector<int>{66, 69}));
    EXPECT_EQ(notes(1, 3), (std::vector<int>{40}));  // the plain snare has no kit 1 form
    EXPECT_EQ(notes(3, 15), (std::vector<int>{70}));
    EXPECT_TRUE(notes(2, 6).empty());
    EXPECT_EQ(notes(3, 22).back(), 79);
    EXPECT_EQ(notes(3, 23).back(), 78);
    t.context.drumKit = 4;
    std::vector<DrumHit> hits;
    DrumSoundHits(t.context, 2, 0, hits);
    EXPECT_EQ(hits[0].velocity, 127);
    // Every code 1-51 exists; the combined ones strike two to four sounds.
    for (int code = 1; code <= kDrumSoundCount; ++code) {
        const auto n = notes(2, code);
        if (code == 6) continue;
        EXPECT_FALSE(n.empty()) << code;
        const bool combined = code == 22 || code == 23 || code == 26 || (code >= 28 && code <= 30) ||
                              (code >= 32 && code <= 39) || (code >= 43 && code <= 50);
        if (combined) {
            EXPECT_GE(n.size(), 2u) << code;
            EXPECT_LE(n.size(), 4u) << code;
        }
    }
    // Code 33: cowbell at 85-105 with the kit's bass drum and hi-hat.
    for (int i = 0; i < 20; ++i) {
        hits.clear();
        t.context.drumKit = 2;
        DrumSoundHits(t.context, 33, 0, hits);
        ASSERT_EQ(hits.size(), 3u);
        EXPECT_EQ(hits[2].note, 56);
        EXPECT_GE(hits[2].velocity, 85);
        EXPECT_LE(hits[2].velocity, 105);
    }
}

TEST(DrumSounds, UnknownCodeReportsAndKeepsTheTime)
{
    TestContext t;
    NoteBuffer out;
    EXPECT_EQ(WriteDrumSound(t.context, out, 100, 47, 1, 52, 0), 100);
    EXPECT_EQ(WriteDrumSound(t.context, out, 100, 47, 1, 0, 0), 100);
    EXPECT_EQ(WriteDrumSound(t.context, out, 100, 47, 1, 6, 0), 148);
    EXPECT_EQ(t.reporter.Count("YRAC", arrange::kDrumSoundError), 2u);
    EXPECT_TRUE(out.Sounding().empty());
}

TEST(DrumPatterns, UnknownPatternAndKitProgram)
{
    TestContext t;
    t.context.drumPattern = 39;
    NoteBuffer out;
    DrumPattern(t.context, Records({384}), out);
    EXPECT_TRUE(out.notes().empty());
    EXPECT_TRUE(t.reporter.Has("YRAC", arrange::kDrumPatternError));

    EXPECT_EQ(DrumKitProgram(kKitByPattern, 1, 3, 0, 1, 0), 40);
    EXPECT_EQ(DrumKitProgram(kKitByPattern, 1, 3, 0, 2, 1), 0);   // kit 2 outside 3/4
    EXPECT_EQ(DrumKitProgram(kKitByPattern, 1, 3, 1, 2, 1), 40);  // kit 2 in 3/4
    EXPECT_EQ(DrumKitProgram(kKitByPattern, 1, 0, 0, 1, 0), 0);
    EXPECT_EQ(DrumKitProgram(kKitByPattern, 1, 3, 0, 1, 2), 0);
    EXPECT_EQ(DrumKitProgram(kKitByPattern, 18, 0, 0, 1, 1), 49);
    EXPECT_EQ(DrumKitProgram(kKitByPattern, 18, 0, 0, 1, 0), 0);
    // A style's own kit wins over the rule, also the standard kit over brushes;
    // a sound module without kit programs gets the standard kit.
    EXPECT_EQ(DrumKitProgram(25, 2, 0, 0, 4, 0), 25);
    EXPECT_EQ(DrumKitProgram(0, 1, 3, 0, 1, 0), 0);
    EXPECT_EQ(DrumKitProgram(48, 18, 0, 0, 1, 1), 48);
    EXPECT_EQ(DrumKitProgram(40, 1, 0, 0, 1, 2), 0);
}

TEST(DrumPatterns, JazzRideOnSixteenthsAndStyleGrid)
{
    TestContext t;
    t.context.drumPattern = 11;
    NoteBuffer out;
    DrumPattern(t.context, Records({384}), out);
    for (const PlacedNote& n : out.notes()) EXPECT_EQ(n.at % 24, 0);
    EXPECT_EQ(NotesByStep(out).begin()->first, 0);  // step 0 is always struck (21 or 22)

    TestContext s;
    s.context.drumPattern = 28;
    auto& grid = s.context.grids.grids[arrange::kGridDrums];
    grid.cells[1][0] = 1;  // label 1: bass drum 36
    grid.cells[5][0] = 1;  // label 7: closed hi-hat 42
    grid.cells[5][2] = 1;
    NoteBuffer own;
    DrumPattern(s.context, Records({96, 96}), own);
    const auto notes = own.Sounding();
    ASSERT_EQ(notes.size(), 6u);  // the grid restarts at every record
    EXPECT_EQ(notes[0].note, 36);
    EXPECT_EQ(notes[0].velocity, 64);
    EXPECT_EQ(notes[1].note, 42);
    EXPECT_EQ(notes[1].velocity, 49);
    EXPECT_EQ(notes[2].at, 48);
    EXPECT_EQ(notes[3].at, 96);
    EXPECT_EQ(notes[0].duration, 23);
}

TEST(DrumPatterns, RandomGridIsDrawnOnceForThePart)
{
    TestContext t;
    t.context.drumPattern = 4;
    NoteBuffer out;
    DrumPattern(t.context, Records({384, 384}), out);
    std::map<Tick, std::set<int>> first, second;
    for (const PlacedNote& n : out.Sounding()) (n.at < 384 ? first[n.at] : second[n.at - 384]).insert(n.note);
    EXPECT_EQ(first, second);
}

TEST(DrumPatterns, SectionEndsDrawFillsAndACrashFollows)
{
    bool sawFill = false;
    for (std::uint32_t seed = 1; seed < 10 && !sawFill; ++seed) {
        TestContext t(seed);
        t.context.drumPattern = 2;
        t.context.drumKit = 2;
        DrumList list{{384, {'A', 'E', 'X', 'X'}}, {384, {'B', 'X', 'X', 'X'}}};
        NoteBuffer out;
        DrumPattern(t.context, list, out);
        const auto steps = NotesByStep(out);
        if (steps.at(336) == std::vector<int>{41}) {
            sawFill = true;
            EXPECT_EQ(steps.at(384), (std::vector<int>{36, 49}));
        }
    }
    EXPECT_TRUE(sawFill);
}

// Every pattern, straight, triplet and in 3/4, plays only General MIDI drum
// notes, stays inside the song, and no two patterns play the same part.
TEST(DrumPatterns, EveryPatternIsItsOwnAndOnTheDrumMap)
{
    DrumList list;
    for (const auto& c : test::TestSong()) list.push_back({c.length, {c.section, 'X', 'X', 'X'}});
    list[6].code[1] = 'E';
    list.back().code[1] = 'E';
    Tick total = 0;
    for (const auto& r : list) total += r.length;
    for (int meter : {0, 1}) {
        for (int feel : {0, 3}) {
            std::map<std::string, int> seen;
            for (int pattern = 1; pattern <= kDrumPatternCount; ++pattern) {
                TestContext t;
                t.context.meter = meter;
                t.context.rhythmFeel = feel;
                t.context.drumPattern = pattern;
                t.context.grids.grids[arrange::kGridDrums].cells[1][0] = 1;
                t.context.grids.grids[arrange::kGridDrums].cells[5][2] = 1;
                NoteBuffer out;
                DrumPattern(t.context, list, out);
                const auto notes = out.Sounding();
                ASSERT_FALSE(notes.empty()) << pattern;
                for (const PlacedNote& n : notes) {
                    EXPECT_GE(n.note, 35) << pattern;
                    EXPECT_LE(n.note, 81) << pattern;
                    EXPECT_LT(n.at, total) << pattern;
                }
                EXPECT_TRUE(t.reporter.reports().empty()) << pattern;
                const auto [it, fresh] = seen.emplace(test::Signature(out), pattern);
                EXPECT_TRUE(fresh) << pattern << " repeats " << it->second << " meter " << meter << " feel " << feel;
            }
        }
    }
}

}  // namespace
}  // namespace songloom::arrange
