// Reading a track chunk into events and writing events back as a chunk.
#include <algorithm>
#include <array>
#include <cstring>

#include "midi/midi_track.h"
#include "midi/note_pairer.h"

namespace songloom::midi {

namespace {

// Quantities longer than the four bytes a file may use are cut at this value.
constexpr std::int64_t kMaxVarLen = 0x0FFFFFFF;

std::uint32_t ReadBigEndian32(const std::uint8_t* p)
{
    return (std::uint32_t{p[0]} << 24) | (std::uint32_t{p[1]} << 16) | (std::uint32_t{p[2]} << 8) | p[3];
}

// Data bytes of a channel message with this status.
std::int32_t ChannelMessageLength(std::int32_t status)
{
    const std::int32_t high = status & 0xF0;
    return (high == 0xC0 || high == 0xD0) ? 1 : 2;
}

// A channel message's Data: the complete message, its status byte included
// also under running status.
void SetMessageData(CMidiEvent& event, std::int32_t status, const std::uint8_t* data, std::int32_t length)
{
    event.SetShortData(static_cast<std::uint8_t>(status), data[0], length > 1 ? data[1] : std::uint8_t{0}, 1 + length);
}

bool IsTextMeta(std::int32_t type) { return (type >= 1 && type <= 7) || type == kMetaSequencerSpecific; }

// Status bytes the reader decodes: channel messages, system exclusive and meta.
bool IsKnownStatus(std::uint8_t b) { return (b >= 0x80 && b < 0xF0) || b == 0xF0 || b == 0xF7 || b == 0xFF; }

}  // namespace

std::size_t EncodeVarLen(std::uint8_t* out, std::uint32_t value)
{
    if (value < 0x80) {
        out[0] = static_cast<std::uint8_t>(value);
        return 1;
    }
    std::uint8_t groups[5];
    std::size_t n = 0;
    do {
        groups[n++] = static_cast<std::uint8_t>(value & 0x7F);
        value >>= 7;
    } while (value != 0 && n < 5);
    const std::size_t length = n;
    std::size_t at = 0;
    while (n > 1) out[at++] = static_cast<std::uint8_t>(groups[--n] | 0x80);
    out[at] = groups[0];
    return length;
}

void AppendVarLen(std::vector<std::uint8_t>& out, std::uint32_t value)
{
    std::uint8_t bytes[5];
    const std::size_t n = EncodeVarLen(bytes, value);
    out.insert(out.end(), bytes, bytes + n);
}

template <typename Take>
std::size_t CMidiTrack::ReadChunk(std::span<const std::uint8_t> file, std::size_t offset, std::int32_t pause, Take take)
{
    YieldPause = pause;
    Warn(0);
    events_.clear();
    Bytes.clear();
    Cursor = 0;
    State = TrackEmpty;
    if (offset > file.size() || file.size() - offset < 8) {
        Error(mdtk::kNotMidi);
        return 0;
    }
    const std::uint8_t* chunk = file.data() + offset;
    const std::size_t available = file.size() - offset;
    const std::uint64_t declared = std::uint64_t{ReadBigEndian32(chunk + 4)} + 8;
    const std::size_t occupied = static_cast<std::size_t>(std::min<std::uint64_t>(declared, available));
    if (std::memcmp(chunk, "MTrk", 4) != 0 && std::memcmp(chunk, "XFKM", 4) != 0) {
        Error(mdtk::kNotMidi);
        return occupied;
    }
    if (declared > available) {
        // A chunk cut short by the end of the file: what is there is read.
        Error(mdtk::kInternal);
    }
    if (occupied > kMaxMidiFileSize) {
        Error(mdtk::kInternal);
        return occupied;
    }
    MakeRoomFor(occupied);
    // The events are read straight from the caller's image in one pass; the
    // chunk's bytes are not kept, the events are the track from now on.
    // A channel message takes two to three bytes, so this is room enough
    // for most tracks without growing.
    events_.reserve(std::min<std::size_t>(occupied / 3, static_cast<std::size_t>(MaxEvents())) + 1);
    State = TrackRaw;
    ChunkReader reader{chunk, static_cast<std::int32_t>(occupied), 8};
    std::int32_t runningStatus = 0;
    std::size_t parsed = 0;
    const auto maxEvents = static_cast<std::size_t>(MaxEvents());
    while (reader.at < reader.used) {
        if (YieldPause != 0) Yield(parsed + 1, 300);
        if (parsed >= maxEvents) {
            Error(mdtk::kTooManyEvents);
            break;
        }
        // Each event is read into its place at the end of the list, where
        // take may leave it or drop it again.
        if (!ParseEvent(reader, runningStatus, events_.emplace_back())) {
            events_.pop_back();
            break;
        }
        ++parsed;
        take();
    }
    Cursor = reader.at;
    State = TrackMessages;
    return occupied;
}

std::size_t CMidiTrack::ParseChunk(std::span<const std::uint8_t> file, std::size_t offset, std::int32_t pause)
{
    return ReadChunk(file, offset, pause, [] {});
}

std::size_t CMidiTrack::ParseNotesChunk(std::span<const std::uint8_t> file, std::size_t offset, std::int32_t pause,
                                        std::int32_t& closed)
{
    // Each event read passes at once through the two steps a read track
    // takes: the End of Track repair (an End of Track that is not the last
    // event is dropped) with the removal of deleted events, which pass
    // their time on; then the pairing, whose note-offs go the same way.
    const std::size_t length = offset + 8 <= file.size() ? ReadBigEndian32(file.data() + offset + 4) : 0;
    NotePairer pairer(length / 3);
    std::int64_t repairCarry = 0;  // time of events the repair dropped
    std::int64_t pairCarry = 0;    // time of paired note-offs
    std::int64_t now = 0;          // time of the repaired track
    std::size_t repaired = 0;      // events the repaired track holds
    bool endHeld = false;          // the last event read is an End of Track
    CMidiEvent end;
    // The event at the back of the list joins the repaired track: it is
    // paired, and dropped when it was a note-off.
    auto pair = [&] {
        CMidiEvent& e = events_.back();
        ++repaired;
        if (repairCarry != 0) e.DeltaTime = ClampTick(e.DeltaTime + repairCarry);
        repairCarry = 0;
        now += e.DeltaTime;
        if (!pairer.Take(events_, events_.size() - 1, now)) {
            pairCarry += e.DeltaTime;
            events_.pop_back();
            return;
        }
        if (pairCarry != 0) e.DeltaTime = ClampTick(e.DeltaTime + pairCarry);
        pairCarry = 0;
    };
    const std::size_t used = ReadChunk(file, offset, pause, [&] {
        CMidiEvent& e = events_.back();
        if (endHeld) {
            // Another event follows the End of Track, which is dropped.
            repairCarry += end.DeltaTime;
            endHeld = false;
        }
        if (e.Kind == kKindDeleted) {
            repairCarry += e.DeltaTime;
            events_.pop_back();
        } else if (e.IsEndOfTrack()) {
            end = std::move(e);
            endHeld = true;
            events_.pop_back();
        } else {
            pair();
        }
    });
    if (endHeld) {
        events_.push_back(std::move(end));
        pair();
    } else if (repaired >= static_cast<std::size_t>(MaxEvents())) {
        Error(mdtk::kTooManyEvents);
    } else {
        // The repair adds the missing End of Track behind the events kept;
        // the time of events dropped after the last of them is lost.
        CMidiEvent& added = events_.emplace_back(0);
        added.Kind = kKindMeta;
        added.Number = kMetaEndOfTrack;
        repairCarry = 0;
        pair();
    }
    bool anyDeleted = false;
    closed = pairer.Finish(events_, now, true, anyDeleted);
    if (pairer.Negative()) Error(mdtk::kInternal);
    if (anyDeleted) PurgeDeleted();
    FinishNotes();
    return used;
}

bool CMidiTrack::ParseEvent(ChunkReader& r, std::int32_t& runningStatus, CMidiEvent& event)
{
    const std::uint8_t* bytes = r.bytes;
    const std::int32_t used = r.used;
    // Most events are a channel message behind a one-byte delta time: read
    // at once when the message fits in the chunk.
    if (used - r.at >= 2 && bytes[r.at] < 0x80) {
        const std::uint8_t* p = bytes + r.at;
        std::int32_t status = p[1];
        std::int32_t at = 2;
        if (status < 0x80) {
            status = runningStatus;
            at = 1;
        }
        const std::int32_t length = ChannelMessageLength(status);
        if (status >= 0x80 && status < 0xF0 && used - r.at - at >= length) {
            event.DeltaTime = p[0];
            DecodeChannelMessage(status, p + at, event);
            SetMessageData(event, status, p + at, length);
            r.at += at + length;
            runningStatus = status;
            return true;
        }
    }
    std::int64_t delta = 0;
    while (bytes[r.at] & 0x80) {
        delta = std::min<std::int64_t>((delta + bytes[r.at] - 128) * 128, kMaxVarLen);
        ++r.at;
        if (r.at >= used - 1) {
            Error(mdtk::kInternal);
            break;
        }
    }
    if (r.at >= used) return false;
    delta = std::min<std::int64_t>(delta + bytes[r.at], kMaxVarLen);
    ++r.at;
    if (r.at >= used) return false;  // a delta time with no event behind it

    event.DeltaTime = static_cast<std::int32_t>(delta);
    std::int32_t status = 0;
    std::int32_t dataAt = 0;
    std::int32_t dataLength = -1;
    for (;;) {
        status = bytes[r.at];
        dataAt = r.at + 1;
        if (status < 0x80) {
            status = runningStatus;
            dataAt = r.at;
        }
        dataLength = status >= 0x80 ? DecodeMessage(r, status, dataAt, event) : -1;
        if (dataLength >= 0 || dataLength == -2) break;
        Warn(mdtk::kUndefinedEvent);
        // Only the unreadable byte is skipped. When a status byte follows at
        // once, the byte stood between this event's delta time and its
        // message; otherwise a delta time follows, and a deleted event keeps
        // the time read so far.
        ++r.at;
        event = CMidiEvent(static_cast<std::int32_t>(delta));
        if (r.at >= used || !IsKnownStatus(bytes[r.at])) return true;
    }
    if (dataLength == -2) {
        // The message runs past the end of the chunk: nothing more to read.
        Error(mdtk::kInternal);
        return false;
    }
    if (event.DataLength >= kLargeEventSize && event.Number != 127) Warn(mdtk::kEventTooLarge);
    if (status < 0xF0) {
        SetMessageData(event, status, bytes + dataAt, dataLength);
    } else if (event.Kind != kKindMeta) {
        // System exclusive (and a meta type that is dropped): the status byte
        // stands in the chunk right before its data.
        event.Data.assign(bytes + dataAt - 1, bytes + dataAt + dataLength);
        event.DataLength = static_cast<std::int32_t>(event.Data.size());
    }
    r.at = dataAt + dataLength;
    // Only channel messages set the running status. System exclusive and
    // meta events leave it as it was, so the channel messages around them
    // keep reading as intended instead of being swallowed into a bogus
    // system exclusive message.
    if (status < 0xF0) runningStatus = status;
    return true;
}

void CMidiTrack::DecodeChannelMessage(std::int32_t status, const std::uint8_t* data, CMidiEvent& e)
{
    auto byte = [data](std::int32_t i) -> std::int32_t { return data[i]; };
    const std::int32_t high = status & 0xF0;
    e.Channel = status & 0x0F;
    switch (high) {
    case 0x80:
    case 0x90:
        e.Note = byte(0);
        e.Velocity = byte(1);
        e.Kind = (high == 0x90 && e.Velocity != 0) ? kKindNoteOn : kKindNoteOff;
        if (e.Note > 127) {
            Warn(mdtk::kBadNoteNumber);
            e.Note = 0;
            e.Velocity = 0;
        }
        break;
    case 0xA0:
        e.Kind = kKindPolyPressure;
        e.Note = byte(0);
        e.Value = byte(1);
        break;
    case 0xB0:
        e.Kind = kKindControl;
        e.Number = byte(0);
        e.Value = byte(1);
        break;
    case 0xC0:
        e.Kind = kKindProgram;
        e.Value = byte(0);
        if (e.Value >= 128) {
            Error(mdtk::kBadProgram);
            e.Value = 0;
        }
        break;
    case 0xD0:
        e.Kind = kKindChannelPressure;
        e.Value = byte(0);
        break;
    default:
        e.Kind = kKindPitchBend;
        e.Note = byte(0) & 0x7F;
        e.Value = byte(1) & 0x7F;
        break;
    }
}

// Decodes the message whose data bytes start at `at`. Returns the number of
// data bytes it takes, -1 for a status this reader does not know and -2 when
// the message would run past the end of the chunk.
std::int32_t CMidiTrack::DecodeMessage(const ChunkReader& r, std::int32_t status, std::int32_t at, CMidiEvent& e)
{
    const std::int32_t left = r.used - at;
    const std::uint8_t* data = r.bytes + at;
    auto byte = [data](std::int32_t i) -> std::int32_t { return data[i]; };
    const std::int32_t high = status & 0xF0;
    if (high < 0xF0) {
        const std::int32_t length = ChannelMessageLength(status);
        if (left < length) return -2;
        DecodeChannelMessage(status, data, e);
        return length;
    }
    if (status == 0xF0) {
        e.Kind = kKindSysEx;
        std::int32_t n = 0;
        while (n < left && byte(n) != 0xF7) ++n;
        if (n < left) {
            ++n;  // the closing F7
        } else {
            Error(mdtk::kInternal);
        }
        e.Data.assign(data - 1, data + n);
        e.DataLength = static_cast<std::int32_t>(e.Data.size());
        ClassifySysEx(e);
        if (e.Number != kSysExUseForRhythmPart && e.Number != kSysExPartParameter20) e.Channel = kNoChannel;
        return n;
    }
    if (status == 0xF7) {
        if (left < 1) return -2;
        const std::int32_t n = byte(0) + 1;
        if (left < n) return -2;
        e.Kind = kKindSysExContinuation;
        return n;
    }
    if (status != 0xFF) return -1;

    // Meta events. Fixed-length types take their standard size whatever the
    // length byte says; the others carry a length quantity.
    if (left < 1) return -2;
    e.Kind = kKindMeta;
    e.Number = byte(0);
    e.Channel = kNoChannel;
    auto fixed = [&](std::int32_t payload) -> std::int32_t {
        const std::int32_t n = payload + 2;  // type, length byte, payload
        if (left < n) return -2;
        if (payload > 0) e.SetData(std::span(data + 2, static_cast<std::size_t>(payload)));
        return n;
    };
    switch (e.Number) {
    case kMetaSequenceNumber:
        return fixed(2);
    case kMetaChannelPrefix:
        return fixed(1);
    case kMetaEndOfTrack:
        return fixed(0);
    case kMetaTempo: {
        const std::int32_t n = fixed(3);
        if (n < 0) return n;
        e.Value = (byte(2) << 16) | (byte(3) << 8) | byte(4);
        if (e.Value == 0) {
            Error(mdtk::kBadTempo);
            e.SetTempo(500000);
        }
        return n;
    }
    case kMetaSmpteOffset:
        return fixed(5);
    case kMetaTimeSignature: {
        const std::int32_t n = fixed(4);
        if (n < 0) return n;
        const std::int32_t numerator = byte(2);
        const std::int32_t power = byte(3);
        if (numerator == 0 || power == 0 || power > 7) {
            Error(mdtk::kBadTimeSignature);
            e.Value = 0x0404;
        } else {
            e.Value = numerator * 256 + (1 << power);
        }
        return n;
    }
    case kMetaKeySignature:
        return fixed(2);
    default:
        break;
    }
    // Text-like: type, length quantity, payload.
    std::int32_t i = 1;
    std::int64_t length = 0;
    while (i < left && (byte(i) & 0x80)) {
        length = std::min<std::int64_t>((length << 7) | (byte(i) & 0x7F), kMaxVarLen);
        ++i;
    }
    if (i >= left) return -2;
    length = std::min<std::int64_t>((length << 7) | byte(i), kMaxVarLen);
    ++i;
    if (length > left - i) return -2;
    const auto n = static_cast<std::int32_t>(length);
    if (n > 0) e.SetData(std::span(data + i, static_cast<std::size_t>(n)));
    if (e.Number == kMetaDeviceName) {
        e.Number = kMetaInstrumentName;
    } else if (!IsTextMeta(e.Number)) {
        e.Kind = kKindDeleted;  // a type the model does not keep: dropped by the next purge
    }
    return i + n;
}

bool CMidiTrack::WriteChunk(std::string_view id)
{
    if (State != TrackMessages || events_.empty() || !events_.back().IsEndOfTrack() || id.size() != 4) {
        Error(mdtk::kInternal);
        return false;
    }
    Bytes.assign(8, 0);
    WriteEvents();
    FinishChunk(id);
    return true;
}

void CMidiTrack::FinishChunk(std::string_view id)
{
    std::memcpy(Bytes.data(), id.data(), 4);
    const auto length = static_cast<std::uint32_t>(Bytes.size() - 8);
    Bytes[4] = static_cast<std::uint8_t>(length >> 24);
    Bytes[5] = static_cast<std::uint8_t>(length >> 16);
    Bytes[6] = static_cast<std::uint8_t>(length >> 8);
    Bytes[7] = static_cast<std::uint8_t>(length);
    Cursor = Used();
    State = TrackRaw;
}

void CMidiTrack::WriteEvents()
{
    ChunkWriter w = StartEvents(events_.size());
    for (std::size_t i = 0; i < events_.size(); ++i) {
        if (YieldPause != 0) Yield(i, 200);
        if (!PutEvent(w, events_[i])) break;
    }
    EndEvents(w);
}

CMidiTrack::ChunkWriter CMidiTrack::StartEvents(std::size_t count)
{
    ChunkWriter w;
    // The room kept free at the end of the buffer: enough for the delta time
    // and End of Track that close the chunk when an event no longer fits.
    w.limit = Capacity > 256 ? Capacity - 256 : 0;
    // Bytes is kept large enough for the next event and written through a
    // position; it is cut to what was written at the end.
    w.used = Bytes.size();
    Bytes.resize(w.used + count * 4 + 64);
    return w;
}

[[gnu::always_inline]] inline std::uint8_t* CMidiTrack::Room(ChunkWriter& w, std::size_t n)
{
    if (w.used + n > Bytes.size()) [[unlikely]] Bytes.resize(std::max(Bytes.size() * 2, w.used + n));
    return Bytes.data() + w.used;
}

[[gnu::always_inline]] inline bool CMidiTrack::PutPlainNote(ChunkWriter& w, bool on, std::int32_t delta,
                                                            std::int32_t number, std::int32_t channel,
                                                            std::uint8_t third)
{
    if (w.carry != 0 || static_cast<std::uint32_t>(channel) > 16 || static_cast<std::uint32_t>(number) > 127 ||
        static_cast<std::uint32_t>(delta) > 0x0FFFFFFF || w.used + 8 > w.limit) {
        return false;
    }
    std::uint8_t* out = Room(w, 8);
    // Most delta times of a track fit one byte.
    std::size_t deltaLength = 1;
    if (delta < 0x80) {
        out[0] = static_cast<std::uint8_t>(delta);
    } else {
        deltaLength = EncodeVarLen(out, static_cast<std::uint32_t>(delta));
    }
    out[deltaLength] = static_cast<std::uint8_t>((on ? 0x90 : 0x80) | (channel & 0x0F));
    out[deltaLength + 1] = static_cast<std::uint8_t>(number);
    out[deltaLength + 2] = third;
    w.used += deltaLength + 3;
    w.endWritten = false;
    return true;
}

bool CMidiTrack::PutEvent(ChunkWriter& w, CMidiEvent& e)
{
    // Most events are note-ons and note-offs that need no repair: they are
    // written at once.
    if (e.Kind == kKindNoteOn || e.Kind == kKindNoteOff) {
        const bool on = e.Kind == kKindNoteOn;
        const std::uint8_t third = on ? static_cast<std::uint8_t>(e.Velocity & 0x7F) : std::uint8_t{0x40};
        if (PutPlainNote(w, on, e.DeltaTime, e.Note, e.Channel, third)) return true;
    }
    // An event is its head (status and the bytes made from its fields)
    // and a body copied from its Data.
    std::uint8_t head[16];
    std::size_t headLength = 0;
    const std::uint8_t* body = nullptr;
    std::size_t bodyLength = 0;
    auto put = [&](std::uint8_t b) { head[headLength++] = b; };
    const auto channel = static_cast<std::uint8_t>(e.Channel & 0x0F);
    const bool channelChecked = e.Kind == kKindNoteOff || e.Kind == kKindNoteOn || e.Kind == kKindControl ||
                                e.Kind == kKindProgram;
    if (channelChecked && (e.Channel < 0 || e.Channel > 16)) Error(mdtk::kBadChannel);
    auto data7 = [](std::int32_t v) { return static_cast<std::uint8_t>(v & 0x7F); };
    auto dataBytes = [&]() {
        body = e.Data.data();
        bodyLength = std::min(e.Data.size(), static_cast<std::size_t>(std::max(e.DataLength, 0)));
    };
    bool tooLarge = false;
    switch (e.Kind) {
    case kKindNoteOff:
        put(0x80 | channel), put(data7(e.Note)), put(0x40);
        break;
    case kKindNoteOn:
        if (e.Note < 0 || e.Note > 127) e.Note = 0;
        put(0x90 | channel), put(data7(e.Note)), put(data7(e.Velocity));
        break;
    case kKindPolyPressure:
        if (e.DataLength > 256) Error(mdtk::kPolyPressure);
        if (e.DataLength == 3 && e.Data.size() >= 3) {
            dataBytes();
        } else {
            put(0xA0 | channel), put(data7(e.Note)), put(data7(e.Value));
        }
        break;
    case kKindControl:
        put(0xB0 | channel), put(data7(e.Number)), put(data7(e.Value));
        break;
    case kKindProgram:
        put(0xC0 | channel), put(data7(e.Value));
        break;
    case kKindChannelPressure:
        put(0xD0 | channel), put(data7(e.Value));
        break;
    case kKindPitchBend:
        put(0xE0 | channel), put(data7(e.Note)), put(data7(e.Value));
        break;
    case kKindSysEx:
    case kKindSysExContinuation:
        if (static_cast<std::size_t>(std::max(e.DataLength, 0)) > kEventScratchSize) {
            tooLarge = true;
        } else {
            dataBytes();
        }
        break;
    case kKindMeta: {
        if (e.Number == kMetaEndOfTrack) {
            put(0xFF), put(kMetaEndOfTrack), put(0x00);
            break;
        }
        if (e.Number == kMetaTempo) {
            const auto t = static_cast<std::uint32_t>(e.Value);
            put(0xFF), put(kMetaTempo), put(0x03);
            put(static_cast<std::uint8_t>(t >> 16)), put(static_cast<std::uint8_t>(t >> 8));
            put(static_cast<std::uint8_t>(t));
            break;
        }
        if (e.Number == kMetaTimeSignature) {
            put(0xFF), put(kMetaTimeSignature), put(0x04);
            for (std::size_t k = 0; k < 4; ++k) put(k < e.Data.size() ? e.Data[k] : 0);
            break;
        }
        if (e.DataLength >= 129 && e.Number != kMetaSequencerSpecific) Warn(mdtk::kEventTooLarge);
        if (static_cast<std::size_t>(std::max(e.DataLength, 0)) + 8 > kEventScratchSize) {
            tooLarge = true;
            break;
        }
        // Every length is written as a quantity: for lengths below 128 it
        // is the single byte, and longer payloads stay readable.
        put(0xFF), put(static_cast<std::uint8_t>(e.Number));
        headLength += EncodeVarLen(head + headLength, static_cast<std::uint32_t>(std::max(e.DataLength, 0)));
        dataBytes();
        break;
    }
    default:
        Warn(mdtk::kUndefinedEvent);
        break;
    }
    if (tooLarge) Error(mdtk::kAppendFailed);
    if (headLength + bodyLength == 0) {
        // Not written: its time passes on to the next event.
        w.carry += e.DeltaTime;
        return true;
    }
    std::int64_t delta = w.carry + e.DeltaTime;
    w.carry = 0;
    if (delta < 0) {
        Error(mdtk::kInternal);
        delta = 0;
    }
    if (delta > 0x0FFFFFFF) {
        Error(mdtk::kBadPerformance);
        delta = 0x0FFFFFFF;
    }
    std::uint8_t deltaBytes[8];
    const std::size_t deltaLength = EncodeVarLen(deltaBytes, static_cast<std::uint32_t>(delta));
    const std::size_t length = deltaLength + headLength + bodyLength;
    if (w.used + length > w.limit) {
        Error(mdtk::kAppendFailed);
        w.carry = delta;
        return false;
    }
    // Delta time and head are copied whole (room is kept for that) and
    // the position moves by their lengths.
    std::uint8_t* out = Room(w, length + sizeof deltaBytes + sizeof head);
    std::memcpy(out, deltaBytes, sizeof deltaBytes);
    out += deltaLength;
    std::memcpy(out, head, sizeof head);
    out += headLength;
    if (bodyLength > 0) std::memcpy(out, body, bodyLength);
    w.used += length;
    w.endWritten = e.IsEndOfTrack();
    return true;
}

void CMidiTrack::EndEvents(ChunkWriter& w)
{
    if (!w.endWritten) {
        // The chunk always ends with an End of Track, also when events had
        // to be left out.
        std::uint8_t* out = Room(w, 8);
        w.used += EncodeVarLen(out, static_cast<std::uint32_t>(std::clamp<std::int64_t>(w.carry, 0, 0x0FFFFFFF)));
        out = Bytes.data() + w.used;
        out[0] = 0xFF, out[1] = 0x2F, out[2] = 0x00;
        w.used += 3;
    }
    Bytes.resize(w.used);
}

bool CMidiTrack::WriteNotesChunk(std::string_view id)
{
    if (State != TrackNotes || events_.empty() || !events_.back().IsEndOfTrack() || id.size() != 4) return false;
    // Only a track that SplitNotes would merely interleave with note-offs
    // goes this way: times never fall, nothing to drop, one End of Track,
    // last, and every time and note end within a delta time's range.
    std::int64_t total = 0;
    std::int64_t latest = 0;
    std::size_t notes = 0;
    const std::size_t n = events_.size();
    for (std::size_t i = 0; i < n; ++i) {
        const CMidiEvent& e = events_[i];
        if (e.DeltaTime < 0 || e.Kind == kKindDeleted || (i + 1 < n && e.IsEndOfTrack())) return false;
        total += e.DeltaTime;
        if (e.Kind == kKindNote) {
            if (e.Duration <= 0 || e.Velocity == 0) return false;
            latest = std::max(latest, total + e.Duration);
            ++notes;
        }
    }
    if (std::max(total, latest) > INT32_MAX) return false;

    // The note-offs of the sounding notes, the one due first at the back;
    // for equal ends the later note first (as SplitNotes orders them). Every
    // note-off due by an event's time goes before it and a note ends after
    // it starts, so no note-off follows a note-on of its instant: there is
    // nothing for NoteOffsFirst to rearrange.
    struct Off {
        std::int64_t end;
        std::size_t note;
        std::int16_t number;
        std::int16_t channel;
        bool DueBefore(const Off& o) const { return end != o.end ? end < o.end : note > o.note; }
    };
    std::vector<Off> sounding;
    sounding.reserve(64);
    // A few notes sound at once, and a new one mostly ends last: it is put
    // in its place from the back.
    auto sound = [&](const Off& o) __attribute__((always_inline)) {
        sounding.push_back(o);
        std::size_t at = sounding.size() - 1;
        for (; at > 0 && sounding[at - 1].DueBefore(o); --at) sounding[at] = sounding[at - 1];
        sounding[at] = o;
    };
    // A note-on or note-off is written at once where the general writer
    // would write it the same way; otherwise it is made as an event and
    // handed over, as is any other event with its delta time set.
    CMidiEvent on;
    on.Kind = kKindNoteOn;
    CMidiEvent off;
    off.Kind = kKindNoteOff;
    off.Velocity = 64;
    CMidiEvent other;
    Bytes.assign(8, 0);
    ChunkWriter w = StartEvents(n + notes);
    bool full = false;  // an event no longer fitted: the chunk ends there
    std::size_t written = 0;
    auto putNote = [&](CMidiEvent& scratch, Tick delta, std::int16_t number, std::int16_t channel,
                       std::uint8_t third) __attribute__((always_inline)) {
        if (YieldPause != 0) Yield(written, 200);
        ++written;
        if (PutPlainNote(w, scratch.Kind == kKindNoteOn, delta, number, channel, third)) return;
        scratch.DeltaTime = delta;
        scratch.Note = number;
        scratch.Channel = channel;
        full = !PutEvent(w, scratch);
    };
    auto putOther = [&](const CMidiEvent& e, Tick delta) {
        if (YieldPause != 0) Yield(written, 200);
        ++written;
        other = e;
        other.DeltaTime = delta;
        full = !PutEvent(w, other);
    };
    std::int64_t now = 0;
    std::int64_t last = 0;
    // The note-off due first; the first after the End of Track also takes
    // over the End of Track's delta time.
    auto putOff = [&](std::int64_t endDelta) __attribute__((always_inline)) {
        const Off o = sounding.back();
        sounding.pop_back();
        const auto delta = static_cast<Tick>(o.end - last + endDelta);
        last = o.end;
        putNote(off, delta, o.number, o.channel, 0x40);
    };
    for (std::size_t i = 0; i < n && !full; ++i) {
        const CMidiEvent& e = events_[i];
        const std::int64_t at = now + e.DeltaTime;
        while (!full && !sounding.empty() && sounding.back().end <= at) putOff(0);
        if (full) break;
        now = at;
        if (i + 1 == n && !sounding.empty()) {
            // The End of Track goes behind the last note-off.
            std::int64_t endDelta = now - last;
            last = now;
            while (!full && !sounding.empty()) {
                putOff(endDelta);
                endDelta = 0;
            }
            if (!full) putOther(e, 0);
            break;
        }
        const auto delta = static_cast<Tick>(now - last);
        last = now;
        if (e.Kind == kKindNote) {
            sound({now + e.Duration, i, e.Note, e.Channel});
            on.Velocity = e.Velocity;
            putNote(on, delta, e.Note, e.Channel, static_cast<std::uint8_t>(e.Velocity & 0x7F));
        } else {
            putOther(e, delta);
        }
    }
    EndEvents(w);
    FinishChunk(id);
    return true;
}

}  // namespace songloom::midi
