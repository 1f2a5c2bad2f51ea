#include <map>

#include "command_registry.h"

namespace songloom::cli {
namespace {

std::map<std::string, CommandSetup>& Registry()
{
    static std::map<std::string, CommandSetup> registry;  // filled before main
    return registry;
}

}  // namespace

CommandRegistrar::CommandRegistrar(std::string name, CommandSetup setup)
{
    Registry().emplace(std::move(name), std::move(setup));
}

void SetUpAllCommands(CLI::App& app, CliContext& context)
{
    for (auto& [name, setup] : Registry()) setup(app, context);
}

bool SetUpCommand(const std::string& name, CLI::App& app, CliContext& context)
{
    const auto found = Registry().find(name);
    if (found == Registry().end()) return false;
    found->second(app, context);
    return true;
}

std::string ReadTextArg(const std::string& utf8) { return utf8; }

int RunCommandLine(int argc, char** argv, void (*addMore)(CLI::App&))
{
    StderrReporter reporter;
    CliContext context{reporter};
    CLI::App app{"Songloom command line: song files, rendering, MIDI, styles"};
    app.require_subcommand(1);
    // A command named first is the only one the parser needs; anything else
    // (no command, an option, a misspelt name) gets every command, for the
    // help and the error message.
    if (argc < 2 || !SetUpCommand(argv[1], app, context)) {
        SetUpAllCommands(app, context);
        if (addMore != nullptr) addMore(app);
    }
    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& e) {
        return app.exit(e);
    }
    return context.status;
}

}  // namespace songloom::cli
