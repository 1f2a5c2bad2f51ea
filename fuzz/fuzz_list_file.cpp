// The list file reader (the chord palette's "chord.txt") on any bytes: the
// limits hold, and what is read is written and read back as the same rows,
// each as wide as the widest.
#include <algorithm>
#include <cstdint>
#include <string_view>

#include "common/reporter.h"
#include "song/list_file.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    using namespace songloom::song;
    songloom::CapturingReporter reporter;
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    ListRows rows;
    const ListLimits limits;
    if (!ParseListText(reporter, text, rows, limits)) {
        if (!reporter.Has("GNLL", gnll::kOpenQuote) || !rows.empty()) __builtin_trap();
        return 0;
    }
    if (rows.size() > limits.lines) __builtin_trap();
    std::size_t width = 0;
    for (const auto& row : rows) {
        if (row.size() > limits.fieldsPerLine) __builtin_trap();
        for (const auto& field : row) {
            if (field.size() > limits.fieldBytes) __builtin_trap();
        }
        width = std::max(width, row.size());
    }
    ListRows again;
    if (!ParseListText(reporter, FormatListText(rows), again, limits)) __builtin_trap();
    if (again.size() != rows.size()) __builtin_trap();
    for (std::size_t r = 0; r < rows.size(); ++r) {
        if (again[r].size() != width) __builtin_trap();
        for (std::size_t f = 0; f < rows[r].size(); ++f) {
            if (again[r][f] != rows[r][f]) __builtin_trap();
        }
    }
    return 0;
}
