// Stored edits: located by the copy they reach, applied again through the change
// path with the views set so that the write reaches exactly that copy.
#include "app/editing/stored_edit.h"

#include <QStringList>

#include "app/editing/change_path.h"
#include "app/editing/page_refresh.h"
#include "app/i18n/language.h"
#include "app/state/app_context.h"
#include "core/model/codecs.h"
#include "core/model/eq_layout.h"
#include "core/model/operating_mode.h"
#include "core/model/param_facts.h"
#include "core/model/param_names.h"
#include "core/model/param_text.h"

namespace kdsp {

namespace {

bool InImage(int page, int index) {
    return page >= 0 && page < PageCount && index >= 0 && index < ParamImageSlots;
}

// The page whose controls show a stored copy.
int ShownPageOf(int page) {
    switch (page) {
        case PageMic9: return PageMic;
        case PageReverb: return PageEcho;
        case PageRear: return PageMain;
        case PageAux2: return PageAux1;
        default: return page;
    }
}

// The window's views and mode, set for one write and put back after it.
struct Views {
    explicit Views(Model& m)
        : model(m), mic(m.MicBandMode), main(m.MainVariant), aux(m.AuxVariant), effect(m.EffectEqVariant),
          mode(m.ModeFlag) {}
    ~Views() {
        model.MicBandMode = mic;
        model.MainVariant = main;
        model.AuxVariant = aux;
        model.EffectEqVariant = effect;
        model.ModeFlag = mode;
    }
    // The views that make the edit's own page the one its ids are stored in.
    void ShowCopyOf(const StoredEdit& e) {
        model.MicBandMode = e.page == PageMic9 ? 1 : 0;
        if (e.page == PageMain || e.page == PageRear) model.MainVariant = e.page;
        if (e.page == PageAux1 || e.page == PageAux2) model.AuxVariant = e.page;
        if (e.page == PageEcho || e.page == PageReverb) model.EffectEqVariant = e.page;
        model.ModeFlag = e.mode;
    }
    Model& model;
    int mic, main, aux, effect, mode;
};

}  // namespace

int StoredEdit::FieldIndex(int k) const {
    if (band < 0 || page < 0 || page > PageRear) return index;
    return BandParamIndex(FirstEqIndex[static_cast<std::size_t>(page)], band, k);
}

bool StoredEdit::PerMode() const { return DeviceSlot(page, index, 0) != DeviceSlot(page, index, 1); }

bool StoredEdit::SameWords(const StoredEdit& other) const {
    if (page != other.page || index != other.index || band != other.band) return false;
    return mode == other.mode || !PerMode();
}

StoredEdit LocateEdit(const Model& model, ParamId id, bool band) {
    const ParamId s = StorageId(model, id);
    StoredEdit e;
    e.page = PageOf(s);
    e.index = IndexOf(s);
    e.mode = ModeCopyOf(model.ModeFlag);
    if (band && e.page <= PageRear) {
        // The band frame the link sends for this id.
        const BandRef r = DecodeBand(model, s);
        e.band = r == NotEq ? 0 : BandOf(r);
        e.index = e.FieldIndex(0);
    }
    return e;
}

StoredValues ValuesIn(const DeviceImageRows& image, const StoredEdit& edit) {
    StoredValues v{};
    for (int k = 0; k < edit.FieldCount(); ++k) {
        const int i = edit.FieldIndex(k);
        if (!InImage(edit.page, i)) continue;
        const int slot = DeviceSlot(edit.page, i, edit.mode);
        if (slot >= 0 && slot < DeviceImageSlots)
            v[static_cast<std::size_t>(k)] =
                image[static_cast<std::size_t>(edit.page)][static_cast<std::size_t>(slot)];
    }
    return v;
}

void ApplyStoredValues(AppContext& app, const StoredEdit& edit, const StoredValues& values, bool send) {
    if (!InImage(edit.page, edit.FieldIndex(0))) return;
    Model& m = app.model();
    Views views(m);
    views.ShowCopyOf(edit);
    // A send stores its first field itself; a band goes as one frame built from
    // every stored field.
    for (int k = send ? 1 : 0; k < edit.FieldCount(); ++k)
        if (InImage(edit.page, edit.FieldIndex(k)))
            StoreValue(m, MakeId(edit.page, edit.FieldIndex(k)), values[static_cast<std::size_t>(k)]);
    const ParamId first = MakeId(edit.page, edit.FieldIndex(0));
    if (send && edit.band >= 0)
        SendBandParam(app, first, values[0]);
    else if (send)
        SendParam(app, first, values[0]);
    // The sing/dance switch itself decides which copies the window shows from now on.
    if (edit.band < 0 && edit.page == PageMusic && edit.index == 1) views.mode = ModeCopyOf(values[0]);
}

void ShowStoredEdits(AppContext& app, const std::vector<StoredEdit>& edits, bool after) {
    RefreshPages(app, 20);
    if (edits.empty()) return;
    // The graph redraws the band (or filter) put back last (undo goes backwards), as
    // after an edit.
    const StoredEdit& last = after ? edits.back() : edits.front();
    const ParamId shown = MakeId(ShownPageOf(last.page), last.FieldIndex(0));
    const ParamFact* f = FindFact(shown);
    const std::optional<ValueKind> kind = f ? KindFromNumber(f->valueKind) : std::nullopt;
    if (last.band >= 0 || (kind && *kind > ValueKind::Q && DrawnOnCurve(*kind)))
        app.state().LastChange = {shown, (after ? last.after : last.before)[0]};
}

namespace {

// The stored copy as the window's tabs and group buttons call it.
const char* PageCaption(int page) {
    static const char* const captions[PageCount] = {
        QT_TRANSLATE_NOOP("kdsp", "音乐"),      QT_TRANSLATE_NOOP("kdsp", "麦克风A组"),
        "DEQ",                                  QT_TRANSLATE_NOOP("kdsp", "麦克风B组"),
        QT_TRANSLATE_NOOP("kdsp", "回声"),      QT_TRANSLATE_NOOP("kdsp", "混响"),
        QT_TRANSLATE_NOOP("kdsp", "主输出"),    QT_TRANSLATE_NOOP("kdsp", "辅助输出1"),
        QT_TRANSLATE_NOOP("kdsp", "辅助输出2"), QT_TRANSLATE_NOOP("kdsp", "后置输出"),
        QT_TRANSLATE_NOOP("kdsp", "系统")};
    return page >= 0 && page < PageCount ? captions[page] : "";
}

QString FieldCaption(const StoredEdit& edit, int k, const NamedParam* p) {
    if (edit.band >= 0) {
        static const char* const fields[BandFieldCount] = {
            QT_TRANSLATE_NOOP("kdsp", "类型"), QT_TRANSLATE_NOOP("kdsp", "频率"), QT_TRANSLATE_NOOP("kdsp", "增益"),
            QT_TRANSLATE_NOOP("kdsp", "Q值"), QT_TRANSLATE_NOOP("kdsp", "Q值")};
        return Tr(QT_TRANSLATE_NOOP("kdsp", "第%1段")).arg(edit.band + 1) + ' ' + Tr(fields[k]);
    }
    if (p && p->caption) return Tr(QString::fromUtf8(p->caption));
    // A word without a caption of its own is named as the catalogue names it.
    return p ? QString::fromStdString(p->name) : QString("%1.%2").arg(edit.page).arg(edit.FieldIndex(k));
}

}  // namespace

QString DescribeEdit(const StoredEdit& edit, const StoredValues& values) {
    QString where = Tr(PageCaption(edit.page));
    if (edit.PerMode())
        where += QString(" (%1)").arg(Tr(edit.mode == 1 ? QT_TRANSLATE_NOOP("kdsp", "舞蹈") : QT_TRANSLATE_NOOP("kdsp", "唱歌")));
    QStringList fields;
    for (int k = 0; k < edit.FieldCount(); ++k) {
        const std::size_t f = static_cast<std::size_t>(k);
        if (edit.FieldCount() > 1 && edit.before[f] == edit.after[f]) continue;
        const NamedParam* p = FindParamForId(MakeId(edit.page, edit.FieldIndex(k)), edit.mode);
        fields.append(FieldCaption(edit, k, p) + " = " +
                      (p ? QString::fromStdString(ShowParam(*p, values[f])) : QString::number(values[f])));
    }
    return where + ' ' + fields.join(", ");
}

}  // namespace kdsp
