#include "playback/devices/system_outputs.h"

#include <gtest/gtest.h>

#include "common/general.h"
#include "playback/devices/rtmidi_output.h"
#include "playback/midi_device.h"
#include "playback/playback_messages.h"

namespace songloom::playback {
namespace {

// Runs on whatever the machine has: with an audio output the synthesizer
// opens and gets its soundfont; without one (a server, a container) the
// open failure is reported once and the devices stay silent.
TEST(SystemOutputs, BuiltInSynthesizerOpensOrFailsOnceAndSilently)
{
    CapturingReporter reporter;
    ManualScheduler clock;
    SystemOutputs outputs(kSmallSoundFont, 10000000);
    PlaybackContext context(reporter, outputs, clock);
    outputs.synth().Start();
    outputs.synth().Start();  // a second start does nothing
    const bool audio = outputs.synth().WaitForAudio(10000000);
    for (int i = 0; i < 2; ++i) {
        CMidiDevice device(context);
        EXPECT_EQ(device.IsOpen(), audio);
        EXPECT_FALSE(device.OpenFailed());
        EXPECT_EQ(device.SendGmSystemOn(), 0);
        EXPECT_EQ(device.ProgramChange(0, 0), 0);
        device.NoteOn(60, 100, 0);
        device.NoteOff(60, 0);
    }
    if (audio) {
        EXPECT_FALSE(outputs.synth().AudioDriver().empty());
        EXPECT_EQ(outputs.synth().WaitForSoundFont(30000000), FileExists(kSmallSoundFont));
        EXPECT_TRUE(reporter.reports().empty());
    } else {
        EXPECT_TRUE(outputs.synth().AudioDriver().empty());
        EXPECT_EQ(reporter.Count("MDCT", mdct::kOpenFailed), 1u);
        EXPECT_EQ(reporter.reports().size(), 1u);
    }
}

TEST(SystemOutputs, ExternalPortsFollowTheListedOnes)
{
    const auto names = ListAlsaPorts();
    const OpenResult beyond = OpenAlsaPort(static_cast<int>(names.size()));
    EXPECT_EQ(beyond.output, nullptr);
    EXPECT_EQ(beyond.status, names.empty() ? OpenStatus::kNoOutput : OpenStatus::kFailed);
    if (names.empty()) {
        CapturingReporter reporter;
        ManualScheduler clock;
        SystemOutputs outputs;
        PlaybackContext context(reporter, outputs, clock);
        CMidiDevice first(context, 0);
        CMidiDevice second(context, 0);
        EXPECT_FALSE(first.IsOpen());
        EXPECT_EQ(reporter.Count("MDCT", mdct::kOpenFailed), 1u);
    }
}

}  // namespace
}  // namespace songloom::playback
