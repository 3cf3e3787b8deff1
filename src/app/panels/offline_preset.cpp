// The preset document in the window: its buttons, its title, saving, and the choice
// once a processor is connected.
#include "app/panels/offline_preset.h"

#include <QBoxLayout>
#include <QFileDialog>
#include <QLabel>
#include <QPushButton>
#include <QShortcut>
#include <QStringList>
#include <QTimer>

#include "app/editing/page_refresh.h"
#include "app/editing/undo_history.h"
#include "app/editing/offline_edits.h"
#include "app/i18n/language.h"
#include "app/pages/builder.h"
#include "app/panels/upload_guard.h"
#include "app/state/app_context.h"
#include "app/state/panel_state.h"
#include "app/widgets/app_message.h"
#include "core/session/device_session.h"
#include "core/preset/image_compare.h"
#include "core/preset/param_diff.h"
#include "core/preset/preset_document.h"
#include "core/preset/preset_library.h"

namespace kdsp {

namespace {

constexpr int ListedAtMost = 12;  // lines of the summary; the rest are counted
const QString WindowCaption = QStringLiteral("Audio Effect Controller v3.1.0");

class OfflinePreset : public QObject {
public:
    explicit OfflinePreset(AppContext& app) : QObject(&app.Window()), app_(app) { setObjectName("OfflinePreset"); }

    PresetDocument doc;
    DeviceImageRows saved{};  // the settings as last read or saved: unsaved edits differ from it
    DeviceImageRows kept{};   // the document's settings, kept while a read replaces the window's memory
    bool keptValid = false;

    AppContext& app() { return app_; }

    bool Online() {
        DeviceSession* session = PanelSession(app_);
        return session && session->OnlineNow();
    }

    void ShowTitle() {
        const bool open = doc.IsOpen();
        if (open) doc.SetModified(Differs(app_.model().DeviceImage, saved));
        if (auto* title = app_.Ctl<QLabel>("Label77"))
            title->setText(open ? WindowCaption + QStringLiteral(" — ") + QString::fromStdString(doc.Title())
                                : WindowCaption);
        if (QWidget* save = app_.Control("SavePresetBtn")) save->setEnabled(open);
    }

    static bool Differs(const DeviceImageRows& a, const DeviceImageRows& b) {
        for (int p = 0; p < PageCount; ++p)
            for (int s = 0; s < DeviceImageSlots; ++s)
                if (UploadCarries(p, s) && a[p][s] != b[p][s]) return true;
        return false;
    }

    void Save(bool as) {
        std::filesystem::path path = doc.Path();
        if (as || !doc.IsOpen()) {
            const QString chosen = QFileDialog::getSaveFileName(
                &app_.Window(), Tr(QT_TRANSLATE_NOOP("kdsp", "预设另存为")),
                QString::fromStdString(PanelsOf(app_).folders.PresetFolder.string()),
                Tr(QT_TRANSLATE_NOOP("kdsp", "预设文件 (*.Nddt *.nddt)")));
            if (chosen.isEmpty()) return;
            path = PathFromText(chosen.toStdString());
            if (path.extension().string().empty()) path += std::string(PresetExtension);
        }
        try {
            doc.Save(app_.model().DeviceImage, path);
            saved = app_.model().DeviceImage;
        } catch (const std::exception& e) {
            AppMessage(&app_.Window(), PromptCaption(),
                       Tr(QT_TRANSLATE_NOOP("kdsp", "无法保存预设：\n%1")).arg(QString::fromUtf8(e.what())));
        }
        ShowTitle();
    }

    // Connected with a document open: what the processor holds against the document.
    void Offer() {
        if (!keptValid || !doc.IsOpen()) return;
        keptValid = false;
        Model& m = app_.model();
        std::vector<ParamDifference> diff;
        for (ParamDifference& d : DiffImages(m.DeviceImage, kept))
            if (UploadCarries(d.page, d.slot)) diff.push_back(std::move(d));
        if (diff.empty()) {
            saved = kept == saved ? m.DeviceImage : saved;
            ShowTitle();
            return;
        }
        QStringList lines;
        for (const ParamDifference& d : diff) {
            if (lines.size() == ListedAtMost) {
                lines.append(Tr(QT_TRANSLATE_NOOP("kdsp", "……另有 %1 项")).arg(diff.size() - ListedAtMost));
                break;
            }
            lines.append(QString::fromStdString(d.name + ": " + d.shownA + " → " + d.shownB));
        }
        const QString name = QString::fromStdString(doc.Title());
        const QString question =
            TrN(QT_TRANSLATE_NOOP("kdsp", "设备的设置与预设“%1”有 %n 项不同（设备 → 预设）：\n%2\n\n"
                                          "把编辑的预设发送到设备，保留设备的设置（关闭预设），还是断开设备继续离线编辑预设？"),
                static_cast<int>(diff.size()))
                .arg(name, lines.join('\n'));
        // Closing the box sends nothing and loses nothing: it goes on editing offline.
        const MsgAnswer answer = AppChoice(&app_.Window(), PromptCaption(), question,
                                           Tr(QT_TRANSLATE_NOOP("kdsp", "发送预设")),
                                           Tr(QT_TRANSLATE_NOOP("kdsp", "保留设备的设置")),
                                           Tr(QT_TRANSLATE_NOOP("kdsp", "继续离线编辑")));
        if (answer == MsgAnswer::Yes) {
            DeviceImageRows image = kept;
            MirrorSystemWordsForSave(image);
            SendPreset(app_, ParsePreset(FormatPresetFile(image)));
            ShowTitle();
            return;
        }
        if (answer == MsgAnswer::No) {
            doc.Close();
            ShowTitle();
            return;
        }
        // Offline again, the window holds the document as it was left.
        if (DeviceSession* session = PanelSession(app_)) session->Disconnect();
        m.DeviceImage = kept;
        app_.History().Clear();
        app_.OfflineList().Clear();
        RefreshPages(app_, 20);
        ShowTitle();
    }

private:
    AppContext& app_;
};

OfflinePreset* DocumentOf(AppContext& app) {
    return app.Window().findChild<OfflinePreset*>("OfflinePreset", Qt::FindDirectChildrenOnly);
}

}  // namespace

bool OpenPresetDocument(AppContext& app, const QString& path) {
    OfflinePreset* d = DocumentOf(app);
    if (!d) return false;
    if (d->Online()) {
        AppMessage(&app.Window(), PromptCaption(),
                   Tr(QT_TRANSLATE_NOOP("kdsp", "设备已连接：请先断开设备再打开预设离线编辑，或用“上传数据到设备”发送预设。")));
        return false;
    }
    Model& m = app.model();
    DeviceImageRows image = m.DeviceImage;
    const PresetReadResult r = d->doc.Open(PathFromText(path.toStdString()), image);
    if (!r.Ok()) {
        AppMessage(&app.Window(), AppTitle(), QString::fromUtf8(PresetMessage(*r.error, LanguageFlagOf(CurrentUiLanguage()))));
        return false;
    }
    m.DeviceImage = image;
    d->saved = image;
    // The file is the starting point: nothing before it is undone or offered.
    app.History().Clear();
    app.OfflineList().Clear();
    RefreshPages(app, 20);
    d->ShowTitle();
    return true;
}

void PresetDocumentEdited(AppContext& app) {
    if (OfflinePreset* d = DocumentOf(app); d && d->doc.IsOpen()) d->ShowTitle();
}

void OfflinePresetSessionEvent(AppContext& app, const SessionEvent& event) {
    OfflinePreset* d = DocumentOf(app);
    if (!d || !d->doc.IsOpen()) return;
    // The first read of a new link replaces the window's memory: the document is kept.
    if (const auto* began = std::get_if<TransferBegan>(&event);
        began && began->kind == TransferKind::FirstRead && !d->keptValid) {
        d->kept = app.model().DeviceImage;
        d->keptValid = true;
    }
    if (std::holds_alternative<TransferDone>(event) && d->keptValid) {
        // The document's edits are offered as the document, not one by one.
        app.OfflineList().Clear();
        QTimer::singleShot(0, &app.Window(), [d] { d->Offer(); });
    }
    if (const auto* failure = std::get_if<Failure>(&event); failure && EndsConnection(failure->code))
        d->keptValid = false;
}

void BuildOfflinePreset(AppContext& app) {
    QWidget* bar = app.Control("Image2");
    QWidget* before = app.Control("AbSlotABtn") ? app.Control("AbSlotABtn") : app.Control("UndoBtn");
    auto* layout = bar ? qobject_cast<QBoxLayout*>(bar->layout()) : nullptr;
    if (!layout || !before) return;
    auto* d = new OfflinePreset(app);
    Builder b(app.Registry());
    int at = layout->indexOf(before);
    const struct {
        const char* name;
        const char* text;
        const char* tip;
        int width;
    } buttons[] = {
        {"OpenPresetBtn", QT_TRANSLATE_NOOP("kdsp", "打开…"), QT_TRANSLATE_NOOP("kdsp", "打开预设文件离线编辑"), 56},
        {"SavePresetBtn", QT_TRANSLATE_NOOP("kdsp", "保存"), QT_TRANSLATE_NOOP("kdsp", "保存预设 (Ctrl+S)"), 40},
        {"SaveAsPresetBtn", QT_TRANSLATE_NOOP("kdsp", "另存…"), QT_TRANSLATE_NOOP("kdsp", "预设另存为"), 68}};
    for (const auto& btn : buttons) {
        auto* w = b.Button(QString::fromLatin1(btn.name), btn.text, bar, "titlebutton");
        SetTr(w, "toolTip", btn.tip);
        w->setFixedSize(btn.width, 24);
        layout->insertWidget(at++, w);
    }
    QObject::connect(app.Ctl<QPushButton>("OpenPresetBtn"), &QPushButton::clicked, d, [d] {
        const QString path = QFileDialog::getOpenFileName(
            &d->app().Window(), Tr(QT_TRANSLATE_NOOP("kdsp", "打开预设")),
            QString::fromStdString(PanelsOf(d->app()).folders.PresetFolder.string()),
            Tr(QT_TRANSLATE_NOOP("kdsp", "预设文件 (*.Nddt *.nddt)")));
        if (!path.isEmpty()) OpenPresetDocument(d->app(), path);
    });
    QObject::connect(app.Ctl<QPushButton>("SavePresetBtn"), &QPushButton::clicked, d, [d] { d->Save(false); });
    QObject::connect(app.Ctl<QPushButton>("SaveAsPresetBtn"), &QPushButton::clicked, d, [d] { d->Save(true); });
    auto* keys = new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_S), &app.Window());
    QObject::connect(keys, &QShortcut::activated, d, [d] {
        if (d->doc.IsOpen()) d->Save(false);
    });
    layout->insertSpacing(at, 8);
    d->ShowTitle();
}

}  // namespace kdsp
