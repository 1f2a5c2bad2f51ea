#include "song/song_tables.h"

#include "common/messages.h"

namespace songloom::song {

std::string KeyNameOf(int key)
{
    if (!IsValidKey(key)) return {};
    std::string name(KeyTable[key].name);
    if (name.back() != 'm') name += ' ';
    return name;
}

std::size_t ChordRootLength(std::string_view name)
{
    return name.size() >= 2 && (name[1] == '#' || name[1] == 'b') ? 2 : 1;
}

int ChordRootIndex(std::string_view name)
{
    if (name.empty()) return -1;
    const std::string_view root = name.substr(0, ChordRootLength(name));
    for (int i = 0; i < kChordRootCount; ++i) {
        if (root == ChordRoots[i] || root == ChordFlatRoots[i]) return i;
    }
    return -1;
}

ChordParts ParseChordName(std::string_view name)
{
    ChordParts parts;
    parts.root = ChordRootIndex(name);
    const std::string_view rest = name.substr(std::min(name.size(), ChordRootLength(name)));
    for (int i = kChordTypeCount - 1; i >= 0; --i) {
        if (rest.starts_with(ChordTypes[i])) {
            parts.type = i;
            break;
        }
    }
    return parts;
}

ChordParts SplitChordName(Reporter& reporter, std::string_view name)
{
    const ChordParts parts = ParseChordName(name);
    if (!parts.ok()) FirstSongCommonErrorMsg(reporter, 0);
    return parts;
}

std::string CompleteChordName(std::string_view name)
{
    for (const auto root : ChordRoots) {
        if (name == root) return std::string(name) + ' ';
    }
    for (const auto root : ChordFlatRoots) {
        if (!root.empty() && name == root) return std::string(name) + ' ';
    }
    return std::string(name);
}

std::string ChordNameOf(int root, int type)
{
    if (root < 0 || root >= kChordRootCount || type < 0 || type >= kChordTypeCount) return {};
    return std::string(ChordRoots[root]) + std::string(ChordTypes[type]);
}

}  // namespace songloom::song
