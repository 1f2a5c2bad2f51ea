// The song file reader on any bytes. The raw input is decoded as it is (most
// sizes are refused); then it is laid into each of the four image sizes so
// that every layout's decoder and repairs see arbitrary content, and the
// decoded song goes through the operations that walk its cells.
#include <algorithm>
#include <cstdint>
#include <cstring>
#include <vector>

#include "common/reporter.h"
#include "song/drop_target.h"
#include "song/song_image.h"

namespace {

constexpr std::size_t kSizes[] = {32780, 81932, 90444, 92492};

void Exercise(songloom::Reporter& reporter, songloom::song::SongData& song, std::uint8_t selector)
{
    using namespace songloom::song;
    // Whatever was read must round-trip through the current image.
    const auto image = BuildSongImage(song, song.beats(), song.key());
    SongData again;
    if (!DecodeSongImage(reporter, image, again)) __builtin_trap();
    if (BuildSongImage(again, again.beats(), again.key()) != image) __builtin_trap();

    // A few positions: a song of holds makes every lookup walk the song.
    for (int bar = selector % 5; bar < song.bars(); bar += 37) {
        for (int e = 0; e < song.SlotsPerBar(); e += 3) {
            (void)song.GetNote(bar, e, selector & 1);
            (void)song.FreeRun(bar, e);
        }
    }
    (void)song.IsUntouched();
    song.TakeSnapshot();
    switch (selector % 6) {
    case 0: song.Transpose(reporter, song.key(), selector % kKeyCount); break;
    case 1: song.ChangeBeats(reporter, song.beats() == 4 ? 3 : 4); break;
    case 2: song.InsertBars(reporter, 0, selector % 3); break;
    case 3: song.DeleteBars(reporter, selector % 5, selector % 9); break;
    case 4: DropLengthOnScore(song, selector % 9, 0, 0); break;
    default: DropNoteOnScore(reporter, song, selector % 128, selector % 4, selector % 6); break;
    }
    song.RestoreSnapshot();
    if (BuildSongImage(song, song.beats(), song.key()) != image) __builtin_trap();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    songloom::CapturingReporter reporter;
    songloom::song::SongData song;
    const std::vector<std::uint8_t> raw(data, data + size);
    if (songloom::song::DecodeSongImage(reporter, raw, song)) Exercise(reporter, song, 0);

    // Short inputs are repeated over the image so the header words, the info
    // block and the cells all take fuzzed values.
    if (size == 0) return 0;
    const std::uint8_t selector = data[0];
    std::vector<std::uint8_t> image(kSizes[selector % 4]);
    std::size_t filled = std::min(size, image.size());
    std::memcpy(image.data(), data, filled);
    while (filled < image.size()) {
        const std::size_t n = std::min(filled, image.size() - filled);
        std::memcpy(image.data() + filled, image.data(), n);
        filled += n;
    }
    // An image whose header, cells or chords the song cannot hold is refused
    // whole (and reported); only what is read goes on.
    songloom::song::SongData laid;
    if (!songloom::song::DecodeSongImage(reporter, image, laid)) return 0;
    Exercise(reporter, laid, selector);
    return 0;
}
