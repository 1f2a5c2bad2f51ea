#include "midi/midi_splice.h"

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

bool ParseRerollSpec(std::string_view text, RerollSpec& out)
{
    const auto colon = text.find(':');
    const std::string_view bars = text.substr(0, colon);
    const std::string_view part = colon == std::string_view::npos ? "all" : text.substr(colon + 1);
    const auto number = [](std::string_view digits, int& value) {
        const auto [end, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), value);
        return ec == std::errc() && end == digits.data() + digits.size() && value >= 1;
    };
    RerollSpec spec;
    const auto dash = bars.find('-');
    if (!number(bars.substr(0, dash), spec.firstBar)) return false;
    spec.lastBar = spec.firstBar;
    if (dash != std::string_view::npos && !number(bars.substr(dash + 1), spec.lastBar)) return false;
    spec.channels = ChannelsOfPart(part);
    if (spec.lastBar < spec.firstBar || spec.channels == 0) return false;
    out = spec;
    return true;
}

RerollStatus RerollFile(Reporter& reporter, const std::string& keptPath, const std::string& freshPath,
                        const RerollSpec& spec, const std::string& outPath)
{
    // The kept file keeps its format and its tracks; the fresh one is read
    // merged, and each kept track takes the fresh notes of its own channels.
    CMidiFile1 kept(reporter, keptPath);
    CMidiFile0 keptMerged(reporter, keptPath);
    CMidiFile0 fresh(reporter, freshPath);
    if (!kept.Loaded() || !keptMerged.Loaded() || !fresh.Loaded()) return RerollStatus::kUnreadable;
    const std::int64_t bar = keptMerged.BarLength();
    if (kept.Division != fresh.Division || bar != fresh.BarLength()) return RerollStatus::kMismatch;
    const Tick from = ClampTick((spec.firstBar - 1) * bar);
    const Tick to = ClampTick(std::int64_t{spec.lastBar} * bar);
    for (CMidiTrack& track : kept.Tracks) {
        std::uint16_t present = 0;
        for (const CMidiEvent& e : track.Events()) {
            if (e.Kind == kKindNote && e.Channel >= 0 && e.Channel < 16) {
                present = static_cast<std::uint16_t>(present | Bit(e.Channel));
            }
        }
        const auto channels = static_cast<std::uint16_t>(present & spec.channels);
        if (channels == 0) continue;
        CMidiTrack spliced(reporter);
        if (!SpliceNotes(track, fresh.Track, {from, to, channels}, spliced)) return RerollStatus::kUnreadable;
        track = std::move(spliced);
    }
    return kept.Save(outPath) ? RerollStatus::kDone : RerollStatus::kUnwritable;
}

}  // namespace songloom::midi
