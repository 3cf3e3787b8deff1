// Home Assistant discovery configs (see ha_discovery.h).
#include "venue/ha_discovery.h"

#include <QJsonArray>

namespace kdsp::venue {

namespace {

struct Volume {
    const char* object;
    const char* param;
    const char* name;
};
constexpr Volume kVolumes[3] = {{"volume_music", "system.volume.music", "Music volume"},
                                {"volume_mic", "system.volume.mic", "Microphone volume"},
                                {"volume_effect", "system.volume.effect", "Effects volume"}};

QString Clean(const QString& text) {
    QString out;
    for (const QChar c : text) {
        const bool plain = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-';
        out += plain ? c : QChar('_');
    }
    return out;
}

QString Topic(const char* component, const QString& node, const char* object) {
    return QStringLiteral("%1/%2/%3/%4/config").arg(kHaPrefix, component, node, object);
}

}  // namespace

QString HaNodeId(const QString& venue, const QString& room) {
    return QStringLiteral("kdsp_%1_%2").arg(Clean(venue), Clean(room));
}

QStringList HaRoomConfigTopics(const QString& venue, const QString& room) {
    const QString node = HaNodeId(venue, room);
    QStringList topics;
    for (const Volume& v : kVolumes) topics << Topic("number", node, v.object);
    topics << Topic("select", node, "sing_dance") << Topic("select", node, "stored_mode")
           << Topic("binary_sensor", node, "link");
    return topics;
}

QList<HaConfig> HaRoomConfigs(const HaRoom& room) {
    const QString node = HaNodeId(room.venue, room.room);
    const QString base = room.prefix + '/' + room.room;
    const QString stateTopic = base + "/state";
    const QJsonObject serviceUp{{"topic", room.prefix + "/status"},
                                {"payload_available", "online"},
                                {"payload_not_available", "offline"}};
    // An entity that changes the processor is usable only while the service and the room are both up.
    const QJsonArray bothUp{serviceUp,
                            QJsonObject{{"topic", stateTopic},
                                        {"value_template", "{{ 'online' if value_json.online else 'offline' }}"}}};
    QJsonObject device{{"identifiers", QJsonArray{node}},
                       {"name", QStringLiteral("%1 %2").arg(room.venue, room.room)},
                       {"manufacturer", "kdsp"},
                       {"suggested_area", room.room}};
    if (!room.identity.isEmpty()) device["model"] = room.identity;

    auto entity = [&](const char* object, const QString& name) {
        return QJsonObject{{"name", name},
                           {"unique_id", node + '_' + object},
                           {"object_id", node + '_' + object},
                           {"device", device},
                           {"availability", bothUp},
                           {"availability_mode", "all"},
                           {"qos", 1}};
    };

    QList<HaConfig> configs;
    for (int i = 0; i < 3; ++i) {
        const Volume& v = kVolumes[i];
        QJsonObject c = entity(v.object, v.name);
        const QString topic = base + "/param/" + v.param;
        c["state_topic"] = topic;
        c["value_template"] = "{{ value_json.shown }}";
        c["command_topic"] = topic + "/set";
        c["min"] = 0;
        c["max"] = room.volumeMax[i];
        c["step"] = 1;
        c["mode"] = "slider";
        configs.append({Topic("number", node, v.object), c});
    }

    QJsonObject singDance = entity("sing_dance", "Sing / dance");
    singDance["state_topic"] = base + "/param/music.mode";
    singDance["value_template"] = "{{ value_json.shown }}";
    singDance["command_topic"] = base + "/param/music.mode/set";
    singDance["options"] = QJsonArray{"sing", "dance"};
    configs.append({Topic("select", node, "sing_dance"), singDance});

    // The options are the processor's modes by number and name ("2-Pop"), which the
    // command topic takes as they are. Before the names are read, the numbers.
    QJsonArray modes;
    for (const QString& name : room.modeNames) modes.append(name);
    if (modes.isEmpty())
        for (int n = 1; n <= 9; ++n) modes.append(QString::number(n));
    QJsonObject stored = entity("stored_mode", "Stored mode");
    stored["state_topic"] = stateTopic;
    stored["value_template"] = room.modeNames.isEmpty() ? "{{ value_json.mode }}" : "{{ value_json.mode }}-{{ value_json.modeName }}";
    stored["command_topic"] = base + "/mode/set";
    stored["options"] = modes;
    configs.append({Topic("select", node, "stored_mode"), stored});

    // The link state must be seen while the room is down: only the service's own status gates it.
    QJsonObject link = entity("link", "Processor link");
    link.remove("qos");
    link["availability"] = QJsonArray{serviceUp};
    link.remove("availability_mode");
    link["state_topic"] = stateTopic;
    link["value_template"] = "{{ 'ON' if value_json.online else 'OFF' }}";
    link["payload_on"] = "ON";
    link["payload_off"] = "OFF";
    link["device_class"] = "connectivity";
    configs.append({Topic("binary_sensor", node, "link"), link});
    return configs;
}

}  // namespace kdsp::venue
