// A venue's inventory: one processor per line, "NAME ADDRESS", read from text so a
// fleet command knows whom to reach and what to call each one's files.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kdsp {

struct DeviceAddress {
    enum class Kind { Tcp, Serial } kind = Kind::Tcp;
    std::string host;        // TCP: a name or an address (IPv6 without brackets)
    int port = 0;            // TCP: 1..65535
    std::string serialPort;  // serial: the port's name, as the system knows it

    // "tcp:HOST:PORT" ("tcp:[::1]:8889") or "serial:PORT".
    std::string Text() const;
    // What tells apart two entries that must never be used at once: Text(), with a
    // host name in lower case (names of hosts ignore letter case, serial ports may not).
    std::string Key() const;
};

struct InventoryEntry {
    std::string name;  // also the name of the processor's files (NAME.Nddt)
    DeviceAddress address;
    int line = 0;  // 1-based
};

struct InventoryError {
    int line = 0;  // 0: the inventory as a whole
    std::string message;
    // "line 3: ..." (or the message alone for line 0).
    std::string Text() const;
};

struct Inventory {
    std::vector<InventoryEntry> entries;  // in the order of the lines
    std::optional<InventoryError> error;  // the first problem; no entries then
};

// Parses "tcp:HOST:PORT" or "serial:PORT" (the kind in any letter case); the
// problem in words when it is neither.
std::optional<DeviceAddress> ParseDeviceAddress(std::string_view text, std::string* problem);

// Lines "NAME ADDRESS" separated by spaces or tabs. A "#" that begins a field
// starts a comment up to the end of the line; blank lines are skipped; CR LF line
// ends and a leading byte-order mark are taken. The whole text is refused at its
// first malformed line, and a name already used (also in another letter case:
// their files would be one on some file systems), or one that cannot be a file
// name, is malformed too. An inventory without entries is refused as well.
Inventory ParseInventory(std::string_view text);

}  // namespace kdsp
