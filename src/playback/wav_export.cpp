#include "playback/wav_export.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "common/general.h"
#include "common/messages.h"
#include "playback/devices/fluid_synth_engine.h"
#include "playback/midi_output.h"
#include "playback/playback_messages.h"
#include "playback/sequence_player.h"

namespace songloom::playback {
namespace {

constexpr int kMetaTempo = 0x51;
constexpr int kBlockFrames = 512;
// Frames a WAV file can hold (its sizes are 32-bit), less the longest release.
constexpr std::int64_t kMaxSongFrames =
    (std::int64_t{0xFFFFFFFF} - 36) / 4 - std::int64_t{kMaxReleaseSeconds} * kWavSampleRate;
// A block whose peak stays below this (of 32767) counts as silence.
constexpr int kSilencePeak = 8;

void PutLittleEndian(std::vector<std::uint8_t>& out, std::uint32_t value, int bytes)
{
    for (int i = 0; i < bytes; ++i) out.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
}

// Gives the offline synthesizer to a device, so that events go out exactly
// as they do in live playback.
class OfflineOutputs : public OutputProvider {
public:
    explicit OfflineOutputs(FluidSynthEngine& synth) : synth_(synth) {}
    OpenResult Open(int) override { return {OpenStatus::kOpened, MakeEngineOutput(synth_)}; }
    std::vector<std::string> PortNames() override { return {}; }

private:
    FluidSynthEngine& synth_;
};

// Streams the frames into a temporary file beside the target and renames it
// into place at the end, so that a failed export never leaves half a file
// where an earlier one was, and a long song never sits in memory.
class WavFileWriter {
public:
    explicit WavFileWriter(const std::string& path) : path_(path), partPath_(path + ".part")
    {
        file_ = std::fopen(partPath_.c_str(), "wb");
        if (file_) Write(WavHeader(0, kWavSampleRate).data(), 44);
    }
    ~WavFileWriter()
    {
        if (file_) {
            std::fclose(file_);
            std::remove(partPath_.c_str());
        }
    }
    WavFileWriter(const WavFileWriter&) = delete;
    WavFileWriter& operator=(const WavFileWriter&) = delete;

    bool IsOpen() const { return file_ != nullptr; }
    void Write(const void* bytes, std::size_t n)
    {
        if (file_ && std::fwrite(bytes, 1, n, file_) != n) ok_ = false;
    }
    // Puts the final header in and the file in place; false on any failure.
    bool Finish(std::int64_t frames)
    {
        if (!file_) return false;
        const std::vector<std::uint8_t> header = WavHeader(frames, kWavSampleRate);
        if (std::fseek(file_, 0, SEEK_SET) != 0) ok_ = false;
        Write(header.data(), header.size());
        if (std::fclose(file_) != 0) ok_ = false;
        file_ = nullptr;
        if (ok_ && std::rename(partPath_.c_str(), path_.c_str()) == 0) return true;
        std::remove(partPath_.c_str());
        return false;
    }

private:
    std::string path_;
    std::string partPath_;
    std::FILE* file_ = nullptr;
    bool ok_ = true;
};

}  // namespace

std::vector<std::uint8_t> WavHeader(std::int64_t frames, int sampleRate)
{
    constexpr int kChannels = 2;
    constexpr int kBytesPerSample = 2;
    const auto dataBytes = static_cast<std::uint32_t>(frames * kChannels * kBytesPerSample);
    std::vector<std::uint8_t> h;
    h.reserve(44);
    const auto tag = [&](const char* s) { h.insert(h.end(), s, s + 4); };
    tag("RIFF");
    PutLittleEndian(h, 36 + dataBytes, 4);
    tag("WAVE");
    tag("fmt ");
    PutLittleEndian(h, 16, 4);
    PutLittleEndian(h, 1, 2);  // PCM
    PutLittleEndian(h, kChannels, 2);
    PutLittleEndian(h, static_cast<std::uint32_t>(sampleRate), 4);
    PutLittleEndian(h, static_cast<std::uint32_t>(sampleRate * kChannels * kBytesPerSample), 4);
    PutLittleEndian(h, kChannels * kBytesPerSample, 2);
    PutLittleEndian(h, 8 * kBytesPerSample, 2);
    tag("data");
    PutLittleEndian(h, dataBytes, 4);
    return h;
}

bool ExportWav(Reporter& reporter, const PlaySequence& sequence, const std::string& soundFont,
               const std::string& outPath, WavExportResult* result)
{
    const auto started = std::chrono::steady_clock::now();
    FluidSynthEngine synth(kWavSampleRate);
    if (!synth.IsValid()) {
        MidiDeviceErrorMsg(reporter, mdct::kOpenFailed);
        return false;
    }
    if (!FileExists(soundFont) || !synth.LoadSoundFont(soundFont)) {
        ShowErrorBox(reporter, soundFont);
        GeneralErrorMsg(reporter, gene::kCannotOpen);
        return false;
    }
    if (sequence.division <= 0) {
        MidiPlayerErrorMsg(reporter, mdpl::kBadTempo);
        return false;
    }

    OfflineOutputs outputs(synth);
    ManualScheduler noClock;
    PlaybackContext context(reporter, outputs, noClock);
    CMidiDevice device(context);

    WavFileWriter file(outPath);
    if (!file.IsOpen()) {
        ShowErrorBox(reporter, outPath);
        GeneralErrorMsg(reporter, gene::kCannotOpen);
        return false;
    }
    std::vector<std::int16_t> block(2 * kBlockFrames);
    std::int64_t rendered = 0;
    // Renders up to the given frame; returns the peak of the last block.
    const auto renderTo = [&](std::int64_t frame) {
        int peak = 0;
        while (rendered < frame) {
            const int n = static_cast<int>(std::min<std::int64_t>(kBlockFrames, frame - rendered));
            synth.Render(block.data(), n);
            file.Write(block.data(), 4 * static_cast<std::size_t>(n));
            peak = 0;
            for (int i = 0; i < 2 * n; ++i) peak = std::max(peak, std::abs(static_cast<int>(block[static_cast<std::size_t>(i)])));
            rendered += n;
        }
        return peak;
    };

    // Sample time of a tick within the current tempo segment.
    std::int64_t originFrame = 0;
    Tick originTick = 0;
    std::int64_t microsPerQuarter = 500000;
    const auto frameOf = [&](Tick tick) {
        const std::int64_t micros = (tick - originTick) * microsPerQuarter / sequence.division;
        return originFrame + micros * kWavSampleRate / 1000000;
    };
    Tick tick = 0;
    for (const PlayEvent& e : sequence.events) {
        tick = AddTicks(tick, std::max<Tick>(0, e.delta));
        if (frameOf(tick) > kMaxSongFrames) {
            GeneralErrorMsg(reporter, gene::kTooLarge);
            return false;
        }
        renderTo(frameOf(tick));
        if (e.kind == 0xFF && e.number == kMetaTempo) {
            originFrame = frameOf(tick);
            originTick = tick;
            microsPerQuarter = PlayableTempo(reporter, e.value).microsPerQuarter;
        } else {
            SendPlayEvent(device, e);
        }
    }
    const std::int64_t songFrames = rendered;
    synth.AllNotesOff();
    // The release: until no voice sounds and a whole block is silent.
    const std::int64_t limit = songFrames + std::int64_t{kMaxReleaseSeconds} * kWavSampleRate;
    while (rendered < limit) {
        const int peak = renderTo(rendered + kBlockFrames);
        if (synth.ActiveVoices() == 0 && peak < kSilencePeak) break;
    }

    if (!file.Finish(rendered)) {
        ShowErrorBox(reporter, outPath);
        GeneralErrorMsg(reporter, gene::kCannotOpen);
        return false;
    }
    if (result) {
        result->frames = rendered;
        result->songFrames = songFrames;
        result->renderSeconds =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    }
    return true;
}

}  // namespace songloom::playback
