// Backups of the processor's memory, taken before something overwrites it: preset
// files named by device identity and time in one folder, the newest ones kept.
#pragma once

#include <chrono>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "core/model/model.h"

namespace kdsp {

inline constexpr std::string_view BackupFolderName = "backups";
inline constexpr int BackupsKept = 50;  // per device; older ones are deleted

// The default folder: "backups" in the user's data folder (empty when there is none).
std::filesystem::path DefaultBackupFolder(const std::filesystem::path& userData);

// The device part of a backup's name: the identity as read (eight hex digits), or
// "unknown" for anything else, so a name never carries what the processor sent.
std::string BackupDevice(std::string_view identity);

// "5A352026-20240501T140322Z": the device, then the time in UTC (so the names sort
// as the backups were made, whatever the clocks did locally); a second backup in
// the same second gets "-2", "-3"... No extension.
std::string BackupName(std::string_view identity, std::chrono::system_clock::time_point when,
                       int sequence = 1);

// The backups of one device in `folder`, oldest first: only files named exactly as
// BackupName names them (with the preset extension), so a file the user renamed is
// neither listed nor ever deleted.
std::vector<std::filesystem::path> ListBackups(const std::filesystem::path& folder,
                                               std::string_view identity);

// Writes `image` as a preset file named by BackupName (creating the folder), then
// deletes that device's oldest backups beyond `keep`. Returns the new file; throws
// PresetWriteError when it cannot be written (nothing is deleted then).
std::filesystem::path WriteBackup(const std::filesystem::path& folder, const DeviceImageRows& image,
                                  std::string_view identity,
                                  std::chrono::system_clock::time_point when,
                                  int keep = BackupsKept);

}  // namespace kdsp
