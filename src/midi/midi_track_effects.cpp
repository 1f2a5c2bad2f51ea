// Effects the arrangement engine applies to the TrackNotes tracks of its
// format 1 output: pitch-bend range settings, expression swells, delayed
// vibrato, pitch glides, and pitch bends turned into notes. They report
// with the format 1 track tag.
#include <algorithm>
#include <cstdlib>

#include "midi/midi_track.h"

namespace songloom::midi {

namespace {

constexpr std::int32_t kRpnHigh = 101;
constexpr std::int32_t kRpnLow = 100;
constexpr std::int32_t kNrpnHigh = 99;
constexpr std::int32_t kNrpnLow = 98;
constexpr std::int32_t kDataEntry = 6;
constexpr std::int32_t kModulation = 1;
constexpr std::int32_t kExpression = 11;
constexpr std::int32_t kBendCentre = 8192;

CMidiEvent Control(std::int32_t delta, std::int32_t channel, std::int32_t controller, std::int32_t value)
{
    CMidiEvent e(delta);
    e.SetControlChange(channel, controller, std::clamp(value, 0, 127));
    return e;
}

CMidiEvent Bend(std::int32_t delta, std::int32_t channel, std::int32_t value)
{
    CMidiEvent e(delta);
    e.Kind = kKindPitchBend;
    e.Channel = channel;
    e.SetPitchBend(std::clamp(value, 0, 16383));
    const std::uint8_t bytes[] = {static_cast<std::uint8_t>(0xE0 | (channel & 0x0F)), static_cast<std::uint8_t>(e.Note),
                                  static_cast<std::uint8_t>(e.Value)};
    e.SetData(bytes);
    return e;
}

bool IsControl(const CMidiEvent& e, std::int32_t controller) { return e.Kind == kKindControl && e.Number == controller; }

// Velocity after k semitones of bending: 9/10 per semitone, but never below
// half of the original (then the original stays).
std::int32_t DecayedVelocity(std::int32_t velocity, std::int32_t semitones)
{
    std::int32_t v = velocity;
    for (std::int32_t k = 0; k < std::min(std::abs(semitones), 128); ++k) v = v * 9 / 10;
    return v < velocity / 2 ? velocity : v;
}

}  // namespace

void CMidiTrack::RemoveBendRangeSettings()
{
    std::int32_t high = -1;
    std::int32_t low = -1;
    for (auto& e : events_) {
        if (e.Kind != kKindControl) continue;
        if (e.Number == kRpnHigh) {
            high = e.Value;
        } else if (e.Number == kRpnLow) {
            low = e.Value;
        } else if (e.Number == kNrpnHigh || e.Number == kNrpnLow) {
            high = low = -1;
        } else if (e.Number == kDataEntry && high == 0 && low == 0) {
            e.Kind = kKindDeleted;
        }
    }
    PurgeDeleted();
}

void CMidiTrack::AddBendRange(std::int32_t semitones)
{
    const std::int32_t channel = FirstChannel();
    if (channel == kNoChannel) {
        Format1Error(mdtk::kNoChannel);
        return;
    }
    InsertAtTime(0, Control(0, channel, kRpnHigh, 0), 1);
    InsertAtTime(0, Control(0, channel, kRpnLow, 0), 1);
    InsertAtTime(0, Control(0, channel, kDataEntry, semitones), 1);
}

void CMidiTrack::AddExpressionSwell(std::int32_t length, std::int32_t steps)
{
    if (steps <= 0 || length < 0) {
        Format1Error(mdtk::kAddFault);
        return;
    }
    if (length % steps != 0) Format1Error(mdtk::kAddFault);
    const std::int32_t step = length / steps;
    std::vector<CMidiEvent> out;
    out.reserve(events_.size());
    for (std::size_t i = 0; i < events_.size(); ++i) {
        out.push_back(std::move(events_[i]));
        const CMidiEvent& note = out.back();
        if (note.Kind != kKindNote || note.Duration <= length || i + 1 >= events_.size() ||
            events_[i + 1].DeltaTime <= length) {
            continue;
        }
        const std::int32_t channel = note.Channel;
        for (std::int32_t k = 0; k < steps; ++k) {
            out.push_back(Control(k == 0 ? 0 : step, channel, kExpression, 127 - 8 * (steps - 1) + 8 * k));
        }
        events_[i + 1].DeltaTime -= (steps - 1) * step;
    }
    events_ = std::move(out);
}

void CMidiTrack::AddDelayedVibrato(std::int32_t delay)
{
    std::vector<CMidiEvent> out;
    out.reserve(events_.size() * 2);
    for (std::size_t i = 0; i < events_.size(); ++i) {
        CMidiEvent e = std::move(events_[i]);
        if (e.Kind != kKindNote) {
            out.push_back(std::move(e));
            continue;
        }
        out.push_back(Control(e.DeltaTime, e.Channel, kModulation, 0));
        e.DeltaTime = 0;
        const bool deep = e.Duration > delay && i + 1 < events_.size() && events_[i + 1].DeltaTime > delay;
        const std::int32_t channel = e.Channel;
        out.push_back(std::move(e));
        if (deep) {
            out.push_back(Control(delay, channel, kModulation, 127));
            events_[i + 1].DeltaTime -= delay;
        }
    }
    if (out.size() > static_cast<std::size_t>(MaxEvents())) {
        Error(mdtk::kTooManyEvents);
        out.resize(static_cast<std::size_t>(MaxEvents()));
    }
    events_ = std::move(out);
}

void CMidiTrack::AddPitchGlide(std::int32_t length, std::int32_t steps, std::int32_t range)
{
    if (State != TrackNotes) {
        Format1Error(mdtk::kInternal);
        return;
    }
    if (steps <= 0 || range <= 0 || length < 0 || length % steps != 0) {
        Format1Error(mdtk::kProcessFault);
        return;
    }
    const std::int32_t step = length / steps;
    // Every note starts from the centre.
    std::vector<CMidiEvent> centred;
    centred.reserve(events_.size() * 2);
    for (auto& e : events_) {
        if (e.Kind == kKindNote) {
            centred.push_back(Bend(e.DeltaTime, e.Channel, kBendCentre));
            e.DeltaTime = 0;
        }
        centred.push_back(std::move(e));
    }
    // The next note's number for each place (-1 when only the end follows).
    std::vector<std::int32_t> nextNote(centred.size(), -1);
    for (std::size_t k = centred.size(); k-- > 1;) {
        nextNote[k - 1] = centred[k].Kind == kKindNote ? centred[k].Note : nextNote[k];
    }
    std::vector<CMidiEvent> out;
    out.reserve(centred.size() + 64);
    for (std::size_t i = 0; i < centred.size(); ++i) {
        out.push_back(std::move(centred[i]));
        const CMidiEvent& note = out.back();
        if (note.Kind != kKindNote || note.Duration <= length || i + 1 >= centred.size() ||
            centred[i + 1].DeltaTime <= length) {
            continue;
        }
        const std::int32_t target = nextNote[i] >= 0 ? nextNote[i] : note.Note - range;
        if (target == note.Note) continue;
        const std::int32_t d = std::clamp(target - note.Note, -range, range);
        const std::int32_t increment = (8191 / range * d) / steps;
        const std::int32_t channel = note.Channel;
        const std::int32_t gap = centred[i + 1].DeltaTime;
        for (std::int32_t k = 0; k < steps; ++k) {
            out.push_back(Bend(k == 0 ? gap - length : step, channel, kBendCentre + k * increment));
        }
        centred[i + 1].DeltaTime = step;
    }
    events_ = std::move(out);
    // Back to the centre at the end.
    const std::int32_t first = FirstChannel();
    if (first != kNoChannel && !events_.empty() && events_.back().IsEndOfTrack()) {
        InsertAtTime(-1, Bend(0, first, kBendCentre), 2);
    }
    if (EventCount() > MaxEvents()) {
        Error(mdtk::kTooManyEvents);
        events_.resize(static_cast<std::size_t>(MaxEvents()));
    }
}

std::int32_t CMidiTrack::GetBendRange()
{
    std::int32_t range = 12;
    int found = 0;
    for (std::size_t i = 0; i + 2 < events_.size(); ++i) {
        const auto& a = events_[i];
        const auto& b = events_[i + 1];
        const auto& c = events_[i + 2];
        if (IsControl(a, kRpnHigh) && a.Value == 0 && IsControl(b, kRpnLow) && b.Value == 0 && IsControl(c, kDataEntry)) {
            range = c.Value;
            ++found;
        }
    }
    if (found > 1) ReportFormat1TrackWarning(*reporter_, format1Warnings_, m1tk::kManyBendRanges);
    return range;
}

void CMidiTrack::BendsToNotes(std::int32_t range)
{
    if (range <= 0) {
        Format1Error(mdtk::kProcessFault);
        return;
    }
    const std::int32_t step = std::max(8191 / range, 1);
    auto semitones = [&](const CMidiEvent& bend) { return (bend.GetPitchBend() - kBendCentre) / step; };
    // (1) Bends that do not change the semitone, and modulation, go.
    std::int32_t previous = INT32_MIN;
    for (auto& e : events_) {
        if (e.Kind == kKindPitchBend) {
            const std::int32_t offset = semitones(e);
            if (offset == previous) e.Kind = kKindDeleted;
            previous = offset;
        } else if (IsControl(e, kModulation)) {
            e.Kind = kKindDeleted;
        }
    }
    PurgeDeleted();
    // (2) Each note sounds at the bent pitch; a bend inside a note starts a
    // new note for the rest of it.
    auto pitch = [&](std::int32_t note) {
        if (note > 127) {
            Format1Error(0x03000014);
            return 127;
        }
        return std::max(note, 0);
    };
    std::int64_t now = 0;
    std::int32_t offset = 0;
    std::int64_t sounding = -1;  // index of the note (or piece) that sounds
    std::int64_t start = 0;
    std::int64_t end = 0;
    std::int32_t originalNote = 0;
    std::int32_t originalVelocity = 0;
    std::int32_t channel = 0;
    for (std::size_t i = 0; i < events_.size(); ++i) {
        CMidiEvent& e = events_[i];
        now += e.DeltaTime;
        if (e.Kind == kKindNote) {
            originalNote = e.Note;
            originalVelocity = e.Velocity;
            channel = e.Channel;
            e.Note = pitch(originalNote + offset);
            e.Velocity = DecayedVelocity(originalVelocity, e.Note - originalNote);
            sounding = static_cast<std::int64_t>(i);
            start = now;
            end = now + e.Duration;
        } else if (e.Kind == kKindPitchBend) {
            offset = semitones(e);
            if (sounding < 0 || now >= end) continue;
            CMidiEvent& before = events_[static_cast<std::size_t>(sounding)];
            before.Duration = ClampTick(now - start);
            if (before.Duration < 1) Format1Error(mdtk::kBadPerformance2);
            e.Kind = kKindNote;
            e.Channel = channel;
            e.Note = pitch(originalNote + offset);
            e.Velocity = DecayedVelocity(originalVelocity, e.Note - originalNote);
            e.Duration = ClampTick(end - now);
            e.Value = 0;
            e.Data.assign(1, 0x10);
            e.DataLength = 1;
            sounding = static_cast<std::int64_t>(i);
            start = now;
        }
    }
    // (3) What is left of the bends, and notes cut to nothing, go.
    for (auto& e : events_) {
        if (e.Kind == kKindPitchBend || (e.Kind == kKindNote && e.Duration == 0)) e.Kind = kKindDeleted;
    }
    PurgeDeleted();
}

}  // namespace songloom::midi
