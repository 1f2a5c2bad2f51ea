#pragma once
// The whole rendering of a song as the play and export commands run it:
// select the style, convert the score, prepare the engine, compose.

#include <string>

#include "arrange/engine_context.h"
#include "song/song_data.h"

namespace songloom::harmony {

// Renders song in the style (category, slot) into a Standard MIDI File at
// outputPath. A style outside the catalogue is reported by the selection and
// the active style stays as it was. Returns what Compose returns (1).
int RenderSong(arrange::EngineContext& ctx, const song::SongData& song, int category, int slot,
               const std::string& outputPath);

}  // namespace songloom::harmony
