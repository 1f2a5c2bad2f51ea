// The song information panel's preview of the style under the list's
// cursor: what is rendered and played, when it stops, and that the song
// stays as it was.
#include <gtest/gtest.h>

#include <QComboBox>
#include <QPushButton>
#include <QTest>

#include "app/palettes/options_window.h"
#include "app/palettes/palette_set.h"
#include "app/palettes/song_info_panel.h"
#include "app/style_preview.h"
#include "app_fixture.h"
#include "song/song_image.h"

namespace songloom::app::test {
namespace {

constexpr int kWaitMs = 10000;  // for the preview's delay, however slow the machine

std::vector<std::uint8_t> ImageOf(const song::SongData& song)
{
    return song::BuildSongImage(song, song.beats(), song.key());
}

// An entry of the panel's style list other than the song's own style.
int OtherEntry(const SongInfoPanel& panel, int after = -1)
{
    for (int i = after + 1; i < panel.styleList()->count(); ++i) {
        if (i != panel.styleList()->currentIndex()) return i;
    }
    return -1;
}

class PreviewTest : public AppTest {
protected:
    void SetUp() override
    {
        AppTest::SetUp();
        services->render = [this](const song::SongData& song, const std::string& path) {
            rendered.push_back(path);
            renderedSongs.push_back(song);
            return WriteFileAtomically(path, TinyMidiFile());
        };
    }
    SongInfoPanel& OpenPanel(MainWindow& w)
    {
        w.Command(kCmdSongInfo);
        return w.palettes().songInfo();
    }
    std::vector<song::SongData> renderedSongs;
};

TEST_F(PreviewTest, TheHighlightedStyleIsPreviewedOverTheSongsFirstBars)
{
    MainWindow& w = Start();
    w.document().SetBarCount(12);
    SongInfoPanel& panel = OpenPanel(w);
    const int entry = OtherEntry(panel);
    ASSERT_GE(entry, 0);
    const int style = panel.styleList()->itemData(entry).toInt();
    emit panel.styleList()->highlighted(entry);
    QTRY_VERIFY_WITH_TIMEOUT(w.stylePreview().playing(), kWaitMs);
    EXPECT_EQ(w.stylePreview().style(), style);
    EXPECT_TRUE(panel.previewButton()->isChecked());
    ASSERT_EQ(rendered.size(), 1u);
    EXPECT_EQ(rendered[0], WorkFile("preview.mid"));
    ASSERT_EQ(playback->played.size(), 1u);
    EXPECT_EQ(playback->played[0], WorkFile("preview.mid"));
    // Four bars in the highlighted style, at its tempo; the song keeps its own.
    const song::SongData& excerpt = renderedSongs[0];
    EXPECT_EQ(excerpt.bars(), 4);
    EXPECT_EQ(excerpt.info.style, style);
    const arrange::StyleRecord* record = services->StyleOf(excerpt);
    ASSERT_NE(record, nullptr);
    EXPECT_EQ(excerpt.info.tempo, StyleDefaultTempo(*record));
    EXPECT_NE(w.song().info.style, style);
    EXPECT_EQ(w.song().bars(), 12);

    // Played to its end: the button comes up again.
    playback->end();
    ProcessEvents();
    EXPECT_FALSE(w.stylePreview().playing());
    EXPECT_FALSE(panel.previewButton()->isChecked());
}

TEST_F(PreviewTest, APreviewStopsForAnotherStyleTheCategoryThePanelOrAPlay)
{
    MainWindow& w = Start();
    SongInfoPanel& panel = OpenPanel(w);
    const int first = OtherEntry(panel);
    const int second = OtherEntry(panel, first);
    ASSERT_GE(second, 0);
    panel.HighlightStyle(first);
    QTRY_VERIFY_WITH_TIMEOUT(w.stylePreview().playing(), kWaitMs);

    // Another style under the cursor: the first stops at once.
    const int stops = playback->stops;
    panel.HighlightStyle(second);
    EXPECT_FALSE(w.stylePreview().playing());
    EXPECT_EQ(playback->stops, stops + 1);
    QTRY_VERIFY_WITH_TIMEOUT(w.stylePreview().playing(), kWaitMs);
    EXPECT_EQ(w.stylePreview().style(), panel.styleList()->itemData(second).toInt());
    // An end reported for an earlier preview is not the one that plays.
    const auto staleEnd = playback->end;

    // The panel closes.
    panel.hide();
    EXPECT_FALSE(w.stylePreview().playing());
    EXPECT_EQ(playback->stops, stops + 2);

    // The button plays the chosen style; the category list stops it.
    panel.show();
    panel.previewButton()->click();
    EXPECT_TRUE(w.stylePreview().playing());
    EXPECT_EQ(w.stylePreview().style(), w.song().info.style);
    EXPECT_TRUE(panel.previewButton()->isChecked());
    staleEnd();
    ProcessEvents();
    EXPECT_TRUE(w.stylePreview().playing());
    panel.ChooseCategory(3);
    EXPECT_FALSE(w.stylePreview().playing());
    EXPECT_FALSE(panel.previewButton()->isChecked());

    // The song's play takes the port over; while it plays nothing previews.
    panel.previewButton()->click();
    ASSERT_TRUE(w.stylePreview().playing());
    w.Command(kCmdPlay);
    EXPECT_TRUE(w.songPlaying());
    EXPECT_FALSE(w.stylePreview().playing());
    const std::size_t plays = playback->played.size();
    panel.previewButton()->click();
    EXPECT_FALSE(w.stylePreview().playing());
    EXPECT_EQ(playback->played.size(), plays);
    EXPECT_TRUE(reporter.reports().empty());
}

TEST_F(PreviewTest, AShortSongIsPreviewedWholeInItsOwnStyleAndTempo)
{
    MainWindow& w = Start();
    w.document().SetBarCount(2);
    w.document().SetTempo(77);
    const song::SongData excerpt = StylePreviewSong(*services, w.song(), w.song().info.category, w.song().info.style);
    EXPECT_EQ(excerpt.bars(), 2);
    EXPECT_EQ(excerpt.info.tempo, 77);
    EXPECT_EQ(ImageOf(excerpt), ImageOf(w.song()));
}

}  // namespace
}  // namespace songloom::app::test
