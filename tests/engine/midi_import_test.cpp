#include <gtest/gtest.h>

#include <filesystem>
#include <optional>

#include "common/general.h"
#include "common/messages.h"
#include "common/text.h"
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

// A lead sheet in any meter at 480 ticks: conductor track, melody on
// channel 0, block chords (root lowest) struck at each bar's start and held
// through the bar on channel 1.
struct Sheet {
    std::optional<std::pair<int, int>> timeSignature = std::pair{4, 2};  // numerator, power of two
    std::vector<std::vector<int>> chords;                    // per bar; empty: no chord
    std::vector<std::vector<std::pair<int, int>>> melody;    // per bar: pitch (0 rest), eighths
    std::optional<std::pair<int, int>> keySignature;         // sharps, minor flag
    std::optional<std::uint32_t> tempo;
    std::string title;

    int BarTicks() const
    {
        const auto [n, power] = timeSignature.value_or(std::pair{4, 2});
        return n * 4 * 480 / (1 << power);
    }
    std::vector<std::uint8_t> Bytes(int barTicksWithoutSignature = 0) const
    {
        const int bar = timeSignature ? BarTicks() : barTicksWithoutSignature;
        return SmfBuilder()
            .Header(1, 3, 480)
            .Track([&](TrackBytes& t) {
                if (!title.empty()) t.Text(0x03, title);
                if (timeSignature) t.TimeSignature(timeSignature->first, timeSignature->second);
                if (tempo) t.Tempo(*tempo);
                if (keySignature) {
                    t.Meta(0x59, {static_cast<std::uint8_t>(static_cast<std::int8_t>(keySignature->first)),
                                  static_cast<std::uint8_t>(keySignature->second)});
                }
            })
            .Track([&](TrackBytes& t) {
                t.Program(0, 73);
                std::uint32_t wait = 0;
                for (const auto& notes : melody) {
                    for (const auto& [pitch, eighths] : notes) {
                        const auto ticks = static_cast<std::uint32_t>(eighths * 240);
                        if (pitch == 0) {
                            wait += ticks;
                            continue;
                        }
                        t.Delta(wait).NoteOn(0, pitch, 90).Delta(ticks).NoteOff(0, pitch);
                        wait = 0;
                    }
                }
            })
            .Track([&](TrackBytes& t) {
                std::uint32_t wait = 0;
                for (const auto& chord : chords) {
                    if (chord.empty()) {
                        wait += static_cast<std::uint32_t>(bar);
                        continue;
                    }
                    for (int p : chord) t.Delta(wait).NoteOn(1, p, 90), wait = 0;
                    t.Delta(static_cast<std::uint32_t>(bar));
                    for (int p : chord) t.NoteOff(1, p).Delta(0);
                }
            })
            .Bytes();
    }
};

const std::vector<int> kG = {43, 47, 50}, kC = {36, 40, 43}, kD = {38, 42, 45}, kD7 = {38, 42, 45, 48},
                       kAm = {45, 48, 52}, kDm = {38, 41, 45}, kE7 = {40, 44, 47, 50}, kA7 = {45, 49, 52, 55};

// A waltz: a dotted half or a half and a quarter in every bar.
Sheet Waltz()
{
    Sheet s;
    s.timeSignature = std::pair{3, 2};
    s.chords = {kG, kC, kD7, kG, kG, kC, kD7, kG};
    s.melody = {{{67, 4}, {71, 2}}, {{72, 4}, {76, 2}}, {{74, 4}, {72, 2}}, {{71, 6}},
                {{67, 4}, {71, 2}}, {{72, 4}, {76, 2}}, {{74, 4}, {66, 2}}, {{67, 6}}};
    return s;
}

MidiImportReport Imported(const std::vector<std::uint8_t>& image, song::SongData& song)
{
    CapturingReporter r;
    MidiImportReport report;
    EXPECT_TRUE(ImportMidiImage(r, image, song, 0, &report));
    return report;
}

// The chord of every song beat is the chord of the file bar it lies in.
void ExpectChordsByBar(const song::SongData& song, const std::vector<std::string>& barChords, int quartersPerFileBar)
{
    for (int beat = 0; beat < song.ActiveBeats(); ++beat) {
        const std::size_t bar = static_cast<std::size_t>(std::min<int>(beat / quartersPerFileBar,
                                                                      static_cast<int>(barChords.size()) - 1));
        EXPECT_EQ(song.ChordName(beat), song::CompleteChordName(barChords[bar])) << "beat " << beat;
    }
}

bool HasNote(const MidiImportReport& report, std::string_view text)
{
    return std::any_of(report.notes.begin(), report.notes.end(),
                       [&](const std::string& n) { return n.find(text) != std::string::npos; });
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
    EXPECT_EQ(song.info.tempo, 100);  // 600,000 microseconds a quarter
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
    ASSERT_FALSE(r.reports().empty());
    EXPECT_EQ(r.reports().back().code, gene::kAnalysis);
    EXPECT_NE(r.reports().back().message.find("音符がありません"), std::string::npos) << "says why";
    EXPECT_EQ(song.info.tempo, 77);
    EXPECT_FALSE(song.HasSnapshot());
}

TEST(MidiImportMeter, ThreeFourGivesThreeBeatsWithChordsAndMelodyInPlace)
{
    song::SongData song;
    const auto report = Imported(Waltz().Bytes(), song);
    EXPECT_EQ(song.beats(), 3);
    EXPECT_EQ(song.bars(), 8);
    EXPECT_EQ(report.meter.fileMeter, "3/4");
    EXPECT_FALSE(report.meter.fromAccents);
    ExpectChordsByBar(song, {"G", "C", "D7", "G", "G", "C", "D7", "G"}, 3);
    // Six slots a bar: the half note on slot 0, the quarter on slot 4.
    EXPECT_EQ(song.melody[6].cell[0], 72);
    EXPECT_EQ(song.melody[7].cell[0], song::kHold);
    EXPECT_EQ(song.melody[10].cell[0], 76);
    EXPECT_EQ(song.melody[18].cell[0], 71);
    EXPECT_EQ(song.keyName(), "G ");
}

TEST(MidiImportMeter, WithoutATimeSignatureTheAccentsDecide)
{
    Sheet waltz = Waltz();
    waltz.timeSignature.reset();
    song::SongData song;
    auto report = Imported(waltz.Bytes(3 * 480), song);
    EXPECT_TRUE(report.meter.fromAccents);
    EXPECT_EQ(song.beats(), 3);
    EXPECT_TRUE(HasNote(report, "3/4")) << "the report says which meter was read";

    Sheet common;
    common.timeSignature.reset();
    common.chords = {kG, kC, kD7, kG, kC, kG, kD, kG};
    for (int b = 0; b < 8; ++b) common.melody.push_back({{67, 3}, {69, 1}, {71, 2}, {72, 2}});
    report = Imported(common.Bytes(4 * 480), song);
    EXPECT_TRUE(report.meter.fromAccents);
    EXPECT_EQ(song.beats(), 4);
    EXPECT_TRUE(HasNote(report, "4/4"));
}

TEST(MidiImportMeter, SixEightBecomesThreeFourWithItsEighthsAsSlots)
{
    Sheet jig;
    jig.timeSignature = std::pair{6, 3};
    jig.chords = {kD, kA7, kD, kD};
    for (int b = 0; b < 4; ++b) jig.melody.push_back({{62, 1}, {64, 1}, {66, 1}, {67, 1}, {69, 1}, {71, 1}});
    song::SongData song;
    const auto report = Imported(jig.Bytes(), song);
    EXPECT_EQ(song.beats(), 3);
    EXPECT_EQ(song.bars(), 4);
    EXPECT_TRUE(report.meter.eighthsAsSlots);
    EXPECT_TRUE(HasNote(report, "6/8"));
    const int pitches[] = {62, 64, 66, 67, 69, 71};
    for (int bar = 0; bar < 4; ++bar) {
        for (int e = 0; e < 6; ++e) EXPECT_EQ(song.melody[static_cast<std::size_t>(bar * 6 + e)].cell[0], pitches[e]);
    }
    ExpectChordsByBar(song, {"D", "A7", "D", "D"}, 3);
}

TEST(MidiImportMeter, TwoFourBarsArePairedAndAnOddLastOneIsPadded)
{
    Sheet polka;
    polka.timeSignature = std::pair{2, 2};
    polka.chords = {kG, kD, kG, kC, kG};
    for (int b = 0; b < 5; ++b) polka.melody.push_back({{67, 2}, {71, 2}});
    song::SongData song;
    auto report = Imported(polka.Bytes(), song);
    EXPECT_EQ(song.beats(), 4);
    EXPECT_EQ(song.bars(), 3);  // five 2/4 bars in three 4/4 bars
    EXPECT_TRUE(report.meter.pairedBars);
    EXPECT_TRUE(HasNote(report, "padded"));
    ExpectChordsByBar(song, {"G", "D", "G", "C", "G"}, 2);
    // The padding after the last note is a rest, not the last note held.
    EXPECT_EQ(song.melody[18].cell[0], 71);
    EXPECT_EQ(song.melody[20].cell[0], song::kRest);
    EXPECT_EQ(song.melody[22].cell[0], song::kHold);

    polka.chords.pop_back();
    polka.melody.pop_back();
    report = Imported(polka.Bytes(), song);
    EXPECT_EQ(song.bars(), 2);
    EXPECT_FALSE(HasNote(report, "padded"));
}

TEST(MidiImportMeter, TwoTwoIsFourAndOtherMetersImportInFourWithANote)
{
    Sheet cut;
    cut.timeSignature = std::pair{2, 1};
    cut.chords = {kG, kD7};
    cut.melody = {{{67, 8}}, {{66, 8}}};
    song::SongData song;
    auto report = Imported(cut.Bytes(), song);
    EXPECT_EQ(song.beats(), 4);
    EXPECT_TRUE(report.notes.empty());

    Sheet five;
    five.timeSignature = std::pair{5, 2};
    five.chords = {kG, kD7};
    five.melody = {{{67, 10}}, {{66, 10}}};
    report = Imported(five.Bytes(), song);
    EXPECT_EQ(song.beats(), 4);
    EXPECT_EQ(song.bars(), 3);
    EXPECT_TRUE(HasNote(report, "5/4"));
}

TEST(MidiImportFile, TempoFromTheFirstTempoEventWithinItsRange)
{
    Sheet s = Waltz();
    song::SongData song;
    const std::pair<std::optional<std::uint32_t>, int> cases[] = {
        {std::nullopt, 120}, {500000, 120}, {461538, 130}, {2000000, 40}, {100000, 240}};
    for (const auto& [tempo, bpm] : cases) {
        s.tempo = tempo;
        Imported(s.Bytes(), song);
        EXPECT_EQ(song.info.tempo, bpm);
    }
    EXPECT_EQ(ImportTempoOf(0), 240);
    EXPECT_EQ(ImportTempoOf(0xFFFFFF), 40);
}

TEST(MidiImportFile, TitleFromTheFirstNameKeptAsSongText)
{
    Sheet s = Waltz();
    song::SongData song;
    s.title = "The Waltz";
    Imported(s.Bytes(), song);
    EXPECT_EQ(FieldText(song.info.title.data(), song.info.title.size()), "The Waltz");
    // CP932 bytes stay as they are; UTF-8 is converted to them.
    s.title = "\x89\xcc";  // "歌" in CP932
    Imported(s.Bytes(), song);
    EXPECT_EQ(FieldText(song.info.title.data(), song.info.title.size()), "\x89\xcc");
    s.title = "\xe6\xad\x8c";  // "歌" in UTF-8
    Imported(s.Bytes(), song);
    EXPECT_EQ(FieldText(song.info.title.data(), song.info.title.size()), "\x89\xcc");
    // Too long for the field: cut to 63 bytes.
    s.title = std::string(100, 'x');
    Imported(s.Bytes(), song);
    EXPECT_EQ(FieldText(song.info.title.data(), song.info.title.size()), std::string(63, 'x'));
}

TEST(MidiImportFile, APickupTakesTheFirstRealChord)
{
    Sheet s;
    s.chords = {{}, kD, kA7, kD};
    s.melody = {{{0, 6}, {69, 1}, {71, 1}}, {{74, 8}}, {{73, 8}}, {{74, 8}}};
    song::SongData song;
    const auto report = Imported(s.Bytes(), song);
    EXPECT_EQ(report.pickupBeats, 4);
    for (int beat = 0; beat < 4; ++beat) EXPECT_EQ(song.ChordName(beat), "D ") << beat;
    EXPECT_EQ(song.ChordName(8), "A7");
    EXPECT_EQ(song.melody[6].cell[0], 69);
}

TEST(MidiImportKey, MinorTunesAreMinorEvenWhenTheSignatureSaysMajor)
{
    Sheet s;
    s.chords = {kAm, kDm, kE7, kAm, kAm, kDm, kE7, kAm};
    s.melody = {{{69, 2}, {72, 2}, {76, 4}}, {{74, 2}, {72, 2}, {69, 4}}, {{71, 2}, {68, 2}, {64, 4}},
                {{69, 8}},                   {{76, 2}, {72, 2}, {69, 4}}, {{74, 2}, {77, 2}, {74, 4}},
                {{71, 2}, {68, 2}, {71, 4}}, {{69, 8}}};
    song::SongData song;
    auto report = Imported(s.Bytes(), song);
    EXPECT_EQ(song.keyName(), "Am");
    EXPECT_FALSE(report.keyFromSignature);
    // A signature without sharps whose mode flag says major: the pair C/Am
    // is taken, and of the two the estimate's choice.
    s.keySignature = std::pair{0, 0};
    report = Imported(s.Bytes(), song);
    EXPECT_EQ(song.keyName(), "Am");
    EXPECT_TRUE(report.keyFromSignature);
    // A signature far from what sounds is not believed.
    s.keySignature = std::pair{5, 0};
    report = Imported(s.Bytes(), song);
    EXPECT_EQ(song.keyName(), "Am");
    EXPECT_FALSE(report.keyFromSignature);
}

TEST(MidiImportKey, TheSignatureSpellsKeysWithTwoNames)
{
    // G flat major (six flats): the same tonic as F sharp major.
    Sheet s;
    const std::vector<int> gb = {42, 46, 49}, cb = {47, 51, 54}, db7 = {37, 41, 44, 47};
    s.chords = {gb, cb, db7, gb};
    s.melody = {{{66, 4}, {70, 4}}, {{71, 4}, {75, 4}}, {{73, 4}, {65, 4}}, {{66, 8}}};
    song::SongData song;
    Imported(s.Bytes(), song);
    EXPECT_EQ(song.key(), 6);  // F#, the first row with that tonic
    s.keySignature = std::pair{-6, 0};
    Imported(s.Bytes(), song);
    EXPECT_EQ(song.key(), 13);  // Gb
}

TEST(MidiImportChords, EveryBeatKeepsItsBestReadingsBestFirst)
{
    song::SongData song;
    const auto report = Imported(Waltz().Bytes(), song);
    ASSERT_EQ(report.alternatives.size(), static_cast<std::size_t>(song.ActiveBeats()));
    for (std::size_t b = 0; b < report.alternatives.size(); ++b) {
        const auto& alts = report.alternatives[b];
        ASSERT_FALSE(alts.empty()) << b;
        EXPECT_LE(alts.size(), kChordAlternatives);
        EXPECT_EQ(CandidateName(alts.front()), report.beatChords[b]);
        for (std::size_t i = 1; i < alts.size(); ++i) {
            EXPECT_GE(alts[i - 1].score, alts[i].score);
            for (std::size_t j = 0; j < i; ++j) EXPECT_FALSE(alts[i].root == alts[j].root && alts[i].type == alts[j].type);
        }
    }
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
            EXPECT_TRUE(song.beats() == 3 || song.beats() == 4) << entry.path();
            EXPECT_GE(song.info.tempo, kImportMinTempo);
            EXPECT_LE(song.info.tempo, kImportMaxTempo);
            EXPECT_GE(song.bars(), 1);
            EXPECT_LE(song.bars(), song::MaxBars);
            for (int b = 0; b < song.ActiveBeats(); ++b) EXPECT_FALSE(song.ChordName(b).empty());
        } else {
            ++refused;
            ASSERT_FALSE(r.reports().empty()) << entry.path() << " failed without a message";
            EXPECT_FALSE(r.reports().front().message.empty()) << entry.path();
        }
    }
    EXPECT_GT(imported, 40);
    EXPECT_GT(refused, 0);
}

}  // namespace
}  // namespace songloom::harmony
