// Offline edits: what the user changed while the processor could not be told, and
// the question, once it can, whether to tell it or to keep its own settings.
#include "app/editing/offline_edits.h"

#include <algorithm>

#include <QLabel>
#include <QStringList>

#include "app/editing/page_refresh.h"
#include "app/editing/undo_history.h"
#include "app/i18n/language.h"
#include "app/state/app_context.h"
#include "app/state/panel_state.h"
#include "app/widgets/app_message.h"
#include "core/session/device_session.h"
#include "core/model/operating_mode.h"

namespace kdsp {

namespace {

constexpr int ListedAtMost = 12;  // lines of a question or tooltip; the rest are counted

// The edits with the values they set, one a line.
QString Listed(const std::vector<OfflineEdits::Entry>& entries) {
    QStringList lines;
    for (const OfflineEdits::Entry& e : entries) {
        if (lines.size() == ListedAtMost) {
            lines.append(Tr(QT_TRANSLATE_NOOP("kdsp", "……另有 %1 项")).arg(entries.size() - ListedAtMost));
            break;
        }
        lines.append(DescribeEdit(e.edit, e.edit.after));
    }
    return lines.join('\n');
}

bool IsModeSwitch(const StoredEdit& e) { return e.band < 0 && e.page == PageMusic && e.index == 1; }

// Whether the window's memory holds the processor's value of the edit's words
// again: a read has put it there, except in words of pages read before the edit.
bool Replaced(const Model& m, const OfflineEdits::Entry& e, bool memoryRead) {
    return memoryRead && (!e.duringTransfer || ValuesIn(m.DeviceImage, e.edit) != e.edit.after);
}

// An edit the processor will not get: the window goes back to what the processor holds.
void Forget(AppContext& app, const OfflineEdits::Entry& e, bool memoryRead) {
    if (!Replaced(app.model(), e, memoryRead)) ApplyStoredValues(app, e.edit, e.edit.before, false);
}

}  // namespace

void OfflineEdits::Note(const StoredEdit& where, const StoredValues& before, const Model& model,
                        bool duringTransfer) {
    auto same = std::find_if(entries_.begin(), entries_.end(),
                             [&](const Entry& e) { return e.edit.SameWords(where); });
    if (same == entries_.end()) {
        entries_.push_back({where, duringTransfer});
        same = entries_.end() - 1;
        same->edit.before = before;
    }
    same->edit.after = ValuesIn(model.DeviceImage, same->edit);
    same->duringTransfer = same->duringTransfer || duringTransfer;
    if (Changed) Changed();
}

std::vector<OfflineEdits::Entry> OfflineEdits::Changes() const {
    std::vector<Entry> out;
    for (const Entry& e : entries_)
        if (e.edit.before != e.edit.after) out.push_back(e);
    return out;
}

void OfflineEdits::Clear() {
    const bool had = !entries_.empty();
    entries_.clear();
    if (had && Changed) Changed();
}

void ShowOfflineEdits(AppContext& app) {
    auto* label = app.Ctl<QLabel>("OfflineEditsLabel");
    if (!label) return;
    const std::vector<OfflineEdits::Entry> changes = app.OfflineList().Changes();
    label->setVisible(!changes.empty());
    SetTr(label, "text", QT_TRANSLATE_NOOP("kdsp", "离线修改：%1"), {QString::number(changes.size())});
    label->setToolTip(Listed(changes));
}

void OfferOfflineEdits(AppContext& app, bool memoryRead) {
    DeviceSession* session = PanelSession(app);
    OfflineEdits& list = app.OfflineList();
    // Still (or again) not online: the edits wait for the next time.
    if (!session || !session->OnlineNow()) return;
    const std::vector<OfflineEdits::Entry> changes = list.Changes();
    list.Clear();
    if (changes.empty()) return;
    const QString question =
        TrN(QT_TRANSLATE_NOOP("kdsp", "离线期间修改了 %n 项设置：\n%1\n\n把这些修改发送到设备吗？不发送则放弃这些修改，保留设备上的设置。"),
            static_cast<int>(changes.size()))
            .arg(Listed(changes));
    Model& m = app.model();
    if (AppMessage(&app.Window(), PromptCaption(), question, MsgButtons::YesNo) == MsgAnswer::Yes) {
        // A write reaches the copy of the mode the processor is in; an edit of the
        // other sing/dance copy would land in the wrong one and is left out.
        int processorMode = m.DeviceImage[PageMusic][1];
        for (const OfflineEdits::Entry& e : changes)
            if (IsModeSwitch(e.edit) && !Replaced(m, e, memoryRead)) processorMode = e.edit.before[0];
        processorMode = ModeCopyOf(processorMode);
        std::vector<StoredEdit> sent;
        std::vector<OfflineEdits::Entry> left;
        app.History().SeparateStep([&] {
            for (const OfflineEdits::Entry& e : changes) {
                if (e.edit.PerMode() && e.edit.mode != processorMode) {
                    left.push_back(e);
                    continue;
                }
                // Only the fields the user changed go out as edited; the others of a
                // band frame carry what the processor holds now (just read), so
                // nothing the offer did not list is put back to an older value.
                StoredEdit edit = e.edit;
                edit.before = ValuesIn(m.DeviceImage, edit);
                edit.after = edit.before;
                for (int k = 0; k < edit.FieldCount(); ++k) {
                    const std::size_t f = static_cast<std::size_t>(k);
                    if (e.edit.before[f] != e.edit.after[f]) edit.after[f] = e.edit.after[f];
                }
                ApplyStoredValues(app, edit, edit.after);
                if (IsModeSwitch(edit)) processorMode = ModeCopyOf(edit.after[0]);
                sent.push_back(edit);
            }
        });
        for (const OfflineEdits::Entry& e : left) Forget(app, e, memoryRead);
        ShowStoredEdits(app, sent, true);
        if (!left.empty())
            AppMessage(&app.Window(), PromptCaption(),
                       Tr(QT_TRANSLATE_NOOP("kdsp", "下列修改属于设备当前不在的唱歌/舞蹈模式，未发送：\n%1"))
                           .arg(Listed(left)));
        return;
    }
    for (const OfflineEdits::Entry& e : changes) Forget(app, e, memoryRead);
    RefreshPages(app, 20);
}

}  // namespace kdsp
