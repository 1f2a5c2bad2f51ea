// songloom-cli. The commands that only read, render and write files run in
// this program, which links no audio, MIDI-port or GUI library. The commands
// that need them (play, wav, ports, draw) live in songloom-cli-media,
// installed beside this program; they are listed here and handed over to it
// with the same arguments, so the user keeps one command.
#include <unistd.h>
#ifdef __GLIBC__
#include <malloc.h>
#endif

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "command_registry.h"

namespace songloom::cli {
namespace {

constexpr std::string_view kMediaHelper = "songloom-cli-media";

struct MediaCommand {
    const char* name;
    const char* description;
};

constexpr MediaCommand kMediaCommands[] = {
    {"play", "Play a Standard MIDI File in real time"},
    {"wav", "Render a Standard MIDI File into a WAV file"},
    {"ports", "List the MIDI output ports"},
#ifdef SONGLOOM_CLI_DRAW
    {"draw", "Draw one page of a song's score as a PNG image"},
#endif
};

bool IsMediaCommand(const char* arg)
{
    for (const MediaCommand& c : kMediaCommands) {
        if (std::strcmp(arg, c.name) == 0) return true;
    }
    return false;
}

// The helper is looked for in the folder of this very executable, wherever
// it was installed or built; returns only when it cannot be started.
int RunMediaHelper(int argc, char** argv)
{
    std::string path(kMediaHelper);
    char self[PATH_MAX];
    const ssize_t n = ::readlink("/proc/self/exe", self, sizeof self - 1);
    if (n > 0) {
        const std::string_view exe(self, static_cast<std::size_t>(n));
        const auto slash = exe.rfind('/');
        if (slash != std::string_view::npos) path = std::string(exe.substr(0, slash + 1)) + path;
    }
    std::vector<char*> args(argv, argv + argc);
    args.push_back(nullptr);
    ::execv(path.c_str(), args.data());
    std::fprintf(stderr, "songloom-cli: cannot run %s: %s\n", path.c_str(), std::strerror(errno));
    return 127;
}

// Entries for --help only: a media command never reaches the parser here.
void AddMediaCommands(CLI::App& app)
{
    for (const MediaCommand& c : kMediaCommands) {
        app.add_subcommand(c.name, c.description)->allow_extras()->prefix_command();
    }
}

}  // namespace
}  // namespace songloom::cli

int main(int argc, char** argv)
{
#ifdef __GLIBC__
    // Blocks of a megabyte or more that the C library serves (the event
    // lists of a large MIDI file, past the arena's share of them) go back
    // to the system when they are freed. Without a fixed threshold
    // the allocator raises it after the first such free, and the memory a
    // shrinking list gives back stays in the heap.
    mallopt(M_MMAP_THRESHOLD, 1 << 20);
#endif
    if (argc > 1 && songloom::cli::IsMediaCommand(argv[1])) return songloom::cli::RunMediaHelper(argc, argv);
    const int status = songloom::cli::RunCommandLine(argc, argv, songloom::cli::AddMediaCommands);
#ifdef SONGLOOM_QUICK_EXIT
    // Every file the command wrote is closed; what is left is the output
    // buffers and tearing down statics (the parser's tables, the command
    // list), which took longer than printing the version. Sanitizer builds
    // go the long way, so that their leak check runs.
    std::fflush(nullptr);
    std::_Exit(status);
#else
    return status;
#endif
}
