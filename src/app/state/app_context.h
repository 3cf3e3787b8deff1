// AppContext: the window as its parts see it. It holds the model, AppState and the
// named controls, and names the few services the parts ask of the window (undo
// history, tab selection, curve drawing, the panels' refresh steps); the main
// window implements them and wires the parts together.
#pragma once

#include <QHash>
#include <QString>

#include "app/state/app_state.h"
#include "core/model/model.h"

class QComboBox;
class QWidget;

namespace kdsp {

class BoundButton;
class OfflineEdits;
class Settings;
class UndoHistory;

class AppContext {
public:
    AppContext() = default;
    virtual ~AppContext() = default;
    AppContext(const AppContext&) = delete;
    AppContext& operator=(const AppContext&) = delete;

    Model& model() { return model_; }
    AppState& state() { return state_; }

    // Every named control of the window, by objectName.
    QWidget* Control(const QString& name) const { return registry_.value(name, nullptr); }
    template <class T>
    T* Ctl(const QString& name) const {
        return qobject_cast<T*>(Control(name));
    }
    QHash<QString, QWidget*>& Registry() { return registry_; }

    // Undo and redo of the edits, and the edits made while the link was not online.
    virtual UndoHistory& History() = 0;
    virtual OfflineEdits& OfflineList() = 0;

    // The window itself: parent of message boxes and of the parts' helpers.
    virtual QWidget& Window() = 0;
    // The kept settings the window reads and leaves its choices in (none: nothing
    // is remembered).
    virtual Settings* KeptSettings() const = 0;

    // The sheet of FormPageItem shown, and the tab strip's click.
    virtual int ActiveSheet() const = 0;
    virtual void SelectTab(BoundButton* tab) = 0;
    // An edit has just been stored (and sent, when online) with the id its control
    // names (change_path.h): the undo history and the offline edits take note.
    virtual void EditStored(ParamId id, bool band) = 0;
    // Called by the link window once online, or when the search has failed.
    virtual void LinkSettled() = 0;

    // The EQ graph. Draws the curve of one slot (0..19) or, with 20, the whole curve
    // of a page, in the current curve colour.
    virtual void DrawChannelCurve(int band, int page) = 0;
    // The editor of the frequency of a band slot of the curve last drawn; nullptr
    // for a crossover or a slot without one.
    virtual QWidget* SlotFrequencyControl(int slot) = 0;
    // Shows or hides "EQ PASS" over the graph (the drag rules read this too).
    virtual void ShowEqPass(bool visible) = 0;
    // While suspended no curve is drawn; returns the previous setting.
    virtual bool SetCurveRedrawSuspended(bool suspended) = 0;
    virtual bool CurveRedrawSuspended() = 0;

    // Steps of the page refresh that belong to the mode and lock panels. The
    // stored-mode box changed: its name part goes into PresetModeEdit.
    virtual void ShowStoredModeName(QComboBox* box) = 0;
    // After a refresh: takes the window for the unlock box when the processor's
    // automatic panel lock is on.
    virtual void PanelLockAfterRefresh() = 0;

private:
    Model model_;
    AppState state_;
    QHash<QString, QWidget*> registry_;
};

}  // namespace kdsp
