// The generated channels of whole renderings: demo songs in every catalogue
// style, read back from the written file. Counting as in the pattern audit:
// a note counts with its duration; it lies on a chord tone when its pitch
// class is the root, third, fifth or seventh (added tone) of the chord entry
// sounding at its start (the engine's chord list of that rendering).

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <map>

#include "arrange/comping_voicing.h"
#include "arrange/pattern_context.h"
#include "arrange/style_catalogue.h"
#include "engine_fixture.h"
#include "harmony/chord_entry.h"
#include "compose/render_song.h"
#include "midi/midi_file.h"
#include "pattern_test_song.h"
#include "song/song_image.h"
#include "support/test_paths.h"

namespace songloom::test {
namespace {

struct Share {
    long long total = 0;
    long long onChord = 0;
    double Percent() const { return total == 0 ? 100.0 : 100.0 * static_cast<double>(onChord) / static_cast<double>(total); }
};

TEST(GeneratorSongAudit, DemoSongsInEveryStyle)
{
    TempDir out;
    Share accompaniment;
    Share bass;
    int renderings = 0;
    for (const char* name : {"twinkle", "greensleeves"}) {
        EngineFixture fx(1);
        song::SongData song;
        ASSERT_EQ(song::ReadSongFile(fx.reporter, SourceDir() + "/data/songs/" + name + ".sld", song, 8, 4, 0),
                  song::SongFileStatus::kRead);
        for (int category = 0; category < arrange::kStyleCategories; ++category) {
            for (int slot = 0; slot < arrange::kStylesPerCategory; ++slot) {
                const auto* record = arrange::CatalogueRecord(fx.catalogue, category, slot);
                if (record == nullptr || record->Name().empty()) continue;
                const std::string where = std::string(name) + " " + std::to_string(category) + "/" + std::to_string(slot);
                const std::string path = out.File("audit.mid");
                EXPECT_TRUE(compose::RenderSong(*fx.ctx, song, category, slot, path).Written());
                ++renderings;
                const auto& style = fx.ctx->activeStyle;
                std::vector<arrange::PatternChord> chords;
                for (const auto& e : fx.ctx->chords.entries) {
                    chords.push_back(arrange::MakePatternChord(e.length, {e.code.bytes.data(), 4}, e.root, e.bass,
                                                               e.third, e.fifth, e.seventh));
                }
                // Jazz, blues and shō comping play the chords as they voice them:
                // their sixths, sevenths and ninths are the chord's tones there.
                const arrange::CompingVoicing voicing = arrange::CompingVoicingOf(style.comping);
                const std::vector<arrange::PatternChord> voiced = arrange::VoiceChordsForComping(chords, voicing);
                const auto onVoicedTone = [&](arrange::Tick at, int note) {
                    arrange::Tick start = 0;
                    for (const arrange::PatternChord& c : voiced) {
                        if (at < start + c.length) {
                            return std::any_of(c.tones.begin(), c.tones.end(),
                                               [&](int tone) { return tone > 0 && (tone - note) % 12 == 0; });
                        }
                        start += c.length;
                    }
                    return false;
                };
                const arrange::Tick end = arrange::TotalLength(chords);
                const arrange::Tick twoBars = 2 * arrange::BarTicks(style.meter);

                midi::CMidiFile1 file(fx.reporter, path);
                ASSERT_TRUE(file.Loaded()) << where;
                std::map<int, std::vector<midi::CMidiEvent>> byChannel;
                std::map<int, std::vector<std::int64_t>> starts;
                for (int t = 0; t < file.TrackCount(); ++t) {
                    std::int64_t time = 0;
                    for (const auto& e : file.Tracks[static_cast<std::size_t>(t)].Events()) {
                        time += e.DeltaTime;
                        if (e.Kind != midi::kKindNote || e.Velocity == 0) continue;
                        byChannel[e.Channel].push_back(e);
                        starts[e.Channel].push_back(time);
                    }
                }
                for (const auto& [channel, notes] : byChannel) {
                    const auto& at = starts[channel];
                    std::int64_t covered = 0;
                    std::int64_t longest = 0;
                    for (std::size_t i = 0; i < notes.size(); ++i) {
                        EXPECT_GE(notes[i].Note, 0) << where;
                        EXPECT_LE(notes[i].Note, 127) << where;
                        if (channel == arrange::kDrumChannel) {
                            EXPECT_GE(notes[i].Note, 35) << where;
                            EXPECT_LE(notes[i].Note, 81) << where;
                        }
                        longest = std::max(longest, at[i] - covered);
                        covered = std::max<std::int64_t>(covered, at[i] + notes[i].Duration);
                        Share* share = channel == arrange::kBassChannel ? &bass
                                       : (channel == arrange::kAccompanimentChannel ||
                                          channel == arrange::kAccompaniment2Channel)
                                           ? &accompaniment
                                           : nullptr;
                        if (share == nullptr) continue;
                        share->total += notes[i].Duration;
                        const auto when = static_cast<arrange::Tick>(at[i]);
                        const bool voicedPart = share == &accompaniment;
                        if (OnChordTone(chords, when, notes[i].Note) ||
                            (voicedPart && arrange::AddsTensions(voicing) && onVoicedTone(when, notes[i].Note)))
                            share->onChord += notes[i].Duration;
                    }
                    longest = std::max<std::int64_t>(longest, end - covered);
                    const bool brokenChord9 =
                        (channel == arrange::kAccompanimentChannel && style.accompanimentPattern == 9) ||
                        (channel == arrange::kAccompaniment2Channel && style.accompaniment2Pattern == 9);
                    const bool generated = channel == arrange::kBassChannel || channel == arrange::kDrumChannel ||
                                           channel == arrange::kAccompanimentChannel ||
                                           channel == arrange::kAccompaniment2Channel;
                    if (generated && !brokenChord9) {
                        EXPECT_LE(longest, twoBars) << where << " channel " << channel;
                    }
                }
            }
        }
    }
    std::printf("song audit: %d renderings; accompaniment %.1f%% of %lld ticks on chord tones, bass %.1f%% of %lld\n",
                renderings, accompaniment.Percent(), accompaniment.total, bass.Percent(), bass.total);
    EXPECT_GE(accompaniment.Percent(), 80.0);
    EXPECT_GE(bass.Percent(), 70.0);
}

}  // namespace
}  // namespace songloom::test
