#pragma once
// The play controller the user interface talks to: Play starts a playback
// thread that owns the player for one song; Stop ends it. One playback at a
// time per controller; the app keeps one controller.

#include <atomic>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <thread>

#include "midi/midi_file.h"
#include "playback/play_sequence.h"
#include "playback/playback_context.h"
#include "playback/sequence_player.h"

namespace songloom::playback {

class MidiPlayer {
public:
    explicit MidiPlayer(PlaybackContext& context, PlayerOptions options = {});
    ~MidiPlayer();  // stops a playback that still runs
    MidiPlayer(const MidiPlayer&) = delete;
    MidiPlayer& operator=(const MidiPlayer&) = delete;

    // Plays a copy of file (note-on and note-off messages at 96 ticks per
    // quarter note). With skipLeadingSilence the whole bars before the first
    // note are left out. onEvent gets (0, start tick, nullptr) at once, then
    // every event from the timer thread; onEnd is called once, from the
    // playback thread, when the song has played to its end or could not be
    // played, never after Stop. Returns once the player runs (or gave up).
    // Neither callback may call Play; the end callback may call Stop, which
    // then only asks for the stop (the thread is about to end anyway).
    void Play(const PlaySequence& file, EndCallback onEnd, EventCallback onEvent,
              bool skipLeadingSilence);
    // Plays a MIDI file object whose track is in TrackNotes; the play copy is
    // made at 96 ticks per quarter note.
    void Play(const midi::CMidiFile0& file, EndCallback onEnd, EventCallback onEvent,
              bool skipLeadingSilence);
    // Ends the playback at once, without the end callback; true.
    bool Stop();
    // True while a player object exists.
    bool IsActive() const { return active_; }
    // True when no playback thread runs.
    bool IsDone() const;
    // Blocks until the playback thread has ended.
    void WaitUntilDone();
    // Tick the current play started from (the leading silence left out).
    Tick StartTick() const { return startTick_; }

private:
    void ThreadMain(EndCallback onEnd, EventCallback onEvent);
    bool WaitDone(Micros limit);
    void JoinThread();

    PlaybackContext& context_;
    PlayerOptions options_;
    std::unique_ptr<PlaySequence> playCopy_;
    Tick startTick_ = 0;
    std::thread thread_;

    mutable std::mutex mutex_;
    std::condition_variable changed_;
    bool done_ = true;
    std::unique_ptr<SequencePlayer> player_;  // exists while the thread plays
    std::atomic<bool> active_{false};
    bool playerSettled_ = false;  // the thread created its player or gave up
};

}  // namespace songloom::playback
