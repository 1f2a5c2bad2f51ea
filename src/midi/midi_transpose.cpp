#include "midi/midi_transpose.h"

#include "midi/midi_file.h"

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

bool TransposeMidiFile(Reporter& reporter, const std::string& path, int semitones)
{
    CMidiFile0 file(reporter, path);
    if (!file.Loaded()) return false;
    TransposeTrack(file.Track, semitones);
    return file.Save(path);
}

}  // namespace songloom::midi
