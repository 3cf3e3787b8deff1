// The diff dialog: rows from the core's image differences, a filter over them, and
// takes through the change path.
#include "app/panels/diff_dialog.h"

#include <optional>
#include <vector>

#include <QBoxLayout>
#include <QComboBox>
#include <QDialog>
#include <QFileDialog>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>

#include "app/editing/take_values.h"
#include "app/editing/undo_input.h"
#include "app/i18n/language.h"
#include "app/pages/builder.h"
#include "app/panels/ab_switch.h"
#include "app/state/app_context.h"
#include "app/state/panel_state.h"
#include "core/preset/ab_slots.h"
#include "core/preset/backups.h"
#include "core/preset/image_compare.h"
#include "core/preset/param_diff.h"
#include "core/preset/preset_library.h"

namespace kdsp {

namespace {

enum Side { Now = DiffNow, File = DiffFile, SlotA = DiffSlotA, SlotB = DiffSlotB, LastBackup = DiffLastBackup };

const char* const SideCaptions[] = {
    QT_TRANSLATE_NOOP("kdsp", "当前设置"), QT_TRANSLATE_NOOP("kdsp", "预设文件"), QT_TRANSLATE_NOOP("kdsp", "A"),
    QT_TRANSLATE_NOOP("kdsp", "B"), QT_TRANSLATE_NOOP("kdsp", "最近的备份")};

// The window speaks Chinese unless English was chosen, so page names follow suit.
int PageLanguage() {
    return CurrentUiLanguage() == UiLanguage::English ? LanguageEnglish : LanguageChinese;
}

class DiffDialog : public QDialog {
public:
    explicit DiffDialog(AppContext& app) : QDialog(&app.Window()), app_(app) {
        setObjectName("DiffDialog");
        SetTr(this, "windowTitle", QT_TRANSLATE_NOOP("kdsp", "对比设置"));
        resize(760, 520);
        // The window's captions are light on its dark blue; this dialog is light.
        setStyleSheet(QStringLiteral("QLabel { color: #202020; }"));
        auto* v = new QVBoxLayout(this);
        auto* sides = new QHBoxLayout;
        left_ = SideBox("DiffSideABox", Now);
        right_ = SideBox("DiffSideBBox", File);
        file_ = new QLineEdit(this);
        file_->setObjectName("DiffFileEdit");
        SetTr(file_, "placeholderText", QT_TRANSLATE_NOOP("kdsp", "预设文件的路径"));
        auto* browse = new QPushButton(this);
        browse->setObjectName("DiffBrowseBtn");
        SetTr(browse, "text", QT_TRANSLATE_NOOP("kdsp", "浏览…"));
        // Enter in the path box reads the file; it presses no button of the dialog.
        browse->setAutoDefault(false);
        sides->addWidget(left_);
        sides->addWidget(Label(QT_TRANSLATE_NOOP("kdsp", "对比")));
        sides->addWidget(right_);
        sides->addWidget(file_, 1);
        sides->addWidget(browse);
        v->addLayout(sides);

        auto* filters = new QHBoxLayout;
        page_ = new QComboBox(this);
        page_->setObjectName("DiffPageBox");
        page_->addItem(Tr(QT_TRANSLATE_NOOP("kdsp", "全部页")), -1);
        for (int p = 0; p < PageCount; ++p) page_->addItem(QString::fromStdString(PageName(p, PageLanguage())), p);
        text_ = new QLineEdit(this);
        text_->setObjectName("DiffFilterEdit");
        SetTr(text_, "placeholderText", QT_TRANSLATE_NOOP("kdsp", "按名称或数值筛选"));
        filters->addWidget(page_);
        filters->addWidget(text_, 1);
        v->addLayout(filters);

        table_ = new QTableWidget(0, 5, this);
        table_->setObjectName("DiffTable");
        SetTrItems(table_, {QT_TRANSLATE_NOOP("kdsp", "参数"), QT_TRANSLATE_NOOP("kdsp", "页"),
                            QT_TRANSLATE_NOOP("kdsp", "第一组"), QT_TRANSLATE_NOOP("kdsp", "第二组"), QString()});
        table_->setEditTriggers(QAbstractItemView::NoEditTriggers);
        table_->verticalHeader()->hide();
        table_->horizontalHeader()->setSectionResizeMode(0, QHeaderView::Stretch);
        v->addWidget(table_, 1);

        auto* bottom = new QHBoxLayout;
        summary_ = new QLabel(this);
        summary_->setObjectName("DiffSummaryLabel");
        takeAll_ = new QPushButton(this);
        takeAll_->setObjectName("DiffTakeAllBtn");
        SetTr(takeAll_, "text", QT_TRANSLATE_NOOP("kdsp", "全部采用（所显示的）"));
        takeAll_->setAutoDefault(false);
        bottom->addWidget(summary_, 1);
        bottom->addWidget(takeAll_);
        v->addLayout(bottom);

        connect(left_, &QComboBox::currentIndexChanged, this, [this] { Reload(); });
        connect(right_, &QComboBox::currentIndexChanged, this, [this] { Reload(); });
        connect(file_, &QLineEdit::editingFinished, this, [this] { Reload(); });
        connect(browse, &QPushButton::clicked, this, [this] {
            const QString path = QFileDialog::getOpenFileName(this, Tr(QT_TRANSLATE_NOOP("kdsp", "打开预设")), QString(),
                                                              Tr(QT_TRANSLATE_NOOP("kdsp", "预设文件 (*.Nddt *.nddt)")));
            if (path.isEmpty()) return;
            file_->setText(path);
            Reload();
        });
        connect(page_, &QComboBox::currentIndexChanged, this, [this] { Fill(); });
        connect(text_, &QLineEdit::textChanged, this, [this] { Fill(); });
        connect(takeAll_, &QPushButton::clicked, this, [this] { Take(shown_); });
        // A take is undone where it was made, and the rows show what is undone.
        AddUndoKeys(app_, this, [this] { Reload(); });
    }

    void Compare(int second) {
        left_->setCurrentIndex(Now);
        right_->setCurrentIndex(second);
    }

    // Both sets read again, the rows made again.
    void Reload() {
        QString why;
        std::optional<DeviceImageRows> a = Image(static_cast<Side>(left_->currentIndex()), why);
        std::optional<DeviceImageRows> b = Image(static_cast<Side>(right_->currentIndex()), why);
        rows_.clear();
        if (a && b) {
            // Compared as saved: the system words' copies in page 0 are what a file
            // holds, and the processor is never asked for them.
            MirrorSystemWordsForSave(*a);
            MirrorSystemWordsForSave(*b);
            rows_ = DiffImages(*a, *b);
            second_ = *b;
        }
        problem_ = a && b ? QString() : why;
        Fill();
    }

private:
    QComboBox* SideBox(const char* name, Side initial) {
        auto* box = new QComboBox(this);
        box->setObjectName(name);
        // Items added translated once: a remembered item list is set again on a
        // language change, which would lose the side chosen.
        for (const char* c : SideCaptions) box->addItem(Tr(QString::fromUtf8(c)));
        box->setCurrentIndex(initial);
        return box;
    }
    QLabel* Label(const char* text) {
        auto* l = new QLabel(this);
        SetTr(l, "text", text);
        return l;
    }

    std::optional<DeviceImageRows> Image(Side side, QString& why) {
        const Model& m = app_.model();
        switch (side) {
            case Now: return m.DeviceImage;
            case SlotA:
            case SlotB: {
                const AbSlot slot = side == SlotA ? AbSlot::A : AbSlot::B;
                const AbSlots* ab = AbSlotsOf(app_);
                if (ab && ab->Has(slot)) {
                    // The active slot is what the window holds now, edits included.
                    return ab->Active() == slot ? m.DeviceImage : ab->Image(slot);
                }
                why = Tr(QT_TRANSLATE_NOOP("kdsp", "%1 还没有存入设置")).arg(side == SlotA ? "A" : "B");
                return std::nullopt;
            }
            case File:
            case LastBackup: {
                std::filesystem::path path;
                if (side == File) {
                    path = PathFromText(file_->text().trimmed().toStdString());
                } else {
                    const PanelState& st = PanelsOf(app_);
                    const auto backups = ListBackups(st.backupFolder, m.DeviceIdentity);
                    if (!backups.empty()) path = backups.back();
                }
                if (path.empty()) {
                    why = Tr(side == File ? QT_TRANSLATE_NOOP("kdsp", "请选择预设文件")
                                          : QT_TRANSLATE_NOOP("kdsp", "这台设备还没有备份"));
                    return std::nullopt;
                }
                const PresetReadResult r = ReadPresetFile(path);
                if (!r.Ok()) {
                    why = QString::fromUtf8(PresetMessage(*r.error, LanguageFlagOf(CurrentUiLanguage())));
                    return std::nullopt;
                }
                // What loading the file would leave: the words it does not carry stay.
                DeviceImageRows image = m.DeviceImage;
                ApplyPreset(r, image);
                return image;
            }
        }
        return std::nullopt;
    }

    bool Shown(const ParamDifference& d) const {
        const int page = page_->currentData().toInt();
        if (page >= 0 && d.page != page) return false;
        const QString text = text_->text().trimmed();
        if (text.isEmpty()) return true;
        for (const std::string& s : {d.name, d.shownA, d.shownB})
            if (QString::fromStdString(s).contains(text, Qt::CaseInsensitive)) return true;
        return false;
    }

    // The takes write into the settings now, so they exist only when the first set is that.
    bool CanTake(const ParamDifference& d) const {
        return left_->currentIndex() == Now && d.param && InReach(app_.model(), *d.param);
    }

    void Fill() {
        shown_.clear();
        table_->setRowCount(0);
        const int language = PageLanguage();
        for (const ParamDifference& d : rows_) {
            if (!Shown(d)) continue;
            const int row = table_->rowCount();
            table_->insertRow(row);
            const QString cells[] = {QString::fromStdString(d.name), QString::fromStdString(PageName(d.page, language)),
                                     QString::fromStdString(d.shownA), QString::fromStdString(d.shownB)};
            for (int c = 0; c < 4; ++c) table_->setItem(row, c, new QTableWidgetItem(cells[c]));
            auto* take = new QPushButton(Tr(QT_TRANSLATE_NOOP("kdsp", "采用此值")));
            take->setObjectName(QString("DiffTakeBtn%1").arg(row));
            take->setEnabled(CanTake(d));
            take->setAutoDefault(false);
            if (d.param) {
                const ParamSpec* param = d.param;
                // Queued: the take refills the table, which deletes this very button.
                connect(take, &QPushButton::clicked, this, [this, param] { Take({param}); }, Qt::QueuedConnection);
                if (CanTake(d)) shown_.push_back(param);
            }
            table_->setCellWidget(row, 4, take);
        }
        takeAll_->setEnabled(!shown_.empty());
        summary_->setText(!problem_.isEmpty() ? problem_
                                              : TrN(QT_TRANSLATE_NOOP("kdsp", "%n 项不同"), static_cast<int>(rows_.size())));
    }

    void Take(std::vector<const ParamSpec*> specs) {
        if (specs.empty()) return;
        const DeviceImageRows source = second_;
        TakeValues(app_, specs, source);
        Reload();
    }

    AppContext& app_;
    QComboBox* left_;
    QComboBox* right_;
    QLineEdit* file_;
    QComboBox* page_;
    QLineEdit* text_;
    QTableWidget* table_;
    QLabel* summary_;
    QPushButton* takeAll_;
    std::vector<ParamDifference> rows_;
    std::vector<const ParamSpec*> shown_;  // the takeable rows shown, for "take all shown"
    DeviceImageRows second_{};
    QString problem_;
};

}  // namespace

QDialog* ShowDiffDialog(AppContext& app, int second) {
    auto* dialog = app.Window().findChild<DiffDialog*>("DiffDialog", Qt::FindDirectChildrenOnly);
    if (!dialog) dialog = new DiffDialog(app);
    if (second >= 0) dialog->Compare(second);
    dialog->Reload();
    dialog->show();
    dialog->raise();
    dialog->activateWindow();
    return dialog;
}

void BuildDiffButton(AppContext& app) {
    QWidget* bar = app.Control("Image2");
    QWidget* undo = app.Control("UndoBtn");
    auto* layout = bar ? qobject_cast<QBoxLayout*>(bar->layout()) : nullptr;
    if (!layout || !undo) return;
    Builder b(app.Registry());
    auto* w = b.Button("DiffBtn", QT_TRANSLATE_NOOP("kdsp", "对比…"), bar, "titlebutton");
    SetTr(w, "toolTip", QT_TRANSLATE_NOOP("kdsp", "列出两组设置之间不同的参数"));
    w->setFixedSize(80, 24);  // room for "Compare…" too
    QObject::connect(w, &QPushButton::clicked, &app.Window(), [&app] { ShowDiffDialog(app); });
    layout->insertWidget(layout->indexOf(undo), w);
}

}  // namespace kdsp
