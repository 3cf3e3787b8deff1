// Preset files: one complete device image on the PC as scrambled, hex-coded text
// lines with a line count and a checksum. Writing is atomic; reading is pure and
// all-or-nothing (a file is checked whole before anything reaches the image).
#pragma once

#include <array>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "core/model/language.h"
#include "core/model/model.h"

namespace kdsp {

inline constexpr int DeviceTypeCode = 0xBA;
inline constexpr int BrandCode = 0x01;
inline constexpr int HeaderMask = 0x4B;
inline constexpr std::array<std::uint8_t, 8> LineKey = {0x5E, 0xC1, 0x37, 0xA8,
                                                        0x0D, 0x92, 0x6B, 0xF4};
inline constexpr std::string_view PresetExtension = ".Nddt";

// Highest slot of each page that a preset file holds (slots 0..n inclusive).
inline constexpr std::array<int, PageCount> PresetSlotCounts = {116, 83, 37, 83,  41, 41,
                                                                116, 71, 71, 116, 35};
inline constexpr int PresetRecordCount = 821;  // records in a file this program writes
inline constexpr int PresetLineCount = 825;    // two header lines + records + two trailer lines

// Page 0 slots 110..115 carry a copy of the system words page 10 slots 6..11.
inline constexpr int MirrorFirstPageSlot = 110;
inline constexpr int MirrorFirstSystemSlot = 6;
inline constexpr int MirrorSlotCount = 6;
// Page 10 slots 32..34 (the normal volumes) follow page 0 slots 110, 112 and 114.
inline constexpr int NormalVolumeFirstSystemSlot = 32;
inline constexpr int NormalVolumeCount = 3;

// Every character XOR LineKey[position mod 8], as two upper-case hex digits.
std::string ScrambleLine(std::string_view plain);
// The inverse; pairs of hex digits in either case, an odd last digit ignored.
// Empty when a pair is not hexadecimal.
std::optional<std::string> UnscrambleLine(std::string_view stored);

// C = ((S XOR 0xFFFF) + 1) mod 256, remainder truncated toward zero.
int PresetChecksum(std::int64_t sum);

// --- writing ---

// Copies page 10 slots 6..11 into page 0 slots 110..115; the image keeps the copy.
void MirrorSystemWordsForSave(DeviceImageRows& image);
// The exact bytes of the file for `image` as it is (no mirror step): 825 lines,
// each ending in CR LF.
std::string FormatPresetFile(const DeviceImageRows& image);

// Thrown when a preset cannot be saved; an older file of that name is untouched.
struct PresetWriteError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

// Mirrors the system words into model.DeviceImage, then writes the file through a
// temporary file in the same folder that is renamed over `path`.
void WritePresetFile(const std::filesystem::path& path, Model& model);

// --- reading ---

enum class PresetError { FileNotFound, FormatError, Corrupted };

struct PresetRecord {
    int page;
    int slot;
    std::int32_t value;
};

struct PresetReadResult {
    std::optional<PresetError> error;   // empty: the file is good
    std::string detail;                 // where and why, for logs and the CLI
    std::vector<PresetRecord> records;  // in file order; filled only when good
    bool Ok() const { return !error.has_value(); }
};

// Files larger than this are not preset files; refusing them keeps memory bounded.
inline constexpr std::size_t PresetMaxFileBytes = 16u << 20;

PresetReadResult ParsePreset(std::string_view bytes);
PresetReadResult ReadPresetFile(const std::filesystem::path& path);

// Writes the records into model.DeviceImage, then copies page 0 slots 110..115 back
// to page 10 slots 6..11 and slots 110, 112, 114 to page 10 slots 32, 33, 34.
// Does nothing for a result that carries an error.
void ApplyPreset(const PresetReadResult& result, Model& model);
// The same on a bare image (the CLI and the simulator start from zeros).
void ApplyPreset(const PresetReadResult& result, DeviceImageRows& image);
// A preset about to be sent to the processor: the words the upload carries (pages
// 0..9, system words 6..11 and their copies) come from the file; every other system
// word (current mode, input, user mode, panel lock, remote switch...) keeps the
// processor's value, because the upload never sends it and the window must not show
// a value the processor does not have. The upload's closing word, the remote switch
// in ParamImage, is set to the processor's value too.
void ApplyPresetForUpload(const PresetReadResult& result, Model& model);

// The user's message for an error; languageFlag 1 gives the Chinese texts
// (values of core/model/language.h).
const char* PresetMessage(PresetError error, int languageFlag = LanguageUnset);

}  // namespace kdsp
