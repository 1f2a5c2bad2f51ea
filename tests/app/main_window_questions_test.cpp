// The question before a modified score is replaced or the program ends, the
// file names the window shows, and plays that must not use an old file.
#include <gtest/gtest.h>

#include <QAction>
#include <QFileInfo>
#include <QLabel>
#include <QListWidget>
#include <filesystem>

#include "app/palettes/library_window.h"
#include "app/palettes/palette_set.h"
#include "app_fixture.h"
#include "common/general.h"
#include "song/song_image.h"

namespace songloom::app::test {
namespace {

class QuestionTest : public AppTest {
protected:
    // A window whose song has a note that no file holds.
    MainWindow& StartModified()
    {
        MainWindow& w = Start();
        EXPECT_TRUE(DropOnCell(QStringLiteral("note:64"), 0));
        EXPECT_TRUE(w.isWindowModified());
        return w;
    }
    std::string SongFile(const std::string& name, int bars)
    {
        song::SongData song;
        song.Reset(reporter, bars, 4, 0);
        EXPECT_TRUE(song.Save(reporter, WorkFile(name)));
        return WorkFile(name);
    }
};

TEST_F(QuestionTest, QuitAsksAndCancelKeepsTheWindow)
{
    MainWindow& w = StartModified();
    w.show();
    saveAnswer = SaveChangesAnswer::kCancel;
    w.Command(kCmdQuit);
    EXPECT_EQ(saveQuestions.size(), 1u);
    EXPECT_FALSE(w.quitRequested());
    // Closing from the window frame asks the same.
    w.close();
    EXPECT_EQ(saveQuestions.size(), 2u);
    EXPECT_TRUE(w.isVisible());

    // Save: the save dialog, then the program ends.
    saveAnswer = SaveChangesAnswer::kSave;
    dialogAnswer = WorkFile("kept.sld");
    w.Command(kCmdQuit);
    EXPECT_TRUE(w.quitRequested());
    EXPECT_EQ(dialogs.back().kind, FileDialogKind::kSaveSong);
    song::SongData kept;
    ASSERT_EQ(song::ReadSongFile(reporter, WorkFile("kept.sld"), kept, 8, 4, 0), song::SongFileStatus::kRead);
    EXPECT_EQ(kept.GetNote(0, 0, 0).value, 64);
}

TEST_F(QuestionTest, QuitWithoutChangesAsksNothingAndDiscardQuits)
{
    {
        MainWindow& w = Start();
        w.Command(kCmdQuit);
        EXPECT_TRUE(saveQuestions.empty());
        EXPECT_TRUE(w.quitRequested());
        window.reset();
    }
    MainWindow& w = StartModified();
    saveAnswer = SaveChangesAnswer::kDiscard;
    w.Command(kCmdQuit);
    EXPECT_EQ(saveQuestions.size(), 1u);
    EXPECT_TRUE(w.quitRequested());
    // A save dialog that is cancelled keeps the window.
    window.reset();
    MainWindow& again = Start();
    saveQuestions.clear();
    saveAnswer = SaveChangesAnswer::kSave;
    dialogAnswer.reset();
    again.Command(kCmdQuit);
    EXPECT_EQ(saveQuestions.size(), 1u);  // the working song came back modified
    EXPECT_FALSE(again.quitRequested());
}

TEST_F(QuestionTest, OpenAsksBeforeTheSongGoes)
{
    const std::string other = SongFile("other.sld", 12);
    MainWindow& w = StartModified();
    saveAnswer = SaveChangesAnswer::kCancel;
    dialogAnswer = other;
    w.Command(kCmdOpen);
    EXPECT_EQ(saveQuestions.size(), 1u);
    EXPECT_EQ(w.song().bars(), 8);
    EXPECT_EQ(w.song().GetNote(0, 0, 0).value, 64);
    // Cancel asks no file: the open dialog never came.
    EXPECT_TRUE(dialogs.empty());

    saveAnswer = SaveChangesAnswer::kDiscard;
    w.Command(kCmdOpen);
    EXPECT_EQ(w.song().bars(), 12);
    EXPECT_EQ(w.document().DisplayName(), QStringLiteral("other.sld"));
    EXPECT_FALSE(w.isWindowModified());
    // Files dropped on the window ask the same.
    EXPECT_TRUE(DropOnCell(QStringLiteral("note:60"), 1));
    saveAnswer = SaveChangesAnswer::kCancel;
    w.DropFiles({QString::fromStdString(SongFile("third.sld", 5))});
    EXPECT_EQ(saveQuestions.size(), 3u);
    EXPECT_EQ(w.song().bars(), 12);
}

TEST_F(QuestionTest, LibraryAsksAndTheFileBecomesTheCurrentOne)
{
    std::filesystem::create_directory(WorkFile("Library"));
    const std::string library = SongFile("Library/tune.sld", 6);
    MainWindow& w = StartModified();
    LibraryWindow& list = w.palettes().library();
    list.Refill();
    ASSERT_EQ(list.entries().size(), 1u);
    saveAnswer = SaveChangesAnswer::kCancel;
    list.Open(0);
    EXPECT_EQ(saveQuestions.size(), 1u);
    EXPECT_EQ(w.song().bars(), 8);
    saveAnswer = SaveChangesAnswer::kDiscard;
    list.Open(0);
    EXPECT_EQ(w.song().bars(), 6);
    // The title and the save dialog name the song now shown, not an older file.
    EXPECT_EQ(w.document().DisplayName(), QStringLiteral("tune.sld"));
    dialogAnswer.reset();
    w.Command(kCmdSave);
    EXPECT_EQ(dialogs.back().proposed, library);
}

TEST_F(QuestionTest, ImportAsksAndTheImportedSongHasNoFile)
{
    services->import = [](song::SongData& song, const std::string&, harmony::MidiImportReport*) {
        CapturingReporter quiet;
        return song.Reset(quiet, 10, 4, 0);
    };
    MainWindow& w = Start();
    ASSERT_TRUE(w.SaveSongTo(WorkFile("before.sld")));
    EXPECT_TRUE(DropOnCell(QStringLiteral("note:64"), 0));
    saveAnswer = SaveChangesAnswer::kCancel;
    dialogAnswer = WorkFile("in.mid");
    w.Command(kCmdImport);
    EXPECT_EQ(saveQuestions, (std::vector<std::string>{"before.sld"}));
    EXPECT_EQ(w.song().bars(), 8);
    saveAnswer = SaveChangesAnswer::kDiscard;
    w.Command(kCmdImport);
    EXPECT_EQ(w.song().bars(), 10);
    EXPECT_EQ(w.document().DisplayName(), QStringLiteral("無題"));
    EXPECT_TRUE(w.windowTitle().startsWith(QStringLiteral("無題")));
}

TEST_F(QuestionTest, ACorruptFileIsRefusedAndTheWorkingSongKept)
{
    MainWindow& w = StartModified();
    std::vector<std::uint8_t> garbage(song::kSongImageSize, 0xA7);
    ASSERT_TRUE(WriteFileAtomically(WorkFile("garbage.sld"), garbage));
    saveAnswer = SaveChangesAnswer::kDiscard;
    w.DropFiles({QString::fromStdString(WorkFile("garbage.sld"))});
    EXPECT_EQ(reporter.reports().size(), 1u);
    EXPECT_EQ(w.song().GetNote(0, 0, 0).value, 64);
    EXPECT_EQ(w.document().DisplayName(), QStringLiteral("無題"));
    // Undo still reaches the drop made before.
    w.undoAction()->trigger();
    EXPECT_EQ(w.song().GetNote(0, 0, 0).value, song::kRest);
    w.redoAction()->trigger();
    w.ShutDown();
    song::SongData working;
    ASSERT_EQ(song::ReadSongFile(reporter, WorkFile("data.dat"), working, 8, 4, 0), song::SongFileStatus::kRead);
    EXPECT_EQ(working.GetNote(0, 0, 0).value, 64);
}

TEST_F(QuestionTest, NoStalePlayFileIsPlayed)
{
    MainWindow& w = Start();
    // A render that says it wrote but left nothing: the old file is gone
    // first, so nothing plays.
    ASSERT_TRUE(WriteFileAtomically(WorkFile("play.mid"), TinyMidiFile()));
    services->render = [](const song::SongData&, const std::string&) { return true; };
    w.Command(kCmdPlay);
    EXPECT_TRUE(playback->played.empty());
    EXPECT_FALSE(w.songPlaying());
    EXPECT_FALSE(FileExists(WorkFile("play.mid")));

    // An old file that cannot be removed is never played either.
    std::filesystem::create_directories(WorkFile("play.mid/stuck"));
    bool rendered = false;
    services->render = [&](const song::SongData&, const std::string&) { return rendered = true; };
    w.Command(kCmdPlay);
    EXPECT_FALSE(rendered);
    EXPECT_TRUE(playback->played.empty());
    EXPECT_TRUE(reporter.Has("GENE", 0x01000007));
}

TEST_F(QuestionTest, RenderIntoAFolderThatCannotBeWrittenShowsTheMessageAndPlaysNothing)
{
    InstallEngine(*services);
    MainWindow& w = Start();
    // The working folder goes away under the running program.
    services->workDir = WorkFile("gone/deeper");
    w.Command(kCmdPlay);
    EXPECT_TRUE(playback->played.empty());
    EXPECT_FALSE(w.songPlaying());
    ASSERT_FALSE(reporter.reports().empty());
    EXPECT_TRUE(reporter.Has("GENE", 0x01000007)) << reporter.lines().front();
    services->workDir = dir.path();
}

}  // namespace
}  // namespace songloom::app::test
