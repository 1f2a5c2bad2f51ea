// songloom-cli midi dump FILE.mid: every event of every track chunk, one line
//   each (track, absolute tick, kind, channel, data bytes in hex).
// songloom-cli midi convert IN.mid OUT.mid --format 0|1: loads either format
//   and writes the file in the one asked for.
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "command_registry.h"
#include "common/general.h"
#include "midi/midi_dump.h"
#include "midi/midi_file.h"

namespace songloom::cli {
namespace {

struct MidiOptions {
    std::string input;
    std::string output;
    int format = 0;
};

void Dump(CliContext& context, const MidiOptions& options)
{
    std::vector<std::uint8_t> image;
    if (FileExists(options.input) && FileSize(context.reporter, options.input) > midi::kMaxMidiFileSize) {
        midi::ReportFileTooLarge(context.reporter, FileSize(context.reporter, options.input), midi::kMaxMidiFileSize);
        context.status = 1;
        return;
    }
    if (!ReadWholeFile(options.input, image, midi::kMaxMidiFileSize)) {
        std::fprintf(stderr, "cannot read %s\n", options.input.c_str());
        context.status = 1;
        return;
    }
    const std::string text = midi::DumpMidiImage(context.reporter, image);
    std::fwrite(text.data(), 1, text.size(), stdout);
    if (text.rfind("not a MIDI file", 0) == 0) context.status = 1;
}

void Convert(CliContext& context, const MidiOptions& options)
{
    bool loaded = false;
    bool saved = false;
    CountingReporter reporter(context.reporter);
    if (options.format == 0) {
        midi::CMidiFile0 file(reporter, options.input);
        loaded = file.Loaded();
        if (loaded) saved = file.SaveImage(options.output);
    } else {
        midi::CMidiFile1 file(reporter, options.input);
        loaded = file.Loaded();
        if (loaded) saved = file.SaveImage(options.output);
    }
    // A refusal the loader explained (too large, not MIDI) needs no second line.
    if (!loaded && reporter.Count() == 0) {
        std::fprintf(stderr, "%s is not a MIDI file that can be read\n", options.input.c_str());
    }
    if (!loaded || !saved) context.status = 1;
}

const CommandRegistrar kMidi("midi", [](CLI::App& app, CliContext& context) {
    auto options = std::make_shared<MidiOptions>();
    auto* midi = app.add_subcommand("midi", "Standard MIDI File tools");
    midi->require_subcommand(1);
    auto* dump = midi->add_subcommand("dump", "Print every event of a MIDI file");
    dump->add_option("file", options->input, "MIDI file")->required();
    dump->callback([options, &context] { Dump(context, *options); });
    auto* convert = midi->add_subcommand("convert", "Write a MIDI file in format 0 or 1");
    convert->add_option("input", options->input, "MIDI file to read")->required();
    convert->add_option("output", options->output, "MIDI file to write")->required();
    convert->add_option("--format", options->format, "0 or 1")->required()->check(CLI::IsMember({0, 1}));
    convert->callback([options, &context] { Convert(context, *options); });
});

}  // namespace
}  // namespace songloom::cli
