// Decoding and splitting of filter-list files.
#include "core/eq/filter_text.h"

#include <cctype>
#include <charconv>
#include <cstdint>

namespace kdsp {
namespace {

void AppendUtf8(std::string& out, std::uint32_t c) {
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (c >> 18));
        out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

// UTF-16 to UTF-8; on a broken surrogate pair returns false and the line it is on.
bool FromUtf16(std::string_view bytes, bool bigEndian, std::string& out, int& badLine) {
    if (bytes.size() % 2 != 0) {
        badLine = 0;
        return false;
    }
    int line = 1;
    auto unit = [&](std::size_t i) {
        const auto a = static_cast<unsigned char>(bytes[i]);
        const auto b = static_cast<unsigned char>(bytes[i + 1]);
        return static_cast<std::uint32_t>(bigEndian ? (a << 8 | b) : (b << 8 | a));
    };
    for (std::size_t i = 0; i < bytes.size(); i += 2) {
        std::uint32_t c = unit(i);
        if (c >= 0xD800 && c <= 0xDBFF) {
            if (i + 2 >= bytes.size()) {
                badLine = line;
                return false;
            }
            const std::uint32_t low = unit(i + 2);
            if (low < 0xDC00 || low > 0xDFFF) {
                badLine = line;
                return false;
            }
            c = 0x10000 + ((c - 0xD800) << 10) + (low - 0xDC00);
            i += 2;
        } else if (c >= 0xDC00 && c <= 0xDFFF) {
            badLine = line;
            return false;
        }
        if (c == '\n') ++line;
        AppendUtf8(out, c);
    }
    return true;
}

// Length of the valid UTF-8 sequence at s[i], or 0.
std::size_t Utf8Length(std::string_view s, std::size_t i) {
    const auto c = static_cast<unsigned char>(s[i]);
    std::size_t n = 0;
    std::uint32_t min = 0;
    if (c < 0x80) return 1;
    if ((c & 0xE0) == 0xC0) { n = 2; min = 0x80; }
    else if ((c & 0xF0) == 0xE0) { n = 3; min = 0x800; }
    else if ((c & 0xF8) == 0xF0) { n = 4; min = 0x10000; }
    else return 0;
    if (i + n > s.size()) return 0;
    std::uint32_t v = c & (0x7F >> n);
    for (std::size_t k = 1; k < n; ++k) {
        const auto d = static_cast<unsigned char>(s[i + k]);
        if ((d & 0xC0) != 0x80) return 0;
        v = v << 6 | (d & 0x3F);
    }
    if (v < min || v > 0x10FFFF || (v >= 0xD800 && v <= 0xDFFF)) return 0;
    return n;
}

TextLines Refuse(std::string why, int line) {
    TextLines t;
    t.error = line > 0 ? "line " + std::to_string(line) + ": " + why : why;
    t.errorLine = line;
    return t;
}

}  // namespace

TextLines SplitFilterText(std::string_view bytes, std::size_t maxBytes) {
    if (bytes.size() > maxBytes)
        return Refuse("the file is too large for a filter list (" + std::to_string(bytes.size()) +
                          " bytes; at most " + std::to_string(maxBytes) + ")",
                      0);
    std::string text;
    const auto at = [&](std::size_t i) { return static_cast<unsigned char>(bytes[i]); };
    const bool le = bytes.size() >= 2 && ((at(0) == 0xFF && at(1) == 0xFE) || (at(0) != 0 && at(1) == 0));
    const bool be = bytes.size() >= 2 && ((at(0) == 0xFE && at(1) == 0xFF) || (at(0) == 0 && at(1) != 0));
    if (le || be) {
        const bool mark = (at(0) == 0xFF && at(1) == 0xFE) || (at(0) == 0xFE && at(1) == 0xFF);
        int badLine = 0;
        if (!FromUtf16(bytes.substr(mark ? 2 : 0), be, text, badLine))
            return Refuse("not UTF-8 or UTF-16 text", badLine);
    } else {
        if (bytes.size() >= 3 && at(0) == 0xEF && at(1) == 0xBB && at(2) == 0xBF) bytes.remove_prefix(3);
        int line = 1;
        for (std::size_t i = 0; i < bytes.size();) {
            const std::size_t n = Utf8Length(bytes, i);
            if (n == 0) return Refuse("not UTF-8 or UTF-16 text", line);
            if (bytes[i] == '\n') ++line;
            i += n;
        }
        text.assign(bytes);
    }

    TextLines out;
    std::string current;
    auto finish = [&]() -> bool {
        if (out.lines.size() >= MaxFilterLines) return false;
        out.lines.push_back(std::move(current));
        current.clear();
        return true;
    };
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        const int line = static_cast<int>(out.lines.size()) + 1;
        if (c == '\r' || c == '\n') {
            if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
            if (!finish())
                return Refuse("too many lines for a filter list (at most " +
                                  std::to_string(MaxFilterLines) + ")",
                              0);
            continue;
        }
        const auto u = static_cast<unsigned char>(c);
        if ((u < 0x20 && c != '\t') || u == 0x7F) return Refuse("binary data, not text", line);
        if (current.size() >= MaxFilterLineBytes)
            return Refuse("line too long for a filter list (at most " +
                              std::to_string(MaxFilterLineBytes) + " bytes)",
                          line);
        current += c;
    }
    if (!current.empty() && !finish())
        return Refuse("too many lines for a filter list (at most " + std::to_string(MaxFilterLines) + ")", 0);
    return out;
}

std::vector<std::string_view> Words(std::string_view line) {
    std::vector<std::string_view> words;
    std::size_t i = 0;
    while (i < line.size()) {
        while (i < line.size() && (line[i] == ' ' || line[i] == '\t')) ++i;
        const std::size_t start = i;
        while (i < line.size() && line[i] != ' ' && line[i] != '\t') ++i;
        if (i > start) words.push_back(line.substr(start, i - start));
    }
    return words;
}

std::optional<double> ParseDecimal(std::string_view word) {
    std::string s(word);
    std::size_t digits = 0, separators = 0;
    for (std::size_t i = 0; i < s.size(); ++i) {
        const char c = s[i];
        if (std::isdigit(static_cast<unsigned char>(c))) {
            ++digits;
        } else if (c == '.' || c == ',') {
            s[i] = '.';
            ++separators;
        } else if (!((c == '-' || c == '+') && i == 0)) {
            return std::nullopt;
        }
    }
    if (digits == 0 || separators > 1 || digits > 30) return std::nullopt;
    if (s[0] == '+') s.erase(0, 1);
    double v = 0;
    const auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), v);
    if (ec != std::errc() || end != s.data() + s.size()) return std::nullopt;
    return v;
}

bool SameWord(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i])))
            return false;
    return true;
}

}  // namespace kdsp
