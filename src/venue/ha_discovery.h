// Home Assistant's MQTT discovery for the rooms of a venue: one device per room's
// processor with its three volumes (number), sing/dance and the stored mode (select)
// and its link state (binary_sensor). The configs are retained under
// homeassistant/<component>/<node>/<object>/config; an empty retained config removes
// an entity, which is how a room that leaves the venue file disappears.
#pragma once

#include <QByteArray>
#include <QJsonObject>
#include <QList>
#include <QString>
#include <QStringList>

namespace kdsp::venue {

inline constexpr char kHaPrefix[] = "homeassistant";
inline constexpr char kHaStatusTopic[] = "homeassistant/status";

// What the configs of one room are made from.
struct HaRoom {
    QString prefix;    // the venue's topic prefix (kdsp/VENUE)
    QString venue;     // the venue's name
    QString room;      // the room's name, a topic level below the prefix
    QString identity;  // the processor's identity, when known
    QStringList modeNames;  // "1-Name" ... of the processor's stored modes; empty when unknown
    int volumeMax[3] = {84, 84, 84};  // music, microphone, effects: the maxima the processor holds
};

struct HaConfig {
    QString topic;
    QJsonObject config;
};

// Every entity of one room.
QList<HaConfig> HaRoomConfigs(const HaRoom& room);
// The config topics of one room, to empty them when the room goes.
QStringList HaRoomConfigTopics(const QString& venue, const QString& room);
// The node id of a room: letters, digits, '_' and '-' only, as Home Assistant wants.
QString HaNodeId(const QString& venue, const QString& room);

}  // namespace kdsp::venue
