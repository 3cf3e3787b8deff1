// A connection to a message broker on the service's own event loop: libmosquitto's
// socket is watched by QSocketNotifiers and its housekeeping runs on a timer, so the
// broker's messages are handled between the rooms' frames on the one thread. It
// announces itself online (retained) with an offline will, reconnects by itself
// with back-off, and keeps nothing for a broker that is away.
#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QTimer>
#include <memory>

class QSocketNotifier;
struct mosquitto;
struct mosquitto_message;

namespace kdsp::venue {

struct MqttOptions {
    QString url;  // mqtt://HOST[:PORT] or mqtts://HOST[:PORT]
    QString clientId;
    QString user, password;
    QString caFile, certFile, keyFile;  // mqtts: no CA file means the system's CAs
    QString statusTopic;                // "online" retained on connect, "offline" the will
    int keepAliveSeconds = 30;
    int retryMaxMs = 30000;  // back-off ceiling
};

// Host, port and whether TLS is wanted, from an mqtt:// or mqtts:// URL.
struct MqttAddress {
    QString host;
    int port = 1883;
    bool tls = false;
};
// Empty error on success.
MqttAddress ParseMqttUrl(const QString& url, QString* error);

class MqttClient : public QObject {
    Q_OBJECT
  public:
    explicit MqttClient(MqttOptions options, QObject* parent = nullptr);
    ~MqttClient() override;  // says "offline" and disconnects cleanly when connected

    // Checks the options and starts connecting; false with the reason when they are unusable.
    bool Start(QString* error);
    bool IsConnected() const { return connected_; }

    // Sent at once when connected, dropped otherwise: the owner publishes its
    // retained state again on Connected(), so nothing piles up for an absent broker.
    bool Publish(const QString& topic, const QByteArray& payload, bool retain, int qos = 0);
    // Remembered and made again on every connection.
    void Subscribe(const QString& pattern, int qos);

  Q_SIGNALS:
    void Connected();
    void Disconnected(const QString& reason);
    void MessageReceived(const QString& topic, const QByteArray& payload);

  private:
    static void OnConnect(mosquitto*, void* self, int rc);
    static void OnMessage(mosquitto*, void* self, const mosquitto_message* message);
    void Attempt();
    void AfterLoop();  // follows the socket libmosquitto holds now
    void WatchSocket(int fd);
    void ScheduleRetry();
    void Lost(const QString& reason);

    MqttOptions options_;
    MqttAddress address_;
    mosquitto* mosq_ = nullptr;
    int watchedFd_ = -1;
    QSocketNotifier* readNotifier_ = nullptr;
    QSocketNotifier* writeNotifier_ = nullptr;
    QTimer miscTimer_;   // keep-alive pings and timeouts
    QTimer retryTimer_;  // next connection attempt
    int retryMs_ = 0;
    bool connected_ = false;
    bool pendingConnect_ = false;  // a socket is open, the broker has not answered yet
    QStringList patterns_;
    QList<int> patternQos_;
};

}  // namespace kdsp::venue
