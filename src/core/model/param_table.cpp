// The parameter table, one row per named slot of the catalogue by name; kinds and
// their ranges come from value_kinds.h.
#include "core/model/param_table.h"

#include <vector>

#include "core/model/param_names.h"

namespace kdsp {
namespace {

Copy CopyOf(int mode) {
    if (mode == 0)
        return Copy::Sing;
    return mode == 1 ? Copy::Dance : Copy::Shared;
}

const std::vector<ParamSpec>& Rows() {
    static const std::vector<ParamSpec> rows = [] {
        std::vector<ParamSpec> out;
        for (const NamedParam& n : NamedParams())
            out.emplace_back(n);
        return out;
    }();
    return rows;
}

}  // namespace

ParamSpec::ParamSpec(const NamedParam& named)
    : named_(&named), copy_(CopyOf(named.mode)), kind_(KindFromNumber(named.kind)) {}

std::string_view ParamSpec::Name() const {
    return named_->name;
}
int ParamSpec::Page() const {
    return named_->page;
}
int ParamSpec::Slot() const {
    return named_->slot;
}
int ParamSpec::Mode() const {
    return named_->mode;
}
bool ParamSpec::Writable() const {
    return named_->HasId();
}
ParamId ParamSpec::Id() const {
    return named_->Id();
}
bool ParamSpec::Reserved() const {
    return named_->Reserved();
}
bool ParamSpec::BandWord() const {
    return named_->bandParam;
}
int ParamSpec::Min() const {
    return named_->min;
}
int ParamSpec::Max() const {
    return named_->max;
}
std::string_view ParamSpec::Unit() const {
    return named_->unit;
}
std::span<const char* const> ParamSpec::Words() const {
    return named_->words;
}

double ParamSpec::Step() const {
    if (!named_->words.empty() || !kind_)
        return 1;
    return SpecOf(*kind_).step;
}

std::string ParamSpec::Show(int stored) const {
    return ShowParam(*named_, stored);
}
ParsedValue ParamSpec::Parse(std::string_view text) const {
    return ParseParamValue(*named_, text);
}
ParsedValue ParamSpec::Clamp(long long stored) const {
    return ClampParamValue(*named_, stored);
}

std::span<const ParamSpec> ParamTable() {
    return Rows();
}

const ParamSpec* FindSpec(std::string_view name) {
    const NamedParam* n = FindParam(name);
    return n ? SpecAt(n->page, n->slot) : nullptr;
}

const ParamSpec* SpecAt(int page, int slot) {
    const NamedParam* n = FindParamAt(page, slot);
    if (!n)
        return nullptr;
    // The table keeps the catalogue's order, so a row sits where its named slot does.
    const std::size_t k = static_cast<std::size_t>(n - NamedParams().data());
    return k < Rows().size() ? &Rows()[k] : nullptr;
}

}  // namespace kdsp
