// A/B switching: the slots, their buttons and the writes of a switch.
#include "app/panels/ab_switch.h"

#include <QBoxLayout>
#include <QContextMenuEvent>
#include <QFileDialog>
#include <QMenu>
#include <QShortcut>

#include "app/editing/take_values.h"
#include "app/i18n/language.h"
#include "app/pages/builder.h"
#include "app/panels/upload_guard.h"
#include "app/state/app_context.h"
#include "app/state/panel_state.h"
#include "app/widgets/app_message.h"
#include "app/widgets/widgets.h"
#include "core/preset/ab_slots.h"
#include "core/preset/preset_library.h"

namespace kdsp {

namespace {

class AbSwitcher : public QObject {
public:
    explicit AbSwitcher(AppContext& app) : QObject(&app.Window()), app_(app) { setObjectName("AbSwitcher"); }

    AbSlots slots;

    // The slot's button: an empty slot takes the settings as they are, a full one is
    // switched to.
    void Press(AbSlot slot) {
        if (!slots.Has(slot)) {
            slots.Take(slot, app_.model().DeviceImage, true);
            Show();
            return;
        }
        SwitchTo(slot);
    }

    void SwitchTo(AbSlot slot) {
        if (!slots.Ready() || slots.Active() == slot) return;
        if (!backedUp_) {
            if (!BackupBeforeOverwrite(app_)) return;
            backedUp_ = true;
        }
        const AbSwitch plan = slots.SwitchTo(slot, app_.model().DeviceImage);
        unreachable_ = plan.unreachable;
        TakeValues(app_, plan.writes, slots.Image(slot));
        Show();
    }

    void Toggle() { SwitchTo(slots.Other()); }

    // A preset file into a slot; the processor is switched to it when that slot is
    // the one it holds.
    void LoadFile(AbSlot slot) {
        const QString path = QFileDialog::getOpenFileName(&app_.Window(), Tr(QT_TRANSLATE_NOOP("kdsp", "打开预设")),
                                                          QString(), Tr(QT_TRANSLATE_NOOP("kdsp", "预设文件 (*.Nddt *.nddt)")));
        if (path.isEmpty()) return;
        const PresetReadResult r = ReadPresetFile(PathFromText(path.toStdString()));
        if (!r.Ok()) {
            AppMessage(&app_.Window(), PromptCaption(), QString::fromUtf8(PresetMessage(*r.error, LanguageFlagOf(CurrentUiLanguage()))));
            return;
        }
        DeviceImageRows image = app_.model().DeviceImage;
        ApplyPreset(r, image);
        const bool held = slots.Active() == slot;
        slots.Take(slot, image, false);
        Show();
        if (held) SwitchTo(slot);
    }

    void Leave() {
        slots.Leave();
        backedUp_ = false;
        unreachable_ = 0;
        Show();
    }

    // The active slot is lit; the tooltips say what a press does.
    void Show() {
        const struct {
            AbSlot slot;
            const char* name;
        } buttons[] = {{AbSlot::A, "AbSlotABtn"}, {AbSlot::B, "AbSlotBBtn"}};
        for (const auto& b : buttons) {
            QWidget* w = app_.Control(b.name);
            if (!w) continue;
            SetLook(w, "state", slots.Active() == b.slot ? "on" : "up");
            const QString slot = b.slot == AbSlot::A ? "A" : "B";
            SetTr(w, "toolTip",
                  slots.Has(b.slot) ? QT_TRANSLATE_NOOP("kdsp", "切换到%1（右键：存入、载入预设、退出A/B）")
                                    : QT_TRANSLATE_NOOP("kdsp", "把当前设置存为%1（右键：载入预设）"),
                  {slot});
        }
        if (QWidget* w = app_.Control("AbSwitchBtn")) {
            w->setEnabled(slots.Ready());
            if (unreachable_ > 0)
                SetTr(w, "toolTip", QT_TRANSLATE_NOOP("kdsp", "在A与B之间切换 (F9)\n另一唱歌/舞蹈模式中有 %1 项不同，未发送"),
                      {QString::number(unreachable_)});
            else
                SetTr(w, "toolTip", QT_TRANSLATE_NOOP("kdsp", "在A与B之间切换 (F9)"));
        }
    }

    void Menu(AbSlot slot, QWidget* button, QPoint at) {
        QMenu menu(button);
        menu.addAction(Tr(QT_TRANSLATE_NOOP("kdsp", "存入当前设置")), [this, slot] {
            slots.Take(slot, app_.model().DeviceImage, true);
            Show();
        });
        menu.addAction(Tr(QT_TRANSLATE_NOOP("kdsp", "载入预设文件…")), [this, slot] { LoadFile(slot); });
        menu.addSeparator();
        menu.addAction(Tr(QT_TRANSLATE_NOOP("kdsp", "退出A/B（保留当前设置）")), [this] { Leave(); })
            ->setEnabled(slots.Has(AbSlot::A) || slots.Has(AbSlot::B));
        menu.exec(button->mapToGlobal(at));
    }

private:
    AppContext& app_;
    bool backedUp_ = false;
    int unreachable_ = 0;
};

AbSwitcher* SwitcherOf(AppContext& app) {
    return app.Window().findChild<AbSwitcher*>("AbSwitcher", Qt::FindDirectChildrenOnly);
}

}  // namespace

AbSlots* AbSlotsOf(AppContext& app) {
    AbSwitcher* s = SwitcherOf(app);
    return s ? &s->slots : nullptr;
}

bool TakeAbSlotsForPicture(AppContext& app, const QString& path) {
    AbSwitcher* s = SwitcherOf(app);
    const PresetReadResult r = ReadPresetFile(PathFromText(path.toStdString()));
    if (!s || !r.Ok()) return false;
    DeviceImageRows image = app.model().DeviceImage;
    ApplyPreset(r, image);
    s->slots.Take(AbSlot::A, app.model().DeviceImage, true);
    s->slots.Take(AbSlot::B, image, false);
    s->Show();
    return true;
}

void BuildAbSwitch(AppContext& app) {
    QWidget* bar = app.Control("Image2");
    QWidget* undo = app.Control("UndoBtn");
    auto* layout = bar ? qobject_cast<QBoxLayout*>(bar->layout()) : nullptr;
    if (!layout || !undo) return;
    auto* switcher = new AbSwitcher(app);
    Builder b(app.Registry());
    int at = layout->indexOf(undo);
    const struct {
        AbSlot slot;
        const char* name;
        const char* text;
    } slotButtons[] = {{AbSlot::A, "AbSlotABtn", "A"}, {AbSlot::B, "AbSlotBBtn", "B"}};
    for (const auto& s : slotButtons) {
        auto* w = b.Button(QString::fromLatin1(s.name), QString::fromLatin1(s.text), bar, "titlebutton");
        w->setFixedSize(26, 24);
        w->setContextMenuPolicy(Qt::CustomContextMenu);
        const AbSlot slot = s.slot;
        QObject::connect(w, &QPushButton::clicked, switcher, [switcher, slot] { switcher->Press(slot); });
        QObject::connect(w, &QWidget::customContextMenuRequested, switcher,
                         [switcher, slot, w](QPoint p) { switcher->Menu(slot, w, p); });
        layout->insertWidget(at++, w);
    }
    auto* toggle = b.Button("AbSwitchBtn", QStringLiteral("A/B"), bar, "titlebutton");
    toggle->setFixedSize(40, 24);
    QObject::connect(toggle, &QPushButton::clicked, switcher, [switcher] { switcher->Toggle(); });
    layout->insertWidget(at++, toggle);
    auto* keys = new QShortcut(QKeySequence(Qt::Key_F9), &app.Window());
    QObject::connect(keys, &QShortcut::activated, switcher, [switcher] { switcher->Toggle(); });
    layout->insertSpacing(at, 8);
    switcher->Show();
}

}  // namespace kdsp
