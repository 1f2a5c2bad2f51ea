#include "pictures/score_pdf.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <regex>

#include "pictures/song_view.h"
#include "song/song_image.h"
#include "support/test_paths.h"

namespace songloom::pictures {
namespace {

int PageCount(const std::string& pdf)
{
    static const std::regex page("/Type\\s*/Page[^s]");
    return static_cast<int>(std::distance(std::sregex_iterator(pdf.begin(), pdf.end(), page), std::sregex_iterator()));
}

TEST(ScorePdf, OnePageOfPaperForEverySixteenBars)
{
    CapturingReporter r;
    song::SongData ode;
    ASSERT_EQ(song::ReadSongFile(r, test::SourceDir() + "/data/songs/ode_to_joy.sld", ode, 8, 4, 0),
              song::SongFileStatus::kRead);
    ASSERT_EQ(ode.bars(), 64);
    const SongView view = SongViewOf(ode);
    const std::string pdf = BuildScorePdf(r, view, {"Ode to Joy", "L. van Beethoven"});
    EXPECT_EQ(pdf.substr(0, 5), "%PDF-");
    EXPECT_EQ(PageCount(pdf), 4);
    EXPECT_EQ(PageCount(BuildScorePdf(r, view, {}, {2, 1})), 1);
    EXPECT_EQ(PageCount(BuildScorePdf(r, view, {}, {3, -1})), 1);
    song::SongData one;
    one.Reset(r, 17, 3, 0);
    EXPECT_EQ(PageCount(BuildScorePdf(r, SongViewOf(one), {})), 2);
    EXPECT_TRUE(r.reports().empty());
}

TEST(ScorePdf, WriteFailureIsReportedAndKeepsNoPartialFile)
{
    CapturingReporter r;
    test::TempDir dir;
    const std::string path = dir.File("missing/score.pdf");
    EXPECT_FALSE(WriteScorePdf(r, SongViewOf(song::SongData()), {}, path));
    ASSERT_EQ(r.reports().size(), 1u);
    EXPECT_EQ(r.reports()[0].tag, "GENE");
    EXPECT_FALSE(std::filesystem::exists(path));
}

}  // namespace
}  // namespace songloom::pictures
