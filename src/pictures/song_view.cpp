#include "pictures/song_view.h"

#include "common/text.h"
#include "song/song_tables.h"

namespace songloom::pictures {

SongView SongViewOf(const song::SongData& song) {
    SongView view;
    view.bars = song.bars();
    view.beats = song.beats();
    view.keySignature = song::IsValidKey(song.key()) ? song::KeyTable[static_cast<std::size_t>(song.key())].signature : 0;
    const int slots = std::min<int>(song.ActiveSlots(), song::MaxSlots);
    view.melody.resize(static_cast<std::size_t>(slots));
    for (int i = 0; i < slots; ++i) {
        const song::MelodySlot& slot = song.melody[static_cast<std::size_t>(i)];
        SlotView& out = view.melody[static_cast<std::size_t>(i)];
        out.cell = slot.cell;
        for (std::size_t c = 0; c < 3; ++c) out.text[c] = std::string(FieldText(slot.text[c].data(), slot.text[c].size()));
    }
    const int beats = std::min<int>(song.ActiveBeats(), song::MaxBeats);
    for (int b = 0; b < beats; ++b) view.chordNames.emplace_back(song.ChordName(b));
    return view;
}

}  // namespace songloom::pictures
