// The effects sheet: echo and reverb parameters and the shared five-band effect EQ.
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QScrollArea>
#include <QVBoxLayout>

#include "app/pages/builder.h"
#include "app/pages/pages.h"
#include "core/model/eq_layout.h"

namespace kdsp {

namespace {

struct Row {
    ParamId id;
    const char* caption;
    ParamId phase;
};

QGroupBox* SliderGroup(Builder& b, QWidget* parent, const QString& name, const QString& title,
                       std::initializer_list<Row> rows, QGridLayout** gridOut) {
    auto* g = b.Group(name, title, parent);
    auto* grid = new QGridLayout(g);
    grid->setContentsMargins(6, 4, 6, 4);
    grid->setHorizontalSpacing(4);
    grid->setVerticalSpacing(3);
    int r = 0;
    for (const Row& row : rows) b.AddSliderRow(grid, r++, row.id, QString::fromUtf8(row.caption), row.phase);
    grid->setColumnStretch(2, 1);
    grid->setColumnMinimumWidth(1, 24);
    *gridOut = grid;
    return g;
}

constexpr ParamId None = 0xFFFF;

}  // namespace

QWidget* BuildEffectSheet(Builder& b, QWidget* parent) {
    auto* sheet = b.Reg(new QWidget(parent), "AdvTabSheet3_Eff");
    auto* h = new QHBoxLayout(sheet);
    h->setContentsMargins(6, 4, 6, 4);
    h->setSpacing(6);

    QGridLayout* grid = nullptr;
    auto* echo = SliderGroup(b, sheet, "EchoGrop", QT_TRANSLATE_NOOP("kdsp", "回声"),
                             {{0x0401, QT_TRANSLATE_NOOP("kdsp", "效果电平"), 0x0400},
                              {0x0403, QT_TRANSLATE_NOOP("kdsp", "直达电平"), 0x0402},
                              {0x0404, QT_TRANSLATE_NOOP("kdsp", "低切频率"), None},
                              {0x0405, QT_TRANSLATE_NOOP("kdsp", "高切频率"), None},
                              {0x0406, QT_TRANSLATE_NOOP("kdsp", "预延时"), None},
                              {0x0407, QT_TRANSLATE_NOOP("kdsp", "延时时间"), None},
                              {0x0408, QT_TRANSLATE_NOOP("kdsp", "反馈次数"), None},
                              {0x0409, QT_TRANSLATE_NOOP("kdsp", "混响时间"), None},
                              {0x040A, QT_TRANSLATE_NOOP("kdsp", "混响预延"), None}},
                             &grid);
    auto* modes = new QHBoxLayout;
    modes->addWidget(Builder::Caption(QT_TRANSLATE_NOOP("kdsp", "回声模式"), echo));
    for (BoundButton* m :
         b.Choice(0x040B,
                  {QT_TRANSLATE_NOOP("kdsp", "单声道"), QT_TRANSLATE_NOOP("kdsp", "立体声")}, echo))
        modes->addWidget(m);
    grid->addLayout(modes, 9, 0, 1, 5);
    grid->setRowStretch(10, 1);
    h->addWidget(echo, 1);

    auto* rvb = SliderGroup(b, sheet, "RvbGrop", QT_TRANSLATE_NOOP("kdsp", "混响"),
                            {{0x0501, QT_TRANSLATE_NOOP("kdsp", "效果电平"), 0x0500},
                             {0x0503, QT_TRANSLATE_NOOP("kdsp", "直达电平"), 0x0502},
                             {0x0504, QT_TRANSLATE_NOOP("kdsp", "混响时间"), None},
                             {0x0505, QT_TRANSLATE_NOOP("kdsp", "预延时"), None},
                             {0x0506, QT_TRANSLATE_NOOP("kdsp", "低切频率"), None},
                             {0x0507, QT_TRANSLATE_NOOP("kdsp", "高切频率"), None},
                             {0x0509, QT_TRANSLATE_NOOP("kdsp", "音乐电平"), 0x0508},
                             {0x050A, QT_TRANSLATE_NOOP("kdsp", "音乐低切"), None},
                             {0x050B, QT_TRANSLATE_NOOP("kdsp", "音乐高切"), None},
                             {0x050C, QT_TRANSLATE_NOOP("kdsp", "高音衰减"), None},
                             {0x050D, QT_TRANSLATE_NOOP("kdsp", "低音衰减"), None}},
                            &grid);
    grid->setRowStretch(11, 1);
    h->addWidget(rvb, 1);

    auto* eq = b.Group("EffEQGrop", QString(), sheet);
    auto* v = new QVBoxLayout(eq);
    v->setContentsMargins(6, 4, 6, 6);
    v->setSpacing(4);
    auto* head = new QHBoxLayout;
    head->addWidget(
        b.Reg(Builder::Caption(QT_TRANSLATE_NOOP("kdsp", "5段回声EQ"), eq, "title"), "EchoLaber"));
    head->addStretch(1);
    auto* echoEq = b.Button("EchoEQBtn", QT_TRANSLATE_NOOP("kdsp", "回声EQ"), eq, "choice");
    auto* rvbEq = b.Button("RvbEQBtn", QT_TRANSLATE_NOOP("kdsp", "混响EQ"), eq, "choice");
    echoEq->SetTag(PageEcho);
    echoEq->SetHint("0");
    rvbEq->SetTag(PageReverb);
    rvbEq->SetHint("1");
    echoEq->ShowPicture(BoundButton::Picture::On);
    head->addWidget(echoEq);
    head->addWidget(rvbEq);
    v->addLayout(head);
    auto* row = new QHBoxLayout;
    row->setSpacing(0);
    row->addWidget(Builder::BandCaptions(eq));
    row->addWidget(b.BandBox("EffScrollBar", PageEcho, PageBandCount[PageEcho], 5,
                             "EffEQPointLabel", eq));
    v->addLayout(row, 1);
    h->addWidget(eq, 0);
    return sheet;
}

}  // namespace kdsp
