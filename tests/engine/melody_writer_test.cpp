// The note writer, the channel set-up, the track finisher and the doubling
// copy that every channel of the engine shares.
#include <gtest/gtest.h>

#include "arrange/engine_track.h"
#include "engine_fixture.h"

namespace songloom::test {
namespace {

using arrange::AppendEngineNote;
using arrange::FinishEngineTrack;

class MelodyWriter : public ::testing::Test {
protected:
    void SetUp() override { fx.PlainStyle(); }
    std::unique_ptr<midi::CMidiTrack> track = nullptr;
    EngineFixture fx;

    midi::CMidiTrack& Track()
    {
        if (!track) track = arrange::NewEngineTrack(*fx.ctx);
        return *track;
    }
    std::int64_t EndOfTrackTime()
    {
        std::int64_t t = 0;
        for (const auto& e : Track().Events()) {
            t += e.DeltaTime;
            if (e.IsEndOfTrack()) return t;
        }
        return -1;
    }
};

TEST_F(MelodyWriter, NoteWriterCleansItsArguments)
{
    auto& t = Track();
    AppendEngineNote(*fx.ctx, t, 1, 0, 60, 64, -5);   // negative duration -> 0
    AppendEngineNote(*fx.ctx, t, 1, 10, 130, 64, 50);  // above 127 -> rest of 1
    AppendEngineNote(*fx.ctx, t, 1, 10, 12, 64, 50);   // below 13 with a velocity -> rest
    AppendEngineNote(*fx.ctx, t, 1, 10, 13, 64, 50);   // 13 sounds
    AppendEngineNote(*fx.ctx, t, 1, 10, 0, 0, 200);    // a rest carries time only
    ASSERT_EQ(t.EventCount(), 5);
    EXPECT_EQ(t.Event(0).Duration, 0);
    EXPECT_EQ(t.Event(1).Note, 0);
    EXPECT_EQ(t.Event(1).Velocity, 0);
    EXPECT_EQ(t.Event(1).Duration, 1);
    EXPECT_EQ(t.Event(2).Note, 0);
    EXPECT_EQ(t.Event(2).Duration, 1);
    EXPECT_EQ(t.Event(3).Note, 13);
    EXPECT_EQ(t.Event(3).Duration, 50);
    EXPECT_EQ(t.Event(4).Duration, 1);
    for (const auto& e : t.Events()) EXPECT_EQ(e.Channel, 1);
}

TEST_F(MelodyWriter, FinishingRemovesRestsAndRoundsTheEnd)
{
    auto& t = Track();
    AppendEngineNote(*fx.ctx, t, 1, 0, 0, 0, 50);    // rest: its 100 ticks pass on
    AppendEngineNote(*fx.ctx, t, 1, 100, 60, 64, 300);
    FinishEngineTrack(*fx.ctx, t);
    const auto notes = EngineFixture::Notes(t);
    ASSERT_EQ(notes.size(), 1u);
    EXPECT_EQ(notes[0].at, 100);
    EXPECT_EQ(EndOfTrackTime(), 480);  // last note ends at 400
}

TEST_F(MelodyWriter, FinishingOnABeatAndTheGapCap)
{
    auto& a = Track();
    AppendEngineNote(*fx.ctx, a, 1, 0, 60, 64, 384);
    FinishEngineTrack(*fx.ctx, a);
    EXPECT_EQ(EndOfTrackTime(), 384);

    track.reset();
    auto& b = Track();
    AppendEngineNote(*fx.ctx, b, 1, 0, 60, 64, 2000);  // a note far past the last event
    FinishEngineTrack(*fx.ctx, b);
    EXPECT_EQ(EndOfTrackTime(), 768);

    track.reset();
    auto& c = Track();
    AppendEngineNote(*fx.ctx, c, 1, 0, 60, 0, 100);  // silent notes go too
    FinishEngineTrack(*fx.ctx, c);
    EXPECT_EQ(EngineFixture::Notes(c).size(), 0u);
    EXPECT_EQ(EndOfTrackTime(), 0);
}

TEST_F(MelodyWriter, SetUpSendsOnlyTouchedControllersInOrder)
{
    auto& mixer = fx.ctx->activeStyle.channelMixer[3];
    mixer.volume = 90;
    mixer.reverb = 40;      // 91
    mixer.chorus = 64;      // left alone
    mixer.brightness = 70;  // 74
    mixer.resonance = 64;
    mixer.release = 10;     // 72
    mixer.attack = 64;
    mixer.decay = 20;       // 75
    auto& t = Track();
    arrange::SetUpChannel(*fx.ctx, t, 3, 24, 3, 0);
    std::vector<std::pair<int, int>> got;
    for (const auto& e : t.Events()) {
        EXPECT_EQ(e.DeltaTime, 0);
        if (e.Kind == midi::kKindProgram) got.emplace_back(-1, e.Value);
        if (e.Kind == midi::kKindControl) got.emplace_back(e.Number, e.Value);
    }
    EXPECT_EQ(got, (std::vector<std::pair<int, int>>{
                       {-1, 24}, {7, 90}, {91, 40}, {74, 70}, {72, 10}, {75, 20}, {101, 0}, {100, 0}, {6, 12}}));
}

TEST_F(MelodyWriter, ProgramsOfExtraVoicesAndTheDrumChannel)
{
    const auto program = [&](int channel, int code) {
        track.reset();
        arrange::SendProgram(*fx.ctx, Track(), channel, code);
        return Track().EventCount() == 0 ? -1 : Track().Event(0).Value;
    };
    EXPECT_EQ(program(1, 132), 40);
    EXPECT_EQ(program(1, 128), 53);
    EXPECT_EQ(program(1, 130), 112);
    EXPECT_EQ(program(1, 131), 112);
    EXPECT_EQ(program(1, 133), 90);
    EXPECT_EQ(program(1, 0), 0);
    EXPECT_EQ(program(9, 0), -1);
    EXPECT_EQ(program(9, 25), 25);
    fx.reporter.Clear();
    for (const int bad : {129, 134, 135}) EXPECT_EQ(program(1, bad), -1) << bad;
    EXPECT_EQ(fx.reporter.Count("YRAC", 0xFF010156), 3u);
}

TEST_F(MelodyWriter, DoublingCopyMovesChannelDetunesDelaysAndPans)
{
    auto& t = Track();
    arrange::SetUpChannel(*fx.ctx, t, 1, 73, 1, 0);
    t.AddControlChange(1, 10, 64);
    AppendEngineNote(*fx.ctx, t, 1, 0, 72, 64, 90);
    FinishEngineTrack(*fx.ctx, t);
    const auto copy = arrange::MakeDoublingTrack(*fx.ctx, t, 10, 6, 24);
    ASSERT_EQ(copy->State, midi::TrackNotes);
    std::vector<std::pair<int, int>> rpn;
    for (int i = 0; i < 4; ++i) rpn.emplace_back(copy->Event(i).Number, copy->Event(i).Value);
    EXPECT_EQ(rpn, (std::vector<std::pair<int, int>>{{101, 0}, {100, 1}, {6, 56}, {38, 0}}));
    EXPECT_EQ(copy->Event(0).DeltaTime, 6);
    for (const auto& e : copy->Events()) {
        if (e.IsChannelEvent()) { EXPECT_EQ(e.Channel, 10); }
        if (e.Kind == midi::kKindControl && e.Number == 10) { EXPECT_EQ(e.Value, 24); }
    }
    const auto notes = EngineFixture::Notes(*copy);
    ASSERT_EQ(notes.size(), 1u);
    EXPECT_EQ(notes[0].at, 6);
    EXPECT_EQ(EngineFixture::Notes(t)[0].at, 0);  // the source is left as it was
}

}  // namespace
}  // namespace songloom::test
