#include "playback/midi_player.h"

#include <chrono>

#include "common/messages.h"
#include "playback/file_sequence.h"
#include "playback/playback_messages.h"

namespace songloom::playback {

MidiPlayer::MidiPlayer(PlaybackContext& context, PlayerOptions options)
    : context_(context), options_(options)
{
}

MidiPlayer::~MidiPlayer()
{
    Stop();
}

bool MidiPlayer::IsDone() const
{
    std::lock_guard lock(mutex_);
    return done_;
}

void MidiPlayer::WaitUntilDone()
{
    {
        std::unique_lock lock(mutex_);
        changed_.wait(lock, [this] { return done_; });
    }
    JoinThread();
}

bool MidiPlayer::WaitDone(Micros limit)
{
    std::unique_lock lock(mutex_);
    return changed_.wait_for(lock, std::chrono::microseconds(limit), [this] { return done_; });
}

void MidiPlayer::JoinThread()
{
    if (thread_.joinable() && thread_.get_id() != std::this_thread::get_id()) thread_.join();
}

void MidiPlayer::Play(const PlaySequence& file, EndCallback onEnd, EventCallback onEvent,
                      bool skipLeadingSilence)
{
    // An earlier playback gets its time to end, then is stopped; a machine
    // too slow even for that is told so and the new play waits on.
    if (!WaitDone(options_.previousPlayWait)) {
        {
            std::lock_guard lock(mutex_);
            if (player_) player_->RequestStop();
        }
        if (!WaitDone(options_.previousPlayWait)) GeneralErrorMsg(context_.reporter, gene::kPerformance);
    }
    WaitUntilDone();

    playCopy_ = std::make_unique<PlaySequence>(file);
    startTick_ = skipLeadingSilence ? TrimLeadingTime(*playCopy_) : 0;
    if (onEvent) onEvent(0, startTick_, nullptr);

    {
        std::lock_guard lock(mutex_);
        done_ = false;
        playerSettled_ = false;
    }
    // Positions count in the song as written, so that the playing bar is
    // right when the leading bars were left out.
    if (onEvent && startTick_ != 0) {
        onEvent = [inner = std::move(onEvent), base = startTick_](int index, Tick tick,
                                                                 const PlayEvent* event) {
            inner(index, base + tick, event);
        };
    }
    thread_ = std::thread([this, onEnd = std::move(onEnd), onEvent = std::move(onEvent)]() mutable {
        ThreadMain(std::move(onEnd), std::move(onEvent));
    });
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [this] { return playerSettled_; });
}

void MidiPlayer::ThreadMain(EndCallback onEnd, EventCallback onEvent)
{
    const auto settle = [this](std::unique_ptr<SequencePlayer> player) {
        std::lock_guard lock(mutex_);
        player_ = std::move(player);
        active_ = player_ != nullptr;
        playerSettled_ = true;
        changed_.notify_all();
    };
    const auto finish = [this] {
        std::unique_ptr<SequencePlayer> player;
        {
            std::lock_guard lock(mutex_);
            player = std::move(player_);
            active_ = false;
            playerSettled_ = true;
        }
        player.reset();  // the device resets and closes here, on this thread
        {
            std::lock_guard lock(mutex_);
            done_ = true;
        }
        changed_.notify_all();
    };

    if (playCopy_->state != 1) {
        MidiSequencerErrorMsg(context_.reporter, mdsp::kNotPlayable);
        if (onEnd) onEnd();
        finish();
        return;
    }
    auto player = std::make_unique<SequencePlayer>(context_, *playCopy_, options_, std::move(onEvent));
    if (!player->Start()) {
        player.reset();
        settle(nullptr);
        if (onEnd) onEnd();
        finish();
        return;
    }
    SequencePlayer* running = player.get();
    settle(std::move(player));
    running->WaitWhilePlaying();
    if (!running->StopRequested() && onEnd) onEnd();
    finish();
}

void MidiPlayer::Play(const midi::CMidiFile0& file, EndCallback onEnd, EventCallback onEvent,
                      bool skipLeadingSilence)
{
    Play(MakePlayCopy(file), std::move(onEnd), std::move(onEvent), skipLeadingSilence);
}

bool MidiPlayer::Stop()
{
    {
        std::lock_guard lock(mutex_);
        if (player_) player_->RequestStop();
    }
    if (std::this_thread::get_id() == thread_.get_id()) return true;  // from the end callback
    WaitUntilDone();
    playCopy_.reset();
    return true;
}

}  // namespace songloom::playback
