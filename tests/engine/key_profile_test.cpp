#include <gtest/gtest.h>

#include "harmony/key_profile.h"

namespace songloom::harmony {
namespace {

constexpr int kBar = 4 * 96;

// One note a quarter long per pitch, from tick 0 on, on channel 0.
std::vector<AnalysisNote> Line(std::initializer_list<int> pitches, int channel = 0)
{
    std::vector<AnalysisNote> notes;
    Tick t = 0;
    for (int p : pitches) {
        notes.push_back({t, 96, channel, p, 90});
        t += 96;
    }
    return notes;
}

KeyCandidate Best(const std::vector<AnalysisNote>& notes) { return RankKeys(KeyHistogram(notes, kBar)).front(); }

TEST(KeyProfile, NamesMajorAndMinorKeys)
{
    // A major tune that dwells on its fifth still has its tonic.
    const auto g = Best(Line({62, 67, 71, 74, 74, 72, 71, 69, 74, 74, 66, 69, 74, 72, 71, 67}));
    EXPECT_EQ(g.tonic, 7);
    EXPECT_EQ(g.mode, 0);
    // A harmonic-minor line ending on its tonic.
    const auto a = Best(Line({69, 72, 76, 74, 72, 71, 68, 69, 64, 68, 71, 76, 74, 71, 68, 69}));
    EXPECT_EQ(a.tonic, 9);
    EXPECT_EQ(a.mode, 1);
}

TEST(KeyProfile, RanksAllKeysAndLeavesDrumsAndSilenceOut)
{
    auto notes = Line({60, 62, 64, 65, 67, 69, 71, 72, 67, 64, 62, 60});
    const auto ranked = RankKeys(KeyHistogram(notes, kBar));
    ASSERT_EQ(ranked.size(), 24u);
    for (std::size_t i = 1; i < ranked.size(); ++i) EXPECT_GE(ranked[i - 1].score, ranked[i].score);
    EXPECT_EQ(ranked.front(), (KeyCandidate{0, 0, ranked.front().score}));
    // Drum notes and notes of velocity 0 weigh nothing.
    const auto before = KeyHistogram(notes, kBar);
    notes.push_back({96, 960, 9, 61, 100});
    notes.push_back({96, 960, 0, 66, 0});
    EXPECT_EQ(KeyHistogram(notes, kBar), before);
    // Nothing at all: C major, score 0.
    const auto empty = RankKeys(KeyHistogram({}, kBar));
    EXPECT_EQ(empty.front(), (KeyCandidate{0, 0, 0.0}));
}

TEST(KeyProfile, OpeningAndClosingBarsAndTheFinalNoteWeighMore)
{
    // Three bars; the same note in the first, the middle and the last bar.
    std::vector<AnalysisNote> notes = {{0, 96, 0, 60, 90}, {kBar, 96, 0, 62, 90}, {2 * kBar, 96, 0, 64, 90},
                                       {2 * kBar + 96, 96, 0, 65, 90}};
    const auto h = KeyHistogram(notes, kBar);
    EXPECT_DOUBLE_EQ(h[0], 2 * 96.0);
    EXPECT_DOUBLE_EQ(h[2], 96.0);
    EXPECT_DOUBLE_EQ(h[4], 2 * 96.0);
    // The final note gets a share of the whole on top of its bar's weight.
    EXPECT_GT(h[5], h[4]);
    // A note held for ever counts two bars at most.
    notes.push_back({kBar, 1'000'000, 0, 66, 90});
    EXPECT_DOUBLE_EQ(KeyHistogram(notes, kBar)[6], 2.0 * kBar);
}

TEST(KeyProfile, TheSignatureChoosesWithinItsPairOfKeys)
{
    const std::vector<KeyCandidate> dMinorFirst = {{2, 1, 0.85}, {5, 0, 0.80}, {9, 1, 0.6}};
    bool bySignature = false;
    // One flat with the mode flag at major: the pair F / Dm, of which the
    // estimate prefers Dm.
    EXPECT_EQ(ChooseKey(dMinorFirst, KeySignature{-1, 0}, &bySignature), dMinorFirst[0]);
    EXPECT_TRUE(bySignature);
    // Close scores: the flag breaks the tie.
    const std::vector<KeyCandidate> close = {{5, 0, 0.85}, {2, 1, 0.84}, {0, 0, 0.6}};
    EXPECT_EQ(ChooseKey(close, KeySignature{-1, 1}), close[1]);
    EXPECT_EQ(ChooseKey(close, KeySignature{-1, 0}), close[0]);
    // The second estimate's pair is preferred over the first estimate.
    const std::vector<KeyCandidate> second = {{7, 0, 0.9}, {2, 0, 0.85}, {4, 1, 0.6}};
    EXPECT_EQ(ChooseKey(second, KeySignature{2, 0}), second[1]);
    // A signature that names neither of the two best is not believed, nor
    // one out of range.
    EXPECT_EQ(ChooseKey(second, KeySignature{-3, 0}, &bySignature), second[0]);
    EXPECT_FALSE(bySignature);
    EXPECT_EQ(ChooseKey(second, KeySignature{9, 0}), second[0]);
    EXPECT_EQ(ChooseKey(second, std::nullopt), second[0]);
}

TEST(KeyProfile, KeyIndexAndTemplate)
{
    EXPECT_EQ(KeyIndexOf(7, 0), 1);
    EXPECT_EQ(KeyIndexOf(6, 0), 6);       // F#
    EXPECT_EQ(KeyIndexOf(6, 0, -6), 13);  // Gb
    EXPECT_EQ(KeyIndexOf(3, 1, -6), 28);  // Ebm
    EXPECT_EQ(KeyIndexOf(3, 1, 4), 21);   // no such spelling: the first row
    EXPECT_EQ(KeyIndexOf(0, 1), 25);
    EXPECT_EQ(KeyTemplateOf(0, 0), "xxxx909099090909");
    EXPECT_EQ(KeyTemplateOf(9, 1), KeyTemplateOf(0, 0));  // A minor: the tones of C major
    EXPECT_EQ(KeyTemplateOf(2, 1), "xxxx909099090990");   // D minor: B flat, not B
}

}  // namespace
}  // namespace songloom::harmony
