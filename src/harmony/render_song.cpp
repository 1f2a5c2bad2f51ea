#include "harmony/render_song.h"

#include "arrange/style_catalogue.h"
#include "arrange/style_meter.h"
#include "common/text.h"
#include "harmony/first_song_common.h"
#include "harmony/fs_algo.h"

namespace songloom::harmony {

int RenderSong(arrange::EngineContext& ctx, const song::SongData& song, int category, int slot,
               const std::string& outputPath)
{
    arrange::SelectStyle(ctx.reporter, ctx.catalogue, category, slot, ctx.activeStyle, ctx.timeCharts);
    // The song's meter wins over the one the style was written for.
    arrange::FitStyleToMeter(ctx.activeStyle, song.beats());
    ctx.timeCharts = arrange::ChooseTimeCharts(ctx.activeStyle);
    CFSAlgo(ctx).ConvertSong(song, song.bars(), song.beats());
    CFirstSongCommon composer(ctx);
    composer.Prepare(song.info.instrument, song.info.tempo);
    return composer.Compose(outputPath, FieldText(song.info.title.data(), song.info.title.size()),
                            FieldText(song.info.composer.data(), song.info.composer.size()));
}

}  // namespace songloom::harmony
