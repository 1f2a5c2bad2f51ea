// Engine data text and song chord names come from files a user may edit:
// the knowledge-base lookup, the record reader, name conversion and display
// must take any bytes. The input's first line is a chord name, the rest the
// knowledge base text.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "harmony/data_buffer.h"
#include "common/random.h"
#include "common/reporter.h"
#include "harmony/chord_code.h"
#include "harmony/chord_entry.h"
#include "harmony/chord_template.h"

using namespace songloom;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    const auto newline = input.find('\n');
    const std::string_view name = input.substr(0, newline);
    const std::string_view text = newline == std::string_view::npos ? std::string_view() : input.substr(newline + 1);

    CapturingReporter reporter;
    harmony::ChordKnowledgeBase kb;
    kb.buffer.Assign(text);

    const harmony::ChordCode code = harmony::ChordNameToCode(reporter, name);
    (void)harmony::ChordCodeToDisplayName(reporter, code);
    (void)harmony::FlatSpelling(name);

    // The name's first bytes also serve as a raw chord code.
    const harmony::ChordCode raw = harmony::ChordCode::FromBytes(name);
    for (const harmony::ChordCode c : {code, raw, harmony::kNoChordCode}) {
        harmony::ChordTemplate out = harmony::kDefaultChordTemplate;
        harmony::LookUpChordTemplate(kb, c, out);
        for (int note = -13; note < 140; note += 7) (void)harmony::NextChordTone(out, note);
        (void)harmony::ChordCodeToDisplayName(reporter, c);
    }

    Random random(static_cast<std::uint32_t>(size));
    harmony::ChordEntryContext context{reporter, random, kb};
    context.snapToTemplate = size % 2 == 0;
    harmony::ChordList list;
    harmony::AppendChordEntry(context, list, harmony::ChordRecord{96, raw}, static_cast<int>(size % 100));

    std::size_t position = 0;
    std::string record;
    while (!harmony::NextRecord(kb.buffer.Text(), position, record)) {
    }
    return 0;
}
