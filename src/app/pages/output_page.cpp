// The output sheets: main/rear (page 6 controls) and auxiliary 1/2 (page 7
// controls). Both are built by one routine from their page's layout.
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QScrollArea>
#include <QVBoxLayout>

#include "app/i18n/language.h"
#include "app/pages/builder.h"
#include "app/pages/pages.h"
#include "core/model/eq_layout.h"

namespace kdsp {

namespace {

QGridLayout* OutputGrid(QGroupBox* g) {
    auto* grid = new QGridLayout(g);
    grid->setContentsMargins(6, 4, 6, 4);
    grid->setHorizontalSpacing(4);
    grid->setVerticalSpacing(3);
    grid->setColumnStretch(2, 1);
    grid->setColumnMinimumWidth(1, 24);
    return grid;
}

// The design's own words; the English window spells the filter names out.
const QStringList kCrossoverTypes = {QT_TRANSLATE_NOOP("kdsp", "Besell 24dB"), "Butterworth 24dB",
                                     QT_TRANSLATE_NOOP("kdsp", "Link Riley 24dB"), "USER 12dB",
                                     "USER 24dB"};

}  // namespace

QWidget* BuildOutputSheet(Builder& b, QWidget* parent, bool mainOutput) {
    const int page = mainOutput ? PageMain : PageAux1;
    const QString prefix = mainOutput ? "Main" : "Sub";
    auto id = [page](int index) { return MakeId(page, index); };

    auto* sheet = b.Reg(new QWidget(parent), mainOutput ? "AdvTabSheet4_Main" : "AdvTabSheet6_Sub");
    auto* h = new QHBoxLayout(sheet);
    h->setContentsMargins(6, 4, 6, 4);
    h->setSpacing(6);

    auto* left = new QVBoxLayout;
    auto* mix = b.Group(prefix + "MixGrop", QT_TRANSLATE_NOOP("kdsp", "混音"), sheet);
    QGridLayout* grid = OutputGrid(mix);
    static const char* const kMix[4] = {
        QT_TRANSLATE_NOOP("kdsp", "音乐"), QT_TRANSLATE_NOOP("kdsp", "话筒"),
        QT_TRANSLATE_NOOP("kdsp", "回声"), QT_TRANSLATE_NOOP("kdsp", "混响")};
    for (int k = 0; k < 4; ++k)
        b.AddSliderRow(grid, k, id(4 * k), QString::fromUtf8(kMix[k]), id(4 * k + 2));
    left->addWidget(mix);

    auto* delay = b.Group(prefix + "DelayGrop", QT_TRANSLATE_NOOP("kdsp", "延时与静音"), sheet);
    grid = OutputGrid(delay);
    if (mainOutput) {
        b.AddSliderRow(grid, 0, id(27), QT_TRANSLATE_NOOP("kdsp", "左延时"));
        b.AddSliderRow(grid, 1, id(28), QT_TRANSLATE_NOOP("kdsp", "右延时"));
        auto* mutes = new QHBoxLayout;
        mutes->addWidget(
            b.ButtonOf(id(29), QT_TRANSLATE_NOOP("kdsp", "左通道静音"), delay, "toggle"));
        mutes->addWidget(
            b.ButtonOf(id(30), QT_TRANSLATE_NOOP("kdsp", "右通道静音"), delay, "toggle"));
        grid->addLayout(mutes, 2, 0, 1, 5);
        auto* tone = new QHBoxLayout;
        tone->addWidget(Builder::Caption(QT_TRANSLATE_NOOP("kdsp", "音色"), delay));
        for (BoundButton* t : b.Choice(
                 id(31), {QT_TRANSLATE_NOOP("kdsp", "标准"), QT_TRANSLATE_NOOP("kdsp", "低音增强")},
                 delay))
            tone->addWidget(t);
        grid->addLayout(tone, 3, 0, 1, 5);
    } else {
        b.AddSliderRow(grid, 0, id(27), QT_TRANSLATE_NOOP("kdsp", "延时"));
        // As wide as one of the main output's two mute buttons: the same button there.
        auto* mutes = new QHBoxLayout;
        mutes->addWidget(b.ButtonOf(id(28), QT_TRANSLATE_NOOP("kdsp", "静 音"), delay, "toggle"),
                         1);
        mutes->addStretch(1);
        grid->addLayout(mutes, 1, 0, 1, 5);
    }
    left->addWidget(delay);
    left->addStretch(1);
    h->addLayout(left, 1);

    auto* mid = new QVBoxLayout;
    auto* xo = b.Group(prefix + "XoverGrop", QT_TRANSLATE_NOOP("kdsp", "分频器"), sheet);
    grid = OutputGrid(xo);
    SetTrItems(
        b.AddComboRow(grid, 0, id(16), QT_TRANSLATE_NOOP("kdsp", "高通类型"), kCrossoverTypes),
        kCrossoverTypes);
    b.AddSliderRow(grid, 1, id(17), QT_TRANSLATE_NOOP("kdsp", "高通频率"));
    b.AddSliderRow(grid, 2, id(18), QT_TRANSLATE_NOOP("kdsp", "高通Q值"));
    SetTrItems(
        b.AddComboRow(grid, 3, id(19), QT_TRANSLATE_NOOP("kdsp", "低通类型"), kCrossoverTypes),
        kCrossoverTypes);
    b.AddSliderRow(grid, 4, id(20), QT_TRANSLATE_NOOP("kdsp", "低通频率"));
    b.AddSliderRow(grid, 5, id(21), QT_TRANSLATE_NOOP("kdsp", "低通Q值"));
    mid->addWidget(xo);
    auto* lim = b.Group(prefix + "LimitGrop", QT_TRANSLATE_NOOP("kdsp", "压限器"), sheet);
    grid = OutputGrid(lim);
    b.AddSliderRow(grid, 0, id(22), QT_TRANSLATE_NOOP("kdsp", "启动时间"));
    b.AddSliderRow(grid, 1, id(23), QT_TRANSLATE_NOOP("kdsp", "释放时间"));
    b.AddSliderRow(grid, 2, id(24), QT_TRANSLATE_NOOP("kdsp", "门限电平"));
    b.AddSliderRow(grid, 3, id(25), QT_TRANSLATE_NOOP("kdsp", "压缩比"));
    auto* speed = new QHBoxLayout;
    speed->addWidget(Builder::Caption(QT_TRANSLATE_NOOP("kdsp", "响应"), lim));
    for (BoundButton* s :
         b.Choice(id(26),
                  {QT_TRANSLATE_NOOP("kdsp", "快"), QT_TRANSLATE_NOOP("kdsp", "中"),
                   QT_TRANSLATE_NOOP("kdsp", "慢")},
                  lim))
        speed->addWidget(s);
    grid->addLayout(speed, 4, 0, 1, 5);
    mid->addWidget(lim);
    mid->addStretch(1);
    h->addLayout(mid, 1);

    auto* eq = b.Group(prefix + "EQGrop", QString(), sheet);
    auto* v = new QVBoxLayout(eq);
    v->setContentsMargins(6, 4, 6, 6);
    v->setSpacing(4);
    auto* head = new QHBoxLayout;
    head->addWidget(Builder::Caption(QT_TRANSLATE_NOOP("kdsp", "7段EQ"), eq, "title"));
    head->addStretch(1);
    head->addWidget(Builder::Caption(QT_TRANSLATE_NOOP("kdsp", "频段"), eq));
    auto* pan = b.Slider(prefix + "PanScrollBar", Qt::Horizontal, eq);
    pan->setRange(0, 2);
    pan->setFixedWidth(120);
    head->addWidget(pan);
    v->addLayout(head);
    auto* row = new QHBoxLayout;
    row->setSpacing(0);
    row->addWidget(Builder::BandCaptions(eq));
    QList<QWidget*> strips;
    // Eight band groups exist; the eighth is kept hidden.
    row->addWidget(b.BandBox(mainOutput ? "MainPanScrollBox" : "SubScrollPaneBox", page, 8, 5,
                             prefix + "EQPointLabel", eq, &strips));
    strips.at(7)->hide();
    v->addLayout(row, 1);
    h->addWidget(eq, 0);
    return sheet;
}

}  // namespace kdsp
