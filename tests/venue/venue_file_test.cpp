// The venue file, the roles and the rooms' shared tick, in-process.
#include <gtest/gtest.h>

#include "core/model/param_table.h"
#include "qtlink/shared_hold_tick.h"
#include "venue_rig.h"
#include "venue/access.h"
#include "venue/venue_file.h"

namespace kdsp::venue {
namespace {

TEST(VenueFile, SettingsRoomsAndTheirFaults) {
    // A plain inventory is a whole venue file, with every default.
    auto plain = ParseVenueFile("a tcp:127.0.0.1:9000\nb serial:/dev/ttyUSB0\n", "/etc/kdsp/venue.conf");
    ASSERT_TRUE(plain.config);
    EXPECT_EQ(plain.config->rooms.size(), 2u);
    EXPECT_EQ(plain.config->listenHost, "127.0.0.1");
    EXPECT_EQ(plain.config->listenPort, 8890);
    EXPECT_EQ(plain.config->audit, "/etc/kdsp/venue.audit.log");

    auto full = ParseVenueFile("# venue\nlisten = [::1]:9999\nfast = off\n"
                               "a tcp:127.0.0.1:9000  # first\n"
                               "token = room guest sha256:" + std::string(64, 'a') + " a\n",
                               "v.conf");
    ASSERT_TRUE(full.config) << full.error->Text();
    EXPECT_EQ(full.config->listenHost, "::1");
    EXPECT_FALSE(full.config->fast);
    ASSERT_EQ(full.config->tokens.size(), 1u);
    EXPECT_EQ(full.config->tokens[0].room, "a");

    const auto faultAt = [](const std::string& text) {
        auto r = ParseVenueFile(text, "v.conf");
        return r.error ? r.error->line : -1;
    };
    EXPECT_EQ(faultAt("a tcp:127.0.0.1:1\nlisne = 1\n"), 2);                          // unknown setting
    EXPECT_EQ(faultAt("a tcp:127.0.0.1:1\nfast = maybe\n"), 2);
    EXPECT_EQ(faultAt("a tcp:127.0.0.1:1\nfast = on\nfast = off\n"), 3);              // twice
    EXPECT_EQ(faultAt("a serial:/dev/ttyUSB0\nb serial:/dev/ttyUSB0\n"), 2);          // one port, two rooms
    EXPECT_EQ(faultAt("a tcp:127.0.0.1:1\ntoken = room g sha256:" + std::string(64, 'a') + " z\n"), 2);
    EXPECT_EQ(faultAt("a tcp:127.0.0.1:1\ntoken = staff g sha256:1234\n"), 2);
    EXPECT_EQ(faultAt("listen = 127.0.0.1:1\n"), 0);                                  // no rooms
}

TEST(Access, TokensAndGuestControls) {
    // Every guest control is a parameter the table knows, and may be written.
    for (std::string_view name : GuestParams()) {
        const ParamSpec* p = FindSpec(name);
        ASSERT_NE(p, nullptr) << name;
        EXPECT_TRUE(p->Writable()) << name;
        EXPECT_TRUE(IsGuestParam(*p));
    }
    EXPECT_FALSE(IsGuestParam(*FindSpec("main.delay.left")));

    const std::string token = NewToken();
    EXPECT_EQ(token.size(), 64u);
    EXPECT_NE(token, NewToken());
    VenueConfig c;
    c.tokens = {{Role::Staff, "front-desk", HashToken(token), "", 1}};
    const auto actor = Authenticate(c, token);
    ASSERT_TRUE(actor);
    EXPECT_EQ(actor->tokenName, "front-desk");
    EXPECT_FALSE(Authenticate(c, token.substr(1)));
    EXPECT_FALSE(Authenticate(c, HashToken(token)));  // the stored hash is no token
}

// A room's link stops its hold tick from inside one (a processor lost), and a room
// may go while the others tick.
TEST(SharedHoldTick, MembersLeaveAndJoinFromInsideATick) {
    SharedHoldTick shared;
    int a = 0, b = 0, c = 0, d = 0;
    shared.Join(&a, [&] {
        ++a;
        shared.Leave(&a);
    });
    shared.Join(&b, [&] {
        ++b;
        shared.Leave(&c);
        shared.Join(&d, [&] { ++d; });
    });
    shared.Join(&c, [&] { ++c; });
    ASSERT_TRUE(Until([&] { return b >= 3; }, 5000));
    EXPECT_EQ(a, 1) << "left from its own tick";
    EXPECT_EQ(c, 0) << "left before its turn in the tick";
    EXPECT_EQ(d, b - 1) << "joined in a tick, ticks from the next";
    EXPECT_TRUE(shared.Has(&b));
    EXPECT_FALSE(shared.Has(&a));
}

}  // namespace
}  // namespace kdsp::venue
