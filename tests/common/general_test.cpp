#include <gtest/gtest.h>
#include <sys/stat.h>

#include <atomic>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <set>

#include "common/general.h"
#include "common/random.h"
#include "common/text.h"
#include "support/test_paths.h"

namespace songloom {
namespace {

TEST(Tempo, ConversionsAndTheirFailures)
{
    CapturingReporter r;
    EXPECT_EQ(TempoFromBpm(r, 120), 500000u);
    EXPECT_EQ(TempoFromBpm(r, 7), 8571000u);
    EXPECT_EQ(BpmFromTempo(r, 500000), 120);
    EXPECT_TRUE(r.reports().empty());
    BpmFromTempo(r, 999);
    EXPECT_TRUE(r.Has("GENE", 0x01000012));
    TempoFromBpm(r, 0);
    EXPECT_TRUE(r.Has("GENE", 0x01000013));
}

TEST(FileNames, SeparatorsAndDoubleByteTrailBytes)
{
    EXPECT_EQ(FileNamePart("a/b/c.sld"), "c.sld");
    EXPECT_EQ(FileNamePart("a\\b\\c.sld"), "c.sld");
    EXPECT_EQ(FileNamePart("dir/"), "");
    EXPECT_EQ(FileNamePart("/name"), "name");
    EXPECT_EQ(FileNamePart("plain"), "plain");
    // "表" in CP932 is 0x95 0x5C: its trail byte is a backslash.
    EXPECT_EQ(FileNamePart("dir\\\x95\x5C.sld"), "\x95\x5C.sld");
    EXPECT_EQ(FileNamePart("\x95\x5C\x95\x5C"), "\x95\x5C\x95\x5C");
    // A real separator right after a double-byte character whose trail byte
    // is itself in the lead-byte range ("日" = 0x93 0xFA).
    EXPECT_EQ(FileNamePart("\x93\xFA\\x.sld"), "x.sld");
    EXPECT_EQ(StripExtension("song.v2.sld"), "song.v2");
    EXPECT_EQ(StripExtension("song"), "song");
    EXPECT_EQ(PathFileName("/home/u/曲/a.sld"), "a.sld");
}

TEST(RandomGenerator, MatchesTheClassicSequenceAndBounds)
{
    Random rnd(1);
    // The classic C library's first values for seed 1.
    EXPECT_EQ(rnd.Next(), 41);
    EXPECT_EQ(rnd.Next(), 18467);
    EXPECT_EQ(rnd.Next(), 6334);
    Random a(42), b(42);
    std::set<int> seen;
    for (int i = 0; i < 200; ++i) {
        const int x = RandomBetween(a, 3, 1);
        EXPECT_EQ(x, RandomBetween(b, 1, 3));
        seen.insert(x);
    }
    EXPECT_EQ(seen, (std::set<int>{1, 2, 3}));
    const auto before = a.state();
    EXPECT_EQ(RandomBetween(a, 5, 5), 5);
    EXPECT_EQ(a.state(), before);  // equal bounds draw nothing
}

TEST(TimeSignature, MetaData)
{
    std::uint8_t d[4];
    ASSERT_EQ(TimeSignatureData(4 * 256 + 4, d), 4);
    EXPECT_EQ(std::vector<int>(d, d + 4), (std::vector<int>{4, 2, 18, 8}));
    ASSERT_EQ(TimeSignatureData(7 * 256 + 8, d), 4);
    EXPECT_EQ(d[1], 3);
    EXPECT_EQ(TimeSignatureData(3 * 256 + 3, d), 0);
    EXPECT_EQ(TimeSignatureData(3 * 256 + 1, d), 0);
}

TEST(GsModule, Names)
{
    EXPECT_TRUE(IsGsModuleName("Roland SC-88 B"));
    EXPECT_TRUE(IsGsModuleName("SC88B"));
    EXPECT_TRUE(IsGsModuleName("x 88B y"));
    EXPECT_FALSE(IsGsModuleName("SC-88"));
}

TEST(Files, AtomicWriteKeepsOldFileWhenFolderIsGone)
{
    test::TempDir dir;
    CapturingReporter r;
    const std::string path = dir.File("song.sld");
    ASSERT_TRUE(WriteWholeFile(r, path, std::string_view("first")));
    ASSERT_TRUE(WriteWholeFile(r, path, std::string_view("second")));
    std::vector<std::uint8_t> back;
    ASSERT_TRUE(ReadFileShowingName(r, path, back));
    EXPECT_EQ(std::string(back.begin(), back.end()), "second");
    EXPECT_FALSE(WriteWholeFile(r, dir.File("missing/x.sld"), std::string_view("x")));
    EXPECT_TRUE(r.Has("GENE", 0x01000007));
    EXPECT_EQ(FileSize(r, path), 6u);
    EXPECT_EQ(FileSize(r, dir.path()), 0u);
    EXPECT_FALSE(FileExists(dir.path()));
}

TEST(Files, AtomicWriteGivesTheUsualPermissionsAndLeavesNoTemporaryFile)
{
    test::TempDir dir;
    CapturingReporter r;
    const mode_t old = ::umask(027);
    const std::string path = dir.File("song.sld");
    const bool first = WriteWholeFile(r, path, std::string_view("first"));
    // Many saves one after another each take a name of their own.
    bool again = true;
    for (int i = 0; i < 50; ++i) again = again && WriteWholeFile(r, path, std::string_view("again"));
    const mode_t during = ::umask(old);
    EXPECT_TRUE(first);
    EXPECT_TRUE(again);
    EXPECT_EQ(during, mode_t{027}) << "the process's umask is left alone";
    struct stat st {};
    ASSERT_EQ(::stat(path.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0640u);
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(dir.path())) {
        names.push_back(entry.path().filename().string());
    }
    EXPECT_EQ(names, std::vector<std::string>{"song.sld"});
    EXPECT_TRUE(r.reports().empty());
}

// A file that can be made again takes the place of the old one as a whole:
// nothing of the old file stays, under any name, and what is not a plain
// file is never swapped away.
TEST(Files, QuickSaveReplacesOnlyAPlainOldFile)
{
    test::TempDir dir;
    CapturingReporter r;
    const std::string path = dir.File("render.mid");
    ASSERT_TRUE(WriteWholeFile(r, path, std::string_view("old and longer"), SaveFlush::kNone));
    std::filesystem::create_hard_link(path, dir.File("kept.mid"));
    ASSERT_TRUE(WriteWholeFile(r, path, std::string_view("new"), SaveFlush::kNone));
    std::vector<std::uint8_t> back;
    ASSERT_TRUE(ReadFileShowingName(r, path, back));
    EXPECT_EQ(std::string(back.begin(), back.end()), "new");
    // Another name of the old file still holds the old bytes, as after a rename.
    ASSERT_TRUE(ReadFileShowingName(r, dir.File("kept.mid"), back));
    EXPECT_EQ(std::string(back.begin(), back.end()), "old and longer");
    std::set<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(dir.path())) {
        names.insert(entry.path().filename().string());
    }
    EXPECT_EQ(names, (std::set<std::string>{"kept.mid", "render.mid"}));

    // A folder in the way is refused and stays as it was.
    const std::string folder = dir.File("folder.mid");
    std::filesystem::create_directory(folder);
    std::ofstream(dir.File("folder.mid/inside.txt")) << "x";
    EXPECT_FALSE(WriteWholeFile(r, folder, std::string_view("new"), SaveFlush::kNone));
    EXPECT_TRUE(r.Has("GENE", 0x01000007));
    EXPECT_TRUE(std::filesystem::is_directory(folder));
    EXPECT_TRUE(std::filesystem::exists(dir.File("folder.mid/inside.txt")));

    // A link is replaced by the file, its target left alone.
    std::filesystem::create_symlink(dir.File("kept.mid"), dir.File("link.mid"));
    ASSERT_TRUE(WriteWholeFile(r, dir.File("link.mid"), std::string_view("via link"), SaveFlush::kNone));
    EXPECT_FALSE(std::filesystem::is_symlink(dir.File("link.mid")));
    ASSERT_TRUE(ReadFileShowingName(r, dir.File("link.mid"), back));
    EXPECT_EQ(std::string(back.begin(), back.end()), "via link");
    ASSERT_TRUE(ReadFileShowingName(r, dir.File("kept.mid"), back));
    EXPECT_EQ(std::string(back.begin(), back.end()), "old and longer");
    names.clear();
    for (const auto& entry : std::filesystem::directory_iterator(dir.path())) {
        names.insert(entry.path().filename().string());
    }
    EXPECT_EQ(names, (std::set<std::string>{"folder.mid", "kept.mid", "link.mid", "render.mid"}));
}

// The umask is the process's: another thread that creates a file while a
// save runs must never see it cleared.
TEST(Files, AtomicWriteNeverClearsTheUmaskOfOtherThreads)
{
    test::TempDir dir;
    CapturingReporter r;
    std::atomic<bool> done{false};
    std::atomic<int> cleared{0};
    std::atomic<int> looks{0};
    std::thread watcher([&] {
        while (!done.load()) {
            std::ifstream status("/proc/self/status");
            std::string line;
            while (std::getline(status, line)) {
                if (line.rfind("Umask:", 0) != 0) continue;
                ++looks;
                if (line.find("0000") != std::string::npos) ++cleared;
                break;
            }
        }
    });
    const mode_t old = ::umask(022);
    bool saved = true;
    for (int i = 0; i < 300; ++i) saved = saved && WriteWholeFile(r, dir.File("a.mid"), std::string_view("x"));
    done = true;
    watcher.join();
    ::umask(old);
    EXPECT_TRUE(saved);
    EXPECT_GT(looks.load(), 0);
    EXPECT_EQ(cleared.load(), 0);
}

TEST(Files, ReadFailuresReportAndReturn)
{
    test::TempDir dir;
    CapturingReporter r;
    std::vector<std::uint8_t> out;
    EXPECT_FALSE(ReadFileShowingName(r, dir.File("none"), out));
    ASSERT_EQ(r.reports().size(), 2u);
    EXPECT_EQ(r.reports()[0].message, dir.File("none"));  // the path box first
    EXPECT_TRUE(r.Has("GENE", 0x01000007));
    r.Clear();
    ASSERT_TRUE(WriteWholeFile(r, dir.File("short"), std::string_view("abc")));
    std::uint8_t buf[5] = {9, 9, 9, 9, 9};
    EXPECT_TRUE(ReadFileExact(r, dir.File("short"), buf));
    EXPECT_TRUE(r.Has("GENE", 0x0100000A));
    EXPECT_EQ(buf[3], 0);
}

TEST(Text, Cp932RoundTripAndTruncation)
{
    const std::string utf8 = "ｸﾞﾗﾝﾄﾞ ﾋﾟｱﾉ 表～\\";
    const std::string cp = Utf8ToCp932(utf8);
    EXPECT_EQ(cp.size(), 17u);  // half-width kana one byte each, 表 and ～ two
    EXPECT_EQ(Cp932ToUtf8(cp), utf8);
    EXPECT_EQ(Utf8ToCp932("表"), "\x95\x5C");
    EXPECT_EQ(TruncateCp932("\x95\x5C\x95\x5C", 3), "\x95\x5C");
    EXPECT_EQ(Cp932ToUtf8("a\x81"), "a?");  // a lone lead byte is not dropped silently
}

TEST(Text, ConversionsOneAfterAnother)
{
    // ASCII is the same in both encodings, control characters included.
    const std::string ascii = std::string("PATTERN.DB \t~\\") + '\x7F';
    EXPECT_EQ(Utf8ToCp932(ascii), ascii);
    EXPECT_EQ(Cp932ToUtf8(ascii), ascii);
    // A conversion that met a bad byte leaves nothing behind for the next.
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(Cp932ToUtf8("\x81"), "?");
        EXPECT_EQ(Cp932ToUtf8("\x95\x5C"), "表");
        EXPECT_EQ(Utf8ToCp932("\xE8\xA1"), "?");  // a cut-off sequence
        EXPECT_EQ(Utf8ToCp932("ﾋﾟｱﾉ"), "\xCB\xDF\xB1\xC9");
    }
    EXPECT_EQ(Utf8ToCp932(""), "");
}

}  // namespace
}  // namespace songloom
