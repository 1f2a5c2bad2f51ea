// A song made through the song's own editing operations, drawn as a page; and
// the bar layout checked against the song's own note measuring.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

#include "common/reporter.h"
#include "common/text.h"
#include "golden_image.h"
#include "pictures/score_page.h"
#include "pictures/song_view.h"
#include "song/song_data.h"
#include "support/test_paths.h"

namespace songloom::pictures {
namespace {

// Note values by length in sixteenths.
int ValueIndex(int sixteenths) {
    switch (sixteenths) {
    case 1: return 0;
    case 2: return 1;
    case 3: return 2;
    case 4: return 3;
    case 6: return 4;
    case 8: return 5;
    case 12: return 7;
    default: return 9;
    }
}

// A sixteen-bar tune in G major: "bar:eighth:pitch:sixteenths" steps.
song::SongData FolkTune(Reporter& reporter) {
    song::SongData s;
    s.Reset(reporter, 16, 4, 1);
    struct Step {
        int pitch;
        int sixteenths;
    };
    const std::vector<std::vector<Step>> bars = {
        {{67, 4}, {67, 2}, {69, 2}, {71, 4}, {67, 4}},
        {{74, 6}, {72, 2}, {71, 8}},
        {{69, 4}, {71, 2}, {72, 2}, {74, 4}, {66, 4}},
        {{67, 12}, {-1, 4}},
        {{71, 2}, {72, 2}, {74, 2}, {76, 2}, {74, 4}, {71, 4}},
        {{72, 3}, {71, 1}, {69, 4}, {66, 4}, {62, 4}},
        {{67, 4}, {65, 4}, {64, 4}, {63, 4}},
        {{62, 16}},
        {{74, 4}, {79, 4}, {78, 4}, {76, 4}},
        {{74, 8}, {71, 4}, {67, 4}},
        {{72, 2}, {72, 2}, {76, 4}, {74, 2}, {72, 2}, {71, 4}},
        {{69, 8}, {-1, 8}},
        {{67, 4}, {71, 4}, {74, 4}, {79, 4}},
        {{78, 6}, {76, 2}, {74, 4}, {72, 4}},
        {{71, 4}, {69, 4}, {66, 4}, {69, 4}},
        {{67, 16}},
    };
    for (int bar = 0; bar < 16; ++bar) {
        int pos = 0;
        for (const Step& step : bars[static_cast<std::size_t>(bar)]) {
            EXPECT_TRUE(s.SetNote(reporter, bar, pos / 2, step.pitch, ValueIndex(step.sixteenths), pos % 2))
                << bar << ":" << pos;
            pos += step.sixteenths;
        }
    }
    // I - IV - V7 - I over the phrases, with a passing chord or two.
    const std::vector<std::pair<int, int>> chords = {{7, 0}, {0, 0}, {2, 2}, {7, 0}, {7, 0}, {2, 2}, {0, 0},
                                                     {2, 0}, {7, 0}, {11, 1}, {0, 0}, {2, 0}, {7, 0},
                                                     {2, 0}, {2, 2}, {7, 0}};
    for (int bar = 0; bar < 16; ++bar) {
        const auto [root, type] = chords[static_cast<std::size_t>(bar)];
        s.SetChord(reporter, bar, 0, root, type, 4);
    }
    s.SetChord(reporter, 1, 2, 9, 1, 2);   // Am on beats 3 and 4
    s.SetChord(reporter, 5, 2, 4, 1, 2);   // Em
    // A triplet in bar 7's last beat, made the way phrase files bring them.
    song::MelodySlot triplet;
    triplet.cell = {62, 64, 66};
    s.PutSlot(6, 6, triplet);
    song::MelodySlot rest;
    rest.cell = {-1, -2, -3};
    s.PutSlot(6, 7, rest);
    // Lyrics under the first phrase.
    const std::vector<std::string> words = {"う", "た", "を", "う", "た"};
    for (std::size_t i = 0; i < words.size(); ++i) {
        const std::string cp932 = Utf8ToCp932(words[i]);
        const int cell = std::vector<int>{0, 4, 6, 8, 12}[i];
        auto& slot = s.melody[static_cast<std::size_t>(cell / 2)];
        std::copy(cp932.begin(), cp932.end(), slot.text[static_cast<std::size_t>(cell % 2)].begin());
    }
    return s;
}

TEST(ScorePage, FolkTunePage) {
    CapturingReporter reporter;
    const song::SongData tune = FolkTune(reporter);
    ASSERT_TRUE(reporter.reports().empty()) << reporter.lines()[0];
    const QImage page = DrawScorePage(reporter, SongViewOf(tune), 0);
    EXPECT_TRUE(reporter.reports().empty());
    EXPECT_EQ(test::CompareWithGolden(page, "folk_tune_page"), "");
}

TEST(ScorePage, BarLayoutAgreesWithTheSongsNoteLengths) {
    CapturingReporter reporter;
    const song::SongData tune = FolkTune(reporter);
    const SongView view = SongViewOf(tune);
    for (int bar = 0; bar < tune.bars(); ++bar) {
        const BarContent content = BuildBarContent(reporter, view, bar);
        // Pieces of one tied note add up to the length the song measures.
        for (std::size_t i = 0; i < content.notes.size(); ++i) {
            const StaffNote& n = content.notes[i];
            if (n.tieFromBefore || n.triplet || (i > 0 && content.notes[i - 1].tieToNext)) continue;
            Tick length = n.length;
            for (std::size_t j = i; j < content.notes.size() && content.notes[j].tieToNext &&
                                    j + 1 < content.notes.size();
                 ++j) {
                length += content.notes[j + 1].length;
            }
            const int sixteenth = n.start / kTicksPerSixteenth;
            const song::SoundingNote sounding = tune.GetNote(bar, sixteenth / 2, sixteenth % 2);
            EXPECT_EQ(sounding.value, n.IsRest() ? -1 : n.pitch) << bar << ":" << n.start;
            if (!n.tieToNext || i + 1 < content.notes.size()) {
                EXPECT_EQ(length, sounding.sixteenths * kTicksPerSixteenth) << bar << ":" << n.start;
            }
        }
    }
    EXPECT_TRUE(reporter.reports().empty());
}

}  // namespace
}  // namespace songloom::pictures

namespace songloom::pictures {
namespace {

TEST(ScorePage, CommandLineDrawsTheSamePage) {
    const std::string cli = std::string(SONGLOOM_BINARY_DIR) + "/cli/songloom-cli";
    if (!std::filesystem::exists(cli)) GTEST_SKIP() << "songloom-cli is not built";
    CapturingReporter reporter;
    const song::SongData tune = FolkTune(reporter);
    test::TempDir dir;
    ASSERT_TRUE(tune.Save(reporter, dir.File("tune.sld")));
    const std::string command = cli + " draw " + dir.File("tune.sld") + " --page 1 -o " + dir.File("page.png") +
                                " 2>" + dir.File("err.txt");
    ASSERT_EQ(std::system(command.c_str()), 0);
    QImage drawn;
    ASSERT_TRUE(drawn.load(QString::fromStdString(dir.File("page.png"))));
    const QImage expected = DrawScorePage(reporter, SongViewOf(tune), 0);
    EXPECT_EQ(drawn.convertToFormat(QImage::Format_RGB32), expected.convertToFormat(QImage::Format_RGB32));
    // A page the song does not have is refused.
    const std::string beyond = cli + " draw " + dir.File("tune.sld") + " --page 2 -o " + dir.File("p2.png") +
                               " 2>" + dir.File("err.txt");
    EXPECT_NE(std::system(beyond.c_str()), 0);
    EXPECT_FALSE(std::filesystem::exists(dir.File("p2.png")));
}

}  // namespace
}  // namespace songloom::pictures

namespace songloom::pictures {
namespace {

// A chord symbol over a bar cell as small as the main window's: tall enough
// to read (its letters at least 9 pixels high), above the top staff line.
TEST(ScorePage, ChordSymbolsAreReadableInSmallCells) {
    CapturingReporter reporter;
    song::SongData s;
    s.Reset(reporter, 4, 4, 0);
    s.SetChordName(0, "G7");
    CLongStaffPicture picture(reporter);
    const ScoreLayout layout;
    const int cell = picture.CreateCell(QRect(0, 0, 224, 104), layout.lowNote, layout.highNote);
    PrepareBarCell(picture, cell, reporter, SongViewOf(s), 0);
    picture.DrawCell(cell);
    const QImage& image = picture.Cell(cell).canvas->image();
    int top = image.height();
    int bottom = -1;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width() / 4; ++x) {
            const QColor c = image.pixelColor(x, y);
            // The label colour, anti-aliased towards white: green above blue,
            // which the grey staff lines and black notes never are.
            if (c.green() - c.blue() >= 20 && c.green() < 235) {
                top = std::min(top, y);
                bottom = std::max(bottom, y);
            }
        }
    }
    ASSERT_GE(bottom, 0);
    EXPECT_GE(bottom - top + 1, 9);
}

}  // namespace
}  // namespace songloom::pictures
