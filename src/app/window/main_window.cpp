// MainWindow: the borderless main window, its start-up order, page switching and
// the frame handling (drag, minimise, maximise/restore, close).
#include "app/window/main_window.h"

#include <algorithm>

#include <QApplication>
#include <QCloseEvent>
#include <QDialog>
#include <QDir>
#include <QFileInfo>
#include <QMouseEvent>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QStackedWidget>
#include <QTimer>
#include <QVBoxLayout>
#include <QWindow>

#include "app/editing/channel_handlers.h"
#include "app/editing/channel_wiring.h"
#include "app/editing/control_actions.h"
#include "app/editing/control_tables.h"
#include "app/editing/offline_edits.h"
#include "app/editing/page_refresh.h"
#include "app/editing/undo_history.h"
#include "app/editing/undo_input.h"
#include "app/graph/eq_graph.h"
#include "app/i18n/language.h"
#include "app/link/link_window.h"
#include "app/pages/builder.h"
#include "app/pages/pages.h"
#include "app/panels/ab_switch.h"
#include "app/panels/diff_dialog.h"
#include "app/panels/offline_preset.h"
#include "app/panels/panel_builders.h"
#include "app/panels/preset_panel.h"
#include "app/panels/upload_guard.h"
#include "app/state/panel_state.h"
#include "app/state/settings.h"
#include "app/widgets/widgets.h"
#include "app/window/window_settings.h"
#include "core/session/device_session.h"

namespace kdsp {

namespace {
// The size the window is drawn for; a smaller screen scrolls what is below the title bar.
constexpr QSize DesignSize(1133, 637);
constexpr int BorderWidth = 2;
}  // namespace

MainWindow::MainWindow(QWidget* parent)
    : QWidget(parent), history_(std::make_unique<UndoHistory>(model())), offline_(std::make_unique<OfflineEdits>()) {
    setObjectName("Form1");
    setWindowTitle("Audio Effect Contrller");
    setWindowFlags(Qt::Window | Qt::FramelessWindowHint);
    setAttribute(Qt::WA_StyledBackground);
    BuildFrame();
    WireFrame();
    WireChannelHandlers(*this);
    BuildPanels(*this);
    WireUndo(*this);
    offline_->Changed = [this] { ShowOfflineEdits(*this); };
    PlaceOnScreen();
}

MainWindow::~MainWindow() {
    // The window's input stops reaching the history before the history goes.
    if (QObject* input = findChild<QObject*>("UndoInput", Qt::FindDirectChildrenOnly)) delete input;
}

void MainWindow::BuildFrame() {
    Builder b(Registry());
    auto* v = new QVBoxLayout(this);
    v->setContentsMargins(BorderWidth, BorderWidth, BorderWidth, BorderWidth);
    v->setSpacing(0);
    QWidget* title = BuildTitleBar(b, this);
    v->addWidget(title);

    // Below the title bar, what a screen smaller than the window cannot show is
    // scrolled to; the title bar with its buttons always stays in view.
    auto* scroll = b.Reg(new QScrollArea(this), "FormScrollBox");
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->setFocusPolicy(Qt::NoFocus);  // a click on a button leaves the focus where it was
    scroll->setWidgetResizable(true);
    auto* body = b.Reg(new QWidget(scroll), "FormBody");
    body->setMinimumSize(DesignSize - QSize(2 * BorderWidth, 2 * BorderWidth + title->minimumHeight()));
    auto* bv = new QVBoxLayout(body);
    bv->setContentsMargins(0, 0, 0, 0);
    bv->setSpacing(0);
    bv->addWidget(BuildTopStrip(b, body));

    pages_ = b.Reg(new QStackedWidget(body), "FormPageItem");
    pages_->addWidget(BuildMusicSheet(b, pages_));
    pages_->addWidget(BuildMicSheet(b, pages_));
    pages_->addWidget(BuildEffectSheet(b, pages_));
    pages_->addWidget(BuildOutputSheet(b, pages_, true));
    pages_->addWidget(b.Reg(new QWidget(pages_), "AdvTabSheet5_Center"));
    pages_->addWidget(BuildOutputSheet(b, pages_, false));
    pages_->addWidget(b.Reg(new QWidget(pages_), "AdvTabSheet7_sur"));
    pages_->addWidget(BuildSystemSheet(b, pages_));
    pages_->addWidget(BuildDynEqSheet(b, pages_));
    pages_->addWidget(b.Reg(new QWidget(pages_), "AdvTabSheet10_MCDEQ"));
    bv->addWidget(pages_, 1);
    bv->addWidget(BuildSharedArea(b, body));
    scroll->setWidget(body);
    scroll->viewport()->setAutoFillBackground(false);  // the window's own blue shows through
    v->addWidget(scroll, 1);

    // The placeholder edit marks empty slots and "no edit is current".
    state().Example = b.Edit("Example", this);
    state().Example->hide();
    state().CurrentEdit = state().Example;
    state().HighlightedEdit = state().Example;

    graph_ = AttachEqGraph(*this);
}

void MainWindow::WireFrame() {
    for (int k = 0; k < 10; ++k)
        if (auto* tab = Ctl<BoundButton>(QString("FormTabBtn%1").arg(k + 1)))
            connect(tab, &QPushButton::clicked, this, [this, tab] { SelectTab(tab); });
    for (const char* name : {"MicPanScrollBar", "MainPanScrollBar", "SubPanScrollBar"})
        if (auto* bar = Ctl<BoundSlider>(name))
            connect(bar, &QSlider::valueChanged, this, [this, bar] { ScrollBandStrips(bar); });
    if (auto* b = Ctl<QPushButton>("RzBmpButton1")) connect(b, &QPushButton::clicked, this, [this] { ToggleMaximised(); });
    if (auto* b = Ctl<QPushButton>("RzBmpButton2")) connect(b, &QPushButton::clicked, this, [this] { Minimise(); });
    if (auto* b = Ctl<QPushButton>("RzBmpButton3")) connect(b, &QPushButton::clicked, this, [this] { CloseWindow(); });
    if (auto* b = Ctl<QPushButton>("LanguageBtn"))
        connect(b, &QPushButton::clicked, this, [this] { ToggleLanguage(); });
}

void MainWindow::ToggleLanguage() {
    const UiLanguage next =
        CurrentUiLanguage() == UiLanguage::English ? UiLanguage::Chinese : UiLanguage::English;
    SetUiLanguage(next);
    if (settings_) {
        settings_->SetLanguage(next);
        settings_->Sync();
    }
}

void MainWindow::changeEvent(QEvent* e) {
    if (e->type() == QEvent::LanguageChange) {
        Retranslate(this);
        ShowPresetFolder(*this);
        ShowOfflineEdits(*this);
    }
    QWidget::changeEvent(e);
}

void MainWindow::showEvent(QShowEvent* e) {
    QWidget::showEvent(e);
    if (!state().WindowShown) FirstShow();
}

void MainWindow::FirstShow() {
    BuildControlTables(*this);
    BuildControlTables(*this);
    ResetEqBands(*this, 20);
    EnsurePresetFolders(*this);
    RefreshPresetList(*this);
    if (!(link_ && link_->FreshLink() == 2)) {
        const int start = startTab_ >= 1 && startTab_ <= 9 ? startTab_ : 1;
        if (auto* tab = state().Tables.TabButtons[static_cast<std::size_t>(start - 1)]) {
            SelectTab(tab);
            tab->setFocus();
        }
    }
    SetGraphWindowShown(*this);
    WatchUndoInput(*this);
    WatchWindowInput(*this);
    if (link_) {
        link_->ListPorts();
        link_->ConnectOrDisconnect(Ctl<BoundButton>("LinkBtn"));
    }
    state().WindowShown = true;
}

int MainWindow::ActiveSheet() const { return pages_ ? pages_->currentIndex() : 0; }

void MainWindow::SelectTab(BoundButton* tab) {
    if (!tab) return;
    shownTab_ = tab->Tag() + 1;
    const int selection = ControlAction(*this, tab, ControlAct::SelectTab);
    state().EqGraphSelection = selection;
    const int p = selection >> 8;
    const int s = selection & 0xFF;
    RefreshPages(*this, p);
    PrepareBypassButton(*this, p);
    if (p == PageEcho && model().EffectEqVariant == 4)
        state().CurveColour = 0xFFFD713D;
    else if (p == PageEcho && model().EffectEqVariant == 5)
        state().CurveColour = 0xFF94C7C7;
    else
        state().CurveColour = 0xFF578EFA;
    DrawChannelCurve(20, p);
    if (s < static_cast<int>(state().SelectedBand.size()) && p != PageSystem) {
        DrawChannelCurve(state().SelectedBand[s], p);
        // The wheel and the arrow keys now act on the band selected on this sheet.
        auto* edit = qobject_cast<BoundEdit*>(SlotFrequencyControl(state().SelectedBand[s]));
        if (edit && edit != state().Example) state().CurrentEdit = edit;
    }
    if (QWidget* g = Control("SingleDiscoGrop")) g->setVisible(s == 0 || (s >= 3 && s <= 6));
    if (QWidget* a = Control("AdvPanel1")) a->setVisible(s != 7);
    SetEnableRules(*this, model().ParamImage[PageMusic][0], p);
    pages_->setCurrentIndex(s);
}

void MainWindow::ScrollBandStrips(QSlider* bar) {
    static const struct {
        const char* bar;
        const char* box;
    } kPairs[] = {{"MicPanScrollBar", "MicScrollBox"},
                  {"MainPanScrollBar", "MainPanScrollBox"},
                  {"SubPanScrollBar", "SubScrollPaneBox"}};
    for (const auto& pair : kPairs) {
        if (bar->objectName() != QLatin1String(pair.bar)) continue;
        if (auto* box = Ctl<QScrollArea>(pair.box))
            box->horizontalScrollBar()->setValue(bar->value() * BandStripWidth);
    }
}

void MainWindow::ToggleMaximised() {
    if (maximised_) {
        maximised_ = false;
        setGeometry(normalGeometry_);
        return;
    }
    normalGeometry_ = geometry();
    maximised_ = true;
    // The available geometry already leaves out the taskbar where the platform reports one.
    QScreen* s = screen() ? screen() : QGuiApplication::primaryScreen();
    if (s) setGeometry(s->availableGeometry());
}

void MainWindow::PlaceOnScreen(std::optional<QPoint> topLeft) {
    // The screen under the title bar's caption.
    QScreen* screen = topLeft ? QGuiApplication::screenAt(*topLeft + QPoint(40, 14)) : nullptr;
    const bool centred = !screen;
    if (!screen) screen = QGuiApplication::primaryScreen();
    if (!screen) {
        resize(DesignSize);
        return;
    }
    const QRect room = screen->availableGeometry();
    QRect place(QPoint(), DesignSize.boundedTo(room.size()));
    if (centred)
        place.moveCenter(room.center());
    else
        place.moveTopLeft(*topLeft);
    // Wholly inside: the title bar, its buttons and the scroll bars stay reachable.
    place.moveLeft(std::clamp(place.left(), room.left(), room.right() + 1 - place.width()));
    place.moveTop(std::clamp(place.top(), room.top(), room.bottom() + 1 - place.height()));
    setGeometry(place);
}

void MainWindow::Minimise() { showMinimized(); }

void MainWindow::CloseWindow() { close(); }

void MainWindow::closeEvent(QCloseEvent* e) {
    if (!MayCloseDuringUpload(*this)) {
        e->ignore();
        return;
    }
    if (link_) link_->CloseRequest();
    if (settings_) KeepSettings(*settings_, *this);
    e->accept();
    QWidget::closeEvent(e);
}

void MainWindow::mousePressEvent(QMouseEvent* e) {
    // Any free spot of the window acts as the title bar.
    if (e->button() == Qt::LeftButton && windowHandle()) {
        windowHandle()->startSystemMove();
        e->accept();
        return;
    }
    QWidget::mousePressEvent(e);
}

void MainWindow::mouseDoubleClickEvent(QMouseEvent* e) {
    if (e->button() == Qt::LeftButton) ToggleMaximised();
}


void MainWindow::EditStored(ParamId id, bool band) {
    // The window showing stored values is no edit.
    if (state().SuppressSend) return;
    const StoredEdit where = LocateEdit(model(), id, band);
    history_->Note(where);
    if (DeviceSession* session = PanelSession(*this); session && !session->OnlineNow())
        offline_->Note(where, history_->Before(where), model(), session->Transferring());
    PresetDocumentEdited(*this);
}

void MainWindow::LinkSettled() {
    if (screenshotPath_.isEmpty()) return;
    const QString path = screenshotPath_;
    screenshotPath_.clear();
    const int tab = screenshotTab_;
    QTimer::singleShot(0, this, [this, path, tab] {
        if (tab >= 1 && tab <= 9) SelectTab(state().Tables.TabButtons[tab - 1]);
        QDialog* diff = nullptr;
        if (!screenshotCompare_.isEmpty() && TakeAbSlotsForPicture(*this, screenshotCompare_))
            diff = ShowDiffDialog(*this, DiffSlotB);
        grab().save(path);
        if (diff) {
            QFileInfo shot(path);
            diff->grab().save(shot.dir().filePath(shot.completeBaseName() + "-diff." + shot.suffix()));
        }
        QApplication::quit();
    });
}

// The parts reach the graph and the panels through the window.
void MainWindow::DrawChannelCurve(int band, int page) { kdsp::DrawChannelCurve(*this, band, page); }
QWidget* MainWindow::SlotFrequencyControl(int slot) { return kdsp::SlotFrequencyControl(*this, slot); }
void MainWindow::ShowEqPass(bool visible) { kdsp::ShowEqPass(*this, visible); }
bool MainWindow::SetCurveRedrawSuspended(bool suspended) { return kdsp::SetCurveRedrawSuspended(*this, suspended); }
bool MainWindow::CurveRedrawSuspended() { return kdsp::CurveRedrawSuspended(*this); }
void MainWindow::ShowStoredModeName(QComboBox* box) { kdsp::ShowStoredModeName(*this, box); }
void MainWindow::PanelLockAfterRefresh() { kdsp::PanelLockAfterRefresh(*this); }

}  // namespace kdsp
