#include "playback/devices/system_outputs.h"

#include "playback/devices/rtmidi_output.h"

namespace songloom::playback {

SystemOutputs::SystemOutputs(std::string soundFont, Micros audioWait, double gain)
    : synth_(std::move(soundFont), gain), audioWait_(audioWait)
{
}

OpenResult SystemOutputs::Open(int port)
{
    if (port == kSystemMapperPort) {
        if (!synth_.WaitForAudio(audioWait_)) return {OpenStatus::kNoOutput, nullptr};
        return {OpenStatus::kOpened, synth_.OpenOutput()};
    }
    return OpenAlsaPort(port);
}

std::vector<std::string> SystemOutputs::PortNames() { return ListAlsaPorts(); }

}  // namespace songloom::playback
