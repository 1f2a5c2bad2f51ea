// The main window's options for transposition, the MIDI keyboard and the
// band's performance, step input from the keyboard, and the re-roll of one
// bar of the rendering.

#include <QLabel>
#include <QTimer>
#include <chrono>
#include <filesystem>

#include "app/main_window.h"
#include "app/palettes/options_window.h"
#include "app/palettes/palette_set.h"
#include "app/score_view.h"
#include "common/general.h"
#include "common/transposing_instrument.h"
#include "midi/midi_splice.h"
#include "song/song_image.h"

namespace songloom::app {
namespace {

constexpr std::string_view kPlayFile = "play.mid";
constexpr std::string_view kRerollFile = "reroll.mid";
// The flush comes this long after the chord window has closed.
constexpr int kFlushMarginMs = 20;

std::int64_t SteadyMicros()
{
    return std::chrono::duration_cast<std::chrono::microseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

int WrittenAbove(const std::string& name)
{
    const TransposingInstrument* instrument = FindTransposingInstrument(name);
    return instrument ? instrument->writtenAbove : 0;
}

}  // namespace

void MainWindow::ConnectOptions()
{
    OptionsWindow& options = palettes_->options();
    playback::PlaybackSettings& chosen = services_.playbackSettings;
    options.SetInstrumentKey(chosen.instrumentKey);
    options.SetPlaybackTranspose(chosen.transpose);
    QStringList ports;
    if (services_.keyboards) {
        for (const std::string& name : services_.keyboards->PortNames()) ports << QString::fromStdString(name);
    }
    options.SetKeyboardPorts(ports, chosen.keyboard);
    options.SetStepLength(stepInput_.Length());
    options.SetIntro(chosen.intro);
    options.SetEnding(chosen.ending);
    options.SetHumanize(chosen.humanize);
    services_.performance = PerformanceOf(chosen);
    score_->SetWrittenAbove(WrittenAbove(chosen.instrumentKey));
    services_.playback->SetTranspose(chosen.transpose);
    if (chosen.keyboard >= 0) OpenKeyboard(chosen.keyboard);

    keyboardFlush_ = new QTimer(this);
    keyboardFlush_->setSingleShot(true);
    keyboardFlush_->setInterval(static_cast<int>(song::StepInput::kDefaultChordWindow / 1000) + kFlushMarginMs);
    connect(keyboardFlush_, &QTimer::timeout, this, [this] { FlushKeyboard(); });

    connect(&options, &OptionsWindow::instrumentKeyChanged, this, [this](const std::string& name) {
        services_.playbackSettings.instrumentKey = name;
        score_->SetWrittenAbove(WrittenAbove(name));
        SaveOptions();
    });
    connect(&options, &OptionsWindow::playbackTransposeChanged, this, [this](int semitones) {
        services_.playbackSettings.transpose = semitones;
        services_.playback->SetTranspose(semitones);
        SaveOptions();
    });
    connect(&options, &OptionsWindow::keyboardPortChanged, this, [this](int port) {
        services_.playbackSettings.keyboard = port;
        OpenKeyboard(port);
        SaveOptions();
    });
    connect(&options, &OptionsWindow::stepLengthChanged, this,
            [this](int valueIndex) { stepInput_.SetLength(valueIndex); });
    // The band's performance: from the next rendering on.
    const auto performance = [this](auto change) {
        return [this, change](auto value) {
            change(services_.playbackSettings, value);
            services_.performance = PerformanceOf(services_.playbackSettings);
            SaveOptions();
        };
    };
    connect(&options, &OptionsWindow::introChanged, this,
            performance([](playback::PlaybackSettings& s, int intro) { s.intro = intro; }));
    connect(&options, &OptionsWindow::endingChanged, this,
            performance([](playback::PlaybackSettings& s, bool on) { s.ending = on; }));
    connect(&options, &OptionsWindow::humanizeChanged, this,
            performance([](playback::PlaybackSettings& s, int amount) { s.humanize = amount; }));
}

void MainWindow::SaveOptions()
{
    if (services_.playbackSettingsPath.empty()) return;
    playback::SavePlaybackSettings(reporter_, services_.playbackSettingsPath, services_.playbackSettings);
}

bool MainWindow::OpenKeyboard(int port)
{
    keyboard_.reset();
    if (port < 0 || !services_.keyboards) return port < 0;
    keyboardStart_ = SteadyMicros();
    // Messages come on the input's thread; the window takes them on its own,
    // and drops them once it is gone. Their time is taken as they come: the
    // window may be busy drawing when it gets to them.
    auto opened = services_.keyboards->Open(port, [this](const playback::InputMessage& message) {
        const std::int64_t at = SteadyMicros() - keyboardStart_;
        QMetaObject::invokeMethod(
            this, [this, bytes = message.bytes, at] { KeyboardMessage(bytes, at); }, Qt::QueuedConnection);
    });
    keyboard_ = std::move(opened.input);
    if (!keyboard_) status_->setText(QStringLiteral("MIDIキーボードを開けませんでした。"));
    return keyboard_ != nullptr;
}

void MainWindow::KeyboardMessage(const std::vector<std::uint8_t>& bytes, std::int64_t at)
{
    const auto selection = score_->SelectedBars();
    if (selection != stepSelection_) {
        stepSelection_ = selection;
        stepInput_.SetCursor({selection ? selection->first : 0, 0, 0});
    }
    ApplyStep([&](song::SongData& s) { return stepInput_.Message(reporter_, s, bytes, at); });
    if (stepInput_.Pending()) keyboardFlush_->start();
}

void MainWindow::FlushKeyboard()
{
    const std::int64_t now = SteadyMicros() - keyboardStart_;
    ApplyStep([&](song::SongData& s) { return stepInput_.Flush(reporter_, s, now); });
    if (stepInput_.Pending()) keyboardFlush_->start();
}

void MainWindow::ApplyStep(const std::function<song::StepResult(song::SongData&)>& step)
{
    song::StepResult result;
    document_->Edit(QStringLiteral("キーボード入力"), [&](song::SongData& s) {
        result = step(s);
        return result.kind == song::StepResult::Kind::kNote || result.kind == song::StepResult::Kind::kChord;
    });
    if (result.kind == song::StepResult::Kind::kUnknownChord) {
        status_->setText(QStringLiteral("弾かれた和音はコードとして読めませんでした。"));
    } else if (result.kind != song::StepResult::Kind::kNone) {
        status_->clear();
    }
    // The page follows the cursor.
    const int bar = stepInput_.Cursor().bar;
    if (bar < song().bars() && bar / kCellsPerPage != page()) score_->SetPage(bar / kCellsPerPage);
}

bool MainWindow::RerollBar(int bar)
{
    if (phrasePlaying_ || bar < 0 || bar >= song().bars()) return false;
    if (songPlaying_) StopPlaying();
    const std::string kept = WorkFile(services_.workDir, kPlayFile);
    // Only a rendering of the song as it is now can be kept.
    if (!FileExists(kept) || renderedImage_ != song::BuildSongImage(song(), song().beats(), song().key())) {
        PlaySong();
        return songPlaying_;
    }
    const std::string fresh = WorkFile(services_.workDir, kRerollFile);
    std::error_code ec;
    std::filesystem::remove(fresh, ec);
    if (!services_.render(song(), fresh) || !FileExists(fresh)) return false;
    const midi::RerollRange range{bar + 1, bar + 1, 0xFFFF};
    const bool done = midi::RerollFile(reporter_, kept, fresh, range, kept) == midi::RerollStatus::kDone;
    std::filesystem::remove(fresh, ec);
    if (!done) return false;
    PlayRenderedSong(kept);
    return true;
}

}  // namespace songloom::app
