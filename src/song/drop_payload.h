#pragma once
// The texts that drag and drop carry: a keyword with a colon and a value,
// offered as plain text. Palettes build them; drop targets parse them.
//
//   "chord:" + name     chord palette, guitar palette (name at most 16 bytes)
//   "note:" + pitch     keyboard keys 0..127; the split tool sends -1 (a rest)
//   "length:" + n       keyboard length buttons, n eighth slots (8, 4 or 2)
//   "phrase:" + bar     phrase palette cells, 0..3
//   "score:" + bar      main window cells, 0-based song bar

#include <cstddef>
#include <string>
#include <string_view>

namespace songloom::song {

// A payload text is at most 255 bytes and a terminator (the drag block).
inline constexpr std::size_t kPayloadBlockSize = 256;
inline constexpr std::size_t kMaxChordNameBytes = 16;

inline constexpr std::string_view kPhraseKeyword = "phrase:";
inline constexpr std::string_view kNoteKeyword = "note:";
inline constexpr std::string_view kChordKeyword = "chord:";
inline constexpr std::string_view kLengthKeyword = "length:";
inline constexpr std::string_view kScoreKeyword = "score:";

// The chord name that stands for "no name known": dropped as C major.
inline constexpr std::string_view kUnknownChordName = "UnKnown";

enum class PayloadKind { kPhrase, kNote, kChord, kLength, kScore, kUnknown };

struct DragPayload {
    PayloadKind kind = PayloadKind::kUnknown;
    int number = 0;          // pitch, length, bar
    std::string chordName;   // CP932 bytes, for kChord
    bool operator==(const DragPayload&) const = default;
};

// Payload texts as the palettes build them. The chord name is cut to 16 bytes
// without splitting a double-byte character.
std::string ChordPayload(std::string_view name);
std::string NotePayload(int pitch);
std::string LengthPayload(int eighths);
std::string PhrasePayload(int bar);
std::string ScorePayload(int bar);

// The first keyword the text starts with decides, tested in the order
// phrase, note, chord, length, score; anything else is kUnknown. The text
// ends at its first zero byte.
DragPayload ParsePayload(std::string_view text);

// A plain decimal conversion of the text after a keyword: blanks, a sign,
// digits up to the first other character; 0 when there are none. Values
// beyond int are held at its limits.
int PayloadNumber(std::string_view text);

// A chord name after "chord:": byte by byte up to 16 bytes, a Shift-JIS lead
// byte taking its trail byte with it (never split at the limit), ending at a
// carriage return, a line feed, a zero byte or the end of the text.
std::string PayloadChordName(std::string_view text);

}  // namespace songloom::song
