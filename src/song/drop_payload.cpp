#include "song/drop_payload.h"

#include <climits>

#include "common/general.h"

namespace songloom::song {

std::string ChordPayload(std::string_view name)
{
    return std::string(kChordKeyword) + PayloadChordName(name);
}

std::string NotePayload(int pitch) { return std::string(kNoteKeyword) + std::to_string(pitch); }
std::string LengthPayload(int eighths) { return std::string(kLengthKeyword) + std::to_string(eighths); }
std::string PhrasePayload(int bar) { return std::string(kPhraseKeyword) + std::to_string(bar); }
std::string ScorePayload(int bar) { return std::string(kScoreKeyword) + std::to_string(bar); }

int PayloadNumber(std::string_view text)
{
    std::size_t i = 0;
    while (i < text.size() && (text[i] == ' ' || (text[i] >= '\t' && text[i] <= '\r'))) ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
    long long value = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
        value = value * 10 + (text[i] - '0');
        if (value > static_cast<long long>(INT_MAX) + 1) value = static_cast<long long>(INT_MAX) + 1;
    }
    if (negative) value = -value;
    if (value > INT_MAX) value = INT_MAX;
    return static_cast<int>(value);
}

std::string PayloadChordName(std::string_view text)
{
    std::string name;
    for (std::size_t i = 0; i < text.size();) {
        const char c = text[i];
        if (c == '\r' || c == '\n' || c == '\0') break;
        const bool pair = IsCp932LeadByte(static_cast<std::uint8_t>(c)) && i + 1 < text.size();
        const std::size_t width = pair ? 2 : 1;
        if (name.size() + width > kMaxChordNameBytes) break;
        name.append(text.substr(i, width));
        i += width;
    }
    return name;
}

DragPayload ParsePayload(std::string_view text)
{
    text = text.substr(0, text.find('\0'));
    struct Keyword {
        std::string_view text;
        PayloadKind kind;
    };
    constexpr Keyword kOrder[] = {
        {kPhraseKeyword, PayloadKind::kPhrase}, {kNoteKeyword, PayloadKind::kNote},
        {kChordKeyword, PayloadKind::kChord},   {kLengthKeyword, PayloadKind::kLength},
        {kScoreKeyword, PayloadKind::kScore},
    };
    for (const auto& keyword : kOrder) {
        if (!text.starts_with(keyword.text)) continue;
        const std::string_view value = text.substr(keyword.text.size());
        DragPayload payload;
        payload.kind = keyword.kind;
        if (keyword.kind == PayloadKind::kChord) {
            payload.chordName = PayloadChordName(value);
        } else {
            payload.number = PayloadNumber(value);
        }
        return payload;
    }
    return {};
}

}  // namespace songloom::song
