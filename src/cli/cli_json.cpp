// Writing the JSON of the kdsp commands.
#include "cli/cli_json.h"

#include "cli/cli_captions.h"

#include <QJsonArray>
#include <QJsonDocument>

#include <iostream>

#include "core/model/param_text.h"

namespace kdsp::cli {
namespace {

// A plain value as Qt writes it.
std::string Text(const QJsonValue& v) {
    const QByteArray one = QJsonDocument(QJsonArray{v}).toJson(QJsonDocument::Compact);
    return one.mid(1, one.size() - 2).toStdString();
}

}  // namespace

JsonValue& JsonValue::Add(JsonValue item) {
    std::get<Items>(v_).push_back(std::move(item));
    return *this;
}

JsonValue& JsonValue::Set(std::string key, JsonValue value) {
    std::get<Members>(v_).emplace_back(std::move(key), std::move(value));
    return *this;
}

bool JsonValue::Scalar() const {
    return std::holds_alternative<QJsonValue>(v_);
}

bool JsonValue::Plain() const {
    // Long lists read better one entry per line, however plain they are.
    constexpr std::size_t LongList = 16;
    if (const auto* items = std::get_if<Items>(&v_)) {
        if (items->size() > LongList)
            return false;
        for (const JsonValue& i : *items)
            if (!i.Scalar())
                return false;
    } else if (const auto* members = std::get_if<Members>(&v_)) {
        if (members->size() > LongList)
            return false;
        // A list of plain values keeps an object on one line ("words": ["off", "on"]).
        for (const auto& m : *members)
            if (!m.second.Scalar() &&
                !(std::holds_alternative<Items>(m.second.v_) && m.second.Plain()))
                return false;
    }
    return true;
}

void JsonValue::Write(std::string& out, int depth) const {
    const bool oneLine = Plain();
    auto newline = [&](int d) {
        if (oneLine)
            return;
        out += '\n';
        out.append(static_cast<std::size_t>(2 * d), ' ');
    };
    std::visit(
        [&](const auto& v) {
            using T = std::decay_t<decltype(v)>;
            if constexpr (std::is_same_v<T, QJsonValue>) {
                out += Text(v);
            } else if constexpr (std::is_same_v<T, Items>) {
                out += '[';
                for (std::size_t k = 0; k < v.size(); ++k) {
                    out += k ? (oneLine ? ", " : ",") : "";
                    newline(depth + 1);
                    v[k].Write(out, depth + 1);
                }
                if (!v.empty())
                    newline(depth);
                out += ']';
            } else {
                out += '{';
                for (std::size_t k = 0; k < v.size(); ++k) {
                    out += k ? (oneLine ? ", " : ",") : "";
                    newline(depth + 1);
                    out += Text(QJsonValue(QString::fromStdString(v[k].first)));
                    out += ": ";
                    v[k].second.Write(out, depth + 1);
                }
                if (!v.empty())
                    newline(depth);
                out += '}';
            }
        },
        v_);
}

std::string JsonValue::Dump() const {
    std::string out;
    Write(out, 0);
    return out;
}

void PrintJson(const JsonValue& v) {
    std::cout << v.Dump() << "\n";
}

std::string IdText(ParamId id) {
    char buf[8];
    std::snprintf(buf, sizeof buf, "0x%04X", static_cast<unsigned>(id));
    return buf;
}

JsonValue DescribeJson(const NamedParam& p) {
    JsonValue words = JsonValue::Array();
    for (const char* w : p.words)
        words.Add(w);
    return JsonValue::Object()
        .Set("name", p.name)
        .Set("id", p.HasId() ? JsonValue(IdText(p.Id())) : JsonValue())
        .Set("page", p.page)
        .Set("index", p.HasId() ? JsonValue(p.index) : JsonValue())
        .Set("slot", p.slot)
        .Set("mode", p.mode < 0 ? JsonValue() : JsonValue(p.mode == 1 ? "dance" : "sing"))
        .Set("kind", p.kind)
        .Set("min", p.min)
        .Set("max", p.max)
        .Set("unit", std::string(p.unit))
        .Set("shown_min", ShowParam(p, p.min))
        .Set("shown_max", ShowParam(p, p.max))
        .Set("words", std::move(words))
        .Set("caption", p.caption)
        .Set("caption_en", p.caption ? JsonValue(EnglishCaption(p)) : JsonValue())
        .Set("writable", !p.Reserved());
}

JsonValue ReadingJson(const NamedParam& p, int raw) { return ReadingJson(p, raw, ShowParam(p, raw)); }

JsonValue ReadingJson(const NamedParam& p, int raw, const std::string& shown) {
    return JsonValue::Object()
        .Set("name", p.name)
        .Set("id", p.HasId() ? JsonValue(IdText(p.Id())) : JsonValue())
        .Set("page", p.page)
        .Set("slot", p.slot)
        .Set("value", raw)
        .Set("shown", shown)
        .Set("unit", std::string(p.unit));
}

}  // namespace kdsp::cli
