// Which words of the processor's memory differ from what a preset upload puts
// there, page by page: the check after an upload, and a processor against a file.
#pragma once

#include <string>
#include <vector>

#include "core/model/language.h"
#include "core/model/model.h"
#include "core/preset/preset_file.h"

namespace kdsp {

struct PageDifference {
    int page;
    int words;  // how many of the page's uploaded words differ
};
// Only the pages that differ, in page order; empty when everything matches.
using ImageDifference = std::vector<PageDifference>;

// Whether an upload writes this slot: the page blocks of pages 0..9 and the system
// words 6..11.
bool UploadCarries(int page, int slot);

// The words an upload of `preset` writes that `device` does not hold, compared as the
// 16-bit words the processor keeps. Only the words the file sets count: a slot the
// file names (a system word through its copy in page 0, as loading does) or nothing.
ImageDifference CompareWithPreset(const DeviceImageRows& device, const PresetReadResult& preset);

// "main output" / "主输出"; Chinese for languageFlag 1, English otherwise.
std::string PageName(int page, int languageFlag = LanguageUnset);
// "page 6 (main output): 12 words differ" / "第 6 页（主输出）：12 个字不同".
std::string DescribePageDifference(const PageDifference& difference,
                                   int languageFlag = LanguageUnset);
// One DescribePageDifference per page, joined by `separator`.
std::string DescribeDifference(const ImageDifference& difference, int languageFlag = LanguageUnset,
                               const std::string& separator = "; ");

}  // namespace kdsp
