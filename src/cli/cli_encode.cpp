// kdsp subcommands: encode (not yet available).
#include "cli/cli.h"

namespace kdsp::cli {

void RegisterEncodeCommands(CLI::App&) {}

}  // namespace kdsp::cli
