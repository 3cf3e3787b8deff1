// Importing and exporting filter lists on the EQ page shown: the reading, fitting
// and writing are the core's; here the file dialog, the summary the user confirms
// and the sending of the bands as one undo step.
#include "app/panels/eq_file_panel.h"

#include <QFile>
#include <QFileDialog>
#include <QPushButton>
#include <QSaveFile>

#include "app/editing/change_path.h"
#include "app/editing/page_refresh.h"
#include "app/editing/undo_history.h"
#include "app/i18n/language.h"
#include "app/state/app_context.h"
#include "app/widgets/app_message.h"
#include "app/widgets/std_text.h"
#include "core/eq/eq_fit.h"
#include "core/eq/filter_export.h"
#include "core/model/codecs.h"
#include "core/model/eq_layout.h"

namespace kdsp {
namespace {


EqFileChoice DialogChooser(QWidget* parent, bool save) {
    const QString rew = Tr(QT_TRANSLATE_NOOP("kdsp", "REW 滤波器设置 (*.txt)"));
    const QString apo = Tr(QT_TRANSLATE_NOOP("kdsp", "Equalizer APO 配置 (*.txt)"));
    const QString all = Tr(QT_TRANSLATE_NOOP("kdsp", "所有文件 (*)"));
    QString picked;
    EqFileChoice choice;
    if (save) {
        choice.path = QFileDialog::getSaveFileName(parent, Tr(QT_TRANSLATE_NOOP("kdsp", "导出EQ")), QString(),
                                                   rew + ";;" + apo, &picked);
    } else {
        choice.path = QFileDialog::getOpenFileName(parent, Tr(QT_TRANSLATE_NOOP("kdsp", "导入EQ")), QString(),
                                                   rew + ";;" + apo + ";;" + all, &picked);
    }
    choice.apo = picked == apo;
    return choice;
}

EqFileChooser& Chooser() {
    static EqFileChooser chooser = DialogChooser;
    return chooser;
}

// The page whose words the EQ shown edits: the effect EQ chosen, group B of the
// microphone, the rear or second auxiliary output through the shared controls.
int StoredPage(AppContext& app, int shown) {
    const Model& m = app.model();
    if (shown == PageEcho) return m.EffectEqVariant;
    if (shown == PageMic && m.MicBandMode == 1) return PageMic9;
    return PageOf(StorageId(m, MakeId(shown, FirstEqIndex[static_cast<std::size_t>(shown)])));
}

int ShownPage(AppContext& app) { return app.state().EqGraphSelection >> 8; }

// The EQ page shown, or -1 after telling the user why there is none to use.
int EqPageShown(AppContext& app) {
    const int shown = ShownPage(app);
    if (!TakesFilterList(shown)) {
        AppMessage(&app.Window(), PromptCaption(),
                   Tr(QT_TRANSLATE_NOOP("kdsp", "此页面的EQ不能导入或导出滤波器列表。")));
        return -1;
    }
    // The music EQ is edited in manual mode only, as the reset button is.
    if (app.ActiveSheet() == 0 && app.model().ParamImage[PageMusic][0] == 0) {
        AppMessage(&app.Window(), PromptCaption(), Tr(QT_TRANSLATE_NOOP("kdsp", "请先切换到手动模式。")));
        return -1;
    }
    return shown;
}

QString Summary(const EqFit& fit) {
    QStringList lines;
    lines << Tr(QT_TRANSLATE_NOOP("kdsp", "将设置以下频段:"));
    for (std::size_t b = 0; b < fit.after.bands.size(); ++b) {
        const int line = fit.bandLines[b];
        lines << (line ? Tr(QT_TRANSLATE_NOOP("kdsp", "频段%1: %2 (第%3行)"))
                             .arg(b + 1)
                             .arg(Q(BandText(fit.after.bands[b])))
                             .arg(line)
                       : Tr(QT_TRANSLATE_NOOP("kdsp", "频段%1: 平直")).arg(b + 1));
    }
    if (fit.highPassLine)
        lines << Tr(QT_TRANSLATE_NOOP("kdsp", "高通: %1 (第%2行)"))
                     .arg(Q(CrossoverText(fit.after.highPass, true)))
                     .arg(fit.highPassLine);
    if (fit.lowPassLine)
        lines << Tr(QT_TRANSLATE_NOOP("kdsp", "低通: %1 (第%2行)"))
                     .arg(Q(CrossoverText(fit.after.lowPass, false)))
                     .arg(fit.lowPassLine);
    for (const ListedFilter& f : fit.dropped)
        lines << Tr(QT_TRANSLATE_NOOP("kdsp", "未采用(影响较小): 第%1行")).arg(f.line);
    for (const IgnoredLine& i : fit.ignored)
        lines << Tr(QT_TRANSLATE_NOOP("kdsp", "不能采用: 第%1行: %2")).arg(i.line).arg(Q(i.why));
    if (fit.preampDb)
        lines << Tr(QT_TRANSLATE_NOOP("kdsp", "前级增益 %1 dB: 未应用(本机没有以dB设置的电平)"))
                     .arg(*fit.preampDb, 0, 'f', 1);
    lines << Tr(QT_TRANSLATE_NOOP("kdsp", "与文件的偏差(20 Hz - 20 kHz): 最大 %1 dB (在 %2 Hz), 平均 %3 dB"))
                 .arg(fit.deviation.maxDb, 0, 'f', 2)
                 .arg(fit.deviation.atHz, 0, 'f', 0)
                 .arg(fit.deviation.meanDb, 0, 'f', 2);
    lines << Tr(QT_TRANSLATE_NOOP("kdsp", "现在发送吗?"));
    return lines.join('\n');
}

// Every band of the page as one band frame, the crossover words that change one by
// one; all as one step of the undo history.
void ApplyFit(AppContext& app, int shown, const EqFit& fit) {
    Model& m = app.model();
    const PageEqWrites writes = WritesFor(fit.before, fit.after, shown);
    app.History().SeparateStep([&] {
        for (const auto& band : writes.bands) {
            for (int k = 0; k < 4; ++k)
                StoreValue(m, band[static_cast<std::size_t>(k)].id, band[static_cast<std::size_t>(k)].value);
            SendBandParam(app, band[4].id, band[4].value);
        }
        for (const EqWord& w : writes.words) SendParam(app, w.id, w.value);
    });
    RefreshPages(app, shown);
    app.DrawChannelCurve(20, shown);
}

}  // namespace

EqFileChooser SetEqFileChooser(EqFileChooser chooser) {
    EqFileChooser previous = std::move(Chooser());
    Chooser() = chooser ? std::move(chooser) : EqFileChooser(DialogChooser);
    return previous;
}

void ImportEqFile(AppContext& app) {
    const int shown = EqPageShown(app);
    if (shown < 0) return;
    const EqFileChoice choice = Chooser()(&app.Window(), false);
    if (choice.path.isEmpty()) return;
    QFile file(choice.path);
    if (!file.open(QIODevice::ReadOnly)) {
        AppMessage(&app.Window(), PromptCaption(), Tr(QT_TRANSLATE_NOOP("kdsp", "无法读取文件: %1")).arg(choice.path));
        return;
    }
    const QByteArray bytes = file.read(static_cast<qint64>(MaxFilterFileBytes) + 1);
    const FilterList list = ReadFilterList(std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size())));
    Model& m = app.model();
    const int stored = StoredPage(app, shown);
    const EqFit fit = list.Ok() ? FitToPage(list, ReadPageEq(m.DeviceImage, stored, m.ModeFlag), false) : EqFit{};
    const std::string error = list.Ok() ? fit.error : list.error;
    if (!error.empty()) {
        AppMessage(&app.Window(), PromptCaption(),
                   Tr(QT_TRANSLATE_NOOP("kdsp", "不能导入此文件: %1")).arg(Q(error)));
        return;
    }
    if (AppMessage(&app.Window(), PromptCaption(), Summary(fit), MsgButtons::YesNo) != MsgAnswer::Yes) return;
    ApplyFit(app, shown, fit);
}

void ExportEqFile(AppContext& app) {
    const int shown = EqPageShown(app);
    if (shown < 0) return;
    const EqFileChoice choice = Chooser()(&app.Window(), true);
    if (choice.path.isEmpty()) return;
    const Model& m = app.model();
    const int stored = StoredPage(app, shown);
    const std::string text = ExportFilterList(ReadPageEq(m.DeviceImage, stored, m.ModeFlag),
                                              choice.apo ? FilterFormat::Apo : FilterFormat::Rew,
                                              "kdsp " + std::string(FilterPageName(stored)) + " EQ");
    QSaveFile out(choice.path);
    if (!out.open(QIODevice::WriteOnly) || out.write(text.data(), static_cast<qint64>(text.size())) < 0 ||
        !out.commit()) {
        AppMessage(&app.Window(), PromptCaption(), Tr(QT_TRANSLATE_NOOP("kdsp", "无法写入文件: %1")).arg(choice.path));
    }
}

void BuildEqFilePanel(AppContext& app) {
    if (auto* b = app.Ctl<QPushButton>("EqImportBtn"))
        QObject::connect(b, &QPushButton::clicked, &app.Window(), [&app] { ImportEqFile(app); });
    if (auto* b = app.Ctl<QPushButton>("EqExportBtn"))
        QObject::connect(b, &QPushButton::clicked, &app.Window(), [&app] { ExportEqFile(app); });
}

}  // namespace kdsp
