#pragma once
// Whole-song commands reached from the main window and the song information
// panel: clearing the song, changing the key (with the transposition
// question) and changing the time signature. The windows ask the questions;
// these decide what happens to the song.

#include <functional>
#include <string_view>

#include "common/reporter.h"
#include "song/song_data.h"

namespace songloom::song {

inline constexpr std::string_view kClearSongQuestion = "曲をクリアしますか？";
inline constexpr int kClearedSongBars = 8;

// The song information panel's time signature list: entry 0 is 4/4, any
// other entry 3/4; -1 (nothing selected) counts as 4/4.
constexpr int BeatsOfTimeSignatureEntry(int entry) { return entry <= 0 ? 4 : 3; }

// Asks kClearSongQuestion (OK/Cancel); on OK the song is Reset to 8 bars with
// the entry's beats and the current key. True when cleared; the caller then
// takes the tempo and melody instrument from the selected style.
bool ClearSong(Reporter& reporter, SongData& song, int timeSignatureEntry);

// The transposition dialog ("移調"): its two buttons. Closing the dialog
// counts as kSignatureOnly.
enum class KeyChangeAnswer { kTranspose, kSignatureOnly };
inline constexpr std::string_view kTransposeDialogTitle = "移調";
inline constexpr std::string_view kTransposeButton = "移調";
inline constexpr std::string_view kSignatureOnlyButton = "調号のみ変更";

enum class KeyChangeOutcome { kUnchanged, kTransposed, kSignatureOnly };

// From the song's key to newKey. An untouched song is transposed without a
// question; otherwise ask() is called once and decides.
KeyChangeOutcome ChangeKey(Reporter& reporter, SongData& song, int newKey,
                           const std::function<KeyChangeAnswer()>& ask);

// The time signature list changed: ChangeBeats with the entry's beats.
bool ChangeTimeSignature(Reporter& reporter, SongData& song, int timeSignatureEntry);

}  // namespace songloom::song
