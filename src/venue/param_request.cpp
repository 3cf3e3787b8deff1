// Decoding a set request.
#include "venue/param_request.h"

#include <QJsonDocument>
#include <QJsonParseError>

#include <cmath>

#include "core/model/param_table.h"
#include "core/model/param_text.h"

namespace kdsp::venue {

namespace {

RequestError Error(int status, std::string code, std::string message) {
    return RequestError{status, std::move(code), std::move(message)};
}

}  // namespace

std::optional<QJsonObject> ParseJsonObject(const QByteArray& body, RequestError* error) {
    QJsonParseError parse{};
    const QJsonDocument doc = QJsonDocument::fromJson(body, &parse);
    if (parse.error != QJsonParseError::NoError) {
        *error = Error(400, "bad_json", "the body is not JSON: " + parse.errorString().toStdString() +
                                            " at byte " + std::to_string(parse.offset));
        return std::nullopt;
    }
    if (!doc.isObject()) {
        *error = Error(400, "bad_json", "the body must be a JSON object");
        return std::nullopt;
    }
    return doc.object();
}

DecodedSet DecodeSetRequest(const QJsonObject& values, const Actor& actor, const std::string& room,
                            bool strict, const std::function<int(const ParamSpec&)>& stored) {
    DecodedSet out;
    if (values.isEmpty()) {
        out.error = Error(400, "bad_request", "no parameter to set");
        return out;
    }
    for (auto it = values.begin(); it != values.end(); ++it) {
        const std::string name = it.key().toStdString();
        const ParamSpec* p = FindSpec(name);
        if (!p) {
            out.error = Error(400, "unknown_param", "no parameter named '" + name + "'");
            return out;
        }
        if (!MaySet(actor, room, *p)) {
            out.error = Error(403, "forbidden", "this token may not change " + std::string(p->Name()));
            return out;
        }
        if (IsStoredMode(p->Named())) {
            out.error = Error(400, "not_writable", std::string(p->Name()) +
                                                      " is recalled through POST /api/v1/rooms/" + room + "/mode");
            return out;
        }
        if (!p->Writable() || p->Reserved()) {
            out.error = Error(400, "not_writable", std::string(p->Name()) + " cannot be written by name");
            return out;
        }
        ParsedValue v;
        const QJsonValue& given = it.value();
        if (given.isString()) {
            v = p->Parse(given.toString().toStdString());
        } else if (given.isDouble()) {
            const double d = given.toDouble();
            if (!std::isfinite(d) || d != std::floor(d) || std::fabs(d) > 1e15) {
                out.error = Error(400, "bad_value", name + ": a stored value is a whole number");
                return out;
            }
            v = p->Clamp(static_cast<long long>(d));
        } else {
            out.error = Error(400, "bad_value", name + ": give a stored value (number) or a value as text");
            return out;
        }
        if (!v.ok) {
            out.error = Error(400, "bad_value", name + ": " + v.error);
            return out;
        }
        // The normal volumes stay within the maximum the processor holds.
        if (const ParamSpec* max = VolumeMaximum(*p); max && v.value > stored(*max)) {
            v.value = stored(*max);
            v.clamped = true;
        }
        if (v.clamped && strict) {
            out.error = Error(400, "out_of_range", name + ": outside its range (strict)");
            return out;
        }
        out.writes.push_back({p, v.value});
    }
    return out;
}

}  // namespace kdsp::venue
