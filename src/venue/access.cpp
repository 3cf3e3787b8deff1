// Roles and tokens.
#include "venue/access.h"

#include <QCryptographicHash>
#include <QRandomGenerator>

#include <array>

#include "core/model/param_table.h"

namespace kdsp::venue {

namespace {

constexpr std::array<std::string_view, 6> Guest = {
    "system.volume.music", "system.volume.mic", "system.volume.effect",
    "echo.effect.level",   "reverb.effect.level", "music.mode",
};

// The name without the dance copy's ".dance" after its first part.
std::string SingName(std::string_view name) {
    std::string n(name);
    if (const auto at = n.find(".dance."); at != std::string::npos)
        n.erase(at, 6);
    return n;
}

}  // namespace

std::span<const std::string_view> GuestParams() {
    return Guest;
}

bool IsGuestParam(const ParamSpec& param) {
    const std::string name = SingName(param.Name());
    for (std::string_view g : Guest)
        if (name == g)
            return true;
    return false;
}

const ParamSpec* VolumeMaximum(const ParamSpec& param) {
    const std::string_view n = param.Name();
    if (n != "system.volume.music" && n != "system.volume.mic" && n != "system.volume.effect")
        return nullptr;
    return FindSpec(std::string(n) + ".max");
}

bool MaySee(const Actor& actor, std::string_view room) {
    return actor.role != Role::Room || actor.room == room;
}

bool MaySet(const Actor& actor, std::string_view room, const ParamSpec& param) {
    if (actor.role == Role::Installer)
        return true;
    return MaySee(actor, room) && IsGuestParam(param);
}

bool MayRecall(const Actor& actor, std::string_view room) {
    return MaySee(actor, room);
}

bool MayAdminister(const Actor& actor) {
    return actor.role == Role::Installer;
}

std::string NewToken() {
    std::array<quint32, 8> words{};
    QRandomGenerator::system()->fillRange(words.data(), words.size());
    const QByteArray bytes(reinterpret_cast<const char*>(words.data()), sizeof words);
    return bytes.toHex().toStdString();
}

std::string HashToken(std::string_view token) {
    return QCryptographicHash::hash(QByteArrayView(token.data(), static_cast<qsizetype>(token.size())),
                                    QCryptographicHash::Sha256)
        .toHex()
        .toStdString();
}

std::string BearerToken(std::string_view header) {
    const auto trim = [](std::string_view v) {
        while (!v.empty() && (v.front() == ' ' || v.front() == '\t'))
            v.remove_prefix(1);
        while (!v.empty() && (v.back() == ' ' || v.back() == '\t'))
            v.remove_suffix(1);
        return v;
    };
    header = trim(header);
    if (header.size() < 7 || QByteArrayView(header.substr(0, 7)).compare("bearer ", Qt::CaseInsensitive) != 0)
        return {};
    return std::string(trim(header.substr(7)));
}

std::optional<Actor> Authenticate(const VenueConfig& config, std::string_view token) {
    const std::string hash = HashToken(token);
    const TokenEntry* found = nullptr;
    for (const TokenEntry& t : config.tokens) {
        // Every digit of every entry is looked at: the time taken tells nothing.
        unsigned diff = t.hash.size() == hash.size() ? 0u : 1u;
        for (std::size_t i = 0; i < hash.size() && i < t.hash.size(); ++i)
            diff |= static_cast<unsigned>(t.hash[i] ^ hash[i]);
        if (diff == 0)
            found = &t;
    }
    if (!found)
        return std::nullopt;
    return Actor{found->role, found->name, found->room, "http"};
}

}  // namespace kdsp::venue
