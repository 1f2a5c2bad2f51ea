// songloom-cli export-musicxml SONG.sld -o SONG.musicxml [--instrument-key Bb]
#include <cstdio>
#include <memory>
#include <string>

#include "command_registry.h"
#include "song/musicxml_writer.h"
#include "song/song_image.h"
#include "song/transposing_instrument.h"

namespace songloom::cli {
namespace {

struct ExportArgs {
    std::string song;
    std::string output;
    std::string instrumentKey = "C";
};

int Export(CliContext& context, const ExportArgs& args)
{
    const song::TransposingInstrument* instrument = song::FindTransposingInstrument(args.instrumentKey);
    if (!instrument) {
        std::fprintf(stderr, "export-musicxml: --instrument-key is one of C, Bb, Eb, F\n");
        return 2;
    }
    song::SongData data;
    if (song::ReadSongFile(context.reporter, args.song, data, 8, 4, 0) != song::SongFileStatus::kRead) {
        std::fprintf(stderr, "export-musicxml: %s is not a song file\n", args.song.c_str());
        return 1;
    }
    song::MusicXmlOptions options;
    options.transposition = instrument->writtenAbove;
    if (instrument->writtenAbove != 0) options.partName = "Melody in " + std::string(instrument->name);
    if (!song::WriteMusicXml(context.reporter, data, args.output, options)) return 1;
    std::printf("%s\n", args.output.c_str());
    return 0;
}

const CommandRegistrar kExportMusicXml("export-musicxml", [](CLI::App& app, CliContext& context) {
    auto args = std::make_shared<ExportArgs>();
    auto* cmd = app.add_subcommand("export-musicxml",
                                   "Write a song's melody, chords, lyrics, key, meter and tempo as MusicXML");
    cmd->add_option("song", args->song, "Song file (.sld or .pdt)")->required();
    cmd->add_option("-o,--output", args->output, "MusicXML file to write")->required();
    cmd->add_option("--instrument-key", args->instrumentKey,
                    "Write the part for an instrument in C (default), Bb, Eb or F");
    cmd->callback([args, &context] { context.status = Export(context, *args); });
});

}  // namespace
}  // namespace songloom::cli
