// songloom-cli styles [--json]: the style catalogue, one slot a line (or one
// JSON object a slot), names and descriptions in UTF-8.
#include <array>
#include <cstdio>
#include <memory>
#include <nlohmann/json.hpp>
#include <string>

#include "arrange/bass_patterns.h"
#include "arrange/instruments.h"
#include "arrange/style_catalogue.h"
#include "arrange/style_meter.h"
#include "command_registry.h"
#include "common/general.h"
#include "common/random.h"
#include "common/text.h"

namespace songloom::cli {
namespace {

using namespace songloom::arrange;

constexpr std::array<int, 8> kListedChannels = {1, 2, 3, 4, 5, 7, 8, 9};

std::string FeelText(int feel)
{
    if (feel == kTripletFeel) return "triplet";
    return feel == 1 ? "straight2" : "straight";
}

// The drum channel's value is a kit switch, not a program.
std::string ChannelText(int channel, InstrumentCode code)
{
    if (channel == 9 && code != kNoInstrument) return "kit " + std::to_string(code);
    const std::string_view name = InstrumentNameUtf8(code);
    return name.empty() ? "?" + std::to_string(code) : std::string(name);
}

void ListStyles(CliContext& context, bool json)
{
    Random random(ClockSeed());
    StyleCatalogue catalogue;
    StyleRecord active;
    BuildStyleCatalogue(random, catalogue, active);

    nlohmann::json list = nlohmann::json::array();
    for (int category = 0; category < kStyleCategories; ++category) {
        for (int slot = 0; slot < kStylesPerCategory; ++slot) {
            const StyleRecord& r = *CatalogueRecord(catalogue, category, slot);
            const std::string name = Cp932ToUtf8(r.Name());
            const std::string description = Cp932ToUtf8(r.Description());
            const int bpm = BpmFromTempo(context.reporter, static_cast<std::uint32_t>(r.tempo));
            if (json) {
                nlohmann::json channels = nlohmann::json::object();
                for (int ch : kListedChannels) {
                    const InstrumentCode code = r.channelInstrument[static_cast<std::size_t>(ch)];
                    channels[std::to_string(ch)] = {{"code", code}, {"name", ChannelText(ch, code)}};
                }
                list.push_back({{"category", category},
                                {"categoryName", std::string(StyleCategoryNameUtf8(category))},
                                {"slot", slot},
                                {"name", name},
                                {"description", description},
                                {"tempo", r.tempo},
                                {"bpm", bpm},
                                {"meter", std::string(MeterText(r.meter))},
                                {"feel", r.rhythmFeel},
                                {"randomCategory", r.randomCategory},
                                {"channels", channels},
                                {"patterns",
                                 {{"accompaniment", r.accompanimentPattern},
                                  {"bass", r.bassPattern},
                                  {"bassFigure", std::string(arrange::GenreBassName(static_cast<arrange::GenreBass>(r.genreBass)))},
                                  {"drums", r.drumPattern},
                                  {"accompaniment2", r.accompaniment2Pattern}}}});
                continue;
            }
            std::string line = std::to_string(category) + "/" + std::to_string(slot) + "\t" +
                               (name.empty() ? "-" : name) + "\t" + std::to_string(bpm) + " BPM " +
                               std::string(MeterText(r.meter)) + " " + FeelText(r.rhythmFeel) + "\t";
            for (int ch : kListedChannels) {
                line += std::to_string(ch) + ":" +
                        ChannelText(ch, r.channelInstrument[static_cast<std::size_t>(ch)]) +
                        (ch == 9 ? "\t" : " ");
            }
            const std::string_view figure = arrange::GenreBassName(static_cast<arrange::GenreBass>(r.genreBass));
            line += "acc " + std::to_string(r.accompanimentPattern) + " bass " + std::to_string(r.bassPattern) +
                    (figure.empty() ? "" : "/" + std::string(figure)) +
                    " drum " + std::to_string(r.drumPattern) + " acc2 " +
                    std::to_string(r.accompaniment2Pattern) + "\t" + description;
            std::printf("%s\n", line.c_str());
        }
    }
    if (json) std::printf("%s\n", list.dump(1).c_str());
}

const CommandRegistrar kStyles("styles", [](CLI::App& app, CliContext& context) {
    auto* cmd = app.add_subcommand("styles", "List the style catalogue (every category and slot)");
    auto json = std::make_shared<bool>(false);
    cmd->add_flag("--json", *json, "Print a JSON array instead of text lines");
    cmd->callback([&context, json] { ListStyles(context, *json); });
});

}  // namespace
}  // namespace songloom::cli
