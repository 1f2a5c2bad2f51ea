#include "app/song_document.h"

#include <QFileInfo>
#include <algorithm>

#include "app/main_window_logic.h"
#include "common/general.h"
#include "common/text.h"
#include "song/drop_target.h"
#include "song/song_image.h"

namespace songloom::app {
namespace {

constexpr int kNewSongBars = 8;
constexpr int kNewSongBeats = 4;

}  // namespace

void CopyInfoText(std::array<char, 64>& field, std::string_view utf8)
{
    const std::string bytes = TruncateCp932(Utf8ToCp932(utf8), field.size() - 1);
    field.fill('\0');
    std::copy(bytes.begin(), bytes.end(), field.begin());
}

SongDocument::SongDocument(AppServices& services, QObject* parent) : QObject(parent), services_(services)
{
    UpdateDirty();
    // Undoing the import leaves the readings behind for good (a new step
    // could take the import's place on the stack).
    connect(&undoStack_, &QUndoStack::indexChanged, this, [this](int index) {
        if (index < importIndex_) alternatives_.clear();
    });
}

SongDocument::~SongDocument()
{
    // The steps refer to the document: they go first.
    undoStack_.clear();
}

std::vector<std::uint8_t> SongDocument::Image() const
{
    return song::BuildSongImage(song_, song_.beats(), song_.key());
}

void SongDocument::MoveToStyle(song::SongData& song, arrange::StyleSlot slot) const
{
    if (slot == arrange::StyleSlot{song.info.category, song.info.style}) return;
    const arrange::StyleRecord* old = services_.StyleOf(song);
    const song::SongInfo before = song.info;
    song.info.category = slot.category;
    song.info.style = slot.slot;
    ApplyStyleDefaults(services_, song);
    // What the user set stays.
    if (old != nullptr && before.tempo != StyleDefaultTempo(*old)) song.info.tempo = before.tempo;
    if (old != nullptr && before.instrument != StyleDefaultInstrument(*old)) song.info.instrument = before.instrument;
}

// ---- working files -----------------------------------------------------------

void SongDocument::LoadWorkingFiles(const std::string& currentFile)
{
    Reporter& reporter = services_.reporter;
    const std::string songPath = WorkFile(services_.workDir, kWorkingSongFile);
    song::SongData working;
    const auto status = song::ReadSongFile(reporter, songPath, working, kNewSongBars, kNewSongBeats, 0);
    if (status != song::SongFileStatus::kRead) {
        const arrange::StyleSlot slot = arrange::DefaultStyleForMeter(services_.catalogue, working.beats());
        working.info.category = slot.category;
        working.info.style = slot.slot;
        ApplyStyleDefaults(services_, working);
    }
    working.SetHomePath(songPath);
    song_ = working;

    // The song file of the last run, as it is on disk now: the working song
    // is unsaved work when it differs from it.
    std::string file;
    std::vector<std::uint8_t> baseline;
    if (!currentFile.empty() && FileExists(currentFile)) {
        CapturingReporter quiet;
        song::SongData onDisk;
        if (song::ReadSongFile(quiet, currentFile, onDisk, kNewSongBars, kNewSongBeats, 0) ==
            song::SongFileStatus::kRead) {
            file = currentFile;
            baseline = song::BuildSongImage(onDisk, onDisk.beats(), onDisk.key());
        }
    }
    song::SongData phrase;
    song::ReadSongFile(reporter, WorkFile(services_.workDir, kWorkingPhraseFile), phrase, kPhraseBars,
                       kNewSongBeats, 0);
    phrase_ = phrase;
    undoStack_.clear();
    alternatives_.clear();
    SetCurrentFile(std::move(file), std::move(baseline));
    emit songReplaced();
    emit phraseChanged();
}

bool SongDocument::SaveWorkingSong()
{
    return song_.Save(services_.reporter, WorkFile(services_.workDir, kWorkingSongFile));
}

bool SongDocument::SaveWorkingPhrase()
{
    return phrase_.Save(services_.reporter, WorkFile(services_.workDir, kWorkingPhraseFile));
}

QString SongDocument::DisplayName() const
{
    if (currentFile_.empty()) return QStringLiteral("無題");
    return QFileInfo(QString::fromStdString(currentFile_)).fileName();
}

void SongDocument::SetCurrentFile(std::string path, std::vector<std::uint8_t> baseline)
{
    const bool changed = path != currentFile_;
    currentFile_ = std::move(path);
    baseline_ = std::move(baseline);
    if (changed) emit currentFileChanged();
    UpdateDirty();
}

void SongDocument::UpdateDirty()
{
    const bool dirty = baseline_.empty() ? !song_.IsUntouched() : Image() != baseline_;
    if (dirty == dirty_) return;
    dirty_ = dirty;
    emit dirtyChanged(dirty_);
}

// ---- edits -------------------------------------------------------------------

bool SongDocument::Edit(const QString& name, const std::function<bool(song::SongData&)>& edit, MergeKind merge)
{
    const Header before = HeaderOf();
    const std::vector<std::uint8_t> imageBefore = Image();
    // The edit runs on a copy: a refused edit leaves no trace in the song.
    song::SongData edited = song_;
    if (!edit(edited)) return false;
    ImageDelta delta(imageBefore, song::BuildSongImage(edited, edited.beats(), edited.key()));
    if (delta.empty()) return false;
    song_ = edited;
    undoStack_.push(new SongEditCommand(*this, name, delta, merge));
    Announce(delta.Change(), before);
    return true;
}

void SongDocument::ApplyDelta(const ImageDelta& delta, bool forward)
{
    const Header before = HeaderOf();
    std::vector<std::uint8_t> image = Image();
    delta.ApplyTo(image, forward);
    song::RestoreSongImage(image, song_);
    Announce(delta.Change(), before);
}

void SongDocument::Announce(const SongChange& change, const Header& before)
{
    if (song_.beats() != before.beats) {
        // Every bar moved: the song is shown afresh.
        emit timeSignatureChanged(song_.beats());
        emit barCountChanged(song_.bars());
        emit songReplaced();
    } else {
        if (song_.bars() != before.bars) emit barCountChanged(song_.bars());
        if (song_.key() != before.key) emit keyChanged(song_.key());
        if (change.firstBeat >= 0) emit chordsChanged(change.firstBeat, change.lastBeat - change.firstBeat + 1);
        const int beats = std::max(1, song_.beats());
        int first = -1;
        int last = -1;
        if (change.firstBeat >= 0) {
            first = change.firstBeat / beats;
            last = change.lastBeat / beats;
        }
        if (change.firstSlot >= 0) {
            const int from = change.firstSlot / (beats * 2);
            const int to = change.lastSlot / (beats * 2);
            first = first < 0 ? from : std::min(first, from);
            last = std::max(last, to);
        }
        // A new key signature or bar count changes how every bar is drawn.
        if (song_.key() != before.key || song_.bars() != before.bars) {
            first = 0;
            last = song::MaxBars - 1;
        }
        if (first >= 0) emit barsChanged(first, last - first + 1);
    }
    if (change.info || !(song_.info == before.info)) emit infoChanged();
    UpdateDirty();
}

bool SongDocument::SetBarCount(int bars)
{
    if (bars == song_.bars()) return false;
    return Edit(QStringLiteral("小節数の変更"), [bars](song::SongData& s) { return s.SetBarCount(bars); });
}

bool SongDocument::ChangeKey(int key, const KeyChangeAsker& ask)
{
    if (key == song_.key()) return false;
    song::KeyChangeAnswer answer = song::KeyChangeAnswer::kTranspose;
    if (!song_.IsUntouched()) {
        const auto asked = ask();
        if (!asked) return false;
        answer = *asked;
    }
    Reporter& reporter = services_.reporter;
    const QString name = answer == song::KeyChangeAnswer::kTranspose ? QStringLiteral("移調")
                                                                      : QStringLiteral("調号の変更");
    return Edit(name, [&](song::SongData& s) {
        return song::ChangeKey(reporter, s, key, [answer] { return answer; }) != song::KeyChangeOutcome::kUnchanged;
    });
}

bool SongDocument::ChangeTimeSignature(int entry)
{
    if (song::BeatsOfTimeSignatureEntry(entry) == song_.beats()) return false;
    Reporter& reporter = services_.reporter;
    return Edit(QStringLiteral("拍子の変更"), [&](song::SongData& s) {
        if (!song::ChangeTimeSignature(reporter, s, entry)) return false;
        MoveToStyle(s, arrange::StyleAfterMeterChange(services_.catalogue, {s.info.category, s.info.style}, s.beats()));
        return true;
    });
}

bool SongDocument::SetStyle(int category, int style)
{
    return Edit(QStringLiteral("音楽スタイルの変更"), [&](song::SongData& s) {
        s.info.category = category;
        s.info.style = style;
        ApplyStyleDefaults(services_, s);
        return true;
    });
}

bool SongDocument::SetTempo(int tempo)
{
    return Edit(
        QStringLiteral("テンポの変更"),
        [tempo](song::SongData& s) {
            s.info.tempo = tempo;
            return true;
        },
        MergeKind::kTempo);
}

bool SongDocument::SetInstrument(int instrument)
{
    return Edit(
        QStringLiteral("楽器の変更"),
        [instrument](song::SongData& s) {
            s.info.instrument = instrument;
            return true;
        },
        MergeKind::kInstrument);
}

bool SongDocument::SetTitle(const QString& title)
{
    return Edit(
        QStringLiteral("曲名の変更"),
        [&title](song::SongData& s) {
            CopyInfoText(s.info.title, title.toStdString());
            return true;
        },
        MergeKind::kTitle);
}

bool SongDocument::SetComposer(const QString& composer)
{
    return Edit(
        QStringLiteral("作曲者の変更"),
        [&composer](song::SongData& s) {
            CopyInfoText(s.info.composer, composer.toStdString());
            return true;
        },
        MergeKind::kComposer);
}

bool SongDocument::Clear()
{
    Reporter& reporter = services_.reporter;
    const bool cleared = Edit(QStringLiteral("クリア"), [&](song::SongData& s) {
        const int category = s.info.category;
        const int style = s.info.style;
        if (!song::ClearSong(reporter, s, s.beats() == 4 ? 0 : 1)) return false;
        // The style chosen stays chosen; tempo and instrument come from it.
        const arrange::StyleSlot slot =
            arrange::StyleAfterMeterChange(services_.catalogue, {category, style}, s.beats());
        s.info.category = slot.category;
        s.info.style = slot.slot;
        ApplyStyleDefaults(services_, s);
        return true;
    });
    // A cleared song is a new song: saving it must not overwrite the old file.
    if (cleared) {
        SetCurrentFile({}, {});
        alternatives_.clear();
    }
    return cleared;
}

bool SongDocument::DeleteBars(int first, int last)
{
    Reporter& reporter = services_.reporter;
    return Edit(QStringLiteral("小節の削除"), [&](song::SongData& s) { return s.DeleteBars(reporter, first, last); });
}

bool SongDocument::InsertBars(int first, int last)
{
    Reporter& reporter = services_.reporter;
    return Edit(QStringLiteral("小節の挿入"), [&](song::SongData& s) { return s.InsertBars(reporter, first, last); });
}

bool SongDocument::Import(const std::string& path, const WorkRunner& run)
{
    if (!services_.import) return false;
    // The importer works on a copy of the song as it is now, apart from the
    // document: run may give it a thread of its own.
    song::SongData read = song_;
    harmony::MidiImportReport report;
    bool readOk = false;
    const auto work = [&] { readOk = services_.import(read, path, &report); };
    if (run) {
        run(work);
    } else {
        work();
    }
    if (!readOk) return false;
    const bool imported = Edit(QStringLiteral("MIDIファイルの読み込み"), [&](song::SongData& s) {
        s = read;
        const arrange::StyleSlot slot =
            arrange::StyleForImportedSong(services_.catalogue, {s.info.category, s.info.style}, s.beats());
        if (slot != arrange::StyleSlot{s.info.category, s.info.style}) {
            // The melody plays on the instrument of the style it gets; the
            // tempo is the import's.
            const int tempo = s.info.tempo;
            s.info.category = slot.category;
            s.info.style = slot.slot;
            ApplyStyleDefaults(services_, s);
            s.info.tempo = tempo;
        }
        return true;
    });
    if (!imported) return false;
    alternatives_ = std::move(report.alternatives);
    importIndex_ = undoStack_.index();
    alternativesBars_ = song_.bars();
    alternativesBeats_ = song_.beats();
    // An imported song is a new song: it belongs to no file yet.
    SetCurrentFile({}, {});
    ResetPhrase();
    return true;
}

std::vector<harmony::ChordCandidate> SongDocument::ChordAlternatives(int beatIndex) const
{
    if (song_.bars() != alternativesBars_ || song_.beats() != alternativesBeats_) return {};
    if (beatIndex < 0 || beatIndex >= static_cast<int>(alternatives_.size())) return {};
    return alternatives_[static_cast<std::size_t>(beatIndex)];
}

bool SongDocument::SetBeatChord(int beatIndex, const std::string& name)
{
    if (beatIndex < 0 || beatIndex >= song_.ActiveBeats()) return false;
    const std::string full = song::CompleteChordName(name);
    if (!song::ParseChordName(full).ok()) return false;
    return Edit(QStringLiteral("コードの選択"), [&](song::SongData& s) { return s.SetChordName(beatIndex, full); });
}

// ---- files -------------------------------------------------------------------

bool SongDocument::Open(const std::string& path)
{
    song::SongData read;
    if (song::ReadSongFile(services_.reporter, path, read, kNewSongBars, kNewSongBeats, 0) !=
        song::SongFileStatus::kRead) {
        return false;
    }
    read.SetHomePath(path);
    song_ = read;
    undoStack_.clear();
    alternatives_.clear();
    ResetPhrase();
    SetCurrentFile(path, Image());
    emit songReplaced();
    return true;
}

bool SongDocument::SaveAs(const std::string& path)
{
    if (!song_.Save(services_.reporter, path)) return false;
    SetCurrentFile(path, Image());
    return true;
}

// ---- the phrase ----------------------------------------------------------------

void SongDocument::ResetPhrase()
{
    phrase_.Reset(services_.reporter, kPhraseBars, song_.beats(), song_.key());
    emit phraseChanged();
}

bool SongDocument::CopyScoreBarToPhrase(int phraseBar, int scoreBar)
{
    if (!song::CopyScoreBarToPhrase(services_.reporter, phrase_, song_, phraseBar, scoreBar)) return false;
    emit phraseChanged();
    return true;
}

}  // namespace songloom::app
