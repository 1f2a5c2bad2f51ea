#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QSpinBox>
#include <filesystem>
#include <fstream>

#include "app/palettes/library_window.h"
#include "app/palettes/options_window.h"
#include "app/palettes/song_info_panel.h"
#include "arrange/style_catalogue.h"
#include "common/random.h"
#include "common/text.h"
#include "palette_fixture.h"

namespace songloom::app::test {
namespace {

TEST(KeyboardRange, EveryChangeKeepsAnOctave)
{
    EXPECT_EQ(RangeAfterLowChange({48, 83}, 80), (KeyboardRange{71, 83}));
    EXPECT_EQ(RangeAfterLowChange({48, 83}, 60), (KeyboardRange{60, 83}));
    EXPECT_EQ(RangeAfterHighChange({48, 83}, 50), (KeyboardRange{48, 60}));
    EXPECT_EQ(RangeAfterHighChange({48, 83}, 127), (KeyboardRange{48, 127}));
    // Near the ends of the MIDI range the other value gives way.
    EXPECT_EQ(RangeAfterLowChange({0, 5}, 3), (KeyboardRange{0, 12}));
    EXPECT_EQ(RangeAfterHighChange({120, 127}, 125), (KeyboardRange{115, 127}));
}

class PanelTest : public PaletteTest {};

TEST_F(PanelTest, OptionsPostTheRangeTheyShow)
{
    COptionsDlg options(host, {48, 83});
    EXPECT_EQ(options.lowSpin()->value(), 48);
    options.lowSpin()->setValue(80);
    EXPECT_EQ(options.lowSpin()->value(), 71);
    EXPECT_EQ(posted.back(), (Posted{0x801C, 71, 83}));
    options.highSpin()->setValue(70);
    EXPECT_EQ(options.highSpin()->value(), 83);  // 71 + 12
    EXPECT_EQ(posted.back(), (Posted{0x801C, 71, 83}));
    options.SetRange({30, 90});
    EXPECT_EQ(posted.size(), 2u);  // showing a range posts nothing
}

TEST_F(PanelTest, LibraryListsTitleAndComposerOfEverySongFile)
{
    EXPECT_TRUE(ListLibrary(dir.path()).empty());  // no Library folder

    std::filesystem::create_directory(dir.File("Library"));
    CapturingReporter r;
    song::SongData a;
    CopyInfoText(a.info.title, "夕焼け");
    CopyInfoText(a.info.composer, "山田");
    ASSERT_TRUE(a.Save(r, dir.File("Library/b.sld")));
    song::SongData b;
    CopyInfoText(b.info.title, "Morning");
    ASSERT_TRUE(b.Save(r, dir.File("Library/a.SLD")));
    ASSERT_TRUE(b.Save(r, dir.File("Library/c.pdt")));               // not a song file
    std::ofstream(dir.File("Library/d.sld")) << "not a song image";  // left out, quietly

    const auto entries = ListLibrary(dir.path());
    ASSERT_EQ(entries.size(), 2u);
    EXPECT_EQ(entries[0].label, "Morning / ");
    EXPECT_EQ(entries[1].label, "夕焼け / 山田");
    EXPECT_EQ(entries[1].path, dir.File("Library/b.sld"));

    std::vector<std::string> opened;
    CLibraryDlg library(dir.path(), [&](const std::string& path) { opened.push_back(path); });
    library.show();
    ASSERT_EQ(library.list()->count(), 2);
    EXPECT_EQ(library.list()->item(1)->text(), QStringLiteral("夕焼け / 山田"));
    library.Open(1);
    library.Open(5);
    EXPECT_EQ(opened, (std::vector<std::string>{dir.File("Library/b.sld")}));
    EXPECT_TRUE(reporter.reports().empty());
}

class SongInfoTest : public PaletteTest {
protected:
    SongInfoTest()
    {
        Random random(1);
        arrange::StyleRecord active;
        arrange::BuildStyleCatalogue(random, catalogue, active);
    }
    arrange::StyleCatalogue catalogue;
};

TEST_F(SongInfoTest, RefreshShowsTheSong)
{
    CapturingReporter r;
    song.Reset(r, 37, 3, 27);  // Bbm
    song.info.category = 2;
    const auto styles = StyleEntries(catalogue, 2);
    ASSERT_GE(styles.size(), 2u);
    song.info.style = styles[1].first;
    CopyInfoText(song.info.title, "題名");
    CSongInfoDlg panel(host, catalogue);
    EXPECT_EQ(panel.barSpin()->value(), 37);
    EXPECT_EQ(panel.barSpin()->minimum(), 1);
    EXPECT_EQ(panel.barSpin()->maximum(), 256);
    EXPECT_EQ(panel.timeSignatureList()->currentText(), QStringLiteral("3/4"));
    EXPECT_EQ(panel.keyList()->count(), 30);
    EXPECT_EQ(panel.keyList()->currentText(), QStringLiteral("Bbm"));
    EXPECT_EQ(panel.categoryList()->count(), 9);
    EXPECT_EQ(panel.categoryList()->itemText(0), QStringLiteral("ﾎﾟｯﾌﾟｽ(海外)"));
    EXPECT_EQ(panel.categoryList()->currentIndex(), 2);
    EXPECT_EQ(panel.styleList()->count(), static_cast<int>(styles.size()));
    EXPECT_EQ(panel.styleList()->currentData().toInt(), styles[1].first);
    EXPECT_EQ(panel.titleEdit()->text(), QStringLiteral("題名"));
    EXPECT_TRUE(posted.empty());  // refreshing tells nobody
}

TEST_F(SongInfoTest, ChoicesPostTheirMessages)
{
    CSongInfoDlg panel(host, catalogue);
    panel.ChooseTimeSignature(1);
    panel.ChooseKey(15);
    panel.barSpin()->setValue(20);
    panel.ChooseCategory(3);
    const auto styles = StyleEntries(catalogue, 3);
    ASSERT_GE(styles.size(), 2u);
    EXPECT_EQ(panel.styleList()->count(), static_cast<int>(styles.size()));
    EXPECT_EQ(panel.styleList()->currentIndex(), 0);
    panel.ChooseStyle(1);
    EXPECT_EQ(posted, (std::vector<Posted>{{0x8014, 1, 0},
                                           {0x8013, 15, 0},
                                           {0x8012, 20, 0},
                                           {0x8015, 3, styles[0].first},
                                           {0x8016, styles[1].first, 0}}));
    // The song itself is the main window's to change.
    EXPECT_EQ(song.bars(), 8);
    EXPECT_EQ(song.key(), 0);
}

TEST_F(SongInfoTest, TitleAndComposerAreCopiedAtOnceAsCp932)
{
    CSongInfoDlg panel(host, catalogue);
    panel.titleEdit()->setText(QString());
    // 40 double-byte characters: only 31 fit in 63 bytes.
    const QString long_ = QString(40, QChar(0x3042));
    emit panel.titleEdit()->textEdited(long_);
    const std::string title(FieldText(song.info.title.data(), song.info.title.size()));
    EXPECT_EQ(title.size(), 62u);
    EXPECT_EQ(QString::fromStdString(Cp932ToUtf8(title)), QString(31, QChar(0x3042)));
    EXPECT_EQ(song.info.title[63], '\0');
    emit panel.composerEdit()->textEdited(QStringLiteral("Bach"));
    EXPECT_EQ(FieldText(song.info.composer.data(), 64), "Bach");
    std::array<char, 64> ascii{};
    CopyInfoText(ascii, std::string(70, 'x'));
    EXPECT_EQ(FieldText(ascii.data(), 64).size(), 63u);
}

}  // namespace
}  // namespace songloom::app::test
