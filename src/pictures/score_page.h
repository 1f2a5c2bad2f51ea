#pragma once
// A page of the score as one image: four rows of four bar cells, each row
// led by its head (clefs, key signature, the time signature on the first
// row). The same cells and drawing as the score window, so an exported page
// shows what the window shows.

#include <QImage>

#include "common/reporter.h"
#include "pictures/long_staff_picture.h"
#include "pictures/staff_notes.h"

namespace songloom::pictures {

struct ScoreLayout {
    int cellWidth = 240;
    int cellHeight = 120;   // 15 line spacings for the range below
    int lowNote = 40;       // E2, a ledger line under the lower staff
    int highNote = 84;      // C6, two ledger lines over the upper staff
    int rowGap = 14;
    int barsPerRow = 4;
    int rowsPerPage = 4;
};

inline constexpr int kBarsPerPage = 16;

// Sets a bar cell (or a row head when bar is negative) of picture up for the
// song's key and time signature and fills it with the bar's content.
void PrepareBarCell(CLongStaffPicture& picture, int cell, Reporter& reporter, const SongView& song, int bar);
void PrepareRowHead(CLongStaffPicture& picture, int cell, const SongView& song, int firstBar, bool timeSignature);

// Draws count bars from firstBar as one row with its head.
QImage DrawScoreRow(Reporter& reporter, const SongView& song, int firstBar, int count, bool timeSignature,
                    const ScoreLayout& layout = {});
// Draws page (0-based) of the song: bars page * 16 onwards.
QImage DrawScorePage(Reporter& reporter, const SongView& song, int page, const ScoreLayout& layout = {});

}  // namespace songloom::pictures
