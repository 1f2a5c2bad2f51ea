#include "arrange/catalogue_cp932.h"

#include <algorithm>

#include "common/text.h"

namespace songloom::arrange {

std::optional<std::string_view> CatalogueCp932(std::string_view utf8)
{
    const auto forms = CatalogueCp932Forms();
    const auto it = std::lower_bound(forms.begin(), forms.end(), utf8,
                                     [](const Cp932Form& form, std::string_view text) { return form.utf8 < text; });
    if (it == forms.end() || it->utf8 != utf8) return std::nullopt;
    return it->cp932;
}

std::string CatalogueTextCp932(std::string_view utf8)
{
    if (const auto known = CatalogueCp932(utf8)) return std::string(*known);
    return Utf8ToCp932(utf8);
}

}  // namespace songloom::arrange
