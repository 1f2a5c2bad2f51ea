// songloom-cli new -o SONG.sld [--bars N] [--beats 3|4] [--key K] [--title T]
// [--composer C] [--tempo BPM]: writes a new song (whole-bar rests, the key's
// chord on every beat). K is a key index 0..29 or a key name ("C", "F#m", "Bb").
#include <memory>
#include <string>

#include "command_registry.h"
#include "common/text.h"
#include "song/song_data.h"

namespace songloom::cli {
namespace {

struct NewOptions {
    std::string output;
    int bars = 8;
    int beats = 4;
    std::string key = "0";
    std::string title;
    std::string composer;
    int tempo = 120;
};

// A key index from an index or a name of the key table; -1 when neither.
int KeyIndexOf(const std::string& text)
{
    for (int k = 0; k < song::kKeyCount; ++k) {
        if (text == song::KeyTable[k].name) return k;
    }
    if (!text.empty() && text.find_first_not_of("0123456789") == std::string::npos && text.size() < 3) {
        return std::stoi(text);
    }
    return -1;
}

template <std::size_t N>
void PutText(std::array<char, N>& field, const std::string& utf8)
{
    const std::string cp932 = TruncateCp932(Utf8ToCp932(utf8), N - 1);
    field = {};
    std::copy(cp932.begin(), cp932.end(), field.begin());
}

void RunNew(CliContext& context, const NewOptions& options)
{
    song::SongData song;
    if (!song.Reset(context.reporter, options.bars, options.beats, KeyIndexOf(options.key))) {
        context.status = 1;
        return;
    }
    PutText(song.info.title, options.title);
    PutText(song.info.composer, options.composer);
    song.info.tempo = options.tempo;
    if (!song.Save(context.reporter, options.output)) context.status = 1;
}

const CommandRegistrar kNew("new", [](CLI::App& app, CliContext& context) {
    auto options = std::make_shared<NewOptions>();
    auto* cmd = app.add_subcommand("new", "Write a new song file");
    cmd->add_option("-o,--output", options->output, "Song file to write (.sld)")->required();
    cmd->add_option("--bars", options->bars, "Number of bars")->check(CLI::Range(1, song::MaxBars));
    cmd->add_option("--beats", options->beats, "Beats per bar")->check(CLI::IsMember({3, 4}));
    cmd->add_option("--key", options->key, "Key index 0..29 or name (C, Am, F#, Bbm ...)");
    cmd->add_option("--title", options->title, "Title (UTF-8)");
    cmd->add_option("--composer", options->composer, "Composer (UTF-8)");
    cmd->add_option("--tempo", options->tempo, "Quarter notes per minute")->check(CLI::Range(40, 240));
    cmd->callback([options, &context] { RunNew(context, *options); });
});

}  // namespace
}  // namespace songloom::cli
