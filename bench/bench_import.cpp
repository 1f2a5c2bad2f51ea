// Analysis and import of a generated 16-channel, five-minute MIDI file
// (600 quarter notes at 120 BPM): melody, bass, chord pads, arpeggios,
// counter lines and drums, about 30,000 notes.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <string>
#include <vector>

#include "common/general.h"
#include "harmony/midi_import.h"
#include "midi/midi_file.h"

namespace {

using namespace songloom;

constexpr int kQuarters = 600;
constexpr int kTpq = 480;

std::vector<std::uint8_t> MakeFile()
{
    CapturingReporter reporter;
    std::vector<midi::CMidiTrack> tracks;
    const int roots[] = {0, 5, 7, 0, 9, 2, 7, 7};
    for (int channel = 0; channel < 16; ++channel) {
        midi::CMidiTrack track(reporter, 0x60000);
        track.State = midi::TrackNotes;
        track.AddProgramChange(channel, channel == 0 ? 73 : channel == 1 ? 33 : channel * 5);
        midi::Tick last = 0;
        auto note = [&](midi::Tick at, int pitch, midi::Tick length) {
            track.AddNote(channel, at - last, pitch, 90, length);
            last = at;
        };
        for (int q = 0; q < kQuarters; ++q) {
            const int root = roots[(q / 4) % 8];
            const midi::Tick t = q * kTpq;
            if (channel == 0) {
                note(t, 72 + (q * 7) % 12, kTpq / 2);
                note(t + kTpq / 2, 72 + (q * 5) % 12, kTpq / 2);
            } else if (channel == 1) {
                note(t, 36 + root, kTpq - 20);
            } else if (channel == 9) {
                for (int i = 0; i < 4; ++i) note(t + i * kTpq / 4, i % 2 ? 42 : 36, 60);
            } else if (channel < 6) {
                if (q % 2 == 0) {
                    for (int interval : {0, 4, 7}) note(t, 48 + root + interval + channel, 2 * kTpq - 10);
                }
            } else {
                for (int i = 0; i < 2; ++i) note(t + i * kTpq / 2, 60 + root + (i + channel) % 3 * 4, kTpq / 2);
            }
        }
        track.AddEndOfTrack(0);
        tracks.push_back(std::move(track));
    }
    std::vector<const midi::CMidiTrack*> pointers;
    for (const auto& t : tracks) pointers.push_back(&t);
    midi::CMidiFile1 file(reporter, pointers, kTpq, 0x400000);
    const std::string path = "/tmp/songloom-bench-import.mid";
    file.Save(path);
    std::vector<std::uint8_t> image;
    ReadWholeFile(path, image);
    std::remove(path.c_str());
    return image;
}

const std::vector<std::uint8_t>& File()
{
    static const std::vector<std::uint8_t> image = MakeFile();  // built once, read only
    return image;
}

void BM_ImportFiveMinutes16Channels(benchmark::State& state)
{
    const auto& image = File();
    for (auto _ : state) {
        CapturingReporter reporter;
        song::SongData song;
        const bool ok = harmony::ImportMidiImage(reporter, image, song, 0);
        benchmark::DoNotOptimize(ok);
        if (!ok || song.bars() != kQuarters / 4) state.SkipWithError("import failed");
    }
    state.counters["bytes"] = static_cast<double>(image.size());
}
BENCHMARK(BM_ImportFiveMinutes16Channels)->Unit(benchmark::kMillisecond);

}  // namespace
