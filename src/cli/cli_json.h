// The JSON the kdsp commands print with --json: Qt's JSON values, laid out by a small
// ordered writer (keys stay in the order they were added, short lists on one line),
// and the shapes of parameters shared by commands.
#pragma once

#include <QJsonValue>
#include <QString>

#include <string>
#include <utility>
#include <variant>
#include <vector>

#include "core/model/param_names.h"

namespace kdsp::cli {

class JsonValue {
  public:
    JsonValue() = default;  // null
    JsonValue(bool b) : v_(QJsonValue(b)) {}
    JsonValue(int n) : v_(QJsonValue(static_cast<qint64>(n))) {}
    JsonValue(long long n) : v_(QJsonValue(static_cast<qint64>(n))) {}
    JsonValue(std::size_t n) : v_(QJsonValue(static_cast<qint64>(n))) {}
    JsonValue(double x) : v_(QJsonValue(x)) {}  // the shortest form that reads back the same
    JsonValue(const char* s) : v_(s ? QJsonValue(QString::fromUtf8(s)) : QJsonValue()) {}
    JsonValue(const std::string& s) : v_(QJsonValue(QString::fromStdString(s))) {}

    static JsonValue Array() { return JsonValue(Items{}); }
    static JsonValue Object() { return JsonValue(Members{}); }

    // Appends to an array.
    JsonValue& Add(JsonValue item);
    // Appends a member to an object.
    JsonValue& Set(std::string key, JsonValue value);

    // Short arrays of plain values, and short objects of plain values and such
    // arrays, go on one line; others are indented by two spaces per level.
    std::string Dump() const;

  private:
    using Items = std::vector<JsonValue>;
    using Members = std::vector<std::pair<std::string, JsonValue>>;
    using Value = std::variant<QJsonValue, Items, Members>;
    explicit JsonValue(Items items) : v_(std::move(items)) {}
    explicit JsonValue(Members members) : v_(std::move(members)) {}
    bool Scalar() const;
    bool Plain() const;
    void Write(std::string& out, int depth) const;

    Value v_ = QJsonValue();
};

// Prints the value and a newline on stdout.
void PrintJson(const JsonValue& v);

// "0x0614".
std::string IdText(ParamId id);

// What `kdsp params --json` lists of a parameter.
JsonValue DescribeJson(const NamedParam& p);
// A stored value of a parameter: name, id, page, slot, value, shown, unit.
JsonValue ReadingJson(const NamedParam& p, int raw);
// The same with the value shown as given ("3-Pop" for a stored mode and its name).
JsonValue ReadingJson(const NamedParam& p, int raw, const std::string& shown);

}  // namespace kdsp::cli
