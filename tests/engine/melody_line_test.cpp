// The melodic-line generator of the melodic percussion channel.
#include <gtest/gtest.h>

#include <cmath>

#include "arrange/melodic_line.h"
#include "engine_fixture.h"
#include "harmony/chord_entry.h"

namespace songloom::test {
namespace {

using harmony::ChordRecord;

class MelodyLine : public ::testing::Test {
protected:
    void SetUp() override
    {
        fx.PlainStyle();
        auto& p = Params();
        p.lowestNote = 60;
        p.highestNote = 84;
        // Two sections of two bars each.
        fx.ctx->sections = {{1, {{384, "CMPo"}, {192, "FMPo"}, {192, "GMPs"}}},
                            {2, {{384, "AmPo"}, {384, "CMPo"}}}};
    }
    arrange::PartParams& Params() { return fx.ctx->activeStyle.partParams[5]; }

    // Checks that every chord entry is followed by notes filling it exactly
    // and that pitches stay in range; returns the sounding pitches.
    std::vector<int> Check(const arrange::NoteList& line)
    {
        std::vector<int> pitches;
        std::size_t i = 0;
        std::size_t chords = 0;
        while (i < line.size()) {
            EXPECT_TRUE(line[i].IsChord()) << i;
            const auto length = line[i].length;
            ++chords;
            ++i;
            arrange::Tick sum = 0;
            while (i < line.size() && !line[i].IsChord()) {
                EXPECT_EQ(line[i].kind, arrange::kNoteKind);
                EXPECT_GT(line[i].length, 0);
                if (line[i].pitch != 0) {
                    EXPECT_GE(line[i].pitch, Params().lowestNote);
                    EXPECT_LE(line[i].pitch, Params().highestNote);
                    pitches.push_back(line[i].pitch);
                }
                sum += line[i].length;
                ++i;
            }
            EXPECT_EQ(sum, length);
        }
        EXPECT_EQ(chords, 5u);
        return pitches;
    }

    EngineFixture fx;
};

TEST_F(MelodyLine, EveryMethodFillsItsChordsInRange)
{
    for (int method = 1; method <= 7; ++method) {
        for (const int variant : {1, 2, 5}) {
            Params().lineMethod = method;
            Params().partVariant = variant;
            arrange::NoteList line;
            arrange::GenerateMelodicLine(*fx.ctx, 5, line);
            const auto pitches = Check(line);
            EXPECT_FALSE(pitches.empty()) << method;
            if (method != 5) {
                for (std::size_t k = 1; k < pitches.size(); ++k) {
                    EXPECT_LE(std::abs(pitches[k] - pitches[k - 1]), 24) << method;
                }
            }
            if (method == 7) {
                for (const int p : pitches) EXPECT_EQ(p, 72);
            }
        }
    }
    EXPECT_TRUE(fx.reporter.reports().empty());
}

TEST_F(MelodyLine, UnknownMethodIsReportedAndRestsAreCapped)
{
    Params().lineMethod = 9;
    arrange::NoteList line;
    arrange::GenerateMelodicLine(*fx.ctx, 5, line);
    EXPECT_GE(fx.reporter.Count("YRAC", 0xFF0101B2), 1u);
    Check(line);

    Params().lineMethod = 7;
    Params().restInsertion = 1;
    for (int round = 0; round < 20; ++round) {
        arrange::GenerateMelodicLine(*fx.ctx, 5, line);
        int run = 0;
        for (const auto& e : line) {
            if (e.IsChord()) continue;
            run = e.pitch == 0 ? run + 1 : 0;
            EXPECT_LE(run, 4);
        }
    }
}

TEST_F(MelodyLine, ImitationRepeatsLengthsOfTheBarBefore)
{
    Params().lineMethod = 7;
    Params().rhythmImitation = 2;
    fx.ctx->sections = {{1, {{384, "CMPo"}, {384, "CMPo"}, {384, "CMPo"}}}};
    arrange::NoteList line;
    arrange::GenerateMelodicLine(*fx.ctx, 5, line);
    std::vector<std::vector<arrange::Tick>> bars(1);
    for (std::size_t i = 1; i < line.size(); ++i) {
        if (line[i].IsChord()) {
            bars.emplace_back();
            continue;
        }
        bars.back().push_back(line[i].length);
    }
    ASSERT_EQ(bars.size(), 3u);
    EXPECT_EQ(bars[1], bars[0]);
    EXPECT_EQ(bars[2], bars[0]);
}

TEST(Fluctuation, SequenceDrawsItsPhasesAndStaysOnTheSteps)
{
    Random a(11);
    Random b(11);
    const auto first = arrange::MakeFluctuationSequence(a);
    EXPECT_EQ(first, arrange::MakeFluctuationSequence(b));
    Random c(11);
    for (int k = 1; k < 500; ++k) RandomBetween(c, 0, 10000);
    EXPECT_EQ(a.state(), c.state());  // 499 draws, nothing else
    int outside = 0;
    int distinct = 0;
    std::array<bool, 21> seen{};
    for (const int v : first) {
        if (v == arrange::kNoFluctuation) {
            ++outside;
            continue;
        }
        ASSERT_GE(v, -10);
        ASSERT_LE(v, 10);
        if (!seen[static_cast<std::size_t>(v + 10)]) ++distinct;
        seen[static_cast<std::size_t>(v + 10)] = true;
    }
    EXPECT_LT(outside, 100);
    EXPECT_GT(distinct, 5);  // a wandering line, not a constant

    // The sums follow the formula with single-precision constants.
    Random d(11);
    std::array<float, 500> phase{};
    for (int k = 1; k < 500; ++k) phase[k] = static_cast<float>(RandomBetween(d, 0, 10000)) * 0.0001f * 6.2831855f;
    float x = 0;
    for (int k = 1; k < 500; ++k) x += std::sqrt(1.0f / k) * std::cos(static_cast<float>(k * 7) * 0.012566371f - phase[k]);
    const float v = std::floor(x + 0.5f);
    EXPECT_EQ(first[6], v >= -10 && v <= 10 ? static_cast<int>(v) : arrange::kNoFluctuation);
}

TEST(Fluctuation, LadderClimbsHeavyTonesAndRepeatsAtTheEdges)
{
    const harmony::ChordTemplate cMajor("CMPo900090090000");
    const auto ladder = arrange::MakePitchLadder(cMajor, 60, 72);
    EXPECT_EQ(ladder[10], 67);  // centre 66 raised to G
    EXPECT_EQ(ladder[11], 72);
    EXPECT_EQ(ladder[12], 72);  // nothing above 72 within range
    EXPECT_EQ(ladder[20], 72);
    EXPECT_EQ(ladder[9], 64);
    EXPECT_EQ(ladder[8], 60);
    EXPECT_EQ(ladder[0], 60);
}

TEST(Lagrange, InterpolatesThroughItsPointsAndTakesTheAbsoluteValue)
{
    EXPECT_EQ(arrange::LagrangePitch({0, 2, 4}, {60, 64, 60}, 1), 63);
    EXPECT_EQ(arrange::LagrangePitch({0, 2, 4}, {60, 64, 60}, 2), 64);
    EXPECT_EQ(arrange::LagrangePitch({0, 1}, {10, -20}, 1), 20);
}

}  // namespace
}  // namespace songloom::test
