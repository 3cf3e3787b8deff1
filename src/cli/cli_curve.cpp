// kdsp subcommands: curve (not yet available).
#include "cli/cli.h"

namespace kdsp::cli {

void RegisterCurveCommands(CLI::App&) {}

}  // namespace kdsp::cli
