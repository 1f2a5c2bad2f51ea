#include "playback/devices/scripted_input.h"

namespace songloom::playback {

class ScriptedInput : public MidiInput {
public:
    ScriptedInput(ScriptedInputs& owner, int port) : owner_(owner), port_(port) {}
    ~ScriptedInput() override { owner_.Closed(port_); }

private:
    ScriptedInputs& owner_;
    int port_;
};

ScriptedInputs::ScriptedInputs(int portCount)
    : portCount_(portCount), callbacks_(static_cast<std::size_t>(std::max(0, portCount)))
{
}

InputOpenResult ScriptedInputs::Open(int port, InputCallback callback)
{
    std::lock_guard lock(mutex_);
    if (portCount_ <= 0) return {OpenStatus::kNoOutput, nullptr};
    if (port < 0 || port >= portCount_ || callbacks_[static_cast<std::size_t>(port)] || !callback) {
        return {OpenStatus::kFailed, nullptr};
    }
    callbacks_[static_cast<std::size_t>(port)] = std::move(callback);
    return {OpenStatus::kOpened, std::make_unique<ScriptedInput>(*this, port)};
}

std::vector<std::string> ScriptedInputs::PortNames()
{
    std::vector<std::string> names;
    for (int i = 0; i < portCount_; ++i) names.push_back("scripted keyboard " + std::to_string(i));
    return names;
}

bool ScriptedInputs::Play(int port, std::vector<std::uint8_t> bytes, Micros time)
{
    InputCallback callback;
    InputMessage message{std::move(bytes), time};
    {
        std::lock_guard lock(mutex_);
        if (!IsOpenLocked(port)) return false;
        callback = callbacks_[static_cast<std::size_t>(port)];
        delivered_.push_back(message);
    }
    callback(message);
    return true;
}

bool ScriptedInputs::NoteOn(int port, int channel, int note, int velocity, Micros time)
{
    return Play(port,
                {static_cast<std::uint8_t>(0x90 | (channel & 0x0F)), static_cast<std::uint8_t>(note & 0x7F),
                 static_cast<std::uint8_t>(velocity & 0x7F)},
                time);
}

bool ScriptedInputs::NoteOff(int port, int channel, int note, Micros time)
{
    return Play(port, {static_cast<std::uint8_t>(0x80 | (channel & 0x0F)), static_cast<std::uint8_t>(note & 0x7F), 64},
                time);
}

std::vector<InputMessage> ScriptedInputs::Delivered() const
{
    std::lock_guard lock(mutex_);
    return delivered_;
}

bool ScriptedInputs::IsOpen(int port) const
{
    std::lock_guard lock(mutex_);
    return IsOpenLocked(port);
}

bool ScriptedInputs::IsOpenLocked(int port) const
{
    return port >= 0 && port < portCount_ && static_cast<bool>(callbacks_[static_cast<std::size_t>(port)]);
}

void ScriptedInputs::Closed(int port)
{
    std::lock_guard lock(mutex_);
    if (port >= 0 && port < portCount_) callbacks_[static_cast<std::size_t>(port)] = nullptr;
}

}  // namespace songloom::playback
