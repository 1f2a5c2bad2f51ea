#include "common/data_paths.h"

#include <sys/stat.h>
#include <unistd.h>

#include <climits>

#include "common/general.h"

namespace songloom {
namespace {

bool IsDirectory(const std::string& path)
{
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

std::string ExecutableFolder()
{
    char buf[PATH_MAX];
    const ssize_t n = ::readlink("/proc/self/exe", buf, sizeof buf - 1);
    if (n <= 0) return {};
    std::string exe(buf, static_cast<std::size_t>(n));
    const auto slash = exe.rfind('/');
    return slash == std::string::npos ? std::string() : exe.substr(0, slash);
}

}  // namespace

std::string JoinPath(const std::string& folder, const std::string& name)
{
    if (folder.empty()) return name;
    if (folder.back() == '/') return folder + name;
    return folder + "/" + name;
}

std::vector<std::string> DataDirectories()
{
    std::vector<std::string> dirs;
    const std::string exeDir = ExecutableFolder();
    std::vector<std::string> candidates;
    if (!exeDir.empty()) candidates.push_back(exeDir + "/../share/songloom");
    candidates.emplace_back(SONGLOOM_INSTALL_DATA_DIR);
    candidates.emplace_back(SONGLOOM_SOURCE_DATA_DIR);
    for (const auto& c : candidates) {
        if (IsDirectory(c)) dirs.push_back(c);
    }
    return dirs;
}

std::string ResolveDataFile(const std::string& workDir, const std::string& name)
{
    if (!name.empty() && name.front() == '/') return name;
    const std::string local = JoinPath(workDir, name);
    if (FileExists(local)) return local;
    // The folders do not move while the program runs; a render looks up
    // five files in them.
    static const std::vector<std::string> folders = DataDirectories();
    for (const auto& dir : folders) {
        const std::string candidate = JoinPath(dir, name);
        if (FileExists(candidate)) return candidate;
    }
    return local;
}

}  // namespace songloom
