// songloom-cli version
#include <cstdio>

#include "command_registry.h"

namespace songloom::cli {
namespace {

const CommandRegistrar kVersion("version", [](CLI::App& app, CliContext&) {
    auto* cmd = app.add_subcommand("version", "Print the program version");
    cmd->callback([] { std::printf("songloom 0.1.0\n"); });
});

}  // namespace
}  // namespace songloom::cli
