#include <cstdio>
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

std::string ReadTextArg(const std::string& utf8) { return utf8; }

}  // namespace songloom::cli

int main(int argc, char** argv)
{
    songloom::StderrReporter reporter;
    songloom::cli::CliContext context{reporter};
    CLI::App app{"Songloom command line: song files, rendering, MIDI, styles"};
    app.require_subcommand(1);
    songloom::cli::SetUpAllCommands(app, context);
    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& e) {
        return app.exit(e);
    }
    return context.status;
}
