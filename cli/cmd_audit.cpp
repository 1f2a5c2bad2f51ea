// songloom-cli audit FILE.mid [--json] [--tensions]: how a rendered file holds together,
// channel by channel; exit status 3 when it fails the arrangement checks.
#include <cstdio>
#include <memory>
#include <nlohmann/json.hpp>

#include "command_registry.h"
#include "harmony/render_audit.h"
#include "midi/midi_file.h"

namespace songloom::cli {
namespace {

constexpr int kAuditFailed = 3;

struct AuditOptions {
    std::string path;
    bool json = false;
    bool tensions = false;
};

void PrintAudit(const harmony::RenderAudit& audit, const std::vector<std::string>& failures, bool json)
{
    if (json) {
        nlohmann::json channels = nlohmann::json::array();
        for (const auto& c : audit.channels) {
            channels.push_back({{"channel", c.channel},
                                {"notes", c.notes},
                                {"lowest", c.lowest},
                                {"highest", c.highest},
                                {"noteTicks", c.noteTicks},
                                {"chordTonePercent", c.ChordTonePercent()},
                                {"chordOrPassingTonePercent", c.ChordOrPassingTonePercent()},
                                {"tensionTicks", c.tensionTicks},
                                {"offPercussionMap", c.offPercussionMap},
                                {"overlaps", c.overlaps},
                                {"longestSilence", c.longestSilence}});
        }
        const nlohmann::json out = {{"division", audit.division},   {"barTicks", audit.barTicks},
                                    {"songTicks", audit.songTicks}, {"chordMarkers", audit.chordMarkers},
                                    {"channels", channels},         {"failures", failures},
                                    {"passed", failures.empty()}};
        std::printf("%s\n", out.dump(2).c_str());
        return;
    }
    std::printf("song %lld ticks, bar %lld ticks, %d chord markers\n", static_cast<long long>(audit.songTicks),
                static_cast<long long>(audit.barTicks), audit.chordMarkers);
    std::printf("ch  notes  range    chord-tone  overlaps  off-map  longest silence (bars)\n");
    for (const auto& c : audit.channels) {
        std::printf("%2d  %5d  %3d-%-3d  %8.1f%%  %8d  %7d  %.2f\n", c.channel, c.notes, c.lowest, c.highest,
                    c.ChordTonePercent(), c.overlaps, c.offPercussionMap,
                    static_cast<double>(c.longestSilence) / static_cast<double>(audit.barTicks));
    }
    for (const auto& f : failures) std::printf("FAIL %s\n", f.c_str());
    if (failures.empty()) std::printf("passed\n");
}

const CommandRegistrar kAudit("audit", [](CLI::App& app, CliContext& context) {
    auto options = std::make_shared<AuditOptions>();
    auto* cmd = app.add_subcommand(
        "audit", "Check a rendered MIDI file: ranges, chord tones of bass and accompaniment, drums, silences");
    cmd->add_option("file", options->path, "Standard MIDI File written by render")->required();
    cmd->add_flag("--json", options->json, "JSON output");
    cmd->add_flag("--tensions", options->tensions,
                  "Count the sixths, sevenths and ninths a jazz style adds as chord tones of the accompaniment");
    cmd->callback([options, &context] {
        midi::CMidiFile1 file(context.reporter, options->path);
        if (!file.Loaded()) {
            context.status = 1;
            return;
        }
        const harmony::RenderAudit audit = harmony::AuditRenderedFile(file);
        const std::vector<std::string> failures = harmony::AuditFailures(audit, options->tensions);
        PrintAudit(audit, failures, options->json);
        if (!failures.empty()) context.status = kAuditFailed;
    });
});

}  // namespace
}  // namespace songloom::cli
