// kdsp subcommands: preset show, check, export, import and diff — preset files
// read with the same checks as the window, listed by parameter name, and their
// images as JSON (raw pages, or names and shown values).
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <iterator>
#include <set>
#include <sstream>
#include <utility>
#include <vector>

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonParseError>

#include "cli/cli.h"
#include "cli/cli_json.h"
#include "cli/cli_output.h"
#include "cli/cli_preset_io.h"
#include "cli/cli_ranges.h"
#include "core/model/param_names.h"
#include "core/model/param_text.h"
#include "core/preset/atomic_file.h"
#include "core/preset/param_diff.h"
#include "core/preset/preset_file.h"
#include "core/preset/text_ops.h"
#include "core/preset/preset_library.h"

namespace kdsp::cli {
namespace {

struct LoadedPreset {
    PresetReadResult result;
    DeviceImageRows image{};  // zeros plus the file, after the load rules
};

LoadedPreset Load(const std::string& file) {
    LoadedPreset p;
    p.result = ReadPreset(file);
    ApplyPreset(p.result, p.image);
    return p;
}

// The name of a slot; a file from elsewhere may hold slots no name reaches.
std::string NameAt(int page, int slot) {
    const NamedParam* p = FindParamAt(page, slot);
    return p ? p->name : "page " + std::to_string(page) + " slot " + std::to_string(slot);
}

std::string ShownAt(int page, int slot, int value) {
    const NamedParam* p = FindParamAt(page, slot);
    return p ? ShowParam(*p, value) : std::to_string(value);
}

JsonValue SlotJson(int page, int slot, int value) {
    if (const NamedParam* p = FindParamAt(page, slot))
        return ReadingJson(*p, value);
    return JsonValue::Object()
        .Set("name", NameAt(page, slot))
        .Set("id", JsonValue())
        .Set("page", page)
        .Set("slot", slot)
        .Set("value", value)
        .Set("shown", std::to_string(value))
        .Set("unit", "");
}

// Slots a file names, plus the system words the load copies, in page/slot order.
std::set<std::pair<int, int>> StoredSlots(const PresetReadResult& r) {
    std::set<std::pair<int, int>> slots;
    for (const auto& rec : r.records)
        slots.insert({rec.page, rec.slot});
    for (int k = 0; k < MirrorSlotCount; ++k)
        slots.insert({PageSystem, MirrorFirstSystemSlot + k});
    for (int k = 0; k < NormalVolumeCount; ++k)
        slots.insert({PageSystem, NormalVolumeFirstSystemSlot + k});
    return slots;
}

void Show(const std::string& file) {
    const LoadedPreset p = Load(file);
    JsonValue list = JsonValue::Array();
    for (const auto& [page, slot] : StoredSlots(p.result)) {
        const int v = p.image[page][slot];
        if (JsonOutput)
            list.Add(SlotJson(page, slot, v));
        else
            std::cout << NameAt(page, slot) << '\t' << ShownAt(page, slot, v) << '\t' << v << '\n';
    }
    if (JsonOutput) {
        PrintJson(JsonValue::Object()
                      .Set("ok", true)
                      .Set("file", file)
                      .Set("records", p.result.records.size())
                      .Set("params", std::move(list)));
    }
}

// A file the window loads can still hold words outside their parameter's range
// (files in the field do): they are reported, as warnings unless --strict.
void Check(const std::string& file) {
    const LoadedPreset p = Load(file);
    const auto outside = ValuesOutOfRange(p.image);
    const std::string summary = std::to_string(outside.size()) +
                                (outside.size() == 1 ? " value" : " values") + " out of range";
    if (JsonOutput) {
        JsonValue list = JsonValue::Array();
        for (const OutOfRange& o : outside)
            list.Add(ReadingJson(*o.param, o.value).Set("range", RangeText(*o.param)));
        if (!Strict || outside.empty())
            PrintJson(JsonValue::Object()
                          .Set("ok", true)
                          .Set("file", file)
                          .Set("records", p.result.records.size())
                          .Set("out_of_range", std::move(list)));
    } else {
        for (const OutOfRange& o : outside)
            std::cout << "warning: " << OutOfRangeText(o) << '\n';
        if (outside.empty())
            std::cout << "OK: " << p.result.records.size() << " records\n";
        else
            std::cout << p.result.records.size() << " records, " << summary << '\n';
    }
    if (Strict && !outside.empty())
        throw Refused(file + ": " + summary);
}

// A value as the by-name form writes it: the shown text for a parameter shown
// through a conversion, as long as reading that text back gives the same stored
// value; the stored number for the others and for values outside the range.
JsonValue ByNameValue(const NamedParam& p, int value) {
    if (!p.Reserved() && (!p.words.empty() || p.kind >= 1)) {
        const std::string shown = ShowParam(p, value);
        const ParsedValue back = ParseParamValue(p, shown);
        if (back.ok && !back.clamped && back.value == value)
            return shown;
    }
    return value;
}

void Export(const std::string& file, bool byName) {
    const LoadedPreset p = Load(file);
    if (byName) {
        JsonValue params = JsonValue::Object();
        for (const NamedParam& n : NamedParams())
            params.Set(n.name, ByNameValue(n, p.image[n.page][n.slot]));
        PrintJson(params);
        return;
    }
    std::ostringstream out;
    out << "{\"pages\": [\n";
    for (int page = 0; page < PageCount; ++page) {
        out << "  [";
        for (int s = 0; s < DeviceImageSlots; ++s)
            out << (s ? ", " : "") << p.image[page][s];
        out << (page + 1 < PageCount ? "],\n" : "]\n");
    }
    out << "]}\n";
    std::cout << out.str();
}

// Exactly {"pages": [[145 integers] x 11]}: anything else is refused with what is
// wrong. Qt's reader takes 1e3 and 1.0 for whole numbers and keeps one of two equal
// keys, so the text is first checked to hold one string (the key) and no number
// with a fraction, an exponent or a sign.
DeviceImageRows ReadImageJson(const std::string& text) {
    const auto fail = [](const std::string& why) {
        throw Refused("invalid image JSON: " + why);
    };
    QJsonParseError error{};
    const QJsonDocument doc = QJsonDocument::fromJson(QByteArray::fromStdString(text), &error);
    if (error.error != QJsonParseError::NoError) {
        throw Refused("invalid image JSON at offset " + std::to_string(error.offset) + ": " +
                      error.errorString().toStdString());
    }
    int strings = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '"') {
            ++strings;
            for (++i; i < text.size() && text[i] != '"'; ++i)
                i += text[i] == '\\' ? 1 : 0;
        } else if (text[i] == '.' || text[i] == 'e' || text[i] == 'E') {
            fail("values must be whole numbers");
        } else if (text[i] == '-') {
            fail("values must be 0..65535");
        }
    }
    const QJsonObject object = doc.object();
    if (!doc.isObject() || object.size() != 1 || !object.contains("pages") ||
        !object["pages"].isArray())
        fail("the only key must be \"pages\", holding the pages");
    const QJsonArray pages = object["pages"].toArray();
    if (pages.size() != PageCount)
        fail(std::to_string(pages.size()) + " pages, not 11");
    DeviceImageRows image{};
    for (int page = 0; page < PageCount; ++page) {
        if (!pages[page].isArray())
            fail("page " + std::to_string(page) + " is not a list of values");
        const QJsonArray values = pages[page].toArray();
        if (values.size() != DeviceImageSlots)
            fail("page " + std::to_string(page) + " has " + std::to_string(values.size()) +
                 " values, not 145");
        for (int s = 0; s < DeviceImageSlots; ++s) {
            const QJsonValue v = values[s];
            if (!v.isDouble() || v.toDouble() != static_cast<double>(v.toInteger()))
                fail("page " + std::to_string(page) + " holds a value that is no whole number");
            if (v.toInteger() < 0 || v.toInteger() > 0xFFFF)
                fail("value " + std::to_string(v.toInteger()) + " is outside 0..65535");
            image[page][s] = static_cast<int>(v.toInteger());
        }
    }
    if (strings != 1)  // "pages" given twice
        fail("the only key must be \"pages\", holding the pages");
    return image;
}

std::string ReadText(const std::string& file) {
    if (file == "-")
        return {std::istreambuf_iterator<char>(std::cin), std::istreambuf_iterator<char>()};
    std::error_code ec;
    if (!std::filesystem::exists(PathFromText(file), ec))
        throw Refused("file not found: " + file);
    std::ifstream f(PathFromText(file), std::ios::binary);
    if (!f)
        throw Refused("cannot read " + file);
    return {std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>()};
}

// {"name": value, ...}: a string is read as typed into the window ("1000.0Hz"),
// a number is the stored value. Every name and value is checked before anything
// is written; names left out keep the base preset's values (or 0 without one).
DeviceImageRows ReadByName(const std::string& text, const std::string& base) {
    QJsonParseError error{};
    const QJsonDocument doc = QJsonDocument::fromJson(QByteArray::fromStdString(text), &error);
    if (error.error != QJsonParseError::NoError) {
        throw Refused("invalid JSON at offset " + std::to_string(error.offset) + ": " +
                      error.errorString().toStdString());
    }
    if (!doc.isObject())
        throw Refused("the by-name form is one object of names and values");
    DeviceImageRows image = base.empty() ? DeviceImageRows{} : Load(base).image;
    const QJsonObject object = doc.object();
    std::set<const NamedParam*> given;
    for (auto it = object.begin(); it != object.end(); ++it) {
        const std::string name = it.key().toStdString();
        const NamedParam* p = FindParam(name);
        if (!p) {
            std::string message = "unknown parameter '" + InputExcerpt(name) + "'; closest:";
            for (const std::string& c : ClosestNames(name))
                message += " " + c;
            throw Refused(message);
        }
        ParsedValue v;
        const QJsonValue value = it.value();
        if (value.isString()) {
            v = ParseParamValue(*p, value.toString().toStdString());
        } else if (value.isDouble() && value.toDouble() == std::floor(value.toDouble()) &&
                   value.toDouble() >= 0 && value.toDouble() <= 0xFFFF) {
            v = ClampParamValue(*p, static_cast<long long>(value.toDouble()));
        } else {
            v.error = "a value is a text as the window shows it or a stored number 0..65535";
        }
        if (!v.ok)
            throw Refused(name + ": " + v.error);
        AcceptClamped(*p,
                      value.isString() ? value.toString().toStdString()
                                       : "stored value " + std::to_string(value.toInteger()),
                      v);
        image[p->page][p->slot] = v.value;
        given.insert(p);
    }
    const std::size_t missing = NamedParams().size() - given.size();
    if (missing > 0 && base.empty()) {
        std::cerr << "kdsp: " << missing
                  << " parameters not in the JSON are stored as 0 (--base FILE keeps a "
                     "preset's values)\n";
    }
    return image;
}

void Import(const std::string& jsonFile, const std::string& out, bool byName,
            const std::string& base) {
    Model model;
    const std::string text = ReadText(jsonFile);
    if (byName) {
        model.DeviceImage = ReadByName(text, base);
    } else {
        // A raw image is taken word for word, except that words outside their
        // parameter's range are brought inside (or refused with --strict).
        model.DeviceImage = ReadImageJson(text);
        for (const OutOfRange& o : ValuesOutOfRange(model.DeviceImage)) {
            const NamedParam& p = *o.param;
            const ParsedValue v = ClampParamValue(p, o.value);
            AcceptClamped(p, "stored value " + std::to_string(o.value), v);
            model.DeviceImage[p.page][p.slot] = v.value;
        }
    }
    WritePreset(out, model);
}

// Like diff(1): exit status 0 when the presets are the same, 1 when they differ,
// 2 when one cannot be read.
void Diff(const std::string& a, const std::string& b) {
    LoadedPreset pa, pb;
    try {
        pa = Load(a);
        pb = Load(b);
    } catch (const Refused& e) {
        throw Refused(e.what(), 2);
    }
    JsonValue list = JsonValue::Array();
    const std::vector<ParamDifference> differences = DiffImages(pa.image, pb.image);
    for (const ParamDifference& d : differences) {
        if (JsonOutput) {
            list.Add(JsonValue::Object()
                         .Set("name", d.name)
                         .Set("id", d.param && d.param->Writable() ? JsonValue(IdText(d.param->Id()))
                                                                 : JsonValue())
                         .Set("page", d.page)
                         .Set("slot", d.slot)
                         .Set("a_value", d.a)
                         .Set("a_shown", d.shownA)
                         .Set("b_value", d.b)
                         .Set("b_shown", d.shownB)
                         .Set("unit", d.param ? std::string(d.param->Unit()) : std::string()));
        } else {
            std::cout << d.name << '\t' << d.shownA << '\t' << d.shownB << '\n';
        }
    }
    if (JsonOutput) {
        PrintJson(JsonValue::Object()
                      .Set("ok", true)
                      .Set("a", a)
                      .Set("b", b)
                      .Set("differences", std::move(list)));
    } else if (differences.empty()) {
        std::cout << "no differences\n";
    }
    ExitStatus = differences.empty() ? 0 : 1;
}

}  // namespace

void RegisterPresetCommands(CLI::App& app) {
    CLI::App* preset =
        app.add_subcommand("preset", "inspect, check, convert and compare preset files");
    preset->require_subcommand(1);

    static std::string file, other, json, out, base;
    static bool byName = false;

    CLI::App* show = preset->add_subcommand(
        "show", "check a preset and list every stored parameter: name, shown value, stored value");
    show->add_option("FILE", file, "preset file")->required();
    AddJsonFlag(show);
    show->callback([] { Show(file); });

    CLI::App* check = preset->add_subcommand(
        "check", "check a preset file, and report words outside their parameter's range");
    check->add_option("FILE", file, "preset file")->required();
    AddStrictFlag(check);
    AddJsonFlag(check);
    check->callback([] { Check(file); });

    CLI::App* exp = preset->add_subcommand("export", "print the loaded device image as JSON");
    exp->add_option("FILE", file, "preset file")->required();
    exp->add_flag("--by-name", byName,
                  "one object of parameter names and values as the window shows them");
    exp->callback([] { Export(file, byName); });

    CLI::App* imp = preset->add_subcommand("import", "write a preset file from image JSON");
    imp->add_option("JSON", json,
                    "JSON file ({\"pages\": [[145 integers] x 11]}, or names with --by-name), "
                    "- for stdin")
        ->required();
    imp->add_option("-o,--output", out, "preset file to write; - for stdout")->required();
    imp->add_flag("--by-name", byName,
                  "the JSON holds parameter names and values (shown texts or stored numbers)");
    imp->add_option("--base", base, "with --by-name: preset whose values the names left out keep");
    AddStrictFlag(imp);
    imp->callback([] {
        if (!base.empty() && !byName)
            throw Refused("--base goes with --by-name");
        CheckPresetOutput(out);
        Import(json, out, byName, base);
    });

    CLI::App* diff = preset->add_subcommand(
        "diff", "list the parameters two presets set differently (exit status 1 when they differ)");
    diff->add_option("A", file, "first preset file")->required();
    diff->add_option("B", other, "second preset file")->required();
    AddJsonFlag(diff);
    diff->callback([] { Diff(file, other); });
}

}  // namespace kdsp::cli
