// The venue on a message broker: every room's state and its published parameters as
// retained messages under the venue's prefix, commands taken from .../set topics
// through the same checks as the HTTP API, and Home Assistant discovery for each room.
//
//   PREFIX/status                    online | offline (retained; offline is the will)
//   PREFIX/ROOM/state                retained JSON: online, state, identity, mode, ...
//   PREFIX/ROOM/param/NAME           retained JSON: shown and stored value
//   PREFIX/ROOM/param/NAME/set       command: the value as typed (QoS 1)
//   PREFIX/ROOM/mode/set             command: a stored mode to recall, "3" or "3-Pop" (QoS 1)
#pragma once

#include <QHash>
#include <QJsonObject>
#include <QObject>
#include <QSet>
#include <QString>
#include <QStringList>
#include <memory>

#include "venue/mqtt_client.h"

namespace kdsp::venue {

class Venue;

// What a command topic asks for; kind None for any topic that is not a command.
struct MqttCommand {
    enum class Kind { None, Param, Mode } kind = Kind::None;
    QString room;
    QString name;  // the parameter of a Param command
};
MqttCommand ParseCommandTopic(const QString& prefix, const QString& topic);

// The text of a command's payload, or an error saying why it is refused (too long,
// not UTF-8, control characters, empty).
QString CommandText(const QByteArray& payload, QString* error);

class MqttBridge : public QObject {
    Q_OBJECT
  public:
    // prefix: the venue's topic prefix; publish: the parameter names published per room.
    MqttBridge(Venue& venue, MqttOptions options, QString prefix, QStringList publish, QObject* parent = nullptr);
    // The bridge the venue file asks for (`prefix`, when given, replaces its prefix),
    // connecting; nullptr when the file names no broker, or with `error` set when
    // its settings are unusable.
    static std::unique_ptr<MqttBridge> Start(Venue& venue, const QString& prefix, QString* error);

    static constexpr int kMaxPayload = 256;  // a typed value or a mode name is far shorter

  private:
    void PublishAll();
    void PublishRoom(const QString& room);
    void PublishState(const QString& room);
    void PublishParams(const QString& room);
    void PublishDiscovery(const QString& room);
    void RemoveRoom(const QString& room);
    void OnMessage(const QString& topic, const QByteArray& payload);
    void OnCommand(const MqttCommand& command, const QString& text);
    void OnParam(const QString& room, const QJsonObject& message);
    void OnAcknowledged(const QString& room);
    void OnRoomChanged(const QString& room);
    QString VenueName() const;

    Venue& venue_;
    MqttClient client_;
    QString prefix_;
    QStringList publish_;
    QSet<QString> published_;
    QHash<QString, QString> discovered_;  // room -> the discovery configs last sent, to send only changes
    QHash<QString, bool> online_;         // room -> online when last published
    // room -> name -> value message: changes sent, waiting for the processor's acknowledgement
    QHash<QString, QHash<QString, QJsonObject>> unconfirmed_;
    QSet<QString> rediscover_;  // rooms whose volume maxima changed
};

}  // namespace kdsp::venue
