#pragma once
// An off-screen drawing surface of one control's size. Pictures draw into
// its image; the control's paint handler copies the damaged part to the
// screen with Blit. Works without any window, so tests and the page export
// draw into it directly.

#include <QColor>
#include <QImage>
#include <QPainter>
#include <QRect>
#include <cstdint>

#include "common/reporter.h"

namespace songloom::pictures {

// Raster operations of the copy: the classic codes, mapped onto Qt's modes.
enum class RasterOp : std::uint32_t {
    Copy = 0x00CC0020,
    And = 0x008800C6,
    Or = 0x00EE0086,
    Xor = 0x00660046,
};

class COffScreenPicture {
public:
    // rect: where the control sits in its window; the image has its size and
    // is filled with background.
    COffScreenPicture(Reporter& reporter, const QRect& rect, const QColor& background);

    // Moves the control to rect and makes a new image of its size (filled
    // with the background again).
    void Resize(const QRect& rect);

    // Copies the clip rectangle (image coordinates) into target with op: 1:1
    // when zoom is 1.0, otherwise stretched to twice its width and height.
    // An empty clip copies nothing.
    void Blit(QPainter& target, const QRect& clip, RasterOp op = RasterOp::Copy, double zoom = 1.0) const;

    QImage& image() { return image_; }
    const QImage& image() const { return image_; }
    const QRect& rect() const { return rect_; }
    int width() const { return image_.width(); }
    int height() const { return image_.height(); }

    // The "OSPC" reporter: code 1 is shown once until code 0 clears it.
    void ErrorMsg(std::uint32_t code);

private:
    void Create();

    Reporter& reporter_;
    QRect rect_;
    QColor background_;
    QImage image_;
    bool drawErrorShown_ = false;
};

}  // namespace songloom::pictures
