// songloom-cli render SONG.sld -o OUT.mid [--category C --style S] [--seed N]
//                                         [--tempo BPM] [--instrument N]
#include <cstdio>
#include <filesystem>
#include <optional>

#include "arrange/engine_context.h"
#include "arrange/style_catalogue.h"
#include "command_registry.h"
#include "common/random.h"
#include "compose/render_song.h"
#include "song/song_image.h"

namespace songloom::cli {
namespace {

struct RenderArgs {
    std::string song;
    std::string output;
    std::optional<int> category;
    std::optional<int> style;
    std::optional<std::uint32_t> seed;
    std::optional<int> tempo;
    std::optional<int> instrument;
};

constexpr int kInstrumentCount = arrange::kInstrumentCodeCount;

int Render(CliContext& context, const RenderArgs& args)
{
    song::SongData song;
    if (song::ReadSongFile(context.reporter, args.song, song, 8, 4, 0) != song::SongFileStatus::kRead) {
        std::fprintf(stderr, "render: cannot read the song %s\n", args.song.c_str());
        return 1;
    }
    // One generator for the catalogue and the engine, as in the app: the
    // same seed gives the same catalogue and the same song.
    Random random(args.seed.value_or(ClockSeed()));
    arrange::StyleCatalogue catalogue;
    const auto engine =
        compose::SetUpEngine(context.reporter, random, catalogue, std::filesystem::current_path().string());
    const int category = args.category.value_or(song.info.category);
    const int slot = args.style.value_or(song.info.style);
    if (!arrange::CatalogueRecord(catalogue, category, slot)) {
        std::fprintf(stderr, "render: no style %d/%d\n", category, slot);
        return 2;
    }
    // Choosing another style here does what choosing it in the song
    // information does: the style's tempo and melody instrument come along.
    if (category != song.info.category || slot != song.info.style) {
        const arrange::StyleRecord& style = *arrange::CatalogueRecord(catalogue, category, slot);
        song.info.tempo = arrange::StyleDefaultTempo(style);
        const int instrument = arrange::StyleDefaultInstrument(style);
        if (instrument >= 0 && instrument < kInstrumentCount) song.info.instrument = instrument;
    }
    if (args.tempo) song.info.tempo = *args.tempo;
    if (args.instrument) song.info.instrument = *args.instrument;
    // An old file at the output path says nothing about this rendering.
    if (!compose::RenderSong(*engine, song, category, slot, args.output)) {
        std::fprintf(stderr, "render: %s was not written\n", args.output.c_str());
        return 1;
    }
    std::printf("%s\n", args.output.c_str());
    return 0;
}

const CommandRegistrar kRender("render", [](CLI::App& app, CliContext& context) {
    auto args = std::make_shared<RenderArgs>();
    auto* cmd = app.add_subcommand("render", "Render a song file into a Standard MIDI File");
    cmd->add_option("song", args->song, "Song file (.sld)")->required();
    cmd->add_option("-o,--output", args->output, "MIDI file to write")->required();
    cmd->add_option("--category", args->category, "Style category 0-8 (default: the song's)");
    cmd->add_option("--style", args->style, "Style slot 0-23 (default: the song's)");
    cmd->add_option("--seed", args->seed, "Seed of the engine's random numbers");
    cmd->add_option("--tempo", args->tempo, "Tempo in beats per minute (default: the song's, or the "
                                            "chosen style's when --category/--style changes it)")
        ->check(CLI::Range(40, 240));
    cmd->add_option("--instrument", args->instrument,
                    "Melody instrument 0-151 (default: the song's, or the chosen style's)")
        ->check(CLI::Range(0, kInstrumentCount - 1));
    cmd->callback([args, &context] { context.status = Render(context, *args); });
});

}  // namespace
}  // namespace songloom::cli
