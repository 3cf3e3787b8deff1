// The preset folder and its list, preset name checks and the stored-mode item
// texts: everything of the preset panels that needs no window toolkit.
#include "core/preset/preset_library.h"

#include <algorithm>
#include <array>
#include <cstdlib>
#include <fstream>
#include <set>
#include <system_error>

#include "core/preset/text_ops.h"

namespace kdsp {
namespace fs = std::filesystem;

namespace {

char Lower(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

std::string LowerAscii(std::string_view s) {
    std::string out(s);
    for (char& c : out)
        c = Lower(c);
    return out;
}

bool EqualIgnoringCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() && LowerAscii(a) == LowerAscii(b);
}

// Alphabetical ignoring letter case; names equal but for case keep a fixed order.
bool ListedBefore(const std::string& a, const std::string& b) {
    const auto la = LowerAscii(a);
    const auto lb = LowerAscii(b);
    return la != lb ? la < lb : a < b;
}

// The folder exists (created when missing) and a file can be made in it.
bool MakeWritableFolder(const fs::path& folder) {
    std::error_code ec;
    fs::create_directories(folder, ec);
    if (!fs::is_directory(folder, ec))
        return false;
    // A fixed name, not a random temporary one: a folder that cannot be written
    // has to be told apart even when the user is root (tests stand a folder in its way).
    const fs::path probe = folder / "~kdsp-probe.tmp";
    bool ok = false;
    {
        std::ofstream f(probe, std::ios::binary | std::ios::trunc);
        ok = static_cast<bool>(f << "x");
    }
    fs::remove(probe, ec);
    return ok;
}

bool ValidUtf8(std::string_view s) {
    for (std::size_t i = 0; i < s.size();) {
        const auto c = static_cast<unsigned char>(s[i]);
        const int extra = c < 0x80             ? 0
                          : (c & 0xE0) == 0xC0 ? 1
                          : (c & 0xF0) == 0xE0 ? 2
                          : (c & 0xF8) == 0xF0 ? 3
                                               : -1;
        if (extra < 0)
            return false;
        for (int k = 1; k <= extra; ++k) {
            if (i + k >= s.size() || (static_cast<unsigned char>(s[i + k]) & 0xC0) != 0x80) {
                return false;
            }
        }
        i += static_cast<std::size_t>(extra) + 1;
    }
    return true;
}

std::string Pick(int languageFlag, const char* en, const char* zh) {
    return languageFlag == LanguageChinese ? zh : en;
}

}  // namespace

std::string PathText(const fs::path& path) {
    const auto u8 = path.u8string();
    return std::string(u8.begin(), u8.end());
}

fs::path PathFromText(std::string_view utf8) {
    return fs::path(std::u8string(utf8.begin(), utf8.end()));
}

fs::path UserDataFolder() {
    const auto env = [](const char* name) -> fs::path {
        const char* v = std::getenv(name);
        return (v && *v) ? PathFromText(v) : fs::path();
    };
#if defined(_WIN32)
    const fs::path base = env("APPDATA");
    return base.empty() ? base : base / "kdsp";
#elif defined(__APPLE__)
    const fs::path home = env("HOME");
    return home.empty() ? home : home / "Library" / "Application Support" / "kdsp";
#else
    if (const fs::path xdg = env("XDG_DATA_HOME"); !xdg.empty() && xdg.is_absolute()) {
        return xdg / "kdsp";
    }
    const fs::path home = env("HOME");
    return home.empty() ? home : home / ".local" / "share" / "kdsp";
#endif
}

PresetFolders EnsurePresetFolders(const fs::path& executableFolder, const fs::path& userData) {
    PresetFolders f;
    f.ModeFolder = executableFolder / ModeFolderName;
    f.PresetFolder = f.ModeFolder / PresetFolderName;
    if (MakeWritableFolder(f.PresetFolder)) {
        f.usable = true;
        return f;
    }
    if (userData.empty())
        return f;  // nowhere else to go: keep the usual place
    PresetFolders fallback;
    fallback.ModeFolder = userData / ModeFolderName;
    fallback.PresetFolder = fallback.ModeFolder / PresetFolderName;
    fallback.besideExecutable = false;
    fallback.usable = MakeWritableFolder(fallback.PresetFolder);
    std::error_code ec;
    if (fs::is_directory(f.PresetFolder, ec))
        fallback.ReadOnlyFolder = f.PresetFolder;
    return fallback;
}

PresetFolders EnsureInstalledPresetFolders(const fs::path& shared, const fs::path& userData) {
    PresetFolders f;
    f.besideExecutable = false;
    if (userData.empty()) {
        // Nowhere to write: the shared presets can still be listed and loaded.
        f.ModeFolder = shared.parent_path();
        f.PresetFolder = shared;
        return f;
    }
    f.ModeFolder = userData / ModeFolderName;
    f.PresetFolder = f.ModeFolder / PresetFolderName;
    f.usable = MakeWritableFolder(f.PresetFolder);
    f.ReadOnlyFolder = shared;
    return f;
}

fs::path InstalledPresetFolder(const fs::path& executableFolder) {
    return executableFolder.parent_path() / "share" / "kdsp" / ModeFolderName / PresetFolderName;
}

std::string DescribePresetFolders(const PresetFolders& folders, int languageFlag) {
    std::string text = Pick(languageFlag, "Presets: ", "数据文件夹：") + PathText(folders.PresetFolder);
    if (!folders.besideExecutable && folders.ReadOnlyFolder.empty())
        text += Pick(languageFlag, " (the folder beside the program cannot be written)",
                     "（程序旁的文件夹不可写入）");
    if (!folders.ReadOnlyFolder.empty())
        text += Pick(languageFlag, "; also listed, read-only: ", "；另列出（只读）：") + PathText(folders.ReadOnlyFolder);
    if (!folders.usable)
        text += Pick(languageFlag, " (cannot be written)", "（不可写入）");
    return text;
}

std::vector<std::string> ListPresetFiles(const fs::path& folder) {
    std::vector<std::string> names;
    std::error_code ec;
    fs::directory_iterator it(folder, ec);
    if (ec)
        return names;
    for (const fs::directory_iterator end; it != end; it.increment(ec)) {
        if (ec)
            break;
        std::error_code typeEc;
        if (!it->is_regular_file(typeEc))
            continue;
        const std::string name = PathText(it->path().filename());
        if (LowerAscii(name).find(".nddt") == std::string::npos)
            continue;
        names.push_back(name);
    }
    std::sort(names.begin(), names.end(), ListedBefore);
    return names;
}

std::vector<std::string> ListPresetNames(const fs::path& folder) {
    auto names = ListPresetFiles(folder);
    for (auto& n : names)
        n = StripPresetExtension(n);
    return names;
}

std::vector<std::string> ListPresetNames(const PresetFolders& folders) {
    auto names = ListPresetNames(folders.PresetFolder);
    if (folders.ReadOnlyFolder.empty())
        return names;
    const std::set<std::string> own(names.begin(), names.end());
    for (auto& n : ListPresetNames(folders.ReadOnlyFolder)) {
        if (!own.contains(n))
            names.push_back(std::move(n));
    }
    std::sort(names.begin(), names.end(), ListedBefore);
    return names;
}

std::optional<std::string> PresetNameProblem(std::string_view name, int languageFlag) {
    if (name.empty())
        return Pick(languageFlag, "Please enter a preset name.", "请输入备份文件名称!");
    if (name == "." || name == "..") {
        return Pick(languageFlag, "\".\" and \"..\" cannot be preset names.",
                    "名称不能是\".\"或\"..\"!");
    }
    for (char c : name) {
        const auto u = static_cast<unsigned char>(c);
        if (u < 0x20 || u == 0x7F ||
            std::string_view("<>:\"/\\|?*").find(c) != std::string_view::npos) {
            return Pick(languageFlag,
                        "A preset name cannot contain < > : \" / \\ | ? * or control characters.",
                        "名称不能包含 < > : \" / \\ | ? * 或控制字符!");
        }
    }
    if (name.back() == '.' || name.back() == ' ') {
        return Pick(languageFlag, "A preset name cannot end with a dot or a space.",
                    "名称不能以点或空格结尾!");
    }
    if (!ValidUtf8(name)) {
        return Pick(languageFlag, "The preset name is not valid text.", "名称含有无效字符!");
    }
    // Windows keeps these names for devices, whatever follows the first dot.
    const std::string stem = LowerAscii(name.substr(0, name.find('.')));
    static constexpr std::array<std::string_view, 4> devices = {"con", "prn", "aux", "nul"};
    const bool numbered = stem.size() == 4 &&
                          (stem.starts_with("com") || stem.starts_with("lpt")) && stem[3] >= '1' &&
                          stem[3] <= '9';
    if (numbered || std::find(devices.begin(), devices.end(), stem) != devices.end()) {
        return Pick(languageFlag, "This name is reserved for a device and cannot be a preset name.",
                    "该名称为系统保留名称，不能使用!");
    }
    if (name.size() + PresetExtension.size() > 255) {
        return Pick(languageFlag, "The preset name is too long.", "名称太长!");
    }
    return std::nullopt;
}

fs::path PresetPath(const fs::path& folder, std::string_view name) {
    return folder / PathFromText(std::string(name) + std::string(PresetExtension));
}

fs::path PresetToLoad(const PresetFolders& folders, std::string_view name) {
    const fs::path own = PresetPath(folders.PresetFolder, name);
    std::error_code ec;
    if (folders.ReadOnlyFolder.empty() || fs::exists(own, ec))
        return own;
    const fs::path readOnly = PresetPath(folders.ReadOnlyFolder, name);
    return fs::exists(readOnly, ec) ? readOnly : own;
}

bool PresetExists(const PresetFolders& folders, std::string_view name) {
    return PresetExists(folders.PresetFolder, name) ||
           (!folders.ReadOnlyFolder.empty() && PresetExists(folders.ReadOnlyFolder, name));
}

bool PresetExists(const fs::path& folder, std::string_view name) {
    std::error_code ec;
    if (fs::exists(PresetPath(folder, name), ec))
        return true;
    const std::string target = std::string(name) + std::string(PresetExtension);
    fs::directory_iterator it(folder, ec);
    if (ec)
        return false;
    for (const fs::directory_iterator end; it != end; it.increment(ec)) {
        if (ec)
            break;
        if (EqualIgnoringCase(PathText(it->path().filename()), target))
            return true;
    }
    return false;
}

std::string ModeItemText(int modeNumber, std::string_view name) {
    return std::to_string(modeNumber) + "-" + std::string(name);
}

std::string ModeNameOfItem(std::string_view itemText, int itemIndex) {
    const std::size_t from = itemIndex < 9 ? 2 : 3;
    return itemText.size() > from ? std::string(itemText.substr(from)) : std::string();
}

}  // namespace kdsp
