#include "app/staff_page.h"

#include "pictures/long_staff_picture.h"
#include "pictures/score_page.h"
#include "pictures/song_view.h"
#include "song/bar_notation.h"

namespace songloom::app {

struct StaffPage::Pictures {
    explicit Pictures(Reporter& reporter) : picture(reporter) {}
    pictures::CLongStaffPicture picture;
    std::array<int, 16> cells{};
    std::array<int, 4> heads{};
};

StaffPage::StaffPage(Reporter& reporter, int cellWidth, int cellHeight, int headWidth)
    : reporter_(reporter), pictures_(std::make_unique<Pictures>(reporter))
{
    const pictures::ScoreLayout layout;
    for (int i = 0; i < 16; ++i) {
        pictures_->cells[static_cast<std::size_t>(i)] =
            pictures_->picture.CreateCell(QRect(0, 0, cellWidth, cellHeight), layout.lowNote, layout.highNote);
    }
    for (int r = 0; r < 4; ++r) {
        pictures_->heads[static_cast<std::size_t>(r)] =
            pictures_->picture.CreateCell(QRect(0, 0, headWidth, cellHeight), layout.lowNote, layout.highNote);
    }
}

StaffPage::~StaffPage() = default;

void StaffPage::Draw(const song::SongData& song, int page, int writtenAbove)
{
    const pictures::SongView view = song::TransposedView(pictures::SongViewOf(song), writtenAbove);
    auto& picture = pictures_->picture;
    for (int r = 0; r < 4; ++r) {
        const int head = pictures_->heads[static_cast<std::size_t>(r)];
        pictures::PrepareRowHead(picture, head, view, page * 16 + r * 4, r == 0);
        picture.DrawCell(head);
        heads_[static_cast<std::size_t>(r)] = picture.Cell(head).canvas->image();
    }
    for (int i = 0; i < 16; ++i) {
        const int cell = pictures_->cells[static_cast<std::size_t>(i)];
        pictures::PrepareBarCell(picture, cell, reporter_, view, page * 16 + i);
        picture.DrawCell(cell);
        cells_[static_cast<std::size_t>(i)] = picture.Cell(cell).canvas->image();
    }
}

}  // namespace songloom::app
