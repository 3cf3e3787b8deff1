// Backup files of the processor's memory: their names, the list of one device's
// backups, writing one and letting the oldest go.
#include "core/preset/backups.h"

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <system_error>

#include "core/preset/atomic_file.h"
#include "core/preset/preset_file.h"
#include "core/preset/preset_library.h"

namespace kdsp {
namespace fs = std::filesystem;
namespace chr = std::chrono;

namespace {

constexpr std::size_t IdentityDigits = 8;
constexpr std::string_view UnknownDevice = "unknown";
constexpr std::size_t StampLength = 16;  // 20240501T140322Z
constexpr int MaxSequence = 1000;

bool IsUpperHex(char c) {
    return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F');
}
bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

std::optional<int> SequenceNumber(std::string_view text) {
    int v = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), v);
    if (ec != std::errc{} || end != text.data() + text.size())
        return std::nullopt;
    return v;
}

// A backup name taken apart: the stamp and the sequence, or nothing when the name
// is not one BackupName gives for `device`.
struct NameParts {
    std::string stamp;
    int sequence = 1;
};

std::optional<NameParts> ParseName(std::string_view fileName, std::string_view device) {
    if (!fileName.ends_with(PresetExtension))
        return std::nullopt;
    fileName.remove_suffix(PresetExtension.size());
    if (!fileName.starts_with(device) || fileName.size() < device.size() + 1 + StampLength)
        return std::nullopt;
    fileName.remove_prefix(device.size());
    if (fileName[0] != '-')
        return std::nullopt;
    fileName.remove_prefix(1);
    const std::string_view stamp = fileName.substr(0, StampLength);
    for (std::size_t i = 0; i < StampLength; ++i) {
        const bool ok = i == 8 ? stamp[i] == 'T' : i == 15 ? stamp[i] == 'Z' : IsDigit(stamp[i]);
        if (!ok)
            return std::nullopt;
    }
    NameParts parts{std::string(stamp), 1};
    fileName.remove_prefix(StampLength);
    if (fileName.empty())
        return parts;
    // "-N" with N from 2, written without leading zeros, as BackupName writes it.
    if (fileName[0] != '-' || fileName.size() < 2 || fileName[1] == '0')
        return std::nullopt;
    const auto sequence = SequenceNumber(fileName.substr(1));
    if (!sequence || *sequence < 2)
        return std::nullopt;
    parts.sequence = *sequence;
    return parts;
}

}  // namespace

fs::path DefaultBackupFolder(const fs::path& userData) {
    return userData.empty() ? fs::path() : userData / BackupFolderName;
}

std::string BackupDevice(std::string_view identity) {
    const bool hex = identity.size() == IdentityDigits &&
                     std::all_of(identity.begin(), identity.end(), IsUpperHex);
    return std::string(hex ? identity : UnknownDevice);
}

std::string BackupName(std::string_view identity, chr::system_clock::time_point when,
                       int sequence) {
    const auto day = chr::floor<chr::days>(when);
    const chr::year_month_day date{day};
    const chr::hh_mm_ss time{chr::floor<chr::seconds>(when - day)};
    char stamp[32];
    std::snprintf(stamp, sizeof stamp, "%04d%02u%02uT%02d%02d%02dZ", static_cast<int>(date.year()),
                  static_cast<unsigned>(date.month()), static_cast<unsigned>(date.day()),
                  static_cast<int>(time.hours().count()), static_cast<int>(time.minutes().count()),
                  static_cast<int>(time.seconds().count()));
    std::string name = BackupDevice(identity) + "-" + stamp;
    if (sequence > 1)
        name += "-" + std::to_string(sequence);
    return name;
}

std::vector<fs::path> ListBackups(const fs::path& folder, std::string_view identity) {
    const std::string device = BackupDevice(identity);
    std::vector<std::pair<NameParts, fs::path>> found;
    for (const std::string& name : ListPresetFiles(folder)) {
        if (auto parts = ParseName(name, device))
            found.emplace_back(*parts, folder / PathFromText(name));
    }
    std::sort(found.begin(), found.end(), [](const auto& a, const auto& b) {
        return a.first.stamp != b.first.stamp ? a.first.stamp < b.first.stamp
                                              : a.first.sequence < b.first.sequence;
    });
    std::vector<fs::path> out;
    for (auto& f : found)
        out.push_back(std::move(f.second));
    return out;
}

fs::path WriteBackup(const fs::path& folder, const DeviceImageRows& image,
                     std::string_view identity, chr::system_clock::time_point when, int keep) {
    if (folder.empty())
        throw PresetWriteError("Cannot write a backup: there is no folder for backups");
    std::error_code ec;
    fs::create_directories(folder, ec);
    fs::path path;
    for (int sequence = 1; sequence <= MaxSequence; ++sequence) {
        path = folder / (BackupName(identity, when, sequence) + std::string(PresetExtension));
        if (!fs::exists(path, ec))
            break;
    }
    // The file holds the image as a preset saved from the window would.
    DeviceImageRows copy = image;
    MirrorSystemWordsForSave(copy);
    try {
        WriteFileAtomically(path, FormatPresetFile(copy));
    } catch (const FileWriteError& e) {
        throw PresetWriteError("Cannot write the backup \"" + PathText(path) + "\": " + e.what());
    }
    // The oldest go, never the one just written: after the clock was put back it
    // sorts before the others, and the caller is about to name it.
    const auto backups = ListBackups(folder, identity);
    const std::size_t kept = static_cast<std::size_t>(std::max(keep, 1));
    std::size_t excess = backups.size() > kept ? backups.size() - kept : 0;
    for (std::size_t i = 0; i < backups.size() && excess > 0; ++i) {
        if (backups[i] == path)
            continue;
        fs::remove(backups[i], ec);
        --excess;
    }
    return path;
}

}  // namespace kdsp
