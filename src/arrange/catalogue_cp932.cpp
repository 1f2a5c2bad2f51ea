#include "arrange/catalogue_cp932.h"

#include "common/text.h"

namespace songloom::arrange {

std::optional<std::string_view> CatalogueCp932(std::string_view utf8)
{
    std::size_t low = 0;
    std::size_t high = CatalogueCp932FormCount();
    while (low < high) {
        const std::size_t middle = low + (high - low) / 2;
        if (CatalogueCp932FormAt(middle).utf8 < utf8) {
            low = middle + 1;
        } else {
            high = middle;
        }
    }
    if (low == CatalogueCp932FormCount()) return std::nullopt;
    const Cp932Form form = CatalogueCp932FormAt(low);
    if (form.utf8 != utf8) return std::nullopt;
    return form.cp932;
}

std::string CatalogueTextCp932(std::string_view utf8)
{
    if (const auto known = CatalogueCp932(utf8)) return std::string(*known);
    return Utf8ToCp932(utf8);
}

}  // namespace songloom::arrange
