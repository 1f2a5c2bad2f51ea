#include "arrange/engine_context.h"

#include <algorithm>

#include "common/messages.h"
#include "midi/midi_track.h"

namespace songloom::arrange {
namespace {

constexpr std::uint32_t kNoRoomForNotes = 0xFF010134;

}  // namespace

EngineNote EngineNote::Chord(Tick length, std::string_view code, std::string_view bass)
{
    EngineNote n;
    n.length = length;
    n.kind = kChordKind;
    std::copy_n(code.begin(), std::min<std::size_t>(code.size(), n.chord.size()), n.chord.begin());
    std::copy_n(bass.begin(), std::min<std::size_t>(bass.size(), n.bassOffset.size()), n.bassOffset.begin());
    return n;
}

bool NoteList::Append(Reporter& reporter, const EngineNote& entry)
{
    if (entries_.size() >= kMaxEngineNotes) return false;
    if (entries_.size() == kMaxEngineNotes - 1) EngineErrorMsg(reporter, kNoRoomForNotes);
    entries_.push_back(entry);
    return true;
}

EngineContext::EngineContext(Reporter& reporter_, Random& random_, const StyleCatalogue& catalogue_,
                             std::string workDir_)
    : reporter(reporter_), random(random_), catalogue(catalogue_), workDir(std::move(workDir_))
{
}

EngineContext::~EngineContext() = default;

void EngineContext::ResetForComposition()
{
    chordRecords.clear();
    userMelody.Clear();
    melody.Clear();
    secondMelody.Clear();
    percussionLine.Clear();
    sections.clear();
    drums.clear();
    harmony::ClearChordList(chords);
    tracks.clear();
    modulationFlag = 0;
    modulationAt[0] = modulationAt[1] = 0;
    stopRetrying = false;
}

harmony::ChordEntryContext EngineContext::EntryContext()
{
    return harmony::ChordEntryContext{reporter,
                                      random,
                                      dataFiles.notes,
                                      activeStyle.accompanimentPattern,
                                      activeStyle.melodyOptions[1] == 1,
                                      false};
}

int BuildChordList(const harmony::ChordEntryContext& context, harmony::ChordList& list,
                   std::span<const SongSection> sections)
{
    std::vector<harmony::ChordSection> converted;
    converted.reserve(sections.size());
    for (const auto& section : sections) {
        converted.push_back(
            harmony::ChordSection{section.letter - 'A' + 1, harmony::DecodeChordRecords(section.chordRecords)});
    }
    return harmony::BuildChordList(context, list, converted);
}

}  // namespace songloom::arrange
