#pragma once
// What the main window runs on, apart from its widgets: the reporter, the
// working folder, the engine's random generator and style catalogue, the
// renderer and the playback port. The program holds one; every test makes
// its own with a capturing reporter and a recording playback.

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "arrange/engine_context.h"
#include "arrange/style_catalogue.h"
#include "arrange/style_record.h"
#include "common/random.h"
#include "common/reporter.h"
#include "harmony/midi_import.h"
#include "playback/midi_input.h"
#include "playback/playback_settings.h"
#include "song/song_data.h"

namespace songloom::app {

// The window's way to sound: one playback at a time from a rendered Standard
// MIDI File, and a preview output for single notes and chords.
class PlaybackPort {
public:
    virtual ~PlaybackPort() = default;
    // Plays the file at path. onPosition gets the tick (96 per quarter note)
    // of every event, from the player's timer thread; onEnd is called once,
    // from the playback thread, when the song has played to its end, never
    // after Stop. false when nothing could be started (already reported).
    virtual bool Play(const std::string& path, std::function<void(int tick)> onPosition,
                      std::function<void()> onEnd) = 0;
    virtual void Stop() = 0;
    // One channel message to the preview output, opened on first use (with
    // the preview programs set by the caller).
    virtual void Preview(int status, int data1, int data2) = 0;
    virtual bool PreviewOpen() const = 0;
    // Closes the preview output (before every play).
    virtual void ClosePreview() = 0;
    // Why nothing can sound (no output could be opened); empty while the
    // output works. The window shows it for as long as it lasts.
    virtual std::string SilentReason() const { return {}; }
    // Semitones every part but the drums plays higher from the next play on;
    // the song and its files stay as they are.
    virtual void SetTranspose(int semitones) { transpose_ = semitones; }
    int Transpose() const { return transpose_; }

protected:
    int transpose_ = 0;
};

// Renders song into a Standard MIDI File at path in the song's music style.
using SongRenderer = std::function<bool(const song::SongData& song, const std::string& path)>;
// Replaces song by the Standard MIDI File at path (snapshot taken first);
// report, when given, gets what the analysis found (the chord readings of
// every beat among it).
using MidiImporter =
    std::function<bool(song::SongData& song, const std::string& path, harmony::MidiImportReport* report)>;

struct AppServices {
    AppServices(Reporter& reporter, std::string workDir);
    ~AppServices();

    // Seeds the engine's generator from seed and builds the style catalogue.
    void BuildCatalogue(std::uint32_t seed);
    // The catalogue record of the song's style, nullptr before the build or
    // for a style outside the catalogue.
    const arrange::StyleRecord* StyleOf(const song::SongData& song) const;

    Reporter& reporter;
    std::string workDir;
    Random random;
    arrange::StyleCatalogue catalogue;
    arrange::StyleRecord startStyle;  // the active style the build leaves
    std::unique_ptr<PlaybackPort> playback;
    // The playback settings file the options window writes back to; empty
    // (the tests): nothing is read or written.
    std::string playbackSettingsPath;
    playback::PlaybackSettings playbackSettings;
    // How the band plays every rendering from the next one on (the options
    // window's intro, ending and humanise amount).
    arrange::PerformanceSettings performance;
    // The MIDI keyboards for step input (the ALSA input ports in the
    // program); none: no keyboard can be chosen.
    std::unique_ptr<playback::InputProvider> keyboards;
    SongRenderer render;
    MidiImporter import;
};

// Passes reports on, except that while a render runs the same report is
// passed on only once: a song the engine cannot read gives one box per
// render, not one per beat.
class OncePerRenderReporter : public Reporter {
public:
    explicit OncePerRenderReporter(Reporter& target) : target_(target) {}
    void BeginRender()
    {
        shown_.clear();
        rendering_ = true;
    }
    void EndRender() { rendering_ = false; }
    void Report(const ErrorReport& report) override;
    bool Confirm(std::string_view question) override { return target_.Confirm(question); }
    [[noreturn]] void Terminate(const ErrorReport& report) override;

private:
    Reporter& target_;
    bool rendering_ = false;
    std::vector<std::string> shown_;  // tag, code and text of each report passed on
};

// The tempo and melody instrument of the song's style (as choosing the
// style gives them); nothing changes for a style outside the catalogue.
void ApplyStyleDefaults(const AppServices& services, song::SongData& song);

// Fills render and import with the engine's.
void InstallEngine(AppServices& services);

// The engine's performance settings for the options kept in the playback
// settings file (phrase marks always on).
arrange::PerformanceSettings PerformanceOf(const playback::PlaybackSettings& settings);

using arrange::StyleDefaultInstrument;
using arrange::StyleDefaultTempo;

}  // namespace songloom::app
