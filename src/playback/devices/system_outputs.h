#pragma once
// The outputs of a running program: port -1 is the built-in synthesizer,
// ports 0 and up are the ALSA sequencer ports.

#include <memory>
#include <string>

#include "playback/devices/synth_host.h"
#include "playback/midi_output.h"

namespace songloom::playback {

class SystemOutputs : public OutputProvider {
public:
    // audioWait: how long opening the synthesizer waits for its audio
    // output to be tried (the soundfont is never waited for); gain: the
    // synthesizer's output gain.
    explicit SystemOutputs(std::string soundFont = DefaultSoundFont(),
                           Micros audioWait = 3000000, double gain = kDefaultLiveGain);

    OpenResult Open(int port) override;
    std::vector<std::string> PortNames() override;

    SynthHost& synth() { return synth_; }

private:
    SynthHost synth_;
    Micros audioWait_;
};

}  // namespace songloom::playback
