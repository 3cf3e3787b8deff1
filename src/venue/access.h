// Who may do what: the bearer tokens (256-bit random, kept as SHA-256 hashes and
// compared in constant time), the roles, and the guest controls a room's own token
// may change.
#pragma once

#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "venue/venue_file.h"

namespace kdsp {
class ParamSpec;
}

namespace kdsp::venue {

// Who asks: the token's role and name, its room for a room token, and where the
// request came from ("http", "mqtt") for the events and the journal.
struct Actor {
    Role role = Role::Room;
    std::string tokenName;
    std::string room;
    std::string source = "http";
};

// The guest controls by name (the sing copy where a parameter has two): the music,
// microphone and effects normal volumes, the echo and reverb effect levels, sing/dance.
std::span<const std::string_view> GuestParams();
// One of the guest controls, in either operating mode's copy.
bool IsGuestParam(const ParamSpec& param);
// The maximum the processor holds for a normal volume: its slot's parameter, or nullptr.
const ParamSpec* VolumeMaximum(const ParamSpec& param);

bool MaySee(const Actor& actor, std::string_view room);
bool MaySet(const Actor& actor, std::string_view room, const ParamSpec& param);
bool MayRecall(const Actor& actor, std::string_view room);
// Saving modes, uploads and backups: the installer's.
bool MayAdminister(const Actor& actor);

// A new token: 64 hex digits from the system's secure random source.
std::string NewToken();
// SHA-256 of the token as 64 lower-case hex digits.
std::string HashToken(std::string_view token);
// The token of an "Authorization: Bearer TOKEN" header ("" for none).
std::string BearerToken(std::string_view header);
// The holder of the token; every stored hash is compared, each in constant time.
std::optional<Actor> Authenticate(const VenueConfig& config, std::string_view token);

}  // namespace kdsp::venue
