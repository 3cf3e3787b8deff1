// The venue's rooms on the broker (see mqtt_bridge.h).
#include "venue/mqtt_bridge.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QStringDecoder>

#include "core/model/param_table.h"
#include "venue/access.h"
#include "venue/ha_discovery.h"
#include "venue/venue.h"

namespace kdsp::venue {

namespace {

void Ignore(const QString& topic, const QString& why) {
    qWarning("kdspd: mqtt: ignored %s: %s", qUtf8Printable(topic.left(200)), qUtf8Printable(why));
}

QByteArray Json(const QJsonObject& o) { return QJsonDocument(o).toJson(QJsonDocument::Compact); }

// The volumes Home Assistant shows, and the maxima the processor holds for them.
constexpr const char* kGuestVolumes[3] = {"system.volume.music", "system.volume.mic", "system.volume.effect"};
bool IsVolumeMaximum(const QString& name) {
    for (const char* v : kGuestVolumes)
        if (name == QString(v) + ".max") return true;
    return false;
}

}  // namespace

MqttCommand ParseCommandTopic(const QString& prefix, const QString& topic) {
    MqttCommand command;
    if (!topic.startsWith(prefix + '/')) return command;
    const QStringList parts = topic.mid(prefix.size() + 1).split('/');
    if (parts.size() == 4 && parts[1] == "param" && parts[3] == "set" && !parts[2].isEmpty()) {
        command.kind = MqttCommand::Kind::Param;
        command.name = parts[2];
    } else if (parts.size() == 3 && parts[1] == "mode" && parts[2] == "set") {
        command.kind = MqttCommand::Kind::Mode;
    } else {
        return command;
    }
    command.room = parts[0];
    return command;
}

QString CommandText(const QByteArray& payload, QString* error) {
    if (payload.size() > MqttBridge::kMaxPayload) {
        *error = QStringLiteral("payload of %1 bytes is too long").arg(payload.size());
        return {};
    }
    QStringDecoder decode(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString text = decode(payload);
    if (decode.hasError()) {
        *error = QStringLiteral("payload is not UTF-8 text");
        return {};
    }
    for (const QChar c : text)
        if (c.category() == QChar::Other_Control && c != '\t' && c != '\n' && c != '\r') {
            *error = QStringLiteral("payload holds control characters");
            return {};
        }
    const QString trimmed = text.trimmed();
    if (trimmed.isEmpty()) *error = QStringLiteral("payload is empty");
    else error->clear();
    return trimmed;
}

std::unique_ptr<MqttBridge> MqttBridge::Start(Venue& venue, const QString& prefix, QString* error) {
    error->clear();
    const VenueConfig& c = venue.Config();
    if (c.mqtt.empty()) return nullptr;
    const QString name = QString::fromStdString(c.file.stem().string());
    MqttOptions o;
    o.url = QString::fromStdString(c.mqtt);
    o.clientId = c.mqttClient.empty() ? "kdspd-" + name : QString::fromStdString(c.mqttClient);
    o.user = QString::fromStdString(c.mqttUser);
    o.password = QString::fromStdString(c.mqttPassword);
    o.caFile = QString::fromStdString(c.mqttCafile);
    o.certFile = QString::fromStdString(c.mqttCertfile);
    o.keyFile = QString::fromStdString(c.mqttKeyfile);
    QString p = !prefix.isEmpty() ? prefix : c.mqttPrefix.empty() ? "kdsp/" + name : QString::fromStdString(c.mqttPrefix);
    while (p.endsWith('/')) p.chop(1);
    // The prefix is a plain topic: room and parameter levels are added below it.
    if (p.isEmpty() || p.contains('+') || p.contains('#') || p.startsWith('$')) {
        *error = QStringLiteral("mqtt prefix '%1': not a plain topic").arg(p);
        return nullptr;
    }
    o.statusTopic = p + "/status";
    QStringList publish;
    for (const std::string& n : c.mqttPublish) {
        if (!FindSpec(n)) {
            *error = QStringLiteral("mqtt.publish: no parameter named '%1'").arg(QString::fromStdString(n));
            return nullptr;
        }
        publish << QString::fromStdString(n);
    }
    if (publish.isEmpty())
        for (const std::string_view n : GuestParams()) publish << QString::fromUtf8(n.data(), qsizetype(n.size()));
    auto bridge = std::make_unique<MqttBridge>(venue, o, p, publish);
    if (!bridge->client_.Start(error)) return nullptr;
    return bridge;
}

MqttBridge::MqttBridge(Venue& venue, MqttOptions options, QString prefix, QStringList publish, QObject* parent)
    : QObject(parent),
      venue_(venue),
      client_(std::move(options)),
      prefix_(std::move(prefix)),
      publish_(std::move(publish)) {
    published_ = QSet<QString>(publish_.begin(), publish_.end());
    client_.Subscribe(prefix_ + "/+/param/+/set", 1);
    client_.Subscribe(prefix_ + "/+/mode/set", 1);
    client_.Subscribe(kHaStatusTopic, 1);
    connect(&client_, &MqttClient::Connected, this, [this] {
        discovered_.clear();
        PublishAll();
    });
    connect(&client_, &MqttClient::MessageReceived, this, &MqttBridge::OnMessage);
    connect(&venue_, &Venue::RoomChanged, this, &MqttBridge::OnRoomChanged);
    connect(&venue_, &Venue::ParamChanged, this, &MqttBridge::OnParam);
    connect(&venue_, &Venue::Acknowledged, this, &MqttBridge::OnAcknowledged);
    connect(&venue_, &Venue::RoomsReloaded, this, [this](const QStringList& added, const QStringList& removed) {
        for (const QString& room : removed) RemoveRoom(room);
        for (const QString& room : added) PublishRoom(room);
    });
}

void MqttBridge::PublishAll() {
    for (const QString& room : venue_.RoomNames()) PublishRoom(room);
}

void MqttBridge::PublishRoom(const QString& room) {
    PublishState(room);
    PublishParams(room);
    PublishDiscovery(room);
}

void MqttBridge::PublishState(const QString& room) {
    const QJsonObject r = venue_.RoomJson(room);
    const bool online = r["state"].toString() == "online";
    online_[room] = online;
    client_.Publish(prefix_ + '/' + room + "/state",
                    Json({{"online", online},
                          {"state", r["state"]},
                          {"identity", r["identity"]},
                          {"mode", r["mode"]},
                          {"modeName", r["modeName"]},
                          {"singDance", r["singDance"]},
                          {"lastError", r["lastError"]},
                          {"lastSeen", r["lastSeen"]}}),
                    true);
}

void MqttBridge::PublishParams(const QString& room) {
    // Values are the processor's only once it has been read; until then the last
    // retained ones stand.
    if (!online_.value(room)) return;
    for (const QString& name : publish_) {
        const ParamSpec* param = FindSpec(name.toStdString());
        if (!param) continue;
        const QJsonObject p = venue_.ParamJson(room, *param);
        client_.Publish(prefix_ + '/' + room + "/param/" + name,
                        Json({{"shown", p["shown"]}, {"stored", p["stored"]}}), true);
    }
}

void MqttBridge::PublishDiscovery(const QString& room) {
    const QJsonObject r = venue_.RoomJson(room);
    HaRoom ha{prefix_, VenueName(), room, r["identity"].toString(), {}, {84, 84, 84}};
    // Numbered, so two modes of the same name stay two options.
    for (const QJsonValue m : r["modes"].toArray())
        ha.modeNames << QStringLiteral("%1-%2").arg(m["number"].toInt()).arg(m["name"].toString());
    if (online_.value(room))
        for (int i = 0; i < 3; ++i)
            if (const ParamSpec* param = FindSpec(kGuestVolumes[i]))
                // A processor holding a maximum of 0 still gets a slider Home Assistant
                // can draw; the venue brings a 1 back to 0.
                ha.volumeMax[i] = std::max(1, venue_.ParamJson(room, *param)["max"].toInt(84));
    QString all;
    const QList<HaConfig> configs = HaRoomConfigs(ha);
    for (const HaConfig& c : configs) all += c.topic + QString::fromUtf8(Json(c.config));
    // Home Assistant rebuilds an entity on every config: send one only when it differs.
    if (discovered_.value(room) == all) return;
    for (const HaConfig& c : configs)
        if (!client_.Publish(c.topic, Json(c.config), true)) return;
    discovered_[room] = all;
}

void MqttBridge::RemoveRoom(const QString& room) {
    for (const QString& topic : HaRoomConfigTopics(VenueName(), room)) client_.Publish(topic, {}, true);
    client_.Publish(prefix_ + '/' + room + "/state", {}, true);
    for (const QString& name : publish_) client_.Publish(prefix_ + '/' + room + "/param/" + name, {}, true);
    discovered_.remove(room);
    online_.remove(room);
    unconfirmed_.remove(room);
}

void MqttBridge::OnRoomChanged(const QString& room) {
    // A room leaving the venue says goodbye after its retained topics were emptied.
    if (!venue_.HasRoom(room)) return;
    const bool was = online_.value(room);
    PublishState(room);
    // Writes that were never acknowledged are not the processor's values; when the
    // room is back its values are read and published anew.
    if (!online_.value(room)) unconfirmed_.remove(room);
    if (online_.value(room) && !was) PublishParams(room);
    PublishDiscovery(room);
}

void MqttBridge::OnParam(const QString& room, const QJsonObject& message) {
    const QString name = message["name"].toString();
    // The volumes' ranges in Home Assistant follow the processor's maxima.
    if (IsVolumeMaximum(name)) rediscover_.insert(room);
    if (!published_.contains(name)) return;
    // What the processor sent itself is its value now; a write counts once it is acknowledged.
    if (message["origin"].toString() == "processor_read") {
        client_.Publish(prefix_ + '/' + room + "/param/" + name,
                        Json({{"shown", message["shown"]}, {"stored", message["stored"]}}), true);
        return;
    }
    unconfirmed_[room][name] = message;
}

void MqttBridge::OnAcknowledged(const QString& room) {
    const auto waiting = unconfirmed_.take(room);
    for (auto it = waiting.begin(); it != waiting.end(); ++it)
        client_.Publish(prefix_ + '/' + room + "/param/" + it.key(),
                        Json({{"shown", it.value()["shown"]}, {"stored", it.value()["stored"]}}), true);
    if (rediscover_.remove(room)) PublishDiscovery(room);
}

void MqttBridge::OnMessage(const QString& topic, const QByteArray& payload) {
    if (topic == kHaStatusTopic) {
        if (payload == "online") {
            discovered_.clear();
            for (const QString& room : venue_.RoomNames()) PublishDiscovery(room);
        }
        return;
    }
    const MqttCommand command = ParseCommandTopic(prefix_, topic);
    if (command.kind == MqttCommand::Kind::None) return Ignore(topic, "not a command topic");
    if (!venue_.RoomNames().contains(command.room)) return Ignore(topic, "no such room");
    if (command.kind == MqttCommand::Kind::Param && !published_.contains(command.name))
        return Ignore(topic, "not a parameter published here");
    QString error;
    const QString text = CommandText(payload, &error);
    if (!error.isEmpty()) return Ignore(topic, error);
    OnCommand(command, text);
}

void MqttBridge::OnCommand(const MqttCommand& command, const QString& text) {
    // The broker's ACL decides who may publish here; the service treats every
    // command as the staff's (decision 0129).
    const Actor actor{Role::Staff, "mqtt", {}, "mqtt"};
    const QString topic = prefix_ + '/' + command.room +
                          (command.kind == MqttCommand::Kind::Param ? "/param/" + command.name + "/set" : "/mode/set");
    auto refused = [topic](const Result& r) {
        if (!r.Ok()) Ignore(topic, r.body["message"].toString());
    };
    if (command.kind == MqttCommand::Kind::Param) {
        venue_.SetParams(actor, command.room, QJsonObject{{command.name, text}}, venue_.Config().strict, refused);
        return;
    }
    // "3", "3-Pop" or "Pop" (a select's option as Home Assistant sends it), or the HTTP form {"recall":3}.
    QJsonObject request;
    if (text.startsWith('{')) {
        request = QJsonDocument::fromJson(text.toUtf8()).object();
    } else {
        for (const QJsonValue m : venue_.RoomJson(command.room)["modes"].toArray())
            if (m["name"].toString() == text) request["recall"] = m["number"];
        qsizetype digits = 0;
        while (digits < text.size() && text[digits].isDigit()) ++digits;
        bool ok = false;
        const int number = text.left(digits).toInt(&ok);
        if (request.isEmpty() && ok && (digits == text.size() || text[digits] == '-')) request["recall"] = number;
    }
    if (request.isEmpty()) return Ignore(topic, "not a stored mode");
    venue_.Mode(actor, command.room, request, refused);
}

QString MqttBridge::VenueName() const { return QString::fromStdString(venue_.Config().file.stem().string()); }

}  // namespace kdsp::venue
