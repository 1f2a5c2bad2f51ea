#include <gtest/gtest.h>

#include "harmony/beat_chords.h"

namespace songloom::harmony {
namespace {

constexpr int kQ = 96;

// Channel 0 melody, 1 bass, 2 harmony.
const std::array<int, 16> kRoles = {kAnalysisMelody, kAnalysisBass, kAnalysisHarmony};

std::vector<BeatChordReading> Read(const std::vector<AnalysisNote>& notes, int beats, int key = 0, int mode = 0,
                                   int beatsPerBar = 4)
{
    BeatChordOptions o;
    o.ticksPerQuarter = kQ;
    o.beatCount = beats;
    o.beatsPerBar = beatsPerBar;
    o.keyTonic = key;
    o.keyMode = mode;
    return ReadBeatChords(notes, kRoles, o);
}

// A chord on the harmony channel for one beat at beat b, with an optional bass.
void Chord(std::vector<AnalysisNote>& notes, int b, std::initializer_list<int> pitches, int bass = -1)
{
    for (int p : pitches) notes.push_back({b * kQ, kQ, 2, p, 90});
    if (bass >= 0) notes.push_back({b * kQ, kQ, 1, bass, 90});
}

std::string BestOf(const BeatChordReading& r) { return r.candidates.empty() ? "" : CandidateName(r.candidates.front()); }

std::vector<std::string> NamesOf(const BeatChordReading& r)
{
    std::vector<std::string> names;
    for (const auto& c : r.candidates) names.push_back(CandidateName(c));
    return names;
}

TEST(BeatChords, TriadsSeventhsAndTheBassDecidingInversions)
{
    std::vector<AnalysisNote> notes;
    Chord(notes, 0, {60, 64, 67}, 48);
    Chord(notes, 1, {57, 60, 64, 67}, 45);
    Chord(notes, 2, {60, 64, 67, 69}, 48);
    Chord(notes, 3, {62, 66, 69, 72}, 50);
    Chord(notes, 4, {59, 62, 65}, 47);
    const auto r = Read(notes, 5);
    EXPECT_EQ(BestOf(r[0]), "C");
    EXPECT_EQ(BestOf(r[1]), "Am7");
    EXPECT_EQ(BestOf(r[2]), "C6");
    EXPECT_EQ(BestOf(r[3]), "D7");
    EXPECT_EQ(BestOf(r[4]), "Bdim");
    // The same four tones read the other way are the runner-up.
    const auto alts = NamesOf(r[2]);
    EXPECT_NE(std::find(alts.begin(), alts.end(), "Am7"), alts.end());
    for (const auto& reading : r) {
        EXPECT_TRUE(reading.fromHarmony);
        EXPECT_EQ(reading.candidates.size(), kChordAlternatives);
    }
}

TEST(BeatChords, WithoutBassTheToneThatSoundsLongestDoesNotDecide)
{
    // Block chords without a bass: the tones are equally long, so the root is
    // the chord's, not the longest tone's.
    std::vector<AnalysisNote> notes;
    Chord(notes, 0, {64, 67, 72});  // C in first inversion
    notes.push_back({0, kQ, 2, 79, 90});  // G doubled above
    const auto r = Read(notes, 1);
    EXPECT_EQ(BestOf(r[0]), "C");
}

TEST(BeatChords, MelodyPassingToneDoesNotMakeASixth)
{
    std::vector<AnalysisNote> notes;
    Chord(notes, 0, {55, 59, 62}, 43);
    notes.push_back({0, kQ, 0, 76, 90});  // E over G
    const auto r = Read(notes, 1);
    EXPECT_EQ(BestOf(r[0]), "G");
}

TEST(BeatChords, HeldChordsReachEveryBeatAndChangesAreSeenOnTheBeat)
{
    std::vector<AnalysisNote> notes = {{0, 3 * kQ, 2, 55, 90}, {0, 3 * kQ, 2, 59, 90}, {0, 3 * kQ, 2, 62, 90},
                                       {0, 3 * kQ, 1, 43, 90}};
    Chord(notes, 3, {62, 66, 69}, 50);  // the change on beat 4
    const auto r = Read(notes, 5);
    EXPECT_EQ(BestOf(r[0]), "G");
    EXPECT_EQ(BestOf(r[1]), "G");
    EXPECT_EQ(BestOf(r[2]), "G");
    EXPECT_EQ(BestOf(r[3]), "D");
    // Nothing sounds in the last beat: no reading.
    EXPECT_TRUE(r[4].candidates.empty());
    EXPECT_FALSE(r[4].fromHarmony);
}

TEST(BeatChords, AMelodyAloneIsReadOverHalfABarWithTheKeysChords)
{
    // G major: G B D over the first half bar, C E over the second.
    std::vector<AnalysisNote> notes = {{0, kQ, 0, 67, 90},      {kQ, 48, 0, 71, 90},     {kQ + 48, 48, 0, 74, 90},
                                       {2 * kQ, kQ, 0, 72, 90}, {3 * kQ, kQ, 0, 76, 90}};
    const auto r = Read(notes, 4, 7, 0);
    EXPECT_EQ(BestOf(r[0]), "G");
    EXPECT_EQ(BestOf(r[1]), "G");
    EXPECT_EQ(BestOf(r[2]), "C");
    EXPECT_FALSE(r[0].fromHarmony);
    // In 3/4 the whole bar is read at once.
    const auto waltz = Read({{0, 2 * kQ, 0, 67, 90}, {2 * kQ, kQ, 0, 71, 90}}, 3, 7, 0, 3);
    EXPECT_EQ(BestOf(waltz[2]), "G");
}

TEST(BeatChords, OddInputNeitherCrashesNorReadsOutsideTheBeats)
{
    std::vector<AnalysisNote> notes = {{-5, 100, 2, 60, 90}, {0, 0, 2, 60, 90},   {0, kQ, 20, 60, 90},
                                       {0, kQ, 2, 60, 0},    {0, 0x7FFFFFFF, 2, 64, 90}};
    const auto r = Read(notes, 3);
    ASSERT_EQ(r.size(), 3u);
    EXPECT_TRUE(Read(notes, 0).empty());
    // Only the long E sounds, in every beat: each reading holds an E.
    for (const auto& reading : r) {
        ASSERT_FALSE(reading.candidates.empty());
        for (const auto& c : reading.candidates) {
            const int third = (4 - c.root + 12) % 12;
            EXPECT_TRUE(c.root == 4 || third == 4 || third == 3 || third == 9 || third == 8)
                << CandidateName(c) << " holds no E";
        }
    }
}

}  // namespace
}  // namespace songloom::harmony
