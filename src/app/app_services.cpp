#include "app/app_services.h"

#include <algorithm>
#include <cstdlib>
#include <iterator>
#include <utility>

#include "arrange/engine_context.h"
#include "harmony/midi_import.h"
#include "compose/render_song.h"

namespace songloom::app {

AppServices::AppServices(Reporter& reporter_, std::string workDir_)
    : reporter(reporter_), workDir(std::move(workDir_))
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

void ApplyStyleDefaults(const AppServices& services, song::SongData& song)
{
    const arrange::StyleRecord* style = services.StyleOf(song);
    if (style == nullptr) return;
    song.info.tempo = StyleDefaultTempo(*style);
    const int instrument = StyleDefaultInstrument(*style);
    if (instrument >= 0 && instrument < arrange::kInstrumentCodeCount) song.info.instrument = instrument;
}

void OncePerRenderReporter::Report(const ErrorReport& report)
{
    if (rendering_) {
        std::string key = std::string(report.tag) + '\n' + std::to_string(report.code) + '\n' + report.message;
        if (std::find(shown_.begin(), shown_.end(), key) != shown_.end()) return;
        shown_.push_back(std::move(key));
    }
    target_.Report(report);
}

void OncePerRenderReporter::Terminate(const ErrorReport& report)
{
    target_.Terminate(report);
    std::abort();  // the target ends the process; this is never reached
}

arrange::PerformanceSettings PerformanceOf(const playback::PlaybackSettings& settings)
{
    static constexpr arrange::IntroKind kIntros[] = {arrange::IntroKind::kNone, arrange::IntroKind::kCountIn,
                                                     arrange::IntroKind::kGroove2, arrange::IntroKind::kGroove4};
    static_assert(std::size(kIntros) == playback::kIntroNames.size());
    arrange::PerformanceSettings performance;
    if (settings.intro >= 0 && settings.intro < static_cast<int>(std::size(kIntros))) {
        performance.intro = kIntros[settings.intro];
    }
    performance.ending = settings.ending;
    performance.humanize = std::clamp(settings.humanize, playback::kStyleHumanize, playback::kMaxHumanize);
    return performance;
}

void InstallEngine(AppServices& services)
{
    // One engine state for the whole run, made on the first rendering.
    struct Engine {
        explicit Engine(Reporter& reporter) : reporter(reporter) {}
        OncePerRenderReporter reporter;
        std::unique_ptr<arrange::EngineContext> context;
    };
    auto engine = std::make_shared<Engine>(services.reporter);
    services.render = [&services, engine](const song::SongData& song, const std::string& path) {
        if (!engine->context) {
            engine->context = compose::MakeEngine(engine->reporter, services.random, services.catalogue,
                                                  services.startStyle, services.workDir);
        }
        engine->context->performance = services.performance;
        engine->reporter.BeginRender();
        const compose::RenderResult result =
            compose::RenderSong(*engine->context, song, song.info.category, song.info.style, path);
        engine->reporter.EndRender();
        // A failure has been reported; the caller plays nothing.
        return result.Written();
    };
    services.import = [&services](song::SongData& song, const std::string& path, harmony::MidiImportReport* report) {
        // The imported melody plays on the instrument of the current style.
        int instrument = song.info.instrument;
        if (const arrange::StyleRecord* style = services.StyleOf(song)) {
            const int fromStyle = StyleDefaultInstrument(*style);
            if (fromStyle >= 0 && fromStyle < arrange::kInstrumentCodeCount) instrument = fromStyle;
        }
        return harmony::ImportMidi(services.reporter, path, song, instrument, report);
    };
}

}  // namespace songloom::app
