// songloom-cli render SONG.sld -o OUT.mid [--category C --style S] [--seed N]
//                                         [--tempo BPM] [--instrument N]
//                                         [--transpose N] [--reroll BARS:PART --from OLD.mid]
#include <cstdio>
#include <filesystem>
#include <memory>
#include <optional>

#include "arrange/engine_context.h"
#include "arrange/style_catalogue.h"
#include "command_registry.h"
#include "common/random.h"
#include "compose/render_song.h"
#include "midi/midi_splice.h"
#include "midi/midi_transpose.h"
#include "playback/playback_settings.h"
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
    int transpose = 0;
    bool preview = false;
    std::string reroll;
    std::string from;
    std::string intro = "none";
    std::string ending = "on";
    std::string phrases = "on";
    std::optional<int> humanize;
};

// A re-roll renders the whole song with the new seed and keeps of it only
// the notes of the bars and part; the rest comes from the old file.
int Reroll(const CliContext& context, const RenderArgs& args)
{
    midi::RerollRange range;
    midi::ParseRerollRange(args.reroll, range);  // checked when parsed
    switch (midi::RerollFile(context.reporter, args.from, args.output, range, args.output)) {
    case midi::RerollStatus::kDone: return 0;
    case midi::RerollStatus::kMismatch:
        std::fprintf(stderr, "render: %s is not a rendering of this song's bars (another division or meter)\n",
                     args.from.c_str());
        return 2;
    default: return 1;
    }
}

constexpr int kInstrumentCount = arrange::kInstrumentCodeCount;

int Render(CliContext& context, const RenderArgs& args)
{
    // A song is some 90 KB: on the heap, whose pages are mapped ahead.
    const auto held = std::make_unique<song::SongData>();
    song::SongData& song = *held;
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
    if (args.preview) song = compose::PreviewExcerpt(context.reporter, song);
    // An old file at the output path says nothing about this rendering.
    engine->performance.intro = args.intro == "count" ? arrange::IntroKind::kCountIn
                                : args.intro == "2"   ? arrange::IntroKind::kGroove2
                                : args.intro == "4"   ? arrange::IntroKind::kGroove4
                                                      : arrange::IntroKind::kNone;
    engine->performance.ending = args.ending == "on";
    engine->performance.phrases = args.phrases == "on";
    engine->performance.humanize = args.humanize.value_or(-1);
    if (!compose::RenderSong(*engine, song, category, slot, args.output)) {
        std::fprintf(stderr, "render: %s was not written\n", args.output.c_str());
        return 1;
    }
    // The old file of a re-roll was rendered with the same transposition.
    if (args.transpose != 0 && !midi::TransposeMidiFile(context.reporter, args.output, args.transpose)) return 1;
    if (!args.reroll.empty()) {
        if (const int status = Reroll(context, args); status != 0) return status;
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
    cmd->add_flag("--preview", args->preview, "Render only the song's first 4 bars: a preview of the style");
    cmd->add_option("--tempo", args->tempo, "Tempo in beats per minute (default: the song's, or the "
                                            "chosen style's when --category/--style changes it)")
        ->check(CLI::Range(40, 240));
    cmd->add_option("--instrument", args->instrument,
                    "Melody instrument 0-151 (default: the song's, or the chosen style's)")
        ->check(CLI::Range(0, kInstrumentCount - 1));
    cmd->add_option("--transpose", args->transpose,
                    "Write every part but the drums this many semitones higher (negative: lower); the song "
                    "stays as it is")
        ->check(CLI::Range(-playback::kMaxTranspose, playback::kMaxTranspose));
    auto* from = cmd->add_option("--from", args->from, "The rendering a re-roll keeps (a MIDI file)")
                     ->check(CLI::ExistingFile);
    cmd->add_option("--reroll", args->reroll,
                    "New random choices for these bars and part only, everything else as in --from: "
                    "BARS:PART, bars from 1 (5 or 5-8), part melody, bass, chords, chords2, line, "
                    "percussion, double, effects, drums, all (the default) or a channel 0-15")
        ->needs(from)
        ->check([](const std::string& text) {
            midi::RerollRange range;
            return midi::ParseRerollRange(text, range) ? std::string() : std::string("not BARS:PART");
        });
    from->needs(cmd->get_option("--reroll"));
    cmd->add_option("--intro", args->intro, "Intro: none, count (a bar on sticks), 2 or 4 bars of groove")
        ->check(CLI::IsMember({"none", "count", "2", "4"}));
    cmd->add_option("--ending", args->ending, "The last chord held by the band: on or off")
        ->check(CLI::IsMember({"on", "off"}));
    cmd->add_option("--phrases", args->phrases, "Crashes, fills and varied phrase ends: on or off")
        ->check(CLI::IsMember({"on", "off"}));
    cmd->add_option("--humanize", args->humanize, "Humanise 0-100 (default: the style's amount; 0 the exact grid)")
        ->check(CLI::Range(0, 100));
    cmd->callback([args, &context] { context.status = Render(context, *args); });
});

}  // namespace
}  // namespace songloom::cli
