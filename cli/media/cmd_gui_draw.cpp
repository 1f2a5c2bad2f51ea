// songloom-cli draw SONG.sld [--page N] -o PAGE.png: one page of the score
// (sixteen bars with their row heads) drawn by the score window's own code,
// without a display. --pdf writes every page (or the one asked for) as a
// PDF document instead; --instrument-key shows the part as a B-flat,
// E-flat or F instrument reads it.
#include <QGuiApplication>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <optional>
#include <string>

#include "command_registry.h"
#include "common/text.h"
#include "pictures/score_page.h"
#include "pictures/score_pdf.h"
#include "pictures/song_view.h"
#include "song/song_image.h"
#include "common/transposing_instrument.h"

namespace songloom::cli {
namespace {

struct DrawOptions {
    std::string song;
    std::optional<int> page;
    std::string output;
    bool pdf = false;
    std::string instrumentKey = "C";
};

void RunDraw(CliContext& context, const DrawOptions& options) {
    const TransposingInstrument* instrument = FindTransposingInstrument(options.instrumentKey);
    if (!instrument) {
        std::fprintf(stderr, "draw: --instrument-key is one of C, Bb, Eb, F\n");
        context.status = 2;
        return;
    }
    song::SongData data;
    if (song::ReadSongFile(context.reporter, options.song, data, 8, 4, 0) != song::SongFileStatus::kRead) {
        std::fprintf(stderr, "draw: %s is not a song file\n", options.song.c_str());
        context.status = 1;
        return;
    }
    const int pages = (data.bars() + pictures::kBarsPerPage - 1) / pictures::kBarsPerPage;
    if (options.page && (*options.page < 1 || *options.page > pages)) {
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
    const pictures::SongView view = song::TransposedView(pictures::SongViewOf(data), instrument->writtenAbove);
    if (options.pdf) {
        pictures::PageRange pages;
        if (options.page) pages = {*options.page - 1, 1};
        pictures::ScorePdfHeading heading{Cp932ToUtf8(FieldText(data.info.title.data(), data.info.title.size())),
                                          Cp932ToUtf8(FieldText(data.info.composer.data(), data.info.composer.size()))};
        if (instrument->writtenAbove != 0) heading.title += " (" + std::string(instrument->name) + ")";
        if (!pictures::WriteScorePdf(context.reporter, view, heading, options.output, pages)) context.status = 1;
        return;
    }
    const QImage page = pictures::DrawScorePage(context.reporter, view, options.page.value_or(1) - 1);
    if (!page.save(QString::fromStdString(options.output), "PNG")) {
        std::fprintf(stderr, "draw: cannot write %s\n", options.output.c_str());
        context.status = 1;
    }
}

const CommandRegistrar kDraw("draw", [](CLI::App& app, CliContext& context) {
    auto options = std::make_shared<DrawOptions>();
    auto* cmd = app.add_subcommand("draw", "Draw a page of a song's score as a PNG image, or the score as a PDF");
    cmd->add_option("song", options->song, "Song file (.sld or .pdt)")->required();
    cmd->add_option("--page", options->page, "Page number from 1 (sixteen bars a page; PNG default 1, PDF all)");
    cmd->add_option("-o,--output", options->output, "PNG or PDF file to write")->required();
    cmd->add_flag("--pdf", options->pdf, "Write a PDF document of the score's pages");
    cmd->add_option("--instrument-key", options->instrumentKey,
                    "Show the part for an instrument in C (default), Bb, Eb or F");
    cmd->callback([options, &context] { RunDraw(context, *options); });
});

}  // namespace
}  // namespace songloom::cli
