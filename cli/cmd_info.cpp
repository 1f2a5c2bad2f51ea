// songloom-cli info SONG.sld [--json]: what a song or phrase file holds, after
// the conversions and repairs a load makes: bar count, beats, key, title and
// composer, style, tempo, instrument, the chord of every beat and the cells
// and texts of every slot. A file that is no song is reported and exits 1.
#include <cstdio>
#include <filesystem>
#include <memory>
#include <nlohmann/json.hpp>
#include <string>

#include "command_registry.h"
#include "common/general.h"
#include "common/messages.h"
#include "common/text.h"
#include "song/song_dump.h"
#include "song/song_image.h"

namespace songloom::cli {
namespace {

struct InfoOptions {
    std::string path;
    bool json = false;
};

template <std::size_t N>
std::string Utf8(const std::array<char, N>& field)
{
    return Cp932ToUtf8(FieldText(field.data(), N));
}

nlohmann::json SongJson(const song::SongData& song, const std::string& path, std::uintmax_t size)
{
    nlohmann::json j;
    j["file"] = path;
    j["fileSize"] = size;
    j["bars"] = song.bars();
    j["beats"] = song.beats();
    j["key"] = song.key();
    j["keyName"] = std::string(song::KeyTable[song.key()].name);
    j["title"] = Utf8(song.info.title);
    j["composer"] = Utf8(song.info.composer);
    j["category"] = song.info.category;
    j["style"] = song.info.style;
    j["tempo"] = song.info.tempo;
    j["instrument"] = song.info.instrument;
    auto& chords = j["chords"] = nlohmann::json::array();
    for (int b = 0; b < song.ActiveBeats(); ++b) chords.push_back(Cp932ToUtf8(song.ChordName(b)));
    auto& slots = j["slots"] = nlohmann::json::array();
    for (int s = 0; s < song.ActiveSlots(); ++s) {
        const auto& slot = song.melody[s];
        nlohmann::json texts = nlohmann::json::array();
        for (const auto& text : slot.text) texts.push_back(Cp932ToUtf8(FieldText(text.data(), text.size())));
        slots.push_back({{"cells", slot.cell}, {"texts", texts}});
    }
    return j;
}

void RunInfo(CliContext& context, const InfoOptions& options)
{
    std::error_code ec;
    if (!std::filesystem::exists(options.path, ec)) {
        GeneralErrorMsg(context.reporter, gene::kFileNotFound);
        context.status = 1;
        return;
    }
    const bool regular = std::filesystem::is_regular_file(options.path, ec);
    const std::uintmax_t size = regular ? std::filesystem::file_size(options.path, ec) : 0;
    if (!regular) {
        GeneralErrorMsg(context.reporter, gene::kCannotOpen);
        context.status = 1;
        return;
    }
    song::SongData song;
    const auto status = song::ReadSongFile(context.reporter, options.path, song, 8, 4, 0);
    if (status != song::SongFileStatus::kRead) {
        // An empty file is no song either.
        if (status == song::SongFileStatus::kNoFile) GeneralErrorMsg(context.reporter, gene::kFileSize);
        context.status = 1;
        return;
    }
    if (options.json) {
        std::printf("%s\n", SongJson(song, options.path, size).dump(2).c_str());
    } else {
        std::printf("file %s (%ju bytes)\n%s", options.path.c_str(), size, song::SongDumpText(song).c_str());
    }
}

const CommandRegistrar kInfo("info", [](CLI::App& app, CliContext& context) {
    auto options = std::make_shared<InfoOptions>();
    auto* cmd = app.add_subcommand("info", "Show what a song (.sld) or phrase (.pdt) file holds");
    cmd->add_option("file", options->path, "Song or phrase file")->required();
    cmd->add_flag("--json", options->json, "Print JSON instead of text");
    cmd->callback([options, &context] { RunInfo(context, *options); });
});

}  // namespace
}  // namespace songloom::cli
