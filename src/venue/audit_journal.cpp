// Appending to the audit journal.
#include "venue/audit_journal.h"

#include <QDateTime>
#include <QFile>
#include <QJsonDocument>

#include <system_error>

#include "venue/access.h"

namespace kdsp::venue {

AuditJournal::AuditJournal(std::filesystem::path path, long long maxBytes)
    : path_(std::move(path)), maxBytes_(maxBytes) {}

bool AuditJournal::Append(const Actor& actor, const QString& room, const QString& what,
                          const QString& oldValue, const QString& newValue, const QString& result) {
    const QJsonObject line{
        {"time", QDateTime::currentDateTimeUtc().toString(Qt::ISODateWithMs)},
        {"role", QString::fromUtf8(ToString(actor.role).data(), static_cast<qsizetype>(ToString(actor.role).size()))},
        {"token", QString::fromStdString(actor.tokenName)},
        {"source", QString::fromStdString(actor.source)},
        {"room", room},
        {"what", what},
        {"old", oldValue},
        {"new", newValue},
        {"result", result},
    };
    const QByteArray bytes = QJsonDocument(line).toJson(QJsonDocument::Compact) + '\n';
    std::error_code ec;
    const auto size = std::filesystem::file_size(path_, ec);
    if (!ec && static_cast<long long>(size + static_cast<std::uintmax_t>(bytes.size())) > maxBytes_) {
        std::filesystem::path older = path_;
        older += ".1";
        std::filesystem::rename(path_, older, ec);
    }
    QFile file(QString::fromStdString(path_.string()));
    if (!file.open(QIODevice::WriteOnly | QIODevice::Append))
        return false;
    const bool ok = file.write(bytes) == bytes.size() && file.flush();
    return ok;
}

}  // namespace kdsp::venue
