#include "app/setup_settings.h"

#include <algorithm>
#include <cstring>

#include "common/general.h"

namespace songloom::app {
namespace {

void PutInt(std::span<std::uint8_t> out, std::size_t at, std::int32_t value)
{
    const auto v = static_cast<std::uint32_t>(value);
    for (std::size_t i = 0; i < 4; ++i) out[at + i] = static_cast<std::uint8_t>(v >> (8 * i));
}

std::int32_t GetInt(std::span<const std::uint8_t> in, std::size_t at)
{
    std::uint32_t v = 0;
    for (std::size_t i = 0; i < 4; ++i) v |= static_cast<std::uint32_t>(in[at + i]) << (8 * i);
    return static_cast<std::int32_t>(v);
}

}  // namespace

std::array<std::uint8_t, settings_image::kSize> EncodeSettings(const SetupSettings& settings)
{
    using namespace settings_image;
    std::array<std::uint8_t, kSize> out{};
    const std::size_t n = std::min(settings.currentFile.size(), kCurrentFileSize - 1);
    std::memcpy(out.data() + kCurrentFile, settings.currentFile.data(), n);
    PutInt(out, kKeyboardLow, settings.keyboardLow);
    PutInt(out, kKeyboardHigh, settings.keyboardHigh);
    return out;
}

SetupSettings DecodeSettings(std::span<const std::uint8_t> bytes, const SetupSettings& defaults)
{
    using namespace settings_image;
    // Lay the file over the default image so that a short file keeps the
    // defaults of the fields it does not reach.
    auto image = EncodeSettings(defaults);
    std::copy_n(bytes.begin(), std::min(bytes.size(), kSize), image.begin());
    SetupSettings s;
    const auto* name = reinterpret_cast<const char*>(image.data() + kCurrentFile);
    s.currentFile.assign(name, strnlen(name, kCurrentFileSize));
    s.keyboardLow = GetInt(image, kKeyboardLow);
    s.keyboardHigh = GetInt(image, kKeyboardHigh);
    return s;
}

SetupSettings LoadSettings(const std::string& path, const SetupSettings& defaults)
{
    std::vector<std::uint8_t> bytes;
    if (!FileExists(path) || !ReadWholeFile(path, bytes, 1 << 20)) return defaults;
    return DecodeSettings(bytes, defaults);
}

bool SaveSettings(Reporter& reporter, const std::string& path, const SetupSettings& settings)
{
    const auto image = EncodeSettings(settings);
    return WriteWholeFile(reporter, path, std::span<const std::uint8_t>(image));
}

int RepairSettings(SetupSettings& settings, const std::function<void()>& onRepair)
{
    int repairs = 0;
    auto repaired = [&] {
        ++repairs;
        if (onRepair) onRepair();
    };
    if (settings.keyboardLow < 0) {
        settings.keyboardLow = kDefaultKeyboardLow;
        repaired();
    }
    if (settings.keyboardHigh > 127) {
        settings.keyboardHigh = kDefaultKeyboardHigh;
        repaired();
    }
    if (settings.keyboardHigh < settings.keyboardLow) {
        settings.keyboardHigh = settings.keyboardLow + 12;
        repaired();
    }
    return repairs;
}

}  // namespace songloom::app
