#pragma once
// What the bar-editing panel ("編集") does, without its window: the four
// operations, the spin ranges each one offers, the coupling of start and end,
// apply with its end check and snapshot, and the panel's own messages. The
// Qt window shows the state held here and forwards the user's edits.
//
// Bars are 1-based in everything the panel shows and takes; CopyBars and
// MoveBars take 0-based bars like the song.

#include <cstdint>
#include <string_view>

#include "common/reporter.h"
#include "song/song_data.h"

namespace songloom::song {

// The operation list, in its order.
enum class BarEditOperation { kCopy = 0, kMove = 1, kInsert = 2, kDelete = 3 };

inline constexpr std::string_view kBarEditOperationNames[] = {"コピー", "移動", "挿入", "削除"};
inline constexpr std::string_view kBarEditPanelTitle = "編集";

// The main window's message asking it to refresh after a copy, move or delete.
inline constexpr std::uint32_t kRefreshAfterBarEdit = 0x801B;

namespace editdlg {
inline constexpr std::uint32_t kClassName = 0;
inline constexpr std::uint32_t kBeyondBarCount = 2;
}  // namespace editdlg

// The panel's plain OK box without tag. Code 2 "小節数を越える位置に
// コピー、移動することはできません。", any other code a general text.
void EditDlgErrorMsg(Reporter& reporter, std::uint32_t code);

struct SpinRange {
    int low = 1;
    int high = 1;
    bool operator==(const SpinRange&) const = default;
};

// What an apply asks of the main window.
struct BarEditResult {
    bool ran = false;               // the operation ran (the page is redrawn)
    bool refreshRequested = false;  // message 0x801B was sent
};

class BarEditPanelLogic {
public:
    // The panel keeps a pointer to the working song; the owner replaces it
    // with SetSong when another song is opened.
    explicit BarEditPanelLogic(SongData* song = nullptr);
    void SetSong(SongData* song) { song_ = song; }

    // Opening (main-window command 9): start and end of the selected range,
    // 1-based, each at least 1; then the set-up of the current operation.
    void Open(int startBar, int endBar);
    // The operation list changed.
    void SelectOperation(BarEditOperation operation);
    // Set-up again from the song (the main window's refresh request).
    void Refresh();

    // The user changed an edit; the other one follows when they cross.
    void EditStart(int value);
    void EditEnd(int value);
    void EditInsertAt(int value);

    // Apply (main-window command 18).
    BarEditResult Apply(Reporter& reporter);
    // Undo (main-window command 19): the song's snapshot back.
    void Undo();

    // The copy and move the panel runs, 0-based. A copy always inserts: the
    // song grows by the number of bars copied.
    BarEditResult CopyBars(Reporter& reporter, int first, int last, int at);
    BarEditResult MoveBars(Reporter& reporter, int first, int last, int at);

    BarEditOperation operation() const { return operation_; }
    int start() const { return start_; }
    int end() const { return end_; }
    int insertAt() const { return insertAt_; }
    SpinRange startRange() const { return startRange_; }
    SpinRange endRange() const { return endRange_; }
    SpinRange insertAtRange() const { return insertAtRange_; }
    bool insertAtShown() const { return insertAtShown_; }

private:
    void SetUp();
    int SongBars() const;

    SongData* song_;
    BarEditOperation operation_ = BarEditOperation::kCopy;
    int start_ = 1;
    int end_ = 1;
    int insertAt_ = 2;
    SpinRange startRange_;
    SpinRange endRange_;
    SpinRange insertAtRange_;
    bool insertAtShown_ = true;
};

}  // namespace songloom::song
