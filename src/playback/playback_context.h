#pragma once
// What the player and the output devices share for the life of the program:
// where reports go, where outputs come from, the clock, and the once-only
// state of the "no output" report. The app holds one; every test makes its own.

#include <atomic>

#include "common/reporter.h"
#include "playback/midi_output.h"
#include "playback/scheduler.h"

namespace songloom::playback {

struct PlaybackContext {
    PlaybackContext(Reporter& reporter, OutputProvider& outputs, Scheduler& scheduler)
        : reporter(reporter), outputs(outputs), scheduler(scheduler)
    {
    }

    Reporter& reporter;
    OutputProvider& outputs;
    Scheduler& scheduler;
    // Set once the missing output has been reported: later devices stay
    // silent without a message.
    std::atomic<bool> noOutputReported{false};
};

}  // namespace songloom::playback
