#pragma once
// An engine context over the built catalogue and the shipped data files,
// with a capturing reporter: what most engine tests start from.

#include <memory>

#include "arrange/data_files.h"
#include "arrange/engine_context.h"
#include "arrange/style_catalogue.h"
#include "common/random.h"
#include "common/reporter.h"
#include "compose/render_song.h"
#include "midi/midi_track.h"
#include "support/test_paths.h"

namespace songloom::test {

struct EngineFixture {
    explicit EngineFixture(std::uint32_t seed = 7) : random(seed)
    {
        ctx = compose::SetUpEngine(reporter, random, catalogue, SourceDir() + "/data");
        start = ctx->activeStyle;
        arrange::LoadNoteDatabase(reporter, ctx->dataFiles, harmony::DataFolder{SourceDir() + "/data", false}, 1, 8);
    }

    // A style with every channel but the melody switched off, so tests see
    // only what they set up.
    void PlainStyle()
    {
        arrange::StyleRecord style;
        arrange::ApplyStyleDefaults(random, style);
        arrange::FinishStyle(style);
        ctx->activeStyle = style;
    }

    // Absolute time, note and duration of every note of a track.
    struct Placed {
        std::int64_t at;
        int note;
        int velocity;
        int duration;
        bool operator==(const Placed&) const = default;
    };
    static std::vector<Placed> Notes(const midi::CMidiTrack& track)
    {
        std::vector<Placed> out;
        std::int64_t t = 0;
        for (const auto& e : track.Events()) {
            t += e.DeltaTime;
            if (e.Kind == midi::kKindNote) out.push_back({t, e.Note, e.Velocity, e.Duration});
        }
        return out;
    }

    CapturingReporter reporter;
    Random random;
    arrange::StyleCatalogue catalogue;
    arrange::StyleRecord start;
    std::unique_ptr<arrange::EngineContext> ctx;
};

}  // namespace songloom::test
