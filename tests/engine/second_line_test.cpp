#include <gtest/gtest.h>

#include "arrange/second_line.h"
#include "common/reporter.h"

namespace songloom::arrange {
namespace {

NoteList Tune(std::initializer_list<std::pair<Tick, int>> notes)
{
    CapturingReporter reporter;
    NoteList list;
    for (const auto& [length, pitch] : notes) list.Append(reporter, EngineNote::Note(length, pitch));
    list.Append(reporter, EngineNote::Chord(768, "CMPo"));
    return list;
}

std::vector<LineChord> Chords(std::initializer_list<std::pair<Tick, const char*>> chords)
{
    std::vector<LineChord> line;
    for (const auto& [length, code] : chords) line.push_back({length, ChordTonesOf(harmony::ChordCode::FromBytes(code))});
    return line;
}

std::vector<std::pair<Tick, int>> Notes(const NoteList& list)
{
    std::vector<std::pair<Tick, int>> notes;
    for (const EngineNote& e : list) {
        if (!e.IsChord()) notes.emplace_back(e.length, e.pitch);
    }
    return notes;
}

TEST(SecondLine, KeyFromTheTune)
{
    // F major (B flat, no B natural), ending on F.
    EXPECT_EQ(EstimateKeyTonic(Tune({{96, 65}, {96, 67}, {96, 69}, {96, 70}, {192, 72}, {192, 65}})), 5);
    // A minor shares C major's notes; the final A does not make it "A major".
    EXPECT_EQ(EstimateKeyTonic(Tune({{96, 69}, {96, 71}, {96, 72}, {96, 64}, {192, 69}})) % 12, 0);
}

TEST(SecondLine, ThirdsBelowOrSixthsWhereTheChordAsks)
{
    const auto c = ChordTonesOf(harmony::ChordCode::FromBytes("CMPo"));
    const auto f = ChordTonesOf(harmony::ChordCode::FromBytes("FMPo"));
    const auto g7 = ChordTonesOf(harmony::ChordCode::FromBytes("GMPs"));
    EXPECT_EQ(HarmonyBelow(64, 0, c), 60);  // E over C: C, a major third below
    EXPECT_EQ(HarmonyBelow(67, 0, c), 64);  // G: E
    EXPECT_EQ(HarmonyBelow(72, 0, f), 69);  // C over F: A
    EXPECT_EQ(HarmonyBelow(65, 5, f), 57);  // F over F in F major: the third D is no chord tone, the sixth A is
    EXPECT_EQ(HarmonyBelow(71, 0, g7), 67);  // B over G7: G
    // A note outside the key takes a chord tone at least a minor third under it.
    EXPECT_EQ(HarmonyBelow(68, 0, ChordTonesOf(harmony::ChordCode::FromBytes("EMPo"))), 64);
}

TEST(SecondLine, ModesOverATune)
{
    CapturingReporter reporter;
    const NoteList tune = Tune({{96, 64}, {96, 0}, {192, 67}, {384, 65}, {384, 64}});
    const auto chords = Chords({{384, "CMPo"}, {384, "FMPo"}, {384, "CMPo"}});

    // Doubling keeps the melody as it is.
    EXPECT_EQ(MakeSecondLine(reporter, tune, chords, SecondLineMode::kUnison, 55, 76), tune);

    const auto harmony = Notes(MakeSecondLine(reporter, tune, chords, SecondLineMode::kHarmony, 55, 76));
    EXPECT_EQ(harmony, (std::vector<std::pair<Tick, int>>{{96, 60}, {96, 0}, {192, 64}, {384, 57}, {384, 60}}));

    const auto below = Notes(MakeSecondLine(reporter, tune, chords, SecondLineMode::kOctaveBelow, 55, 76));
    EXPECT_EQ(below.front().second, 52);
    EXPECT_EQ(below[1].second, 0);  // rests stay rests
    EXPECT_EQ(Notes(MakeSecondLine(reporter, tune, chords, SecondLineMode::kOctaveAbove, 55, 76)).back().second, 76);

    // The counter-line: one held chord tone per chord, under the tune, through
    // its rest; the lengths still add up to the tune's.
    const auto counter = Notes(MakeSecondLine(reporter, tune, chords, SecondLineMode::kCounterLine, 55, 76));
    Tick total = 0;
    for (const auto& [length, pitch] : counter) {
        total += length;
        EXPECT_GT(pitch, 0);
    }
    EXPECT_EQ(total, 96 + 96 + 192 + 384 + 384);
    ASSERT_EQ(counter.size(), 3u);
    EXPECT_EQ(counter[0].first, 384);
    EXPECT_LE(counter[0].second, 64 - 3);
    EXPECT_TRUE(ChordTonesOf(harmony::ChordCode::FromBytes("FMPo"))[static_cast<std::size_t>(counter[1].second % 12)]);
    EXPECT_LE(counter[1].second, 65 - 3);

    // The drone holds the key note under the whole tune.
    const auto drone = Notes(MakeSecondLine(reporter, tune, chords, SecondLineMode::kDrone, 55, 76));
    for (const auto& [length, pitch] : drone) EXPECT_EQ(pitch, 60);
    EXPECT_EQ(drone.size(), 3u);  // struck again with every chord
    EXPECT_TRUE(reporter.reports().empty());
}

}  // namespace
}  // namespace songloom::arrange
