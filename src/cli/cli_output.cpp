// The output settings every kdsp command shares.
#include "cli/cli_output.h"

namespace kdsp::cli {

bool JsonOutput = false;
bool Verbose = false;
int ExitStatus = 0;

void AddJsonFlag(CLI::App* cmd) {
    cmd->add_flag("--json", JsonOutput, "print the result as one JSON object");
}

}  // namespace kdsp::cli
