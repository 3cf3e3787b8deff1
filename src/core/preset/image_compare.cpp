// Comparing the processor's memory with the words a preset upload writes.
#include "core/preset/image_compare.h"

#include <array>
#include <cstdint>

#include "core/protocol/frames.h"

namespace kdsp {

namespace {

struct PageNames {
    const char* english;
    const char* chinese;
};

constexpr std::array<PageNames, PageCount> Names = {{
    {"music", "音乐"},
    {"microphone A", "麦克风A组"},
    {"dynamic EQ", "动态EQ"},
    {"microphone B", "麦克风B组"},
    {"echo", "回声"},
    {"reverb", "混响"},
    {"main output", "主输出"},
    {"aux output 1", "辅助输出1"},
    {"aux output 2", "辅助输出2"},
    {"rear output", "后置输出"},
    {"system", "系统"},
}};

bool IsSystemCopy(int page, int slot) {
    return page == PageMusic && slot >= MirrorFirstPageSlot &&
           slot < MirrorFirstPageSlot + MirrorSlotCount;
}

}  // namespace

bool UploadCarries(int page, int slot) {
    if (page >= 0 && page < PageSystem)
        return slot >= 0 && slot < PageBlockWords(page);
    return page == PageSystem && slot >= MirrorFirstSystemSlot &&
           slot < MirrorFirstSystemSlot + MirrorSlotCount;
}

ImageDifference CompareWithPreset(const DeviceImageRows& device, const PresetReadResult& preset) {
    ImageDifference out;
    if (!preset.Ok())
        return out;
    // What the upload writes where the file says so; everything else as the processor has it.
    DeviceImageRows expected = device;
    std::array<std::array<bool, DeviceImageSlots>, PageCount> named{};
    for (const PresetRecord& r : preset.records) {
        if (r.page < 0 || r.page >= PageCount || r.slot < 0 || r.slot >= DeviceImageSlots)
            continue;
        expected[r.page][r.slot] = r.value;
        named[r.page][r.slot] = true;
    }
    // Loading takes the system words from their copies in page 0, over the file's own.
    for (const PresetRecord& r : preset.records) {
        if (!IsSystemCopy(r.page, r.slot))
            continue;
        const int slot = MirrorFirstSystemSlot + r.slot - MirrorFirstPageSlot;
        expected[PageSystem][slot] = r.value;
        named[PageSystem][slot] = true;
    }
    for (int p = 0; p < PageCount; ++p) {
        int words = 0;
        for (int s = 0; s < DeviceImageSlots; ++s)
            if (named[p][s] && UploadCarries(p, s) &&
                static_cast<std::uint16_t>(expected[p][s]) !=
                    static_cast<std::uint16_t>(device[p][s]))
                ++words;
        if (words > 0)
            out.push_back({p, words});
    }
    return out;
}

std::string PageName(int page, int languageFlag) {
    if (page < 0 || page >= PageCount)
        return languageFlag == LanguageChinese ? "未知" : "unknown";
    const PageNames& n = Names[static_cast<std::size_t>(page)];
    return languageFlag == LanguageChinese ? n.chinese : n.english;
}

std::string DescribePageDifference(const PageDifference& d, int languageFlag) {
    const std::string page = std::to_string(d.page);
    const std::string words = std::to_string(d.words);
    if (languageFlag == LanguageChinese)
        return "第 " + page + " 页（" + PageName(d.page, languageFlag) + "）：" + words +
               " 个字不同";
    return "page " + page + " (" + PageName(d.page, languageFlag) + "): " + words +
           (d.words == 1 ? " word differs" : " words differ");
}

std::string DescribeDifference(const ImageDifference& difference, int languageFlag,
                               const std::string& separator) {
    std::string out;
    for (const PageDifference& d : difference) {
        if (!out.empty())
            out += separator;
        out += DescribePageDifference(d, languageFlag);
    }
    return out;
}

}  // namespace kdsp
