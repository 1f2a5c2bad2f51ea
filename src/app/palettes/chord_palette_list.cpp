#include "app/palettes/chord_palette_list.h"

#include "common/text.h"
#include "harmony/diatonic_chord_list.h"
#include "song/song_tables.h"

namespace songloom::app {

void ChordPaletteList::SetDefault(int key, int scale)
{
    const int k = song::IsValidKey(key) ? key : 0;
    scale_ = scale;
    rows_ = {harmony::DiatonicChordList(scale, song::KeyTable[static_cast<std::size_t>(k)].tonic)};
    romans_ = harmony::DiatonicChordList(scale, std::nullopt);
}

bool ChordPaletteList::Load(Reporter& reporter, const std::string& path)
{
    song::ListRows rows;
    const song::ListLimits limits{kChordPaletteColumns, kChordPaletteRows, kChordNameBytes};
    if (!song::ReadListFile(reporter, path, rows, limits)) return false;
    rows_ = std::move(rows);
    romans_.clear();
    return true;
}

bool ChordPaletteList::Save(Reporter& reporter, const std::string& path) const
{
    return song::WriteListFile(reporter, path, rows_);
}

bool ChordPaletteList::Contains(ChordButtonPos pos) const
{
    return pos.row >= 0 && pos.row < static_cast<int>(rows_.size()) && pos.column >= 0 &&
           pos.column < static_cast<int>(rows_[static_cast<std::size_t>(pos.row)].size());
}

std::string_view ChordPaletteList::At(ChordButtonPos pos) const
{
    if (!Contains(pos)) return {};
    return rows_[static_cast<std::size_t>(pos.row)][static_cast<std::size_t>(pos.column)];
}

bool ChordPaletteList::Replace(ChordButtonPos pos, std::string_view name)
{
    if (!Contains(pos)) return false;
    rows_[static_cast<std::size_t>(pos.row)][static_cast<std::size_t>(pos.column)] =
        TruncateCp932(name, kChordNameBytes);
    romans_.clear();
    return true;
}

bool ChordPaletteList::Add(ChordButtonPos pos, std::string_view name)
{
    const std::string entry = TruncateCp932(name, kChordNameBytes);
    const auto full = [](const std::vector<std::string>& row) {
        return row.size() >= static_cast<std::size_t>(kChordPaletteColumns);
    };
    if (rows_.empty()) {
        rows_.push_back({entry});
    } else if (!Contains(pos)) {
        return false;
    } else if (auto& row = rows_[static_cast<std::size_t>(pos.row)]; !full(row)) {
        row.insert(row.begin() + pos.column + 1, entry);
    } else {
        bool placed = false;
        for (std::size_t r = static_cast<std::size_t>(pos.row) + 1; r < rows_.size() && !placed; ++r) {
            if (!full(rows_[r])) {
                rows_[r].push_back(entry);
                placed = true;
            }
        }
        if (!placed) {
            if (rows_.size() >= static_cast<std::size_t>(kChordPaletteRows)) return false;
            rows_.push_back({entry});
        }
    }
    romans_.clear();
    return true;
}

bool ChordPaletteList::Delete(ChordButtonPos pos)
{
    if (!Contains(pos)) return false;
    auto& row = rows_[static_cast<std::size_t>(pos.row)];
    row.erase(row.begin() + pos.column);
    if (row.empty() && rows_.size() > 1) rows_.erase(rows_.begin() + pos.row);
    romans_.clear();
    return true;
}

}  // namespace songloom::app
