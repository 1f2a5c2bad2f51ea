#include "playback/play_sequence.h"

#include <algorithm>
#include <map>

#include "common/general.h"
#include "common/messages.h"
#include "playback/midi_output.h"
#include "playback/playback_messages.h"

namespace songloom::playback {
namespace {

constexpr int kMetaEndOfTrack = 0x2F;
constexpr int kMetaTempo = 0x51;
constexpr int kMetaTimeSignature = 0x58;
// Largest file the player takes, as the MIDI file buffers.
constexpr std::size_t kMaxFileBytes = 983040;

bool IsNoteOn(const PlayEvent& e) { return e.kind == 0x90 && e.velocity > 0; }

struct TimedEvent {
    std::int64_t tick;  // in the file's division
    int track;
    PlayEvent event;
};

// Reads bytes of one chunk; every read is bounds-checked and a fault stops
// the walk with what was read so far.
class ChunkReader {
public:
    ChunkReader(const std::vector<std::uint8_t>& bytes, std::size_t begin, std::size_t end)
        : bytes_(bytes), pos_(begin), end_(end)
    {
    }
    bool AtEnd() const { return pos_ >= end_; }
    bool Byte(std::uint8_t& out)
    {
        if (pos_ >= end_) return false;
        out = bytes_[pos_++];
        return true;
    }
    bool Peek(std::uint8_t& out) const
    {
        if (pos_ >= end_) return false;
        out = bytes_[pos_];
        return true;
    }
    bool Quantity(std::uint32_t& out)
    {
        out = 0;
        for (int i = 0; i < 4; ++i) {
            std::uint8_t b;
            if (!Byte(b)) return false;
            out = (out << 7) | (b & 0x7F);
            if ((b & 0x80) == 0) return true;
        }
        return false;
    }
    bool Take(std::size_t n, std::vector<std::uint8_t>& out)
    {
        if (n > end_ - pos_) return false;
        out.insert(out.end(), bytes_.begin() + static_cast<std::ptrdiff_t>(pos_),
                   bytes_.begin() + static_cast<std::ptrdiff_t>(pos_ + n));
        pos_ += n;
        return true;
    }

private:
    const std::vector<std::uint8_t>& bytes_;
    std::size_t pos_;
    std::size_t end_;
};

std::uint32_t ReadBigEndian(const std::vector<std::uint8_t>& b, std::size_t at, int n)
{
    std::uint32_t v = 0;
    for (int i = 0; i < n; ++i) v = (v << 8) | b[at + static_cast<std::size_t>(i)];
    return v;
}

void AppendQuantity(std::vector<std::uint8_t>& out, std::uint32_t value)
{
    std::uint8_t groups[5];
    int n = 0;
    do {
        groups[n++] = static_cast<std::uint8_t>(value & 0x7F);
        value >>= 7;
    } while (value != 0);
    while (n > 1) out.push_back(static_cast<std::uint8_t>(groups[--n] | 0x80));
    out.push_back(groups[0]);
}

// One track chunk body into timed events; false when it is malformed.
bool ParseTrack(const std::vector<std::uint8_t>& bytes, std::size_t begin, std::size_t end,
                int track, std::vector<TimedEvent>& out, std::int64_t& endOfTrack)
{
    ChunkReader r(bytes, begin, end);
    std::int64_t tick = 0;
    std::uint8_t running = 0;
    while (!r.AtEnd()) {
        std::uint32_t delta;
        if (!r.Quantity(delta)) return false;
        tick += delta;
        std::uint8_t status;
        if (!r.Peek(status)) return false;
        if (status & 0x80) {
            r.Byte(status);
        } else if (running != 0) {
            status = running;
        } else {
            return false;
        }
        PlayEvent e;
        if (status == 0xFF) {
            std::uint8_t type;
            std::uint32_t length;
            if (!r.Byte(type) || !r.Quantity(length) || !r.Take(length, e.data)) return false;
            e.kind = 0xFF;
            e.number = type;
            if (type == kMetaEndOfTrack) {
                endOfTrack = std::max(endOfTrack, tick);
                break;
            }
            if (type == kMetaTempo && e.data.size() >= 3) {
                e.value = static_cast<int>(ReadBigEndian(e.data, 0, 3));
            } else if (type == kMetaTimeSignature && e.data.size() >= 2) {
                e.value = e.data[0] * 256 + (e.data[1] < 8 ? 1 << e.data[1] : 0);
            }
        } else if (status == 0xF0 || status == 0xF7) {
            running = 0;
            std::uint32_t length;
            if (!r.Quantity(length)) return false;
            e.kind = status;
            if (status == 0xF0) {
                e.data.push_back(0xF0);
                AppendQuantity(e.data, length);
            }
            if (!r.Take(length, e.data)) return false;
        } else if (status > 0xF0) {
            // System common and real-time bytes have no place in a file:
            // they are stepped over with their data bytes.
            running = 0;
            const int dataBytes = status == 0xF2 ? 2 : (status == 0xF1 || status == 0xF3) ? 1 : 0;
            for (int i = 0; i < dataBytes; ++i) {
                std::uint8_t skipped;
                if (!r.Byte(skipped)) return false;
            }
            continue;
        } else {
            running = status;
            e.kind = status & 0xF0;
            e.channel = status & 0x0F;
            std::uint8_t d1 = 0;
            std::uint8_t d2 = 0;
            if (!r.Byte(d1)) return false;
            if (ChannelMessageDataBytes(status) == 2 && !r.Byte(d2)) return false;
            switch (e.kind) {
            case 0x80:
            case 0x90:
            case 0xA0:
                e.note = d1;
                e.velocity = d2;
                if (e.kind == 0x90 && d2 == 0) e.kind = 0x80;
                break;
            case 0xB0:
                e.number = d1;
                e.value = d2;
                break;
            case 0xC0:
            case 0xD0:
                e.value = d1;
                break;
            default:  // 0xE0
                e.note = d1;
                e.value = d2;
                break;
            }
        }
        out.push_back(TimedEvent{tick, track, std::move(e)});
    }
    endOfTrack = std::max(endOfTrack, tick);
    return true;
}

}  // namespace

PlayTempo PlayableTempo(Reporter& reporter, std::int64_t microsecondsPerQuarter)
{
    constexpr int kSlowestBpm = 10;
    if (microsecondsPerQuarter < 1000) {
        MidiPlayerErrorMsg(reporter, mdpl::kBadTempo);
        return {60, 1000000};
    }
    const int bpm = static_cast<int>(60000 / (microsecondsPerQuarter / 1000));
    if (bpm < kSlowestBpm) {
        MidiPlayerErrorMsg(reporter, mdpl::kTempoTooSlow);
        return {kSlowestBpm, 60000000 / kSlowestBpm};
    }
    return {bpm, microsecondsPerQuarter};
}

Tick BarLength(const PlaySequence& sequence)
{
    int signature = sequence.timeSignature;
    if (signature == 0) {
        for (const auto& e : sequence.events) {
            if (e.kind == 0xFF && e.number == kMetaTimeSignature) {
                signature = e.value;
                break;
            }
        }
    }
    const int numerator = signature >> 8;
    const int denominator = signature & 0xFF;
    if (numerator == 0 || denominator == 0) return 4 * sequence.division;
    return 4 * numerator * sequence.division / denominator;
}

Tick TrimLeadingTime(PlaySequence& sequence)
{
    auto& events = sequence.events;
    if (events.empty()) return 0;
    std::size_t first = events.size() - 1;
    for (std::size_t i = 0; i < events.size(); ++i) {
        if (IsNoteOn(events[i])) {
            first = i;
            break;
        }
    }
    Tick time = 0;
    for (std::size_t i = 0; i <= first; ++i) time += events[i].delta;
    const Tick bar = BarLength(sequence);
    const Tick trimmed = bar > 0 ? time / bar * bar : 0;
    Tick left = trimmed;
    for (auto& e : events) {
        if (left <= 0) break;
        const Tick take = std::min(left, e.delta);
        e.delta -= take;
        left -= take;
    }
    return trimmed;
}

std::vector<Tick> AbsoluteTicks(const PlaySequence& sequence)
{
    std::vector<Tick> ticks;
    ticks.reserve(sequence.events.size());
    Tick t = 0;
    for (const auto& e : sequence.events) {
        t += e.delta;
        ticks.push_back(t);
    }
    return ticks;
}

Tick TotalTicks(const PlaySequence& sequence)
{
    Tick t = 0;
    for (const auto& e : sequence.events) t += e.delta;
    return t;
}

bool ParseStandardMidiFile(Reporter& reporter, const std::vector<std::uint8_t>& bytes,
                           PlaySequence& out)
{
    out = PlaySequence{};
    out.state = 0;
    if (bytes.size() < 14 || ReadBigEndian(bytes, 0, 4) != 0x4D546864 ||
        ReadBigEndian(bytes, 4, 4) < 6) {
        MidiPlayerErrorMsg(reporter, mdpl::kBadDelta);
        return false;
    }
    const std::uint32_t headerLength = ReadBigEndian(bytes, 4, 4);
    const int trackCount = static_cast<int>(ReadBigEndian(bytes, 10, 2));
    const int division = static_cast<int>(ReadBigEndian(bytes, 12, 2));
    if (division <= 0 || division >= 0x8000) {  // SMPTE time is not played
        MidiPlayerErrorMsg(reporter, mdpl::kBadDelta);
        return false;
    }
    std::vector<TimedEvent> timed;
    std::int64_t endTick = 0;
    bool faulty = false;
    std::size_t at = 8 + static_cast<std::size_t>(headerLength);
    for (int track = 0; track < trackCount && at + 8 <= bytes.size(); ++track) {
        const std::uint32_t id = ReadBigEndian(bytes, at, 4);
        const std::size_t length = ReadBigEndian(bytes, at + 4, 4);
        const std::size_t begin = at + 8;
        const std::size_t end = std::min(bytes.size(), begin + length);
        if (end - begin < length) faulty = true;
        if (id == 0x4D54726B && !ParseTrack(bytes, begin, end, track, timed, endTick)) faulty = true;
        at = begin + length;
    }
    if (faulty) MidiPlayerErrorMsg(reporter, mdpl::kBadDelta);

    const auto inTimeOrder = [](const TimedEvent& a, const TimedEvent& b) {
        return a.tick != b.tick ? a.tick < b.tick : a.track < b.track;
    };
    std::stable_sort(timed.begin(), timed.end(), inTimeOrder);
    // Rescale to the play division; a note must not lose all its length.
    const auto rescale = [&](std::int64_t tick) {
        return (tick * kPlayDivision + division / 2) / division;
    };
    std::map<int, std::vector<std::int64_t>> sounding;  // channel * 128 + note -> on ticks
    for (auto& t : timed) {
        t.tick = rescale(t.tick);
        const int key = t.event.channel * 128 + t.event.note;
        if (t.event.kind == 0x90) {
            sounding[key].push_back(t.tick);
        } else if (t.event.kind == 0x80) {
            auto& ons = sounding[key];
            if (!ons.empty()) {
                if (t.tick <= ons.front()) t.tick = ons.front() + 1;
                ons.erase(ons.begin());
            }
        }
    }
    std::stable_sort(timed.begin(), timed.end(), inTimeOrder);
    std::int64_t last = 0;
    for (auto& t : timed) {
        t.event.delta = static_cast<Tick>(t.tick - last);
        last = t.tick;
        out.events.push_back(std::move(t.event));
    }
    PlayEvent end;
    end.kind = 0xFF;
    end.number = kMetaEndOfTrack;
    end.delta = static_cast<Tick>(std::max<std::int64_t>(0, std::max(rescale(endTick), last) - last));
    out.events.push_back(end);
    out.state = 1;
    return true;
}

bool LoadStandardMidiFile(Reporter& reporter, const std::string& path, PlaySequence& out)
{
    std::vector<std::uint8_t> bytes;
    if (!ReadWholeFile(path, bytes, kMaxFileBytes)) {
        ShowErrorBox(reporter, path);
        GeneralErrorMsg(reporter, gene::kCannotOpen);
        return false;
    }
    return ParseStandardMidiFile(reporter, bytes, out);
}

}  // namespace songloom::playback
