#pragma once
// List files: the chord palette's "chord.txt" and any file of its kind. Text
// of lines ended by CR LF (a bare LF is taken too), fields separated by ",",
// Shift-JIS aware (a lead byte takes its trail byte with it and never ends a
// field). A field in double quotes keeps everything up to its closing quote,
// separators and line ends included; "" inside quotes is one quote.
//
// Reading reports with tag "GNLL", writing with "GNLS".

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "common/reporter.h"

namespace songloom::song {

namespace gnll {
inline constexpr std::uint32_t kCannotOpen = 0x1E000001;
inline constexpr std::uint32_t kOpenQuote = 0x1E000002;
inline constexpr std::uint32_t kTooMany = 0x1E000003;
inline constexpr std::uint32_t kNeedlessSpaces = 0x1E000004;
inline constexpr std::uint32_t kNoDirectory = 0x1E000005;
inline constexpr std::uint32_t kTitleTooLong = 0x1E000006;
}  // namespace gnll
namespace gnls {
inline constexpr std::uint32_t kCannotOpen = 0x2C000001;
}

void ListLoadErrorMsg(Reporter& reporter, std::uint32_t code);  // "GNLL"
void ListSaveErrorMsg(Reporter& reporter, std::uint32_t code);  // "GNLS"

// The whole file is read into a buffer of this size; a larger file is
// refused with GNLL 0x1E000003 rather than cut in the middle of a field.
inline constexpr std::size_t kListFileCapacity = std::size_t{1} << 20;

// Rows of fields, CP932 bytes; an empty field is kept as "".
using ListRows = std::vector<std::vector<std::string>>;

struct ListLimits {
    std::size_t fieldsPerLine = 16;  // further fields of a line are skipped
    std::size_t lines = 10;          // further lines are skipped
    std::size_t fieldBytes = 31;     // longer fields are cut (never inside a character)
};

// Parses list text into rows. A quote still open at the end of the text:
// GNLL 0x1E000002, false, rows unchanged.
bool ParseListText(Reporter& reporter, std::string_view text, ListRows& rows, const ListLimits& limits = {});

// One line per row, fields separated by ",", every line as many fields as
// the widest row, each line ended by CR LF. A field holding a separator, a
// quote or a line end is written in quotes.
std::string FormatListText(const ListRows& rows);

// Reads the file at path. A file that cannot be opened: GNLL 0x1E000001; one
// beyond kListFileCapacity: GNLL 0x1E000003; then the parse. false leaves
// rows unchanged.
bool ReadListFile(Reporter& reporter, const std::string& path, ListRows& rows, const ListLimits& limits = {});

// Writes atomically (the previous file survives a failure). Failure: GNLS
// 0x2C000001, false.
bool WriteListFile(Reporter& reporter, const std::string& path, const ListRows& rows);

}  // namespace songloom::song
