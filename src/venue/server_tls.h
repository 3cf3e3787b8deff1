// The service's TLS: the certificate and key the venue file names, read and shown to
// belong together before anything is served, so a wrong file stops `kdspd check` and
// the start with its reason instead of failing every connection later.
#pragma once

#include <QSslConfiguration>

#include <optional>
#include <string>

namespace kdsp::venue {

struct VenueConfig;

// The server's TLS configuration from tls.cert and tls.key; nullopt with the reason in
// one line when they cannot serve. Runs the event loop briefly (a QCoreApplication is needed).
std::optional<QSslConfiguration> ServerTls(const VenueConfig& config, std::string* error);

}  // namespace kdsp::venue
