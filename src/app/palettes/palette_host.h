#pragma once
// What the palettes and panels need from the main window: the reporter, the
// working folder, the song document, and the replaceable platform actions
// (drag, file dialogs, the transposition question) that tests intercept.

#include <QString>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "common/reporter.h"
#include "app/song_document.h"
#include "song/song_data.h"

class QEvent;
class QPoint;
class QWidget;

namespace songloom::app {

// Runs a drag of payload text (UTF-8) from source; returns when it has ended.
using PaletteDragStarter = std::function<void(QWidget* source, const QString& text)>;
// Asks for a phrase file to open (save = false) or to save to; nothing when
// the dialog was cancelled.
using PhraseFileChooser = std::function<std::optional<std::string>(bool save)>;

struct PaletteHost {
    Reporter& reporter;
    std::string workDir;
    SongDocument& document;
    PaletteDragStarter startDrag;
    PhraseFileChooser choosePhraseFile;
    // The transposition question of a key change.
    KeyChangeAsker askTransposition;
};

// The real drag: the text as plain text, copy only; blocks until dropped or
// cancelled.
void StartPaletteDrag(QWidget* source, const QString& text);
// The real file dialogs for phrase files ("pdt files|*.pdt|"), the save one
// with its overwrite prompt.
std::optional<std::string> ShowPhraseFileDialog(QWidget* parent, bool save);

// Payload texts carry CP932 bytes; the drag system carries UTF-8.
QString PayloadToQString(std::string_view payload);
std::string QStringToPayload(const QString& text);

// A palette's tooltip event: shows the text at the event's point and returns
// true; false for any other event.
bool ShowToolTipAt(QWidget& widget, QEvent* event, const std::function<QString(QPoint)>& textAt);

// Mouse travel (pixels) after which a press becomes a drag.
inline constexpr int kDragDistance = 4;

}  // namespace songloom::app
