// The preset folder and its list, preset name checks and the stored-mode item
// texts: everything of the preset panels that needs no window toolkit.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/model/model.h"
#include "core/preset/preset_file.h"

namespace kdsp {

inline constexpr std::string_view ModeFolderName = "Mode";
inline constexpr std::string_view PresetFolderName = "Z5KRON-Mode";

struct PresetFolders {
    std::filesystem::path ModeFolder;
    std::filesystem::path PresetFolder;
    bool besideExecutable = true;  // false: the user's data folder is used instead
    bool usable = false;           // the preset folder exists and takes new files
    // Presets listed and loaded but never written: the folder beside the executable
    // when it exists but cannot be written, or an installed program's shared folder.
    std::filesystem::path ReadOnlyFolder;
};

// The user's application-data folder for kdsp: %APPDATA%\kdsp on Windows,
// ~/Library/Application Support/kdsp on macOS, $XDG_DATA_HOME/kdsp or
// ~/.local/share/kdsp elsewhere. Empty when the environment names none.
std::filesystem::path UserDataFolder();

// "Mode/Z5KRON-Mode" beside the executable, created when missing; when that folder
// cannot be created or written (an installed program), the same two folders inside
// `userData` take new presets, and the one beside the executable, if it exists,
// becomes the ReadOnlyFolder.
PresetFolders EnsurePresetFolders(const std::filesystem::path& executableFolder,
                                  const std::filesystem::path& userData = UserDataFolder());

// An installed program: `shared` is the preset folder of its data folder
// (<prefix>/share/kdsp/Mode/Z5KRON-Mode), listed read-only and never written, even
// by an administrator; new presets go to the two folders inside `userData`.
PresetFolders EnsureInstalledPresetFolders(const std::filesystem::path& shared,
                                           const std::filesystem::path& userData = UserDataFolder());

// Where an installed program keeps its shared presets, from the folder of its
// executable (<prefix>/bin): <prefix>/share/kdsp/Mode/Z5KRON-Mode.
std::filesystem::path InstalledPresetFolder(const std::filesystem::path& executableFolder);

// One line for the panel: which folder holds the presets and why (languageFlag
// as for the name problems below).
std::string DescribePresetFolders(const PresetFolders& folders, int languageFlag = LanguageUnset);

// Names of the regular files in `folder` that match "*.Nddt*" in any letter case,
// sorted ignoring letter case. No upper limit on the count.
std::vector<std::string> ListPresetFiles(const std::filesystem::path& folder);
// The same, each without its ".Nddt" ending: what the preset list shows.
std::vector<std::string> ListPresetNames(const std::filesystem::path& folder);
// The names of both folders, sorted the same way; a name in both is listed once
// (the writable folder's file is the one loaded).
std::vector<std::string> ListPresetNames(const PresetFolders& folders);

// Why `name` cannot be a preset name, or empty when it can. Refused: empty names,
// "." and "..", path separators, characters no file name may hold on Windows or
// Linux (<>:"/\|?* and control characters), a trailing dot or space, the Windows
// device names (CON, NUL, COM1...), and names too long for a file name.
// Chinese texts for languageFlag 1 (LanguageChinese), English otherwise.
std::optional<std::string> PresetNameProblem(std::string_view name, int languageFlag = LanguageUnset);

// folder / (name + ".Nddt"); `name` is UTF-8.
std::filesystem::path PresetPath(const std::filesystem::path& folder, std::string_view name);
// The file that loading `name` reads: the writable folder's, else the read-only
// folder's when only that one exists.
std::filesystem::path PresetToLoad(const PresetFolders& folders, std::string_view name);

// Whether saving `name` would replace a file: a file exists whose name equals
// name + ".Nddt" exactly or ignoring letter case (so a file system that ignores
// case never replaces a preset unasked).
bool PresetExists(const std::filesystem::path& folder, std::string_view name);
// In either folder: a save under a listed name replaces that entry of the list.
bool PresetExists(const PresetFolders& folders, std::string_view name);

// UTF-8 text of a path, and a path from UTF-8 text, on every platform.
std::string PathText(const std::filesystem::path& path);
std::filesystem::path PathFromText(std::string_view utf8);

// Stored-mode selector items: number, "-", name ("12-Party").
std::string ModeItemText(int modeNumber, std::string_view name);
// The name part of item `itemIndex`: from the third character for items 0..8
// (one-digit numbers), from the fourth otherwise; empty when the item is shorter.
std::string ModeNameOfItem(std::string_view itemText, int itemIndex);

}  // namespace kdsp
