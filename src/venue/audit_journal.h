// The audit journal: one JSON line per write (time, role and token name, room,
// parameter, old and new value, result), appended and flushed at once so a killed
// service loses nothing written before, and rotated by size to NAME.1.
#pragma once

#include <QJsonObject>
#include <QString>

#include <filesystem>

namespace kdsp::venue {

struct Actor;

class AuditJournal {
  public:
    AuditJournal(std::filesystem::path path, long long maxBytes);

    // {"time","role","token","room","what","old","new","result"}; false when the line
    // could not be written (the service says so on stderr and goes on).
    bool Append(const Actor& actor, const QString& room, const QString& what, const QString& oldValue,
                const QString& newValue, const QString& result);
    const std::filesystem::path& Path() const { return path_; }

  private:
    std::filesystem::path path_;
    long long maxBytes_;
};

}  // namespace kdsp::venue
