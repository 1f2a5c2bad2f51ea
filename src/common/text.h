#pragma once
// CP932 <-> UTF-8 at the edges (UI, CLI, JSON). Fixed-size records and the
// files whose formats fix them keep their CP932 bytes; only what a person
// reads or types is converted.

#include <string>
#include <string_view>

namespace songloom {

// Bytes that do not convert become '?' (never dropped silently into nothing).
std::string Cp932ToUtf8(std::string_view cp932);
std::string Utf8ToCp932(std::string_view utf8);

// Cuts CP932 text to at most maxBytes without splitting a double-byte
// character.
std::string TruncateCp932(std::string_view cp932, std::size_t maxBytes);

// A C string inside a fixed-size field: the bytes up to the first NUL.
std::string_view FieldText(const char* field, std::size_t size);

}  // namespace songloom
