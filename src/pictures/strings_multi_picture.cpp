#include "pictures/strings_multi_picture.h"

#include <QFont>
#include <QPainter>
#include <algorithm>

namespace songloom::pictures {

CStringsMultiPicture::CStringsMultiPicture(Reporter& reporter) : reporter_(reporter) {}

bool CStringsMultiPicture::Valid(int picture) {
    if (picture >= 0 && picture < Count()) return true;
    ShowErrorBox(reporter_, "指板を描けませんでした。");
    return false;
}

int CStringsMultiPicture::CreateFingerboard(const QRect& rect, int firstFret, int lastFret, Handlers handlers,
                                            int strings, int further) {
    Board b;
    b.canvas = std::make_unique<COffScreenPicture>(reporter_, rect, QColor(255, 255, 255));
    b.geometry = MakeFingerboard(rect.width(), rect.height(), firstFret, lastFret, strings);
    const auto count = static_cast<std::size_t>(b.geometry.strings);
    b.positions.assign(count, -1);
    b.colours.assign(count, QColor(0, 0, 0));
    b.labels.assign(static_cast<std::size_t>(b.geometry.lastFret - b.geometry.firstFret + 2) * count, {});
    b.handlers = std::move(handlers);
    b.further = further;
    boards_.push_back(std::move(b));
    const int index = Count() - 1;
    DrawFingerboard(index);
    return index;
}

void CStringsMultiPicture::SetFrets(int picture, const Frets& frets) {
    if (!Valid(picture)) return;
    Board& b = boards_[static_cast<std::size_t>(picture)];
    for (std::size_t i = 0; i < b.positions.size() && i < frets.size(); ++i) {
        b.positions[i] = frets[i].first;
        b.colours[i] = frets[i].second;
    }
    DrawFingerboard(picture);
}

void CStringsMultiPicture::ClearFrets(int picture) {
    if (!Valid(picture)) return;
    Board& b = boards_[static_cast<std::size_t>(picture)];
    std::fill(b.positions.begin(), b.positions.end(), -1);
    DrawFingerboard(picture);
}

void CStringsMultiPicture::SetLabel(int picture, int fret, int string, const std::string& utf8) {
    if (!Valid(picture)) return;
    Board& b = boards_[static_cast<std::size_t>(picture)];
    const int strings = b.geometry.strings;
    const auto index = static_cast<std::size_t>(fret * strings + string);
    if (fret < 0 || string < 0 || string >= strings || index >= b.labels.size()) {
        ShowErrorBox(reporter_, "指板を描けませんでした。");
        return;
    }
    const QString text = QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size()));
    b.labels[index] = text.left(static_cast<qsizetype>(kMaxLabelChars)).toStdString();
}

void CStringsMultiPicture::SetLabelMode(int picture, LabelMode mode) {
    if (!Valid(picture)) return;
    boards_[static_cast<std::size_t>(picture)].mode = mode;
}

void CStringsMultiPicture::DrawGrid(Board& b, QImage& image) {
    const FingerboardGeometry& g = b.geometry;
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing, false);
    const int spaces = g.lastFret - g.firstFret + 1;
    const int top = static_cast<int>(g.fretSpacing);
    const int bottom = g.height - 1;
    painter.setPen(QPen(QColor(0, 0, 0), 1));
    for (int i = 1; i <= g.strings; ++i) {
        const int x = static_cast<int>(i * g.stringSpacing);
        painter.drawLine(x, top, x, bottom);
    }
    const int left = static_cast<int>(g.stringSpacing);
    const int right = static_cast<int>(g.strings * g.stringSpacing);
    for (int k = 1; k <= spaces; ++k) {
        const int y = static_cast<int>(k * g.fretSpacing);
        painter.drawLine(left, y, right, y);
    }
    if (g.firstFret <= 1) {
        // The nut: a heavy line where the open strings end.
        painter.fillRect(QRect(left, top - 2, right - left + 1, 3), QColor(0, 0, 0));
    } else {
        QFont font(QStringLiteral("IPAGothic"));
        font.setPixelSize(12);
        painter.setFont(font);
        painter.drawText(QRect(0, top, left - 2, static_cast<int>(g.fretSpacing)), Qt::AlignRight | Qt::AlignVCenter,
                         QString::number(g.firstFret));
    }
}

void CStringsMultiPicture::DrawFingerboard(int picture) {
    if (!Valid(picture)) return;
    Board& b = boards_[static_cast<std::size_t>(picture)];
    QImage& image = b.canvas->image();
    if (image.isNull()) return;
    image.fill(QColor(255, 255, 255));
    DrawGrid(b, image);
    {
        QPainter painter(&image);
        painter.setRenderHint(QPainter::Antialiasing, true);
        painter.setPen(Qt::NoPen);
        for (int i = 1; i <= b.geometry.strings; ++i) {
            const int position = b.positions[static_cast<std::size_t>(i - 1)];
            const DotRect r = FingerDot(b.geometry, i, position);
            painter.setBrush(position < 0 ? kUnplayedDot : b.colours[static_cast<std::size_t>(i - 1)]);
            painter.drawEllipse(QRect(r.left, r.top, r.right - r.left, r.bottom - r.top));
        }
        if (b.mode != LabelMode::None) {
            QFont font(QStringLiteral("IPAGothic"));
            font.setPixelSize(14);
            painter.setFont(font);
            painter.setPen(kFingerboardLabelColour);
            const int strings = b.geometry.strings;
            const int cells = static_cast<int>(b.labels.size()) / strings;
            for (int fret = 0; fret < cells; ++fret) {
                for (int s = 0; s < strings; ++s) {
                    if (b.mode == LabelMode::FrettedOnly && b.positions[static_cast<std::size_t>(s)] != fret) continue;
                    const std::string& label = b.labels[static_cast<std::size_t>(fret * strings + s)];
                    if (label.empty()) continue;
                    const DotRect box = LabelBox(b.geometry, fret, s);
                    painter.drawText(QRect(box.left, box.top, 28, 14), Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine,
                                     QString::fromStdString(label));
                }
            }
        }
    }
    if (b.handlers.redraw) b.handlers.redraw(picture);
}

bool CStringsMultiPicture::MousePress(int picture, int x, int y) {
    if (!Valid(picture)) return false;
    Board& b = boards_[static_cast<std::size_t>(picture)];
    const auto hit = HitFingerboard(b.geometry, x, y);
    if (!hit) return false;
    if (b.handlers.press) b.handlers.press(picture, *hit);
    return true;
}

void CStringsMultiPicture::MouseRelease(int picture) {
    if (!Valid(picture)) return;
    Board& b = boards_[static_cast<std::size_t>(picture)];
    if (b.handlers.release) b.handlers.release(picture);
}

const FingerboardGeometry& CStringsMultiPicture::Geometry(int picture) const {
    return boards_[static_cast<std::size_t>(picture)].geometry;
}
const COffScreenPicture& CStringsMultiPicture::Canvas(int picture) const {
    return *boards_[static_cast<std::size_t>(picture)].canvas;
}
int CStringsMultiPicture::FrettedPosition(int picture, int string) const {
    return boards_[static_cast<std::size_t>(picture)].positions[static_cast<std::size_t>(string - 1)];
}

}  // namespace songloom::pictures
