// The main window MainWindow: borderless frame, tab strip, pages, shared graph
// area and toolbar. It owns the parameter model and the window-wide state, and
// is the composition root: it builds the parts and gives each its AppContext.
#pragma once

#include <memory>
#include <optional>

#include <QRect>
#include <QString>
#include <QWidget>

#include "app/graph/eq_graph.h"
#include "app/state/app_context.h"
#include "app/state/app_options.h"

class QSlider;
class QStackedWidget;

namespace kdsp {

class BoundButton;
class OfflineEdits;
class Settings;
class UndoHistory;
class StatusDialog;
class LinkWindow;

class MainWindow : public QWidget, public AppContext {
public:
    explicit MainWindow(QWidget* parent = nullptr);
    ~MainWindow() override;

    void SetLinkWindow(LinkWindow* link) { link_ = link; }
    void SetStatusDialog(StatusDialog* dialog) { status_ = dialog; }
    void SetScreenshotPath(const QString& path, int tab = 0, const QString& compare = {}) {
        screenshotPath_ = path;
        screenshotTab_ = tab;
        screenshotCompare_ = compare;
    }
    // The kept settings this window reads and leaves its choices in (none: nothing
    // is remembered).
    void SetSettings(Settings* settings) { settings_ = settings; }
    // The tab button (1..9) the start-up selects instead of the music page.
    void SetStartTab(int tab) { startTab_ = tab; }
    // The tab button (1..9) whose page was selected last, 0 before the first.
    int ShownTab() const { return shownTab_; }
    // The title bar's "中/EN" switch: English, or Chinese when English is shown.
    void ToggleLanguage();

    // Handlers of the frame.
    void FirstShow();
    void ScrollBandStrips(QSlider* bar);
    void ToggleMaximised();  // maximise / restore
    void Minimise();  // minimise
    void CloseWindow();  // close
    bool IsMaximised() const { return maximised_; }
    // Sizes and places the window inside the available part of the screen under
    // `topLeft` (none, or on no screen: centred on the primary screen).
    void PlaceOnScreen(std::optional<QPoint> topLeft = std::nullopt);

    QStackedWidget* FormPageItem() const { return pages_; }

    // AppContext
    QWidget& Window() override { return *this; }
    Settings* KeptSettings() const override { return settings_; }
    UndoHistory& History() override { return *history_; }
    OfflineEdits& OfflineList() override { return *offline_; }
    int ActiveSheet() const override;
    void SelectTab(BoundButton* tab) override;
    void EditStored(ParamId id, bool band) override;
    void LinkSettled() override;
    void DrawChannelCurve(int band, int page) override;
    QWidget* SlotFrequencyControl(int slot) override;
    void ShowEqPass(bool visible) override;
    bool SetCurveRedrawSuspended(bool suspended) override;
    bool CurveRedrawSuspended() override;
    void ShowStoredModeName(QComboBox* box) override;
    void PanelLockAfterRefresh() override;

protected:
    void changeEvent(QEvent* e) override;
    void showEvent(QShowEvent* e) override;
    void closeEvent(QCloseEvent* e) override;
    void mousePressEvent(QMouseEvent* e) override;
    void mouseDoubleClickEvent(QMouseEvent* e) override;

private:
    void BuildFrame();
    void WireFrame();

    std::unique_ptr<UndoHistory> history_;
    std::unique_ptr<OfflineEdits> offline_;
    QStackedWidget* pages_ = nullptr;
    EqGraphHandle graph_;
    LinkWindow* link_ = nullptr;
    StatusDialog* status_ = nullptr;
    QString screenshotPath_;
    int screenshotTab_ = 0;
    QString screenshotCompare_;
    Settings* settings_ = nullptr;
    int startTab_ = 1;
    int shownTab_ = 0;
    bool maximised_ = false;
    QRect normalGeometry_;
};

}  // namespace kdsp
