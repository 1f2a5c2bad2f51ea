#include "app/style_preview.h"

#include <filesystem>

#include "app/main_window_logic.h"
#include "common/general.h"
#include "compose/render_song.h"

namespace songloom::app {

song::SongData StylePreviewSong(const AppServices& services, const song::SongData& song, int category, int style)
{
    song::SongData excerpt = compose::PreviewExcerpt(services.reporter, song);
    if (category == song.info.category && style == song.info.style) return excerpt;
    excerpt.info.category = category;
    excerpt.info.style = style;
    // As choosing the style would: its tempo and melody instrument come along.
    ApplyStyleDefaults(services, excerpt);
    return excerpt;
}

StylePreview::StylePreview(AppServices& services, std::function<bool()> busy, std::function<void()> beforePlay,
                           QObject* parent)
    : QObject(parent), services_(services), busy_(std::move(busy)), beforePlay_(std::move(beforePlay))
{
}

bool StylePreview::Play(const song::SongData& song, int category, int style)
{
    if (busy_()) return false;
    if (playing_ && category == category_ && style == style_) return true;
    Stop();
    const std::string path = WorkFile(services_.workDir, kPreviewFile);
    std::error_code ec;
    std::filesystem::remove(path, ec);
    // The style from its first bar: the options' intro is left out.
    const arrange::PerformanceSettings chosen = services_.performance;
    services_.performance.intro = arrange::IntroKind::kNone;
    const bool rendered = services_.render(StylePreviewSong(services_, song, category, style), path);
    services_.performance = chosen;
    if (!rendered || !FileExists(path)) return false;
    beforePlay_();
    const int generation = ++generation_;
    const bool started = services_.playback->Play(
        path, [](int) {},
        [this, generation] {
            // From the playback thread; handled on the window's.
            QMetaObject::invokeMethod(
                this,
                [this, generation] {
                    if (generation == generation_) SetPlaying(false);
                },
                Qt::QueuedConnection);
        });
    if (!started) return false;
    category_ = category;
    style_ = style;
    SetPlaying(true);
    return true;
}

void StylePreview::Stop()
{
    if (!playing_) return;
    services_.playback->Stop();
    Forget();
}

void StylePreview::Forget()
{
    ++generation_;
    SetPlaying(false);
}

void StylePreview::SetPlaying(bool playing)
{
    if (!playing) category_ = style_ = -1;
    if (playing == playing_) return;
    playing_ = playing;
    emit playingChanged(playing_);
}

}  // namespace songloom::app
