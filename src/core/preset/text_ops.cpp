// Small text operations shared by the preset files, the preset list and the
// numeric entry of the window.
#include "core/preset/text_ops.h"

namespace kdsp {

std::vector<std::string> SplitText(std::string_view text, std::string_view separator) {
    std::vector<std::string> parts;
    if (separator.empty()) {
        parts.emplace_back(text);
        return parts;
    }
    std::size_t start = 0;
    for (;;) {
        const std::size_t hit = text.find(separator, start);
        if (hit == std::string_view::npos) {
            parts.emplace_back(text.substr(start));
            return parts;
        }
        parts.emplace_back(text.substr(start, hit - start));
        start = hit + separator.size();
    }
}

std::string StripPresetExtension(std::string_view fileName) {
    // Walk back over four whole characters; the byte before them must be the dot.
    std::size_t pos = fileName.size();
    for (int chars = 0; chars < 4; ++chars) {
        if (pos == 0)
            return std::string(fileName);
        --pos;
        while (pos > 0 && (static_cast<unsigned char>(fileName[pos]) & 0xC0) == 0x80)
            --pos;
    }
    if (pos == 0 || fileName[pos - 1] != '.')
        return std::string(fileName);
    return std::string(fileName.substr(0, pos - 1));
}

std::string KeepNumericChars(std::string_view text) {
    std::string out;
    for (char c : text) {
        if ((c >= '0' && c <= '9') || c == '-' || c == '.')
            out.push_back(c);
    }
    return out;
}

std::string InputExcerpt(std::string_view text) {
    constexpr std::size_t MaxShown = 80;
    std::string out;
    std::size_t shown = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const auto c = static_cast<unsigned char>(text[i]);
        const bool continuation = (c & 0xC0) == 0x80;
        if (!continuation && shown == MaxShown) {
            out += "...";
            break;
        }
        if (!continuation) ++shown;
        if (c == '\t') {
            out += "\\t";
        } else if (c == '\n') {
            out += "\\n";
        } else if (c == '\r') {
            out += "\\r";
        } else if (c < 0x20 || c == 0x7F) {
            static const char hex[] = "0123456789ABCDEF";
            out += std::string("\\x") + hex[c >> 4] + hex[c & 15];
        } else {
            out += static_cast<char>(c);
        }
    }
    return out;
}

}  // namespace kdsp
