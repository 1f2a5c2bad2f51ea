#pragma once
// One step of the undo stack: the bytes of the song image that an edit
// changed, before and after. An edit of a few cells keeps a few hundred bytes
// instead of two 92,492-byte images, so the stack can grow without a limit.

#include <QUndoCommand>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace songloom::app {

class SongDocument;

// Which parts of the song a delta touches, by image area.
struct SongChange {
    int firstBeat = -1;  // chord cells, beat indices
    int lastBeat = -1;
    int firstSlot = -1;  // melody slots
    int lastSlot = -1;
    bool info = false;    // the song information block
    bool header = false;  // bar count, beats or key
    bool reserved = false;
    bool Empty() const { return firstBeat < 0 && firstSlot < 0 && !info && !header && !reserved; }
};

class ImageDelta {
public:
    ImageDelta() = default;
    // The runs where two images of equal size differ.
    ImageDelta(const std::vector<std::uint8_t>& before, const std::vector<std::uint8_t>& after);

    bool empty() const { return runs_.empty(); }
    // Puts the after (forward) or the before bytes of every run into image.
    void ApplyTo(std::vector<std::uint8_t>& image, bool forward) const;
    // A later delta on top of this one (the two become one step).
    void Append(const ImageDelta& later);
    SongChange Change() const;
    std::size_t bytes() const;

private:
    struct Run {
        std::size_t offset = 0;
        std::vector<std::uint8_t> before;
        std::vector<std::uint8_t> after;
    };
    std::vector<Run> runs_;  // applied in order forwards, in reverse backwards
};

// Edits that follow each other into one step (a tempo slider drag).
enum class MergeKind : int { kNone = -1, kTempo = 1, kInstrument = 2, kTitle = 3, kComposer = 4 };

class SongEditCommand : public QUndoCommand {
public:
    // The edit has already been made on the document's song.
    SongEditCommand(SongDocument& document, const QString& name, ImageDelta delta, MergeKind merge);

    void undo() override;
    void redo() override;
    int id() const override { return static_cast<int>(merge_); }
    bool mergeWith(const QUndoCommand* other) override;

private:
    SongDocument& document_;
    ImageDelta delta_;
    MergeKind merge_;
    bool done_ = true;  // pushed after the edit: the first redo has nothing to do
};

}  // namespace songloom::app
