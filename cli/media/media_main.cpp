// songloom-cli-media: the commands of songloom-cli that need the synthesizer,
// the MIDI ports or Qt. songloom-cli starts it with its own arguments.
#include "command_registry.h"

int main(int argc, char** argv) { return songloom::cli::RunCommandLine(argc, argv); }
