// songloom-cli analyze FILE.mid [--json]: channel roles, key and one chord a
// beat. songloom-cli import FILE.mid -o SONG.sld: the file opened as a song.
#include <cstdio>
#include <nlohmann/json.hpp>
#include <string>

#include "arrange/style_catalogue.h"
#include "arrange/style_meter.h"
#include "command_registry.h"
#include "common/random.h"
#include "harmony/midi_import.h"

namespace songloom::cli {
namespace {

constexpr const char* kRoleNames[] = {"none", "bass", "chords", "melody", "drums", "submelody"};

const char* RoleName(int role) { return role >= 0 && role <= 5 ? kRoleNames[role] : "?"; }

void PrintAnalysis(const harmony::MidiImportReport& report, bool json)
{
    if (json) {
        nlohmann::json channels = nlohmann::json::array();
        for (int c = 0; c < 16; ++c) {
            channels.push_back({{"channel", c}, {"role", RoleName(report.roles[static_cast<std::size_t>(c)])}});
        }
        nlohmann::json beats = nlohmann::json::array();
        for (std::size_t i = 0; i < report.beatChords.size(); ++i) {
            beats.push_back({{"bar", i / 4 + 1}, {"beat", i % 4 + 1}, {"chord", report.beatChords[i]}});
        }
        const nlohmann::json out = {{"channels", channels}, {"melodyChannel", report.melodyChannel},
                                    {"key", report.keyName},   {"bars", report.bars},
                                    {"bassFromChords", report.addedBass}, {"beats", beats}};
        std::printf("%s\n", out.dump(2).c_str());
        return;
    }
    for (int c = 0; c < 16; ++c) {
        const int role = report.roles[static_cast<std::size_t>(c)];
        if (role != 0) std::printf("channel %d: %s\n", c + 1, RoleName(role));
    }
    std::printf("key: %s\nbars: %d\n", report.keyName.c_str(), report.bars);
    for (std::size_t i = 0; i < report.beatChords.size(); ++i) {
        std::printf("%zu.%zu %s\n", i / 4 + 1, i % 4 + 1, report.beatChords[i].c_str());
    }
}

struct AnalyzeOptions {
    std::string path;
    bool json = false;
};

struct ImportOptions {
    std::string path;
    std::string output;
};

const CommandRegistrar kAnalyze("analyze", [](CLI::App& app, CliContext& context) {
    auto options = std::make_shared<AnalyzeOptions>();
    auto* cmd = app.add_subcommand("analyze", "Channel roles, key and chords of a MIDI file");
    cmd->add_option("file", options->path, "Standard MIDI File")->required();
    cmd->add_flag("--json", options->json, "JSON output");
    cmd->callback([options, &context] {
        harmony::MidiImportReport report;
        if (!harmony::AnalyzeMidiFile(context.reporter, options->path, report)) {
            context.status = 1;
            return;
        }
        PrintAnalysis(report, options->json);
    });
});

const CommandRegistrar kImport("import", [](CLI::App& app, CliContext& context) {
    auto options = std::make_shared<ImportOptions>();
    auto* cmd = app.add_subcommand("import", "Open a MIDI file as a song and save it");
    cmd->add_option("file", options->path, "Standard MIDI File")->required();
    cmd->add_option("-o,--output", options->output, "song file to write (.sld)")->required();
    cmd->callback([options, &context] {
        Random random(ClockSeed());
        arrange::StyleCatalogue catalogue;
        arrange::StyleRecord active;
        arrange::BuildStyleCatalogue(random, catalogue, active);
        song::SongData song;
        const arrange::StyleRecord* style =
            arrange::CatalogueRecord(catalogue, song.info.category, song.info.style);
        const int instrument = style ? style->channelInstrument[1] : 0;
        const bool imported = harmony::ImportMidi(context.reporter, options->path, song, instrument);
        // A 3/4 song starts in a style written for 3/4.
        const arrange::StyleSlot slot = arrange::DefaultStyleForMeter(catalogue, song.beats());
        const arrange::StyleRecord* chosen =
            arrange::CatalogueRecord(catalogue, song.info.category, song.info.style);
        if (chosen == nullptr || !arrange::StyleWrittenFor(*chosen, song.beats())) {
            song.info.category = slot.category;
            song.info.style = slot.slot;
        }
        if (!imported || !song.Save(context.reporter, options->output)) {
            context.status = 1;
        }
    });
});

}  // namespace
}  // namespace songloom::cli
