// The panel "设备模式管理": the processor's stored modes, their names, recall
// and save.
#include <QComboBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QRegularExpressionValidator>
#include <QVBoxLayout>

#include "app/i18n/language.h"
#include "app/pages/builder.h"
#include "app/panels/panel_builders.h"
#include "app/panels/upload_guard.h"
#include "app/state/app_context.h"
#include "app/state/panel_state.h"
#include "app/widgets/app_message.h"
#include "core/session/device_session.h"
#include "core/preset/preset_library.h"
#include "core/protocol/frames.h"

namespace kdsp {

inline constexpr int ModeItemsBeforeRead = 16;

namespace {

// The processor pads a stored name to its full length with spaces; a question names
// the mode without them ("3-Room 3?").
QString Named(QString text) {
    while (text.endsWith(QLatin1Char(' ')))
        text.chop(1);
    return text;
}

}  // namespace

void BuildModePanel(AppContext& app) {
    if (auto* group = app.Ctl<QGroupBox>("SysModeGrop"))
        SetTr(group, "title", QT_TRANSLATE_NOOP("kdsp", "设备模式管理"));
    auto* box = app.Ctl<QComboBox>("SysModeBox");
    if (box) {
        box->setEditable(false);
        for (int m = 1; m <= ModeItemsBeforeRead; ++m) box->addItem(QString::fromStdString(ModeItemText(m, "")));
        box->setCurrentIndex(0);
    }
    QWidget* host = app.Control("SysModePanelHost");
    if (!host) return;
    Builder b(app.Registry());
    auto* v = new QVBoxLayout(host);
    v->setContentsMargins(0, 0, 0, 0);
    v->setSpacing(4);
    auto* nameRow = new QHBoxLayout;
    nameRow->addWidget(Builder::Caption(QT_TRANSLATE_NOOP("kdsp", "模式名称："), host));
    auto* name = b.Reg(new QLineEdit(host), "PresetModeEdit");
    name->setMaxLength(ModeNameMaxLength);
    // The processor stores printable ASCII only; anything else would arrive mangled.
    name->setValidator(new QRegularExpressionValidator(QRegularExpression("[ -~]{0,20}"), name));
    nameRow->addWidget(name, 1);
    v->addLayout(nameRow);
    auto* buttons = new QHBoxLayout;
    auto* recall =
        b.Button("RzBmpButton121", QT_TRANSLATE_NOOP("kdsp", "调用设备模式"), host, "action");
    auto* save =
        b.Button("RzBmpButton138", QT_TRANSLATE_NOOP("kdsp", "保存设备模式"), host, "action");
    buttons->addWidget(recall);
    buttons->addWidget(save);
    v->addLayout(buttons);

    if (box)
        QObject::connect(box, &QComboBox::currentIndexChanged, &app.Window(),
                         [&app, box] { ShowStoredModeName(app, box); });
    QObject::connect(recall, &QPushButton::clicked, &app.Window(), [&app, recall] { RecallOrSaveMode(app, recall); });
    QObject::connect(save, &QPushButton::clicked, &app.Window(), [&app, save] { RecallOrSaveMode(app, save); });
}

void ShowStoredModeName(AppContext& app, QComboBox* box) {
    if (!box) return;
    auto* edit = app.Ctl<QLineEdit>("PresetModeEdit");
    if (!edit) return;
    const int index = box->currentIndex();
    if (index < 0) return;
    edit->setText(QString::fromStdString(ModeNameOfItem(box->currentText().toStdString(), index)));
}

void RecallOrSaveMode(AppContext& app, QObject* sender) {
    auto* box = app.Ctl<QComboBox>("SysModeBox");
    if (!box || !sender || box->currentIndex() < 0) return;
    const int index = box->currentIndex();
    DeviceSession* session = PanelSession(app);
    Model& model = app.model();

    const bool recall = sender->objectName() == QLatin1String("RzBmpButton121");
    if (index >= StoredModeCount) {
        // Only the start-up list, before the processor has been read, offers these.
        AppMessage(&app.Window(), PromptCaption(),
                   (recall ? Tr(QT_TRANSLATE_NOOP("kdsp", "设备只有 %1 个存储模式，无法调用模式 %2!"))
                           : Tr(QT_TRANSLATE_NOOP("kdsp", "设备只有 %1 个存储模式，无法保存为模式 %2!")))
                       .arg(StoredModeCount)
                       .arg(index + 1));
        return;
    }
    if (recall) {
        if (AppMessage(
                &app.Window(), PromptCaption(),
                Tr(QT_TRANSLATE_NOOP("kdsp", "模式切换为%1?")).arg(Named(box->currentText())),
                MsgButtons::YesNo) != MsgAnswer::Yes)
            return;
        // The recalled mode replaces the processor's memory: it is kept first.
        if (session && session->OnlineNow() && !BackupBeforeOverwrite(app)) return;
        // The session shows the recall and reloads the pages once the processor answers.
        if (session)
            session->Recall(index);
        else
            StoreValue(model, IdRecallMode, index);
        return;
    }

    if (model.ParamImage[PageSystem][12] != 1) {
        AppMessage(&app.Window(), PromptCaption(),
                   Tr(QT_TRANSLATE_NOOP("kdsp", "用户模式无法执行保存操作!")));
        return;
    }
    auto* edit = app.Ctl<QLineEdit>("PresetModeEdit");
    const QString name = edit ? edit->text() : QString();
    if (AppMessage(
            &app.Window(), PromptCaption(),
            Tr(QT_TRANSLATE_NOOP("kdsp", "保存当前模式为 %1-%2?")).arg(index + 1).arg(Named(name)),
            MsgButtons::YesNo) != MsgAnswer::Yes)
        return;
    const std::string text = name.toStdString();
    if (session) {
        // Stores the name, sends the save and waits for the processor's confirmation.
        session->Save(index, text);
    } else if (index < static_cast<int>(model.ModeNames.size())) {
        model.ModeNames[static_cast<std::size_t>(index)] = text.substr(0, ModeNameMaxLength);
    }
}

}  // namespace kdsp
