#include "arrange/timed_events.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
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

// The order a plain stable sort gives: time, an End of Track behind its
// instant, order.
std::vector<int> StableOrder(std::vector<TimedEvent> events)
{
    std::stable_sort(events.begin(), events.end(), [](const TimedEvent& a, const TimedEvent& b) {
        if (a.time != b.time) return a.time < b.time;
        if (a.event.IsEndOfTrack() != b.event.IsEndOfTrack()) return b.event.IsEndOfTrack();
        return a.order < b.order;
    });
    return Notes(events);
}

TEST(TimedEventsSort, AgreesWithAPlainStableSortWhateverTheDisorder)
{
    std::uint32_t seed = 12345;
    const auto next = [&seed](int range) {
        seed = seed * 1664525u + 1013904223u;
        return static_cast<int>((seed >> 8) % static_cast<std::uint32_t>(range));
    };
    const auto check = [](std::vector<TimedEvent> events, const char* what) {
        const std::vector<int> expected = StableOrder(events);
        SortTimedEvents(events);
        EXPECT_EQ(Notes(events), expected) << what;
    };
    std::vector<TimedEvent> jittered;  // a few ticks out of place, as humanised
    for (int i = 0; i < 3000; ++i) {
        jittered.push_back(NoteAt(i * 6 + next(20) - 10, i + 1, next(3) - 1));
        if (next(200) == 0) jittered.push_back(EndAt(i * 6));
    }
    check(jittered, "jittered");

    std::vector<TimedEvent> appended;  // in order, then new notes anywhere
    for (int i = 0; i < 2000; ++i) appended.push_back(NoteAt(i * 4, i + 1));
    for (int i = 0; i < 700; ++i) appended.push_back(NoteAt(next(8000), 3000 + i, next(3) - 1));
    check(appended, "appended");

    std::vector<TimedEvent> backwards;  // the worst case for a local sort
    for (int i = 0; i < 1500; ++i) backwards.push_back(NoteAt(3000 - 2 * i, i + 1, i % 2));
    check(backwards, "backwards");

    std::vector<TimedEvent> crowded;  // few instants, many ties
    for (int i = 0; i < 2500; ++i) crowded.push_back(NoteAt(next(4) * 96, i + 1, next(2)));
    crowded.push_back(EndAt(96));
    check(crowded, "crowded");
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

    // Put back into a track that holds more events than come back, and into
    // one that holds fewer: the track ends up with exactly the new ones.
    for (const int before : {5, 1}) {
        midi::CMidiTrack other(reporter);
        other.State = midi::TrackNotes;
        for (int i = 0; i < before; ++i) other.AddNote(0, 10, 90 + i, 100, 5);
        std::vector<TimedEvent> back = {NoteAt(30, 7), NoteAt(10, 8), EndAt(40)};
        PutTimedEvents(other, back);
        ASSERT_EQ(other.EventCount(), 3) << before;
        EXPECT_EQ(other.Event(0).Note, 8);
        EXPECT_EQ(other.Event(0).DeltaTime, 10);
        EXPECT_EQ(other.Event(1).Note, 7);
        EXPECT_EQ(other.Event(1).DeltaTime, 20);
        EXPECT_TRUE(other.Event(2).IsEndOfTrack());
        EXPECT_EQ(other.Event(2).DeltaTime, 10);
    }
}

}  // namespace
}  // namespace songloom::arrange
