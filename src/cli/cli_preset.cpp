// kdsp subcommands: preset show, check, export, import and diff — preset files
// read with the same checks as the window, and their images as JSON.
#include <cctype>
#include <cstdio>
#include <fstream>
#include <iostream>
#include <iterator>
#include <set>
#include <sstream>
#include <utility>
#include <vector>

#include "cli/cli.h"
#include "core/model/catalogue.h"
#include "core/model/codecs.h"
#include "core/preset/preset_file.h"
#include "core/preset/preset_library.h"

namespace kdsp::cli {
namespace {

struct LoadedPreset {
    PresetReadResult result;
    DeviceImageRows image{};  // zeros plus the file, after the load rules
};

LoadedPreset Load(const std::string& file) {
    LoadedPreset p;
    p.result = ReadPresetFile(PathFromText(file));
    if (!p.result.Ok()) {
        throw Refused(std::string(PresetMessage(*p.result.error)) + " (" + file + ": " +
                      p.result.detail + ")");
    }
    ApplyPreset(p.result, p.image);
    return p;
}

// The operating mode the image says is in use decides which parameter a slot
// of the music and output pages holds.
int ModeOf(const DeviceImageRows& image) {
    return image[PageMusic][1] == 1 ? 1 : 0;
}

int IndexAt(int page, int slot, int mode) {
    for (int i = 0; i < PageParamCount[page]; ++i) {
        if (DeviceSlot(page, i, mode) == slot)
            return i;
    }
    return -1;
}

struct SlotMeaning {
    std::string id;    // "0x0614", or "slot 0:110" for a slot no parameter uses
    std::string name;  // readable name
    int index = -1;    // parameter index on the slot's page, -1 for none
    int mode = 0;      // operating mode the index belongs to
};

std::string IdText(ParamId id) {
    char buf[8];
    std::snprintf(buf, sizeof buf, "0x%04X", static_cast<unsigned>(id));
    return buf;
}

SlotMeaning MeaningOf(int page, int slot, int mode) {
    SlotMeaning m;
    if (page == PageMusic && slot >= MirrorFirstPageSlot &&
        slot < MirrorFirstPageSlot + MirrorSlotCount) {
        m.id = "slot 0:" + std::to_string(slot);
        m.name = "copy of system word " +
                 IdText(MakeId(PageSystem, MirrorFirstSystemSlot + slot - MirrorFirstPageSlot));
        return m;
    }
    m.mode = mode;
    m.index = IndexAt(page, slot, mode);
    std::string suffix;
    if (m.index < 0) {
        m.mode = 1 - mode;
        m.index = IndexAt(page, slot, m.mode);
        suffix = m.mode == 1 ? " (dance mode)" : " (sing mode)";
    }
    if (m.index < 0) {
        m.id = "slot " + std::to_string(page) + ":" + std::to_string(slot);
        m.name = "-";
        return m;
    }
    const ParamId id = MakeId(page, m.index);
    m.id = IdText(id);
    const ParamBinding* b = FindBinding(id);
    m.name = (b ? std::string(b->name)
                : "page " + std::to_string(page) + " index " + std::to_string(m.index)) +
             suffix;
    return m;
}

// The value as the window shows it.
std::string Shown(const DeviceImageRows& image, int page, const SlotMeaning& m, int value) {
    if (m.index < 0)
        return std::to_string(value);
    const ParamId id = MakeId(page, m.index);
    const ParamBinding* b = FindBinding(id);
    if (!b)
        return std::to_string(value);
    if (!b->items.empty()) {
        return value >= 0 && static_cast<std::size_t>(value) < b->items.size()
                   ? b->items[static_cast<std::size_t>(value)]
                   : std::to_string(value);
    }
    if (b->button == ButtonKind::Choice) {
        if (const ChoiceGroupDef* g = FindChoiceGroup(id); g && value >= 0 && value < g->count) {
            return g->buttons[value];
        }
    }
    if (b->valueKind < 1)
        return std::to_string(value);
    int qMax = 100;
    if (b->valueKind == 4) {
        // A shelving band allows fewer Q steps than a peaking one.
        const BandRef r = DecodeBand(Model{}, id);
        if (r != NotEq && FieldOf(r) >= 3) {
            const int typeSlot = DeviceSlot(page, m.index - FieldOf(r), m.mode);
            if (typeSlot >= 0 && typeSlot < DeviceImageSlots && image[page][typeSlot] != 0) {
                qMax = 24;
            }
        }
    }
    return FormatValue(b->valueKind, value, qMax).text;
}

// Slots a file names, plus the system words the load copies, in page/slot order.
std::set<std::pair<int, int>> StoredSlots(const PresetReadResult& r) {
    std::set<std::pair<int, int>> slots;
    for (const auto& rec : r.records)
        slots.insert({rec.page, rec.slot});
    for (int k = 0; k < MirrorSlotCount; ++k)
        slots.insert({PageSystem, MirrorFirstSystemSlot + k});
    for (int s : {32, 33, 34})
        slots.insert({PageSystem, s});
    return slots;
}

void Show(const std::string& file) {
    const LoadedPreset p = Load(file);
    const int mode = ModeOf(p.image);
    for (const auto& [page, slot] : StoredSlots(p.result)) {
        const SlotMeaning m = MeaningOf(page, slot, mode);
        const int v = p.image[page][slot];
        std::cout << m.id << '\t' << m.name << '\t' << v << '\t' << Shown(p.image, page, m, v)
                  << '\n';
    }
}

void Check(const std::string& file) {
    const LoadedPreset p = Load(file);
    std::cout << "OK: " << p.result.records.size() << " records\n";
}

void Export(const std::string& file) {
    const LoadedPreset p = Load(file);
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

// A strict reader for exactly {"pages": [[145 integers] x 11]}: anything else is
// refused with the place where it went wrong.
class ImageJsonReader {
  public:
    explicit ImageJsonReader(std::string text) : text_(std::move(text)) {}

    DeviceImageRows Read() {
        DeviceImageRows image{};
        Expect('{');
        if (String() != "pages")
            Fail("the only key must be \"pages\"");
        Expect(':');
        Expect('[');
        for (int page = 0;; ++page) {
            if (page == PageCount)
                Fail("more than 11 pages");
            Expect('[');
            for (int s = 0;; ++s) {
                if (s == DeviceImageSlots)
                    Fail("page " + std::to_string(page) + " has more than 145 values");
                image[page][s] = Number();
                if (Next() == ']') {
                    if (s + 1 != DeviceImageSlots) {
                        Fail("page " + std::to_string(page) + " has " + std::to_string(s + 1) +
                             " values, not 145");
                    }
                    break;
                }
                Expect(',');
            }
            Expect(']');
            if (Next() == ']') {
                if (page + 1 != PageCount) {
                    Fail(std::to_string(page + 1) + " pages, not 11");
                }
                break;
            }
            Expect(',');
        }
        Expect(']');
        Expect('}');
        SkipSpace();
        if (pos_ != text_.size())
            Fail("text after the end of the object");
        return image;
    }

  private:
    [[noreturn]] void Fail(const std::string& why) {
        throw Refused("invalid image JSON at offset " + std::to_string(pos_) + ": " + why);
    }
    void SkipSpace() {
        while (pos_ < text_.size() && (text_[pos_] == ' ' || text_[pos_] == '\t' ||
                                       text_[pos_] == '\n' || text_[pos_] == '\r')) {
            ++pos_;
        }
    }
    char Next() {
        SkipSpace();
        return pos_ < text_.size() ? text_[pos_] : '\0';
    }
    void Expect(char c) {
        if (Next() != c)
            Fail(std::string("expected '") + c + "'");
        ++pos_;
    }
    std::string String() {
        Expect('"');
        std::string s;
        while (pos_ < text_.size() && text_[pos_] != '"') {
            if (text_[pos_] == '\\' || static_cast<unsigned char>(text_[pos_]) < 0x20) {
                Fail("unexpected character in the key");
            }
            s.push_back(text_[pos_++]);
        }
        Expect('"');
        return s;
    }
    int Number() {
        SkipSpace();
        const std::size_t start = pos_;
        if (pos_ < text_.size() && text_[pos_] == '-')
            ++pos_;
        const std::size_t digits = pos_;
        while (pos_ < text_.size() && std::isdigit(static_cast<unsigned char>(text_[pos_])))
            ++pos_;
        if (pos_ == digits)
            Fail("expected an integer");
        if (pos_ < text_.size() &&
            (text_[pos_] == '.' || text_[pos_] == 'e' || text_[pos_] == 'E')) {
            Fail("values must be whole numbers");
        }
        if (pos_ - digits > 1 && text_[digits] == '0')
            Fail("leading zeros are not JSON");
        const std::string n = text_.substr(start, pos_ - start);
        if (n[0] == '-' || pos_ - digits > 5 || std::stol(n) > 65535) {
            pos_ = start;
            Fail("value " + n + " is outside 0..65535");
        }
        return std::stoi(n);
    }

    std::string text_;
    std::size_t pos_ = 0;
};

void Import(const std::string& jsonFile, const std::string& out) {
    std::string text;
    if (jsonFile == "-") {
        text.assign(std::istreambuf_iterator<char>(std::cin), std::istreambuf_iterator<char>());
    } else {
        std::ifstream f(PathFromText(jsonFile), std::ios::binary);
        if (!f)
            throw Refused("cannot read " + jsonFile);
        text.assign(std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>());
    }
    Model model;
    model.DeviceImage = ImageJsonReader(std::move(text)).Read();
    try {
        WritePresetFile(PathFromText(out), model);
    } catch (const PresetWriteError& e) {
        throw Refused(e.what());
    }
}

void Diff(const std::string& a, const std::string& b) {
    const LoadedPreset pa = Load(a);
    const LoadedPreset pb = Load(b);
    const int mode = ModeOf(pa.image);
    int differences = 0;
    for (int page = 0; page < PageCount; ++page) {
        for (int slot = 0; slot < DeviceImageSlots; ++slot) {
            const int va = pa.image[page][slot];
            const int vb = pb.image[page][slot];
            if (va == vb)
                continue;
            ++differences;
            const SlotMeaning m = MeaningOf(page, slot, mode);
            std::cout << m.id << '\t' << m.name << '\t' << Shown(pa.image, page, m, va) << '\t'
                      << Shown(pb.image, page, m, vb) << '\n';
        }
    }
    if (differences == 0)
        std::cout << "no differences\n";
}

}  // namespace

void RegisterPresetCommands(CLI::App& app) {
    CLI::App* preset =
        app.add_subcommand("preset", "inspect, check, convert and compare preset files");
    preset->require_subcommand(1);

    static std::string file, other, json, out;

    CLI::App* show =
        preset->add_subcommand("show", "check a preset and list every stored parameter");
    show->add_option("FILE", file, "preset file")->required();
    show->callback([] { Show(file); });

    CLI::App* check = preset->add_subcommand("check", "check a preset file");
    check->add_option("FILE", file, "preset file")->required();
    check->callback([] { Check(file); });

    CLI::App* exp = preset->add_subcommand("export", "print the loaded device image as JSON");
    exp->add_option("FILE", file, "preset file")->required();
    exp->callback([] { Export(file); });

    CLI::App* imp = preset->add_subcommand("import", "write a preset file from image JSON");
    imp->add_option("JSON", json, "JSON file ({\"pages\": [[145 integers] x 11]}), - for stdin")
        ->required();
    imp->add_option("-o,--output", out, "preset file to write")->required();
    imp->callback([] { Import(json, out); });

    CLI::App* diff =
        preset->add_subcommand("diff", "list the parameters two presets set differently");
    diff->add_option("A", file, "first preset file")->required();
    diff->add_option("B", other, "second preset file")->required();
    diff->callback([] { Diff(file, other); });
}

}  // namespace kdsp::cli
