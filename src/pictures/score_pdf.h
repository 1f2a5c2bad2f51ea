#pragma once
// The score as a PDF document: every page of sixteen bars exactly as the
// score window draws it, one page of paper each, with the title, composer
// and page number above.

#include <string>

#include "common/reporter.h"
#include "pictures/score_page.h"

namespace songloom::pictures {

struct ScorePdfHeading {
    std::string title;     // UTF-8
    std::string composer;  // UTF-8
};

// Which pages: 0-based first page and a count; -1 for every page from it.
struct PageRange {
    int first = 0;
    int count = -1;
};

// The window's layout at twice its size, so that print is sharp.
ScoreLayout PrintLayout();

// The document's bytes; empty when Qt cannot make it.
std::string BuildScorePdf(Reporter& reporter, const SongView& song, const ScorePdfHeading& heading,
                          PageRange pages = {}, const ScoreLayout& layout = PrintLayout());
// BuildScorePdf written atomically. Failure: GENE 0x01000007, false.
bool WriteScorePdf(Reporter& reporter, const SongView& song, const ScorePdfHeading& heading,
                   const std::string& path, PageRange pages = {}, const ScoreLayout& layout = PrintLayout());

}  // namespace songloom::pictures
