#pragma once
// One MIDI event of a track: a value with its ten fields. Data is the event's
// own payload (empty = no data); for channel messages it holds the message as
// it stood in the file, for system exclusive the bytes from F0 through F7, for
// meta events only the payload (a text meta event's terminating zero is not
// stored: DataByte(DataLength) reads it as 0).

#include <cstdint>
#include <climits>
#include <span>
#include <vector>

#include "common/reporter.h"
#include "midi/event_bytes.h"

namespace songloom::midi {

using Tick = std::int32_t;

// A tick count computed in 64 bits, saturated into a Tick.
constexpr Tick ClampTick(std::int64_t t)
{
    return t > INT32_MAX ? INT32_MAX : t < INT32_MIN ? INT32_MIN : static_cast<Tick>(t);
}

// Kind: the status with the channel stripped, plus the model's own kinds.
inline constexpr std::int32_t kKindDeleted = 0x00;
inline constexpr std::int32_t kKindNote = 0x10;  // a note with a Duration
inline constexpr std::int32_t kKindNoteOff = 0x80;
inline constexpr std::int32_t kKindNoteOn = 0x90;
inline constexpr std::int32_t kKindPolyPressure = 0xA0;
inline constexpr std::int32_t kKindControl = 0xB0;
inline constexpr std::int32_t kKindProgram = 0xC0;
inline constexpr std::int32_t kKindChannelPressure = 0xD0;
inline constexpr std::int32_t kKindPitchBend = 0xE0;
inline constexpr std::int32_t kKindSysEx = 0xF0;
inline constexpr std::int32_t kKindSysExContinuation = 0xF7;
inline constexpr std::int32_t kKindMeta = 0xFF;

inline constexpr std::int32_t kNoChannel = 255;

// Meta types with a meaning to the model.
inline constexpr std::int32_t kMetaSequenceNumber = 0x00;
inline constexpr std::int32_t kMetaText = 0x01;
inline constexpr std::int32_t kMetaCopyright = 0x02;
inline constexpr std::int32_t kMetaTrackName = 0x03;
inline constexpr std::int32_t kMetaInstrumentName = 0x04;
inline constexpr std::int32_t kMetaLyric = 0x05;
inline constexpr std::int32_t kMetaMarker = 0x06;
inline constexpr std::int32_t kMetaCuePoint = 0x07;
inline constexpr std::int32_t kMetaDeviceName = 0x09;
inline constexpr std::int32_t kMetaChannelPrefix = 0x20;
inline constexpr std::int32_t kMetaEndOfTrack = 0x2F;
inline constexpr std::int32_t kMetaTempo = 0x51;
inline constexpr std::int32_t kMetaSmpteOffset = 0x54;
inline constexpr std::int32_t kMetaTimeSignature = 0x58;
inline constexpr std::int32_t kMetaKeySignature = 0x59;
inline constexpr std::int32_t kMetaSequencerSpecific = 0x7F;

// Classes of system exclusive events (Number of a 0xF0 event).
inline constexpr std::int32_t kSysExOther = 0;
inline constexpr std::int32_t kSysExMasterVolume = 1;
inline constexpr std::int32_t kSysExGmSystemOn = 9;
inline constexpr std::int32_t kSysExUseForRhythmPart = 18;
inline constexpr std::int32_t kSysExSystemModeSet = 19;
inline constexpr std::int32_t kSysExMasterBalance = 40;
inline constexpr std::int32_t kSysExPartParameter20 = 69;
inline constexpr std::int32_t kSysExYamaha7F = 127;

// 40 bytes: the counts that need them are 32-bit, the small numbers 16-bit
// (they still hold any value a computation passes through on its way to a
// MIDI byte), the payload is inline up to 8 bytes. A track of events is one
// contiguous block with no heap block per event.
struct CMidiEvent {
    std::int32_t DeltaTime = 0;
    std::int32_t Duration = 0;
    std::int32_t Value = 0;
    std::int32_t DataLength = 0;
    EventBytes Data;  // empty: the event has no data
    std::int16_t Kind = kKindDeleted;
    std::int16_t Note = 0;
    std::int16_t Velocity = 0;
    std::int16_t Number = 0;
    std::int16_t Channel = kNoChannel;

    CMidiEvent() = default;
    explicit CMidiEvent(std::int32_t deltaTime) : DeltaTime(deltaTime) {}

    bool operator==(const CMidiEvent&) const = default;

    bool HasData() const { return !Data.empty(); }
    bool IsMeta(std::int32_t type) const { return Kind == kKindMeta && Number == type; }
    bool IsEndOfTrack() const { return IsMeta(kMetaEndOfTrack); }
    bool IsSysEx() const { return Kind == kKindSysEx || Kind == kKindSysExContinuation; }
    // Channel messages and notes (Kind 0x10 to 0xE0).
    bool IsChannelEvent() const { return Kind >= kKindNote && Kind < kKindSysEx && Kind != kKindDeleted; }

    // Replaces Data by a copy of bytes; an empty span leaves the event unchanged.
    void SetData(std::span<const std::uint8_t> bytes);
    // The same for a payload of n (1 to 3) bytes a, b, c, stored in place.
    void SetShortData(std::uint8_t a, std::uint8_t b, std::uint8_t c, std::int32_t n)
    {
        Data.AssignMessage(a, b, c, static_cast<std::size_t>(n));
        DataLength = n;
    }
    // Copies DataLength bytes to out and returns DataLength; no Data: MUEV
    // 0x06000002 and 0.
    std::int32_t GetData(Reporter& reporter, std::vector<std::uint8_t>& out) const;
    // Byte i of Data; the eight bytes behind DataLength read as 0. Beyond
    // that, or without Data: MUEV 0x06000002 and 0.
    std::uint8_t DataByte(Reporter& reporter, std::int32_t i) const;
    // Address of byte i under the same checks as DataByte; null on failure.
    std::uint8_t* DataPointer(Reporter& reporter, std::int32_t i);
    // Grows Data so that byte i exists; DataLength is the caller's to set.
    void SetDataByte(std::int32_t i, std::uint8_t b);
    // Keeps the first min(DataLength, n) bytes in a zero-filled block of n.
    void ResizeData(std::int32_t n);

    void SetControlChange(std::int32_t channel, std::int32_t controller, std::int32_t value);
    void SetTempo(std::int32_t microsecondsPerQuarter);
    void SetMasterVolume(std::int32_t volume);
    std::int32_t GetPitchBend() const { return Value * 128 + Note; }
    // 0..16383 is stored and gives true; outside it is clamped and gives false.
    bool SetPitchBend(std::int32_t value);
};

// Tracks of a large file hold millions of events: keep them this small.
static_assert(sizeof(CMidiEvent) <= 40);

// The system exclusive classifier: sets Number (class), Value and, for part
// events, Channel from the bytes of a 0xF0 event.
void ClassifySysEx(CMidiEvent& event);

// Part block (base 0x10 or 0x40 plus 0..15) to channel: base is channel 9,
// base+1..base+9 channels 0..8, base+10..base+15 channels 10..15.
std::int32_t PartBlockToChannel(std::int32_t block);
// The reverse mapping for a channel 0..15 and a block base.
std::int32_t ChannelToPartBlock(std::int32_t channel, std::int32_t base);
// (128 - (sum of bytes mod 128)) mod 128 over the address and data bytes.
// An empty span is reported through MDSX 0x36000001 and gives 0.
std::uint8_t RolandChecksum(Reporter& reporter, std::span<const std::uint8_t> bytes);

}  // namespace songloom::midi
