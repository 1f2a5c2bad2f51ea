// Both MIDI file loaders on arbitrary bytes: the format 1 loader (which
// hands format 0 images to the format 0 loader and splits them) and the
// format 0 loader (which merges format 1 images); whatever loads is then
// written back and read again. What the format 1 loader reads is also
// audited as a rendering (chord markers, time signature, notes).
#include <cstddef>
#include <cstdint>
#include <span>

#include "harmony/render_audit.h"
#include "midi/midi_file.h"

namespace {

// Counts reports instead of showing them.
class QuietReporter : public songloom::Reporter {
public:
    void Report(const songloom::ErrorReport&) override { ++count; }
    bool Confirm(std::string_view) override { return true; }
    [[noreturn]] void Terminate(const songloom::ErrorReport&) override { __builtin_trap(); }
    std::size_t count = 0;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    using namespace songloom::midi;
    QuietReporter reporter;
    const std::span<const std::uint8_t> image(data, size);

    CMidiFile1 one(reporter, image, false);
    if (one.Loaded()) {
        const auto audit = songloom::harmony::AuditRenderedFile(one);
        if (audit.barTicks <= 0) __builtin_trap();  // every bar has a length
        songloom::harmony::AuditFailures(audit);
        one.SplitNotes();
        one.Serialize();
        CMidiFile1 again(reporter, std::span<const std::uint8_t>(one.Bytes), false);
        if (!again.Loaded()) __builtin_trap();  // what was written must read back
    }

    CMidiFile0 zero(reporter, image, kEngineMidiCapacity);
    if (zero.Loaded()) {
        zero.SplitNotes();
        zero.Serialize();
        CMidiFile0 again(reporter, std::span<const std::uint8_t>(zero.Bytes));
        if (!again.Loaded()) __builtin_trap();
    }
    return 0;
}
