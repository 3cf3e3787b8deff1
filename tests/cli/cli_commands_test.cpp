// The command words and the refusals every link command makes before it talks to
// the processor: unknown commands, help, usage lines, endpoints and output files.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>

#include <sys/stat.h>

#include "run_cli.h"

namespace kdsp::test {
namespace {

int Lines(const std::string& text) {
    return static_cast<int>(std::count(text.begin(), text.end(), '\n'));
}

TEST(CliCommands, UnknownWordsHelpAndUsageLines) {
    const CliResult bogus = RunKdsp({"bogus"});
    EXPECT_EQ(bogus.status, 2);
    EXPECT_EQ(bogus.err,
              "kdsp: unknown command 'bogus'; commands: encode, decode, preset, curve, scan, read, "
              "upload, params, get, set, fleet, eq, help\n");
    const CliResult nested = RunKdsp({"preset", "bogus"});
    EXPECT_EQ(nested.status, 2);
    EXPECT_EQ(nested.err,
              "kdsp: unknown command 'preset bogus'; preset commands: show, check, export, "
              "import, diff\n");
    const CliResult none = RunKdsp({});
    EXPECT_EQ(none.status, 2);
    EXPECT_NE(none.err.find("no command given; commands: encode,"), std::string::npos) << none.err;

    const CliResult help = RunKdsp({"help"});
    EXPECT_EQ(help.status, 0) << help.err;
    EXPECT_NE(help.out.find("Usage: kdsp [OPTIONS] SUBCOMMAND"), std::string::npos)
        << "the usage line names the program, not the path it was built at:\n"
        << help.out;
    const CliResult read = RunKdsp({"help", "read"});
    EXPECT_EQ(read.status, 0);
    EXPECT_NE(read.out.find("Usage: kdsp read [OPTIONS]"), std::string::npos) << read.out;
    EXPECT_NE(read.out.find("--timeout"), std::string::npos);
    EXPECT_EQ(RunKdsp({"help", "bogus"}).status, 2);
    const CliResult version = RunKdsp({"--version"});
    EXPECT_EQ(version.status, 0) << version.err;
    EXPECT_EQ(version.out.rfind("kdsp ", 0), 0u) << "no command is needed for the version: " << version.out;

    // A usage error is one line that says where the help is.
    const CliResult missing = RunKdsp({"read", "--host", "127.0.0.1", "--port", "1"});
    EXPECT_EQ(missing.status, 2);
    EXPECT_EQ(missing.err, "kdsp: read: --output is required (see kdsp help read)\n");
    // An unknown option is named as unknown, before any complaint of a required one.
    const CliResult unknown = RunKdsp({"read", "--outptu", "x.Nddt", "--host", "127.0.0.1"});
    EXPECT_EQ(unknown.status, 2);
    EXPECT_EQ(unknown.err, "kdsp: read: unknown option '--outptu' (see kdsp help read)\n");
    EXPECT_EQ(RunKdsp({"fleet", "status", "--job", "3"}).err,
              "kdsp: fleet status: unknown option '--job' (see kdsp help fleet status)\n");
}

TEST(CliCommands, LinkCommandsRefuseBeforeConnecting) {
    const std::string dir = ::testing::TempDir();
    // Nothing listens on port 1: each refusal must come before any connection.
    const struct {
        std::vector<std::string> args;
        int status;
        std::string message;
    } cases[] = {
        {{"read", "-o", dir + "no/such/folder/x.Nddt"},
         1,
         "kdsp: cannot write " + dir + "no/such/folder/x.Nddt: the folder does not exist\n"},
        {{"read", "-o", dir}, 1, "kdsp: cannot write " + dir + ": it is a folder\n"},
        // Never replaced by a file: a device node, a FIFO.
        {{"read", "-o", "/dev/null"}, 1, "kdsp: cannot write /dev/null: it is a device, not a regular file\n"},
        {{"read", "-o", dir + "fifo"}, 1, "kdsp: cannot write " + dir + "fifo: it is a FIFO, not a regular file\n"},
        {{"read", "-o", "-", "--json"}, 2, "kdsp: -o - and --json both want stdout"},
        {{"set", "--strict", "main.delay.right", "700"},
         1,
         "kdsp: main.delay.right: 700 is out of range (0.0ms..50.0ms)\n"},
        {{"set", "--strict", "0x0006", "181"},
         1,
         "kdsp: music.band1.gain: stored value 181 is out of range (-24.0dB..12.0dB)\n"},
        {{"upload", dir + "missing.Nddt"}, 1, "kdsp: file not found: " + dir + "missing.Nddt\n"},
        {{"read", "-o", dir + "x.Nddt", "--timeout", "0"}, 2, "--timeout"},
    };
    ::mkfifo((dir + "fifo").c_str(), 0600);
    for (const auto& c : cases) {
        std::vector<std::string> args = c.args;
        args.insert(args.end(), {"--host", "127.0.0.1", "--port", "1"});
        const CliResult r = RunKdsp(args);
        EXPECT_EQ(r.status, c.status) << c.message;
        EXPECT_NE(r.err.find(c.message), std::string::npos) << r.err;
        EXPECT_EQ(Lines(r.err), 1) << "one line, no progress: nothing was tried\n" << r.err;
    }
    // A fleet command names the inventory's bad line, and an output that is no folder.
    std::ofstream(dir + "venue.txt") << "room1 tcp:127.0.0.1:1\nroom2\n";
    const CliResult line = RunKdsp({"fleet", "status", "-i", dir + "venue.txt"});
    EXPECT_EQ(line.status, 1);
    EXPECT_EQ(line.err, "kdsp: " + dir +
                            "venue.txt line 2: 'room2' has no address (NAME tcp:HOST:PORT or NAME "
                            "serial:PORT)\n");
    // The offending input is shown cut to 80 characters, control characters escaped.
    std::ofstream(dir + "venue.txt") << "room\x01" << std::string(200, 'x') << "\n";
    EXPECT_EQ(RunKdsp({"fleet", "status", "-i", dir + "venue.txt"}).err,
              "kdsp: " + dir + "venue.txt line 1: 'room\\x01" + std::string(75, 'x') +
                  "...' has no address (NAME tcp:HOST:PORT or NAME serial:PORT)\n");
    std::ofstream(dir + "venue.txt") << "room1 tcp:127.0.0.1:1\n";
    const CliResult file = RunKdsp({"fleet", "backup", "-i", dir + "venue.txt", "-o", dir + "venue.txt"});
    EXPECT_EQ(file.status, 1);
    EXPECT_EQ(file.err, "kdsp: cannot write to " + dir + "venue.txt: it is not a folder\n");
    // --serial means that port only: no TCP address goes with it.
    const CliResult both = RunKdsp({"get", "main.*", "--serial", dir + "tty", "--host", "127.0.0.1"});
    EXPECT_EQ(both.status, 2);
    EXPECT_NE(both.err.find("--serial excludes --host"), std::string::npos) << both.err;
}

// -o follows a symbolic link to its file (which is written, the link kept), and
// "-" writes to stdout; the crossover types take their usual English names.
TEST(CliCommands, OutputThroughALinkOrToStdout) {
    namespace fs = std::filesystem;
    const fs::path dir = fs::path(::testing::TempDir()) / "kdsp-out";
    fs::remove_all(dir);
    fs::create_directories(dir / "real");
    std::ofstream(dir / "in.json") << "{\"main.highpass.type\": \"Linkwitz-Riley\", "
                                      "\"main.lowpass.type\": \"bessel\"}";
    fs::create_symlink("real/p.Nddt", dir / "link.Nddt");
    const CliResult linked = RunKdsp({"preset", "import", "--by-name", (dir / "in.json").string(), "-o",
                                      (dir / "link.Nddt").string()});
    ASSERT_EQ(linked.status, 0) << linked.err;
    EXPECT_TRUE(fs::is_symlink(dir / "link.Nddt"));
    ASSERT_TRUE(fs::is_regular_file(dir / "real" / "p.Nddt"));
    const CliResult shown = RunKdsp({"preset", "export", "--by-name", (dir / "link.Nddt").string()});
    EXPECT_NE(shown.out.find("\"main.highpass.type\": \"Link Riley 24dB\""), std::string::npos) << shown.out;
    EXPECT_NE(shown.out.find("\"main.lowpass.type\": \"Besell 24dB\""), std::string::npos) << shown.out;
    const CliResult out = RunKdsp({"preset", "import", "--by-name", (dir / "in.json").string(), "-o", "-"});
    ASSERT_EQ(out.status, 0) << out.err;
    std::ifstream file(dir / "real" / "p.Nddt", std::ios::binary);
    EXPECT_EQ(out.out, std::string(std::istreambuf_iterator<char>(file), {}));
    fs::remove_all(dir);
}

}  // namespace
}  // namespace kdsp::test
