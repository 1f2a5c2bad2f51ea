#pragma once
// A keyboard for tests: whatever the test plays goes to the callback of the
// port it was opened on, at once and on the test's thread, and is kept.

#include <mutex>

#include "playback/midi_input.h"

namespace songloom::playback {

class ScriptedInputs : public InputProvider {
public:
    explicit ScriptedInputs(int portCount = 1);

    InputOpenResult Open(int port, InputCallback callback) override;
    std::vector<std::string> PortNames() override;

    // Sends a message from port; false when that port is not open.
    bool Play(int port, std::vector<std::uint8_t> bytes, Micros time);
    bool NoteOn(int port, int channel, int note, int velocity, Micros time);
    bool NoteOff(int port, int channel, int note, Micros time);
    // Every message that reached a callback, in order.
    std::vector<InputMessage> Delivered() const;
    bool IsOpen(int port) const;

private:
    friend class ScriptedInput;
    void Closed(int port);
    bool IsOpenLocked(int port) const;

    int portCount_;
    mutable std::mutex mutex_;
    std::vector<InputCallback> callbacks_;  // by port; empty when closed
    std::vector<InputMessage> delivered_;
};

}  // namespace songloom::playback
