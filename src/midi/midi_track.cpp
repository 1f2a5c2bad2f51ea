#include "midi/midi_track.h"

#include <algorithm>
#include <chrono>
#include <limits>
#include <thread>

namespace songloom::midi {

namespace {

CMidiEvent SysExEvent(std::initializer_list<std::uint8_t> bytes)
{
    CMidiEvent e;
    e.Kind = kKindSysEx;
    e.SetData(std::span(bytes.begin(), bytes.size()));
    ClassifySysEx(e);
    return e;
}

}  // namespace

CMidiTrack::CMidiTrack(Reporter& reporter, std::uint32_t capacity) : CMidiBuffer(reporter, capacity) {}

CMidiTrack::CMidiTrack(const CMidiTrack& source, std::uint32_t capacity) : CMidiBuffer(source.reporter(), capacity)
{
    if (source.State != TrackNotes) {
        Error(mdtk::kInternal);
        return;
    }
    events_ = source.events_;
    State = TrackNotes;
    YieldPause = source.YieldPause;
}

CMidiTrack::CMidiTrack(CMidiTrack&& source, std::uint32_t capacity) : CMidiBuffer(source.reporter(), capacity)
{
    if (source.State != TrackNotes) {
        Error(mdtk::kInternal);
        return;
    }
    events_ = std::move(source.events_);
    source.events_.clear();
    State = TrackNotes;
    YieldPause = source.YieldPause;
}

bool CMidiTrack::RequireState(std::int32_t state)
{
    if (State == state) return true;
    Error(mdtk::kInternal);
    return false;
}

void CMidiTrack::Sleep() const { std::this_thread::sleep_for(std::chrono::milliseconds(YieldPause)); }

std::vector<std::int64_t> CMidiTrack::AbsoluteTimes() const
{
    std::vector<std::int64_t> times(events_.size());
    std::int64_t t = 0;
    for (std::size_t i = 0; i < events_.size(); ++i) {
        t += events_[i].DeltaTime;
        times[i] = t;
    }
    return times;
}

bool CMidiTrack::RefuseEvent()
{
    Error(mdtk::kTooManyEvents);
    return false;
}

bool CMidiTrack::InsertEvent(std::int32_t index, std::int32_t mode, CMidiEvent event)
{
    if (EventCount() >= MaxEvents()) {
        Error(mdtk::kTooManyEvents);
        return false;
    }
    std::int64_t at = mode == 2 ? index : static_cast<std::int64_t>(index) + 1;
    at = std::clamp<std::int64_t>(at, 0, EventCount());
    events_.insert(events_.begin() + at, std::move(event));
    return true;
}

void CMidiTrack::DeleteEvent(std::int32_t index)
{
    if (index < 0 || index >= EventCount()) return;
    const auto i = static_cast<std::size_t>(index);
    if (i + 1 < events_.size()) {
        events_[i + 1].DeltaTime = ClampTick(std::int64_t{events_[i + 1].DeltaTime} + events_[i].DeltaTime);
    }
    events_.erase(events_.begin() + index);
}

void CMidiTrack::PurgeDeleted()
{
    std::int64_t carry = 0;
    bool negative = false;
    // Up to the first deleted event nothing moves.
    const std::size_t n = events_.size();
    std::size_t first = 0;
    while (first < n && events_[first].Kind != kKindDeleted) {
        negative = negative || events_[first].DeltaTime < 0;
        ++first;
    }
    std::size_t out = first;
    for (std::size_t i = first; i < n; ++i) {
        if (events_[i].Kind == kKindDeleted) {
            carry += events_[i].DeltaTime;
            continue;
        }
        if (carry != 0) {
            events_[i].DeltaTime = ClampTick(events_[i].DeltaTime + carry);
            carry = 0;
        }
        if (events_[i].DeltaTime < 0) negative = true;
        if (out != i) events_[out] = std::move(events_[i]);
        ++out;
    }
    events_.resize(out);
    if (negative) Error(mdtk::kInternal);
}

void CMidiTrack::SwapEvents(std::int32_t i, std::int32_t j)
{
    if (i < 0 || j < 0 || i >= EventCount() || j >= EventCount() || i == j) return;
    auto& a = events_[static_cast<std::size_t>(i)];
    auto& b = events_[static_cast<std::size_t>(j)];
    std::swap(a, b);
    std::swap(a.DeltaTime, b.DeltaTime);
}

bool CMidiTrack::AddNote(std::int32_t channel, std::int32_t deltaTime, std::int32_t note, std::int32_t velocity,
                         std::int32_t duration)
{
    CMidiEvent e(deltaTime);
    e.Kind = kKindNote;
    e.Channel = channel;
    e.Note = note;
    e.Velocity = velocity;
    e.Duration = duration;
    e.SetShortData(0x10, 0, 0, 1);
    return AppendEvent(std::move(e));
}

bool CMidiTrack::AddProgramChange(std::int32_t channel, std::int32_t program)
{
    CMidiEvent e;
    e.Kind = kKindProgram;
    e.Channel = channel;
    e.Value = program;
    e.SetShortData(static_cast<std::uint8_t>(0xC0 | (channel & 0x0F)), static_cast<std::uint8_t>(program & 0x7F), 0, 2);
    return AppendEvent(std::move(e));
}

bool CMidiTrack::AddControlChange(std::int32_t channel, std::int32_t controller, std::int32_t value)
{
    CMidiEvent e;
    e.SetControlChange(channel, controller, value);
    return AppendEvent(std::move(e));
}

void CMidiTrack::AddBankAndProgram(std::int32_t channel, std::int32_t bankMsb, std::int32_t bankLsb,
                                   std::int32_t program)
{
    AddControlChange(channel, 0, bankMsb);
    AddControlChange(channel, 32, bankLsb);
    AddProgramChange(channel, program);
}

void CMidiTrack::AddBankAndProgram(std::int32_t channel, std::int32_t bankMsb, std::int32_t program)
{
    AddControlChange(channel, 0, bankMsb);
    AddProgramChange(channel, program);
}

bool CMidiTrack::AddEndOfTrack(std::int32_t deltaTime)
{
    if (!events_.empty() && events_.back().IsEndOfTrack()) return false;
    CMidiEvent e(deltaTime);
    e.Kind = kKindMeta;
    e.Number = kMetaEndOfTrack;
    return AppendEvent(std::move(e));
}

bool CMidiTrack::AddTempo(std::int32_t microsecondsPerQuarter)
{
    CMidiEvent e;
    e.SetTempo(microsecondsPerQuarter);
    return AppendEvent(std::move(e));
}

bool CMidiTrack::AddTimeSignature(std::int32_t deltaTime, std::int32_t numerator, std::int32_t denominatorPower)
{
    CMidiEvent e(deltaTime);
    e.Kind = kKindMeta;
    e.Number = kMetaTimeSignature;
    const std::uint8_t data[] = {static_cast<std::uint8_t>(numerator), static_cast<std::uint8_t>(denominatorPower),
                                 0x12, 0x08};
    e.SetData(data);
    // The same value a parsed time signature gets, so a track built here
    // answers GetTimeSignature like one read from a file.
    if (numerator > 0 && denominatorPower >= 0 && denominatorPower < 8) {
        e.Value = numerator * 256 + (1 << denominatorPower);
    }
    return AppendEvent(std::move(e));
}

bool CMidiTrack::AddGmSystemOn() { return AppendEvent(SysExEvent({0xF0, 0x05, 0x7E, 0x7F, 0x09, 0x01, 0xF7})); }

bool CMidiTrack::AddGsReset()
{
    return AppendEvent(SysExEvent({0xF0, 0x0A, 0x41, 0x10, 0x42, 0x12, 0x40, 0x00, 0x7F, 0x00, 0x41, 0xF7}));
}

bool CMidiTrack::AddXgSystemOn()
{
    return AppendEvent(SysExEvent({0xF0, 0x08, 0x43, 0x10, 0x4C, 0x00, 0x00, 0x7E, 0x00, 0xF7}));
}

bool CMidiTrack::AddMetaEvent(std::int32_t deltaTime, std::int32_t type, std::span<const std::uint8_t> bytes)
{
    if (bytes.size() >= 128) Error(mdtk::kMetaTooLong);
    CMidiEvent e(deltaTime);
    e.Kind = kKindMeta;
    e.Number = type;
    e.SetData(bytes);
    // The writer takes a tempo from Value, so keep Value and the bytes in step.
    if (type == kMetaTempo && bytes.size() >= 3) e.Value = (bytes[0] << 16) | (bytes[1] << 8) | bytes[2];
    if (type == kMetaTimeSignature && bytes.size() >= 2 && bytes[0] > 0 && bytes[1] < 8) {
        e.Value = bytes[0] * 256 + (1 << bytes[1]);
    }
    return AppendEvent(std::move(e));
}

bool CMidiTrack::AddMarker(std::int32_t deltaTime, std::string_view text)
{
    return AddMetaEvent(deltaTime, kMetaMarker,
                        std::span(reinterpret_cast<const std::uint8_t*>(text.data()), text.size()));
}

bool CMidiTrack::InsertMasterVolume(std::int32_t volume)
{
    if (volume > 127 || volume < 0) {
        Error(mdtk::kInternal);
        volume = std::clamp(volume, 0, 127);
    }
    CMidiEvent e;
    e.SetMasterVolume(volume);
    return InsertEvent(0, 2, std::move(e));
}

bool CMidiTrack::InsertTextMeta(std::int32_t type, std::string_view text)
{
    CMidiEvent e;
    e.Kind = kKindMeta;
    e.Number = type;
    if (text.empty()) {
        const std::uint8_t zero[] = {0};
        e.SetData(zero);
    } else {
        e.SetData(std::span(reinterpret_cast<const std::uint8_t*>(text.data()), text.size()));
    }
    return InsertAtTime(0, std::move(e), 1);
}

bool CMidiTrack::RemoveControlChange(std::int32_t controller)
{
    for (std::int32_t i = 0; i < EventCount(); ++i) {
        if (Event(i).Kind == kKindControl && Event(i).Number == controller) {
            DeleteEvent(i);
            return true;
        }
    }
    return false;
}

void CMidiTrack::RemovePitchBends()
{
    for (auto& e : events_) {
        if (e.Kind == kKindPitchBend && e.Channel >= 0 && e.Channel <= 15) e.Kind = kKindDeleted;
    }
    PurgeDeleted();
}

bool CMidiTrack::RemoveMetaEvents(std::int32_t type, bool all)
{
    bool any = false;
    for (auto& e : events_) {
        if (e.IsMeta(type)) {
            e.Kind = kKindDeleted;
            any = true;
            if (!all) break;
        }
    }
    if (any) PurgeDeleted();
    return any;
}

bool CMidiTrack::FindMetaText(std::int32_t type, std::string& out) const
{
    out.clear();
    for (const auto& e : events_) {
        if (e.IsMeta(type)) {
            const auto n = std::min(e.Data.size(), static_cast<std::size_t>(std::max(e.DataLength, 0)));
            out.assign(e.Data.begin(), e.Data.begin() + static_cast<std::ptrdiff_t>(n));
            // The stored text ends at its first zero, as the terminator does.
            out.resize(std::min(out.size(), out.find('\0')));
            return true;
        }
    }
    return false;
}

bool CMidiTrack::GetTimeSignature(std::int32_t& out) const
{
    for (const auto& e : events_) {
        if (e.IsMeta(kMetaTimeSignature)) {
            out = e.Value;
            return true;
        }
    }
    return false;
}

std::int32_t CMidiTrack::GetMasterVolume()
{
    std::int32_t volume = -1;
    int found = 0;
    for (const auto& e : events_) {
        if (e.Kind == kKindSysEx && e.Number == kSysExMasterVolume) {
            volume = e.Value;
            ++found;
        }
    }
    if (found > 1) Warn(mdtk::kManyMasterVolumes);
    return volume;
}

std::int32_t CMidiTrack::GetProgram(std::int32_t channel) const
{
    std::int32_t program = -1;
    for (const auto& e : events_) {
        if (e.Kind == kKindProgram && e.Channel == channel) program = e.Value;
    }
    if (program >= 0) return program;
    for (const auto& e : events_) {
        // XG multi-part program: F0 08 43 10 4C 08 part 03 program F7.
        if (e.Kind == kKindSysEx && e.DataLength >= 10 && e.Data.size() >= 10 && e.Data[2] == 0x43 &&
            e.Data[3] == 0x10 && e.Data[4] == 0x4C && e.Data[5] == 0x08 && e.Data[6] == channel && e.Data[7] == 0x03) {
            program = e.Data[8];
        }
    }
    return program;
}

bool CMidiTrack::IsAbovePianoGroup(std::int32_t channel) const
{
    const std::int32_t program = GetProgram(channel);
    return program > 15 || program == -1;
}

std::int32_t CMidiTrack::FirstNoteIndex()
{
    if (!RequireState(TrackNotes)) return -1;
    for (std::int32_t i = 0; i < EventCount(); ++i) {
        if (Event(i).Kind == kKindNote) return i;
    }
    return EventCount();
}

std::int32_t CMidiTrack::FirstChannel() const
{
    for (const auto& e : events_) {
        if (e.Channel != kNoChannel && !e.IsSysEx() && e.Kind != kKindMeta) return e.Channel;
    }
    return kNoChannel;
}

Tick CMidiTrack::EndTime()
{
    if (!RequireState(TrackNotes)) return -1;
    std::int64_t t = 0;
    std::int64_t end = 0;
    for (const auto& e : events_) {
        t += e.DeltaTime;
        end = std::max(end, t);
        if (e.Kind == kKindNote) end = std::max(end, t + e.Duration);
    }
    return ClampTick(end);
}

Tick CMidiTrack::TotalTicks() const
{
    if (State == TrackNotes) {
        // Measured with the note-offs in place, so the last note's end counts.
        CMidiTrack split(*this);
        split.SplitNotes();
        return split.TotalTicks();
    }
    std::int64_t t = 0;
    for (const auto& e : events_) t += e.DeltaTime;
    return ClampTick(t);
}

}  // namespace songloom::midi
