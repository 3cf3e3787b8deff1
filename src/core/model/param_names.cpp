// The catalogue by name. Every parameter's id (param_facts.h) is followed through
// the variant selectors and both operating modes to the slots it reaches; each
// slot reached gets the parameter's name under the page of that copy. Slots a
// preset holds that no id of a parameter reaches are listed as reserved.
#include "core/model/param_names.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <deque>
#include <map>
#include <set>

#include "core/model/codecs.h"
#include "core/model/eq_layout.h"
#include "core/model/value_kinds.h"
#include "core/preset/preset_file.h"

namespace kdsp {
namespace {

constexpr std::array<const char*, PageCount> PagePrefix = {
    "music", "mic_a", "deq", "mic_b", "echo", "reverb", "main", "aux1", "aux2", "rear", "system"};

// The pages whose EQ bypass the toolbar's "EQ pass" button edits; it is tagged
// for the page shown with the index just before the page's first band.
constexpr int BypassPages[] = {PageMusic, PageMic, PageEcho, PageMain, PageAux1};

std::string LowerName(std::string_view s) {
    std::string out(s);
    for (char& c : out)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return out;
}

// The slots a microphone group B selection leaves on page 1 are common to both groups.
std::string PrefixOf(int page, int index) {
    static const Model groupB = [] {
        Model m;
        m.MicBandMode = 1;
        return m;
    }();
    if (page == PageMic && index >= 0) {
        if (PageOf(StorageId(groupB, MakeId(page, index))) == PageMic)
            return "mic";
    }
    return PagePrefix[static_cast<std::size_t>(page)];
}

std::string_view UnitOf(int kind) {
    const std::optional<ValueKind> k = KindFromNumber(kind);
    return k ? SpecOf(*k).unit : std::string_view();
}

void Describe(NamedParam& n, const ParamFact& f) {
    n.fact = &f;
    n.kind = f.valueKind;
    n.caption = f.caption;
    n.words = f.words;
    n.unit = UnitOf(f.valueKind);
    n.min = 0;
    if (const int top = FactMax(f); top >= 0)
        n.max = top;
    const BandRef band = DecodeBand(Model{}, f.id);
    // The shelving band's Q slot is only ever used by a shelving band.
    if (n.words.empty() && f.valueKind == 4 && band != NotEq && FieldOf(band) == 4)
        n.max = 24;
    n.bandParam = f.valueKind >= 1 && f.valueKind <= 4 && band != NotEq;
}

struct NameIndex {
    std::vector<NamedParam> params;
    std::deque<ParamFact> extra;  // the toolbar bypass of pages without one of their own
    std::map<std::string, std::size_t, std::less<>> byName;
    std::array<std::array<int, DeviceImageSlots>, PageCount> bySlot{};
    Model selectors;  // tried in every combination while the names are made

    NameIndex() {
        for (auto& row : bySlot)
            row.fill(-1);
        for (const ParamFact& f : ParamFacts())
            AddCopies(f);
        // The toolbar's bypass button edits the music page's bypass and is re-tagged
        // for the EQ page shown, so the other pages' bypass words are the same parameter.
        const ParamFact* toolbar = FindFact(MakeId(PageMusic, FirstEqIndex[PageMusic] - 1));
        for (int page : BypassPages) {
            const ParamId id = MakeId(page, FirstEqIndex[static_cast<std::size_t>(page)] - 1);
            if (!toolbar || FindFact(id))
                continue;
            extra.push_back(*toolbar);
            extra.back().id = id;
            AddCopies(extra.back());
        }
        AddReserved();
        std::sort(params.begin(), params.end(), [](const NamedParam& x, const NamedParam& y) {
            return x.page != y.page ? x.page < y.page : x.slot < y.slot;
        });
        for (std::size_t k = 0; k < params.size(); ++k) {
            byName.emplace(params[k].name, k);
            bySlot[static_cast<std::size_t>(params[k].page)]
                  [static_cast<std::size_t>(params[k].slot)] = static_cast<int>(k);
        }
    }

    bool Taken(int page, int slot) const {
        return bySlot[static_cast<std::size_t>(page)][static_cast<std::size_t>(slot)] >= 0;
    }

    void Add(NamedParam n) {
        if (n.page < 0 || n.page >= PageCount || n.slot < 0 || n.slot >= DeviceImageSlots ||
            Taken(n.page, n.slot))
            return;
        bySlot[static_cast<std::size_t>(n.page)][static_cast<std::size_t>(n.slot)] =
            static_cast<int>(params.size());
        params.push_back(std::move(n));
    }

    // Every stored copy the parameter's id reaches under some choice of selectors.
    void AddCopies(const ParamFact& f) {
        std::set<ParamId> targets;
        Model& m = selectors;
        for (int micB : {0, 1})
            for (int main : {PageMain, PageRear})
                for (int aux : {PageAux1, PageAux2})
                    for (int effect : {PageEcho, PageReverb}) {
                        m.MicBandMode = micB;
                        m.MainVariant = main;
                        m.AuxVariant = aux;
                        m.EffectEqVariant = effect;
                        targets.insert(StorageId(m, f.id));
                    }
        for (ParamId t : targets) {
            const int page = PageOf(t), index = IndexOf(t);
            const int sing = DeviceSlot(page, index, 0), dance = DeviceSlot(page, index, 1);
            for (int mode : sing == dance ? std::vector<int>{-1} : std::vector<int>{0, 1}) {
                NamedParam n;
                n.name = PrefixOf(page, index) + (mode == 1 ? ".dance." : ".") + f.name;
                n.page = page;
                n.index = index;
                n.mode = mode;
                n.slot = mode == 1 ? dance : sing;
                Describe(n, f);
                Add(std::move(n));
            }
        }
    }

    // The slots a preset holds that no parameter reaches keep a name, so nothing
    // read or stored is anonymous.
    void AddReserved() {
        for (int page = 0; page < PageCount; ++page) {
            for (int slot = 0; slot <= PresetSlotCounts[static_cast<std::size_t>(page)]; ++slot) {
                if (Taken(page, slot))
                    continue;
                NamedParam n;
                n.page = page;
                n.slot = slot;
                for (int i = 0; i < PageParamCount[static_cast<std::size_t>(page)]; ++i) {
                    const int sing = DeviceSlot(page, i, 0), dance = DeviceSlot(page, i, 1);
                    if (sing == slot || dance == slot) {
                        n.index = i;
                        n.mode = sing == dance ? -1 : (sing == slot ? 0 : 1);
                        break;
                    }
                }
                const std::string prefix = PrefixOf(page, n.index);
                if (page == PageMusic && slot >= MirrorFirstPageSlot &&
                    slot < MirrorFirstPageSlot + MirrorSlotCount) {
                    // Written from the system page by every save, copied back by every load.
                    const ParamFact* source = FindFact(
                        MakeId(PageSystem, MirrorFirstSystemSlot + slot - MirrorFirstPageSlot));
                    n.name = prefix + ".copy." + (source ? source->name : std::to_string(slot));
                } else {
                    n.name = prefix + (n.mode == 1 ? ".dance" : "") + ".reserved." +
                             std::to_string(n.index >= 0 ? n.index : slot);
                }
                Add(std::move(n));
            }
        }
    }
};

const NameIndex& TheNameIndex() {
    static const NameIndex store;
    return store;
}

bool GlobMatch(std::string_view pattern, std::string_view text) {
    std::size_t p = 0, t = 0, star = std::string_view::npos, resume = 0;
    while (t < text.size()) {
        if (p < pattern.size() && (pattern[p] == '?' || pattern[p] == text[t])) {
            ++p;
            ++t;
        } else if (p < pattern.size() && pattern[p] == '*') {
            star = p++;
            resume = t;
        } else if (star != std::string_view::npos) {
            p = star + 1;
            t = ++resume;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == '*')
        ++p;
    return p == pattern.size();
}

// Edit distance from `typed` to the whole of `name` and to its closest prefix,
// so a name cut short ("main.lowpass.freq") still finds its full form.
struct Distance {
    std::size_t prefix;
    std::size_t whole;
};

Distance EditDistance(std::string_view typed, std::string_view name) {
    std::vector<std::size_t> row(name.size() + 1);
    for (std::size_t j = 0; j <= name.size(); ++j)
        row[j] = j;
    for (std::size_t i = 1; i <= typed.size(); ++i) {
        std::size_t diagonal = row[0];
        row[0] = i;
        for (std::size_t j = 1; j <= name.size(); ++j) {
            const std::size_t above = row[j];
            row[j] = std::min(
                {row[j] + 1, row[j - 1] + 1, diagonal + (typed[i - 1] != name[j - 1] ? 1u : 0u)});
            diagonal = above;
        }
    }
    return {*std::min_element(row.begin(), row.end()), row.back()};
}

}  // namespace

std::span<const NamedParam> NamedParams() {
    return TheNameIndex().params;
}

const NamedParam* FindParam(std::string_view name) {
    const NameIndex& s = TheNameIndex();
    std::string lower = LowerName(name);
    auto it = s.byName.find(lower);
    if (it == s.byName.end()) {
        // The bands of an EQ are found with or without the "eq." the EQ's bypass
        // carries: "music.eq.band3.gain" is music.band3.gain, "echo.band1.gain" is
        // echo.eq.band1.gain.
        if (const auto at = lower.find(".eq.band"); at != std::string::npos)
            lower.erase(at + 1, 3);
        else if (const auto band = lower.find(".band"); band != std::string::npos)
            lower.insert(band + 1, "eq.");
        it = s.byName.find(lower);
    }
    return it == s.byName.end() ? nullptr : &s.params[it->second];
}

const NamedParam* FindParamAt(int page, int slot) {
    if (page < 0 || page >= PageCount || slot < 0 || slot >= DeviceImageSlots)
        return nullptr;
    const int k = TheNameIndex().bySlot[static_cast<std::size_t>(page)][static_cast<std::size_t>(slot)];
    return k < 0 ? nullptr : &TheNameIndex().params[static_cast<std::size_t>(k)];
}

const NamedParam* FindParamForId(ParamId id, int mode) {
    return FindParamAt(PageOf(id), DeviceSlot(PageOf(id), IndexOf(id), mode));
}

bool IsPattern(std::string_view text) {
    return text.find_first_of("*?") != std::string_view::npos;
}

std::vector<const NamedParam*> MatchParams(std::string_view pattern) {
    const std::string p = LowerName(pattern);
    std::vector<const NamedParam*> out;
    for (const NamedParam& n : TheNameIndex().params)
        if (GlobMatch(p, n.name))
            out.push_back(&n);
    return out;
}

std::vector<std::string> ClosestNames(std::string_view name, std::size_t count) {
    const std::string typed = LowerName(name);
    struct Scored {
        std::size_t prefix, whole;
        const std::string* name;
    };
    std::vector<Scored> scored;
    for (const NamedParam& n : TheNameIndex().params) {
        Distance d = EditDistance(typed, n.name);
        // A name that holds what was typed is as near as a name it begins.
        if (!typed.empty() && n.name.find(typed) != std::string::npos)
            d.prefix = 0;
        scored.push_back({d.prefix, d.whole, &n.name});
    }
    std::stable_sort(scored.begin(), scored.end(), [](const Scored& x, const Scored& y) {
        return x.prefix != y.prefix ? x.prefix < y.prefix : x.whole < y.whole;
    });
    std::vector<std::string> out;
    for (std::size_t k = 0; k < scored.size() && out.size() < count; ++k)
        out.push_back(*scored[k].name);
    return out;
}

}  // namespace kdsp
