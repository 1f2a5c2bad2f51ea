// Editing operations on whole tracks: transposition, velocity, resolution,
// quantisation, overlaps, monophony, legato, merging and pitch-bend thinning.
#include <algorithm>
#include <array>
#include <queue>
#include <type_traits>

#include "midi/midi_track.h"

namespace songloom::midi {

void CMidiTrack::TransposeNotes(std::int32_t channel, std::int32_t semitones)
{
    for (auto& e : events_) {
        if (e.Kind != kKindNote || e.Velocity <= 0 || (channel != -1 && e.Channel != channel)) continue;
        std::int64_t note = std::int64_t{e.Note} + semitones;
        // Folded back by whole octaves into 0..127.
        if (note < 0) note += 12 * ((-note + 11) / 12);
        if (note > 127) note -= 12 * ((note - 127 + 11) / 12);
        e.Note = static_cast<std::int32_t>(note);
    }
}

void CMidiTrack::OffsetVelocity(std::int32_t amount)
{
    if (!RequireState(TrackNotes)) return;
    for (auto& e : events_) {
        if (e.Kind == kKindNote) e.Velocity = static_cast<std::int32_t>(std::clamp<std::int64_t>(std::int64_t{e.Velocity} + amount, 0, 127));
    }
}

bool CMidiTrack::ChangeResolution(std::int32_t oldDivision, std::int32_t newDivision, bool deleteZero)
{
    if (!RequireState(TrackNotes)) return false;
    if (oldDivision == newDivision) return false;
    if (oldDivision <= 0 || newDivision <= 0) {
        Error(mdtk::kInternal);
        return false;
    }
    // Each event's new time is its old absolute time scaled, so rounding
    // never adds up over the track, whatever the ratio of the divisions (a
    // carry of the delta remainders drifts late when the ratio is not whole,
    // 1024 -> 96 for instance).
    std::int64_t oldTime = 0;
    std::int64_t newTime = 0;
    bool zero = false;
    for (auto& e : events_) {
        oldTime += e.DeltaTime;
        const std::int64_t scaled = oldTime * newDivision / oldDivision;
        e.DeltaTime = ClampTick(scaled - newTime);
        newTime = scaled;
        if (e.Kind == kKindNote) {
            e.Duration = ClampTick(std::int64_t{e.Duration} * newDivision / oldDivision);
            if (e.Duration == 0) {
                zero = true;
                if (deleteZero) {
                    e.Kind = kKindDeleted;
                } else {
                    e.Duration = 1;
                }
            }
        }
    }
    PurgeDeleted();
    return zero;
}

void CMidiTrack::Quantize(std::int32_t divisionsPerQuarter, std::int32_t division)
{
    if (divisionsPerQuarter <= 0 || division / divisionsPerQuarter <= 0) {
        Error(mdtk::kInternal);
        return;
    }
    const std::int64_t grid = division / divisionsPerQuarter;
    const std::int64_t half = division / (2 * divisionsPerQuarter);
    std::int64_t carry = 0;
    for (auto& e : events_) {
        const std::int64_t a = carry + e.DeltaTime;
        if (a < 0) {
            e.DeltaTime = 0;
            carry = a;
            continue;
        }
        const std::int64_t r = a % grid;
        if (r == 0) {
            e.DeltaTime = ClampTick(a);
            carry = 0;
        } else if (r > half) {
            e.DeltaTime = ClampTick(a - r + grid);
            carry = r - grid;
        } else {
            e.DeltaTime = ClampTick(a - r);
            carry = r;
        }
    }
    FixOverlaps(1);
}

bool CMidiTrack::FixOverlaps(std::int32_t mode)
{
    if (State == TrackMessages) {
        PairNotes();
        FixOverlaps(mode);
        SplitNotes();
        return false;
    }
    if (!RequireState(TrackNotes)) return false;
    SplitNotes();
    std::array<bool, 16 * 128> sounding{};
    auto slot = [&](const CMidiEvent& e) -> bool* {
        if (e.Channel < 0 || e.Channel > 15 || e.Note < 0 || e.Note > 127) return nullptr;
        return &sounding[static_cast<std::size_t>(e.Channel * 128 + e.Note)];
    };
    bool changed = false;
    std::vector<CMidiEvent> out;
    out.reserve(events_.size() + 16);
    for (auto& e : events_) {
        bool* flag = slot(e);
        const bool on = e.Kind == kKindNoteOn && e.Velocity > 0;
        const bool off = e.Kind == kKindNoteOff || (e.Kind == kKindNoteOn && e.Velocity == 0);
        if (flag != nullptr && on) {
            if (*flag) {
                changed = true;
                if (mode == 1) {
                    // End the sounding note just before it starts again.
                    CMidiEvent end;
                    end.Kind = kKindNoteOff;
                    end.Channel = e.Channel;
                    end.Note = e.Note;
                    end.Velocity = 64;
                    end.DeltaTime = e.DeltaTime;
                    e.DeltaTime = 0;
                    out.push_back(std::move(end));
                } else {
                    e.Kind = kKindDeleted;
                }
            }
            *flag = true;
        } else if (flag != nullptr && off) {
            if (!*flag) {
                e.Kind = kKindDeleted;
                changed = true;
            }
            *flag = false;
        }
        out.push_back(std::move(e));
    }
    if (out.size() > static_cast<std::size_t>(MaxEvents())) {
        Error(mdtk::kTooManyEvents);
        out.resize(static_cast<std::size_t>(MaxEvents()));
    }
    events_ = std::move(out);
    PurgeDeleted();
    PairNotes();
    return changed;
}

void CMidiTrack::MakeMonophonic()
{
    if (!RequireState(TrackNotes)) return;
    // (1) Of the notes starting together only the highest stay (at most 64
    // notes of an instant are compared).
    std::size_t start = 0;
    std::vector<std::size_t> group;
    while (start < events_.size()) {
        std::size_t end = start + 1;
        while (end < events_.size() && events_[end].DeltaTime == 0) ++end;
        group.clear();
        for (std::size_t i = start; i < end && group.size() < 64; ++i) {
            if (events_[i].Kind == kKindNote) group.push_back(i);
        }
        if (group.size() >= 2) {
            std::int32_t highest = INT32_MIN;
            for (auto i : group) highest = std::max<std::int32_t>(highest, events_[i].Note);
            for (auto i : group) {
                if (events_[i].Note < highest) events_[i].Kind = kKindDeleted;
            }
        }
        start = end;
    }
    PurgeDeleted();
    // (3) Each note ends no later than the next note starts.
    const std::vector<std::int64_t> times = AbsoluteTimes();
    const std::int64_t trackEnd = times.empty() ? 0 : times.back();
    std::int64_t nextNote = -1;
    for (std::size_t k = events_.size(); k-- > 0;) {
        CMidiEvent& e = events_[k];
        if (e.Kind != kKindNote) continue;
        std::int64_t gap = 0;
        if (k + 1 < events_.size()) gap = (nextNote >= 0 ? nextNote : trackEnd) - times[k];
        nextNote = times[k];
        if (gap == 0 && e.Duration > 0) {
            e.Kind = kKindDeleted;
        } else if (e.Duration > gap) {
            e.Duration = ClampTick(gap);
        }
    }
    PurgeDeleted();
}

void CMidiTrack::MakeLegato(std::int32_t maximum)
{
    if (State != TrackNotes) {
        ReportFormat1TrackError(*reporter_, mdtk::kInternal);
        return;
    }
    // Each note lasts until the next note that starts later (or the End of
    // Track), at most maximum. Notes of one chord keep sounding together.
    const std::vector<std::int64_t> times = AbsoluteTimes();
    std::int64_t instant = -1;    // start of the latest instant seen (walking back)
    std::int64_t nextStart = -1;  // start of the instant after it
    std::int64_t endOfTrack = -1;
    for (std::size_t k = events_.size(); k-- > 0;) {
        CMidiEvent& e = events_[k];
        if (e.IsEndOfTrack()) {
            endOfTrack = times[k];
            continue;
        }
        if (e.Kind != kKindNote) continue;
        if (instant < 0 || times[k] < instant) {
            nextStart = instant;
            instant = times[k];
        }
        std::int64_t target = -1;
        if (nextStart > times[k]) {
            target = nextStart;
        } else if (endOfTrack > times[k]) {
            target = endOfTrack;
        }
        if (target >= 0) e.Duration = ClampTick(std::min<std::int64_t>(target - times[k], maximum));
    }
}

void CMidiTrack::MergeTracks(std::span<const CMidiTrack* const> sources) { Merge(sources); }

void CMidiTrack::MergeTracksTaking(std::span<CMidiTrack* const> sources) { Merge(sources); }

// Source is CMidiTrack (the events are moved out) or const CMidiTrack.
template <typename Source>
void CMidiTrack::Merge(std::span<Source* const> sources)
{
    constexpr bool take = !std::is_const_v<Source>;
    if (sources.empty()) {
        Error(mdtk::kTrackFault);
        return;
    }
    events_.clear();
    // A merge by absolute time; events of one instant come in source order.
    struct Cursor {
        std::int64_t time;
        std::size_t source;
        std::size_t index;
        bool operator>(const Cursor& o) const { return time != o.time ? time > o.time : source > o.source; }
    };
    std::priority_queue<Cursor, std::vector<Cursor>, std::greater<>> heads;
    const std::size_t count = std::min<std::size_t>(sources.size(), 256);
    for (std::size_t s = 0; s < count; ++s) {
        const Source* src = sources[s];
        if (src == nullptr) continue;
        if (src->State != TrackNotes) {
            Error(mdtk::kInternal);
            continue;
        }
        if (!src->events_.empty()) heads.push({src->events_[0].DeltaTime, s, 0});
    }
    std::size_t total = 0;
    for (std::size_t s = 0; s < count; ++s) {
        if (sources[s] != nullptr) total += sources[s]->events_.size();
    }
    // Reserved room that is not written yet costs no memory, so the merged
    // track grows while sources that are taken from shrink.
    events_.reserve(std::min(total, static_cast<std::size_t>(MaxEvents())) + 1);
    // Taking: events are moved, and every kReleaseAt events merged from a
    // source its merged part is given back (the rest is copied to a block
    // of its own), so that a large file is not in memory twice; first[s] is
    // the index of the event that now stands first in source s.
    std::vector<std::size_t> first(count, 0);
    constexpr std::size_t kReleaseAt = 1 << 15;
    std::int64_t last = 0;
    while (!heads.empty()) {
        Cursor c = heads.top();
        heads.pop();
        auto& srcEvents = sources[c.source]->events_;
        const std::size_t at = c.index - first[c.source];
        bool appended = false;
        if constexpr (take) {
            appended = AppendEvent(std::move(srcEvents[at]));
        } else {
            appended = AppendEvent(srcEvents[at]);
        }
        if (!appended) break;
        events_.back().DeltaTime = ClampTick(c.time - last);
        last = c.time;
        if (at + 1 < srcEvents.size()) {
            heads.push({c.time + srcEvents[at + 1].DeltaTime, c.source, c.index + 1});
        }
        if constexpr (take) {
            if (at + 1 >= kReleaseAt && srcEvents.size() > 2 * kReleaseAt) {
                srcEvents.erase(srcEvents.begin(), srcEvents.begin() + static_cast<std::ptrdiff_t>(at + 1));
                srcEvents.shrink_to_fit();
                first[c.source] = c.index + 1;
            }
        }
    }
    if constexpr (take) {
        for (std::size_t s = 0; s < count; ++s) {
            if (sources[s] != nullptr) sources[s]->events_ = {};
        }
    }
    for (std::size_t i = 0; i + 1 < events_.size(); ++i) {
        if (events_[i].IsEndOfTrack()) events_[i].Kind = kKindDeleted;
    }
    PurgeDeleted();
    if (events_.empty() || !events_.back().IsEndOfTrack()) {
        if (EventCount() >= MaxEvents()) events_.pop_back();
        AddEndOfTrack(0);
    }
    State = TrackNotes;
}

void CMidiTrack::ThinPitchBends()
{
    if (State == TrackNotes) {
        SplitNotes();
        ThinPitchBends();
        PairNotes();
        return;
    }
    if (State != TrackMessages) {
        ReportFormat1TrackError(*reporter_, mdtk::kInternal);
        return;
    }
    // A bend between two others is dropped while nothing sounds and no note
    // has started since: it only shapes a glide nobody hears.
    std::array<bool, 128> sounding{};
    int soundingCount = 0;
    bool noteOnSince = false;
    std::int64_t previous = -1;
    std::int64_t beforePrevious = -1;
    for (std::size_t i = 0; i < events_.size(); ++i) {
        CMidiEvent& e = events_[i];
        const bool inRange = e.Note >= 0 && e.Note < 128;
        if (e.Kind == kKindNoteOn && e.Velocity > 0) {
            noteOnSince = true;
            if (inRange && !sounding[static_cast<std::size_t>(e.Note)]) {
                sounding[static_cast<std::size_t>(e.Note)] = true;
                ++soundingCount;
            }
        } else if (e.Kind == kKindNoteOff || e.Kind == kKindNoteOn) {
            if (inRange && sounding[static_cast<std::size_t>(e.Note)]) {
                sounding[static_cast<std::size_t>(e.Note)] = false;
                --soundingCount;
            }
        } else if (e.Kind == kKindPitchBend) {
            if (!noteOnSince && soundingCount == 0 && previous >= 0 && beforePrevious >= 0) {
                const std::int32_t a = events_[static_cast<std::size_t>(beforePrevious)].GetPitchBend();
                const std::int32_t b = events_[static_cast<std::size_t>(previous)].GetPitchBend();
                const std::int32_t c = e.GetPitchBend();
                if ((a <= b && b <= c) || (a >= b && b >= c)) events_[static_cast<std::size_t>(previous)].Kind = kKindDeleted;
                previous = -1;
                beforePrevious = -1;
            } else {
                beforePrevious = previous;
                previous = static_cast<std::int64_t>(i);
            }
            noteOnSince = false;
        }
    }
    // A bend that repeats the last value of its channel changes nothing.
    std::array<std::int32_t, 16> lastBend;
    lastBend.fill(-1);
    for (auto& e : events_) {
        if (e.Kind != kKindPitchBend || e.Channel < 0 || e.Channel > 15) continue;
        auto& last = lastBend[static_cast<std::size_t>(e.Channel)];
        if (last == e.GetPitchBend()) {
            e.Kind = kKindDeleted;
        } else {
            last = e.GetPitchBend();
        }
    }
    PurgeDeleted();
}

bool CMidiTrack::RechannelPartEvent(CMidiEvent& event, std::int32_t from, std::int32_t to)
{
    if (event.Kind != kKindSysEx || event.Channel != from || event.Data.size() < 11 ||
        (event.Number != kSysExUseForRhythmPart && event.Number != kSysExPartParameter20) || to < 0 || to > 15) {
        return false;
    }
    const std::int32_t base = event.Number == kSysExUseForRhythmPart ? 0x10 : 0x40;
    event.Channel = to;
    event.Data[7] = static_cast<std::uint8_t>(ChannelToPartBlock(to, base));
    event.Data[10] = RolandChecksum(*reporter_, std::span(event.Data).subspan(6, 4));
    return true;
}

}  // namespace songloom::midi
