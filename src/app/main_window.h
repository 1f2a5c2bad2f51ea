#pragma once
// The main window: the command bar, the score view with the page scroll
// bar and counter, the tempo and melody instrument controls and a status
// line. It owns the song document, the settings record, the palettes, the
// bar-editing window and the sound previews for the life of the program.
// Start-up runs in the constructor, shut-down in ShutDown (also run by the
// destructor), each in the program's fixed order.

#include <QWidget>
#include <array>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "app/app_services.h"
#include "app/main_messages.h"
#include "app/main_window_logic.h"
#include "app/palettes/palette_host.h"
#include "app/setup_settings.h"
#include "app/song_document.h"
#include "song/bar_edit_panel.h"
#include "song/step_input.h"

class QAction;
class QTimer;
class QComboBox;
class QLabel;
class QLineEdit;
class QScrollArea;
class QScrollBar;
class QSlider;
class QTextBrowser;
class QToolButton;

namespace songloom::app {

class BarEditWindow;
class CommandBar;
class PaletteSet;
class ScoreView;
class SoundPreview;
class StylePreview;

// The file dialogs the commands use; tests replace them.
enum class FileDialogKind { kOpenSong, kSaveSong, kImportMidi, kExportMidi };
struct FileDialogRequest {
    FileDialogKind kind;
    std::string proposed;  // proposed name or path, may be empty
};
// Returns the chosen path, or nothing when the dialog was cancelled.
using FileChooser = std::function<std::optional<std::string>(const FileDialogRequest&)>;
// The question before a modified score is replaced or the program ends.
enum class SaveChangesAnswer { kSave, kDiscard, kCancel };
using SaveChangesAsker = std::function<SaveChangesAnswer()>;

// The default dialogs (real windows).
std::optional<std::string> ShowFileDialog(QWidget* parent, const FileDialogRequest& request);
std::optional<song::KeyChangeAnswer> AskTransposition(QWidget* parent);
SaveChangesAnswer AskSaveChanges(QWidget* parent);

class MainWindow : public QWidget {
    Q_OBJECT
public:
    // Runs the start-up sequence in the working folder of services. drag and
    // phraseChooser replace the palettes' drags and phrase file dialogs.
    explicit MainWindow(AppServices& services, PaletteDragStarter drag = StartPaletteDrag,
                        PhraseFileChooser phraseChooser = {}, QWidget* parent = nullptr);
    ~MainWindow() override;

    // Writes data.dat, chord.txt, phrase.pdt and setup.ini, in that order;
    // runs once.
    void ShutDown();

    // ---- commands ------------------------------------------------------------
    void Command(int command);
    // Ends the program without the save-changes question (a signal, a
    // scripted run): the working files are written as always.
    void QuitNow();

    // ---- the operations behind the dialogs -----------------------------------
    // Each that replaces the song asks first whether a modified score is to
    // be saved; false when the user cancelled or the file was refused.
    bool OpenSongFile(const std::string& path);
    bool SaveSongTo(const std::string& path);
    bool ExportMidiTo(const std::string& path);
    bool ImportMidiFrom(const std::string& path);
    // The save-changes question when the song is modified: true when the
    // song may go (saved, or discarded).
    bool MaySongGo();

    // ---- play ------------------------------------------------------------------
    void PlaySong();
    void PlayPhrase();
    void OnPlayPosition(int tick);
    void OnPlayEnd();

    // ---- paging and bar commands --------------------------------------------
    void Scroll(ScrollCode code, int thumb = 0);
    void DeleteSelectedBars();
    void InsertSelectedBars();
    void DropFiles(const QStringList& paths);

    // ---- the MIDI keyboard and re-rolls ---------------------------------------
    // Opens the keyboard's input port (-1 closes it); false when it did not open.
    bool OpenKeyboard(int port);
    // A message from the keyboard that came at microseconds since the port
    // was opened, on the window's thread: step input into the song from the
    // cursor (the first selected bar when the selection changed), each
    // decided key or chord one undo step.
    void KeyboardMessage(const std::vector<std::uint8_t>& bytes, std::int64_t at);
    const song::StepInput& stepInput() const { return stepInput_; }
    // New random choices for one bar of the last rendering of the song
    // (play.mid), every other bar as it was; then plays it. false when there
    // is no rendering to keep yet or the re-roll failed.
    bool RerollBar(int bar);

    // ---- hooks -------------------------------------------------------------
    void SetFileChooser(FileChooser chooser) { fileChooser_ = std::move(chooser); }
    void SetTransposeAsker(KeyChangeAsker asker) { transposeAsker_ = std::move(asker); }
    void SetSaveChangesAsker(SaveChangesAsker asker) { saveChangesAsker_ = std::move(asker); }

    // ---- state -------------------------------------------------------------
    SongDocument& document() { return *document_; }
    const song::SongData& song() const { return document_->song(); }
    song::SongData& phrase() { return document_->phrase(); }
    const SetupSettings& settings() const { return settings_; }
    ScoreView& score() { return *score_; }
    PaletteSet& palettes() { return *palettes_; }
    SoundPreview& preview() { return *preview_; }
    StylePreview& stylePreview() { return *stylePreview_; }
    CommandBar& commandBar() { return *commandBar_; }
    int page() const;
    bool songPlaying() const { return songPlaying_; }
    bool phrasePlaying() const { return phrasePlaying_; }
    bool initialised() const { return initialised_; }
    bool importing() const { return importing_; }
    bool quitRequested() const { return quitRequested_; }
    song::BarEditPanelLogic& barEditLogic() { return barEdit_; }
    BarEditWindow* barEditWindow() const { return barEditWindow_; }
    QTextBrowser* helpWindow() const { return help_; }
    QScrollBar* scrollBar() const { return scroll_; }
    QSlider* tempoSlider() const { return tempo_; }
    QLineEdit* tempoBox() const { return tempoBox_; }
    QComboBox* instrumentList() const { return instrument_; }
    QLabel* pageLabel() const { return pageLabel_; }
    QLabel* statusLine() const { return status_; }
    QLabel* startUpPicture() const { return startPicture_; }
    QAction* undoAction() const { return undo_; }
    QAction* redoAction() const { return redo_; }
    QToolButton* commandButton(int command) const;

signals:
    // The first page has been painted (start-up measurements).
    void firstPagePainted();

protected:
    void closeEvent(QCloseEvent* e) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void CreateControls();
    void CreateHotKeys();
    void ConnectDocument();
    void ConnectPalettes();
    void ArrangeWindows();
    void ShowHelp();
    void Quit();
    void AskMorePages();

    void RefreshScrollRange();
    void RefreshTempo();
    void RefreshInstrument();
    void RefreshTitle();
    void ShowSilentReason();
    // Renders song to path afresh: the old file goes first, so that nothing
    // stale is played when the render fails.
    bool RenderFresh(const song::SongData& song, const std::string& path);
    bool StartPlayer(const std::string& path);
    // Plays the song's rendering at path (the play button's state).
    void PlayRenderedSong(const std::string& path);
    void StopPlaying();
    void OpenBarEditPanel();
    void ApplyBarEdit();
    void ConnectOptions();
    void SaveOptions();
    void FlushKeyboard();
    // What a decided key or chord did, as one undo step.
    void ApplyStep(const std::function<song::StepResult(song::SongData&)>& step);

    AppServices& services_;
    Reporter& reporter_;
    SetupSettings settings_;
    std::unique_ptr<SongDocument> document_;
    song::BarEditPanelLogic barEdit_;
    PaletteHost host_;

    bool songPlaying_ = false;
    bool phrasePlaying_ = false;
    bool initialised_ = false;
    bool shutDown_ = false;
    bool quitRequested_ = false;
    bool importing_ = false;
    bool askingMorePages_ = false;
    bool askedThisPress_ = false;  // the question came during this press of the scroll bar
    bool scrollHeld_ = false;      // a mouse button is down on the scroll bar
    bool stoppingRepeat_ = false;  // our own release, sent to stop an arrow's repeat

    CommandBar* commandBar_ = nullptr;
    ScoreView* score_ = nullptr;
    QScrollArea* scoreArea_ = nullptr;
    QScrollBar* scroll_ = nullptr;
    QSlider* tempo_ = nullptr;
    QLineEdit* tempoBox_ = nullptr;
    QComboBox* instrument_ = nullptr;
    QLabel* pageLabel_ = nullptr;
    QLabel* status_ = nullptr;
    QLabel* startPicture_ = nullptr;
    QTextBrowser* help_ = nullptr;
    QAction* undo_ = nullptr;
    QAction* redo_ = nullptr;
    BarEditWindow* barEditWindow_ = nullptr;
    SoundPreview* preview_ = nullptr;
    StylePreview* stylePreview_ = nullptr;
    std::unique_ptr<PaletteSet> palettes_;

    std::unique_ptr<playback::MidiInput> keyboard_;
    song::StepInput stepInput_;
    std::optional<std::pair<int, int>> stepSelection_;  // the selection the cursor was set from
    QTimer* keyboardFlush_ = nullptr;
    std::int64_t keyboardStart_ = 0;  // steady clock, microseconds
    std::vector<std::uint8_t> renderedImage_;  // the song play.mid was rendered from

    FileChooser fileChooser_;
    KeyChangeAsker transposeAsker_;
    SaveChangesAsker saveChangesAsker_;
};

}  // namespace songloom::app
