#include "pictures/long_staff_picture.h"

#include <QFont>
#include <QPainter>
#include <QPainterPath>
#include <algorithm>
#include <cmath>

#include "common/text.h"

namespace songloom::pictures {
namespace {

const QRgb kBlack = qRgb(0, 0, 0);

// Notes of the key-signature accidentals on the upper staff, in the order
// keys add them; the lower staff has them two octaves down.
constexpr std::array<int, 7> kSharpSignatureNotes = {77, 72, 79, 74, 69, 76, 71};
constexpr std::array<int, 7> kFlatSignatureNotes = {71, 76, 69, 74, 67, 72, 65};

double GlyphFactor(int maskSize, double s) { return maskSize / s * 0.9; }

// Pixels of padding before the first note so its accidental fits.
int NotePad(double s) { return static_cast<int>(1.5 * s); }

// Left of the first key-signature accidental and the step between them.
double KeyStart(double s) { return 3.6 * s; }
double KeyStep(double s) { return 0.8 * s; }
// Where the time signature may begin after count key-signature accidentals.
int KeyEnd(double s, int count) { return static_cast<int>(KeyStart(s) + count * KeyStep(s) + 0.6 * s); }

// Chord symbols and lyrics are read at a glance over the staff: never
// smaller than 12 pixels, even when the staff is small. The bar number of a
// row head stays small beside its clef.
QFont LabelFont(double s, bool rowHead) {
    if (rowHead) {
        QFont font(QStringLiteral("DejaVu Sans Mono"));
        font.setPixelSize(std::clamp(static_cast<int>(1.6 * s), 9, 16));
        return font;
    }
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPixelSize(std::clamp(static_cast<int>(2.4 * s), 12, 16));
    font.setWeight(QFont::DemiBold);
    return font;
}

bool HasStaffLine(const StaffGeometry& g, int note) {
    return std::any_of(g.lineSlots.begin(), g.lineSlots.end(), [&](const LineSlot& l) { return l.drawn && l.note == note; });
}

int SlotY(const StaffGeometry& g, int note) {
    for (std::size_t i = 0; i < g.lineSlots.size(); ++i) {
        if (g.lineSlots[i].note == note) return SlotLineY(g, i);
    }
    return -1;
}

// Top and bottom drawn staff lines; (0, height) without any.
std::pair<int, int> StaffSpan(const StaffGeometry& g) {
    int top = -1;
    int bottom = -1;
    for (std::size_t i = 0; i < g.lineSlots.size(); ++i) {
        if (!g.lineSlots[i].drawn) continue;
        const int y = SlotLineY(g, i);
        if (top < 0) top = y;
        bottom = y;
    }
    if (top < 0) return {0, g.height};
    return {top, bottom};
}

void Line(QImage& image, int x0, int y0, int x1, int y1, const QColor& colour) {
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.setPen(QPen(colour, 1));
    painter.drawLine(x0, y0, x1, y1);
}

QPainterPath TrebleClef(double cx, double gy, double s) {
    auto p = [&](double x, double y) { return QPointF(cx + x * s, gy + y * s); };
    QPainterPath path(p(0.15, 0.05));
    path.cubicTo(p(0.15, -0.5), p(-0.75, -0.55), p(-0.75, 0.15));
    path.cubicTo(p(-0.75, 0.95), p(0.25, 1.2), p(0.8, 0.75));
    path.cubicTo(p(1.35, 0.3), p(1.05, -0.8), p(0.2, -1.15));
    path.cubicTo(p(-0.75, -1.6), p(-0.95, -2.4), p(-0.2, -3.25));
    path.cubicTo(p(0.35, -3.9), p(0.6, -4.6), p(0.4, -4.95));
    path.cubicTo(p(0.15, -5.3), p(-0.4, -4.6), p(-0.3, -3.7));
    path.lineTo(p(0.25, 1.85));
    path.cubicTo(p(0.3, 2.45), p(-0.15, 2.75), p(-0.5, 2.5));
    return path;
}

QPainterPath BassClef(double cx, double fy, double s) {
    auto p = [&](double x, double y) { return QPointF(cx + x * s, fy + y * s); };
    QPainterPath path(p(-0.75, 0.0));
    path.cubicTo(p(-0.7, -1.1), p(0.95, -1.25), p(1.05, -0.15));
    path.cubicTo(p(1.15, 1.0), p(0.2, 2.1), p(-0.85, 2.65));
    return path;
}

}  // namespace

void DrawGlyph(QImage& image, const GlyphMask& mask, double x, double y, double factor, QRgb colour, bool mirror) {
    const int w = image.width();
    const int h = image.height();
    for (double my = 0.0; my < mask.height; my += 0.5) {
        for (double mx = 0.0; mx < mask.width; mx += 0.5) {
            const int sx = static_cast<int>(mx);
            if (!mask.At(mirror ? mask.width - 1 - sx : sx, static_cast<int>(my))) continue;
            const int px = static_cast<int>(x + mx / factor);
            const int py = static_cast<int>(y + my / factor);
            if (px >= 0 && py >= 0 && px < w && py < h) image.setPixel(px, py, colour);
        }
    }
}

CLongStaffPicture::CLongStaffPicture(Reporter& reporter) : reporter_(reporter), glyphs_(BuildGlyphSet()) {}

int CLongStaffPicture::CreateCell(const QRect& rect, int lowNote, int highNote) {
    StaffCell cell;
    cell.canvas = std::make_unique<COffScreenPicture>(reporter_, rect, QColor(255, 255, 255));
    cells_.push_back(std::move(cell));
    const int index = static_cast<int>(cells_.size()) - 1;
    SetUpCell(index, lowNote, highNote);
    return index;
}

void CLongStaffPicture::SetUpCell(int cell, int lowNote, int highNote) {
    if (!Valid(cell)) return;
    StaffCell& c = Cell(cell);
    c.geometry = BuildStaffGeometry(lowNote, highNote, c.canvas->width(), c.canvas->height());
}

void CLongStaffPicture::ResizeCell(int cell, const QRect& rect) {
    if (!Valid(cell)) return;
    StaffCell& c = Cell(cell);
    c.canvas->Resize(rect);
    c.geometry = BuildStaffGeometry(c.geometry.lowNote, c.geometry.highNote, c.canvas->width(), c.canvas->height());
}

bool CLongStaffPicture::Valid(int cell) {
    if (cell >= 0 && cell < CellCount()) return true;
    ErrorMsg();
    return false;
}

void CLongStaffPicture::ErrorMsg() { ShowErrorBox(reporter_, "楽譜を描けませんでした。"); }

int CLongStaffPicture::RowY(int cell, int note) const {
    if (cell < 0 || cell >= CellCount()) return 0;
    const StaffCell& c = Cell(cell);
    return pictures::RowY(c.geometry, c.accidentalMode, note);
}

int CLongStaffPicture::NoteAtY(int cell, int y) const {
    if (cell < 0 || cell >= CellCount()) return -1;
    const StaffCell& c = Cell(cell);
    int best = -1;
    int bestDistance = 0;
    for (int note = c.geometry.lowNote; note <= c.geometry.highNote; ++note) {
        if (IsBlackKey(note)) continue;
        const int distance = std::abs(RowCentreY(c.geometry, c.accidentalMode, note) - y);
        if (best < 0 || distance < bestDistance) {
            best = note;
            bestDistance = distance;
        }
    }
    return best;
}

int CLongStaffPicture::NoteX(int cell, Tick tick) const {
    const StaffCell& c = Cell(cell);
    const int area = c.geometry.width - c.leftMargin;
    const Tick length = c.cellLength > 0 ? c.cellLength : 1;
    return c.leftMargin + NotePad(c.geometry.spacing) + static_cast<int>(static_cast<std::int64_t>(area) * tick / length);
}

Tick CLongStaffPicture::TickAtX(int cell, int x) const {
    const StaffCell& c = Cell(cell);
    const int area = std::max(1, c.geometry.width - c.leftMargin);
    const int offset = std::clamp(x - c.leftMargin - NotePad(c.geometry.spacing), 0, area - 1);
    return static_cast<Tick>(static_cast<std::int64_t>(offset) * c.cellLength / area);
}

int CLongStaffPicture::RowHeadWidth(double s, int signature) {
    const int count = std::min(7, std::abs(signature));
    const int timeX = std::max(TimeSignatureX(s), KeyEnd(s, count));
    return timeX + static_cast<int>(2.0 * s) + static_cast<int>(s);
}

void CLongStaffPicture::SetBarContent(int cell, const BarContent& content) {
    if (!Valid(cell)) return;
    StaffCell& c = Cell(cell);
    c.cellLength = content.length;
    c.notes = content.notes;
    c.noteColours.assign(c.notes.size(), QColor(0, 0, 0));
    c.labels.clear();
    const double s = c.geometry.spacing;
    for (const StaffText& chord : content.chordNames) {
        c.labels.push_back({chord.text, NoteX(cell, chord.tick) - static_cast<int>(0.3 * s), 1});
    }
    // Lyrics sit just under the upper staff, where a singer reads them.
    const int lyricY = SlotY(c.geometry, 64) >= 0 ? SlotY(c.geometry, 64) + static_cast<int>(0.4 * s)
                                                  : c.geometry.height - 20;
    for (const StaffText& lyric : content.lyrics) {
        c.labels.push_back({Cp932ToUtf8(lyric.text), NoteX(cell, lyric.tick), lyricY});
    }
}

void CLongStaffPicture::DrawCell(int cell) {
    if (!Valid(cell)) return;
    StaffCell& c = Cell(cell);
    QImage& image = c.canvas->image();
    if (image.isNull()) {
        c.canvas->ErrorMsg(1);
        return;
    }
    image.fill(QColor(255, 255, 255));
    for (std::size_t i = 0; i < c.geometry.lineSlots.size(); ++i) {
        if (!c.geometry.lineSlots[i].drawn) continue;
        const int y = SlotLineY(c.geometry, i);
        Line(image, 0, y, c.geometry.width, y, kStaffLineColour);
    }
    DrawLabels(c, image);
    if (c.barLines) DrawBarLines(c, image);
    if (c.clefs) DrawClefsAndKey(c, image);
    if (c.timeSignature) DrawTimeSignature(c, image);
    DrawNotes(c, image);
}

void CLongStaffPicture::DrawLabels(StaffCell& c, QImage& image) {
    QPainter painter(&image);
    painter.setFont(LabelFont(c.geometry.spacing, c.clefs));
    painter.setPen(kLabelColour);
    const std::size_t count = std::min(c.labels.size(), kMaxCellLabels);
    for (std::size_t i = 0; i < count; ++i) {
        const CellLabel& label = c.labels[i];
        const QString text = QString::fromUtf8(label.text.data(), static_cast<qsizetype>(label.text.size()));
        const QRect box(label.x, label.y, 20 * static_cast<int>(text.size()), 20);
        painter.drawText(box, Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine, text);
    }
}

void CLongStaffPicture::DrawBarLines(StaffCell& c, QImage& image) {
    // Bar lines join the top and bottom staff lines, as engraved.
    const auto [top, bottom] = StaffSpan(c.geometry);
    if (c.barLineSides & kBarLineLeft) Line(image, 1, top, 1, bottom, QColor(0, 0, 0));
    if (c.barLineSides & kBarLineRight) {
        const int right = c.geometry.width - 1;
        Line(image, right, top, right, bottom, QColor(0, 0, 0));
        if (c.finalBar) {
            // Thin and thick: the end of the song.
            const int thick = std::max(2, static_cast<int>(c.geometry.spacing / 2));
            for (int x = right - thick + 1; x < right; ++x) Line(image, x, top, x, bottom, QColor(0, 0, 0));
            const int thin = right - thick - std::max(2, static_cast<int>(c.geometry.spacing / 3));
            Line(image, thin, top, thin, bottom, QColor(0, 0, 0));
        }
    }
}

void CLongStaffPicture::DrawClefsAndKey(StaffCell& c, QImage& image) {
    const StaffGeometry& g = c.geometry;
    const double s = g.spacing;
    {
        QPainter painter(&image);
        painter.setRenderHint(QPainter::Antialiasing, true);
        painter.setPen(QPen(QColor(0, 0, 0), std::max(1.2, 0.2 * s), Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        if (HasStaffLine(g, 67)) {
            const double cx = 1.8 * s;
            const double gy = SlotY(g, 67);
            painter.drawPath(TrebleClef(cx, gy, s));
            painter.setBrush(QColor(0, 0, 0));
            painter.drawEllipse(QPointF(cx - 0.45 * s, gy + 2.35 * s), 0.3 * s, 0.3 * s);
            painter.setBrush(Qt::NoBrush);
        }
        if (HasStaffLine(g, 53)) {
            const double cx = 1.6 * s;
            const double fy = SlotY(g, 53);
            painter.setPen(QPen(QColor(0, 0, 0), std::max(1.2, 0.25 * s), Qt::SolidLine, Qt::RoundCap));
            painter.drawPath(BassClef(cx, fy, s));
            painter.setPen(Qt::NoPen);
            painter.setBrush(QColor(0, 0, 0));
            painter.drawEllipse(QPointF(cx - 0.55 * s, fy + 0.05 * s), 0.36 * s, 0.36 * s);
            painter.drawEllipse(QPointF(cx + 1.55 * s, fy - 0.5 * s), 0.17 * s, 0.17 * s);
            painter.drawEllipse(QPointF(cx + 1.55 * s, fy + 0.5 * s), 0.17 * s, 0.17 * s);
        }
    }
    const int signature = SignatureFromByte(c.keySignature);
    const int count = std::min(7, std::abs(signature));
    const auto& notes = signature >= 0 ? kSharpSignatureNotes : kFlatSignatureNotes;
    const GlyphMask& mask = signature >= 0 ? glyphs_.sharp : glyphs_.flat;
    const double lift = signature >= 0 ? 0.05 * s : 0.3 * s;
    for (int staffShift : {0, -24}) {
        if (!HasStaffLine(g, staffShift == 0 ? 67 : 53)) continue;
        for (int i = 0; i < count; ++i) {
            const int note = notes[static_cast<std::size_t>(i)] + staffShift;
            const StaffRow* row = FindRow(g, c.accidentalMode, note);
            if (!row) continue;
            DrawGlyph(image, mask, KeyStart(s) + i * KeyStep(s), row->top - lift, GlyphFactor(24, s), kBlack);
        }
    }
}

void CLongStaffPicture::DrawTimeSignature(StaffCell& c, QImage& image) {
    const double s = c.geometry.spacing;
    int x0 = TimeSignatureX(s);
    if (c.clefs) {
        const int count = std::min(7, std::abs(SignatureFromByte(c.keySignature)));
        x0 = std::max(x0, KeyEnd(s, count));
    }
    QFont font(QStringLiteral("DejaVu Sans Mono"));
    font.setStyleHint(QFont::TypeWriter);
    font.setFixedPitch(true);
    font.setWeight(QFont::Bold);
    font.setPixelSize(std::max(1, static_cast<int>(2.2 * s)));
    QPainter painter(&image);
    painter.setFont(font);
    painter.setPen(QColor(0, 0, 0));
    const int box = static_cast<int>(2.0 * s);
    const QString numerator = QString::number(c.timeNumerator);
    const std::array<std::pair<int, QString>, 4> parts{{{77, numerator}, {71, QStringLiteral("4")},
                                                        {57, numerator}, {50, QStringLiteral("4")}}};
    for (const auto& [note, text] : parts) {
        if (!HasStaffLine(c.geometry, note)) continue;
        const int top = pictures::RowY(c.geometry, c.accidentalMode, note) + static_cast<int>(0.3 * s);
        painter.drawText(QRect(x0, top, box, box), Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine | Qt::TextDontClip,
                         text);
    }
}

}  // namespace songloom::pictures
