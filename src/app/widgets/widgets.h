// The bound control classes of the main window. Each carries the integer Tag
// (its parameter id) and the data text Hint that the shared handlers read.
#pragma once

#include <optional>

#include <QLabel>
#include <QLineEdit>
#include <QComboBox>
#include <QPushButton>
#include <QSlider>
#include <QWidget>

#include "core/model/value_kinds.h"

class QToolButton;

namespace kdsp {

// Tag and Hint live beside the widget; they are never shown as a tooltip.
class Bound {
public:
    virtual ~Bound() = default;
    int Tag() const { return tag_; }
    void SetTag(int tag) { tag_ = tag; }
    const QString& Hint() const { return hint_; }
    void SetHint(const QString& hint) { hint_ = hint; }
    // How the value of the parameter the control edits is read and shown (edits,
    // panes and boxes); none for a control that shows no value of its own.
    std::optional<ValueKind> Kind() const { return kind_; }
    void SetKind(std::optional<ValueKind> kind) { kind_ = kind; }

private:
    int tag_ = 0;
    QString hint_;
    std::optional<ValueKind> kind_;
};

// Sets a dynamic style property and re-polishes so the stylesheet follows.
void SetLook(QWidget* w, const char* property, const QString& value);

class BoundSlider : public QSlider, public Bound {
    Q_OBJECT
public:
    BoundSlider(Qt::Orientation o, QWidget* parent);
};

class BoundEdit : public QLineEdit, public Bound {
    Q_OBJECT
public:
    explicit BoundEdit(QWidget* parent);
};

class BoundCombo : public QComboBox, public Bound {
    Q_OBJECT
public:
    explicit BoundCombo(QWidget* parent);
};

// The picture button of the original design: its shown picture is one of
// up / on (its Down picture) / off (its Disabled picture) / stay (StayDown).
class BoundButton : public QPushButton, public Bound {
    Q_OBJECT
public:
    enum class Picture { Up, On, Off, Stay };
    explicit BoundButton(QWidget* parent);
    void ShowPicture(Picture p);
    Picture Shown() const { return shown_; }

private:
    Picture shown_ = Picture::Up;
};

// The value pane beside a slider.
class BoundPane : public QLabel, public Bound {
    Q_OBJECT
public:
    explicit BoundPane(QWidget* parent);
};

// Up/down spin buttons; the handlers connect to the two inner buttons.
class BoundSpin : public QWidget, public Bound {
    Q_OBJECT
public:
    BoundSpin(Qt::Orientation o, QWidget* parent);
    QToolButton* UpButton() const { return up_; }
    QToolButton* DownButton() const { return down_; }

private:
    QToolButton* up_;
    QToolButton* down_;
};

// One of the three band-type pictures of a band (PEQ/LSEQ/HSEQ or Off/Below/Above).
class TypePicture : public QPushButton, public Bound {
    Q_OBJECT
public:
    TypePicture(const QString& text, QWidget* parent);
    void ShowOn(bool on);
    bool IsOn() const { return on_; }

private:
    bool on_ = false;
};

// A numbered EQ point label (the band header of a strip); Tag only.
class BoundLabel : public QLabel, public Bound {
    Q_OBJECT
public:
    BoundLabel(const QString& text, QWidget* parent);
    void SetOpaque(bool opaque);
    bool IsOpaque() const { return opaque_; }

private:
    bool opaque_ = false;
};

// Tag/Hint of any bound widget, nullptr for others.
Bound* AsBound(QObject* o);

}  // namespace kdsp
