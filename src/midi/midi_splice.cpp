#include "midi/midi_splice.h"

#include "common/general.h"
#include "midi/midi_file.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <optional>
#include <utility>
#include <vector>

namespace songloom::midi {
namespace {

struct TimedEvent {
    std::int64_t time;
    CMidiEvent event;
};

std::vector<TimedEvent> Timed(const CMidiTrack& track)
{
    std::vector<TimedEvent> out;
    out.reserve(track.Events().size());
    std::int64_t t = 0;
    for (const CMidiEvent& e : track.Events()) {
        t += e.DeltaTime;
        out.push_back({t, e});
    }
    return out;
}

struct PartName {
    std::string_view name;
    std::uint16_t channels;
};

constexpr std::uint16_t Bit(int channel) { return static_cast<std::uint16_t>(1u << channel); }

constexpr std::array<PartName, 10> kParts = {{
    {"melody", static_cast<std::uint16_t>(Bit(1) | Bit(10))},
    {"bass", Bit(2)},
    {"chords", Bit(3)},
    {"chords2", Bit(7)},
    {"line", Bit(4)},
    {"percussion", Bit(5)},
    {"double", Bit(6)},
    {"effects", Bit(8)},
    {"drums", Bit(9)},
    {"all", 0xFFFF},
}};

}  // namespace

bool SpliceNotes(const CMidiTrack& kept, const CMidiTrack& fresh, const SpliceRange& range, CMidiTrack& out)
{
    if (kept.State != TrackNotes || fresh.State != TrackNotes || range.to <= range.from || range.channels == 0) {
        return false;
    }
    std::vector<TimedEvent> events;
    std::int64_t end = 0;
    std::optional<CMidiEvent> endOfTrack;
    for (TimedEvent& t : Timed(kept)) {
        CMidiEvent& e = t.event;
        if (e.IsEndOfTrack()) {
            end = std::max(end, t.time);
            if (!endOfTrack) endOfTrack = e;
            continue;
        }
        if (e.Kind == kKindNote && range.Has(e.Channel)) {
            if (t.time >= range.from && t.time < range.to) continue;
            if (t.time < range.from && t.time + e.Duration > range.from) {
                e.Duration = static_cast<std::int32_t>(range.from - t.time);
            }
        }
        if (e.Kind == kKindNote) end = std::max(end, t.time + e.Duration);
        events.push_back(std::move(t));
    }
    for (TimedEvent& t : Timed(fresh)) {
        CMidiEvent& e = t.event;
        if (e.Kind != kKindNote || !range.Has(e.Channel) || t.time < range.from || t.time >= range.to) continue;
        e.Duration = static_cast<std::int32_t>(std::min<std::int64_t>(e.Duration, range.to - t.time));
        end = std::max(end, t.time + e.Duration);
        events.push_back(std::move(t));
    }
    // Kept events before fresh notes of the same instant, each in its order.
    std::stable_sort(events.begin(), events.end(),
                     [](const TimedEvent& a, const TimedEvent& b) { return a.time < b.time; });
    CMidiTrack result(kept);
    result.Clear();
    std::int64_t last = 0;
    for (TimedEvent& t : events) {
        t.event.DeltaTime = ClampTick(t.time - last);
        last = t.time;
        if (!result.AppendEvent(std::move(t.event))) return false;
    }
    CMidiEvent close = endOfTrack.value_or(CMidiEvent());
    if (!endOfTrack) {
        close.Kind = kKindMeta;
        close.Number = kMetaEndOfTrack;
    }
    close.DeltaTime = ClampTick(end - last);
    if (!result.AppendEvent(std::move(close))) return false;
    out = std::move(result);
    return true;
}

std::uint16_t ChannelsOfPart(std::string_view part)
{
    for (const PartName& p : kParts) {
        if (p.name == part) return p.channels;
    }
    int channel = -1;
    const auto [end, ec] = std::from_chars(part.data(), part.data() + part.size(), channel);
    if (ec != std::errc() || end != part.data() + part.size() || channel < 0 || channel > 15) return 0;
    return Bit(channel);
}

bool ParseRerollRange(std::string_view text, RerollRange& out)
{
    const auto colon = text.find(':');
    const std::string_view bars = text.substr(0, colon);
    const std::string_view part = colon == std::string_view::npos ? "all" : text.substr(colon + 1);
    const auto number = [](std::string_view digits, int& value) {
        const auto [end, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), value);
        return ec == std::errc() && end == digits.data() + digits.size() && value >= 1;
    };
    RerollRange range;
    const auto dash = bars.find('-');
    if (!number(bars.substr(0, dash), range.firstBar)) return false;
    range.lastBar = range.firstBar;
    if (dash != std::string_view::npos && !number(bars.substr(dash + 1), range.lastBar)) return false;
    range.channels = ChannelsOfPart(part);
    if (range.lastBar < range.firstBar || range.channels == 0) return false;
    out = range;
    return true;
}

namespace {

// Format 1 when the file's header says so; the reader of format 0 takes
// anything else.
bool IsFormat1(const std::string& path)
{
    std::vector<std::uint8_t> bytes;
    if (!ReadWholeFile(path, bytes, 64 * 1024 * 1024)) return false;
    return bytes.size() >= 10 && std::equal(bytes.begin(), bytes.begin() + 4, "MThd") && bytes[8] == 0 &&
           bytes[9] == 1;
}

// The notes of the range's channels in each track come from fresh.
bool SpliceTracks(std::vector<CMidiTrack*> tracks, const CMidiTrack& fresh, Tick from, Tick to,
                  std::uint16_t channels, Reporter& reporter)
{
    for (CMidiTrack* track : tracks) {
        std::uint16_t present = 0;
        for (const CMidiEvent& e : track->Events()) {
            if (e.Kind == kKindNote && e.Channel >= 0 && e.Channel < 16) {
                present = static_cast<std::uint16_t>(present | Bit(e.Channel));
            }
        }
        const auto ours = static_cast<std::uint16_t>(present & channels);
        if (ours == 0) continue;
        CMidiTrack spliced(reporter);
        if (!SpliceNotes(*track, fresh, {from, to, ours}, spliced)) return false;
        *track = std::move(spliced);
    }
    return true;
}

}  // namespace

RerollStatus RerollFile(Reporter& reporter, const std::string& keptPath, const std::string& freshPath,
                        const RerollRange& range, const std::string& outPath)
{
    // The kept file keeps its format and its tracks; the fresh one is read
    // merged, and each kept track takes the fresh notes of its own channels.
    CMidiFile0 keptMerged(reporter, keptPath);
    CMidiFile0 fresh(reporter, freshPath);
    if (!keptMerged.Loaded() || !fresh.Loaded()) return RerollStatus::kUnreadable;
    const std::int64_t bar = keptMerged.BarLength();
    if (keptMerged.Division != fresh.Division || bar != fresh.BarLength()) return RerollStatus::kMismatch;
    const Tick from = ClampTick((range.firstBar - 1) * bar);
    const Tick to = ClampTick(std::int64_t{range.lastBar} * bar);
    if (!IsFormat1(keptPath)) {
        if (!SpliceTracks({&keptMerged.Track}, fresh.Track, from, to, range.channels, reporter)) {
            return RerollStatus::kUnreadable;
        }
        return keptMerged.Save(outPath) ? RerollStatus::kDone : RerollStatus::kUnwritable;
    }
    CMidiFile1 kept(reporter, keptPath);
    if (!kept.Loaded()) return RerollStatus::kUnreadable;
    std::vector<CMidiTrack*> tracks;
    for (CMidiTrack& track : kept.Tracks) tracks.push_back(&track);
    if (!SpliceTracks(tracks, fresh.Track, from, to, range.channels, reporter)) return RerollStatus::kUnreadable;
    return kept.Save(outPath) ? RerollStatus::kDone : RerollStatus::kUnwritable;
}

}  // namespace songloom::midi
