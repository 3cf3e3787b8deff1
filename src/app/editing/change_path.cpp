// Change path: every value a control shows goes through ApplyControlValue, so
// showing, storing and sending can never disagree about the clamped value.
#include "app/editing/change_path.h"

#include <cmath>

#include <QLocale>
#include <QMessageBox>
#include <QStackedWidget>

#include "app/editing/control_actions.h"
#include "app/editing/undo_history.h"
#include "app/state/app_context.h"
#include "app/widgets/widgets.h"
#include "core/model/codecs.h"
#include "core/model/eq_layout.h"
#include "core/model/param_table.h"
#include "core/model/value_kinds.h"
#include "core/preset/text_ops.h"
#include "core/session/device_session.h"

namespace kdsp {

namespace {

std::function<void(const QString&)>& ErrorSink() {
    static std::function<void(const QString&)> sink;
    return sink;
}

void ShowEditError(AppContext& app, const QString& text) {
    if (ErrorSink()) {
        ErrorSink()(text);
        return;
    }
    QMessageBox::information(&app.Window(), QString(), text);
}

bool InTables(int page, int index) { return page >= 0 && page < TablePages && index >= 0 && index < TableSlots; }

Formatted FormatValue(ValueKind kind, double x) { return kdsp::FormatValue(static_cast<int>(kind), x); }
double TextToValue(ValueKind kind, double x) { return kdsp::TextToValue(static_cast<int>(kind), x); }

double Applied(double x, int step) {
    if (step == StepUp) return x + 1;
    if (step == StepDown) return x - 1;
    return x;
}

double Clamp(double x, double lo, double hi) {
    if (std::isnan(x)) return lo;
    return x < lo ? lo : (x > hi ? hi : x);
}

// Moves a slider to show the value without its change handler acting on it.
void FollowSlider(AppContext& app, QWidget* w, double x) {
    auto* bar = qobject_cast<BoundSlider*>(w);
    if (!bar) return;
    AppState& st = app.state();
    const bool before = st.ProgrammaticMove;
    st.ProgrammaticMove = true;
    bar->setValue(static_cast<int>(RoundHalfEven(x)));
    st.ProgrammaticMove = before;
}

// The word the window holds for `id` where it is sent from, -1 for none.
int HeldWord(const Model& m, ParamId id) {
    const ParamId s = StorageId(m, id);
    const int p = PageOf(s);
    const int slot = DeviceSlot(p, IndexOf(s), m.ModeFlag);
    return p < PageCount && slot >= 0 && slot < DeviceImageSlots ? m.DeviceImage[p][slot] : -1;
}

// A control the program keeps out of sight (the eighth band group of the output
// pages, group B's strips past the ninth): no user value may come from it. The
// sheets that the page control hides when another page is shown do not count.
bool KeptHidden(const QWidget* w) {
    for (; w && !w->isWindow(); w = w->parentWidget()) {
        if (qobject_cast<const QStackedWidget*>(w->parentWidget())) return false;
        if (w->isHidden() && w->testAttribute(Qt::WA_WState_ExplicitShowHide)) return true;
    }
    return false;
}

}  // namespace

QWidget* FindControl(AppContext& app, const char* name) {
    const QString n = QString::fromLatin1(name);
    if (QWidget* w = app.Control(n)) return w;
    return app.Window().findChild<QWidget*>(n);
}

void SetEditErrorSink(std::function<void(const QString&)> sink) { ErrorSink() = std::move(sink); }

const ParamSpec* EditedCopy(const Model& model, ParamId storageId) {
    const int page = PageOf(storageId);
    const ParamSpec* copy = SpecAt(page, DeviceSlot(page, IndexOf(storageId), model.ModeFlag));
    // Output pages share slots between a word's dance copy and the next word's sing
    // copy: the row found must be the one this id writes.
    return copy && copy->Writable() && copy->Id() == storageId ? copy : nullptr;
}

namespace {

void Send(AppContext& app, ParamId id, int value, AsStored how) {
    AppState& st = app.state();
    Model& model = app.model();
    // The window's views pick the copy; the session is told which row that is, and
    // what it held before.
    const ParamSpec* copy = EditedCopy(model, StorageId(model, id));
    const int before = HeldWord(model, id);
    StoreValue(model, id, value);
    if (st.SendEdit && copy)
        st.SendEdit(ImageEdit{copy, before, value, how,
                              app.History().Replaying() ? ChangeOrigin::Undo : ChangeOrigin::FrontEnd});
    app.EditStored(id, how == AsStored::BandFrame);
}

}  // namespace

void SendParam(AppContext& app, ParamId id, int value) { Send(app, id, value, AsStored::Word); }

void SendBandParam(AppContext& app, ParamId id, int value) { Send(app, id, value, AsStored::BandFrame); }

void ApplyControlValue(AppContext& app, QWidget* control, int step, int displayOnly, double x) {
    if (!control) return;
    AppState& st = app.state();
    Model& m = app.model();
    Bound* bound = AsBound(control);
    if (!bound) return;

    auto* edit = qobject_cast<BoundEdit*>(control);
    auto* pane = qobject_cast<BoundPane*>(control);
    auto* combo = qobject_cast<BoundCombo*>(control);
    if (!edit && !pane && !combo) return;
    if (edit && (edit == st.Example || (!displayOnly && KeptHidden(edit)))) return;
    // A control without a kind, or a plain one, has no range to clamp to: nothing
    // to show or send. A value pane shows only the kinds written as text.
    const std::optional<ValueKind> kind = bound->Kind();
    if (!kind || *kind == ValueKind::Plain) return;
    if (pane && !ShownAsText(*kind)) return;
    const ParamId id = ActiveQParam(m, static_cast<ParamId>(bound->Tag()));
    const int p = PageOf(id);
    const int i = IndexOf(id);
    if (!InTables(p, i)) return;
    const auto& tables = st.Tables;

    // 2. Show.
    const int top = SpecOf(*kind).max;
    switch (*kind) {
        case ValueKind::Item: {
            x = Clamp(x, 0, top);
            if (combo) combo->setCurrentIndex(static_cast<int>(x));
            break;
        }
        case ValueKind::Frequency:
        case ValueKind::Gain: {
            if (!displayOnly) x = Applied(x, step);
            x = std::trunc(Clamp(x, 0, top));
            const Formatted f = FormatValue(*kind, x);
            if (edit) edit->setText(QString::fromStdString(f.text));
            // A refresh only shows values: the edit keys and the wheel act on stays
            // the one the user chose.
            if (*kind == ValueKind::Frequency && !st.RefreshInProgress)
                if (auto* e = qobject_cast<BoundEdit*>(tables.Editor[p][i])) st.CurrentEdit = e;
            SelectBand(app, control, EqGraphOf(id));
            break;
        }
        case ValueKind::Q: {
            if (displayOnly) {
                int v = m.ParamImage[p][i];
                if (v > top) {
                    v = top;
                    m.ParamImage[p][i] = v;
                }
                if (v < 0) v = 0;
                x = v;
            } else {
                const BandRef r = DecodeBand(m, id);
                const int k = r == NotEq ? 0 : FieldOf(r);
                const int typeIndex = i - k;
                const int type = typeIndex >= 0 ? m.ParamImage[p][typeIndex] : 0;
                x = Clamp(Applied(x, step), 0, BandQMax(type));
            }
            x = std::trunc(x);
            const Formatted f = FormatValue(*kind, x);
            if (edit) edit->setText(QString::fromStdString(f.text));
            SelectBand(app, control, EqGraphOf(id));
            break;
        }
        default: {
            const Formatted f = FormatValue(*kind, x);
            x = f.value;
            control->setProperty("text", QString::fromStdString(f.text));
            break;
        }
    }
    const int u = static_cast<int>(std::trunc(x));
    // A value the processor already holds has nothing to send when it comes from
    // committed text or a drag (Enter on an unchanged box, a drag held at a limit).
    // An Up/Down or wheel step is a command of its own and goes out even at a limit.
    const bool changed = step != 0 || HeldWord(m, id) != u;

    // 4. The slider of the parameter follows.
    if (qobject_cast<BoundSlider*>(tables.Editor[p][i]))
        FollowSlider(app, tables.Editor[p][i], x);
    else if (qobject_cast<BoundSlider*>(tables.BandType[p][i][0]))
        FollowSlider(app, tables.BandType[p][i][0], x);

    // 5. EQ band parameters are stored here too (a refresh sends nothing), in the
    // shown view and in the page the value belongs to, whose row the band frame
    // is built from: a frequency shown but not sent (a drag) goes out with the gain.
    const bool bandWord = *kind <= ValueKind::Q;
    if (bandWord) StoreValue(m, id, u);

    // 6. Send (the link stores as well, and sends nothing while suppressed).
    if (!displayOnly && changed) {
        if (bandWord)
            SendBandParam(app, id, u);
        else
            SendParam(app, id, u);
    }

    // 7. The filter kinds are drawn on the graphs.
    if (DrawnOnCurve(*kind) && !st.RefreshInProgress) st.LastChange = {id, u};
}

void CommitEditText(AppContext& app, int step, BoundEdit* edit) {
    AppState& st = app.state();
    if (!edit) edit = st.CurrentEdit;
    if (!edit || edit == st.Example) return;
    const std::string kept = KeepNumericChars(edit->text().toStdString());
    if (kept.empty()) {
        edit->setText(st.LastGoodText);
        return;
    }
    bool ok = false;
    const double number = QLocale::c().toDouble(QString::fromStdString(kept), &ok);
    if (!ok || !std::isfinite(number)) {
        edit->setText(st.LastGoodText);
        return;
    }
    if (!edit->Kind()) {
        ShowEditError(app, "error");
        edit->setText(st.LastGoodText);
        return;
    }
    ApplyControlValue(app, edit, step, 0, TextToValue(*edit->Kind(), number));
    st.LastGoodText = edit->text();
}

void LinkVolumeBars(AppContext& app, QSlider* normal, QSlider* start, QSlider* maximum, int which,
                    QWidget* pane) {
    if (!normal || !start || !maximum) return;
    const bool clamp = !app.state().SuppressSend;
    QSlider* shown = normal;
    if (which == 0) {
        if (clamp && normal->value() > maximum->value()) normal->setValue(maximum->value());
    } else if (which == 1) {
        if (clamp && start->value() > maximum->value()) start->setValue(maximum->value());
        shown = start;
    } else {
        if (clamp && start->value() > maximum->value()) start->setValue(maximum->value());
        if (clamp && normal->value() > maximum->value()) normal->setValue(maximum->value());
        shown = maximum;
    }
    if (pane) pane->setProperty("text", QString::number(shown->value()));
}

}  // namespace kdsp
