#include "playback/midi_player.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "common/messages.h"
#include "playback/playback_messages.h"
#include "playback_rig.h"

namespace songloom::playback {
namespace {

using test::Bytes;
using test::Rig;
using test::SequenceBuilder;

constexpr Micros kLimit = 3600LL * 1000000;  // far beyond any test song

// Plays on the song's own time line from time 0, without set-up spacing.
PlayerOptions Exact()
{
    PlayerOptions options;
    options.setupSpacing = 0;
    options.startLead = 0;
    options.previousPlayWait = 200000;
    return options;
}

struct Positions {
    std::mutex mutex;
    std::vector<std::tuple<int, Tick, int>> seen;  // index, tick, kind (-1 = none)
    EventCallback Callback()
    {
        return [this](int index, Tick tick, const PlayEvent* e) {
            std::lock_guard lock(mutex);
            seen.emplace_back(index, tick, e ? e->kind : -1);
        };
    }
};

struct EndCount {
    std::atomic<int> calls{0};
    std::atomic<bool> onCallerThread{false};
    std::thread::id caller = std::this_thread::get_id();
    EndCallback Callback()
    {
        return [this] {
            ++calls;
            if (std::this_thread::get_id() == caller) onCallerThread = true;
        };
    }
};

TEST(MidiPlayer, SixteenthAtTempo120WaitsExactly125Milliseconds)
{
    Rig rig;
    MidiPlayer player(rig.context, Exact());
    const auto song = SequenceBuilder()
                          .Tempo(0, 500000)
                          .NoteOn(0, 0, 60, 100)
                          .NoteOff(24, 0, 60)
                          .NoteOn(0, 0, 62, 200)
                          .NoteOff(24, 0, 62)
                          .End(0)
                          .Build();
    EndCount end;
    player.Play(song, end.Callback(), nullptr, false);
    EXPECT_TRUE(player.IsActive());
    ASSERT_TRUE(rig.clock.RunUntilIdle(kLimit));
    player.WaitUntilDone();
    const std::vector<std::pair<Micros, Bytes>> expected = {
        {0, {0xF0, 0x7E, 0x7F, 0x09, 0x01, 0xF7}},
        {0, {0x90, 60, 100}},
        {125000, {0x80, 60, 0}},
        {125000, {0x90, 62, 127}},
        {250000, {0x80, 62, 0}},
    };
    EXPECT_EQ(rig.Sent(), expected);
    EXPECT_EQ(end.calls, 1);
    EXPECT_FALSE(end.onCallerThread);  // from the playback thread
    EXPECT_FALSE(player.IsActive());
    EXPECT_TRUE(player.IsDone());
    EXPECT_EQ(rig.outputs.Messages().back().kind, RecordedMessage::Kind::kClose);
    EXPECT_TRUE(rig.reporter.reports().empty());
}

TEST(MidiPlayer, TemposOutOfRangeAreReportedAndClamped)
{
    struct Case {
        int micros;
        std::uint32_t code;
        Micros sixteenth;  // time of 24 ticks at the clamped tempo
    };
    for (const Case c : {Case{999, mdpl::kBadTempo, 250000},          // plays at 60
                         Case{7000000, mdpl::kTempoTooSlow, 1500000},  // plays at 10
                         Case{1000, 0, 250}}) {                        // 60,000 BPM is allowed
        Rig rig;
        MidiPlayer player(rig.context, Exact());
        const auto song =
            SequenceBuilder().Tempo(0, c.micros).NoteOn(0, 0, 60, 90).NoteOff(24, 0, 60).Build();
        player.Play(song, nullptr, nullptr, false);
        ASSERT_TRUE(rig.clock.RunUntilIdle(kLimit));
        player.WaitUntilDone();
        const auto sent = rig.Sent();
        ASSERT_EQ(sent.size(), 3u) << c.micros;
        EXPECT_EQ(sent[2].first, c.sixteenth) << c.micros;
        if (c.code != 0) {
            EXPECT_EQ(rig.reporter.Count("MDPL", c.code), 1u) << c.micros;
        } else {
            EXPECT_TRUE(rig.reporter.reports().empty());
        }
    }
}

TEST(MidiPlayer, TempoChangesKeepEveryEventOnItsIdealTime)
{
    // 1-tick gaps at 120 (5208.33 microseconds each) must not lose the
    // fraction at every step: after 960 of them the song is exactly 5 s in.
    Rig rig;
    MidiPlayer player(rig.context, Exact());
    SequenceBuilder b;
    b.Tempo(0, 500000);
    for (int i = 0; i < 480; ++i) b.NoteOn(i == 0 ? 0 : 1, 0, 60, 100).NoteOff(1, 0, 60);
    b.Tempo(1, 1000000).NoteOn(96, 1, 40, 80).End(0);  // one quarter at 60
    player.Play(b.Build(), nullptr, nullptr, false);
    ASSERT_TRUE(rig.clock.RunUntilIdle(kLimit));
    player.WaitUntilDone();
    const auto sent = rig.Sent();
    ASSERT_EQ(sent.size(), 1u + 960u + 1u);
    EXPECT_EQ(sent[1].first, 0);
    EXPECT_EQ(sent[2].first, 5208);
    EXPECT_EQ(sent[3].first, 10416);
    EXPECT_EQ(sent[960].first, 959LL * 500000 / 96);
    EXPECT_EQ(sent.back().first, 5000000 + 1000000);
    EXPECT_EQ(sent.back().second, (Bytes{0x91, 40, 80}));
}

TEST(MidiPlayer, SkippingLeadingSilenceStartsAtTheBarOfTheFirstNote)
{
    Rig rig;
    MidiPlayer player(rig.context, Exact());
    // First note in bar 3 of 4/4 (tick 800); the program change stays.
    const auto song = SequenceBuilder()
                          .Tempo(0, 500000)
                          .Program(0, 0, 5)
                          .NoteOn(800, 0, 64, 100)
                          .NoteOff(96, 0, 64)
                          .End(0)
                          .Build();
    Positions positions;
    player.Play(song, nullptr, positions.Callback(), true);
    EXPECT_EQ(player.StartTick(), 768);
    ASSERT_TRUE(rig.clock.RunUntilIdle(kLimit));
    player.WaitUntilDone();
    ASSERT_EQ(positions.seen.size(), 6u);
    EXPECT_EQ(positions.seen[0], std::make_tuple(0, 768, -1));
    // Positions stay in the song's ticks, so the playing bar is bar 3.
    EXPECT_EQ(positions.seen[1], std::make_tuple(0, 768, 0xFF));
    EXPECT_EQ(positions.seen[3], std::make_tuple(2, 800, 0x90));
    EXPECT_EQ(positions.seen[4], std::make_tuple(3, 896, 0x80));
    const auto sent = rig.Sent();
    ASSERT_EQ(sent.size(), 4u);
    EXPECT_EQ(sent[2], std::make_pair(Micros{32 * 500000 / 96}, Bytes{0x90, 64, 100}));

    // Without skipping the two bars are played as silence.
    Rig full;
    MidiPlayer again(full.context, Exact());
    again.Play(song, nullptr, nullptr, false);
    EXPECT_EQ(again.StartTick(), 0);
    ASSERT_TRUE(full.clock.RunUntilIdle(kLimit));
    again.WaitUntilDone();
    EXPECT_EQ(full.Sent()[2].first, 800LL * 500000 / 96);
}

TEST(MidiPlayer, SetupMessagesAreSpacedAndTheFirstNoteKeepsItsRest)
{
    Rig rig;
    PlayerOptions options = Exact();
    options.setupSpacing = 50000;
    options.startLead = 2000;
    MidiPlayer player(rig.context, options);
    const auto song = SequenceBuilder()
                          .Tempo(0, 500000)
                          .Program(0, 0, 24)
                          .Control(0, 0, 7, 100)
                          .NoteOn(48, 0, 60, 100)  // an eighth after the set-up
                          .NoteOff(48, 0, 60)
                          .Build();
    player.Play(song, nullptr, nullptr, false);
    ASSERT_TRUE(rig.clock.RunUntilIdle(kLimit));
    player.WaitUntilDone();
    const std::vector<std::pair<Micros, Bytes>> expected = {
        {0, {0xF0, 0x7E, 0x7F, 0x09, 0x01, 0xF7}},
        {50000, {0xC0, 24}},       // the tempo went at 0, then 50 ms each
        {100000, {0xB0, 7, 100}},
        {152000 + 250000, {0x90, 60, 100}},
        {152000 + 500000, {0x80, 60, 0}},
    };
    EXPECT_EQ(rig.Sent(), expected);
}

TEST(MidiPlayer, StopEndsTheChainWithoutTheEndCallback)
{
    Rig rig;
    MidiPlayer player(rig.context, Exact());
    SequenceBuilder b;
    b.Tempo(0, 500000);
    for (int i = 0; i < 8; ++i) b.NoteOn(i == 0 ? 0 : 48, 0, 60 + i, 100).NoteOff(48, 0, 60 + i);
    EndCount end;
    player.Play(b.Build(), end.Callback(), nullptr, false);
    rig.clock.AdvanceTo(1000000);  // ticks 0 to 192: five events
    const std::size_t before = rig.Sent().size();
    EXPECT_EQ(before, 1u + 5u);
    EXPECT_TRUE(player.Stop());
    EXPECT_FALSE(player.IsActive());
    EXPECT_EQ(rig.clock.PendingCount(), 0u);
    rig.clock.AdvanceBy(kLimit);
    EXPECT_EQ(rig.Sent().size(), before);
    EXPECT_EQ(end.calls, 0);
    const auto all = rig.outputs.Messages();
    EXPECT_EQ(all[all.size() - 2].kind, RecordedMessage::Kind::kReset);

    // The controller plays again after a stop.
    player.Play(b.Build(), end.Callback(), nullptr, false);
    ASSERT_TRUE(rig.clock.RunUntilIdle(rig.clock.Now() + kLimit));
    player.WaitUntilDone();
    EXPECT_EQ(end.calls, 1);
}

TEST(MidiPlayer, EndCallbackMayCallStop)
{
    Rig rig;
    MidiPlayer player(rig.context, Exact());
    std::atomic<int> ends{0};
    player.Play(SequenceBuilder().NoteOn(0, 0, 60, 100).NoteOff(96, 0, 60).Build(),
                [&] {
                    ++ends;
                    player.Stop();
                },
                nullptr, false);
    ASSERT_TRUE(rig.clock.RunUntilIdle(kLimit));
    player.WaitUntilDone();
    EXPECT_EQ(ends, 1);
    EXPECT_FALSE(player.IsActive());
}

TEST(MidiPlayer, ANewPlayStopsAnEarlierOneThatDoesNotFinish)
{
    Rig rig;
    MidiPlayer player(rig.context, Exact());
    const auto song = SequenceBuilder().NoteOn(0, 0, 60, 100).NoteOff(9600, 0, 60).Build();
    EndCount first;
    player.Play(song, first.Callback(), nullptr, false);
    rig.clock.AdvanceTo(10);
    // The clock never reaches the end: the second play stops the first.
    EndCount second;
    player.Play(song, second.Callback(), nullptr, false);
    EXPECT_EQ(first.calls, 0);
    EXPECT_TRUE(player.IsActive());
    player.Stop();
    EXPECT_FALSE(rig.reporter.Has("GENE", gene::kPerformance));
}

TEST(MidiPlayer, SongsThatCannotPlayEndAtOnceWithTheEndCallback)
{
    {  // no note at all: the set-up walk reaches the end
        Rig rig;
        PlayerOptions options = Exact();
        options.setupSpacing = 50000;
        MidiPlayer player(rig.context, options);
        EndCount end;
        player.Play(SequenceBuilder().Tempo(0, 500000).Program(0, 0, 1).End(96).Build(),
                    end.Callback(), nullptr, false);
        ASSERT_TRUE(rig.clock.RunUntilIdle(kLimit));
        player.WaitUntilDone();
        EXPECT_EQ(end.calls, 1);
        EXPECT_EQ(rig.Sent().size(), 2u);  // system on and the program change
    }
    {  // a port that refuses to open
        Rig rig;
        PlayerOptions options = Exact();
        options.port = 9;
        MidiPlayer player(rig.context, options);
        EndCount end;
        player.Play(SequenceBuilder().NoteOn(0, 0, 60, 1).Build(), end.Callback(), nullptr, false);
        player.WaitUntilDone();
        EXPECT_EQ(end.calls, 1);
        EXPECT_TRUE(rig.Sent().empty());
        EXPECT_TRUE(rig.reporter.Has("MDCT", mdct::kOpenFailed));
    }
    {  // notes with durations are not playable
        Rig rig;
        MidiPlayer player(rig.context, Exact());
        PlaySequence notes = SequenceBuilder().NoteOn(0, 0, 60, 1).Build();
        notes.state = 2;
        EndCount end;
        player.Play(notes, end.Callback(), nullptr, false);
        player.WaitUntilDone();
        EXPECT_EQ(end.calls, 1);
        EXPECT_TRUE(rig.reporter.Has("MDSP", mdsp::kNotPlayable));
        EXPECT_TRUE(rig.outputs.Messages().empty());
    }
}

TEST(MidiPlayer, WithoutAnyOutputPositionsStillMoveAndTheFailureShowsOnce)
{
    Rig rig;
    rig.outputs.SetOpenStatus(OpenStatus::kNoOutput);
    MidiPlayer player(rig.context, Exact());
    const auto song =
        SequenceBuilder().Tempo(0, 500000).NoteOn(0, 0, 60, 1).NoteOff(384, 0, 60).Build();
    for (int round = 0; round < 2; ++round) {
        Positions positions;
        EndCount end;
        player.Play(song, end.Callback(), positions.Callback(), false);
        ASSERT_TRUE(rig.clock.RunUntilIdle(kLimit));
        player.WaitUntilDone();
        EXPECT_EQ(end.calls, 1);
        ASSERT_EQ(positions.seen.size(), 4u);
        EXPECT_EQ(std::get<1>(positions.seen.back()), 384);
    }
    EXPECT_EQ(rig.reporter.Count("MDCT", mdct::kOpenFailed), 1u);
    EXPECT_TRUE(rig.outputs.Messages().empty());
}

TEST(SequencePlayer, ChaseRestoresTheStateAtTheStartPosition)
{
    Rig rig;
    const auto song = SequenceBuilder()
                          .Tempo(0, 500000)
                          .TimeSignature(0, 0, 0)  // a broken signature
                          .Control(0, 1, 10, 30)
                          .Control(0, 1, 7, 90)
                          .Program(0, 1, 33)
                          .NoteOn(0, 1, 40, 100)
                          .Bend(10, 1, 8192 + 100)
                          .Tempo(0, 1000000)
                          .NoteOff(86, 1, 40)
                          .NoteOn(0, 1, 43, 100)  // tick 96: the start
                          .NoteOff(96, 1, 43)
                          .Build();
    Positions positions;
    PlayerOptions options = Exact();
    SequencePlayer player(rig.context, song, options, positions.Callback());
    ASSERT_TRUE(player.Start(96));
    ASSERT_TRUE(rig.clock.RunUntilIdle(kLimit));
    EXPECT_FALSE(player.Playing());
    EXPECT_EQ(player.Tempo(), 60);
    const std::vector<std::pair<Micros, Bytes>> expected = {
        {0, {0xF0, 0x7E, 0x7F, 0x09, 0x01, 0xF7}},
        {0, {0xC1, 33}},
        {0, {0xE1, 100, 64}},
        {0, {0xB1, 7, 90}},  // controllers in number order
        {0, {0xB1, 10, 30}},
        {0, {0x81, 40, 0}},  // the first event at the start position
        {0, {0x91, 43, 100}},
        {1000000, {0x81, 43, 0}},  // at 60 from the chased tempo
    };
    EXPECT_EQ(rig.Sent(), expected);
    ASSERT_FALSE(positions.seen.empty());
    EXPECT_EQ(positions.seen.front(), std::make_tuple(8, 96, 0x80));
    EXPECT_EQ(rig.reporter.Count("MDSS", mdss::kBadTimeSignature), 1u);
}

TEST(SequencePlayer, EndTickAndBadDeltas)
{
    Rig rig;
    auto song = SequenceBuilder()
                    .Tempo(0, 500000)
                    .NoteOn(0, 0, 60, 100)
                    .NoteOff(-5, 0, 60)  // a negative delta goes out at once
                    .NoteOn(96, 0, 62, 100)
                    .NoteOff(96, 0, 62)
                    .Build();
    SequencePlayer player(rig.context, song, Exact(), nullptr);
    ASSERT_TRUE(player.Start(0, 150));
    ASSERT_TRUE(rig.clock.RunUntilIdle(kLimit));
    EXPECT_FALSE(player.Playing());
    const auto sent = rig.Sent();
    ASSERT_EQ(sent.size(), 4u);  // the last note-off lies beyond the end tick
    EXPECT_EQ(sent[2], std::make_pair(Micros{0}, Bytes{0x80, 60, 0}));
    EXPECT_EQ(rig.reporter.Count("MDPL", mdpl::kBadDelta), 1u);

    Rig other;
    PlaySequence notes = song;
    notes.state = 2;
    SequencePlayer refused(other.context, notes, Exact(), nullptr);
    EXPECT_FALSE(refused.Start());
    EXPECT_TRUE(other.reporter.Has("MDPL", mdpl::kNotPlayable));
}

}  // namespace
}  // namespace songloom::playback
