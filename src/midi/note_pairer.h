#pragma once
// Turning note-on / note-off messages into notes with durations, one event
// at a time: each note-off (or note-on of velocity 0) ends the oldest note-on
// of its channel and note that is still open. That gives the same pairs as
// letting every note-on, in order, take the first free note-off behind it.
// Used by CMidiTrack::PairNotes over a whole track and by the chunk reader,
// which pairs each event as it is read so that the note-offs of a large file
// are never stored.

#include <algorithm>
#include <cstdint>
#include <map>
#include <utility>
#include <vector>

#include "midi/midi_event.h"

namespace songloom::midi {

class NotePairer {
public:
    // events: about how many the track holds. Short tracks keep their
    // waiting notes in a map alone: filling the tables would cost more.
    explicit NotePairer(std::size_t events) : head_(events > kKeys / 4 ? kKeys : 0, -1), tail_(head_.size(), -1) {}

    // Pairs events[index], which stands at time now. A note-on becomes a
    // note (its data the single byte of its kind, however it was made, so
    // that notes read from a file equal notes built by AddNote) that waits
    // for its note-off; a note-off ends the note it belongs to and is marked
    // deleted. False when the event is a note-off.
    bool Take(std::vector<CMidiEvent>& events, std::size_t index, std::int64_t now)
    {
        CMidiEvent& e = events[index];
        if (e.Kind == kKindNote) {
            // A note already made is settled with the others.
            if (e.Duration <= 0) ended_.push_back(static_cast<std::int32_t>(index));
            return true;
        }
        if (e.Kind == kKindNoteOn && e.Velocity != 0) {
            e.Kind = kKindNote;
            e.Duration = 0;
            e.SetShortData(0x10, 0, 0, 1);
            Push(e, static_cast<std::int32_t>(index), now);
            return true;
        }
        if (e.Kind != kKindNoteOff && e.Kind != kKindNoteOn) return true;
        Waiting on;
        if (Pop(e, on)) {
            CMidiEvent& note = events[static_cast<std::size_t>(on.index)];
            note.Duration = ClampTick(now - on.start);
            if (note.Duration < 0) negative_ = true;
            if (note.Duration <= 0) ended_.push_back(on.index);
        }
        e.Kind = kKindDeleted;  // paired or stray, a note-off goes
        return false;
    }

    // Settles the notes once the track ends at time end. With keepEveryNote
    // a note still open sounds to the end (at least a tick) and a note whose
    // note-off came at once lasts a tick; otherwise both are marked deleted,
    // as is a note that ended before it began. Returns the notes ended at
    // the end of the track; sets anyDeleted when a note was marked deleted.
    std::int32_t Finish(std::vector<CMidiEvent>& events, std::int64_t end, bool keepEveryNote, bool& anyDeleted)
    {
        std::int32_t closed = 0;
        auto settle = [&](std::int32_t index, std::int64_t start) {
            CMidiEvent& note = events[static_cast<std::size_t>(index)];
            if (keepEveryNote) {
                note.Duration = ClampTick(std::max<std::int64_t>(end - start, 1));
                ++closed;
            } else {
                note.Kind = kKindDeleted;
                anyDeleted = true;
            }
        };
        for (std::size_t key = 0; key < head_.size(); ++key) {
            for (std::int32_t i = head_[key]; i >= 0; i = pool_[static_cast<std::size_t>(i)].next) {
                settle(pool_[static_cast<std::size_t>(i)].index, pool_[static_cast<std::size_t>(i)].start);
            }
        }
        for (const auto& [key, ends] : others_) {
            for (std::int32_t i = ends.first; i >= 0; i = pool_[static_cast<std::size_t>(i)].next) {
                settle(pool_[static_cast<std::size_t>(i)].index, pool_[static_cast<std::size_t>(i)].start);
            }
        }
        for (const std::int32_t index : ended_) {
            CMidiEvent& note = events[static_cast<std::size_t>(index)];
            if (keepEveryNote && note.Duration == 0) note.Duration = 1;
            if (note.Duration <= 0) {
                note.Kind = kKindDeleted;
                anyDeleted = true;
            }
        }
        return closed;
    }

    // True when a note ended before it began (tracks built with negative
    // delta times).
    bool Negative() const { return negative_; }

private:
    static constexpr std::size_t kKeys = 16 * 128;
    // A note waiting for its note-off: the event, its start and the next
    // waiting note of the same key. Entries are reused once popped, so the
    // pool holds only as many as sound at once.
    struct Waiting {
        std::int64_t start;
        std::int32_t index;
        std::int32_t next;
    };
    struct Ends {
        std::int32_t* head;
        std::int32_t* tail;
    };
    Ends Get(const CMidiEvent& e)
    {
        if (!head_.empty() && e.Channel >= 0 && e.Channel < 16 && e.Note >= 0 && e.Note < 128) {
            const auto key = static_cast<std::size_t>(e.Channel * 128 + e.Note);
            return {&head_[key], &tail_[key]};
        }
        auto& pair = others_.try_emplace({e.Channel, e.Note}, std::pair<std::int32_t, std::int32_t>{-1, -1}).first->second;
        return {&pair.first, &pair.second};
    }
    void Push(const CMidiEvent& e, std::int32_t index, std::int64_t start)
    {
        std::int32_t slot = free_;
        if (slot >= 0) {
            free_ = pool_[static_cast<std::size_t>(slot)].next;
            pool_[static_cast<std::size_t>(slot)] = {start, index, -1};
        } else {
            slot = static_cast<std::int32_t>(pool_.size());
            pool_.push_back({start, index, -1});
        }
        Ends ends = Get(e);
        if (*ends.tail >= 0) {
            pool_[static_cast<std::size_t>(*ends.tail)].next = slot;
        } else {
            *ends.head = slot;
        }
        *ends.tail = slot;
    }
    bool Pop(const CMidiEvent& e, Waiting& out)
    {
        Ends ends = Get(e);
        const std::int32_t slot = *ends.head;
        if (slot < 0) return false;
        out = pool_[static_cast<std::size_t>(slot)];
        *ends.head = out.next;
        if (*ends.head < 0) *ends.tail = -1;
        pool_[static_cast<std::size_t>(slot)].next = free_;
        free_ = slot;
        return true;
    }

    std::vector<std::int32_t> head_;
    std::vector<std::int32_t> tail_;
    std::vector<Waiting> pool_;
    std::int32_t free_ = -1;
    std::map<std::pair<std::int32_t, std::int32_t>, std::pair<std::int32_t, std::int32_t>> others_;
    // Notes that ended without lasting a tick.
    std::vector<std::int32_t> ended_;
    bool negative_ = false;
};

}  // namespace songloom::midi
