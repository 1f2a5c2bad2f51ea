#include "compose/render_song.h"

#include "arrange/style_meter.h"
#include "common/text.h"
#include "compose/first_song_common.h"
#include "compose/fs_algo.h"

namespace songloom::compose {

RenderResult RenderSong(arrange::EngineContext& ctx, const song::SongData& song, int category, int slot,
                        const std::string& outputPath)
{
    // A style outside the catalogue is reported; the song then plays in the
    // style that was active.
    arrange::SelectStyle(ctx.reporter, ctx.catalogue, category, slot, ctx.activeStyle, ctx.timeCharts);
    // The song's meter wins over the one the style was written for.
    arrange::FitStyleToMeter(ctx.activeStyle, song.beats());
    ctx.timeCharts = arrange::ChooseTimeCharts(ctx.activeStyle);
    CFSAlgo(ctx).ConvertSong(song, song.bars(), song.beats());
    CFirstSongCommon composer(ctx);
    composer.Prepare(song.info.instrument, song.info.tempo);
    composer.Compose(outputPath, FieldText(song.info.title.data(), song.info.title.size()),
                     FieldText(song.info.composer.data(), song.info.composer.size()));
    return {composer.Written() ? RenderFailure::kNone : RenderFailure::kNotWritten};
}

std::unique_ptr<arrange::EngineContext> SetUpEngine(Reporter& reporter, Random& random,
                                                    arrange::StyleCatalogue& catalogue, const std::string& dataDir)
{
    arrange::StyleRecord start;
    arrange::BuildStyleCatalogue(random, catalogue, start);
    return MakeEngine(reporter, random, catalogue, start, dataDir);
}

std::unique_ptr<arrange::EngineContext> MakeEngine(Reporter& reporter, Random& random,
                                                   const arrange::StyleCatalogue& catalogue,
                                                   const arrange::StyleRecord& startStyle, const std::string& dataDir)
{
    auto engine = std::make_unique<arrange::EngineContext>(reporter, random, catalogue, dataDir);
    engine->activeStyle = startStyle;
    return engine;
}

song::SongData PreviewExcerpt(Reporter& reporter, const song::SongData& song)
{
    song::SongData excerpt = song;
    if (excerpt.bars() > kPreviewBars) excerpt.DeleteBars(reporter, kPreviewBars, excerpt.bars() - 1);
    return excerpt;
}

}  // namespace songloom::compose
