#include <gtest/gtest.h>

#include "song/bar_edit_panel.h"
#include "song/song_commands.h"
#include "song/song_image.h"

namespace songloom::song {
namespace {

// Every bar tells where it came from: bar b holds the chord with root b % 12
// (minor) on every beat and a whole note of pitch 40 + b (for b below 80).
SongData MarkedSong(int bars, int beats = 4)
{
    CapturingReporter r;
    SongData song;
    song.Reset(r, bars, beats, 0);
    for (int b = 0; b < bars; ++b) {
        song.SetChord(r, b, 0, b % 12, 1, beats);
        song.SetNote(r, b, 0, 40 + b % 80, beats == 4 ? 9 : 7, 0);
    }
    EXPECT_TRUE(r.reports().empty());
    return song;
}

// The origin of each bar of a marked song, -1 for a fresh bar.
std::vector<int> Origins(const SongData& song)
{
    std::vector<int> out;
    for (int b = 0; b < song.bars(); ++b) {
        const std::int32_t pitch = song.melody[b * song.SlotsPerBar()].cell[0];
        out.push_back(pitch >= 40 ? pitch - 40 : -1);
    }
    return out;
}

std::vector<std::uint8_t> Image(const SongData& song) { return BuildSongImage(song, song.beats(), song.key()); }

TEST(BarOperations, CopyBarsAlwaysInserts)
{
    SongData song = MarkedSong(8);
    BarEditPanelLogic panel(&song);
    CapturingReporter r;
    const auto result = panel.CopyBars(r, 0, 1, 0);
    EXPECT_TRUE(result.ran);
    EXPECT_TRUE(result.refreshRequested);
    EXPECT_EQ(Origins(song), (std::vector<int>{0, 1, 0, 1, 2, 3, 4, 5, 6, 7}));
    EXPECT_EQ(song.ChordName(3 * 4 + 3), "C#m");  // chords travel with the bars
    EXPECT_EQ(panel.endRange(), (SpinRange{1, 10}));

    SongData later = MarkedSong(8);
    BarEditPanelLogic laterPanel(&later);
    EXPECT_TRUE(laterPanel.CopyBars(r, 2, 3, 8).ran);  // at the end of the song
    EXPECT_EQ(Origins(later), (std::vector<int>{0, 1, 2, 3, 4, 5, 6, 7, 2, 3}));
    EXPECT_TRUE(r.reports().empty());
}

TEST(BarOperations, CopyIntoItsOwnRangeCopiesTheBarsAsTheyWere)
{
    SongData song = MarkedSong(8);
    BarEditPanelLogic panel(&song);
    CapturingReporter r;
    EXPECT_TRUE(panel.CopyBars(r, 0, 2, 1).ran);
    EXPECT_EQ(Origins(song), (std::vector<int>{0, 0, 1, 2, 1, 2, 3, 4, 5, 6, 7}));
    SongData last = MarkedSong(8);
    BarEditPanelLogic lastPanel(&last);
    EXPECT_TRUE(lastPanel.CopyBars(r, 3, 5, 5).ran);
    EXPECT_EQ(Origins(last), (std::vector<int>{0, 1, 2, 3, 4, 3, 4, 5, 5, 6, 7}));
}

TEST(BarOperations, MoveBars)
{
    CapturingReporter r;
    SongData song = MarkedSong(8);
    BarEditPanelLogic panel(&song);
    EXPECT_TRUE(panel.MoveBars(r, 4, 5, 0).ran);
    EXPECT_EQ(Origins(song), (std::vector<int>{4, 5, 0, 1, 2, 3, 6, 7}));

    SongData forward = MarkedSong(8);
    BarEditPanelLogic forwardPanel(&forward);
    EXPECT_TRUE(forwardPanel.MoveBars(r, 0, 1, 8).ran);
    EXPECT_EQ(Origins(forward), (std::vector<int>{2, 3, 4, 5, 6, 7, 0, 1}));

    // Into its own range, or right behind itself: the bars stay.
    for (int at : {3, 4, 5}) {
        SongData same = MarkedSong(8);
        BarEditPanelLogic samePanel(&same);
        EXPECT_TRUE(samePanel.MoveBars(r, 2, 4, at).ran);
        EXPECT_EQ(Origins(same), (std::vector<int>{0, 1, 2, 3, 4, 5, 6, 7})) << at;
    }
    EXPECT_TRUE(r.reports().empty());
}

TEST(BarOperations, CopyAndMoveRefusals)
{
    SongData song = MarkedSong(8);
    const auto before = Image(song);
    BarEditPanelLogic panel(&song);
    CapturingReporter r;
    EXPECT_FALSE(panel.CopyBars(r, 0, 1, 9).ran);
    EXPECT_FALSE(panel.MoveBars(r, 0, 1, 9).ran);
    EXPECT_EQ(r.lines(), (std::vector<std::string>(2, "小節数を越える位置にコピー、移動することはできません。")));
    r.Clear();
    EXPECT_FALSE(panel.CopyBars(r, 3, 2, 0).ran);  // empty range
    EXPECT_FALSE(panel.CopyBars(r, 6, 8, 0).ran);  // bars beyond the song
    EXPECT_EQ(r.lines(), (std::vector<std::string>(2, "小節の編集ができませんでした。")));
    EXPECT_EQ(Image(song), before);

    SongData full = MarkedSong(250);
    BarEditPanelLogic fullPanel(&full);
    r.Clear();
    EXPECT_FALSE(fullPanel.CopyBars(r, 0, 6, 0).ran);  // 257 bars do not fit
    EXPECT_TRUE(r.Has("SGDT", 0));
    EXPECT_EQ(full.bars(), 250);
    EXPECT_TRUE(fullPanel.CopyBars(r, 0, 5, 0).ran);
    EXPECT_EQ(full.bars(), 256);
}

TEST(BarOperations, InsertGivesFreshBars)
{
    SongData song = MarkedSong(8);
    song.melody[20].text[0][0] = 'a';  // a lyric in bar 3 (1-based)
    CapturingReporter r;
    ASSERT_TRUE(song.InsertBars(r, 2, 3));
    EXPECT_EQ(Origins(song), (std::vector<int>{0, 1, -1, -1, 2, 3, 4, 5, 6, 7}));
    for (int beat = 8; beat < 16; ++beat) EXPECT_EQ(song.ChordName(beat), "C ");
    EXPECT_EQ(song.GetNote(2, 0, 0).value, kRest);
    EXPECT_EQ(song.GetNote(2, 0, 0).sixteenths, 16);
    EXPECT_EQ(song.melody[24].cell[0], kRest);
    for (int s = 16; s < 32; ++s) EXPECT_EQ(song.melody[s].text, MelodySlot{}.text);
    EXPECT_EQ(song.melody[36].text[0][0], 'a');  // moved on with its bar

    // At the end of the song.
    ASSERT_TRUE(song.InsertBars(r, 10, 10));
    EXPECT_EQ(Origins(song).back(), -1);
    EXPECT_TRUE(r.reports().empty());

    for (const auto& [first, last] : {std::pair{3, 2}, {12, 12}, {-1, 0}, {0, 250}}) {
        EXPECT_FALSE(song.InsertBars(r, first, last));
    }
    EXPECT_EQ(r.Count("SGDT", 0), 4u);
    EXPECT_EQ(song.bars(), 11);
}

TEST(BarOperations, BarsThatHoldANoteOnStartItThemselves)
{
    CapturingReporter r;
    // A note from bar 2 held into bar 3 (1-based), then bar 3 inserted.
    SongData song = MarkedSong(4);
    song.SetNote(r, 1, 4, 62, 9, 0);  // half a bar into bar 3
    ASSERT_EQ(song.melody[16].cell[0], kHold);
    ASSERT_TRUE(song.InsertBars(r, 2, 2));
    EXPECT_EQ(song.GetNote(2, 0, 0).value, kRest);
    EXPECT_EQ(song.GetNote(2, 7, 1).value, kRest);
    EXPECT_EQ(song.melody[24].cell[0], 62);  // the old bar 3 starts its own note
    EXPECT_EQ(song.GetNote(3, 0, 0).sixteenths, 8);

    // Deleting the bar where a held note started: the bar after restarts it.
    SongData del = MarkedSong(4);
    del.SetNote(r, 1, 4, 62, 9, 0);
    ASSERT_TRUE(del.DeleteBars(r, 1, 1));
    EXPECT_EQ(del.melody[8].cell[0], 62);
    EXPECT_EQ(del.GetNote(0, 7, 1).value, 40);

    // ClearBar: the next bar takes what the cleared bar sounded at its end.
    SongData cleared = MarkedSong(4);
    cleared.SetNote(r, 0, 6, 65, 5, 0);  // from the last beat of bar 1 into bar 2
    cleared.ClearBar(0);
    EXPECT_EQ(cleared.melody[8].cell[0], 65);
    EXPECT_EQ(cleared.melody[0].cell[0], kRest);
    EXPECT_TRUE(r.reports().empty());
}

TEST(BarOperations, DeleteBars)
{
    CapturingReporter r;
    SongData song = MarkedSong(8);
    ASSERT_TRUE(song.DeleteBars(r, 5, 20));  // end beyond the song: up to the last bar
    EXPECT_EQ(Origins(song), (std::vector<int>{0, 1, 2, 3, 4}));
    EXPECT_EQ(song.ChordName(20), "----");
    ASSERT_TRUE(song.DeleteBars(r, 1, 2));
    EXPECT_EQ(Origins(song), (std::vector<int>{0, 3, 4}));
    EXPECT_TRUE(song.DeleteBars(r, 3, 5));  // first beyond the song: nothing
    EXPECT_EQ(song.bars(), 3);
    EXPECT_TRUE(r.reports().empty());
    // A song keeps at least one bar; empty ranges are refused.
    EXPECT_FALSE(song.DeleteBars(r, 0, 2));
    EXPECT_FALSE(song.DeleteBars(r, 2, 1));
    EXPECT_EQ(r.Count("SGDT", 0), 2u);
    EXPECT_EQ(Origins(song), (std::vector<int>{0, 3, 4}));
}

TEST(BarOperations, ClearTextsStaysInsideTheSong)
{
    SongData song = MarkedSong(2);
    for (auto& slot : song.melody) slot.text[2][0] = 'z';
    song.ClearTexts(1, 9);
    EXPECT_EQ(song.melody[7].text[2][0], 'z');
    EXPECT_EQ(song.melody[8].text[2][0], 0);
    EXPECT_EQ(song.melody[15].text[2][0], 0);
    EXPECT_EQ(song.melody[16].text[2][0], 'z');
    song.ClearTexts(2, 3);
    EXPECT_EQ(song.melody[16].text[2][0], 'z');
}

TEST(TimeSignature, FourToThreeAndBack)
{
    CapturingReporter r;
    SongData song = MarkedSong(3);
    song.SetChord(r, 1, 2, 7, 2, 1);  // G7 on beat 3 of bar 2
    song.SetChord(r, 1, 3, 5, 0, 1);  // F on beat 4
    ASSERT_TRUE(song.ChangeBeats(r, 3));
    EXPECT_EQ(song.beats(), 3);
    EXPECT_EQ(song.bars(), 3);
    EXPECT_EQ(song.ChordName(5), "G7");
    EXPECT_EQ(song.ChordName(9), "----");
    EXPECT_EQ(song.melody[6].cell[0], 41);  // bar 2 starts at slot 6 now
    ASSERT_TRUE(song.ChangeBeats(r, 4));
    EXPECT_EQ(song.ChordName(6), "G7");
    EXPECT_EQ(song.ChordName(7), "G7");  // beat 4 repeats beat 3's chord; F is lost
    // The new fourth beat is a rest of its own in every bar.
    for (int b = 0; b < 3; ++b) {
        EXPECT_EQ(song.melody[b * 8 + 6].cell, (std::array<std::int32_t, 3>{kRest, kHold, kNotTriplet})) << b;
        EXPECT_EQ(song.melody[b * 8 + 7].cell[0], kHold);
        EXPECT_EQ(song.melody[b * 8].cell[0], 40 + b);
    }
    EXPECT_EQ(song.GetNote(0, 0, 0).sixteenths, 12);
    EXPECT_TRUE(song.ChangeBeats(r, 4));  // same value: nothing
    EXPECT_FALSE(song.ChangeBeats(r, 2));
    EXPECT_TRUE(r.Has("SGDT", 0));
}

TEST(Transposition, KeysMoveChordsAndMelody)
{
    CapturingReporter r;
    SongData song = MarkedSong(2);
    song.SetChord(r, 0, 0, 9, 4, 1);        // Am7
    song.SetChordName(1, "Bb7");            // a flat spelling
    song.SetNote(r, 1, 0, 60, 3, 0);
    song.melody[3].cell[1] = 125;
    ASSERT_TRUE(song.Transpose(r, 0, 1));   // C to G: up 7
    EXPECT_EQ(song.ChordName(0), "Em7");
    EXPECT_EQ(song.ChordName(1), "F7");
    EXPECT_EQ(song.melody[8].cell[0], 67);
    EXPECT_EQ(song.melody[3].cell[1], 120);  // 132 brought down an octave
    EXPECT_EQ(song.melody[9].cell[0], kHold);
    EXPECT_EQ(song.keyName(), "G ");

    SongData minor = MarkedSong(1);
    minor.SetNote(r, 0, 0, 60, 3, 0);
    ASSERT_TRUE(minor.Transpose(r, 0, 15));  // C major to A minor: d = 12
    EXPECT_EQ(minor.melody[0].cell[0], 72);
    EXPECT_EQ(minor.ChordName(0), "Cm");
    EXPECT_EQ(minor.keyName(), "Am");

    SongData down = MarkedSong(1);
    down.SetNote(r, 0, 0, 3, 3, 0);
    ASSERT_TRUE(down.Transpose(r, 7, 13));  // C# to Gb: d = 5
    ASSERT_TRUE(down.Transpose(r, 3, 14));  // A to Cb: d = 2
    ASSERT_TRUE(down.Transpose(r, 29, 0));  // Abm to C: d = -11
    EXPECT_EQ(down.melody[0].cell[0], 3 + 5 + 2 - 11 + 12);
    EXPECT_TRUE(r.reports().empty());

    SongData bad = MarkedSong(1);
    bad.SetChordName(2, "Cb ");
    ASSERT_TRUE(bad.Transpose(r, 0, 2));
    EXPECT_EQ(bad.ChordName(2), "Cb ");  // not recognised: left alone
    EXPECT_EQ(bad.ChordName(0), "Dm");
    EXPECT_EQ(r.Count("SGDT", 0), 1u);
}

TEST(Transposition, KeyChangeAsksOnlyForATouchedSong)
{
    CapturingReporter r;
    SongData untouched;
    int asked = 0;
    const auto ask = [&] {
        ++asked;
        return KeyChangeAnswer::kSignatureOnly;
    };
    EXPECT_EQ(ChangeKey(r, untouched, 2, ask), KeyChangeOutcome::kTransposed);
    EXPECT_EQ(asked, 0);
    EXPECT_EQ(untouched.ChordName(0), "D ");

    SongData touched;
    touched.SetNote(r, 0, 0, 60, 3, 0);
    EXPECT_EQ(ChangeKey(r, touched, 2, ask), KeyChangeOutcome::kSignatureOnly);
    EXPECT_EQ(asked, 1);
    EXPECT_EQ(touched.keyName(), "D ");
    EXPECT_EQ(touched.melody[0].cell[0], 60);
    EXPECT_EQ(touched.ChordName(0), "C ");
    EXPECT_EQ(ChangeKey(r, touched, 4, [] { return KeyChangeAnswer::kTranspose; }),
              KeyChangeOutcome::kTransposed);
    EXPECT_EQ(touched.melody[0].cell[0], 62);
    EXPECT_EQ(ChangeKey(r, touched, 4, ask), KeyChangeOutcome::kUnchanged);
}

TEST(SongCommands, ClearSongAsksAndKeepsTheKey)
{
    CapturingReporter r;
    SongData song = MarkedSong(12);
    song.SetKey(16);
    r.ScriptAnswers({false, true});
    EXPECT_FALSE(ClearSong(r, song, 1));
    EXPECT_EQ(song.bars(), 12);
    EXPECT_TRUE(ClearSong(r, song, 1));
    EXPECT_EQ(r.questions(), (std::vector<std::string>(2, "曲をクリアしますか？")));
    EXPECT_EQ(song.bars(), 8);
    EXPECT_EQ(song.beats(), 3);
    EXPECT_EQ(song.keyName(), "Em");
    EXPECT_TRUE(song.IsUntouched());
    EXPECT_TRUE(ChangeTimeSignature(r, song, -1));
    EXPECT_EQ(song.beats(), 4);
}

TEST(BarEditPanel, SpinRangesFollowTheOperation)
{
    SongData song = MarkedSong(8);
    BarEditPanelLogic panel(&song);
    panel.Open(3, 4);
    EXPECT_EQ(panel.operation(), BarEditOperation::kCopy);
    EXPECT_EQ(panel.startRange(), (SpinRange{1, 8}));
    EXPECT_EQ(panel.endRange(), (SpinRange{1, 8}));
    EXPECT_EQ(panel.insertAtRange(), (SpinRange{1, 1024}));
    EXPECT_TRUE(panel.insertAtShown());
    EXPECT_EQ(panel.insertAt(), 5);
    panel.SelectOperation(BarEditOperation::kInsert);
    EXPECT_EQ(panel.startRange(), (SpinRange{1, 9}));
    EXPECT_EQ(panel.endRange(), (SpinRange{1, 1024}));
    EXPECT_FALSE(panel.insertAtShown());
    panel.SelectOperation(BarEditOperation::kDelete);
    EXPECT_EQ(panel.startRange(), (SpinRange{1, 8}));
    EXPECT_EQ(panel.endRange(), (SpinRange{1, 8}));
    EXPECT_FALSE(panel.insertAtShown());
    panel.Open(0, -3);  // each at least 1
    EXPECT_EQ(panel.start(), 1);
    EXPECT_EQ(panel.end(), 1);
}

TEST(BarEditPanel, StartAndEndFollowEachOther)
{
    SongData song = MarkedSong(8);
    BarEditPanelLogic panel(&song);
    panel.Open(2, 3);
    panel.EditStart(6);
    EXPECT_EQ(panel.end(), 6);
    panel.EditEnd(4);
    EXPECT_EQ(panel.start(), 4);
    panel.EditStart(2);
    EXPECT_EQ(panel.end(), 4);
    panel.EditEnd(99);  // held inside the spin's range
    EXPECT_EQ(panel.end(), 8);
}

TEST(BarEditPanel, ApplyChecksTheEndTakesASnapshotAndUndoes)
{
    SongData song = MarkedSong(8);
    const auto original = Image(song);
    BarEditPanelLogic panel(&song);
    CapturingReporter r;

    panel.SelectOperation(BarEditOperation::kInsert);
    panel.Open(2, 300);
    EXPECT_EQ(panel.end(), 300);
    EXPECT_FALSE(panel.Apply(r).ran);
    EXPECT_EQ(r.lines(), (std::vector<std::string>{"小節の編集ができませんでした。"}));
    EXPECT_FALSE(song.HasSnapshot());

    r.Clear();
    panel.Open(2, 3);
    auto result = panel.Apply(r);
    EXPECT_TRUE(result.ran);
    EXPECT_FALSE(result.refreshRequested);  // insert asks for no refresh
    EXPECT_EQ(Origins(song), (std::vector<int>{0, -1, -1, 1, 2, 3, 4, 5, 6, 7}));
    panel.Undo();
    EXPECT_EQ(Image(song), original);

    panel.SelectOperation(BarEditOperation::kDelete);
    panel.Open(1, 7);
    result = panel.Apply(r);
    EXPECT_TRUE(result.refreshRequested);
    EXPECT_EQ(Origins(song), (std::vector<int>{7}));
    EXPECT_EQ(panel.startRange(), (SpinRange{1, 1}));  // set up again for 1 bar
    panel.Undo();
    EXPECT_EQ(Image(song), original);

    panel.SelectOperation(BarEditOperation::kMove);
    panel.Open(5, 6);
    panel.EditInsertAt(1);
    EXPECT_TRUE(panel.Apply(r).refreshRequested);
    EXPECT_EQ(Origins(song), (std::vector<int>{4, 5, 0, 1, 2, 3, 6, 7}));
    EXPECT_TRUE(r.reports().empty());
    panel.Undo();
    EXPECT_EQ(Image(song), original);
}

}  // namespace
}  // namespace songloom::song
