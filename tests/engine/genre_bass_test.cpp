// The genre bass figures and the left hands that stand in for a bass: the
// figures note by note over small songs, and the catalogue's styles that
// play them, rendered whole.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <map>
#include <set>

#include "arrange/accompaniment_patterns.h"
#include "arrange/bass_patterns.h"
#include "arrange/style_catalogue.h"
#include "arrange/style_data.h"
#include "compose/render_song.h"
#include "engine_fixture.h"
#include "midi/midi_file.h"
#include "pattern_test_song.h"
#include "song/song_image.h"

namespace songloom::arrange {
namespace {

using test::SongChord;
using test::TestContext;

std::vector<PlacedNote> PlayFigure(TestContext& t, const std::vector<PatternChord>& chords, GenreBass figure)
{
    NoteBuffer out(t.context.BarLength());
    PlayGenreBass(t.context, chords, figure, out);
    return out.Sounding();
}

// Bars of 4/4 (or 3/4) whose chords change every bar: C, F, G, C, ...
std::vector<PatternChord> BarChords(int bars, Tick bar = 384)
{
    const char* codes[] = {"CMPo", "FMPo", "GMPs", "AmPo"};
    std::vector<PatternChord> chords;
    for (int i = 0; i < bars; ++i) chords.push_back(SongChord(codes[i % 4], bar));
    return chords;
}

std::vector<PlacedNote> InBar(const std::vector<PlacedNote>& notes, Tick bar, int index)
{
    std::vector<PlacedNote> out;
    for (const PlacedNote& n : notes) {
        if (n.at / bar == index) out.push_back(n);
    }
    return out;
}

bool OnsetAt(const std::vector<PlacedNote>& bar, Tick within, Tick barLength)
{
    return std::any_of(bar.begin(), bar.end(), [&](const PlacedNote& n) { return n.at % barLength == within; });
}

TEST(GenreBass, TumbaoSkipsTheOneAndTiesTheAnticipatedRootOverTheBar)
{
    TestContext t;
    const auto chords = BarChords(8);
    const auto notes = PlayFigure(t, chords, GenreBass::kTumbao);
    for (int b = 0; b < 8; ++b) {
        const auto bar = InBar(notes, 384, b);
        // The phrase's first bar keeps its 1; inside the phrase nothing on it.
        EXPECT_EQ(OnsetAt(bar, 0, 384), b == 0) << b;
        ASSERT_TRUE(OnsetAt(bar, 144, 384)) << b;
        ASSERT_TRUE(OnsetAt(bar, 288, 384)) << b;
        for (const PlacedNote& n : bar) {
            if (n.at % 384 == 144) {
                EXPECT_TRUE(test::OnChordTone(chords, n.at, n.note)) << b;
            } else if (n.at % 384 == 288 && b + 1 < 8) {
                // The 4 is the next bar's root, held across the barline.
                EXPECT_EQ(n.note % 12, chords[static_cast<std::size_t>(b + 1)].bass % 12) << b;
                EXPECT_GT(n.at + n.duration, 384 * (b + 1)) << b;
            }
        }
    }
    // The last bar's tie stops inside the song.
    for (const PlacedNote& n : notes) EXPECT_LE(n.at + n.duration, TotalLength(chords));
}

TEST(GenreBass, TumbaoInThreeFourAnticipatesOnTheAndOfThree)
{
    TestContext t;
    t.context.meter = kMeter34;
    const auto chords = BarChords(4, 288);
    const auto notes = PlayFigure(t, chords, GenreBass::kTumbao);
    for (int b = 1; b < 4; ++b) {
        const auto bar = InBar(notes, 288, b);
        EXPECT_FALSE(OnsetAt(bar, 0, 288)) << b;
        EXPECT_TRUE(OnsetAt(bar, 96, 288)) << b;
        EXPECT_TRUE(OnsetAt(bar, 240, 288)) << b;
    }
    const auto third = InBar(notes, 288, 2);
    const auto late = std::find_if(third.begin(), third.end(), [](const PlacedNote& n) { return n.at % 288 == 240; });
    ASSERT_NE(late, third.end());
    EXPECT_EQ(late->note % 12, chords[3].bass % 12);
}

TEST(GenreBass, TangoMarksFourBeatsAndPlaysTheSincopaEveryFourthBar)
{
    TestContext t;
    const auto chords = BarChords(8);
    const auto notes = PlayFigure(t, chords, GenreBass::kTango);
    for (int b = 0; b < 8; ++b) {
        const auto bar = InBar(notes, 384, b);
        std::set<Tick> onsets;
        for (const PlacedNote& n : bar) onsets.insert(n.at % 384);
        if (b % 4 == 3) {
            EXPECT_EQ(onsets, (std::set<Tick>{0, 144, 288})) << b;  // 3-3-2
        } else {
            ASSERT_EQ(onsets, (std::set<Tick>{0, 96, 192, 288})) << b;
            // Marcato: 1 and 3 heavier than 2 and 4, every note short.
            EXPECT_GT(bar[0].velocity, bar[1].velocity) << b;
            EXPECT_GT(bar[2].velocity, bar[3].velocity) << b;
            for (const PlacedNote& n : bar) EXPECT_LT(n.duration, 80) << b;
        }
        for (const PlacedNote& n : bar) EXPECT_TRUE(test::OnChordTone(chords, n.at, n.note)) << b;
    }
}

TEST(GenreBass, TwoBeatWalksOnlyIntoANewBass)
{
    TestContext t;
    // C for two bars, then F: one approach, on the 4 before F.
    const std::vector<PatternChord> chords{SongChord("CMPo", 768), SongChord("FMPo", 384)};
    const auto notes = PlayFigure(t, chords, GenreBass::kTwoBeat);
    std::vector<Tick> onsets;
    for (const PlacedNote& n : notes) onsets.push_back(n.at);
    EXPECT_EQ(onsets, (std::vector<Tick>{0, 192, 384, 576, 672, 768, 960}));
    EXPECT_EQ(notes[0].note, chords[0].bass);
    EXPECT_EQ((notes[1].note - chords[0].bass + 12) % 12, 7);  // the fifth on 3
    EXPECT_EQ(std::abs(notes[4].note - chords[1].bass), 1);    // a semitone into F
    EXPECT_EQ(notes[5].note, chords[1].bass);
}

TEST(GenreBass, StrideLeftHandAlternatesLowBassAndChordsWithoutABassPlayer)
{
    TestContext t;
    t.context.bassPlays = false;
    const std::vector<PatternChord> chords{SongChord("CMPo", 384), SongChord("GMPs", 384)};
    NoteBuffer out(384);
    AccompanimentPattern(t.context, chords, 3, 42, 0, 100, out);
    std::map<Tick, std::vector<int>> byOnset;
    for (const PlacedNote& n : out.Sounding()) byOnset[n.at].push_back(n.note);
    ASSERT_EQ(byOnset.size(), 8u);
    for (const auto& [at, pitches] : byOnset) {
        if (at % 192 == 0) {
            // The boom: one note in the bass register, root on 1, fifth on 3.
            ASSERT_EQ(pitches.size(), 1u) << at;
            EXPECT_LT(pitches[0], 48) << at;
            const PatternChord& c = chords[static_cast<std::size_t>(at / 384)];
            EXPECT_EQ((pitches[0] - c.root + 120) % 12, at % 384 == 0 ? 0 : 7) << at;
        } else {
            // The chick: the chord above it.
            EXPECT_EQ(pitches.size(), 3u) << at;
            for (const int p : pitches) EXPECT_GE(p, 48) << at;
        }
    }
    // With a bass player the pattern leaves the bass register to the bass.
    NoteBuffer band(384);
    t.context.bassPlays = true;
    AccompanimentPattern(t.context, chords, 3, 42, 0, 100, band);
    for (const PlacedNote& n : band.Sounding()) EXPECT_GE(n.note, 48);
}

TEST(GenreBass, BoogieLeftHandRollsEighthsUnderChordStabsWithoutABassPlayer)
{
    for (const int feel : {0, 3}) {
        TestContext t;
        t.context.bassPlays = false;
        t.context.rhythmFeel = feel;
        const std::vector<PatternChord> chords{SongChord("CMPs", 384)};
        NoteBuffer out(384);
        AccompanimentPattern(t.context, chords, 3, 44, 0, 100, out);
        std::vector<PlacedNote> low;
        std::map<Tick, int> chordNotes;
        for (const PlacedNote& n : out.Sounding()) {
            if (n.note < 48) low.push_back(n);
            else ++chordNotes[n.at];
        }
        // Eight left-hand notes a bar: root, fifth, sixth, fifth, twice.
        ASSERT_EQ(low.size(), 8u) << feel;
        const int intervals[] = {0, 7, 9, 7};
        for (std::size_t i = 0; i < low.size(); ++i)
            EXPECT_EQ((low[i].note - chords[0].root + 120) % 12, intervals[i % 4]) << feel << " " << i;
        // Swung in triplet feel: the off-beat eighth two thirds into the beat.
        EXPECT_EQ(low[1].at, feel == 3 ? 64 : 48);
        EXPECT_EQ(chordNotes, (std::map<Tick, int>{{96, 3}, {288, 3}})) << feel;
    }
}

// Every figure in both meters: inside the song, in a bass's register, on the
// tones of the chord it belongs to (its own or, anticipating, the next one's)
// except for the one approach a figure may take into a new bass; no two
// figures alike.
TEST(GenreBass, EveryFigureStaysOnTheHarmonyAndIsItsOwn)
{
    for (const int meter : {kMeter44, kMeter34}) {
        const Tick bar = BarTicks(meter);
        const auto chords = BarChords(8, bar);
        const Tick total = TotalLength(chords);
        std::set<std::string> seen;
        for (int f = 1; f < kGenreBassCount; ++f) {
            const auto figure = static_cast<GenreBass>(f);
            const std::string name(GenreBassName(figure));
            ASSERT_FALSE(name.empty()) << f;
            GenreBass back = GenreBass::kNone;
            EXPECT_TRUE(GenreBassFromName(name, back));
            EXPECT_EQ(back, figure);

            TestContext t;
            t.context.meter = meter;
            NoteBuffer out(bar);
            PlayGenreBass(t.context, chords, figure, out);
            const auto notes = out.Sounding();
            ASSERT_FALSE(notes.empty()) << name;
            int offHarmony = 0;
            for (const PlacedNote& n : notes) {
                EXPECT_GE(n.note, 28) << name;
                EXPECT_LE(n.note, 60) << name;
                EXPECT_GT(n.duration, 0) << name;
                EXPECT_LE(n.at + n.duration, total) << name;
                const bool own = test::OnChordTone(chords, n.at, n.note);
                const bool next = n.at + n.duration > (n.at / bar + 1) * bar &&
                                  test::OnChordTone(chords, (n.at / bar + 1) * bar, n.note);
                const bool anticipates = (n.at % bar) + kTicksPerBeat >= bar &&
                                         test::OnChordTone(chords, std::min(total - 1, (n.at / bar + 1) * bar), n.note);
                if (!own && !next && !anticipates) ++offHarmony;
            }
            // At most one approach note a bar (every bar here changes chord).
            EXPECT_LE(offHarmony, 8) << name << " meter " << meter;
            EXPECT_TRUE(seen.insert(test::Signature(out)).second) << name << " meter " << meter;
        }
    }
    GenreBass untouched = GenreBass::kTango;
    EXPECT_FALSE(GenreBassFromName("polka-rock", untouched));
    EXPECT_EQ(untouched, GenreBass::kTango);
    TestContext t;
    NoteBuffer out;
    PlayGenreBass(t.context, BarChords(2), GenreBass::kNone, out);
    EXPECT_TRUE(out.notes().empty());
}

TEST(GenreBass, CatalogueRowsNameTheirFigure)
{
    Random random(1);
    StyleRecord r;
    ApplyStyleDefaults(random, r);
    std::vector<std::string> faults;
    StyleRow row{3, 5, "ﾃｽﾄ", kMeter44, 600000, 0, {40, 43, kOff, kOff, kOff, kOff, kOff, kOff},
                 {12, 0, 0, 7}, "1/1/1", 0, 4, 20, 90, 60, "", "bass=tumbao", "説明です。"};
    ApplyStyleRow(row, r, faults);
    EXPECT_TRUE(faults.empty());
    EXPECT_EQ(r.genreBass, static_cast<int>(GenreBass::kTumbao));
    row.extra = "bass=oompah";
    ApplyStyleRow(row, r, faults);
    EXPECT_EQ(faults.size(), 1u);
    EXPECT_EQ(r.genreBass, static_cast<int>(GenreBass::kTumbao));
}

}  // namespace
}  // namespace songloom::arrange

namespace songloom::test {
namespace {

// One channel's notes of a whole rendering of a demo song in a catalogue style.
struct Rendered {
    std::vector<EngineFixture::Placed> notes;  // at absolute ticks of the file
    arrange::Tick bar = 384;
    std::int64_t origin = 0;  // the first chord marker: bar 1 of the song
};

Rendered RenderChannel(const char* song, int category, int slot, int channel)
{
    EngineFixture fx(7);
    TempDir out;
    song::SongData data;
    EXPECT_EQ(song::ReadSongFile(fx.reporter, SourceDir() + "/data/songs/" + song + ".sld", data, 8, 4, 0),
              song::SongFileStatus::kRead);
    const std::string path = out.File("genre.mid");
    EXPECT_TRUE(compose::RenderSong(*fx.ctx, data, category, slot, path).Written());
    midi::CMidiFile1 file(fx.reporter, path);
    EXPECT_TRUE(file.Loaded());
    Rendered r;
    r.bar = arrange::BarTicks(fx.ctx->activeStyle.meter);
    bool marker = false;
    for (int t = 0; t < file.TrackCount(); ++t) {
        std::int64_t time = 0;
        for (const auto& e : file.Tracks[static_cast<std::size_t>(t)].Events()) {
            time += e.DeltaTime;
            if (!marker && e.IsMeta(midi::kMetaMarker)) {
                marker = true;
                r.origin = time;
            }
            if (e.Kind == midi::kKindNote && e.Velocity > 0 && e.Channel == channel)
                r.notes.push_back({time, e.Note, e.Velocity, static_cast<int>(e.Duration)});
        }
    }
    std::sort(r.notes.begin(), r.notes.end(), [](const auto& a, const auto& b) { return a.at < b.at; });
    return r;
}

// Onsets by their place in the bar (ticks from the barline, humanising
// rounded off to the nearest sixteenth) and the number of bars they fall in.
std::map<std::int64_t, int> BarPlaces(const Rendered& r, int& bars)
{
    std::map<std::int64_t, int> places;
    std::set<std::int64_t> seen;
    for (const auto& n : r.notes) {
        const std::int64_t from = n.at - r.origin + 12;
        if (from < 0) continue;
        seen.insert(from / r.bar);
        places[(from % r.bar) / 24 * 24]++;
    }
    bars = static_cast<int>(seen.size());
    return places;
}

TEST(GenreBassRenders, MamboBassPlaysTheTumbao)
{
    const Rendered r = RenderChannel("drunken_sailor", 5, 10, 2);
    int bars = 0;
    const auto places = BarPlaces(r, bars);
    ASSERT_GE(bars, 12);
    // The and of 2 and the 4 in nearly every bar, the 1 only at phrase starts.
    EXPECT_GE(places.count(144) ? places.at(144) : 0, bars - 2);
    EXPECT_GE(places.count(288) ? places.at(288) : 0, bars - 4);
    EXPECT_LE(places.count(0) ? places.at(0) : 0, bars / 4);
}

TEST(GenreBassRenders, RagtimeLeftHandAlternatesBassAndChord)
{
    const Rendered r = RenderChannel("drunken_sailor", 2, 8, 3);
    std::map<std::int64_t, std::vector<int>> byBeat;  // beat index from bar 1 -> pitches
    for (const auto& n : r.notes) {
        const std::int64_t from = n.at - r.origin + 12;
        if (from >= 0) byBeat[from / 96].push_back(n.note);
    }
    int booms = 0;
    int chicks = 0;
    int beats = 0;
    for (const auto& [beat, pitches] : byBeat) {
        if (beat >= 14 * 4) break;  // before the ending
        ++beats;
        const int low = *std::min_element(pitches.begin(), pitches.end());
        if (beat % 2 == 0 && pitches.size() == 1 && low < 48) ++booms;
        if (beat % 2 == 1 && pitches.size() >= 3 && low >= 48) ++chicks;
    }
    ASSERT_GE(beats, 40);
    EXPECT_GE(booms + chicks, beats * 9 / 10) << booms << " booms, " << chicks << " chicks of " << beats;
}

TEST(GenreBassRenders, WalkingBassWalksQuarterNotes)
{
    for (const auto& [category, slot] : {std::pair{2, 2}, std::pair{2, 7}, std::pair{0, 14}}) {
        const Rendered r = RenderChannel("drunken_sailor", category, slot, 2);
        int bars = 0;
        const auto places = BarPlaces(r, bars);
        ASSERT_GE(bars, 12);
        // Every beat struck in nearly every bar; off the beat at most the rare swung skip.
        int offBeat = 0;
        for (const auto& [place, count] : places) {
            if (place % 96 == 0) EXPECT_GE(count, bars - 2) << category << "/" << slot << " at " << place;
            else offBeat += count;
        }
        EXPECT_LE(offBeat, bars) << category << "/" << slot;
        for (std::size_t i = 1; i < r.notes.size(); ++i)
            EXPECT_GE(r.notes[i].at - r.notes[i - 1].at, 16) << category << "/" << slot << " at " << r.notes[i].at;
    }
}

}  // namespace
}  // namespace songloom::test
