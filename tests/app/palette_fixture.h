#pragma once
// A palette host in a fresh working folder: a song document with a
// capturing reporter, and records of every drag started, every phrase file
// dialog and every transposition question.

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QEventLoop>
#include <QString>
#include <array>
#include <string>
#include <vector>

#include "app/app_services.h"
#include "app/palettes/palette_host.h"
#include "app/song_document.h"
#include "common/reporter.h"
#include "song/song_data.h"
#include "support/test_paths.h"

namespace songloom::app::test {

inline void RunPosted()
{
    for (int i = 0; i < 3; ++i) QCoreApplication::processEvents(QEventLoop::AllEvents);
}

class PaletteTest : public ::testing::Test {
protected:
    PaletteTest()
        : services(reporter, dir.path()),
          document(services),
          song(*document.songForEdits()),
          host{reporter,
               dir.path(),
               document,
               [this](QWidget*, const QString& text) { drags.push_back(text); },
               [this](bool save) -> std::optional<std::string> {
                   chooserCalls.push_back(save);
                   return chooserAnswer;
               },
               [this]() -> std::optional<song::KeyChangeAnswer> {
                   ++transpositionQuestions;
                   return transpositionAnswer;
               }}
    {
    }

    songloom::test::TempDir dir;
    CapturingReporter reporter;
    AppServices services;
    SongDocument document;
    // The document's song, for setting a test up before the windows exist.
    song::SongData& song;
    std::vector<QString> drags;
    std::vector<bool> chooserCalls;
    std::optional<std::string> chooserAnswer;
    int transpositionQuestions = 0;
    std::optional<song::KeyChangeAnswer> transpositionAnswer = song::KeyChangeAnswer::kTranspose;
    PaletteHost host;
};

}  // namespace songloom::app::test
