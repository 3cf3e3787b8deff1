// The music and microphone sheets: band boxes plus the microphone front end.
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

QWidget* BuildMusicSheet(Builder& b, QWidget* parent) {
    auto* sheet = b.Reg(new QWidget(parent), "AdvTabSheet1_mus");
    auto* h = new QHBoxLayout(sheet);
    h->setContentsMargins(8, 6, 8, 6);
    auto* g = b.Group("MusEQGrop", QT_TRANSLATE_NOOP("kdsp", "10段音乐EQ"), sheet);
    auto* gh = new QHBoxLayout(g);
    gh->setContentsMargins(6, 4, 6, 6);
    gh->addWidget(Builder::BandCaptions(g));
    gh->addWidget(b.BandBox("MusScrollBox", PageMusic, PageBandCount[PageMusic], 10,
                            "MusEQPointLabel", g));
    h->addStretch(1);
    h->addWidget(g);
    h->addStretch(1);
    return sheet;
}

QWidget* BuildMicSheet(Builder& b, QWidget* parent) {
    auto* sheet = b.Reg(new QWidget(parent), "AdvTabSheet2_mic");
    auto* h = new QHBoxLayout(sheet);
    h->setContentsMargins(8, 6, 8, 6);
    h->setSpacing(8);

    auto* front = b.Group("MicFrontGrop", QT_TRANSLATE_NOOP("kdsp", "麦克风"), sheet);
    auto* grid = new QGridLayout(front);
    grid->setContentsMargins(6, 6, 6, 6);
    grid->setVerticalSpacing(6);
    b.AddSliderRow(grid, 0, 0x0100, QT_TRANSLATE_NOOP("kdsp", "低切频率"));
    b.AddSliderRow(grid, 1, 0x0102, QT_TRANSLATE_NOOP("kdsp", "反馈抑制"));
    b.AddSliderRow(grid, 2, 0x0103, QT_TRANSLATE_NOOP("kdsp", "噪声门限"));
    auto* ab = new QHBoxLayout;
    auto* a = b.Button("MicABtn", QT_TRANSLATE_NOOP("kdsp", "麦克风A组"), front, "choice");
    auto* bb = b.Button("MicBBtn", QT_TRANSLATE_NOOP("kdsp", "麦克风B组"), front, "choice");
    a->SetHint("0");
    bb->SetHint("1");
    a->ShowPicture(BoundButton::Picture::On);  // group A is the one shown at first
    ab->addWidget(a);
    ab->addWidget(bb);
    grid->addLayout(ab, 3, 0, 1, 5);
    grid->setRowStretch(4, 1);
    grid->setColumnStretch(2, 1);
    front->setFixedWidth(300);
    h->addWidget(front, 0);

    auto* g = b.Group("MicEQGrop", QString(), sheet);
    auto* gv = new QVBoxLayout(g);
    gv->setContentsMargins(6, 4, 6, 6);
    gv->setSpacing(4);
    auto* head = new QHBoxLayout;
    auto* title =
        b.Reg(Builder::Caption(QT_TRANSLATE_NOOP("kdsp", "15段EQ"), g, "title"), "MicEQBandLabel");
    head->addWidget(title);
    head->addStretch(1);
    // The caption goes with the band slider when group B hides it.
    head->addWidget(b.Reg(Builder::Caption(QT_TRANSLATE_NOOP("kdsp", "频段"), g), "MicPanCaption"));
    auto* pan = b.Slider("MicPanScrollBar", Qt::Horizontal, g);
    pan->setRange(0, 5);
    pan->setFixedWidth(200);
    head->addWidget(pan);
    gv->addLayout(head);
    auto* row = new QHBoxLayout;
    row->setSpacing(0);
    row->addWidget(Builder::BandCaptions(g));
    QList<QWidget*> strips;
    row->addWidget(b.BandBox("MicScrollBox", PageMic, PageBandCount[PageMic], 10,
                             "MicEQPointLabel", g, &strips));
    // The tenth strip is the one that microphone group B (nine bands) hides.
    b.Reg(strips.at(9), "RzGroupBox81");
    gv->addLayout(row, 1);
    h->addWidget(g, 1);
    return sheet;
}

}  // namespace kdsp
