#pragma once
// Playback choices the binary settings record has no room for: the
// soundfont of the built-in synthesizer, the output port, the playback
// transposition, the keyboard's input port and the instrument the score is
// shown for. Kept as
// "key=value" lines in a small text file of their own, so that the record
// keeps its exact size.

#include <string>

#include "common/reporter.h"
#include "playback/devices/fluid_synth_engine.h"
#include "playback/midi_output.h"

namespace songloom::playback {

inline constexpr int kNoKeyboard = -1;
inline constexpr int kMaxTranspose = 24;

struct PlaybackSettings {
    std::string soundFont = DefaultSoundFont();
    int port = kSystemMapperPort;
    double gain = kDefaultLiveGain;  // of the built-in synthesizer
    int transpose = 0;               // semitones every part but the drums plays higher
    int keyboard = kNoKeyboard;      // ALSA input port of the MIDI keyboard
    std::string instrumentKey = "C"; // the score as this instrument reads it

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
