// Bound control classes: construction defaults and the state looks.
#include "app/widgets/widgets.h"

#include <QHBoxLayout>
#include <QStyle>
#include <QToolButton>
#include <QVBoxLayout>

namespace kdsp {

void SetLook(QWidget* w, const char* property, const QString& value) {
    if (w->property(property).toString() == value) return;
    w->setProperty(property, value);
    // Re-polish only this widget: the stylesheet selects on the property.
    w->style()->unpolish(w);
    w->style()->polish(w);
    w->update();
}

BoundSlider::BoundSlider(Qt::Orientation o, QWidget* parent) : QSlider(o, parent) {
    setMinimum(0);
    // A click takes the focus, so the arrow and page keys then move the slider.
    setFocusPolicy(Qt::ClickFocus);
    setProperty("state", "on");
}

BoundEdit::BoundEdit(QWidget* parent) : QLineEdit(parent) {
    setAlignment(Qt::AlignCenter);
    setProperty("highlight", "none");
}

BoundCombo::BoundCombo(QWidget* parent) : QComboBox(parent) { setFocusPolicy(Qt::NoFocus); }

BoundButton::BoundButton(QWidget* parent) : QPushButton(parent) {
    setFocusPolicy(Qt::NoFocus);
    setProperty("state", "up");
}

void BoundButton::ShowPicture(Picture p) {
    shown_ = p;
    static const char* const names[] = {"up", "on", "off", "stay"};
    SetLook(this, "state", names[static_cast<int>(p)]);
}

BoundPane::BoundPane(QWidget* parent) : QLabel(parent) { setAlignment(Qt::AlignCenter); }

BoundSpin::BoundSpin(Qt::Orientation o, QWidget* parent) : QWidget(parent) {
    up_ = new QToolButton(this);
    down_ = new QToolButton(this);
    up_->setObjectName("up");
    down_->setObjectName("down");
    up_->setFocusPolicy(Qt::NoFocus);
    down_->setFocusPolicy(Qt::NoFocus);
    up_->setAutoRepeat(true);
    down_->setAutoRepeat(true);
    QBoxLayout* box;
    if (o == Qt::Vertical) {
        box = new QVBoxLayout(this);
        up_->setArrowType(Qt::UpArrow);
        down_->setArrowType(Qt::DownArrow);
        box->addWidget(up_);
        box->addWidget(down_);
    } else {
        box = new QHBoxLayout(this);
        up_->setArrowType(Qt::RightArrow);
        down_->setArrowType(Qt::LeftArrow);
        box->addWidget(down_);
        box->addWidget(up_);
    }
    box->setContentsMargins(0, 0, 0, 0);
    box->setSpacing(0);
}

TypePicture::TypePicture(const QString& text, QWidget* parent) : QPushButton(text, parent) {
    setFocusPolicy(Qt::NoFocus);
    setProperty("state", "off");
}

void TypePicture::ShowOn(bool on) {
    on_ = on;
    SetLook(this, "state", on ? "on" : "off");
}

BoundLabel::BoundLabel(const QString& text, QWidget* parent) : QLabel(text, parent) {
    setAlignment(Qt::AlignCenter);
    setProperty("opaque", "no");
}

void BoundLabel::SetOpaque(bool opaque) {
    opaque_ = opaque;
    SetLook(this, "opaque", opaque ? "yes" : "no");
}

Bound* AsBound(QObject* o) { return dynamic_cast<Bound*>(o); }

}  // namespace kdsp
