#include "midi/midi_transpose.h"

namespace songloom::midi {

int TransposeTrack(CMidiTrack& track, int semitones)
{
    int moved = 0;
    for (std::int32_t i = 0; i < track.EventCount(); ++i) {
        CMidiEvent& e = track.Event(i);
        const bool keyed = e.Kind == kKindNote || e.Kind == kKindNoteOn || e.Kind == kKindNoteOff ||
                           e.Kind == kKindPolyPressure;
        if (!keyed || e.Channel == kPercussionChannel || semitones == 0) continue;
        e.Note = TransposedNote(e.Note, semitones);
        // A polyphonic pressure kept in its stored form is written from
        // its bytes.
        if (e.Kind == kKindPolyPressure && e.Data.size() >= 2) e.Data[1] = static_cast<std::uint8_t>(e.Note);
        ++moved;
    }
    return moved;
}

}  // namespace songloom::midi
