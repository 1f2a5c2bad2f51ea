// The song document without windows: undo steps, signals, the unsaved
// state and the files it reads and refuses.
#include <gtest/gtest.h>

#include <QSignalSpy>

#include "app/app_services.h"
#include "app/song_document.h"
#include "app_fixture.h"
#include "common/general.h"
#include "common/random.h"
#include "song/drop_target.h"
#include "song/song_image.h"
#include "support/smf_builder.h"
#include "support/test_paths.h"

namespace songloom::app::test {
namespace {

class DocumentTest : public ::testing::Test {
protected:
    DocumentTest() : services(reporter, dir.path()), document(services)
    {
        services.BuildCatalogue(3);
        document.LoadWorkingFiles({});
    }
    std::vector<std::uint8_t> Image() const
    {
        return song::BuildSongImage(document.song(), document.song().beats(), document.song().key());
    }

    songloom::test::TempDir dir;
    CapturingReporter reporter;
    AppServices services;
    SongDocument document;
};

// One of several kinds of edit, chosen by i, somewhere in the song.
bool MixedEdit(SongDocument& document, Reporter& reporter, Random& random, int i)
{
    const int bars = document.song().bars();
    const int bar = RandomBetween(random, 0, bars - 1);
    switch (i % 8) {
    case 0:
        return document.Edit(QStringLiteral("note"), [&](song::SongData& s) {
            return s.SetNote(reporter, bar, RandomBetween(random, 0, 3) * 2, RandomBetween(random, 48, 84), 3, 0);
        });
    case 1:
        return document.Edit(QStringLiteral("chord"), [&](song::SongData& s) {
            return song::DropChordOnScore(reporter, s, RandomBetween(random, 0, 1) ? "G7" : "Am", bar,
                                          RandomBetween(random, 0, 7));
        });
    case 2: return document.SetBarCount(std::clamp(bars + RandomBetween(random, -2, 3), 1, 40));
    case 3: return document.SetTitle(QStringLiteral("曲 %1").arg(i));
    case 4: return document.ChangeKey(RandomBetween(random, 0, 29), [] { return song::KeyChangeAnswer::kTranspose; });
    case 5: return document.InsertBars(bar, bar);
    case 6: return bars > 2 && document.DeleteBars(bar, bar);
    default: return document.SetStyle(RandomBetween(random, 0, 2), 1);
    }
}

TEST_F(DocumentTest, FiftyEditsUndoneGiveTheOriginalAndRedoneTheEdited)
{
    const auto original = Image();
    Random random(11);
    int steps = 0;
    for (int i = 0; steps < 50; ++i) {
        ASSERT_LT(i, 500);
        MixedEdit(document, reporter, random, i);
        steps = document.undoStack().count();
    }
    ASSERT_EQ(document.undoStack().count(), 50);
    const auto edited = Image();
    ASSERT_NE(edited, original);
    for (int i = 0; i < 50; ++i) document.undoStack().undo();
    EXPECT_EQ(Image(), original);
    EXPECT_FALSE(document.undoStack().canUndo());
    for (int i = 0; i < 50; ++i) document.undoStack().redo();
    EXPECT_EQ(Image(), edited);
    EXPECT_TRUE(reporter.reports().empty()) << reporter.lines().front();
}

TEST_F(DocumentTest, SignalsSayWhatChanged)
{
    QSignalSpy bars(&document, &SongDocument::barsChanged);
    QSignalSpy chords(&document, &SongDocument::chordsChanged);
    QSignalSpy info(&document, &SongDocument::infoChanged);
    QSignalSpy count(&document, &SongDocument::barCountChanged);
    QSignalSpy key(&document, &SongDocument::keyChanged);

    // A note in bar 5: that bar only.
    document.Edit(QStringLiteral("note"), [&](song::SongData& s) { return s.SetNote(reporter, 5, 0, 60, 3, 0); });
    ASSERT_EQ(bars.count(), 1);
    EXPECT_EQ(bars[0][0].toInt(), 5);
    EXPECT_EQ(bars[0][1].toInt(), 1);
    EXPECT_EQ(chords.count(), 0);
    EXPECT_EQ(info.count(), 0);

    // A chord from beat 2 of bar 1 to the end of the bar.
    document.Edit(QStringLiteral("chord"),
                  [&](song::SongData& s) { return song::DropChordOnScore(reporter, s, "F", 1, 4); });
    ASSERT_EQ(chords.count(), 1);
    EXPECT_EQ(chords[0][0].toInt(), 6);
    EXPECT_EQ(chords[0][1].toInt(), 2);

    document.SetTitle(QStringLiteral("Song"));
    EXPECT_EQ(info.count(), 1);
    EXPECT_EQ(bars.count(), 2);  // the title draws no bar

    document.SetBarCount(12);
    EXPECT_EQ(count.count(), 1);
    EXPECT_EQ(count[0][0].toInt(), 12);

    // Undo announces the same way.
    document.undoStack().undo();
    EXPECT_EQ(count.count(), 2);
    EXPECT_EQ(count[1][0].toInt(), 8);
    document.ChangeKey(3, [] { return song::KeyChangeAnswer::kTranspose; });
    EXPECT_EQ(key.count(), 1);
    EXPECT_EQ(key[0][0].toInt(), 3);
}

TEST_F(DocumentTest, UnsavedStateFollowsTheFileAndUndo)
{
    QSignalSpy dirty(&document, &SongDocument::dirtyChanged);
    EXPECT_FALSE(document.dirty());
    document.SetTempo(90);  // an empty untitled song loses nothing
    EXPECT_FALSE(document.dirty());
    document.Edit(QStringLiteral("note"), [&](song::SongData& s) { return s.SetNote(reporter, 0, 0, 60, 3, 0); });
    EXPECT_TRUE(document.dirty());
    ASSERT_TRUE(document.SaveAs(dir.File("a.sld")));
    EXPECT_FALSE(document.dirty());
    EXPECT_EQ(document.DisplayName(), QStringLiteral("a.sld"));
    document.SetTempo(100);
    EXPECT_TRUE(document.dirty());
    document.undoStack().undo();  // back to what the file holds
    EXPECT_FALSE(document.dirty());
    document.undoStack().undo();  // before the save: differs from the file
    EXPECT_TRUE(document.dirty());
    EXPECT_GE(dirty.count(), 4);
}

TEST_F(DocumentTest, AFileThatFailsItsChecksIsRefusedAndTheSongStays)
{
    document.Edit(QStringLiteral("note"), [&](song::SongData& s) { return s.SetNote(reporter, 2, 0, 67, 3, 0); });
    const auto before = Image();
    std::vector<std::uint8_t> garbage(song::kSongImageSize);
    for (std::size_t i = 0; i < garbage.size(); ++i) garbage[i] = static_cast<std::uint8_t>(i * 7919 >> 3);
    ASSERT_TRUE(WriteFileAtomically(dir.File("garbage.sld"), garbage));

    QSignalSpy replaced(&document, &SongDocument::songReplaced);
    EXPECT_FALSE(document.Open(dir.File("garbage.sld")));
    EXPECT_EQ(reporter.reports().size(), 1u);
    EXPECT_TRUE(reporter.Has("SGDT", 1));
    EXPECT_EQ(Image(), before);
    EXPECT_EQ(replaced.count(), 0);
    EXPECT_EQ(document.undoStack().count(), 1);  // the edit can still be undone
    EXPECT_TRUE(document.currentFile().empty());

    // The working file keeps the song, not the garbage.
    ASSERT_TRUE(document.SaveWorkingSong());
    std::vector<std::uint8_t> saved;
    ASSERT_TRUE(ReadWholeFile(dir.File("data.dat"), saved));
    EXPECT_EQ(saved, before);
}

TEST_F(DocumentTest, ClearKeepsThePhraseAndLeavesTheFile)
{
    document.phrase().SetNote(reporter, 1, 0, 72, 3, 0);
    document.Edit(QStringLiteral("note"), [&](song::SongData& s) { return s.SetNote(reporter, 0, 0, 60, 3, 0); });
    ASSERT_TRUE(document.SaveAs(dir.File("kept.sld")));
    reporter.ScriptAnswers({true});
    ASSERT_TRUE(document.Clear());
    EXPECT_TRUE(document.song().IsUntouched());
    EXPECT_EQ(document.phrase().GetNote(1, 0, 0).value, 72);
    EXPECT_TRUE(document.currentFile().empty());
    EXPECT_EQ(document.undoStack().undoText(), QStringLiteral("クリア"));
    document.undoStack().undo();
    EXPECT_EQ(document.song().GetNote(0, 0, 0).value, 60);
}


TEST_F(DocumentTest, AnImportedSongOffersTheChordReadingsOfEachBeatWhileItIsThatSong)
{
    services.import = [this](song::SongData& s, const std::string& path, harmony::MidiImportReport* report) {
        return harmony::ImportMidi(reporter, path, s, 0, report);
    };
    const std::string path = dir.File("waltz.mid");
    WriteWaltzMidi(path);
    EXPECT_TRUE(document.ChordAlternatives(0).empty()) << "a song that was not imported has none";
    ASSERT_TRUE(document.Import(path));
    ASSERT_EQ(document.song().beats(), 3);
    const auto readings = document.ChordAlternatives(3);  // bar 2, beat 1
    ASSERT_GE(readings.size(), 2u);
    EXPECT_EQ(harmony::CandidateName(readings[0]), "C");
    EXPECT_TRUE(document.ChordAlternatives(document.song().ActiveBeats()).empty());
    EXPECT_TRUE(document.ChordAlternatives(-1).empty());

    // Choosing a reading changes that one beat, as one undo step.
    const std::string second = harmony::CandidateName(readings[1]);
    ASSERT_TRUE(document.SetBeatChord(3, second));
    EXPECT_EQ(document.song().ChordName(3), song::CompleteChordName(second));
    EXPECT_EQ(document.song().ChordName(4), "C ");
    EXPECT_EQ(document.undoStack().undoText(), QStringLiteral("コードの選択"));
    EXPECT_FALSE(document.SetBeatChord(3, "H7")) << "no such chord";
    EXPECT_FALSE(document.SetBeatChord(document.song().ActiveBeats(), "C"));
    document.undoStack().undo();
    EXPECT_EQ(document.song().ChordName(3), "C ");
    EXPECT_EQ(document.ChordAlternatives(3), readings);

    // Another bar count hides them; undoing that shows them again.
    ASSERT_TRUE(document.SetBarCount(document.song().bars() + 1));
    EXPECT_TRUE(document.ChordAlternatives(3).empty());
    document.undoStack().undo();
    EXPECT_EQ(document.ChordAlternatives(3), readings);

    // Undoing the import takes them away for good.
    document.undoStack().undo();
    EXPECT_TRUE(document.ChordAlternatives(3).empty());
    document.undoStack().redo();
    EXPECT_TRUE(document.ChordAlternatives(3).empty());

    // So does clearing a fresh import (made on the song as it was before).
    document.undoStack().undo();
    ASSERT_TRUE(document.Import(path));
    EXPECT_FALSE(document.ChordAlternatives(3).empty());
    ASSERT_TRUE(document.Clear());
    EXPECT_TRUE(document.ChordAlternatives(3).empty());
}

TEST_F(DocumentTest, StepsKeepOnlyTheBytesThatChanged)
{
    document.Edit(QStringLiteral("note"), [&](song::SongData& s) { return s.SetNote(reporter, 3, 2, 64, 1, 0); });
    ASSERT_EQ(document.undoStack().count(), 1);
    const ImageDelta delta(std::vector<std::uint8_t>(100, 0), [] {
        std::vector<std::uint8_t> b(100, 0);
        b[10] = 1;
        b[12] = 2;  // joined with the run before
        b[80] = 3;  // a run of its own
        return b;
    }());
    EXPECT_EQ(delta.bytes(), 2u * (3 + 1));
    std::vector<std::uint8_t> image(100, 0);
    delta.ApplyTo(image, true);
    EXPECT_EQ(image[12], 2);
    EXPECT_EQ(image[80], 3);
    delta.ApplyTo(image, false);
    EXPECT_EQ(image, std::vector<std::uint8_t>(100, 0));
    EXPECT_TRUE(ImageDelta(image, image).empty());
}

}  // namespace
}  // namespace songloom::app::test
