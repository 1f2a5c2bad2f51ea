#include "app/sound_preview.h"

#include <QTimer>

#include "app/app_services.h"
#include "app/main_messages.h"

namespace songloom::app {
namespace {

constexpr int kPreviewVelocity = 115;
constexpr int kChordVelocity = 100;
constexpr int kStrumVelocity = 100;

QTimer* OneShot(QObject* parent, int ms)
{
    auto* timer = new QTimer(parent);
    timer->setSingleShot(true);
    timer->setInterval(ms);
    return timer;
}

}  // namespace

SoundPreview::SoundPreview(PlaybackPort& port, std::function<bool()> playing, QObject* parent)
    : QObject(parent),
      port_(port),
      playing_(std::move(playing)),
      noteOff_(OneShot(this, timing::kNoteOffMs)),
      chordOff_(OneShot(this, timing::kChordOffMs)),
      strumOff_(OneShot(this, timing::kStrumOffMs))
{
    connect(noteOff_, &QTimer::timeout, this, [this] {
        if (note_ >= 0) port_.Preview(0x80, note_, 0);
        note_ = -1;
    });
    connect(chordOff_, &QTimer::timeout, this, [this] { StopNotes(chordNotes_, 1); });
    connect(strumOff_, &QTimer::timeout, this, [this] { StopNotes(strumNotes_, 2); });
}

bool SoundPreview::noteTimerActive() const { return noteOff_->isActive(); }
bool SoundPreview::chordTimerActive() const { return chordOff_->isActive(); }
bool SoundPreview::strumTimerActive() const { return strumOff_->isActive(); }

void SoundPreview::Note(int pitch)
{
    if (playing_() || pitch < 0 || pitch > 127) return;
    if (note_ >= 0) port_.Preview(0x80, note_, 0);
    if (!port_.PreviewOpen()) {
        // Programs of the preview channels: piano on 1 and 2, guitar on 3.
        port_.Preview(0xC0, 0, 0);
        port_.Preview(0xC1, 0, 0);
        port_.Preview(0xC2, 24, 0);
    }
    port_.Preview(0x90, pitch, kPreviewVelocity);
    note_ = pitch;
    noteOff_->start();
}

void SoundPreview::StopNotes(std::vector<int>& notes, int channel)
{
    for (int note : notes) port_.Preview(0x80 | channel, note, 0);
    notes.clear();
}

void SoundPreview::Chord(const std::vector<int>& pitches)
{
    if (playing_()) return;
    StopNotes(chordNotes_, 1);
    for (int pitch : pitches) {
        if (pitch < 0 || pitch > 127) continue;
        port_.Preview(0x91, pitch, kChordVelocity);
        chordNotes_.push_back(pitch);
    }
    chordOff_->start();
}

void SoundPreview::Strum(const std::array<int, 6>& frets)
{
    if (playing_()) return;
    StopNotes(strumNotes_, 2);
    int delay = 0;
    for (std::size_t i = 0; i < frets.size(); ++i) {
        if (frets[i] < 0) continue;
        const int pitch = kOpenStrings[i] + frets[i];
        strumNotes_.push_back(pitch);
        QTimer::singleShot(delay, this, [this, pitch] {
            if (!playing_()) port_.Preview(0x92, pitch, kStrumVelocity);
        });
        delay += timing::kStrumSpacingMs;
    }
    strumOff_->start();
}

void SoundPreview::Close()
{
    noteOff_->stop();
    chordOff_->stop();
    strumOff_->stop();
    port_.ClosePreview();
    note_ = -1;
    chordNotes_.clear();
    strumNotes_.clear();
}

}  // namespace songloom::app
