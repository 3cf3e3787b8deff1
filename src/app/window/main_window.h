// The main window TForm1: borderless frame, tab strip, pages, shared graph
// area and toolbar. It owns the parameter model and the window-wide state.
#pragma once

#include <memory>

#include <QHash>
#include <QRect>
#include <QString>
#include <QStringList>
#include <QWidget>

#include "app/state/app_state.h"
#include "app/graph/eq_graph.h"
#include "core/model/model.h"

class QSlider;
class QStackedWidget;
class QLabel;

namespace kdsp {

class BoundButton;
class OfflineEdits;
class Settings;
class UndoHistory;
class TForm2;
class TForm3;

// What the command line asks for.
struct AppOptions {
    QString host;                 // empty: keep the editable default
    QString port;                 // empty: keep "8889"
    QStringList serialPorts;      // used when serialGiven
    bool serialGiven = false;     // --serial or --no-serial seen
    QString screenshotPath;       // save a picture once online / failed, then quit
    int screenshotTab = 0;        // tab button (1..9) selected before the picture
    QString language;             // "zh" or "en" for this run; empty: the kept choice
    bool fastTransfers = false;   // reads, reloads and uploads at the fast pace
};

class TForm1 : public QWidget {
public:
    explicit TForm1(QWidget* parent = nullptr);
    ~TForm1() override;

    Model& model() { return model_; }
    AppState& state() { return state_; }

    // Every named control of the window, by objectName.
    QWidget* Control(const QString& name) const { return registry_.value(name, nullptr); }
    template <class T>
    T* Ctl(const QString& name) const {
        return qobject_cast<T*>(Control(name));
    }
    QHash<QString, QWidget*>& Registry() { return registry_; }

    void SetLinkWindow(TForm3* link) { link_ = link; }
    TForm3* LinkWindow() const { return link_; }
    void SetStatusDialog(TForm2* dialog) { status_ = dialog; }
    TForm2* StatusDialog() const { return status_; }
    void SetScreenshotPath(const QString& path, int tab = 0) {
        screenshotPath_ = path;
        screenshotTab_ = tab;
    }
    // The kept settings this window reads and leaves its choices in (none: nothing
    // is remembered).
    void SetSettings(Settings* settings) { settings_ = settings; }
    Settings* KeptSettings() const { return settings_; }
    // The tab button (1..9) the start-up selects instead of the music page.
    void SetStartTab(int tab) { startTab_ = tab; }
    // The tab button (1..9) whose page was selected last, 0 before the first.
    int ShownTab() const { return shownTab_; }
    // The title bar's "中/EN" switch: English, or Chinese when English is shown.
    void ToggleLanguage();

    // Handlers of the frame and of the tab strip.
    void FormShow();
    void FormTabBtn1Click(BoundButton* tab);
    void MusPanScrollBarChange(QSlider* bar);
    void RzBmpButton1Click();  // maximise / restore
    void RzBmpButton2Click();  // minimise
    void RzBmpButton3Click();  // close
    bool IsMaximised() const { return maximised_; }

    // Called by the link window once online, or when the search has failed.
    void LinkSettled();

    // Undo and redo of the edits, and the edits made while the link was not online.
    UndoHistory& History() { return *history_; }
    OfflineEdits& OfflineList() { return *offline_; }
    // An edit has just been stored (and sent, when online) with the id its control
    // names (change_path.h): the undo history and the offline edits take note.
    void EditStored(ParamId id, bool band);

    QStackedWidget* FormPageItem() const { return pages_; }
    int ActiveSheet() const;

protected:
    void changeEvent(QEvent* e) override;
    void showEvent(QShowEvent* e) override;
    void closeEvent(QCloseEvent* e) override;
    void mousePressEvent(QMouseEvent* e) override;
    void mouseDoubleClickEvent(QMouseEvent* e) override;

private:
    void BuildFrame();
    void WireFrame();

    Model model_;
    AppState state_;
    std::unique_ptr<UndoHistory> history_;
    std::unique_ptr<OfflineEdits> offline_;
    QHash<QString, QWidget*> registry_;
    QStackedWidget* pages_ = nullptr;
    EqGraphHandle graph_;
    TForm3* link_ = nullptr;
    TForm2* status_ = nullptr;
    QString screenshotPath_;
    int screenshotTab_ = 0;
    Settings* settings_ = nullptr;
    int startTab_ = 1;
    int shownTab_ = 0;
    bool maximised_ = false;
    QRect normalGeometry_;
};

}  // namespace kdsp
