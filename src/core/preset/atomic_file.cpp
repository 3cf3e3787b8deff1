// Whole-file writes through a temporary file and a rename, and the same check
// made before the work that produces a file.
#include "core/preset/atomic_file.h"

#include <cerrno>
#include <cstring>
#include <fstream>
#include <random>
#include <sstream>
#include <system_error>

namespace kdsp {
namespace fs = std::filesystem;

namespace {

fs::path FolderOf(const fs::path& path) {
    return path.has_parent_path() ? path.parent_path() : fs::path(".");
}

fs::path TemporaryBeside(const fs::path& path) {
    std::random_device rd;
    std::ostringstream name;
    name << "~kdsp-save-" << std::hex << rd() << rd() << ".tmp";
    return FolderOf(path) / name.str();
}

}  // namespace

void WriteFileAtomically(const fs::path& path, std::string_view bytes) {
    std::error_code ec;
    if (!fs::is_directory(FolderOf(path), ec))
        throw FileWriteError("the folder does not exist");
    const fs::path tmp = TemporaryBeside(path);
    {
        std::ofstream f(tmp, std::ios::binary | std::ios::trunc);
        if (!f)
            throw FileWriteError("cannot create a file in its folder");
        f.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        f.close();
        if (!f) {
            fs::remove(tmp, ec);
            throw FileWriteError("writing failed (disk full?)");
        }
    }
    fs::rename(tmp, path, ec);
    if (ec) {
        std::error_code ignored;
        fs::remove(tmp, ignored);
        throw FileWriteError(ec.message());
    }
}

std::optional<std::string> WriteProblem(const fs::path& path) {
    std::error_code ec;
    if (path.empty())
        return "no file name";
    if (fs::is_directory(path, ec))
        return "it is a folder";
    if (!fs::is_directory(FolderOf(path), ec))
        return "the folder does not exist";
    const fs::path probe = TemporaryBeside(path);
    errno = 0;
    const bool made = static_cast<bool>(std::ofstream(probe, std::ios::binary | std::ios::trunc));
    const int error = errno;
    fs::remove(probe, ec);
    if (!made)
        return std::string("cannot create a file in its folder") +
               (error ? std::string(" (") + std::strerror(error) + ")" : std::string());
    return std::nullopt;
}

}  // namespace kdsp
