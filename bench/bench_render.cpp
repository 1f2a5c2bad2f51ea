// Rendering a 256-bar song in every style of the catalogue (one benchmark a
// style; run with repetitions for the median).
#include <benchmark/benchmark.h>

#include <cstdio>
#include <filesystem>
#include <string>

#include "arrange/engine_context.h"
#include "arrange/style_catalogue.h"
#include "common/reporter.h"
#include "common/text.h"
#include "compose/render_song.h"
#include "song/song_image.h"

namespace {

using namespace songloom;

// Reports nothing and answers every question with OK.
class QuietReporter : public Reporter {
public:
    void Report(const ErrorReport&) override {}
    bool Confirm(std::string_view) override { return true; }
    [[noreturn]] void Terminate(const ErrorReport&) override { std::abort(); }
};

// A slot that holds a style (every slot but those left undefined).
bool IsDefinedStyle(const arrange::StyleRecord& record)
{
    return Cp932ToUtf8(record.Description()) != arrange::kUndefinedStyleDescription;
}

// The 64-bar demo song played four times over.
song::SongData LongSong(Reporter& reporter)
{
    song::SongData song;
    song::ReadSongFile(reporter, std::string(SONGLOOM_SOURCE_DIR) + "/data/songs/ode_to_joy.sld", song, 8, 4, 0);
    const int bars = song.bars();
    song.SetBarCount(256);
    for (int b = bars; b < 256; ++b) song.CopyBar(b % bars, b);
    return song;
}

void RenderStyle(benchmark::State& state, int category, int slot)
{
    QuietReporter reporter;
    Random random(1);
    arrange::StyleCatalogue catalogue;
    const auto ctx = compose::SetUpEngine(reporter, random, catalogue, std::string(SONGLOOM_SOURCE_DIR) + "/data");
    const song::SongData song = LongSong(reporter);
    const std::string out = (std::filesystem::temp_directory_path() / "songloom-bench-render.mid").string();
    for (auto _ : state) {
        if (!compose::RenderSong(*ctx, song, category, slot, out)) state.SkipWithError("not written");
    }
    state.counters["bars"] = song.bars();
    std::filesystem::remove(out);
}

const bool kRegistered = [] {
    QuietReporter reporter;
    Random random(1);
    arrange::StyleCatalogue catalogue;
    arrange::StyleRecord start;
    arrange::BuildStyleCatalogue(random, catalogue, start);
    for (int category = 0; category < arrange::kStyleCategories; ++category) {
        for (int slot = 0; slot < arrange::kStylesPerCategory; ++slot) {
            const auto* record = arrange::CatalogueRecord(catalogue, category, slot);
            if (!record || !IsDefinedStyle(*record)) continue;
            const std::string name = "Render256/" + std::to_string(category) + "/" + std::to_string(slot);
            benchmark::RegisterBenchmark(name.c_str(), RenderStyle, category, slot)
                ->Unit(benchmark::kMillisecond)
                ->Iterations(2);
        }
    }
    return true;
}();

}  // namespace
