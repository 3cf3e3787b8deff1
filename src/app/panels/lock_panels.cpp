// The password locks: the unlock box that takes the window while the
// processor's automatic panel lock is on, the system password gate of the
// user/manager choice, and the two password change panels.
#include <algorithm>
#include <vector>

#include <QEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QRegularExpressionValidator>
#include <QStackedWidget>
#include <QVBoxLayout>

#include "app/i18n/language.h"
#include "app/pages/builder.h"
#include "app/panels/panel_builders.h"
#include "app/state/app_context.h"
#include "app/state/panel_state.h"
#include "app/widgets/app_message.h"
#include "core/session/device_session.h"
#include "core/protocol/frames.h"

namespace kdsp {

namespace {

inline constexpr int SystemPasswordLength = 6;
inline constexpr int PanelPasswordLength = 4;

struct ChangeBoxes {
    const char* old;
    const char* entry;
    const char* confirm;
};
constexpr ChangeBoxes SystemBoxes{"SysPanelLabel1", "NewSysPassLabel1", "NewSysPassLabel2"};
constexpr ChangeBoxes PanelBoxes{"PassPanelLabel1", "NewPassLabel1", "NewPassLabel2"};

enum class KeyClass { Passed, Dropped, Other };

KeyClass ClassifyKey(int key, const QString& text) {
    if (key == Qt::Key_Backspace || key == Qt::Key_Return || key == Qt::Key_Enter) return KeyClass::Passed;
    if (text.size() == 1 && text[0] >= QLatin1Char('0') && text[0] <= QLatin1Char('9')) return KeyClass::Passed;
    // Keys without a character (arrows, Tab, Delete, shortcuts) are not typing.
    if (text.isEmpty() || key == Qt::Key_Tab || key == Qt::Key_Backtab || key == Qt::Key_Escape ||
        key == Qt::Key_Delete || text[0] < QLatin1Char(' '))
        return KeyClass::Other;
    return KeyClass::Dropped;
}

// Digits only, and the change panels check their boxes before each key lands.
class PasswordKeys : public QObject {
public:
    PasswordKeys(AppContext& app, int changePanel, QObject* parent)
        : QObject(parent), form_(app), changePanel_(changePanel) {}
    bool eventFilter(QObject* watched, QEvent* e) override {
        if (e->type() != QEvent::KeyPress) return QObject::eventFilter(watched, e);
        auto* key = static_cast<QKeyEvent*>(e);
        const KeyClass k = ClassifyKey(key->key(), key->text());
        if (k == KeyClass::Dropped) return true;
        // A key that ends a change (or a wrong old password) does not land in the
        // boxes it cleared.
        return k == KeyClass::Passed && changePanel_ != 0 &&
               CheckPasswordChange(form_, changePanel_ == 1, key->key());
    }

private:
    AppContext& form_;
    int changePanel_;  // 0 no change panel, 1 system password, 2 panel password
};

// Every password box masks its digits, the old ones of the change panels too: they
// are the passwords in force.
QLineEdit* PasswordEdit(Builder& b, const QString& name, int maxLength, QWidget* parent) {
    auto* e = b.Reg(new QLineEdit(parent), name);
    e->setMaxLength(maxLength);
    // Pasted text bypasses the key filter; the validator keeps it to digits as well.
    e->setValidator(new QRegularExpressionValidator(QRegularExpression("[0-9]*"), e));
    e->setEchoMode(QLineEdit::Password);
    e->setStyleSheet("lineedit-password-character: 9679;");  // a filled circle per digit
    return e;
}

void TellWrongPassword(AppContext& app) {
    AppMessage(&app.Window(), PromptCaption(), Tr(QT_TRANSLATE_NOOP("kdsp", "密码错误!")));
}

QGroupBox* ChangePanel(Builder& b, AppContext& app, QWidget* parent, const QString& groupName, const QString& title,
                       const ChangeBoxes& boxes, int length, int which) {
    auto* g = b.Group(groupName, title, parent);
    auto* grid = new QGridLayout(g);
    grid->setContentsMargins(8, 6, 8, 6);
    grid->setVerticalSpacing(3);
    const char* captions[3] = {QT_TRANSLATE_NOOP("kdsp", "旧密码："),
                               QT_TRANSLATE_NOOP("kdsp", "新密码输入："),
                               QT_TRANSLATE_NOOP("kdsp", "新密码确定：")};
    const char* names[3] = {boxes.old, boxes.entry, boxes.confirm};
    auto* keys = new PasswordKeys(app, which, g);
    for (int r = 0; r < 3; ++r) {
        QLineEdit* e = PasswordEdit(b, QString::fromLatin1(names[r]), length, g);
        e->installEventFilter(keys);
        if (r > 0) e->setEnabled(false);
        grid->addWidget(Builder::Caption(QString::fromUtf8(captions[r]), g), r, 0);
        grid->addWidget(e, r, 1);
    }
    return g;
}

void ResetChangeBoxes(AppContext& app, const ChangeBoxes& boxes) {
    for (const char* n : {boxes.old, boxes.entry, boxes.confirm})
        if (auto* e = app.Ctl<QLineEdit>(QString::fromLatin1(n))) {
            e->clear();
            if (n != boxes.old) e->setEnabled(false);
        }
}

// The unlock box floats over the system page: centred across the window, at the
// height nearest the middle where it hides none of the page's groups, so the
// switches it is about stay in sight.
void PlaceUnlockBox(AppContext& app, QWidget* box) {
    QWidget& window = app.Window();
    auto* pages = qobject_cast<QStackedWidget*>(app.Control("FormPageItem"));
    std::vector<QRect> groups;
    if (QWidget* sheet = pages ? pages->currentWidget() : nullptr)
        for (QGroupBox* g : sheet->findChildren<QGroupBox*>())
            if (g->isVisible())
                groups.emplace_back(g->mapTo(&window, QPoint(0, 0)), g->size());
    const int x = (window.width() - box->width()) / 2;
    const int middle = (window.height() - box->height()) / 2;
    for (int away = 0; away < window.height(); away += 8)
        for (const int y : {middle + away, middle - away}) {
            const QRect place(x, y, box->width(), box->height());
            if (y < 0 || place.bottom() >= window.height())
                continue;
            if (std::none_of(groups.begin(), groups.end(),
                             [&](const QRect& g) { return g.intersects(place); })) {
                box->move(place.topLeft());
                return;
            }
        }
    box->move(x, middle);
}

void SetWindowTaken(AppContext& app, bool taken) {
    if (QWidget* top = app.Control("TopTileGrop")) top->setEnabled(!taken);
    if (QWidget* pages = app.Control("FormPageItem")) pages->setEnabled(!taken);
    if (QWidget* box = app.Control("FirstCheckGrop")) {
        box->setVisible(taken);
        if (taken) {
            PlaceUnlockBox(app, box);
            box->raise();
        }
    }
}

}  // namespace

bool PasswordKeyAccepted(int key, const QString& text) { return ClassifyKey(key, text) != KeyClass::Dropped; }

void BuildLockPanels(AppContext& app) {
    Builder b(app.Registry());

    // The unlock box floats over the window, outside the parts it disables.
    auto* unlock = b.Group("FirstCheckGrop", QString(), &app.Window());
    auto* uv = new QGridLayout(unlock);
    uv->setContentsMargins(12, 10, 12, 10);
    uv->addWidget(Builder::Caption(QT_TRANSLATE_NOOP("kdsp", "输入解锁密码："), unlock), 0, 0, 1, 2);
    auto* unlockKeys = new PasswordKeys(app, 0, unlock);
    QLineEdit* panelEntry = PasswordEdit(b, "PanelPassWordEdit", 6, unlock);
    panelEntry->installEventFilter(unlockKeys);
    uv->addWidget(panelEntry, 1, 0);
    auto* ok = b.Button("RzBmpButton4", QT_TRANSLATE_NOOP("kdsp", "确定"), unlock, "action");
    uv->addWidget(ok, 1, 1);
    unlock->setFixedSize(280, 100);
    // Nothing of the page below shows through it.
    unlock->setAutoFillBackground(true);
    unlock->hide();
    QObject::connect(ok, &QPushButton::clicked, &app.Window(), [&app] { UnlockWindow(app); });
    QObject::connect(panelEntry, &QLineEdit::returnPressed, &app.Window(), [&app] { UnlockWindow(app); });

    QWidget* host = app.Control("SysPasswordPage");
    if (!host) return;
    auto* v = new QVBoxLayout(host);
    v->setContentsMargins(4, 4, 4, 4);
    v->setSpacing(4);
    auto* gate = b.Group("SysPassGrop", QT_TRANSLATE_NOOP("kdsp", "系统密码"), host);
    auto* gg = new QGridLayout(gate);
    gg->setContentsMargins(8, 6, 8, 6);
    gg->addWidget(Builder::Caption(QT_TRANSLATE_NOOP("kdsp", "系统密码："), gate), 0, 0);
    QLineEdit* sysEntry = PasswordEdit(b, "SysPassEdit", 6, gate);
    sysEntry->installEventFilter(unlockKeys);
    gg->addWidget(sysEntry, 0, 1);
    auto* sysOk = b.Button("RzBmpButton118", QT_TRANSLATE_NOOP("kdsp", "确定"), gate, "action");
    gg->addWidget(sysOk, 0, 2);
    v->addWidget(gate);
    QObject::connect(sysOk, &QPushButton::clicked, &app.Window(), [&app] { CheckSystemPassword(app); });

    v->addWidget(ChangePanel(b, app, host, "SysPassChangeGrop",
                             QT_TRANSLATE_NOOP("kdsp", "系统密码修改"), SystemBoxes,
                             SystemPasswordLength, 1));
    v->addWidget(ChangePanel(b, app, host, "PanelPassChangeGrop",
                             QT_TRANSLATE_NOOP("kdsp", "自动键盘锁密码修改"), PanelBoxes,
                             PanelPasswordLength, 2));
    v->addStretch(1);
}

void PanelLockAfterRefresh(AppContext& app) {
    DeviceSession* session = PanelSession(app);
    if (!session || !session->FreshLink() || app.model().ParamImage[PageSystem][13] != 1) return;
    session->TakeFreshLink();  // before the tab switch, whose own refresh comes back here
    if (BoundButton* sys = app.state().Tables.TabButtons[7]) app.SelectTab(sys);
    SetWindowTaken(app, true);  // the unlock box finds its place on the system page
    if (QWidget* entry = app.Control("PanelPassWordEdit")) entry->setFocus();
}

void UnlockWindow(AppContext& app) {
    auto* entry = app.Ctl<QLineEdit>("PanelPassWordEdit");
    if (!entry) return;
    const std::string& password = app.model().PanelPassword;
    const bool right = static_cast<int>(password.size()) == PanelPasswordLength && entry->text().toStdString() == password;
    entry->clear();
    if (!right) {
        TellWrongPassword(app);
        return;
    }
    SetWindowTaken(app, false);
    AppMessage(&app.Window(), AppTitle(), Tr(QT_TRANSLATE_NOOP("kdsp", "解锁成功")));
}

void CheckSystemPassword(AppContext& app) {
    auto* entry = app.Ctl<QLineEdit>("SysPassEdit");
    if (!entry) return;
    const std::string typed = entry->text().toStdString();
    entry->clear();
    const std::string& password = app.model().SystemPassword;
    if (static_cast<int>(typed.size()) != SystemPasswordLength || typed != password) {
        TellWrongPassword(app);
        return;
    }
    DeviceSession* session = PanelSession(app);
    if (!session || !session->OnlineNow()) return;
    if (QWidget* user = app.Control("SysUserMangerGrop")) user->setEnabled(true);
    session->SendPassword(IdSystemPassword, typed);
}

bool CheckPasswordChange(AppContext& app, bool systemPassword, int key) {
    const ChangeBoxes& boxes = systemPassword ? SystemBoxes : PanelBoxes;
    const int length = systemPassword ? SystemPasswordLength : PanelPasswordLength;
    auto* old = app.Ctl<QLineEdit>(QString::fromLatin1(boxes.old));
    auto* entry = app.Ctl<QLineEdit>(QString::fromLatin1(boxes.entry));
    auto* confirm = app.Ctl<QLineEdit>(QString::fromLatin1(boxes.confirm));
    DeviceSession* session = PanelSession(app);
    if (!old || !entry || !confirm || !session || !session->OnlineNow())
        return false;
    std::string& current = systemPassword ? app.model().SystemPassword : app.model().PanelPassword;
    if (static_cast<int>(current.size()) != length)
        return false;
    if (old->text().toStdString() != current) {
        // Confirmed with Enter, or typed on past its length: the user is told and
        // starts again, rather than waiting for boxes that never open.
        const bool enter = key == Qt::Key_Return || key == Qt::Key_Enter;
        const bool full = old->text().size() == length && key != Qt::Key_Backspace;
        if (!(enter && !old->text().isEmpty()) && !full)
            return false;
        TellWrongPassword(app);
        ResetChangeBoxes(app, boxes);
        return true;
    }
    entry->setEnabled(true);
    if (entry->text().size() == length) confirm->setEnabled(true);
    if (entry->text().size() != length || confirm->text().size() != length)
        return false;
    const std::string typed = entry->text().toStdString();
    const std::string again = confirm->text().toStdString();
    ResetChangeBoxes(app, boxes);
    if (typed != again) {
        AppMessage(&app.Window(), PromptCaption(), Tr(QT_TRANSLATE_NOOP("kdsp", "密码不一致!")));
    } else if (typed != current) {
        current = typed;
        session->SendPassword(systemPassword ? IdSystemPassword : IdPanelPassword, typed);
        AppMessage(&app.Window(), PromptCaption(), Tr(QT_TRANSLATE_NOOP("kdsp", "密码修改成功!")));
    }
    return true;
}

}  // namespace kdsp
