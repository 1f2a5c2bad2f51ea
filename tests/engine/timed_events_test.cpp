#include "arrange/timed_events.h"

#include <gtest/gtest.h>

#include <vector>

#include "common/reporter.h"

namespace songloom::arrange {
namespace {

TimedEvent NoteAt(std::int64_t time, int note, int order = 0)
{
    TimedEvent t;
    t.time = time;
    t.event.Kind = midi::kKindNote;
    t.event.Channel = 0;
    t.event.Note = note;
    t.event.Velocity = 100;
    t.event.Duration = 10;
    t.order = order;
    return t;
}

TimedEvent EndAt(std::int64_t time)
{
    TimedEvent t;
    t.time = time;
    t.event.Kind = midi::kKindMeta;
    t.event.Number = midi::kMetaEndOfTrack;
    t.order = -5;  // an End of Track goes last whatever its order
    return t;
}

std::vector<int> Notes(const std::vector<TimedEvent>& events)
{
    std::vector<int> out;
    for (const auto& t : events) out.push_back(t.event.IsEndOfTrack() ? -1 : t.event.Note);
    return out;
}

TEST(TimedEventsSort, TimeThenOrderKeepingEqualEventsInTheirPlace)
{
    std::vector<TimedEvent> events = {
        NoteAt(96, 1),     EndAt(96),        NoteAt(0, 2, 1), NoteAt(96, 3, -1), NoteAt(0, 4, 1),
        NoteAt(0, 5, 0),   NoteAt(96, 6),    NoteAt(48, 7),   NoteAt(0, 8, 1),
    };
    SortTimedEvents(events);
    // Tick 0: order 0 before the three of order 1, which keep their places;
    // tick 96: the bend-like order -1 first, the End of Track behind all.
    EXPECT_EQ(Notes(events), (std::vector<int>{5, 2, 4, 8, 7, 3, 1, 6, -1}));

    // A sequence already in order is left as it is.
    const std::vector<int> before = Notes(events);
    SortTimedEvents(events);
    EXPECT_EQ(Notes(events), before);

    // Many equal keys stay in their order too (a sort that is not stable
    // mixes them up once there are enough of them).
    std::vector<TimedEvent> same;
    for (int i = 0; i < 200; ++i) same.push_back(NoteAt(i % 2 == 0 ? 10 : 0, i));
    SortTimedEvents(same);
    for (int i = 0; i < 100; ++i) {
        EXPECT_EQ(same[static_cast<std::size_t>(i)].event.Note, 2 * i + 1);
        EXPECT_EQ(same[static_cast<std::size_t>(100 + i)].event.Note, 2 * i);
    }
}

TEST(TimedEventsSort, PutBackGivesDeltasAndEndsWithTheEndOfTrack)
{
    CapturingReporter reporter;
    midi::CMidiTrack track(reporter);
    track.State = midi::TrackNotes;
    std::vector<TimedEvent> events = {NoteAt(200, 1), EndAt(100), NoteAt(50, 2)};
    events.push_back(NoteAt(60, 3));
    events.back().event.Kind = midi::kKindDeleted;  // dropped
    PutTimedEvents(track, events);
    ASSERT_EQ(track.EventCount(), 3);
    EXPECT_EQ(track.Event(0).Note, 2);
    EXPECT_EQ(track.Event(0).DeltaTime, 50);
    EXPECT_EQ(track.Event(1).Note, 1);
    EXPECT_EQ(track.Event(1).DeltaTime, 150);
    // The End of Track that came too early moves to the last event's time.
    EXPECT_TRUE(track.Event(2).IsEndOfTrack());
    EXPECT_EQ(track.Event(2).DeltaTime, 0);
    EXPECT_EQ(track.State, midi::TrackNotes);
}

}  // namespace
}  // namespace songloom::arrange
