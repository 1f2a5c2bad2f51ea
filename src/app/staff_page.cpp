#include "app/staff_page.h"

#include <QPainter>

#include "common/text.h"
#include "song/song_tables.h"

#if __has_include("pictures/score_page.h")
#include "pictures/long_staff_picture.h"
#include "pictures/score_page.h"
#include "pictures/staff_notes.h"
#define SONGLOOM_APP_HAS_PICTURES 1
#endif

namespace songloom::app {

#ifdef SONGLOOM_APP_HAS_PICTURES

namespace {

pictures::SongView ViewOf(const song::SongData& song)
{
    pictures::SongView view;
    view.bars = song.bars();
    view.beats = song.beats();
    view.keySignature = song::KeyTable[static_cast<std::size_t>(song.key())].signature;
    const int slots = song.ActiveSlots();
    view.melody.resize(static_cast<std::size_t>(slots));
    for (int i = 0; i < slots; ++i) {
        const song::MelodySlot& slot = song.melody[static_cast<std::size_t>(i)];
        auto& out = view.melody[static_cast<std::size_t>(i)];
        for (std::size_t c = 0; c < 3; ++c) {
            out.cell[c] = slot.cell[c];
            out.text[c] = std::string(FieldText(slot.text[c].data(), slot.text[c].size()));
        }
    }
    for (int b = 0; b < song.ActiveBeats(); ++b) view.chordNames.emplace_back(song.ChordName(b));
    return view;
}

}  // namespace

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

void StaffPage::Draw(const song::SongData& song, int page)
{
    const pictures::SongView view = ViewOf(song);
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

#else  // a build without the staff pictures draws plain staves

struct StaffPage::Pictures {
    int cellWidth = 0;
    int cellHeight = 0;
    int headWidth = 0;
};

StaffPage::StaffPage(Reporter& reporter, int cellWidth, int cellHeight, int headWidth)
    : reporter_(reporter), pictures_(std::make_unique<Pictures>(Pictures{cellWidth, cellHeight, headWidth}))
{
}

StaffPage::~StaffPage() = default;

namespace {

QImage PlainStaff(int width, int height, bool barLines)
{
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    painter.setPen(QColor(100, 100, 100));
    const double s = height / 16.0;
    for (int i = 0; i < 5; ++i) {
        painter.drawLine(0, static_cast<int>((3 + i) * s), width, static_cast<int>((3 + i) * s));
        painter.drawLine(0, static_cast<int>((9 + i) * s), width, static_cast<int>((9 + i) * s));
    }
    if (barLines) {
        painter.drawLine(1, 0, 1, height);
        painter.drawLine(width - 1, 0, width - 1, height);
    }
    return image;
}

}  // namespace

void StaffPage::Draw(const song::SongData& song, int page)
{
    for (int r = 0; r < 4; ++r) {
        heads_[static_cast<std::size_t>(r)] = PlainStaff(pictures_->headWidth, pictures_->cellHeight, true);
    }
    for (int i = 0; i < 16; ++i) {
        cells_[static_cast<std::size_t>(i)] =
            PlainStaff(pictures_->cellWidth, pictures_->cellHeight, page * 16 + i < song.bars());
    }
}

#endif

}  // namespace songloom::app
