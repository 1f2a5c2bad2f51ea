#pragma once
// Fretted fingerboards with finger dots and labels (the guitar palette's
// chord diagrams). Several may exist; each has an index in creation order.

#include <QColor>
#include <QRect>
#include <array>
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "common/reporter.h"
#include "pictures/instrument_geometry.h"
#include "pictures/off_screen_picture.h"

namespace songloom::pictures {

inline const QColor kFingerboardLabelColour{0, 100, 0};
inline const QColor kUnplayedDot{180, 180, 180};
inline constexpr std::size_t kMaxLabelChars = 9;

enum class LabelMode : int { None = 0, All = 1, FrettedOnly = 2 };

class CStringsMultiPicture {
public:
    struct Handlers {
        std::function<void(int picture)> redraw;                             // copy to the window
        std::function<void(int picture, const FingerboardHit& hit)> press;  // a press on a cell
        std::function<void(int picture)> release;
    };
    // Per string, from the lowest: the fretted position (-1 = not played) and
    // the dot colour.
    using Frets = std::vector<std::pair<int, QColor>>;

    explicit CStringsMultiPicture(Reporter& reporter);

    // further: kept for the caller (the palette's own number); not drawn.
    int CreateFingerboard(const QRect& rect, int firstFret, int lastFret, Handlers handlers, int strings,
                          int further = 0);
    void SetFrets(int picture, const Frets& frets);
    void ClearFrets(int picture);
    void SetLabel(int picture, int fret, int string, const std::string& utf8);
    void SetLabelMode(int picture, LabelMode mode);
    void DrawFingerboard(int picture);

    bool MousePress(int picture, int x, int y);
    void MouseRelease(int picture);

    int Count() const { return static_cast<int>(boards_.size()); }
    const FingerboardGeometry& Geometry(int picture) const;
    const COffScreenPicture& Canvas(int picture) const;
    int FrettedPosition(int picture, int string) const;  // string from 1

private:
    struct Board {
        std::unique_ptr<COffScreenPicture> canvas;
        FingerboardGeometry geometry;
        std::vector<int> positions;
        std::vector<QColor> colours;
        std::vector<std::string> labels;  // (fret cell) * strings + string
        LabelMode mode = LabelMode::None;
        Handlers handlers;
        int further = 0;
    };
    bool Valid(int picture);
    void DrawGrid(Board& b, QImage& image);

    Reporter& reporter_;
    std::vector<Board> boards_;
};

}  // namespace songloom::pictures
