// songloom-cli export-musicxml SONG.sld -o SONG.musicxml [--instrument-key Bb]
//                                                       [--parts RENDERED.mid]
#include <cstdio>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "command_registry.h"
#include "common/transposing_instrument.h"
#include "midi/midi_file.h"
#include "song/musicxml_writer.h"
#include "song/song_image.h"

namespace songloom::cli {
namespace {

struct ExportArgs {
    std::string song;
    std::string output;
    std::string instrumentKey = "C";
    std::string parts;
};

// The parts under the melody, by their channels (zero-based).
constexpr std::pair<int, const char*> kPartNames[] = {
    {2, "Bass"}, {3, "Accompaniment"}, {7, "Accompaniment 2"}, {4, "Second line"}, {5, "Percussion"}, {6, "Double"},
    {8, "Effects"},
};

// The pitched parts of a rendering of the song; the melody is the song's
// own and the drums have no pitches to write.
bool ReadParts(Reporter& reporter, const std::string& path, std::vector<song::NotatedPart>& parts)
{
    midi::CMidiFile0 file(reporter, path);
    if (!file.Loaded() || file.Division <= 0) return false;
    for (const auto& [channel, name] : kPartNames) {
        song::NotatedPart part;
        part.name = name;
        part.channel = channel;
        std::int64_t t = 0;
        bool programSet = false;
        for (const midi::CMidiEvent& e : file.Track.Events()) {
            t += e.DeltaTime;
            if (e.Channel != channel) continue;
            if (e.Kind == midi::kKindProgram && !programSet) {
                part.program = e.Value;
                programSet = true;
            }
            if (e.Kind != midi::kKindNote) continue;
            const auto ticks = [&](std::int64_t v) { return static_cast<int>(v * 96 / file.Division); };
            part.notes.push_back({ticks(t), ticks(e.Duration), e.Note});
        }
        if (!part.notes.empty()) parts.push_back(std::move(part));
    }
    return true;
}

int Export(CliContext& context, const ExportArgs& args)
{
    const TransposingInstrument* instrument = FindTransposingInstrument(args.instrumentKey);
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
    if (!args.parts.empty() && !ReadParts(context.reporter, args.parts, options.parts)) {
        std::fprintf(stderr, "export-musicxml: %s is not a MIDI file that can be read\n", args.parts.c_str());
        return 1;
    }
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
    cmd->add_option("--parts", args->parts,
                    "A rendering of the song (render's MIDI file) whose pitched parts are written under the melody")
        ->check(CLI::ExistingFile);
    cmd->callback([args, &context] { context.status = Export(context, *args); });
});

}  // namespace
}  // namespace songloom::cli
