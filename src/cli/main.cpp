// kdsp command-line client: entry point and exit-status policy (0 success, 1
// refused input or a failed command, 2 usage error, 128 + signal when interrupted;
// preset diff: 1 when the files differ, 2 when it cannot compare them).
#include <QString>
#include <QtGlobal>

#include <cctype>
#include <cstdio>
#include <iostream>
#include <optional>

#include "cli/cli.h"
#include "cli/cli_json.h"
#include "cli/cli_output.h"
#include "core/preset/text_ops.h"

namespace kdsp::cli {

namespace {

int Refuse(const Refused& e) {
    std::cerr << "kdsp: " << e.what() << "\n";
    if (JsonOutput) PrintJson(JsonValue::Object().Set("ok", false).Set("error", e.what()));
    return e.status;
}

// Qt's own warnings ("QNativeSocketEngine::write() was not called...") mean
// nothing to a user: they are shown with -v only.
void QtMessage(QtMsgType type, const QMessageLogContext&, const QString& text) {
    if (Verbose || type == QtFatalMsg)
        std::cerr << "kdsp: qt: " << text.toStdString() << "\n";
}

std::string CommandList(const CLI::App& app) {
    std::string list;
    for (const CLI::App* sub : app.get_subcommands({}))
        list += (list.empty() ? "" : ", ") + sub->get_name();
    return list;
}

// The first option word that neither the command nor the commands above it know.
// Values that merely start with a minus ("-3.5dB") are no options.
std::optional<std::string> UnknownOption(const CLI::App& level, const std::vector<std::string>& args) {
    for (const std::string& arg : args) {
        if (arg == "--")
            break;
        if (arg.size() < 2 || arg[0] != '-' || !std::isalpha(static_cast<unsigned char>(arg[arg[1] == '-' ? 2 : 1])))
            continue;
        const std::string name = arg[1] == '-' ? arg.substr(0, arg.find('=')) : arg.substr(0, 2);
        bool known = false;
        for (const CLI::App* app = &level; app && !known; app = app->get_parent())
            known = app->get_option_no_throw(name) != nullptr;
        if (!known)
            return arg;
    }
    return std::nullopt;
}

// The command words are checked before parsing: CLI11 would report an unknown
// command as a missing one. Returns the refusal, if any.
std::optional<std::string> CheckCommandWords(const CLI::App& app,
                                             const std::vector<std::string>& args) {
    const CLI::App* level = &app;
    std::string path;
    for (const std::string& arg : args) {
        if (level->get_subcommands({}).empty())
            break;
        if (arg.empty() || arg[0] == '-')
            continue;
        const auto subs = level->get_subcommands(
            [&arg](const CLI::App* sub) { return sub->get_name() == arg; });
        if (subs.empty()) {
            return "unknown command '" + path + arg + "'; " + path + "commands: " +
                   CommandList(*level);
        }
        level = subs.front();
        path += arg + " ";
    }
    for (const std::string& arg : args)
        if (arg == "-h" || arg == "--help" || (path.empty() && arg == "--version"))
            return std::nullopt;
    // An unknown option is named as such before CLI11 would complain of a required one.
    if (const auto unknown = UnknownOption(*level, args)) {
        const std::string command = path.empty() ? "" : path.substr(0, path.size() - 1);
        return command + (command.empty() ? "" : ": ") + "unknown option '" + InputExcerpt(*unknown) +
               "' (see kdsp help" + (command.empty() ? "" : " " + command) + ")";
    }
    if (level->get_subcommands({}).empty())
        return std::nullopt;
    return (path.empty() ? "no command given; " : path + "needs a command; ") + path +
           "commands: " + CommandList(*level) + " (kdsp help " + path + "COMMAND shows its options)";
}

// One line naming the command the usage error belongs to and where its help is.
std::string UsageFailure(const CLI::App* app, const CLI::Error& e) {
    std::string path;
    for (auto subs = app->get_subcommands(); !subs.empty(); subs = subs.back()->get_subcommands())
        path += " " + subs.back()->get_name();
    return "kdsp:" + path + (path.empty() ? " " : ": ") + e.what() + " (see kdsp help" + path + ")\n";
}

}  // namespace

}  // namespace kdsp::cli

int main(int argc, char** argv) {
    using namespace kdsp::cli;
    qInstallMessageHandler(QtMessage);
    CLI::App app{"kdsp: command-line client of the audio effect processor", "kdsp"};
    app.set_version_flag("--version", "kdsp " KDSP_VERSION, "Print the version and exit");
    app.require_subcommand(1);
    app.fallthrough();  // -v also after the command
    app.failure_message(UsageFailure);
    app.add_flag("-v,--verbose", Verbose,
                 "diagnosis on stderr: every frame sent and received as hex, the link's notes "
                 "and Qt's own warnings");
    RegisterEncodeCommands(app);
    RegisterPresetCommands(app);
    RegisterCurveCommands(app);
    RegisterLinkCommands(app);
    RegisterParamCommands(app);
    RegisterFleetCommands(app);
    RegisterEqCommands(app);
    app.add_subcommand("help", "list the commands, or show the options of one: kdsp help read");

    // "kdsp help [COMMAND...]" is "kdsp [COMMAND...] --help".
    std::vector<std::string> args(argv + 1, argv + argc);
    if (!args.empty() && args.front() == "help") {
        args.erase(args.begin());
        args.push_back("--help");
    }
    if (const auto refusal = CheckCommandWords(app, args)) {
        std::cerr << "kdsp: " << *refusal << "\n";
        return 2;
    }
    try {
        std::vector<std::string> reversed(args.rbegin(), args.rend());
        app.parse(reversed);
    } catch (const CLI::CallForHelp& e) {
        return app.exit(e);
    } catch (const CLI::CallForAllHelp& e) {
        return app.exit(e);
    } catch (const CLI::CallForVersion& e) {
        return app.exit(e);
    } catch (const CLI::ParseError& e) {
        app.exit(e);
        return 2;
    } catch (const Refused& e) {
        return Refuse(e);
    } catch (const std::exception& e) {
        return Refuse(Refused(e.what()));
    }
    return ExitStatus;
}
