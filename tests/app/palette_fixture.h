#pragma once
// A palette host in a fresh working folder: a working song, a capturing
// reporter, and records of every message posted to the main window, every
// command and every drag started.

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QEventLoop>
#include <QString>
#include <array>
#include <string>
#include <vector>

#include "app/palettes/palette_host.h"
#include "common/reporter.h"
#include "song/song_data.h"
#include "support/test_paths.h"

namespace songloom::app::test {

struct Posted {
    std::uint32_t message;
    long long wParam;
    long long lParam;
    bool operator==(const Posted&) const = default;
};

inline void RunPosted()
{
    for (int i = 0; i < 3; ++i) QCoreApplication::processEvents(QEventLoop::AllEvents);
}

class PaletteTest : public ::testing::Test {
protected:
    PaletteTest()
        : host{reporter,
               dir.path(),
               [this](std::uint32_t m, long long w, long long l) { posted.push_back({m, w, l}); },
               [this](int command) { commands.push_back(command); },
               [this]() -> song::SongData& { return song; },
               [this](QWidget*, const QString& text) { drags.push_back(text); },
               [this](bool save) -> std::optional<std::string> {
                   chooserCalls.push_back(save);
                   return chooserAnswer;
               }}
    {
    }

    songloom::test::TempDir dir;
    CapturingReporter reporter;
    song::SongData song;
    std::vector<Posted> posted;
    std::vector<int> commands;
    std::vector<QString> drags;
    std::vector<bool> chooserCalls;
    std::optional<std::string> chooserAnswer;
    PaletteHost host;
};

}  // namespace songloom::app::test
