#include "app/chord_list_file.h"

#include <algorithm>
#include <array>

#include "common/general.h"
#include "song/song_tables.h"

namespace songloom::app {
namespace {

constexpr std::uint32_t kGnllCannotOpen = 0x1E000001;
constexpr std::uint32_t kGnllOpenQuote = 0x1E000002;
constexpr std::uint32_t kGnlsCannotOpen = 0x2C000001;

constexpr std::string_view kCannotOpenText =
    "リストファイルが開けません。ドラッグ＆ドロップの操作はコピーではなく、ショートカットに対して行ってください。";
constexpr MessageRow kLoadTable[] = {
    {kGnllCannotOpen, kCannotOpenText},
    {kGnllOpenQuote, "リストファイルのデータにエラーがあります。"},
    {0x1E000003, "リストの件数が多すぎます。"},
    {0x1E000004, "リストファイルに無駄なスペースが含まれています。"},
    {0x1E000005, "ディレクトリが取得できませんでした。"},
    {0x1E000006, "ソングタイトルが長すぎます。"},
};
constexpr MessageRow kSaveTable[] = {{kGnlsCannotOpen, kCannotOpenText}};

struct Degree {
    int semitones;
    std::string_view type;
};
constexpr std::array<Degree, 7> kMajorTriads{{{0, ""}, {2, "m"}, {4, "m"}, {5, ""}, {7, ""}, {9, "m"}, {11, "dim"}}};
constexpr std::array<Degree, 7> kNaturalMinorTriads{
    {{0, "m"}, {2, "dim"}, {3, ""}, {5, "m"}, {7, "m"}, {8, ""}, {10, ""}}};
constexpr std::array<std::string_view, 12> kSharpRoots{"C", "C#", "D", "D#", "E", "F",
                                                       "F#", "G", "G#", "A", "A#", "B"};

}  // namespace

bool ParseChordList(Reporter& reporter, std::string_view text, ChordRows& rows)
{
    ChordRows parsed;
    std::vector<std::string> line;
    std::string field;
    bool quoted = false;
    auto endField = [&] {
        if (line.size() < static_cast<std::size_t>(kChordListColumns)) line.push_back(field);
        field.clear();
    };
    auto endLine = [&] {
        endField();
        if (parsed.size() < static_cast<std::size_t>(kChordListRows)) parsed.push_back(line);
        line.clear();
    };
    for (std::size_t i = 0; i < text.size(); ++i) {
        const auto c = static_cast<std::uint8_t>(text[i]);
        if (IsCp932LeadByte(c) && i + 1 < text.size()) {
            field += text[i];
            field += text[++i];
            continue;
        }
        if (quoted) {
            if (c == '"') quoted = false;
            else field += static_cast<char>(c);
            continue;
        }
        if (c == '"') quoted = true;
        else if (c == ',') endField();
        else if (c == '\n') endLine();
        else if (c != '\r') field += static_cast<char>(c);
    }
    if (quoted) {
        ReportTagged(reporter, "GNLL", kGnllOpenQuote, kLoadTable, "リストの読み込みでエラーがおきました。");
        return false;
    }
    if (!field.empty() || !line.empty()) endLine();
    rows = std::move(parsed);
    return true;
}

std::string FormatChordList(const ChordRows& rows)
{
    std::size_t width = 0;
    for (const auto& row : rows) width = std::max(width, row.size());
    std::string out;
    for (const auto& row : rows) {
        for (std::size_t i = 0; i < width; ++i) {
            if (i > 0) out += ',';
            if (i >= row.size()) continue;
            const std::string& name = row[i];
            if (name.find(',') != std::string::npos) out += '"' + name + '"';
            else out += name;
        }
        out += "\r\n";
    }
    return out;
}

bool LoadChordList(Reporter& reporter, const std::string& path, ChordRows& rows)
{
    if (!FileExists(path)) return false;
    std::vector<std::uint8_t> bytes;
    if (!ReadWholeFile(path, bytes, kChordListFileCapacity)) {
        ReportTagged(reporter, "GNLL", kGnllCannotOpen, kLoadTable, "リストの読み込みでエラーがおきました。");
        return false;
    }
    return ParseChordList(reporter, std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()),
                          rows);
}

bool SaveChordList(Reporter& reporter, const std::string& path, const ChordRows& rows)
{
    const std::string text = FormatChordList(rows);
    const auto* data = reinterpret_cast<const std::uint8_t*>(text.data());
    if (WriteFileAtomically(path, std::span<const std::uint8_t>(data, text.size()))) return true;
    ReportTagged(reporter, "GNLS", kGnlsCannotOpen, kSaveTable, "リストの書き出しでエラーがおきました。");
    return false;
}

ChordRows DefaultChordList(int key)
{
    const int k = song::IsValidKey(key) ? key : 0;
    const song::KeyRow& row = song::KeyTable[static_cast<std::size_t>(k)];
    const auto& triads = row.mode == 0 ? kMajorTriads : kNaturalMinorTriads;
    std::vector<std::string> names;
    for (const Degree& d : triads) {
        names.push_back(std::string(kSharpRoots[static_cast<std::size_t>((row.tonic + d.semitones) % 12)]) +
                        std::string(d.type));
    }
    return {names};
}

}  // namespace songloom::app
