// The comping voicings of jazz, blues and shō styles: chord by chord, and
// in whole renderings of the styles that use them.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <set>

#include "arrange/comping_voicing.h"
#include "arrange/style_catalogue.h"
#include "compose/render_song.h"
#include "engine_fixture.h"
#include "midi/midi_file.h"
#include "pattern_test_song.h"
#include "song/song_image.h"

namespace songloom::arrange {
namespace {

using test::SongChord;

std::set<int> Intervals(const PatternChord& voiced, const PatternChord& written)
{
    std::set<int> intervals;
    for (const int note : voiced.tones) intervals.insert(((note - written.root) % 12 + 12) % 12);
    return intervals;
}

// A I-vi-ii-V-I of plain triads.
std::vector<PatternChord> TriadSong()
{
    return {SongChord("CMPo", 384), SongChord("AmPo", 384), SongChord("DmPo", 384), SongChord("GMPo", 384),
            SongChord("FMPo", 384), SongChord("CMPo", 384)};
}

TEST(JazzVoicing, TriadsGainTheirSeventhsAndLoseTheRoot)
{
    const auto song = TriadSong();
    const auto voiced = VoiceChordsForComping(song, CompingVoicing::kJazz);
    ASSERT_EQ(voiced.size(), song.size());
    const std::vector<std::set<int>> expected{
        {4, 9, 2},   // C6/9 on the home chord
        {3, 10, 2},  // Am9
        {3, 10, 2},  // Dm9
        {},          // G7, the fifth degree: checked below
        {4, 11, 2},  // Fmaj9 (neither resolving a fifth down nor on the fifth degree)
        {4, 9, 2},   // C6/9
    };
    for (std::size_t k = 0; k < song.size(); ++k) {
        const std::set<int> got = Intervals(voiced[k], song[k]);
        EXPECT_FALSE(got.contains(0)) << k;  // rootless
        if (k != 3) {
            EXPECT_EQ(got, expected[k]) << k;
        } else {
            EXPECT_TRUE(got.contains(4) && got.contains(10)) << "G7 on the fifth degree";
        }
        for (const int note : voiced[k].tones) EXPECT_TRUE(voiced[k].IsChordTone(note)) << k;
        EXPECT_GE(voiced[k].tones[0], 48);
        EXPECT_LE(voiced[k].tones[2], 74);
    }
    // A secondary dominant: A major resolving to Dm in C takes its seventh
    // too, and its code names it.
    const std::vector<PatternChord> cadence{SongChord("AMPo", 384), SongChord("DmPo", 384), SongChord("GMPo", 384),
                                            SongChord("CMPo", 384)};
    const auto v = VoiceChordsForComping(cadence, CompingVoicing::kJazz);
    const std::set<int> a = Intervals(v[0], cadence[0]);
    EXPECT_TRUE(a.contains(4) && a.contains(10)) << "A7 has its third and flat seventh";
    EXPECT_EQ(v[0].code[3], 's');
    EXPECT_EQ(v[0].SeventhInterval(), 10);
}

TEST(JazzVoicing, VoicesMoveLittleFromChordToChord)
{
    const auto song = TriadSong();
    const auto voiced = VoiceChordsForComping(song, CompingVoicing::kJazz);
    // No voice leaps more than a fourth between chords.
    for (std::size_t k = 1; k < voiced.size(); ++k) {
        for (std::size_t i = 0; i < 3; ++i) EXPECT_LE(std::abs(voiced[k].tones[i] - voiced[k - 1].tones[i]), 5) << k;
    }
}

TEST(JazzVoicing, BluesMakesEveryMajorChordADominant)
{
    const std::vector<PatternChord> blues{SongChord("CMPo", 384), SongChord("FMPo", 384), SongChord("CMPo", 384),
                                          SongChord("GMPo", 384), SongChord("FMPo", 384), SongChord("CMPo", 384)};
    const auto voiced = VoiceChordsForComping(blues, CompingVoicing::kBlues);
    for (std::size_t k = 0; k < blues.size(); ++k) {
        const std::set<int> got = Intervals(voiced[k], blues[k]);
        EXPECT_TRUE(got.contains(4) && got.contains(10)) << k;
    }
}

TEST(JazzVoicing, WrittenSeventhsAndOtherQualitiesKeepTheirColour)
{
    // A written major seventh stays major, a written minor seventh minor; a
    // diminished chord takes its diminished seventh, a chord without a root
    // passes through.
    const std::vector<PatternChord> song{SongChord("FMPS", 384), SongChord("EmPs", 384), SongChord("BmdPo", 384),
                                         SongChord("NoCd", 384)};
    const auto voiced = VoiceChordsForComping(song, CompingVoicing::kJazz);
    EXPECT_TRUE(Intervals(voiced[0], song[0]).contains(11));
    EXPECT_TRUE(Intervals(voiced[1], song[1]).contains(10));
    EXPECT_EQ(Intervals(voiced[2], song[2]), (std::set<int>{3, 6, 9}));
    EXPECT_EQ(voiced[3].tones, song[3].tones);
    EXPECT_EQ(VoiceChordsForComping(song, CompingVoicing::kAsWritten)[0].tones, song[0].tones);
}

TEST(ShoVoicing, RootNinthFifthAndOctaveUnderTheRootByte)
{
    const std::vector<PatternChord> song{SongChord("AmPo", 384), SongChord("DMPo", 384)};
    const auto voiced = VoiceChordsForComping(song, CompingVoicing::kSho);
    for (std::size_t k = 0; k < song.size(); ++k) {
        const int r = song[k].root;
        EXPECT_EQ(voiced[k].tones, (std::array<int, 3>{r - 10, r - 5, r}));
    }
}

}  // namespace
}  // namespace songloom::arrange

namespace songloom::test {
namespace {

struct Rendered {
    std::vector<harmony::ChordEntry> chords;
    std::map<int, std::map<std::int64_t, std::vector<std::pair<int, int>>>> onsets;  // channel -> at -> (note, dur)
    std::int64_t bar = 384;
};

Rendered Render(const char* songName, int category, int slot)
{
    EngineFixture fx(7);
    song::SongData song;
    EXPECT_EQ(song::ReadSongFile(fx.reporter, SourceDir() + "/data/songs/" + songName + ".sld", song, 8, 4, 0),
              song::SongFileStatus::kRead);
    TempDir out;
    const std::string path = out.File("comping.mid");
    EXPECT_TRUE(compose::RenderSong(*fx.ctx, song, category, slot, path).Written());
    Rendered r;
    r.chords = fx.ctx->chords.entries;
    r.bar = arrange::BarTicks(song.beats() == 3 ? arrange::kMeter34 : arrange::kMeter44);
    midi::CMidiFile1 file(fx.reporter, path);
    EXPECT_TRUE(file.Loaded());
    for (const auto& track : file.Tracks) {
        std::int64_t time = 0;
        for (const auto& e : track.Events()) {
            time += e.DeltaTime;
            if (e.Kind == midi::kKindNote && e.Velocity > 0) r.onsets[e.Channel][time].push_back({e.Note, e.Duration});
        }
    }
    return r;
}

// The chord entry sounding at a tick, as the generators walk them from 0.
const harmony::ChordEntry* ChordAt(const Rendered& r, std::int64_t at)
{
    std::int64_t start = 0;
    for (const auto& e : r.chords) {
        if (at < start + e.length) return &e;
        start += e.length;
    }
    return nullptr;
}

// Onsets a few ticks apart (a humanised chord) count as one.
std::vector<std::vector<int>> Groups(const std::map<std::int64_t, std::vector<std::pair<int, int>>>& onsets,
                                     std::vector<std::int64_t>& at)
{
    std::vector<std::vector<int>> groups;
    std::int64_t last = -100;
    for (const auto& [t, notes] : onsets) {
        if (t - last > 6) {
            groups.emplace_back();
            at.push_back(t);
        }
        for (const auto& n : notes) groups.back().push_back(n.first);
        last = t;
    }
    return groups;
}

TEST(GenreComping, JazzStylesCompInSeventhsWithoutRootPositionTriads)
{
    // Quartet, vibraphone, piano trio, jazz guitar, jazz waltz.
    for (const auto& [category, slot] : std::vector<std::pair<int, int>>{{2, 2}, {2, 6}, {2, 7}, {2, 15}, {2, 17}}) {
        for (const char* name : {"drunken_sailor", "amazing_grace"}) {
            const Rendered r = Render(name, category, slot);
            std::vector<std::int64_t> at;
            const auto groups = Groups(r.onsets.at(3), at);
            int chords = 0;
            int withSeventh = 0;
            for (std::size_t g = 0; g < groups.size(); ++g) {
                const harmony::ChordEntry* e = ChordAt(r, at[g]);
                if (e == nullptr || e->root == 0 || groups[g].size() < 3) continue;
                ++chords;
                std::set<int> intervals;
                for (const int n : groups[g]) intervals.insert(((n - e->root) % 12 + 12) % 12);
                if (intervals.contains(9) || intervals.contains(10) || intervals.contains(11)) ++withSeventh;
                const int low = *std::min_element(groups[g].begin(), groups[g].end());
                const int high = *std::max_element(groups[g].begin(), groups[g].end());
                const bool rootPositionTriad = (low - e->root) % 12 == 0 && high - low <= 12 &&
                                               intervals.size() == 3 && intervals.contains(7) &&
                                               (intervals.contains(3) || intervals.contains(4));
                EXPECT_FALSE(rootPositionTriad) << name << " " << category << "/" << slot << " at " << at[g];
            }
            ASSERT_GT(chords, 8) << name << " " << category << "/" << slot;
            EXPECT_GE(withSeventh * 10, chords * 9) << name << " " << category << "/" << slot;
        }
    }
}

TEST(GenreComping, ShoHoldsClustersOfFourOrMore)
{
    for (const char* name : {"drunken_sailor", "amazing_grace"}) {
        const Rendered r = Render(name, 4, 15);
        const auto& sho = r.onsets.at(3);
        ASSERT_GT(sho.size(), 4u) << name;
        // The band's held last chord and the push into a new phrase (the last
        // eighth of its bar) are the performance's, not the shō's figure.
        const std::int64_t ending = sho.rbegin()->first;
        const auto inFigure = [&](std::int64_t t) { return t < ending && t % r.bar < r.bar - 48; };
        std::vector<std::int64_t> at;
        const auto clusters = Groups(sho, at);
        for (std::size_t g = 0; g < clusters.size(); ++g) {
            if (inFigure(at[g])) {
                EXPECT_GE(clusters[g].size(), 4u) << name << " at " << at[g];
            }
        }
        for (const auto& [t, notes] : sho) {
            if (!inFigure(t)) continue;
            for (const auto& [note, duration] : notes) EXPECT_GE(duration, 90) << name << " at " << t;
        }
    }
}

TEST(GenreComping, WaltzChordsLeaveTheDownbeatToTheBass)
{
    // Viennese waltz (the pizzicato strings), musette, yodel, jazz waltz.
    for (const auto& [category, slot, channel] :
         std::vector<std::tuple<int, int, int>>{{3, 16, 7}, {5, 4, 3}, {5, 15, 3}, {2, 17, 3}}) {
        const Rendered r = Render("amazing_grace", category, slot);
        ASSERT_EQ(r.bar, 288);
        const auto& chords = r.onsets.at(channel);
        const auto& bass = r.onsets.at(2);
        int downbeats = 0;
        for (const auto& [t, notes] : bass) downbeats += t % r.bar < 24 ? 1 : 0;
        EXPECT_GT(downbeats, 10) << category << "/" << slot;
        int pahs = 0;
        for (const auto& [t, notes] : chords) {
            const std::int64_t inBar = t % r.bar;
            // The held last chord of the ending is the band's, not the figure's.
            if (t >= chords.rbegin()->first) continue;
            EXPECT_GE(inBar, 48) << category << "/" << slot << " at " << t;
            pahs += inBar >= 90 ? 1 : 0;
        }
        EXPECT_GT(pahs, 20) << category << "/" << slot;
    }
}

}  // namespace
}  // namespace songloom::test
