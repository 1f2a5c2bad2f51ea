// A style plays in the song's meter: figures fitted to the bar, styles
// fitted to the song, the default style of a meter, and whole renders whose
// time signature and barlines are the song's whatever the style was written for.
#include <gtest/gtest.h>

#include <map>
#include <set>

#include "arrange/pattern_figure.h"
#include "arrange/style_meter.h"
#include "engine_fixture.h"
#include "compose/render_song.h"
#include "midi/midi_file.h"
#include "song/song_image.h"

namespace songloom::test {
namespace {

using arrange::Figure;
using arrange::FitFigureToBar;

std::vector<std::pair<arrange::Tick, arrange::Tick>> Onsets(const Figure& f)
{
    std::vector<std::pair<arrange::Tick, arrange::Tick>> out;
    for (const auto& o : f.onsets) out.emplace_back(o.offset, o.duration);
    return out;
}

TEST(FitFigureToBar, FiguresThatFitTheBarPlayAsWritten)
{
    for (const auto& [cycle, bar] : std::vector<std::pair<int, int>>{{96, 288}, {48, 384}, {192, 384}, {288, 288},
                                                                      {384, 384}, {768, 384}, {1152, 288}}) {
        const Figure f = arrange::ParseFigure(cycle, "0:C/40 48:R/40");
        EXPECT_TRUE(arrange::FigureFitsBar(f, bar)) << cycle << " in " << bar;
        const Figure fitted = FitFigureToBar(f, bar);
        EXPECT_EQ(fitted.cycle, cycle);
        EXPECT_EQ(Onsets(fitted), Onsets(f));
    }
    EXPECT_EQ(Onsets(FitFigureToBar(arrange::ParseFigure(192, "0:C/40"), 0)), Onsets(arrange::ParseFigure(192, "0:C/40")));
}

TEST(FitFigureToBar, FourFourFigureInThreeFourDropsTheThirdBeat)
{
    // Two bars of 4/4 (a bossa-like figure) become two bars of 3/4.
    const Figure f = arrange::ParseFigure(768, "0:C/90 144:C/40 288:C/90 336:C/90 432:C/40 528:C/90 624:C/90");
    const Figure fitted = FitFigureToBar(f, 288);
    EXPECT_EQ(fitted.cycle, 576);
    // Beat 4 moves to beat 3 (288 -> 192, 336 -> 240), bar 2's beat 3 (624)
    // is gone; durations end where the next beat's notes begin, but a note
    // tied over the barline (336/90) stays tied.
    const std::vector<std::pair<arrange::Tick, arrange::Tick>> expected{
        {0, 90}, {144, 40}, {192, 90}, {240, 90}, {336, 40}, {432, 48}};
    EXPECT_EQ(Onsets(fitted), expected);
    // A held pad keeps its length to the end of the fitted cycle.
    const Figure pad = FitFigureToBar(arrange::ParseFigure(3072, "0:C/3070"), 288);
    ASSERT_EQ(pad.onsets.size(), 1u);
    EXPECT_EQ(pad.cycle, 8 * 288);
    EXPECT_EQ(pad.onsets[0].duration, 8 * 288);
    // A note of beat 4 held past the bar is cut at the barline.
    const Figure cut = FitFigureToBar(arrange::ParseFigure(384, "288:C/150"), 288);
    ASSERT_EQ(cut.onsets.size(), 1u);
    EXPECT_EQ(cut.onsets[0].offset, 192);
    EXPECT_EQ(cut.onsets[0].duration, 96);
}

TEST(FitFigureToBar, WaltzInFourFourPlaysItsFirstHalfBarTwice)
{
    const Figure waltz = arrange::ParseFigure(288, "0:R-12/90 96:C/60 192:C/60");
    const Figure fitted = FitFigureToBar(waltz, 384);
    EXPECT_EQ(fitted.cycle, 384);
    const std::vector<std::pair<arrange::Tick, arrange::Tick>> expected{{0, 90}, {96, 60}, {192, 90}, {288, 60}};
    EXPECT_EQ(Onsets(fitted), expected);
    EXPECT_EQ(fitted.onsets[2].voices[0].letter, 'R');
}

TEST(FitFigureToBar, HalfBarFigureInThreeFourStartsAgainEveryBar)
{
    const Figure f = arrange::ParseFigure(192, "0:B/140 144:P/44");
    const Figure fitted = FitFigureToBar(f, 288);
    EXPECT_EQ(fitted.cycle, 288);
    const std::vector<std::pair<arrange::Tick, arrange::Tick>> expected{{0, 140}, {144, 44}, {192, 96}};
    EXPECT_EQ(Onsets(fitted), expected);

    // Played over a chord of two bars, both downbeats have their note.
    arrange::NoteBuffer out(288);
    const auto chord = arrange::MakePatternChord(576, "CMPS", 60, 48, 64, 67, 71);
    arrange::PlayFigureOverChords(out, 0, std::span(&chord, 1), f);
    std::set<arrange::Tick> at;
    for (const auto& n : out.Sounding()) at.insert(n.at);
    EXPECT_TRUE(at.count(0) && at.count(288)) << "a bar without its downbeat";
    for (const auto& n : out.Sounding()) EXPECT_LE(n.at % 288 + n.duration, 288) << n.at;
}

TEST(FitStyleToMeter, StyleOfTheSongsMeterStaysAsItIs)
{
    EngineFixture fx;
    for (const auto& [category, slot, beats] : std::vector<std::tuple<int, int, int>>{{0, 9, 4}, {0, 23, 3}, {3, 16, 3}}) {
        arrange::StyleRecord style = *arrange::CatalogueRecord(fx.catalogue, category, slot);
        const arrange::StyleRecord before = style;
        arrange::FitStyleToMeter(style, beats);
        EXPECT_EQ(style, before) << category << "/" << slot;
        EXPECT_TRUE(arrange::StyleWrittenFor(style, beats));
    }
}

TEST(FitStyleToMeter, WaltzStyleInFourFourBecomesABalladOfTheSameBand)
{
    EngineFixture fx;
    arrange::StyleRecord style = *arrange::CatalogueRecord(fx.catalogue, 5, 15);
    ASSERT_EQ(style.meter, arrange::kMeter34);
    ASSERT_EQ(style.bassPattern, 23);
    style.grids.grids[arrange::kGridDrums].cells[0][4] = 1;  // beat 2
    style.grids.grids[arrange::kGridDrums].cells[0][12] = 0;
    const arrange::StyleRecord written = style;
    arrange::FitStyleToMeter(style, 4);
    EXPECT_EQ(style.meter, arrange::kMeter44);
    EXPECT_EQ(style.channelInstrument, written.channelInstrument);
    EXPECT_EQ(style.accompanimentPattern, written.accompanimentPattern);
    EXPECT_NE(style.bassPattern, 23);
    for (const auto& entry : style.barPlan) EXPECT_EQ(entry.length, 384);
    EXPECT_EQ(style.grids.grids[arrange::kGridDrums].cells[0][12], 1);  // beat 4 plays beat 2

    arrange::StyleRecord prog = *arrange::CatalogueRecord(fx.catalogue, 0, 19);
    ASSERT_EQ(prog.meter, arrange::kMeter78);
    arrange::FitStyleToMeter(prog, 3);
    EXPECT_EQ(prog.meter, arrange::kMeter34);
    for (const auto& entry : prog.barPlan) EXPECT_EQ(entry.length, 288);
}

TEST(DefaultStyleForMeter, IsAStyleWrittenForTheMeter)
{
    EngineFixture fx;
    for (const int beats : {3, 4}) {
        const arrange::StyleSlot slot = arrange::DefaultStyleForMeter(fx.catalogue, beats);
        const auto* record = arrange::CatalogueRecord(fx.catalogue, slot.category, slot.slot);
        ASSERT_NE(record, nullptr);
        EXPECT_TRUE(arrange::StyleWrittenFor(*record, beats)) << beats;
        EXPECT_EQ(record->randomCategory, 0);
        EXPECT_FALSE(record->Name().empty());
    }
    // A new song's default stays what it was for 4/4.
    EXPECT_EQ(arrange::DefaultStyleForMeter(fx.catalogue, 4), (arrange::StyleSlot{0, 1}));
    EXPECT_EQ(arrange::MeterText(arrange::kMeter34), "3/4");
}

TEST(DefaultStyleForMeter, AnImportKeepsAStyleOfItsMeterAndAMeterChangeOnlyReplacesTheOtherDefault)
{
    EngineFixture fx;
    const arrange::StyleSlot four = arrange::DefaultStyleForMeter(fx.catalogue, 4);
    const arrange::StyleSlot three = arrange::DefaultStyleForMeter(fx.catalogue, 3);
    ASSERT_NE(four, three);
    const arrange::StyleSlot waltz{5, 15};  // written for 3/4
    const arrange::StyleSlot rock{0, 9};    // written for 4/4
    ASSERT_TRUE(arrange::StyleWrittenFor(*arrange::CatalogueRecord(fx.catalogue, 5, 15), 3));
    ASSERT_TRUE(arrange::StyleWrittenFor(*arrange::CatalogueRecord(fx.catalogue, 0, 9), 4));

    EXPECT_EQ(arrange::StyleForImportedSong(fx.catalogue, waltz, 3), waltz);
    EXPECT_EQ(arrange::StyleForImportedSong(fx.catalogue, rock, 3), three);
    EXPECT_EQ(arrange::StyleForImportedSong(fx.catalogue, four, 3), three);
    EXPECT_EQ(arrange::StyleForImportedSong(fx.catalogue, waltz, 4), four);
    EXPECT_EQ(arrange::StyleForImportedSong(fx.catalogue, {9, 30}, 4), four) << "no such style";

    EXPECT_EQ(arrange::StyleAfterMeterChange(fx.catalogue, four, 3), three);
    EXPECT_EQ(arrange::StyleAfterMeterChange(fx.catalogue, three, 4), four);
    EXPECT_EQ(arrange::StyleAfterMeterChange(fx.catalogue, four, 4), four);
    EXPECT_EQ(arrange::StyleAfterMeterChange(fx.catalogue, rock, 3), rock) << "a style the user chose";
    EXPECT_EQ(arrange::StyleAfterMeterChange(fx.catalogue, waltz, 4), waltz);
}

// Time signatures and note onsets of a rendered file.
struct Rendered {
    std::vector<std::vector<std::uint8_t>> timeSignatures;
    std::map<int, std::vector<std::int64_t>> onsets;  // by channel
};

Rendered RenderFile(EngineFixture& fx, const std::string& song, int category, int slot)
{
    song::SongData data;
    EXPECT_EQ(song::ReadSongFile(fx.reporter, SourceDir() + "/data/songs/" + song + ".sld", data, 8, 4, 0),
              song::SongFileStatus::kRead);
    TempDir dir;
    EXPECT_TRUE(compose::RenderSong(*fx.ctx, data, category, slot, dir.File("out.mid")).Written());
    midi::CMidiFile1 file(fx.reporter, dir.File("out.mid"));
    EXPECT_TRUE(file.Loaded());
    Rendered r;
    for (const auto& track : file.Tracks) {
        std::int64_t t = 0;
        for (const auto& e : track.Events()) {
            t += e.DeltaTime;
            if (e.IsMeta(midi::kMetaTimeSignature)) r.timeSignatures.push_back(e.Data);
            if (e.Kind == midi::kKindNote && e.Velocity > 0) r.onsets[e.Channel].push_back(t);
        }
    }
    return r;
}

TEST(SongMeter, RendersFollowTheSongWhateverTheStyleWasWrittenFor)
{
    EngineFixture fx;
    // 3/4 songs in 4/4 and 7/8 styles, a 4/4 song in waltz styles.
    const std::vector<std::tuple<std::string, int, int, int>> cases{
        {"amazing_grace", 0, 9, 3}, {"greensleeves", 8, 1, 3}, {"amazing_grace", 0, 19, 3},
        {"drunken_sailor", 0, 23, 4}, {"drunken_sailor", 5, 4, 4}};
    for (const auto& [song, category, slot, beats] : cases) {
        const std::string where = song + " " + std::to_string(category) + "/" + std::to_string(slot);
        const Rendered r = RenderFile(fx, song, category, slot);
        ASSERT_FALSE(r.timeSignatures.empty()) << where;
        for (const auto& ts : r.timeSignatures) {
            ASSERT_GE(ts.size(), 2u);
            EXPECT_EQ(ts[0], beats) << where;
            EXPECT_EQ(ts[1], 2) << where;
        }
        // The drums mark the song's bars: most bars have a hit on their downbeat.
        const auto drums = r.onsets.find(9);
        ASSERT_NE(drums, r.onsets.end()) << where;
        const std::int64_t bar = beats * 96;
        std::set<std::int64_t> barsHit, downbeats;
        for (const auto t : drums->second) {
            barsHit.insert(t / bar);
            if (t % bar <= 6 || t % bar >= bar - 6) downbeats.insert((t + 6) / bar);
        }
        EXPECT_GE(downbeats.size() * 10, barsHit.size() * 9) << where;
    }
}

}  // namespace
}  // namespace songloom::test
