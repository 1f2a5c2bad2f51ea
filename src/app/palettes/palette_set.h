#pragma once
// Every palette, panel and small dialog of the main window, created once at
// start-up in the program's order and kept until shut-down. Each shows the
// document's songs and follows its signals; the main window connects to the
// palettes' own signals (sounds to preview, the phrase to play).

#include <QRect>
#include <QWidget>
#include <array>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/palettes/options_window.h"
#include "app/palettes/palette_host.h"
#include "arrange/style_catalogue.h"

namespace songloom::app {

class ChordPalette;
class GuitarPalette;
class KeyboardPalette;
class LibraryWindow;
class OptionsWindow;
class PhrasePalette;
class ScaleSelector;
class SongInfoPanel;

// Where the palettes go around the main window: each window's frame, in
// screen coordinates.
struct PaletteFrames {
    QRect phrase;
    QRect chord;
    QRect keyboard;
    QRect guitar;
};
// Places the phrase, chord, keyboard and guitar palettes (their sizes given)
// on a screen's available area, clear of the main window's score where room
// allows: beside or under the window, else over its command bar and lower
// edge rather than over the cells. Every palette stays on the screen.
PaletteFrames PlacePalettes(const QRect& mainWindow, const QRect& score, const PaletteFrames& sizes,
                            const QRect& screen);

class PaletteSet {
public:
    // openSong(path) opens a library song as the open command does. The
    // chord list is read from chord.txt of the working folder (or the key's
    // default).
    PaletteSet(PaletteHost& host, const arrange::StyleCatalogue& catalogue, KeyboardRange range,
               std::function<void(const std::string& path)> openSong, QWidget* parent = nullptr);
    ~PaletteSet();
    PaletteSet(const PaletteSet&) = delete;
    PaletteSet& operator=(const PaletteSet&) = delete;

    void ToggleLibrary();
    void ShowSongInfo();
    void ToggleOptions();
    void ToggleGuitar();
    void ToggleScale();

    // One second after start-up: the phrase, chord and keyboard palettes.
    void ShowStartUpPalettes();
    // Places the palettes around the main window (score: the cells' frame in
    // screen coordinates) on the screen's available area.
    void ArrangeAround(const QRect& mainWindow, const QRect& score, const QRect& screen);
    // Shut-down: the chord list back to chord.txt.
    bool SaveChordList() const;

    // The notes a chord button sounds and the guitar palette's frets, 6th
    // string first.
    std::vector<int> ChordVoicing(int row, int column) const;
    std::array<int, 6> StrumFrets() const;

    PhrasePalette& phrasePalette() { return *phrase_; }
    ChordPalette& chordPalette() { return *chord_; }
    KeyboardPalette& keyboardPalette() { return *keyboard_; }
    GuitarPalette& guitarPalette() { return *guitar_; }
    SongInfoPanel& songInfo() { return *songInfo_; }
    LibraryWindow& library() { return *library_; }
    ScaleSelector& scaleSelector() { return *scale_; }
    OptionsWindow& options() { return *options_; }

private:
    // The key changed or the song was replaced.
    void FollowKey();

    PaletteHost& host_;
    // Created in this order; destroyed in the reverse one.
    std::unique_ptr<PhrasePalette> phrase_;
    std::unique_ptr<ChordPalette> chord_;
    std::unique_ptr<KeyboardPalette> keyboard_;
    std::unique_ptr<SongInfoPanel> songInfo_;
    std::unique_ptr<GuitarPalette> guitar_;
    std::unique_ptr<LibraryWindow> library_;
    std::unique_ptr<ScaleSelector> scale_;
    std::unique_ptr<OptionsWindow> options_;
};

}  // namespace songloom::app
