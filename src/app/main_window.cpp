#include "app/main_window.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QShortcut>
#include <QSlider>
#include <QTextBrowser>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>

#include "app/bar_edit_window.h"
#include "app/command_bar.h"
#include "app/command_icons.h"
#include "app/palettes/keyboard_palette.h"
#include "app/palettes/chord_palette.h"
#include "app/palettes/guitar_palette.h"
#include "app/palettes/palette_set.h"
#include "app/palettes/phrase_palette.h"
#include "app/score_view.h"
#include "app/palettes/song_info_panel.h"
#include "app/sound_preview.h"
#include "app/style_preview.h"
#include "common/data_paths.h"
#include "common/general.h"
#include "common/messages.h"

namespace songloom::app {
namespace {

constexpr std::string_view kHelpFile = "help/index.html";
const QColor kBackground(0, 0, 0);
const QColor kText(64, 200, 200);

QString Qs(std::string_view text) { return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())); }

ScrollCode CodeOfAction(int action, bool& known)
{
    known = true;
    switch (action) {
    case QAbstractSlider::SliderSingleStepAdd: return ScrollCode::kLineRight;
    case QAbstractSlider::SliderSingleStepSub: return ScrollCode::kLineLeft;
    case QAbstractSlider::SliderPageStepAdd: return ScrollCode::kPageRight;
    case QAbstractSlider::SliderPageStepSub: return ScrollCode::kPageLeft;
    case QAbstractSlider::SliderToMinimum: return ScrollCode::kFarLeft;
    case QAbstractSlider::SliderToMaximum: return ScrollCode::kFarRight;
    case QAbstractSlider::SliderMove: return ScrollCode::kThumb;
    default: known = false; return ScrollCode::kThumb;
    }
}

}  // namespace

// ---- start-up --------------------------------------------------------------

MainWindow::MainWindow(AppServices& services, PaletteDragStarter drag, PhraseFileChooser phraseChooser,
                       QWidget* parent)
    : QWidget(parent),
      services_(services),
      reporter_(services.reporter),
      document_(std::make_unique<SongDocument>(services)),
      host_{services.reporter, services.workDir, *document_, std::move(drag),
            phraseChooser ? std::move(phraseChooser)
                          : PhraseFileChooser([this](bool save) { return ShowPhraseFileDialog(this, save); }),
            [this] { return transposeAsker_(); }}
{
    setWindowIcon(CommandIcon(kCmdPlay));
    QPalette colours = palette();
    colours.setColor(QPalette::Window, kBackground);
    colours.setColor(QPalette::WindowText, kText);
    setPalette(colours);
    setAutoFillBackground(true);

    fileChooser_ = [this](const FileDialogRequest& request) { return ShowFileDialog(this, request); };
    transposeAsker_ = [this] { return AskTransposition(this); };
    saveChangesAsker_ = [this] { return AskSaveChanges(this); };

    // Settings, with the repairs of values out of range.
    settings_ = LoadSettings(WorkFile(services_.workDir, kSettingsFileName), SetupSettings{});
    RepairSettings(settings_, [this] { ShowMainMessage(reporter_, main_message::kBadSettings); });

    // The engine's generator from the clock, then the style catalogue, which
    // a new working song takes its tempo and instrument from.
    services_.BuildCatalogue(ClockSeed());
    document_->LoadWorkingFiles(settings_.currentFile);
    settings_.currentFile = document_->currentFile();

    preview_ = new SoundPreview(*services_.playback, [this] { return songPlaying_ || phrasePlaying_; }, this);
    stylePreview_ = new StylePreview(
        services_, [this] { return songPlaying_ || phrasePlaying_; }, [this] { preview_->Close(); }, this);
    CreateControls();
    barEdit_.SetSong(document_->songForEdits());
    barEditWindow_ = new BarEditWindow(barEdit_, [this] { ApplyBarEdit(); }, undo_, this);
    barEditWindow_->setWindowFlag(Qt::Window);

    palettes_ = std::make_unique<PaletteSet>(host_, services_.catalogue,
                                             KeyboardRange{settings_.keyboardLow, settings_.keyboardHigh},
                                             [this](const std::string& path) { OpenSongFile(path); });
    ConnectDocument();
    ConnectPalettes();
    ConnectOptions();

    RefreshScrollRange();
    RefreshTempo();
    for (const auto& [index, name] : MelodyInstrumentEntries()) instrument_->addItem(Qs(name), index);
    RefreshInstrument();
    RefreshTitle();

    startPicture_ = new QLabel(nullptr, Qt::SplashScreen | Qt::FramelessWindowHint);
    startPicture_->setPixmap(StartUpPicture());
    startPicture_->resize(startPicture_->pixmap().size());
    QTimer::singleShot(0, this, [this] { ArrangeWindows(); });
    initialised_ = true;
    CreateHotKeys();
}

MainWindow::~MainWindow()
{
    ShutDown();
    palettes_.reset();
    delete startPicture_;
    delete help_;
}

void MainWindow::CreateControls()
{
    undo_ = document_->undoStack().createUndoAction(this, QStringLiteral("元に戻す"));
    redo_ = document_->undoStack().createRedoAction(this, QStringLiteral("やり直す"));
    commandBar_ = new CommandBar(undo_, redo_, this);
    connect(commandBar_, &CommandBar::commandTriggered, this, [this](int command) { Command(command); });

    score_ = new ScoreView(*document_, reporter_, this);
    scoreArea_ = new QScrollArea(this);
    scoreArea_->setWidget(score_);
    scoreArea_->setFrameShape(QFrame::NoFrame);
    scoreArea_->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    scoreArea_->setPalette(palette());
    connect(score_, &ScoreView::firstPagePainted, this, &MainWindow::firstPagePainted);
    connect(score_, &ScoreView::pageChanged, this, [this] { RefreshScrollRange(); });
    connect(score_, &ScoreView::filesDropped, this, [this](const QStringList& paths) { DropFiles(paths); });
    connect(score_, &ScoreView::deleteRequested, this, [this] { DeleteSelectedBars(); });
    connect(score_, &ScoreView::rerollRequested, this, [this](int bar) { RerollBar(bar); });
    connect(score_, &ScoreView::insertRequested, this, [this] { InsertSelectedBars(); });

    scroll_ = new QScrollBar(Qt::Horizontal, this);
    scroll_->setPageStep(2);
    scroll_->setMinimumWidth(DluX(171));
    scroll_->setToolTip(Qs(kTipOther));
    scroll_->installEventFilter(this);
    connect(scroll_, &QScrollBar::actionTriggered, this, [this](int action) {
        bool known = false;
        const ScrollCode code = CodeOfAction(action, known);
        if (!known) return;
        Scroll(code, scroll_->sliderPosition());
        scroll_->setSliderPosition(page());
    });

    tempo_ = new QSlider(Qt::Horizontal, this);
    tempo_->setRange(kTempoMin, kTempoMax);
    tempo_->setMinimumWidth(DluX(60));
    tempo_->setToolTip(QStringLiteral("曲のテンポを変更します。"));
    tempoBox_ = new QLineEdit(this);
    tempoBox_->setReadOnly(true);
    tempoBox_->setAlignment(Qt::AlignRight);
    tempoBox_->setFixedWidth(DluX(20) + 12);
    connect(tempo_, &QSlider::valueChanged, this, [this](int value) {
        tempoBox_->setText(QString::number(value));
        document_->SetTempo(value);
    });
    instrument_ = new QComboBox(this);
    instrument_->setMaxVisibleItems(20);
    instrument_->setMinimumWidth(DluX(73) + 60);
    instrument_->setToolTip(QStringLiteral("メロディの楽器を選びます。"));
    connect(instrument_, &QComboBox::activated, this, [this](int index) {
        document_->SetInstrument(InstrumentIndexOfName(instrument_->itemText(index).toStdString()));
    });
    pageLabel_ = new QLabel(this);
    pageLabel_->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    status_ = new QLabel(this);
    status_->setStyleSheet(QStringLiteral("color: rgb(255, 160, 120);"));

    auto* bottom = new QGridLayout;
    bottom->addWidget(tempo_, 0, 0);
    bottom->addWidget(tempoBox_, 0, 1);
    bottom->addWidget(instrument_, 0, 2);
    bottom->setColumnStretch(3, 1);
    bottom->addWidget(scroll_, 0, 4);
    bottom->addWidget(new QLabel(QStringLiteral("テンポ"), this), 1, 0, 1, 2);
    bottom->addWidget(new QLabel(QStringLiteral("メロディの楽器"), this), 1, 2);
    bottom->addWidget(status_, 1, 3);
    bottom->addWidget(pageLabel_, 1, 4);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 8, 8);
    layout->addWidget(commandBar_);
    layout->addWidget(scoreArea_, 1);
    layout->addLayout(bottom);
    // The window opens showing the whole page; it may be made smaller than
    // the score, which then scrolls.
    const int chrome = layout->sizeHint().height() - scoreArea_->sizeHint().height();
    resize(kScoreWidth + 8, chrome + kScoreHeight + 2);
    setMinimumSize(480, 320);
}

void MainWindow::CreateHotKeys()
{
    undo_->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Z));
    redo_->setShortcuts({QKeySequence(Qt::CTRL | Qt::Key_Y), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z)});
    for (QAction* action : {undo_, redo_}) {
        // From the palettes and panels too: they edit the same song.
        action->setShortcutContext(Qt::ApplicationShortcut);
        addAction(action);
    }
    auto add = [this](const QKeySequence& keys, auto fn) {
        auto* shortcut = new QShortcut(keys, this);
        shortcut->setContext(Qt::WindowShortcut);
        connect(shortcut, &QShortcut::activated, this, fn);
    };
    add(QKeySequence(Qt::Key_Delete), [this] { DeleteSelectedBars(); });
    add(QKeySequence(Qt::Key_Insert), [this] { InsertSelectedBars(); });
}

void MainWindow::ConnectDocument()
{
    SongDocument& doc = *document_;
    connect(&doc, &SongDocument::infoChanged, this, [this] {
        RefreshTempo();
        RefreshInstrument();
    });
    connect(&doc, &SongDocument::songReplaced, this, [this] {
        RefreshTempo();
        RefreshInstrument();
        RefreshScrollRange();
        barEdit_.Refresh();
        barEditWindow_->Sync();
    });
    connect(&doc, &SongDocument::barCountChanged, this, [this] {
        RefreshScrollRange();
        barEdit_.Refresh();
        barEditWindow_->Sync();
    });
    connect(&doc, &SongDocument::dirtyChanged, this, [this] { RefreshTitle(); });
    connect(&doc, &SongDocument::currentFileChanged, this, [this] {
        settings_.currentFile = document_->currentFile();
        RefreshTitle();
    });
}

void MainWindow::ConnectPalettes()
{
    PaletteSet& p = *palettes_;
    // A preview may find no output as a play does: the status line says so.
    connect(&p.keyboardPalette(), &KeyboardPalette::notePressed, this, [this](int pitch) {
        preview_->Note(pitch);
        ShowSilentReason();
    });
    connect(score_, &ScoreView::noteTaken, &p.keyboardPalette(), &KeyboardPalette::NoteTaken);
    connect(&p.chordPalette(), &ChordPalette::chordPressed, this,
            [this](int row, int column) {
                preview_->Chord(palettes_->ChordVoicing(row, column));
                ShowSilentReason();
            });
    connect(&p.guitarPalette(), &GuitarPalette::strumRequested, this, [this] {
        preview_->Strum(palettes_->StrumFrets());
        ShowSilentReason();
    });
    connect(&p.phrasePalette(), &PhrasePalette::playRequested, this, [this] { PlayPhrase(); });
    connect(&p.songInfo(), &SongInfoPanel::previewRequested, this, [this](int category, int style) {
        stylePreview_->Play(song(), category, style);
        ShowSilentReason();
    });
    connect(&p.songInfo(), &SongInfoPanel::previewStopRequested, stylePreview_, &StylePreview::Stop);
    connect(stylePreview_, &StylePreview::playingChanged, &p.songInfo(), &SongInfoPanel::SetPreviewPlaying);
    connect(&p.options(), &OptionsWindow::rangeChanged, this, [this](KeyboardRange range) {
        settings_.keyboardLow = range.low;
        settings_.keyboardHigh = range.high;
    });
}

void MainWindow::ArrangeWindows()
{
    const QScreen* screen = QGuiApplication::primaryScreen();
    const QRect area = screen != nullptr ? screen->availableGeometry() : QRect(0, 0, 1600, 1200);
    if (startPicture_ != nullptr) {
        startPicture_->move(area.center() - startPicture_->rect().center());
        startPicture_->show();
    }
    QTimer::singleShot(timing::kStartPictureMs, this, [this, area] {
        if (startPicture_ != nullptr) startPicture_->hide();
        // On a small screen the window gives up height (and width) so that
        // the palettes find room beside and under it; the score scrolls.
        const QRect frame = frameGeometry();
        const int paletteHeight = palettes_->phrasePalette().frameGeometry().height() +
                                  palettes_->keyboardPalette().frameGeometry().height() + 24;
        const int chordWidth = palettes_->chordPalette().frameGeometry().width() + 8;
        QSize size = this->size();
        if (frame.height() + paletteHeight > area.height()) {
            size.setHeight(std::max(minimumHeight(), area.height() - paletteHeight - (frame.height() - height())));
        }
        if (frame.width() + chordWidth > area.width() && area.width() - chordWidth >= 640) {
            size.setWidth(area.width() - chordWidth - (frame.width() - width()));
        }
        if (size != this->size()) {
            resize(size);
            move(area.topLeft());
        }
        const QRect cells(score_->mapToGlobal(QPoint(0, 0)), score_->size());
        palettes_->ArrangeAround(frameGeometry(), cells, area);
        palettes_->ShowStartUpPalettes();
    });
}

// ---- shut-down -------------------------------------------------------------

void MainWindow::ShutDown()
{
    if (shutDown_) return;
    shutDown_ = true;
    if (songPlaying_ || phrasePlaying_) services_.playback->Stop();
    songPlaying_ = phrasePlaying_ = false;
    stylePreview_->Stop();
    keyboard_.reset();  // no key arrives after this
    preview_->Close();
    document_->SaveWorkingSong();
    palettes_->SaveChordList();
    document_->SaveWorkingPhrase();
    settings_.currentFile = document_->currentFile();
    SaveSettings(reporter_, WorkFile(services_.workDir, kSettingsFileName), settings_);
}

void MainWindow::closeEvent(QCloseEvent* e)
{
    // Closed from the window frame: the same question as the quit button.
    if (!quitRequested_ && !MaySongGo()) {
        e->ignore();
        return;
    }
    if (barEditWindow_ != nullptr) barEditWindow_->hide();
    if (startPicture_ != nullptr) startPicture_->hide();
    if (help_ != nullptr) help_->hide();
    QWidget::closeEvent(e);
}

// ---- commands ----------------------------------------------------------------

void MainWindow::Command(int command)
{
    // The song is being replaced by an import: it finishes first.
    if (importing_) return;
    switch (command) {
    case kCmdClear: document_->Clear(); break;
    case kCmdOpen:
        if (!MaySongGo()) break;
        if (auto path = fileChooser_({FileDialogKind::kOpenSong, {}})) document_->Open(*path);
        break;
    case kCmdSave:
        if (auto path = fileChooser_({FileDialogKind::kSaveSong, document_->currentFile()})) SaveSongTo(*path);
        break;
    case kCmdImport:
        if (!MaySongGo()) break;
        if (auto path = fileChooser_({FileDialogKind::kImportMidi, {}})) ImportMidiFrom(*path);
        break;
    case kCmdExport:
        if (auto path = fileChooser_({FileDialogKind::kExportMidi, ProposedMidiName(song().homePath())})) {
            ExportMidiTo(*path);
        }
        break;
    case kCmdPlay: PlaySong(); break;
    case kCmdLibrary: palettes_->ToggleLibrary(); break;
    case kCmdSongInfo: palettes_->ShowSongInfo(); break;
    case kCmdOptions: palettes_->ToggleOptions(); break;
    case kCmdBarEdit: OpenBarEditPanel(); break;
    case kCmdHelp: ShowHelp(); break;
    case kCmdQuit:
        if (!MaySongGo()) break;
        Quit();
        break;
    default: break;
    }
}

void MainWindow::QuitNow() { Quit(); }

void MainWindow::Quit()
{
    quitRequested_ = true;
    QTimer::singleShot(timing::kQuitDelayMs, this, [this] { close(); });
}

void MainWindow::ShowHelp()
{
    const std::string file = ResolveDataFile(services_.workDir, std::string(kHelpFile));
    if (!FileExists(file)) {
        GeneralErrorMsg(reporter_, gene::kFileNotFound);
        return;
    }
    // Our own window: there may be no browser to hand the page to.
    if (help_ == nullptr) {
        help_ = new QTextBrowser;
        help_->setWindowTitle(QStringLiteral("Songloom ヘルプ"));
        help_->setOpenExternalLinks(false);
        help_->resize(720, 560);
    }
    help_->setSource(QUrl::fromLocalFile(QString::fromStdString(file)));
    help_->show();
    help_->raise();
}

QToolButton* MainWindow::commandButton(int command) const { return commandBar_->button(command); }

// ---- displays --------------------------------------------------------------------

void MainWindow::RefreshScrollRange()
{
    const int pages = PageCount(song().bars());
    const QSignalBlocker quiet(scroll_);
    scroll_->setRange(0, pages);
    scroll_->setValue(page());
    pageLabel_->setText(QString::fromStdString(PageCounterText(page(), song().bars())));
}

void MainWindow::RefreshTempo()
{
    const QSignalBlocker quiet(tempo_);
    tempo_->setValue(song().info.tempo);
    tempoBox_->setText(QString::number(tempo_->value()));
}

void MainWindow::RefreshInstrument() { instrument_->setCurrentIndex(instrument_->findData(song().info.instrument)); }

void MainWindow::RefreshTitle()
{
    setWindowTitle(document_->DisplayName() + QStringLiteral("[*] - Songloom"));
    setWindowModified(document_->dirty());
}

}  // namespace songloom::app
