// Backups before the processor's memory is overwritten, the read-back check of
// every upload with its retry, and the restore of the last backup.
#include "app/panels/upload_guard.h"

#include <chrono>

#include <QCoreApplication>
#include <QDateTime>
#include <QFileInfo>
#include <QLabel>
#include <QStringList>
#include <QTimer>

#include "app/editing/page_refresh.h"
#include "app/i18n/language.h"
#include "app/state/app_context.h"
#include "app/state/panel_state.h"
#include "app/widgets/app_message.h"
#include "app/widgets/std_text.h"
#include "core/session/device_session.h"
#include "core/preset/backups.h"
#include "core/preset/image_compare.h"

namespace kdsp {

namespace {

QString Q(const std::filesystem::path& p) {
    return QString::fromStdString(PathText(p));
}

// The new texts of the core (page names) follow the window: Chinese unless English
// was chosen.
int CoreLanguage() {
    return CurrentUiLanguage() == UiLanguage::English ? LanguageEnglish : LanguageChinese;
}

// The line under the preset list; `path` (the whole of it) is its tooltip.
void ShowBackupLine(AppContext& app, const char* source, const QStringList& args = {},
                    const QString& path = {}) {
    if (auto* label = app.Ctl<QLabel>("BackupLabel")) {
        SetTr(label, "text", source, args);
        label->setToolTip(path);
    }
}

bool MemoryRead(AppContext& app) {
    return app.state().DeviceMemoryRead;
}

bool Online(AppContext& app) {
    DeviceSession* session = PanelSession(app);
    return session && session->OnlineNow();
}

void StartUpload(AppContext& app, const PresetReadResult& preset) {
    PanelState& st = PanelsOf(app);
    st.uploaded = preset;
    PanelSession(app)->Upload(preset, true);
    // The window shows what the processor will hold once the upload is through.
    RefreshPages(app, 20);
}

// The processor acknowledged the upload but did not keep all of it: say where, and
// offer to send it again (the backup made before the first try still holds what the
// processor had, so no new one is made).
void TellDifferences(AppContext& app) {
    PanelState& st = PanelsOf(app);
    DeviceSession* session = PanelSession(app);
    if (!session)
        return;
    const ImageDifference& differences = session->UploadDifferences();
    ShowBackupLine(app, QT_TRANSLATE_NOOP("kdsp", "上传校验失败：%1"),
                   {Q(DescribeDifference(differences, CoreLanguage()))});
    const QString pages = Q(DescribeDifference(differences, CoreLanguage(), "\n"));
    const MsgAnswer retry = AppMessage(
        &app.Window(), PromptCaption(),
        Tr(QT_TRANSLATE_NOOP("kdsp", "设备确认了上传，但回读的数据与文件不同：\n%1\n\n重新上传吗?"))
            .arg(pages),
        MsgButtons::YesNo);
    if (retry != MsgAnswer::Yes || !Online(app))
        return;
    StartUpload(app, st.uploaded);
}

}  // namespace

void EnsureBackupFolder(AppContext& app) {
    PanelState& st = PanelsOf(app);
    // Tests put everything of the window under the folder they give.
    st.backupFolder = DefaultBackupFolder(
        st.folderOverride.empty() ? UserDataFolder() : st.folderOverride / "user-data");
    if (st.backupFolder.empty())
        ShowBackupLine(app, QT_TRANSLATE_NOOP("kdsp", "没有用户数据文件夹，无法备份设备数据"));
    else
        ShowBackupLine(app, QT_TRANSLATE_NOOP("kdsp", "备份文件夹：%1"), {Q(st.backupFolder)},
                       Q(st.backupFolder));
}

bool BackupBeforeOverwrite(AppContext& app) {
    PanelState& st = PanelsOf(app);
    st.lastBackup.clear();
    if (!MemoryRead(app)) {
        // Nothing to keep: the window's image is not the processor's memory.
        ShowBackupLine(app, QT_TRANSLATE_NOOP("kdsp", "未备份：尚未读取设备数据"));
        return true;
    }
    const Model& m = app.model();
    try {
        const auto path = WriteBackup(st.backupFolder, m.DeviceImage, m.DeviceIdentity,
                                      std::chrono::system_clock::now());
        st.lastBackup = path;
        ShowBackupLine(app, QT_TRANSLATE_NOOP("kdsp", "已备份：%1"), {Q(path.filename())},
                       Q(path));
        return true;
    } catch (const std::exception& e) {
        ShowBackupLine(app, QT_TRANSLATE_NOOP("kdsp", "未备份：%1"),
                       {QString::fromUtf8(e.what())});
        return AppMessage(&app.Window(), PromptCaption(),
                          Tr(QT_TRANSLATE_NOOP(
                                 "kdsp", "无法备份设备当前的数据：\n%1\n\n仍然覆盖设备的数据吗?"))
                              .arg(QString::fromUtf8(e.what())),
                          MsgButtons::YesNo) == MsgAnswer::Yes;
    }
}

void SendPreset(AppContext& app, const PresetReadResult& preset) {
    if (!Online(app)) {
        // Offline nothing is sent: the file only goes into the window's image.
        ApplyPresetForUpload(preset, app.model());
        RefreshPages(app, 20);
        return;
    }
    if (BackupBeforeOverwrite(app))
        StartUpload(app, preset);
}

void UploadGuardSessionEvent(AppContext& app, const SessionEvent& event) {
    PanelState& st = PanelsOf(app);
    const auto* failure = std::get_if<Failure>(&event);
    const bool differs = failure && failure->code == FailureCode::UploadDiffers;
    if (!std::holds_alternative<UploadFinished>(event) && !differs &&
        !(failure && failure->code == FailureCode::UploadInterrupted))
        return;
    if (st.closeWhenUploaded) {
        // The user closed the window and chose to wait: the upload is over, so the
        // window goes, saying first what a read-back found (no retry is offered).
        st.closeWhenUploaded = false;
        QTimer::singleShot(0, &app.Window(), [&app, differs] {
            DeviceSession* session = PanelSession(app);
            if (differs && session)
                AppMessage(
                    &app.Window(), PromptCaption(),
                    Tr(QT_TRANSLATE_NOOP("kdsp", "设备确认了上传，但回读的数据与文件不同：\n%1"))
                        .arg(Q(DescribeDifference(session->UploadDifferences(), CoreLanguage(),
                                                  "\n"))));
            app.Window().close();
        });
        return;
    }
    if (!differs)
        return;
    // Not from inside the link's event: a retry starts a new transfer.
    QTimer::singleShot(0, &app.Window(), [&app] { TellDifferences(app); });
}

bool MayCloseDuringUpload(AppContext& app) {
    PanelState& st = PanelsOf(app);
    DeviceSession* session = PanelSession(app);
    const SessionState state = session ? session->State() : SessionState::Offline;
    if (state != SessionState::Uploading && state != SessionState::Verifying)
        return true;
    const QString kept =
        st.lastBackup.empty()
            ? Tr(QT_TRANSLATE_NOOP("kdsp", "上传前设备的数据没有备份。"))
            : Tr(QT_TRANSLATE_NOOP("kdsp", "上传前设备的数据已备份在：\n%1")).arg(Q(st.lastBackup));
    const QString text =
        state == SessionState::Uploading
            ? Tr(QT_TRANSLATE_NOOP("kdsp",
                                   "正在上传数据到设备。现在关闭，设备只更新了一部分。\n%1\n\n"
                                   "等待上传完成后再关闭窗口吗?"))
                  .arg(kept)
            : Tr(QT_TRANSLATE_NOOP(
                     "kdsp",
                     "设备已收到全部数据，正在回读校验。现在关闭，上传不会被校验。\n%1\n\n"
                     "等待校验完成后再关闭窗口吗?"))
                  .arg(kept);
    if (AppChoice(&app.Window(), PromptCaption(), text,
                  Tr(QT_TRANSLATE_NOOP("kdsp", "完成后关闭")),
                  Tr(QT_TRANSLATE_NOOP("kdsp", "立即关闭"))) == MsgAnswer::Yes) {
        st.closeWhenUploaded = true;
        return false;
    }
    return true;  // given up: the window stops the session as it closes
}

void RestoreLastBackup(AppContext& app) {
    PanelState& st = PanelsOf(app);
    const Model& m = app.model();
    if (!Online(app) || !MemoryRead(app)) {
        AppMessage(&app.Window(), PromptCaption(),
                   Tr(QT_TRANSLATE_NOOP("kdsp", "设备未连接：无法确定要恢复哪台设备的备份。")));
        return;
    }
    const auto backups = ListBackups(st.backupFolder, m.DeviceIdentity);
    if (backups.empty()) {
        AppMessage(&app.Window(), PromptCaption(),
                   Tr(QT_TRANSLATE_NOOP("kdsp", "没有这台设备（%1）的备份：%2"))
                       .arg(Q(BackupDevice(m.DeviceIdentity)), Q(st.backupFolder)));
        return;
    }
    const std::filesystem::path& newest = backups.back();
    const QString when = QFileInfo(Q(newest)).lastModified().toString("yyyy-MM-dd HH:mm:ss");
    if (AppMessage(
            &app.Window(), PromptCaption(),
            Tr(QT_TRANSLATE_NOOP("kdsp", "把 %1 的备份上传到设备吗?\n%2")).arg(when, Q(newest)),
            MsgButtons::YesNo) != MsgAnswer::Yes)
        return;
    const PresetReadResult result = ReadPresetFile(newest);
    if (!result.Ok()) {
        AppMessage(
            &app.Window(), AppTitle(),
            QString::fromUtf8(PresetMessage(*result.error, LanguageFlagOf(CurrentUiLanguage()))));
        return;
    }
    SendPreset(app, result);
}

}  // namespace kdsp
