// Control construction helpers shared by every page builder.
#include "app/pages/builder.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QScrollArea>
#include <QScrollBar>
#include <QVBoxLayout>

#include "app/i18n/language.h"
#include "app/pages/control_bindings.h"
#include "core/model/codecs.h"
#include "core/model/eq_layout.h"

namespace kdsp {

namespace {

const ParamBinding kNoBinding{};

QString Str(const char* s) { return s ? QString::fromLatin1(s) : QString(); }

void SetKind(Bound* b, const ParamBinding& p) {
    b->SetKind(p.param ? KindFromNumber(p.param->valueKind) : std::nullopt);
}

}  // namespace

const ParamBinding& BindingOf(ParamId id) {
    const ParamBinding* b = FindBinding(id);
    return b ? *b : kNoBinding;
}

BoundSlider* Builder::Slider(const QString& name, Qt::Orientation o, QWidget* parent) {
    auto* s = Reg(new BoundSlider(o, parent), name);
    if (o == Qt::Horizontal) {
        s->setFixedHeight(18);
        s->setMinimumWidth(60);
    } else {
        s->setFixedWidth(22);
    }
    return s;
}

BoundEdit* Builder::Edit(const QString& name, QWidget* parent) {
    auto* e = Reg(new BoundEdit(parent), name);
    e->setFixedHeight(20);
    return e;
}

BoundPane* Builder::Pane(const QString& name, QWidget* parent) {
    auto* p = Reg(new BoundPane(parent), name);
    p->setFixedSize(64, 20);
    return p;
}

BoundCombo* Builder::Combo(const QString& name, const QStringList& items, QWidget* parent) {
    auto* c = Reg(new BoundCombo(parent), name);
    c->addItems(items);
    c->setFixedHeight(20);
    return c;
}

BoundButton* Builder::Button(const QString& name, const QString& caption, QWidget* parent,
                             const char* role) {
    auto* b = Reg(new BoundButton(parent), name);
    SetTr(b, "text", caption);
    b->setProperty("role", role);
    b->setFixedHeight(22);
    return b;
}

BoundSpin* Builder::Spin(const QString& name, Qt::Orientation o, QWidget* parent) {
    auto* s = Reg(new BoundSpin(o, parent), name);
    if (o == Qt::Vertical)
        s->setFixedSize(14, 20);
    else
        s->setFixedSize(30, 18);
    return s;
}

TypePicture* Builder::Picture(const QString& name, const QString& text, QWidget* parent) {
    auto* p = Reg(new TypePicture(text, parent), name);
    p->setFixedHeight(18);
    return p;
}

BoundLabel* Builder::Label(const QString& name, const QString& text, QWidget* parent) {
    return Reg(new BoundLabel(text, parent), name);
}

QLabel* Builder::Caption(const QString& text, QWidget* parent, const char* role) {
    auto* l = new QLabel(parent);
    SetTr(l, "text", text);
    l->setProperty("role", role);
    return l;
}

QGroupBox* Builder::Group(const QString& name, const QString& title, QWidget* parent) {
    auto* g = Reg(new QGroupBox(parent), name);
    SetTr(g, "title", title);
    return g;
}

Builder::SliderRow Builder::AddSliderRow(QGridLayout* grid, int row, ParamId id,
                                         const QString& caption, ParamId phaseId) {
    const ParamBinding& b = BindingOf(id);
    QWidget* parent = grid->parentWidget();
    SliderRow r;
    grid->addWidget(Caption(caption, parent), row, 0);
    if (phaseId != 0xFFFF) {
        r.phase = ButtonOf(phaseId, "+", parent, "phase");
        r.phase->setFixedWidth(24);
        grid->addWidget(r.phase, row, 1);
    }
    if (b.editor) {
        r.bar = Slider(Str(b.editor), Qt::Horizontal, parent);
        // A slider without a maximum of its own reaches as far as its kind's values
        // go (the damping sliders: 10), so its thumb says where the value lies.
        if (b.sliderMax > 0)
            r.bar->setMaximum(b.sliderMax);
        else if (const int top = b.param ? FactMax(*b.param) : -1; top > 0)
            r.bar->setMaximum(top);
        grid->addWidget(r.bar, row, 2);
    }
    if (b.pane && b.paneClass == ControlClass::Pane) {
        r.pane = Pane(Str(b.pane), parent);
        SetKind(r.pane, b);
        grid->addWidget(r.pane, row, 3);
    }
    if (b.spin) {
        r.spin = Spin(Str(b.spin), Qt::Horizontal, parent);
        grid->addWidget(r.spin, row, 4);
    }
    return r;
}

BoundCombo* Builder::AddComboRow(QGridLayout* grid, int row, ParamId id, const QString& caption,
                                 const QStringList& items) {
    const ParamBinding& b = BindingOf(id);
    QWidget* parent = grid->parentWidget();
    grid->addWidget(Caption(caption, parent), row, 0);
    auto* c = Combo(Str(b.editor), items, parent);
    SetKind(c, b);
    grid->addWidget(c, row, 2, 1, 2);
    return c;
}

Builder::Band Builder::MakeBand(int page, int base, QWidget* parent, Qt::Orientation gainOrientation) {
    Band band;
    const ParamBinding& type = BindingOf(MakeId(page, base));
    const bool dynamic = page == PageDynEq;
    (void)dynamic;
    band.type = Combo(Str(type.editor), {"PEQ", "LSEQ", "HSEQ"}, parent);
    SetKind(band.type, type);
    static const char* const kPicTexts[3] = {"PEQ", "LS", "HS"};
    for (int k = 0; k < 3; ++k) {
        if (type.typeControls[k])
            band.pics[k] = Picture(Str(type.typeControls[k]), kPicTexts[k], parent);
    }
    const ParamBinding& fre = BindingOf(MakeId(page, base + 1));
    band.fre = Edit(Str(fre.editor), parent);
    SetKind(band.fre, fre);
    if (fre.spin) band.freSpin = Spin(Str(fre.spin), Qt::Vertical, parent);
    const ParamBinding& gain = BindingOf(MakeId(page, base + 2));
    band.gain = Edit(Str(gain.editor), parent);
    SetKind(band.gain, gain);
    if (gain.spin) band.gainSpin = Spin(Str(gain.spin), Qt::Vertical, parent);
    if (gain.typeControls[0]) {
        band.gainBar = Slider(Str(gain.typeControls[0]), gainOrientation, parent);
        band.gainBar->setMaximum(gain.sliderMax > 0 ? gain.sliderMax : SpecOf(ValueKind::Gain).max);
    }
    const ParamBinding& q = BindingOf(MakeId(page, base + 3));
    band.q = Edit(Str(q.editor), parent);
    SetKind(band.q, q);
    if (q.spin) band.qSpin = Spin(Str(q.spin), Qt::Vertical, parent);
    return band;
}

QWidget* Builder::BandStrip(int page, int band, const QString& labelName, QWidget* parent) {
    auto* strip = new QFrame(parent);
    strip->setProperty("role", "strip");
    strip->setFixedWidth(BandStripWidth);
    auto* v = new QVBoxLayout(strip);
    v->setContentsMargins(3, 2, 3, 3);
    v->setSpacing(3);
    auto* label = Label(labelName, QString::number(band + 1), strip);
    label->setProperty("role", "point");
    label->setFixedHeight(16);
    v->addWidget(label);

    const int base = FirstEqIndex[page] + 5 * band;
    Band b = MakeBand(page, base, strip, Qt::Vertical);
    // The combo stays hidden: the three pictures are the visible type selector.
    b.type->hide();
    auto* pics = new QHBoxLayout;
    pics->setSpacing(1);
    for (TypePicture* p : b.pics)
        if (p) {
            p->setFixedWidth(21);
            pics->addWidget(p);
        }
    v->addLayout(pics);

    auto editRow = [&](BoundEdit* e, BoundSpin* s) {
        auto* h = new QHBoxLayout;
        h->setSpacing(1);
        h->addWidget(e);
        if (s) h->addWidget(s);
        v->addLayout(h);
    };
    editRow(b.fre, b.freSpin);
    if (b.gainBar) {
        b.gainBar->setMinimumHeight(60);
        v->addWidget(b.gainBar, 1, Qt::AlignHCenter);
    }
    editRow(b.gain, b.gainSpin);
    editRow(b.q, b.qSpin);
    return strip;
}

QScrollArea* Builder::BandBox(const QString& areaName, int page, int bands, int visible,
                              const QString& labelPrefix, QWidget* parent, QList<QWidget*>* strips) {
    auto* area = Reg(new QScrollArea(parent), areaName);
    area->setProperty("role", "bandbox");
    area->setFrameShape(QFrame::NoFrame);
    area->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    area->setHorizontalScrollBarPolicy(bands > visible ? Qt::ScrollBarAlwaysOn : Qt::ScrollBarAlwaysOff);
    auto* content = new QWidget(area);
    content->setProperty("role", "bandcontent");
    auto* h = new QHBoxLayout(content);
    h->setContentsMargins(0, 0, 0, 0);
    h->setSpacing(0);
    for (int n = 0; n < bands; ++n) {
        QWidget* s = BandStrip(page, n, labelPrefix + QString::number(n + 1), content);
        h->addWidget(s);
        if (strips) strips->append(s);
    }
    h->addStretch(1);
    area->setWidget(content);
    area->setWidgetResizable(true);
    area->setFixedWidth(visible * BandStripWidth);
    return area;
}

QWidget* Builder::BandCaptions(QWidget* parent) {
    // Mirrors the rows of a strip so each caption sits beside its row.
    auto* w = new QWidget(parent);
    // 34 pixels, or as wide as the captions of the language shown need.
    w->setMinimumWidth(34);
    w->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Preferred);
    auto* v = new QVBoxLayout(w);
    v->setContentsMargins(0, 2, 0, 3);
    v->setSpacing(3);
    auto add = [&](const QString& t, int height) {
        auto* l = Caption(t, w, "rowcaption");
        l->setFixedHeight(height);
        v->addWidget(l);
    };
    add(QString(), 16);
    add(QT_TRANSLATE_NOOP("kdsp", "类型"), 18);
    add(QT_TRANSLATE_NOOP("kdsp", "频率"), 20);
    v->addStretch(1);
    add(QT_TRANSLATE_NOOP("kdsp", "增益"), 20);
    add(QT_TRANSLATE_NOOP("kdsp", "Q值"), 20);
    return w;
}

QList<BoundButton*> Builder::Choice(ParamId id, const QStringList& captions, QWidget* parent) {
    QList<BoundButton*> out;
    const ChoiceGroupDef* g = FindChoiceGroup(id);
    if (!g) return out;
    for (int k = 0; k < g->count; ++k) {
        auto* b = Button(Str(g->buttons[k]), captions.value(k), parent, "choice");
        b->SetHint(QString::number(k));
        b->SetTag(id);  // every button of a group carries the group's id
        out.append(b);
    }
    return out;
}

BoundButton* Builder::ButtonOf(ParamId id, const QString& caption, QWidget* parent, const char* role) {
    const ParamBinding& b = BindingOf(id);
    auto* btn = Button(Str(b.editor), caption, parent, role);
    btn->SetHint("0");
    return btn;
}

}  // namespace kdsp
