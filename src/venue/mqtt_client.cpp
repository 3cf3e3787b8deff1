// libmosquitto driven from the Qt event loop (see mqtt_client.h).
#include "venue/mqtt_client.h"

#include <mosquitto.h>

#include <QDeadlineTimer>
#include <QRandomGenerator>
#include <QSocketNotifier>
#include <QUrl>
#include <mutex>

namespace kdsp::venue {

namespace {

void LibInit() {
    static std::once_flag once;
    std::call_once(once, [] { mosquitto_lib_init(); });
}

void Log(const QString& line) { qWarning("kdspd: mqtt: %s", qUtf8Printable(line)); }

}  // namespace

MqttAddress ParseMqttUrl(const QString& url, QString* error) {
    MqttAddress address;
    const QUrl parsed(url, QUrl::StrictMode);
    const QString scheme = parsed.scheme().toLower();
    if (!parsed.isValid() || (scheme != "mqtt" && scheme != "mqtts") || parsed.host().isEmpty() ||
        (!parsed.path().isEmpty() && parsed.path() != "/") || parsed.hasQuery() || !parsed.userInfo().isEmpty()) {
        *error = QStringLiteral("%1: not a broker URL (mqtt://HOST:PORT or mqtts://HOST:PORT)").arg(url);
        return address;
    }
    address.tls = scheme == "mqtts";
    address.host = parsed.host();
    address.port = parsed.port(address.tls ? 8883 : 1883);
    if (address.port <= 0) {
        *error = QStringLiteral("%1: no port").arg(url);
        return address;
    }
    error->clear();
    return address;
}

MqttClient::MqttClient(MqttOptions options, QObject* parent) : QObject(parent), options_(std::move(options)) {
    miscTimer_.setInterval(1000);
    connect(&miscTimer_, &QTimer::timeout, this, [this] {
        if (!mosq_) return;
        mosquitto_loop_misc(mosq_);
        AfterLoop();
    });
    retryTimer_.setSingleShot(true);
    connect(&retryTimer_, &QTimer::timeout, this, &MqttClient::Attempt);
}

MqttClient::~MqttClient() {
    if (!mosq_) return;
    if (connected_) {
        // A clean disconnect does not fire the will: say it ourselves, and give the
        // socket a bounded moment to carry both packets out.
        const QByteArray offline("offline");
        mosquitto_publish(mosq_, nullptr, options_.statusTopic.toUtf8().constData(), int(offline.size()),
                          offline.constData(), 1, true);
        mosquitto_disconnect(mosq_);
        QDeadlineTimer deadline(1000);
        while (mosquitto_socket(mosq_) >= 0 && mosquitto_want_write(mosq_) && !deadline.hasExpired())
            if (mosquitto_loop(mosq_, 50, 1) != MOSQ_ERR_SUCCESS) break;
    }
    delete readNotifier_;
    delete writeNotifier_;
    mosquitto_destroy(mosq_);
}

bool MqttClient::Start(QString* error) {
    address_ = ParseMqttUrl(options_.url, error);
    if (!error->isEmpty()) return false;
    if (options_.statusTopic.isEmpty() || mosquitto_pub_topic_check(options_.statusTopic.toUtf8().constData()) !=
                                              MOSQ_ERR_SUCCESS) {
        *error = QStringLiteral("%1: not a topic to publish on").arg(options_.statusTopic);
        return false;
    }
    LibInit();
    const QByteArray id = options_.clientId.toUtf8();
    mosq_ = mosquitto_new(id.isEmpty() ? nullptr : id.constData(), true, this);
    if (!mosq_) {
        *error = QStringLiteral("cannot make a broker client (client id '%1')").arg(options_.clientId);
        return false;
    }
    mosquitto_int_option(mosq_, MOSQ_OPT_PROTOCOL_VERSION, MQTT_PROTOCOL_V311);
    mosquitto_connect_callback_set(mosq_, &MqttClient::OnConnect);
    mosquitto_message_callback_set(mosq_, &MqttClient::OnMessage);
    const QByteArray status = options_.statusTopic.toUtf8();
    mosquitto_will_set(mosq_, status.constData(), 7, "offline", 1, true);
    if (!options_.user.isEmpty()) {
        const QByteArray user = options_.user.toUtf8(), password = options_.password.toUtf8();
        mosquitto_username_pw_set(mosq_, user.constData(), options_.password.isEmpty() ? nullptr : password.constData());
    }
    if (address_.tls) {
        const QByteArray ca = options_.caFile.toUtf8(), cert = options_.certFile.toUtf8(),
                         key = options_.keyFile.toUtf8();
        const int rc = mosquitto_tls_set(mosq_, ca.isEmpty() ? nullptr : ca.constData(),
                                         ca.isEmpty() ? "/etc/ssl/certs" : nullptr,
                                         cert.isEmpty() ? nullptr : cert.constData(),
                                         key.isEmpty() ? nullptr : key.constData(), nullptr);
        if (rc != MOSQ_ERR_SUCCESS) {
            *error = QStringLiteral("TLS files: %1").arg(QString::fromUtf8(mosquitto_strerror(rc)));
            return false;
        }
    } else if (!options_.certFile.isEmpty() || !options_.caFile.isEmpty()) {
        *error = QStringLiteral("certificate files need an mqtts:// URL");
        return false;
    }
    miscTimer_.start();
    Attempt();
    return true;
}

void MqttClient::Attempt() {
    if (mosquitto_socket(mosq_) >= 0) return;
    const QByteArray host = address_.host.toUtf8();
    const int rc = mosquitto_connect_async(mosq_, host.constData(), address_.port, options_.keepAliveSeconds);
    if (rc != MOSQ_ERR_SUCCESS) {
        Log(QStringLiteral("%1:%2: %3").arg(address_.host).arg(address_.port).arg(
            QString::fromUtf8(rc == MOSQ_ERR_ERRNO ? strerror(errno) : mosquitto_strerror(rc))));
        ScheduleRetry();
        return;
    }
    pendingConnect_ = true;
    AfterLoop();
}

void MqttClient::ScheduleRetry() {
    if (retryTimer_.isActive()) return;
    retryMs_ = retryMs_ == 0 ? 500 : std::min(retryMs_ * 2, options_.retryMaxMs);
    // A spread of a fifth keeps a chain's services from returning to a restarted broker all at once.
    const int spread = retryMs_ / 5;
    retryTimer_.start(retryMs_ - spread + int(QRandomGenerator::global()->bounded(2 * spread + 1)));
}

void MqttClient::WatchSocket(int fd) {
    // A notifier may be the one whose signal is running: retire it rather than delete it.
    for (QSocketNotifier* n : {readNotifier_, writeNotifier_}) {
        if (!n) continue;
        n->setEnabled(false);
        n->deleteLater();
    }
    readNotifier_ = writeNotifier_ = nullptr;
    watchedFd_ = fd;
    if (fd < 0) return;
    readNotifier_ = new QSocketNotifier(fd, QSocketNotifier::Read, this);
    connect(readNotifier_, &QSocketNotifier::activated, this, [this] {
        mosquitto_loop_read(mosq_, 1);
        AfterLoop();
    });
    writeNotifier_ = new QSocketNotifier(fd, QSocketNotifier::Write, this);
    connect(writeNotifier_, &QSocketNotifier::activated, this, [this] {
        mosquitto_loop_write(mosq_, 1);
        AfterLoop();
    });
}

void MqttClient::AfterLoop() {
    const int fd = mosquitto_socket(mosq_);
    if (fd != watchedFd_) WatchSocket(fd);
    if (fd < 0) {
        if (connected_ || pendingConnect_) Lost(QStringLiteral("connection closed"));
        return;
    }
    writeNotifier_->setEnabled(mosquitto_want_write(mosq_));
}

void MqttClient::Lost(const QString& reason) {
    const bool was = connected_;
    connected_ = pendingConnect_ = false;
    if (was) {
        Log(QStringLiteral("%1:%2: %3").arg(address_.host).arg(address_.port).arg(reason));
        Q_EMIT Disconnected(reason);
    }
    ScheduleRetry();
}

void MqttClient::OnConnect(mosquitto*, void* self, int rc) {
    auto* client = static_cast<MqttClient*>(self);
    client->pendingConnect_ = false;
    if (rc != 0) {
        Log(QStringLiteral("%1:%2 refused the connection: %3")
                .arg(client->address_.host)
                .arg(client->address_.port)
                .arg(QString::fromUtf8(mosquitto_connack_string(rc))));
        mosquitto_disconnect(client->mosq_);
        return;
    }
    client->connected_ = true;
    client->retryMs_ = 0;
    Log(QStringLiteral("connected to %1:%2").arg(client->address_.host).arg(client->address_.port));
    client->Publish(client->options_.statusTopic, "online", true, 1);
    for (qsizetype i = 0; i < client->patterns_.size(); ++i)
        mosquitto_subscribe(client->mosq_, nullptr, client->patterns_[i].toUtf8().constData(), client->patternQos_[i]);
    Q_EMIT client->Connected();
}

void MqttClient::OnMessage(mosquitto*, void* self, const mosquitto_message* message) {
    auto* client = static_cast<MqttClient*>(self);
    Q_EMIT client->MessageReceived(
        QString::fromUtf8(message->topic),
        QByteArray(static_cast<const char*>(message->payload), message->payloadlen > 0 ? message->payloadlen : 0));
}

bool MqttClient::Publish(const QString& topic, const QByteArray& payload, bool retain, int qos) {
    if (!connected_) return false;
    const int rc = mosquitto_publish(mosq_, nullptr, topic.toUtf8().constData(), int(payload.size()),
                                     payload.constData(), qos, retain);
    if (writeNotifier_) writeNotifier_->setEnabled(mosquitto_want_write(mosq_));
    return rc == MOSQ_ERR_SUCCESS;
}

void MqttClient::Subscribe(const QString& pattern, int qos) {
    patterns_.append(pattern);
    patternQos_.append(qos);
    if (connected_) mosquitto_subscribe(mosq_, nullptr, pattern.toUtf8().constData(), qos);
}

}  // namespace kdsp::venue
