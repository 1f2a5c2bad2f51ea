// Note-on / note-off pairs and notes with durations, insertion by time and
// the orderings of events within one instant.
#include <algorithm>
#include <limits>
#include <map>

#include "midi/midi_track.h"
#include "midi/note_pairer.h"

namespace songloom::midi {

namespace {

// Within each instant, the selected events move to the front in their own
// order and the others follow in theirs; the instant's delta time stays on
// its first slot. (Exchanging events pairwise instead can put a note-on
// behind the note-off of the same instant and silence the note.)
template <typename Selected>
void PartitionInstants(std::vector<CMidiEvent>& events, Selected selected)
{
    std::vector<CMidiEvent> others;  // reused by every instant
    std::size_t start = 0;
    while (start < events.size()) {
        std::size_t end = start + 1;
        while (end < events.size() && events[end].DeltaTime == 0) ++end;
        const auto first = events.begin() + static_cast<std::ptrdiff_t>(start);
        const auto last = events.begin() + static_cast<std::ptrdiff_t>(end);
        if (end - start > 1 && !std::is_partitioned(first, last, selected)) {
            // A stable partition: the selected close up in place, the others
            // wait aside and follow in their order.
            const std::int32_t delta = first->DeltaTime;
            first->DeltaTime = 0;
            others.clear();
            auto out = first;
            for (auto in = first; in != last; ++in) {
                if (selected(*in)) {
                    if (out != in) *out = std::move(*in);
                    ++out;
                } else {
                    others.push_back(std::move(*in));
                }
            }
            std::move(others.begin(), others.end(), out);
            first->DeltaTime = delta;
        }
        start = end;
    }
}

}  // namespace

std::int32_t CMidiTrack::PairNotes(NotePairing pairing)
{
    if (!RequireState(TrackMessages)) return 0;
    const std::size_t n = events_.size();
    NotePairer pairer(n);
    std::int64_t now = 0;
    for (std::size_t i = 0; i < n; ++i) {
        if (YieldPause != 0) Yield(i, 300);
        now += events_[i].DeltaTime;
        pairer.Take(events_, i, now);
    }
    bool anyDeleted = false;
    const std::int32_t kept = pairer.Finish(events_, now, pairing == NotePairing::kKeepEveryNote, anyDeleted);
    if (pairer.Negative()) Error(mdtk::kInternal);
    PurgeDeleted();
    FinishNotes();
    return kept;
}

void CMidiTrack::FinishNotes()
{
    // The note-offs are gone: a track read from a large file gives their
    // room back when it is worth a copy of the track.
    if ((events_.capacity() - events_.size()) * sizeof(CMidiEvent) > (8u << 20)) events_.shrink_to_fit();
    State = TrackNotes;
}

void CMidiTrack::SplitNotes()
{
    if (!RequireState(TrackNotes)) return;
    // One pass finds what the split needs: silent notes to drop, whether
    // times never fall, and how many notes there are.
    bool ordered = true;
    bool purge = false;
    std::size_t notes = 0;
    for (auto& e : events_) {
        if (e.DeltaTime < 0) ordered = false;
        if (e.Kind == kKindNote) {
            if (e.Duration <= 0 || e.Velocity == 0) {
                e.Kind = kKindDeleted;
                purge = true;
            } else {
                ++notes;
            }
        } else if (e.Kind == kKindDeleted) {
            purge = true;
        }
    }
    // Without anything to drop or a negative time (which it reports), the
    // purge would change nothing.
    if (purge || !ordered) {
        PurgeDeleted();
        ordered = std::all_of(events_.begin(), events_.end(), [](const CMidiEvent& e) { return e.DeltaTime >= 0; });
    }

    auto noteOff = [](const CMidiEvent& note) {
        CMidiEvent off;
        off.Kind = kKindNoteOff;
        off.Note = note.Note;
        off.Channel = note.Channel;
        off.Velocity = 64;
        return off;
    };

    // Where the first End of Track stands once the note-offs are in (none:
    // kNoEnd).
    constexpr std::size_t kNoEnd = std::numeric_limits<std::size_t>::max();
    std::size_t eot = kNoEnd;
    if (ordered) {
        // Times never fall, so every note-off goes before the first event
        // at or after the note's end; note-offs meeting at one place come in
        // time order, and for equal times the later note first. A note ends
        // after it starts, so the note-offs due before an event are those
        // of earlier notes: a heap of the sounding notes gives them in order.
        struct Off {
            std::int64_t end;
            std::size_t note;  // index of the note
            std::int32_t number;
            std::int32_t channel;
            // The heap's top is the note-off due first.
            bool operator<(const Off& o) const { return end != o.end ? end > o.end : note < o.note; }
        };
        std::vector<Off> sounding;
        std::vector<CMidiEvent> merged;
        merged.reserve(events_.size() + notes);
        std::int64_t last = 0;
        auto putOff = [&] {
            std::pop_heap(sounding.begin(), sounding.end());
            const Off& o = sounding.back();
            CMidiEvent& off = merged.emplace_back(ClampTick(o.end - last));
            off.Kind = kKindNoteOff;
            off.Note = static_cast<std::int16_t>(o.number);
            off.Channel = static_cast<std::int16_t>(o.channel);
            off.Velocity = 64;
            last = o.end;
            sounding.pop_back();
        };
        std::int64_t now = 0;
        const std::size_t n = events_.size();
        for (std::size_t i = 0; i < n; ++i) {
            now += events_[i].DeltaTime;
            while (!sounding.empty() && sounding.front().end <= now) putOff();
            CMidiEvent& e = merged.emplace_back(std::move(events_[i]));
            e.DeltaTime = ClampTick(now - last);
            last = now;
            if (e.Kind == kKindNote) {
                sounding.push_back({now + e.Duration, i, e.Note, e.Channel});
                std::push_heap(sounding.begin(), sounding.end());
                e.Kind = kKindNoteOn;
                e.Duration = 0;
            } else if (eot == kNoEnd && e.IsEndOfTrack()) {
                eot = merged.size() - 1;
            }
        }
        while (!sounding.empty()) putOff();
        events_ = std::move(merged);
    } else {
        // Negative delta times: place each note-off by walking the track.
        std::int64_t t = 0;
        for (std::size_t i = 0; i < events_.size(); ++i) {
            t += events_[i].DeltaTime;
            if (events_[i].Kind != kKindNote) continue;
            const std::int64_t end = t + events_[i].Duration;
            CMidiEvent off = noteOff(events_[i]);
            events_[i].Kind = kKindNoteOn;
            events_[i].Duration = 0;
            std::int64_t before = t;
            std::size_t j = i + 1;
            for (; j < events_.size(); ++j) {
                const std::int64_t tj = before + events_[j].DeltaTime;
                if (tj >= end) break;
                before = tj;
            }
            off.DeltaTime = ClampTick(end - before);
            if (j < events_.size()) events_[j].DeltaTime = ClampTick(events_[j].DeltaTime - off.DeltaTime);
            events_.insert(events_.begin() + static_cast<std::ptrdiff_t>(j), std::move(off));
        }
        eot = static_cast<std::size_t>(
            std::find_if(events_.begin(), events_.end(), [](const CMidiEvent& e) { return e.IsEndOfTrack(); }) -
            events_.begin());
    }

    // The first End of Track goes to the end, after the last note-off.
    if (eot != kNoEnd && eot + 1 < events_.size()) {
        const auto at = events_.begin() + static_cast<std::ptrdiff_t>(eot);
        (at + 1)->DeltaTime = ClampTick(std::int64_t{(at + 1)->DeltaTime} + at->DeltaTime);
        at->DeltaTime = 0;
        std::rotate(at, at + 1, events_.end());
    }
    State = TrackMessages;
    NoteOffsFirst();
}

bool CMidiTrack::InsertAtTime(std::int64_t time, CMidiEvent event, std::int32_t mode)
{
    if (events_.empty()) {
        event.DeltaTime = ClampTick(std::max<std::int64_t>(time, 0));
        return AppendEvent(std::move(event));
    }
    if (EventCount() >= MaxEvents()) {
        Error(mdtk::kTooManyEvents);
        return false;
    }
    const std::int32_t last = EventCount() - 1;
    if (time == -1) {
        event.DeltaTime = Event(last).DeltaTime;
        Event(last).DeltaTime = 0;
        events_.insert(events_.begin() + last, std::move(event));
        return true;
    }
    std::int64_t before = 0;  // absolute time of the event before the candidate
    for (std::int32_t j = 0; j < last; ++j) {
        const std::int64_t tj = before + Event(j).DeltaTime;
        if (tj >= time) {
            event.DeltaTime = ClampTick(time - before);
            Event(j).DeltaTime = ClampTick(tj - time);
            events_.insert(events_.begin() + j, std::move(event));
            if (mode == 1) {
                // Behind the other events of the instant, but not past an End of Track.
                std::int32_t k = j;
                while (k + 1 < EventCount() && Event(k + 1).DeltaTime == 0 && !Event(k + 1).IsEndOfTrack()) {
                    SwapEvents(k, k + 1);
                    ++k;
                }
            }
            return true;
        }
        before = tj;
    }
    const std::int64_t delta = time - before;
    if (event.IsEndOfTrack()) {
        if (Event(last).IsEndOfTrack()) {
            if (delta < 0) Error(mdtk::kBadPerformance);
            Event(last).DeltaTime = ClampTick(std::max<std::int64_t>(delta, 0));
            return true;
        }
        const std::int64_t afterLast = time - (before + Event(last).DeltaTime);
        if (afterLast < 0) Error(mdtk::kBadPerformance);
        event.DeltaTime = ClampTick(std::max<std::int64_t>(afterLast, 0));
        events_.push_back(std::move(event));
        return true;
    }
    event.DeltaTime = ClampTick(delta);
    Event(last).DeltaTime = ClampTick(std::max<std::int64_t>(Event(last).DeltaTime - delta, 0));
    events_.insert(events_.begin() + last, std::move(event));
    return true;
}

void CMidiTrack::ControlsFirst()
{
    if (!RequireState(TrackMessages)) return;
    PartitionInstants(events_, [](const CMidiEvent& e) {
        return e.Kind != kKindNoteOff && e.Kind != kKindNoteOn && !e.IsEndOfTrack();
    });
}

void CMidiTrack::SysExFirst()
{
    PartitionInstants(events_, [](const CMidiEvent& e) { return e.IsSysEx(); });
}

void CMidiTrack::NoteOffsFirst()
{
    if (!RequireState(TrackMessages)) return;
    // The note events of an instant keep their slots among the other
    // events; within those slots the note-offs come before the note-ons.
    std::vector<std::size_t> slots;
    std::vector<CMidiEvent> notes;
    const std::size_t n = events_.size();
    std::size_t start = 0;
    bool onSeen = false;
    for (std::size_t i = 0; i < n; ++i) {
        // One pass looks for a note-off behind a note-on of its instant;
        // only such an instant is rearranged.
        const CMidiEvent& e = events_[i];
        if (e.DeltaTime != 0) {
            start = i;
            onSeen = false;
        }
        if (e.Kind == kKindNoteOn) {
            onSeen = true;
            continue;
        }
        if (e.Kind != kKindNoteOff || !onSeen) continue;
        std::size_t end = i + 1;
        while (end < n && events_[end].DeltaTime == 0) ++end;
        slots.clear();
        notes.clear();
        for (std::size_t k = start; k < end; ++k) {
            if (events_[k].Kind == kKindNoteOn || events_[k].Kind == kKindNoteOff) {
                slots.push_back(k);
                notes.push_back(std::move(events_[k]));
            }
        }
        std::stable_partition(notes.begin(), notes.end(), [](const CMidiEvent& note) { return note.Kind == kKindNoteOff; });
        for (std::size_t k = 0; k < slots.size(); ++k) {
            const std::int32_t delta = events_[slots[k]].DeltaTime;
            events_[slots[k]] = std::move(notes[k]);
            events_[slots[k]].DeltaTime = delta;
        }
        // The instant is done; the next one starts at end.
        i = end - 1;
    }
}

void CMidiTrack::MoveToFront(std::int32_t kind, std::int32_t number, std::string_view text)
{
    PartitionInstants(events_, [&](const CMidiEvent& e) {
        if (e.Kind != kind) return false;
        if (kind == kKindMeta && number != -1 && e.Number != number) return false;
        if (text.empty()) return true;
        const auto n = std::min(e.Data.size(), static_cast<std::size_t>(std::max(e.DataLength, 0)));
        return std::string_view(reinterpret_cast<const char*>(e.Data.data()), n).find(text) != std::string_view::npos;
    });
}

}  // namespace songloom::midi
