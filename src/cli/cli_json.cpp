// Writing the JSON of the kdsp commands.
#include "cli/cli_json.h"

#include "cli/cli_captions.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <iostream>

#include "core/model/param_text.h"

namespace kdsp::cli {
namespace {

void Escape(std::string& out, const std::string& s) {
    out += '"';
    for (const char c : s) {
        switch (c) {
            case '"':
                out += "\\\"";
                break;
            case '\\':
                out += "\\\\";
                break;
            case '\n':
                out += "\\n";
                break;
            case '\t':
                out += "\\t";
                break;
            case '\r':
                out += "\\r";
                break;
            default:
                if (static_cast<unsigned char>(c) < 0x20) {
                    char buf[8];
                    std::snprintf(buf, sizeof buf, "\\u%04x", static_cast<unsigned>(c));
                    out += buf;
                } else {
                    out += c;  // UTF-8 passes through
                }
        }
    }
    out += '"';
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
    return !std::holds_alternative<Items>(v_) && !std::holds_alternative<Members>(v_);
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
            if constexpr (std::is_same_v<T, std::nullptr_t>) {
                out += "null";
            } else if constexpr (std::is_same_v<T, bool>) {
                out += v ? "true" : "false";
            } else if constexpr (std::is_same_v<T, long long>) {
                out += std::to_string(v);
            } else if constexpr (std::is_same_v<T, double>) {
                char buf[32];
                const auto end = std::to_chars(buf, buf + sizeof buf, v).ptr;
                out += std::isfinite(v) ? std::string(buf, end) : "null";
            } else if constexpr (std::is_same_v<T, std::string>) {
                Escape(out, v);
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
                    Escape(out, v[k].first);
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
