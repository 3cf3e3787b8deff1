// Reading the venue file: settings lines are taken out, what is left is read as an
// inventory with its own checks, so its line numbers stay those of the file.
#include "venue/venue_file.h"

#include <charconv>
#include <fstream>
#include <map>
#include <sstream>

namespace kdsp::venue {

namespace {

constexpr int TokenHexDigits = 64;

std::vector<std::string> Fields(std::string_view line) {
    std::vector<std::string> fields;
    std::size_t i = 0;
    while (i < line.size()) {
        while (i < line.size() && (line[i] == ' ' || line[i] == '\t'))
            ++i;
        if (i >= line.size() || line[i] == '#')
            break;
        const std::size_t start = i;
        while (i < line.size() && line[i] != ' ' && line[i] != '\t')
            ++i;
        fields.emplace_back(line.substr(start, i - start));
    }
    return fields;
}

std::optional<bool> ParseSwitch(const std::string& v) {
    if (v == "on" || v == "yes" || v == "true" || v == "1")
        return true;
    if (v == "off" || v == "no" || v == "false" || v == "0")
        return false;
    return std::nullopt;
}

std::optional<long long> ParseCount(const std::string& v, long long min, long long max) {
    long long n = 0;
    const auto [end, ec] = std::from_chars(v.data(), v.data() + v.size(), n);
    if (ec != std::errc() || end != v.data() + v.size() || n < min || n > max)
        return std::nullopt;
    return n;
}

bool IsHex(std::string_view s) {
    for (char c : s)
        if (!((c >= '0' && c <= '9') || (c >= 'a' && c <= 'f')))
            return false;
    return true;
}

// The setting's value into the configuration; the problem in words otherwise.
std::optional<std::string> Apply(VenueConfig& c, const std::string& key,
                                 const std::vector<std::string>& values,
                                 const std::filesystem::path& folder, int line) {
    std::string v;
    for (const std::string& f : values)
        v += (v.empty() ? "" : " ") + f;
    const auto path = [&](std::filesystem::path& out) -> std::optional<std::string> {
        if (v.empty())
            return key + ": a path is needed";
        out = std::filesystem::path(v).is_absolute() ? std::filesystem::path(v) : folder / v;
        return std::nullopt;
    };
    const auto text = [&](std::string& out) -> std::optional<std::string> {
        if (v.empty())
            return key + ": a value is needed";
        out = v;
        return std::nullopt;
    };
    const auto count = [&](auto& out, long long min, long long max) -> std::optional<std::string> {
        const auto n = ParseCount(v, min, max);
        if (!n)
            return key + ": expected a whole number from " + std::to_string(min) + " to " +
                   std::to_string(max) + ", not '" + v + "'";
        out = static_cast<std::remove_reference_t<decltype(out)>>(*n);
        return std::nullopt;
    };
    const auto onOff = [&](bool& out) -> std::optional<std::string> {
        const auto b = ParseSwitch(v);
        if (!b)
            return key + ": expected on or off, not '" + v + "'";
        out = *b;
        return std::nullopt;
    };
    if (key == "listen") {
        c.listenSet = true;
        if (!ParseListen(v, c.listenHost, c.listenPort))
            return "listen: expected HOST:PORT, not '" + v + "'";
        return std::nullopt;
    }
    if (key == "tls.cert" || key == "tls.key") {
        std::filesystem::path p;
        if (auto problem = path(p))
            return problem;
        (key == "tls.cert" ? c.tlsCert : c.tlsKey) = p.string();
        return std::nullopt;
    }
    if (key == "fast")
        return onOff(c.fast);
    if (key == "strict")
        return onOff(c.strict);
    if (key == "audit")
        return path(c.audit);
    if (key == "audit.max")
        return count(c.auditMax, 4096, 1LL << 40);
    if (key == "backups")
        return path(c.backups);
    if (key == "limits.rate")
        return count(c.rate, 1, 100000);
    if (key == "limits.websockets")
        return count(c.wsPerToken, 1, 100000);
    if (key == "limits.timeout")
        return count(c.requestTimeoutMs, 100, 600000);
    if (key == "mqtt")
        return text(c.mqtt);
    if (key == "mqtt.prefix")
        return text(c.mqttPrefix);
    if (key == "mqtt.client")
        return text(c.mqttClient);
    if (key == "mqtt.user")
        return text(c.mqttUser);
    if (key == "mqtt.password")
        return text(c.mqttPassword);
    if (key == "mqtt.cafile" || key == "mqtt.certfile" || key == "mqtt.keyfile") {
        std::filesystem::path p;
        if (auto problem = path(p))
            return problem;
        (key == "mqtt.cafile" ? c.mqttCafile : key == "mqtt.certfile" ? c.mqttCertfile : c.mqttKeyfile) = p.string();
        return std::nullopt;
    }
    if (key == "mqtt.publish") {
        if (values.empty())
            return key + ": at least one parameter name is needed";
        c.mqttPublish = values;
        return std::nullopt;
    }
    if (key == "token") {
        if (values.size() < 3 || values.size() > 4)
            return "token: expected ROLE NAME sha256:HEX [ROOM]";
        TokenEntry t;
        const auto role = ParseRole(values[0]);
        if (!role)
            return "token: unknown role '" + values[0] + "' (installer, staff or room)";
        t.role = *role;
        t.name = values[1];
        const std::string& h = values[2];
        if (h.rfind("sha256:", 0) != 0 || h.size() != 7 + TokenHexDigits || !IsHex(h.substr(7)))
            return "token: expected sha256: and 64 lower-case hex digits";
        t.hash = h.substr(7);
        if (values.size() == 4)
            t.room = values[3];
        if ((t.role == Role::Room) != !t.room.empty())
            return t.role == Role::Room ? "token: a room token needs its room"
                                        : "token: only a room token names a room";
        t.line = line;
        c.tokens.push_back(std::move(t));
        return std::nullopt;
    }
    return "unknown setting '" + key + "'";
}

}  // namespace

std::optional<Role> ParseRole(std::string_view text) {
    if (text == "installer")
        return Role::Installer;
    if (text == "staff")
        return Role::Staff;
    if (text == "room")
        return Role::Room;
    return std::nullopt;
}

std::string_view ToString(Role role) {
    switch (role) {
        case Role::Installer:
            return "installer";
        case Role::Staff:
            return "staff";
        case Role::Room:
            return "room";
    }
    return "room";
}

const InventoryEntry* VenueConfig::FindRoom(std::string_view name) const {
    for (const InventoryEntry& r : rooms)
        if (r.name == name)
            return &r;
    return nullptr;
}

bool ParseListen(std::string_view text, std::string& host, int& port) {
    const std::size_t colon = text.rfind(':');
    if (colon == std::string_view::npos || colon == 0)
        return false;
    std::string_view h = text.substr(0, colon);
    if (h.front() == '[') {
        if (h.size() < 3 || h.back() != ']')
            return false;
        h = h.substr(1, h.size() - 2);
    } else if (h.find(':') != std::string_view::npos) {
        return false;  // an IPv6 address goes in brackets
    }
    const auto p = ParseCount(std::string(text.substr(colon + 1)), 0, 65535);
    if (!p)
        return false;
    host = h == "localhost" ? "127.0.0.1" : std::string(h);
    port = static_cast<int>(*p);
    return true;
}

bool IsLoopback(const std::string& host) {
    return host.rfind("127.", 0) == 0 || host == "::1";
}

std::string TokenLine(const TokenEntry& t) {
    return "token = " + std::string(ToString(t.role)) + " " + t.name + " sha256:" + t.hash +
           (t.room.empty() ? "" : " " + t.room);
}

VenueFileResult ParseVenueFile(std::string_view text, const std::filesystem::path& file) {
    VenueFileResult result;
    VenueConfig c;
    c.file = file;
    const std::filesystem::path folder = file.has_parent_path() ? file.parent_path() : ".";
    std::string stem = file.stem().string();
    if (stem.empty())
        stem = "venue";
    c.audit = folder / (stem + ".audit.log");
    c.backups = folder / (stem + ".backups");

    const auto fail = [&](int line, std::string message) {
        result.error = InventoryError{line, std::move(message)};
        return result;
    };
    // The settings lines become blank lines of the inventory text.
    std::string inventory;
    std::map<std::string, int> seen;
    int lineNo = 0;
    std::size_t at = 0;
    if (text.substr(0, 3) == "\xEF\xBB\xBF")
        at = 3;
    while (at <= text.size()) {
        std::size_t end = text.find('\n', at);
        if (end == std::string_view::npos)
            end = text.size();
        std::string_view line = text.substr(at, end - at);
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        ++lineNo;
        std::vector<std::string> f = Fields(line);
        if (f.size() >= 2 && f[1] == "=") {
            const std::string key = f[0];
            if (key != "token" && seen.count(key))
                return fail(lineNo, key + " is set twice (line " + std::to_string(seen[key]) + ")");
            seen[key] = lineNo;
            if (auto problem = Apply(c, key, {f.begin() + 2, f.end()}, folder, lineNo))
                return fail(lineNo, *problem);
        } else {
            inventory += line;
        }
        inventory += '\n';
        if (end == text.size())
            break;
        at = end + 1;
    }
    Inventory inv = ParseInventory(inventory);
    if (inv.error) {
        if (inv.error->line == 0)
            inv.error->message = "no rooms: give one line NAME tcp:HOST:PORT or NAME serial:PORT per processor";
        result.error = inv.error;
        return result;
    }
    c.rooms = std::move(inv.entries);
    // One session per port: two rooms on one address would fight over it.
    std::map<std::string, int> addresses;
    for (const InventoryEntry& r : c.rooms) {
        const auto [it, fresh] = addresses.emplace(r.address.Key(), r.line);
        if (!fresh)
            return fail(r.line, "the same address as line " + std::to_string(it->second));
    }
    std::map<std::string, int> names;
    for (const TokenEntry& t : c.tokens) {
        if (t.role == Role::Room && !c.FindRoom(t.room))
            return fail(t.line, "token: no room named '" + t.room + "'");
        const auto [it, fresh] = names.emplace(t.name, t.line);
        if (!fresh)
            return fail(t.line, "token: the name '" + t.name + "' is taken (line " +
                                    std::to_string(it->second) + ")");
    }
    if (c.tlsCert.empty() != c.tlsKey.empty())
        return fail(0, "tls.cert and tls.key go together");
    result.config = std::move(c);
    return result;
}

VenueFileResult ReadVenueFile(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    if (!in) {
        VenueFileResult r;
        r.error = InventoryError{0, "cannot read " + file.string()};
        return r;
    }
    std::ostringstream text;
    text << in.rdbuf();
    return ParseVenueFile(text.str(), file);
}

}  // namespace kdsp::venue
