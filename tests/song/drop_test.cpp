#include <gtest/gtest.h>

#include "song/drop_target.h"
#include "song/song_image.h"

namespace songloom::song {
namespace {

using Cells = std::vector<std::int32_t>;

SongData NewSong(int bars = 8, int beats = 4)
{
    CapturingReporter r;
    SongData song;
    song.Reset(r, bars, beats, 0);
    return song;
}

Cells FirstCells(const SongData& song, int from, int count)
{
    Cells out;
    for (int i = from; i < from + count; ++i) out.push_back(song.melody[i].cell[0]);
    return out;
}

// Four rows of four 160 x 100 cells, as the main window lays them out.
std::array<CellRect, kScoreCells> Grid()
{
    std::array<CellRect, kScoreCells> cells{};
    for (int c = 0; c < kScoreCells; ++c) cells[c] = {10 + (c % 4) * 160, 20 + (c / 4) * 100, 160, 100};
    return cells;
}

ScoreHit At(int bar, int slot) { return ScoreHit{bar % 16, bar, slot}; }

TEST(Payloads, BuildAndParse)
{
    EXPECT_EQ(NotePayload(-1), "note:-1");
    EXPECT_EQ(ParsePayload(NotePayload(-1)), (DragPayload{PayloadKind::kNote, -1, ""}));
    EXPECT_EQ(ParsePayload(LengthPayload(8)), (DragPayload{PayloadKind::kLength, 8, ""}));
    EXPECT_EQ(ParsePayload(PhrasePayload(3)), (DragPayload{PayloadKind::kPhrase, 3, ""}));
    EXPECT_EQ(ParsePayload(ScorePayload(37)), (DragPayload{PayloadKind::kScore, 37, ""}));
    EXPECT_EQ(ParsePayload(ChordPayload("Am7")), (DragPayload{PayloadKind::kChord, 0, "Am7"}));
    EXPECT_EQ(ParsePayload("test").kind, PayloadKind::kUnknown);
    EXPECT_EQ(ParsePayload("Note:5").kind, PayloadKind::kUnknown);  // keywords are exact
    EXPECT_EQ(ParsePayload(" note:5").kind, PayloadKind::kUnknown);
    EXPECT_EQ(ParsePayload(std::string("\0note:5", 7)).kind, PayloadKind::kUnknown);
}

TEST(Payloads, NumbersAreAPlainDecimalConversion)
{
    EXPECT_EQ(PayloadNumber("60"), 60);
    EXPECT_EQ(PayloadNumber(" -1"), -1);
    EXPECT_EQ(PayloadNumber("+7x"), 7);
    EXPECT_EQ(PayloadNumber("x7"), 0);
    EXPECT_EQ(PayloadNumber(""), 0);
    EXPECT_EQ(PayloadNumber("99999999999999999999"), 2147483647);
    EXPECT_EQ(PayloadNumber("-99999999999999999999"), -2147483647 - 1);
}

TEST(Payloads, ChordNamesAreShiftJisAware)
{
    EXPECT_EQ(PayloadChordName("Am7\r\nrest"), "Am7");
    EXPECT_EQ(PayloadChordName("G\nx"), "G");
    EXPECT_EQ(PayloadChordName("0123456789abcdefXYZ"), "0123456789abcdef");
    // A double-byte character whose trail byte is 0x0A does not end the name
    // (its lead byte takes it), and one that would cross 16 bytes is left out.
    EXPECT_EQ(PayloadChordName("C\x81\x0A" "D"), "C\x81\x0A" "D");
    EXPECT_EQ(PayloadChordName("0123456789abcde\x82\xA0"), "0123456789abcde");
    EXPECT_EQ(PayloadChordName("\x82"), "\x82");  // a lone lead byte at the end
    EXPECT_EQ(ChordPayload("0123456789abcdefgh"), "chord:0123456789abcdef");
}

TEST(DropTarget, TakesTextOnly)
{
    std::vector<std::string> dropped;
    std::vector<std::string> hovered;
    CDropTarget target([&](std::string_view t, int, int) { dropped.emplace_back(t); },
                       [&](std::string_view t, int, int) { hovered.emplace_back(t); });
    CapturingReporter r;
    EXPECT_FALSE(target.Drop(r, std::nullopt, 1, 2));
    ASSERT_EQ(r.lines().size(), 1u);
    EXPECT_EQ(r.lines().front(), "DRTG00000001 この形式はサポートしていません");
    EXPECT_TRUE(dropped.empty());
    EXPECT_EQ(target.DragOver(std::nullopt, 1, 2), DropEffect::kNone);

    EXPECT_TRUE(target.Drop(r, std::string(2000, 'a'), 1, 2));
    EXPECT_EQ(dropped.back().size(), 1024u);
    EXPECT_EQ(target.DragOver(std::string("note:60\0junk", 12), 1, 2), DropEffect::kCopy);
    EXPECT_EQ(hovered.back(), "note:60");
    r.Clear();
    DropTargetErrorMsg(r, 7);
    EXPECT_EQ(r.lines().front(), "DRTG00000007 ドロップされた内容を受け付けられませんでした。");
}

TEST(HitTest, CellsAndSlots)
{
    const auto cells = Grid();
    EXPECT_EQ(HitTestCell(cells, 0, 4, 10, 20), (ScoreHit{0, 0, 0}));
    EXPECT_EQ(HitTestCell(cells, 1, 4, 10 + 160 * 3 + 159, 20 + 99), (ScoreHit{3, 19, 7}));
    EXPECT_EQ(HitTestCell(cells, 2, 4, 10 + 160 + 45, 20 + 150), (ScoreHit{5, 37, 2}));
    // 3/4: the slot is cut to the bar's last.
    EXPECT_EQ(HitTestCell(cells, 0, 3, 10 + 159, 25)->slot, 5);
    // Outside every cell, and the right and bottom edges.
    EXPECT_FALSE(HitTestCell(cells, 0, 4, 9, 20));
    EXPECT_FALSE(HitTestCell(cells, 0, 4, 10 + 640, 20));
    EXPECT_FALSE(HitTestCell(cells, 0, 4, 10, 20 + 400));
    // Overlapping cells: the first one wins.
    auto overlap = cells;
    overlap[1] = overlap[0];
    EXPECT_EQ(HitTestCell(overlap, 0, 4, 50, 50)->cell, 0);
    // A degenerate cell narrower than eight pixels hits slot by pixel.
    auto narrow = cells;
    narrow[0].width = 4;
    EXPECT_EQ(HitTestCell(narrow, 0, 4, 13, 20)->slot, 3);

    std::array<CellRect, kPhraseCells> phrase{};
    for (int c = 0; c < 4; ++c) phrase[c] = {c * 160, 0, 160, 80};
    EXPECT_EQ(HitTestPhraseCell(phrase, 4, 160 + 25, 10), (ScoreHit{1, 1, 1}));   // beat 0, odd eighth
    EXPECT_EQ(HitTestPhraseCell(phrase, 4, 160 + 45, 10), (ScoreHit{1, 1, 2}));   // beat 1, even eighth
    EXPECT_EQ(HitTestPhraseCell(phrase, 3, 3 * 160 + 159, 10), (ScoreHit{3, 3, 5}));
    EXPECT_FALSE(HitTestPhraseCell(phrase, 4, 700, 10));
}

TEST(DragOver, BandFollowsThePayload)
{
    CapturingReporter r;
    SongData song = NewSong();
    song.SetNote(r, 0, 2, 60, 3, 0);
    const ScoreHit hit = At(0, 2);
    EXPECT_EQ(DragOverBand(song, "phrase:1", hit, 160), (HighlightBand{0, 0, 160}));
    EXPECT_EQ(DragOverBand(song, "score:4", hit, 160), (HighlightBand{0, 0, 160}));
    EXPECT_EQ(DragOverBand(song, "note:60", At(0, 5), 160), (HighlightBand{0, 100, 120}));
    EXPECT_EQ(DragOverBand(song, "chord:G", At(0, 5), 160), (HighlightBand{0, 80, 120}));
    EXPECT_EQ(DragOverBand(song, "length:4", hit, 160), (HighlightBand{0, 40, 120}));
    EXPECT_FALSE(DragOverBand(song, "length:4", At(0, 3), 160));  // no note start there
    EXPECT_FALSE(DragOverBand(song, "length:4", At(9, 0), 160));  // outside the song
    EXPECT_FALSE(DragOverBand(song, "hello", hit, 160));

    // The window repaints only when the band changes.
    DragOverHighlight highlight;
    EXPECT_FALSE(highlight.Clear());
    EXPECT_TRUE(highlight.Show(DragOverBand(song, "note:60", At(0, 5), 160)));
    EXPECT_FALSE(highlight.Show(DragOverBand(song, "note:61", At(0, 5), 160)));
    EXPECT_TRUE(highlight.Show(DragOverBand(song, "note:61", At(0, 6), 160)));
    EXPECT_TRUE(highlight.Show(DragOverBand(song, "length:4", At(0, 3), 160)));  // none
    EXPECT_FALSE(highlight.shown());
    EXPECT_FALSE(highlight.Clear());
}

TEST(ScoreDrop, NotesFillTheRestTheyLandOnUpToTheBarLine)
{
    CapturingReporter r;
    const SongData phrase = NewSong(4);
    SongData song = NewSong();
    auto result = DropOnScore(r, song, phrase, "note:60", At(0, 0));
    EXPECT_TRUE(result.keyboardNoteTaken);
    EXPECT_TRUE(result.redraw);
    EXPECT_EQ(song.GetNote(0, 0, 0).sixteenths, 16);  // a whole note

    SongData quarter = NewSong();
    DropOnScore(r, quarter, phrase, "note:60", At(1, 6));
    EXPECT_EQ(quarter.GetNote(1, 6, 0).value, 60);
    EXPECT_EQ(quarter.GetNote(1, 6, 0).sixteenths, 4);

    SongData eighth = NewSong();
    eighth.SetNote(r, 0, 3, 67, 1, 0);
    DropOnScore(r, eighth, phrase, "note:64", At(0, 2));
    EXPECT_EQ(FirstCells(eighth, 0, 5), (Cells{-1, -2, 64, 67, -1}));

    SongData rest = NewSong();
    rest.SetNote(r, 0, 0, 60, 9, 0);
    DropOnScore(r, rest, phrase, "note:-1", At(0, 4));  // the split tool
    EXPECT_EQ(FirstCells(rest, 0, 8), (Cells{60, -2, -2, -2, -1, -2, -2, -2}));

    // A pitch that is no pitch is refused by the song.
    SongData bad = NewSong();
    DropOnScore(r, bad, phrase, "note:200", At(0, 0));
    EXPECT_TRUE(r.Has("SGDT", 0));
    EXPECT_EQ(bad.melody[0].cell[0], kRest);
}

TEST(ScoreDrop, ChordsReplaceTheRunOfTheOldChord)
{
    CapturingReporter r;
    const SongData phrase = NewSong(4);
    SongData song = NewSong();
    DropOnScore(r, song, phrase, "chord:F", At(0, 2));
    EXPECT_EQ(song.ChordName(0), "C ");
    for (int beat = 1; beat < 4; ++beat) EXPECT_EQ(song.ChordName(beat), "F ");
    EXPECT_EQ(song.ChordName(4), "C ");  // the next bar is another run

    DropOnScore(r, song, phrase, "chord:G7", At(0, 0));
    EXPECT_EQ(song.ChordName(0), "G7");
    EXPECT_EQ(song.ChordName(1), "F ");  // another name ends the run

    DropOnScore(r, song, phrase, "chord:UnKnown", At(0, 2));
    EXPECT_EQ(song.ChordName(1), "C ");
    DropOnScore(r, song, phrase, "chord:Bbm7", At(1, 7));
    EXPECT_EQ(song.ChordName(7), "A#m7");
    EXPECT_TRUE(r.reports().empty());

    const auto before = BuildSongImage(song, 4, 0);
    DropOnScore(r, song, phrase, "chord:", At(0, 0));
    DropOnScore(r, song, phrase, "chord:Hm", At(0, 0));
    EXPECT_EQ(r.lines(), (std::vector<std::string>{"コード名が読み取れません。",
                                                   "SGDT00000000 楽曲情報でエラーがおきました。"}));
    EXPECT_EQ(BuildSongImage(song, 4, 0), before);
}

TEST(ScoreDrop, DropsBeyondTheSongGrowItFirst)
{
    CapturingReporter r;
    const SongData phrase = NewSong(4);
    for (const char* text : {"note:60", "chord:D", "phrase:0", "score:0"}) {
        SongData song = NewSong(16);
        const auto cells = Grid();
        const auto hit = HitTestCell(cells, 1, 4, 10 + 3 * 160 + 5, 25);  // page 1, cell 3
        ASSERT_EQ(hit->bar, 19);
        DropOnScore(r, song, phrase, text, hit);
        EXPECT_EQ(song.bars(), 20) << text;
        EXPECT_EQ(song.ChordName(16 * 4), "C ") << text;  // the grown bars are fresh
    }
    // The song cannot grow past 256 bars: nothing happens.
    SongData full = NewSong(256);
    EXPECT_FALSE(DropChordOnScore(r, full, "D", 256, 0));
    EXPECT_EQ(full.bars(), 256);
    EXPECT_TRUE(r.reports().empty());
}

TEST(ScoreDrop, LengthsHoldANoteOver)
{
    CapturingReporter r;
    const SongData phrase = NewSong(4);
    SongData onRest = NewSong();
    const auto before = BuildSongImage(onRest, 4, 0);
    DropOnScore(r, onRest, phrase, "length:4", At(0, 0));
    EXPECT_EQ(BuildSongImage(onRest, 4, 0), before);  // on a rest: nothing

    // The note it cuts off starts again after it.
    SongData cut = NewSong();
    cut.SetNote(r, 0, 0, 60, 1, 0);
    cut.SetNote(r, 0, 1, 62, 5, 0);
    DropOnScore(r, cut, phrase, "length:3", At(0, 0));
    EXPECT_EQ(FirstCells(cut, 0, 6), (Cells{60, -2, -2, 62, -2, -1}));

    // Over a rest that went on: the rest starts again in every held slot.
    SongData rest = NewSong(2);
    rest.SetNote(r, 0, 0, 60, 1, 0);
    DropOnScore(r, rest, phrase, "length:2", At(0, 0));
    EXPECT_EQ(FirstCells(rest, 0, 9), (Cells{60, -2, -1, -1, -1, -1, -1, -1, -1}));

    // Reaching past the end of the song grows it by one bar.
    SongData end = NewSong(1);
    end.SetNote(r, 0, 6, 60, 3, 0);
    EXPECT_TRUE(DropLengthOnScore(end, 4, 0, 6));
    EXPECT_EQ(end.bars(), 2);
    EXPECT_EQ(FirstCells(end, 6, 4), (Cells{60, -2, -2, -2}));
    EXPECT_FALSE(DropLengthOnScore(end, 0, 0, 6));
    EXPECT_TRUE(r.reports().empty());
}

TEST(ScoreDrop, ScoreAndPhraseBarsAreCopiedWithTheirChords)
{
    CapturingReporter r;
    SongData phrase = NewSong(4);
    phrase.SetChord(r, 2, 0, 9, 1, 4);
    phrase.SetNote(r, 2, 0, 69, 9, 0);
    SongData song = NewSong();
    auto result = DropOnScore(r, song, phrase, "phrase:2", At(5, 3));
    EXPECT_TRUE(result.redraw);
    EXPECT_EQ(song.ChordName(5 * 4 + 3), "Am");
    EXPECT_EQ(song.GetNote(5, 0, 0).value, 69);

    DropOnScore(r, song, phrase, "score:5", At(1, 0));
    EXPECT_EQ(song.ChordName(4), "Am");
    EXPECT_EQ(song.melody[8].cell[0], 69);
    const auto before = BuildSongImage(song, 4, 0);
    DropOnScore(r, song, phrase, "score:8", At(1, 0));  // not below bars: nothing
    DropOnScore(r, song, phrase, "phrase:4", At(1, 0)); // the phrase has 4 bars
    EXPECT_EQ(BuildSongImage(song, 4, 0), before);

    // A 3/4 phrase bar stays inside its 4/4 target bar, and the reverse.
    SongData waltz = NewSong(4, 3);
    waltz.SetChord(r, 0, 0, 7, 0, 3);
    SongData four = NewSong(2);
    four.SetChord(r, 1, 0, 2, 0, 4);
    DropPhraseOnScore(r, four, waltz, 0, 0);
    EXPECT_EQ(four.ChordName(2), "G ");
    EXPECT_EQ(four.ChordName(3), "C ");
    EXPECT_EQ(four.ChordName(4), "D ");
    CopyScoreBarToPhrase(r, waltz, four, 1, 1);
    EXPECT_EQ(waltz.ChordName(5), "D ");
    EXPECT_EQ(waltz.ChordName(6), "C ");
    EXPECT_TRUE(r.reports().empty());
}

TEST(ScoreDrop, PastingAHeldBarBreaksHoldsOverEightSlots)
{
    CapturingReporter r;
    SongData phrase = NewSong(4);
    phrase.melody[0].cell[0] = kHold;  // bar 0 of the phrase holds on whatever came before
    SongData song = NewSong();
    song.SetNote(r, 1, 0, 60, 9, 0);
    DropOnScore(r, song, phrase, "phrase:0", At(2, 0));
    EXPECT_EQ(song.melody[16].cell[0], kRest);
}

TEST(ScoreDrop, SnapshotComesFirstAndUnknownTextsAsk)
{
    CapturingReporter r;
    const SongData phrase = NewSong(4);
    SongData song = NewSong();
    song.SetNote(r, 0, 0, 60, 3, 0);
    const auto original = BuildSongImage(song, 4, 0);
    auto result = DropOnScore(r, song, phrase, "library:1", At(0, 0));
    EXPECT_TRUE(result.hit);
    EXPECT_TRUE(result.showMainMessage0);
    EXPECT_FALSE(result.redraw);
    ASSERT_TRUE(song.HasSnapshot());
    EXPECT_EQ(song.Snapshot(), original);

    DropOnScore(r, song, phrase, "note:72", At(0, 4));
    EXPECT_NE(BuildSongImage(song, 4, 0), original);
    song.RestoreSnapshot();
    EXPECT_EQ(BuildSongImage(song, 4, 0), original);

    result = DropOnScore(r, song, phrase, "note:72", std::nullopt);  // no cell hit
    EXPECT_FALSE(result.hit);
    EXPECT_EQ(BuildSongImage(song, 4, 0), original);
}

TEST(PhraseDrop, PayloadsOnThePhrasePalette)
{
    CapturingReporter r;
    SongData phrase = NewSong(4);
    // chord: every beat of the old name to the end of the bar, names unchanged.
    phrase.SetChord(r, 1, 2, 5, 0, 1);
    auto result = DropOnPhrase(phrase, "chord:Bb", ScoreHit{1, 1, 0});
    EXPECT_TRUE(result.repaint);
    EXPECT_EQ(phrase.ChordName(4), "Bb ");
    EXPECT_EQ(phrase.ChordName(5), "Bb ");
    EXPECT_EQ(phrase.ChordName(6), "F ");
    EXPECT_EQ(phrase.ChordName(7), "Bb ");
    EXPECT_EQ(phrase.ChordName(8), "C ");

    // note: the run of the old first cell; texts emptied, second cells kept.
    phrase.melody[2].text[0][0] = 'x';
    phrase.melody[2].cell[1] = 55;
    DropOnPhrase(phrase, "note:65", ScoreHit{0, 0, 1});
    EXPECT_EQ(FirstCells(phrase, 0, 8), (Cells{-1, 65, -2, -2, -2, -2, -2, -2}));
    EXPECT_EQ(phrase.melody[2].text[0][0], 0);
    EXPECT_EQ(phrase.melody[2].cell[1], 55);
    EXPECT_EQ(phrase.melody[8].cell[0], kRest);

    // length: hold over, the cut-off value starts again.
    SongData len = NewSong(4);
    len.SetNote(r, 0, 0, 60, 1, 0);
    len.SetNote(r, 0, 1, 62, 5, 0);
    DropOnPhrase(len, "length:3", ScoreHit{0, 0, 0});
    EXPECT_EQ(FirstCells(len, 0, 6), (Cells{60, -2, -2, 62, -2, -1}));

    // phrase: a bar of the palette onto another.
    DropOnPhrase(len, "phrase:0", ScoreHit{3, 3, 5});
    EXPECT_EQ(FirstCells(len, 24, 4), (Cells{60, -2, -2, 62}));

    // score: asks the main window.
    result = DropOnPhrase(len, "score:12", ScoreHit{2, 2, 0});
    ASSERT_TRUE(result.copyScoreBar);
    EXPECT_EQ(*result.copyScoreBar, std::make_pair(2, 12));

    result = DropOnPhrase(len, "test", ScoreHit{2, 2, 0});
    EXPECT_TRUE(result.showPaletteError0);
    EXPECT_FALSE(DropOnPhrase(len, "note:1", std::nullopt).repaint);
    EXPECT_TRUE(r.reports().empty());
}

}  // namespace
}  // namespace songloom::song
