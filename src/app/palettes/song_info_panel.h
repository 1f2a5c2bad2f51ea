#pragma once
// The song information panel ("楽曲情報"): time signature, key, bar count,
// music style category and style, title and composer of the working song.
// Every change is a step of the document's undo stack; the panel shows the
// song again whenever the document says it changed (undo included). The
// bar count is applied on Enter or when the box loses focus, never while
// digits are being typed. Each style in the list shows the meter it was
// written for. The style under the cursor of the list (highlighted in the
// open list, or chosen) is asked to be previewed, and the preview to stop
// when another is highlighted, the category changes or the panel closes.

#include <QWidget>
#include <string>
#include <string_view>
#include <vector>

#include "app/palettes/palette_host.h"
#include "arrange/style_catalogue.h"

class QComboBox;
class QLineEdit;
class QPushButton;
class QSpinBox;
class QTimer;

namespace songloom::app {

// A style of the list: its number, name (UTF-8) and the meter code it was
// written for.
struct StyleEntry {
    int style = 0;
    std::string name;
    int meter = 0;
};
// The styles 1 to 23 of category whose name is not empty; empty before the
// catalogue is built.
std::vector<StyleEntry> StyleEntries(const arrange::StyleCatalogue& catalogue, int category);
// The entry's text in the list: the name and the meter ("… 3/4").
QString StyleEntryText(const StyleEntry& entry);

// The cursor rests this long on a style before its preview is asked for, so
// that running down the list does not start one preview per entry.
inline constexpr int kStylePreviewDelayMs = 300;

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
    QPushButton* previewButton() const { return preview_; }

    // What the user's choices do (the controls' signals call these).
    void ChooseTimeSignature(int entry);
    void ChooseKey(int key);
    void ChooseBarCount(int bars);
    void ChooseCategory(int category);
    void ChooseStyle(int entry);
    // The cursor of the open list is on entry.
    void HighlightStyle(int entry);
    // Shows whether a preview plays (the preview button).
    void SetPreviewPlaying(bool playing);

signals:
    void previewRequested(int category, int style);
    void previewStopRequested();

protected:
    void hideEvent(QHideEvent* event) override;

private:
    void FillStyles(int category);
    void RequestPreview(int entry);
    void StopPreview();

    PaletteHost& host_;
    const arrange::StyleCatalogue& catalogue_;
    QComboBox* beats_ = nullptr;
    QComboBox* key_ = nullptr;
    QSpinBox* bars_ = nullptr;
    QComboBox* category_ = nullptr;
    QComboBox* style_ = nullptr;
    QLineEdit* title_ = nullptr;
    QLineEdit* composer_ = nullptr;
    QPushButton* preview_ = nullptr;
    QTimer* previewDelay_ = nullptr;
    int highlighted_ = -1;  // the entry whose preview is asked for, or waits to be
};

}  // namespace songloom::app
