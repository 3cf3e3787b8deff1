// The main window TForm1: borderless frame, tab strip, pages, shared graph
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
class TForm2;
class TForm3;

class TForm1 : public QWidget, public AppContext {
public:
    explicit TForm1(QWidget* parent = nullptr);
    ~TForm1() override;

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
    // The tab button (1..9) the start-up selects instead of the music page.
    void SetStartTab(int tab) { startTab_ = tab; }
    // The tab button (1..9) whose page was selected last, 0 before the first.
    int ShownTab() const { return shownTab_; }
    // The title bar's "中/EN" switch: English, or Chinese when English is shown.
    void ToggleLanguage();

    // Handlers of the frame.
    void FormShow();
    void MusPanScrollBarChange(QSlider* bar);
    void RzBmpButton1Click();  // maximise / restore
    void RzBmpButton2Click();  // minimise
    void RzBmpButton3Click();  // close
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
    void FormTabBtn1Click(BoundButton* tab) override;
    void EditStored(ParamId id, bool band) override;
    void LinkSettled() override;
    void DrawChannelCurve(int band, int page) override;
    QWidget* SlotFrequencyControl(int slot) override;
    void ShowEqPass(bool visible) override;
    bool SetCurveRedrawSuspended(bool suspended) override;
    bool CurveRedrawSuspended() override;
    void SysModeBoxChange(QComboBox* box) override;
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
