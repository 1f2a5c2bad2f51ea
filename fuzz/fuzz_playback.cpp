// Any file the MIDI layer accepts must play to its end on the recording
// output without a crash or a hang: tempos, deltas, system exclusive and
// the chase from a start position taken from the input.
#include <cstddef>
#include <cstdint>
#include <span>

#include "common/reporter.h"
#include "midi/midi_file.h"
#include "playback/devices/recording_output.h"
#include "playback/file_sequence.h"
#include "playback/sequence_player.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    using namespace songloom;
    using namespace songloom::playback;
    CapturingReporter reporter;
    midi::CMidiFile0 file(reporter, std::span<const std::uint8_t>(data, size));
    if (!file.Loaded()) return 0;
    if (file.State == 1) file.PairNotes();
    PlaySequence sequence = MakePlayCopy(file);
    const Tick start = size > 0 ? data[size - 1] * 8 : 0;
    TrimLeadingTime(sequence);

    ManualScheduler clock;
    RecordingOutputs outputs([&clock] { return clock.Now(); });
    PlaybackContext context(reporter, outputs, clock);
    PlayerOptions options;
    options.setupSpacing = size % 2 == 0 ? 0 : 50000;
    SequencePlayer player(context, sequence, options, [](int, Tick, const PlayEvent*) {});
    if (player.Start(start)) clock.RunUntilIdle(INT64_MAX / 2);
    return 0;
}
