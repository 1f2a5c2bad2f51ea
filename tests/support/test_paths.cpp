#include "support/test_paths.h"

#include <cstdlib>
#include <filesystem>
#include <vector>

namespace songloom::test {

std::string SourceDir() { return SONGLOOM_SOURCE_DIR; }

std::string CorpusDir()
{
    // SONGLOOM_CORPUS_DIR overrides; otherwise the corpus sits beside the
    // repository, or beside the folder of worktrees when the tree is one.
    std::vector<std::filesystem::path> candidates;
    if (const char* env = std::getenv("SONGLOOM_CORPUS_DIR"); env != nullptr && *env != '\0') candidates.emplace_back(env);
    candidates.push_back(std::filesystem::path(SONGLOOM_SOURCE_DIR) / ".." / "shared" / "corpus");
    candidates.push_back(std::filesystem::path(SONGLOOM_SOURCE_DIR) / ".." / ".." / "shared" / "corpus");
    for (const auto& p : candidates) {
        std::error_code ec;
        if (std::filesystem::is_directory(p, ec)) return std::filesystem::weakly_canonical(p, ec).string();
    }
    return {};
}

TempDir::TempDir()
{
    std::string pattern = (std::filesystem::temp_directory_path() / "songloom-test-XXXXXX").string();
    if (::mkdtemp(pattern.data()) != nullptr) path_ = pattern;
}

TempDir::~TempDir()
{
    std::error_code ec;
    if (!path_.empty()) std::filesystem::remove_all(path_, ec);
}

}  // namespace songloom::test
