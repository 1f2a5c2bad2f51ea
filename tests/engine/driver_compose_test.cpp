// Preparing and running a composition: the length window and its attempts,
// the conductor track, the clash removal, what is written.
#include <gtest/gtest.h>

#include <filesystem>

#include "arrange/engine_track.h"
#include "engine_fixture.h"
#include "compose/first_song_common.h"
#include "compose/fs_algo.h"
#include "midi/midi_file.h"
#include "song/song_data.h"

namespace songloom::test {
namespace {

using compose::CFirstSongCommon;

TEST(DriverWindow, LengthWindowAroundTheFormLength)
{
    EXPECT_EQ(compose::ComposeLengthWindow(4).low, 5);
    EXPECT_EQ(compose::ComposeLengthWindow(4).high, 6);
    EXPECT_EQ(compose::ComposeLengthWindow(40).low, 38);
    EXPECT_EQ(compose::ComposeLengthWindow(40).high, 42);
    EXPECT_FALSE(compose::ComposeLengthWindow(4).Contains(7));
    EXPECT_TRUE(compose::ComposeLengthWindow(16).Contains(14));
}

class DriverCompose : public ::testing::Test {
protected:
    void SetUp() override
    {
        fx.PlainStyle();
        ASSERT_TRUE(song.Reset(fx.reporter, 4, 4, 0));
        for (auto& slot : song.melody) slot.cell = {song::kRest, song::kHold, song::kNotTriplet};
        // Quarter notes C D E F G A B C over the first two bars.
        for (int i = 0; i < 8; ++i) {
            song.melody[static_cast<std::size_t>(2 * i)].cell = {60 + std::array{0, 2, 4, 5, 7, 9, 11, 12}[i],
                                                                 song::kHold, song::kNotTriplet};
            song.melody[static_cast<std::size_t>(2 * i + 1)].cell = {song::kHold, song::kHold, song::kNotTriplet};
        }
        for (int beat = 4; beat < 8; ++beat) song.chords[static_cast<std::size_t>(beat)].SetName("G7");
        for (int beat = 8; beat < 12; ++beat) song.chords[static_cast<std::size_t>(beat)].SetName("Am");
    }

    int Compose(int formLength, std::string_view title = "T", std::string_view composer = "C")
    {
        fx.ctx->activeStyle.formLength = formLength;
        compose::CFSAlgo(*fx.ctx).ConvertSong(song, song.bars(), song.beats());
        CFirstSongCommon driver(*fx.ctx);
        driver.Prepare(73, 120);
        const int result = driver.Compose(out.File("out.mid"), title, composer, [this] { ++progress; });
        attempts = driver.Attempts();
        output = driver.Output();
        return result;
    }

    EngineFixture fx;
    song::SongData song;
    TempDir out;
    int progress = 0;
    int attempts = 0;
    std::vector<std::uint8_t> output;
};

TEST_F(DriverCompose, PrepareSetsTheEngineForTheUsersMelody)
{
    auto& style = fx.ctx->activeStyle;
    for (auto& m : style.channelMixer) m.doublingDelay = 9;
    style.channelInstrument[8] = 122;
    style.noteDatabaseKind = 7;
    fx.ctx->secondMelodySwitch = 1;
    CFirstSongCommon(*fx.ctx).Prepare(40, 100);
    EXPECT_EQ(style.channelInstrument[1], 40);
    EXPECT_EQ(style.channelInstrument[8], 122);  // the style's sound effects stay
    EXPECT_EQ(style.tempo, 600000);
    EXPECT_EQ(style.noteDatabaseKind, 1);
    EXPECT_EQ(style.melodyOptions[2], 8);
    EXPECT_EQ(fx.ctx->compositionMode, arrange::CompositionMode::kUserMelody);
    EXPECT_EQ(fx.ctx->secondMelodySwitch, 0);
    for (int ch = 0; ch < 10; ++ch) EXPECT_EQ(style.channelMixer[ch].doublingDelay, ch == 5 || ch == 9 ? 9 : 0) << ch;
}

TEST_F(DriverCompose, AttemptsStopInsideTheWindowOrAfterFive)
{
    EXPECT_EQ(Compose(4), 1);  // 4 bars + 2 = 6 lies in 5..6
    EXPECT_EQ(attempts, 1);
    EXPECT_EQ(Compose(40), 1);
    EXPECT_EQ(attempts, 5);
    EXPECT_GE(progress, 2 * 10);
}

TEST_F(DriverCompose, WritesConductorAndMelodyOnlyForAPlainStyle)
{
    Compose(4, "Song", "");
    midi::CMidiFile1 file(fx.reporter, out.File("out.mid"));
    ASSERT_TRUE(file.Loaded());
    ASSERT_EQ(file.TrackCount(), 2);  // no track for the channels without an instrument
    EXPECT_EQ(file.Division, 96);
    auto& conductor = file.Tracks[0];
    std::int32_t signature = 0;
    ASSERT_TRUE(conductor.GetTimeSignature(signature));
    std::string text;
    ASSERT_TRUE(conductor.FindMetaText(midi::kMetaTrackName, text));
    EXPECT_EQ(text, "Song");
    std::vector<std::pair<std::int64_t, std::string>> markers;
    std::int64_t t = 0;
    int tempo = 0;
    for (const auto& e : conductor.Events()) {
        t += e.DeltaTime;
        if (e.IsMeta(midi::kMetaMarker)) {
            markers.emplace_back(t, std::string(e.Data.begin(), e.Data.begin() + e.DataLength));
        }
        if (e.IsMeta(midi::kMetaTempo)) tempo = e.Value;
        if (e.IsMeta(midi::kMetaCopyright)) {
            EXPECT_EQ(e.DataLength, 1);  // empty composer: one zero byte
        }
    }
    EXPECT_EQ(tempo, 500000);
    ASSERT_EQ(markers.size(), 4u);  // C, G7, Am, C: no "N/C" when a chord starts at 0
    EXPECT_EQ(markers[0].first, 0);
    EXPECT_EQ(markers[1].first, 384);
    EXPECT_EQ(markers[2].first, 768);
    EXPECT_EQ(markers[3].first, 1152);
    EXPECT_EQ(markers[0].second.substr(0, 1), "C");
    EXPECT_EQ(markers[1].second.substr(0, 1), "G");
    EXPECT_EQ(markers[2].second.substr(0, 2), "Am");

    const auto& melody = file.Tracks[1];
    EXPECT_EQ(melody.GetProgram(1), 73);
    int notes = 0;
    for (const auto& e : melody.Events()) notes += e.Kind == midi::kKindNote && e.Channel == 1;
    EXPECT_EQ(notes, 8);

    midi::CMidiFile0 single(fx.reporter, std::span<const std::uint8_t>(output));
    EXPECT_TRUE(single.Loaded());
    EXPECT_EQ(fx.reporter.Count("YRAC", 0xFF0101AA), 0u);
}

TEST_F(DriverCompose, MergeSettingTenLeavesOneTrack)
{
    fx.ctx->activeStyle.partParams[1].partKind = compose::kMergeSetting;
    Compose(4);
    midi::CMidiFile1 file(fx.reporter, out.File("out.mid"));
    ASSERT_TRUE(file.Loaded());
    EXPECT_EQ(file.TrackCount(), 1);
}

TEST_F(DriverCompose, AnUnwritableFileIsReportedAndComposeStillReturnsOne)
{
    fx.ctx->activeStyle.formLength = 4;
    compose::CFSAlgo(*fx.ctx).ConvertSong(song, 4, 4);
    CFirstSongCommon driver(*fx.ctx);
    driver.Prepare(0, 120);
    EXPECT_EQ(driver.Compose(out.File("missing/folder/out.mid"), "", ""), 1);
    EXPECT_TRUE(fx.reporter.Has("GENE", 0x01000007));
    EXPECT_FALSE(driver.Output().empty());
    EXPECT_FALSE(driver.Written());
}

TEST(DriverClash, NinthsAndSeventhsAgainstTheLeadAreRemoved)
{
    EngineFixture fx;
    auto merged = arrange::NewEngineTrack(*fx.ctx);
    merged->AddNote(1, 0, 60, 64, 96);   // lead sounds 0..96
    merged->AddNote(4, 10, 71, 64, 40);  // 11 above: removed
    merged->AddNote(4, 10, 47, 64, 40);  // 13 below: removed
    merged->AddNote(4, 10, 72, 64, 40);  // an octave: kept
    merged->AddNote(6, 0, 71, 64, 40);   // channel 6 is not the pair: kept
    merged->AddNote(4, 70, 71, 64, 40);  // at 100, the lead has ended: kept
    merged->AddEndOfTrack(0);
    EXPECT_EQ(compose::RemoveClashes(*merged, 1, 4), 2);
    const auto notes = EngineFixture::Notes(*merged);
    ASSERT_EQ(notes.size(), 4u);
    EXPECT_EQ(notes[1].note, 72);
    EXPECT_EQ(notes[1].at, 30);  // the removed notes' time passed on
    EXPECT_EQ(notes[3].at, 100);
}

TEST(DriverStructure, SectionsOfEightBarsAndTheirDrumRecords)
{
    EngineFixture fx;
    fx.PlainStyle();
    song::SongData song;
    ASSERT_TRUE(song.Reset(fx.reporter, 10, 4, 0));
    compose::CFSAlgo(*fx.ctx).ConvertSong(song, 10, 4);
    compose::BuildSongStructure(*fx.ctx);
    ASSERT_EQ(fx.ctx->sections.size(), 2u);
    EXPECT_EQ(fx.ctx->sections[0].chords.size(), 4u);  // 8 bars of 768-tick records
    EXPECT_EQ(fx.ctx->sections[1].chords.size(), 1u);
    compose::BuildDrumList(*fx.ctx);
    ASSERT_EQ(fx.ctx->drums.size(), 5u);
    EXPECT_EQ(fx.ctx->drums[0].code, (std::array<char, 4>{'A', 'X', 'X', 'X'}));
    EXPECT_EQ(fx.ctx->drums[3].code, (std::array<char, 4>{'A', 'E', 'X', 'X'}));
    EXPECT_EQ(fx.ctx->drums[4].code, (std::array<char, 4>{'B', 'E', 'X', 'X'}));
    EXPECT_EQ(fx.ctx->drums[4].length, 768);
}

}  // namespace
}  // namespace songloom::test
