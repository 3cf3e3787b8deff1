// The system sheet (modes, volumes, inputs, user/panel/remote switches) and
// the dynamic-EQ sheet (three bands with their compressors).
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>

#include "app/i18n/language.h"
#include "app/pages/builder.h"
#include "app/pages/control_bindings.h"
#include "app/pages/pages.h"

namespace kdsp {

namespace {

QGridLayout* SystemGrid(QGroupBox* g) {
    auto* grid = new QGridLayout(g);
    grid->setContentsMargins(8, 6, 8, 6);
    grid->setHorizontalSpacing(4);
    grid->setVerticalSpacing(5);
    grid->setColumnStretch(2, 1);
    return grid;
}

QGroupBox* ChoiceBox(Builder& b, QWidget* parent, const QString& name, const QString& title,
                     ParamId id, const QStringList& captions) {
    auto* g = b.Group(name, title, parent);
    auto* h = new QHBoxLayout(g);
    h->setContentsMargins(8, 6, 8, 6);
    for (BoundButton* btn : b.Choice(id, captions, g)) h->addWidget(btn);
    return g;
}

}  // namespace

QWidget* BuildSystemSheet(Builder& b, QWidget* parent) {
    auto* sheet = b.Reg(new QWidget(parent), "AdvTabSheet8_Sys");
    auto* h = new QHBoxLayout(sheet);
    h->setContentsMargins(8, 6, 8, 6);
    h->setSpacing(8);

    auto* left = new QVBoxLayout;
    auto* vol = b.Group("SysVolGrop", QT_TRANSLATE_NOOP("kdsp", "音量限制"), sheet);
    QGridLayout* grid = SystemGrid(vol);
    static const struct {
        ParamId id;
        const char* caption;
        const char* hint;
    } kVolumes[] = {{0x0A06, QT_TRANSLATE_NOOP("kdsp", "音乐开机音量"), "1"},
                    {0x0A07, QT_TRANSLATE_NOOP("kdsp", "音乐最大音量"), "2"},
                    {0x0A08, QT_TRANSLATE_NOOP("kdsp", "话筒开机音量"), "1"},
                    {0x0A09, QT_TRANSLATE_NOOP("kdsp", "话筒最大音量"), "2"},
                    {0x0A0A, QT_TRANSLATE_NOOP("kdsp", "效果开机音量"), "1"},
                    {0x0A0B, QT_TRANSLATE_NOOP("kdsp", "效果最大音量"), "2"}};
    int r = 0;
    for (const auto& v : kVolumes) {
        auto row = b.AddSliderRow(grid, r++, v.id, QString::fromUtf8(v.caption));
        if (row.bar) row.bar->SetHint(QString::fromLatin1(v.hint));
        if (row.pane) row.pane->SetHint("0");
    }
    left->addWidget(vol);

    auto* input = b.Group("SysInputGrop", QT_TRANSLATE_NOOP("kdsp", "音乐输入"), sheet);
    grid = SystemGrid(input);
    grid->addWidget(Builder::Caption(QT_TRANSLATE_NOOP("kdsp", "输入选择"), input), 0, 0);
    auto* sel = new QHBoxLayout;
    for (BoundButton* btn :
         b.Choice(0x0A0E,
                  {QT_TRANSLATE_NOOP("kdsp", "输入1"), QT_TRANSLATE_NOOP("kdsp", "输入2"),
                   QT_TRANSLATE_NOOP("kdsp", "输入3")},
                  input))
        sel->addWidget(btn);
    grid->addLayout(sel, 0, 2, 1, 3);
    grid->addWidget(Builder::Caption(QT_TRANSLATE_NOOP("kdsp", "输入电平"), input), 1, 0);
    auto* sign = b.Reg(new QWidget(input), "SignRzGroup");
    auto* sh = new QHBoxLayout(sign);
    sh->setContentsMargins(0, 0, 0, 0);
    for (BoundButton* btn : b.Choice(0x0A03, {"0dB", "3dB", "6dB"}, sign)) sh->addWidget(btn);
    grid->addWidget(sign, 1, 2, 1, 3);
    grid->addWidget(Builder::Caption(QT_TRANSLATE_NOOP("kdsp", "输入增益"), input), 2, 0);
    auto* levelBox = b.Combo("SysMusInputLevelBox", {"0dB", "3dB", "6dB"}, input);
    grid->addWidget(levelBox, 2, 2, 1, 3);
    left->addWidget(input);
    left->addStretch(1);
    h->addLayout(left, 3);

    auto* mid = new QVBoxLayout;
    auto* mode = b.Group("SysModeGrop", QT_TRANSLATE_NOOP("kdsp", "模式"), sheet);
    grid = SystemGrid(mode);
    grid->addWidget(Builder::Caption(QT_TRANSLATE_NOOP("kdsp", "当前模式"), mode), 0, 0);
    auto* modeBox = b.Combo("SysModeBox", {}, mode);
    grid->addWidget(modeBox, 0, 2);
    auto* current = b.Reg(Builder::Caption(QString(), mode), "CurrentModeLabel");
    SetTr(current, "text", QT_TRANSLATE_NOOP("kdsp", "（当前模式：%1 ）"), {"1"});
    grid->addWidget(current, 1, 0, 1, 3);
    // The stored-mode buttons sit here (mode panel).
    grid->addWidget(b.Reg(new QWidget(mode), "SysModePanelHost"), 2, 0, 1, 3);
    mid->addWidget(mode);
    auto* user =
        ChoiceBox(b, sheet, "SysUserMangerGrop", QT_TRANSLATE_NOOP("kdsp", "用户模式"), 0x0A0C,
                  {QT_TRANSLATE_NOOP("kdsp", "用户"), QT_TRANSLATE_NOOP("kdsp", "管理员")});
    mid->addWidget(user);
    mid->addWidget(
        ChoiceBox(b, sheet, "SysPanelGrop", QT_TRANSLATE_NOOP("kdsp", "面板自动锁"), 0x0A0D,
                  {QT_TRANSLATE_NOOP("kdsp", "禁用"), QT_TRANSLATE_NOOP("kdsp", "开启")}));
    mid->addWidget(
        ChoiceBox(b, sheet, "SysRemoteGrop", QT_TRANSLATE_NOOP("kdsp", "红外遥控"), 0x0A11,
                  {QT_TRANSLATE_NOOP("kdsp", "关闭"), QT_TRANSLATE_NOOP("kdsp", "开启")}));
    mid->addStretch(1);
    h->addLayout(mid, 2);

    // Presets and the lock panels are laid into this column.
    auto* right = b.Group("PresetGrop", QT_TRANSLATE_NOOP("kdsp", "预设"), sheet);
    auto* rv = new QVBoxLayout(right);
    rv->setContentsMargins(8, 6, 8, 6);
    rv->addWidget(b.Reg(new QWidget(right), "SysPresetHost"), 1);
    h->addWidget(right, 2);
    return sheet;
}

QWidget* BuildDynEqSheet(Builder& b, QWidget* parent) {
    auto* sheet = b.Reg(new QWidget(parent), "AdvTabSheet9_DEQ");
    auto* outer = new QVBoxLayout(sheet);
    outer->setContentsMargins(6, 4, 6, 4);
    outer->setSpacing(4);
    auto* h = new QHBoxLayout;
    h->setSpacing(6);
    static const char* const kTypeTexts[3] = {"PEQ", "LSEQ", "HSEQ"};
    static const char* const kDynTexts[3] = {"Off", "Below", "Above"};
    static const char* const kAmp[3] = {"0.775V", "1V", "1.4V"};
    for (int g = 0; g < 3; ++g) {
        const int base = 12 * g;
        const QString n = QString::number(g + 1);
        auto* column = new QVBoxLayout;
        column->setSpacing(2);
        // The bypass switch stays outside the group so a bypassed group can be re-enabled.
        auto* head = new QHBoxLayout;
        auto* label = b.Label("DEQPointLabel" + n, QString(), sheet);
        SetTr(label, "text", QT_TRANSLATE_NOOP("kdsp", "动态EQ %1"), {n});
        label->setProperty("role", "point");
        label->setFixedHeight(20);
        head->addWidget(label, 1);
        auto* pass = b.ButtonOf(MakeId(PageDynEq, base + 1), QT_TRANSLATE_NOOP("kdsp", "EQ pass"),
                                sheet, "toggle");
        pass->setFixedWidth(70);
        head->addWidget(pass);
        column->addLayout(head);

        auto* grp = b.Group("DEQ" + n + "Grop", QString(), sheet);
        auto* grid = SystemGrid(grp);
        grid->setVerticalSpacing(3);
        Builder::Band band = b.MakeBand(PageDynEq, base + 2, grp, Qt::Horizontal);
        band.type->hide();
        grid->addWidget(Builder::Caption(QT_TRANSLATE_NOOP("kdsp", "类型"), grp), 0, 0);
        auto* pics = new QHBoxLayout;
        for (int k = 0; k < 3; ++k)
            if (band.pics[k]) {
                band.pics[k]->setText(QString::fromLatin1(kTypeTexts[k]));
                pics->addWidget(band.pics[k]);
            }
        grid->addLayout(pics, 0, 2, 1, 3);
        auto editRow = [&](int row, const char* caption, QWidget* bar, BoundEdit* e, BoundSpin* s) {
            grid->addWidget(Builder::Caption(QString::fromUtf8(caption), grp), row, 0);
            if (bar) grid->addWidget(bar, row, 2);
            auto* eh = new QHBoxLayout;
            eh->setSpacing(1);
            e->setFixedWidth(64);
            eh->addWidget(e);
            if (s) eh->addWidget(s);
            grid->addLayout(eh, row, bar ? 3 : 2, 1, bar ? 2 : 3, Qt::AlignLeft);
        };
        editRow(1, QT_TRANSLATE_NOOP("kdsp", "频率"), nullptr, band.fre, band.freSpin);
        editRow(2, QT_TRANSLATE_NOOP("kdsp", "增益"), band.gainBar, band.gain, band.gainSpin);
        editRow(3, QT_TRANSLATE_NOOP("kdsp", "Q值"), nullptr, band.q, band.qSpin);

        const ParamBinding& type = BindingOf(MakeId(PageDynEq, base + 7));
        auto* typeBox = b.Combo(QString::fromLatin1(type.editor), {"Off", "Below", "Above"}, grp);
        typeBox->SetKind(type.param ? KindFromNumber(type.param->valueKind) : std::nullopt);
        typeBox->hide();
        grid->addWidget(Builder::Caption(QT_TRANSLATE_NOOP("kdsp", "动态"), grp), 4, 0);
        auto* dyn = new QHBoxLayout;
        for (int k = 0; k < 3; ++k)
            if (type.typeControls[k])
                dyn->addWidget(b.Picture(QString::fromLatin1(type.typeControls[k]),
                                         QString::fromLatin1(kDynTexts[k]), grp));
        grid->addLayout(dyn, 4, 2, 1, 3);
        b.AddSliderRow(grid, 5, MakeId(PageDynEq, base + 8), QT_TRANSLATE_NOOP("kdsp", "启动时间"));
        b.AddSliderRow(grid, 6, MakeId(PageDynEq, base + 9), QT_TRANSLATE_NOOP("kdsp", "释放时间"));
        b.AddSliderRow(grid, 7, MakeId(PageDynEq, base + 10),
                       QT_TRANSLATE_NOOP("kdsp", "门限电平"));
        b.AddSliderRow(grid, 8, MakeId(PageDynEq, base + 11), QT_TRANSLATE_NOOP("kdsp", "压缩比"));
        grid->addWidget(Builder::Caption(QT_TRANSLATE_NOOP("kdsp", "响应"), grp), 9, 0);
        auto* speed = new QHBoxLayout;
        for (BoundButton* s :
             b.Choice(MakeId(PageDynEq, base + 12),
                      {QT_TRANSLATE_NOOP("kdsp", "快"), QT_TRANSLATE_NOOP("kdsp", "中"),
                       QT_TRANSLATE_NOOP("kdsp", "慢")},
                      grp))
            speed->addWidget(s);
        grid->addLayout(speed, 9, 2, 1, 3);
        grid->addWidget(Builder::Caption(QT_TRANSLATE_NOOP("kdsp", "输入电平"), grp), 10, 0);
        auto* amp = new QHBoxLayout;
        for (int l = 0; l < 3; ++l) {
            auto* a = b.Button(QString("AmpLBtn%1_%2").arg(g).arg(l), QString::fromLatin1(kAmp[l]), grp,
                               "choice");
            a->SetTag(g);
            a->SetHint(QString::number(l));
            amp->addWidget(a);
        }
        grid->addLayout(amp, 10, 2, 1, 3);
        column->addWidget(grp, 1);
        h->addLayout(column, 1);
    }
    outer->addLayout(h, 1);
    auto* foot = new QHBoxLayout;
    foot->addStretch(1);
    auto* reset =
        b.Button("RzBmpButton5", QT_TRANSLATE_NOOP("kdsp", "动态EQ复位"), sheet, "action");
    reset->setFixedWidth(110);
    foot->addWidget(reset);
    outer->addLayout(foot);
    return sheet;
}

}  // namespace kdsp
