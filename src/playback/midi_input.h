#pragma once
// The input side of MIDI: a keyboard on an ALSA sequencer port (or a
// scripted one in tests) delivers its messages to a callback.

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "playback/midi_output.h"
#include "playback/scheduler.h"

namespace songloom::playback {

struct InputMessage {
    std::vector<std::uint8_t> bytes;  // one complete message as it came
    Micros time = 0;                  // microseconds since the port was opened
    bool operator==(const InputMessage&) const = default;
};

// Called on the input's own thread, one message at a time; the receiver
// hands what it needs to its own thread.
using InputCallback = std::function<void(const InputMessage&)>;

// One opened input. Destroying it closes the port; no callback comes after.
class MidiInput {
public:
    virtual ~MidiInput() = default;
};

struct InputOpenResult {
    OpenStatus status = OpenStatus::kNoOutput;
    std::unique_ptr<MidiInput> input;  // set only with kOpened
};

class InputProvider {
public:
    virtual ~InputProvider() = default;
    // Port 0 and up in PortNames' order. Timing clock, active sensing and
    // system exclusive are not passed on.
    virtual InputOpenResult Open(int port, InputCallback callback) = 0;
    virtual std::vector<std::string> PortNames() = 0;
};

}  // namespace songloom::playback
