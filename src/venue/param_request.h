// A request to set parameters, decoded into the writes it asks for before anything
// is sent: every name known and the actor's to change, every value read and brought
// into its range (a normal volume into the maximum the processor holds), or refused
// as a whole with the first problem.
#pragma once

#include <QJsonObject>

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "venue/access.h"

namespace kdsp::venue {

struct RequestError {
    int status = 400;
    std::string code;     // "unknown_param", "forbidden", "bad_value", "out_of_range"...
    std::string message;  // English, for people
};

struct ParamWrite {
    const ParamSpec* param = nullptr;
    int value = 0;
};

struct DecodedSet {
    std::vector<ParamWrite> writes;
    std::optional<RequestError> error;
};

// `stored` gives the room's current stored value of a parameter.
DecodedSet DecodeSetRequest(const QJsonObject& values, const Actor& actor, const std::string& room,
                            bool strict, const std::function<int(const ParamSpec&)>& stored);

// The body of a request as a JSON object, or why it is not one.
std::optional<QJsonObject> ParseJsonObject(const QByteArray& body, RequestError* error);

}  // namespace kdsp::venue
