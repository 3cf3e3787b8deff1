// The panel "电脑数据备份管理": the preset folder, the list of preset files,
// saving the device image to the PC and loading a file and sending it.
#include "app/panels/preset_panel.h"

#include <algorithm>

#include <QCoreApplication>
#include <QEvent>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QTableWidget>
#include <QVBoxLayout>

#include "app/editing/offline_edits.h"
#include "app/editing/undo_history.h"
#include "app/i18n/language.h"
#include "app/pages/builder.h"
#include "app/panels/panel_builders.h"
#include "app/panels/upload_guard.h"
#include "app/state/app_context.h"
#include "app/state/panel_state.h"
#include "app/widgets/app_message.h"
#include "app/widgets/std_text.h"
#include "core/preset/preset_file.h"
#include "core/preset/preset_library.h"

namespace kdsp {

namespace {

std::string S(const QString& s) { return s.toStdString(); }

// The list is read-only: typed characters never reach it (arrows still move).
class GridKeyFilter : public QObject {
public:
    using QObject::QObject;
    bool eventFilter(QObject* watched, QEvent* e) override {
        if (e->type() == QEvent::KeyPress && !static_cast<QKeyEvent*>(e)->text().isEmpty()) return true;
        return QObject::eventFilter(watched, e);
    }
};

// Rows are picked whole. Keeping the picked row in view must not bring the wide name
// column's far end into view, which left the list scrolled to its right edge with the
// numbers and the start of every name out of sight.
class PresetGrid : public QTableWidget {
public:
    using QTableWidget::QTableWidget;
    void scrollTo(const QModelIndex& index, ScrollHint hint = EnsureVisible) override {
        QTableWidget::scrollTo(index.siblingAtColumn(0), hint);
    }
};

// The row of the name in the name box is the one highlighted, and only that one: the
// buttons act on the name box, and a row left lit from before would say otherwise.
void HighlightRowOf(AppContext& app, const QString& name) {
    auto* grid = app.Ctl<QTableWidget>("ValueListEditor1");
    if (!grid)
        return;
    for (int row = 0; row < grid->rowCount(); ++row)
        if (QTableWidgetItem* item = grid->item(row, 1); item && item->text() == name) {
            if (grid->currentRow() != row)
                grid->setCurrentCell(row, 1);
            return;
        }
    grid->clearSelection();
    grid->setCurrentItem(nullptr);
}

QString SelectedName(AppContext& app) {
    auto* grid = app.Ctl<QTableWidget>("ValueListEditor1");
    if (!grid) return {};
    const int row = grid->currentRow();
    if (row < 0 || row >= grid->rowCount()) return {};
    QTableWidgetItem* item = grid->item(row, 1);
    // The list already shows names without their ending; stripping once more would
    // cut "Live.2024" to "Live" and load the wrong file.
    return item ? item->text() : QString();
}

}  // namespace

void BuildPresetPanel(AppContext& app) {
    QWidget* host = app.Control("SysPresetPage");
    if (!host) return;
    Builder b(app.Registry());
    auto* v = new QVBoxLayout(host);
    v->setContentsMargins(0, 0, 0, 0);
    v->setSpacing(4);
    auto* group = b.Group("PresetBackupGrop", QT_TRANSLATE_NOOP("kdsp", "电脑数据备份管理"), host);
    auto* gv = new QVBoxLayout(group);
    gv->setContentsMargins(6, 6, 6, 6);
    gv->setSpacing(4);

    auto* grid = b.Reg(new PresetGrid(0, 2, group), "ValueListEditor1");
    SetTrItems(grid, {QT_TRANSLATE_NOOP("kdsp", "      序号"),
                      QT_TRANSLATE_NOOP("kdsp", "                   （电脑）数据名称")});
    // The leading spaces of the captions place them; centred, the name's caption would
    // sit in the middle of its 510 pixels, out of sight in the panel's width.
    grid->horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    grid->setAlternatingRowColors(true);
    grid->setColumnWidth(0, 64);
    grid->setColumnWidth(1, 510);
    grid->verticalHeader()->setDefaultSectionSize(20);
    grid->verticalHeader()->setMinimumSectionSize(20);
    grid->verticalHeader()->hide();
    grid->setEditTriggers(QAbstractItemView::NoEditTriggers);
    grid->setSelectionBehavior(QAbstractItemView::SelectRows);
    grid->setSelectionMode(QAbstractItemView::SingleSelection);
    grid->installEventFilter(new GridKeyFilter(grid));
    gv->addWidget(grid, 1);

    auto* folder = b.Reg(new QLabel(group), "PresetFolderLabel");
    folder->setWordWrap(true);
    folder->hide();
    gv->addWidget(folder);

    // Where the processor's memory is kept before an upload or a recall overwrites it.
    auto* backup = b.Reg(new QLabel(group), "BackupLabel");
    backup->setWordWrap(true);
    // A long folder name is cut at the panel's edge (the tooltip has it whole) rather
    // than widening the panel.
    backup->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    gv->addWidget(backup);

    auto* nameRow = new QHBoxLayout;
    nameRow->addWidget(Builder::Caption(QT_TRANSLATE_NOOP("kdsp", "备份文件名称："), group));
    auto* edit = b.Reg(new QLineEdit(group), "FileEdit");
    nameRow->addWidget(edit, 1);
    gv->addLayout(nameRow);

    auto* buttons = new QHBoxLayout;
    auto* save =
        b.Button("RzBmpButton120", QT_TRANSLATE_NOOP("kdsp", "保存数据到电脑"), group, "action");
    auto* load =
        b.Button("RzBmpButton119", QT_TRANSLATE_NOOP("kdsp", "上传数据到设备"), group, "action");
    auto* restore =
        b.Button("BackupRestoreBtn", QT_TRANSLATE_NOOP("kdsp", "恢复上次备份"), group, "action");
    buttons->addWidget(save);
    buttons->addWidget(load);
    buttons->addWidget(restore);
    gv->addLayout(buttons);
    v->addWidget(group, 1);

    QObject::connect(grid, &QTableWidget::cellClicked, &app.Window(), [&app] { TakeSelectedPresetName(app); });
    QObject::connect(edit, &QLineEdit::textEdited, &app.Window(),
                     [&app](const QString& name) { HighlightRowOf(app, name); });
    QObject::connect(save, &QPushButton::clicked, &app.Window(), [&app] { SavePresetToPc(app); });
    QObject::connect(load, &QPushButton::clicked, &app.Window(), [&app] { LoadAndSendPreset(app); });
    QObject::connect(restore, &QPushButton::clicked, &app.Window(), [&app] { RestoreLastBackup(app); });
}

void EnsurePresetFolders(AppContext& app) {
    PanelState& st = PanelsOf(app);
    if (!st.folderOverride.empty()) {
        // The given folder stands for the executable's one.
        st.folders = EnsurePresetFolders(st.folderOverride, st.folderOverride / "user-data");
    } else {
        const auto executableFolder = PathFromText(S(QCoreApplication::applicationDirPath()));
        // Installed under a prefix, the program never writes there; run from its build
        // or a copied folder, the presets sit beside it.
        std::error_code ec;
        const auto shared = InstalledPresetFolder(executableFolder);
        st.folders = std::filesystem::is_directory(shared, ec) ? EnsureInstalledPresetFolders(shared)
                                                               : EnsurePresetFolders(executableFolder);
    }
    ShowPresetFolder(app);
    EnsureBackupFolder(app);
}

void ShowPresetFolder(AppContext& app) {
    const PanelState& st = PanelsOf(app);
    if (auto* label = app.Ctl<QLabel>("PresetFolderLabel")) {
        // Only a fall-back is worth a line: the user would not find the files beside the program.
        const QString text =
            Q(DescribePresetFolders(st.folders, LanguageFlagOf(CurrentUiLanguage())));
        label->setText(text);
        label->setToolTip(text);
        label->setVisible(!st.folders.besideExecutable || !st.folders.usable);
    }
}

void RefreshPresetList(AppContext& app) {
    PanelState& st = PanelsOf(app);
    st.PresetNames = ListPresetNames(st.folders);
    auto* grid = app.Ctl<QTableWidget>("ValueListEditor1");
    if (grid) {
        grid->clearContents();
        grid->setRowCount(static_cast<int>(st.PresetNames.size()));
        for (int i = 0; i < grid->rowCount(); ++i) {
            grid->setItem(i, 0, new QTableWidgetItem(QString::number(i)));
            grid->setItem(i, 1, new QTableWidgetItem(Q(st.PresetNames[static_cast<std::size_t>(i)])));
        }
        if (grid->rowCount() > 0) grid->setCurrentCell(0, 1);
    }
    if (auto* edit = app.Ctl<QLineEdit>("FileEdit")) edit->setText(SelectedName(app));
}

void TakeSelectedPresetName(AppContext& app) {
    auto* edit = app.Ctl<QLineEdit>("FileEdit");
    if (!edit) return;
    edit->setText(SelectedName(app));
    if (app.state().WindowShown) edit->setFocus();
}

void SavePresetToPc(AppContext& app) {
    auto* edit = app.Ctl<QLineEdit>("FileEdit");
    if (!edit || edit->text().isEmpty()) return;
    const std::string name = S(edit->text());
    PanelState& st = PanelsOf(app);
    if (auto problem = PresetNameProblem(name, LanguageFlagOf(CurrentUiLanguage()))) {
        AppMessage(&app.Window(), Tr(QT_TRANSLATE_NOOP("kdsp", "*系统提示*")), Q(*problem));
        return;
    }
    // Asked whenever the file is there, also when only the letter case differs (on a
    // file system that ignores case that is the same file) or when it is a read-only
    // preset, whose entry in the list the new file takes over.
    if (PresetExists(st.folders, name) &&
        AppMessage(&app.Window(), Tr(QT_TRANSLATE_NOOP("kdsp", "*系统提示*")),
                   Tr(QT_TRANSLATE_NOOP("kdsp", "文件已存在,覆盖它吗?")),
                   MsgButtons::OkCancel) != MsgAnswer::Ok)
        return;
    try {
        WritePresetFile(PresetPath(st.folders.PresetFolder, name), app.model());
    } catch (const std::exception& e) {
        AppMessage(&app.Window(), AppTitle(), QString::fromUtf8(e.what()));
        return;
    }
    RefreshPresetList(app);
    edit->setText(Q(name));
    HighlightRowOf(app, edit->text());
}

void LoadAndSendPreset(AppContext& app) {
    auto* edit = app.Ctl<QLineEdit>("FileEdit");
    if (!edit) return;
    const QString name = edit->text();
    if (AppMessage(&app.Window(), "Confirm", Tr(QT_TRANSLATE_NOOP("kdsp", "加载模式：%1 ?")).arg(name),
                   MsgButtons::YesNo) == MsgAnswer::No)
        return;
    PanelState& st = PanelsOf(app);
    const int language = LanguageFlagOf(CurrentUiLanguage());
    PresetReadResult result;
    // A listed name is the file's own, whatever it holds ("<", ">", a line break...);
    // a typed name that no file could have is not looked for.
    const bool listed =
        std::find(st.PresetNames.begin(), st.PresetNames.end(), S(name)) != st.PresetNames.end();
    if (name.isEmpty() || (!listed && PresetNameProblem(S(name))))
        result.error = PresetError::FileNotFound;
    else
        result = ReadPresetFile(PresetToLoad(st.folders, S(name)));
    if (!result.Ok()) {
        // Nothing of a bad file reaches the image.
        AppMessage(&app.Window(), AppTitle(), QString::fromUtf8(PresetMessage(*result.error, language)));
        return;
    }
    // The preset replaces every edit made before it, sent or not.
    app.History().Clear();
    app.OfflineList().Clear();
    SendPreset(app, result);
}

}  // namespace kdsp
