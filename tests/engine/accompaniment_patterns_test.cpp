#include <gtest/gtest.h>

#include <map>
#include <set>

#include "arrange/accompaniment_patterns.h"
#include "arrange/grid_player.h"
#include "arrange/pattern_figure.h"
#include "pattern_test_song.h"

namespace songloom::arrange {
namespace {

using test::SongChord;
using test::TestContext;

std::vector<PlacedNote> Accompany(TestContext& t, const std::vector<PatternChord>& chords, int number,
                                  int density = 100, int channel = 3)
{
    NoteBuffer out;
    AccompanimentPattern(t.context, chords, channel, number, 0, density, out);
    return out.Sounding();
}

// Notes grouped by start time.
std::map<Tick, std::vector<int>> ByOnset(const std::vector<PlacedNote>& notes)
{
    std::map<Tick, std::vector<int>> onsets;
    for (const PlacedNote& n : notes) onsets[n.at].push_back(n.note);
    return onsets;
}

TEST(BlockChords, VoiceLeadingAtTheFirstStepOfEachChord)
{
    // Before the first chord the references are 75 (low) and 80 (high).
    // F major seventh voiced 64, 69, 72: the low voice is 11 below 75 and goes
    // up an octave (76 < 84); the top is below 85, unchanged.
    BlockVoicing v = LeadBlockChord(64, 69, 72, 75, 80);
    EXPECT_EQ(v.low, 76);
    EXPECT_EQ(v.middle, 69);
    EXPECT_EQ(v.high, 72);
    // A top voice 5 or more above the previous one drops an octave unless that
    // falls below 60.
    v = LeadBlockChord(67, 71, 81, 67, 74);
    EXPECT_EQ(v.high, 69);
    v = LeadBlockChord(60, 64, 69, 60, 62);
    EXPECT_EQ(v.high, 69);  // 57 would fall below 60
    // A low voice that would reach 84 stays.
    v = LeadBlockChord(72, 76, 79, 79, 79);
    EXPECT_EQ(v.low, 72);
}

TEST(BlockChords, StepsByPatternAndLaterStepsUnchanged)
{
    TestContext t;
    const std::vector<PatternChord> song{SongChord("FMPS", 384)};
    auto onsets = ByOnset(Accompany(t, song, 1));
    ASSERT_EQ(onsets.size(), 4u);  // quarter notes
    // F major seventh voiced 69, 72, 76: the low voice lies 6 below 75 and
    // goes up an octave at the first step only.
    EXPECT_EQ(onsets[0], (std::vector<int>{81, 72, 76}));
    EXPECT_EQ(onsets[96], (std::vector<int>{69, 72, 76}));
    t.context.accompanimentPattern = 2;
    EXPECT_EQ(ByOnset(Accompany(t, song, 2)).size(), 8u);
    t.context.rhythmFeel = 3;
    EXPECT_EQ(ByOnset(Accompany(t, song, 28)).size(), 12u);  // the channel 3 number decides
    // Without a bass the root byte takes the top voice.
    t.context.accompanimentPattern = 1;
    t.context.bassPlays = false;
    EXPECT_EQ(ByOnset(Accompany(t, song, 1))[96], (std::vector<int>{69, 72, 65}));
}

TEST(BlockChords, ARaggedChordReportsAndKeepsItsTimeSilent)
{
    TestContext t;
    t.context.accompanimentPattern = 2;
    t.context.rhythmFeel = 3;
    const auto notes = Accompany(t, {SongChord("CMPo", 80), SongChord("GMPo", 96)}, 2);
    EXPECT_EQ(t.reporter.Count("YRAC", kMeterError), 1u);
    ASSERT_FALSE(notes.empty());
    // 80 ticks = two 32-tick steps and a silent 16; the next chord keeps its time.
    EXPECT_EQ(ByOnset(notes).size(), 2u + 3u);
    EXPECT_EQ(notes.back().at, 80 + 64);
}

TEST(Arpeggio3, StraightAndTripletOrders)
{
    TestContext t;
    const PatternChord c = SongChord("CMPs", 384);  // 64, 67, 70
    std::vector<int> notes;
    for (const PlacedNote& n : Accompany(t, {c}, 3)) notes.push_back(n.note);
    EXPECT_EQ(notes, (std::vector<int>{70, 67, 64, 67, 70, 64, 67, 70}));
    t.context.rhythmFeel = 3;
    notes.clear();
    for (const PlacedNote& n : Accompany(t, {c}, 3)) notes.push_back(n.note);
    EXPECT_EQ(notes, (std::vector<int>{60, 64, 67, 70, 67, 64, 60, 64, 67, 70, 67, 64}));
}

TEST(BrokenChord9, PlaysOverEveryChordLength)
{
    TestContext t;
    // Six eighths a chord: two groups, the second cut after two notes.
    const auto waltz = Accompany(t, {SongChord("CMPo", 288), SongChord("GMPo", 288)}, 9);
    EXPECT_EQ(waltz.size(), 2u * 4u);
    for (const PlacedNote& n : waltz) EXPECT_NE((n.at % 288) / 48 % 4, 0) << n.at;
    std::vector<PatternChord> song(20, SongChord("CMPo", 192));
    const auto notes = Accompany(t, song, 9);
    EXPECT_EQ(notes.size(), 20u * 3u);  // every chord sounds
    for (const PlacedNote& n : notes) {
        EXPECT_NE(n.at % 192, 0);
        EXPECT_TRUE(n.note == 72 || n.note == 64 || n.note == 67) << n.note;
    }
}

TEST(Guitar4, ShortChordsHoldAndLongerOnesStrum)
{
    TestContext t;
    t.context.accompanimentPattern = 4;
    const auto notes = Accompany(t, {SongChord("CMPo", 96), SongChord("GMPo", 192)}, 4, 80);
    // 96: second and third held for 94.
    ASSERT_GE(notes.size(), 2u);
    EXPECT_EQ(notes[0].duration, 94);
    EXPECT_EQ(notes[1].duration, 94);
    // 192: the pair for 142, a down-stroke from 144 and an up-stroke 20 after
    // its root, each stroke's notes 2 apart lasting 16, 18 and 20.
    std::vector<Tick> at;
    std::vector<Tick> length;
    for (std::size_t i = 2; i < notes.size(); ++i) {
        at.push_back(notes[i].at - 96);
        length.push_back(notes[i].duration);
    }
    EXPECT_EQ(at, (std::vector<Tick>{0, 0, 144, 146, 148, 168, 170, 172}));
    EXPECT_EQ(length, (std::vector<Tick>{142, 142, 16, 18, 20, 16, 18, 20}));
    // The one-bar figure fills exactly one bar.
    for (std::uint32_t seed = 1; seed < 20; ++seed) {
        TestContext s(seed);
        for (const PlacedNote& n : Accompany(s, {SongChord("CMPo", 384)}, 4, 60)) EXPECT_LE(n.at + n.duration, 384);
    }
}

TEST(Pattern10, FigureChoiceFollowsFeelMeterAndPosition)
{
    TestContext t;
    EXPECT_EQ(Pattern10Figure(t.context, 3, 4, 100), 1);  // the last chord closes
    for (int i = 0; i < 10; ++i) EXPECT_NE(Pattern10Figure(t.context, 0, 1, 100), 1);  // a lone chord is not "last of many"
    t.context.meter = 2;
    for (std::size_t i = 0; i < 5; ++i) EXPECT_EQ(Pattern10Figure(t.context, i, 6, 100), 2);
    t.context.meter = 0;
    std::set<int> dense, sparse;
    for (int i = 0; i < 60; ++i) {
        dense.insert(Pattern10Figure(t.context, 0, 4, 100));
        sparse.insert(Pattern10Figure(t.context, 0, 4, 60));
    }
    EXPECT_EQ(dense, (std::set<int>{2, 3}));
    EXPECT_EQ(sparse, (std::set<int>{1, 3}));
    t.context.rhythmFeel = 3;
    EXPECT_EQ(Pattern10Figure(t.context, 1, 2, 100), 4);
    std::set<int> triplet;
    for (int i = 0; i < 60; ++i) triplet.insert(Pattern10Figure(t.context, 0, 2, 100));
    EXPECT_EQ(triplet, (std::set<int>{5, 7}));
}

TEST(AccompanimentPatterns, FortyEightAndStrangersWriteOnlyTheLeadIn)
{
    TestContext t;
    for (int number : {48, 0, 61}) {
        NoteBuffer out;
        AccompanimentPattern(t.context, test::TestSong(), 3, number, 0, 100, out);
        ASSERT_EQ(out.notes().size(), 1u);
        EXPECT_EQ(out.notes()[0].velocity, 0);
    }
    EXPECT_EQ(t.reporter.Count("YRAC", kPatternError), 3u);
}

TEST(VoiceNotes, DefaultLabelsRunFromThirdBelowToThirdAbove)
{
    const PatternChord c = SongChord("CMPs", 384);  // root 60, tones 64, 67, 70
    const auto notes = VoiceNotes(c, kVoiceRowLabels);
    // Row 0: label 5 = third + 2 an octave down (69 - 12), but A is weak in
    // C7, so a semitone lower.
    EXPECT_EQ(notes[0], 56);
    EXPECT_EQ(notes[1], 58);  // label 6: fourth - 12
    EXPECT_EQ(notes[2], 60);  // label 7: the root
    EXPECT_EQ(notes[3], 61);  // label 8: root + 2 = D, weak, so D flat
    EXPECT_EQ(notes[4], 64);  // label 9: the second note
    EXPECT_EQ(notes[13], 79); // label 18: third + 12
    std::array<std::int32_t, kGridRows> labels{};
    labels[1] = 140;  // twenty octaves up
    EXPECT_EQ(VoiceNotes(c, labels)[0], 48);
    EXPECT_EQ(VoiceNotes(c, labels)[1], 0);  // out of range: a rest
    const auto bass = VoiceNotes(c, labels, true);
    EXPECT_EQ(bass[0], 48);  // bass + 24, an octave down
    EXPECT_GT(bass[1], 127);  // the bass voicing keeps it
}

TEST(GridPlayer, EmptyGridCarriesTimeOnlyAndHoldsGrow)
{
    TestContext t;
    NoteBuffer out;
    const std::vector<PatternChord> bar{SongChord("CMPo", 384)};
    AccompanimentPattern(t.context, bar, 3, 47, 0, 100, out);
    EXPECT_TRUE(out.Sounding().empty());
    EXPECT_EQ(out.notes().size(), 1u + 16u);  // lead-in and one rest per step

    StepGrid& g = t.context.grids.grids[0];
    g.cells[2][0] = g.cells[4][0] = 1;  // root and second note
    g.cells[2][1] = g.cells[4][1] = 1;
    g.holds[1] = 1;
    const auto notes = Accompany(t, {SongChord("CMPo", 384)}, 47);
    ASSERT_EQ(notes.size(), 2u);
    EXPECT_EQ(notes[0].duration, 15 + 24);
}

TEST(GridPlayer, TwoBarModeAlternatesStrumsAndTogglesAtSections)
{
    TestContext t;
    t.context.grids.gridMode = 2;
    t.context.grids.strumSwitch[0] = 1;
    t.context.grids.grids[0].cells[2][0] = t.context.grids.grids[0].cells[4][0] = 1;  // bar 1: root, second
    t.context.grids.grids[4].cells[13][0] = 1;                                        // bar 2: a high third
    const std::vector<PatternChord> song{SongChord("CMPo", 384), SongChord("CMPo", 384),
                                         SongChord("CMPo", 384, 'B'), SongChord("CMPo", 384, 'B')};
    const auto onsets = ByOnset(Accompany(t, song, 47));
    EXPECT_EQ(onsets.at(0), (std::vector<int>{60}));
    EXPECT_EQ(onsets.at(2), (std::vector<int>{64}));  // strummed 2 ticks later
    EXPECT_EQ(onsets.at(384), (std::vector<int>{79}));
    // The new section starts on the other grid.
    EXPECT_EQ(onsets.at(768), (std::vector<int>{79}));
    EXPECT_EQ(onsets.at(1152), (std::vector<int>{60}));
    // Channel 7 plays pair 1 with the simplest player.
    t.context.grids.grids[1].cells[6][0] = 1;
    const auto seven = ByOnset(Accompany(t, song, 47, 100, 7));
    EXPECT_EQ(seven.size(), 4u);
}

TEST(GridPlayer, TripletInSevenEightReportsAndPlaysNineSteps)
{
    TestContext t;
    t.context.meter = 2;
    t.context.rhythmFeel = 3;
    t.context.grids.gridMode = 2;
    t.context.grids.continueSwitch[0] = 1;
    t.context.grids.grids[0].cells[2][0] = 1;
    const auto notes = Accompany(t, {SongChord("CMPo", 672)}, 47);
    EXPECT_EQ(t.reporter.Count("YRAC", kMeterFeelConflict), 1u);
    ASSERT_GE(notes.size(), 2u);
    EXPECT_EQ(notes[1].at - notes[0].at, 9 * 32);
}

TEST(Figures, EveryDesignedFigureParsesAndBadTextIsRejected)
{
    EXPECT_FALSE(ParseFigure(96, "0:X/40").valid);
    EXPECT_FALSE(ParseFigure(96, "0:C").valid);
    EXPECT_FALSE(ParseFigure(0, "0:C/40").valid);
    const Figure f = ParseFigure(192, "0:R-12,F+7/90!80 96:D/40");
    ASSERT_TRUE(f.valid);
    EXPECT_EQ(f.onsets[0].voices[1].shift, 7);
    EXPECT_EQ(f.onsets[0].velocity, 80);
    EXPECT_EQ(SwingOffset(48), 64);
    EXPECT_EQ(SwingOffset(96 + 24), 128);
    // Every pattern number of the table writes notes; a figure that failed to
    // parse would write none.
    const auto song = test::TestSong();
    for (int number = 1; number <= kAccompanimentPatternCount; ++number) {
        if (number == 47 || number == 48 || number == 9) continue;
        TestContext t;
        EXPECT_FALSE(Accompany(t, song, number).empty()) << number;
    }
}

// Over one song every pattern writes its own notes (1 and 28 are one routine
// and differ only through the channel 3 number), stays in time and range,
// and keeps most of its sound on chord tones.
TEST(AccompanimentPatterns, EveryPatternIsItsOwnAndStaysInTime)
{
    const auto song = test::TestSong();
    const Tick total = TotalLength(song);
    for (int feel : {0, 3}) {
        std::map<std::string, int> seen;
        for (int number = 1; number <= kAccompanimentPatternCount; ++number) {
            if (number == 48) continue;
            TestContext t;
            t.context.rhythmFeel = feel;
            t.context.accompanimentPattern = number;
            t.context.grids.grids[0].cells[2][0] = t.context.grids.grids[0].cells[6][8] = 1;
            t.context.rhythmSeed[0] = 1;
            t.context.rhythmSeed[10] = 1;
            NoteBuffer out;
            AccompanimentPattern(t.context, song, 3, number, 0, 100, out);
            const auto notes = out.Sounding();
            ASSERT_FALSE(notes.empty()) << number;
            long long all = 0, onChord = 0;
            for (const PlacedNote& n : notes) {
                EXPECT_LT(n.at, total) << number;
                EXPECT_LE(n.at + n.duration, total) << number;
                EXPECT_GE(n.note, 36) << number;
                EXPECT_LE(n.note, 100) << number;
                all += n.duration;
                if (test::OnChordTone(song, n.at, n.note)) onChord += n.duration;
            }
            EXPECT_GE(onChord * 100, all * 80) << number;
            EXPECT_TRUE(t.reporter.reports().empty()) << number;
            const auto [it, fresh] = seen.emplace(test::Signature(out), number);
            if (!fresh) {
                EXPECT_TRUE(it->second == 1 && number == 28) << number << " repeats " << it->second;
            }
        }
    }
}

}  // namespace
}  // namespace songloom::arrange

namespace songloom::arrange {
namespace {

// The waltz pattern plays the oom on one only when no bass plays it.
TEST(Waltz7, PahPahLeavesBeatOneToTheBass)
{
    const std::vector<PatternChord> song{SongChord("CMPo", 288 * 2), SongChord("GMPs", 288)};
    for (const bool bass : {true, false}) {
        TestContext t;
        t.context.meter = 1;
        t.context.bassPlays = bass;
        NoteBuffer out(288);
        AccompanimentPattern(t.context, song, 3, 7, 0, 100, out);
        const auto onsets = ByOnset(out.Sounding());
        ASSERT_EQ(onsets.size(), bass ? 6u : 9u);
        for (const auto& [at, notes] : onsets) {
            const Tick beat = at % 288;
            if (beat == 0) {
                EXPECT_FALSE(bass) << at;
                ASSERT_EQ(notes.size(), 1u);
                EXPECT_LT(notes[0], 60);  // the low root
            } else {
                EXPECT_TRUE(beat == 96 || beat == 192) << at;
                EXPECT_EQ(notes.size(), 3u) << at;
            }
        }
    }
}

// In triplet feel pattern 10 comps like a swing pianist: a few stabs a bar,
// on and off the beat, never a chord on every beat.
TEST(Pattern10, TripletFiguresCompOnAndOffTheBeat)
{
    std::vector<PatternChord> song;
    for (int i = 0; i < 16; ++i) song.push_back(SongChord(i % 2 == 0 ? "DmPs" : "GMPs", 384));
    for (const int density : {60, 100}) {
        TestContext t;
        t.context.rhythmFeel = 3;
        const auto onsets = ByOnset(Accompany(t, song, 10, density));
        int offBeat = 0;
        std::map<Tick, int> perBar;
        for (const auto& [at, notes] : onsets) {
            EXPECT_TRUE(at % 96 == 0 || at % 96 == 64) << at;  // on the beat or on its swung "and"
            if (at % 96 == 64) ++offBeat;
            ++perBar[at / 384];
        }
        EXPECT_GT(offBeat * 3, static_cast<int>(onsets.size())) << density;
        for (const auto& [bar, count] : perBar) EXPECT_LE(count, 4) << bar;
    }
}

}  // namespace
}  // namespace songloom::arrange
