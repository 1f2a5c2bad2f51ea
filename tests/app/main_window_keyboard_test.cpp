// The options for transposition and the MIDI keyboard, step input from a
// scripted keyboard, the score exported as MusicXML and PDF, and the
// re-roll of one bar.
#include <QComboBox>
#include <QSpinBox>
#include <chrono>
#include <thread>

#include "app/palettes/options_window.h"
#include "app/palettes/palette_set.h"
#include "app_fixture.h"
#include "playback/devices/scripted_input.h"
#include "playback/playback_settings.h"

namespace songloom::app::test {
namespace {

// Longer than the chord window, so that keys count as played apart.
void PauseBetweenKeys()
{
    std::this_thread::sleep_for(std::chrono::milliseconds(120));
    ProcessEvents();
}

TEST_F(AppTest, KeysFromTheMidiKeyboardEnterTheSongFromTheSelectedBar)
{
    auto keyboards = std::make_unique<playback::ScriptedInputs>(2);
    playback::ScriptedInputs& keys = *keyboards;
    services->keyboards = std::move(keyboards);
    services->playbackSettings.keyboard = 1;
    MainWindow& w = Start();
    ASSERT_TRUE(keys.IsOpen(1));
    EXPECT_EQ(w.palettes().options().keyboardList()->currentIndex(), 2);  // "なし", port 0, port 1

    w.score().ClickCell(2, false);  // bar 3
    keys.NoteOn(1, 0, 60, 90, 0);
    PauseBetweenKeys();
    keys.NoteOn(1, 0, 62, 90, 0);
    PauseBetweenKeys();
    // Three keys at once: the chord of the cursor's beat (the third).
    for (const int note : {64, 67, 71}) keys.NoteOn(1, 0, note, 90, 0);
    PauseBetweenKeys();
    PauseBetweenKeys();  // the flush after the window
    EXPECT_EQ(w.song().GetNote(2, 0, 0).value, 60);
    EXPECT_EQ(w.song().GetNote(2, 0, 0).sixteenths, 4);
    EXPECT_EQ(w.song().GetNote(2, 2, 0).value, 62);
    EXPECT_EQ(w.song().ChordName(2 * 4 + 2), "Em");
    EXPECT_EQ(w.stepInput().Cursor(), (song::StepCursor{2, 4, 0}));
    EXPECT_EQ(w.document().undoStack().count(), 3);
    w.document().undoStack().undo();  // the chord goes, the notes stay
    EXPECT_EQ(w.song().ChordName(2 * 4 + 2), "C ");
    EXPECT_EQ(w.song().GetNote(2, 2, 0).value, 62);

    // Another port, then none: the first closes.
    w.palettes().options().keyboardList()->setCurrentIndex(1);
    EXPECT_TRUE(keys.IsOpen(0));
    EXPECT_FALSE(keys.IsOpen(1));
    w.palettes().options().keyboardList()->setCurrentIndex(0);
    EXPECT_FALSE(keys.IsOpen(0));
    EXPECT_TRUE(reporter.reports().empty());
}

TEST_F(AppTest, TranspositionsFromTheOptionsAreShownPlayedAndKept)
{
    services->playbackSettingsPath = WorkFile("config/playback.ini");
    services->playbackSettings.transpose = -2;
    MainWindow& w = Start();
    OptionsWindow& options = w.palettes().options();
    EXPECT_EQ(options.transposeSpin()->value(), -2);
    EXPECT_EQ(playback->Transpose(), -2);
    EXPECT_EQ(w.score().writtenAbove(), 0);

    options.instrumentKeyList()->setCurrentIndex(options.instrumentKeyList()->findData(QStringLiteral("Eb")));
    EXPECT_EQ(w.score().writtenAbove(), 9);
    options.transposeSpin()->setValue(3);
    EXPECT_EQ(playback->Transpose(), 3);
    const playback::PlaybackSettings saved = playback::LoadPlaybackSettings(WorkFile("config/playback.ini"));
    EXPECT_EQ(saved.instrumentKey, "Eb");
    EXPECT_EQ(saved.transpose, 3);
    // The song itself does not move.
    EXPECT_EQ(w.song().key(), 0);
    EXPECT_FALSE(w.document().dirty());
}

TEST_F(AppTest, ExportWritesMusicXmlOrPdfByTheFileName)
{
    MainWindow& w = Start();
    EditSong([](song::SongData& s) { s.SetNote(*std::make_unique<CapturingReporter>(), 0, 0, 60, 3, 0); });
    w.palettes().options().instrumentKeyList()->setCurrentIndex(1);  // B-flat
    ASSERT_TRUE(w.ExportMidiTo(WorkFile("song.musicxml")));
    std::vector<std::uint8_t> bytes;
    ASSERT_TRUE(ReadWholeFile(WorkFile("song.musicxml"), bytes));
    const std::string xml(bytes.begin(), bytes.end());
    EXPECT_NE(xml.find("<score-partwise"), std::string::npos);
    EXPECT_NE(xml.find("<step>D</step>"), std::string::npos);  // as the B-flat player reads it
    ASSERT_TRUE(w.ExportMidiTo(WorkFile("song.PDF")));
    ASSERT_TRUE(ReadWholeFile(WorkFile("song.PDF"), bytes));
    EXPECT_EQ(std::string(bytes.begin(), bytes.begin() + 5), "%PDF-");
    EXPECT_TRUE(rendered.empty());  // neither needs the engine
    ASSERT_TRUE(w.ExportMidiTo(WorkFile("song.mid")));
    EXPECT_EQ(rendered, std::vector<std::string>{WorkFile("song.mid")});
}

TEST_F(AppTest, RerollKeepsTheRenderingOfAnUnchangedSong)
{
    MainWindow& w = Start();
    // Nothing rendered yet: the song is rendered and played whole.
    EXPECT_TRUE(w.RerollBar(0));
    ASSERT_EQ(rendered.size(), 1u);
    EXPECT_EQ(rendered[0], WorkFile("play.mid"));
    // Now the bar alone is drawn again and spliced into play.mid.
    EXPECT_TRUE(w.RerollBar(0));
    ASSERT_EQ(rendered.size(), 2u);
    EXPECT_EQ(rendered[1], WorkFile("reroll.mid"));
    EXPECT_FALSE(FileExists(WorkFile("reroll.mid")));
    EXPECT_EQ(playback->played, (std::vector<std::string>{WorkFile("play.mid"), WorkFile("play.mid")}));
    EXPECT_TRUE(w.songPlaying());
    // After an edit the old rendering is not the song's any more.
    EditSong([](song::SongData& s) { s.SetChordName(0, "G "); });
    EXPECT_TRUE(w.RerollBar(0));
    EXPECT_EQ(rendered.back(), WorkFile("play.mid"));
    EXPECT_FALSE(w.RerollBar(8));  // past the song
    for (const auto& report : reporter.reports()) ADD_FAILURE() << FormatErrorLine(report);
}

}  // namespace
}  // namespace songloom::app::test
