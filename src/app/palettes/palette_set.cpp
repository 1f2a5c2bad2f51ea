#include "app/palettes/palette_set.h"

#include "app/palettes/chord_palette.h"
#include "app/palettes/chord_selector.h"
#include "app/palettes/guitar_palette.h"
#include "app/palettes/keyboard_palette.h"
#include "app/palettes/library_window.h"
#include "app/palettes/phrase_pallet_dlg.h"
#include "app/palettes/scale_selector.h"
#include "app/palettes/song_info_panel.h"
#include "harmony/diatonic_chord_list.h"

namespace songloom::app {
namespace {

constexpr int kCmdLibrary = 6;
constexpr int kCmdSongInfo = 7;
constexpr int kCmdOptions = 8;
constexpr int kCmdGuitar = 16;
constexpr int kCmdScale = 17;
constexpr int kCmdChordSelectorTake = 20;
constexpr std::uint32_t kScoreBarCopied = 0x800D;

void Toggle(QWidget& window)
{
    window.setVisible(!window.isVisible());
    if (window.isVisible()) window.raise();
}

}  // namespace

PaletteSet::PaletteSet(PaletteHost& host, song::SongData& phrase, const arrange::StyleCatalogue& catalogue,
                       KeyboardRange range, std::function<void(const std::string& path)> openSong, QWidget* parent)
    : host_(host)
{
    phrase_ = std::make_unique<CPhrasePalletDlg>(host, phrase, parent);
    chord_ = std::make_unique<CChordPaletteDlg>(host, parent);
    chord_->LoadAtStartUp();
    keyboard_ = std::make_unique<CKeyboardPalletDlg>(host, range, parent);
    songInfo_ = std::make_unique<CSongInfoDlg>(host, catalogue, parent);
    guitar_ = std::make_unique<CGuitarPalletDlg>(host, parent);
    library_ = std::make_unique<CLibraryDlg>(host.workDir, std::move(openSong), parent);
    CChordPaletteDlg* chord = chord_.get();
    scale_ = std::make_unique<CScaleSelectorDlg>(
        [chord](int entry) {
            QMetaObject::invokeMethod(
                chord, [chord, entry] { chord->HandleMessage(palette_message::kScaleChosen, entry, 0); },
                Qt::QueuedConnection);
        },
        parent);
    scale_->Refill(host.song().key());
    options_ = std::make_unique<COptionsDlg>(host, range, parent);
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

bool PaletteSet::Command(int number)
{
    switch (number) {
    case kCmdLibrary: Toggle(*library_); return true;
    case kCmdSongInfo:
        songInfo_->Refresh();
        songInfo_->show();
        songInfo_->raise();
        return true;
    case kCmdOptions: Toggle(*options_); return true;
    case 12:
    case 13:
    case 14: phrase_->Command(number); return true;
    case kCmdGuitar: Toggle(*guitar_); return true;
    case kCmdScale: Toggle(*scale_); return true;
    case kCmdChordSelectorTake: chord_->selector()->Take(); return true;
    default: return false;
    }
}

void PaletteSet::HandleMessage(std::uint32_t message, long long wParam, long long lParam)
{
    switch (message) {
    case kScoreBarCopied: phrase_->Refresh(); break;
    case kNoteTakenMessage: keyboard_->HandleMessage(message, wParam, lParam); break;
    case kKeyboardRangeMessage:
        keyboard_->HandleMessage(message, wParam, lParam);
        options_->SetRange({static_cast<int>(wParam), static_cast<int>(lParam)});
        break;
    case palette_message::kChordSelectorAdd:
    case palette_message::kChordSelectorReplace:
    case palette_message::kScaleChosen: chord_->HandleMessage(message, wParam, lParam); break;
    default: break;
    }
}

void PaletteSet::SongChanged()
{
    songInfo_->Refresh();
    scale_->Refill(host_.song().key());
    chord_->ShowDefault(harmony::ScaleOfSelection(host_.song().key(), 0));
    guitar_->RefreshForKey();
    phrase_->Refresh();
}

void PaletteSet::RefreshSongInfo() { songInfo_->Refresh(); }

void PaletteSet::PhraseChanged() { phrase_->Refresh(); }

void PaletteSet::ShowStartUpPalettes()
{
    phrase_->show();
    chord_->show();
    keyboard_->show();
}

void PaletteSet::ArrangeAround(const QRect& mainWindow, const QSize& screen)
{
    const QSize phrase = phrase_->frameGeometry().size();
    const QSize chord = chord_->frameGeometry().size();
    const QSize keyboard = keyboard_->frameGeometry().size();
    const int below = mainWindow.bottom() + 8;
    if (below + phrase.height() + keyboard.height() + 16 <= screen.height()) {
        // Room under the window: the phrase and keyboard palettes there, the
        // chord and guitar palettes beside it, so none covers the score.
        phrase_->move(mainWindow.left(), below);
        keyboard_->move(mainWindow.left(), below + phrase.height() + 8);
        const int right = mainWindow.right() + 8;
        if (right + chord.width() <= screen.width()) {
            chord_->move(right, mainWindow.top());
            guitar_->move(right, mainWindow.top() + chord.height() + 8);
        } else {
            chord_->move(mainWindow.left() + keyboard.width() + 8, below + phrase.height() + 8);
            guitar_->move(std::max(0, screen.width() - guitar_->frameGeometry().width() - 8), 8);
        }
        return;
    }
    if (screen.width() < 1025 || screen.height() < 769) {
        // A small screen: the three palettes next to the bottom of the window.
        const int y = std::max(0, screen.height() - phrase.height() - 8);
        phrase_->move(mainWindow.left(), y);
        chord_->move(mainWindow.left() + phrase.width() + 8, y);
        keyboard_->move(mainWindow.left(), std::max(0, y - keyboard.height() - 8));
        guitar_->move(std::max(0, screen.width() - guitar_->frameGeometry().width() - 8), 8);
        return;
    }
    phrase_->move(mainWindow.left(), 0);
    chord_->move(0, 0);
    keyboard_->move(mainWindow.left(), mainWindow.top() + 300);
    guitar_->move(800, mainWindow.top());
}

bool PaletteSet::SaveChordList() const { return chord_->SaveAtShutDown(); }

std::vector<int> PaletteSet::ChordVoicing(int row, int column) const { return chord_->PreviewNotes(row, column); }

std::array<int, 6> PaletteSet::StrumFrets() const { return guitar_->Frets(); }

}  // namespace songloom::app
