// The main window's play commands: the song and the phrase are rendered to
// their files in the working folder and played from there; the page follows
// the bar being played; a status line says when nothing can sound.

#include <QLabel>
#include <QSlider>
#include <filesystem>

#include "app/command_bar.h"
#include "app/main_window.h"
#include "app/score_view.h"
#include "app/sound_preview.h"
#include "app/style_preview.h"
#include "common/general.h"
#include "common/messages.h"
#include "song/song_image.h"

namespace songloom::app {
namespace {

constexpr std::string_view kPlayFile = "play.mid";
constexpr std::string_view kPhrasePlayFile = "phrase.mid";
constexpr int kTicksPerQuarter = 96;

}  // namespace

bool MainWindow::RenderFresh(const song::SongData& song, const std::string& path)
{
    std::error_code ec;
    std::filesystem::remove(path, ec);
    if (std::filesystem::exists(path, ec)) {
        // An old file that cannot go would be played as if it were new.
        GeneralErrorMsg(reporter_, gene::kCannotOpen);
        return false;
    }
    if (!services_.render(song, path)) return false;
    return FileExists(path);
}

void MainWindow::StopPlaying()
{
    services_.playback->Stop();
    songPlaying_ = phrasePlaying_ = false;
    tempo_->setEnabled(true);
    commandBar_->SetPlaying(false);
    score_->SetPlayingBar(-1);
}

void MainWindow::PlaySong()
{
    if (phrasePlaying_) return;
    if (songPlaying_) {
        StopPlaying();
        return;
    }
    const std::string path = WorkFile(services_.workDir, kPlayFile);
    renderedImage_.clear();
    if (!RenderFresh(song(), path)) return;
    renderedImage_ = song::BuildSongImage(song(), song().beats(), song().key());
    PlayRenderedSong(path);
}

void MainWindow::PlayRenderedSong(const std::string& path)
{
    songPlaying_ = true;
    tempo_->setEnabled(false);
    if (!StartPlayer(path)) {
        // Nothing plays: the window goes back to idle at once.
        songPlaying_ = false;
        tempo_->setEnabled(true);
        commandBar_->SetPlaying(false);
    }
}

void MainWindow::PlayPhrase()
{
    if (songPlaying_) return;
    if (phrasePlaying_) {
        StopPlaying();
        return;
    }
    if (song().info.tempo <= 0) {
        ShowMainMessage(reporter_, main_message::kTempoRepaired);
        document_->SetTempo(kTempoMin);
    }
    // The phrase plays in the working song's style, tempo and instrument.
    song::SongData phrase = document_->phrase();
    phrase.info.category = song().info.category;
    phrase.info.style = song().info.style;
    phrase.info.tempo = song().info.tempo;
    phrase.info.instrument = song().info.instrument;
    const std::string path = WorkFile(services_.workDir, kPhrasePlayFile);
    if (!RenderFresh(phrase, path)) return;
    phrasePlaying_ = true;
    if (!StartPlayer(path)) {
        phrasePlaying_ = false;
        commandBar_->SetPlaying(false);
    }
}

bool MainWindow::StartPlayer(const std::string& path)
{
    preview_->Close();
    stylePreview_->Forget();  // the port plays this in its place
    score_->SetPlayingBar(-1);
    commandBar_->SetPlaying(songPlaying_);
    // The player calls back from its own threads; the window handles both
    // calls on its thread, and drops them once it is gone.
    const bool started = services_.playback->Play(
        path,
        [this](int tick) {
            QMetaObject::invokeMethod(this, [this, tick] { OnPlayPosition(tick); }, Qt::QueuedConnection);
        },
        [this] { QMetaObject::invokeMethod(this, [this] { OnPlayEnd(); }, Qt::QueuedConnection); });
    ShowSilentReason();
    return started;
}

void MainWindow::ShowSilentReason()
{
    const std::string reason = services_.playback->SilentReason();
    status_->setText(reason.empty() ? QString() : QString::fromUtf8(kSilentPrefix.data(), static_cast<qsizetype>(kSilentPrefix.size())) + QString::fromStdString(reason));
}

void MainWindow::OnPlayPosition(int tick)
{
    // Only the song's bars are on the score; the phrase's belong to its palette.
    if (!songPlaying_ || song().beats() <= 0) return;
    score_->SetPlayingBar(tick / (song().beats() * kTicksPerQuarter));
}

void MainWindow::OnPlayEnd()
{
    if (!songPlaying_ && !phrasePlaying_) return;
    songPlaying_ = phrasePlaying_ = false;
    tempo_->setEnabled(true);
    commandBar_->SetPlaying(false);
    score_->SetPlayingBar(-1);
}

}  // namespace songloom::app
