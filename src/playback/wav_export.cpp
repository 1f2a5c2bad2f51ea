#include "playback/wav_export.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cmath>
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
// After the last event, a block whose peak lies 60 dB below the song's peak
// (and below the floor) counts as silence.
constexpr float kSilenceRatio = 0.001f;
constexpr float kSilenceFloor = 1.0f / 32767.0f;

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

// The song is rendered twice removed: first as float frames into a scratch
// file beside the target (a long song never sits in memory), then, once its
// peak is known, as 16-bit frames with one gain for the whole song into a
// second temporary file that is renamed into place at the end. A failed
// export never leaves half a file where an earlier one was.
class WavFileWriter {
public:
    explicit WavFileWriter(const std::string& path)
        : path_(path), partPath_(path + ".part"), scratchPath_(path + ".part.f32")
    {
        scratch_ = std::fopen(scratchPath_.c_str(), "w+b");
    }
    ~WavFileWriter()
    {
        if (scratch_) std::fclose(scratch_);
        std::remove(scratchPath_.c_str());
        std::remove(partPath_.c_str());
    }
    WavFileWriter(const WavFileWriter&) = delete;
    WavFileWriter& operator=(const WavFileWriter&) = delete;

    bool IsOpen() const { return scratch_ != nullptr; }
    void Write(const float* samples, std::size_t n)
    {
        if (scratch_ && std::fwrite(samples, sizeof(float), n, scratch_) != n) ok_ = false;
    }
    // Converts the scratch frames at gain and puts the file in place; false
    // on any failure.
    bool Finish(std::int64_t frames, float gain)
    {
        if (!scratch_ || !ok_ || std::fflush(scratch_) != 0 || std::fseek(scratch_, 0, SEEK_SET) != 0)
            return false;
        std::FILE* out = std::fopen(partPath_.c_str(), "wb");
        if (!out) return false;
        bool ok = true;
        const std::vector<std::uint8_t> header = WavHeader(frames, kWavSampleRate);
        ok = std::fwrite(header.data(), 1, header.size(), out) == header.size();
        std::vector<float> in(2 * kBlockFrames);
        std::vector<std::int16_t> pcm(2 * kBlockFrames);
        for (std::int64_t done = 0; ok && done < frames;) {
            const auto n = static_cast<std::size_t>(std::min<std::int64_t>(kBlockFrames, frames - done));
            if (std::fread(in.data(), sizeof(float), 2 * n, scratch_) != 2 * n) {
                ok = false;
                break;
            }
            for (std::size_t i = 0; i < 2 * n; ++i) pcm[i] = ToPcm16(in[i] * gain);
            ok = std::fwrite(pcm.data(), sizeof(std::int16_t), 2 * n, out) == 2 * n;
            done += static_cast<std::int64_t>(n);
        }
        if (std::fclose(out) != 0) ok = false;
        return ok && std::rename(partPath_.c_str(), path_.c_str()) == 0;
    }

private:
    static std::int16_t ToPcm16(float sample)
    {
        const float scaled = std::clamp(sample, -1.0f, 1.0f) * 32767.0f;
        return static_cast<std::int16_t>(std::lround(scaled));
    }

    std::string path_;
    std::string partPath_;
    std::string scratchPath_;
    std::FILE* scratch_ = nullptr;
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

float NormalisingGain(float peak)
{
    if (!(peak > 0)) return 1.0f;
    return std::min(kWavTargetPeak / peak, kWavMaxGain);
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
    std::vector<float> block(2 * kBlockFrames);
    std::int64_t rendered = 0;
    float songPeak = 0;
    // Renders up to the given frame; returns the peak of the last block.
    const auto renderTo = [&](std::int64_t frame) {
        float peak = 0;
        while (rendered < frame) {
            const int n = static_cast<int>(std::min<std::int64_t>(kBlockFrames, frame - rendered));
            const auto samples = 2 * static_cast<std::size_t>(n);
            synth.RenderFloat(block.data(), n);
            file.Write(block.data(), samples);
            peak = 0;
            for (std::size_t i = 0; i < samples; ++i) peak = std::max(peak, std::fabs(block[i]));
            songPeak = std::max(songPeak, peak);
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
    // The release: until no voice sounds and a whole block is silent, that is
    // below the song's own level by the silence ratio.
    const float silence = std::max(songPeak * kSilenceRatio, kSilenceFloor);
    const std::int64_t limit = songFrames + std::int64_t{kMaxReleaseSeconds} * kWavSampleRate;
    while (rendered < limit) {
        const float peak = renderTo(rendered + kBlockFrames);
        if (synth.ActiveVoices() == 0 && peak < silence) break;
    }

    const float gain = NormalisingGain(songPeak);
    if (!file.Finish(rendered, gain)) {
        ShowErrorBox(reporter, outPath);
        GeneralErrorMsg(reporter, gene::kCannotOpen);
        return false;
    }
    if (result) {
        result->frames = rendered;
        result->songFrames = songFrames;
        result->gain = gain;
        result->renderSeconds =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    }
    return true;
}

}  // namespace songloom::playback
