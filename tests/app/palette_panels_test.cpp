#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QSpinBox>
#include <QTest>
#include <filesystem>
#include <fstream>

#include "app/palettes/library_window.h"
#include "app/palettes/options_window.h"
#include "app/palettes/song_info_panel.h"
#include "arrange/style_catalogue.h"
#include "common/random.h"
#include "common/text.h"
#include "song/song_image.h"
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

TEST_F(PanelTest, OptionsAnnounceTheRangeTheyShow)
{
    OptionsWindow options({48, 83});
    std::vector<KeyboardRange> announced;
    QObject::connect(&options, &OptionsWindow::rangeChanged, [&](KeyboardRange r) { announced.push_back(r); });
    EXPECT_EQ(options.lowSpin()->value(), 48);
    options.lowSpin()->setValue(80);
    EXPECT_EQ(options.lowSpin()->value(), 71);
    EXPECT_EQ(announced.back(), (KeyboardRange{71, 83}));
    options.highSpin()->setValue(70);
    EXPECT_EQ(options.highSpin()->value(), 83);  // 71 + 12
    EXPECT_EQ(announced.back(), (KeyboardRange{71, 83}));
    options.SetRange({30, 90});
    EXPECT_EQ(announced.size(), 2u);  // showing a range announces nothing
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
    LibraryWindow library(dir.path(), [&](const std::string& path) { opened.push_back(path); });
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
    song.info.style = styles[1].style;
    CopyInfoText(song.info.title, "題名");
    SongInfoPanel panel(host, catalogue);
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
    EXPECT_EQ(panel.styleList()->currentData().toInt(), styles[1].style);
    EXPECT_EQ(panel.titleEdit()->text(), QStringLiteral("題名"));
    EXPECT_EQ(document.undoStack().count(), 0);  // showing the song changes nothing
}

TEST_F(SongInfoTest, ChoicesAreUndoStepsOfTheDocument)
{
    SongInfoPanel panel(host, catalogue);
    const auto original = song::BuildSongImage(song, song.beats(), song.key());
    panel.ChooseTimeSignature(1);
    EXPECT_EQ(song.beats(), 3);
    panel.ChooseKey(15);  // untouched: transposed without a question
    EXPECT_EQ(transpositionQuestions, 0);
    EXPECT_EQ(song.key(), 15);
    panel.barSpin()->setValue(20);
    EXPECT_EQ(song.bars(), 20);
    panel.ChooseCategory(3);
    const auto styles = StyleEntries(catalogue, 3);
    ASSERT_GE(styles.size(), 2u);
    EXPECT_EQ(panel.styleList()->count(), static_cast<int>(styles.size()));
    EXPECT_EQ(panel.styleList()->currentIndex(), 0);
    EXPECT_EQ(song.info.category, 3);
    EXPECT_EQ(song.info.style, styles[0].style);
    panel.ChooseStyle(1);
    EXPECT_EQ(song.info.style, styles[1].style);
    EXPECT_EQ(document.undoStack().count(), 5);
    EXPECT_EQ(document.undoStack().undoText(), QStringLiteral("音楽スタイルの変更"));

    // Undo shows the old values again in the panel.
    document.undoStack().undo();
    EXPECT_EQ(panel.styleList()->currentData().toInt(), styles[0].style);
    document.undoStack().undo();
    document.undoStack().undo();
    EXPECT_EQ(panel.barSpin()->value(), 8);
    document.undoStack().undo();
    EXPECT_EQ(panel.keyList()->currentIndex(), 0);
    document.undoStack().undo();
    EXPECT_EQ(panel.timeSignatureList()->currentIndex(), 0);
    EXPECT_EQ(song::BuildSongImage(song, song.beats(), song.key()), original);
}

TEST_F(SongInfoTest, BarCountTypedOverIsAppliedOnEnterOnly)
{
    for (int bar = 0; bar < 8; ++bar) song.SetNote(reporter, bar, 0, 60 + bar, 9, 0);
    SongInfoPanel panel(host, catalogue);
    panel.show();
    panel.barSpin()->setFocus();
    panel.barSpin()->selectAll();
    QTest::keyClicks(panel.barSpin(), QStringLiteral("12"));
    // Nothing shrank on the way through "1".
    EXPECT_EQ(song.bars(), 8);
    EXPECT_EQ(song.GetNote(7, 0, 0).value, 67);
    QTest::keyClick(panel.barSpin(), Qt::Key_Return);
    EXPECT_EQ(song.bars(), 12);
    for (int bar = 0; bar < 8; ++bar) EXPECT_EQ(song.GetNote(bar, 0, 0).value, 60 + bar) << bar;
    EXPECT_EQ(document.undoStack().count(), 1);
}

TEST_F(SongInfoTest, CancelledTranspositionKeepsKeyAndPanel)
{
    song.SetNote(reporter, 0, 0, 64, 3, 0);  // no longer untouched: the question comes
    SongInfoPanel panel(host, catalogue);
    transpositionAnswer.reset();
    panel.keyList()->setCurrentIndex(2);  // as the user's choice shows it
    panel.ChooseKey(2);
    EXPECT_EQ(transpositionQuestions, 1);
    EXPECT_EQ(song.key(), 0);
    EXPECT_EQ(panel.keyList()->currentIndex(), 0);
    EXPECT_EQ(document.undoStack().count(), 0);

    transpositionAnswer = song::KeyChangeAnswer::kTranspose;
    panel.ChooseKey(2);  // C to D: the melody moves up a tone
    EXPECT_EQ(song.key(), 2);
    EXPECT_EQ(song.GetNote(0, 0, 0).value, 66);
    EXPECT_EQ(panel.keyList()->currentIndex(), 2);
    EXPECT_EQ(document.undoStack().undoText(), QStringLiteral("移調"));
}

TEST_F(SongInfoTest, TitleAndComposerAreCopiedAtOnceAsCp932)
{
    SongInfoPanel panel(host, catalogue);
    panel.titleEdit()->setText(QString());
    // 40 double-byte characters: only 31 fit in 63 bytes.
    const QString long_ = QString(40, QChar(0x3042));
    emit panel.titleEdit()->textEdited(long_);
    const std::string title(FieldText(song.info.title.data(), song.info.title.size()));
    EXPECT_EQ(title.size(), 62u);
    EXPECT_EQ(QString::fromStdString(Cp932ToUtf8(title)), QString(31, QChar(0x3042)));
    EXPECT_EQ(song.info.title[63], '\0');
    emit panel.composerEdit()->textEdited(QStringLiteral("Bac"));
    emit panel.composerEdit()->textEdited(QStringLiteral("Bach"));
    EXPECT_EQ(FieldText(song.info.composer.data(), 64), "Bach");
    // Typing is one step per field, not one per character.
    EXPECT_EQ(document.undoStack().count(), 2);
    std::array<char, 64> ascii{};
    CopyInfoText(ascii, std::string(70, 'x'));
    EXPECT_EQ(FieldText(ascii.data(), 64).size(), 63u);
}

}  // namespace
}  // namespace songloom::app::test
