#include "harmony/chord_code.h"

#include <algorithm>

#include "common/messages.h"

namespace songloom::harmony {
namespace {

// The song's chord-name suffixes and the code positions 2 to 4 they stand
// for, compared in this order.
struct SuffixRow {
    std::string_view suffix;
    std::string_view code;
};
constexpr std::array<SuffixRow, 18> kSuffixTable{{
    {" ", "MPo"},    {"m", "mPo"},     {"7", "MPs"},    {"M7", "MPS"},   {"m7", "mPs"},
    {"mM7", "mPS"},  {"dim", "mdo"},   {"sus4", "4Po"}, {"7sus4", "4Ps"}, {"aug", "MAo"},
    {"augM7", "MAS"}, {"aug7", "MAs"}, {"dim7", "md6"}, {"m7b5", "mds"}, {"6", "MP6"},
    {"9", "MP9"},    {"m6", "mP6"},    {"7b5", "Mds"},
}};

// Code root characters by pitch class.
constexpr std::string_view kRootByPitchClass = "CdDeEFgGaAbB";
// Sharp-spelled pitch names for on-bass texts.
constexpr std::array<std::string_view, 12> kSharpNames = {"C",  "C#", "D",  "D#", "E",  "F",
                                                          "F#", "G",  "G#", "A",  "A#", "B"};

constexpr std::uint32_t kDiminishedError = 0xFF01006B;

int NaturalPitchClass(char letter)
{
    switch (letter) {
    case 'C': return 0;
    case 'D': return 2;
    case 'E': return 4;
    case 'F': return 5;
    case 'G': return 7;
    case 'A': return 9;
    case 'B': return 11;
    default: return -1;
    }
}

}  // namespace

ChordCode ChordCode::FromBytes(std::string_view text)
{
    ChordCode code;
    for (std::size_t i = 0; i < code.bytes.size(); ++i) {
        code.bytes[i] = i < text.size() ? text[i] : '\0';
    }
    return code;
}

int RootPitchClass(char root)
{
    if (root == '\0') return -1;
    const auto at = kRootByPitchClass.find(root);
    return at == std::string_view::npos ? -1 : static_cast<int>(at);
}

ChordCode ChordNameToCode(Reporter& reporter, std::string_view name)
{
    ChordCode code = kUndefinedChordCode;
    if (name.empty()) return code;
    code.bytes[0] = name[0];
    std::size_t suffixStart = 1;
    if (name.size() > 1 && (name[1] == '#' || name[1] == 'b')) {
        const int natural = NaturalPitchClass(name[0]);
        if (natural < 0) {
            FSAlgoErrorMsg(reporter, 0);
        } else {
            const int shifted = (natural + (name[1] == '#' ? 1 : 11)) % 12;
            code.bytes[0] = kRootByPitchClass[static_cast<std::size_t>(shifted)];
        }
        suffixStart = 2;
    }
    const std::string_view suffix = name.substr(suffixStart);
    if (suffix.empty()) {
        std::copy_n("MPo", 3, code.bytes.begin() + 1);
        return code;
    }
    for (const auto& row : kSuffixTable) {
        if (row.suffix == suffix) {
            std::copy_n(row.code.begin(), 3, code.bytes.begin() + 1);
            break;
        }
    }
    return code;
}

std::string ChordCodeToDisplayName(Reporter& reporter, ChordCode code)
{
    if (code.root() == 'N') return "N/C";
    std::string text;
    const char root = code.root();
    if (root >= 'a' && root <= 'g') {
        text.push_back(static_cast<char>(root - 'a' + 'A'));
        text.push_back('b');
    } else {
        text.push_back(root);
    }
    const bool minor = code.third() == 'm';
    if (minor) text.push_back('m');
    text.push_back(' ');
    bool flatFive = false;
    if (code.fifth() == 'd') {
        if (minor) {
            text.replace(text.size() - 2, 2, "dim ");
        } else {
            if (NaturalPitchClass(root) >= 0) EngineErrorMsg(reporter, kDiminishedError);
            flatFive = true;
        }
    }
    if (code.seventh() == 'S') text += "M7";
    if (code.seventh() == 's') text += "7";
    if (flatFive) text += "b5";
    return text;
}

void AppendBassName(std::string& text, int pitch)
{
    if (pitch < 0) return;
    text += "on";
    text += kSharpNames[static_cast<std::size_t>(pitch % 12)];
}

std::string FlatSpelling(std::string_view name)
{
    std::string text(name);
    if (text.size() < 2 || text[1] != '#') return text;
    switch (text[0]) {
    case 'C': text.replace(0, 2, "Db"); break;
    case 'D': text.replace(0, 2, "Eb"); break;
    case 'F': text.replace(0, 2, "Gb"); break;
    case 'G': text.replace(0, 2, "Ab"); break;
    case 'A': text.replace(0, 2, "Bb"); break;
    default: break;
    }
    return text;
}

}  // namespace songloom::harmony
