#pragma once
// The player proper: walks a sequence from a chain of one-shot timers and
// sends every event to its device at the moment its tick falls due.
//
// Times are computed from the absolute tick of each event within its tempo
// segment, so the rounding of one delay never carries into the next: the
// last note of a long song is as punctual as the first.

#include <atomic>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>

#include "playback/midi_device.h"
#include "playback/play_sequence.h"
#include "playback/playback_context.h"

namespace songloom::playback {

// (event index, absolute tick, event). Called on the timer thread before the
// event is sent; once with (0, start tick, nullptr) before playback starts.
// It must return quickly and must not call Stop.
using EventCallback = std::function<void(int index, Tick position, const PlayEvent* event)>;
using EndCallback = std::function<void()>;

// Sends one event by its kind: notes, control changes, program changes, pitch
// bends and system exclusive; pressure and meta events send nothing.
void SendPlayEvent(CMidiDevice& device, const PlayEvent& event);

struct PlayerOptions {
    int port = kSystemMapperPort;
    // Pause after each set-up message ahead of the first note, so that a
    // synthesizer gets program and controller changes spaced out; 0 sends
    // them on the song's own time line.
    Micros setupSpacing = 50000;
    // Time from the start (or the end of the set-up messages) to tick 0.
    Micros startLead = 2000;
    // How long Play waits for an earlier playback before it stops it, and
    // again before it reports the slow machine.
    Micros previousPlayWait = 5000000;
    int tempoScale = 100;  // percent
};

class SequencePlayer {
public:
    // sequence must outlive the player and stay unchanged while it plays.
    SequencePlayer(PlaybackContext& context, const PlaySequence& sequence, PlayerOptions options,
                   EventCallback onEvent);
    ~SequencePlayer();  // ends the timer chain; the device resets and closes
    SequencePlayer(const SequencePlayer&) = delete;
    SequencePlayer& operator=(const SequencePlayer&) = delete;

    // Opens the device and starts the timer chain from startPosition (with
    // the controllers, programs and tempo in force there); playing ends at
    // endTick, -1 = at the end of the events. False when nothing starts: the
    // sequence is not playable (MDPL 0x08000004) or the port refused to open.
    bool Start(Tick startPosition = 0, Tick endTick = -1);
    // The chain stops at once; the pending one-shot is cancelled.
    void RequestStop();
    bool StopRequested() const { return stopRequest_; }
    bool Playing() const { return playing_; }
    // Blocks until Playing is false.
    void WaitWhilePlaying();
    // Quarter notes per minute in force (120 until a tempo event).
    int Tempo() const { return tempo_; }
    // Scheduler time of the first tick of the time line (after the set-up
    // messages), -1 before it started; for measuring onsets.
    Micros TimelineStart() const { return timelineStart_; }
    // Absolute tick of the last event given to the event callback.
    Tick Position() const { return position_; }

private:
    void Chase(Tick startPosition);
    void SetupStep();
    void StartTimeline();
    void TimerStep();
    void ScheduleStep(Micros due, void (SequencePlayer::*step)());
    void Send(const PlayEvent& event);
    void SetTempo(int microsecondsPerQuarter);
    Micros TimeOfTick(Tick tick) const;
    void Finish();

    PlaybackContext& context_;
    const PlaySequence& sequence_;
    PlayerOptions options_;
    EventCallback onEvent_;
    std::unique_ptr<CMidiDevice> device_;

    // Walked by the timer thread only, under stepMutex_.
    std::mutex stepMutex_;
    std::size_t index_ = 0;
    TimerId timer_ = kNoTimer;
    Tick endTick_ = -1;
    Micros originTime_ = 0;  // time of originTick_ in the current tempo segment
    Tick originTick_ = 0;
    Tick timelineTick_ = 0;  // tick the time line starts at (the chased position)
    std::int64_t microsPerQuarter_ = 500000;

    std::atomic<Micros> timelineStart_{-1};
    std::atomic<Tick> position_{0};
    std::atomic<int> tempo_{120};
    std::atomic<bool> stopRequest_{false};
    std::atomic<bool> playing_{false};
    std::mutex doneMutex_;
    std::condition_variable doneChanged_;
};

}  // namespace songloom::playback
