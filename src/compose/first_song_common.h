#pragma once
// The composition driver: sets the engine up for a song (Prepare), builds
// the song structure and its chord entries within the style's length window,
// runs the engine stages in their order and writes the Standard MIDI File
// (Compose). The song must have been converted by CFSAlgo::ConvertSong and
// the style selected into ctx.activeStyle before.

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "arrange/engine_context.h"

namespace songloom::midi {
class CMidiTrack;
}

namespace songloom::compose {

inline constexpr std::uint32_t kDisplayDataError = 0xFF0101CD;
inline constexpr std::uint32_t kDataCheckError = 0xFF0101AA;

// Bytes reserved for the single-track image of the output.
inline constexpr std::size_t kOutputBufferSize = 262144;
// Most structure attempts before the last one is taken whatever its length.
inline constexpr int kMaxComposeAttempts = 5;
// Bars of one section of the song structure.
inline constexpr int kSectionBars = 8;
// The style value that merges every track into one with clash removal.
inline constexpr int kMergeSetting = 10;

// Bars a composition aims at for a style form length T: max(5, T - 2) to T + 2.
struct LengthWindow {
    int low = 5;
    int high = 6;
    bool Contains(int bars) const { return bars >= low && bars <= high; }
};
LengthWindow ComposeLengthWindow(int formLength);

// Splits ctx.chordRecords into sections of kSectionBars bars of the style's
// meter (a chord belongs to the section it starts in), numbered from 1.
void BuildSongStructure(arrange::EngineContext& ctx);

// One drum-list record per chord of every section: "A" or "B" by section,
// "E" for a section's last chord, else "X", then "XX".
void BuildDrumList(arrange::EngineContext& ctx);

// The conductor track: time signature by meter, tempo, and with chord
// display on a marker per chord of ctx.chords ("N/C" at 0 when no chord
// starts there). Two chord markers at one time report YRAC 0xFF0101CD once.
std::unique_ptr<midi::CMidiTrack> MakeConductorTrack(arrange::EngineContext& ctx);

// In a merged track (notes with durations), deletes every note of channel b
// that starts while a note of channel a sounds 11 or 13 semitones away.
// Returns the number of notes deleted.
int RemoveClashes(midi::CMidiTrack& merged, int a, int b);

// The engine's check of its tracks before writing: notes in the noted state,
// pitches 0-127, no negative times or durations, channel events on channels
// 0-15, each track closed by an End of Track. false at the first fault.
bool CheckEngineTracks(const std::vector<std::unique_ptr<midi::CMidiTrack>>& tracks);

class CFirstSongCommon {
public:
    using Progress = std::function<void()>;

    explicit CFirstSongCommon(arrange::EngineContext& ctx) : ctx_(ctx) {}

    // The engine settings of a composition of the user's melody: composition
    // mode 3, melody method 8, the melody instrument on channel 1, no effects
    // channel, no doubling (channels 0-4, 6-8), the tempo from bpm, note
    // database kind 7 read as 1.
    void Prepare(int melodyInstrument, int bpm);

    // Loads the data files, builds the structure (at most five attempts),
    // runs the engine and writes the file to outputPath atomically; title and
    // composer are CP932 bytes. progress, when given, runs between stages.
    // Always returns 1: failures are reported where they happen.
    int Compose(const std::string& outputPath, std::string_view title, std::string_view composer,
                const Progress& progress = {});

    // The single-track (format 0) image of the last composition, converted
    // from the written file when first asked for: a rendering for a file
    // does not pay for it.
    const std::vector<std::uint8_t>& Output() const;
    // Attempts the last composition made to fit the length window.
    int Attempts() const { return attempts_; }
    // Whether the last composition wrote its file (false when writing failed
    // or the output mode keeps only the image).
    bool Written() const { return written_; }

    // The driver's own box (untagged): 1 an abnormal note value, 0 a length
    // below an eighth that is not a sixteenth.
    static void ErrorMsg(Reporter& reporter, int code);

private:
    void RunEngine(const std::string& outputPath, std::string_view title, std::string_view composer,
                   const Progress& progress);

    arrange::EngineContext& ctx_;
    std::vector<std::uint8_t> file_;  // the format 1 image that was written
    mutable std::vector<std::uint8_t> output_;
    mutable bool outputMade_ = false;
    int attempts_ = 0;
    bool written_ = false;
};

}  // namespace songloom::compose
