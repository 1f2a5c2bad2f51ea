// Every file of the shared edge-case corpus loads through both file classes;
// what loads is saved, loads again with the same events, and the saved files
// are read by two independent MIDI parsers when they are installed.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <map>
#include <sstream>

#include "common/general.h"
#include "midi/midi_file.h"
#include "support/test_paths.h"
#include "support/two_pass_track.h"

namespace songloom::midi {
namespace {

namespace fs = std::filesystem;

std::vector<fs::path> CorpusFiles()
{
    std::vector<fs::path> files;
    const std::string dir = test::CorpusDir();
    if (dir.empty()) return files;
    std::error_code ec;
    for (const auto& entry : fs::directory_iterator(fs::path(dir) / "midi-edge", ec)) {
        if (entry.path().extension() == ".mid") files.push_back(entry.path());
    }
    std::sort(files.begin(), files.end());
    return files;
}

int AudibleNotes(const std::vector<CMidiTrack>& tracks)
{
    int n = 0;
    for (const auto& t : tracks) {
        n += static_cast<int>(std::count_if(t.Events().begin(), t.Events().end(),
                                            [](const CMidiEvent& e) { return e.Kind == kKindNote; }));
    }
    return n;
}

std::string RunCommand(const std::string& command, int& status)
{
    std::string out;
    FILE* pipe = ::popen(command.c_str(), "r");
    if (pipe == nullptr) {
        status = -1;
        return out;
    }
    char buffer[4096];
    std::size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) out.append(buffer, n);
    status = ::pclose(pipe);
    return out;
}

struct Saved {
    std::string path;
    int notes;
    int tracks;
};

class MidiCorpus : public ::testing::Test {
protected:
    void SetUp() override
    {
        files_ = CorpusFiles();
        if (files_.empty()) GTEST_SKIP() << "no shared corpus";
    }
    std::vector<fs::path> files_;
};

TEST_F(MidiCorpus, EveryFileLoadsAndRoundTrips)
{
    test::TempDir dir;
    int loaded = 0;
    for (const auto& file : files_) {
        SCOPED_TRACE(file.filename().string());
        CapturingReporter r;
        CMidiFile1 one(r, file.string());
        CMidiFile0 zero(r, file.string());
        EXPECT_EQ(one.Loaded(), zero.Loaded());
        if (!one.Loaded()) continue;
        ++loaded;
        EXPECT_EQ(one.State, 2);
        EXPECT_EQ(zero.State, 2);
        // The merged track holds the notes of all tracks.
        EXPECT_EQ(AudibleNotes(one.Tracks), AudibleNotes({zero.Track}));

        const std::string out1 = dir.File(file.stem().string() + ".f1.mid");
        ASSERT_TRUE(one.Save(out1));
        CMidiFile1 again(r, out1);
        ASSERT_EQ(again.TrackCount(), one.TrackCount());
        for (int t = 0; t < one.TrackCount(); ++t) EXPECT_EQ(again.Tracks[t].Events(), one.Tracks[t].Events()) << t;

        const std::string out0 = dir.File(file.stem().string() + ".f0.mid");
        ASSERT_TRUE(zero.Save(out0));
        CMidiFile0 again0(r, out0);
        EXPECT_EQ(again0.Track.Events(), zero.Track.Events());
        EXPECT_EQ(again0.Division, zero.Division);
    }
    // The broken files of the corpus (not MIDI, empty) are the only ones refused.
    EXPECT_GE(loaded, static_cast<int>(files_.size()) - 3);
}

TEST_F(MidiCorpus, EveryTrackReadsAndPairsInOnePassAsInTwo)
{
    for (const auto& file : files_) {
        SCOPED_TRACE(file.filename().string());
        std::vector<std::uint8_t> bytes;
        ASSERT_TRUE(ReadWholeFile(file.string(), bytes, kMaxMidiFileSize));
        // Every chunk behind the header, MTrk or not.
        std::size_t offset = 14;
        while (offset + 8 <= bytes.size()) {
            const test::TwoPassTrack two = test::ReadTrackInTwoPasses(bytes, offset);
            CapturingReporter r;
            CMidiTrack one(r);
            std::int32_t closed = -1;
            EXPECT_EQ(one.ParseNotesChunk(bytes, offset, 0, closed), two.used);
            EXPECT_EQ(one.Events(), two.events) << offset;
            EXPECT_EQ(closed, two.closed);
            EXPECT_EQ(r.lines(), two.reports);
            offset += std::max<std::size_t>(two.used, 8);
        }
    }
}

TEST_F(MidiCorpus, SavedFilesAreReadByIndependentParsers)
{
    const bool haveMidicsv = std::system("command -v midicsv >/dev/null 2>&1") == 0;
    const bool haveMido = std::system("/usr/bin/python3 -c 'import mido' >/dev/null 2>&1") == 0;
    if (!haveMidicsv && !haveMido) GTEST_SKIP() << "neither midicsv nor python3-mido is installed";
    test::TempDir dir;
    std::vector<Saved> saved;
    for (const auto& file : files_) {
        CapturingReporter r;
        for (int format = 0; format <= 1; ++format) {
            const std::string out = dir.File(file.stem().string() + (format == 0 ? ".f0.mid" : ".f1.mid"));
            if (format == 0) {
                CMidiFile0 f(r, file.string());
                if (!f.Loaded() || !f.Save(out)) continue;
                saved.push_back({out, AudibleNotes({f.Track}), 1});
            } else {
                CMidiFile1 f(r, file.string());
                if (!f.Loaded() || !f.Save(out)) continue;
                saved.push_back({out, AudibleNotes(f.Tracks), f.TrackCount()});
            }
        }
    }
    ASSERT_FALSE(saved.empty());
    if (haveMidicsv) {
        for (const auto& s : saved) {
            int status = 0;
            const std::string csv = RunCommand("midicsv '" + s.path + "' 2>&1", status);
            EXPECT_EQ(status, 0) << s.path << "\n" << csv;
            // midicsv writes one Note_on_c line per note-on, note-offs as
            // Note_off_c: as many note-ons with a velocity as notes.
            int ons = 0;
            std::istringstream lines(csv);
            for (std::string line; std::getline(lines, line);) {
                if (line.find("Note_on_c") != std::string::npos && line.substr(line.rfind(',') + 1) != " 0") ++ons;
            }
            EXPECT_EQ(ons, s.notes) << s.path;
        }
    } else {
        std::printf("midicsv not installed: skipped\n");
    }
    if (haveMido) {
        std::string command = "/usr/bin/python3 -c 'import mido,sys\n"
                              "for p in sys.argv[1:]:\n"
                              "    m = mido.MidiFile(p)\n"
                              "    n = sum(1 for t in m.tracks for e in t if e.type == \"note_on\" and e.velocity > 0)\n"
                              "    print(len(m.tracks), n)\n' ";
        for (const auto& s : saved) command += "'" + s.path + "' ";
        int status = 0;
        const std::string out = RunCommand(command + "2>&1", status);
        ASSERT_EQ(status, 0) << out;
        std::istringstream lines(out);
        for (const auto& s : saved) {
            int tracks = -1, notes = -1;
            lines >> tracks >> notes;
            EXPECT_EQ(tracks, s.tracks) << s.path;
            EXPECT_EQ(notes, s.notes) << s.path;
        }
    } else {
        std::printf("python3-mido not installed: skipped\n");
    }
}

}  // namespace
}  // namespace songloom::midi
