#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <set>

#include "arrange/bass_patterns.h"
#include "common/messages.h"
#include "pattern_test_song.h"

namespace songloom::arrange {
namespace {

using test::SongChord;
using test::TestContext;

std::vector<PlacedNote> PlayBass(TestContext& t, const std::vector<PatternChord>& chords, int number, int density = 100)
{
    NoteBuffer out;
    BassPattern(t.context, chords, number, density, out);
    return out.Sounding();
}

TEST(EighthBass, TableGivesRootFifthAndChordToneFigures)
{
    // C7 voiced 64, 67, 70 over bass 36.
    const PatternChord c7 = SongChord("CMPs", 384);
    struct Row {
        int position, draw, first, second;
    };
    const Row rows[] = {
        {0, 1, 36, 36}, {0, 3, 36, 36},                  // the downbeat is always the bass
        {1, 1, 36, 48}, {2, 1, 43, 43}, {3, 1, 48, 43},  // root, octave and fifth
        {1, 2, 40, 43}, {2, 4, 46, 46}, {3, 3, 43, 40},  // chord tones two octaves down
    };
    for (const Row& r : rows) {
        const EighthPair pair = EighthBassPair(c7, r.position, r.draw);
        EXPECT_EQ(pair.first, r.first) << r.position << "/" << r.draw;
        EXPECT_EQ(pair.second, r.second) << r.position << "/" << r.draw;
        for (const int note : {pair.first, pair.second}) EXPECT_TRUE(c7.IsChordTone(note)) << note;
    }
}

TEST(EighthBass, EighthsPerChordLengthApproachAndTheClose)
{
    TestContext t;
    // Inner chords: one beat gives two eighths, a bar eight, all 47 long at 104.
    const std::vector<PatternChord> chords{SongChord("CMPo", 96), SongChord("FMPo", 384), SongChord("GMPo", 384),
                                           SongChord("CMPo", 384)};
    const auto notes = PlayBass(t, chords, 6);
    std::vector<PlacedNote> first, second, third, last;
    for (const PlacedNote& n : notes) {
        (n.at < 96 ? first : n.at < 480 ? second : n.at < 864 ? third : last).push_back(n);
    }
    EXPECT_EQ(first.size(), 2u);
    ASSERT_EQ(second.size(), 8u);
    for (std::size_t i = 0; i < second.size(); ++i) {
        EXPECT_EQ(second[i].at, 96 + 48 * static_cast<Tick>(i));
        EXPECT_EQ(second[i].duration, 47);
        EXPECT_EQ(second[i].velocity, 104);
    }
    // Chord tones throughout; only the last eighth before a change leads a
    // semitone into the next bass (F's bar into G, G's into C).
    for (std::size_t i = 0; i + 1 < second.size(); ++i) EXPECT_TRUE(chords[1].IsChordTone(second[i].note)) << i;
    EXPECT_EQ(std::abs(second.back().note - 43), 1);
    ASSERT_EQ(third.size(), 8u);
    EXPECT_EQ(std::abs(third.back().note - 36), 1);
    // The last chord walks down its chord to the bass, held 94 ticks.
    ASSERT_EQ(last.size(), 4u);
    for (const PlacedNote& n : last) EXPECT_TRUE(chords[3].IsChordTone(n.note)) << n.note;
    EXPECT_GT(last[0].note, last[2].note);
    EXPECT_EQ(last[3].note, 36);
    EXPECT_EQ(last[3].at, 864 + 144);
    EXPECT_EQ(last[3].duration, 94);
}

TEST(EighthBass, SevenEightHoldsOneNoteSixTicksShort)
{
    TestContext t;
    t.context.meter = 2;
    const auto notes = PlayBass(t, {SongChord("CMPo", 336), SongChord("GMPo", 336)}, 6);
    ASSERT_EQ(notes.size(), 2u);
    EXPECT_EQ(notes[0].duration, 330);
    EXPECT_EQ(notes[1].at, 336);
    EXPECT_EQ(notes[1].velocity, 64);
}

TEST(RepeatedBass, HalfNotesWithOctavesOrEighthsUnderGuitarPattern)
{
    TestContext t;
    const std::vector<PatternChord> bar{SongChord("CMPo", 384), SongChord("GMPo", 288)};
    const auto notes = PlayBass(t, bar, 1);
    // 384: two half notes, the first doubled an octave up; 288: three quarters.
    ASSERT_EQ(notes.size(), 2u + 1u + 3u + 2u);
    EXPECT_EQ(notes[0].duration, 188);
    EXPECT_EQ(notes[1].note, notes[0].note + 12);
    EXPECT_EQ(notes[2].at, 192);
    EXPECT_EQ(notes[3].at, 384);
    EXPECT_EQ(notes[3].duration, 94);

    t.context.accompanimentPattern = 4;
    EXPECT_EQ(PlayBass(t, {SongChord("CMPo", 384)}, 1).size(), 8u + 4u);
    t.context.rhythmFeel = 3;  // the guitar pattern's eighths only in straight feel
    EXPECT_EQ(PlayBass(t, {SongChord("CMPo", 384)}, 1).size(), 3u);
}

TEST(SustainedBass, HoldsEachChordsBassInHalfBarPieces)
{
    TestContext t;
    const auto notes = PlayBass(t, {SongChord("CMPo", 384), SongChord("GMPo", 96)}, 2);
    ASSERT_EQ(notes.size(), 3u);
    EXPECT_EQ(notes[0].note, 36);
    EXPECT_EQ(notes[1].note, 36);
    EXPECT_EQ(notes[2].note, 43);  // the G chord gets its own bass
    EXPECT_EQ(notes[0].duration, 192);
    EXPECT_EQ(notes[1].duration, 189);
    EXPECT_EQ(notes[2].duration, 93);
}

TEST(WalkingBass, ChordTonesAndOneApproachBeforeEachChange)
{
    const PatternChord c = SongChord("CMPo", 384);
    // The first beat is the bass, the last before a new bass a semitone off it.
    EXPECT_EQ(WalkingStep(c, 0, 4, 40, 43, 1), 36);
    EXPECT_EQ(WalkingStep(c, 3, 4, 40, 43, 1), 42);  // climbing into G
    EXPECT_EQ(WalkingStep(c, 3, 4, 48, 43, 2), 44);  // coming down onto G
    // Between them chord tones: third or fifth, fifth or octave.
    EXPECT_EQ(WalkingStep(c, 1, 4, 36, 43, 1), 40);
    EXPECT_EQ(WalkingStep(c, 1, 4, 36, 43, 2), 43);
    EXPECT_EQ(WalkingStep(c, 2, 4, 40, 43, 2), 48);
    // No approach when the next chord keeps the bass.
    EXPECT_TRUE(c.IsChordTone(WalkingStep(c, 3, 4, 43, 36, 2)));
}

TEST(WalkingBass, QuarterNotesWithoutBursts)
{
    TestContext t;
    const std::vector<PatternChord> song{SongChord("CMPo", 384), SongChord("AmPo", 384), SongChord("FMPo", 192),
                                         SongChord("GMPs", 192), SongChord("CMPo", 384)};
    for (const int feel : {0, 3}) {
        t.context.rhythmFeel = feel;
        const auto notes = PlayBass(t, song, 8);
        // Every beat but the closing chord's has one note on the beat (a
        // swung skip adds one more, never more); no two onsets closer than
        // a triplet eighth.
        for (std::size_t i = 1; i < notes.size(); ++i) EXPECT_GE(notes[i].at - notes[i - 1].at, 32) << feel;
        int onBeat = 0;
        for (const PlacedNote& n : notes) onBeat += n.at % 96 == 0 && n.at < 1152 ? 1 : 0;
        EXPECT_EQ(onBeat, 12) << feel;
        // The beat before each change approaches the next bass by a semitone.
        for (const Tick change : {384, 768, 960}) {
            const auto before = std::find_if(notes.begin(), notes.end(),
                                             [&](const PlacedNote& n) { return n.at == change - 96; });
            const auto at = std::find_if(notes.begin(), notes.end(), [&](const PlacedNote& n) { return n.at == change; });
            ASSERT_NE(before, notes.end());
            ASSERT_NE(at, notes.end());
            EXPECT_EQ(std::abs(before->note - at->note), 1) << change;
        }
    }
}

TEST(WaltzBass, OomOnEveryBarRootThenFifth)
{
    TestContext t;
    t.context.meter = 1;
    t.context.rhythmFeel = 3;  // no accented runs
    const auto notes = PlayBass(t, {SongChord("CMPo", 576), SongChord("GMPo", 288)}, 23);
    ASSERT_EQ(notes.size(), 3u);
    EXPECT_EQ(notes[0], (PlacedNote{0, 36, 64, 90}));
    EXPECT_EQ(notes[1], (PlacedNote{288, 43, 64, 90}));  // the second bar of C: its fifth
    EXPECT_EQ(notes[2].at, 576);
    EXPECT_EQ(notes[2].note, 43);
}

TEST(GridBass, PlaysGridThreeTwoOctavesDownAndHolds)
{
    TestContext t;
    StepGrid& g = t.context.grids.grids[kGridBass];
    g.cells[2][0] = 1;  // label 7: degree 0 = bass + 24, octave 1 -> bass + 24
    g.cells[2][1] = 1;
    g.holds[1] = 1;
    g.cells[9][4] = 1;  // label 14: degree 0 octave 2 -> bass + 36
    const auto notes = PlayBass(t, {SongChord("CMPo", 384)}, 20);
    ASSERT_EQ(notes.size(), 2u);
    EXPECT_EQ(notes[0].note, 36);
    EXPECT_EQ(notes[0].duration, 23 + 24);  // held into the second step
    EXPECT_EQ(notes[1].note, 48);
    EXPECT_EQ(notes[1].at, 96);
}

TEST(BassPatterns, UnknownNumberReportsAndWritesNothing)
{
    TestContext t;
    NoteBuffer out;
    BassPattern(t.context, test::TestSong(), 24, 100, out);
    BassPattern(t.context, test::TestSong(), 0, 100, out);
    EXPECT_TRUE(out.notes().empty());
    EXPECT_EQ(t.reporter.Count("YRAC", kPatternError), 2u);
}

// Every pattern keeps its notes inside the song's time and the MIDI range, and
// no two patterns write the same notes over the same song.
TEST(BassPatterns, EveryPatternIsItsOwnAndStaysInTime)
{
    const auto song = test::TestSong();
    const Tick total = TotalLength(song);
    for (int feel : {0, 3}) {
        std::set<std::string> seen;
        for (int number = 1; number <= kBassPatternCount; ++number) {
            TestContext t;
            t.context.rhythmFeel = feel;
            t.context.grids.grids[kGridBass].cells[2][0] = 1;
            t.context.grids.grids[kGridBass].cells[4][8] = 1;
            t.context.rhythmSeed[0] = 1;
            t.context.rhythmSeed[6] = 1;
            t.context.rhythmSeed[12] = 1;
            NoteBuffer out;
            BassPattern(t.context, song, number, 120, out);
            const auto notes = out.Sounding();
            ASSERT_FALSE(notes.empty()) << number;
            for (const PlacedNote& n : notes) {
                EXPECT_LE(n.at, total) << number;
                EXPECT_GE(n.note, 13) << number;
                EXPECT_LE(n.note, 80) << number;
                EXPECT_GT(n.duration, 0) << number;
            }
            EXPECT_TRUE(t.reporter.reports().empty()) << number;
            EXPECT_TRUE(seen.insert(test::Signature(out)).second) << "pattern " << number << " feel " << feel;
        }
    }
}

TEST(BassPatterns, ThirteenChangesWithDensity)
{
    TestContext a;
    TestContext b;
    const auto song = test::TestSong();
    EXPECT_NE(PlayBass(a, song, 13, 120).size(), PlayBass(b, song, 13, 100).size());
}

}  // namespace
}  // namespace songloom::arrange

namespace songloom::arrange {
namespace {

TEST(SeedBass, FollowsTheRhythmTable)
{
    TestContext t;
    EXPECT_TRUE(t.context.SeedStarts(96, 24));  // no table: on the beats
    EXPECT_FALSE(t.context.SeedStarts(120, 24));
    t.context.rhythmSeed[0] = 1;
    t.context.rhythmSeed[5] = 1;  // tick 60
    EXPECT_TRUE(t.context.SeedStarts(48, 24));
    EXPECT_FALSE(t.context.SeedStarts(72, 24));
    EXPECT_TRUE(t.context.SeedStarts(96 * 12, 24));  // the table repeats every 96 steps
    NoteBuffer out;
    const std::vector<PatternChord> bar{SongChord("CMPo", 384)};
    BassPattern(t.context, bar, 19, 100, out);
    const auto notes = out.Sounding();
    ASSERT_EQ(notes.size(), 2u);
    EXPECT_EQ(notes[1].at, 48);
    EXPECT_EQ(notes[0].duration, 44);  // up to the next onset, less 4
    EXPECT_EQ(notes[1].note, 36 + 7);  // root and fifth alternate
}

}  // namespace
}  // namespace songloom::arrange
