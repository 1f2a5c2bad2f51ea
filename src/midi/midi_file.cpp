#include "midi/midi_file.h"

#include <algorithm>
#include <array>
#include <type_traits>
#include <chrono>
#include <cstring>
#include <thread>

#include "common/general.h"
#include "common/messages.h"

namespace songloom::midi {

namespace {

constexpr std::size_t kHeaderSize = 14;
constexpr std::size_t kMacBinarySize = 128;

std::int32_t ReadBigEndian16(const std::vector<std::uint8_t>& b, std::size_t at) { return (b[at] << 8) | b[at + 1]; }

bool HasMThd(const std::vector<std::uint8_t>& b, std::size_t at)
{
    return b.size() >= at + kHeaderSize && std::memcmp(b.data() + at, "MThd", 4) == 0;
}

// A 128-byte MacBinary header in front of the file is removed.
void RemoveMacBinary(std::vector<std::uint8_t>& b)
{
    if (!HasMThd(b, 0) && HasMThd(b, kMacBinarySize)) {
        b.erase(b.begin(), b.begin() + static_cast<std::ptrdiff_t>(kMacBinarySize));
    }
}

std::vector<std::uint8_t> Header(std::int32_t format, std::int32_t tracks, std::int32_t division)
{
    return {'M', 'T', 'h', 'd', 0, 0, 0, 6, 0, static_cast<std::uint8_t>(format),
            static_cast<std::uint8_t>(tracks >> 8), static_cast<std::uint8_t>(tracks),
            static_cast<std::uint8_t>(division >> 8), static_cast<std::uint8_t>(division)};
}

// A track read from a file always ends with exactly one End of Track, so it
// can be written again: an End of Track in the middle is dropped (its time
// passes on) and a missing one is added.
void RepairEndOfTrack(CMidiTrack& track)
{
    for (std::int32_t i = 0; i + 1 < track.EventCount(); ++i) {
        if (track.Event(i).IsEndOfTrack()) track.Event(i).Kind = kKindDeleted;
    }
    track.PurgeDeleted();
    track.AddEndOfTrack(0);
}

// A division the player cannot use is turned into one it can. An SMPTE
// division (frames per second and ticks per frame) becomes ticks per
// quarter note at a fixed tempo that gives the same real time; the file's
// own tempo events would otherwise change its speed and are removed.
void RepairDivision(Reporter& reporter, std::int32_t& division, std::span<CMidiTrack> tracks)
{
    if (division > 0 && division < 0x8000) return;
    ReportFormat1Error(reporter, m1dt::kSmpteDivision);
    const std::int32_t fps = division >= 0x8000 ? 256 - ((division >> 8) & 0xFF) : 0;
    const std::int32_t ticksPerFrame = division & 0xFF;
    if ((fps == 24 || fps == 25 || fps == 29 || fps == 30) && ticksPerFrame > 0) {
        // 29 stands for 29.97 frames per second: 30 frames a slightly longer second.
        division = (fps == 29 ? 30 : fps) * ticksPerFrame;
        CMidiEvent tempo;
        tempo.SetTempo(fps == 29 ? 1001001 : 1000000);
        for (auto& track : tracks) track.RemoveMetaEvents(kMetaTempo, true);
        if (!tracks.empty()) tracks[0].InsertEvent(0, 2, std::move(tempo));
    } else {
        division = kDefaultDivision;
    }
}

}  // namespace

// ---------------------------------------------------------------- format 0

CMidiFile0::CMidiFile0(Reporter& reporter, std::uint32_t capacity)
    : CMidiBuffer(reporter, capacity), Track(reporter, capacity)
{
    Track.State = TrackNotes;
}

CMidiFile0::CMidiFile0(Reporter& reporter, const std::string& path, std::uint32_t capacity)
    : CMidiFile0(reporter, capacity)
{
    ReportFormat0Warning(reporter, warnings_, 0);
    if (!ReadFile(path)) return;
    LoadImage(true);
}

CMidiFile0::CMidiFile0(Reporter& reporter, std::span<const std::uint8_t> image, std::uint32_t capacity)
    : CMidiFile0(reporter, capacity)
{
    ReportFormat0Warning(reporter, warnings_, 0);
    if (!TakeImage(image)) return;
    LoadImage(true);
}

CMidiFile0::CMidiFile0(const CMidiFile0& other)
    : CMidiBuffer(other.reporter(), std::max(kStandardCapacity, other.Capacity)),
      Division(other.Division),
      State(other.State),
      TimeSignature(other.TimeSignature),
      Track(other.Track, std::max(kStandardCapacity, other.Track.Capacity)),
      loaded_(other.loaded_)
{
}

bool CMidiFile0::CheckHeader(bool loud)
{
    RemoveMacBinary(Bytes);
    auto fail = [&](std::uint32_t code) {
        if (loud) ReportFormat0Error(*reporter_, code);
        return false;
    };
    if (!HasMThd(Bytes, 0)) return fail(m0dt::kNotMidi);
    if (ReadBigEndian16(Bytes, 8) != 0) return fail(m0dt::kNotFormat0);
    if (ReadBigEndian16(Bytes, 10) != 1) return fail(m0dt::kTrackCount);
    Division = ReadBigEndian16(Bytes, 12);
    Cursor = static_cast<std::int32_t>(kHeaderSize);
    return true;
}

void CMidiFile0::LoadImage(bool allowOtherFormat)
{
    if (CheckHeader(false)) {
        // Read and paired in one pass: the note-offs of a large file are
        // never held.
        Track = CMidiTrack(*reporter_, kStandardCapacity);
        std::int32_t closed = 0;
        Cursor += static_cast<std::int32_t>(Track.ParseNotesChunk(Bytes, static_cast<std::size_t>(Cursor), 0, closed));
        if (closed > 0) ReportTrackWarning(*reporter_, warnings_, mdtk::kOpenNotesClosed);
        State = 2;
        RepairDivision(*reporter_, Division, std::span(&Track, 1));
        loaded_ = true;
        return;
    }
    State = 2;
    Track = CMidiTrack(*reporter_, Capacity);
    Track.State = TrackNotes;
    if (!allowOtherFormat) return;
    CMidiFile1 other(*reporter_, Capacity);
    // The image is handed over, not copied: a large file is in memory once.
    other.Bytes = std::move(Bytes);
    other.LoadImage(false, false);
    if (other.Loaded() && other.State == 2) {
        other.ToFormat0(*this, true);
        loaded_ = true;
    }
    Bytes = std::move(other.Bytes);
}

void CMidiFile0::ParseTrack()
{
    if (State != 0) {
        ReportFormat0Error(*reporter_, m0dt::kInternal);
        return;
    }
    Track = CMidiTrack(*reporter_, kStandardCapacity);
    const std::size_t used = Track.ParseChunk(Bytes, static_cast<std::size_t>(Cursor), 0);
    Cursor += static_cast<std::int32_t>(used);
    if (Track.State != TrackMessages) Track.State = TrackMessages;
    RepairEndOfTrack(Track);
    State = 1;
}

void CMidiFile0::PairNotes()
{
    if (State != 1) {
        ReportFormat0Error(*reporter_, m0dt::kInternal);
        return;
    }
    if (Track.PairNotes(CMidiTrack::NotePairing::kKeepEveryNote) > 0) {
        ReportTrackWarning(*reporter_, warnings_, mdtk::kOpenNotesClosed);
    }
    State = 2;
}

void CMidiFile0::SplitNotes()
{
    if (State != 2) {
        ReportFormat0Error(*reporter_, m0dt::kInternal);
        return;
    }
    Track.SplitNotes();
    State = 1;
}

void CMidiFile0::Serialize()
{
    if (State != 1) ReportFormat0Error(*reporter_, m0dt::kInternal);
    Bytes = Header(0, 1, Division);
    Track.ControlsFirst();
    Track.SysExFirst();
    Track.NoteOffsFirst();
    if (Track.WriteChunk("MTrk")) Bytes.insert(Bytes.end(), Track.Bytes.begin(), Track.Bytes.end());
    Track = CMidiTrack(*reporter_, Capacity);
    Cursor = static_cast<std::int32_t>(kHeaderSize);
    State = 0;
}

bool CMidiFile0::Save(const std::string& path)
{
    switch (State) {
    case 2: {
        SplitNotes();
        const bool ok = Save(path);
        PairNotes();
        return ok;
    }
    case 1: {
        Serialize();
        const bool ok = WriteFile(path);
        ParseTrack();
        return ok;
    }
    case 0:
        return WriteFile(path);
    default:
        ReportFormat0Error(*reporter_, m0dt::kInternal);
        return false;
    }
}

bool CMidiFile0::SaveImage(const std::string& path)
{
    if (State == 2) SplitNotes();
    if (State == 1) Serialize();
    return WriteFile(path);
}

bool CMidiFile0::SetResolution(std::int32_t newDivision)
{
    const bool zero = Track.ChangeResolution(Division, newDivision, false);
    Division = newDivision;
    return zero;
}

std::int32_t CMidiFile0::BarLength() const
{
    std::int32_t signature = TimeSignature;
    if (signature == 0 && !Track.GetTimeSignature(signature)) signature = 0;
    const std::int32_t numerator = signature >> 8;
    const std::int32_t denominator = signature & 0xFF;
    if (numerator == 0 || denominator == 0 || Division <= 0) return 384;
    // Multiplied before dividing so that eighth-note metres keep their length.
    return static_cast<std::int32_t>(std::int64_t{4} * numerator * Division / denominator);
}

Tick CMidiFile0::TrimLeadingTime()
{
    if (State != 2) {
        ReportFormat0Error(*reporter_, m0dt::kInternal);
        return 0;
    }
    const std::int32_t first = Track.FirstNoteIndex();
    if (first < 0 || first >= Track.EventCount()) return 0;
    std::int64_t start = 0;
    for (std::int32_t i = 0; i <= first; ++i) start += Track.Event(i).DeltaTime;
    const std::int32_t bar = BarLength();
    std::int64_t remaining = bar > 0 ? start / bar * bar : 0;
    const Tick trimmed = ClampTick(remaining);
    for (std::int32_t i = 0; i <= first && remaining > 0; ++i) {
        const std::int64_t d = std::min<std::int64_t>(Track.Event(i).DeltaTime, remaining);
        Track.Event(i).DeltaTime -= static_cast<std::int32_t>(d);
        remaining -= d;
    }
    return trimmed;
}

// ---------------------------------------------------------------- format 1

CMidiFile1::CMidiFile1(Reporter& reporter, std::uint32_t capacity) : CMidiBuffer(reporter, capacity) {}

CMidiFile1::CMidiFile1(Reporter& reporter, const std::string& path, std::uint32_t capacity)
    : CMidiBuffer(reporter, capacity)
{
    ReportFormat1Warning(reporter, warnings_, 0);
    State = 0;
    if (!ReadFile(path)) return;
    LoadImage(false, true);
}

CMidiFile1::CMidiFile1(Reporter& reporter, std::span<const std::uint8_t> image, bool showRepair,
                       std::uint32_t capacity)
    : CMidiBuffer(reporter, capacity)
{
    ReportFormat1Warning(reporter, warnings_, 0);
    State = 0;
    if (!TakeImage(image)) return;
    LoadImage(showRepair, true);
}

CMidiFile1::CMidiFile1(const CMidiFile0& source, std::uint32_t capacity) : CMidiBuffer(source.reporter(), capacity)
{
    ReportFormat1Warning(*reporter_, warnings_, 0);
    SplitFrom(source);
}

CMidiFile1::CMidiFile1(Reporter& reporter, std::span<const CMidiTrack* const> tracks, std::int32_t division,
                       std::uint32_t capacity)
    : CMidiBuffer(reporter, capacity), Division(division)
{
    ReportFormat1Warning(reporter, warnings_, 0);
    for (const CMidiTrack* track : tracks) {
        if (track != nullptr && static_cast<std::int32_t>(Tracks.size()) < kMaxFormat1Tracks) {
            Tracks.emplace_back(*track, capacity / 2);
        }
    }
    State = 2;
}

CMidiFile1::CMidiFile1(Reporter& reporter, std::span<CMidiTrack* const> tracks, std::int32_t division, TakeTracks,
                       std::uint32_t capacity)
    : CMidiBuffer(reporter, capacity), Division(division)
{
    ReportFormat1Warning(reporter, warnings_, 0);
    Tracks.reserve(std::min<std::size_t>(tracks.size(), kMaxFormat1Tracks));
    for (CMidiTrack* track : tracks) {
        if (track != nullptr && static_cast<std::int32_t>(Tracks.size()) < kMaxFormat1Tracks) {
            Tracks.emplace_back(std::move(*track), capacity / 2);
        }
    }
    State = 2;
}

void CMidiFile1::Sleep() const
{
    if (Pause != 0) std::this_thread::sleep_for(std::chrono::milliseconds(Pause));
}

void CMidiFile1::LoadImage(bool showRepair, bool allowOtherFormat)
{
    Tracks.clear();
    State = 0;
    RemoveMacBinary(Bytes);
    bool ok = true;
    if (!HasMThd(Bytes, 0)) {
        ReportFormat1Error(*reporter_, m1dt::kNotMidi);
        ok = false;
    } else {
        const std::int32_t format = ReadBigEndian16(Bytes, 8);
        if (format != 1) {
            ReportFormat1Error(*reporter_, m1dt::kNotFormat1);
            // Format 2 (independent sequences) has no reader of its own: its
            // tracks are read as those of a format 1 file rather than lost.
            // So are the tracks of a format 0 file that declares more than one.
            ok = format == 2 || (format == 0 && ReadBigEndian16(Bytes, 10) != 1);
        }
    }
    if (ok) {
        declaredTracks_ = ReadBigEndian16(Bytes, 10);
        if (declaredTracks_ >= kMaxFormat1Tracks) {
            ReportFormat1Error(*reporter_, m1dt::kTrackCount);
            declaredTracks_ = kFallbackTrackCount;
        }
        Division = ReadBigEndian16(Bytes, 12);
        Cursor = static_cast<std::int32_t>(kHeaderSize);
        // Each track is paired as soon as it is read, so that a large file
        // never holds all its note-offs at once.
        ParseTracks(true);
        loaded_ = true;
    } else if (allowOtherFormat && HasMThd(Bytes, 0)) {
        CMidiFile0 other(*reporter_, kStandardCapacity);
        other.MakeRoomFor(Bytes.size());
        other.Bytes = std::move(Bytes);
        other.LoadImage(false);
        Bytes = std::move(other.Bytes);
        if (!other.Loaded()) return;
        SplitFrom(std::move(other));
        loaded_ = true;
    } else {
        return;
    }
    RepairDivision(*reporter_, Division, Tracks);
    RepairMasterVolume(showRepair);
}

void CMidiFile1::RepairMasterVolume(bool showRepair)
{
    if (Tracks.empty()) return;
    int holding = 0;
    for (const auto& track : Tracks) {
        if (std::any_of(track.Events().begin(), track.Events().end(), [](const CMidiEvent& e) {
                return e.Kind == kKindSysEx && e.Number == kSysExMasterVolume;
            })) {
            ++holding;
        }
    }
    if (holding > 1) ReportFormat1Error(*reporter_, m1dt::kManyMasterVolumes);
    if (holding > 0) return;
    if (showRepair) ReportFormat1Error(*reporter_, m1dt::kMasterVolumeAdded);
    auto target = std::find_if(Tracks.begin(), Tracks.end(), [](const CMidiTrack& track) {
        return std::any_of(track.Events().begin(), track.Events().end(),
                           [](const CMidiEvent& e) { return e.IsChannelEvent() && e.Channel >= 0 && e.Channel <= 15; });
    });
    if (target == Tracks.end()) target = Tracks.begin();
    target->InsertMasterVolume(127);
}

void CMidiFile1::ParseTracks() { ParseTracks(false); }

void CMidiFile1::ParseTracks(bool pair)
{
    if (State != 0) {
        ReportFormat1Error(*reporter_, m1dt::kInternal);
        return;
    }
    Tracks.clear();
    std::int32_t closed = 0;
    const auto size = Bytes.size();
    while (static_cast<std::int32_t>(Tracks.size()) < declaredTracks_) {
        const auto at = static_cast<std::size_t>(Cursor);
        if (at + 8 > size) break;
        if (std::memcmp(Bytes.data() + at, "MTrk", 4) != 0 && std::memcmp(Bytes.data() + at, "XFKM", 4) != 0) {
            // A chunk of another kind is stepped over by its length.
            CMidiTrack alien(*reporter_, Capacity / 2);
            const std::size_t skipped = alien.ParseChunk(Bytes, at, Pause);
            Cursor += static_cast<std::int32_t>(std::max<std::size_t>(skipped, 8));
            continue;
        }
        CMidiTrack track(*reporter_, Capacity / 2);
        if (pair) {
            // Read and paired in one pass: the note-offs are never held.
            std::int32_t ended = 0;
            Cursor += static_cast<std::int32_t>(track.ParseNotesChunk(Bytes, at, Pause, ended));
            closed += ended;
            Sleep();
        } else {
            Cursor += static_cast<std::int32_t>(track.ParseChunk(Bytes, at, Pause));
            track.State = TrackMessages;
            RepairEndOfTrack(track);
        }
        Tracks.push_back(std::move(track));
    }
    if (static_cast<std::int32_t>(Tracks.size()) < declaredTracks_) {
        ReportFormat1Error(*reporter_, 0);
        declaredTracks_ = static_cast<std::int32_t>(Tracks.size());
        Bytes.resize(std::min<std::size_t>(Bytes.size(), static_cast<std::size_t>(Cursor)));
    }
    State = 1;
    if (pair) {
        if (closed > 0) ReportTrackWarning(*reporter_, warnings_, mdtk::kOpenNotesClosed);
        State = 2;
    }
}

void CMidiFile1::PairNotes()
{
    if (State != 1) {
        ReportFormat1Error(*reporter_, m1dt::kInternal);
        return;
    }
    std::int32_t closed = 0;
    for (auto& track : Tracks) {
        Sleep();
        closed += track.PairNotes(CMidiTrack::NotePairing::kKeepEveryNote);
    }
    if (closed > 0) ReportTrackWarning(*reporter_, warnings_, mdtk::kOpenNotesClosed);
    State = 2;
}

void CMidiFile1::SplitNotes()
{
    if (State != 2) {
        ReportFormat1Error(*reporter_, m1dt::kInternal);
        return;
    }
    for (auto& track : Tracks) {
        Sleep();
        track.SplitNotes();
    }
    State = 1;
}

void CMidiFile1::Serialize()
{
    if (State != 1) {
        ReportFormat1Error(*reporter_, m1dt::kInternal);
        return;
    }
    WriteTracks(false);
}

void CMidiFile1::WriteTracks(bool split)
{
    Bytes = Header(1, TrackCount(), Division);
    std::int32_t written = 0;
    for (auto& track : Tracks) {
        bool chunk = false;
        if (split) {
            Sleep();
            chunk = track.WriteNotesChunk("MTrk");
            if (!chunk) {
                track.SplitNotes();
                chunk = track.WriteChunk("MTrk");
            }
        } else {
            chunk = track.WriteChunk("MTrk");
        }
        // A written track is done with: its memory goes back before the
        // next one is written.
        track.TakeEvents();
        if (!chunk) continue;
        if (Bytes.size() + track.Bytes.size() >= Capacity) {
            ReportFormat1Error(*reporter_, m1dt::kTooLarge);
            break;
        }
        Bytes.insert(Bytes.end(), track.Bytes.begin(), track.Bytes.end());
        track.ReleaseImage();
        ++written;
    }
    // The header counts the chunks that were really written.
    Bytes[10] = static_cast<std::uint8_t>(written >> 8);
    Bytes[11] = static_cast<std::uint8_t>(written);
    declaredTracks_ = written;
    Tracks.clear();
    Cursor = static_cast<std::int32_t>(kHeaderSize);
    State = 0;
}

bool CMidiFile1::Save(const std::string& path)
{
    switch (State) {
    case 2: {
        SplitNotes();
        const bool ok = Save(path);
        PairNotes();
        return ok;
    }
    case 1: {
        Serialize();
        const bool ok = WriteFile(path);
        ParseTracks();
        return ok;
    }
    case 0:
        return WriteFile(path);
    default:
        ReportFormat1Error(*reporter_, m1dt::kInternal);
        return false;
    }
}

void CMidiFile1::SplitAndSerialize()
{
    if (State != 2) {
        ReportFormat1Error(*reporter_, m1dt::kInternal);
        return;
    }
    WriteTracks(true);
}

bool CMidiFile1::SaveImage(const std::string& path)
{
    if (State == 2) {
        SplitAndSerialize();
    } else if (State == 1) {
        Serialize();
    }
    if (State != 0) return false;
    return WriteFile(path);
}

void CMidiFile1::ToFormat0(CMidiFile0& target) { ToFormat0(target, false); }

void CMidiFile1::ToFormat0(CMidiFile0& target, bool take)
{
    if (State != 2) {
        ReportFormat1Error(*reporter_, m1dt::kInternal);
        return;
    }
    target.Division = Division;
    std::vector<CMidiTrack*> sources;
    sources.reserve(Tracks.size());
    std::size_t events = 0;
    for (auto& track : Tracks) {
        sources.push_back(&track);
        events += track.Events().size();
    }
    // The merged track holds every event of a large file.
    if (events > static_cast<std::size_t>(target.Track.MaxEvents())) {
        target.Track.Capacity = std::max(target.Track.Capacity, kMaxMidiFileSize);
        target.Capacity = std::max(target.Capacity, kMaxMidiFileSize);
    }
    if (sources.empty()) {
        target.Track = CMidiTrack(*reporter_, target.Capacity);
        target.Track.State = TrackNotes;
        target.Track.AddEndOfTrack(0);
    } else if (take) {
        target.Track.MergeTracksTaking(sources);
    } else {
        target.Track.MergeTracks(std::vector<const CMidiTrack*>(sources.begin(), sources.end()));
    }
    target.State = 2;
}

std::size_t SplitTrackOf(const CMidiEvent& e)
{
    if (e.Kind == kKindMeta) return 0;
    if (e.Channel >= 0 && e.Channel <= 15) return static_cast<std::size_t>(e.Channel) + 1;
    return 1;
}

namespace {

// Deals the events of a TrackNotes track out to tracks by SplitTrackOf;
// wanted(t) tells which tracks are kept. Each track keeps the absolute
// time of its last event, and every kept track ends with an End of Track at
// the source's end. Events is a const or a movable event vector.
template <typename Events, typename Wanted>
void DealByChannel(Events&& events, std::span<CMidiTrack> tracks, Wanted wanted)
{
    // Each track is given its room at once.
    std::array<std::size_t, kSplitTrackCount> room{};
    for (const auto& e : events) ++room[SplitTrackOf(e)];
    for (std::size_t t = 0; t < tracks.size(); ++t) {
        if (wanted(t)) tracks[t].Reserve(room[t] + 1);
    }
    std::array<std::int64_t, kSplitTrackCount> lastTime{};
    std::int64_t now = 0;
    for (auto& e : events) {
        now += e.DeltaTime;
        if (e.IsEndOfTrack()) continue;
        const std::size_t target = SplitTrackOf(e);
        if (!wanted(target)) continue;
        const Tick delta = ClampTick(now - lastTime[target]);
        lastTime[target] = now;
        if constexpr (std::is_const_v<std::remove_reference_t<Events>>) {
            CMidiEvent copy = e;
            copy.DeltaTime = delta;
            tracks[target].AppendEvent(std::move(copy));
        } else {
            e.DeltaTime = delta;
            tracks[target].AppendEvent(std::move(e));
        }
    }
    for (std::size_t t = 0; t < tracks.size(); ++t) {
        if (wanted(t)) tracks[t].AddEndOfTrack(ClampTick(now - lastTime[t]));
    }
}

}  // namespace

CMidiTrack ChannelTrack(const CMidiTrack& source, std::int32_t channel)
{
    std::vector<CMidiTrack> tracks;
    const std::size_t wanted = static_cast<std::size_t>(channel) + 1;
    for (std::size_t t = 0; t <= wanted; ++t) {
        tracks.emplace_back(source.reporter(), std::max(kStandardCapacity / 2, source.Capacity));
        tracks.back().State = TrackNotes;
    }
    if (source.State != TrackNotes || channel < 0 || channel > 15) return std::move(tracks.back());
    DealByChannel(source.Events(), tracks, [wanted](std::size_t t) { return t == wanted; });
    return std::move(tracks.back());
}

void CMidiFile1::SplitFrom(const CMidiFile0& source)
{
    if (!StartSplit(source)) return;
    DealByChannel(source.Track.Events(), Tracks, [](std::size_t) { return true; });
}

void CMidiFile1::SplitFrom(CMidiFile0&& source)
{
    if (!StartSplit(source)) return;
    DealByChannel(source.Track.TakeEvents(), Tracks, [](std::size_t) { return true; });
}

bool CMidiFile1::StartSplit(const CMidiFile0& source)
{
    Tracks.clear();
    if (source.State != 2) {
        ReportFormat1Error(*reporter_, m1dt::kInternal);
        return false;
    }
    Division = source.Division;
    // A track may take all the events of a large source.
    const std::uint32_t trackCapacity = std::max(Capacity / 2, source.Track.Capacity);
    for (std::int32_t i = 0; i < kSplitTrackCount; ++i) {
        Tracks.emplace_back(*reporter_, trackCapacity);
        Tracks.back().State = TrackNotes;
    }
    declaredTracks_ = kSplitTrackCount;
    State = 2;
    return true;
}

std::size_t ConvertToFormat0(Reporter& reporter, std::vector<std::uint8_t>& image, std::uint32_t capacity)
{
    CMidiFile0 result(reporter, capacity);
    {
        CMidiFile1 source(reporter, image, true, capacity);
        source.ToFormat0(result);
    }
    result.SplitNotes();
    result.Serialize();
    image = result.Bytes;
    return image.size();
}

}  // namespace songloom::midi
