#pragma once
// A main window in a fresh working folder with a capturing reporter, a
// scripted file chooser, scripted questions, intercepted drags and a
// playback port that keeps what it was asked to do.

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QEventLoop>
#include <QString>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/app_services.h"
#include "app/main_window.h"
#include "app/score_view.h"
#include "common/general.h"
#include "common/reporter.h"
#include "support/test_paths.h"

namespace songloom::app::test {

// Keeps every request; the test fires the player's callbacks itself.
class FakePlayback : public PlaybackPort {
public:
    bool Play(const std::string& path, std::function<void(int)> onPosition, std::function<void()> onEnd) override
    {
        played.push_back(path);
        position = std::move(onPosition);
        end = std::move(onEnd);
        playing = true;
        return playResult;
    }
    void Stop() override
    {
        ++stops;
        playing = false;
    }
    void Preview(int status, int data1, int data2) override
    {
        open = true;
        previews.push_back({status, data1, data2});
    }
    bool PreviewOpen() const override { return open; }
    void ClosePreview() override
    {
        open = false;
        ++previewCloses;
    }

    std::vector<std::string> played;
    std::function<void(int)> position;
    std::function<void()> end;
    bool playing = false;
    bool playResult = true;
    int stops = 0;
    bool open = false;
    int previewCloses = 0;
    std::vector<std::array<int, 3>> previews;
};

// Runs posted events and queued calls.
inline void ProcessEvents()
{
    for (int i = 0; i < 3; ++i) QCoreApplication::processEvents(QEventLoop::AllEvents);
}

// The bytes of a small Standard MIDI File: one track, one note.
std::vector<std::uint8_t> TinyMidiFile();
// A waltz in G at 96 ticks with a 3/4 time signature: a chord held through
// each bar, a melody note a beat. Bars | G | C | D7 | G |.
void WriteWaltzMidi(const std::string& path);

// What a rendered Standard MIDI File plays, read from its dump: the
// note-ons with a velocity, the ticks of the first and last of them and of
// the melody channel's first, and the tick of the file's last event.
struct RenderedNotes {
    int notes = 0;
    long firstOnset = -1;
    long lastOnset = -1;
    long firstMelody = -1;
    long end = 0;
};
RenderedNotes ReadRenderedNotes(const std::string& path);

class AppTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // Starts the window in the working folder (after the test put files there).
    MainWindow& Start();
    // Changes the working song as one undo step (for setting a test up).
    void EditSong(const std::function<void(song::SongData&)>& edit);
    // Drops payload text on a cell of the score, over an eighth slot.
    bool DropOnCell(const QString& payload, int cell, int slot = 0);
    std::string WorkFile(const std::string& name) const { return dir.File(name); }
    // Centre of a staff cell, and the x of an eighth slot in it.
    QPoint CellPoint(int cell, int slot = 0) const;

    songloom::test::TempDir dir;
    CapturingReporter reporter;
    std::unique_ptr<AppServices> services;
    FakePlayback* playback = nullptr;
    std::unique_ptr<MainWindow> window;
    std::vector<std::string> rendered;   // paths the renderer was asked for
    bool renderResult = true;
    std::vector<FileDialogRequest> dialogs;
    std::optional<std::string> dialogAnswer;
    std::vector<QString> drags;
    std::optional<std::string> phraseFile;
    int transposeQuestions = 0;
    std::optional<song::KeyChangeAnswer> transposeAnswer = song::KeyChangeAnswer::kTranspose;
    std::vector<std::string> saveQuestions;  // what the song was when asked
    SaveChangesAnswer saveAnswer = SaveChangesAnswer::kDiscard;
};

}  // namespace songloom::app::test
