// A re-roll of some bars of one part: a fresh rendering with another seed
// spliced into the kept one.
#include <gtest/gtest.h>

#include "engine_fixture.h"
#include "compose/render_song.h"
#include "midi/midi_file.h"
#include "midi/midi_splice.h"
#include "song/song_image.h"

namespace songloom::test {
namespace {

struct Note {
    std::int64_t at;
    int channel, note, velocity, duration;
    bool operator==(const Note&) const = default;
};

struct Other {
    std::int64_t at;
    int kind, channel, number, value;
    std::vector<std::uint8_t> data;
    bool operator==(const Other&) const = default;
};

struct Content {
    std::vector<Note> notes;
    std::vector<Other> others;  // every event that is not a note
    int barLength = 0;
};

Content Read(Reporter& r, const std::string& path)
{
    midi::CMidiFile0 file(r, path);
    EXPECT_TRUE(file.Loaded()) << path;
    Content c;
    c.barLength = file.BarLength();
    std::int64_t t = 0;
    for (const auto& e : file.Track.Events()) {
        t += e.DeltaTime;
        if (e.Kind == midi::kKindNote) {
            c.notes.push_back({t, e.Channel, e.Note, e.Velocity, e.Duration});
        } else {
            c.others.push_back({t, e.Kind, e.Channel, e.Number, e.Value, e.Data});
        }
    }
    return c;
}

void Render(std::uint32_t seed, const std::string& path)
{
    EngineFixture fx(seed);
    song::SongData song;
    ASSERT_EQ(song::ReadSongFile(fx.reporter, SourceDir() + "/data/songs/ode_to_joy.sld", song, 8, 4, 0),
              song::SongFileStatus::kRead);
    // A style whose bass draws its figures at random.
    ASSERT_TRUE(compose::RenderSong(*fx.ctx, song, 1, 5, path));
}

TEST(Reroll, BarsFiveToEightOfTheBassAloneAreNew)
{
    TempDir dir;
    Render(1, dir.File("old.mid"));
    Render(2, dir.File("fresh.mid"));
    CapturingReporter r;
    midi::RerollRange range;
    ASSERT_TRUE(midi::ParseRerollRange("5-8:bass", range));
    ASSERT_EQ(midi::RerollFile(r, dir.File("old.mid"), dir.File("fresh.mid"), range, dir.File("new.mid")),
              midi::RerollStatus::kDone);
    const Content old = Read(r, dir.File("old.mid"));
    const Content fresh = Read(r, dir.File("fresh.mid"));
    const Content now = Read(r, dir.File("new.mid"));
    ASSERT_EQ(old.barLength, 384);
    const std::int64_t from = 4 * 384;
    const std::int64_t to = 8 * 384;
    const auto inside = [&](const Note& n) { return n.channel == 2 && n.at >= from && n.at < to; };
    // A kept bass note that sounds into bar 5 ends where the new notes begin.
    const auto cut = [&](Note n, std::int64_t at) {
        if (n.channel == 2 && n.at < at && n.at + n.duration > at) n.duration = static_cast<int>(at - n.at);
        return n;
    };
    std::vector<Note> oldOutside, nowOutside, freshInside, nowInside;
    for (const Note& n : old.notes) {
        if (!inside(n)) oldOutside.push_back(cut(n, from));
    }
    for (const Note& n : now.notes) (inside(n) ? nowInside : nowOutside).push_back(n);
    for (const Note& n : fresh.notes) {
        if (inside(n)) freshInside.push_back(cut(n, to));
    }
    std::vector<Note> oldInside;
    for (const Note& n : old.notes) {
        if (inside(n)) oldInside.push_back(n);
    }
    EXPECT_EQ(nowOutside, oldOutside);
    EXPECT_EQ(now.others, old.others);
    EXPECT_EQ(nowInside, freshInside);
    ASSERT_FALSE(nowInside.empty());
    EXPECT_NE(nowInside, oldInside);
    // Nothing of the bass sounds past bar 8 into the kept notes.
    for (const Note& n : nowInside) EXPECT_LE(n.at + n.duration, to);
    EXPECT_TRUE(r.reports().empty());
}

}  // namespace
}  // namespace songloom::test
