#include "app_fixture.h"

#include "app/main_window_logic.h"
#include "midi/midi_dump.h"
#include "support/smf_builder.h"

#include <algorithm>
#include <sstream>

namespace songloom::app::test {

std::vector<std::uint8_t> TinyMidiFile()
{
    return {'M', 'T', 'h', 'd', 0, 0, 0, 6, 0, 0, 0, 1, 0, 96,
            'M', 'T', 'r', 'k', 0, 0, 0, 13,
            0x00, 0x90, 60, 100,
            0x60, 0x80, 60, 0,
            0x00, 0xFF, 0x2F, 0x00, 0x00};
}

void WriteWaltzMidi(const std::string& path)
{
    using songloom::test::TrackBytes;
    songloom::test::SmfBuilder()
        .Header(1, 3, 96)
        .Track([](TrackBytes& t) { t.TimeSignature(3, 2); })
        .Track([](TrackBytes& t) {
            for (int p : {67, 71, 74, 72, 76, 72, 74, 72, 66, 67, 71, 67}) t.Delta(0).NoteOn(0, p, 90).Delta(96).NoteOff(0, p);
        })
        .Track([](TrackBytes& t) {
            const std::vector<std::vector<int>> bars = {{43, 47, 50}, {36, 40, 43}, {38, 42, 45, 48}, {43, 47, 50}};
            for (const auto& chord : bars) {
                for (int p : chord) t.Delta(0).NoteOn(1, p, 90);
                t.Delta(3 * 96);
                for (int p : chord) t.NoteOff(1, p).Delta(0);
            }
        })
        .WriteTo(path);
}

RenderedNotes ReadRenderedNotes(const std::string& path)
{
    std::vector<std::uint8_t> bytes;
    EXPECT_TRUE(ReadWholeFile(path, bytes)) << path;
    CapturingReporter quiet;
    std::istringstream lines(midi::DumpMidiImage(quiet, bytes));
    std::string line;
    std::getline(lines, line);  // the header
    RenderedNotes r;
    while (std::getline(lines, line)) {
        // track, tick, kind, channel, data bytes
        std::array<std::string, 5> fields;
        std::istringstream in(line);
        for (std::string& field : fields) std::getline(in, field, '\t');
        const long at = std::stol(fields[1]);
        r.end = std::max(r.end, at);
        const std::string& data = fields[4];  // "3C 64": note and velocity
        if (fields[2] != "note-on" || data.size() < 5 || data.substr(3, 2) == "00") continue;
        ++r.notes;
        if (r.firstOnset < 0) r.firstOnset = at;
        r.firstOnset = std::min(r.firstOnset, at);
        r.lastOnset = std::max(r.lastOnset, at);
        if (fields[3] == "1" && (r.firstMelody < 0 || at < r.firstMelody)) r.firstMelody = at;
    }
    return r;
}

void AppTest::SetUp()
{
    services = std::make_unique<AppServices>(reporter, dir.path());
    auto fake = std::make_unique<FakePlayback>();
    playback = fake.get();
    services->playback = std::move(fake);
    services->render = [this](const song::SongData&, const std::string& path) {
        rendered.push_back(path);
        if (!renderResult) return false;
        const auto bytes = TinyMidiFile();
        return WriteFileAtomically(path, bytes);
    };
    services->import = [](song::SongData&, const std::string&, harmony::MidiImportReport*) { return false; };
}

void AppTest::TearDown()
{
    window.reset();
    ProcessEvents();
}

MainWindow& AppTest::Start()
{
    window = std::make_unique<MainWindow>(
        *services, [this](QWidget*, const QString& text) { drags.push_back(text); },
        [this](bool) { return phraseFile; });
    window->SetFileChooser([this](const FileDialogRequest& request) {
        dialogs.push_back(request);
        return dialogAnswer;
    });
    window->SetTransposeAsker([this] {
        ++transposeQuestions;
        return transposeAnswer;
    });
    window->SetSaveChangesAsker([this] {
        saveQuestions.push_back(window->document().DisplayName().toStdString());
        return saveAnswer;
    });
    window->score().SetDragStarter([this](QWidget*, const QString& text) { drags.push_back(text); });
    return *window;
}

void AppTest::EditSong(const std::function<void(song::SongData&)>& edit)
{
    window->document().Edit(QStringLiteral("test"), [&](song::SongData& song) {
        edit(song);
        return true;
    });
}

bool AppTest::DropOnCell(const QString& payload, int cell, int slot)
{
    const QPoint p = CellPoint(cell, slot);
    return window->score().DropText(payload, p.x(), p.y());
}

QPoint AppTest::CellPoint(int cell, int slot) const
{
    const PixelRect r = CellRect(cell);
    return QPoint(r.x + slot * (r.width / 8) + 2, r.y + r.height / 2);
}

}  // namespace songloom::app::test
