#pragma once
// A recording back end for tests and measurements: every message sent to any
// output it opened is kept with the time it was sent on a given clock.

#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include "playback/midi_output.h"
#include "playback/scheduler.h"

namespace songloom::playback {

struct RecordedMessage {
    enum class Kind { kShort, kLong, kReset, kClose };
    Kind kind = Kind::kShort;
    Micros time = 0;
    int port = kSystemMapperPort;
    std::vector<std::uint8_t> bytes;  // exactly as they would go on the wire

    bool operator==(const RecordedMessage&) const = default;
};

// Thread-safe: messages come from the scheduler's thread, the test reads
// from its own. Outputs may outlive nothing: the provider owns the log.
class RecordingOutputs : public OutputProvider {
public:
    // now: the clock of the send times (usually the scheduler's Now).
    explicit RecordingOutputs(std::function<Micros()> now, int portCount = 1);

    OpenResult Open(int port) override;
    std::vector<std::string> PortNames() override;

    // What Open gives from now on: kOpened normally; kNoOutput or kFailed to
    // act as a system without outputs or with a port that refuses to open.
    void SetOpenStatus(OpenStatus status);
    // Makes Reset, program changes or system exclusive report failure.
    void FailResets(bool fail);
    void FailSends(bool fail);

    std::vector<RecordedMessage> Messages() const;
    // Only the channel and system exclusive messages, without resets and closes.
    std::vector<RecordedMessage> SentMessages() const;
    int OpenCount() const;
    void Clear();

    // Called by the outputs.
    void Record(RecordedMessage message);
    bool sendsFail() const;
    bool resetsFail() const;

private:
    std::function<Micros()> now_;
    int portCount_;
    mutable std::mutex mutex_;
    std::vector<RecordedMessage> messages_;
    OpenStatus openStatus_ = OpenStatus::kOpened;
    bool failResets_ = false;
    bool failSends_ = false;
    int openCount_ = 0;

    friend class RecordingOutput;
};

}  // namespace songloom::playback
