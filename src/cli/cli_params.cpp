// kdsp subcommands by parameter name: params (the catalogue), get (read the
// processor, show values) and set (write values typed as in the window, or
// stored values by id).
#include <algorithm>
#include <cctype>
#include <iostream>
#include <optional>
#include <set>

#include "cli/cli_params.h"

#include "cli/cli.h"
#include "cli/cli_captions.h"
#include "cli/cli_json.h"
#include "cli/cli_number.h"
#include "cli/cli_output.h"
#include "cli/cli_ranges.h"
#include "cli/cli_session.h"
#include "core/model/operating_mode.h"
#include "core/model/param_names.h"
#include "core/model/param_text.h"
#include "core/preset/preset_library.h"
#include "core/preset/text_ops.h"
#include "core/protocol/frames.h"

namespace kdsp::cli {

namespace {

constexpr ParamId IdOperatingMode = 0x0001;  // music page word 1: 0 sing, 1 dance

bool LooksLikeId(const std::string& text) {
    return !text.empty() && std::isdigit(static_cast<unsigned char>(text[0]));
}

[[noreturn]] void UnknownName(const std::string& name) {
    std::string message = "no parameter is called '" + InputExcerpt(name) + "'";
    // The nearest spelling, the names sharing its words (by name or caption), then
    // the next spellings.
    const auto spelled = ClosestNames(name);
    std::vector<std::string> close(spelled.begin(), spelled.begin() + std::min<std::size_t>(1, spelled.size()));
    for (const auto& more : {NamesSharingWords(name, 2), spelled})
        for (const std::string& c : more)
            if (close.size() < 4 && std::find(close.begin(), close.end(), c) == close.end())
                close.push_back(c);
    if (!close.empty()) {
        message += "; closest:";
        for (const std::string& c : close)
            message += " " + c;
    }
    throw Refused(message + " (kdsp params lists them all)");
}

// ---- params --------------------------------------------------------------------

void ListParams(const std::string& pattern) {
    std::vector<const NamedParam*> found;
    if (const NamedParam* p = pattern.empty() ? nullptr : FindParam(pattern)) {
        found = {p};  // a name, or one of its aliases
    } else if (pattern.empty() || IsPattern(pattern)) {
        found = MatchParams(pattern.empty() ? "*" : pattern);
    } else {
        // Words: every name holding each of them, in its name or caption
        // ("lowpass", "echo level", "volume").
        found = MatchWords(pattern);
    }
    if (found.empty())
        UnknownName(pattern);
    if (JsonOutput) {
        JsonValue list = JsonValue::Array();
        for (const NamedParam* p : found)
            list.Add(DescribeJson(*p));
        PrintJson(list);
        return;
    }
    for (const NamedParam* p : found) {
        std::cout << p->name << '\t' << (p->HasId() ? IdText(p->Id()) : "-") << '\t' << p->page
                  << ':' << p->slot << '\t' << (p->Reserved() ? "reserved" : RangeText(*p)) << '\t'
                  << Caption(*p) << '\n';
    }
}

// ---- get -----------------------------------------------------------------------

// What a get argument asks for: named parameters, or an id whose copy depends on
// the operating mode the processor is in.
struct Wanted {
    std::vector<const NamedParam*> params;
    std::optional<ParamId> id;
};

Wanted Resolve(const std::string& arg) {
    Wanted w;
    if (const NamedParam* p = FindParam(arg)) {
        w.params.push_back(p);
    } else if (IsPattern(arg)) {
        w.params = MatchParams(arg);
        if (w.params.empty())
            throw Refused("no parameter matches '" + InputExcerpt(arg) + "'");
    } else if (LooksLikeId(arg)) {
        const auto id = static_cast<ParamId>(ParseNumber(arg, 0xFFFF, "parameter id"));
        if (!FindParamForId(id, 0) && !FindParamForId(id, 1))
            throw Refused("no stored parameter has the id " + arg);
        w.id = id;
    } else {
        UnknownName(arg);
    }
    return w;
}

void Get(const std::vector<std::string>& args, const Endpoint& ep) {
    std::vector<Wanted> wanted;
    for (const std::string& a : args)
        wanted.push_back(Resolve(a));
    // Only what is shown is read: page 0 for the operating mode, then the pages
    // (or system items) of the parameters, both operating modes' copies of an id.
    ReadPlan plan;
    plan.Add(0);
    auto add = [&plan](const NamedParam* p) {
        for (int step : ReadStepsFor(p->page, p->slot))
            plan.Add(step);
    };
    for (const Wanted& w : wanted) {
        for (const NamedParam* p : w.params)
            add(p);
        for (int mode : {0, 1})
            if (const NamedParam* p = w.id ? FindParamForId(*w.id, mode) : nullptr)
                add(p);
    }
    LinkSession s(ep);
    s.session().SetReadPlan(plan);
    std::vector<const NamedParam*> shown;
    s.Run([&](int) {
        const int mode = OperatingMode(s.model());
        std::set<const NamedParam*> seen;
        for (const Wanted& w : wanted) {
            std::vector<const NamedParam*> ps = w.params;
            if (w.id)
                if (const NamedParam* p = FindParamForId(*w.id, mode))
                    ps.push_back(p);
            for (const NamedParam* p : ps)
                if (seen.insert(p).second)
                    shown.push_back(p);
        }
        return true;
    });
    const auto& image = s.model().DeviceImage;
    auto raw = [&](const NamedParam* p) {
        return image[static_cast<std::size_t>(p->page)][static_cast<std::size_t>(p->slot)];
    };
    if (JsonOutput) {
        JsonValue list = JsonValue::Array();
        for (const NamedParam* p : shown)
            list.Add(ReadingJson(*p, raw(p), ShownValue(*p, raw(p), s.model())));
        PrintJson(JsonValue::Object()
                      .Set("ok", true)
                      .Set("mode", ModeText(OperatingMode(s.model())))
                      .Set("params", std::move(list)));
        return;
    }
    for (const NamedParam* p : shown)
        std::cout << p->name << '\t' << ShownValue(*p, raw(p), s.model()) << '\t' << raw(p) << '\n';
}

// ---- set -----------------------------------------------------------------------

PlannedWrite Plan(const std::string& key, const std::string& value, bool raw) {
    PlannedWrite w;
    w.given = value;
    if (LooksLikeId(key)) {
        // By id the value is the stored word, checked against the range of the
        // parameter the id belongs to.
        w.id = static_cast<ParamId>(ParseNumber(key, 0xFFFF, "parameter id"));
        if (PageOf(w.id) >= PageCount || IndexOf(w.id) >= ParamImageSlots)
            throw Refused("no such parameter: " + key + " (pages 0..10, indexes 0..128)",
                          PageOf(w.id) >= PageCount ? 2 : 1);
        w.value = static_cast<int>(ParseNumber(value, 0xFFFF, "value"));
        const NamedParam* p = FindParamForId(w.id, 0);
        if (p && !p->Reserved()) {
            const ParsedValue v = IsStoredMode(*p) ? RecallValue(*p, w.value) : ClampParamValue(*p, w.value);
            if (!v.ok)
                throw Refused(p->name + ": " + v.error);
            AcceptClamped(*p, "stored value " + value, v);
            w.value = v.value;
            w.clamped = v.clamped;
        }
        return w;
    }
    const NamedParam* p = FindParam(key);
    if (!p)
        UnknownName(key);
    if (p->Reserved()) {
        throw Refused(p->name + " has no known use and is not written by name" +
                      (p->HasId() ? "; its id is " + IdText(p->Id()) : std::string()));
    }
    const auto stored = [&] {
        const long long n = ParseNumber(value, 0xFFFF, "stored value");
        return IsStoredMode(*p) ? RecallValue(*p, n) : ClampParamValue(*p, n);
    };
    const ParsedValue v = raw ? stored() : ParseParamValue(*p, value);
    if (!v.ok && !raw && IsStoredMode(*p) && !LooksLikeId(value)) {
        // A stored mode by its name ("Pop", "3-Pop"): the processor holds the names.
        w.param = p;
        w.id = p->Id();
        w.modeName = value;
        return w;
    }
    if (!v.ok)
        throw Refused(p->name + ": " + v.error);
    AcceptClamped(*p, raw ? "stored value " + value : value, v);
    w.param = p;
    w.id = p->Id();
    w.value = v.value;
    w.clamped = v.clamped;
    return w;
}

void Set(const std::vector<std::string>& args, bool raw, const Endpoint& ep) {
    const std::vector<PlannedWrite> writes = PlanWrites(args, raw);
    LinkSession s(ep);
    s.session().SetReadPlan(ReadPlanFor(writes));
    SetRun run(s, writes);
    s.InterruptedText = [] {
        return std::string("interrupted: the processor may hold some of the new values");
    };
    s.Run([&](int onlineCount) {
        run.Online(onlineCount);
        return false;
    });
    auto shown = [&s](const PlannedWrite& w, int value) {
        return w.param ? ShownValue(*w.param, value, s.model()) : std::to_string(value);
    };
    if (JsonOutput) {
        JsonValue list = JsonValue::Array();
        for (const PlannedWrite& w : run.Writes()) {
            const NamedParam* p = w.param ? w.param : FindParamForId(w.id, run.modeInUse);
            JsonValue one = p && w.param ? ReadingJson(*p, w.value, shown(w, w.value))
                                         : JsonValue::Object()
                                               .Set("name", p ? JsonValue(p->name) : JsonValue())
                                               .Set("id", IdText(w.id))
                                               .Set("value", w.value);
            list.Add(one.Set("given", w.given)
                         .Set("clamped", w.clamped)
                         .Set("old_value", w.old ? JsonValue(*w.old) : JsonValue())
                         .Set("old_shown", w.old ? JsonValue(shown(w, *w.old)) : JsonValue()));
        }
        PrintJson(JsonValue::Object()
                      .Set("ok", true)
                      .Set("mode", ModeText(run.modeInUse))
                      .Set("mode_switched", run.switched)
                      .Set("writes", std::move(list)));
        return;
    }
    // NAME, then the shown value before and after ("Off -> 1000.0Hz"); by id the stored values.
    for (const PlannedWrite& w : run.Writes()) {
        std::cout << (w.param ? w.param->name : IdText(w.id)) << '\t'
                  << (w.old ? shown(w, *w.old) : "?") << " -> " << shown(w, w.value) << '\n';
    }
}

}  // namespace

const ParamSpec& SpecOf(const NamedParam& p) {
    return *SpecAt(p.page, p.slot);
}

int OperatingMode(const Model& m) {
    return ModeCopyOf(m.DeviceImage[PageMusic][1]);
}

const char* ModeText(int mode) {
    return mode == 1 ? "dance" : "sing";
}

ReadPlan ReadPlanFor(const std::vector<PlannedWrite>& writes) {
    ReadPlan plan;
    plan.Add(0);
    for (const PlannedWrite& w : writes) {
        // By id the page holds the copy of either operating mode; system items are
        // read one by one.
        const int slot = w.param ? w.param->slot : IndexOf(w.id);
        for (int step : ReadStepsFor(PageOf(w.id), slot))
            plan.Add(step);
    }
    return plan;
}

std::string ShownValue(const NamedParam& p, int raw, const Model& m) {
    if (IsStoredMode(p) && raw >= 0 && raw < StoredModeCount)
        return ModeItemText(raw + 1, m.ModeNames[static_cast<std::size_t>(raw)]);
    return ShowParam(p, raw);
}

std::vector<PlannedWrite> PlanWrites(const std::vector<std::string>& pairs, bool raw) {
    if (pairs.size() % 2 != 0)
        throw Refused("set wants pairs of NAME VALUE: '" + InputExcerpt(pairs.back()) + "' has no value", 2);
    std::vector<PlannedWrite> writes;
    for (std::size_t i = 0; i < pairs.size(); i += 2)
        writes.push_back(Plan(pairs[i], pairs[i + 1], raw));
    return writes;
}

// ---- SetRun --------------------------------------------------------------------

SetRun::SetRun(LinkRun& run, std::vector<PlannedWrite> writes)
    : s_(run), writes_(std::move(writes)) {
    Say = [](const std::string& line) { std::cerr << "kdsp: " << line << "\n"; };
}

namespace {

std::string Lowered(std::string text) {
    for (char& c : text)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

// The stored mode called `name` ("Pop", or "3-Pop" as the window lists it), letter
// case ignored; nullopt when the processor has none of that name.
std::optional<int> StoredModeNamed(const Model& m, const std::string& name) {
    const std::string wanted = Lowered(name);
    for (int k = 0; k < StoredModeCount; ++k) {
        const std::string& own = m.ModeNames[static_cast<std::size_t>(k)];
        if (!own.empty() && (Lowered(own) == wanted || Lowered(ModeItemText(k + 1, own)) == wanted))
            return k;
    }
    return std::nullopt;
}

}  // namespace

void SetRun::Online(int onlineCount) {
    if (!started_) {
        started_ = true;
        Start();
    } else if (recalled_ && onlineCount > 1) {
        // Online again after the recall's reload.
        recalled_ = false;
        WriteAll();
    }
}

void SetRun::Start() {
    const Model& m = s_.model();
    const int mode = OperatingMode(m);
    for (PlannedWrite& w : writes_) {
        if (w.modeName.empty())
            continue;
        const auto k = StoredModeNamed(m, w.modeName);
        if (!k) {
            std::string modes;
            for (int n = 0; n < StoredModeCount; ++n)
                modes += (n ? ", " : "") + ModeItemText(n + 1, m.ModeNames[static_cast<std::size_t>(n)]);
            s_.Fail(w.param->name + ": the processor has no stored mode called '" + InputExcerpt(w.modeName) +
                    "' (its modes: " + modes + "); nothing was written");
            return;
        }
        w.value = *k;
    }
    for (PlannedWrite& w : writes_) {
        const int page = PageOf(w.id);
        const int slot = w.param ? w.param->slot : DeviceSlot(page, IndexOf(w.id), mode);
        if (slot >= 0 && slot < DeviceImageSlots)
            w.old = m.DeviceImage[static_cast<std::size_t>(page)][static_cast<std::size_t>(slot)];
    }
    for (const PlannedWrite& w : writes_) {
        if (w.id != IdRecallMode)
            continue;
        if (s_.session().Recall(w.value)) {
            s_.Fail("the processor went offline before the writes");
            return;
        }
        recalled_ = true;
    }
    if (!recalled_)
        WriteAll();
}

// One write handed to the session: by name the copy named, by id the copy the id
// reaches in the operating mode in use, its stored word as given.
bool SetRun::Write(const PlannedWrite& w) {
    const NamedParam* p = w.param ? w.param : FindParamForId(w.id, modeInUse);
    if (!p) {
        s_.Fail("no stored parameter has the id " + IdText(w.id));
        return false;
    }
    const ParamSpec& target = SpecOf(*p);
    const auto failure = w.param ? s_.session().Set(target, w.value) : s_.session().SetWord(target, w.value);
    if (failure) {
        s_.Fail(p->name + (failure->code == FailureCode::NotWritable ? ": no id writes it"
                                                                     : ": the processor went offline"));
        return false;
    }
    return true;
}

void SetRun::WriteAll() {
    modeInUse = OperatingMode(s_.model());
    std::vector<const PlannedWrite*> other, last;
    for (const PlannedWrite& w : writes_) {
        if (w.id == IdRecallMode)
            continue;
        if (w.id == IdOperatingMode)
            last.push_back(&w);
        else if (w.param && w.param->mode >= 0 && w.param->mode != modeInUse)
            other.push_back(&w);
        else if (!Write(w))
            return;
    }
    if (!other.empty()) {
        const int otherMode = 1 - modeInUse;
        Say(std::string("the processor is in ") + ModeText(modeInUse) + " mode: " +
            ModeText(otherMode) + " copies are written in " + ModeText(otherMode) + " mode, then " +
            ModeText(modeInUse) + " mode is back");
        switched = true;
    }
    for (const auto* list : {&other, &last})
        for (const PlannedWrite* w : *list)
            if (!Write(*w))
                return;
    s_.WhenWritesDone([this] { s_.Disconnect(0); });
}

void RegisterParamCommands(CLI::App& app) {
    static std::string pattern;
    auto* params = app.add_subcommand("params", "list the parameters by name");
    params->add_option("PATTERN", pattern,
                       "parameters to list: words their names or captions contain (\"echo level\"), "
                       "or a name pattern with * and ?");
    params->add_option("--lang", CaptionLanguage, "language of the captions: en (default) or zh")
        ->check(CLI::IsMember({"en", "zh"}));
    AddJsonFlag(params);
    params->callback([] { ListParams(pattern); });

    static Endpoint getEp;
    static std::vector<std::string> getArgs;
    auto* get = app.add_subcommand("get", "read the processor and show parameters by name");
    get->add_option("NAME", getArgs, "parameter names, patterns with * and ?, or ids")->required();
    AddEndpointOptions(get, getEp);
    AddFastOption(get, getEp.fast);
    AddJsonFlag(get);
    get->callback([] { Get(getArgs, getEp); });

    static Endpoint setEp;
    static std::vector<std::string> setArgs;
    static bool setRaw = false;
    auto* set = app.add_subcommand(
        "set", "write parameters: NAME VALUE [NAME VALUE ...] (or ID STORED-VALUE)");
    set->add_option("pairs", setArgs,
                    "name and value as typed in the window (1000Hz, -3.5dB, Off, stereo), "
                    "or a parameter id (0x0614 or 1556) and its stored value, repeated")
        ->required();
    set->add_flag("--raw", setRaw, "values given by name are stored values, not shown ones");
    AddStrictFlag(set);
    AddEndpointOptions(set, setEp);
    AddFastOption(set, setEp.fast);
    AddJsonFlag(set);
    set->callback([] { Set(setArgs, setRaw, setEp); });
}

}  // namespace kdsp::cli
