#include "support/test_paths.h"

#include <cstdlib>
#include <filesystem>

namespace songloom::test {

std::string SourceDir() { return SONGLOOM_SOURCE_DIR; }

std::string CorpusDir()
{
    const std::filesystem::path p = std::filesystem::path(SONGLOOM_SOURCE_DIR) / ".." / "shared" / "corpus";
    std::error_code ec;
    if (!std::filesystem::is_directory(p, ec)) return {};
    return std::filesystem::weakly_canonical(p, ec).string();
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
