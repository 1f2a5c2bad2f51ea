// songloom-cli play FILE.mid [--port N] [--soundfont PATH] [--transpose N]
// songloom-cli wav FILE.mid -o OUT.wav [--soundfont PATH] [--transpose N]
// songloom-cli ports
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <memory>
#include <string>
#include <thread>

#include "command_registry.h"
#include "playback/devices/system_outputs.h"
#include "playback/file_sequence.h"
#include "playback/midi_player.h"
#include "playback/play_sequence.h"
#include "playback/playback_messages.h"
#include "playback/playback_settings.h"
#include "playback/wav_export.h"

namespace songloom::cli {
namespace {

using namespace songloom::playback;

// How long opening the built-in synthesizer waits for its audio output.
constexpr Micros kAudioWait = 3000000;
// How often a play looks whether its output failed.
constexpr int kPollMs = 20;

// Defaults come from the playback settings file the app writes.
struct PlayArgs {
    PlayArgs()
    {
        const PlaybackSettings settings = LoadPlaybackSettings(DefaultPlaybackSettingsPath());
        soundFont = settings.soundFont;
        port = settings.port;
        gain = settings.gain;
        transpose = settings.transpose;
    }
    std::string file;
    std::string out;
    std::string soundFont;
    int port = kSystemMapperPort;
    double gain = kDefaultLiveGain;
    bool skipSilence = false;
    int transpose = 0;  // semitones, drums excepted
};

void AddTransposeOption(CLI::App* cmd, PlayArgs& args)
{
    cmd->add_option("--transpose", args.transpose,
                    "Play every part but the drums this many semitones higher (negative: lower)")
        ->check(CLI::Range(-kMaxTranspose, kMaxTranspose));
}

// Notes whether the output could not be opened. The player reports that
// from its own thread and then runs on in silence, so the play's exit status
// has to come from here: 1 after any report.
class NoticingReporter : public CountingReporter {
public:
    using CountingReporter::CountingReporter;
    void Report(const ErrorReport& report) override
    {
        if (report.tag == "MDCT" && report.code == mdct::kOpenFailed) noOutput_ = true;
        CountingReporter::Report(report);
    }
    bool Reported() const { return Count() > 0; }
    bool NoOutput() const { return noOutput_; }

private:
    std::atomic<bool> noOutput_{false};
};

double SecondsOfTicks(const PlaySequence& seq)
{
    // Walks the tempo map the way the player does.
    double seconds = 0;
    std::int64_t micros = 500000;
    for (const auto& e : seq.events) {
        seconds += static_cast<double>(e.delta) * static_cast<double>(micros) / 1e6 / seq.division;
        if (e.kind == 0xFF && e.number == 0x51 && e.value >= 1000) micros = e.value;
    }
    return seconds;
}

void Play(CliContext& context, const PlayArgs& args)
{
    PlaySequence seq;
    if (!LoadPlayFile(context.reporter, args.file, seq)) {
        context.status = 1;
        return;
    }
    TransposeSequence(seq, args.transpose);
    SystemOutputs outputs(args.soundFont, kAudioWait, args.gain);
    if (args.port == kSystemMapperPort) outputs.synth().Start();  // loads while we go on
    RealTimeScheduler clock;
    NoticingReporter reporter(context.reporter);
    PlaybackContext playback(reporter, outputs, clock);
    PlayerOptions options;
    options.port = args.port;
    MidiPlayer player(playback, options);
    std::printf("playing %s (%.1f s)\n", args.file.c_str(), SecondsOfTicks(seq));
    std::fflush(stdout);
    int lastBar = -1;
    int bars = 0;
    player.Play(
        seq, [] { std::printf("end of song\n"); },
        [&](int, Tick tick, const PlayEvent*) {
            const int bar = tick / BarLength(seq);  // the timer thread only reads seq
            if (bar != lastBar) {
                lastBar = bar;
                ++bars;
            }
        },
        args.skipSilence);
    // Without an output there is nothing to hear: stop at once rather than
    // run through the song in silence.
    while (!player.IsDone()) {
        if (reporter.NoOutput()) {
            player.Stop();
            std::printf("stopped: the output could not be opened\n");
            break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(kPollMs));
    }
    player.WaitUntilDone();
    std::printf("played %d bars\n", bars);
    if (reporter.Reported()) context.status = 1;
}

void Wav(CliContext& context, const PlayArgs& args)
{
    PlaySequence seq;
    if (!LoadPlayFile(context.reporter, args.file, seq)) {
        context.status = 1;
        return;
    }
    TransposeSequence(seq, args.transpose);
    WavExportResult result;
    if (!ExportWav(context.reporter, seq, args.soundFont, args.out, &result)) {
        context.status = 1;
        return;
    }
    const double length = result.SecondsOf(result.frames);
    const double song = result.SecondsOf(result.songFrames);
    std::printf("wrote %s: %.3f s (song %.3f s + release %.3f s), gain %+.1f dB, rendered in %.3f s, "
                "%.1fx real time\n",
                args.out.c_str(), length, song, length - song, 20.0 * std::log10(result.gain),
                result.renderSeconds, result.renderSeconds > 0 ? length / result.renderSeconds : 0.0);
}

void Ports(const std::string& soundFont)
{
    std::printf("-1\tbuilt-in synthesizer (%s)\n", soundFont.c_str());
    SystemOutputs outputs(soundFont);
    const auto names = outputs.PortNames();
    for (std::size_t i = 0; i < names.size(); ++i) std::printf("%zu\t%s\n", i, names[i].c_str());
    if (names.empty()) std::printf("(no ALSA sequencer ports)\n");
}

const CommandRegistrar kPlay("play", [](CLI::App& app, CliContext& context) {
    auto args = std::make_shared<PlayArgs>();
    auto* cmd = app.add_subcommand("play", "Play a Standard MIDI File in real time");
    cmd->add_option("file", args->file, "MIDI file")->required();
    cmd->add_option("--port", args->port, "-1 = built-in synthesizer, 0 and up = ALSA ports");
    cmd->add_option("--soundfont", args->soundFont, "soundfont of the built-in synthesizer");
    cmd->add_option("--gain", args->gain, "output gain of the built-in synthesizer")
        ->check(CLI::Range(kMinGain, kMaxGain));
    cmd->add_flag("--skip-silence", args->skipSilence, "leave out the whole bars before the first note");
    AddTransposeOption(cmd, *args);
    cmd->callback([args, &context] { Play(context, *args); });
});

const CommandRegistrar kWav("wav", [](CLI::App& app, CliContext& context) {
    auto args = std::make_shared<PlayArgs>();
    auto* cmd = app.add_subcommand("wav", "Render a Standard MIDI File into a WAV file");
    cmd->add_option("file", args->file, "MIDI file")->required();
    cmd->add_option("-o,--output", args->out, "WAV file to write")->required();
    cmd->add_option("--soundfont", args->soundFont, "soundfont to render with");
    AddTransposeOption(cmd, *args);
    cmd->callback([args, &context] { Wav(context, *args); });
});

const CommandRegistrar kPorts("ports", [](CLI::App& app, CliContext&) {
    auto soundFont = std::make_shared<std::string>(PlayArgs().soundFont);
    auto* cmd = app.add_subcommand("ports", "List the MIDI output ports");
    cmd->add_option("--soundfont", *soundFont, "soundfont of the built-in synthesizer");
    cmd->callback([soundFont] { Ports(*soundFont); });
});

}  // namespace
}  // namespace songloom::cli
