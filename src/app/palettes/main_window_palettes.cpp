#include "app/palettes/main_window_palettes.h"

#include <QGuiApplication>
#include <QScreen>
#include <QTimer>
#include <QToolButton>

#include "app/main_messages.h"
#include "app/palettes/phrase_pallet_dlg.h"
#include "app/songloom_dlg.h"

namespace songloom::app {
namespace {

constexpr int kStartUpPaletteDelayMs = 1000;

}  // namespace

MainWindowPalettes::MainWindowPalettes(CSongloomDlg& window, AppServices& services, PaletteDragStarter drag,
                                       PhraseFileChooser chooser)
    : window_(window),
      host_{services.reporter,
            services.workDir,
            [&window](std::uint32_t m, long long w, long long l) { window.PostWindowMessage(m, w, l); },
            [this](int number) { Command(number); },
            [&window]() -> song::SongData& { return window.song(); },
            std::move(drag),
            chooser ? std::move(chooser) : PhraseFileChooser([&window](bool save) {
                return ShowPhraseFileDialog(&window, save);
            })}
{
    const KeyboardRange range{window.settings().keyboardLow, window.settings().keyboardHigh};
    palettes_ = std::make_unique<PaletteSet>(host_, window.phrase(), services.catalogue, range,
                                             [this](const std::string& path) {
                                                 window_.OpenSongFile(path, false);
                                                 palettes_->SongChanged();
                                             });
    window.SetChordVoicer([this](int row, int column) { return palettes_->ChordVoicing(row, column); });
    window.SetStrumSource([this] { return palettes_->StrumFrets(); });
    // chord.txt is the chord palette's: the window's shut-down writes it in
    // its place among the other files.
    window.SetChordListWriter([this] { palettes_->SaveChordList(); });

    // The main window's buttons of the palettes' commands come here instead.
    for (const int command : {kCmdLibrary, kCmdSongInfo, kCmdOptions}) {
        QToolButton* button = window.commandButton(command);
        if (button == nullptr) continue;
        QObject::disconnect(button, &QToolButton::clicked, nullptr, nullptr);
        connect(button, &QToolButton::clicked, this, [this, command] { Command(command); });
    }
    // Commands that bring a new song: every palette shows it afterwards.
    for (const int command : {kCmdClear, kCmdOpen, kCmdImport}) {
        if (QToolButton* button = window.commandButton(command)) {
            connect(button, &QToolButton::clicked, this, [this] { palettes_->SongChanged(); });
        }
    }
    window.installEventFilter(this);
}

MainWindowPalettes::~MainWindowPalettes()
{
    window_.removeEventFilter(this);
    window_.ShutDown();
    window_.SetChordListWriter({});
}

void MainWindowPalettes::Command(int number)
{
    if (number == kCmdSongInfo) window_.song().TakeSnapshot();
    if (palettes_->Command(number)) {
        if (number == kCmdPhraseClear || number == kCmdPhraseOpen) palettes_->PhraseChanged();
        return;
    }
    window_.Command(number);
}

void MainWindowPalettes::Later(std::function<void()> what)
{
    QTimer::singleShot(0, this, std::move(what));
}

bool MainWindowPalettes::eventFilter(QObject* watched, QEvent* event)
{
    if (watched != &window_) return false;
    if (event->type() == QEvent::Drop) {
        Later([this] { palettes_->SongChanged(); });  // a song file may have been opened
        return false;
    }
    if (event->type() != WindowMessageEvent::EventType()) return false;
    const auto* m = static_cast<const WindowMessageEvent*>(event);
    switch (m->message) {
    case wm::kStartUp:
        QTimer::singleShot(kStartUpPaletteDelayMs, this, [this] {
            const QScreen* screen = QGuiApplication::primaryScreen();
            palettes_->ArrangeAround(window_.frameGeometry(), screen ? screen->size() : QSize(1600, 1200));
            palettes_->ShowStartUpPalettes();
        });
        break;
    case wm::kScoreBarToPhrase: Later([this] { palettes_->PhraseChanged(); }); break;
    case wm::kKeyboardRange: palettes_->HandleMessage(m->message, m->wParam, m->lParam); break;
    case wm::kKey: Later([this] { palettes_->SongChanged(); }); break;
    case wm::kBarCount:
    case wm::kTimeSignature:
    case wm::kCategory:
    case wm::kStyle: Later([this] { palettes_->RefreshSongInfo(); }); break;
    default: break;
    }
    return false;  // the main window handles every message itself too
}

}  // namespace songloom::app
