#include "pictures/off_screen_picture.h"

#include <array>

namespace songloom::pictures {
namespace {

constexpr std::array<MessageRow, 1> kOffScreenMessages{{{1, "描画エラー。"}}};
constexpr std::string_view kOffScreenDefault = "画面の描画でエラーが発生しました。";

QPainter::CompositionMode ModeOf(RasterOp op) {
    switch (op) {
    case RasterOp::And: return QPainter::RasterOp_SourceAndDestination;
    case RasterOp::Or: return QPainter::RasterOp_SourceOrDestination;
    case RasterOp::Xor: return QPainter::RasterOp_SourceXorDestination;
    case RasterOp::Copy: break;
    }
    return QPainter::CompositionMode_Source;
}

}  // namespace

COffScreenPicture::COffScreenPicture(Reporter& reporter, const QRect& rect, const QColor& background)
    : reporter_(reporter), rect_(rect), background_(background) {
    ErrorMsg(0);
    Create();
}

void COffScreenPicture::Resize(const QRect& rect) {
    rect_ = rect;
    Create();
}

void COffScreenPicture::Create() {
    image_ = QImage();
    if (rect_.width() <= 0 || rect_.height() <= 0) return;  // a hidden control has no surface
    image_ = QImage(rect_.size(), QImage::Format_RGB32);
    if (image_.isNull()) {
        ErrorMsg(1);
        return;
    }
    image_.fill(background_);
}

void COffScreenPicture::Blit(QPainter& target, const QRect& clip, RasterOp op, double zoom) const {
    const QRect source = clip.intersected(QRect(QPoint(0, 0), image_.size()));
    if (source.isEmpty()) return;
    const QPainter::CompositionMode saved = target.compositionMode();
    target.setCompositionMode(ModeOf(op));
    if (zoom == 1.0) {
        target.drawImage(source.topLeft(), image_, source);
    } else {
        const QRect stretched(source.x() * 2, source.y() * 2, source.width() * 2, source.height() * 2);
        target.drawImage(stretched, image_, source);
    }
    target.setCompositionMode(saved);
}

void COffScreenPicture::ErrorMsg(std::uint32_t code) {
    if (code == 0) {
        drawErrorShown_ = false;
        return;
    }
    if (code == 1) {
        if (drawErrorShown_) return;
        drawErrorShown_ = true;
    }
    ReportTagged(reporter_, "OSPC", code, kOffScreenMessages, kOffScreenDefault);
}

}  // namespace songloom::pictures
