#pragma once
// The staff's view of a SongData: its melody cells, chord names and key
// signature, copied by value.

#include "pictures/staff_notes.h"
#include "song/song_data.h"

namespace songloom::pictures {

SongView SongViewOf(const song::SongData& song);

}  // namespace songloom::pictures
