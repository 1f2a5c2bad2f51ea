#include "arrange/timed_events.h"

#include <algorithm>
#include <cstdint>

namespace songloom::arrange {

std::vector<TimedEvent> TakeTimedEvents(const midi::CMidiTrack& track)
{
    std::vector<TimedEvent> out;
    out.reserve(track.Events().size());
    std::int64_t time = 0;
    for (const auto& e : track.Events()) {
        time += e.DeltaTime;
        out.push_back({time, e});
    }
    return out;
}

void SortTimedEvents(std::vector<TimedEvent>& events)
{
    // The sort key of an event: time, an End of Track behind its instant,
    // order, and where it stood (which makes the sort stable).
    struct Key {
        std::int64_t time;
        int order;
        bool end;
        std::uint32_t index;
        bool operator<(const Key& b) const
        {
            if (time != b.time) return time < b.time;
            if (end != b.end) return b.end;
            if (order != b.order) return order < b.order;
            return index < b.index;
        }
    };
    thread_local std::vector<Key> keys;
    keys.clear();
    keys.reserve(events.size());
    bool sorted = true;
    for (std::size_t i = 0; i < events.size(); ++i) {
        const TimedEvent& t = events[i];
        keys.push_back({t.time, t.order, t.event.IsEndOfTrack(), static_cast<std::uint32_t>(i)});
        if (i > 0 && keys[i] < keys[i - 1]) sorted = false;
    }
    // Most edits leave the events in order: nothing to move then.
    if (sorted) return;
    std::sort(keys.begin(), keys.end());
    // Moved into place cycle by cycle, without a second vector of events:
    // position i takes the event that stood at keys[i].index.
    constexpr std::uint32_t kPlaced = UINT32_MAX;
    for (std::size_t i = 0; i < keys.size(); ++i) {
        if (keys[i].index == kPlaced || keys[i].index == i) continue;
        TimedEvent first = std::move(events[i]);
        std::size_t at = i;
        while (keys[at].index != i) {
            const std::size_t from = keys[at].index;
            events[at] = std::move(events[from]);
            keys[at].index = kPlaced;
            at = from;
        }
        events[at] = std::move(first);
        keys[at].index = kPlaced;
    }
}

void PutTimedEvents(midi::CMidiTrack& track, std::vector<TimedEvent> events)
{
    std::erase_if(events, [](const TimedEvent& t) { return t.event.Kind == midi::kKindDeleted; });
    SortTimedEvents(events);
    if (!events.empty()) {
        // The End of Track marks the end: nothing may start after it.
        auto eot = std::find_if(events.begin(), events.end(),
                                [](const TimedEvent& t) { return t.event.IsEndOfTrack(); });
        if (eot != events.end() && eot + 1 != events.end()) {
            TimedEvent last = *eot;
            last.time = std::max(last.time, events.back().time);
            events.erase(eot);
            events.push_back(std::move(last));
        }
    }
    const auto state = track.State;
    track.Clear();
    std::int64_t previous = 0;
    for (auto& t : events) {
        t.event.DeltaTime = static_cast<std::int32_t>(t.time - previous);
        previous = t.time;
        track.AppendEvent(std::move(t.event));
    }
    track.State = state;
}

midi::CMidiEvent PitchBendEvent(int channel, int low, int high)
{
    midi::CMidiEvent e;
    e.Kind = midi::kKindPitchBend;
    e.Channel = channel;
    e.Note = low & 0x7F;
    e.Value = high & 0x7F;
    const std::uint8_t bytes[] = {static_cast<std::uint8_t>(0xE0 | (channel & 0x0F)),
                                  static_cast<std::uint8_t>(low & 0x7F),
                                  static_cast<std::uint8_t>(high & 0x7F)};
    e.SetData(bytes);
    e.DataLength = 3;
    return e;
}

}  // namespace songloom::arrange
