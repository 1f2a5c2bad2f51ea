#pragma once
// The pictures of the command buttons, drawn with simple shapes so that the
// program ships no bitmaps: a normal picture per command, and for the play
// commands a second one shown while something plays.

#include <QIcon>
#include <QPixmap>

namespace songloom::app {

inline constexpr int kCommandIconSize = 32;

// playing selects the picture of a play button while it plays (a stop sign).
QPixmap CommandPixmap(int command, bool playing = false);
QIcon CommandIcon(int command, bool playing = false);

// The start-up picture shown for a second while the palettes are arranged.
QPixmap StartUpPicture();

}  // namespace songloom::app
