#pragma once
// The library window ("ライブラリ"): the song files of the folder "Library"
// in the working folder, listed as "title / composer"; a chosen entry is
// opened as the working song (without becoming the current file).

#include <QWidget>
#include <functional>
#include <string>
#include <vector>

#include "common/reporter.h"

class QListWidget;

namespace songloom::app {

inline constexpr std::string_view kLibraryFolder = "Library";

struct LibraryEntry {
    std::string path;   // file-system path of the song file
    std::string label;  // "title / composer", UTF-8
    bool operator==(const LibraryEntry&) const = default;
};

// Every "*.sld" file (any case of the extension) of workDir/Library in name
// order, read for its song information; files that are no song image are
// left out. Empty when the folder is missing.
std::vector<LibraryEntry> ListLibrary(const std::string& workDir);

class LibraryWindow : public QWidget {
    Q_OBJECT
public:
    // open(path) opens a song file as command 1 does, leaving the current
    // file as it was.
    LibraryWindow(std::string workDir, std::function<void(const std::string& path)> open, QWidget* parent = nullptr);

    // Lists the folder again (also done whenever the window is shown).
    void Refill();
    // Opens entry row of the list.
    void Open(int row);

    QListWidget* list() const { return list_; }
    const std::vector<LibraryEntry>& entries() const { return entries_; }

protected:
    void showEvent(QShowEvent* e) override;

private:
    std::string workDir_;
    std::function<void(const std::string&)> open_;
    std::vector<LibraryEntry> entries_;
    QListWidget* list_ = nullptr;
};

}  // namespace songloom::app
