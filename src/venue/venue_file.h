// The venue file: the rooms as `kdsp fleet` inventory lines ("NAME ADDRESS") and the
// service's settings as "KEY = VALUE" lines, every setting with a default, so a plain
// inventory is a whole venue file.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/fleet/inventory.h"

namespace kdsp::venue {

enum class Role { Installer, Staff, Room };

std::optional<Role> ParseRole(std::string_view text);  // "installer", "staff", "room"
std::string_view ToString(Role role);

// A bearer token as the venue keeps it: never the token itself, only its hash.
struct TokenEntry {
    Role role = Role::Room;
    std::string name;  // who holds it, for the audit journal and the logs
    std::string hash;  // SHA-256 of the token, 64 lower-case hex digits
    std::string room;  // the room of a `room` token
    int line = 0;
};

struct VenueConfig {
    std::filesystem::path file;  // where it was read from ("" for text)
    std::vector<InventoryEntry> rooms;

    std::string listenHost = "127.0.0.1";
    int listenPort = 8890;
    bool listenSet = false;  // the file names the address (another than loopback is allowed then)
    std::string tlsCert, tlsKey;

    bool fast = true;     // fast transfers
    bool strict = false;  // refuse values outside their range rather than bring them in

    std::filesystem::path audit;  // default: NAME.audit.log beside the file
    long long auditMax = 4 * 1024 * 1024;
    std::filesystem::path backups;  // default: NAME.backups beside the file

    // Limits of the HTTP and WebSocket side.
    int rate = 20;                // requests per second and token, 429 beyond
    int wsPerToken = 8;           // WebSocket clients per token
    int requestTimeoutMs = 10000; // a request not whole by then is dropped

    // The MQTT bridge.
    std::string mqtt, mqttPrefix, mqttClient, mqttUser, mqttPassword;
    std::string mqttCafile, mqttCertfile, mqttKeyfile;
    std::vector<std::string> mqttPublish;  // empty: the guest controls

    std::vector<TokenEntry> tokens;

    const InventoryEntry* FindRoom(std::string_view name) const;
};

struct VenueFileResult {
    std::optional<VenueConfig> config;
    std::optional<InventoryError> error;  // "line 7: unknown setting 'listne'"
};

// `file` only places the defaults that sit beside the venue file.
VenueFileResult ParseVenueFile(std::string_view text, const std::filesystem::path& file);
VenueFileResult ReadVenueFile(const std::filesystem::path& file);

// "HOST:PORT", "[v6]:PORT"; false when it is neither.
bool ParseListen(std::string_view text, std::string& host, int& port);
bool IsLoopback(const std::string& host);

// The line a `kdspd token add` appends.
std::string TokenLine(const TokenEntry& token);

}  // namespace kdsp::venue
