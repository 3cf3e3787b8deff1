// The window's captions of the parameters, in English (the window's own English
// texts) or in Chinese (as the parameter facts hold them), and the search of the
// parameters by the words of their names and captions.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "core/model/param_names.h"

namespace kdsp::cli {

// --lang of kdsp params: "en" (the default) or "zh".
extern std::string CaptionLanguage;

// "Low-pass" ("低通频率" with --lang zh); "" for a parameter without a caption.
std::string Caption(const NamedParam& p);
// The English one whatever --lang says.
std::string EnglishCaption(const NamedParam& p);

// Every parameter whose name or caption (in either language) holds each word of
// `text` ("echo level", "volume"), in catalogue order.
std::vector<const NamedParam*> MatchWords(std::string_view text);

// Names that share the most words with a mistyped one (by name or caption):
// "mic.echo.level" finds echo.effect.level.
std::vector<std::string> NamesSharingWords(std::string_view name, std::size_t count);

}  // namespace kdsp::cli
