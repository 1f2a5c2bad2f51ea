#include "song/list_file.h"

#include <algorithm>
#include <span>
#include <sys/stat.h>

#include "common/general.h"
#include "common/text.h"

namespace songloom::song {
namespace {

constexpr std::string_view kCannotOpenText =
    "リストファイルが開けません。ドラッグ＆ドロップの操作はコピーではなく、ショートカットに対して行ってください。";

constexpr MessageRow kLoadTable[] = {
    {gnll::kCannotOpen, kCannotOpenText},
    {gnll::kOpenQuote, "リストファイルのデータにエラーがあります。"},
    {gnll::kTooMany, "リストの件数が多すぎます。"},
    {gnll::kNeedlessSpaces, "リストファイルに無駄なスペースが含まれています。"},
    {gnll::kNoDirectory, "ディレクトリが取得できませんでした。"},
    {gnll::kTitleTooLong, "ソングタイトルが長すぎます。"},
};
constexpr MessageRow kSaveTable[] = {{gnls::kCannotOpen, kCannotOpenText}};

bool NeedsQuotes(std::string_view field)
{
    return field.find_first_of(",\"\r\n") != std::string_view::npos;
}

}  // namespace

void ListLoadErrorMsg(Reporter& reporter, std::uint32_t code)
{
    ReportTagged(reporter, "GNLL", code, kLoadTable, "リストの読み込みでエラーがおきました。");
}

void ListSaveErrorMsg(Reporter& reporter, std::uint32_t code)
{
    ReportTagged(reporter, "GNLS", code, kSaveTable, "リストの書き出しでエラーがおきました。");
}

bool ParseListText(Reporter& reporter, std::string_view text, ListRows& rows, const ListLimits& limits)
{
    ListRows parsed;
    std::vector<std::string> line;
    std::string field;
    bool quoted = false;
    bool lineHasText = false;  // a last line without its CR LF still counts
    auto endField = [&] {
        if (line.size() < limits.fieldsPerLine) line.push_back(TruncateCp932(field, limits.fieldBytes));
        field.clear();
    };
    auto endLine = [&] {
        endField();
        if (parsed.size() < limits.lines) parsed.push_back(std::move(line));
        line.clear();
        lineHasText = false;
    };
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (IsCp932LeadByte(static_cast<std::uint8_t>(c))) {
            // A lead byte with nothing after it is no character: dropped, so
            // that writing the list back cannot glue it to a separator.
            if (i + 1 < text.size()) {
                field += c;
                field += text[++i];
            }
            lineHasText = true;
            continue;
        }
        if (quoted) {
            if (c != '"') {
                field += c;
            } else if (i + 1 < text.size() && text[i + 1] == '"') {
                field += '"';
                ++i;
            } else {
                quoted = false;
            }
            continue;
        }
        switch (c) {
        case '"':
            quoted = true;
            lineHasText = true;
            break;
        case ',':
            endField();
            lineHasText = true;
            break;
        case '\n': endLine(); break;
        case '\r': break;  // the CR of CR LF; a stray CR is not part of a name
        default:
            field += c;
            lineHasText = true;
            break;
        }
    }
    if (quoted) {
        ListLoadErrorMsg(reporter, gnll::kOpenQuote);
        return false;
    }
    if (lineHasText) endLine();
    rows = std::move(parsed);
    return true;
}

std::string FormatListText(const ListRows& rows)
{
    std::size_t width = 0;
    for (const auto& row : rows) width = std::max(width, row.size());
    std::string out;
    for (const auto& row : rows) {
        for (std::size_t i = 0; i < width; ++i) {
            if (i > 0) out += ',';
            if (i >= row.size()) continue;
            const std::string& field = row[i];
            if (!NeedsQuotes(field)) {
                out += field;
                continue;
            }
            out += '"';
            for (std::size_t k = 0; k < field.size(); ++k) {
                const char c = field[k];
                if (IsCp932LeadByte(static_cast<std::uint8_t>(c)) && k + 1 < field.size()) {
                    out += c;  // its trail byte is never a quote to double
                    out += field[++k];
                    continue;
                }
                if (c == '"') out += '"';
                out += c;
            }
            out += '"';
        }
        out += "\r\n";
    }
    return out;
}

bool ReadListFile(Reporter& reporter, const std::string& path, ListRows& rows, const ListLimits& limits)
{
    struct stat st {};
    if (::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode) &&
        static_cast<std::uint64_t>(st.st_size) > kListFileCapacity) {
        ListLoadErrorMsg(reporter, gnll::kTooMany);
        return false;
    }
    std::vector<std::uint8_t> bytes;
    if (!ReadWholeFile(path, bytes, kListFileCapacity)) {
        ListLoadErrorMsg(reporter, gnll::kCannotOpen);
        return false;
    }
    const std::string_view text(reinterpret_cast<const char*>(bytes.data()), bytes.size());
    return ParseListText(reporter, text, rows, limits);
}

bool WriteListFile(Reporter& reporter, const std::string& path, const ListRows& rows)
{
    const std::string text = FormatListText(rows);
    const auto* data = reinterpret_cast<const std::uint8_t*>(text.data());
    if (WriteFileAtomically(path, std::span<const std::uint8_t>(data, text.size()))) return true;
    ListSaveErrorMsg(reporter, gnls::kCannotOpen);
    return false;
}

}  // namespace songloom::song
