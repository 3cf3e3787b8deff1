// Preset files: one complete device image on the PC as scrambled, hex-coded text
// lines with a line count and a checksum.
#include "core/preset/preset_file.h"

#include <charconv>
#include <fstream>
#include <iterator>
#include <system_error>

#include "core/preset/atomic_file.h"
#include "core/preset/text_ops.h"
#include "core/protocol/frames.h"

namespace kdsp {
namespace fs = std::filesystem;

namespace {

int HexValue(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    return -1;
}

// Decimal with an optional sign, nothing else, within 32 bits.
std::optional<std::int32_t> ParseInt(std::string_view text) {
    if (!text.empty() && text[0] == '+') {
        text.remove_prefix(1);
        if (!text.empty() && text[0] == '-')
            return std::nullopt;
    }
    if (text.empty())
        return std::nullopt;
    std::int32_t v = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), v);
    if (ec != std::errc{} || end != text.data() + text.size())
        return std::nullopt;
    return v;
}

// The number in the second space-separated field of a plain line.
std::optional<std::int32_t> SecondNumber(std::string_view line) {
    const auto parts = SplitText(line, " ");
    if (parts.size() < 2)
        return std::nullopt;
    return ParseInt(parts[1]);
}

// Lines end in CR LF, LF or a lone CR; a terminator at the very end opens no new line.
std::vector<std::string_view> CutLines(std::string_view bytes) {
    std::vector<std::string_view> lines;
    std::size_t start = 0;
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        if (bytes[i] != '\r' && bytes[i] != '\n')
            continue;
        lines.push_back(bytes.substr(start, i - start));
        if (bytes[i] == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n')
            ++i;
        start = i + 1;
    }
    if (start < bytes.size())
        lines.push_back(bytes.substr(start));
    return lines;
}

PresetReadResult Fail(PresetError e, std::string detail) {
    PresetReadResult r;
    r.error = e;
    r.detail = std::move(detail);
    return r;
}

std::string LineText(std::size_t i) {
    return "line " + std::to_string(i + 1) + ": ";
}

}  // namespace

std::string ScrambleLine(std::string_view plain) {
    static constexpr char digits[] = "0123456789ABCDEF";
    std::string out;
    out.reserve(plain.size() * 2);
    for (std::size_t k = 0; k < plain.size(); ++k) {
        const auto b = static_cast<std::uint8_t>(static_cast<std::uint8_t>(plain[k]) ^
                                                 LineKey[k % LineKey.size()]);
        out.push_back(digits[b >> 4]);
        out.push_back(digits[b & 0x0F]);
    }
    return out;
}

std::optional<std::string> UnscrambleLine(std::string_view stored) {
    std::string out;
    out.reserve(stored.size() / 2);
    for (std::size_t k = 0; k + 1 < stored.size(); k += 2) {
        const int hi = HexValue(stored[k]);
        const int lo = HexValue(stored[k + 1]);
        if (hi < 0 || lo < 0)
            return std::nullopt;
        const auto b =
            static_cast<std::uint8_t>((hi << 4 | lo) ^ LineKey[(k / 2) % LineKey.size()]);
        out.push_back(static_cast<char>(b));
    }
    return out;
}

int PresetChecksum(std::int64_t sum) {
    return static_cast<int>(((sum ^ 0xFFFF) + 1) % 256);
}

void MirrorSystemWordsForSave(DeviceImageRows& image) {
    for (int k = 0; k < MirrorSlotCount; ++k) {
        image[PageMusic][MirrorFirstPageSlot + k] = image[PageSystem][MirrorFirstSystemSlot + k];
    }
}

std::string FormatPresetFile(const DeviceImageRows& image) {
    std::string out;
    out.reserve(PresetLineCount * 40);
    const auto line = [&out](const std::string& plain) {
        out += ScrambleLine(plain);
        out += "\r\n";
    };
    line("R9 " + std::to_string(DeviceTypeCode ^ HeaderMask));
    line("Belko " + std::to_string(BrandCode ^ HeaderMask));
    int lineNo = 1;
    std::int64_t sum = 0;
    for (int p = 0; p < PageCount; ++p) {
        for (int s = 0; s <= PresetSlotCounts[p]; ++s) {
            ++lineNo;
            const std::int32_t v = image[p][s];
            line(std::to_string((p * 256 + s) ^ lineNo) + " " + std::to_string(v ^ lineNo));
            sum += v;
        }
    }
    ++lineNo;
    line("Intoal: " + std::to_string(lineNo));
    line("CCCCK: " + std::to_string(PresetChecksum(sum)));
    return out;
}

void WritePresetFile(const fs::path& path, Model& model) {
    MirrorSystemWordsForSave(model.DeviceImage);
    // The temporary name never matches the preset list's pattern, so a save that
    // is cut short cannot leave a half-written entry in the list.
    try {
        WriteFileAtomically(path, FormatPresetFile(model.DeviceImage));
    } catch (const FileWriteError& e) {
        const auto u8 = path.u8string();
        throw PresetWriteError("Cannot save preset \"" + std::string(u8.begin(), u8.end()) +
                               "\": " + e.what());
    }
}

PresetReadResult ParsePreset(std::string_view bytes) {
    if (bytes.size() > PresetMaxFileBytes) {
        return Fail(PresetError::Corrupted, "file too large for a preset");
    }
    const auto stored = CutLines(bytes);
    std::vector<std::string> lines;
    lines.reserve(stored.size());
    for (std::size_t i = 0; i < stored.size(); ++i) {
        auto plain = UnscrambleLine(stored[i]);
        if (!plain) {
            return Fail(i < 2 ? PresetError::FormatError : PresetError::Corrupted,
                        LineText(i) + "not hexadecimal");
        }
        lines.push_back(std::move(*plain));
    }
    if (lines.size() < 2)
        return Fail(PresetError::FormatError, "fewer than two lines");

    const auto type = SecondNumber(lines[0]);
    if (!type)
        return Fail(PresetError::FormatError, LineText(0) + "no device type number");
    if ((*type ^ HeaderMask) != DeviceTypeCode) {
        return Fail(PresetError::FormatError, LineText(0) + "not this device type");
    }
    if (!SecondNumber(lines[1]))
        return Fail(PresetError::FormatError, LineText(1) + "no number");

    const std::size_t last = lines.size() - 1;
    const auto count = SecondNumber(lines[last - 1]);
    if (!count)
        return Fail(PresetError::Corrupted, LineText(last - 1) + "no line count");
    const auto checksum = SecondNumber(lines[last]);
    if (!checksum)
        return Fail(PresetError::Corrupted, LineText(last) + "no checksum");
    if (static_cast<std::int64_t>(last) != static_cast<std::int64_t>(*count) + 1) {
        return Fail(PresetError::Corrupted, "the file has " + std::to_string(lines.size()) +
                                                " lines, its count line says " +
                                                std::to_string(*count));
    }

    PresetReadResult result;
    std::int64_t sum = 0;
    for (std::size_t i = 2; i + 2 <= last; ++i) {
        const auto parts = SplitText(lines[i], " ");
        const auto rawKey = parts.size() >= 2 ? ParseInt(parts[0]) : std::nullopt;
        const auto rawValue = parts.size() >= 2 ? ParseInt(parts[1]) : std::nullopt;
        if (!rawKey || !rawValue) {
            return Fail(PresetError::Corrupted, LineText(i) + "not a record");
        }
        const auto lineNo = static_cast<std::int32_t>(i);
        const std::int32_t key = *rawKey ^ lineNo;
        const std::int32_t value = *rawValue ^ lineNo;
        const int page = key / 256;
        const int slot = key % 256;
        if (key < 0 || page >= PageCount || slot >= DeviceImageSlots) {
            return Fail(PresetError::Corrupted, LineText(i) + "record outside the device image");
        }
        result.records.push_back({page, slot, value});
        sum += value;
    }
    if (PresetChecksum(sum) != *checksum) {
        return Fail(PresetError::Corrupted, "checksum " + std::to_string(*checksum) +
                                                " does not match the records (" +
                                                std::to_string(PresetChecksum(sum)) + ")");
    }
    return result;
}

PresetReadResult ReadPresetFile(const fs::path& path) {
    std::error_code ec;
    if (!fs::is_regular_file(path, ec))
        return Fail(PresetError::FileNotFound, "no such file");
    const auto size = fs::file_size(path, ec);
    if (!ec && size > PresetMaxFileBytes) {
        return Fail(PresetError::Corrupted, "file too large for a preset");
    }
    std::ifstream f(path, std::ios::binary);
    if (!f)
        return Fail(PresetError::FileNotFound, "cannot open the file");
    std::string bytes;
    char buf[8192];
    while (f.read(buf, sizeof buf) || f.gcount() > 0) {
        bytes.append(buf, static_cast<std::size_t>(f.gcount()));
        if (bytes.size() > PresetMaxFileBytes) {
            return Fail(PresetError::Corrupted, "file too large for a preset");
        }
    }
    if (f.bad())
        return Fail(PresetError::FileNotFound, "cannot read the file");
    return ParsePreset(bytes);
}

void ApplyPreset(const PresetReadResult& result, DeviceImageRows& image) {
    if (!result.Ok())
        return;
    for (const auto& r : result.records) {
        // ParsePreset only admits records inside the image; check again for
        // results assembled by hand.
        if (r.page < 0 || r.page >= PageCount || r.slot < 0 || r.slot >= DeviceImageSlots)
            continue;
        image[r.page][r.slot] = r.value;
    }
    for (int k = 0; k < MirrorSlotCount; ++k) {
        image[PageSystem][MirrorFirstSystemSlot + k] = image[PageMusic][MirrorFirstPageSlot + k];
    }
    for (int k = 0; k < NormalVolumeCount; ++k) {
        image[PageSystem][NormalVolumeFirstSystemSlot + k] = image[PageMusic][MirrorFirstPageSlot + 2 * k];
    }
}

void ApplyPreset(const PresetReadResult& result, Model& model) {
    ApplyPreset(result, model.DeviceImage);
}

void ApplyPresetForUpload(const PresetReadResult& result, Model& model) {
    if (!result.Ok())
        return;
    auto& system = model.DeviceImage[PageSystem];
    const auto processor = system;
    ApplyPreset(result, model.DeviceImage);
    const auto carried = [](int s) {
        return (s >= MirrorFirstSystemSlot && s < MirrorFirstSystemSlot + MirrorSlotCount) ||
               (s >= NormalVolumeFirstSystemSlot && s < NormalVolumeFirstSystemSlot + NormalVolumeCount);
    };
    for (int s = 0; s < DeviceImageSlots; ++s) {
        if (!carried(s))
            system[s] = processor[s];
    }
    model.ParamImage[PageSystem][IndexOf(IdRemote)] = system[IndexOf(IdRemote)];
}

const char* PresetMessage(PresetError error, int languageFlag) {
    const bool zh = languageFlag == LanguageChinese;
    switch (error) {
        case PresetError::FileNotFound:
            // The long-standing English words stay until English is chosen outright.
            if (languageFlag == LanguageEnglish) return "File not found!";
            return zh ? "文件不存在" : "File not find!";
        case PresetError::FormatError:
            return zh ? "文件格式错误!" : "File format error!";
        case PresetError::Corrupted:
            return zh ? "数据文件损坏!" : "Data file is corrupted!";
    }
    return "";
}

}  // namespace kdsp
