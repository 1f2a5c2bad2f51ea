#pragma once
// The settings record kept in "setup.ini": the song file last opened or saved
// and the keyboard palette's range. 268 bytes, little-endian, no header.

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "common/reporter.h"

namespace songloom::app {

inline constexpr std::string_view kSettingsFileName = "setup.ini";

namespace settings_image {
inline constexpr std::size_t kCurrentFile = 0;
inline constexpr std::size_t kCurrentFileSize = 260;
inline constexpr std::size_t kKeyboardLow = 260;
inline constexpr std::size_t kKeyboardHigh = 264;
inline constexpr std::size_t kSize = 268;
}  // namespace settings_image
static_assert(settings_image::kKeyboardHigh + 4 == settings_image::kSize, "setup.ini is 268 bytes");

inline constexpr int kDefaultKeyboardLow = 48;
inline constexpr int kDefaultKeyboardHigh = 83;

struct SetupSettings {
    // Path of the song file last opened or saved (UTF-8 as the file system
    // gives it), zero-terminated in the record: at most 259 bytes are kept.
    std::string currentFile;
    std::int32_t keyboardLow = kDefaultKeyboardLow;
    std::int32_t keyboardHigh = kDefaultKeyboardHigh;
    bool operator==(const SetupSettings&) const = default;
};

std::array<std::uint8_t, settings_image::kSize> EncodeSettings(const SetupSettings& settings);
// Decodes the first bytes of a record over defaults: a short file leaves the
// fields it does not reach as they were.
SetupSettings DecodeSettings(std::span<const std::uint8_t> bytes, const SetupSettings& defaults);

// The record in path, or defaults when there is no file.
SetupSettings LoadSettings(const std::string& path, const SetupSettings& defaults = {});
// Writes the 268 bytes (atomically). Failure: GENE 0x01000007, false.
bool SaveSettings(Reporter& reporter, const std::string& path, const SetupSettings& settings);

// The start-up checks, in order: low below 0 -> 48; high above 127 -> 83;
// high below low -> low + 12. Each repaired value calls onRepair once (the
// window shows its message 10). Returns the number of repairs.
int RepairSettings(SetupSettings& settings, const std::function<void()>& onRepair);

}  // namespace songloom::app
