// The style a song gets from its meter: a new song, a change of time
// signature, a cleared song and an imported file; and the meters the style
// list shows.
#include <gtest/gtest.h>

#include <QComboBox>

#include "app/app_services.h"
#include "app/palettes/song_info_panel.h"
#include "app/song_document.h"
#include "app_fixture.h"
#include "arrange/style_meter.h"
#include "common/text.h"
#include "harmony/midi_import.h"
#include "palette_fixture.h"

namespace songloom::app::test {
namespace {

using arrange::StyleSlot;

StyleSlot SlotOf(const song::SongData& song) { return {song.info.category, song.info.style}; }

class MeterStyleTest : public PaletteTest {
protected:
    MeterStyleTest()
    {
        services.BuildCatalogue(3);
        document.LoadWorkingFiles({});
        four = arrange::DefaultStyleForMeter(services.catalogue, 4);
        three = arrange::DefaultStyleForMeter(services.catalogue, 3);
        services.import = [this](song::SongData& s, const std::string& path, harmony::MidiImportReport* report) {
            const arrange::StyleRecord* style = services.StyleOf(s);
            return harmony::ImportMidi(reporter, path, s, style ? StyleDefaultInstrument(*style) : 0, report);
        };
    }
    const arrange::StyleRecord& Record(StyleSlot slot) const
    {
        return *arrange::CatalogueRecord(services.catalogue, slot.category, slot.slot);
    }
    // Puts the song in 3/4 as one step that leaves its style alone.
    void MakeWaltzWithoutStyleChange()
    {
        ASSERT_TRUE(document.Edit(QStringLiteral("test"), [this](song::SongData& s) { return s.ChangeBeats(reporter, 3); }));
    }

    StyleSlot four;
    StyleSlot three;
    const StyleSlot rock{0, 9};    // written for 4/4
    const StyleSlot waltz{5, 15};  // written for 3/4
};

TEST_F(MeterStyleTest, ANewSongStartsInTheDefaultStyleOfItsMeter)
{
    ASSERT_NE(four, three);
    EXPECT_EQ(document.song().beats(), 4);
    EXPECT_EQ(SlotOf(document.song()), four);
    EXPECT_EQ(document.song().info.tempo, StyleDefaultTempo(Record(four)));
}

TEST_F(MeterStyleTest, ChangingTheMeterMovesOnlyTheDefaultStyle)
{
    const int fourTempo = document.song().info.tempo;
    ASSERT_TRUE(document.ChangeTimeSignature(1));
    EXPECT_EQ(SlotOf(document.song()), three);
    EXPECT_TRUE(arrange::StyleWrittenFor(Record(SlotOf(document.song())), 3));
    EXPECT_EQ(document.song().info.tempo, StyleDefaultTempo(Record(three)));
    EXPECT_EQ(document.song().info.instrument, StyleDefaultInstrument(Record(three)));
    // One step: undo brings meter, style and tempo back together.
    EXPECT_EQ(document.undoStack().count(), 1);
    document.undoStack().undo();
    EXPECT_EQ(document.song().beats(), 4);
    EXPECT_EQ(SlotOf(document.song()), four);
    EXPECT_EQ(document.song().info.tempo, fourTempo);

    // A tempo the user set stays with the new default style.
    ASSERT_TRUE(document.SetTempo(99));
    ASSERT_TRUE(document.ChangeTimeSignature(1));
    EXPECT_EQ(SlotOf(document.song()), three);
    EXPECT_EQ(document.song().info.tempo, 99);
    ASSERT_TRUE(document.ChangeTimeSignature(0));
    EXPECT_EQ(SlotOf(document.song()), four);

    // A style the user chose stays whatever the meter.
    ASSERT_TRUE(document.SetStyle(rock.category, rock.slot));
    const song::SongInfo chosen = document.song().info;
    ASSERT_TRUE(document.ChangeTimeSignature(1));
    EXPECT_EQ(SlotOf(document.song()), rock);
    EXPECT_EQ(document.song().info.tempo, chosen.tempo);
    EXPECT_EQ(document.song().info.instrument, chosen.instrument);
}

TEST_F(MeterStyleTest, ClearingAThreeFourSongGivesTheWaltzDefault)
{
    MakeWaltzWithoutStyleChange();
    ASSERT_EQ(SlotOf(document.song()), four);
    ASSERT_TRUE(document.Clear());
    EXPECT_EQ(document.song().beats(), 3);
    EXPECT_EQ(SlotOf(document.song()), three);
    EXPECT_EQ(document.song().info.tempo, StyleDefaultTempo(Record(three)));

    // A chosen 4/4 style survives the clear (and plays fitted to 3/4).
    ASSERT_TRUE(document.SetStyle(rock.category, rock.slot));
    ASSERT_TRUE(document.Edit(QStringLiteral("note"), [this](song::SongData& s) { return s.SetNote(reporter, 0, 0, 60, 2, 0); }));
    ASSERT_TRUE(document.Clear());
    EXPECT_EQ(SlotOf(document.song()), rock);
}

TEST_F(MeterStyleTest, AnImportedWaltzGetsAStyleWrittenForThreeFour)
{
    const std::string path = dir.File("waltz.mid");
    WriteWaltzMidi(path);
    for (const StyleSlot before : {four, rock, waltz}) {
        ASSERT_TRUE(document.SetStyle(before.category, before.slot) || SlotOf(document.song()) == before);
        const int steps = document.undoStack().count();
        ASSERT_TRUE(document.Import(path));
        ASSERT_EQ(document.song().beats(), 3);
        EXPECT_EQ(SlotOf(document.song()), three) << before.category << "/" << before.slot;
        // The melody plays on the instrument of the style it now has.
        EXPECT_EQ(document.song().info.instrument, StyleDefaultInstrument(Record(three)));
        EXPECT_EQ(document.undoStack().count(), steps + 1);
        document.undoStack().undo();
        EXPECT_EQ(SlotOf(document.song()), before);
    }
    // A 4/4 file keeps the 4/4 default an imported song starts with.
    ASSERT_TRUE(WriteFileAtomically(dir.File("one.mid"), TinyMidiFile()));
    ASSERT_TRUE(document.Import(dir.File("one.mid")));
    EXPECT_EQ(document.song().beats(), 4);
    EXPECT_EQ(SlotOf(document.song()), four);
    EXPECT_TRUE(reporter.reports().empty());
}

TEST_F(MeterStyleTest, TheStyleListShowsTheMeterEachStyleWasWrittenFor)
{
    SongInfoPanel panel(host, services.catalogue);
    panel.ChooseCategory(waltz.category);
    const QComboBox& list = *panel.styleList();
    ASSERT_GT(list.count(), 1);
    int threes = 0;
    for (int i = 0; i < list.count(); ++i) {
        const arrange::StyleRecord& record = Record({waltz.category, list.itemData(i).toInt()});
        const QString meter = QString::fromUtf8(arrange::MeterText(record.meter).data());
        EXPECT_TRUE(list.itemText(i).endsWith(meter)) << list.itemText(i).toStdString();
        threes += record.meter == arrange::kMeter34;
    }
    EXPECT_GT(threes, 0);
    const int waltzEntry = list.findData(waltz.slot);
    ASSERT_GE(waltzEntry, 0);
    EXPECT_TRUE(list.itemText(waltzEntry).endsWith(QStringLiteral("3/4")));
    EXPECT_TRUE(list.itemText(waltzEntry).startsWith(QString::fromStdString(Cp932ToUtf8(Record(waltz).Name()))));
}

}  // namespace
}  // namespace songloom::app::test
