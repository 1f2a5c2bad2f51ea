#pragma once
// The playback ports the program and the tests use: the system's outputs
// (built-in synthesizer, or the first external port) driven by a real-time
// scheduler, or any outputs on any scheduler.

#include <memory>

#include "app/app_services.h"
#include "common/reporter.h"

#if __has_include("playback/midi_player.h")
#include "playback/midi_output.h"
#include "playback/scheduler.h"
#include "playback/sequence_player.h"
#define SONGLOOM_APP_HAS_PLAYER 1
#endif

namespace songloom::app {

// The system's outputs; a program built without the player gets the silent
// port.
std::unique_ptr<PlaybackPort> MakeSystemPlayback(Reporter& reporter);

#ifdef SONGLOOM_APP_HAS_PLAYER
// outputs and scheduler must outlive the port.
std::unique_ptr<PlaybackPort> MakePlayback(Reporter& reporter, playback::OutputProvider& outputs,
                                           playback::Scheduler& scheduler, playback::PlayerOptions options = {});
#endif

}  // namespace songloom::app
