// songloom-cli draw SONG.sld [--page N] -o PAGE.png: one page of the score
// (sixteen bars with their row heads) drawn by the score window's own code,
// without a display.
#include <QGuiApplication>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>

#include "command_registry.h"
#include "pictures/score_page.h"
#include "pictures/song_view.h"
#include "song/song_image.h"

namespace songloom::cli {
namespace {

struct DrawOptions {
    std::string song;
    int page = 1;
    std::string output;
};

void RunDraw(CliContext& context, const DrawOptions& options) {
    song::SongData data;
    if (song::ReadSongFile(context.reporter, options.song, data, 8, 4, 0) != song::SongFileStatus::kRead) {
        std::fprintf(stderr, "draw: %s is not a song file\n", options.song.c_str());
        context.status = 1;
        return;
    }
    const int pages = (data.bars() + pictures::kBarsPerPage - 1) / pictures::kBarsPerPage;
    if (options.page < 1 || options.page > pages) {
        std::fprintf(stderr, "draw: the song has %d page(s)\n", pages);
        context.status = 1;
        return;
    }
    // Fonts need a GUI application; the offscreen platform needs no display.
    if (std::getenv("QT_QPA_PLATFORM") == nullptr) setenv("QT_QPA_PLATFORM", "offscreen", 1);
    int argc = 1;
    char name[] = "songloom-cli";
    char* argv[] = {name, nullptr};
    QGuiApplication app(argc, argv);
    const QImage page = pictures::DrawScorePage(context.reporter, pictures::SongViewOf(data), options.page - 1);
    if (!page.save(QString::fromStdString(options.output), "PNG")) {
        std::fprintf(stderr, "draw: cannot write %s\n", options.output.c_str());
        context.status = 1;
    }
}

const CommandRegistrar kDraw("draw", [](CLI::App& app, CliContext& context) {
    auto options = std::make_shared<DrawOptions>();
    auto* cmd = app.add_subcommand("draw", "Draw one page of a song's score as a PNG image");
    cmd->add_option("song", options->song, "Song file (.sld or .pdt)")->required();
    cmd->add_option("--page", options->page, "Page number from 1 (sixteen bars a page)");
    cmd->add_option("-o,--output", options->output, "PNG file to write")->required();
    cmd->callback([options, &context] { RunDraw(context, *options); });
});

}  // namespace
}  // namespace songloom::cli
