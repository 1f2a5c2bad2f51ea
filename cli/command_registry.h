#pragma once
// Each command file registers its subcommand with a file-scope registrar, so
// commands are added without touching main.

#include <CLI/CLI.hpp>
#include <functional>
#include <string>

#include "common/reporter.h"

namespace songloom::cli {

// What every command gets: the reporter whose lines go to stderr.
struct CliContext {
    Reporter& reporter;
    // Exit status the command sets; main returns it.
    int status = 0;
};

using CommandSetup = std::function<void(CLI::App& app, CliContext& context)>;

// Called from file-scope objects; setups run in name order so --help is stable.
struct CommandRegistrar {
    CommandRegistrar(std::string name, CommandSetup setup);
};

void SetUpAllCommands(CLI::App& app, CliContext& context);

// Helpers shared by commands.
std::string ReadTextArg(const std::string& utf8);  // kept UTF-8 as given

}  // namespace songloom::cli
