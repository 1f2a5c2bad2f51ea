#pragma once
// Attaches the palettes, panels and small dialogs to the main window: builds
// the palette set on the main window's songs, settings and catalogue, routes
// the commands that belong to the palettes (6, 7, 8, 12 to 14, 16, 17, 20)
// to it, hands the main window the chord voicing and the guitar frets for
// its previews, and keeps every palette in line with the song after the
// main window's messages and commands.
//
// Make it right after the main window and let it go before the window: it
// runs the window's shut-down, which writes the chord palette's list to
// "chord.txt" between "data.dat" and "phrase.pdt".

#include <QObject>
#include <memory>

#include "app/palettes/palette_host.h"
#include "app/palettes/palette_set.h"

namespace songloom::app {

class CSongloomDlg;
struct AppServices;

class MainWindowPalettes : public QObject {
    Q_OBJECT
public:
    MainWindowPalettes(CSongloomDlg& window, AppServices& services, PaletteDragStarter drag = StartPaletteDrag,
                       PhraseFileChooser chooser = {});
    ~MainWindowPalettes() override;

    PaletteSet& palettes() { return *palettes_; }
    // The dispatcher the palettes' buttons use: the palettes' own commands,
    // then the main window's.
    void Command(int number);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void Later(std::function<void()> what);

    CSongloomDlg& window_;
    PaletteHost host_;
    std::unique_ptr<PaletteSet> palettes_;
};

}  // namespace songloom::app
