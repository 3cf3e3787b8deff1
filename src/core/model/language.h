// The user's language choice as the core's two-language texts read it: the flag
// the preset messages take.
#pragma once

namespace kdsp {

// No choice made: status texts and preset messages in English, the few texts that
// only exist in Chinese ("设备搜索...", "保存中...") stay Chinese.
inline constexpr int LanguageUnset = 0;
inline constexpr int LanguageChinese = 1;
// English chosen: every text in English.
inline constexpr int LanguageEnglish = 2;

}  // namespace kdsp
