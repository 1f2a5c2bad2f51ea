#pragma once
// The pictures of one page of the score: sixteen bar cells and the four row
// heads, drawn off screen from the working song and kept until the song or
// the page changes. The window copies them on paint.

#include <QImage>
#include <array>
#include <memory>

#include "common/reporter.h"
#include "song/song_data.h"

namespace songloom::app {

class StaffPage {
public:
    // cellWidth x cellHeight for the bar cells, headWidth for the row heads.
    StaffPage(Reporter& reporter, int cellWidth, int cellHeight, int headWidth);
    ~StaffPage();
    StaffPage(const StaffPage&) = delete;
    StaffPage& operator=(const StaffPage&) = delete;

    // Draws bars page * 16 .. page * 16 + 15 of song and the row heads, as
    // an instrument written writtenAbove semitones above its sound reads them.
    void Draw(const song::SongData& song, int page, int writtenAbove = 0);

    const QImage& Cell(int cell) const { return cells_[static_cast<std::size_t>(cell)]; }
    const QImage& Head(int row) const { return heads_[static_cast<std::size_t>(row)]; }

private:
    struct Pictures;
    Reporter& reporter_;
    std::unique_ptr<Pictures> pictures_;
    std::array<QImage, 16> cells_;
    std::array<QImage, 4> heads_;
};

}  // namespace songloom::app
