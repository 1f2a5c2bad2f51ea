#include <gtest/gtest.h>

#include "harmony/chord_analysis.h"

namespace songloom::harmony {
namespace {

constexpr int kTpq = 96;
constexpr Tick kSegment = 2 * kTpq;

std::array<int, 16> Roles()
{
    std::array<int, 16> roles{};
    roles[0] = kAnalysisMelody;
    roles[1] = kAnalysisHarmony;
    roles[2] = kAnalysisBass;
    roles[3] = kAnalysisHarmony;
    return roles;
}

// A block chord on the harmony channel over one segment starting at time.
void Block(std::vector<AnalysisNote>& notes, Tick time, std::initializer_list<int> pitches,
           Tick length = kSegment, int channel = 1)
{
    for (int p : pitches) notes.push_back({time, length, channel, p, 90});
}

std::vector<std::string> Names(const std::vector<AnalysisNote>& notes)
{
    CapturingReporter r;
    auto result = AnalyzeChords(r, notes, kTpq, Roles());
    EXPECT_TRUE(r.reports().empty()) << r.lines()[0];
    return result.names;
}

TEST(ChordNaming, TriadsSixthsAndSevenths)
{
    std::vector<AnalysisNote> notes;
    Block(notes, 0, {60, 64, 67});                    // C
    Block(notes, kSegment, {57, 60, 64, 67});         // + bass A below
    notes.push_back({kSegment, kSegment, 2, 45, 90});
    Block(notes, 2 * kSegment, {60, 64, 67, 69});     // bass C: C6
    notes.push_back({2 * kSegment, kSegment, 2, 48, 90});
    EXPECT_EQ(Names(notes), (std::vector<std::string>{"C", "Am7", "C6"}));
}

TEST(ChordNaming, WithoutBassTheStrongestHarmonyToneIsTheRoot)
{
    std::vector<AnalysisNote> notes;
    notes.push_back({0, 60, 1, 60, 90});
    notes.push_back({0, kSegment, 1, 64, 90});
    notes.push_back({0, 90, 1, 67, 90});
    EXPECT_EQ(Names(notes), (std::vector<std::string>{"Em"}));
}

TEST(ChordNaming, EmptySegmentsAreUnknownAndTheMelodyRuleFillsHarmonylessOnes)
{
    std::vector<AnalysisNote> notes;
    Block(notes, 0, {60, 64, 67});
    // Segment 1 is silent; segment 2 has only melody notes D, F#, A.
    notes.push_back({2 * kSegment, 48, 0, 74, 90});
    notes.push_back({2 * kSegment + 48, 48, 0, 78, 90});
    notes.push_back({2 * kSegment + 96, 48, 0, 81, 90});
    EXPECT_EQ(Names(notes), (std::vector<std::string>{"C", "UnKnown", "D"}));
}

TEST(ChordNaming, TensionsNeedTheTableAndTheThreshold)
{
    std::vector<AnalysisNote> notes;
    // G7 with a strong A (the ninth, allowed over G).
    notes.push_back({0, kSegment, 2, 43, 90});
    Block(notes, 0, {59, 62, 65, 69});
    // F# with G# over it: black-key roots take no tension.
    notes.push_back({kSegment, kSegment, 2, 42, 90});
    Block(notes, kSegment, {66, 70, 73, 68});
    EXPECT_EQ(Names(notes), (std::vector<std::string>{"G7(9)", "F#"}));
    EXPECT_TRUE(TensionAllowed(7, 8));   // b9 over G
    EXPECT_FALSE(TensionAllowed(0, 1));  // b9 over C
    EXPECT_FALSE(TensionAllowed(1, 3));
}

TEST(ChordNaming, NameChordSpellings)
{
    EXPECT_EQ(NameChord(-1, 4, 7, -1, -1, -1, -1), "UnKnown");
    EXPECT_EQ(NameChord(2, 3, 7, 10, 2, 5, -1), "Dm7(9,11)");
    EXPECT_EQ(NameChord(11, 3, 6, 10, -1, -1, -1), "Bdim7");
    EXPECT_EQ(NameChord(0, 5, 7, 10, -1, -1, -1), "Csus47");
    EXPECT_EQ(NameChord(7, 4, 7, 10, 1, 6, 8), "G7(b9,#11,b13)");
}

TEST(ChordNaming, HeldChordsNameEverySegmentTheyReach)
{
    std::vector<AnalysisNote> notes;
    // A C major chord with its bass held for four segments under a melody
    // that walks through other chord shapes: every segment stays C.
    Block(notes, 0, {60, 64, 67}, 4 * kSegment);
    notes.push_back({0, 4 * kSegment, 2, 48, 90});
    for (int i = 0; i < 16; ++i) notes.push_back({i * 48, 48, 0, 67 + (i % 4) * 2, 90});
    // Then Dm for half a segment more than one.
    Block(notes, 4 * kSegment, {62, 65, 69}, kSegment + kSegment / 2);
    EXPECT_EQ(Names(notes), (std::vector<std::string>{"C", "C", "C", "C", "Dm", "Dm"}));
}

TEST(KeyEstimate, RanksOnsetsAndBreaksTiesByRank)
{
    std::vector<AnalysisNote> notes;
    for (int pc = 0; pc < 12; ++pc) notes.push_back({pc * 10, 10, 0, 60 + pc, 90});
    KeyEstimate key = EstimateKey(notes, kTpq);
    EXPECT_EQ(key.keyTemplate, "xxxx999999900000");
    EXPECT_EQ(key.tonic, 0);
    // Drums and silent notes do not count; G is the most frequent onset.
    notes.push_back({0, 10, 9, 55, 90});
    notes.push_back({0, 10, 9, 55, 90});
    notes.push_back({0, 10, 0, 55, 0});
    notes.push_back({0, 10, 0, 67, 90});
    notes.push_back({0, 10, 0, 71, 90});
    key = EstimateKey(notes, kTpq);
    EXPECT_EQ(key.tonic, 7);
    EXPECT_EQ(KeyName(7, 0), "G");
    EXPECT_EQ(KeyName(9, 1), "C");  // the first A row is major
    EXPECT_EQ(KeyName(1, 0), "C#");
}

TEST(KeyEstimate, LongPiecesStopAtTheHistogramLimit)
{
    std::vector<AnalysisNote> notes;
    for (int s = 0; s < kMaxKeySegments + 50; ++s) Block(notes, s * kSegment, {60, 64, 67});
    CapturingReporter r;
    auto result = AnalyzeChords(r, notes, kTpq, Roles());
    EXPECT_TRUE(result.truncated);
    EXPECT_EQ(result.names.size(), static_cast<std::size_t>(kMaxKeySegments));
    EXPECT_TRUE(r.Has("GENE", 0x0100000A));
}

}  // namespace
}  // namespace songloom::harmony
