#include "harmony/chord_template.h"

#include <algorithm>

#include "common/messages.h"

namespace songloom::harmony {
namespace {

constexpr std::uint32_t kKnowledgeBaseError = 0xFF01000B;

}  // namespace

bool LookUpChordTemplate(const ChordKnowledgeBase& knowledgeBase, ChordCode code, ChordTemplate& out)
{
    if (code == kNoChordCode) {
        out = ChordTemplate("NoCd900990990990");
        return true;
    }
    ChordCode wanted = code;
    if (wanted.seventh() == 'o') wanted.bytes[3] = 'S';
    if (wanted.third() == '4') wanted.bytes[1] = 'M';

    // Records are separated by '|'; line breaks and spaces inside them do
    // not count. Only the record that matches is copied out.
    const std::string_view text = knowledgeBase.buffer.Text();
    auto ignored = [](char c) { return c == '\r' || c == '\n' || c == ' '; };
    bool found = false;
    std::size_t position = 0;
    for (bool last = false; !found && !last;) {
        std::size_t bar = text.find('|', position);
        if (bar == std::string_view::npos) {
            bar = text.size();
            last = true;
        }
        const std::string_view record = text.substr(position, bar - position);
        position = bar + 1;
        std::size_t at = 0;
        std::size_t matched = 0;
        for (; at < record.size() && matched < 4; ++at) {
            if (ignored(record[at])) continue;
            if (record[at] != wanted.bytes[matched]) break;
            ++matched;
        }
        if (matched < 4) continue;
        // A short record leaves its missing weights at "0" rather than
        // reading past its end.
        out.chars.fill('0');
        std::size_t filled = 0;
        for (const char c : record) {
            if (filled == out.chars.size()) break;
            if (!ignored(c)) out.chars[filled++] = c;
        }
        found = true;
    }
    if (!found) return false;

    const int root = RootPitchClass(code.root());
    if (code.third() == '4' && root >= 0) {
        const int fourth = (root + 5) % 12;
        out.SetDigit(fourth, '9');
        out.SetDigit((fourth + 11) % 12, '4');
    }
    return true;
}

ChordTemplate ChordTemplateCache::Get(ChordCode code)
{
    for (const auto& [known, chordTemplate] : known_) {
        if (known == code) return chordTemplate;
    }
    ChordTemplate chordTemplate = kDefaultChordTemplate;
    LookUpChordTemplate(knowledgeBase_, code, chordTemplate);
    known_.emplace_back(code, chordTemplate);
    return chordTemplate;
}

int NextChordTone(const ChordTemplate& chordTemplate, int note)
{
    for (int step = 0; step < 12; ++step) {
        const int candidate = note + step;
        if (chordTemplate.Digit(((candidate % 12) + 12) % 12) == '9') return candidate;
    }
    return note + 12;
}

bool LoadChordKnowledgeBase(Reporter& reporter, ChordKnowledgeBase& knowledgeBase,
                            const harmony::DataFolder& folder, int scaleType, int melodyMethod)
{
    int type = 1;
    if (scaleType == 1 || scaleType == 6 || scaleType == 7) {
        type = scaleType;
    } else if (scaleType < 2 || scaleType > 24) {
        if (melodyMethod != kKnowledgeBaseMelodyMethod || !knowledgeBase.buffer.IsEmpty()) {
            knowledgeBase.buffer.Clear();
            return true;
        }
    }
    const std::string name(type == 6 ? kBluesNoteDatabaseName : kNoteDatabaseName);
    if (!harmony::ReadDataFile(folder.Resolve(name), knowledgeBase.buffer)) {
        EngineErrorMsg(reporter, kKnowledgeBaseError);
        return false;
    }
    return true;
}

}  // namespace songloom::harmony
