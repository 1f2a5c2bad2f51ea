#pragma once
// The chord palette's list: up to 10 rows of up to 16 chord names, kept in
// "chord.txt" between runs, and the default list of a key.

#include <string>
#include <string_view>
#include <vector>

#include "common/reporter.h"

namespace songloom::app {

inline constexpr std::string_view kChordListFileName = "chord.txt";
inline constexpr int kChordListRows = 10;
inline constexpr int kChordListColumns = 16;


// Rows of chord names (CP932 bytes); an empty name is an empty button.
using ChordRows = std::vector<std::vector<std::string>>;

// Parses list text: lines ended by CR LF (a bare LF is taken too), fields
// separated by ",", a field in double quotes keeps its separators, a
// Shift-JIS lead byte never ends a field. At most 16 fields a line and 10
// lines are kept. A quote still open at the end: GNLL 0x1E000002, false.
bool ParseChordList(Reporter& reporter, std::string_view text, ChordRows& rows);
// One line per row, names separated by ",", every line padded to the widest
// row's number of fields; a name holding a separator is quoted.
std::string FormatChordList(const ChordRows& rows);

// Reads path: false (rows unchanged) when there is none or it cannot be
// parsed; reading errors report GNLL.
bool LoadChordList(Reporter& reporter, const std::string& path, ChordRows& rows);
// Writes atomically; a failure reports GNLS 0x2C000001.
bool SaveChordList(Reporter& reporter, const std::string& path, const ChordRows& rows);

// The seven triads of the key's scale as one row: major keys the major
// scale, minor keys the natural minor (the scale selector's first entry).
ChordRows DefaultChordList(int key);

}  // namespace songloom::app
