// An audit of the generated parts over every catalogue style: how much of the
// accompaniment and bass sound lies on tones of the chord sounding, that every
// note stays in range and on the drum map, and that no playing channel falls
// silent for more than two bars.
//
// Counting: a note counts with its duration in ticks; it is "on a chord tone"
// when its pitch class is the root, third, fifth or seventh (or added tone) of
// the chord code sounding at its start. Rests and notes the engine's note
// writer would turn into rests (velocity 0, note below 13 or above 127) do not
// count. The octave shift of a channel does not change a pitch class.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>

#include "arrange/accompaniment_patterns.h"
#include "arrange/bass_patterns.h"
#include "arrange/style_catalogue.h"
#include "arrange/drum_part.h"
#include "pattern_test_song.h"

namespace songloom::arrange {
namespace {

using test::SongChord;

// The test song in the style's meter: bar-long chords, half bars and single
// beats, in two sections.
std::vector<PatternChord> SongFor(int meter)
{
    const Tick bar = BarTicks(meter);
    const Tick beat = 96;
    const char* codes[] = {"CMPo", "AmPs", "FMPS", "GMPs", "EmPo", "AmPo", "DmPs", "FMPo", "GMPs", "eMPo", "CMPo"};
    const Tick lengths[] = {bar, bar, bar - beat, beat, 2 * beat, bar - 2 * beat, bar, bar, bar, 2 * bar, bar};
    std::vector<PatternChord> song;
    for (std::size_t i = 0; i < std::size(codes); ++i)
        song.push_back(SongChord(codes[i], lengths[i], i < 7 ? 'A' : 'B'));
    return song;
}

struct Tally {
    long long total = 0;
    long long onChord = 0;
    int lowest = 127;
    int highest = 0;
    double Share() const { return total == 0 ? 1.0 : static_cast<double>(onChord) / static_cast<double>(total); }
};

// Longest time without any sounding note, from the song's start to its end.
Tick LongestSilence(const std::vector<PlacedNote>& notes, Tick end)
{
    Tick covered = 0;
    Tick longest = 0;
    for (const PlacedNote& n : notes) {
        longest = std::max(longest, n.at - covered);
        covered = std::max(covered, n.at + n.duration);
    }
    return std::max(longest, end - covered);
}

void Count(const std::vector<PatternChord>& song, const std::vector<PlacedNote>& notes, int octave, Tally& tally)
{
    for (const PlacedNote& n : notes) {
        const int note = n.note + 12 * octave;
        tally.total += n.duration;
        if (test::OnChordTone(song, n.at, note)) tally.onChord += n.duration;
        tally.lowest = std::min(tally.lowest, note);
        tally.highest = std::max(tally.highest, note);
    }
}

TEST(GeneratorAudit, EveryCatalogueStyle)
{
    Random random(11);
    StyleCatalogue catalogue;
    StyleRecord active;
    BuildStyleCatalogue(random, catalogue, active);

    Tally accompaniment;
    Tally bass;
    int styles = 0;
    int drumLow = 127;
    int drumHigh = 0;
    for (int i = 0; i < kCatalogueSlots; ++i) {
        const StyleRecord& style = *catalogue.Record(i);
        if (style.Name().empty()) continue;
        ++styles;
        const std::vector<PatternChord> song = SongFor(style.meter);
        const Tick end = TotalLength(song);
        const Tick twoBars = 2 * BarTicks(style.meter);
        test::TestContext t;
        CopyStyleValues(t.context, style);
        const std::string name(style.Name());

        for (int channel : {kAccompanimentChannel, kAccompaniment2Channel}) {
            if (style.channelInstrument[static_cast<std::size_t>(channel)] == kNoInstrument) continue;
            const int number = channel == kAccompanimentChannel ? style.accompanimentPattern : style.accompaniment2Pattern;
            NoteBuffer out;
            AccompanimentPattern(t.context, song, channel, number, 0,
                                 style.channelDensity[static_cast<std::size_t>(channel)], out);
            const auto notes = out.Sounding();
            const int octave = style.channelOctave[static_cast<std::size_t>(channel)];
            Count(song, notes, octave, accompaniment);
            for (const PlacedNote& n : notes) {
                EXPECT_GE(n.note + 12 * octave, 24) << name << " channel " << channel;
                EXPECT_LE(n.note + 12 * octave, 108) << name << " channel " << channel;
            }
            // Broken chord 9 sounds only over chords of four or seven eighths,
            // by design; every other pattern keeps the channel going.
            if (number != 9) {
                EXPECT_LE(LongestSilence(notes, end), twoBars) << name << " pattern " << number << " channel " << channel;
            }
        }
        if (style.channelInstrument[kBassChannel] != kNoInstrument) {
            NoteBuffer out;
            BassPattern(t.context, song, style.bassPattern, style.channelDensity[kBassChannel], out);
            const auto notes = out.Sounding();
            const int octave = style.channelOctave[kBassChannel];
            Count(song, notes, octave, bass);
            for (const PlacedNote& n : notes) {
                EXPECT_GE(n.note + 12 * octave, 12) << name;
                EXPECT_LE(n.note + 12 * octave, 84) << name;
            }
            EXPECT_LE(LongestSilence(notes, end), twoBars) << name << " bass " << style.bassPattern;
        }
        if (style.channelInstrument[kDrumChannel] != kNoInstrument) {
            t.context.drumPattern = style.drumPattern;
            NoteBuffer out;
            arrange::DrumPattern(t.context, arrange::DrumListFromChords(song), out);
            const auto notes = out.Sounding();
            ASSERT_FALSE(notes.empty()) << name << " drums " << style.drumPattern;
            for (const PlacedNote& n : notes) {
                drumLow = std::min(drumLow, n.note);
                drumHigh = std::max(drumHigh, n.note);
            }
            EXPECT_LE(LongestSilence(notes, end), twoBars) << name << " drums " << style.drumPattern;
        }
        EXPECT_TRUE(t.reporter.reports().empty()) << name << ": " << t.reporter.lines().front();
    }
    std::printf("audit: %d styles; accompaniment %.1f%% of %lld ticks on chord tones (notes %d-%d); "
                "bass %.1f%% of %lld ticks (notes %d-%d); drums %d-%d\n",
                styles, 100.0 * accompaniment.Share(), accompaniment.total, accompaniment.lowest,
                accompaniment.highest, 100.0 * bass.Share(), bass.total, bass.lowest, bass.highest, drumLow,
                drumHigh);
    EXPECT_GT(styles, 0);
    EXPECT_GE(accompaniment.Share(), 0.80);
    EXPECT_GE(bass.Share(), 0.70);
    EXPECT_GE(drumLow, 35);
    EXPECT_LE(drumHigh, 81);
}

// The same checks for every pattern number in every meter and feel, with a
// grid and a rhythm table set, so that patterns no style uses yet are held
// to them too.
TEST(GeneratorAudit, EveryPatternInEveryMeterAndFeel)
{
    Tally accompaniment;
    Tally bass;
    for (int meter : {0, 1, 2}) {
        for (int feel : {0, 3}) {
            const std::vector<PatternChord> song = SongFor(meter);
            const Tick end = TotalLength(song);
            const Tick twoBars = 2 * BarTicks(meter);
            auto context = [&](test::TestContext& t) {
                t.context.meter = meter;
                t.context.rhythmFeel = feel;
                for (int g : {0, 1, 3, 4}) t.context.grids.grids[static_cast<std::size_t>(g)].cells[2][0] = 1;
                t.context.grids.grids[kGridDrums].cells[1][0] = 1;
                t.context.rhythmSeed[0] = 1;
            };
            for (int number = 1; number <= kAccompanimentPatternCount; ++number) {
                if (number == 48 || (number == 47 && meter == 2 && feel == 3)) continue;
                test::TestContext t;
                context(t);
                t.context.accompanimentPattern = number;
                NoteBuffer out;
                AccompanimentPattern(t.context, song, 3, number, 0, 100, out);
                const auto notes = out.Sounding();
                Count(song, notes, 0, accompaniment);
                if (number != 9) {
                    EXPECT_LE(LongestSilence(notes, end), twoBars)
                        << "accompaniment " << number << " meter " << meter << " feel " << feel;
                }
                // Triplet block chords cannot divide a chord of 240 ticks (7/8
                // less a beat) and say so.
                const bool ragged = number == 2 && meter == 2 && feel == 3;
                EXPECT_EQ(t.reporter.reports().empty(), !ragged) << number;
            }
            for (int number = 1; number <= kBassPatternCount; ++number) {
                test::TestContext t;
                context(t);
                NoteBuffer out;
                BassPattern(t.context, song, number, 100, out);
                const auto notes = out.Sounding();
                Count(song, notes, 0, bass);
                EXPECT_LE(LongestSilence(notes, end), twoBars) << "bass " << number << " meter " << meter << " feel " << feel;
            }
            for (int number = 1; number <= arrange::kDrumPatternCount; ++number) {
                test::TestContext t;
                context(t);
                t.context.drumPattern = number;
                NoteBuffer out;
                arrange::DrumPattern(t.context, arrange::DrumListFromChords(song), out);
                const auto notes = out.Sounding();
                for (const PlacedNote& n : notes) {
                    ASSERT_GE(n.note, 35) << number;
                    ASSERT_LE(n.note, 81) << number;
                }
                EXPECT_LE(LongestSilence(notes, end), twoBars) << "drums " << number << " meter " << meter << " feel " << feel;
                EXPECT_TRUE(t.reporter.reports().empty()) << number;
            }
        }
    }
    std::printf("all patterns: accompaniment %.1f%% on chord tones (notes %d-%d); bass %.1f%% (notes %d-%d)\n",
                100.0 * accompaniment.Share(), accompaniment.lowest, accompaniment.highest, 100.0 * bass.Share(),
                bass.lowest, bass.highest);
    EXPECT_GE(accompaniment.Share(), 0.80);
    EXPECT_GE(bass.Share(), 0.70);
    EXPECT_GE(accompaniment.lowest, 24);
    EXPECT_LE(accompaniment.highest, 108);
    EXPECT_GE(bass.lowest, 12);
    EXPECT_LE(bass.highest, 84);
}

}  // namespace
}  // namespace songloom::arrange
