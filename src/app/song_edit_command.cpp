#include "app/song_edit_command.h"

#include <algorithm>

#include "app/song_document.h"
#include "song/song_image.h"

namespace songloom::app {
namespace {

// Bytes that join two differing runs into one rather than starting a new run.
constexpr std::size_t kJoinGap = 8;

}  // namespace

ImageDelta::ImageDelta(const std::vector<std::uint8_t>& before, const std::vector<std::uint8_t>& after)
{
    const std::size_t size = std::min(before.size(), after.size());
    std::size_t i = 0;
    while (i < size) {
        if (before[i] == after[i]) {
            ++i;
            continue;
        }
        std::size_t end = i + 1;
        std::size_t same = 0;
        while (end < size && same <= kJoinGap) {
            same = before[end] == after[end] ? same + 1 : 0;
            ++end;
        }
        end -= same;
        Run run;
        run.offset = i;
        run.before.assign(before.begin() + static_cast<std::ptrdiff_t>(i), before.begin() + static_cast<std::ptrdiff_t>(end));
        run.after.assign(after.begin() + static_cast<std::ptrdiff_t>(i), after.begin() + static_cast<std::ptrdiff_t>(end));
        runs_.push_back(std::move(run));
        i = end;
    }
}

void ImageDelta::ApplyTo(std::vector<std::uint8_t>& image, bool forward) const
{
    const auto put = [&image](const Run& run, const std::vector<std::uint8_t>& bytes) {
        if (run.offset + bytes.size() > image.size()) return;
        std::copy(bytes.begin(), bytes.end(), image.begin() + static_cast<std::ptrdiff_t>(run.offset));
    };
    if (forward) {
        for (const Run& run : runs_) put(run, run.after);
    } else {
        for (auto it = runs_.rbegin(); it != runs_.rend(); ++it) put(*it, it->before);
    }
}

void ImageDelta::Append(const ImageDelta& later)
{
    runs_.insert(runs_.end(), later.runs_.begin(), later.runs_.end());
}

std::size_t ImageDelta::bytes() const
{
    std::size_t total = 0;
    for (const Run& run : runs_) total += run.before.size() + run.after.size();
    return total;
}

SongChange ImageDelta::Change() const
{
    namespace im = song::image;
    SongChange change;
    const auto widen = [](int& first, int& last, int from, int to) {
        first = first < 0 ? from : std::min(first, from);
        last = std::max(last, to);
    };
    for (const Run& run : runs_) {
        const std::size_t begin = run.offset;
        const std::size_t end = run.offset + run.after.size();  // one past
        if (begin < im::kMelody) {
            const std::size_t last = std::min(end, im::kMelody) - 1;
            widen(change.firstBeat, change.lastBeat, static_cast<int>(begin / im::kChordRecord),
                  static_cast<int>(last / im::kChordRecord));
        }
        if (end > im::kMelody && begin < im::kInfo) {
            const std::size_t from = std::max(begin, im::kMelody) - im::kMelody;
            const std::size_t last = std::min(end, im::kInfo) - 1 - im::kMelody;
            widen(change.firstSlot, change.lastSlot, static_cast<int>(from / im::kSlotRecord),
                  static_cast<int>(last / im::kSlotRecord));
        }
        if (end > im::kInfo && begin < im::kBars) change.info = true;
        if (end > im::kBars && begin < im::kReserved) change.header = true;
        if (end > im::kReserved) change.reserved = true;
    }
    return change;
}

SongEditCommand::SongEditCommand(SongDocument& document, const QString& name, ImageDelta delta, MergeKind merge)
    : document_(document), delta_(std::move(delta)), merge_(merge)
{
    setText(name);
}

void SongEditCommand::undo()
{
    document_.ApplyDelta(delta_, false);
    done_ = false;
}

void SongEditCommand::redo()
{
    if (done_) return;
    document_.ApplyDelta(delta_, true);
    done_ = true;
}

bool SongEditCommand::mergeWith(const QUndoCommand* other)
{
    const auto* later = dynamic_cast<const SongEditCommand*>(other);
    if (later == nullptr || later->merge_ != merge_ || merge_ == MergeKind::kNone) return false;
    delta_.Append(later->delta_);
    return true;
}

}  // namespace songloom::app
