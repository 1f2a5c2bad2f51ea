#include "song/bar_notation.h"

#include <algorithm>

#include "common/messages.h"
#include "common/text.h"
#include "song/chord_symbol.h"
#include "song/song_data.h"

namespace songloom::song {
namespace {

// One melody cell laid out on the song's time line.
struct TimedCell {
    Tick start;
    Tick length;
    int value;
    bool triplet;
    std::size_t slot;
};

std::vector<TimedCell> LayOutCells(const SongView& song, std::size_t slotCount) {
    std::vector<TimedCell> cells;
    cells.reserve(slotCount * 3);
    for (std::size_t slot = 0; slot < slotCount; ++slot) {
        const auto& c = song.melody[slot].cell;
        const Tick base = static_cast<Tick>(slot) * kTicksPerEighth;
        if (c[2] == kNotTriplet) {
            cells.push_back({base, kTicksPerSixteenth, c[0], false, slot});
            cells.push_back({base + kTicksPerSixteenth, kTicksPerSixteenth, c[1], false, slot});
        } else {
            for (int i = 0; i < 3; ++i) {
                cells.push_back({base + i * kTicksPerTripletCell, kTicksPerTripletCell,
                                 c[static_cast<std::size_t>(i)], true, slot});
            }
        }
    }
    return cells;
}

// Largest written value that may stand at position p (ticks from the bar
// start) within remaining ticks, keeping every beat visible.
Tick NextPiece(Tick p, Tick remaining, Tick barLength, bool rest) {
    const Tick inBeat = p % kTicksPerQuarter;
    auto fits = [&](Tick c) { return c <= remaining && p + c <= barLength; };
    if (p == 0 && remaining >= barLength && barLength == 4 * kTicksPerQuarter) return barLength;
    if (!rest && inBeat == 0 && fits(288)) return 288;
    if (inBeat == 0 && fits(192) && (!rest || p % 192 == 0)) return 192;
    if (!rest && inBeat == 0 && fits(144)) return 144;
    if (inBeat == 0 && fits(96)) return 96;
    if (!rest && inBeat + 72 <= kTicksPerQuarter && fits(72)) return 72;
    if (inBeat + 48 <= kTicksPerQuarter && fits(48)) return 48;
    return std::min<Tick>(kTicksPerSixteenth, remaining);
}

void AppendPieces(std::vector<StaffNote>& out, int pitch, Tick p, Tick length, Tick barLength) {
    const bool rest = pitch < 0;
    if (rest && p == 0 && length == barLength) {
        // A whole-bar rest is the whole rest in any time signature.
        out.push_back({pitch, p, length, kind::kWhole, 0, false, false, false, 0});
        return;
    }
    while (length > 0) {
        const Tick piece = NextPiece(p, length, barLength, rest);
        StaffNote note;
        note.pitch = pitch;
        note.start = p;
        note.length = piece;
        note.kind = KindOfLength(piece, note.dots);
        if (note.kind < 0) note.kind = kind::kSixteenth;
        note.tieToNext = !rest && piece < length;
        out.push_back(note);
        p += piece;
        length -= piece;
    }
}

}  // namespace

int KindOfLength(Tick length, int& dots) {
    dots = 0;
    switch (length) {
    case 24: return kind::kSixteenth;
    case 48: return kind::kEighth;
    case 72: dots = 1; return kind::kDottedEighth;
    case 96: return kind::kQuarter;
    case 144: dots = 1; return kind::kDottedQuarter;
    case 192: return kind::kHalf;
    case 240: return kind::kHalfAndEighth;
    case 288: dots = 1; return kind::kDottedHalf;
    case 336: dots = 2; return kind::kDottedHalf;
    case 384: return kind::kWhole;
    default: return -1;
    }
}

BarContent BuildBarContent(Reporter& reporter, const SongView& song, int bar) {
    BarContent content;
    const int beats = song.beats > 0 ? song.beats : 4;
    content.length = beats * kTicksPerQuarter;
    const std::size_t slotCount =
        std::min(song.melody.size(), static_cast<std::size_t>(std::max(0, song.bars) * beats * 2));
    const Tick barStart = bar * content.length;
    const Tick barEnd = barStart + content.length;
    if (bar < 0 || bar >= song.bars || static_cast<Tick>(slotCount) * kTicksPerEighth < barEnd) {
        return content;
    }
    const std::vector<TimedCell> cells = LayOutCells(song, slotCount);
    std::size_t first = 0;
    while (first < cells.size() && cells[first].start < barStart) ++first;

    // The run sounding at the bar's start may have begun in an earlier bar.
    std::size_t runStart = first;
    while (runStart > 0 && cells[runStart].value == kHold) --runStart;

    std::size_t i = runStart;
    while (i < cells.size() && cells[i].start < barEnd) {
        std::size_t end = i + 1;
        while (end < cells.size() && cells[end].value == kHold) ++end;
        const int value = cells[i].value == kHold ? kRestPitch : cells[i].value;
        const int pitch = value >= 0 ? value : kRestPitch;
        const Tick runBegin = cells[i].start;
        const Tick runEnd = end < cells.size() ? cells[end].start : cells.back().start + cells.back().length;
        const Tick from = std::max(runBegin, barStart);
        const Tick to = std::min(runEnd, barEnd);

        if (pitch >= 0 && runBegin >= barStart) {
            const Tick total = runEnd - runBegin;
            bool tripletOnly = true;
            for (std::size_t k = i; k < end; ++k) {
                if (!cells[k].triplet || cells[k].slot != cells[i].slot) tripletOnly = false;
            }
            if (total > 8 * kTicksPerEighth) {
                FirstSongCommonErrorMsg(reporter, 1);
            } else if (total < kTicksPerEighth && total != kTicksPerSixteenth && !tripletOnly) {
                FirstSongCommonErrorMsg(reporter, 0);
            }
        }

        // Split the bar's part of the run where triplet slots begin or end.
        const std::size_t before = content.notes.size();
        std::size_t k = i;
        while (k < end && cells[k].start + cells[k].length <= from) ++k;
        while (k < end && cells[k].start < to) {
            std::size_t m = k + 1;
            if (cells[k].triplet) {
                while (m < end && cells[m].slot == cells[k].slot) ++m;
            } else {
                while (m < end && !cells[m].triplet && cells[m].start < to) ++m;
            }
            const Tick a = std::max(cells[k].start, from) - barStart;
            const Tick b = std::min(cells[m - 1].start + cells[m - 1].length, to) - barStart;
            if (cells[k].triplet && b - a < kTicksPerEighth) {
                StaffNote note;
                note.pitch = pitch;
                note.start = a;
                note.length = b - a;
                note.kind = b - a > kTicksPerTripletCell ? kind::kEighth : kind::kSixteenth;
                note.triplet = true;
                content.notes.push_back(note);
            } else {
                AppendPieces(content.notes, pitch, a, b - a, content.length);
            }
            k = m;
        }
        if (pitch >= 0 && content.notes.size() > before) {
            for (std::size_t n = before; n + 1 < content.notes.size(); ++n) content.notes[n].tieToNext = true;
            content.notes[before].tieFromBefore = runBegin < barStart;
            content.notes.back().tieToNext = runEnd > barEnd;
        }
        i = end;
    }

    // Two eighths that share a beat are beamed.
    auto& notes = content.notes;
    for (std::size_t n = 0; n + 1 < notes.size(); ++n) {
        StaffNote& a = notes[n];
        StaffNote& b = notes[n + 1];
        if (!a.IsRest() && !b.IsRest() && a.kind == kind::kEighth && b.kind == kind::kEighth && !a.triplet &&
            !b.triplet && a.start % kTicksPerQuarter == 0 && b.start == a.start + kTicksPerEighth) {
            a.kind = kind::kBeamStart;
            b.kind = kind::kBeamEnd;
            ++n;
        }
    }

    // Chord names where the chord changes, and at the start of every bar.
    std::string previous;
    for (int beat = 0; beat < beats; ++beat) {
        const auto index = static_cast<std::size_t>(bar * beats + beat);
        if (index >= song.chordNames.size()) break;
        std::string name = song.chordNames[index];
        while (!name.empty() && name.back() == ' ') name.pop_back();
        if (name.empty() || name == "----") continue;
        if (beat == 0 || name != previous) content.chordNames.push_back({beat * kTicksPerQuarter, name});
        previous = name;
    }

    // Lyrics at the cell where they were entered.
    for (std::size_t slot = static_cast<std::size_t>(bar * beats * 2);
         slot < static_cast<std::size_t>((bar + 1) * beats * 2); ++slot) {
        const SlotView& view = song.melody[slot];
        const bool triplet = view.cell[2] != kNotTriplet;
        for (int c = 0; c < (triplet ? 3 : 2); ++c) {
            const std::string& text = view.text[static_cast<std::size_t>(c)];
            if (text.empty()) continue;
            const Tick offset = c * (triplet ? kTicksPerTripletCell : kTicksPerSixteenth);
            content.lyrics.push_back({static_cast<Tick>(slot) * kTicksPerEighth + offset - barStart, text});
        }
    }
    return content;
}

SongView SongViewOf(const SongData& song) {
    SongView view;
    view.bars = song.bars();
    view.beats = song.beats();
    view.keySignature = IsValidKey(song.key()) ? KeyTable[static_cast<std::size_t>(song.key())].signature : 0;
    const int slots = std::min<int>(song.ActiveSlots(), MaxSlots);
    view.melody.resize(static_cast<std::size_t>(slots));
    for (int i = 0; i < slots; ++i) {
        const MelodySlot& slot = song.melody[static_cast<std::size_t>(i)];
        SlotView& out = view.melody[static_cast<std::size_t>(i)];
        out.cell = slot.cell;
        for (std::size_t c = 0; c < 3; ++c) out.text[c] = std::string(FieldText(slot.text[c].data(), slot.text[c].size()));
    }
    const int beats = std::min<int>(song.ActiveBeats(), MaxBeats);
    for (int b = 0; b < beats; ++b) view.chordNames.emplace_back(song.ChordName(b));
    return view;
}

int TransposedSignature(int signature, int semitones) {
    constexpr int kMajor = 0;
    int tonic = -1;
    for (const KeyRow& row : KeyTable) {
        if (row.signature == signature && row.mode == kMajor) tonic = row.tonic;
    }
    if (tonic < 0) return signature;
    const int target = ((tonic + semitones) % 12 + 12) % 12;
    int best = signature;
    bool found = false;
    for (const KeyRow& row : KeyTable) {
        if (row.mode != kMajor || row.tonic != target) continue;
        const bool better = !found || std::abs(row.signature) < std::abs(best) ||
                            (std::abs(row.signature) == std::abs(best) && (row.signature < 0) == (signature < 0));
        if (better) best = row.signature;
        found = true;
    }
    return best;
}

SongView TransposedView(const SongView& view, int semitones) {
    if (semitones == 0) return view;
    SongView moved = view;
    moved.keySignature = TransposedSignature(view.keySignature, semitones);
    for (SlotView& slot : moved.melody) {
        for (int& value : slot.cell) {
            if (value < 0) continue;
            value += semitones;
            while (value > 127) value -= 12;
            while (value < 0) value += 12;
        }
    }
    const bool flats = moved.keySignature < 0;
    for (std::string& name : moved.chordNames) {
        ChordSymbol chord;
        if (ParseChordSymbol(name, chord)) name = ChordDisplayName(TransposedChord(chord, semitones), flats);
    }
    return moved;
}

}  // namespace songloom::song
