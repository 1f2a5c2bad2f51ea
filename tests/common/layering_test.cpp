// The core libraries must not reach up the stack or into Qt: scan every
// #include of src/ against the allowed dependencies of its folder.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <regex>
#include <set>

#include "support/test_paths.h"

namespace {

TEST(Layering, IncludesFollowTheDependencyGraph)
{
    const std::map<std::string, std::set<std::string>> allowed = {
        {"common", {"common"}},
        {"song", {"song", "common"}},
        {"midi", {"midi", "common"}},
        {"harmony", {"harmony", "song", "midi", "common"}},
        {"arrange", {"arrange", "harmony", "song", "midi", "common"}},
        {"compose", {"compose", "arrange", "harmony", "song", "midi", "common"}},
        {"playback", {"playback", "midi", "common"}},
        {"pictures", {"pictures", "song", "common", "Qt"}},
        {"app", {"app", "pictures", "playback", "compose", "harmony", "arrange", "song", "midi", "common", "Qt"}},
    };
    const std::regex include(R"(^\s*#\s*include\s*[<"]([^>"]+)[>"])");
    const std::filesystem::path src = std::filesystem::path(songloom::test::SourceDir()) / "src";
    int scanned = 0;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(src)) {
        if (!entry.is_regular_file()) continue;
        const auto ext = entry.path().extension();
        if (ext != ".h" && ext != ".cpp") continue;
        const std::string folder = std::filesystem::relative(entry.path(), src).begin()->string();
        ASSERT_TRUE(allowed.count(folder)) << folder;
        std::ifstream in(entry.path());
        std::string line;
        while (std::getline(in, line)) {
            std::smatch m;
            if (!std::regex_search(line, m, include)) continue;
            const std::string target = m[1];
            const auto slash = target.find('/');
            std::string top = slash == std::string::npos ? "" : target.substr(0, slash);
            if (target.rfind("Q", 0) == 0 && slash == std::string::npos) top = "Qt";
            if (top.rfind("Qt", 0) == 0) top = "Qt";
            if (!allowed.count(top) && top != "Qt") continue;  // system or third-party header
            EXPECT_TRUE(allowed.at(folder).count(top))
                << entry.path() << " includes " << target;
        }
        ++scanned;
    }
    EXPECT_GT(scanned, 0);
}

}  // namespace
