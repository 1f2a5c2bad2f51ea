#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <set>
#include <string>
#include <vector>

#include "arrange/data_files.h"
#include "arrange/style_catalogue.h"
#include "common/random.h"
#include "common/reporter.h"
#include "harmony/chord_code.h"
#include "harmony/chord_template.h"
#include "support/test_paths.h"

namespace songloom::arrange {
namespace {

std::vector<std::string> Records(std::string_view text)
{
    std::vector<std::string> records;
    std::size_t position = 0;
    std::string record;
    bool last = false;
    while (!last) {
        last = NextRecord(text, position, record);
        records.push_back(record);
    }
    return records;
}

// A data file is read whole (up to the buffer's size); anything that is not
// a regular file is refused at once, a pipe without waiting for a writer.
TEST(ReadDataFile, ReadsRegularFilesOnlyAndNeverWaits)
{
    test::TempDir dir;
    const std::string text = "CMPS GMPs|\nAmPs|";
    std::ofstream(dir.File("PATTERN.DB"), std::ios::binary) << text;
    DataBuffer buffer;
    ASSERT_TRUE(ReadDataFile(dir.File("PATTERN.DB"), buffer));
    EXPECT_EQ(buffer.Text(), text);

    const std::string longer(harmony::kDataBufferCapacity + 100, 'x');
    std::ofstream(dir.File("LONG.DB"), std::ios::binary) << longer;
    ASSERT_TRUE(ReadDataFile(dir.File("LONG.DB"), buffer));
    EXPECT_EQ(buffer.Text(), longer.substr(0, harmony::kDataBufferCapacity));

    EXPECT_FALSE(ReadDataFile(dir.File("MISSING.DB"), buffer));
    EXPECT_FALSE(ReadDataFile(dir.path(), buffer));
    ASSERT_EQ(::mkfifo(dir.File("PIPE.DB").c_str(), 0600), 0);
    EXPECT_FALSE(ReadDataFile(dir.File("PIPE.DB"), buffer));
}

TEST(NextRecord, DropsLayoutCharactersAndKeepsAnUnterminatedLastRecord)
{
    EXPECT_EQ(Records("AB|C D\r\n|E"), (std::vector<std::string>{"AB", "CD", "E"}));
    // A text ending with "|" ends with an empty last record.
    EXPECT_EQ(Records("A|B|"), (std::vector<std::string>{"A", "B", ""}));
    EXPECT_EQ(Records(""), (std::vector<std::string>{""}));
    EXPECT_EQ(Records(" \n|"), (std::vector<std::string>{"", ""}));

    std::size_t position = 0;
    std::string record;
    EXPECT_FALSE(NextRecord("xy|z", position, record));
    EXPECT_EQ(position, 3u);
    EXPECT_TRUE(NextRecord("xy|z", position, record));
    EXPECT_EQ(record, "z");
}

TEST(DataBuffer, KeepsAtMostItsCapacityAndEndsAtTheFirstNul)
{
    DataBuffer buffer;
    EXPECT_TRUE(buffer.IsEmpty());
    EXPECT_EQ(buffer.Assign(std::string(kDataBufferCapacity + 10, 'a')), kDataBufferCapacity);
    EXPECT_EQ(buffer.Text().size(), kDataBufferCapacity);
    buffer.Assign(std::string_view("ab\0cd", 5));
    EXPECT_EQ(buffer.Text(), "ab");
    buffer.Clear();
    EXPECT_TRUE(buffer.IsEmpty());
}

class LoadDatabasesTest : public ::testing::Test {
protected:
    void Write(const std::string& name, const std::string& text)
    {
        std::ofstream(dir.File(name), std::ios::binary) << text;
    }
    void WriteAll()
    {
        Write("PATTERN.DB", "pattern|");
        Write("RESOLUT.DB", "cadence|");
        Write("TIMECHT.DB", "chart|");
        Write("RESTIME.DB", "cadence chart|");
        Write("NOTE.DB", "CMPS909099090909|");
    }
    int Load(const DataFileNames& names = {}, int noteKind = 1)
    {
        return LoadDatabases(reporter, files, folder, names, noteKind, 8);
    }

    test::TempDir dir;
    DataFolder folder{dir.path(), false};
    CapturingReporter reporter;
    DataFiles files;
};

TEST_F(LoadDatabasesTest, LoadsAllFiveFromTheWorkingFolder)
{
    WriteAll();
    EXPECT_EQ(Load(), 1);
    EXPECT_TRUE(reporter.reports().empty());
    EXPECT_EQ(files.pattern.Text(), "pattern|");
    EXPECT_EQ(files.cadence.Text(), "cadence|");
    EXPECT_EQ(files.timeChart.Text(), "chart|");
    EXPECT_EQ(files.cadenceTimeChart.Text(), "cadence chart|");
    EXPECT_EQ(files.notes.buffer.Text(), "CMPS909099090909|");
}

TEST_F(LoadDatabasesTest, MissingPatternDatabaseStopsBeforeTheOtherFiles)
{
    WriteAll();
    std::remove(dir.File("PATTERN.DB").c_str());
    files.cadence.Assign("previous|");
    EXPECT_EQ(Load(), 0);
    ASSERT_EQ(reporter.reports().size(), 2u);
    EXPECT_EQ(reporter.reports()[0].tag, "YRAC");
    EXPECT_EQ(reporter.reports()[0].code, 0xFF010035u);
    EXPECT_EQ(reporter.reports()[0].message, "パターンファイルにエラーがあります！");
    EXPECT_EQ(reporter.reports()[1].tag, "");
    EXPECT_EQ(reporter.reports()[1].message,
              dir.File("PATTERN.DB") +
                  "がプログラムフォルダ内に見つかりませんでした。\n再度インストールを行ってください。");
    EXPECT_EQ(files.cadence.Text(), "previous|");
    EXPECT_TRUE(files.notes.buffer.IsEmpty());
}

TEST_F(LoadDatabasesTest, OtherMissingFilesAreReportedEmptiedAndTheLoadGoesOn)
{
    WriteAll();
    const std::pair<const char*, std::uint32_t> rows[] = {
        {"RESOLUT.DB", 0xFF010036}, {"TIMECHT.DB", 0xFF010038}, {"RESTIME.DB", 0xFF010037}};
    for (const auto& [name, code] : rows) {
        WriteAll();
        ASSERT_EQ(Load(), 1);
        std::remove(dir.File(name).c_str());
        reporter.Clear();
        EXPECT_EQ(Load(), 1) << name;
        EXPECT_EQ(reporter.reports().size(), 1u) << name;
        EXPECT_EQ(reporter.Count("YRAC", code), 1u) << name;
    }
    // The last round lost only the cadence time chart.
    EXPECT_TRUE(files.cadenceTimeChart.IsEmpty());
    EXPECT_EQ(files.timeChart.Text(), "chart|");
    EXPECT_EQ(files.notes.buffer.Text(), "CMPS909099090909|");
}

TEST_F(LoadDatabasesTest, FolderOrEmptyNameIsNoDataFile)
{
    WriteAll();
    std::filesystem::create_directory(dir.File("RESTIME.DB2"));
    DataFileNames names;
    names.cadence = "";
    names.cadenceTimeChart = "RESTIME.DB2";
    EXPECT_EQ(Load(names), 1);
    EXPECT_EQ(reporter.Count("YRAC", 0xFF010036), 1u);
    EXPECT_EQ(reporter.Count("YRAC", 0xFF010037), 1u);
    EXPECT_EQ(files.timeChart.Text(), "chart|");
}

TEST_F(LoadDatabasesTest, MissingNoteDatabaseKeepsTheOldText)
{
    WriteAll();
    std::remove(dir.File("NOTE.DB").c_str());
    files.notes.buffer.Assign("old|");
    EXPECT_EQ(Load(), 1);
    EXPECT_EQ(reporter.Count("YRAC", 0xFF01000B), 1u);
    EXPECT_EQ(files.notes.buffer.Text(), "old|");
}

TEST_F(LoadDatabasesTest, AbsoluteNamesAreOpenedAsGivenAndLongFilesCut)
{
    WriteAll();
    test::TempDir elsewhere;
    const std::string big(kDataBufferCapacity + 100, 'p');
    std::ofstream(elsewhere.File("MY.DB"), std::ios::binary) << big;
    DataFileNames names;
    names.pattern = elsewhere.File("MY.DB");
    EXPECT_EQ(Load(names), 1);
    EXPECT_EQ(files.pattern.Text(), big.substr(0, kDataBufferCapacity));
    EXPECT_TRUE(reporter.reports().empty());
}

TEST_F(LoadDatabasesTest, WorkingFolderCopyOverridesTheShippedFile)
{
    folder.useInstalledData = true;
    Write("PATTERN.DB", "mine|");
    EXPECT_EQ(Load(), 1);
    EXPECT_EQ(files.pattern.Text(), "mine|");
    EXPECT_TRUE(reporter.reports().empty());  // the rest came from the data folder
    EXPECT_FALSE(files.cadence.IsEmpty());
}

// ---- the shipped data files ----

// Every name a style can select for each role.
const std::vector<std::string> kPatternNames = {"PATTERN.DB", "PATTERN.DB2", "PATTERN.DBB"};
const std::vector<std::string> kCadenceNames = {"RESOLUT.DB", "RESOLUT.DB2", "RESOLUT.DBB"};
const std::vector<std::string> kTimeChartNames = {"TIMECHT.DB", "TIMECHT.DB2", "TIMECHT3.DB", "TIMECHT7.DB"};
const std::vector<std::string> kCadenceTimeChartNames = {"RESTIME.DB", "RESTIME.DB2", "RESTIME3.DB",
                                                         "RESTIME7.DB"};

TEST(ShippedDataFiles, EveryNameLoadsFromAnEmptyWorkingFolder)
{
    test::TempDir empty;
    const DataFolder folder{empty.path()};
    CapturingReporter reporter;
    for (std::size_t i = 0; i < 4; ++i) {
        DataFileNames names;
        names.pattern = kPatternNames[i % kPatternNames.size()];
        names.cadence = kCadenceNames[i % kCadenceNames.size()];
        names.timeChart = kTimeChartNames[i];
        names.cadenceTimeChart = kCadenceTimeChartNames[i];
        for (int noteKind : {1, 6}) {
            DataFiles files;
            EXPECT_EQ(LoadDatabases(reporter, files, folder, names, noteKind, 8), 1);
            EXPECT_FALSE(files.pattern.IsEmpty());
            EXPECT_FALSE(files.cadence.IsEmpty());
            EXPECT_FALSE(files.timeChart.IsEmpty());
            EXPECT_FALSE(files.cadenceTimeChart.IsEmpty());
            EXPECT_FALSE(files.notes.buffer.IsEmpty());
            // Room to spare below the buffer size: nothing was cut.
            EXPECT_LT(files.notes.buffer.Text().size(), kDataBufferCapacity);
        }
    }
    EXPECT_EQ(reporter.lines(), std::vector<std::string>{});
}

TEST(ShippedDataFiles, EveryStyleOfTheCatalogueLoadsWithoutAReport)
{
    Random random(1);
    StyleCatalogue catalogue;
    StyleRecord active;
    BuildStyleCatalogue(random, catalogue, active);
    test::TempDir empty;
    const DataFolder folder{empty.path()};
    CapturingReporter reporter;
    std::set<std::string> seen;
    for (int category = 0; category < kStyleCategories; ++category) {
        for (int slot = 0; slot < kStylesPerCategory; ++slot) {
            TimeChartNames charts;
            ASSERT_TRUE(SelectStyle(reporter, catalogue, category, slot, active, charts));
            const DataFileNames names = DataFileNamesFor(active, charts);
            DataFiles files;
            EXPECT_EQ(LoadDatabases(reporter, files, folder, names, active.noteDatabaseKind, 8), 1)
                << category << "/" << slot;
            EXPECT_FALSE(files.notes.buffer.IsEmpty()) << category << "/" << slot;
            seen.insert({names.pattern, names.cadence, names.timeChart, names.cadenceTimeChart});
        }
    }
    EXPECT_EQ(reporter.lines(), std::vector<std::string>{});
    // Every name the catalogue uses is one the shipped files cover.
    for (const auto& name : seen) {
        const bool known = std::count(kPatternNames.begin(), kPatternNames.end(), name) +
                           std::count(kCadenceNames.begin(), kCadenceNames.end(), name) +
                           std::count(kTimeChartNames.begin(), kTimeChartNames.end(), name) +
                           std::count(kCadenceTimeChartNames.begin(), kCadenceTimeChartNames.end(), name);
        EXPECT_TRUE(known) << name;
    }
}

// The pitch classes above the root that a chord quality sounds.
struct Quality {
    const char* suffix;
    std::vector<int> tones;
};
const std::vector<Quality> kQualities = {
    {"", {0, 4, 7}},          {"m", {0, 3, 7}},        {"7", {0, 4, 7, 10}},  {"M7", {0, 4, 7, 11}},
    {"m7", {0, 3, 7, 10}},    {"mM7", {0, 3, 7, 11}},  {"dim", {0, 3, 6}},    {"sus4", {0, 5, 7}},
    {"7sus4", {0, 5, 7, 10}}, {"aug", {0, 4, 8}},      {"augM7", {0, 4, 8, 11}}, {"aug7", {0, 4, 8, 10}},
    {"dim7", {0, 3, 6, 9}},   {"m7b5", {0, 3, 6, 10}}, {"6", {0, 4, 7, 9}},   {"9", {0, 2, 4, 7}},
    {"m6", {0, 3, 7, 9}},     {"7b5", {0, 4, 6, 10}},
};

TEST(ShippedDataFiles, KnowledgeBasesServeEverySongChordWithItsTones)
{
    const char* roots[] = {"C", "C#", "D", "Eb", "E", "F", "F#", "G", "Ab", "A", "Bb", "B"};
    for (const int kind : {1, 6}) {
        test::TempDir empty;
        CapturingReporter reporter;
        harmony::ChordKnowledgeBase kb;
        ASSERT_TRUE(harmony::LoadChordKnowledgeBase(reporter, kb, DataFolder{empty.path()}, kind, 8));
        for (int r = 0; r < 12; ++r) {
            for (const auto& quality : kQualities) {
                const std::string name = std::string(roots[r]) + quality.suffix;
                const harmony::ChordCode code = harmony::ChordNameToCode(reporter, name);
                harmony::ChordTemplate found = harmony::kDefaultChordTemplate;
                ASSERT_TRUE(harmony::LookUpChordTemplate(kb, code, found)) << name;
                for (int pc = 0; pc < 12; ++pc) {
                    const char digit = found.Digit(pc);
                    ASSERT_TRUE(digit >= '0' && digit <= '9') << name;
                    const bool tone = std::count(quality.tones.begin(), quality.tones.end(), (pc - r + 12) % 12) > 0;
                    if (tone) {
                        EXPECT_EQ(digit, '9') << name << " pitch class " << pc;
                    }
                }
                // The suspended third is marked to avoid; a plain triad's
                // neighbours a semitone off the root are never chord tones.
                if (quality.tones[1] == 5) {
                    EXPECT_EQ(found.Digit((r + 4) % 12), '4') << name;
                }
                EXPECT_NE(found.Digit((r + 1) % 12), '9') << name;
            }
        }
        EXPECT_TRUE(reporter.reports().empty());
    }
}

}  // namespace
}  // namespace songloom::arrange
