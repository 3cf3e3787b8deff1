// Reading the certificate and key, and the handshake that shows they pair.
#include "venue/server_tls.h"

#include <QEventLoop>
#include <QFile>
#include <QSslCertificate>
#include <QSslKey>
#include <QSslServer>
#include <QSslSocket>
#include <QTimer>

#include "venue/venue_file.h"

namespace kdsp::venue {

namespace {

std::optional<QByteArray> ReadAll(const std::string& key, const std::string& path,
                                  std::string* error) {
    QFile file(QString::fromStdString(path));
    if (!file.open(QIODevice::ReadOnly)) {
        *error = key + ": cannot read " + path + " (" + file.errorString().toStdString() + ")";
        return std::nullopt;
    }
    return file.readAll();
}

// Qt has no call that pairs a private key with a certificate; its TLS backend checks
// them when a server connection starts encrypting. So one handshake on loopback, with
// exactly the configuration the service will serve with, shows whether they pair.
bool Handshake(const QSslConfiguration& config, const std::string& cert, const std::string& key,
               std::string* error) {
    QSslServer server;
    server.setSslConfiguration(config);
    if (!server.listen(QHostAddress::LocalHost, 0)) {
        *error =
            "cannot try tls.cert and tls.key on loopback: " + server.errorString().toStdString();
        return false;
    }
    QEventLoop loop;
    QString why;
    QObject::connect(&server, &QSslServer::errorOccurred, &loop, [&](QSslSocket* socket) {
        why = socket->errorString();
        loop.quit();
    });
    QSslSocket client;
    client.setPeerVerifyMode(QSslSocket::VerifyNone);  // whether clients trust it is theirs to say
    bool encrypted = false, failed = false;
    QObject::connect(&client, &QSslSocket::encrypted, &loop, [&] {
        encrypted = true;
        loop.quit();
    });
    QObject::connect(&client, &QSslSocket::errorOccurred, &loop, [&] {
        failed = true;
        // The server's reason says more; it may come just after.
        QTimer::singleShot(200, &loop, &QEventLoop::quit);
    });
    QTimer::singleShot(5000, &loop, &QEventLoop::quit);
    client.connectToHostEncrypted("127.0.0.1", server.serverPort());
    loop.exec();
    client.abort();
    if (encrypted)
        return true;
    if (!failed && why.isEmpty()) {
        *error = "tls.cert and tls.key: no TLS handshake on loopback within 5 s";
        return false;
    }
    // Qt words a key that is not the certificate's as "Unable to init SSL Context: ".
    while (why.endsWith(' ') || why.endsWith(':'))
        why.chop(1);
    *error = "tls.key: " + key + " is not the private key of tls.cert " + cert +
             (why.isEmpty() ? std::string() : " (" + why.toStdString() + ")");
    return false;
}

}  // namespace

std::optional<QSslConfiguration> ServerTls(const VenueConfig& c, std::string* error) {
    const auto certBytes = ReadAll("tls.cert", c.tlsCert, error);
    if (!certBytes)
        return std::nullopt;
    const auto keyBytes = ReadAll("tls.key", c.tlsKey, error);
    if (!keyBytes)
        return std::nullopt;
    // The server's certificate first, then any that lead to an authority clients trust.
    const QList<QSslCertificate> chain = QSslCertificate::fromData(*certBytes, QSsl::Pem);
    if (chain.isEmpty() || chain.front().isNull()) {
        *error = "tls.cert: " + c.tlsCert + " holds no PEM certificate";
        return std::nullopt;
    }
    QSslKey key(*keyBytes, QSsl::Rsa, QSsl::Pem);
    if (key.isNull())
        key = QSslKey(*keyBytes, QSsl::Ec, QSsl::Pem);
    if (key.isNull()) {
        *error = "tls.key: " + c.tlsKey + " holds no unencrypted PEM RSA or EC private key";
        return std::nullopt;
    }
    QSslConfiguration config = QSslConfiguration::defaultConfiguration();
    config.setLocalCertificateChain(chain);
    config.setPrivateKey(key);
    if (!Handshake(config, c.tlsCert, c.tlsKey, error))
        return std::nullopt;
    return config;
}

}  // namespace kdsp::venue
