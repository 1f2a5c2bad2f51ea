#include <gtest/gtest.h>

#include "song/song_image.h"

namespace songloom::song {
namespace {

using Cells = std::array<std::int32_t, 3>;

SongData NewSong(int bars = 8, int beats = 4, int key = 0)
{
    CapturingReporter r;
    SongData song;
    EXPECT_TRUE(song.Reset(r, bars, beats, key));
    return song;
}

std::vector<std::int32_t> FirstCells(const SongData& song, int from, int count)
{
    std::vector<std::int32_t> out;
    for (int i = from; i < from + count; ++i) out.push_back(song.melody[i].cell[0]);
    return out;
}

TEST(SongModel, NewSongLayout)
{
    const SongData song = NewSong();
    for (int b = 0; b < 32; ++b) EXPECT_EQ(song.ChordName(b), "C ");
    for (int b = 32; b < 1024; ++b) EXPECT_EQ(song.ChordName(b), "----");
    EXPECT_EQ(song.melody[0].cell, (Cells{kRest, kHold, kNotTriplet}));
    for (int s = 1; s < 8; ++s) EXPECT_EQ(song.melody[s].cell, (Cells{kHold, kHold, kNotTriplet}));
    EXPECT_EQ(song.melody[8].cell[0], kRest);
    EXPECT_EQ(song.info.tempo, 120);
    EXPECT_EQ(song.info.style, 1);
    EXPECT_TRUE(song.IsUntouched());
}

TEST(SongModel, ResetRefusesWhatTheArraysCannotHold)
{
    SongData song = NewSong(5, 3, 2);
    const auto before = BuildSongImage(song, song.beats(), song.key());
    for (const auto& [bars, beats, key] : {std::tuple{8, 0, 0}, {0, 4, 0}, {257, 4, 0}, {8, 4, 30}, {8, 5, 0}}) {
        CapturingReporter r;
        EXPECT_FALSE(song.Reset(r, bars, beats, key));
        EXPECT_TRUE(r.Has("SGDT", 0));
        EXPECT_EQ(r.lines().front(), "SGDT00000000 楽曲情報でエラーがおきました。");
    }
    EXPECT_EQ(BuildSongImage(song, song.beats(), song.key()), before);
}

TEST(SongModel, KeyNamesAndChordVocabulary)
{
    EXPECT_EQ(KeyNameOf(0), "C ");
    EXPECT_EQ(KeyNameOf(6), "F# ");
    EXPECT_EQ(KeyNameOf(14), "Cb ");
    EXPECT_EQ(KeyNameOf(15), "Am");
    EXPECT_EQ(KeyNameOf(29), "Abm");

    const auto parts = ParseChordName("Bb7");
    EXPECT_EQ(parts.root, 10);
    EXPECT_EQ(parts.type, 2);
    EXPECT_EQ(ParseChordName("F#m7b5").type, 13);
    EXPECT_EQ(ParseChordName("C7sus4").type, 8);
    EXPECT_EQ(ParseChordName("EaugM7").type, 10);
    EXPECT_EQ(ParseChordName("G ").type, 0);
    EXPECT_EQ(ParseChordName("Dbm").root, 1);
    for (const char* bad : {"Cb ", "Fb ", "E# ", "B#m", "H7", ""}) {
        EXPECT_EQ(ParseChordName(bad).root, -1) << bad;
    }
    CapturingReporter r;
    EXPECT_FALSE(SplitChordName(r, "Cb ").ok());
    ASSERT_EQ(r.lines().size(), 1u);
    EXPECT_EQ(r.lines().front(), "コード名が読み取れません。");
    // A bare root has no suffix until it is completed with the blank.
    EXPECT_EQ(ParseChordName("C").type, -1);
    EXPECT_EQ(CompleteChordName("C"), "C ");
    EXPECT_EQ(CompleteChordName("Bb"), "Bb ");
    EXPECT_EQ(CompleteChordName("Cm"), "Cm");

    EXPECT_EQ(NoteValueIndexOfSixteenths(16), 9);
    EXPECT_EQ(NoteValueIndexOfSixteenths(5), 0);
    EXPECT_EQ(NoteValueTable[6].Eighths(), 5.0);
}

TEST(SongModel, ChordCellsHoldSevenBytesWithoutSplittingACharacter)
{
    ChordCell cell;
    cell.SetName("ABCDEF\x82\xa0");
    EXPECT_EQ(cell.Name(), "ABCDEF");
    cell.SetName("ABCDE\x82\xa0Z");
    EXPECT_EQ(cell.Name(), "ABCDE\x82\xa0");
    EXPECT_EQ(cell.name[7], 0);
}

TEST(SongModel, SetChordRunsAcrossBarLinesAndStopsAtTheEnd)
{
    SongData song = NewSong(2, 3, 0);
    CapturingReporter r;
    EXPECT_TRUE(song.SetChord(r, 0, 2, 9, 1, 2));
    EXPECT_EQ(song.ChordName(2), "Am");
    EXPECT_EQ(song.ChordName(3), "Am");
    EXPECT_EQ(song.ChordName(4), "C ");
    EXPECT_TRUE(song.SetChord(r, 1, 1, 7, 2, 50));
    EXPECT_EQ(song.ChordName(5), "G7");
    EXPECT_EQ(song.ChordName(6), "----");  // nothing written past the song
    EXPECT_TRUE(r.reports().empty());
    for (const auto& [root, type] : {std::pair{-1, 0}, {0, -1}, {12, 0}, {0, 18}}) {
        EXPECT_FALSE(song.SetChord(r, 0, 0, root, type, 1));
    }
    EXPECT_FALSE(song.SetChord(r, 2, 0, 0, 0, 1));  // bar outside the song
    EXPECT_EQ(r.Count("SGDT", 0), 5u);
    EXPECT_EQ(song.ChordName(0), "C ");
}

TEST(SongModel, SetNoteFirstSixteenth)
{
    CapturingReporter r;
    // A quarter note over a whole-bar rest: the rest starts again after it.
    SongData song = NewSong();
    ASSERT_TRUE(song.SetNote(r, 0, 2, 60, 3, 0));
    EXPECT_EQ(FirstCells(song, 0, 8), (std::vector<std::int32_t>{-1, -2, 60, -2, -1, -2, -2, -2}));
    EXPECT_EQ(song.GetNote(0, 3, 1).value, 60);
    EXPECT_EQ(song.GetNote(0, 3, 1).sixteenths, 4);
    EXPECT_EQ(song.GetNote(0, 7, 1).value, kRest);
    EXPECT_EQ(song.GetNote(0, 7, 1).sixteenths, 8);

    // A sixteenth turns the slot's second cell into a rest start.
    SongData sixteenth = NewSong();
    ASSERT_TRUE(sixteenth.SetNote(r, 0, 1, 62, 0, 0));
    EXPECT_EQ(sixteenth.melody[1].cell, (Cells{62, kRest, kNotTriplet}));
    EXPECT_EQ(sixteenth.GetNote(0, 1, 0).sixteenths, 1);

    // A dotted eighth: the next slot's second half and the slot after rest.
    SongData dotted = NewSong();
    ASSERT_TRUE(dotted.SetNote(r, 0, 0, 64, 2, 0));
    EXPECT_EQ(dotted.melody[0].cell[0], 64);
    EXPECT_EQ(dotted.melody[1].cell, (Cells{kHold, kRest, kNotTriplet}));
    EXPECT_EQ(dotted.melody[2].cell[0], kRest);
    EXPECT_EQ(dotted.GetNote(0, 0, 0).sixteenths, 3);

    // A whole note fills the bar; the next bar keeps its own start.
    SongData whole = NewSong();
    ASSERT_TRUE(whole.SetNote(r, 1, 0, 67, 9, 0));
    EXPECT_EQ(whole.GetNote(1, 5, 0).value, 67);
    EXPECT_EQ(whole.GetNote(1, 0, 0).sixteenths, 16);
    EXPECT_EQ(whole.melody[16].cell[0], kRest);
    EXPECT_TRUE(r.reports().empty());
}

TEST(SongModel, SetNoteSecondSixteenth)
{
    CapturingReporter r;
    SongData song = NewSong();
    ASSERT_TRUE(song.SetNote(r, 0, 0, 60, 3, 1));  // quarter from the 2nd sixteenth
    EXPECT_EQ(song.melody[0].cell, (Cells{kRest, 60, kNotTriplet}));
    EXPECT_EQ(song.melody[1].cell, (Cells{kHold, kHold, kNotTriplet}));
    EXPECT_EQ(song.melody[2].cell, (Cells{kHold, kRest, kNotTriplet}));
    EXPECT_EQ(song.GetNote(0, 2, 0).value, 60);
    EXPECT_EQ(song.GetNote(0, 0, 1).sixteenths, 4);

    SongData eighth = NewSong();
    ASSERT_TRUE(eighth.SetNote(r, 0, 4, 65, 1, 1));
    EXPECT_EQ(eighth.melody[4].cell[1], 65);
    EXPECT_EQ(eighth.melody[5].cell, (Cells{kHold, kRest, kNotTriplet}));

    SongData half = NewSong();
    ASSERT_TRUE(half.SetNote(r, 0, 1, 69, 5, 1));
    EXPECT_EQ(half.GetNote(0, 1, 1).sixteenths, 8);
    EXPECT_EQ(half.melody[5].cell, (Cells{kHold, kRest, kNotTriplet}));
    EXPECT_TRUE(r.reports().empty());
}

TEST(SongModel, SetNoteRefusalsLeaveTheSongUnchanged)
{
    SongData song = NewSong(2, 4, 0);
    CapturingReporter setup;
    song.SetNote(setup, 0, 0, 72, 3, 0);
    const auto before = BuildSongImage(song, 4, 0);
    struct Case {
        int bar, eighth, pitch, value, sub;
        std::uint32_t code;
    };
    const Case cases[] = {
        {0, 0, 60, 4, 1, 2},    // dotted quarter on a second sixteenth
        {0, 0, 60, 9, 1, 2},    // whole note on a second sixteenth
        {0, 0, 60, -1, 0, 0},   // no note value
        {0, 0, 60, 10, 0, 0},
        {1, 4, 60, 9, 0, 0},    // past the last bar
        {1, 7, 60, 3, 0, 0},
        {1, 7, 60, 1, 1, 0},    // the second half of the last cell's next slot
        {1, 6, 60, 3, 1, 0},
        {2, 0, 60, 0, 0, 0},    // a bar outside the song
        {0, 8, 60, 0, 0, 0},    // an eighth outside the bar
        {0, 0, 128, 0, 0, 0},   // not a pitch
        {0, 0, -2, 0, 0, 0},
        {0, 0, 60, 0, 2, 0},
    };
    for (const auto& c : cases) {
        CapturingReporter r;
        EXPECT_FALSE(song.SetNote(r, c.bar, c.eighth, c.pitch, c.value, c.sub));
        EXPECT_TRUE(r.Has("SGDT", c.code)) << c.bar << ":" << c.eighth << " value " << c.value;
        EXPECT_EQ(BuildSongImage(song, 4, 0), before);
    }
    CapturingReporter r;
    EXPECT_FALSE(song.SetNote(r, 0, 0, 60, 4, 1));
    EXPECT_EQ(r.lines().front(), "SGDT00000002 この位置にその音価は設定できません。");
    // The last cell of the song can still be filled.
    EXPECT_TRUE(song.SetNote(r, 1, 7, 60, 0, 1));
    EXPECT_TRUE(song.SetNote(r, 1, 6, 60, 3, 0));
}

TEST(SongModel, ClearNoteAfterAnOffBeatStartsARestOnTheNextEighth)
{
    CapturingReporter r;
    SongData song = NewSong();
    song.SetNote(r, 0, 0, 60, 3, 1);  // quarter from c1 of slot 0
    song.ClearNote(0, 0, 1);
    EXPECT_EQ(song.melody[0].cell[1], kRest);
    EXPECT_EQ(song.melody[1].cell[0], kRest);
    EXPECT_EQ(song.melody[2].cell[0], kHold);

    SongData first = NewSong();
    first.SetNote(r, 0, 0, 60, 5, 0);
    first.ClearNote(0, 0, 0);
    EXPECT_EQ(FirstCells(first, 0, 5), (std::vector<std::int32_t>{-1, -2, -2, -2, -1}));
}

TEST(SongModel, FreeRunCountsHoldsThenRestStarts)
{
    CapturingReporter r;
    SongData song = NewSong(2, 4, 0);
    EXPECT_EQ(song.FreeRun(0, 0), 9);  // 8 slots of the bar and the next bar's rest start
    EXPECT_EQ(song.FreeRun(0, 6), 3);
    song.SetNote(r, 0, 3, 64, 1, 0);
    EXPECT_EQ(song.FreeRun(0, 2), 1);  // a note start stops the run at once
    EXPECT_EQ(song.FreeRun(1, 7), 1);  // the end of the song
    EXPECT_EQ(song.FreeRun(2, 0), 0);
}

TEST(SongModel, BreakLongHoldCutsHoldsOfMoreThanEightSlots)
{
    CapturingReporter r;
    SongData song = NewSong(3, 4, 0);
    song.SetNote(r, 0, 0, 60, 9, 0);
    // Hold the whole note on into bar 1 as a pasted bar would.
    for (int s = 8; s < 10; ++s) song.melody[s].cell = {kHold, kHold, kNotTriplet};
    song.BreakLongHold(8);
    EXPECT_EQ(song.melody[8].cell[0], kRest);

    SongData shorter = NewSong(3, 4, 0);
    shorter.SetNote(r, 0, 2, 60, 7, 0);  // six slots, then one more slot held on
    shorter.melody[8].cell = {kHold, kHold, kNotTriplet};
    shorter.melody[9].cell[0] = kRest;
    shorter.BreakLongHold(8);
    EXPECT_EQ(shorter.melody[8].cell[0], kHold);
    shorter.BreakLongHold(9);  // not a hold: nothing
    EXPECT_EQ(shorter.melody[9].cell[0], kRest);
}

TEST(SongModel, BarCountShrinkThenGrowGivesFreshBars)
{
    CapturingReporter r;
    SongData song = NewSong(8, 4, 15);
    song.SetChord(r, 5, 0, 2, 1, 4);
    song.SetNote(r, 6, 2, 62, 3, 0);
    song.melody[50].text[0][0] = 'x';
    ASSERT_TRUE(song.SetBarCount(4));
    EXPECT_EQ(song.ChordName(16), "----");
    EXPECT_EQ(song.melody[50].text[0][0], 'x');  // kept outside the song
    ASSERT_TRUE(song.SetBarCount(8));
    const SongData fresh = NewSong(8, 4, 15);
    EXPECT_EQ(song.chords, fresh.chords);
    EXPECT_EQ(song.melody, fresh.melody);
    EXPECT_FALSE(song.SetBarCount(0));
    EXPECT_FALSE(song.SetBarCount(257));
    EXPECT_EQ(song.bars(), 8);
}

TEST(SongModel, UntouchedSong)
{
    CapturingReporter r;
    SongData song = NewSong();
    song.melody[3].cell[1] = 60;  // only first cells count
    EXPECT_TRUE(song.IsUntouched());
    song.SetNote(r, 7, 7, 60, 1, 0);
    EXPECT_FALSE(song.IsUntouched());
    SongData chord = NewSong();
    chord.SetChord(r, 0, 3, 0, 1, 1);
    EXPECT_FALSE(chord.IsUntouched());
}

TEST(SongModel, SnapshotRestoreIsSingleLevelUndo)
{
    CapturingReporter r;
    SongData song = NewSong();
    const auto original = BuildSongImage(song, song.beats(), song.key());
    song.RestoreSnapshot();  // no snapshot: nothing happens
    EXPECT_EQ(BuildSongImage(song, song.beats(), song.key()), original);

    song.TakeSnapshot();
    song.SetNote(r, 0, 0, 60, 3, 0);
    song.SetChord(r, 0, 0, 5, 0, 4);
    song.ChangeBeats(r, 3);
    song.Transpose(r, 0, 16);
    song.reserved[9] = 4;
    song.RestoreSnapshot();
    EXPECT_EQ(BuildSongImage(song, song.beats(), song.key()), original);
    EXPECT_EQ(song.keyName(), "C ");
    song.RestoreSnapshot();  // the snapshot stays
    EXPECT_EQ(BuildSongImage(song, song.beats(), song.key()), original);
    const SongData copy = song;  // a song is a value, snapshot included
    EXPECT_TRUE(copy.HasSnapshot());
    // An image whose header no song can hold is not put back.
    EXPECT_FALSE(RestoreSongImage(std::vector<std::uint8_t>(92492, 0xFF), song));
    EXPECT_FALSE(RestoreSongImage(std::vector<std::uint8_t>(100, 0), song));
    EXPECT_EQ(BuildSongImage(song, song.beats(), song.key()), original);
}

}  // namespace
}  // namespace songloom::song
