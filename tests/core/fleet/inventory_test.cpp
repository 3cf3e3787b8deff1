// The inventory of a venue: what is taken, what is refused and on which line.
#include "core/fleet/inventory.h"

#include <gtest/gtest.h>

#include <random>

namespace kdsp {
namespace {

TEST(Inventory, TakesEntriesCommentsBlankLinesAndLineEnds) {
    const Inventory inv = ParseInventory(
        "\xEF\xBB\xBF# the venue\r\n"
        "\r\n"
        "  room1\ttcp:127.0.0.1:8889   # first floor\r\n"
        "room#2 TCP:dsp-2.local:9000\n"
        "bar serial:/dev/ttyUSB0\n"
        "   \t\n"
        "lounge serial:COM3 #\n"
        "v6 tcp:[::1]:1\n"
        "包厢 tcp:192.0.2.9:65535");
    ASSERT_FALSE(inv.error) << inv.error->Text();
    ASSERT_EQ(inv.entries.size(), 6u);
    const struct {
        const char* name;
        const char* address;
        int line;
    } want[] = {
        {"room1", "tcp:127.0.0.1:8889", 3},  {"room#2", "tcp:dsp-2.local:9000", 4},
        {"bar", "serial:/dev/ttyUSB0", 5},  {"lounge", "serial:COM3", 7},
        {"v6", "tcp:[::1]:1", 8},           {"包厢", "tcp:192.0.2.9:65535", 9},
    };
    for (std::size_t i = 0; i < std::size(want); ++i) {
        EXPECT_EQ(inv.entries[i].name, want[i].name);
        EXPECT_EQ(inv.entries[i].address.Text(), want[i].address);
        EXPECT_EQ(inv.entries[i].line, want[i].line) << want[i].name;
    }
    EXPECT_EQ(inv.entries[0].address.host, "127.0.0.1");
    EXPECT_EQ(inv.entries[0].address.port, 8889);
    EXPECT_EQ(inv.entries[4].address.host, "::1") << "the brackets are no part of the host";
    EXPECT_EQ(inv.entries[2].address.kind, DeviceAddress::Kind::Serial);
    EXPECT_EQ(inv.entries[2].address.serialPort, "/dev/ttyUSB0");

    // One processor under two spellings of its host name is never used twice at once.
    const auto key = [](const char* text) { return ParseDeviceAddress(text, nullptr)->Key(); };
    EXPECT_EQ(key("tcp:DSP-2.Local:9000"), key("tcp:dsp-2.local:9000"));
    EXPECT_NE(key("tcp:dsp-2.local:9000"), key("tcp:dsp-2.local:9001"));
    EXPECT_NE(key("serial:/dev/ttyUSB0"), key("serial:/dev/TTYUSB0")) << "port names may differ by case";
}

TEST(Inventory, RefusesTheFirstMalformedLineByItsNumber) {
    const struct {
        const char* text;
        const char* error;
    } cases[] = {
        {"", "no processors listed (NAME tcp:HOST:PORT or NAME serial:PORT)"},
        {"# only\n\n  # comments\n", "no processors listed (NAME tcp:HOST:PORT or NAME serial:PORT)"},
        {"a tcp:h:1\nroom1\n", "line 2: 'room1' has no address (NAME tcp:HOST:PORT or NAME serial:PORT)"},
        {"room1 tcp:h:1 extra", "line 1: more than a name and an address: 'extra' (a comment starts with #)"},
        {"room1 udp:h:1", "line 1: room1: the address must be tcp:HOST:PORT or serial:PORT, not 'udp:h:1'"},
        {"room1 127.0.0.1:8889", "line 1: room1: the address must be tcp:HOST:PORT or serial:PORT, not '127.0.0.1:8889'"},
        {"room1 tcp:h", "line 1: room1: 'tcp:h' names no port (tcp:HOST:PORT)"},
        {"room1 tcp::8889", "line 1: room1: 'tcp::8889' names no host (tcp:HOST:PORT)"},
        {"room1 tcp:h:0", "line 1: room1: 'tcp:h:0': the port must be a number 1..65535"},
        {"room1 tcp:h:65536", "line 1: room1: 'tcp:h:65536': the port must be a number 1..65535"},
        {"room1 tcp:h:-1", "line 1: room1: 'tcp:h:-1': the port must be a number 1..65535"},
        {"room1 tcp:h:88x", "line 1: room1: 'tcp:h:88x': the port must be a number 1..65535"},
        {"room1 tcp:h:", "line 1: room1: 'tcp:h:': the port must be a number 1..65535"},
        {"room1 tcp:::1:8889", "line 1: room1: 'tcp:::1:8889': an IPv6 address goes in brackets (tcp:[::1]:8889)"},
        {"room1 tcp:[::1", "line 1: room1: 'tcp:[::1' opens a bracket it does not close"},
        {"room1 tcp:[::1]8889", "line 1: room1: 'tcp:[::1]8889': a colon and the port go after the bracket"},
        {"room1 tcp:[[::1]:1", "line 1: room1: 'tcp:[[::1]:1': a stray bracket in the host"},
        {"room1 tcp:[::1]", "line 1: room1: 'tcp:[::1]' names no port (tcp:HOST:PORT)"},
        {"room1 serial:", "line 1: room1: 'serial:' names no port (serial:PORT)"},
        {"a/b tcp:h:1", "line 1: 'a/b' cannot be the name of its files: A preset name cannot contain < > : \" / \\ | ? * or control characters."},
        {"con tcp:h:1", "line 1: 'con' cannot be the name of its files: This name is reserved for a device and cannot be a preset name."},
        {"room. tcp:h:1", "line 1: 'room.' cannot be the name of its files: A preset name cannot end with a dot or a space."},
        {"\xFF\xFE tcp:h:1", "line 1: '\xFF\xFE' cannot be the name of its files: The preset name is not valid text."},
        {"room1 tcp:a:1\n# x\nroom1 tcp:b:2", "line 3: the name 'room1' is already used on line 1"},
        {"Room1 tcp:a:1\nROOM1 serial:x", "line 2: the name 'ROOM1' is already used on line 1 (as 'Room1')"},
    };
    for (const auto& c : cases) {
        const Inventory inv = ParseInventory(c.text);
        ASSERT_TRUE(inv.error) << c.text;
        EXPECT_EQ(inv.error->Text(), c.error) << c.text;
        EXPECT_TRUE(inv.entries.empty()) << "nothing of a refused inventory is used: " << c.text;
    }
}

TEST(Inventory, GarbageIsRefusedNotCrashedOn) {
    std::mt19937 rng(7);
    for (int round = 0; round < 200; ++round) {
        std::string text(static_cast<std::size_t>(rng() % 400), '\0');
        for (char& c : text) c = static_cast<char>(rng() % 256);
        const Inventory inv = ParseInventory(text);
        EXPECT_TRUE(inv.error || !inv.entries.empty());
        for (const InventoryEntry& e : inv.entries) EXPECT_FALSE(e.name.empty());
    }
}

}  // namespace
}  // namespace kdsp
