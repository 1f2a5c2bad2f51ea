// Onset accuracy of the real-time player and the speed of WAV rendering.
//
// BM_PlaybackOnsets plays a generated song of three minutes (120 BPM with
// tempo changes, gaps from 1 tick to 2 bars, chords) into the recording
// output with the real-time scheduler and compares the send time of every
// message with its ideal time from the tempo map. Counters in microseconds.
// SONGLOOM_BENCH_SECONDS shortens the song for a quick look.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <vector>

#include "common/general.h"
#include "common/random.h"
#include "common/reporter.h"
#include "playback/devices/fluid_synth_engine.h"
#include "playback/devices/recording_output.h"
#include "playback/play_sequence.h"
#include "playback/sequence_player.h"
#include "playback/wav_export.h"

namespace {

using namespace songloom;
using namespace songloom::playback;

double SongSeconds()
{
    const char* env = std::getenv("SONGLOOM_BENCH_SECONDS");
    return env ? std::atof(env) : 180.0;
}

PlayEvent Channel(int kind, Tick delta, int channel, int note, int velocity)
{
    PlayEvent e;
    e.kind = kind;
    e.delta = delta;
    e.channel = channel;
    e.note = note;
    e.velocity = velocity;
    return e;
}

PlayEvent TempoEvent(Tick delta, int bpm)
{
    PlayEvent e;
    e.kind = 0xFF;
    e.number = 0x51;
    e.delta = delta;
    e.value = 60000000 / bpm;
    return e;
}

// A song of about the given length: onsets of single notes and chords
// separated by gaps from 1 tick to 2 bars, notes of independent lengths that
// overlap, and a tempo change every eight bars.
PlaySequence GenerateSong(double seconds)
{
    Random random(20261208);
    struct Timed {
        Tick tick;
        PlayEvent event;
    };
    std::vector<Timed> timed;
    const int bpms[] = {120, 96, 144, 120, 72, 180, 110, 132};
    constexpr Tick kTempoEvery = 8 * 384;
    double time = 0;
    Tick tick = 0;
    int tempo = 120;
    while (time < seconds * 1e6) {
        const int kind = RandomBetween(random, 0, 19);
        const Tick gap = kind < 10 ? RandomBetween(random, 1, 6)
                       : kind < 19 ? RandomBetween(random, 7, 48)
                                   : RandomBetween(random, 49, 768);
        // Tempo changes passed within the gap.
        for (Tick t = tick; t < tick + gap; ++t) {
            if (t % kTempoEvery == 0) {
                tempo = bpms[(t / kTempoEvery) % 8];
                timed.push_back({t, TempoEvent(0, tempo)});
            }
            time += 60000000.0 / tempo / kPlayDivision;
        }
        tick += gap;
        const int channel = RandomBetween(random, 0, 8);
        const int voices = RandomBetween(random, 1, 3);
        const int root = RandomBetween(random, 36, 84);
        const Tick length = RandomBetween(random, 1, 384);
        for (int v = 0; v < voices; ++v) {
            timed.push_back({tick, Channel(0x90, 0, channel, root + 4 * v, 90)});
            timed.push_back({tick + length, Channel(0x80, 0, channel, root + 4 * v, 0)});
        }
    }
    std::stable_sort(timed.begin(), timed.end(),
                     [](const Timed& a, const Timed& b) { return a.tick < b.tick; });
    PlaySequence song;
    Tick last = 0;
    for (auto& t : timed) {
        t.event.delta = t.tick - last;
        last = t.tick;
        song.events.push_back(t.event);
    }
    PlayEvent end;
    end.kind = 0xFF;
    end.number = 0x2F;
    song.events.push_back(end);
    return song;
}

// Ideal offset of every channel message from tick 0, in microseconds.
std::vector<double> IdealTimes(const PlaySequence& song)
{
    std::vector<double> ideal;
    double time = 0;
    double microsPerTick = 500000.0 / song.division;
    for (const PlayEvent& e : song.events) {
        time += e.delta * microsPerTick;
        if (e.kind == 0xFF && e.number == 0x51) microsPerTick = static_cast<double>(e.value) / song.division;
        if (e.kind == 0x80 || e.kind == 0x90) ideal.push_back(time);
    }
    return ideal;
}

double CpuSeconds()
{
    timespec ts{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
    return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) / 1e9;
}

void BM_PlaybackOnsets(benchmark::State& state)
{
    const PlaySequence song = GenerateSong(SongSeconds());
    const std::vector<double> ideal = IdealTimes(song);
    for (auto _ : state) {
        CapturingReporter reporter;
        // Argument 1: the timer thread asks for real-time priority (as in the
        // program); 0: it stays a normal thread, as where that is refused.
        RealTimeScheduler clock(200, state.range(0) != 0);
        RecordingOutputs outputs([&clock] { return clock.Now(); });
        PlaybackContext context(reporter, outputs, clock);
        PlayerOptions options;
        options.setupSpacing = 0;
        const double cpuBefore = CpuSeconds();
        SequencePlayer player(context, song, options, nullptr);
        player.Start();
        player.WaitWhilePlaying();
        const double cpu = CpuSeconds() - cpuBefore;

        std::vector<RecordedMessage> sent = outputs.SentMessages();
        sent.erase(sent.begin());  // the system-on message ahead of the time line
        if (sent.size() != ideal.size()) {
            state.SkipWithError("not every message was sent");
            return;
        }
        const double origin = static_cast<double>(player.TimelineStart());
        std::vector<double> errors;
        errors.reserve(sent.size());
        for (std::size_t i = 0; i < sent.size(); ++i) {
            errors.push_back(std::abs(static_cast<double>(sent[i].time) - (origin + ideal[i])));
        }
        const double last = errors.back();
        std::sort(errors.begin(), errors.end());
        const auto at = [&](double q) {
            return errors[std::min(errors.size() - 1, static_cast<std::size_t>(q * static_cast<double>(errors.size())))];
        };
        const double songSeconds = ideal.back() / 1e6;
        state.counters["events"] = static_cast<double>(errors.size());
        state.counters["song_s"] = songSeconds;
        state.counters["median_us"] = at(0.5);
        state.counters["p99_us"] = at(0.99);
        state.counters["max_us"] = errors.back();
        state.counters["last_us"] = last;
        state.counters["cpu_s"] = cpu;
        state.counters["cpu_pct"] = 100.0 * cpu / songSeconds;
        std::printf("playback onsets (%s priority): %zu messages over %.1f s: median %.1f us, p99 %.1f us, "
                    "max %.1f us, last %.1f us; player CPU %.3f s (%.2f%%)\n",
                    state.range(0) != 0 ? "real-time" : "normal", errors.size(), songSeconds, at(0.5), at(0.99), errors.back(), last, cpu,
                    100.0 * cpu / songSeconds);
    }
}
BENCHMARK(BM_PlaybackOnsets)->Arg(1)->Arg(0)->Iterations(1)->Repetitions(1)->Unit(benchmark::kSecond);

void BM_WavExport(benchmark::State& state)
{
    if (!FileExists(kSmallSoundFont)) {
        state.SkipWithError("no soundfont");
        return;
    }
    const PlaySequence song = GenerateSong(30);
    const std::string out = "/tmp/songloom-bench-export.wav";
    double realTime = 0;
    for (auto _ : state) {
        CapturingReporter reporter;
        WavExportResult result;
        if (!ExportWav(reporter, song, kSmallSoundFont, out, &result)) {
            state.SkipWithError("export failed");
            return;
        }
        realTime = result.SecondsOf(result.frames) / result.renderSeconds;
    }
    std::remove(out.c_str());
    state.counters["x_real_time"] = realTime;
}
BENCHMARK(BM_WavExport)->Iterations(1)->Repetitions(1)->Unit(benchmark::kSecond);

}  // namespace
