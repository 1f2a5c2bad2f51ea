// songloom-cli analyze FILE.mid [--json] [--alternatives]: channel roles,
// meter, key, tempo, title and one chord a beat (with its runners-up). songloom-cli import FILE.mid -o SONG.sld: the file opened as a song.
#include <cstdio>
#include <memory>
#include <nlohmann/json.hpp>
#include <string>

#include "arrange/style_catalogue.h"
#include "arrange/style_meter.h"
#include "command_registry.h"
#include "common/random.h"
#include "common/text.h"
#include "harmony/midi_import.h"

namespace songloom::cli {
namespace {

constexpr const char* kRoleNames[] = {"none", "bass", "chords", "melody", "drums", "submelody"};

const char* RoleName(int role) { return role >= 0 && role <= 5 ? kRoleNames[role] : "?"; }

std::string MeterReadingText(const harmony::MeterReading& m)
{
    std::string text = m.beats == 3 ? "3/4" : "4/4";
    if (m.fromAccents) return text + " (no time signature: read from the accents)";
    if (m.fileMeter.empty() || m.fileMeter == text) return text;
    return text + " (the file's " + m.fileMeter + ")";
}

std::string KeyOf(const harmony::KeyCandidate& k)
{
    const int index = harmony::KeyIndexOf(k.tonic, k.mode);
    return index < 0 ? "?" : std::string(song::KeyTable[static_cast<std::size_t>(index)].name);
}

// Bar and beat of a beat index, both from 1.
std::pair<std::size_t, std::size_t> BarBeat(std::size_t beat, int beats)
{
    const auto b = static_cast<std::size_t>(beats);
    return {beat / b + 1, beat % b + 1};
}

void PrintAnalysis(const harmony::MidiImportReport& report, bool json, bool alternatives)
{
    const int beats = report.meter.beats;
    if (json) {
        nlohmann::json channels = nlohmann::json::array();
        for (int c = 0; c < 16; ++c) {
            channels.push_back({{"channel", c}, {"role", RoleName(report.roles[static_cast<std::size_t>(c)])}});
        }
        nlohmann::json beatList = nlohmann::json::array();
        for (std::size_t i = 0; i < report.beatChords.size(); ++i) {
            const auto [bar, beat] = BarBeat(i, beats);
            nlohmann::json entry = {{"bar", bar}, {"beat", beat}, {"chord", report.beatChords[i]}};
            if (alternatives) {
                nlohmann::json alts = nlohmann::json::array();
                for (const auto& c : report.alternatives[i]) {
                    alts.push_back({{"chord", harmony::CandidateName(c)}, {"score", c.score}});
                }
                entry["alternatives"] = alts;
            }
            beatList.push_back(entry);
        }
        nlohmann::json keys = nlohmann::json::array();
        for (const auto& k : report.keyRanking) keys.push_back({{"key", KeyOf(k)}, {"score", k.score}});
        const nlohmann::json out = {{"channels", channels},
                                    {"melodyChannel", report.melodyChannel},
                                    {"meter", MeterReadingText(report.meter)},
                                    {"beatsPerBar", beats},
                                    {"key", report.keyName},
                                    {"keyEstimates", keys},
                                    {"keyFromSignature", report.keyFromSignature},
                                    {"tempo", report.tempo},
                                    {"title", Cp932ToUtf8(report.title)},
                                    {"bars", report.bars},
                                    {"pickupBeats", report.pickupBeats},
                                    {"bassFromChords", report.addedBass},
                                    {"notes", report.notes},
                                    {"beats", beatList}};
        std::printf("%s\n", out.dump(2).c_str());
        return;
    }
    for (int c = 0; c < 16; ++c) {
        const int role = report.roles[static_cast<std::size_t>(c)];
        if (role != 0 && report.used[static_cast<std::size_t>(c)]) std::printf("channel %d: %s\n", c + 1, RoleName(role));
    }
    std::printf("title: %s\ntempo: %d\nmeter: %s\n", Cp932ToUtf8(report.title).c_str(), report.tempo,
                MeterReadingText(report.meter).c_str());
    std::printf("key: %s%s (estimates:", report.keyName.c_str(),
                report.keyFromSignature ? " by the key signature" : "");
    for (const auto& k : report.keyRanking) std::printf(" %s %.3f", KeyOf(k).c_str(), k.score);
    std::printf(")\nbars: %d\n", report.bars);
    if (report.pickupBeats > 0) std::printf("pickup: %d beats take the first chord\n", report.pickupBeats);
    for (const auto& note : report.notes) std::printf("note: %s\n", note.c_str());
    for (std::size_t i = 0; i < report.beatChords.size(); ++i) {
        const auto [bar, beat] = BarBeat(i, beats);
        std::printf("%zu.%zu %s", bar, beat, report.beatChords[i].c_str());
        if (alternatives) {
            const char* separator = "  ";
            for (const auto& c : report.alternatives[i]) {
                std::printf("%s%s %.2f", separator, harmony::CandidateName(c).c_str(), c.score);
                separator = " | ";
            }
        }
        std::printf("\n");
    }
}

struct AnalyzeOptions {
    std::string path;
    bool json = false;
    bool alternatives = false;
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
    cmd->add_flag("--alternatives", options->alternatives, "the best readings of every beat with their scores");
    cmd->callback([options, &context] {
        harmony::MidiImportReport report;
        if (!harmony::AnalyzeMidiFile(context.reporter, options->path, report)) {
            context.status = 1;
            return;
        }
        PrintAnalysis(report, options->json, options->alternatives);
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
        const auto held = std::make_unique<song::SongData>();  // some 90 KB
        song::SongData& song = *held;
        const arrange::StyleRecord* style =
            arrange::CatalogueRecord(catalogue, song.info.category, song.info.style);
        const int instrument = style ? style->channelInstrument[1] : 0;
        harmony::MidiImportReport report;
        const bool imported = harmony::ImportMidi(context.reporter, options->path, song, instrument, &report);
        // A 3/4 song starts in a style written for 3/4.
        const arrange::StyleSlot slot =
            arrange::StyleForImportedSong(catalogue, {song.info.category, song.info.style}, song.beats());
        song.info.category = slot.category;
        song.info.style = slot.slot;
        if (!imported || !song.Save(context.reporter, options->output)) {
            context.status = 1;
            return;
        }
        for (const auto& note : report.notes) std::printf("note: %s\n", note.c_str());
    });
});

}  // namespace
}  // namespace songloom::cli
