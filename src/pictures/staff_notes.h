#pragma once
// The staff cells draw the song's bars as the notation layer of the song
// lays them out; these names keep the drawing code in its own namespace.

#include "song/bar_notation.h"

namespace songloom::pictures {

using song::BarContent;
using song::BuildBarContent;
using song::KindOfLength;
using song::kRestPitch;
using song::kTicksPerEighth;
using song::kTicksPerQuarter;
using song::kTicksPerSixteenth;
using song::kTicksPerTripletCell;
using song::SlotView;
using song::SongView;
using song::StaffNote;
using song::StaffText;
using song::Tick;
namespace kind = song::kind;

}  // namespace songloom::pictures
