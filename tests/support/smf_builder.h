#pragma once
// Builds Standard MIDI File bytes inline for tests:
//   SmfBuilder().Header(1, 2, 96)
//       .Track([](auto& t) { t.Tempo(500000); })
//       .Track([](auto& t) { t.Delta(0).NoteOn(0, 60, 100).Delta(96).NoteOff(0, 60); })
//       .Bytes();
// Every event is written behind the delta time set by the last Delta() (0
// when none). Track() closes the chunk with an End of Track unless the
// filler wrote one; RawTrack() writes exactly what the filler gives.

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace songloom::test {

class TrackBytes {
public:
    TrackBytes& Delta(std::uint32_t ticks);
    TrackBytes& NoteOn(int channel, int note, int velocity);
    TrackBytes& NoteOff(int channel, int note, int velocity = 64);
    TrackBytes& PolyPressure(int channel, int note, int value);
    TrackBytes& Control(int channel, int controller, int value);
    TrackBytes& Program(int channel, int program);
    TrackBytes& ChannelPressure(int channel, int value);
    TrackBytes& PitchBend(int channel, int value);  // 0..16383
    // Data bytes only, for running status: written behind the delta time.
    TrackBytes& Running(std::vector<std::uint8_t> dataBytes);
    TrackBytes& Tempo(std::uint32_t microsecondsPerQuarter);
    TrackBytes& TimeSignature(int numerator, int denominatorPower, int clocks = 24, int thirtySeconds = 8);
    TrackBytes& Meta(int type, const std::vector<std::uint8_t>& payload);
    TrackBytes& Text(int type, std::string_view text);
    // F0, the length quantity, then body (which should end with F7).
    TrackBytes& SysEx(const std::vector<std::uint8_t>& body);
    TrackBytes& EndOfTrack();
    // Bytes written as they are, after the pending delta time unless
    // withDelta is false.
    TrackBytes& Raw(const std::vector<std::uint8_t>& bytes, bool withDelta = true);

    const std::vector<std::uint8_t>& bytes() const { return bytes_; }
    bool ended() const { return ended_; }

private:
    TrackBytes& Event(std::initializer_list<std::uint8_t> bytes);
    void PutDelta();
    std::vector<std::uint8_t> bytes_;
    std::uint32_t delta_ = 0;
    bool ended_ = false;
};

void AppendVarLen(std::vector<std::uint8_t>& out, std::uint32_t value);

class SmfBuilder {
public:
    using Filler = std::function<void(TrackBytes&)>;

    // Without Header(), Bytes() writes format 1, one entry per track, 96 ticks.
    SmfBuilder& Header(int format, int tracks, int division);
    SmfBuilder& Track(const Filler& fill);
    SmfBuilder& RawTrack(const Filler& fill);
    // Any chunk: id and body as given (the length is computed).
    SmfBuilder& Chunk(std::string_view id, const std::vector<std::uint8_t>& body);
    // Bytes appended after everything else (trailing garbage, cut chunks).
    SmfBuilder& Tail(const std::vector<std::uint8_t>& bytes);
    // Prepends a 128-byte MacBinary header.
    SmfBuilder& MacBinary();

    std::vector<std::uint8_t> Bytes() const;
    void WriteTo(const std::string& path) const;

private:
    bool header_ = false;
    int format_ = 1;
    int tracks_ = 0;
    int division_ = 96;
    bool macBinary_ = false;
    int chunkCount_ = 0;
    std::vector<std::uint8_t> chunks_;
    std::vector<std::uint8_t> tail_;
};

}  // namespace songloom::test
