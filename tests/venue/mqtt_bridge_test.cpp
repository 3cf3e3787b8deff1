// kdspd on a real Mosquitto broker, with three simulated processors: what the broker
// holds, what its commands send to the processors, and what happens when the broker
// or the service goes away.
#include <gtest/gtest.h>
#include <signal.h>

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <fstream>
#include <map>
#include <set>

#include "../e2e/e2e_rig.h"
#include "core/protocol/frames.h"
#include "device/frame_text.h"
#include "mosquitto_broker.h"

namespace kdsp::venue::test {
namespace {

using e2e::Process;
using e2e::ReadFile;
namespace fs = std::filesystem;
using namespace std::chrono_literals;

// "TOPIC PAYLOAD" lines by topic.
std::map<std::string, std::string> ByTopic(const std::vector<std::string>& lines) {
    std::map<std::string, std::string> m;
    for (const std::string& l : lines) {
        const auto space = l.find(' ');
        m[l.substr(0, space)] = space == std::string::npos ? "" : l.substr(space + 1);
    }
    return m;
}

QJsonObject Json(const std::string& text) { return QJsonDocument::fromJson(QByteArray::fromStdString(text)).object(); }

struct MqttVenue {
    fs::path dir = e2e::FreshDir();
    Broker broker{dir};
    e2e::Sim sim{dir, {"--devices", "3", "--log"}};
    std::unique_ptr<Process> kdspd;
    std::string httpPort, token;
    std::vector<std::string> rooms{"room1", "room2", "room3"};

    MqttVenue() {
        WriteVenue(rooms);
        Process add(KDSPD_PATH, {"token", "add", (dir / "hall.conf").string(), "installer"}, dir / "token.stderr");
        token = add.ReadLine(10s).value_or("");
        add.Wait(10s);
        Start();
    }
    ~MqttVenue() {
        kdspd.reset();
        sim.process.reset();
        broker.Stop();
        fs::remove_all(dir);
    }
    void WriteVenue(const std::vector<std::string>& names) {
        std::string tokens;
        if (fs::exists(dir / "hall.conf")) {
            std::istringstream old(ReadFile(dir / "hall.conf"));
            for (std::string l; std::getline(old, l);)
                if (l.rfind("token", 0) == 0) tokens += l + "\n";
        }
        std::ofstream f(dir / "hall.conf");
        for (std::size_t k = 0; k < names.size(); ++k)
            f << names[k] << " tcp:127.0.0.1:" << sim.ports.at(k) << "\n";
        f << "mqtt = mqtt://127.0.0.1:" << broker.port << "\n" << tokens;
    }
    void Start() {
        kdspd = std::make_unique<Process>(
            KDSPD_PATH, std::vector<std::string>{(dir / "hall.conf").string(), "--listen", "127.0.0.1:0"},
            dir / "kdspd.stderr");
        const std::string line = kdspd->ReadLine(10s).value_or("");
        httpPort = line.substr(line.rfind(' ') + 1);
    }
    std::string Log() const { return ReadFile(dir / "kdspd.stderr"); }

    // Until `pattern` holds `count` retained messages that `ok` accepts (bounded).
    std::map<std::string, std::string> WaitFor(const std::string& pattern, std::size_t count,
                                               const std::function<bool(const std::map<std::string, std::string>&)>& ok) {
        std::map<std::string, std::string> got;
        for (int i = 0; i < 40; ++i) {
            got = ByTopic(broker.Sub(pattern, int(count), 1));
            if (got.size() >= count && ok(got)) break;
        }
        return got;
    }
    std::map<std::string, std::string> WaitOnline() {
        return WaitFor("kdsp/hall/+/state", rooms.size(), [](const auto& m) {
            for (const auto& [topic, payload] : m)
                if (!Json(payload)["online"].toBool()) return false;
            return true;
        });
    }
    // The frames processor `device` (1..3) received, keep-alives left out.
    std::vector<std::string> Frames(int device) const {
        std::vector<std::string> frames;
        std::istringstream lines(ReadFile(dir / "sim.stderr"));
        const std::string who = " " + std::to_string(device) + "/tcp#";
        const std::string keepAlive = HexBytes(BuildLinkCommand(LinkKeepAlive));
        for (std::string line; std::getline(lines, line);) {
            const auto bar = line.find(" | ");
            if (line.find(who) == std::string::npos || line.find(" rx ") == std::string::npos || bar == std::string::npos)
                continue;
            if (line.substr(bar + 3) != keepAlive) frames.push_back(line.substr(bar + 3));
        }
        return frames;
    }
    // Waits (bounded) until `device` has received `frame` after the first `after` frames.
    bool Received(int device, std::size_t after, const std::string& frame) {
        for (int i = 0; i < 100; ++i) {
            const auto f = Frames(device);
            if (std::find(f.begin() + std::min(after, f.size()), f.end(), frame) != f.end()) return true;
            ::usleep(50000);
        }
        return false;
    }
    int Patch(const std::string& room, const std::string& body) {
        Process curl("/usr/bin/curl",
                     {"-s", "-o", "/dev/null", "-w", "%{http_code}", "-X", "PATCH", "-H", "Authorization: Bearer " + token,
                      "-H", "Content-Type: application/json", "--data", body,
                      "http://127.0.0.1:" + httpPort + "/api/v1/rooms/" + room + "/params"},
                     dir / "curl.stderr");
        const int code = std::stoi(curl.ReadLine(20s).value_or("0").append("0")) / 10;
        curl.Wait(5s);
        return code;
    }
};

std::string ValueFrame(ParamId id, int value) { return HexBytes(BuildValueFrame(CmdWrite, id, std::uint16_t(value))); }

TEST(MqttBridge, RetainedStateCommandsFromTheBrokerAndChangesFromHttp) {
    MqttVenue v;
    ASSERT_FALSE(v.httpPort.empty()) << v.Log();
    const auto states = v.WaitOnline();
    ASSERT_EQ(states.size(), 3u) << v.Log();
    const QJsonObject state = Json(states.at("kdsp/hall/room2/state"));
    EXPECT_TRUE(state["identity"].isString() && !state["identity"].toString().isEmpty()) << states.at("kdsp/hall/room2/state").c_str();
    EXPECT_EQ(state["state"].toString(), "online");
    EXPECT_TRUE(state["mode"].isDouble());
    EXPECT_TRUE(state.contains("modeName") && state.contains("lastError"));
    EXPECT_EQ(ByTopic(v.broker.Sub("kdsp/hall/status", 1)).at("kdsp/hall/status"), "online");

    // The guest controls by default, each with its shown and stored value, and nothing else.
    const auto params = ByTopic(v.broker.Sub("kdsp/hall/room1/param/#", 7, 2));
    EXPECT_EQ(params.size(), 6u);
    const QJsonObject music = Json(params.at("kdsp/hall/room1/param/system.volume.music"));
    EXPECT_TRUE(music["stored"].isDouble());
    EXPECT_EQ(music["shown"].toString(), QString::number(music["stored"].toInt()));
    EXPECT_TRUE(params.count("kdsp/hall/room1/param/music.mode"));

    // A command reaches its own room's processor as the window's frame, and the
    // acknowledged value is retained.
    std::size_t before = v.Frames(2).size();
    ASSERT_TRUE(v.broker.Pub("kdsp/hall/room2/param/system.volume.music/set", "30"));
    EXPECT_TRUE(v.Received(2, before, ValueFrame(MakeId(PageSystem, 32), 30))) << v.Log();
    auto retained = v.WaitFor("kdsp/hall/room2/param/system.volume.music", 1,
                              [](const auto& m) { return Json(m.begin()->second)["stored"].toInt() == 30; });
    EXPECT_EQ(Json(retained.begin()->second)["shown"].toString(), "30");
    EXPECT_NE(ReadFile(v.dir / "hall.audit.log").find("mqtt"), std::string::npos) << "the journal names the broker";

    // A stored mode by Home Assistant's option text.
    before = v.Frames(2).size();
    ASSERT_TRUE(v.broker.Pub("kdsp/hall/room2/mode/set", "3-whatever"));
    EXPECT_TRUE(v.Received(2, before, ValueFrame(MakeId(PageSystem, 2), 2))) << v.Log();

    // A change through the HTTP API appears on the broker.
    ASSERT_EQ(v.Patch("room3", R"({"echo.effect.level": 40})"), 200) << v.Log();
    retained = v.WaitFor("kdsp/hall/room3/param/echo.effect.level", 1,
                         [](const auto& m) { return Json(m.begin()->second)["stored"].toInt() == 40; });
    EXPECT_EQ(Json(retained.begin()->second)["stored"].toInt(), 40);

    // Bad commands are dropped with a line each, send nothing and stop nothing.
    const std::size_t frames1 = v.Frames(1).size();
    std::ofstream(v.dir / "huge") << std::string(100000, '7');
    std::ofstream(v.dir / "binary", std::ios::binary) << std::string("\xff\xfe\x00\x01", 4);
    const std::string set = "kdsp/hall/room1/param/system.volume.music/set";
    ASSERT_TRUE(v.broker.Pub(set, "loud"));                                           // not a number
    ASSERT_TRUE(v.broker.Pub(set, "", {"-f", (v.dir / "huge").string()}));            // huge
    ASSERT_TRUE(v.broker.Pub(set, "", {"-f", (v.dir / "binary").string()}));          // not text
    ASSERT_TRUE(v.broker.Pub("kdsp/hall/room1/param/main.delay.left/set", "10"));     // not published
    ASSERT_TRUE(v.broker.Pub("kdsp/hall/nowhere/param/system.volume.music/set", "10"));  // no such room
    ASSERT_TRUE(v.broker.Pub("kdsp/hall/room1/mode/set", "x3"));                      // not a mode
    ASSERT_TRUE(v.broker.Pub("kdsp/hall/room1/param/system.volume.music/set/more", "10"));  // not subscribed
    ASSERT_TRUE(v.broker.Pub(set, "12"));
    EXPECT_TRUE(v.Received(1, frames1, ValueFrame(MakeId(PageSystem, 32), 12))) << v.Log();
    const auto after = v.Frames(1);
    EXPECT_EQ(std::vector<std::string>(after.begin() + long(frames1), after.end()),
              std::vector<std::string>{ValueFrame(MakeId(PageSystem, 32), 12)});
    const std::string log = v.Log();
    int ignored = 0;
    for (auto at = log.find("mqtt: ignored"); at != std::string::npos; at = log.find("mqtt: ignored", at + 1)) ++ignored;
    EXPECT_EQ(ignored, 6) << log;
}

// Home Assistant's MQTT discovery schema as its documentation gives it, per kind:
// the keys each kind needs and the types of the keys used here.
void CheckEntity(const std::string& kind, const QJsonObject& c, const std::string& topic) {
    SCOPED_TRACE(topic);
    auto isTopic = [](const QJsonValue& v) {
        const QString t = v.toString();
        return v.isString() && !t.isEmpty() && !t.contains('+') && !t.contains('#');
    };
    EXPECT_TRUE(c["name"].isString());
    EXPECT_TRUE(c["unique_id"].isString() && !c["unique_id"].toString().isEmpty());
    const QJsonObject device = c["device"].toObject();
    ASSERT_TRUE(device["identifiers"].isArray() && !device["identifiers"].toArray().isEmpty());
    EXPECT_TRUE(device["name"].isString());
    const QJsonArray availability = c["availability"].toArray();
    ASSERT_FALSE(availability.isEmpty());
    for (const QJsonValue a : availability) {
        EXPECT_TRUE(isTopic(a["topic"]));
        if (a.toObject().contains("value_template")) EXPECT_TRUE(a["value_template"].toString().contains("{{"));
    }
    EXPECT_EQ(availability[0]["topic"].toString(), "kdsp/hall/status");
    EXPECT_EQ(availability[0]["payload_available"].toString(), "online");
    EXPECT_EQ(availability[0]["payload_not_available"].toString(), "offline");
    if (c.contains("availability_mode")) EXPECT_TRUE(QStringList({"all", "any", "latest"}).contains(c["availability_mode"].toString()));
    if (c.contains("value_template")) EXPECT_TRUE(c["value_template"].toString().contains("{{"));
    if (c.contains("qos")) EXPECT_TRUE(c["qos"].isDouble() && c["qos"].toInt() >= 0 && c["qos"].toInt() <= 2);
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
        ADD_FAILURE() << "unexpected kind " << kind;
    }
}

TEST(MqttBridge, DiscoveryBrokerRestartRoomRemovedAndWill) {
    MqttVenue v;
    ASSERT_EQ(v.WaitOnline().size(), 3u) << v.Log();

    // Six entities per room, each valid for its kind, unique ids across the venue.
    auto configs = v.WaitFor("homeassistant/#", 18, [](const auto& m) {
        return Json(m.at("homeassistant/select/kdsp_hall_room1/stored_mode/config"))["options"].toArray().size() == 9;
    });
    ASSERT_EQ(configs.size(), 18u) << v.Log();
    std::set<QString> ids;
    for (const auto& [topic, payload] : configs) {
        const QStringList parts = QString::fromStdString(topic).split('/');
        ASSERT_EQ(parts.size(), 5);
        CheckEntity(parts[1].toStdString(), Json(payload), topic);
        ids.insert(Json(payload)["unique_id"].toString());
    }
    EXPECT_EQ(ids.size(), 18u);
    const QJsonObject volume = Json(configs.at("homeassistant/number/kdsp_hall_room1/volume_music/config"));
    EXPECT_EQ(volume["command_topic"].toString(), "kdsp/hall/room1/param/system.volume.music/set");
    EXPECT_EQ(volume["state_topic"].toString(), "kdsp/hall/room1/param/system.volume.music");

    // Home Assistant coming up again gets the configs again (the broker lost them here).
    ASSERT_TRUE(v.broker.Pub("homeassistant/number/kdsp_hall_room1/volume_music/config", "", {"-r"}));
    ASSERT_TRUE(v.broker.Pub("homeassistant/status", "online"));
    EXPECT_EQ(v.WaitFor("homeassistant/number/kdsp_hall_room1/volume_music/config", 1, [](const auto&) { return true; }).size(), 1u);

    // The broker goes and comes back empty: the service finds it and publishes all again.
    v.broker.Stop();
    v.broker.Start();
    EXPECT_EQ(v.WaitOnline().size(), 3u) << v.Log();
    EXPECT_EQ(v.WaitFor("kdsp/hall/room3/param/#", 6, [](const auto&) { return true; }).size(), 6u);
    EXPECT_EQ(v.WaitFor("homeassistant/#", 18, [](const auto&) { return true; }).size(), 18u);

    // A room leaves the venue file: its entities and its state are emptied.
    v.WriteVenue({"room1", "room2"});
    v.kdspd->Signal(SIGHUP);
    const auto left = v.WaitFor("homeassistant/#", 12, [](const auto& m) { return m.size() == 12; });
    EXPECT_EQ(left.size(), 12u) << v.Log();
    for (const auto& [topic, payload] : left) EXPECT_EQ(topic.find("room3"), std::string::npos) << topic;
    EXPECT_TRUE(v.broker.Sub("kdsp/hall/room3/#", 1, 1).empty());

    // The service killed: the broker says so for it.
    v.kdspd->Signal(SIGKILL);
    v.kdspd->Wait(5s);
    EXPECT_EQ(v.WaitFor("kdsp/hall/status", 1, [](const auto& m) { return m.begin()->second == "offline"; })
                  .at("kdsp/hall/status"),
              "offline");
}

}  // namespace
}  // namespace kdsp::venue::test
