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

// Why what is at `path` must not be replaced by a file, if it is not one.
std::optional<std::string> NotAFile(const fs::path& path) {
    std::error_code ec;
    const fs::file_status st = fs::status(path, ec);
    switch (st.type()) {
        case fs::file_type::not_found:
        case fs::file_type::regular:
        case fs::file_type::none:
            return std::nullopt;
        case fs::file_type::directory:
            return "it is a folder";
        case fs::file_type::fifo:
            return "it is a FIFO, not a regular file";
        case fs::file_type::socket:
            return "it is a socket, not a regular file";
        case fs::file_type::block:
        case fs::file_type::character:
            return "it is a device, not a regular file";
        default:
            return "it is not a regular file";
    }
}

}  // namespace

fs::path WriteTarget(const fs::path& path) {
    fs::path target = path;
    std::error_code ec;
    // A chain of links is followed a bounded number of times: a loop ends too.
    for (int hops = 0; hops < 40 && fs::is_symlink(fs::symlink_status(target, ec)); ++hops) {
        const fs::path next = fs::read_symlink(target, ec);
        if (ec) break;
        target = next.is_absolute() ? next : FolderOf(target) / next;
    }
    return target;
}

void WriteFileAtomically(const fs::path& given, std::string_view bytes) {
    const fs::path path = WriteTarget(given);
    if (const auto why = NotAFile(path))
        throw FileWriteError(*why);
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

std::optional<std::string> WriteProblem(const fs::path& given) {
    std::error_code ec;
    if (given.empty())
        return "no file name";
    const fs::path path = WriteTarget(given);
    if (const auto why = NotAFile(path))
        return why;
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
