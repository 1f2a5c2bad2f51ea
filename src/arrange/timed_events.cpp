#include "arrange/timed_events.h"

#include <algorithm>
#include <compare>
#include <cstdint>

namespace songloom::arrange {
namespace {

// The sort key of an event: time; then its rank in the instant (an End of
// Track behind everything, then order); then where it stood, which makes the
// sort stable and every key distinct.
struct Key {
    std::int64_t time;
    std::uint64_t rank;
    std::uint32_t index;
    auto operator<=>(const Key&) const = default;
};

constexpr std::uint64_t kEndRank = std::uint64_t{1} << 32;

Key KeyOf(const TimedEvent& t, std::size_t index)
{
    // The order moved into the unsigned range, keeping its sequence.
    const std::uint64_t order = static_cast<std::uint32_t>(t.order) ^ 0x80000000u;
    return {t.time, (t.event.IsEndOfTrack() ? kEndRank : 0) | order, static_cast<std::uint32_t>(index)};
}

bool IsEnd(const Key& k) { return k.rank >= kEndRank; }

// Sorts keys, in time linear in their number for what the edits leave: keys
// a few places out of order (humanised timing) and a batch of keys appended
// behind (new notes). A key belongs at most kReach places further forward is
// inserted there at once; one from further back waits among the late keys,
// which are sorted on their own and merged in at the end.
void SortKeys(std::vector<Key>& keys)
{
    constexpr std::size_t kReach = 8;
    thread_local std::vector<Key> late;
    late.clear();
    std::size_t kept = 0;
    for (std::size_t i = 0; i < keys.size(); ++i) {
        const Key k = keys[i];
        if (kept == 0 || keys[kept - 1] < k) {
            keys[kept++] = k;
            continue;
        }
        const std::size_t stop = kept > kReach ? kept - kReach : 0;
        std::size_t at = kept - 1;
        while (at > stop && k < keys[at - 1]) --at;
        if (at == stop && stop > 0 && k < keys[stop - 1]) {
            late.push_back(k);
            continue;
        }
        std::move_backward(keys.begin() + static_cast<std::ptrdiff_t>(at),
                           keys.begin() + static_cast<std::ptrdiff_t>(kept),
                           keys.begin() + static_cast<std::ptrdiff_t>(kept + 1));
        keys[at] = k;
        ++kept;
    }
    if (late.empty()) return;
    std::sort(late.begin(), late.end());
    // Merged from the back, into the room the late keys left.
    std::size_t a = kept;
    std::size_t b = late.size();
    for (std::size_t out = keys.size(); b > 0;) {
        if (a > 0 && late[b - 1] < keys[a - 1]) {
            keys[--out] = keys[--a];
        } else {
            keys[--out] = late[--b];
        }
    }
}

// The keys of events in their order, Kind 0 events left out when dropDeleted.
// True when they are in order already.
bool MakeKeys(std::span<const TimedEvent> events, bool dropDeleted, std::vector<Key>& keys)
{
    keys.clear();
    keys.reserve(events.size());
    bool sorted = true;
    for (std::size_t i = 0; i < events.size(); ++i) {
        if (dropDeleted && events[i].event.Kind == midi::kKindDeleted) continue;
        const Key k = KeyOf(events[i], i);
        if (!keys.empty() && k < keys.back()) sorted = false;
        keys.push_back(k);
    }
    return sorted;
}

}  // namespace

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
    thread_local std::vector<Key> keys;
    // Most edits leave the events in order: nothing to move then.
    if (MakeKeys(events, false, keys)) return;
    SortKeys(keys);
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

void PutTimedEvents(midi::CMidiTrack& track, std::span<TimedEvent> events)
{
    thread_local std::vector<Key> keys;
    if (!MakeKeys(events, true, keys)) SortKeys(keys);
    // The End of Track marks the end: nothing may start after it.
    const auto eot = std::find_if(keys.begin(), keys.end(), IsEnd);
    if (eot != keys.end() && eot + 1 != keys.end()) {
        Key last = *eot;
        last.time = std::max(last.time, keys.back().time);
        std::move(eot + 1, keys.end(), eot);
        keys.back() = last;
    }
    const auto state = track.State;
    track.Clear();
    track.Reserve(keys.size());
    std::int64_t previous = 0;
    for (const Key& k : keys) {
        midi::CMidiEvent& e = events[k.index].event;
        e.DeltaTime = static_cast<std::int32_t>(k.time - previous);
        previous = k.time;
        track.AppendEvent(std::move(e));
    }
    track.State = state;
}

void PutTimedEvents(midi::CMidiTrack& track, std::vector<TimedEvent>&& events)
{
    PutTimedEvents(track, std::span<TimedEvent>(events));
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
