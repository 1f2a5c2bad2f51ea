#pragma once
// A style heard before it is chosen: the song's first bars rendered in that
// style and played through the window's playback port. The excerpt is a
// copy, rendered to "preview.mid" of the working folder, so the working
// song, its undo stack and the last play's files stay as they are. One
// preview plays at a time, and none while the song or the phrase plays.

#include <QObject>
#include <functional>
#include <string_view>

#include "app/app_services.h"
#include "song/song_data.h"

namespace songloom::app {

inline constexpr std::string_view kPreviewFile = "preview.mid";

// What a preview of the style (category, style) plays: the song's first
// bars with its melody and chords, in that style's tempo and melody
// instrument (the song's own when it is the song's style).
song::SongData StylePreviewSong(const AppServices& services, const song::SongData& song, int category, int style);

class StylePreview : public QObject {
    Q_OBJECT
public:
    // busy(): the song or the phrase plays. beforePlay runs before the port
    // plays a preview (the palettes' note output closes, as for a play).
    StylePreview(AppServices& services, std::function<bool()> busy, std::function<void()> beforePlay,
                 QObject* parent = nullptr);

    // Renders song's excerpt in the style and plays it, in place of the
    // preview that played. The same style already playing plays on. false
    // when nothing plays: busy, or the rendering failed (reported).
    bool Play(const song::SongData& song, int category, int style);
    // Ends the preview that plays.
    void Stop();
    // The port went on to play something else: the preview is over.
    void Forget();

    bool playing() const { return playing_; }
    int category() const { return category_; }
    int style() const { return style_; }

signals:
    void playingChanged(bool playing);

private:
    void SetPlaying(bool playing);

    AppServices& services_;
    std::function<bool()> busy_;
    std::function<void()> beforePlay_;
    bool playing_ = false;
    int category_ = -1;
    int style_ = -1;
    // Counts the previews started and ended: an end reported by the player
    // of an earlier one is not this one's.
    int generation_ = 0;
};

}  // namespace songloom::app
