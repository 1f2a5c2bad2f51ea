#pragma once
// The song information panel ("楽曲情報"): time signature, key, bar count,
// music style category and style, title and composer of the working song.
// List and spin changes are posted to the main window, which changes the
// song (0x8012 bar count, 0x8013 key, 0x8014 time signature, 0x8015
// category, 0x8016 style); title and composer are written into the song at
// once.

#include <QWidget>
#include <string>
#include <string_view>
#include <vector>

#include "app/palettes/palette_host.h"
#include "arrange/style_catalogue.h"

class QComboBox;
class QLineEdit;
class QSpinBox;

namespace songloom::app {

namespace song_info_message {
inline constexpr std::uint32_t kBarCount = 0x8012;      // (bars, 0)
inline constexpr std::uint32_t kKey = 0x8013;           // (key, 0)
inline constexpr std::uint32_t kTimeSignature = 0x8014; // (entry, 0)
inline constexpr std::uint32_t kCategory = 0x8015;      // (category, first style)
inline constexpr std::uint32_t kStyle = 0x8016;         // (style, 0)
}  // namespace song_info_message

// The styles 1 to 23 of category whose name is not empty: (style number,
// name in UTF-8); empty before the catalogue is built.
std::vector<std::pair<int, std::string>> StyleEntries(const arrange::StyleCatalogue& catalogue, int category);

// Writes UTF-8 text typed by the user into a 64-byte song field as CP932, at
// most 63 bytes (never half a character) and the terminating zero.
void CopyInfoText(std::array<char, 64>& field, std::string_view utf8);

class CSongInfoDlg : public QWidget {
    Q_OBJECT
public:
    CSongInfoDlg(PaletteHost& host, const arrange::StyleCatalogue& catalogue, QWidget* parent = nullptr);

    // Brings every control in line with the working song.
    void Refresh();

    QComboBox* timeSignatureList() const { return beats_; }
    QComboBox* keyList() const { return key_; }
    QSpinBox* barSpin() const { return bars_; }
    QComboBox* categoryList() const { return category_; }
    QComboBox* styleList() const { return style_; }
    QLineEdit* titleEdit() const { return title_; }
    QLineEdit* composerEdit() const { return composer_; }

    // What the user's choices do (the controls' signals call these).
    void ChooseTimeSignature(int entry);
    void ChooseKey(int key);
    void ChooseBarCount(int bars);
    void ChooseCategory(int category);
    void ChooseStyle(int entry);

private:
    void FillStyles(int category);

    PaletteHost& host_;
    const arrange::StyleCatalogue& catalogue_;
    QComboBox* beats_ = nullptr;
    QComboBox* key_ = nullptr;
    QSpinBox* bars_ = nullptr;
    QComboBox* category_ = nullptr;
    QComboBox* style_ = nullptr;
    QLineEdit* title_ = nullptr;
    QLineEdit* composer_ = nullptr;
};

}  // namespace songloom::app
