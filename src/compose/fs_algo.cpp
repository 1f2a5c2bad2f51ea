#include "compose/fs_algo.h"

#include "common/messages.h"
#include "harmony/chord_code.h"
#include "arrange/melody_renderer.h"
#include "harmony/chord_entry.h"

namespace songloom::compose {

// The driver speaks the chord vocabulary throughout.
using namespace harmony;
namespace {

using arrange::Tick;

void AppendRecord(std::vector<std::uint8_t>& out, Tick length, ChordCode code)
{
    std::array<std::uint8_t, kChordRecordSize> bytes{};
    EncodeChordRecord(ChordRecord{static_cast<std::uint16_t>(length), code}, bytes);
    out.insert(out.end(), bytes.begin(), bytes.end());
}

// The melody walk: a pending value (pitch, or a rest) and its length.
class NoteWriter {
public:
    explicit NoteWriter(arrange::EngineContext& ctx) : ctx_(ctx) {}

    // One part of a slot: a value other than "hold" ends the pending note and
    // starts a new one; the part's length then goes to the pending note. A
    // hold before any value counts as a rest so that the melody keeps time.
    void Part(std::int32_t value, Tick length)
    {
        if (value != song::kHold || !started_) {
            Flush();
            pending_ = value == song::kHold ? song::kRest : value;
            started_ = true;
        }
        duration_ += length;
    }

    void Flush()
    {
        if (!started_ || duration_ <= 0) {
            duration_ = 0;
            return;
        }
        const int pitch = pending_ >= 0 ? pending_ : 0;
        Tick left = duration_;
        if (pitch == 0) {
            // The renderer refuses entries above one bar of 4/4.
            while (left > arrange::kMaxMelodyEntry) {
                ctx_.userMelody.Append(ctx_.reporter, arrange::EngineNote::Note(arrange::kMaxMelodyEntry, 0));
                left -= arrange::kMaxMelodyEntry;
            }
        }
        ctx_.userMelody.Append(ctx_.reporter, arrange::EngineNote::Note(left, pitch));
        duration_ = 0;
    }

private:
    arrange::EngineContext& ctx_;
    bool started_ = false;  // a value has been met
    std::int32_t pending_ = song::kRest;
    Tick duration_ = 0;
};

}  // namespace

void CFSAlgo::ErrorMsg(Reporter& reporter, int code)
{
    FSAlgoErrorMsg(reporter, static_cast<std::uint32_t>(code));
}

void CFSAlgo::ConvertSong(const song::SongData& song, int bars, int beatsPerBar)
{
    ctx_.ResetForComposition();
    auto& records = ctx_.chordRecords;
    const bool triplet = ctx_.activeStyle.rhythmFeel == 3;

    ChordCode current = ChordNameToCode(ctx_.reporter, song.ChordName(0));
    Tick accumulated = 0;
    NoteWriter notes(ctx_);

    for (int bar = 0; bar < bars; ++bar) {
        for (int beat = 0; beat < beatsPerBar; ++beat) {
            const int beatIndex = bar * beatsPerBar + beat;
            if (beatIndex >= song::MaxBeats) break;
            const std::string_view name = song.ChordName(beatIndex);
            const bool empty = name.empty();
            const ChordCode code = empty ? current : ChordNameToCode(ctx_.reporter, name);
            if (!(empty && accumulated < kMaxChordRecord)) {
                if (code != current || accumulated >= kMaxChordRecord) {
                    AppendRecord(records, accumulated, current);
                    accumulated = 0;
                    if (!empty) current = code;
                }
            }

            for (int eighth = 0; eighth < 2; ++eighth) {
                const auto& slot = song.melody[static_cast<std::size_t>(beatIndex * 2 + eighth)];
                const Tick slotLength = triplet ? (eighth == 0 ? 64 : 32) : 48;
                if (slot.IsTriplet()) {
                    for (int k = 0; k < 3; ++k) notes.Part(slot.cell[static_cast<std::size_t>(k)], slotLength / 3);
                } else if (slot.cell[1] == song::kHold) {
                    notes.Part(slot.cell[0], slotLength);
                } else if (triplet) {
                    const Tick third = slotLength / 3;
                    const Tick first = eighth == 0 ? slotLength - third : third;
                    notes.Part(slot.cell[0], first);
                    notes.Part(slot.cell[1], slotLength - first);
                } else {
                    notes.Part(slot.cell[0], slotLength / 2);
                    notes.Part(slot.cell[1], slotLength / 2);
                }
            }
            accumulated += 96;
        }
    }
    notes.Flush();

    if (accumulated != 0) AppendRecord(records, accumulated, current);
    records.push_back(0);
    records.push_back(0);
}

}  // namespace songloom::compose
