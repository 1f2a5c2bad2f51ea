#pragma once
// Long work (reading and analysing a large MIDI file) on a thread of its
// own while the window thread goes on with its events: timers fire, windows
// repaint, reports from the work are shown. The user's input is dropped
// meanwhile, so nothing can change the song under the work; when the work
// takes longer than kProgressAfter a modal progress dialog says what is
// going on, with a bar that runs without an end (the work tells no progress).

#include <QString>
#include <chrono>
#include <functional>

class QWidget;

namespace songloom::app {

inline constexpr std::chrono::milliseconds kProgressAfter{500};
// The progress dialog's object name (tests look for it).
inline constexpr const char* kProgressDialogName = "backgroundProgress";

// Runs work on another thread and returns when it has ended; must be
// called on the window thread. work must not touch widgets.
void RunWithProgress(QWidget* parent, const QString& label, const std::function<void()>& work,
                     std::chrono::milliseconds showAfter = kProgressAfter);

}  // namespace songloom::app
