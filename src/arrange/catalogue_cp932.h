#pragma once
// The style catalogue's texts (style names and descriptions) in CP932, as
// the converter gave them when the program was built. A style record takes
// its texts from here: building one needs no converter, so a command that
// only renders never loads the CP932 tables.

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace songloom::arrange {

struct Cp932Form {
    std::string_view utf8;
    std::string_view cp932;
};

// Sorted by utf8; every form converts back to its text. Made at build time
// (tools/catalogue_cp932.cpp).
std::size_t CatalogueCp932FormCount();
Cp932Form CatalogueCp932FormAt(std::size_t index);

// The built-in form of a catalogue text; nullopt for any other text.
std::optional<std::string_view> CatalogueCp932(std::string_view utf8);

// The built-in form where there is one, else the converter's.
std::string CatalogueTextCp932(std::string_view utf8);

}  // namespace songloom::arrange
