#include "pictures/score_page.h"

#include <QPainter>
#include <string>

namespace songloom::pictures {
namespace {

constexpr int kCellOverlap = 2;  // neighbouring cells share their bar line

double SpacingOf(const ScoreLayout& layout) {
    return BuildStaffGeometry(layout.lowNote, layout.highNote, layout.cellWidth, layout.cellHeight).spacing;
}

void SetKey(StaffCell& cell, const SongView& song) {
    cell.keySignature = ByteFromSignature(song.keySignature);
    cell.accidentalMode = song.keySignature >= 0 ? kSharpMode : 1;
    cell.timeNumerator = song.beats;
}

}  // namespace

void PrepareBarCell(CLongStaffPicture& picture, int cell, Reporter& reporter, const SongView& song, int bar) {
    StaffCell& c = picture.Cell(cell);
    SetKey(c, song);
    c.clefs = false;
    c.timeSignature = false;
    c.leftMargin = 0;
    c.finalBar = bar == song.bars - 1;
    // Each bar draws the line that closes it; the one before it is its
    // neighbour's, or the row head's.
    c.barLineSides = kBarLineRight;
    if (bar >= 0 && bar < song.bars) {
        c.barLines = true;
        picture.SetBarContent(cell, BuildBarContent(reporter, song, bar));
    } else {
        c.barLines = false;
        c.notes.clear();
        c.labels.clear();
        c.noteColours.clear();
    }
}

void PrepareRowHead(CLongStaffPicture& picture, int cell, const SongView& song, int firstBar, bool timeSignature) {
    StaffCell& c = picture.Cell(cell);
    SetKey(c, song);
    c.clefs = true;
    c.timeSignature = timeSignature;
    c.barLines = true;
    c.barLineSides = kBarLineLeft;
    c.notes.clear();
    c.noteColours.clear();
    c.labels = {{std::to_string(firstBar + 1), 2, 1}};
}

QImage DrawScoreRow(Reporter& reporter, const SongView& song, int firstBar, int count, bool timeSignature,
                    const ScoreLayout& layout) {
    const double s = SpacingOf(layout);
    const int headWidth = CLongStaffPicture::RowHeadWidth(s, song.keySignature);
    const int width = headWidth + count * (layout.cellWidth - kCellOverlap) + kCellOverlap;
    QImage row(width, layout.cellHeight, QImage::Format_RGB32);
    row.fill(QColor(255, 255, 255));
    if (firstBar >= song.bars) return row;
    CLongStaffPicture picture(reporter);
    const int head = picture.CreateCell(QRect(0, 0, headWidth, layout.cellHeight), layout.lowNote, layout.highNote);
    PrepareRowHead(picture, head, song, firstBar, timeSignature);
    picture.DrawCell(head);
    QPainter painter(&row);
    picture.Cell(head).canvas->Blit(painter, QRect(0, 0, headWidth, layout.cellHeight));
    // Bars past the end of the song are left blank.
    for (int i = 0; i < count && firstBar + i < song.bars; ++i) {
        const int x = headWidth - kCellOverlap + i * (layout.cellWidth - kCellOverlap);
        const int cell =
            picture.CreateCell(QRect(x, 0, layout.cellWidth, layout.cellHeight), layout.lowNote, layout.highNote);
        PrepareBarCell(picture, cell, reporter, song, firstBar + i);
        // Cells overlap here by the width of a bar line, each covering the
        // end of the one before: each draws the shared line too. The row head
        // draws the system's opening line; none follows the key signature.
        if (i > 0) picture.Cell(cell).barLineSides = kBarLineBoth;
        picture.DrawCell(cell);
        painter.drawImage(x, 0, picture.Cell(cell).canvas->image());
    }
    return row;
}

QImage DrawScorePage(Reporter& reporter, const SongView& song, int page, const ScoreLayout& layout) {
    std::vector<QImage> rows;
    int width = 0;
    for (int r = 0; r < layout.rowsPerPage; ++r) {
        const int first = page * kBarsPerPage + r * layout.barsPerRow;
        rows.push_back(DrawScoreRow(reporter, song, first, layout.barsPerRow, r == 0, layout));
        width = std::max(width, rows.back().width());
    }
    const int height = layout.rowsPerPage * (layout.cellHeight + layout.rowGap) + layout.rowGap;
    QImage image(width + 2 * layout.rowGap, height, QImage::Format_RGB32);
    image.fill(QColor(255, 255, 255));
    QPainter painter(&image);
    for (std::size_t r = 0; r < rows.size(); ++r) {
        painter.drawImage(layout.rowGap, layout.rowGap + static_cast<int>(r) * (layout.cellHeight + layout.rowGap),
                          rows[r]);
    }
    return image;
}

}  // namespace songloom::pictures
