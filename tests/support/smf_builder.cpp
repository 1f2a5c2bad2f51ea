#include "support/smf_builder.h"

#include <fstream>

namespace songloom::test {

void AppendVarLen(std::vector<std::uint8_t>& out, std::uint32_t value)
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

TrackBytes& TrackBytes::Delta(std::uint32_t ticks)
{
    delta_ = ticks;
    return *this;
}

void TrackBytes::PutDelta()
{
    AppendVarLen(bytes_, delta_);
    delta_ = 0;
}

TrackBytes& TrackBytes::Event(std::initializer_list<std::uint8_t> bytes)
{
    PutDelta();
    bytes_.insert(bytes_.end(), bytes);
    return *this;
}

static std::uint8_t B(int v) { return static_cast<std::uint8_t>(v); }

TrackBytes& TrackBytes::NoteOn(int c, int note, int velocity) { return Event({B(0x90 | c), B(note), B(velocity)}); }
TrackBytes& TrackBytes::NoteOff(int c, int note, int velocity) { return Event({B(0x80 | c), B(note), B(velocity)}); }
TrackBytes& TrackBytes::PolyPressure(int c, int note, int value) { return Event({B(0xA0 | c), B(note), B(value)}); }
TrackBytes& TrackBytes::Control(int c, int controller, int value) { return Event({B(0xB0 | c), B(controller), B(value)}); }
TrackBytes& TrackBytes::Program(int c, int program) { return Event({B(0xC0 | c), B(program)}); }
TrackBytes& TrackBytes::ChannelPressure(int c, int value) { return Event({B(0xD0 | c), B(value)}); }
TrackBytes& TrackBytes::PitchBend(int c, int value) { return Event({B(0xE0 | c), B(value & 0x7F), B(value >> 7)}); }

TrackBytes& TrackBytes::Running(std::vector<std::uint8_t> dataBytes) { return Raw(dataBytes); }

TrackBytes& TrackBytes::Tempo(std::uint32_t t)
{
    return Event({0xFF, 0x51, 0x03, B(t >> 16), B((t >> 8) & 0xFF), B(t & 0xFF)});
}

TrackBytes& TrackBytes::TimeSignature(int numerator, int power, int clocks, int thirtySeconds)
{
    return Event({0xFF, 0x58, 0x04, B(numerator), B(power), B(clocks), B(thirtySeconds)});
}

TrackBytes& TrackBytes::Meta(int type, const std::vector<std::uint8_t>& payload)
{
    PutDelta();
    bytes_.push_back(0xFF);
    bytes_.push_back(B(type));
    AppendVarLen(bytes_, static_cast<std::uint32_t>(payload.size()));
    bytes_.insert(bytes_.end(), payload.begin(), payload.end());
    if (type == 0x2F) ended_ = true;
    return *this;
}

TrackBytes& TrackBytes::Text(int type, std::string_view text) { return Meta(type, {text.begin(), text.end()}); }

TrackBytes& TrackBytes::SysEx(const std::vector<std::uint8_t>& body)
{
    PutDelta();
    bytes_.push_back(0xF0);
    AppendVarLen(bytes_, static_cast<std::uint32_t>(body.size()));
    bytes_.insert(bytes_.end(), body.begin(), body.end());
    return *this;
}

TrackBytes& TrackBytes::EndOfTrack() { return Meta(0x2F, {}); }

TrackBytes& TrackBytes::Raw(const std::vector<std::uint8_t>& bytes, bool withDelta)
{
    if (withDelta) PutDelta();
    bytes_.insert(bytes_.end(), bytes.begin(), bytes.end());
    return *this;
}

SmfBuilder& SmfBuilder::Header(int format, int tracks, int division)
{
    header_ = true;
    format_ = format;
    tracks_ = tracks;
    division_ = division;
    return *this;
}

SmfBuilder& SmfBuilder::Track(const Filler& fill)
{
    TrackBytes t;
    fill(t);
    if (!t.ended()) t.EndOfTrack();
    return Chunk("MTrk", t.bytes());
}

SmfBuilder& SmfBuilder::RawTrack(const Filler& fill)
{
    TrackBytes t;
    fill(t);
    return Chunk("MTrk", t.bytes());
}

SmfBuilder& SmfBuilder::Chunk(std::string_view id, const std::vector<std::uint8_t>& body)
{
    chunks_.insert(chunks_.end(), id.begin(), id.end());
    const auto n = static_cast<std::uint32_t>(body.size());
    chunks_.insert(chunks_.end(), {B(n >> 24), B((n >> 16) & 0xFF), B((n >> 8) & 0xFF), B(n & 0xFF)});
    chunks_.insert(chunks_.end(), body.begin(), body.end());
    ++chunkCount_;
    return *this;
}

SmfBuilder& SmfBuilder::Tail(const std::vector<std::uint8_t>& bytes)
{
    tail_.insert(tail_.end(), bytes.begin(), bytes.end());
    return *this;
}

SmfBuilder& SmfBuilder::MacBinary()
{
    macBinary_ = true;
    return *this;
}

std::vector<std::uint8_t> SmfBuilder::Bytes() const
{
    std::vector<std::uint8_t> out;
    if (macBinary_) {
        out.assign(128, 0);
        const std::string_view name = "song.mid";
        out[1] = B(name.size());
        std::copy(name.begin(), name.end(), out.begin() + 2);
    }
    const int tracks = header_ ? tracks_ : chunkCount_;
    const int format = header_ ? format_ : 1;
    const int division = header_ ? division_ : 96;
    out.insert(out.end(), {'M', 'T', 'h', 'd', 0, 0, 0, 6, 0, B(format), B(tracks >> 8), B(tracks & 0xFF),
                           B(division >> 8), B(division & 0xFF)});
    out.insert(out.end(), chunks_.begin(), chunks_.end());
    out.insert(out.end(), tail_.begin(), tail_.end());
    return out;
}

void SmfBuilder::WriteTo(const std::string& path) const
{
    const auto bytes = Bytes();
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

}  // namespace songloom::test
