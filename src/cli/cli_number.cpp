// Numbers typed on the command line.
#include "cli/cli_number.h"

#include <stdexcept>
#include <string_view>

#include "cli/cli.h"
#include "core/preset/text_ops.h"

namespace kdsp::cli {

std::uint32_t ParseNumber(const std::string& text, std::uint32_t max, const char* what) {
    // A page outside the memory is a usage error, like a bad option value; other
    // numbers are input refused.
    const int status = std::string_view(what) == "page" ? 2 : 1;
    std::size_t used = 0;
    unsigned long long v = 0;
    try {
        const bool hex = text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X');
        if (text.empty() || text[0] == '-' || text[0] == '+') throw std::invalid_argument(text);
        v = std::stoull(hex ? text.substr(2) : text, &used, hex ? 16 : 10);
        if (used != (hex ? text.size() - 2 : text.size())) throw std::invalid_argument(text);
    } catch (const std::exception&) {
        throw Refused(std::string("invalid ") + what + ": '" + InputExcerpt(text) + "'", status);
    }
    if (v > max) throw Refused(std::string(what) + " out of range: " + text, status);
    return static_cast<std::uint32_t>(v);
}

}  // namespace kdsp::cli
