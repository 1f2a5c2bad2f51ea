#pragma once
// The staff's view of a SongData (song/bar_notation.h).

#include "pictures/staff_notes.h"
#include "song/song_data.h"

namespace songloom::pictures {

using song::SongViewOf;

}  // namespace songloom::pictures
