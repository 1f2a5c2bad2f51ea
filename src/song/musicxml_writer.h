#pragma once
// The song as a MusicXML score (partwise, version 3.1) that notation
// programs open: one part holding the melody with its ties, triplets and
// lyrics, the chord names as harmony symbols, key, time signature, tempo,
// title and composer. Texts are converted from CP932 to UTF-8 here.
//
// The bars are laid out four to a system and sixteen to a page, as the
// score window shows them.

#include <string>

#include "common/reporter.h"
#include "song/song_data.h"

namespace songloom::song {

// Ticks per quarter note in the file's <divisions>: the song's own grid, so
// sixteenths (24) and triplet cells (16) are whole numbers.
inline constexpr int kMusicXmlDivisions = 96;

struct MusicXmlOptions {
    // Written pitch minus sounding pitch of the part, in semitones (2 for a
    // B-flat instrument). Notes, chord names and key are written moved by
    // it, and a <transpose> element tells the reader how it sounds.
    int transposition = 0;
    // The part's name as the score shows it.
    std::string partName = "Melody";
};

// The whole document. The song is not changed; triplet cells, lyrics and
// chord cells outside the song's vocabulary (written as plain text) are
// carried over.
std::string BuildMusicXml(Reporter& reporter, const SongData& song, const MusicXmlOptions& options = {});

// BuildMusicXml written atomically to path. Failure: GENE 0x01000007, false.
bool WriteMusicXml(Reporter& reporter, const SongData& song, const std::string& path,
                   const MusicXmlOptions& options = {});

}  // namespace songloom::song
