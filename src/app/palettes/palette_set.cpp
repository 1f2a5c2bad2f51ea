#include "app/palettes/palette_set.h"

#include <algorithm>

#include "app/palettes/chord_palette.h"
#include "app/palettes/chord_selector.h"
#include "app/palettes/guitar_palette.h"
#include "app/palettes/keyboard_palette.h"
#include "app/palettes/library_window.h"
#include "app/palettes/phrase_palette.h"
#include "app/palettes/scale_selector.h"
#include "app/palettes/song_info_panel.h"
#include "harmony/diatonic_chord_list.h"

namespace songloom::app {
namespace {

constexpr int kGap = 8;

void Toggle(QWidget& window)
{
    window.setVisible(!window.isVisible());
    if (window.isVisible()) window.raise();
}

// r moved inside area (as far as it fits).
QRect Inside(QRect r, const QRect& area)
{
    r.moveLeft(std::clamp(r.left(), area.left(), std::max(area.left(), area.right() - r.width() + 1)));
    r.moveTop(std::clamp(r.top(), area.top(), std::max(area.top(), area.bottom() - r.height() + 1)));
    return r;
}

}  // namespace

PaletteFrames PlacePalettes(const QRect& mainWindow, const QRect& score, const PaletteFrames& sizes,
                            const QRect& screen)
{
    PaletteFrames placed = sizes;
    const int below = mainWindow.bottom() + 1 + kGap;
    const int right = mainWindow.right() + 1 + kGap;
    const int roomBelow = screen.bottom() + 1 - below;
    const int roomRight = screen.right() + 1 - right;
    // Phrase and keyboard palettes under the window when they fit there.
    if (roomBelow >= sizes.phrase.height() + kGap + sizes.keyboard.height()) {
        placed.phrase.moveTopLeft({mainWindow.left(), below});
        placed.keyboard.moveTopLeft({mainWindow.left(), below + sizes.phrase.height() + kGap});
    } else {
        // Otherwise at the bottom of the screen, the phrase palette lowest;
        // what they cover of the window is its lower edge, not the top rows.
        placed.phrase.moveTopLeft({screen.left(), screen.bottom() + 1 - sizes.phrase.height()});
        placed.keyboard.moveTopLeft({screen.left(), placed.phrase.top() - kGap - sizes.keyboard.height()});
        if (placed.keyboard.top() < score.top() + score.height() / 2 &&
            screen.right() + 1 - placed.phrase.right() - kGap >= sizes.keyboard.width()) {
            // Beside the phrase palette rather than over the middle of the score.
            placed.keyboard.moveTopLeft({placed.phrase.right() + 1 + kGap, screen.bottom() + 1 - sizes.keyboard.height()});
        }
    }
    // Chord and guitar palettes beside the window when there is room.
    if (roomRight >= sizes.chord.width()) {
        placed.chord.moveTopLeft({right, mainWindow.top()});
        placed.guitar.moveTopLeft({right, mainWindow.top() + sizes.chord.height() + kGap});
    } else {
        // At the right edge of the screen, over the window's right margin
        // and command bar rather than over the first cells.
        placed.chord.moveTopLeft({screen.right() + 1 - sizes.chord.width(), screen.top()});
        placed.guitar.moveTopLeft({screen.right() + 1 - sizes.guitar.width(), placed.chord.bottom() + 1 + kGap});
    }
    for (QRect* r : {&placed.phrase, &placed.chord, &placed.keyboard, &placed.guitar}) *r = Inside(*r, screen);
    return placed;
}

PaletteSet::PaletteSet(PaletteHost& host, const arrange::StyleCatalogue& catalogue, KeyboardRange range,
                       std::function<void(const std::string& path)> openSong, QWidget* parent)
    : host_(host)
{
    phrase_ = std::make_unique<PhrasePalette>(host, parent);
    chord_ = std::make_unique<ChordPalette>(host, parent);
    chord_->LoadAtStartUp();
    keyboard_ = std::make_unique<KeyboardPalette>(host, range, parent);
    songInfo_ = std::make_unique<SongInfoPanel>(host, catalogue, parent);
    guitar_ = std::make_unique<GuitarPalette>(host, parent);
    library_ = std::make_unique<LibraryWindow>(host.workDir, std::move(openSong), parent);
    ChordPalette* chord = chord_.get();
    scale_ = std::make_unique<ScaleSelector>(
        [chord](int entry) {
            QMetaObject::invokeMethod(chord, [chord, entry] { chord->ChooseScale(entry); }, Qt::QueuedConnection);
        },
        parent);
    scale_->Refill(host.document.song().key());
    options_ = std::make_unique<OptionsWindow>(range, parent);

    QObject::connect(chord_.get(), &ChordPalette::guitarRequested, guitar_.get(), [this] { ToggleGuitar(); });
    QObject::connect(chord_.get(), &ChordPalette::scaleRequested, scale_.get(), [this] { ToggleScale(); });
    QObject::connect(options_.get(), &OptionsWindow::rangeChanged, keyboard_.get(), &KeyboardPalette::SetRange);
    QObject::connect(&host.document, &SongDocument::keyChanged, chord_.get(), [this] { FollowKey(); });
    QObject::connect(&host.document, &SongDocument::songReplaced, chord_.get(), [this] { FollowKey(); });
}

PaletteSet::~PaletteSet()
{
    options_.reset();
    scale_.reset();
    library_.reset();
    guitar_.reset();
    songInfo_.reset();
    keyboard_.reset();
    chord_.reset();
    phrase_.reset();
}

void PaletteSet::ToggleLibrary() { Toggle(*library_); }

void PaletteSet::ShowSongInfo()
{
    songInfo_->Refresh();
    songInfo_->show();
    songInfo_->raise();
}

void PaletteSet::ToggleOptions() { Toggle(*options_); }
void PaletteSet::ToggleGuitar() { Toggle(*guitar_); }
void PaletteSet::ToggleScale() { Toggle(*scale_); }

void PaletteSet::FollowKey()
{
    const int key = host_.document.song().key();
    scale_->Refill(key);
    chord_->ShowDefault(harmony::ScaleOfSelection(key, 0));
    guitar_->RefreshForKey();
}

void PaletteSet::ShowStartUpPalettes()
{
    phrase_->show();
    chord_->show();
    keyboard_->show();
}

void PaletteSet::ArrangeAround(const QRect& mainWindow, const QRect& score, const QRect& screen)
{
    const PaletteFrames sizes{phrase_->frameGeometry(), chord_->frameGeometry(), keyboard_->frameGeometry(),
                              guitar_->frameGeometry()};
    const PaletteFrames placed = PlacePalettes(mainWindow, score, sizes, screen);
    phrase_->move(placed.phrase.topLeft());
    chord_->move(placed.chord.topLeft());
    keyboard_->move(placed.keyboard.topLeft());
    guitar_->move(placed.guitar.topLeft());
}

bool PaletteSet::SaveChordList() const { return chord_->SaveAtShutDown(); }

std::vector<int> PaletteSet::ChordVoicing(int row, int column) const { return chord_->PreviewNotes(row, column); }

std::array<int, 6> PaletteSet::StrumFrets() const { return guitar_->Frets(); }

}  // namespace songloom::app
