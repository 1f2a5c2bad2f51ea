// Writes the C++ table of the style catalogue's texts in CP932 (names and
// descriptions, UTF-8 in the catalogue's rows), converted here once, when
// the program is built. Usage: songloom_catalogue_cp932 OUT.cpp
//
// A text whose CP932 form does not convert back to it is left out: the
// catalogue then converts it at run time, and its data test names it.
#include <algorithm>
#include <cstdio>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "arrange/style_catalogue.h"
#include "arrange/style_data.h"
#include "common/text.h"

namespace {

using songloom::arrange::CatalogueRandomRows;
using songloom::arrange::CatalogueStyleRows;

// A C++ string literal of any bytes; octal escapes cannot run on into the
// characters after them as hexadecimal ones would.
std::string Literal(std::string_view bytes)
{
    std::string out = "\"";
    for (const char c : bytes) {
        const auto b = static_cast<unsigned char>(c);
        if (b >= 0x20 && b < 0x7f && c != '"' && c != '\\' && c != '?') {
            out += c;
        } else {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\%03o", b);
            out += escaped;
        }
    }
    return out + "\"";
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s OUT.cpp\n", argv[0]);
        return 2;
    }
    std::vector<std::string_view> texts{songloom::arrange::kUndefinedStyleDescription};
    for (const auto& row : CatalogueStyleRows()) {
        texts.push_back(row.name);
        texts.push_back(row.description);
    }
    for (const auto& row : CatalogueRandomRows()) {
        texts.push_back(row.name);
        texts.push_back(row.description);
    }
    std::sort(texts.begin(), texts.end());
    texts.erase(std::unique(texts.begin(), texts.end()), texts.end());

    // The forms' bytes go into one array and the table holds places in it:
    // a table of pointers would have to be relocated, page by page, every
    // time the program starts.
    std::string text;
    std::string places;
    std::size_t at = 0;
    for (const std::string_view utf8 : texts) {
        const std::string cp932 = songloom::Utf8ToCp932(utf8);
        if (songloom::Cp932ToUtf8(cp932) != utf8) continue;
        places += "    {" + std::to_string(at) + ", " + std::to_string(utf8.size()) + ", " +
                  std::to_string(cp932.size()) + "},\n";
        text += "    " + Literal(utf8) + " " + Literal(cp932) + "\n";
        at += utf8.size() + cp932.size();
    }
    std::string source =
        "// Made by songloom_catalogue_cp932 from the style catalogue's rows; do not edit.\n"
        "#include \"arrange/catalogue_cp932.h\"\n\n"
        "#include <cstdint>\n#include <iterator>\n\n"
        "namespace songloom::arrange {\nnamespace {\n\n"
        "// Each form's UTF-8 bytes, then its CP932 bytes, form after form.\n"
        "constexpr char kText[] =\n" +
        text +
        "    \"\";\n\n"
        "struct Place {\n    std::uint32_t at;\n    std::uint16_t utf8Size;\n    std::uint16_t cp932Size;\n};\n\n"
        "constexpr Place kPlaces[] = {\n" +
        places +
        "};\n\n}  // namespace\n\n"
        "std::size_t CatalogueCp932FormCount() { return std::size(kPlaces); }\n\n"
        "Cp932Form CatalogueCp932FormAt(std::size_t index)\n{\n"
        "    const Place& place = kPlaces[index];\n"
        "    const char* const utf8 = kText + place.at;\n"
        "    return {{utf8, place.utf8Size}, {utf8 + place.utf8Size, place.cp932Size}};\n}\n\n"
        "}  // namespace songloom::arrange\n";

    std::FILE* out = std::fopen(argv[1], "wb");
    bool written = out != nullptr && std::fwrite(source.data(), 1, source.size(), out) == source.size();
    if (out != nullptr && std::fclose(out) != 0) written = false;
    if (!written) {
        std::fprintf(stderr, "%s: cannot write %s\n", argv[0], argv[1]);
        return 1;
    }
    return 0;
}
