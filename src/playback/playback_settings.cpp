#include "playback/playback_settings.h"

#include <algorithm>
#include <charconv>
#include <climits>
#include <cstdlib>
#include <filesystem>
#include <string_view>
#include <vector>

#include "common/general.h"
#include "common/transposing_instrument.h"

namespace songloom::playback {
namespace {

constexpr std::size_t kMaxSettingsBytes = 65536;

std::string_view Trim(std::string_view s)
{
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r')) s.remove_suffix(1);
    return s;
}

// value when it is a whole number within low..high; out unchanged otherwise.
void ParseInt(std::string_view value, int low, int high, int& out)
{
    int number = 0;
    const auto [end, error] = std::from_chars(value.data(), value.data() + value.size(), number);
    if (error == std::errc() && end == value.data() + value.size() && number >= low && number <= high) out = number;
}

std::size_t IntroIndex(int intro)
{
    return intro >= 0 && static_cast<std::size_t>(intro) < kIntroNames.size() ? static_cast<std::size_t>(intro) : 0;
}

}  // namespace

std::string DefaultPlaybackSettingsPath()
{
    const char* xdg = std::getenv("XDG_CONFIG_HOME");
    if (xdg && *xdg) return std::string(xdg) + "/songloom/playback.ini";
    const char* home = std::getenv("HOME");
    if (home && *home) return std::string(home) + "/.config/songloom/playback.ini";
    return {};
}

PlaybackSettings LoadPlaybackSettings(const std::string& path)
{
    PlaybackSettings settings;
    std::vector<std::uint8_t> bytes;
    if (path.empty() || !ReadWholeFile(path, bytes, kMaxSettingsBytes)) return settings;
    const std::string text(bytes.begin(), bytes.end());
    std::string_view rest = text;
    while (!rest.empty()) {
        const std::size_t newline = rest.find('\n');
        const std::string_view line = rest.substr(0, newline);
        rest = newline == std::string_view::npos ? std::string_view() : rest.substr(newline + 1);
        const std::size_t equals = line.find('=');
        if (equals == std::string_view::npos) continue;
        const std::string_view key = Trim(line.substr(0, equals));
        const std::string_view value = Trim(line.substr(equals + 1));
        if (key == "soundfont" && !value.empty()) {
            settings.soundFont = std::string(value);
        } else if (key == "gain") {
            double gain = 0;
            const auto [end, error] = std::from_chars(value.data(), value.data() + value.size(), gain);
            if (error == std::errc() && end == value.data() + value.size() && gain >= kMinGain &&
                gain <= kMaxGain) {
                settings.gain = gain;
            }
        } else if (key == "port") {
            ParseInt(value, kSystemMapperPort, INT_MAX, settings.port);
        } else if (key == "transpose") {
            ParseInt(value, -kMaxTranspose, kMaxTranspose, settings.transpose);
        } else if (key == "keyboard") {
            ParseInt(value, kNoKeyboard, INT_MAX, settings.keyboard);
        } else if (key == "instrument_key" && FindTransposingInstrument(value)) {
            settings.instrumentKey = std::string(value);
        } else if (key == "intro") {
            const auto* found = std::find(kIntroNames.begin(), kIntroNames.end(), value);
            if (found != kIntroNames.end()) settings.intro = static_cast<int>(found - kIntroNames.begin());
        } else if (key == "ending" && (value == "on" || value == "off")) {
            settings.ending = value == "on";
        } else if (key == "humanize") {
            if (value == "style") settings.humanize = kStyleHumanize;
            else ParseInt(value, 0, kMaxHumanize, settings.humanize);
        }
    }
    return settings;
}

bool SavePlaybackSettings(Reporter& reporter, const std::string& path,
                          const PlaybackSettings& settings)
{
    std::error_code ec;
    const auto folder = std::filesystem::path(path).parent_path();
    if (!folder.empty()) std::filesystem::create_directories(folder, ec);
    // to_chars: a point whatever the locale, as from_chars reads it.
    char gain[32];
    const auto written = std::to_chars(gain, gain + sizeof gain, settings.gain);
    const std::string text = "soundfont=" + settings.soundFont + "\nport=" + std::to_string(settings.port) +
                             "\ngain=" + std::string(gain, written.ptr) +
                             "\ntranspose=" + std::to_string(settings.transpose) +
                             "\nkeyboard=" + std::to_string(settings.keyboard) +
                             "\ninstrument_key=" + settings.instrumentKey +
                             "\nintro=" + std::string(kIntroNames[IntroIndex(settings.intro)]) +
                             "\nending=" + (settings.ending ? "on" : "off") + "\nhumanize=" +
                             (settings.humanize < 0 ? std::string("style") : std::to_string(settings.humanize)) +
                             "\n";
    return WriteWholeFile(reporter, path, std::string_view(text));
}

}  // namespace songloom::playback
