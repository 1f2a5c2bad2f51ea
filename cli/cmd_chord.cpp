// songloom-cli chord [--dir DIR] [--note-kind N] NAME...: how the engine sees
// song chord names: the chord code, the marker display name, the flat
// spelling and the chord-tone template from the knowledge base (the working
// folder DIR, else the installed data). Useful when editing NOTE.DB.
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "harmony/data_buffer.h"
#include "command_registry.h"
#include "harmony/chord_code.h"
#include "harmony/chord_template.h"

namespace songloom::cli {
namespace {

struct ChordOptions {
    std::string dir = ".";
    int noteKind = 1;
    std::vector<std::string> names;
};

void RunChord(CliContext& context, const ChordOptions& options)
{
    harmony::ChordKnowledgeBase kb;
    if (!harmony::LoadChordKnowledgeBase(context.reporter, kb, harmony::DataFolder{options.dir}, options.noteKind,
                                         harmony::kKnowledgeBaseMelodyMethod)) {
        context.status = 1;
    }
    for (const auto& name : options.names) {
        const harmony::ChordCode code = harmony::ChordNameToCode(context.reporter, name);
        harmony::ChordTemplate found = harmony::kDefaultChordTemplate;
        const bool matched = harmony::LookUpChordTemplate(kb, code, found);
        std::printf("%-8s %s  \"%s\"  %s  %s%s\n", name.c_str(), code.ToString().c_str(),
                    harmony::ChordCodeToDisplayName(context.reporter, code).c_str(),
                    harmony::FlatSpelling(name).c_str(), found.ToString().c_str(),
                    matched ? "" : " (default)");
    }
}

const CommandRegistrar kChord("chord", [](CLI::App& app, CliContext& context) {
    auto options = std::make_shared<ChordOptions>();
    auto* cmd = app.add_subcommand("chord", "Show chord codes, display names and chord-tone templates");
    cmd->add_option("names", options->names, "Song chord names (C, F#m7, Bb7sus4 ...)")->required();
    cmd->add_option("--dir", options->dir, "Working folder holding NOTE.DB / NOTE.DBB");
    cmd->add_option("--note-kind", options->noteKind, "Note-database kind of the style (6: blues)");
    cmd->callback([options, &context] { RunChord(context, *options); });
});

}  // namespace
}  // namespace songloom::cli
