// The fixed parts of the main window: title bar, tab strip with the master
// volumes, and the shared area with the EQ graph and the toolbar.
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>

#include "app/i18n/language.h"
#include "app/pages/builder.h"
#include "app/pages/pages.h"
#include "graph/eq_graph_view.h"

namespace kdsp {

QWidget* BuildTitleBar(Builder& b, QWidget* parent) {
    auto* bar = b.Reg(new QWidget(parent), "Image2");
    bar->setAttribute(Qt::WA_StyledBackground);
    bar->setFixedHeight(28);
    auto* h = new QHBoxLayout(bar);
    h->setContentsMargins(10, 0, 2, 0);
    h->setSpacing(2);
    auto* title = b.Reg(Builder::Caption("Audio Effect Controller v3.1.0", bar, "windowtitle"), "Label77");
    h->addWidget(title);
    h->addStretch(1);
    // The link's status (LinkLabel) is shown by the device-status dialog; here only
    // while the link reconnects by itself, with the edits made meanwhile.
    auto* link = b.Reg(Builder::Caption(QT_TRANSLATE_NOOP("kdsp", "设备未连接"), bar, "linkstatus"), "LinkLabel");
    link->hide();
    h->addWidget(link);
    h->addSpacing(6);
    auto* offline = b.Reg(Builder::Caption(QString(), bar, "linkstatus"), "OfflineEditsLabel");
    offline->hide();
    h->addWidget(offline);
    h->addSpacing(8);
    const struct {
        const char* name;
        const char* text;
        const char* tip;
    } history[] = {
        {"UndoBtn", QT_TRANSLATE_NOOP("kdsp", "撤销"), QT_TRANSLATE_NOOP("kdsp", "撤销 (Ctrl+Z)")},
        {"RedoBtn", QT_TRANSLATE_NOOP("kdsp", "重做"), QT_TRANSLATE_NOOP("kdsp", "重做 (Ctrl+Shift+Z, Ctrl+Y)")}};
    for (const auto& btn : history) {
        auto* w = b.Button(QString::fromLatin1(btn.name), btn.text, bar, "titlebutton");
        SetTr(w, "toolTip", btn.tip);
        w->setFixedSize(48, 24);
        h->addWidget(w);
    }
    // The language switch names both languages in their own script, so a reader of
    // either finds it.
    auto* language = b.Button("LanguageBtn", QString::fromUtf8("中/EN"), bar, "titlebutton");
    SetTr(language, "toolTip", QT_TRANSLATE_NOOP("kdsp", "切换语言"));
    language->setFixedSize(48, 24);
    h->addWidget(language);
    struct {
        const char* name;
        const char* text;
    } const buttons[] = {{"RzBmpButton2", "—"}, {"RzBmpButton1", "□"}, {"RzBmpButton3", "✕"}};
    for (const auto& btn : buttons) {
        auto* w = b.Button(QString::fromLatin1(btn.name), QString::fromUtf8(btn.text), bar, "titlebutton");
        w->setFixedSize(34, 24);
        h->addWidget(w);
    }
    return bar;
}

QWidget* BuildTopStrip(Builder& b, QWidget* parent) {
    auto* top = b.Reg(new QWidget(parent), "TopTileGrop");
    top->setAttribute(Qt::WA_StyledBackground);
    top->setFixedHeight(40);
    auto* h = new QHBoxLayout(top);
    h->setContentsMargins(6, 4, 6, 4);
    h->setSpacing(3);
    static const char* const kTabs[10] = {QT_TRANSLATE_NOOP("kdsp", "音乐"),
                                          QT_TRANSLATE_NOOP("kdsp", "麦克风"),
                                          QT_TRANSLATE_NOOP("kdsp", "效果"),
                                          QT_TRANSLATE_NOOP("kdsp", "主输出"),
                                          QT_TRANSLATE_NOOP("kdsp", "辅助输出1"),
                                          QT_TRANSLATE_NOOP("kdsp", "辅助输出2"),
                                          QT_TRANSLATE_NOOP("kdsp", "后置输出"),
                                          QT_TRANSLATE_NOOP("kdsp", "系统"),
                                          "DEQ",
                                          "DEQ"};
    for (int t = 0; t < 10; ++t) {
        auto* tab = b.Button(QString("FormTabBtn%1").arg(t + 1), QString::fromUtf8(kTabs[t]), top, "tab");
        tab->SetTag(t);
        tab->setFixedSize(78, 30);
        h->addWidget(tab);
        if (t >= 8) tab->hide();
    }
    h->addStretch(1);
    // The three master volumes are the system page's normal-volume sliders.
    auto* vol = new QWidget(top);
    auto* grid = new QGridLayout(vol);
    grid->setContentsMargins(0, 0, 0, 0);
    grid->setHorizontalSpacing(2);
    grid->setVerticalSpacing(0);
    static const char* const kVol[3] = {QT_TRANSLATE_NOOP("kdsp", "音乐"),
                                        QT_TRANSLATE_NOOP("kdsp", "话筒"),
                                        QT_TRANSLATE_NOOP("kdsp", "效果")};
    for (int k = 0; k < 3; ++k) {
        auto* inner = new QGridLayout;
        inner->setHorizontalSpacing(2);
        auto* holder = new QWidget(vol);
        holder->setLayout(inner);
        inner->setContentsMargins(0, 0, 0, 0);
        auto row = b.AddSliderRow(inner, 0, MakeId(PageSystem, 32 + k), QString::fromUtf8(kVol[k]));
        if (row.bar) {
            row.bar->SetHint("0");
            row.bar->setFixedWidth(64);
        }
        if (row.pane) {
            row.pane->setFixedWidth(34);
            row.pane->SetHint("0");
        }
        grid->addWidget(holder, 0, k);
    }
    h->addWidget(vol);
    return top;
}

QWidget* BuildSharedArea(Builder& b, QWidget* parent) {
    auto* area = b.Reg(new QWidget(parent), "AdvPanel1");
    area->setAttribute(Qt::WA_StyledBackground);
    area->setMinimumHeight(180);
    auto* h = new QHBoxLayout(area);
    // Room for the dB labels on the left and the frequency labels below.
    h->setContentsMargins(38, 8, 6, 16);
    h->setSpacing(6);

    // The graph and everything on it (Image1, EP1..EP15, HPF, LPF, EQlabel,
    // EQPassLabel) come from the view; the axis labels sit in the margins.
    auto* graph = b.Reg(new EqGraphView(area), "AdvPanel2");
    graph->setAttribute(Qt::WA_StyledBackground);
    graph->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    graph->setMinimumSize(200, 120);
    for (QWidget* part : graph->findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
        if (!part->objectName().isEmpty()) b.Reg(part, part->objectName());
    h->addWidget(graph, 1);

    auto* tools = b.Reg(new QWidget(area), "AdvToolBar");
    tools->setFixedWidth(214);
    auto* grid = new QGridLayout(tools);
    grid->setContentsMargins(0, 0, 0, 0);
    grid->setHorizontalSpacing(4);
    grid->setVerticalSpacing(4);
    auto* linkBtn = b.Button("LinkBtn", QT_TRANSLATE_NOOP("kdsp", "联机"), tools, "link");
    auto* unlinkBtn = b.Button("UnLinkBtn", QT_TRANSLATE_NOOP("kdsp", "断开"), tools, "link");
    grid->addWidget(linkBtn, 0, 0);
    grid->addWidget(unlinkBtn, 0, 1);
    auto* ip = b.Edit("IPstrEdit", tools);
    ip->setText("192.168.1.100");
    SetTr(ip, "toolTip", QT_TRANSLATE_NOOP("kdsp", "网络地址"));
    auto* port = b.Edit("IPPortStrEdit", tools);
    port->setText("8889");
    SetTr(port, "toolTip", QT_TRANSLATE_NOOP("kdsp", "端口"));
    grid->addWidget(ip, 1, 0);
    grid->addWidget(port, 1, 1);
    grid->addWidget(b.Button("EQResetBtn", QT_TRANSLATE_NOOP("kdsp", "EQ重置"), tools, "action"), 2, 0);
    auto* allpass =
        b.Button("MusEQAllpassBtn", QT_TRANSLATE_NOOP("kdsp", "EQ pass"), tools, "toggle");
    allpass->SetHint("0");
    grid->addWidget(allpass, 2, 1);
    // Filter lists of room measurement software, onto or from the EQ shown.
    grid->addWidget(b.Button("EqImportBtn", QT_TRANSLATE_NOOP("kdsp", "导入EQ…"), tools, "action"), 3, 0);
    grid->addWidget(b.Button("EqExportBtn", QT_TRANSLATE_NOOP("kdsp", "导出EQ…"), tools, "action"), 3, 1);

    auto* group = b.Group("SingleDiscoGrop", QT_TRANSLATE_NOOP("kdsp", "工作模式"), tools);
    auto* gg = new QGridLayout(group);
    gg->setContentsMargins(6, 4, 6, 6);
    gg->setSpacing(4);
    gg->addWidget(b.Button("AutoModeBtn", QT_TRANSLATE_NOOP("kdsp", "自动"), group, "choice"), 0, 0);
    gg->addWidget(b.Button("ManulModeBtn", QT_TRANSLATE_NOOP("kdsp", "手动"), group, "choice"), 0, 1);
    gg->addWidget(b.Button("SingModeBtn", QT_TRANSLATE_NOOP("kdsp", "唱歌"), group, "choice"), 1, 0);
    gg->addWidget(b.Button("DiscoModeBtn", QT_TRANSLATE_NOOP("kdsp", "舞蹈"), group, "choice"), 1, 1);
    grid->addWidget(group, 4, 0, 1, 2);
    grid->setRowStretch(5, 1);
    // The PC's serial ports; never shown.
    auto* ports = b.Reg(new QComboBox(tools), "ComComboBox1");
    ports->hide();
    h->addWidget(tools, 0);
    return area;
}

}  // namespace kdsp
