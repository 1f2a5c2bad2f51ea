#include "app/songloom_dlg.h"

#include <QApplication>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QDesktopServices>
#include <QDrag>
#include <QDragEnterEvent>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QMimeData>
#include <QPainter>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QShortcut>
#include <QSlider>
#include <QTimer>
#include <QToolButton>
#include <QUrl>

#include "app/bar_edit_window.h"
#include "app/command_icons.h"
#include "app/main_messages.h"
#include "app/staff_page.h"
#include "common/data_paths.h"
#include "common/general.h"
#include "common/messages.h"
#include "common/text.h"
#include "song/drop_payload.h"

namespace songloom::app {
namespace {

constexpr std::string_view kWorkingSongFile = "data.dat";
constexpr std::string_view kWorkingPhraseFile = "phrase.pdt";
constexpr std::string_view kPlayFile = "play.mid";
constexpr std::string_view kPhrasePlayFile = "phrase.mid";
constexpr std::string_view kHelpFile = "help/index.html";
constexpr int kPhraseBars = 4;
constexpr int kPreviewVelocity = 115;
constexpr int kChordVelocity = 100;
constexpr int kStrumVelocity = 100;
constexpr int kStrumSpacingMs = 50;
constexpr std::array<int, 6> kOpenStrings{52, 57, 62, 67, 71, 76};
constexpr int kQuitDelayMs = 500;

const QColor kBackground(0, 0, 0);
const QColor kText(64, 200, 200);
const QColor kSelected(255, 200, 200);
const QColor kPlaying(255, 200, 200);
const QColor kDragOver(200, 255, 200);

QString Qs(std::string_view text) { return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())); }

// The order of the buttons along the top, by command.
constexpr std::array<int, 12> kButtonOrder{kCmdClear, kCmdOpen,     kCmdSave,    kCmdImport,
                                           kCmdExport, kCmdPlay,    kCmdLibrary, kCmdSongInfo,
                                           kCmdOptions, kCmdBarEdit, kCmdHelp,   kCmdQuit};

constexpr int kButtonSize = 40;
constexpr int kButtonGap = 6;

// Tints a picture: white becomes colour, black stays black.
void Tint(QPainter& painter, const QRect& rect, const QColor& colour)
{
    painter.save();
    painter.setCompositionMode(QPainter::CompositionMode_Multiply);
    painter.fillRect(rect, colour);
    painter.restore();
}

QRect ToQRect(const PixelRect& r) { return QRect(r.x, r.y, r.width, r.height); }

}  // namespace

QEvent::Type WindowMessageEvent::EventType() { return static_cast<QEvent::Type>(QEvent::User + 0x100); }

// ---- default dialogs -----------------------------------------------------

std::optional<std::string> ShowFileDialog(QWidget* parent, const FileDialogRequest& request)
{
    QString filter;
    QString suffix;
    bool save = false;
    switch (request.kind) {
    case FileDialogKind::kOpenSong: filter = QStringLiteral("songloom files (*.sld)"); suffix = "sld"; break;
    case FileDialogKind::kSaveSong:
        filter = QStringLiteral("songloom files (*.sld)");
        suffix = "sld";
        save = true;
        break;
    case FileDialogKind::kImportMidi: filter = QStringLiteral("SMF files (*.mid)"); suffix = "mid"; break;
    case FileDialogKind::kExportMidi:
        filter = QStringLiteral("midi files (*.mid)");
        suffix = "mid";
        save = true;
        break;
    }
    QFileDialog dialog(parent, QString(), QString(), filter);
    dialog.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dialog.setFileMode(save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    dialog.setDefaultSuffix(suffix);
    // The save dialog asks before it overwrites (Qt's default).
    if (!request.proposed.empty()) dialog.selectFile(QString::fromStdString(request.proposed));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
    return dialog.selectedFiles().first().toStdString();
}

void StartTextDrag(QWidget* source, const QString& text)
{
    auto* drag = new QDrag(source);
    auto* data = new QMimeData;
    data->setText(text);
    drag->setMimeData(data);
    drag->exec(Qt::CopyAction);
}

song::KeyChangeAnswer AskTransposition(QWidget* parent)
{
    QMessageBox box(parent);
    box.setWindowTitle(Qs(song::kTransposeDialogTitle));
    box.setText(QStringLiteral("楽譜のコードとメロディを新しい調に移調しますか？"));
    QPushButton* transpose = box.addButton(Qs(song::kTransposeButton), QMessageBox::AcceptRole);
    box.addButton(Qs(song::kSignatureOnlyButton), QMessageBox::RejectRole);
    box.setEscapeButton(QMessageBox::NoButton);
    box.exec();
    // Closing the box counts as changing the key signature only.
    return box.clickedButton() == transpose ? song::KeyChangeAnswer::kTranspose
                                            : song::KeyChangeAnswer::kSignatureOnly;
}

// ---- start-up --------------------------------------------------------------

CSongloomDlg::CSongloomDlg(AppServices& services, QWidget* parent)
    : QWidget(parent),
      services_(services),
      reporter_(services.reporter),
      dropTarget_([](std::string_view, int, int) {},
                  [](std::string_view, int, int) {})
{
    setWindowIcon(CommandIcon(kCmdPlay));
    QPalette colours = palette();
    colours.setColor(QPalette::Window, kBackground);
    colours.setColor(QPalette::WindowText, kText);
    setPalette(colours);
    setAutoFillBackground(true);
    setFixedSize(kWindowWidth, kWindowHeight);

    // Files and texts may be dropped on the window; the drop target hands the
    // text of a drop or a drag-over, with its point, to the score.
    setAcceptDrops(true);
    dropTarget_ = song::CDropTarget(
        [this](std::string_view text, int x, int y) {
            dragBand_.reset();
            update();
            if (song_->beats() == 0) ShowMainMessage(main_message::kClassName);
            const auto cells = CellRects();
            const auto hit = song::HitTestCell(cells, page_, song_->beats(), x, y);
            const song::ScoreDropResult result = song::DropOnScore(reporter_, *song_, *phrase_, text, hit);
            if (!result.hit) return;
            if (result.showMainMessage0) ShowMainMessage(main_message::kClassName);
            barEdit_.Refresh();
            if (barEditWindow_ != nullptr) barEditWindow_->Sync();
            RefreshAll();
        },
        [this](std::string_view text, int x, int y) {
            const auto cells = CellRects();
            const auto hit = song::HitTestCell(cells, page_, song_->beats(), x, y);
            std::optional<song::HighlightBand> band;
            if (hit) band = song::DragOverBand(*song_, text, *hit, cells[0].width);
            if (band != dragBand_) {
                dragBand_ = band;
                update();
            }
        });

    fileChooser_ = [this](const FileDialogRequest& request) { return ShowFileDialog(this, request); };
    dragStarter_ = StartTextDrag;
    transposeAsker_ = [this] { return AskTransposition(this); };
    urlOpener_ = [](const QString& file) { return QDesktopServices::openUrl(QUrl::fromLocalFile(file)); };

    // Settings, with the repairs of values out of range.
    const std::string workDir = services_.workDir;
    settings_ = LoadSettings(WorkFile(workDir, kSettingsFileName), SetupSettings{});
    RepairSettings(settings_, [this] { ShowMainMessage(main_message::kBadSettings); });

    // The engine's generator from the clock, then the style catalogue.
    services_.BuildCatalogue(ClockSeed());

    selection_ = {};
    dragCell_ = -1;
    page_ = 0;

    int bars = 8;
    int beats = 4;
    int key = 0;
    const bool hadWorkingSong = FileExists(WorkFile(workDir, kWorkingSongFile));
    song_ = std::make_unique<song::SongData>(reporter_, WorkFile(workDir, kWorkingSongFile), bars, beats, key);
    barEdit_.SetSong(song_.get());

    CreateControls();
    const PixelRect cell = CellRect(0);
    staff_ = std::make_unique<StaffPage>(reporter_, cell.width, cell.height, RowHeadRect(0).width);

    int phraseBars = kPhraseBars;
    int phraseBeats = 4;
    int phraseKey = 0;
    phrase_ = std::make_unique<song::SongData>(reporter_, WorkFile(workDir, kWorkingPhraseFile), phraseBars,
                                               phraseBeats, phraseKey);
    barEditWindow_ = new CEditDlg(barEdit_, [this](int command) { Command(command); }, this);
    barEditWindow_->setWindowFlag(Qt::Window);

    {
        const QSignalBlocker block(tempo_);
        tempo_->setRange(kTempoMin, kTempoMax);
    }
    // A first start has no working song: the new one takes the tempo and
    // instrument of the style it starts in.
    if (!hadWorkingSong) ApplyStyleDefaults();
    RefreshAll();

    // The melody instruments, without the undefined names.
    for (const auto& [index, name] : MelodyInstrumentEntries()) instrument_->addItem(Qs(name), index);
    RefreshInstrument();

    startPicture_ = new QLabel(nullptr, Qt::SplashScreen | Qt::FramelessWindowHint);
    startPicture_->setPixmap(StartUpPicture());
    startPicture_->resize(startPicture_->pixmap().size());

    SetCaption();
    PostWindowMessage(wm::kStartUp);
    initialised_ = true;
    CreateHotKeys();
}

CSongloomDlg::~CSongloomDlg()
{
    ShutDown();
    delete startPicture_;
}

void CSongloomDlg::CreateControls()
{
    for (std::size_t i = 0; i < kButtonOrder.size(); ++i) {
        const int command = kButtonOrder[i];
        auto* button = new QToolButton(this);
        button->setIcon(CommandIcon(command));
        button->setIconSize(QSize(kCommandIconSize, kCommandIconSize));
        button->setToolTip(Qs(CommandTooltip(command)));
        button->setAutoRaise(false);
        const int x = DluX(5) + static_cast<int>(i) * (kButtonSize + kButtonGap) +
                      (command == kCmdQuit ? kButtonSize : 0);
        button->setGeometry(x, DluY(8), kButtonSize, kButtonSize);
        connect(button, &QToolButton::clicked, this, [this, command] { Command(command); });
        buttons_[static_cast<std::size_t>(command)] = button;
    }

    scroll_ = new QScrollBar(Qt::Horizontal, this);
    scroll_->setGeometry(ToQRect(kScrollBarRect));
    scroll_->setPageStep(2);
    scroll_->setToolTip(Qs(kTipOther));
    connect(scroll_, &QScrollBar::actionTriggered, this, [this](int action) {
        ScrollCode code = ScrollCode::kThumb;
        switch (action) {
        case QAbstractSlider::SliderSingleStepAdd: code = ScrollCode::kLineRight; break;
        case QAbstractSlider::SliderSingleStepSub: code = ScrollCode::kLineLeft; break;
        case QAbstractSlider::SliderPageStepAdd: code = ScrollCode::kPageRight; break;
        case QAbstractSlider::SliderPageStepSub: code = ScrollCode::kPageLeft; break;
        case QAbstractSlider::SliderToMinimum: code = ScrollCode::kFarLeft; break;
        case QAbstractSlider::SliderToMaximum: code = ScrollCode::kFarRight; break;
        case QAbstractSlider::SliderMove: code = ScrollCode::kThumb; break;
        default: return;
        }
        Scroll(code, scroll_->sliderPosition());
        scroll_->setSliderPosition(page_);
    });

    // Captions sit under their controls; the cells fill the space above.
    const int captionY = kTempoSliderRect.y + 24;
    auto* tempoLabel = new QLabel(QStringLiteral("テンポ"), this);
    tempoLabel->setGeometry(kTempoSliderRect.x, captionY, 120, 18);
    tempo_ = new QSlider(Qt::Horizontal, this);
    tempo_->setGeometry(ToQRect(kTempoSliderRect));
    tempo_->setToolTip(Qs(kTipOther));
    tempoBox_ = new QLineEdit(this);
    tempoBox_->setReadOnly(true);
    tempoBox_->setAlignment(Qt::AlignRight);
    tempoBox_->setGeometry(kTempoBoxRect.x + 4, kTempoBoxRect.y - 3, kTempoBoxRect.width + 8, 22);
    connect(tempo_, &QSlider::valueChanged, this, [this](int value) {
        song_->info.tempo = value;
        tempoBox_->setText(QString::number(value));
    });

    auto* instrumentLabel = new QLabel(QStringLiteral("メロディの楽器"), this);
    instrumentLabel->setGeometry(kInstrumentListRect.x, captionY, 160, 18);
    instrument_ = new QComboBox(this);
    instrument_->setGeometry(kInstrumentListRect.x, kInstrumentListRect.y - 3, kInstrumentListRect.width + 60, 24);
    instrument_->setMaxVisibleItems(20);
    instrument_->setToolTip(Qs(kTipOther));
    connect(instrument_, &QComboBox::activated, this, [this](int index) {
        song_->info.instrument = InstrumentIndexOfName(instrument_->itemText(index).toStdString());
    });

    auto* pageLabel = new QLabel(this);
    pageLabel->setObjectName(QStringLiteral("pageLabel"));
    pageLabel->setGeometry(kScrollBarRect.x, captionY, kScrollBarRect.width, 18);
    pageLabel->setAlignment(Qt::AlignRight);

    for (int id = timer::kNoteOff; id <= timer::kStartPicture; ++id) {
        auto* t = new QTimer(this);
        t->setSingleShot(true);  // every timer is killed when it fires
        connect(t, &QTimer::timeout, this, [this, id] { OnTimer(id); });
        timers_[static_cast<std::size_t>(id - timer::kNoteOff)] = t;
    }
    setMouseTracking(false);
}

void CSongloomDlg::CreateHotKeys()
{
    // A window shortcut acts only while the window is active: registered on
    // activation, released on deactivation.
    auto add = [this](const QKeySequence& keys, auto fn) {
        auto* shortcut = new QShortcut(keys, this);
        shortcut->setContext(Qt::WindowShortcut);
        connect(shortcut, &QShortcut::activated, this, fn);
        hotKeys_.push_back(shortcut);
    };
    add(QKeySequence(Qt::CTRL | Qt::Key_Z), [this] { Undo(); });
    add(QKeySequence(Qt::Key_Delete), [this] { DeleteSelectedBars(); });
    add(QKeySequence(Qt::Key_Insert), [this] { InsertSelectedBars(); });
}

// ---- shut-down -------------------------------------------------------------

void CSongloomDlg::ShutDown()
{
    if (shutDown_) return;
    shutDown_ = true;
    for (QTimer* t : timers_) t->stop();
    if (songPlaying_ || phrasePlaying_) services_.playback->Stop();
    songPlaying_ = phrasePlaying_ = false;
    services_.playback->ClosePreview();

    const std::string workDir = services_.workDir;
    song_->info.tempo = tempo_->value();
    song_->Save(reporter_, WorkFile(workDir, kWorkingSongFile));
    if (chordListWriter_) chordListWriter_();
    phrase_->Save(reporter_, WorkFile(workDir, kWorkingPhraseFile));
    SaveSettings(reporter_, WorkFile(workDir, kSettingsFileName), settings_);
}

void CSongloomDlg::closeEvent(QCloseEvent* e)
{
    if (barEditWindow_ != nullptr) barEditWindow_->hide();
    if (startPicture_ != nullptr) startPicture_->hide();
    QWidget::closeEvent(e);
}

// ---- messages ----------------------------------------------------------------

void CSongloomDlg::ShowMainMessage(int code) { ShowErrorBox(reporter_, MainMessageText(code), false); }

void CSongloomDlg::ShowNotAvailable() { ShowErrorBox(reporter_, kNotAvailableText, false); }

void CSongloomDlg::PostWindowMessage(std::uint32_t message, long long wParam, long long lParam)
{
    QCoreApplication::postEvent(this, new WindowMessageEvent(message, wParam, lParam));
}

bool CSongloomDlg::event(QEvent* e)
{
    if (e->type() == WindowMessageEvent::EventType()) {
        const auto* m = static_cast<WindowMessageEvent*>(e);
        HandleWindowMessage(m->message, m->wParam, m->lParam);
        return true;
    }
    return QWidget::event(e);
}

void CSongloomDlg::HandleWindowMessage(std::uint32_t message, long long wParam, long long lParam)
{
    switch (message) {
    case wm::kStartUp: {
        // Palettes are arranged around the window once they exist; the
        // start-up picture is centred on the screen for a second.
        if (QScreen* screen = QGuiApplication::primaryScreen()) {
            const QRect area = screen->availableGeometry();
            startPicture_->move(area.center() - startPicture_->rect().center());
        }
        startPicture_->show();
        StartTimer(timer::kStartPicture, timer::kStartPictureMs);
        break;
    }
    case wm::kScoreBarToPhrase:
        song::CopyScoreBarToPhrase(reporter_, *phrase_, *song_, static_cast<int>(wParam), static_cast<int>(lParam));
        break;
    case wm::kNotePreview: NotePreview(static_cast<int>(wParam)); break;
    case wm::kChordPreview: ChordPreview(static_cast<int>(wParam), static_cast<int>(lParam)); break;
    case wm::kAskMorePages:
        if (reporter_.Confirm(kMorePagesQuestion)) Command(kCmdSongInfo);
        break;
    case wm::kBarCount:
        song_->SetBarCount(static_cast<int>(wParam));
        page_ = PageAfterBarCount(page_, song_->bars());
        RefreshAll();
        break;
    case wm::kKey: {
        song::ChangeKey(reporter_, *song_, static_cast<int>(wParam), transposeAsker_);
        RefreshAll();
        break;
    }
    case wm::kTimeSignature:
        song::ChangeTimeSignature(reporter_, *song_, static_cast<int>(wParam));
        RefreshAll();
        break;
    case wm::kCategory:
        song_->info.category = static_cast<int>(wParam);
        song_->info.style = static_cast<int>(lParam);
        ApplyStyleDefaults();
        break;
    case wm::kStyle:
        song_->info.style = static_cast<int>(wParam);
        ApplyStyleDefaults();
        break;
    case wm::kStrumPreview:
        if (strumSource_) StrumPreview(strumSource_());
        break;
    case wm::kBarEditRefresh: RefreshScrollRange(); break;
    case wm::kKeyboardRange:
        settings_.keyboardLow = static_cast<std::int32_t>(wParam);
        settings_.keyboardHigh = static_cast<std::int32_t>(lParam);
        break;
    default: break;
    }
}

// ---- commands ----------------------------------------------------------------

void CSongloomDlg::Command(int number)
{
    switch (number) {
    case kCmdClear: ClearSong(); break;
    case kCmdOpen:
        if (auto path = fileChooser_({FileDialogKind::kOpenSong, {}})) OpenSongFile(*path);
        break;
    case kCmdSave: {
        song_->info.tempo = tempo_->value();
        if (auto path = fileChooser_({FileDialogKind::kSaveSong, settings_.currentFile})) SaveSongTo(*path);
        break;
    }
    case kCmdImport:
        if (auto path = fileChooser_({FileDialogKind::kImportMidi, {}})) ImportMidiFrom(*path);
        break;
    case kCmdExport:
        if (auto path = fileChooser_({FileDialogKind::kExportMidi, ProposedMidiName(song_->homePath())})) {
            ExportMidiTo(*path);
        }
        break;
    case kCmdPlay: PlaySong(); break;
    case kCmdSongInfo:
        song_->TakeSnapshot();
        RefreshAll();
        ShowNotAvailable();
        break;
    case kCmdBarEdit: OpenBarEditPanel(); break;
    case kCmdHelp: {
        const std::string help = ResolveDataFile(services_.workDir, std::string(kHelpFile));
        if (!FileExists(help)) {
            GeneralErrorMsg(reporter_, gene::kFileNotFound);
            break;
        }
        urlOpener_(QString::fromStdString(help));
        break;
    }
    case kCmdQuit:
        quitRequested_ = true;
        QTimer::singleShot(kQuitDelayMs, this, [this] { close(); });
        break;
    case kCmdPhraseClear:
        phrase_->Reset(reporter_, kPhraseBars, song_->beats(), song_->key());
        break;
    case kCmdPhrasePlay: PlayPhrase(); break;
    case kCmdBarEditApply: ApplyBarEdit(); break;
    case kCmdBarEditUndo:
        barEdit_.Undo();
        RefreshAll();
        if (barEditWindow_ != nullptr) barEditWindow_->Sync();
        break;
    default:
        // Library, options, the phrase files, the guitar palette, the scale
        // and chord selectors belong to the palettes.
        ShowNotAvailable();
        break;
    }
}

void CSongloomDlg::ClearSong()
{
    const int entry = song_->beats() == 4 ? 0 : 1;
    const int category = song_->info.category;
    const int style = song_->info.style;
    if (!song::ClearSong(reporter_, *song_, entry)) return;
    // The style chosen stays chosen; tempo and instrument come from it.
    song_->info.category = category;
    song_->info.style = style;
    ApplyStyleDefaults();
    page_ = 0;
    selection_ = {};
    phrase_->Reset(reporter_, kPhraseBars, song_->beats(), song_->key());
    barEdit_.Refresh();
    if (barEditWindow_ != nullptr) barEditWindow_->Sync();
    settings_.currentFile.clear();
    SetCaption();
    RefreshAll();
}

void CSongloomDlg::ApplyStyleDefaults()
{
    if (const arrange::StyleRecord* style = services_.StyleOf(*song_)) {
        song_->info.tempo = StyleDefaultTempo(*style);
        const int instrument = StyleDefaultInstrument(*style);
        if (instrument >= 0 && instrument < kInstrumentNames) song_->info.instrument = instrument;
    }
    RefreshTempo();
    RefreshInstrument();
}

bool CSongloomDlg::OpenSongFile(const std::string& path, bool becomesCurrentFile)
{
    if (songPlaying_) PlaySong();  // the song being played is about to go
    int bars = 8;
    int beats = 4;
    int key = 0;
    song_ = std::make_unique<song::SongData>(reporter_, path, bars, beats, key);
    barEdit_.SetSong(song_.get());
    barEdit_.Refresh();
    if (barEditWindow_ != nullptr) barEditWindow_->Sync();
    page_ = 0;
    selection_ = {};
    phrase_->Reset(reporter_, kPhraseBars, song_->beats(), song_->key());
    if (becomesCurrentFile) {
        settings_.currentFile = path;
        SetCaption();
    }
    RefreshAll();
    return true;
}

bool CSongloomDlg::SaveSongTo(const std::string& path)
{
    song_->info.tempo = tempo_->value();
    if (!song_->Save(reporter_, path)) return false;
    settings_.currentFile = path;
    SetCaption();
    return true;
}

bool CSongloomDlg::ExportMidiTo(const std::string& path) { return services_.render(*song_, path); }

bool CSongloomDlg::ImportMidiFrom(const std::string& path)
{
    if (songPlaying_) PlaySong();
    if (!services_.import(*song_, path)) {
        RefreshAll();
        return false;
    }
    song_->info.tempo = 120;
    if (const arrange::StyleRecord* style = services_.StyleOf(*song_)) {
        const int instrument = StyleDefaultInstrument(*style);
        if (instrument >= 0 && instrument < kInstrumentNames) song_->info.instrument = instrument;
    }
    page_ = 0;
    selection_ = {};
    phrase_->Reset(reporter_, kPhraseBars, song_->beats(), song_->key());
    RefreshAll();
    return true;
}

// ---- play ----------------------------------------------------------------------

void CSongloomDlg::PlaySong()
{
    if (phrasePlaying_) return;
    if (songPlaying_) {
        services_.playback->Stop();
        songPlaying_ = false;
        tempo_->setEnabled(true);
        SetPlayPictures();
        playingBar_ = -1;
        update();
        return;
    }
    const std::string path = WorkFile(services_.workDir, kPlayFile);
    if (!services_.render(*song_, path)) return;
    songPlaying_ = true;
    tempo_->setEnabled(false);
    if (!StartPlayer(path)) {
        // Nothing plays: the window goes back to idle at once.
        songPlaying_ = false;
        tempo_->setEnabled(true);
        SetPlayPictures();
    }
}

bool CSongloomDlg::StartPlayer(const std::string& path)
{
    services_.playback->ClosePreview();
    previewNote_ = -1;
    playingBar_ = -1;
    SetPlayPictures();
    // The player calls back from its own threads; the window handles both
    // calls on its thread, and drops them once it is gone.
    return services_.playback->Play(
        path,
        [this](int tick) {
            QMetaObject::invokeMethod(this, [this, tick] { OnPlayPosition(tick); }, Qt::QueuedConnection);
        },
        [this] { QMetaObject::invokeMethod(this, [this] { OnPlayEnd(); }, Qt::QueuedConnection); });
}

void CSongloomDlg::PlayPhrase()
{
    if (songPlaying_) return;
    if (phrasePlaying_) {
        services_.playback->Stop();
        phrasePlaying_ = false;
        SetPlayPictures();
        playingBar_ = -1;
        return;
    }
    if (song_->info.tempo <= 0) {
        ShowMainMessage(main_message::kTempoRepaired);
        tempo_->setValue(kTempoMin);
        song_->info.tempo = kTempoMin;
    }
    // The phrase plays in the working song's style, tempo and instrument.
    song::SongData phrase = *phrase_;
    phrase.info.category = song_->info.category;
    phrase.info.style = song_->info.style;
    phrase.info.tempo = song_->info.tempo;
    phrase.info.instrument = song_->info.instrument;
    const std::string path = WorkFile(services_.workDir, kPhrasePlayFile);
    if (!services_.render(phrase, path)) return;
    phrasePlaying_ = true;
    if (!StartPlayer(path)) {
        phrasePlaying_ = false;
        SetPlayPictures();
    }
}

void CSongloomDlg::OnPlayPosition(int tick)
{
    if (!songPlaying_ && !phrasePlaying_) return;
    const int beats = songPlaying_ ? song_->beats() : phrase_->beats();
    if (beats <= 0) return;
    const int bar = tick / (beats * 96);
    if (bar == playingBar_) return;
    playingBar_ = bar;
    // The phrase's cells belong to the phrase palette; the score repaints
    // for the song only.
    if (songPlaying_) update();
}

void CSongloomDlg::OnPlayEnd()
{
    if (songPlaying_) {
        songPlaying_ = false;
        tempo_->setEnabled(true);
        playingBar_ = -1;
        SetPlayPictures();
        update();
    } else if (phrasePlaying_) {
        phrasePlaying_ = false;
        playingBar_ = -1;
        SetPlayPictures();
    }
}

void CSongloomDlg::SetPlayPictures()
{
    QToolButton* play = buttons_[kCmdPlay];
    play->setIcon(CommandIcon(kCmdPlay, songPlaying_));
    play->setDown(false);
}

// ---- previews --------------------------------------------------------------------

void CSongloomDlg::NotePreview(int pitch)
{
    if (songPlaying_ || phrasePlaying_ || pitch < 0 || pitch > 127) return;
    PlaybackPort& port = *services_.playback;
    if (previewNote_ >= 0) port.Preview(0x80, previewNote_, 0);
    if (!port.PreviewOpen()) {
        port.Preview(0xC0, 0, 0);
        port.Preview(0xC1, 0, 0);
        port.Preview(0xC2, 24, 0);
    }
    port.Preview(0x90, pitch, kPreviewVelocity);
    previewNote_ = pitch;
    StartTimer(timer::kNoteOff, timer::kNoteOffMs);
}

void CSongloomDlg::StopPreviewNotes(std::vector<int>& notes, int channel)
{
    for (int note : notes) services_.playback->Preview(0x80 | channel, note, 0);
    notes.clear();
}

void CSongloomDlg::ChordPreview(int row, int column)
{
    if (songPlaying_ || phrasePlaying_ || !chordVoicer_) return;
    StopPreviewNotes(chordPreviewNotes_, 1);
    for (int pitch : chordVoicer_(row, column)) {
        if (pitch < 0 || pitch > 127) continue;
        services_.playback->Preview(0x91, pitch, kChordVelocity);
        chordPreviewNotes_.push_back(pitch);
    }
    StartTimer(timer::kChordOff, timer::kChordOffMs);
}

void CSongloomDlg::StrumPreview(const std::array<int, 6>& frets)
{
    if (songPlaying_ || phrasePlaying_) return;
    StopPreviewNotes(strumPreviewNotes_, 2);
    int delay = 0;
    for (std::size_t i = 0; i < frets.size(); ++i) {
        if (frets[i] < 0) continue;
        const int pitch = kOpenStrings[i] + frets[i];
        strumPreviewNotes_.push_back(pitch);
        QTimer::singleShot(delay, this, [this, pitch] {
            if (!songPlaying_ && !phrasePlaying_) services_.playback->Preview(0x92, pitch, kStrumVelocity);
        });
        delay += kStrumSpacingMs;
    }
    StartTimer(timer::kStrumOff, timer::kStrumOffMs);
}

void CSongloomDlg::StartTimer(int id, int ms) { timers_[static_cast<std::size_t>(id - timer::kNoteOff)]->start(ms); }

bool CSongloomDlg::timerActive(int id) const
{
    return timers_[static_cast<std::size_t>(id - timer::kNoteOff)]->isActive();
}

void CSongloomDlg::OnTimer(int id)
{
    switch (id) {
    case timer::kNoteOff:
        if (previewNote_ >= 0) services_.playback->Preview(0x80, previewNote_, 0);
        previewNote_ = -1;
        break;
    case timer::kChordOff: StopPreviewNotes(chordPreviewNotes_, 1); break;
    case timer::kStrumOff: StopPreviewNotes(strumPreviewNotes_, 2); break;
    case timer::kStartPicture:
        // The palettes come up here once they exist.
        startPicture_->hide();
        break;
    default: break;
    }
}

// ---- paging, selection and bar commands ---------------------------------------

void CSongloomDlg::Scroll(ScrollCode code, int thumb)
{
    const ScrollResult result = ApplyScroll(code, page_, thumb, PageCount(song_->bars()));
    if (result.askMorePages) PostWindowMessage(wm::kAskMorePages);
    page_ = result.page;
    selection_ = {};
    playingBar_ = -1;
    scroll_->setValue(page_);
    RedrawPage();
}

void CSongloomDlg::ClickCell(int cell, bool shift)
{
    selection_ = app::ClickCell(selection_, cell, shift);
    update();
}

void CSongloomDlg::DeleteSelectedBars()
{
    if (selection_.Empty()) {
        ShowMainMessage(main_message::kNoSelection);
        return;
    }
    const auto [first, last] = SelectedBars(selection_, page_);
    song_->DeleteBars(reporter_, first, last);
    AfterBarCommand();
}

void CSongloomDlg::InsertSelectedBars()
{
    if (selection_.Empty()) {
        ShowMainMessage(main_message::kNoSelection);
        return;
    }
    const auto [first, last] = SelectedBars(selection_, page_);
    song_->InsertBars(reporter_, first, last);
    AfterBarCommand();
}

void CSongloomDlg::AfterBarCommand()
{
    barEdit_.Refresh();
    if (barEditWindow_ != nullptr) barEditWindow_->Sync();
    RefreshAll();
}

void CSongloomDlg::Undo()
{
    if (!song_->HasSnapshot()) return;
    song_->RestoreSnapshot();
    AfterBarCommand();
}

void CSongloomDlg::OpenBarEditPanel()
{
    barEdit_.SetSong(song_.get());
    const auto [first, last] = SelectedBars(selection_, page_);
    barEdit_.Open(first + 1, last + 1);
    barEditWindow_->Sync();
    barEditWindow_->show();
    barEditWindow_->raise();
    RedrawPage();
}

void CSongloomDlg::ApplyBarEdit()
{
    const song::BarEditResult result = barEdit_.Apply(reporter_);
    if (result.refreshRequested) HandleWindowMessage(wm::kBarEditRefresh, 0, 0);
    if (barEditWindow_ != nullptr) barEditWindow_->Sync();
    if (result.ran) RefreshAll();
}

// ---- displays --------------------------------------------------------------------

void CSongloomDlg::RefreshAll()
{
    RefreshScrollRange();
    RefreshTempo();
    RefreshInstrument();
    RedrawPage();
}

void CSongloomDlg::RefreshScrollRange()
{
    const int pages = PageCount(song_->bars());
    if (page_ > pages) page_ = pages;
    scroll_->setRange(0, pages);
    scroll_->setValue(page_);
    if (auto* label = findChild<QLabel*>(QStringLiteral("pageLabel"))) {
        label->setText(QStringLiteral("%1 / %2 ページ　%3 小節").arg(page_ + 1).arg(std::max(pages, 1)).arg(song_->bars()));
    }
}

void CSongloomDlg::RefreshTempo()
{
    // The slider shows the song's tempo within its range.
    const int tempo = song_->info.tempo;
    const QSignalBlocker block(tempo_);
    tempo_->setValue(tempo);
    tempoBox_->setText(QString::number(tempo_->value()));
}

void CSongloomDlg::RefreshInstrument()
{
    const int index = instrument_->findData(song_->info.instrument);
    instrument_->setCurrentIndex(index);
}

void CSongloomDlg::RedrawPage()
{
    staff_->Draw(*song_, page_);
    RefreshScrollRange();
    update();
}

void CSongloomDlg::SetCaption() { setWindowTitle(QString::fromStdString(settings_.currentFile)); }

QToolButton* CSongloomDlg::commandButton(int command) const
{
    if (command < 0 || command >= static_cast<int>(buttons_.size())) return nullptr;
    return buttons_[static_cast<std::size_t>(command)];
}

std::array<song::CellRect, kCellsPerPage> CSongloomDlg::CellRects() const
{
    std::array<song::CellRect, kCellsPerPage> rects{};
    for (int i = 0; i < kCellsPerPage; ++i) {
        const PixelRect r = CellRect(i);
        rects[static_cast<std::size_t>(i)] = {r.x, r.y, r.width, r.height};
    }
    return rects;
}

int CSongloomDlg::CellAt(int x, int y) const
{
    for (int i = 0; i < kCellsPerPage; ++i) {
        if (CellRect(i).Contains(x, y)) return i;
    }
    return -1;
}

QImage CSongloomDlg::PaintedImage() { return grab().toImage(); }

void CSongloomDlg::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    for (int r = 0; r < kRows; ++r) painter.drawImage(ToQRect(RowHeadRect(r)).topLeft(), staff_->Head(r));
    for (int i = 0; i < kCellsPerPage; ++i) {
        const QRect rect = ToQRect(CellRect(i));
        painter.drawImage(rect.topLeft(), staff_->Cell(i));
        const int bar = page_ * kCellsPerPage + i;
        if (selection_.Contains(i) || (songPlaying_ && bar == playingBar_)) {
            Tint(painter, rect, songPlaying_ && bar == playingBar_ ? kPlaying : kSelected);
        }
        if (dragBand_ && dragBand_->cell == i) {
            Tint(painter, QRect(rect.x() + dragBand_->from, rect.y(), dragBand_->to - dragBand_->from, rect.height()),
                 kDragOver);
        }
    }
    if (!firstPaintSignalled_) {
        firstPaintSignalled_ = true;
        emit firstPagePainted();
    }
}

// ---- mouse ---------------------------------------------------------------------------

void CSongloomDlg::mousePressEvent(QMouseEvent* e)
{
    const QPoint p = e->position().toPoint();
    const int cell = CellAt(p.x(), p.y());
    dragCell_ = -1;
    if (cell < 0 || e->button() != Qt::LeftButton) return;
    ClickCell(cell, (e->modifiers() & Qt::ShiftModifier) != 0);
    dragCell_ = cell;
    pressPoint_ = p;
}

void CSongloomDlg::mouseMoveEvent(QMouseEvent* e)
{
    if (dragCell_ < 0 || !(e->buttons() & Qt::LeftButton)) return;
    if ((e->position().toPoint() - pressPoint_).manhattanLength() < QApplication::startDragDistance()) return;
    const int cell = dragCell_;
    dragCell_ = -1;
    StartCellDrag(cell);
}

void CSongloomDlg::StartCellDrag(int cell)
{
    const std::string payload = song::ScorePayload(page_ * kCellsPerPage + cell);
    dragStarter_(this, QString::fromStdString(Cp932ToUtf8(payload)));
}

void CSongloomDlg::contextMenuEvent(QContextMenuEvent* e)
{
    if (CellAt(e->pos().x(), e->pos().y()) < 0) return;
    QMenu menu(this);
    QAction* remove = menu.addAction(QStringLiteral("削除"));
    QAction* insert = menu.addAction(QStringLiteral("挿入"));
    QAction* chosen = menu.exec(e->globalPos());
    if (chosen == remove) DeleteSelectedBars();
    else if (chosen == insert) InsertSelectedBars();
}

// ---- drag and drop -------------------------------------------------------------------

std::optional<QString> CSongloomDlg::TextOf(const QMimeData* data)
{
    if (data == nullptr || !data->hasText()) return std::nullopt;
    return data->text();
}

namespace {

// The payload as the song reads it: CP932 bytes, at most what a drop takes.
std::optional<std::string> PayloadBytes(const std::optional<QString>& text)
{
    if (!text) return std::nullopt;
    return TruncateCp932(Utf8ToCp932(text->toStdString()), song::kDropTextCapacity);
}

}  // namespace

bool CSongloomDlg::DropText(const std::optional<QString>& text, int x, int y)
{
    return dropTarget_.Drop(reporter_, PayloadBytes(text), x, y);
}

void CSongloomDlg::DragOverText(const std::optional<QString>& text, int x, int y)
{
    dropTarget_.DragOver(PayloadBytes(text), x, y);
}

void CSongloomDlg::DragLeft()
{
    if (!dragBand_) return;
    dragBand_.reset();
    update();
}

void CSongloomDlg::DropFiles(const QStringList& paths)
{
    if (paths.size() > 1) {
        ShowMainMessage(main_message::kSeveralFiles);
        return;
    }
    if (paths.size() == 1) OpenSongFile(paths.first().toStdString());
}

void CSongloomDlg::dragEnterEvent(QDragEnterEvent* e)
{
    e->setDropAction(Qt::CopyAction);
    e->accept();
}

void CSongloomDlg::dragMoveEvent(QDragMoveEvent* e)
{
    const QMimeData* data = e->mimeData();
    if (data->hasUrls()) {
        e->acceptProposedAction();
        return;
    }
    const QPoint p = e->position().toPoint();
    DragOverText(TextOf(data), p.x(), p.y());
    e->setDropAction(Qt::CopyAction);
    e->accept();
}

void CSongloomDlg::dragLeaveEvent(QDragLeaveEvent*) { DragLeft(); }

void CSongloomDlg::dropEvent(QDropEvent* e)
{
    const QMimeData* data = e->mimeData();
    if (data->hasUrls()) {
        QStringList files;
        for (const QUrl& url : data->urls()) {
            if (url.isLocalFile()) files << url.toLocalFile();
        }
        if (!files.isEmpty()) {
            DropFiles(files);
            e->acceptProposedAction();
            return;
        }
    }
    const QPoint p = e->position().toPoint();
    if (DropText(TextOf(data), p.x(), p.y())) {
        e->setDropAction(Qt::CopyAction);
        e->accept();
    } else {
        e->ignore();
    }
}

}  // namespace songloom::app
