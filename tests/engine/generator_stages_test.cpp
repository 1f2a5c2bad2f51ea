#include <gtest/gtest.h>

#include <algorithm>
#include <memory>

#include "arrange/data_files.h"
#include "arrange/engine_context.h"
#include "arrange/generators.h"
#include "arrange/part_voicing.h"
#include "arrange/style_catalogue.h"
#include "arrange/style_record.h"
#include "harmony/chord_entry.h"
#include "engine_fixture.h"
#include "midi/midi_track.h"

namespace songloom::arrange {
namespace {

// An engine context with the shipped knowledge base, the catalogue's first
// style and four chords of one bar.
struct StageFixture : testing::Test {
    StageFixture() : fx(5), reporter(fx.reporter), catalogue(fx.catalogue), ctx(*fx.ctx)
    {
        ctx.activeStyle = *CatalogueRecord(catalogue, 0, 1);
        harmony::ChordEntryContext entries{reporter, fx.random, ctx.dataFiles.notes};
        for (const char* code : {"CMPo", "AmPo", "FMPo", "GMPs"}) {
            ctx.chords.entries.push_back(
                harmony::MakeChordEntry(entries, harmony::ChordRecord{384, harmony::ChordCode::FromBytes(code)}, ""));
        }
    }

    // Sounding notes of a track on a channel.
    static std::vector<midi::CMidiEvent> Notes(const midi::CMidiTrack& track, int channel)
    {
        std::vector<midi::CMidiEvent> notes;
        for (const midi::CMidiEvent& e : track.Events()) {
            if (e.Kind == midi::kKindNote && e.Channel == channel && e.Velocity > 0) notes.push_back(e);
        }
        return notes;
    }

    test::EngineFixture fx;
    CapturingReporter& reporter;
    StyleCatalogue& catalogue;
    EngineContext& ctx;
};

TEST_F(StageFixture, ChordsCarryTheirTemplatesAndSections)
{
    ctx.drums = {{384, {'A', 'X', 'X', 'X'}}, {384, {'A', 'E', 'X', 'X'}}, {384, {'B', 'X', 'X', 'X'}},
                 {384, {'B', 'E', 'X', 'X'}}};
    const std::vector<PatternChord> chords = GeneratorChords(ctx);
    ASSERT_EQ(chords.size(), 4u);
    EXPECT_EQ(chords[1].root, 69);
    EXPECT_GE(chords[1].digits[0], 5);  // C is a tone of A minor in the knowledge base
    EXPECT_LT(chords[1].digits[1], 5);  // C sharp is not
    EXPECT_EQ(chords[2].section, 'B');
    EXPECT_TRUE(std::is_sorted(chords[3].tones.begin(), chords[3].tones.end()));
    ctx.drums.pop_back();  // a drum list that does not match leaves every chord in section A
    EXPECT_EQ(GeneratorChords(ctx)[2].section, 'A');
}

TEST_F(StageFixture, EachChannelGetsItsTrackOrNone)
{
    StyleRecord& style = ctx.activeStyle;
    style.channelInstrument[kAccompaniment2Channel] = kNoInstrument;
    style.channelInstrument[kEffectChannel] = kNoInstrument;
    RenderAccompanimentChannel(ctx, kAccompaniment2Channel);
    RenderEffectChannel(ctx);
    EXPECT_TRUE(ctx.tracks.empty());

    style.accompanimentPattern = 3;
    style.bassPattern = 6;
    style.drumPattern = 1;
    style.channelOctave[kBassChannel] = -1;
    RenderAccompanimentChannel(ctx, kAccompanimentChannel);
    RenderBassChannel(ctx);
    RenderDrumChannel(ctx);
    ASSERT_EQ(ctx.tracks.size(), 3u);
    const auto accompaniment = Notes(*ctx.tracks[0], kAccompanimentChannel);
    EXPECT_EQ(accompaniment.size(), 4u * 8u);  // eighth-note arpeggio over four bars
    const auto bass = Notes(*ctx.tracks[1], kBassChannel);
    ASSERT_FALSE(bass.empty());
    // The octave shift applies after generation; C0 would lie under the
    // bass's E1 and folds back up, A1 of the second chord stays.
    EXPECT_EQ(bass.front().Note, 36);
    std::int64_t time = 0;
    for (const midi::CMidiEvent& e : ctx.tracks[1]->Events()) {
        time += e.DeltaTime;
        if (e.Kind != midi::kKindNote) continue;
        if (time == 384) {
            EXPECT_EQ(e.Note, 45 - 12);
        }
        EXPECT_GE(e.Note, kLowestBassNote);
    }
    const auto drums = Notes(*ctx.tracks[2], kDrumChannel);
    EXPECT_EQ(std::count_if(drums.begin(), drums.end(), [](const midi::CMidiEvent& e) { return e.Note == 36 || e.Note == 35; }),
              4 * 2);
    for (const auto& e : drums) {
        EXPECT_GE(e.Note, 35);
        EXPECT_LE(e.Note, 81);
    }
    EXPECT_TRUE(reporter.reports().empty()) << reporter.lines().front();
}

TEST_F(StageFixture, DrumChannelTakesTheStylesKitProgram)
{
    auto programs = [](const midi::CMidiTrack& track) {
        std::vector<int> values;
        for (const midi::CMidiEvent& e : track.Events())
            if (e.Kind == midi::kKindProgram && e.Channel == kDrumChannel) values.push_back(e.Value);
        return values;
    };
    ctx.activeStyle.drumPattern = 2;
    ctx.activeStyle.drumKitProgram = 25;
    RenderDrumChannel(ctx);
    ctx.activeStyle.drumKitProgram = kKitByPattern;
    ctx.activeStyle.drumPattern = 1;
    ctx.activeStyle.rhythmFeel = kTripletFeel;
    RenderDrumChannel(ctx);
    ctx.activeStyle.drumKitProgram = 0;
    RenderDrumChannel(ctx);
    ASSERT_EQ(ctx.tracks.size(), 3u);
    EXPECT_EQ(programs(*ctx.tracks[0]), std::vector<int>{25});
    EXPECT_EQ(programs(*ctx.tracks[1]), std::vector<int>{40});  // the triplet eight-beat's brushes
    EXPECT_TRUE(programs(*ctx.tracks[2]).empty());             // the standard kit needs no change
}

TEST_F(StageFixture, AccompanimentDoublingComesFirstOnChannelEleven)
{
    StyleRecord& style = ctx.activeStyle;
    style.accompanimentPattern = 1;
    style.channelMixer[kAccompanimentChannel].doublingDelay = 6;
    RenderAccompanimentChannel(ctx, kAccompanimentChannel);
    ASSERT_EQ(ctx.tracks.size(), 2u);
    EXPECT_FALSE(Notes(*ctx.tracks[0], kAccompanimentDoublingChannel).empty());
    EXPECT_EQ(Notes(*ctx.tracks[0], kAccompanimentDoublingChannel).size(),
              Notes(*ctx.tracks[1], kAccompanimentChannel).size());
}

// Both accompaniment channels over a high tune, rendered from one shared
// source or each from its own.
std::vector<std::vector<midi::CMidiEvent>> BothAccompaniments(bool shared)
{
    struct Stage : StageFixture {
        void TestBody() override {}
    } stage;
    EngineContext& ctx = stage.ctx;
    ctx.activeStyle.accompanimentPattern = 3;
    ctx.activeStyle.accompaniment2Pattern = 1;
    ctx.activeStyle.channelInstrument[kAccompanimentChannel] = 0;
    ctx.activeStyle.channelInstrument[kAccompaniment2Channel] = 48;
    auto tune = std::make_unique<midi::CMidiTrack>(stage.reporter);
    for (int k = 0; k < 8; ++k) tune->AddNote(kMelodyChannel, k == 0 ? 0 : 192, 62 + k % 3, 90, 150);
    ctx.tracks.push_back(std::move(tune));
    if (shared) {
        const AccompanimentSource source = MakeAccompanimentSource(ctx);
        RenderAccompanimentChannel(ctx, kAccompanimentChannel, source);
        RenderAccompanimentChannel(ctx, kAccompaniment2Channel, source);
    } else {
        RenderAccompanimentChannel(ctx, kAccompanimentChannel);
        RenderAccompanimentChannel(ctx, kAccompaniment2Channel);
    }
    std::vector<std::vector<midi::CMidiEvent>> parts;
    for (std::size_t i = 1; i < ctx.tracks.size(); ++i) parts.push_back(ctx.tracks[i]->Events());
    return parts;
}

TEST(AccompanimentSourceTest, SharedSourceRendersWhatEachChannelWouldAlone)
{
    const auto alone = BothAccompaniments(false);
    const auto shared = BothAccompaniments(true);
    ASSERT_EQ(alone.size(), 2u);
    ASSERT_EQ(shared.size(), 2u);
    for (std::size_t part = 0; part < 2; ++part) {
        ASSERT_EQ(shared[part].size(), alone[part].size());
        EXPECT_TRUE(std::any_of(shared[part].begin(), shared[part].end(),
                                [](const midi::CMidiEvent& e) { return e.Kind == midi::kKindNote && e.Velocity > 0; }));
        for (std::size_t i = 0; i < alone[part].size(); ++i) {
            EXPECT_EQ(shared[part][i].DeltaTime, alone[part][i].DeltaTime);
            EXPECT_EQ(shared[part][i].Note, alone[part][i].Note);
            EXPECT_EQ(shared[part][i].Duration, alone[part][i].Duration);
        }
    }
}

TEST_F(StageFixture, EffectProgramsAndTheirError)
{
    ctx.activeStyle.channelInstrument[kEffectChannel] = 126;
    RenderEffectChannel(ctx);
    ASSERT_EQ(ctx.tracks.size(), 1u);
    EXPECT_EQ(Notes(*ctx.tracks[0], kEffectChannel).size(), 3u);
    ctx.activeStyle.channelInstrument[kEffectChannel] = 121;
    RenderEffectChannel(ctx);
    ASSERT_EQ(ctx.tracks.size(), 2u);
    EXPECT_TRUE(Notes(*ctx.tracks[1], kEffectChannel).empty());
    EXPECT_TRUE(reporter.Has("YRAC", kEffectProgramError));
}

TEST_F(StageFixture, UnknownPatternsLeaveSetUpOnly)
{
    ctx.activeStyle.accompanimentPattern = 48;
    ctx.activeStyle.drumPattern = 40;
    RenderAccompanimentChannel(ctx, kAccompanimentChannel);
    RenderDrumChannel(ctx);
    ASSERT_EQ(ctx.tracks.size(), 2u);
    EXPECT_TRUE(Notes(*ctx.tracks[0], kAccompanimentChannel).empty());
    EXPECT_TRUE(Notes(*ctx.tracks[1], kDrumChannel).empty());
    EXPECT_TRUE(reporter.Has("YRAC", kPatternError));
    EXPECT_TRUE(reporter.Has("YRAC", kDrumPatternError));
}

}  // namespace
}  // namespace songloom::arrange
