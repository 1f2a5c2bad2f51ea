// Loading, pairing, splitting and writing a format 1 file of 100,000 notes
// spread over 16, 63 (the most a format 1 header may declare and have read
// in full) or 64 tracks (read as 32 of them, as the reader takes any count
// of 64 or more).
#include <benchmark/benchmark.h>

#include <vector>

#include "midi/midi_file.h"

namespace {

using namespace songloom;
using namespace songloom::midi;

class QuietReporter : public Reporter {
public:
    void Report(const ErrorReport&) override {}
    bool Confirm(std::string_view) override { return true; }
    [[noreturn]] void Terminate(const ErrorReport&) override { std::abort(); }
};

constexpr int kNotes = 100000;
constexpr std::uint32_t kCapacity = 16u << 20;

std::vector<std::uint8_t> MakeImage(int trackCount)
{
    QuietReporter reporter;
    std::vector<CMidiTrack> tracks;
    for (int t = 0; t < trackCount; ++t) {
        CMidiTrack track(reporter, kCapacity / 2);
        track.State = TrackNotes;
        track.AddProgramChange(t % 16, t);
        const int notes = kNotes / trackCount + (t < kNotes % trackCount ? 1 : 0);
        for (int i = 0; i < notes; ++i) {
            // Two-note chords every other step, overlapping lengths.
            track.AddNote(t % 16, (i % 2) ? 0 : 48, 40 + (i * 7 + t) % 48, 64 + i % 63, 24 + (i % 5) * 24);
        }
        track.AddEndOfTrack(96);
        tracks.push_back(std::move(track));
    }
    std::vector<const CMidiTrack*> list;
    for (const auto& t : tracks) list.push_back(&t);
    CMidiFile1 file(reporter, list, 480, kCapacity);
    file.SplitNotes();
    file.Serialize();
    return file.Bytes;
}

void BM_Load(benchmark::State& state)
{
    QuietReporter reporter;
    const auto image = MakeImage(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        CMidiFile1 file(reporter, image, false, kCapacity);
        benchmark::DoNotOptimize(file.Tracks.data());
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * image.size()));
}

// Times one step on a fresh copy of a file made ready by prepare.
template <typename Prepare, typename Step>
void TimeStep(benchmark::State& state, Prepare prepare, Step step)
{
    QuietReporter reporter;
    CMidiFile1 ready(reporter, MakeImage(static_cast<int>(state.range(0))), false, kCapacity);
    prepare(ready);
    for (auto _ : state) {
        state.PauseTiming();
        CMidiFile1 file = ready;
        state.ResumeTiming();
        step(file);
        benchmark::DoNotOptimize(file.Bytes.data());
    }
}

void BM_Split(benchmark::State& state)
{
    TimeStep(state, [](CMidiFile1&) {}, [](CMidiFile1& f) { f.SplitNotes(); });
}

void BM_Pair(benchmark::State& state)
{
    TimeStep(state, [](CMidiFile1& f) { f.SplitNotes(); }, [](CMidiFile1& f) { f.PairNotes(); });
}

void BM_Write(benchmark::State& state)
{
    TimeStep(state, [](CMidiFile1& f) { f.SplitNotes(); }, [](CMidiFile1& f) { f.Serialize(); });
}

BENCHMARK(BM_Load)->Arg(16)->Arg(63)->Arg(64)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Split)->Arg(16)->Arg(63)->Arg(64)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Pair)->Arg(16)->Arg(63)->Arg(64)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Write)->Arg(16)->Arg(63)->Arg(64)->Unit(benchmark::kMillisecond);

}  // namespace
