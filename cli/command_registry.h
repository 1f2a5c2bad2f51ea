#pragma once
// Each command file registers its subcommand with a file-scope registrar, so
// commands are added without touching main.

#include <CLI/CLI.hpp>
#include <atomic>
#include <cstdlib>
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
// Sets up the one command registered as name; false when there is none.
bool SetUpCommand(const std::string& name, CLI::App& app, CliContext& context);

// Passes every report on and counts them, so a command can tell whether a
// failure was already explained to the user. Reports may come from another
// thread (the player's).
class CountingReporter : public Reporter {
public:
    explicit CountingReporter(Reporter& inner) : inner_(inner) {}
    void Report(const ErrorReport& report) override
    {
        ++count_;
        inner_.Report(report);
    }
    bool Confirm(std::string_view question) override { return inner_.Confirm(question); }
    [[noreturn]] void Terminate(const ErrorReport& report) override
    {
        inner_.Terminate(report);
        std::abort();  // not reached: the inner sink ends the process
    }
    int Count() const { return count_; }

private:
    Reporter& inner_;
    std::atomic<int> count_{0};
};

// Helpers shared by commands.
std::string ReadTextArg(const std::string& utf8);  // kept UTF-8 as given

// Parses the command line against every registered command (and those that
// addMore adds) and runs the one chosen; returns the exit status.
int RunCommandLine(int argc, char** argv, void (*addMore)(CLI::App&) = nullptr);

}  // namespace songloom::cli
