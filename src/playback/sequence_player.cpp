#include "playback/sequence_player.h"

#include <array>
#include <optional>

#include "playback/playback_messages.h"

namespace songloom::playback {
namespace {

constexpr int kMetaTempo = 0x51;
constexpr int kMetaTimeSignature = 0x58;

}  // namespace

void SendPlayEvent(CMidiDevice& device, const PlayEvent& event)
{
    switch (event.kind) {
    case 0x80:
        device.NoteOff(event.note, event.channel);
        break;
    case 0x90:
        device.NoteOn(event.note, event.velocity, event.channel);
        break;
    case 0xB0:
        device.ShortMessage(event.value, event.number, 0xB0 + (event.channel & 0x0F));
        break;
    case 0xC0:
        device.ProgramChange(event.value, event.channel);
        break;
    case 0xE0:
        device.ShortMessage(event.value, event.note, 0xE0 + (event.channel & 0x0F));
        break;
    case 0xF0:
    case 0xF7:
        device.SendSysEx(event.data);
        break;
    default:  // pressure and meta events are not sent
        break;
    }
}

SequencePlayer::SequencePlayer(PlaybackContext& context, const PlaySequence& sequence,
                               PlayerOptions options, EventCallback onEvent)
    : context_(context), sequence_(sequence), options_(options), onEvent_(std::move(onEvent))
{
}

SequencePlayer::~SequencePlayer()
{
    RequestStop();
    device_.reset();
}

bool SequencePlayer::Start(Tick startPosition, Tick endTick)
{
    if (sequence_.state != 1) {
        MidiPlayerErrorMsg(context_.reporter, mdpl::kNotPlayable);
        return false;
    }
    device_ = std::make_unique<CMidiDevice>(context_, options_.port);
    if (device_->OpenFailed()) return false;
    device_->SendGmSystemOn();

    std::lock_guard lock(stepMutex_);
    stopRequest_ = false;
    playing_ = true;
    tempo_ = 120;
    microsPerQuarter_ = 500000;
    endTick_ = endTick;
    if (sequence_.division <= 0 || options_.tempoScale <= 0) {
        MidiPlayerErrorMsg(context_.reporter, mdpl::kBadTempo);
        Finish();
        return true;
    }
    index_ = 0;
    position_ = 0;
    timelineTick_ = 0;
    if (startPosition != 0) Chase(startPosition);
    if (options_.setupSpacing > 0) {
        ScheduleStep(context_.scheduler.Now(), &SequencePlayer::SetupStep);
    } else {
        StartTimeline();
    }
    return true;
}

void SequencePlayer::RequestStop()
{
    stopRequest_ = true;
    TimerId pending;
    {
        std::lock_guard lock(stepMutex_);
        pending = timer_;
        timer_ = kNoTimer;
    }
    // Outside the lock: a step that is running finishes, sees the request
    // and schedules nothing more.
    context_.scheduler.Cancel(pending);
    std::lock_guard lock(stepMutex_);
    Finish();
}

void SequencePlayer::WaitWhilePlaying()
{
    std::unique_lock lock(doneMutex_);
    doneChanged_.wait(lock, [this] { return !playing_; });
}

void SequencePlayer::Finish()
{
    {
        std::lock_guard lock(doneMutex_);
        playing_ = false;
    }
    doneChanged_.notify_all();
}

void SequencePlayer::ScheduleStep(Micros due, void (SequencePlayer::*step)())
{
    timer_ = context_.scheduler.ScheduleAt(due, [this, step] {
        std::lock_guard lock(stepMutex_);
        timer_ = kNoTimer;
        if (stopRequest_) {
            Finish();
            return;
        }
        (this->*step)();
    });
}

Micros SequencePlayer::TimeOfTick(Tick tick) const
{
    const std::int64_t ticks = tick - originTick_;
    return originTime_ + ticks * microsPerQuarter_ * 100 /
                             (static_cast<std::int64_t>(sequence_.division) * options_.tempoScale);
}

void SequencePlayer::SetupStep()
{
    const auto& events = sequence_.events;
    if (index_ < events.size() && events[index_].kind != 0x90) {
        const PlayEvent& event = events[index_];
        position_ = AddTicks(position_, std::max<Tick>(0, event.delta));
        if (onEvent_) onEvent_(static_cast<int>(index_), position_, &event);
        Send(event);
        ++index_;
        ScheduleStep(context_.scheduler.Now() + options_.setupSpacing, &SequencePlayer::SetupStep);
        return;
    }
    if (index_ >= events.size()) {  // no note at all: nothing more will end the playback
        Finish();
        return;
    }
    StartTimeline();
}

void SequencePlayer::StartTimeline()
{
    originTick_ = std::max(position_.load(), timelineTick_);
    originTime_ = context_.scheduler.Now() + options_.startLead;
    timelineStart_ = originTime_;
    if (index_ >= sequence_.events.size()) {
        Finish();
        return;
    }
    const Tick first = AddTicks(position_, std::max<Tick>(0, sequence_.events[index_].delta));
    ScheduleStep(TimeOfTick(first), &SequencePlayer::TimerStep);
}

void SequencePlayer::TimerStep()
{
    const auto& events = sequence_.events;
    if (index_ >= events.size()) {
        MidiPlayerErrorMsg(context_.reporter, mdpl::kBadPosition);
        Finish();
        return;
    }
    for (;;) {
        const PlayEvent& event = events[index_];
        position_ = AddTicks(position_, std::max<Tick>(0, event.delta));
        if (onEvent_) onEvent_(static_cast<int>(index_), position_, &event);
        Send(event);
        ++index_;
        if (index_ >= events.size() || !playing_) {
            Finish();
            return;
        }
        Tick delta = events[index_].delta;
        if (delta < 0) {
            MidiPlayerErrorMsg(context_.reporter, mdpl::kBadDelta);
            delta = 0;
        }
        const Tick next = AddTicks(position_, delta);
        if (endTick_ != -1 && next >= endTick_) {
            Finish();
            return;
        }
        const Micros due = TimeOfTick(next);
        // Events of one instant, and any the clock has already passed, go
        // out in this same callback.
        if (due <= context_.scheduler.Now()) continue;
        ScheduleStep(due, &SequencePlayer::TimerStep);
        return;
    }
}

void SequencePlayer::SetTempo(int microsecondsPerQuarter)
{
    const PlayTempo tempo = PlayableTempo(context_.reporter, microsecondsPerQuarter);
    // A new tempo segment starts at the tempo event's own tick.
    originTime_ = TimeOfTick(position_);
    originTick_ = position_;
    microsPerQuarter_ = tempo.microsPerQuarter;
    tempo_ = tempo.bpm;
}

void SequencePlayer::Send(const PlayEvent& event)
{
    if (event.kind == 0xFF && event.number == kMetaTempo) {
        SetTempo(event.value);
        return;
    }
    SendPlayEvent(*device_, event);
}

void SequencePlayer::Chase(Tick startPosition)
{
    struct ChannelState {
        std::optional<int> program;
        std::optional<int> bend;  // 0..16383
        std::array<std::optional<int>, 128> controllers;
    };
    std::array<ChannelState, 16> channels;
    std::optional<int> tempo;
    std::optional<int> signature;
    const auto& events = sequence_.events;
    Tick time = 0;
    std::size_t i = 0;
    for (; i < events.size(); ++i) {
        const PlayEvent& e = events[i];
        if (AddTicks(time, e.delta) >= startPosition) break;
        time = AddTicks(time, e.delta);
        ChannelState* channel = e.channel < 16 ? &channels[static_cast<std::size_t>(e.channel)] : nullptr;
        if (e.kind == 0xC0 && channel) channel->program = e.value;
        if (e.kind == 0xB0 && channel && e.number >= 0 && e.number < 128) {
            channel->controllers[static_cast<std::size_t>(e.number)] = e.value;
        }
        if (e.kind == 0xE0 && channel) channel->bend = e.value * 128 + e.note;
        if (e.kind == 0xFF && e.number == kMetaTempo) tempo = e.value;
        if (e.kind == 0xFF && e.number == kMetaTimeSignature) signature = e.value;
    }
    index_ = i;
    position_ = time;
    timelineTick_ = startPosition;
    CMidiDevice& device = *device_;
    for (int c = 0; c < 16; ++c) {
        const ChannelState& s = channels[static_cast<std::size_t>(c)];
        if (s.program) device.ProgramChange(*s.program, c);
        if (s.bend) device.ShortMessage(*s.bend >> 7, *s.bend & 0x7F, 0xE0 + c);
        for (int n = 0; n < 128; ++n) {
            const auto& value = s.controllers[static_cast<std::size_t>(n)];
            if (value) device.ShortMessage(*value, n, 0xB0 + c);
        }
    }
    if (tempo) SetTempo(*tempo);
    // A time signature changes nothing on the output; only its value is checked.
    if (signature && *signature == 0) MidiStateErrorMsg(context_.reporter, mdss::kBadTimeSignature);
}

}  // namespace songloom::playback
