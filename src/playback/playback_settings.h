#pragma once
// Playback choices the binary settings record has no room for: the
// soundfont of the built-in synthesizer and the output port. Kept as
// "key=value" lines in a small text file of their own, so that the record
// keeps its exact size.

#include <string>

#include "common/reporter.h"
#include "playback/devices/fluid_synth_engine.h"
#include "playback/midi_output.h"

namespace songloom::playback {

struct PlaybackSettings {
    std::string soundFont = DefaultSoundFont();
    int port = kSystemMapperPort;
    double gain = kDefaultLiveGain;  // of the built-in synthesizer

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
