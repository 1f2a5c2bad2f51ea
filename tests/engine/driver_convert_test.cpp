// Converting the score into the engine's chord records and note list.
#include <gtest/gtest.h>

#include "engine_fixture.h"
#include "harmony/chord_entry.h"
#include "compose/fs_algo.h"
#include "song/song_data.h"

namespace songloom::test {
namespace {

using arrange::EngineNote;
using harmony::ChordRecord;

class DriverConvert : public ::testing::Test {
protected:
    void SetUp() override { fx.PlainStyle(); }

    void NewSong(int bars, int beats = 4)
    {
        ASSERT_TRUE(song.Reset(fx.reporter, bars, beats, 0));
        // A quiet melody: every slot a rest start, so only what a test sets sounds.
        for (auto& slot : song.melody) slot.cell = {song::kRest, song::kHold, song::kNotTriplet};
    }
    void Slot(int index, std::int32_t a, std::int32_t b, std::int32_t c = song::kNotTriplet)
    {
        song.melody[static_cast<std::size_t>(index)].cell = {a, b, c};
    }
    void Convert() { compose::CFSAlgo(*fx.ctx).ConvertSong(song, song.bars(), song.beats()); }
    std::vector<ChordRecord> Records() const { return harmony::DecodeChordRecords(fx.ctx->chordRecords); }
    const arrange::NoteList& Notes() const { return fx.ctx->userMelody; }

    EngineFixture fx;
    song::SongData song;
};

TEST_F(DriverConvert, OneChordOverFourAndFiveBarsSplitsAt768)
{
    NewSong(4);
    Convert();
    EXPECT_EQ(Records(), (std::vector<ChordRecord>{{768, "CMPo"}, {768, "CMPo"}}));
    const auto& bytes = fx.ctx->chordRecords;
    ASSERT_EQ(bytes.size(), 2u * 6 + 2);
    EXPECT_EQ(bytes[0], 0x03);  // 768 high byte first
    EXPECT_EQ(bytes[1], 0x00);
    EXPECT_EQ(bytes[bytes.size() - 2], 0);
    EXPECT_EQ(bytes.back(), 0);

    NewSong(5);
    Convert();
    EXPECT_EQ(Records(), (std::vector<ChordRecord>{{768, "CMPo"}, {768, "CMPo"}, {384, "CMPo"}}));
}

TEST_F(DriverConvert, ChordChangesEmptyCellsAndThreeFour)
{
    NewSong(2);
    song.chords[2].SetName("G7");
    song.chords[3].SetName("");   // goes on with G7
    song.chords[4].SetName("Am");
    song.chords[5].SetName("Am");
    song.chords[6].SetName("F#m7");
    song.chords[7].SetName("");
    Convert();
    EXPECT_EQ(Records(), (std::vector<ChordRecord>{{192, "CMPo"}, {192, "GMPs"}, {192, "AmPo"}, {192, "gmPs"}}));

    NewSong(3, 3);
    Convert();
    EXPECT_EQ(Records(), (std::vector<ChordRecord>{{768, "CMPo"}, {96, "CMPo"}}));
}

TEST_F(DriverConvert, HeldSlotThenRestGivesOneEighthNote)
{
    NewSong(1);
    Slot(0, 72, song::kHold);
    Slot(1, song::kRest, song::kHold);
    Convert();
    ASSERT_GE(Notes().size(), 2u);
    EXPECT_EQ(Notes()[0], EngineNote::Note(48, 72));
    EXPECT_EQ(Notes()[1].pitch, 0);
}

TEST_F(DriverConvert, RestAtTheStartIsPitchZeroAndTimeAddsUp)
{
    NewSong(1);
    Slot(1, song::kHold, song::kHold);
    Slot(2, 67, song::kHold);
    for (int s = 3; s < 8; ++s) Slot(s, song::kHold, song::kHold);
    Convert();
    ASSERT_EQ(Notes().size(), 2u);
    EXPECT_EQ(Notes()[0], EngineNote::Note(96, 0));
    EXPECT_EQ(Notes()[1], EngineNote::Note(288, 67));
}

TEST_F(DriverConvert, SixteenthsAndTripletSlots)
{
    NewSong(1);
    Slot(0, 60, 62);
    Slot(1, 64, 65, 67);  // triplet
    Slot(2, 69, song::kHold);
    Convert();
    std::vector<EngineNote> expected = {EngineNote::Note(24, 60), EngineNote::Note(24, 62),
                                        EngineNote::Note(16, 64), EngineNote::Note(16, 65),
                                        EngineNote::Note(16, 67), EngineNote::Note(48, 69)};
    ASSERT_GE(Notes().size(), expected.size());
    for (std::size_t i = 0; i < expected.size(); ++i) EXPECT_EQ(Notes()[i], expected[i]) << i;
}

TEST_F(DriverConvert, TripletFeelSplitsLongAndShortSlots)
{
    NewSong(1);
    fx.ctx->activeStyle.rhythmFeel = 3;
    Slot(0, 60, 62);
    Slot(1, 64, 65);
    Slot(2, 67, song::kHold);
    Slot(3, 69, song::kHold);
    Slot(4, 71, 72, 74);  // a triplet of the 64-tick slot
    Convert();
    std::vector<EngineNote> expected = {EngineNote::Note(43, 60), EngineNote::Note(21, 62),
                                        EngineNote::Note(10, 64), EngineNote::Note(22, 65),
                                        EngineNote::Note(64, 67), EngineNote::Note(32, 69),
                                        EngineNote::Note(21, 71), EngineNote::Note(21, 72),
                                        EngineNote::Note(21, 74)};
    ASSERT_GE(Notes().size(), expected.size());
    for (std::size_t i = 0; i < expected.size(); ++i) EXPECT_EQ(Notes()[i], expected[i]) << i;
}

TEST_F(DriverConvert, LongRestsComeInPiecesTheRendererTakes)
{
    NewSong(3);
    for (int s = 1; s < 24; ++s) Slot(s, song::kHold, song::kHold);  // one rest over three bars
    Convert();
    arrange::Tick total = 0;
    for (const auto& n : Notes()) {
        EXPECT_EQ(n.pitch, 0);
        EXPECT_LE(n.length, 384);
        total += n.length;
    }
    EXPECT_EQ(total, 3 * 384);
}

TEST_F(DriverConvert, ConversionResetsThePreviousSong)
{
    NewSong(8);
    Slot(0, 60, song::kHold);
    Convert();
    const auto first = Notes().size();
    NewSong(1);
    Convert();
    EXPECT_LT(Notes().size(), first);
    EXPECT_EQ(Records(), (std::vector<ChordRecord>{{384, "CMPo"}}));
}

TEST(NoteList, ReportsAtTheLastFreeEntryAndIgnoresTheRest)
{
    CapturingReporter reporter;
    arrange::NoteList list;
    for (std::size_t i = 0; i + 1 < arrange::kMaxEngineNotes; ++i) list.Append(reporter, EngineNote::Note(48, 60));
    EXPECT_TRUE(reporter.reports().empty());
    EXPECT_TRUE(list.Append(reporter, EngineNote::Note(48, 61)));
    EXPECT_EQ(reporter.Count("YRAC", 0xFF010134), 1u);
    EXPECT_FALSE(list.Append(reporter, EngineNote::Note(48, 62)));
    EXPECT_EQ(list.size(), arrange::kMaxEngineNotes);
    EXPECT_EQ(list[list.size() - 1].pitch, 61);
}

}  // namespace
}  // namespace songloom::test
