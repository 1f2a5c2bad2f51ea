#include "song/song_commands.h"

namespace songloom::song {

bool ClearSong(Reporter& reporter, SongData& song, int timeSignatureEntry)
{
    if (!ShowConfirmBox(reporter, kClearSongQuestion)) return false;
    return song.Reset(reporter, kClearedSongBars, BeatsOfTimeSignatureEntry(timeSignatureEntry),
                      song.key());
}

KeyChangeOutcome ChangeKey(Reporter& reporter, SongData& song, int newKey,
                           const std::function<KeyChangeAnswer()>& ask)
{
    if (newKey == song.key()) return KeyChangeOutcome::kUnchanged;
    if (!IsValidKey(newKey)) {
        SongErrorMsg(reporter, sgdt::kBadArgument);
        return KeyChangeOutcome::kUnchanged;
    }
    if (song.IsUntouched() || ask() == KeyChangeAnswer::kTranspose) {
        return song.Transpose(reporter, song.key(), newKey) ? KeyChangeOutcome::kTransposed
                                                            : KeyChangeOutcome::kUnchanged;
    }
    song.SetKey(newKey);
    return KeyChangeOutcome::kSignatureOnly;
}

bool ChangeTimeSignature(Reporter& reporter, SongData& song, int timeSignatureEntry)
{
    return song.ChangeBeats(reporter, BeatsOfTimeSignatureEntry(timeSignatureEntry));
}

}  // namespace songloom::song
