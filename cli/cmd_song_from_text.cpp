// songloom-cli song-from-text SONG.txt -o SONG.sld
#include <cstdio>

#include "command_registry.h"
#include "common/general.h"
#include "harmony/song_text.h"
#include "song/song_image.h"

namespace songloom::cli {
namespace {

int SongFromText(CliContext& context, const std::string& input, const std::string& output)
{
    std::vector<std::uint8_t> bytes;
    if (!ReadWholeFile(input, bytes)) {
        std::fprintf(stderr, "song-from-text: cannot read %s\n", input.c_str());
        return 1;
    }
    song::SongData song;
    const auto result = harmony::ParseSongText(
        context.reporter, {reinterpret_cast<const char*>(bytes.data()), bytes.size()}, song);
    if (!result.ok) {
        std::fprintf(stderr, "%s:%s\n", input.c_str(), result.error.c_str());
        return 1;
    }
    if (!song::WriteSongImage(context.reporter, song, song.beats(), result.key, output)) return 1;
    std::printf("%s: %d bars\n", output.c_str(), song.bars());
    return 0;
}

const CommandRegistrar kSongFromText("song-from-text", [](CLI::App& app, CliContext& context) {
    auto input = std::make_shared<std::string>();
    auto output = std::make_shared<std::string>();
    auto* cmd = app.add_subcommand("song-from-text", "Make a song file from its text form");
    cmd->add_option("text", *input, "Song text (.txt)")->required();
    cmd->add_option("-o,--output", *output, "Song file to write (.sld)")->required();
    cmd->callback([input, output, &context] { context.status = SongFromText(context, *input, *output); });
});

}  // namespace
}  // namespace songloom::cli
