// kdsp command-line client: entry point and exit-status policy
// (0 success, 1 refused input, 2 usage error).
#include <cstdio>
#include <iostream>

#include "cli/cli.h"
#include "cli/cli_json.h"

namespace kdsp::cli {

bool JsonOutput = false;

void AddJsonFlag(CLI::App* cmd) {
    cmd->add_flag("--json", JsonOutput, "print the result as one JSON object");
}

namespace {

int Refuse(const char* what) {
    std::cerr << "kdsp: " << what << "\n";
    if (JsonOutput) PrintJson(JsonValue::Object().Set("ok", false).Set("error", what));
    return 1;
}

}  // namespace

std::uint32_t ParseNumber(const std::string& text, std::uint32_t max, const char* what) {
    std::size_t used = 0;
    unsigned long long v = 0;
    try {
        const bool hex = text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X');
        if (text.empty() || text[0] == '-' || text[0] == '+') throw std::invalid_argument(text);
        v = std::stoull(hex ? text.substr(2) : text, &used, hex ? 16 : 10);
        if (used != (hex ? text.size() - 2 : text.size())) throw std::invalid_argument(text);
    } catch (const std::exception&) {
        throw Refused(std::string("invalid ") + what + ": " + text);
    }
    if (v > max) throw Refused(std::string(what) + " out of range: " + text);
    return static_cast<std::uint32_t>(v);
}

}  // namespace kdsp::cli

int main(int argc, char** argv) {
    CLI::App app{"kdsp: command-line client of the audio effect processor"};
    app.set_version_flag("--version", "kdsp " KDSP_VERSION, "Print the version and exit");
    app.require_subcommand(1);
    kdsp::cli::RegisterEncodeCommands(app);
    kdsp::cli::RegisterPresetCommands(app);
    kdsp::cli::RegisterCurveCommands(app);
    kdsp::cli::RegisterLinkCommands(app);
    kdsp::cli::RegisterParamCommands(app);
    try {
        app.parse(argc, argv);
    } catch (const CLI::CallForHelp& e) {
        return app.exit(e);
    } catch (const CLI::CallForAllHelp& e) {
        return app.exit(e);
    } catch (const CLI::CallForVersion& e) {
        return app.exit(e);
    } catch (const CLI::ParseError& e) {
        app.exit(e);
        return 2;
    } catch (const std::exception& e) {
        return kdsp::cli::Refuse(e.what());
    }
    return 0;
}
