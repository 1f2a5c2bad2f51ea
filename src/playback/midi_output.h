#pragma once
// The output layer under CMidiDevice: one opened MIDI output (the built-in
// synthesizer, an ALSA sequencer port or a recording for tests) and the
// provider that opens them by port number.

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

namespace songloom::playback {

// Port number of the built-in synthesizer (the "system mapper").
inline constexpr int kSystemMapperPort = -1;

// One opened output. Calls come from one thread at a time (the owner's).
// Every operation returns 0 on success and a nonzero back-end code on failure.
class MidiOutput {
public:
    virtual ~MidiOutput() = default;
    // A channel message: status with channel, then one or two data bytes
    // (0xC0 and 0xD0 take one; data2 is then ignored).
    virtual int SendShort(std::uint8_t status, std::uint8_t data1, std::uint8_t data2) = 0;
    // A complete system exclusive message as it goes on the wire (F0 ... F7),
    // or a continuation block.
    virtual int SendLong(std::span<const std::uint8_t> message) = 0;
    // Silences every note on every channel (the output stays open).
    virtual int Reset() = 0;
    virtual int Close() = 0;
};

// Number of data bytes that follow a channel status.
constexpr int ChannelMessageDataBytes(std::uint8_t status)
{
    const std::uint8_t kind = status & 0xF0;
    return (kind == 0xC0 || kind == 0xD0) ? 1 : 2;
}

enum class OpenStatus {
    kOpened,
    kNoOutput,  // nothing to open on this system (no audio output, no port at all)
    kFailed,    // the port exists but refused to open
};

struct OpenResult {
    OpenStatus status = OpenStatus::kNoOutput;
    std::unique_ptr<MidiOutput> output;  // set only with kOpened
};

// Opens outputs by port number: kSystemMapperPort for the built-in
// synthesizer, 0 and up for the external ports in the provider's order.
class OutputProvider {
public:
    virtual ~OutputProvider() = default;
    virtual OpenResult Open(int port) = 0;
    // Names of the external ports, port 0 first.
    virtual std::vector<std::string> PortNames() = 0;
};

}  // namespace songloom::playback
