#include "playback/devices/recording_output.h"

namespace songloom::playback {

class RecordingOutput : public MidiOutput {
public:
    RecordingOutput(RecordingOutputs& log, int port) : log_(log), port_(port) {}

    int SendShort(std::uint8_t status, std::uint8_t data1, std::uint8_t data2) override
    {
        std::vector<std::uint8_t> bytes{status, data1};
        if (ChannelMessageDataBytes(status) == 2) bytes.push_back(data2);
        return Put(RecordedMessage::Kind::kShort, std::move(bytes), log_.sendsFail());
    }

    int SendLong(std::span<const std::uint8_t> message) override
    {
        return Put(RecordedMessage::Kind::kLong, {message.begin(), message.end()},
                   log_.sendsFail());
    }

    int Reset() override { return Put(RecordedMessage::Kind::kReset, {}, log_.resetsFail()); }
    int Close() override { return Put(RecordedMessage::Kind::kClose, {}, false); }

private:
    int Put(RecordedMessage::Kind kind, std::vector<std::uint8_t> bytes, bool fail)
    {
        if (fail) return 1;
        log_.Record(RecordedMessage{kind, log_.now_(), port_, std::move(bytes)});
        return 0;
    }

    RecordingOutputs& log_;
    int port_;
};

RecordingOutputs::RecordingOutputs(std::function<Micros()> now, int portCount)
    : now_(std::move(now)), portCount_(portCount)
{
}

OpenResult RecordingOutputs::Open(int port)
{
    std::lock_guard lock(mutex_);
    if (openStatus_ != OpenStatus::kOpened) return OpenResult{openStatus_, nullptr};
    if (port < kSystemMapperPort || port >= portCount_) return OpenResult{OpenStatus::kFailed, nullptr};
    ++openCount_;
    return OpenResult{OpenStatus::kOpened, std::make_unique<RecordingOutput>(*this, port)};
}

std::vector<std::string> RecordingOutputs::PortNames()
{
    std::vector<std::string> names;
    for (int i = 0; i < portCount_; ++i) names.push_back("Recording " + std::to_string(i));
    return names;
}

void RecordingOutputs::SetOpenStatus(OpenStatus status)
{
    std::lock_guard lock(mutex_);
    openStatus_ = status;
}

void RecordingOutputs::FailResets(bool fail)
{
    std::lock_guard lock(mutex_);
    failResets_ = fail;
}

void RecordingOutputs::FailSends(bool fail)
{
    std::lock_guard lock(mutex_);
    failSends_ = fail;
}

std::vector<RecordedMessage> RecordingOutputs::Messages() const
{
    std::lock_guard lock(mutex_);
    return messages_;
}

std::vector<RecordedMessage> RecordingOutputs::SentMessages() const
{
    std::lock_guard lock(mutex_);
    std::vector<RecordedMessage> sent;
    for (const auto& m : messages_) {
        if (m.kind == RecordedMessage::Kind::kShort || m.kind == RecordedMessage::Kind::kLong) {
            sent.push_back(m);
        }
    }
    return sent;
}

int RecordingOutputs::OpenCount() const
{
    std::lock_guard lock(mutex_);
    return openCount_;
}

void RecordingOutputs::Clear()
{
    std::lock_guard lock(mutex_);
    messages_.clear();
}

void RecordingOutputs::Record(RecordedMessage message)
{
    std::lock_guard lock(mutex_);
    messages_.push_back(std::move(message));
}

bool RecordingOutputs::sendsFail() const
{
    std::lock_guard lock(mutex_);
    return failSends_;
}

bool RecordingOutputs::resetsFail() const
{
    std::lock_guard lock(mutex_);
    return failResets_;
}

}  // namespace songloom::playback
