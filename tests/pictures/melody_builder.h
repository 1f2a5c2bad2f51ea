#pragma once
// Builds the melody cells of a song view in writing order: each note or
// rest starts where the previous one ended, its length in sixteenths.

#include <string>
#include <vector>

#include "pictures/staff_notes.h"

namespace songloom::test {

class MelodyBuilder {
public:
    MelodyBuilder(int bars, int beats, int keySignature = 0) {
        song_.bars = bars;
        song_.beats = beats;
        song_.keySignature = keySignature;
        song_.melody.resize(static_cast<std::size_t>(bars * beats * 2));
        for (std::size_t i = 0; i < song_.melody.size(); ++i) {
            song_.melody[i].cell = {i % static_cast<std::size_t>(beats * 2) == 0 ? -1 : -2, -2, -3};
        }
        song_.chordNames.assign(static_cast<std::size_t>(bars * beats), keySignature < 0 ? "F " : "C ");
    }
    // A note (pitch >= 0) or rest (-1) of sixteenths length.
    MelodyBuilder& Add(int pitch, int sixteenths) {
        Set(position_, pitch);
        for (int i = 1; i < sixteenths; ++i) Set(position_ + i, -2);
        position_ += sixteenths;
        return *this;
    }
    MelodyBuilder& Rest(int sixteenths) { return Add(-1, sixteenths); }
    // Three notes in the time of one eighth, at an eighth boundary.
    MelodyBuilder& Triplet(int a, int b, int c) {
        auto& slot = song_.melody[static_cast<std::size_t>(position_ / 2)];
        slot.cell = {a, b, c};
        position_ += 2;
        return *this;
    }
    MelodyBuilder& Chord(int beat, const std::string& name) {
        song_.chordNames[static_cast<std::size_t>(beat)] = name;
        return *this;
    }
    MelodyBuilder& Lyric(const std::string& cp932) {
        song_.melody[static_cast<std::size_t>(position_ / 2)].text[static_cast<std::size_t>(position_ % 2)] = cp932;
        return *this;
    }
    const pictures::SongView& view() const { return song_; }

private:
    void Set(int sixteenth, int value) {
        auto& slot = song_.melody[static_cast<std::size_t>(sixteenth / 2)];
        slot.cell[static_cast<std::size_t>(sixteenth % 2)] = value;
    }
    pictures::SongView song_;
    int position_ = 0;
};

}  // namespace songloom::test
