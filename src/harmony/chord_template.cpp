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

    const std::string_view text = knowledgeBase.buffer.Text();
    std::size_t position = 0;
    std::string record;
    bool found = false;
    bool last = false;
    while (!found && !last) {
        last = harmony::NextRecord(text, position, record);
        if (record.size() < 4 || std::string_view(record).substr(0, 4) != wanted.view()) continue;
        // A short record leaves its missing weights at "0" rather than
        // reading past its end.
        out.chars.fill('0');
        std::copy_n(record.begin(), std::min(record.size(), out.chars.size()), out.chars.begin());
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
