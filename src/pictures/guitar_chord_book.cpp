#include "pictures/guitar_chord_book.h"

#include <algorithm>

namespace songloom::pictures {
namespace {

constexpr std::array<std::string_view, 12> kSharpRoots = {"C", "C#", "D", "D#", "E", "F",
                                                          "F#", "G", "G#", "A", "A#", "B"};

std::string_view SharpPart(std::string_view name) { return name.substr(0, name.find('/')); }

}  // namespace

std::string_view BookTypeOfSongSuffix(std::string_view songSuffix) {
    if (songSuffix.empty()) return {};
    for (const ChordBookType& type : kChordBookTypes) {
        if (type.songSuffix == songSuffix) return type.bookName;
    }
    return {};
}

std::string ChordBookName(int root, std::string_view bookType) {
    std::string name(kSharpRoots[static_cast<std::size_t>(((root % 12) + 12) % 12)]);
    name += bookType;
    return name;
}

std::span<const ChordBookEntry> FindChord(std::string_view name) {
    const auto first = std::find_if(kChordBook.begin(), kChordBook.end(),
                                    [&](const ChordBookEntry& e) { return SharpPart(e.name) == name; });
    if (first == kChordBook.end()) return {};
    const auto last = std::find_if(first, kChordBook.end(),
                                   [&](const ChordBookEntry& e) { return SharpPart(e.name) != name; });
    return {first, last};
}

int FirstFretFor(const ChordBookEntry& entry, int shownFrets) {
    int low = 0;
    int high = 0;
    for (int fret : entry.frets) {
        if (fret <= 0) continue;
        low = low == 0 ? fret : std::min(low, fret);
        high = std::max(high, fret);
    }
    return high <= shownFrets ? 1 : low;
}

std::array<int, 6> SoundingNotes(const ChordBookEntry& entry) {
    std::array<int, 6> notes{};
    for (std::size_t i = 0; i < 6; ++i) {
        notes[i] = entry.frets[i] < 0 ? -1 : kOpenStrings[i] + entry.frets[i];
    }
    return notes;
}

}  // namespace songloom::pictures
