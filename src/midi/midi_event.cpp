#include "midi/midi_event.h"

#include <algorithm>
#include <initializer_list>

#include "midi/midi_messages.h"

namespace songloom::midi {

void CMidiEvent::SetData(std::span<const std::uint8_t> bytes)
{
    if (bytes.empty()) return;
    Data.assign(bytes.begin(), bytes.end());
    DataLength = static_cast<std::int32_t>(bytes.size());
}

std::int32_t CMidiEvent::GetData(Reporter& reporter, std::vector<std::uint8_t>& out) const
{
    out.clear();
    if (Data.empty()) {
        ReportEventError(reporter, muev::kDataError);
        return 0;
    }
    const auto n = std::min<std::size_t>(static_cast<std::size_t>(std::max(DataLength, 0)), Data.size());
    out.assign(Data.begin(), Data.begin() + static_cast<std::ptrdiff_t>(n));
    return DataLength;
}

std::uint8_t CMidiEvent::DataByte(Reporter& reporter, std::int32_t i) const
{
    if (Data.empty() || i < 0 || static_cast<std::int64_t>(i) >= static_cast<std::int64_t>(DataLength) + 8) {
        ReportEventError(reporter, muev::kDataError);
        return 0;
    }
    return static_cast<std::size_t>(i) < Data.size() ? Data[static_cast<std::size_t>(i)] : 0;
}

std::uint8_t* CMidiEvent::DataPointer(Reporter& reporter, std::int32_t i)
{
    if (Data.empty() || i < 0 || static_cast<std::int64_t>(i) >= static_cast<std::int64_t>(DataLength) + 8) {
        ReportEventError(reporter, muev::kDataError);
        return nullptr;
    }
    // The slack behind DataLength exists for real, so the address stays valid.
    if (static_cast<std::size_t>(i) >= Data.size()) Data.resize(static_cast<std::size_t>(i) + 1, 0);
    return &Data[static_cast<std::size_t>(i)];
}

void CMidiEvent::SetDataByte(std::int32_t i, std::uint8_t b)
{
    if (i < 0) return;
    if (static_cast<std::size_t>(i) >= Data.size()) Data.resize(static_cast<std::size_t>(i) + 1, 0);
    Data[static_cast<std::size_t>(i)] = b;
}

void CMidiEvent::ResizeData(std::int32_t n)
{
    if (n <= 0) {
        Data.clear();
        return;
    }
    const auto keep = std::min<std::size_t>(static_cast<std::size_t>(std::max(DataLength, 0)), static_cast<std::size_t>(n));
    EventBytes block;
    block.resize(static_cast<std::size_t>(n), 0);
    std::copy_n(Data.begin(), std::min(keep, Data.size()), block.begin());
    Data = std::move(block);
}

void CMidiEvent::SetControlChange(std::int32_t channel, std::int32_t controller, std::int32_t value)
{
    Kind = kKindControl;
    Channel = channel;
    Number = controller;
    Value = value;
    SetShortData(static_cast<std::uint8_t>(0xB0 | (channel & 0x0F)), static_cast<std::uint8_t>(controller & 0x7F),
                 static_cast<std::uint8_t>(value & 0x7F), 3);
}

void CMidiEvent::SetTempo(std::int32_t microsecondsPerQuarter)
{
    Kind = kKindMeta;
    Number = kMetaTempo;
    Channel = kNoChannel;
    Value = microsecondsPerQuarter;
    const auto t = static_cast<std::uint32_t>(microsecondsPerQuarter);
    SetShortData(static_cast<std::uint8_t>(t >> 16), static_cast<std::uint8_t>(t >> 8), static_cast<std::uint8_t>(t), 3);
}

void CMidiEvent::SetMasterVolume(std::int32_t volume)
{
    Kind = kKindSysEx;
    Number = kSysExMasterVolume;
    Channel = kNoChannel;
    Value = volume;
    const std::uint8_t bytes[] = {0xF0, 0x07, 0x7F, 0x7F, 0x04, 0x01, 0x00,
                                  static_cast<std::uint8_t>(volume & 0x7F), 0xF7};
    SetData(bytes);
}

bool CMidiEvent::SetPitchBend(std::int32_t value)
{
    if (value < 0) {
        Value = 0;
        Note = 0;
        return false;
    }
    if (value > 16383) {
        Value = 127;
        Note = 127;
        return false;
    }
    Value = value / 128;
    Note = value % 128;
    return true;
}

namespace {

// True when the bytes from index first of the event equal pattern.
bool Matches(const CMidiEvent& e, std::size_t first, std::initializer_list<int> pattern)
{
    const std::size_t n = std::min(static_cast<std::size_t>(std::max(e.DataLength, 0)), e.Data.size());
    if (first + pattern.size() > n) return false;
    std::size_t i = first;
    for (int b : pattern) {
        if (e.Data[i++] != b) return false;
    }
    return true;
}

int ByteAt(const CMidiEvent& e, std::size_t i)
{
    const std::size_t n = std::min(static_cast<std::size_t>(std::max(e.DataLength, 0)), e.Data.size());
    return i < n ? e.Data[i] : -1;
}

int ValueAt(const CMidiEvent& e, std::size_t i) { return std::max(ByteAt(e, i), 0); }

}  // namespace

void ClassifySysEx(CMidiEvent& e)
{
    e.Number = kSysExOther;
    e.Value = 0;
    auto set = [&](std::int32_t cls, std::int32_t value) {
        e.Number = cls;
        e.Value = value;
    };
    if (Matches(e, 2, {0x7F, 0x7F, 0x04, 0x01}) && ByteAt(e, 8) == 0xF7) return set(kSysExMasterVolume, ValueAt(e, 7));
    if (Matches(e, 2, {0x7F, 0x7F, 0x04, 0x02}) && ByteAt(e, 8) == 0xF7) return set(kSysExMasterBalance, ValueAt(e, 7));
    if (Matches(e, 2, {0x7E, 0x7F, 0x09, 0x01, 0xF7})) return set(kSysExGmSystemOn, 0);
    if (Matches(e, 2, {0x43, 0x79, 0x06, 0x7F}) && ByteAt(e, 8) == 0xF7) return set(kSysExYamaha7F, 0);
    if (!Matches(e, 2, {0x41, 0x10, 0x42, 0x12})) return;
    if (Matches(e, 6, {0x00, 0x00, 0x7F})) return set(kSysExSystemModeSet, 0);
    if (ByteAt(e, 6) != 0x40) return;
    const int block = ByteAt(e, 7);
    const int address = ByteAt(e, 8);
    if (block == 0x00 && address == 0x04) return set(kSysExMasterVolume, ValueAt(e, 9));
    if ((block & 0xF0) == 0x10 && address == 0x15) {
        set(kSysExUseForRhythmPart, ValueAt(e, 9));
        e.Channel = PartBlockToChannel(block);
        return;
    }
    if ((block & 0xF0) == 0x40 && address == 0x20) {
        set(kSysExPartParameter20, ValueAt(e, 9));
        e.Channel = PartBlockToChannel(block);
        return;
    }
    if (block == 0x02 && address >= 0x00 && address <= 0x03) return set(65 + address, ValueAt(e, 9));
    if (block == 0x01) {
        if (address >= 0x30 && address <= 0x35) return set(20 + (address - 0x30), ValueAt(e, 9));
        if (address >= 0x37 && address <= 0x40) return set(32 + (address - 0x37), ValueAt(e, 9));
        if (address >= 0x50 && address <= 0x59) return set(48 + (address - 0x50), ValueAt(e, 9));
        if (address == 0x5A) return set(64, ValueAt(e, 9));
    }
}

std::int32_t PartBlockToChannel(std::int32_t block)
{
    const std::int32_t part = block & 0x0F;
    if (part == 0) return 9;
    if (part <= 9) return part - 1;
    return part;
}

std::int32_t ChannelToPartBlock(std::int32_t channel, std::int32_t base)
{
    if (channel >= 0 && channel <= 8) return base + channel + 1;
    if (channel == 9) return base;
    return base + channel;
}

std::uint8_t RolandChecksum(Reporter& reporter, std::span<const std::uint8_t> bytes)
{
    if (bytes.empty()) {
        ReportSysExError(reporter, mdsx::kNoBuffer);
        return 0;
    }
    unsigned sum = 0;
    for (auto b : bytes) sum += b;
    return static_cast<std::uint8_t>((128 - sum % 128) % 128);
}

}  // namespace songloom::midi
