#include "app/app_services.h"

#if __has_include("compose/render_song.h")
#include "arrange/engine_context.h"
#include "compose/render_song.h"
#define SONGLOOM_APP_HAS_RENDERER 1
#endif

#include <utility>

#include "harmony/midi_import.h"

#include "arrange/engine_context.h"

namespace songloom::app {

bool SilentPlaybackPort::Play(const std::string&, std::function<void(int)>, std::function<void()>)
{
    ShowErrorBox(reporter_, kNotAvailableText, false);
    return false;
}

AppServices::AppServices(Reporter& reporter_, std::string workDir_)
    : reporter(reporter_), workDir(std::move(workDir_)), playback(std::make_unique<SilentPlaybackPort>(reporter_))
{
}

AppServices::~AppServices() = default;

void AppServices::BuildCatalogue(std::uint32_t seed)
{
    random.Seed(seed);
    arrange::BuildStyleCatalogue(random, catalogue, startStyle);
}

const arrange::StyleRecord* AppServices::StyleOf(const song::SongData& song) const
{
    return arrange::CatalogueRecord(catalogue, song.info.category, song.info.style);
}

void InstallEngine(AppServices& services)
{
#ifdef SONGLOOM_APP_HAS_RENDERER
    // One engine state for the whole run, made on the first rendering.
    auto engine = std::make_shared<std::unique_ptr<arrange::EngineContext>>();
    services.render = [&services, engine](const song::SongData& song, const std::string& path) {
        if (!*engine) {
            *engine = std::make_unique<arrange::EngineContext>(services.reporter, services.random,
                                                                services.catalogue, services.workDir);
        }
        return compose::RenderSong(**engine, song, song.info.category, song.info.style, path).Written();
    };
#else
    services.render = [&services](const song::SongData&, const std::string&) {
        ShowErrorBox(services.reporter, kNotAvailableText, false);
        return false;
    };
#endif
    services.import = [&services](song::SongData& song, const std::string& path) {
        // The imported melody plays on the instrument of the current style.
        int instrument = song.info.instrument;
        if (const arrange::StyleRecord* style = services.StyleOf(song)) {
            const int fromStyle = StyleDefaultInstrument(*style);
            if (fromStyle >= 0 && fromStyle < 152) instrument = fromStyle;
        }
        return harmony::ImportMidi(services.reporter, path, song, instrument);
    };
}

}  // namespace songloom::app
