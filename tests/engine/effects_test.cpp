#include <gtest/gtest.h>

#include "arrange/effects.h"
#include "pattern_test_song.h"

namespace songloom::arrange {
namespace {

using test::SongChord;
using test::TestContext;

TEST(Effects, ApplauseOpensAndClosesOnly)
{
    TestContext t;
    NoteBuffer out;
    const std::vector<PatternChord> song{SongChord("GMPo", 384), SongChord("CMPo", 384), SongChord("FMPo", 192)};
    ASSERT_TRUE(EffectPattern(t.context, song, kApplauseProgram, out));
    const auto notes = out.Sounding();
    ASSERT_EQ(notes.size(), 3u);
    EXPECT_EQ(notes[0], (PlacedNote{0, 67 + 11, 34, 96}));
    EXPECT_EQ(notes[1], (PlacedNote{96, 67 + 12, 74, 472}));
    EXPECT_EQ(notes[2], (PlacedNote{768, 65 + 12, 74, 184}));
    // Without a first root the applause starts from middle C.
    NoteBuffer none;
    const std::vector<PatternChord> silent{SongChord("NoCd", 384)};
    EffectPattern(t.context, silent, kApplauseProgram, none);
    EXPECT_EQ(none.notes()[0].note, 71);
}

TEST(Effects, SeashoreWavesEveryBarEndingWithTheSong)
{
    TestContext t;
    NoteBuffer out;
    const auto song = test::TestSong();  // 3456 ticks: nine bars
    EffectPattern(t.context, song, kSeashoreProgram, out);
    ASSERT_EQ(out.notes().size(), 9u);
    for (std::size_t i = 0; i < out.notes().size(); ++i) {
        const PlacedNote& n = out.notes()[i];
        EXPECT_EQ(n.at, 384 * static_cast<Tick>(i));
        EXPECT_EQ(n.duration, 383);
        if (n.velocity > 0) {
            EXPECT_TRUE(test::OnChordTone(song, n.at, n.note));
        }
    }
    // The last bar always has its wave, and nothing sounds past the song.
    EXPECT_GT(out.notes().back().velocity, 0);
    EXPECT_LE(out.notes().back().at + out.notes().back().duration, TotalLength(song));
}

TEST(Effects, BirdsSingOnChordRootsToTheLastChord)
{
    TestContext t;
    NoteBuffer out;
    const auto song = test::TestSong();
    EffectPattern(t.context, song, kBirdsProgram, out);
    const auto notes = out.Sounding();
    ASSERT_GE(notes.size(), 2u);
    EXPECT_EQ(notes.front(), (PlacedNote{0, 48, 54, 376}));
    // The last chord always has its bird, inside the song.
    EXPECT_EQ(notes.back().at + notes.back().duration, TotalLength(song) - 8);
    // Every bird between is its chord's root, one or two octaves down.
    Tick start = 0;
    for (const PatternChord& c : song) {
        for (const PlacedNote& n : notes) {
            if (n.at != start) continue;
            EXPECT_TRUE(n.note == c.root - 12 || n.note == c.root - 24) << n.at;
            EXPECT_EQ(n.duration, c.length - 8);
        }
        start += c.length;
    }
    EXPECT_GT(notes.size(), 2u);
}

TEST(Effects, OtherProgramsReportAndWriteNothing)
{
    TestContext t;
    NoteBuffer out;
    EXPECT_FALSE(EffectPattern(t.context, test::TestSong(), 121, out));
    EXPECT_TRUE(out.notes().empty());
    EXPECT_TRUE(t.reporter.Has("YRAC", kEffectProgramError));
}

}  // namespace
}  // namespace songloom::arrange
