// Rendering note lists on the melody channels: velocities, lengths, the
// ornaments with fixed figures, the track passes and the post-processing.
#include <gtest/gtest.h>

#include <algorithm>

#include "arrange/engine_track.h"
#include "arrange/melody_renderer.h"
#include "arrange/post_process.h"
#include "engine_fixture.h"

namespace songloom::test {
namespace {

using arrange::EngineNote;
using arrange::NoteList;
using Placed = EngineFixture::Placed;

class MelodyRender : public ::testing::Test {
protected:
    void SetUp() override { fx.PlainStyle(); }

    NoteList List(std::initializer_list<EngineNote> entries)
    {
        NoteList list;
        for (const auto& e : entries) list.Append(fx.reporter, e);
        return list;
    }
    std::vector<Placed> Render(const NoteList& list, int channel = 1)
    {
        track = arrange::NewEngineTrack(*fx.ctx);
        arrange::RenderMelodyChannel(*fx.ctx, list, *track, channel);
        return EngineFixture::Notes(*track);
    }
    arrange::PartParams& Melody() { return fx.ctx->activeStyle.partParams[1]; }
    int CountKind(int kind) const
    {
        return static_cast<int>(std::count_if(track->Events().begin(), track->Events().end(),
                                              [&](const auto& e) { return e.Kind == kind; }));
    }

    EngineFixture fx;
    std::unique_ptr<midi::CMidiTrack> track;
};

TEST_F(MelodyRender, PlainNotesLastVelocityShortNotesAndRests)
{
    const auto notes = Render(List({EngineNote::Note(96, 72), EngineNote::Note(1, 0), EngineNote::Note(3, 74),
                                    EngineNote::Note(96, 76), EngineNote::Chord(768, "CMPS")}));
    ASSERT_EQ(notes.size(), 3u);
    EXPECT_EQ(notes[0], (Placed{0, 72, 64, 93}));
    EXPECT_EQ(notes[1], (Placed{97, 74, 64, 0}));  // the rest of 1 kept its tick; 3 ticks give 0
    EXPECT_EQ(notes[2], (Placed{100, 76, 48, 93}));  // the last note is softer
    EXPECT_TRUE(fx.reporter.reports().empty());
}

TEST_F(MelodyRender, OverlongEntryEndsTheLoop)
{
    const auto notes = Render(List({EngineNote::Note(96, 72), EngineNote::Note(385, 74), EngineNote::Note(96, 76)}));
    EXPECT_EQ(fx.reporter.Count("YRAC", 0xFF010029), 1u);
    ASSERT_EQ(notes.size(), 1u);
    EXPECT_EQ(notes[0].note, 72);
    EXPECT_TRUE(track->Event(track->EventCount() - 1).IsEndOfTrack());
}

TEST_F(MelodyRender, OtherChannelsGetNoSetUp)
{
    const auto notes = Render(List({EngineNote::Note(96, 60)}), 7);
    EXPECT_EQ(fx.reporter.Count("YRAC", 0xFF010028), 1u);
    EXPECT_EQ(CountKind(midi::kKindProgram), 0);
    ASSERT_EQ(notes.size(), 1u);
    EXPECT_EQ(track->Event(0).Channel, 7);
}

TEST_F(MelodyRender, ChannelSetUpPerChannel)
{
    fx.ctx->activeStyle.channelInstrument[1] = 73;
    fx.ctx->activeStyle.channelInstrument[5] = 0x10D;  // low byte 13 is what channel 5 plays
    fx.ctx->activeStyle.channelMixer[1].pan = 30;
    Render(List({EngineNote::Note(96, 60)}), 1);
    EXPECT_EQ(track->GetProgram(1), 73);
    bool pan = false;
    for (const auto& e : track->Events()) pan |= e.Kind == midi::kKindControl && e.Number == 10 && e.Value == 30;
    EXPECT_TRUE(pan);
    Render(List({EngineNote::Note(96, 60)}), 6);
    EXPECT_EQ(track->GetProgram(6), 73);  // the melody's program
    Render(List({EngineNote::Note(96, 60)}), 5);
    EXPECT_EQ(track->GetProgram(5), 13);
}

TEST_F(MelodyRender, EighthNoteMordentOfOrnamentTwo)
{
    Melody().ornament = 2;
    const auto notes = Render(List({EngineNote::Note(48, 72), EngineNote::Note(96, 74)}));
    EXPECT_EQ(notes, (std::vector<Placed>{{0, 71, 64, 9}, {12, 72, 64, 9}, {24, 71, 64, 9}, {36, 72, 64, 9},
                                          {48, 74, 48, 93}}));
}

TEST_F(MelodyRender, TrillFigureForcesTheNextPitch)
{
    Melody().ornament = 1;
    fx.ctx->activeStyle.channelDensity[1] = 50;
    NoteList list;
    for (int i = 0; i < 193; ++i) list.Append(fx.reporter, EngineNote::Note(96, 0));
    list.Append(fx.reporter, EngineNote::Note(96, 72));  // C, a tone of the chord
    list.Append(fx.reporter, EngineNote::Note(192, 79));  // a half note takes no figure
    const auto notes = Render(list);
    const std::int64_t start = 193 * 96;
    const std::vector<int> pitches = {71, 72, 71, 72, 71, 72, 69, 71};
    ASSERT_EQ(notes.size(), pitches.size() + 1);
    for (std::size_t i = 0; i < pitches.size(); ++i) {
        EXPECT_EQ(notes[i], (Placed{start + 12 * static_cast<std::int64_t>(i), pitches[i], 64, 9}));
    }
    EXPECT_EQ(notes.back().at, start + 96);
    EXPECT_EQ(notes.back().note, 72);  // 79 was replaced by the figure's note
}

TEST_F(MelodyRender, TopNotesAndPassingNotes)
{
    auto t = arrange::NewEngineTrack(*fx.ctx);
    arrange::AppendEngineNote(*fx.ctx, *t, 1, 0, 60, 64, 90);
    arrange::AppendEngineNote(*fx.ctx, *t, 1, 0, 67, 64, 90);
    arrange::AppendEngineNote(*fx.ctx, *t, 1, 0, 64, 64, 90);
    arrange::AppendEngineNote(*fx.ctx, *t, 1, 96, 62, 64, 90);
    arrange::FinishEngineTrack(*fx.ctx, *t);
    arrange::KeepTopNotes(*fx.ctx, *t);
    EXPECT_EQ(EngineFixture::Notes(*t), (std::vector<Placed>{{0, 67, 64, 90}, {96, 62, 64, 90}}));

    auto p = arrange::NewEngineTrack(*fx.ctx);
    arrange::AppendEngineNote(*fx.ctx, *p, 1, 0, 60, 64, 189);
    arrange::AppendEngineNote(*fx.ctx, *p, 1, 192, 62, 64, 93);  // a whole tone up
    arrange::AppendEngineNote(*fx.ctx, *p, 1, 96, 67, 64, 93);   // a fourth: nothing between
    arrange::FinishEngineTrack(*fx.ctx, *p);
    arrange::AddPassingNotes(*fx.ctx, *p);
    EXPECT_EQ(EngineFixture::Notes(*p),
              (std::vector<Placed>{{0, 60, 64, 144}, {144, 61, 64, 45}, {192, 62, 64, 93}, {288, 67, 64, 93}}));

    auto m = arrange::NewEngineTrack(*fx.ctx);
    m->State = midi::TrackMessages;
    fx.reporter.Clear();
    arrange::KeepTopNotes(*fx.ctx, *m);
    EXPECT_EQ(fx.reporter.Count("MDTK", 0x0D000001), 1u);
}

TEST_F(MelodyRender, OctaveDoubleAndDoublingTrack)
{
    fx.ctx->activeStyle.channelOctave[1] = 1;
    fx.ctx->activeStyle.channelMixer[1].doublingDelay = 5;
    fx.ctx->activeStyle.channelMixer[1].pan = 64;
    fx.ctx->melody = List({EngineNote::Note(96, 72), EngineNote::Note(96, 116)});
    arrange::RenderMelody(*fx.ctx);
    ASSERT_EQ(fx.ctx->tracks.size(), 2u);
    const auto& doubling = *fx.ctx->tracks[0];
    const auto& melody = *fx.ctx->tracks[1];
    const auto notes = EngineFixture::Notes(melody);
    EXPECT_EQ(notes, (std::vector<Placed>{{0, 72, 64, 93}, {0, 84, 64, 93}, {96, 116, 48, 93}}));
    EXPECT_EQ(EngineFixture::Notes(doubling).front().at, 5);
    for (const auto& e : melody.Events()) {
        if (e.Kind == midi::kKindControl && e.Number == 10) { EXPECT_EQ(e.Value, 104); }
    }
    for (const auto& e : doubling.Events()) {
        if (e.IsChannelEvent()) { EXPECT_EQ(e.Channel, 10); }
        if (e.Kind == midi::kKindControl && e.Number == 10) { EXPECT_EQ(e.Value, 24); }
    }
}

TEST_F(MelodyRender, HalvedNotesScoopByGraceOrBend)
{
    Melody().ornament2 = 18;
    fx.ctx->activeStyle.channelInstrument[1] = 0;  // piano: a grace note below
    auto notes = Render(List({EngineNote::Note(192, 72), EngineNote::Note(192, 74)}));
    ASSERT_EQ(notes.size(), 4u);
    EXPECT_EQ(notes[0], (Placed{0, 71, 64, 3}));
    EXPECT_EQ(notes[1], (Placed{4, 72, 64, 90}));  // 189 halved is 94, 4 ticks later and 4 shorter

    fx.ctx->activeStyle.channelInstrument[1] = 73;  // flute: a bend from below and back
    notes = Render(List({EngineNote::Note(192, 72), EngineNote::Note(192, 74)}));
    ASSERT_EQ(notes.size(), 2u);
    EXPECT_EQ(notes[0].duration, 94);
    std::vector<std::pair<std::int64_t, int>> bends;
    std::int64_t t = 0;
    for (const auto& e : track->Events()) {
        t += e.DeltaTime;
        if (e.Kind == midi::kKindPitchBend) bends.emplace_back(t, e.GetPitchBend());
    }
    ASSERT_GE(bends.size(), 2u);
    EXPECT_EQ(bends[0], (std::pair<std::int64_t, int>{0, 58 * 128 + 68}));
    EXPECT_EQ(bends[1], (std::pair<std::int64_t, int>{94, 8192}));
}

TEST_F(MelodyRender, LongPipeQuestionIsAskedOnceAndCancelHolds)
{
    Melody().ornament2 = 12;
    fx.ctx->activeStyle.channelInstrument[1] = 73;
    fx.reporter.ScriptAnswers({false});
    const auto list = List({EngineNote::Note(384, 72)});
    Render(list);
    EXPECT_EQ(fx.reporter.questions().size(), 1u);
    EXPECT_EQ(Melody().ornament2, 0);
    EXPECT_EQ(CountKind(midi::kKindPitchBend), 0);
    Melody().ornament2 = 12;  // the next rendering copies the style afresh
    Render(list);
    EXPECT_EQ(fx.reporter.questions().size(), 1u);
    EXPECT_EQ(CountKind(midi::kKindPitchBend), 0);

    EngineFixture other;
    other.PlainStyle();
    other.ctx->activeStyle.partParams[1].ornament2 = 12;
    other.ctx->activeStyle.channelInstrument[1] = 73;
    auto t = arrange::NewEngineTrack(*other.ctx);
    arrange::RenderMelodyChannel(*other.ctx, list, *t, 1);
    EXPECT_EQ(other.reporter.questions().size(), 1u);  // OK by default: the siren plays
    int bends = 0;
    for (const auto& e : t->Events()) bends += e.Kind == midi::kKindPitchBend;
    EXPECT_GT(bends, 10);
}

TEST_F(MelodyRender, EveryOrnamentKeepsTimeAndRange)
{
    NoteList list;
    const int lengths[] = {96, 48, 64, 32, 192, 144, 96, 48, 384, 96, 24, 72};
    for (int round = 0; round < 8; ++round) {
        for (std::size_t i = 0; i < std::size(lengths); ++i) {
            list.Append(fx.reporter, EngineNote::Note(lengths[i], 60 + static_cast<int>((i * 5 + round) % 17)));
        }
    }
    std::int64_t total = 0;
    for (const auto& e : list) total += e.length;
    for (const int code : {0, 1, 2, 3, 4, 6, 7, 11, 14, 15, 16, 17, 18, 19, 20}) {
        for (const int post : {5, 10, 13, 17, 19, 20, 21}) {
            Melody().ornament = code;
            Melody().ornament2 = post;
            fx.ctx->activeStyle.channelInstrument[1] = 73;
            const auto notes = Render(list);
            ASSERT_FALSE(notes.empty()) << code << "/" << post;
            for (const auto& n : notes) {
                EXPECT_GE(n.at, 0);
                EXPECT_LT(n.at, total) << code << "/" << post;
                EXPECT_GE(n.note, 60 - 9) << code << "/" << post;
                EXPECT_LE(n.note, 76 + 12) << code << "/" << post;
                EXPECT_GE(n.duration, 0);
            }
            EXPECT_LE(track->TotalTicks(), total + 384) << code << "/" << post;
        }
    }
    EXPECT_EQ(fx.reporter.Count("YRAC", 0xFF0101CE), 0u);
}

TEST(ChordCursor, AnswersAsChordAtForwardsAndAfterAStepBack)
{
    EngineFixture fx;
    auto& entries = fx.ctx->chords.entries;
    for (const auto& [length, code] : {std::pair{384, "CMPS"}, {192, "FMPS"}, {0, "DmPs"}, {192, "GMPs"}, {384, "CMPS"}}) {
        harmony::ChordEntry e;
        e.length = length;
        e.code = harmony::ChordCode::FromBytes(code);
        entries.push_back(e);
    }
    arrange::ChordCursor cursor(fx.ctx->chords);
    // Rising ticks with repeats and jumps over a chord, then back to the
    // start, into the middle again and past the end.
    for (const std::int64_t tick : {0, 0, 383, 384, 575, 576, 700, 1151, 1152, 5000, 0, 600, 200, 383, 576, -5}) {
        EXPECT_EQ(cursor.At(tick), arrange::ChordAt(*fx.ctx, tick)) << tick;
    }
    EXPECT_EQ(cursor.At(576), harmony::ChordCode("GMPs"));  // the empty D minor chord never sounds
    EXPECT_EQ(cursor.At(1152), harmony::kNoChordCode);
}

}  // namespace
}  // namespace songloom::test
