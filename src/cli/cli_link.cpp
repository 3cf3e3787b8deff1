// kdsp subcommands: link (not yet available).
#include "cli/cli.h"

namespace kdsp::cli {

void RegisterLinkCommands(CLI::App&) {}

}  // namespace kdsp::cli
