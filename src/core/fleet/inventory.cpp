// Parsing a venue's inventory: lines, fields, comments, addresses and the names
// that become file names.
#include "core/fleet/inventory.h"

#include "core/preset/text_ops.h"

#include <cctype>
#include <unordered_map>

#include "core/preset/preset_library.h"

namespace kdsp {

namespace {

constexpr std::string_view Usage = "NAME tcp:HOST:PORT or NAME serial:PORT";
constexpr std::string_view ByteOrderMark = "\xEF\xBB\xBF";

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\v' || c == '\f'; }

// The fields of a line up to a field that begins with "#".
std::vector<std::string_view> Fields(std::string_view line) {
    std::vector<std::string_view> fields;
    std::size_t at = 0;
    while (at < line.size()) {
        if (IsBlank(line[at])) {
            ++at;
            continue;
        }
        if (line[at] == '#') break;
        std::size_t end = at;
        while (end < line.size() && !IsBlank(line[end])) ++end;
        fields.push_back(line.substr(at, end - at));
        at = end;
    }
    return fields;
}

std::string Lower(std::string_view text) {
    std::string lower(text);
    for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return lower;
}

bool StartsWithNoCase(std::string_view text, std::string_view prefix) {
    return text.size() >= prefix.size() && Lower(text.substr(0, prefix.size())) == prefix;
}

std::optional<int> ParsePort(std::string_view text) {
    if (text.empty() || text.size() > 5) return std::nullopt;
    int port = 0;
    for (char c : text) {
        if (c < '0' || c > '9') return std::nullopt;
        port = port * 10 + (c - '0');
    }
    if (port < 1 || port > 65535) return std::nullopt;
    return port;
}

std::optional<DeviceAddress> Refuse(std::string* problem, std::string why) {
    if (problem) *problem = std::move(why);
    return std::nullopt;
}

}  // namespace

std::string DeviceAddress::Text() const {
    if (kind == Kind::Serial) return "serial:" + serialPort;
    const bool ipv6 = host.find(':') != std::string::npos;
    return "tcp:" + (ipv6 ? "[" + host + "]" : host) + ":" + std::to_string(port);
}

std::string DeviceAddress::Key() const {
    return kind == Kind::Tcp ? Lower(Text()) : Text();
}

std::string InventoryError::Text() const {
    return line > 0 ? "line " + std::to_string(line) + ": " + message : message;
}

std::optional<DeviceAddress> ParseDeviceAddress(std::string_view text, std::string* problem) {
    const std::string quoted = "'" + InputExcerpt(text) + "'";
    DeviceAddress a;
    if (StartsWithNoCase(text, "serial:")) {
        a.kind = DeviceAddress::Kind::Serial;
        a.serialPort = std::string(text.substr(7));
        if (a.serialPort.empty()) return Refuse(problem, quoted + " names no port (serial:PORT)");
        return a;
    }
    if (!StartsWithNoCase(text, "tcp:"))
        return Refuse(problem, "the address must be tcp:HOST:PORT or serial:PORT, not " + quoted);
    std::string_view rest = text.substr(4);
    std::string_view host, port;
    bool hasPort = false;
    if (!rest.empty() && rest.front() == '[') {
        const auto close = rest.find(']');
        if (close == std::string_view::npos)
            return Refuse(problem, quoted + " opens a bracket it does not close");
        host = rest.substr(1, close - 1);
        hasPort = close + 1 < rest.size() && rest[close + 1] == ':';
        if (close + 1 < rest.size() && !hasPort)
            return Refuse(problem, quoted + ": a colon and the port go after the bracket");
        if (hasPort) port = rest.substr(close + 2);
    } else {
        const auto colon = rest.rfind(':');
        hasPort = colon != std::string_view::npos;
        host = hasPort ? rest.substr(0, colon) : rest;
        if (hasPort) port = rest.substr(colon + 1);
        if (host.find(':') != std::string_view::npos)
            return Refuse(problem, quoted + ": an IPv6 address goes in brackets (tcp:[::1]:8889)");
    }
    if (host.empty()) return Refuse(problem, quoted + " names no host (tcp:HOST:PORT)");
    if (host.find_first_of("[]") != std::string_view::npos)
        return Refuse(problem, quoted + ": a stray bracket in the host");
    if (!hasPort) return Refuse(problem, quoted + " names no port (tcp:HOST:PORT)");
    const auto number = ParsePort(port);
    if (!number) return Refuse(problem, quoted + ": the port must be a number 1..65535");
    a.host = std::string(host);
    a.port = *number;
    return a;
}

Inventory ParseInventory(std::string_view text) {
    Inventory inv;
    auto fail = [&inv](int line, std::string message) {
        inv.entries.clear();
        inv.error = InventoryError{line, std::move(message)};
        return inv;
    };
    if (text.starts_with(ByteOrderMark)) text.remove_prefix(ByteOrderMark.size());
    std::unordered_map<std::string, std::size_t> byName;  // lower-case name: entry
    int lineNumber = 0;
    for (std::size_t at = 0; at <= text.size();) {
        std::size_t end = text.find('\n', at);
        if (end == std::string_view::npos) end = text.size();
        const std::string_view line = text.substr(at, end - at);
        at = end + 1;
        ++lineNumber;
        const auto fields = Fields(line);
        if (fields.empty()) continue;
        const std::string name(fields[0]);
        if (fields.size() == 1)
            return fail(lineNumber, "'" + InputExcerpt(name) + "' has no address (" + std::string(Usage) + ")");
        if (fields.size() > 2) {
            return fail(lineNumber, "more than a name and an address: '" + InputExcerpt(fields[2]) +
                                        "' (a comment starts with #)");
        }
        if (const auto why = PresetNameProblem(name))
            return fail(lineNumber, "'" + InputExcerpt(name) + "' cannot be the name of its files: " + *why);
        const auto [same, isNew] = byName.try_emplace(Lower(name), inv.entries.size());
        if (!isNew) {
            const InventoryEntry& first = inv.entries[same->second];
            return fail(lineNumber, "the name '" + InputExcerpt(name) + "' is already used on line " +
                                        std::to_string(first.line) +
                                        (first.name == name ? "" : " (as '" + InputExcerpt(first.name) + "')"));
        }
        std::string problem;
        const auto address = ParseDeviceAddress(fields[1], &problem);
        if (!address) return fail(lineNumber, InputExcerpt(name) + ": " + problem);
        inv.entries.push_back({name, *address, lineNumber});
    }
    if (inv.entries.empty()) return fail(0, "no processors listed (" + std::string(Usage) + ")");
    return inv;
}

}  // namespace kdsp
