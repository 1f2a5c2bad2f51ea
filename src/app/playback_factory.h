#pragma once
// The playback ports the program and the tests use: the system's outputs
// (built-in synthesizer, or the first external port) driven by a real-time
// scheduler, or any outputs on any scheduler.

#include <memory>

#include "app/app_services.h"
#include "common/reporter.h"

#include "playback/midi_output.h"
#include "playback/scheduler.h"
#include "playback/sequence_player.h"

namespace songloom::app {

// The system's outputs: the built-in synthesizer on a real-time clock.
std::unique_ptr<PlaybackPort> MakeSystemPlayback(Reporter& reporter);

// outputs and scheduler must outlive the port.
std::unique_ptr<PlaybackPort> MakePlayback(Reporter& reporter, playback::OutputProvider& outputs,
                                           playback::Scheduler& scheduler, playback::PlayerOptions options = {});

}  // namespace songloom::app
