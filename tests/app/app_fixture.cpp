#include "app_fixture.h"

#include "app/main_window_logic.h"

namespace songloom::app::test {

std::vector<std::uint8_t> TinyMidiFile()
{
    return {'M', 'T', 'h', 'd', 0, 0, 0, 6, 0, 0, 0, 1, 0, 96,
            'M', 'T', 'r', 'k', 0, 0, 0, 13,
            0x00, 0x90, 60, 100,
            0x60, 0x80, 60, 0,
            0x00, 0xFF, 0x2F, 0x00, 0x00};
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
