#include "app/palettes/library_window.h"

#include <QListWidget>
#include <QVBoxLayout>
#include <algorithm>
#include <filesystem>

#include "app/palettes/palette_tooltips.h"
#include "common/text.h"
#include "song/song_image.h"

namespace songloom::app {

std::vector<LibraryEntry> ListLibrary(const std::string& workDir)
{
    namespace fs = std::filesystem;
    std::vector<LibraryEntry> entries;
    std::error_code error;
    const fs::path folder = fs::path(workDir) / std::string(kLibraryFolder);
    if (!fs::is_directory(folder, error)) return entries;
    std::vector<fs::path> files;
    for (fs::directory_iterator it(folder, error), end; !error && it != end; it.increment(error)) {
        std::string extension = it->path().extension().string();
        std::transform(extension.begin(), extension.end(), extension.begin(),
                       [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
        if (extension == ".sld" && it->is_regular_file(error)) files.push_back(it->path());
    }
    std::sort(files.begin(), files.end());
    for (const fs::path& file : files) {
        // A listing shows what reads cleanly; the song reader's complaints
        // about other files would come once per file on every showing.
        CapturingReporter quiet;
        song::SongData song;
        if (song::ReadSongFile(quiet, file.string(), song, 8, 4, 0) != song::SongFileStatus::kRead) continue;
        const std::string title = Cp932ToUtf8(FieldText(song.info.title.data(), song.info.title.size()));
        const std::string composer = Cp932ToUtf8(FieldText(song.info.composer.data(), song.info.composer.size()));
        entries.push_back({file.string(), title + " / " + composer});
    }
    return entries;
}

LibraryWindow::LibraryWindow(std::string workDir, std::function<void(const std::string& path)> open, QWidget* parent)
    : QWidget(parent, Qt::Tool), workDir_(std::move(workDir)), open_(std::move(open))
{
    setWindowTitle(QStringLiteral("ライブラリ"));
    list_ = new QListWidget(this);
    list_->setObjectName(QStringLiteral("1045"));
    list_->setToolTip(QString::fromUtf8(tip::kLibraryList.data(), static_cast<int>(tip::kLibraryList.size())));
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(list_);
    connect(list_, &QListWidget::itemActivated, this, [this](QListWidgetItem* item) { Open(list_->row(item)); });
    resize(320, 360);
}

void LibraryWindow::Refill()
{
    entries_ = ListLibrary(workDir_);
    list_->clear();
    for (const LibraryEntry& entry : entries_) list_->addItem(QString::fromStdString(entry.label));
}

void LibraryWindow::Open(int row)
{
    if (row < 0 || row >= static_cast<int>(entries_.size()) || !open_) return;
    open_(entries_[static_cast<std::size_t>(row)].path);
}

void LibraryWindow::showEvent(QShowEvent* e)
{
    Refill();
    QWidget::showEvent(e);
}

}  // namespace songloom::app
