#pragma once
// The song document: the working song and the phrase song, the song file
// they belong to, whether the song differs from that file, the working files
// kept between runs and the one undo stack. It is no widget: the score view,
// the palettes, the bar-editing window and the song information panel read
// the songs from here and learn of every change through the typed signals.
//
// Every change of the working song goes through Edit (directly or through
// the named operations below) and becomes one named step of the undo stack.

#include <QObject>
#include <QString>
#include <QUndoStack>
#include <cstdint>
#include <array>
#include <functional>
#include <optional>
#include <string_view>
#include <string>
#include <vector>

#include "app/app_services.h"
#include "app/song_edit_command.h"
#include "arrange/style_meter.h"
#include "song/song_commands.h"
#include "song/song_data.h"

namespace songloom::app {

inline constexpr std::string_view kWorkingSongFile = "data.dat";
inline constexpr std::string_view kWorkingPhraseFile = "phrase.pdt";
inline constexpr int kPhraseBars = 4;

// Writes UTF-8 text typed by the user into a 64-byte song field as CP932, at
// most 63 bytes (never half a character) and the terminating zero.
void CopyInfoText(std::array<char, 64>& field, std::string_view utf8);

// The transposition question; nothing when it was cancelled.
using KeyChangeAsker = std::function<std::optional<song::KeyChangeAnswer>()>;
// Runs work to its end, perhaps on another thread, and returns then.
using WorkRunner = std::function<void(const std::function<void()>& work)>;

class SongDocument : public QObject {
    Q_OBJECT
public:
    explicit SongDocument(AppServices& services, QObject* parent = nullptr);
    ~SongDocument() override;

    // ---- working files ---------------------------------------------------
    // Start-up: data.dat (a new 8-bar song in 4/4, C major without one) and
    // phrase.pdt of the working folder; currentFile is the song file the last
    // run had open (dropped when it no longer exists). Without data.dat the
    // song takes the default style of its meter with that style's tempo and
    // instrument.
    void LoadWorkingFiles(const std::string& currentFile);
    // Shut-down: the working song and the phrase back to their files.
    bool SaveWorkingSong();
    bool SaveWorkingPhrase();

    const song::SongData& song() const { return song_; }
    song::SongData& phrase() { return phrase_; }
    const song::SongData& phrase() const { return phrase_; }
    // For objects that edit the song inside Edit (the bar-editing panel).
    song::SongData* songForEdits() { return &song_; }

    const std::string& currentFile() const { return currentFile_; }
    // The file name shown in the title bar ("無題" without a file).
    QString DisplayName() const;
    // The song differs from its file (or, without one, holds something).
    bool dirty() const { return dirty_; }
    QUndoStack& undoStack() { return undoStack_; }

    // ---- edits -----------------------------------------------------------
    // Runs edit on the working song as the undo step name; false (and no
    // step) when edit returns false or changes nothing. Edits of the same
    // merge kind that follow each other become one step.
    bool Edit(const QString& name, const std::function<bool(song::SongData&)>& edit,
              MergeKind merge = MergeKind::kNone);

    bool SetBarCount(int bars);
    // From the song's key to key; asks (unless the song is untouched)
    // whether chords and melody move with it; a cancelled question changes
    // nothing.
    bool ChangeKey(int key, const KeyChangeAsker& ask);
    // A song on the other meter's default style moves to this meter's
    // default (with its tempo and instrument where the song still had the
    // old style's); a style the user chose stays.
    bool ChangeTimeSignature(int entry);
    // The style and, with it, the style's tempo and melody instrument.
    bool SetStyle(int category, int style);
    bool SetTempo(int tempo);
    bool SetInstrument(int instrument);
    bool SetTitle(const QString& title);
    bool SetComposer(const QString& composer);
    // Clears the song to 8 bars (with the question); the style stays, but
    // for the other meter's default, which gives way to this meter's.
    bool Clear();
    bool DeleteBars(int first, int last);
    bool InsertBars(int first, int last);
    // Replaces the song by the Standard MIDI File at path (an undo step). The
    // imported song is a new song: when the default style it gets was not
    // written for its meter (a 3/4 file), it takes that meter's default. The
    // file is read and analysed inside run (on the calling thread without
    // one); the song changes afterwards, on the calling thread.
    bool Import(const std::string& path, const WorkRunner& run = {});
    // The chords the analysis weighed for a beat of the imported song, best
    // first. Empty for a beat without readings, and once the song is no
    // longer the one imported: another song opened or cleared, the import
    // undone, bars or meter changed.
    std::vector<harmony::ChordCandidate> ChordAlternatives(int beatIndex) const;
    // Writes the chord name into that one beat (an undo step).
    bool SetBeatChord(int beatIndex, const std::string& name);

    // ---- files -------------------------------------------------------------
    // Reads the song file at path aside; a file that cannot be read or fails
    // its checks is reported and refused, and the song stays. The song read
    // becomes the working song; the undo stack starts again.
    bool Open(const std::string& path);
    // Writes the song to path, which becomes the current file.
    bool SaveAs(const std::string& path);

    // ---- the phrase --------------------------------------------------------
    void ResetPhrase();  // four bars in the song's key and beats
    bool CopyScoreBarToPhrase(int phraseBar, int scoreBar);
    // The phrase palette changed the phrase itself.
    void NotifyPhraseChanged() { emit phraseChanged(); }

    // The undo stack's side: applies a step to the song and announces it.
    void ApplyDelta(const ImageDelta& delta, bool forward);

signals:
    // A new song: everything shown of it is out of date.
    void songReplaced();
    // Bars first .. first + count - 1 (0-based) look different.
    void barsChanged(int first, int count);
    // Chord cells of beats first .. first + count - 1 changed.
    void chordsChanged(int firstBeat, int count);
    void infoChanged();
    void barCountChanged(int bars);
    void keyChanged(int key);
    void timeSignatureChanged(int beats);
    void phraseChanged();
    void currentFileChanged();
    void dirtyChanged(bool dirty);

private:
    std::vector<std::uint8_t> Image() const;
    struct Header {
        int bars, beats, key;
        song::SongInfo info;
    };
    Header HeaderOf() const { return {song_.bars(), song_.beats(), song_.key(), song_.info}; }
    void Announce(const SongChange& change, const Header& before);
    void SetCurrentFile(std::string path, std::vector<std::uint8_t> baseline);
    void UpdateDirty();
    // Puts the song in slot; tempo and instrument follow where they were the
    // old style's own.
    void MoveToStyle(song::SongData& song, arrange::StyleSlot slot) const;

    AppServices& services_;
    song::SongData song_;
    song::SongData phrase_;
    std::string currentFile_;
    std::vector<std::uint8_t> baseline_;  // the image of the current file; empty without one
    bool dirty_ = false;
    QUndoStack undoStack_;
    // The chord readings of the imported song, per beat, kept beside it: the
    // song image has no room for them. They hold while the undo stack stands
    // at or after the import's step and the song keeps its bars and meter.
    std::vector<std::vector<harmony::ChordCandidate>> alternatives_;
    int importIndex_ = 0;
    int alternativesBars_ = 0;
    int alternativesBeats_ = 0;
};

}  // namespace songloom::app
