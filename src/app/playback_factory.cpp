#include "app/playback_factory.h"

#include "playback/devices/system_outputs.h"
#include "playback/midi_device.h"
#include "playback/midi_player.h"
#include "playback/file_sequence.h"
#include "playback/play_sequence.h"
#include "playback/playback_context.h"
#include "playback/playback_settings.h"

namespace songloom::app {
namespace {

class PlayerPlaybackPort : public PlaybackPort {
public:
    PlayerPlaybackPort(Reporter& reporter, playback::OutputProvider& outputs, playback::Scheduler& scheduler,
                       playback::PlayerOptions options)
        : context_(reporter, outputs, scheduler), options_(options)
    {
    }

    ~PlayerPlaybackPort() override
    {
        player_.reset();
        preview_.reset();
    }

    bool Play(const std::string& path, std::function<void(int)> onPosition, std::function<void()> onEnd) override
    {
        // The player is replaced for every play.
        player_.reset();
        playback::PlaySequence sequence;
        if (!playback::LoadPlayFile(context_.reporter, path, sequence)) return false;
        player_ = std::make_unique<playback::MidiPlayer>(context_, options_);
        player_->Play(
            sequence, std::move(onEnd),
            [onPosition = std::move(onPosition)](int, playback::Tick position, const playback::PlayEvent*) {
                onPosition(position);
            },
            false);
        return true;
    }

    void Stop() override
    {
        if (player_) player_->Stop();
    }

    void Preview(int status, int data1, int data2) override
    {
        if (!preview_) preview_ = std::make_unique<playback::CMidiDevice>(context_, options_.port);
        preview_->ShortMessage(data2, data1, status);
    }

    bool PreviewOpen() const override { return preview_ != nullptr; }
    void ClosePreview() override { preview_.reset(); }
    std::string SilentReason() const override
    {
        return context_.noOutputReported ? "MIDI出力を開けませんでした。音源の設定を確かめてください。" : "";
    }

private:
    playback::PlaybackContext context_;
    playback::PlayerOptions options_;
    std::unique_ptr<playback::MidiPlayer> player_;
    std::unique_ptr<playback::CMidiDevice> preview_;
};

// The system's outputs and clock, owned with the port; soundfont, output
// port and gain come from the playback settings file (defaults without one).
class SystemPlaybackPort : public PlaybackPort {
public:
    explicit SystemPlaybackPort(Reporter& reporter)
        : settings_(playback::LoadPlaybackSettings(playback::DefaultPlaybackSettingsPath())),
          outputs_(settings_.soundFont, kAudioWait, settings_.gain),
          port_(reporter, outputs_, scheduler_, playback::PlayerOptions{.port = settings_.port})
    {
    }
    bool Play(const std::string& path, std::function<void(int)> onPosition, std::function<void()> onEnd) override
    {
        return port_.Play(path, std::move(onPosition), std::move(onEnd));
    }
    void Stop() override { port_.Stop(); }
    void Preview(int status, int data1, int data2) override { port_.Preview(status, data1, data2); }
    bool PreviewOpen() const override { return port_.PreviewOpen(); }
    void ClosePreview() override { port_.ClosePreview(); }
    std::string SilentReason() const override { return port_.SilentReason(); }

private:
    static constexpr playback::Micros kAudioWait = 3000000;
    playback::PlaybackSettings settings_;
    playback::SystemOutputs outputs_;
    playback::RealTimeScheduler scheduler_;
    PlayerPlaybackPort port_;
};

}  // namespace

std::unique_ptr<PlaybackPort> MakePlayback(Reporter& reporter, playback::OutputProvider& outputs,
                                           playback::Scheduler& scheduler, playback::PlayerOptions options)
{
    return std::make_unique<PlayerPlaybackPort>(reporter, outputs, scheduler, options);
}

std::unique_ptr<PlaybackPort> MakeSystemPlayback(Reporter& reporter)
{
    return std::make_unique<SystemPlaybackPort>(reporter);
}

}  // namespace songloom::app
