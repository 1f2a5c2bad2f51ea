#pragma once
// The song information panel ("楽曲情報"): time signature, key, bar count,
// music style category and style, title and composer of the working song.
// Every change is a step of the document's undo stack; the panel shows the
// song again whenever the document says it changed (undo included). The
// bar count is applied on Enter or when the box loses focus, never while
// digits are being typed.

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

// The styles 1 to 23 of category whose name is not empty: (style number,
// name in UTF-8); empty before the catalogue is built.
std::vector<std::pair<int, std::string>> StyleEntries(const arrange::StyleCatalogue& catalogue, int category);

class SongInfoPanel : public QWidget {
    Q_OBJECT
public:
    SongInfoPanel(PaletteHost& host, const arrange::StyleCatalogue& catalogue, QWidget* parent = nullptr);

    SongDocument& document() { return host_.document; }

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
