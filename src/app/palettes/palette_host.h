#pragma once
// What the palettes and panels need from the main window: a way to post it a
// window message, its command dispatcher, the working song (which the main
// window replaces when a file is opened, so it is asked for each time), and
// the replaceable platform actions (drag, file dialogs) that tests intercept.

#include <QString>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "common/reporter.h"
#include "song/song_data.h"

class QWidget;

namespace songloom::app {

// Posts message with two values to the main window (handled later, on the
// window thread).
using PostMainMessage = std::function<void(std::uint32_t message, long long wParam, long long lParam)>;
// Runs a drag of payload text (UTF-8) from source; returns when it has ended.
using PaletteDragStarter = std::function<void(QWidget* source, const QString& text)>;
// Asks for a phrase file to open (save = false) or to save to; nothing when
// the dialog was cancelled.
using PhraseFileChooser = std::function<std::optional<std::string>(bool save)>;

struct PaletteHost {
    Reporter& reporter;
    std::string workDir;
    PostMainMessage post;
    std::function<void(int command)> command;
    std::function<song::SongData&()> song;
    PaletteDragStarter startDrag;
    PhraseFileChooser choosePhraseFile;
};

// The real drag: the text as plain text, copy only; blocks until dropped or
// cancelled.
void StartPaletteDrag(QWidget* source, const QString& text);
// The real file dialogs for phrase files ("pdt files|*.pdt|"), the save one
// with its overwrite prompt.
std::optional<std::string> ShowPhraseFileDialog(QWidget* parent, bool save);

// The palette windows' own messages.
namespace palette_message {
inline constexpr std::uint32_t kChordSelectorAdd = 0x8018;      // to the chord palette
inline constexpr std::uint32_t kChordSelectorReplace = 0x8019;  // to the chord palette
inline constexpr std::uint32_t kScaleChosen = 0x801A;           // to the chord palette
}  // namespace palette_message

// Payload texts carry CP932 bytes; the drag system carries UTF-8.
QString PayloadToQString(std::string_view payload);
std::string QStringToPayload(const QString& text);

// Mouse travel (pixels) after which a press becomes a drag.
inline constexpr int kDragDistance = 4;

}  // namespace songloom::app
