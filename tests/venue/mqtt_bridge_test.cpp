// kdspd on a real Mosquitto broker, with three simulated processors: what the broker
// holds, what its commands send to the processors, and what happens when the broker
// or the service goes away.
#include <gtest/gtest.h>

#include <QJsonArray>
#include <QSet>
#include <QTemporaryFile>

#include "core/model/param_table.h"
#include "mosquitto_broker.h"
#include "venue_rig.h"

namespace kdsp {
namespace {

using Retained = std::map<std::string, std::string>;

QJsonObject Json(const std::string& text) { return QJsonDocument::fromJson(QByteArray::fromStdString(text)).object(); }

// The first payload, "" for none.
std::string First(const Retained& m) { return m.empty() ? std::string() : m.begin()->second; }

// The payload on `topic`, or a failure naming what was there instead.
std::string At(const Retained& m, const std::string& topic) {
    if (m.count(topic)) return m.at(topic);
    std::string seen;
    for (const auto& [t, p] : m) seen += "\n  " + t + " " + p;
    ADD_FAILURE() << "nothing on " << topic << "; there was:" << seen;
    return {};
}

// A broker and a venue of three rooms connected to it.
struct BrokerVenue {
    Broker broker;
    VenueRig venue{3, {"mqtt = " + broker.Url()}};

    // Until `pattern` holds `count` messages that `ok` accepts (bounded).
    Retained WaitFor(const QString& pattern, std::size_t count, const std::function<bool(const Retained&)>& ok = {}) {
        Retained got;
        for (int i = 0; i < 30; ++i) {
            got = broker.Sub(pattern, int(count), 1);
            if (got.size() >= count && (!ok || ok(got))) break;
        }
        return got;
    }
    // Until nothing is retained on `pattern` (bounded).
    bool WaitGone(const QString& pattern) {
        for (int i = 0; i < 30; ++i)
            if (broker.Sub(pattern, 1, 1).empty()) return true;
        return false;
    }
    Retained WaitOnline() {
        return WaitFor("kdsp/venue/+/state", 3, [](const Retained& m) {
            for (const auto& [topic, payload] : m)
                if (!Json(payload)["online"].toBool()) return false;
            return true;
        });
    }
    // The stored value retained on `topic`, once it is `want` (or the last one seen).
    int StoredOn(const QString& topic, int want) {
        const auto stored = [](const Retained& m) { return Json(First(m))["stored"].toInt(-1); };
        return stored(WaitFor(topic, 1, [&](const Retained& m) { return stored(m) == want; }));
    }
};

int IdOf(const char* name) { return FindSpec(name)->Id(); }

TEST(MqttBridge, RetainedStateCommandsAndChangesFromHttp) {
    BrokerVenue v;
    ASSERT_TRUE(v.venue.WaitOnline(3));
    const Retained states = v.WaitOnline();
    ASSERT_EQ(states.size(), 3u) << v.venue.Errors().toStdString();
    const QJsonObject state = Json(At(states, "kdsp/venue/room2/state"));
    EXPECT_FALSE(state["identity"].toString().isEmpty());
    EXPECT_EQ(state["state"].toString(), "online");
    EXPECT_EQ(state["mode"].toInt(), 1);
    EXPECT_TRUE(state["modeName"].isString());
    EXPECT_TRUE(state.contains("lastError"));
    EXPECT_EQ(At(v.broker.Sub("kdsp/venue/status", 1), "kdsp/venue/status"), "online");

    // The guest controls by default, each with its shown and stored value.
    const Retained params = v.WaitFor("kdsp/venue/room1/param/#", 6);
    EXPECT_EQ(params.size(), 6u);
    const QJsonObject music = Json(At(params, "kdsp/venue/room1/param/system.volume.music"));
    EXPECT_TRUE(music["stored"].isDouble());
    EXPECT_EQ(music["shown"].toString(), QString::number(music["stored"].toInt()));
    EXPECT_EQ(Json(At(params, "kdsp/venue/room1/param/music.mode"))["shown"].toString(), "sing");
    // The simulated processors hold a maximum of 0: the installer raises it.
    for (const char* room : {"room1", "room2"})
        ASSERT_EQ(v.venue.Call("PATCH", QString("/api/v1/rooms/%1/params").arg(room), v.venue.Token("installer"),
                               R"({"system.volume.music.max": 60})")
                      .status,
                  200);
    v.venue.Sim().TakeWrites();

    // A command reaches its own room's processor as the exact frame; the value is
    // retained once acknowledged, and the journal names the broker.
    ASSERT_TRUE(v.broker.Pub("kdsp/venue/room2/param/system.volume.music/set", "30"));
    EXPECT_EQ(v.StoredOn("kdsp/venue/room2/param/system.volume.music", 30), 30);
    auto sent = v.venue.Sim().TakeWritesByDevice();
    EXPECT_EQ(sent, (std::map<int, std::vector<SentFrame>>{{2, {ValueFrame(IdOf("system.volume.music"), 30)}}}));
    QFile audit(v.venue.Audit());
    ASSERT_TRUE(audit.open(QIODevice::ReadOnly));
    EXPECT_TRUE(audit.readAll().contains("mqtt")) << "the journal names the broker as the source";

    // A stored mode by Home Assistant's option text.
    ASSERT_TRUE(v.broker.Pub("kdsp/venue/room2/mode/set", "3-Whatever"));
    ASSERT_TRUE(Until([&] { return Json(First(v.broker.Sub("kdsp/venue/room2/state", 1)))["mode"] == 3; }));
    sent = v.venue.Sim().TakeWritesByDevice();
    ASSERT_TRUE(sent.count(2));
    EXPECT_EQ(sent.at(2).front(), ValueFrame(IdRecallMode, 2));

    // A change through the HTTP API appears on the broker.
    const HttpReply r = v.venue.Call("PATCH", "/api/v1/rooms/room3/params", v.venue.Token("staff"),
                                     R"({"echo.effect.level": 40})");
    ASSERT_EQ(r.status, 200) << r.body.toStdString();
    EXPECT_EQ(v.StoredOn("kdsp/venue/room3/param/echo.effect.level", 40), 40);
    v.venue.Sim().TakeWrites();

    // Bad commands are dropped with one line each, send nothing and stop nothing.
    QTemporaryFile huge, binary;
    ASSERT_TRUE(huge.open() && binary.open());
    huge.write(QByteArray(100000, '7'));
    binary.write(QByteArray("\xff\xfe\x00\x01", 4));
    huge.close();
    binary.close();
    const QString set = "kdsp/venue/room1/param/system.volume.music/set";
    ASSERT_TRUE(v.broker.Pub(set, "loud"));                                       // not a number
    ASSERT_TRUE(v.broker.Pub(set, {}, {"-f", huge.fileName()}));                  // huge
    ASSERT_TRUE(v.broker.Pub(set, {}, {"-f", binary.fileName()}));                // not text
    ASSERT_TRUE(v.broker.Pub("kdsp/venue/room1/param/main.delay.left/set", "10"));  // not published
    ASSERT_TRUE(v.broker.Pub("kdsp/venue/nowhere/param/system.volume.music/set", "10"));  // no such room
    ASSERT_TRUE(v.broker.Pub("kdsp/venue/room1/mode/set", "x3"));                 // not a mode
    ASSERT_TRUE(v.broker.Pub(set + "/more", "10"));                               // not a command topic
    ASSERT_TRUE(v.broker.Pub(set, "12"));
    EXPECT_EQ(v.StoredOn("kdsp/venue/room1/param/system.volume.music", 12), 12);
    EXPECT_EQ(v.venue.Sim().TakeWrites(), std::vector<SentFrame>{ValueFrame(IdOf("system.volume.music"), 12)});
    EXPECT_EQ(v.venue.Errors().count("mqtt: ignored"), 6) << v.venue.Errors().toStdString();
}

// Home Assistant's MQTT discovery schema as its documentation gives it, per kind:
// the keys each kind needs and the types of the keys used here.
void CheckEntity(const QString& kind, const QJsonObject& c) {
    auto isTopic = [](const QJsonValue& v) {
        return v.isString() && !v.toString().isEmpty() && !v.toString().contains('+') && !v.toString().contains('#');
    };
    EXPECT_TRUE(c["name"].isString());
    EXPECT_FALSE(c["unique_id"].toString().isEmpty());
    const QJsonObject device = c["device"].toObject();
    EXPECT_FALSE(device["identifiers"].toArray().isEmpty());
    EXPECT_TRUE(device["name"].isString());
    const QJsonArray availability = c["availability"].toArray();
    ASSERT_FALSE(availability.isEmpty());
    for (const QJsonValue a : availability) {
        EXPECT_TRUE(isTopic(a["topic"]));
        EXPECT_TRUE(!a.toObject().contains("value_template") || a["value_template"].toString().contains("{{"));
    }
    EXPECT_EQ(availability[0]["topic"].toString(), "kdsp/venue/status");
    EXPECT_EQ(availability[0]["payload_available"].toString(), "online");
    EXPECT_EQ(availability[0]["payload_not_available"].toString(), "offline");
    EXPECT_TRUE(!c.contains("availability_mode") ||
                QStringList({"all", "any", "latest"}).contains(c["availability_mode"].toString()));
    EXPECT_TRUE(!c.contains("value_template") || c["value_template"].toString().contains("{{"));
    EXPECT_TRUE(!c.contains("qos") || (c["qos"].isDouble() && c["qos"].toInt() >= 0 && c["qos"].toInt() <= 2));
    if (kind == "number") {
        EXPECT_TRUE(isTopic(c["command_topic"]));
        EXPECT_TRUE(isTopic(c["state_topic"]));
        EXPECT_TRUE(c["min"].isDouble() && c["max"].isDouble() && c["step"].isDouble());
        EXPECT_LT(c["min"].toDouble(), c["max"].toDouble());
        EXPECT_GE(c["step"].toDouble(), 0.001);
        EXPECT_TRUE(QStringList({"auto", "box", "slider"}).contains(c["mode"].toString()));
        EXPECT_EQ(availability.size(), 2) << "the room's state gates a control";
    } else if (kind == "select") {
        EXPECT_TRUE(isTopic(c["command_topic"]));
        EXPECT_TRUE(isTopic(c["state_topic"]));
        const QJsonArray options = c["options"].toArray();
        ASSERT_FALSE(options.isEmpty());
        QSet<QString> seen;
        for (const QJsonValue o : options) {
            EXPECT_TRUE(o.isString());
            seen.insert(o.toString());
        }
        EXPECT_EQ(seen.size(), options.size()) << "options are unique";
    } else if (kind == "binary_sensor") {
        EXPECT_TRUE(isTopic(c["state_topic"]));
        EXPECT_FALSE(c.contains("command_topic"));
        EXPECT_EQ(c["payload_on"].toString(), "ON");
        EXPECT_EQ(c["payload_off"].toString(), "OFF");
        EXPECT_EQ(c["device_class"].toString(), "connectivity");
        EXPECT_EQ(availability.size(), 1) << "a room that is down still shows its link";
    } else {
        ADD_FAILURE() << "unexpected kind " << kind.toStdString();
    }
}

TEST(MqttBridge, DiscoveryBrokerRestartRoomLeavingAndWill) {
    BrokerVenue v;
    ASSERT_TRUE(v.venue.WaitOnline(3));
    ASSERT_EQ(v.WaitOnline().size(), 3u) << v.venue.Errors().toStdString();

    // Six entities per room, each valid for its kind, unique ids across the venue.
    const QString storedMode = "homeassistant/select/kdsp_venue_room1/stored_mode/config";
    const Retained configs = v.WaitFor("homeassistant/#", 18, [&](const Retained& m) {
        return m.count(storedMode.toStdString()) && Json(At(m, storedMode.toStdString()))["options"].toArray().size() == 9;
    });
    ASSERT_EQ(configs.size(), 18u) << v.venue.Errors().toStdString();
    QSet<QString> ids;
    for (const auto& [topic, payload] : configs) {
        SCOPED_TRACE(topic + " " + payload);
        const QStringList parts = QString::fromStdString(topic).split('/');
        ASSERT_EQ(parts.size(), 5);
        CheckEntity(parts[1], Json(payload));
        ids.insert(Json(payload)["unique_id"].toString());
    }
    EXPECT_EQ(ids.size(), 18);
    const QJsonObject volume = Json(At(configs, "homeassistant/number/kdsp_venue_room1/volume_music/config"));
    EXPECT_EQ(volume["command_topic"].toString(), "kdsp/venue/room1/param/system.volume.music/set");
    EXPECT_EQ(volume["state_topic"].toString(), "kdsp/venue/room1/param/system.volume.music");

    // The stored mode's state, as its template makes it, is one of its options.
    const QJsonObject room1 = Json(At(v.broker.Sub("kdsp/venue/room1/state", 1), "kdsp/venue/room1/state"));
    EXPECT_TRUE(Json(At(configs, storedMode.toStdString()))["options"].toArray().contains(
        QString("%1-%2").arg(room1["mode"].toInt()).arg(room1["modeName"].toString())));

    // The slider's range follows the maximum the processor holds.
    ASSERT_EQ(v.venue.Call("PATCH", "/api/v1/rooms/room1/params", v.venue.Token("installer"),
                           R"({"system.volume.music.max": 60})")
                  .status,
              200);
    const QString musicConfig = "homeassistant/number/kdsp_venue_room1/volume_music/config";
    EXPECT_EQ(Json(First(v.WaitFor(musicConfig, 1, [](const Retained& m) {
                       return Json(First(m))["max"].toInt() == 60;
                   })))["max"],
              60);

    // Home Assistant announcing itself gets the configs again.
    ASSERT_TRUE(v.broker.Pub(musicConfig, {}, {"-r", "-n"}));
    ASSERT_TRUE(v.broker.Pub("homeassistant/status", "online"));
    EXPECT_EQ(v.WaitFor(musicConfig, 1).size(), 1u);

    // The broker goes and comes back empty: the service finds it and publishes all again.
    v.broker.Stop();
    v.broker.Start();
    EXPECT_EQ(v.WaitOnline().size(), 3u) << v.venue.Errors().toStdString();
    EXPECT_EQ(v.WaitFor("kdsp/venue/room3/param/#", 6).size(), 6u);
    EXPECT_EQ(v.WaitFor("homeassistant/#", 18).size(), 18u);

    // A room leaves the venue file: its entities and its state are emptied.
    QFile file(v.venue.File());
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    QByteArray text;
    for (const QByteArray& line : file.readAll().split('\n'))
        if (!line.contains("room3")) text += line + "\n";  // the room and its token
    file.close();
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(text);
    file.close();
    v.venue.Signal(SIGHUP);
    EXPECT_TRUE(v.WaitGone("homeassistant/+/kdsp_venue_room3/#")) << v.venue.Errors().toStdString();
    EXPECT_TRUE(v.WaitGone("kdsp/venue/room3/#"));
    EXPECT_EQ(v.broker.Sub("homeassistant/#", 13, 1).size(), 12u);

    // The service killed: the broker says so for it.
    v.venue.Stop(true);
    EXPECT_EQ(At(v.WaitFor("kdsp/venue/status", 1, [](const Retained& m) { return First(m) == "offline"; }),
                 "kdsp/venue/status"),
              "offline");
}

}  // namespace
}  // namespace kdsp
