// A keyboard on an input port playing into a song by step input.
#include <gtest/gtest.h>

#include "playback/devices/rtmidi_input.h"
#include "playback/devices/scripted_input.h"
#include "song/step_input.h"

namespace songloom::playback {
namespace {

using song::StepResult;
using Kind = song::StepResult::Kind;

struct KeyboardRig {
    KeyboardRig()
    {
        song.Reset(reporter, 2, 4, 0);
        auto opened = keyboard.Open(0, [this](const InputMessage& m) {
            const StepResult result = step.Message(reporter, song, m.bytes, m.time);
            if (result.kind != Kind::kNone) results.push_back(result);
        });
        EXPECT_EQ(opened.status, OpenStatus::kOpened);
        input = std::move(opened.input);
    }
    void Flush(Micros now)
    {
        const StepResult result = step.Flush(reporter, song, now);
        if (result.kind != Kind::kNone) results.push_back(result);
    }
    // A key pressed and let go 100 ms later.
    void Key(int note, Micros at)
    {
        keyboard.NoteOn(0, 0, note, 90, at);
        keyboard.NoteOff(0, 0, note, at + 100000);
    }
    // The value starting at a cell and its length in sixteenths.
    std::pair<int, int> NoteAt(int bar, int eighth, int sub = 0) const
    {
        const song::SoundingNote n = song.GetNote(bar, eighth, sub);
        return {n.value, n.sixteenths};
    }

    CapturingReporter reporter;
    song::SongData song;
    song::StepInput step;
    ScriptedInputs keyboard;
    std::unique_ptr<MidiInput> input;
    std::vector<StepResult> results;
};

TEST(KeyboardInput, NotesEnterOneAfterAnotherAndAChordNamesTheBeat)
{
    KeyboardRig rig;
    rig.Key(60, 0);
    rig.Key(62, 500000);
    rig.keyboard.Play(0, {0xB0, 64, 127}, 600000);  // the sustain pedal is not a key
    rig.keyboard.NoteOn(0, 0, 63, 0, 700000);        // a note-on of velocity 0 lets go
    rig.Key(64, 1000000);
    // C E G within 30 ms: the chord of the cursor's beat (the fourth).
    rig.keyboard.NoteOn(0, 0, 67, 80, 1500000);
    rig.keyboard.NoteOn(0, 0, 60, 80, 1510000);
    rig.keyboard.NoteOn(0, 0, 64, 80, 1530000);
    rig.step.SetLength(1);  // eighths from here
    rig.Key(71, 2000000);
    // Two keys together are one melody note, the higher.
    rig.keyboard.NoteOn(0, 0, 55, 80, 2500000);
    rig.keyboard.NoteOn(0, 0, 72, 80, 2520000);
    EXPECT_TRUE(rig.step.Pending());
    rig.Flush(2550000);  // still inside the window: nothing yet
    rig.Flush(3000000);
    ASSERT_EQ(rig.results.size(), 6u);
    EXPECT_EQ(rig.results[5].kind, Kind::kNote);
    EXPECT_EQ(rig.results[5].pitch, 72);
    EXPECT_FALSE(rig.step.Pending());

    EXPECT_EQ(rig.NoteAt(0, 0), std::make_pair(60, 4));
    EXPECT_EQ(rig.NoteAt(0, 2), std::make_pair(62, 4));
    EXPECT_EQ(rig.NoteAt(0, 4), std::make_pair(64, 4));
    EXPECT_EQ(rig.results[3].kind, Kind::kChord);
    EXPECT_EQ(rig.results[3].at, (song::StepCursor{0, 6, 0}));
    EXPECT_EQ(rig.results[3].chord, (song::ChordSymbol{0, 0, -1}));
    EXPECT_EQ(rig.song.ChordName(3), "C ");
    EXPECT_EQ(rig.song.ChordName(2), "C ");
    EXPECT_EQ(rig.NoteAt(0, 6), std::make_pair(71, 2));
    EXPECT_EQ(rig.NoteAt(0, 7), std::make_pair(72, 2));
    EXPECT_EQ(rig.step.Cursor(), (song::StepCursor{1, 0, 0}));
    EXPECT_TRUE(rig.reporter.reports().empty());
}

TEST(KeyboardInput, UnknownChordsAndTheEndOfTheSongWriteNothing)
{
    KeyboardRig rig;
    const song::SongData before = rig.song;
    for (const int note : {60, 61, 62}) rig.keyboard.NoteOn(0, 0, note, 80, 10000 + note);
    rig.Flush(1000000);
    rig.step.SetCursor({1, 6, 0});
    rig.step.SetLength(5);  // a half note does not fit into the last beat
    rig.Key(65, 2000000);
    rig.step.SetLength(3);
    rig.Key(65, 3000000);
    rig.Key(67, 4000000);  // the cursor is now behind the song
    rig.Flush(5000000);
    ASSERT_EQ(rig.results.size(), 4u);
    EXPECT_EQ(rig.results[0].kind, Kind::kUnknownChord);
    EXPECT_EQ(rig.results[1].kind, Kind::kRefused);
    EXPECT_EQ(rig.results[2].kind, Kind::kNote);
    EXPECT_EQ(rig.results[3].kind, Kind::kRefused);
    EXPECT_EQ(rig.song.chords, before.chords);
    EXPECT_EQ(rig.NoteAt(1, 6), std::make_pair(65, 4));
    EXPECT_EQ(rig.step.Cursor(), (song::StepCursor{2, 0, 0}));
    ASSERT_EQ(rig.reporter.reports().size(), 1u);  // the half note, reported by the song
    EXPECT_EQ(rig.reporter.reports()[0].tag, "SGDT");
    EXPECT_FALSE(rig.step.SetLength(10));
    EXPECT_EQ(rig.step.Length(), 3);
}

TEST(KeyboardInput, PortsOpenOnceAndCloseWithTheirInput)
{
    ScriptedInputs keyboards(2);
    std::vector<InputMessage> got;
    auto a = keyboards.Open(1, [&](const InputMessage& m) { got.push_back(m); });
    ASSERT_EQ(a.status, OpenStatus::kOpened);
    EXPECT_EQ(keyboards.Open(1, [](const InputMessage&) {}).status, OpenStatus::kFailed);
    EXPECT_EQ(keyboards.Open(2, [](const InputMessage&) {}).status, OpenStatus::kFailed);
    EXPECT_FALSE(keyboards.NoteOn(0, 0, 60, 90, 0));  // port 0 is not open
    EXPECT_TRUE(keyboards.NoteOn(1, 3, 60, 90, 5));
    a.input.reset();
    EXPECT_FALSE(keyboards.NoteOn(1, 3, 61, 90, 6));
    EXPECT_EQ(got, (std::vector<InputMessage>{{{0x93, 60, 90}, 5}}));
    EXPECT_EQ(ScriptedInputs(0).Open(0, [](const InputMessage&) {}).status, OpenStatus::kNoOutput);
}

TEST(KeyboardInput, AlsaPortsOutOfRangeDoNotOpen)
{
    AlsaInputs alsa;
    const auto names = alsa.PortNames();
    const auto result = alsa.Open(static_cast<int>(names.size()), [](const InputMessage&) {});
    EXPECT_EQ(result.input, nullptr);
    EXPECT_EQ(result.status, names.empty() ? OpenStatus::kNoOutput : OpenStatus::kFailed);
}

}  // namespace
}  // namespace songloom::playback
