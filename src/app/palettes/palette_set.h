#pragma once
// Every palette, panel and small dialog of the main window, created once at
// start-up in the program's order and kept until shut-down. The main window
// holds one and forwards to it: the commands of the palettes (6, 7, 8, 12
// to 14, 16, 17, 20), the messages that concern them, and every change of
// the working song that they show.

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

class CChordPaletteDlg;
class CGuitarPalletDlg;
class CKeyboardPalletDlg;
class CLibraryDlg;
class COptionsDlg;
class CPhrasePalletDlg;
class CScaleSelectorDlg;
class CSongInfoDlg;

class PaletteSet {
public:
    // phrase: the main window's phrase song. openSong(path) opens a library
    // song as command 1 does, leaving the current file. The chord list is
    // read from chord.txt of the working folder (or the key's default).
    PaletteSet(PaletteHost& host, song::SongData& phrase, const arrange::StyleCatalogue& catalogue,
               KeyboardRange range, std::function<void(const std::string& path)> openSong,
               QWidget* parent = nullptr);
    ~PaletteSet();
    PaletteSet(const PaletteSet&) = delete;
    PaletteSet& operator=(const PaletteSet&) = delete;

    // Commands that belong to the palettes; false for any other (the main
    // window's own, and 15, which plays the phrase).
    bool Command(int number);
    // 0x800D (after the main window copied a score bar into the phrase),
    // 0x800E and 0x801C (keyboard), 0x8018, 0x8019 and 0x801A (chord palette).
    void HandleMessage(std::uint32_t message, long long wParam, long long lParam);
    // The song was replaced, cleared, transposed or given another time
    // signature: every window shows it again (the chord palette its key's
    // default list, the scale selector its key's scales).
    void SongChanged();
    // The bar count, time signature or style changed: the song information
    // panel shows it.
    void RefreshSongInfo();
    // The phrase changed from outside (cleared, a score bar copied in).
    void PhraseChanged();

    // One second after start-up: the phrase, chord and keyboard palettes.
    void ShowStartUpPalettes();
    // Places the palettes around the main window on a screen of that size.
    void ArrangeAround(const QRect& mainWindow, const QSize& screen);
    // Shut-down: the chord list back to chord.txt.
    bool SaveChordList() const;

    // The main window's previews: the notes of a chord button (0x8010) and
    // the guitar palette's frets, 6th string first (0x8017).
    std::vector<int> ChordVoicing(int row, int column) const;
    std::array<int, 6> StrumFrets() const;

    CPhrasePalletDlg& phrasePalette() { return *phrase_; }
    CChordPaletteDlg& chordPalette() { return *chord_; }
    CKeyboardPalletDlg& keyboardPalette() { return *keyboard_; }
    CGuitarPalletDlg& guitarPalette() { return *guitar_; }
    CSongInfoDlg& songInfo() { return *songInfo_; }
    CLibraryDlg& library() { return *library_; }
    CScaleSelectorDlg& scaleSelector() { return *scale_; }
    COptionsDlg& options() { return *options_; }

private:
    PaletteHost& host_;
    // Created in this order; destroyed in the reverse one.
    std::unique_ptr<CPhrasePalletDlg> phrase_;
    std::unique_ptr<CChordPaletteDlg> chord_;
    std::unique_ptr<CKeyboardPalletDlg> keyboard_;
    std::unique_ptr<CSongInfoDlg> songInfo_;
    std::unique_ptr<CGuitarPalletDlg> guitar_;
    std::unique_ptr<CLibraryDlg> library_;
    std::unique_ptr<CScaleSelectorDlg> scale_;
    std::unique_ptr<COptionsDlg> options_;
};

}  // namespace songloom::app
