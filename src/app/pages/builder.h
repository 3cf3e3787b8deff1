// Construction helpers for the pages: every named control is created here,
// registered under its objectName, and laid out by the page builders.
#pragma once

#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>

#include "app/widgets/widgets.h"
#include "core/model/model.h"

class QGridLayout;
class QGroupBox;
class QScrollArea;

namespace kdsp {

struct ParamBinding;

inline constexpr int BandStripWidth = 71;  // one EQ band strip, also the scroll step

class Builder {
public:
    explicit Builder(QHash<QString, QWidget*>& registry) : registry_(registry) {}

    template <class T>
    T* Reg(T* w, const QString& name) {
        w->setObjectName(name);
        registry_.insert(name, w);
        return w;
    }
    QWidget* Find(const QString& name) const { return registry_.value(name, nullptr); }

    BoundSlider* Slider(const QString& name, Qt::Orientation o, QWidget* parent);
    BoundEdit* Edit(const QString& name, QWidget* parent);
    BoundPane* Pane(const QString& name, QWidget* parent);
    BoundCombo* Combo(const QString& name, const QStringList& items, QWidget* parent);
    BoundButton* Button(const QString& name, const QString& caption, QWidget* parent,
                        const char* role = "switch");
    BoundSpin* Spin(const QString& name, Qt::Orientation o, QWidget* parent);
    TypePicture* Picture(const QString& name, const QString& text, QWidget* parent);
    BoundLabel* Label(const QString& name, const QString& text, QWidget* parent);
    static QLabel* Caption(const QString& text, QWidget* parent, const char* role = "caption");
    QGroupBox* Group(const QString& name, const QString& title, QWidget* parent);

    // A slider row: caption, optional phase button, slider, pane, optional spin.
    struct SliderRow {
        BoundSlider* bar = nullptr;
        BoundPane* pane = nullptr;
        BoundSpin* spin = nullptr;
        BoundButton* phase = nullptr;
    };
    SliderRow AddSliderRow(QGridLayout* grid, int row, ParamId id, const QString& caption,
                           ParamId phaseId = 0xFFFF);
    // A combo row (crossover type and the like): caption, combo across the slider columns.
    BoundCombo* AddComboRow(QGridLayout* grid, int row, ParamId id, const QString& caption,
                            const QStringList& items);

    // The controls of one EQ band (five parameters starting at `base`).
    struct Band {
        BoundCombo* type = nullptr;
        TypePicture* pics[3] = {nullptr, nullptr, nullptr};
        BoundEdit* fre = nullptr;
        BoundSpin* freSpin = nullptr;
        BoundEdit* gain = nullptr;
        BoundSpin* gainSpin = nullptr;
        BoundSlider* gainBar = nullptr;
        BoundEdit* q = nullptr;
        BoundSpin* qSpin = nullptr;
    };
    Band MakeBand(int page, int base, QWidget* parent, Qt::Orientation gainOrientation);
    // One 71-pixel strip with its numbered point label on top.
    QWidget* BandStrip(int page, int band, const QString& labelName, QWidget* parent);
    // A box of band strips inside a horizontally scrolled area; returns the area.
    QScrollArea* BandBox(const QString& areaName, int page, int bands, int visible,
                         const QString& labelPrefix, QWidget* parent,
                         QList<QWidget*>* strips = nullptr);
    // The column of row captions shown left of a band box.
    static QWidget* BandCaptions(QWidget* parent);

    // The buttons of the choice group of `id`, in list order, with the captions given.
    QList<BoundButton*> Choice(ParamId id, const QStringList& captions, QWidget* parent);
    // The button bound as editor of `id` (phase, toggle, bypass...).
    BoundButton* ButtonOf(ParamId id, const QString& caption, QWidget* parent,
                          const char* role = "switch");

private:
    QHash<QString, QWidget*>& registry_;
};

const ParamBinding& BindingOf(ParamId id);

}  // namespace kdsp
