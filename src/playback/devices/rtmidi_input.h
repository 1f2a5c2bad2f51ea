#pragma once
// MIDI keyboards on ALSA sequencer ports, through RtMidi's ALSA API. RtMidi's
// exceptions stop here and become results.

#include "playback/midi_input.h"

namespace songloom::playback {

class AlsaInputs : public InputProvider {
public:
    // kNoOutput without a sequencer or any port; kFailed for a port number
    // out of range or a port that refuses to open.
    InputOpenResult Open(int port, InputCallback callback) override;
    std::vector<std::string> PortNames() override;
};

}  // namespace songloom::playback
