#pragma once
// Playback choices the binary settings record has no room for: the
// soundfont of the built-in synthesizer, the output port, the playback
// transposition, the keyboard's input port, the instrument the score is
// shown for, and how the band performs a rendering. Kept as
// "key=value" lines in a small text file of their own, so that the record
// keeps its exact size.

#include <array>
#include <string>
#include <string_view>

#include "common/reporter.h"
#include "playback/devices/fluid_synth_engine.h"
#include "playback/midi_output.h"

namespace songloom::playback {

inline constexpr int kNoKeyboard = -1;
inline constexpr int kMaxTranspose = 24;
// The intros a rendering may open with, by index: none, a bar counted in
// on sticks, two or four bars of the first chord's groove. The words are
// the file's values and those of `render --intro`.
inline constexpr std::array<std::string_view, 4> kIntroNames{"none", "count", "2", "4"};
inline constexpr int kStyleHumanize = -1;  // the style's own humanise amount
inline constexpr int kMaxHumanize = 100;

struct PlaybackSettings {
    std::string soundFont = DefaultSoundFont();
    int port = kSystemMapperPort;
    double gain = kDefaultLiveGain;  // of the built-in synthesizer
    int transpose = 0;               // semitones every part but the drums plays higher
    int keyboard = kNoKeyboard;      // ALSA input port of the MIDI keyboard
    std::string instrumentKey = "C"; // the score as this instrument reads it
    int intro = 0;                   // index into kIntroNames
    bool ending = true;              // the last chord held by the band
    int humanize = kStyleHumanize;   // 0-100, or the style's amount

    bool operator==(const PlaybackSettings&) const = default;
};

// "$XDG_CONFIG_HOME/songloom/playback.ini", or under "$HOME/.config" when
// XDG_CONFIG_HOME is not set; empty when neither is.
std::string DefaultPlaybackSettingsPath();

// A missing or unreadable file gives the defaults; unknown keys and
// malformed lines are skipped, a value that does not parse keeps its default.
PlaybackSettings LoadPlaybackSettings(const std::string& path);
// Creates the folder when needed; a failure reports GENE 0x01000007.
bool SavePlaybackSettings(Reporter& reporter, const std::string& path,
                          const PlaybackSettings& settings);

}  // namespace songloom::playback
