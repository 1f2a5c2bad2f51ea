// The note layer of a staff cell: rests, accidentals, heads, ledger lines,
// stems, beams, dots, ties and triplet numbers.
#include <QFont>
#include <QPainter>
#include <QPainterPath>
#include <algorithm>
#include <climits>
#include <cmath>

#include "pictures/long_staff_picture.h"

namespace songloom::pictures {
namespace {

double GlyphFactor(int maskSize, double s) { return maskSize / s * 0.9; }

// Where a note sits and where its stem ends, for beams, ties and triplets.
struct Placed {
    bool drawn = false;
    int x = 0;           // left of the head
    int top = 0;         // row top
    bool down = false;   // stem down
    bool stem = false;
    int stemX = 0;
    int stemEnd = 0;     // y of the free end of the stem
};

const GlyphMask* HeadMask(const GlyphSet& g, int kind) {
    switch (kind) {
    case 7: case 8: case 9: case 10: case 11: case 13: return &g.openHead;
    case 14: return &g.crossHead;
    case 15: return &g.filledHead[1];
    default: return &g.filledHead[0];
    }
}

const GlyphMask* StemMask(const StemMasks& stems, int kind) {
    switch (kind) {
    case 0: return &stems.twoFlags;
    case 1: case 2: return &stems.oneFlag;
    case 3: case 4: case 5: case 6: case 7: case 9: case 10: case 14: case 15: return &stems.plain;
    default: return nullptr;
    }
}

// The y of the line rests are centred on: the middle line of the upper
// staff, else of the lower one, else the middle of the cell.
int RestLineY(const StaffGeometry& g) {
    for (int note : {71, 50}) {
        for (std::size_t i = 0; i < g.lineSlots.size(); ++i) {
            if (g.lineSlots[i].note == note && g.lineSlots[i].drawn) return SlotLineY(g, i);
        }
    }
    return g.height / 2;
}

bool CentreOnLine(double centre, double s) {
    const double q = centre / s;
    return std::abs(q - std::round(q)) < 0.25;
}

void HLine(QImage& image, int x0, int x1, int y, QRgb colour) {
    if (y < 0 || y >= image.height()) return;
    for (int x = std::max(0, x0); x <= std::min(image.width() - 1, x1); ++x) image.setPixel(x, y, colour);
}

void VLine(QImage& image, int x, int y0, int y1, QRgb colour) {
    if (x < 0 || x >= image.width()) return;
    if (y0 > y1) std::swap(y0, y1);
    for (int y = std::max(0, y0); y <= std::min(image.height() - 1, y1); ++y) image.setPixel(x, y, colour);
}

void Tie(QImage& image, double x0, double x1, double y, bool above, double s, const QColor& colour) {
    if (x1 - x0 < 2.0) return;
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing, true);
    const double bulge = std::min(0.9 * s, 0.1 * (x1 - x0) + 0.3 * s) * (above ? -1.0 : 1.0);
    QPainterPath path(QPointF(x0, y));
    path.quadTo(QPointF((x0 + x1) / 2, y + bulge * 1.6), QPointF(x1, y));
    path.quadTo(QPointF((x0 + x1) / 2, y + bulge * 1.25), QPointF(x0, y));
    painter.setPen(QPen(colour, 1.0));
    painter.setBrush(colour);
    painter.drawPath(path);
}

}  // namespace

void CLongStaffPicture::DrawNotes(StaffCell& c, QImage& image) {
    const StaffGeometry& g = c.geometry;
    const double s = g.spacing;
    const int signature = SignatureFromByte(c.keySignature);
    AccidentalTracker tracker(signature, c.accidentalMode == kSharpMode);
    const int restLine = RestLineY(g);
    const int cellIndex = static_cast<int>(&c - cells_.data());
    const std::size_t count = c.notes.size();
    std::vector<Placed> placed(count);

    // Stem directions first: a beamed pair shares one.
    std::vector<bool> down(count, false);
    for (std::size_t i = 0; i < count; ++i) {
        const StaffNote& n = c.notes[i];
        if (n.IsRest()) continue;
        down[i] = StemDown(n.pitch, n.kind);
        if (n.kind == kind::kBeamEnd && i > 0 && c.notes[i - 1].kind == kind::kBeamStart && !c.notes[i - 1].IsRest()) {
            down[i] = down[i - 1] = BeamedPairStemDown(c.notes[i - 1].pitch, n.pitch);
        }
    }

    // Triplet notes of one eighth are beamed together (two or more notes);
    // their stems share the direction of the group's average.
    std::vector<std::pair<std::size_t, std::size_t>> tripletBeams;
    std::vector<bool> beamedTriplet(count, false);
    for (std::size_t i = 0; i < count;) {
        std::size_t j = i;
        int sum = 0;
        while (j < count && c.notes[j].triplet && !c.notes[j].IsRest() &&
               c.notes[j].start / kTicksPerEighth == c.notes[i].start / kTicksPerEighth) {
            sum += c.notes[j].pitch;
            ++j;
        }
        if (j - i >= 2) {
            tripletBeams.emplace_back(i, j);
            const bool groupDown = StemDown(sum / static_cast<int>(j - i), kind::kBeamStart);
            for (std::size_t k = i; k < j; ++k) {
                beamedTriplet[k] = true;
                down[k] = groupDown;
            }
        }
        i = std::max(j, i + 1);
    }

    for (std::size_t i = 0; i < count; ++i) {
        const StaffNote& n = c.notes[i];
        const QColor colour = i < c.noteColours.size() ? c.noteColours[i] : QColor(0, 0, 0);
        const QRgb rgb = colour.rgb();
        int x = NoteX(cellIndex, n.start) + n.shift;

        if (n.IsRest()) {
            if (n.kind == kind::kWhole && n.length >= c.cellLength) {
                x = c.leftMargin + (g.width - c.leftMargin) / 2 - static_cast<int>(s / 2);
            }
            const double mid = x + s / 2;
            switch (n.kind) {
            case kind::kWhole: case kind::kWholeMirrored:
                DrawGlyph(image, glyphs_.blockRest, mid - 12 * s / 14, restLine - s, 14 / s, rgb);
                break;
            case kind::kHalf: case kind::kDottedHalf: case kind::kHalfAndEighth:
                DrawGlyph(image, glyphs_.blockRest, mid - 12 * s / 14, restLine - 0.5 * s, 14 / s, rgb);
                break;
            case kind::kQuarter: case kind::kDottedQuarter:
                DrawGlyph(image, glyphs_.quarterRest, mid - 15.5 * 3 * s / 32, restLine - 1.5 * s, 32 / (3 * s), rgb);
                break;
            case kind::kSixteenth:
                DrawGlyph(image, glyphs_.sixteenthRest, mid - 14 * 2.6 * s / 24, restLine - 1.3 * s, 24 / (2.6 * s), rgb);
                break;
            default:
                DrawGlyph(image, glyphs_.eighthRest, mid - 14 * s / 12, restLine - 1.1 * s, 12 / s, rgb);
                break;
            }
            for (int d = 0; d < n.dots; ++d) {
                DrawGlyph(image, glyphs_.dot, x + 1.4 * s + d * 0.55 * s, restLine - s, 16 / s, rgb);
            }
            continue;
        }

        const int shown = ShownPitchIn(g, n.pitch);
        const StaffRow* row = FindRow(g, c.accidentalMode, shown);
        if (!row) continue;
        if (shown != n.pitch && (shown - n.pitch) % 12 == 0) {
            // Out of the cell's range: shown in octaves with the usual mark.
            const int octaves = (n.pitch - shown) / 12;
            const QString mark = octaves == 1    ? QStringLiteral("8va")
                                 : octaves == -1 ? QStringLiteral("8vb")
                                 : octaves > 0   ? QStringLiteral("15ma")
                                                 : QStringLiteral("15mb");
            QFont font(QStringLiteral("DejaVu Serif"));
            font.setItalic(true);
            font.setPixelSize(std::max(8, static_cast<int>(1.2 * s)));
            QPainter painter(&image);
            painter.setFont(font);
            painter.setPen(colour);
            const int y = octaves > 0 ? row->top - static_cast<int>(1.8 * s) : row->top + static_cast<int>(1.6 * s);
            painter.drawText(QRect(x - static_cast<int>(s), y, static_cast<int>(4 * s), static_cast<int>(1.6 * s)),
                             Qt::AlignLeft | Qt::AlignVCenter | Qt::TextDontClip, mark);
        }
        // A second against the previous note of the same chord goes aside.
        if (i > 0 && placed[i - 1].drawn && c.notes[i - 1].start == n.start && placed[i - 1].x == x &&
            std::abs(placed[i - 1].top - row->top) <= static_cast<int>(s / 2) + 1 && placed[i - 1].top != row->top) {
            x += static_cast<int>(s);
        }
        Placed& p = placed[i];
        p.drawn = true;
        p.x = x;
        p.top = row->top;
        p.down = down[i];

        if (!n.tieFromBefore) {
            if (const auto sign = tracker.Next(n.pitch, row->accidental)) {
                const GlyphMask& mask = *sign == RowAccidental::Flat    ? glyphs_.flat
                                        : *sign == RowAccidental::Sharp ? glyphs_.sharp
                                                                        : glyphs_.natural;
                const double lift = *sign == RowAccidental::Flat ? 0.3 * s : 0.05 * s;
                DrawGlyph(image, mask, x - 1.2 * s, row->top - lift, GlyphFactor(24, s), rgb);
            }
        }

        DrawGlyph(image, *HeadMask(glyphs_, n.kind), x, row->top, 16 / s, rgb, n.kind == kind::kWholeMirrored);

        // Ledger lines between the head and the nearest staff line.
        const double centre = row->top + s / 2;
        int nearest = -1;
        for (std::size_t k = 0; k < g.lineSlots.size(); ++k) {
            if (!g.lineSlots[k].drawn) continue;
            const int y = SlotLineY(g, k);
            if (nearest < 0 || std::abs(y - centre) < std::abs(nearest - centre)) nearest = y;
        }
        if (nearest >= 0) {
            for (std::size_t k = 0; k < g.lineSlots.size(); ++k) {
                if (g.lineSlots[k].drawn) continue;
                const int y = SlotLineY(g, k);
                const bool between = nearest < centre ? (y > nearest && y <= centre + 0.3 * s)
                                                      : (y < nearest && y >= centre - 0.3 * s);
                if (between) HLine(image, x - static_cast<int>(0.4 * s), x + static_cast<int>(1.4 * s), y,
                                   kStaffLineColour.rgb());
            }
        }

        const int stemKind = beamedTriplet[i] ? kind::kBeamStart : n.kind;
        if (const GlyphMask* stem = StemMask(p.down ? glyphs_.stemDown : glyphs_.stemUp, stemKind)) {
            p.stem = true;
            if (p.down) {
                DrawGlyph(image, *stem, x - s, row->top + s / 2, 8 / s, rgb);
                p.stemX = static_cast<int>(x - s + 8.25 * s / 8);
                p.stemEnd = static_cast<int>(row->top + s / 2 + 4 * s) - 1;
            } else {
                DrawGlyph(image, *stem, x, row->top + s / 2 - 4 * s, 8 / s, rgb);
                p.stemX = static_cast<int>(x + 7.25 * s / 8);
                p.stemEnd = static_cast<int>(row->top + s / 2 - 4 * s);
            }
        }

        // The beam of a pair: its slant is kept within one line spacing and
        // the stems reach it.
        if (n.kind == kind::kBeamEnd && i > 0 && c.notes[i - 1].kind == kind::kBeamStart && placed[i - 1].stem &&
            p.stem) {
            Placed& a = placed[i - 1];
            int ya = a.stemEnd;
            int yb = p.stemEnd;
            const int limit = static_cast<int>(s);
            if (!p.down) {
                if (ya - yb > limit) ya = yb + limit;
                if (yb - ya > limit) yb = ya + limit;
            } else {
                if (yb - ya > limit) ya = yb - limit;
                if (ya - yb > limit) yb = ya - limit;
            }
            VLine(image, a.stemX, a.stemEnd, ya, rgb);
            VLine(image, p.stemX, p.stemEnd, yb, rgb);
            const int inward = p.down ? -1 : 1;
            {
                QPainter painter(&image);
                painter.setRenderHint(QPainter::Antialiasing, false);
                painter.setPen(QPen(colour, 1));
                const int thickness = std::max(2, static_cast<int>(s / 2));
                for (int t = 0; t < thickness; ++t) {
                    painter.drawLine(a.stemX, ya + t * inward, p.stemX, yb + t * inward);
                }
            }
            a.stemEnd = ya;
            p.stemEnd = yb;
        }

        // Dots sit in a space: a note on a line has them in the space above.
        const double dotCentre = CentreOnLine(centre, s) ? centre - s / 2 : centre;
        for (int d = 0; d < n.dots; ++d) {
            DrawGlyph(image, glyphs_.dot, x + 1.3 * s + d * 0.55 * s, dotCentre - s / 2, 16 / s, rgb);
        }
    }

    // Beams of the triplet groups: a straight line from the first stem end to
    // the last (slant within one line spacing), every stem reaching it; a
    // second beam joins the triplet sixteenths.
    for (const auto& [first, last] : tripletBeams) {
        Placed& a = placed[first];
        Placed& b = placed[last - 1];
        if (!a.stem || !b.stem) continue;
        const bool groupDown = a.down;
        int extreme = a.stemEnd;
        for (std::size_t k = first; k < last; ++k) {
            extreme = groupDown ? std::max(extreme, placed[k].stemEnd) : std::min(extreme, placed[k].stemEnd);
        }
        const int limit = static_cast<int>(s);
        int ya = std::clamp(a.stemEnd, extreme - limit, extreme + limit);
        int yb = std::clamp(b.stemEnd, extreme - limit, extreme + limit);
        ya = groupDown ? std::max(ya, extreme - limit / 2) : std::min(ya, extreme + limit / 2);
        yb = groupDown ? std::max(yb, extreme - limit / 2) : std::min(yb, extreme + limit / 2);
        auto beamY = [&](int x) {
            if (b.stemX == a.stemX) return ya;
            return ya + (yb - ya) * (x - a.stemX) / (b.stemX - a.stemX);
        };
        // Every stem must reach the beam: move the beam out when a middle
        // note's stem would poke through.
        int shift = 0;
        for (std::size_t k = first; k < last; ++k) {
            const int need = placed[k].stemEnd - beamY(placed[k].stemX);
            shift = groupDown ? std::max(shift, need) : std::min(shift, need);
        }
        ya += shift;
        yb += shift;
        const int thickness = std::max(2, static_cast<int>(s / 2));
        const int inward = groupDown ? -1 : 1;
        QPainter painter(&image);
        painter.setRenderHint(QPainter::Antialiasing, false);
        const QColor colour = first < c.noteColours.size() ? c.noteColours[first] : QColor(0, 0, 0);
        painter.setPen(QPen(colour, 1));
        for (std::size_t k = first; k < last; ++k) {
            VLine(image, placed[k].stemX, placed[k].stemEnd, beamY(placed[k].stemX), colour.rgb());
            placed[k].stemEnd = beamY(placed[k].stemX);
        }
        for (int t = 0; t < thickness; ++t) painter.drawLine(a.stemX, ya + t * inward, b.stemX, yb + t * inward);
        const int gap = (thickness + 1) * inward;
        for (std::size_t k = first; k < last; ++k) {
            if (c.notes[k].length > kTicksPerTripletCell) continue;
            // The second beam runs to the next sixteenth, or a short stub.
            int x0 = placed[k].stemX;
            int x1 = (k + 1 < last && c.notes[k + 1].length <= kTicksPerTripletCell) ? placed[k + 1].stemX
                     : (k + 1 < last) ? x0 + static_cast<int>(0.8 * s)
                                      : x0 - static_cast<int>(0.8 * s);
            if (k > first && c.notes[k - 1].length <= kTicksPerTripletCell) continue;  // drawn from the left
            if (k + 1 < last && c.notes[k + 1].length <= kTicksPerTripletCell) {
                std::size_t end = k + 1;
                while (end + 1 < last && c.notes[end + 1].length <= kTicksPerTripletCell) ++end;
                x1 = placed[end].stemX;
            }
            for (int t = 0; t < thickness; ++t) {
                painter.drawLine(x0, beamY(x0) + gap + t * inward, x1, beamY(x1) + gap + t * inward);
            }
        }
    }

    // Ties curve away from the stems.
    for (std::size_t i = 0; i < count; ++i) {
        const StaffNote& n = c.notes[i];
        const Placed& p = placed[i];
        if (n.IsRest() || !p.drawn) continue;
        const QColor colour = i < c.noteColours.size() ? c.noteColours[i] : QColor(0, 0, 0);
        const bool above = p.down;
        const double y = above ? p.top - 0.1 * s : p.top + s + 0.1 * s;
        if (n.tieToNext) {
            double end = g.width - 2;
            if (i + 1 < count && placed[i + 1].drawn && c.notes[i + 1].pitch == n.pitch) end = placed[i + 1].x;
            Tie(image, p.x + s + 1, end - 1, y, above, s, colour);
        }
        if (n.tieFromBefore) Tie(image, c.leftMargin + 2, p.x - 1, y, above, s, colour);
    }

    // A "3" over (or under) each group of triplet notes within one eighth.
    QFont font(QStringLiteral("DejaVu Serif"));
    font.setItalic(true);
    font.setBold(true);
    font.setPixelSize(std::max(8, static_cast<int>(1.5 * s)));
    for (std::size_t i = 0; i < count;) {
        if (!c.notes[i].triplet) {
            ++i;
            continue;
        }
        const Tick slot = c.notes[i].start / kTicksPerEighth;
        std::size_t j = i;
        int left = INT_MAX, right = INT_MIN, top = INT_MAX, bottom = INT_MIN, downs = 0, ups = 0;
        while (j < count && c.notes[j].triplet && c.notes[j].start / kTicksPerEighth == slot) {
            const Placed& p = placed[j];
            const int x = p.drawn ? p.x : NoteX(cellIndex, c.notes[j].start);
            left = std::min(left, x);
            right = std::max(right, x + static_cast<int>(s));
            const int y0 = p.drawn ? (p.stem ? std::min(p.stemEnd, p.top) : p.top) : restLine - static_cast<int>(s);
            const int y1 = p.drawn ? (p.stem ? std::max(p.stemEnd, p.top + static_cast<int>(s)) : p.top + static_cast<int>(s))
                                   : restLine + static_cast<int>(s);
            top = std::min(top, y0);
            bottom = std::max(bottom, y1);
            (p.drawn && p.down) ? ++downs : ++ups;
            ++j;
        }
        QPainter painter(&image);
        painter.setFont(font);
        painter.setPen(QColor(0, 0, 0));
        const int h = font.pixelSize() + 2;
        const int y = ups >= downs ? top - h : bottom + 1;
        painter.drawText(QRect(left - 10, y, right - left + 20, h), Qt::AlignHCenter | Qt::AlignVCenter,
                         QStringLiteral("3"));
        i = j;
    }
}

}  // namespace songloom::pictures
