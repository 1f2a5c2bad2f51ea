#pragma once
// The short sounds of the palettes: a key of the keyboard palette (channel
// 1, stopped after 500 ms), a chord button (channel 2, 1000 ms) and the
// guitar palette's strum (channel 3, strings 50 ms apart, 700 ms). Nothing
// sounds while the song or the phrase plays.

#include <QObject>
#include <array>
#include <functional>
#include <vector>

class QTimer;

namespace songloom::app {

class PlaybackPort;

inline constexpr std::array<int, 6> kOpenStrings{52, 57, 62, 67, 71, 76};

class SoundPreview : public QObject {
    Q_OBJECT
public:
    // playing() tells whether the song or the phrase plays now.
    SoundPreview(PlaybackPort& port, std::function<bool()> playing, QObject* parent = nullptr);

    void Note(int pitch);
    void Chord(const std::vector<int>& pitches);
    // Frets of the six strings, 6th string first; -1 for a string not played.
    void Strum(const std::array<int, 6>& frets);
    // Before a play: the preview output is closed, nothing sounds on.
    void Close();

    int note() const { return note_; }
    bool noteTimerActive() const;
    bool chordTimerActive() const;
    bool strumTimerActive() const;

private:
    void StopNotes(std::vector<int>& notes, int channel);

    PlaybackPort& port_;
    std::function<bool()> playing_;
    int note_ = -1;
    std::vector<int> chordNotes_;
    std::vector<int> strumNotes_;
    QTimer* noteOff_;
    QTimer* chordOff_;
    QTimer* strumOff_;
};

}  // namespace songloom::app
