#include "arrange/timed_events.h"

#include <algorithm>
#include <cstdint>

namespace songloom::arrange {
namespace {

// The sort key of an event in two words, compared as unsigned numbers: the
// time (its sign bit flipped, so that earlier is smaller); then an End of
// Track behind everything of its instant, the order (moved into the unsigned
// range) and where the event stood (31 bits: a track holds far fewer events),
// which makes the sort stable and every key distinct.
struct Key {
    std::uint64_t high;
    std::uint64_t low;
    bool operator<(const Key& b) const { return high != b.high ? high < b.high : low < b.low; }
};

constexpr std::uint64_t kSignBit = std::uint64_t{1} << 63;
constexpr int kIndexBits = 31;
constexpr std::uint64_t kIndexMask = (std::uint64_t{1} << kIndexBits) - 1;

std::uint64_t TimeWord(std::int64_t time) { return static_cast<std::uint64_t>(time) ^ kSignBit; }
std::int64_t TimeOf(const Key& k) { return static_cast<std::int64_t>(k.high ^ kSignBit); }
std::size_t IndexOf(const Key& k) { return static_cast<std::size_t>(k.low & kIndexMask); }
bool IsEnd(const Key& k) { return (k.low & kSignBit) != 0; }

Key KeyOf(const TimedEvent& t, std::size_t index)
{
    const std::uint64_t order = static_cast<std::uint32_t>(t.order) ^ 0x80000000u;
    return {TimeWord(t.time),
            (t.event.IsEndOfTrack() ? kSignBit : 0) | order << kIndexBits | (index & kIndexMask)};
}

// The keys of the events being sorted or put back: one buffer for both,
// which keeps its room from call to call.
std::vector<Key>& KeyBuffer()
{
    thread_local std::vector<Key> keys;
    return keys;
}

// Keys that belong further forward than the sort's reach.
std::vector<Key>& LateBuffer()
{
    thread_local std::vector<Key> late;
    return late;
}

// The keys of events in sorted order, Kind 0 events left out when
// dropDeleted; false when the events stood in order already. Linear in their
// number for what the edits leave: keys a few places out of order (humanised
// timing) and a batch of keys appended behind (new notes). A key that belongs
// at most kReach places further forward is inserted there at once; one from
// further back waits among the late keys, which are sorted on their own and
// merged in at the end.
bool SortedKeys(std::span<const TimedEvent> events, bool dropDeleted, std::vector<Key>& keys)
{
    constexpr std::size_t kReach = 8;
    std::vector<Key>& late = LateBuffer();
    late.clear();
    keys.resize(events.size());
    Key* const key = keys.data();
    std::size_t kept = 0;
    bool moved = false;
    for (std::size_t i = 0; i < events.size(); ++i) {
        if (dropDeleted && events[i].event.Kind == midi::kKindDeleted) continue;
        const Key k = KeyOf(events[i], i);
        if (kept == 0 || key[kept - 1] < k) {
            key[kept++] = k;
            continue;
        }
        moved = true;
        if (kept > kReach && k < key[kept - kReach - 1]) {
            late.push_back(k);
            continue;
        }
        std::size_t at = kept;
        for (; at > 0 && k < key[at - 1]; --at) key[at] = key[at - 1];
        key[at] = k;
        ++kept;
    }
    keys.resize(kept + late.size());
    if (late.empty()) return moved;
    // Notes appended one after the other mostly come in order among themselves.
    if (!std::is_sorted(late.begin(), late.end())) std::sort(late.begin(), late.end());
    // Merged from the back, into the room the late keys left.
    std::size_t a = kept;
    std::size_t b = late.size();
    for (std::size_t out = keys.size(); b > 0;) {
        if (a > 0 && late[b - 1] < key[a - 1]) {
            key[--out] = key[--a];
        } else {
            key[--out] = late[--b];
        }
    }
    return true;
}

}  // namespace

std::vector<TimedEvent> TakeTimedEvents(const midi::CMidiTrack& track)
{
    std::vector<TimedEvent> out;
    TakeTimedEvents(track, out);
    return out;
}

void TakeTimedEvents(const midi::CMidiTrack& track, std::vector<TimedEvent>& out)
{
    out.clear();
    out.reserve(track.Events().size());
    std::int64_t time = 0;
    for (const auto& e : track.Events()) {
        time += e.DeltaTime;
        out.emplace_back(time, e);
    }
}

void ReserveSortRoom(std::size_t events) { KeyBuffer().reserve(events); }

void ReleaseSortRoom()
{
    std::vector<Key>().swap(KeyBuffer());
    std::vector<Key>().swap(LateBuffer());
}

void SortTimedEvents(std::vector<TimedEvent>& events)
{
    std::vector<Key>& keys = KeyBuffer();
    // Most edits leave the events in order: nothing to move then.
    if (!SortedKeys(events, false, keys)) return;
    // Moved into place cycle by cycle, without a second vector of events:
    // position i takes the event that stood at the index of keys[i]; a
    // placed key is marked by index i itself.
    for (std::size_t i = 0; i < keys.size(); ++i) {
        if (IndexOf(keys[i]) == i) continue;
        TimedEvent first = std::move(events[i]);
        std::size_t at = i;
        while (IndexOf(keys[at]) != i) {
            const std::size_t from = IndexOf(keys[at]);
            events[at] = std::move(events[from]);
            keys[at].low = (keys[at].low & ~kIndexMask) | at;
            at = from;
        }
        events[at] = std::move(first);
        keys[at].low = (keys[at].low & ~kIndexMask) | at;
    }
}

void PutTimedEvents(midi::CMidiTrack& track, std::span<TimedEvent> events)
{
    std::vector<Key>& keys = KeyBuffer();
    SortedKeys(events, true, keys);
    // The End of Track marks the end: nothing may start after it.
    const auto eot = std::find_if(keys.begin(), keys.end(), IsEnd);
    if (eot != keys.end() && eot + 1 != keys.end()) {
        Key last = *eot;
        last.high = std::max(last.high, keys.back().high);
        std::move(eot + 1, keys.end(), eot);
        keys.back() = last;
    }
    const auto state = track.State;
    const auto count = static_cast<std::int32_t>(keys.size());
    const std::int32_t slots = std::min(count, track.EventCount());
    track.Reserve(keys.size());
    std::int64_t previous = 0;
    for (std::int32_t j = 0; j < count; ++j) {
        const Key& k = keys[static_cast<std::size_t>(j)];
        midi::CMidiEvent& e = events[IndexOf(k)].event;
        const std::int64_t time = TimeOf(k);
        e.DeltaTime = static_cast<std::int32_t>(time - previous);
        previous = time;
        if (j < slots) {
            track.Event(j) = std::move(e);
        } else {
            track.AppendEvent(std::move(e));
        }
    }
    while (track.EventCount() > count) track.DeleteEvent(track.EventCount() - 1);
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
