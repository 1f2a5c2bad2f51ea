#pragma once
// The main window: one page of sixteen bars of the working song, the command
// buttons, paging, tempo and melody instrument, selection, drops, hot keys,
// timers and sound previews. It owns the working song, the phrase song, the
// settings record and the bar-editing panel for the life of the program.
// Start-up runs in the constructor, shut-down in ShutDown (also run by the
// destructor), each in the program's fixed order.

#include <QEvent>
#include <QImage>
#include <QWidget>
#include <array>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "app/app_services.h"
#include "app/main_window_logic.h"
#include "app/setup_settings.h"
#include "song/bar_edit_panel.h"
#include "song/drop_target.h"
#include "song/song_commands.h"
#include "song/song_data.h"

class QComboBox;
class QLabel;
class QLineEdit;
class QMimeData;
class QScrollBar;
class QShortcut;
class QSlider;
class QTimer;
class QToolButton;

namespace songloom::app {

class CEditDlg;
class StaffPage;

// A window message posted to the main window: its number and two values.
class WindowMessageEvent : public QEvent {
public:
    static QEvent::Type EventType();
    WindowMessageEvent(std::uint32_t message, long long wParam, long long lParam)
        : QEvent(EventType()), message(message), wParam(wParam), lParam(lParam)
    {
    }
    std::uint32_t message;
    long long wParam;
    long long lParam;
};

// The file dialogs the commands use; tests replace them.
enum class FileDialogKind { kOpenSong, kSaveSong, kImportMidi, kExportMidi };
struct FileDialogRequest {
    FileDialogKind kind;
    std::string proposed;  // proposed name or path, may be empty
};
// Returns the chosen path, or nothing when the dialog was cancelled.
using FileChooser = std::function<std::optional<std::string>(const FileDialogRequest&)>;
// Starts a drag of payload text (UTF-8) from source; tests intercept it.
using DragStarter = std::function<void(QWidget* source, const QString& text)>;
// Asks the transposition question.
using TransposeAsker = std::function<song::KeyChangeAnswer()>;
// Opens an address in the desktop's browser.
using UrlOpener = std::function<bool(const QString& localFile)>;

// The default file dialogs, drag and question (real windows).
std::optional<std::string> ShowFileDialog(QWidget* parent, const FileDialogRequest& request);
void StartTextDrag(QWidget* source, const QString& text);
song::KeyChangeAnswer AskTransposition(QWidget* parent);

class CSongloomDlg : public QWidget {
    Q_OBJECT
public:
    // Runs the start-up sequence in the working folder of services.
    explicit CSongloomDlg(AppServices& services, QWidget* parent = nullptr);
    ~CSongloomDlg() override;

    // Writes data.dat, chord.txt (through the chord list writer, when one is
    // installed), phrase.pdt and setup.ini, in that order; runs once.
    void ShutDown();

    // ---- commands and messages -------------------------------------------
    void Command(int number);
    void PostWindowMessage(std::uint32_t message, long long wParam = 0, long long lParam = 0);
    void HandleWindowMessage(std::uint32_t message, long long wParam, long long lParam);
    void ShowMainMessage(int code);

    // ---- the operations behind the dialogs -------------------------------
    bool OpenSongFile(const std::string& path, bool becomesCurrentFile = true);
    bool SaveSongTo(const std::string& path);
    bool ExportMidiTo(const std::string& path);
    bool ImportMidiFrom(const std::string& path);

    // ---- play --------------------------------------------------------------
    void PlaySong();
    void PlayPhrase();
    void OnPlayPosition(int tick);
    void OnPlayEnd();

    // ---- paging, selection, bar commands ---------------------------------
    void Scroll(ScrollCode code, int thumb = 0);
    void ClickCell(int cell, bool shift);
    void DeleteSelectedBars();
    void InsertSelectedBars();
    void Undo();

    // ---- drag and drop, in window coordinates ----------------------------
    // The drop target's two entries: text is what the dragged data offers as
    // plain text (nothing when it offers none).
    bool DropText(const std::optional<QString>& text, int x, int y);
    void DragOverText(const std::optional<QString>& text, int x, int y);
    void DragLeft();
    // Files dropped from the desktop.
    void DropFiles(const QStringList& paths);
    // Starts the drag of a cell's bar ("score:").
    void StartCellDrag(int cell);

    // ---- hooks -------------------------------------------------------------
    void SetFileChooser(FileChooser chooser) { fileChooser_ = std::move(chooser); }
    void SetDragStarter(DragStarter starter) { dragStarter_ = std::move(starter); }
    void SetTransposeAsker(TransposeAsker asker) { transposeAsker_ = std::move(asker); }
    void SetUrlOpener(UrlOpener opener) { urlOpener_ = std::move(opener); }
    // The chord a chord-palette button sounds (0x8010): pitches by row and
    // column; the chord palette installs it.
    void SetChordVoicer(std::function<std::vector<int>(int row, int column)> voicer)
    {
        chordVoicer_ = std::move(voicer);
    }
    // The guitar palette's frets (6th string first, -1 not played) for 0x8017.
    void SetStrumSource(std::function<std::array<int, 6>()> source) { strumSource_ = std::move(source); }
    // Writes chord.txt: the chord list belongs to the chord palette, which
    // installs this; shut-down calls it after data.dat and before phrase.pdt.
    void SetChordListWriter(std::function<void()> writer) { chordListWriter_ = std::move(writer); }

    // ---- state -------------------------------------------------------------
    song::SongData& song() { return *song_; }
    song::SongData& phrase() { return *phrase_; }
    const SetupSettings& settings() const { return settings_; }
    int page() const { return page_; }
    const CellSelection& selection() const { return selection_; }
    int playingBar() const { return playingBar_; }
    bool songPlaying() const { return songPlaying_; }
    bool phrasePlaying() const { return phrasePlaying_; }
    bool initialised() const { return initialised_; }
    bool quitRequested() const { return quitRequested_; }
    const std::optional<song::HighlightBand>& dragBand() const { return dragBand_; }
    int previewNote() const { return previewNote_; }
    song::BarEditPanelLogic& barEditLogic() { return barEdit_; }
    CEditDlg* barEditWindow() const { return barEditWindow_; }
    QScrollBar* scrollBar() const { return scroll_; }
    QSlider* tempoSlider() const { return tempo_; }
    QLineEdit* tempoBox() const { return tempoBox_; }
    QComboBox* instrumentList() const { return instrument_; }
    QToolButton* commandButton(int command) const;
    QLabel* startUpPicture() const { return startPicture_; }
    bool timerActive(int id) const;
    // The window as painted now (cells, highlight bands, controls).
    QImage PaintedImage();
    // Staff cells in window coordinates.
    std::array<song::CellRect, kCellsPerPage> CellRects() const;

signals:
    // The first page has been painted (start-up measurements).
    void firstPagePainted();

protected:
    bool event(QEvent* e) override;
    void paintEvent(QPaintEvent* e) override;
    void mousePressEvent(QMouseEvent* e) override;
    void mouseMoveEvent(QMouseEvent* e) override;
    void contextMenuEvent(QContextMenuEvent* e) override;
    void dragEnterEvent(QDragEnterEvent* e) override;
    void dragMoveEvent(QDragMoveEvent* e) override;
    void dragLeaveEvent(QDragLeaveEvent* e) override;
    void dropEvent(QDropEvent* e) override;
    void closeEvent(QCloseEvent* e) override;

private:
    void CreateControls();
    void CreateHotKeys();
    void StartTimer(int id, int ms);
    void OnTimer(int id);

    // Brings every display in line with the song.
    void RefreshAll();
    void RefreshScrollRange();
    void RefreshTempo();
    void RefreshInstrument();
    void RedrawPage();
    void SetCaption();
    void SetPlayPictures();
    // Starts the port on a rendered file with the window's callbacks.
    bool StartPlayer(const std::string& path);
    void ApplyStyleDefaults();
    void ClearSong();
    void OpenBarEditPanel();
    void ApplyBarEdit();
    void AfterBarCommand();
    void ShowNotAvailable();
    void NotePreview(int pitch);
    void ChordPreview(int row, int column);
    void StrumPreview(const std::array<int, 6>& frets);
    void StopPreviewNotes(std::vector<int>& notes, int channel);
    int CellAt(int x, int y) const;
    static std::optional<QString> TextOf(const QMimeData* data);

    AppServices& services_;
    Reporter& reporter_;
    SetupSettings settings_;
    std::unique_ptr<song::SongData> song_;
    std::unique_ptr<song::SongData> phrase_;
    song::BarEditPanelLogic barEdit_;
    song::CDropTarget dropTarget_;
    std::unique_ptr<StaffPage> staff_;

    int page_ = 0;
    CellSelection selection_;
    int dragCell_ = -1;  // the cell a left press may start a drag from
    QPoint pressPoint_;
    std::optional<song::HighlightBand> dragBand_;
    int playingBar_ = -1;
    bool songPlaying_ = false;
    bool phrasePlaying_ = false;
    bool initialised_ = false;
    bool shutDown_ = false;
    bool quitRequested_ = false;
    bool firstPaintSignalled_ = false;
    int previewNote_ = -1;
    std::vector<int> chordPreviewNotes_;
    std::vector<int> strumPreviewNotes_;

    QScrollBar* scroll_ = nullptr;
    QSlider* tempo_ = nullptr;
    QLineEdit* tempoBox_ = nullptr;
    QComboBox* instrument_ = nullptr;
    std::array<QToolButton*, 12> buttons_{};
    QLabel* startPicture_ = nullptr;
    CEditDlg* barEditWindow_ = nullptr;
    std::array<QTimer*, 4> timers_{};  // ids 100..103
    std::vector<QShortcut*> hotKeys_;

    FileChooser fileChooser_;
    DragStarter dragStarter_;
    TransposeAsker transposeAsker_;
    UrlOpener urlOpener_;
    std::function<std::vector<int>(int, int)> chordVoicer_;
    std::function<std::array<int, 6>()> strumSource_;
    std::function<void()> chordListWriter_;
};

}  // namespace songloom::app
