// kdsp subcommands: preset (not yet available).
#include "cli/cli.h"

namespace kdsp::cli {

void RegisterPresetCommands(CLI::App&) {}

}  // namespace kdsp::cli
