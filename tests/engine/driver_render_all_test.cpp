// Every demo song rendered in every style of the catalogue with three seeds:
// each file read back, its tracks, channels, ranges, note pairs and length
// checked; a sample of them also read by midicsv and by Python's mido.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <set>

#include "arrange/comping_voicing.h"
#include "arrange/style_catalogue.h"
#include "common/general.h"
#include "common/text.h"
#include "engine_fixture.h"
#include "harmony/render_audit.h"
#include "compose/render_song.h"
#include "midi/midi_file.h"
#include "song/song_image.h"

namespace songloom::test {
namespace {

// A slot that holds a style (every slot but those left undefined).
bool IsDefinedStyle(const arrange::StyleRecord& record)
{
    return Cp932ToUtf8(record.Description()) != arrange::kUndefinedStyleDescription;
}

const char* const kSongs[] = {"twinkle", "amazing_grace", "greensleeves",
                              "drunken_sailor", "auld_lang_syne", "ode_to_joy"};
const std::uint32_t kSeeds[] = {1, 2, 3};

song::SongData LoadSong(Reporter& reporter, const std::string& name)
{
    song::SongData song;
    const auto status = song::ReadSongFile(reporter, SourceDir() + "/data/songs/" + name + ".sld", song, 8, 4, 0);
    EXPECT_EQ(status, song::SongFileStatus::kRead) << name;
    return song;
}

// A reader of our own for the raw file: every note-on must be closed by a
// note-off (or a note-on of velocity 0) of its channel before the end of its
// track. Returns the number of notes that stay open; -1 for a broken file.
int OpenNotes(const std::vector<std::uint8_t>& bytes)
{
    std::size_t at = 14;
    int open = 0;
    while (at + 8 <= bytes.size()) {
        if (std::string(bytes.begin() + static_cast<std::ptrdiff_t>(at),
                        bytes.begin() + static_cast<std::ptrdiff_t>(at + 4)) != "MTrk") return -1;
        const std::size_t length = (std::size_t{bytes[at + 4]} << 24) | (std::size_t{bytes[at + 5]} << 16) |
                                   (std::size_t{bytes[at + 6]} << 8) | bytes[at + 7];
        std::size_t p = at + 8;
        const std::size_t end = p + length;
        if (end > bytes.size()) return -1;
        std::map<int, int> sounding;  // channel * 128 + note -> count
        int status = 0;
        auto varlen = [&] {
            std::uint32_t v = 0;
            while (p < end) {
                const auto b = bytes[p++];
                v = (v << 7) | (b & 0x7F);
                if (!(b & 0x80)) break;
            }
            return v;
        };
        while (p < end) {
            varlen();
            if (bytes[p] & 0x80) status = bytes[p++];
            const int kind = status & 0xF0;
            if (status == 0xFF) {
                p += 1;
                p += varlen();
            } else if (status == 0xF0 || status == 0xF7) {
                p += varlen();
            } else if (kind == 0x90 || kind == 0x80) {
                const int key = (status & 0x0F) * 128 + bytes[p];
                if (kind == 0x90 && bytes[p + 1] > 0) {
                    ++sounding[key];
                } else if (sounding[key] > 0) {
                    --sounding[key];
                }
                p += 2;
            } else if (kind == 0xC0 || kind == 0xD0) {
                p += 1;
            } else {
                p += 2;
            }
        }
        for (const auto& [key, count] : sounding) open += count;
        at = end;
    }
    return open;
}

struct Range {
    int low;
    int high;
};

// Where a channel's notes may lie for a song and a style.
Range ExpectedRange(const arrange::StyleRecord& style, int channel, Range melody)
{
    const auto octave = style.channelOctave[static_cast<std::size_t>(channel)];
    switch (channel) {
    case 1:
        // Ornament runs reach an octave either side; the octave double another 12.
        return {melody.low - 12, melody.high + 12 + (octave == 1 ? 12 : 0)};
    case 4:
        // A harmony or counter-line reaches a tenth under the tune.
        return {melody.low - 15 + 12 * octave, melody.high + 12 + 12 * octave};
    case 5: {
        const auto& p = style.partParams[5];
        const bool wide = p.highestNote - p.lowestNote >= 12;
        const int low = wide ? p.lowestNote : 48;
        const int high = wide ? p.highestNote : 72;
        return {std::min(low, melody.low) - 12 + 12 * octave, std::max(high, melody.high) + 12 + 12 * octave};
    }
    case 2:
        return {12, 84};
    case 3:
    case 7:
        return {24, 115};
    case 9:
        return {27, 87};
    default:
        return {13, 127};
    }
}

// The walking bass (pattern 8) leads into every chord change by a semitone:
// its approach notes count as passing tones.
constexpr int kWalkingBass = 8;

// Checks one rendering by its audit (read from the written file, chords from
// its markers) and adds its chord-tone time to the category's totals.
void CheckAudit(const harmony::RenderAudit& audit, const arrange::StyleRecord& style, const std::string& where,
                harmony::ChannelAudit& accompaniment, harmony::ChannelAudit& bass)
{
    EXPECT_GT(audit.chordMarkers, 0) << where;
    for (const harmony::ChannelAudit& c : audit.channels) {
        EXPECT_EQ(c.offPercussionMap, 0) << where;
        const bool generated = c.channel == 2 || c.channel == 3 || c.channel == 7 || c.channel == 9;
        if (generated) {
            EXPECT_LE(c.longestSilence, harmony::kAuditSilentBars * audit.barTicks) << where << " channel " << c.channel;
        }
        if (c.channel == 3 || c.channel == 7) {
            accompaniment.chordToneTicks += c.chordToneTicks;
            accompaniment.chordedTicks += c.chordedTicks;
        }
        if (c.channel == 2) {
            bass.chordToneTicks += c.chordToneTicks;
            bass.chordedTicks += c.chordedTicks;
            const double share =
                style.bassPattern == kWalkingBass ? c.ChordOrPassingTonePercent() : c.ChordTonePercent();
            EXPECT_GE(share, harmony::kAuditBassPercent) << where << " bass " << style.bassPattern;
        }
    }
    // Jazz, blues and shō comping add sixths, sevenths and ninths: those count as the chord's tensions.
    const bool tensions = arrange::AddsTensions(arrange::CompingVoicingOf(style.comping));
    EXPECT_GE(harmony::AccompanimentChordTonePercent(audit, tensions), harmony::kAuditAccompanimentPercent) << where;
}

class RenderAll : public ::testing::TestWithParam<int> {};

TEST_P(RenderAll, EverySongInEveryStyleOfTheCategory)
{
    const int category = GetParam();
    TempDir out;
    harmony::ChannelAudit accompaniment;
    harmony::ChannelAudit bass;
    for (const char* name : kSongs) {
        for (const std::uint32_t seed : kSeeds) {
            EngineFixture fx(seed);
            const song::SongData song = LoadSong(fx.reporter, name);
            Range melody{127, 0};
            for (int s = 0; s < song.ActiveSlots(); ++s) {
                for (const int v : song.melody[static_cast<std::size_t>(s)].cell) {
                    if (v >= 0) melody = {std::min(melody.low, v), std::max(melody.high, v)};
                }
            }
            const std::int64_t songTicks = std::int64_t{song.bars()} * song.beats() * 96;
            for (int slot = 0; slot < arrange::kStylesPerCategory; ++slot) {
                const auto* record = arrange::CatalogueRecord(fx.catalogue, category, slot);
                ASSERT_NE(record, nullptr);
                if (!IsDefinedStyle(*record)) continue;
                const std::string where = std::string(name) + " style " + std::to_string(category) + "/" +
                                          std::to_string(slot) + " seed " + std::to_string(seed);
                const std::string path = out.File("song.mid");
                fx.reporter.Clear();
                EXPECT_TRUE(compose::RenderSong(*fx.ctx, song, category, slot, path).Written());
                const auto& style = fx.ctx->activeStyle;
                for (const auto& r : fx.reporter.reports()) ADD_FAILURE() << where << ": " << FormatErrorLine(r);

                midi::CMidiFile1 file(fx.reporter, path);
                ASSERT_TRUE(file.Loaded()) << where;
                EXPECT_EQ(file.Division, 96) << where;

                std::set<int> expected = {1};
                for (const int ch : {2, 3, 4, 5, 7, 8, 9}) {
                    if (style.channelInstrument[static_cast<std::size_t>(ch)] != arrange::kNoInstrument) {
                        expected.insert(ch);
                    }
                }
                const bool merged = style.partParams[1].partKind == 10;
                std::set<int> found;
                std::int64_t longest = 0;
                for (int t = 0; t < file.TrackCount(); ++t) {
                    std::set<int> channels;
                    std::int64_t time = 0;
                    for (const auto& e : file.Tracks[static_cast<std::size_t>(t)].Events()) {
                        time += e.DeltaTime;
                        if (!e.IsChannelEvent()) continue;
                        channels.insert(e.Channel);
                        if (e.Kind != midi::kKindNote) continue;
                        const Range r = ExpectedRange(style, e.Channel, melody);
                        EXPECT_GE(e.Note, r.low) << where << " channel " << e.Channel;
                        EXPECT_LE(e.Note, r.high) << where << " channel " << e.Channel;
                    }
                    longest = std::max(longest, time);
                    if (t == 0 && !merged) {
                        EXPECT_TRUE(channels.empty()) << where << ": the conductor has no channel events";
                    }
                    if (t > 0) {
                        EXPECT_EQ(channels.size(), 1u) << where << " track " << t;
                    }
                    found.insert(channels.begin(), channels.end());
                }
                EXPECT_EQ(file.TrackCount(), merged ? 1 : static_cast<int>(expected.size()) + 1) << where;
                EXPECT_EQ(found, expected) << where;
                EXPECT_GE(longest, songTicks - 384) << where;
                EXPECT_LE(longest, songTicks + arrange::BarTicks(style.meter)) << where;

                std::vector<std::uint8_t> bytes;
                ASSERT_TRUE(ReadWholeFile(path, bytes));
                EXPECT_EQ(OpenNotes(bytes), 0) << where;
                CheckAudit(harmony::AuditRenderedFile(file), style, where, accompaniment, bass);
            }
        }
    }
    // The files pass one by one; the totals are for the record.
    std::printf("category %d: accompaniment %.1f%% and bass %.1f%% of note-time on chord tones\n", category,
                accompaniment.ChordTonePercent(), bass.ChordTonePercent());
}

INSTANTIATE_TEST_SUITE_P(Categories, RenderAll, ::testing::Range(0, arrange::kStyleCategories));

TEST(RenderFiles, SameSeedSameBytes)
{
    TempDir out;
    std::vector<std::uint8_t> first;
    for (int round = 0; round < 2; ++round) {
        EngineFixture fx(42);
        EXPECT_TRUE(compose::RenderSong(*fx.ctx, LoadSong(fx.reporter, "greensleeves"), 0, 1, out.File("a.mid")).Written());
        std::vector<std::uint8_t> bytes;
        ASSERT_TRUE(ReadWholeFile(out.File("a.mid"), bytes));
        if (round == 0) {
            first = bytes;
        } else {
            EXPECT_EQ(bytes, first);
        }
    }
    EngineFixture other(43);
    EXPECT_TRUE(compose::RenderSong(*other.ctx, LoadSong(other.reporter, "greensleeves"), 0, 1, out.File("b.mid")).Written());
    std::vector<std::uint8_t> bytes;
    ASSERT_TRUE(ReadWholeFile(out.File("b.mid"), bytes));
    EXPECT_NE(bytes, first);
}

// Outside readers agree that the files are Standard MIDI Files.
TEST(RenderFiles, MidicsvAndMidoReadTheFiles)
{
    const bool midicsv = std::system("command -v midicsv >/dev/null 2>&1") == 0;
    const bool mido = std::system("/usr/bin/python3 -c 'import mido' >/dev/null 2>&1") == 0;
    if (!midicsv && !mido) GTEST_SKIP() << "neither midicsv nor mido is installed";
    TempDir out;
    const std::pair<int, int> styles[] = {{0, 1}, {0, 23}, {2, 3}, {3, 2}, {6, 10}, {8, 1}};
    for (std::size_t k = 0; k < std::size(kSongs); ++k) {
        const char* name = kSongs[k];
        for (const auto& [category, slot] : {styles[k], styles[(k + 3) % std::size(styles)]}) {
            EngineFixture fx(5);
            const std::string path = out.File(std::string(name) + ".mid");
            EXPECT_TRUE(compose::RenderSong(*fx.ctx, LoadSong(fx.reporter, name), category, slot, path).Written());
            if (midicsv) {
                const std::string cmd = "midicsv '" + path + "' '" + path + ".csv' >/dev/null 2>&1";
                EXPECT_EQ(std::system(cmd.c_str()), 0) << name << " " << category << "/" << slot;
                std::vector<std::uint8_t> csv;
                ASSERT_TRUE(ReadWholeFile(path + ".csv", csv));
                const std::string text(csv.begin(), csv.end());
                EXPECT_NE(text.find("Note_on_c"), std::string::npos);
                EXPECT_NE(text.find("End_of_file"), std::string::npos);
            }
            if (mido) {
                const std::string cmd = "/usr/bin/python3 -c 'import mido,sys; f=mido.MidiFile(sys.argv[1]); "
                                        "assert f.ticks_per_beat==96 and f.length>0' '" + path + "' 2>/dev/null";
                EXPECT_EQ(std::system(cmd.c_str()), 0) << name << " " << category << "/" << slot;
            }
        }
    }
}

}  // namespace
}  // namespace songloom::test
