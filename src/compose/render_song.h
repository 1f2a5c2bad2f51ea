#pragma once
// The whole rendering of a song as the play and export commands run it:
// select the style, convert the score, prepare the engine, compose. And the
// one way every caller (app, command line, benchmarks) sets an engine up.

#include <memory>
#include <string>

#include "arrange/engine_context.h"
#include "arrange/style_catalogue.h"
#include "common/random.h"
#include "common/reporter.h"
#include "song/song_data.h"

namespace songloom::compose {

// Why a rendering did not leave its file; every case has been reported.
enum class RenderFailure {
    kNone,
    kNotWritten,  // the file could not be written
};

struct [[nodiscard]] RenderResult {
    RenderFailure failure = RenderFailure::kNone;
    bool Written() const { return failure == RenderFailure::kNone; }
    explicit operator bool() const { return Written(); }
};

// Renders song in the style (category, slot) into a Standard MIDI File at
// outputPath, written atomically: a rendering that fails leaves what was at
// outputPath as it was, so a caller must look at the result, never at the
// file. A style outside the catalogue is reported by the selection and the
// song renders in the active style as it was.
[[nodiscard]] RenderResult RenderSong(arrange::EngineContext& ctx, const song::SongData& song, int category,
                                      int slot, const std::string& outputPath);

// Bars a style preview plays.
inline constexpr int kPreviewBars = 4;

// The song's first bars (kPreviewBars, or all of a shorter song) with its
// melody, chords and settings: what a preview of a style plays over.
song::SongData PreviewExcerpt(Reporter& reporter, const song::SongData& song);

// Builds the style catalogue from random (the same seed gives the same
// catalogue, and the engine then the same songs) and an engine on it that
// reads its data files from dataDir, with the active style the build leaves.
// catalogue must outlive the engine.
std::unique_ptr<arrange::EngineContext> SetUpEngine(Reporter& reporter, Random& random,
                                                    arrange::StyleCatalogue& catalogue, const std::string& dataDir);
// The engine alone, on a catalogue built before (the app builds its
// catalogue at start-up and its engine on the first rendering), with
// startStyle, the active style that build left.
std::unique_ptr<arrange::EngineContext> MakeEngine(Reporter& reporter, Random& random,
                                                   const arrange::StyleCatalogue& catalogue,
                                                   const arrange::StyleRecord& startStyle, const std::string& dataDir);

}  // namespace songloom::compose
