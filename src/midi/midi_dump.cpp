#include "midi/midi_dump.h"

#include <cstdio>
#include <cstring>
#include <vector>

namespace songloom::midi {

const char* EventKindName(std::int32_t kind)
{
    switch (kind) {
    case kKindDeleted: return "deleted";
    case kKindNote: return "note";
    case kKindNoteOff: return "note-off";
    case kKindNoteOn: return "note-on";
    case kKindPolyPressure: return "poly-pressure";
    case kKindControl: return "control";
    case kKindProgram: return "program";
    case kKindChannelPressure: return "channel-pressure";
    case kKindPitchBend: return "pitch-bend";
    case kKindSysEx: return "sysex";
    case kKindSysExContinuation: return "sysex-continuation";
    case kKindMeta: return "meta";
    default: return "unknown";
    }
}

std::string EventBytesText(const CMidiEvent& e)
{
    std::vector<std::int64_t> values;
    std::string suffix;
    switch (e.Kind) {
    case kKindNote:
        values = {e.Note, e.Velocity};
        suffix = " len=" + std::to_string(e.Duration);
        break;
    case kKindNoteOff:
    case kKindNoteOn:
        values = {e.Note, e.Velocity};
        break;
    case kKindPolyPressure: values = {e.Note, e.Value}; break;
    case kKindControl: values = {e.Number, e.Value}; break;
    case kKindProgram:
    case kKindChannelPressure: values = {e.Value}; break;
    case kKindPitchBend: values = {e.Note, e.Value}; break;
    case kKindMeta:
        values.push_back(e.Number);
        if (e.Number == kMetaTempo) {
            values.insert(values.end(), {(e.Value >> 16) & 0xFF, (e.Value >> 8) & 0xFF, e.Value & 0xFF});
            break;
        }
        [[fallthrough]];
    default: {
        const auto n = std::min(e.Data.size(), static_cast<std::size_t>(std::max(e.DataLength, 0)));
        for (std::size_t i = 0; i < n; ++i) values.push_back(e.Data[i]);
        break;
    }
    }
    std::string text;
    char hex[24];
    for (auto v : values) {
        std::snprintf(hex, sizeof hex, text.empty() ? "%02llX" : " %02llX", static_cast<unsigned long long>(v & 0xFFFFFFFF));
        text += hex;
    }
    return text + suffix;
}

void DumpTrack(std::string& out, const CMidiTrack& track, std::int32_t trackNumber)
{
    std::int64_t tick = 0;
    char head[64];
    for (const auto& e : track.Events()) {
        tick += e.DeltaTime;
        const bool hasChannel = e.Channel >= 0 && e.Channel < 16 && e.Kind != kKindMeta;
        std::snprintf(head, sizeof head, "%d\t%lld\t%s\t", trackNumber, static_cast<long long>(tick), EventKindName(e.Kind));
        out += head;
        out += hasChannel ? std::to_string(e.Channel) : "-";
        out += '\t';
        out += EventBytesText(e);
        out += '\n';
    }
}

std::string DumpMidiImage(Reporter& reporter, std::span<const std::uint8_t> image)
{
    std::size_t at = 0;
    if (image.size() >= 142 && std::memcmp(image.data(), "MThd", 4) != 0 && std::memcmp(image.data() + 128, "MThd", 4) == 0) {
        at = 128;  // MacBinary header
    }
    if (image.size() < at + 14 || std::memcmp(image.data() + at, "MThd", 4) != 0) return "not a MIDI file\n";
    const auto word = [&](std::size_t i) { return (image[at + i] << 8) | image[at + i + 1]; };
    std::string out = "format " + std::to_string(word(8)) + " tracks " + std::to_string(word(10)) + " division " +
                      std::to_string(word(12)) + "\n";
    const auto file = image.subspan(at);
    std::size_t offset = 14;
    std::int32_t number = 0;
    while (offset + 8 <= file.size()) {
        CMidiTrack track(reporter);
        const std::size_t used = track.ParseChunk(file, offset, 0);
        if (used == 0) break;
        if (track.State == TrackMessages) DumpTrack(out, track, number++);
        offset += used;
    }
    return out;
}

}  // namespace songloom::midi
