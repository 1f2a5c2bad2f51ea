#include "song/song_dump.h"

#include <cstdio>

#include "common/text.h"

namespace songloom::song {
namespace {

std::string Utf8Field(const char* field, std::size_t size) { return Cp932ToUtf8(FieldText(field, size)); }

template <std::size_t N>
std::string Utf8Field(const std::array<char, N>& field)
{
    return Utf8Field(field.data(), N);
}

}  // namespace

std::string DisplayChordName(std::string_view stored)
{
    while (!stored.empty() && stored.back() == ' ') stored.remove_suffix(1);
    return Cp932ToUtf8(stored);
}

std::string SongDumpText(const SongData& song)
{
    std::string out;
    const auto line = [&out](const std::string& text) { out.append(text).append("\n"); };
    line("bars " + std::to_string(song.bars()));
    line("beats " + std::to_string(song.beats()) + " (" + std::to_string(song.beats()) + "/4)");
    line("key " + std::string(KeyTable[song.key()].name) + " (" + std::to_string(song.key()) + ")");
    line("title \"" + Utf8Field(song.info.title) + "\"");
    line("composer \"" + Utf8Field(song.info.composer) + "\"");
    line("category " + std::to_string(song.info.category));
    line("style " + std::to_string(song.info.style));
    line("tempo " + std::to_string(song.info.tempo));
    line("instrument " + std::to_string(song.info.instrument));
    line("chords");
    for (int bar = 0; bar < song.bars(); ++bar) {
        std::string row = "  " + std::to_string(bar + 1) + ":";
        for (int beat = 0; beat < song.beats(); ++beat) {
            row += (beat == 0 ? " " : " | ") + DisplayChordName(song.ChordName(bar * song.beats() + beat));
        }
        line(row);
    }
    line("melody");
    for (int s = 0; s < song.ActiveSlots(); ++s) {
        const MelodySlot& slot = song.melody[s];
        char cells[64];
        std::snprintf(cells, sizeof cells, "  %d.%d %4d %4d %4d", s / song.SlotsPerBar() + 1,
                      s % song.SlotsPerBar() + 1, slot.cell[0], slot.cell[1], slot.cell[2]);
        std::string row = cells;
        for (const auto& text : slot.text) row += " \"" + Utf8Field(text.data(), text.size()) + "\"";
        line(row);
    }
    return out;
}

}  // namespace songloom::song
