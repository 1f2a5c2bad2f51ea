#include "playback/file_sequence.h"

#include <algorithm>

namespace songloom::playback {

PlaySequence MakePlayCopy(const midi::CMidiFile0& file)
{
    PlaySequence sequence;
    if (file.State != 2) {
        sequence.state = file.State;
        return sequence;
    }
    midi::CMidiFile0 copy(file);
    copy.SetResolution(kPlayDivision);
    copy.SplitNotes();
    sequence.state = copy.State;
    sequence.division = copy.Division;
    sequence.timeSignature = copy.TimeSignature;
    sequence.events.reserve(copy.Track.Events().size());
    for (const midi::CMidiEvent& e : copy.Track.Events()) {
        PlayEvent p;
        p.kind = e.Kind;
        p.delta = e.DeltaTime;
        p.note = e.Note;
        p.velocity = e.Velocity;
        p.number = e.Number;
        p.value = e.Value;
        p.channel = e.Channel;
        const std::size_t length = std::min<std::size_t>(e.Data.size(), static_cast<std::size_t>(std::max(0, e.DataLength)));
        p.data.assign(e.Data.begin(), e.Data.begin() + static_cast<std::ptrdiff_t>(length));
        sequence.events.push_back(std::move(p));
    }
    return sequence;
}

bool LoadPlayFile(Reporter& reporter, const std::string& path, PlaySequence& out)
{
    midi::CMidiFile0 file(reporter, path);
    if (!file.Loaded()) return false;
    if (file.State == 1) file.PairNotes();
    out = MakePlayCopy(file);
    return out.state == 1;
}

}  // namespace songloom::playback
