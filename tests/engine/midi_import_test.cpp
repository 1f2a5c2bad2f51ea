#include <gtest/gtest.h>

#include <filesystem>

#include "common/general.h"
#include "harmony/midi_import.h"
#include "support/smf_builder.h"
#include "support/test_paths.h"

namespace songloom::harmony {
namespace {

using test::SmfBuilder;
using test::TrackBytes;

// A tune at 480 ticks: melody on channel 0, block chords with the root
// lowest on channel 1, bars | G | G C | D7 | G |.
std::vector<std::uint8_t> Tune(int quarters = 16)
{
    return SmfBuilder()
        .Header(1, 3, 480)
        .Track([](TrackBytes& t) { t.Tempo(600000); })
        .Track([quarters](TrackBytes& t) {
            t.Program(0, 73);
            const int pitches[] = {67, 71, 74, 71, 72, 76, 72, 69, 74, 72, 71, 69, 67, 67, 67, 67};
            for (int q = 0; q < quarters; ++q) {
                // The fifth quarter is two eighths.
                if (q == 4) {
                    t.Delta(0).NoteOn(0, 72, 90).Delta(240).NoteOff(0, 72).Delta(0).NoteOn(0, 74, 90).Delta(240).NoteOff(0, 74);
                    continue;
                }
                t.Delta(0).NoteOn(0, pitches[q % 16], 90).Delta(480).NoteOff(0, pitches[q % 16]);
            }
        })
        .Track([](TrackBytes& t) {
            const std::vector<std::vector<int>> halves = {{43, 47, 50}, {43, 47, 50}, {43, 47, 50}, {48, 52, 55},
                                                          {38, 42, 45, 48}, {38, 42, 45, 48}, {43, 47, 50}, {43, 47, 50}};
            for (const auto& chord : halves) {
                for (int p : chord) t.Delta(0).NoteOn(1, p, 90);
                t.Delta(960);
                for (int p : chord) t.NoteOff(1, p).Delta(0);
            }
        })
        .Bytes();
}

TEST(MidiImport, ChordsKeyMelodyAndTempoBecomeTheSong)
{
    CapturingReporter r;
    song::SongData song;
    song.info.tempo = 90;
    MidiImportReport report;
    ASSERT_TRUE(ImportMidiImage(r, Tune(), song, 73, &report));
    EXPECT_EQ(report.melodyChannel, 0);
    EXPECT_EQ(song.bars(), 4);
    EXPECT_EQ(song.beats(), 4);
    EXPECT_EQ(song.info.tempo, 120);
    EXPECT_EQ(song.info.instrument, 73);
    EXPECT_EQ(song.keyName(), "G ");
    const std::vector<std::string> expected = {"G ", "G ", "G ", "G ", "G ", "G ", "C ", "C ",
                                               "D7", "D7", "D7", "D7", "G ", "G ", "G ", "G "};
    for (int beat = 0; beat < 16; ++beat) EXPECT_EQ(song.ChordName(beat), expected[static_cast<std::size_t>(beat)]) << beat;
    // Quarter notes start on even slots and hold through the odd ones; the
    // two eighths of the fifth quarter take one slot each.
    EXPECT_EQ(song.melody[0].cell[0], 67);
    EXPECT_EQ(song.melody[1].cell[0], song::kHold);
    EXPECT_EQ(song.melody[2].cell[0], 71);
    EXPECT_EQ(song.melody[8].cell[0], 72);
    EXPECT_EQ(song.melody[9].cell[0], 74);
    // Undo gives the song as it was.
    song.RestoreSnapshot();
    EXPECT_EQ(song.info.tempo, 90);
}

TEST(MidiImport, BarCountRoundsUpTheQuarters)
{
    // 37 quarter notes of melody: 10 bars in 4/4.
    auto image = SmfBuilder()
                     .Header(0, 1, 96)
                     .Track([](TrackBytes& t) {
                         for (int q = 0; q < 37; ++q) t.Delta(0).NoteOn(0, 60 + q % 7, 90).Delta(96).NoteOff(0, 60 + q % 7);
                     })
                     .Bytes();
    CapturingReporter r;
    song::SongData song;
    ASSERT_TRUE(ImportMidiImage(r, image, song, 0));
    EXPECT_EQ(song.bars(), 10);
    EXPECT_EQ(song.info.tempo, 120);
}

TEST(MidiImport, AbsurdDeltaTimesNeitherOverflowNorHang)
{
    // Ten deltas of the largest variable-length value pass 2^31 ticks.
    auto image = SmfBuilder()
                     .Header(0, 1, 96)
                     .Track([](TrackBytes& t) {
                         for (int i = 0; i < 10; ++i) {
                             t.Delta(0x0FFFFFFF).NoteOn(0, 60 + i, 90).Delta(0x0FFFFFFF).NoteOff(0, 60 + i);
                         }
                     })
                     .Bytes();
    CapturingReporter r;
    song::SongData song;
    if (ImportMidiImage(r, image, song, 0)) {
        EXPECT_EQ(song.bars(), song::MaxBars);
    }
}

TEST(MidiImport, AnalysedNamesBecomeSongNames)
{
    EXPECT_EQ(SongChordFromAnalysis("Dm7(9,11)"), "Dm7");
    EXPECT_EQ(SongChordFromAnalysis("Bdim7"), "Bm7b5");
    EXPECT_EQ(SongChordFromAnalysis("Bdim6"), "Bdim7");
    EXPECT_EQ(SongChordFromAnalysis("Gsus47"), "G7sus4");
    EXPECT_EQ(SongChordFromAnalysis("C#"), "C#");
    EXPECT_EQ(SongChordFromAnalysis("CmM7"), "CmM7");
    EXPECT_EQ(SongChordFromAnalysis("UnKnown"), "");
}

TEST(MidiImport, FilesThatAreNoSongsLeaveTheSongAlone)
{
    CapturingReporter r;
    song::SongData song;
    song.info.tempo = 77;
    const std::vector<std::uint8_t> junk = {'M', 'T', 'h', 'd', 0, 0, 0, 6, 0, 1, 0, 1};
    EXPECT_FALSE(ImportMidiImage(r, junk, song, 0));
    const auto silent = SmfBuilder().Header(1, 1, 96).Track([](TrackBytes& t) { t.Tempo(500000); }).Bytes();
    EXPECT_FALSE(ImportMidiImage(r, silent, song, 0));
    EXPECT_EQ(song.info.tempo, 77);
    EXPECT_FALSE(song.HasSnapshot());
}

TEST(MidiImport, EveryEdgeCaseFileImportsOrFailsCleanly)
{
    const std::string corpus = test::CorpusDir();
    if (corpus.empty()) GTEST_SKIP() << "shared corpus not present";
    int imported = 0, refused = 0;
    for (const auto& entry : std::filesystem::directory_iterator(corpus + "/midi-edge")) {
        if (entry.path().extension() != ".mid") continue;
        CapturingReporter r;
        song::SongData song;
        if (ImportMidi(r, entry.path().string(), song, 0)) {
            ++imported;
            EXPECT_GE(song.bars(), 1);
            EXPECT_LE(song.bars(), song::MaxBars);
            for (int b = 0; b < song.ActiveBeats(); ++b) EXPECT_FALSE(song.ChordName(b).empty());
        } else {
            ++refused;
            EXPECT_FALSE(r.reports().empty()) << entry.path() << " failed without a message";
        }
    }
    EXPECT_GT(imported, 40);
    EXPECT_GT(refused, 0);
}

}  // namespace
}  // namespace songloom::harmony
