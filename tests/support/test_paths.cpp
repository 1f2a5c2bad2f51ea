#include "support/test_paths.h"

#include <cstdlib>
#include <filesystem>

namespace songloom::test {

std::string SourceDir() { return SONGLOOM_SOURCE_DIR; }

std::string CorpusDir()
{
    // shared/ stands beside the checkout; a git worktree sits one or two
    // folders deeper, so look a few levels up.
    std::filesystem::path dir = std::filesystem::path(SONGLOOM_SOURCE_DIR);
    std::error_code ec;
    for (int level = 0; level < 4; ++level) {
        const std::filesystem::path p = dir / ".." / "shared" / "corpus";
        if (std::filesystem::is_directory(p, ec)) return std::filesystem::weakly_canonical(p, ec).string();
        dir = dir / "..";
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
