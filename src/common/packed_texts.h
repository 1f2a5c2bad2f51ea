#pragma once
// A table of texts that holds no pointers. An array of string_views is an
// array of pointers, and a position-independent program relocates those,
// writing every page that holds one, each time it starts. Packed, the texts
// are one array of bytes with the offset where each begins, all made while
// the program is compiled:
//
//     constexpr std::array<std::string_view, 3> kNameSource = {"a", "", "bc"};
//     constexpr auto kNames = PackTexts<kNameSource>();
//     kNames[2] == "bc"
//
// The source array is only read by the compiler and does not reach the
// program.

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>

namespace songloom {

template <std::size_t Count, std::size_t Bytes>
class PackedTexts {
public:
    consteval explicit PackedTexts(std::span<const std::string_view, Count> texts)
    {
        std::size_t used = 0;
        for (std::size_t i = 0; i < Count; ++i) {
            starts_[i] = static_cast<std::uint32_t>(used);
            for (const char c : texts[i]) bytes_[used++] = c;
        }
        starts_[Count] = static_cast<std::uint32_t>(used);
    }

    constexpr std::size_t size() const { return Count; }
    constexpr std::string_view operator[](std::size_t index) const
    {
        return {bytes_.data() + starts_[index], starts_[index + 1] - starts_[index]};
    }

private:
    std::array<std::uint32_t, Count + 1> starts_{};
    std::array<char, Bytes> bytes_{};
};

consteval std::size_t TextBytes(std::span<const std::string_view> texts)
{
    std::size_t bytes = 0;
    for (const std::string_view text : texts) bytes += text.size();
    return bytes;
}

template <const auto& Texts>
consteval auto PackTexts()
{
    constexpr std::size_t count = std::size(Texts);
    return PackedTexts<count, TextBytes(Texts)>(std::span<const std::string_view, count>(Texts));
}

}  // namespace songloom
