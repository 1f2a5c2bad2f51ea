#pragma once
// Paths the tests use: the repository root, the shared corpus beside it, and
// a fresh temporary folder per test.

#include <string>

namespace songloom::test {

// The repository root (where CMakeLists.txt is).
std::string SourceDir();
// The shared corpus folder ("../shared/corpus" from the root); empty when absent.
std::string CorpusDir();
// A new empty folder under the system's temporary folder, removed by the
// returned object's destructor.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const std::string& path() const { return path_; }
    std::string File(const std::string& name) const { return path_ + "/" + name; }

private:
    std::string path_;
};

}  // namespace songloom::test
