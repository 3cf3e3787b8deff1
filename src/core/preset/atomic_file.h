// Files written whole or not at all: through a temporary file in the target's
// folder that is renamed over it, so a cut-short write never leaves half a file.
#pragma once

#include <filesystem>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>

namespace kdsp {

// Why a write failed, in words for the user (the path is not part of it).
struct FileWriteError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

// Where a write to `path` lands: a symbolic link is followed to the file it names
// (written beside that file, so the link stays a link); anything else as it is.
std::filesystem::path WriteTarget(const std::filesystem::path& path);

// Writes `bytes` to `path`; an older file of that name stays untouched on failure.
// Only a regular file is ever replaced: a device node, a FIFO, a socket or a folder
// at `path` (or where its link points) is refused with FileWriteError.
// The temporary name starts with "~kdsp-save-", which no file list of ours shows.
void WriteFileAtomically(const std::filesystem::path& path, std::string_view bytes);

// Why a file could not be written at `path` (checked by making a temporary file
// beside it), or nothing when it can: for checks before any long work starts.
std::optional<std::string> WriteProblem(const std::filesystem::path& path);

}  // namespace kdsp
