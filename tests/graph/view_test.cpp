// The interactive graph driven with QTest mouse events against a fake window
// (delegate) and a fake curve source: drags, pins, clamps, Q steps, labels.
#include "graph/eq_graph_view.h"

#include <QTest>

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "core/model/codecs.h"

namespace kdsp {
namespace {

struct Applied {
    SlotControlRef ref;
    bool displayOnly;
    int value;
};

class FakeWindow : public EqGraphDelegate {
public:
    int sheet = 0;
    bool manual = false;
    int graphPage = 0;
    bool dynBypass[3] = {false, false, false};
    bool editIsEdit = true;
    std::vector<std::pair<int, int>> clicks;  // (marker, field)
    std::vector<int> commits;
    std::vector<Applied> applied;
    std::pair<ParamId, int> lastChange{0, 0};

    int ActiveSheet() const override { return sheet; }
    bool ManualMode() const override { return manual; }
    bool DynEqGroupBypassed(int g) const override { return g >= 0 && g < 3 && dynBypass[g]; }
    int GraphPage() const override { return graphPage; }
    bool ClickBandEdit(int marker, int field) override {
        clicks.emplace_back(marker, field);
        return editIsEdit;
    }
    void CommitEditText(int step) override { commits.push_back(step); }
    void ApplySlotControl(const SlotControlRef& c, bool displayOnly, int value) override {
        applied.push_back({c, displayOnly, value});
        if (!displayOnly) lastChange = {c.id, value};
    }
    std::pair<ParamId, int> LastChange() const override { return lastChange; }

    std::vector<Applied> Sent() const {
        std::vector<Applied> out;
        for (const auto& a : applied)
            if (!a.displayOnly) out.push_back(a);
        return out;
    }
};

// A slot as the tests write it; the fake hands it out as the core's BandSlot.
struct CurveSlot {
    int code = 0;
    double frequency = 1000;
    double gain = 0;
    double q = 1;
    ParamId frequencyControl = NoControl;
    ParamId gainControl = NoControl;
};

class FakeSource : public CurveSource {
public:
    int code = 9;
    std::array<CurveSlot, 17> band{};
    std::vector<float> sum = std::vector<float>(463, 0.0f);
    std::vector<std::pair<int, int>> loads;  // (pointSel, page)

    int LoadAndCompute(int pointSel, int page) override {
        loads.emplace_back(pointSel, page);
        return code;
    }
    BandSlot Slot(int s) const override {
        const CurveSlot& c = band.at(s);
        BandSlot b;
        b.code = c.code;
        b.frequency = static_cast<float>(c.frequency);
        b.gain = static_cast<float>(c.gain);
        b.q = static_cast<float>(c.q);
        // Ordinary bands of the music page unless a test names the controls.
        b.frequencyControl = c.frequencyControl != NoControl ? c.frequencyControl
                                                             : MakeId(0, 4 + 5 * s + 1);
        b.gainControl = c.gainControl != NoControl ? c.gainControl : MakeId(0, 4 + 5 * s + 2);
        if (s >= 15 || c.code >= 100) b.gainControl = NoControl;
        return b;
    }
    std::span<const float> Sum() const override { return sum; }
};

class GraphViewTest : public ::testing::Test {
protected:
    void SetUp() override {
        view.SetDelegate(&window);
        view.SetModel(&model);
        view.SetCurveSource(&source);
        view.SetWindowShown(true);
    }
    // Music page: ten peaking bands at their default frequencies, 0 dB.
    void MusicPage() {
        window.sheet = 0;
        window.graphPage = 0;
        source.code = 9;
        const double f[10] = {31.3, 62.5, 125, 250, 500, 1000, 2000, 4000, 8000, 16000};
        for (int i = 0; i < 10; ++i) source.band[i] = {0, f[i], 0.0, 1.0};
        view.DrawChannelCurve(20, 0);
    }
    QWidget* M(int i) { return view.Marker(i); }
    // Press at the marker's centre, move by (dx, dy) in `steps` moves, release.
    void Drag(int marker, int dx, int dy, int steps = 4,
              Qt::MouseButton button = Qt::LeftButton) {
        QWidget* m = M(marker);
        const int c = m->height() / 2;
        QTest::mousePress(m, button, {}, QPoint(c, c));
        for (int i = 0; i < steps; ++i) {
            QTest::mouseMove(m, QPoint(c + dx / steps, c + dy / steps));
        }
        QTest::mouseRelease(m, button, {}, QPoint(c, c));
    }
    double XCentre(int marker) { return M(marker)->x() + M(marker)->height() / 2; }

    Model model;
    FakeWindow window;
    FakeSource source;
    EqGraphView view;
};

TEST_F(GraphViewTest, ObjectsAndMarkerVisibility) {
    EXPECT_NE(view.findChild<QWidget*>("Image1"), nullptr);
    EXPECT_NE(view.findChild<QLabel*>("EQlabel"), nullptr);
    auto* pass = view.findChild<QLabel*>("EQPassLabel");
    ASSERT_NE(pass, nullptr);
    EXPECT_EQ(pass->text(), "EQ PASS");
    MusicPage();
    for (int i = 0; i < 17; ++i) {
        auto* m = view.findChild<EqMarker*>(MarkerName(i));
        ASSERT_NE(m, nullptr) << i;
        EXPECT_EQ(m->Tag(), i);
        EXPECT_EQ(m->isVisibleTo(&view), i < 10) << MarkerName(i).toStdString() << " on the music page";
    }
    // Main page: seven bands, then the crossovers in slots 7 and 8.
    source.code = 206;
    source.band[7] = {104, 80, 0, 0.71};
    source.band[8] = {204, 12000, 0, 0.71};
    view.DrawChannelCurve(20, 6);
    for (int i = 0; i < 17; ++i) {
        EXPECT_EQ(M(i)->isVisibleTo(&view), i < 7 || i >= 15) << MarkerName(i).toStdString() << " on main";
    }
    EXPECT_EQ(M(15)->pos(), MarkerTopLeft(view.Renderer().Geometry(), {24, 24}, 80, 0));
    EXPECT_EQ(M(16)->pos(), MarkerTopLeft(view.Renderer().Geometry(), {24, 24}, 12000, 0));
    EXPECT_EQ(M(7)->isVisibleTo(&view), false) << "slot 7 is the high-pass, not EP8";
}

TEST_F(GraphViewTest, SuspendedRedrawAndPageRules) {
    view.SetCurveRedrawSuspended(true);
    view.DrawChannelCurve(20, 0);
    EXPECT_TRUE(source.loads.empty()) << "nothing is reloaded while suspended";
    view.SetCurveRedrawSuspended(false);
    view.DrawChannelCurve(20, 10);
    EXPECT_TRUE(source.loads.empty()) << "the system page has no curve";
    source.code = 204;
    view.DrawChannelCurve(20, 5);
    ASSERT_EQ(source.loads.size(), 1u);
    EXPECT_EQ(source.loads[0].second, 4) << "the reverb EQ is drawn with the echo bands";
}

TEST_F(GraphViewTest, ValueLabelAboveBelowAndOff) {
    MusicPage();
    source.band[2] = {0, 125, -6.0, 1.4};
    view.DrawChannelCurve(2, 0);
    QLabel* label = view.ValueLabel();
    EXPECT_EQ(label->text(), "-6.0dB\nQ:1.40\n125.00Hz");
    EXPECT_EQ(label->y() + label->height() + 1, M(2)->y()) << "negative gain: above the point";
    source.band[2] = {0, 125, 4.0, 1.4};
    view.DrawChannelCurve(2, 0);
    EXPECT_EQ(label->y(), M(2)->y() + M(2)->height()) << "positive gain: below the point";
    EXPECT_EQ(label->x(), M(2)->x() + 7 - label->width() / 2);

    source.code = 206;
    source.band[8] = {200, 20600, 0, 0.71};
    view.DrawChannelCurve(20, 6);
    view.DrawChannelCurve(8, 6);
    EXPECT_EQ(label->text(), "OFF");
    EXPECT_EQ(label->y(), M(16)->y() + 24 - 5);
}

TEST_F(GraphViewTest, MusicBandInAutomaticModeDoesNothing) {
    MusicPage();
    const QPoint before = M(3)->pos();
    Drag(3, 40, 30);
    EXPECT_EQ(M(3)->pos(), before);
    EXPECT_TRUE(window.applied.empty());
    EXPECT_TRUE(window.clicks.empty()) << "no edit is clicked in automatic mode";
}

TEST_F(GraphViewTest, ManualDragWritesOncePerCodeChange) {
    MusicPage();
    window.manual = true;
    Drag(5, 30, 20, 10);
    ASSERT_FALSE(window.Sent().empty());
    // Every flush corresponds to a new code pair; no two writes carry the same pair.
    int lastGain = -1;
    for (const auto& a : window.Sent()) {
        EXPECT_EQ(a.ref.field, SlotField::Gain);
        EXPECT_NE(a.value, lastGain);
        lastGain = a.value;
    }
    EXPECT_LT(view.DragState().PendingGain, 0);
    EXPECT_GT(view.DragState().PendingFreq, 1000);
    EXPECT_EQ(window.clicks.front(), std::make_pair(5, 2)) << "press clicks the gain edit";
    EXPECT_EQ(window.clicks.back(), std::make_pair(5, 2)) << "release clicks the gain edit";
}

TEST_F(GraphViewTest, StraightUpDragChangesOnlyTheGain) {
    MusicPage();
    window.manual = true;
    const int freqCode = static_cast<int>(TextToValue(2, 500));
    Drag(4, 0, -30, 6);
    ASSERT_FALSE(window.applied.empty());
    for (const auto& a : window.applied) {
        if (a.ref.field == SlotField::Frequency) {
            EXPECT_TRUE(a.displayOnly) << "the frequency is never sent";
            EXPECT_EQ(a.value, freqCode) << "and never changed";
        }
    }
    EXPECT_EQ(view.DragState().PendingFreqCode, freqCode);
    EXPECT_EQ(window.Sent().back().ref.id, MakeId(0, 4 + 5 * 4 + 2));
    EXPECT_GT(window.Sent().back().value, 120);
}

TEST_F(GraphViewTest, AboveTheGraphIsPlusTwelveAndRightEdgeIs20600) {
    MusicPage();
    window.manual = true;
    Drag(9, 400, -400, 4);
    EXPECT_FLOAT_EQ(view.DragState().PendingGain, 12.0f);
    EXPECT_FLOAT_EQ(view.DragState().PendingGainCode, 180.0f);
    EXPECT_FLOAT_EQ(view.DragState().PendingFreq, 20600.0f);
    EXPECT_FLOAT_EQ(view.DragState().PendingFreqCode, 361.0f);
    EXPECT_EQ(M(9)->y(), -7) << "centre stays on the top edge";
    Drag(0, -300, 600, 4);
    EXPECT_FLOAT_EQ(view.DragState().PendingGain, -24.0f);
    EXPECT_GE(view.DragState().PendingFreq, 19.0f);
    EXPECT_LE(view.DragState().PendingFreqCode, 1.0f) << "the left stop is one of the two lowest entries";
}

TEST_F(GraphViewTest, MicrophoneHighPassPinsAt309Hz) {
    window.sheet = 1;
    window.graphPage = 1;
    source.code = 114;
    for (int i = 0; i < 15; ++i) source.band[i] = {0, 100.0 * (i + 1), 0, 1};
    source.band[15] = {102, 60, 0, 1, MakeId(1, 0)};
    view.DrawChannelCurve(20, 1);
    const int top = M(15)->y();
    Drag(15, 600, 80, 12);
    EXPECT_EQ(M(15)->y(), top) << "the high-pass never moves vertically";
    const int pinned = static_cast<int>(std::nearbyint(FreqToX(309, view.Renderer().Geometry()) - 12));
    EXPECT_EQ(M(15)->x(), pinned);
    ASSERT_FALSE(window.Sent().empty());
    const Applied last = window.Sent().back();
    EXPECT_EQ(last.ref.id, MakeId(1, 0));
    EXPECT_TRUE(last.ref.pane);
    EXPECT_EQ(last.value, 143) << "309 Hz is the top of the microphone high-pass";
    for (const auto& a : window.applied) EXPECT_NE(a.ref.field, SlotField::Gain);
    EXPECT_EQ(window.clicks.size(), 0u) << "crossover points click no edit";
}

TEST_F(GraphViewTest, OutputLowPassAtTheRightEndIsOff) {
    window.sheet = 3;
    window.graphPage = 6;
    source.code = 206;
    for (int i = 0; i < 7; ++i) source.band[i] = {0, 100.0 * (i + 1), 0, 1};
    source.band[7] = {104, 80, 0, 0.71};
    source.band[8] = {204, 8000, 0, 0.71};
    source.band[15].frequencyControl = MakeId(6, 17);
    source.band[16].frequencyControl = MakeId(6, 20);
    view.DrawChannelCurve(20, 6);
    Drag(16, 400, 0, 4);
    ASSERT_FALSE(window.Sent().empty());
    EXPECT_EQ(window.Sent().back().ref.id, MakeId(6, 20));
    EXPECT_EQ(window.Sent().back().value, 362);
    // The high-pass dragged to the far left turns off (0).
    Drag(15, -400, 0, 4);
    EXPECT_EQ(window.Sent().back().ref.id, MakeId(6, 17));
    EXPECT_EQ(window.Sent().back().value, 0);
}

TEST_F(GraphViewTest, EffectLowPassPinsAt5990AndCountsFromThere) {
    window.sheet = 2;
    window.graphPage = 4;
    source.code = 204;
    for (int i = 0; i < 5; ++i) source.band[i] = {0, 200.0 * (i + 1), 0, 1};
    source.band[5] = {102, 100, 0, 1};
    source.band[6] = {202, 10000, 0, 1};
    source.band[15].frequencyControl = MakeId(5, 6);
    source.band[16].frequencyControl = MakeId(5, 7);
    view.DrawChannelCurve(20, 5);
    Drag(16, -500, 0, 5);
    const int pinned = static_cast<int>(std::nearbyint(FreqToX(5990, view.Renderer().Geometry()) - 12));
    EXPECT_EQ(M(16)->x(), pinned);
    EXPECT_EQ(window.Sent().back().ref.id, MakeId(5, 7)) << "reverb low-pass pane";
    EXPECT_EQ(window.Sent().back().value, 0);
    Drag(16, 500, 0, 5);
    EXPECT_EQ(window.Sent().back().value, 194) << "top position: the effect low-pass is off";
    Drag(15, 600, 0, 6);
    EXPECT_EQ(window.Sent().back().ref.id, MakeId(5, 6));
    EXPECT_EQ(window.Sent().back().value, 205) << "effect high-pass stops at 1015 Hz";
}

TEST_F(GraphViewTest, RightButtonStepsTheQ) {
    MusicPage();
    window.sheet = 3;
    window.graphPage = 6;
    QWidget* m = M(1);
    QTest::mousePress(m, Qt::RightButton, {}, QPoint(7, 7));
    EXPECT_EQ(window.clicks.back(), std::make_pair(1, 3)) << "the Q edit is clicked";
    EXPECT_TRUE(view.DragState().QAdjustMode);
    const QPoint before = m->pos();
    QTest::mouseMove(m, QPoint(9, 7));
    QTest::mouseMove(m, QPoint(12, 7));
    QTest::mouseMove(m, QPoint(10, 9));
    QTest::mouseMove(m, QPoint(10, 2));
    EXPECT_EQ(window.commits, (std::vector<int>{1, 1, 11, 0}));
    EXPECT_EQ(m->pos(), before) << "Q adjusting does not move the point";
    EXPECT_TRUE(window.applied.empty());

    // Over the image a step needs three pixels.
    window.commits.clear();
    view.GraphMouseMoved(Qt::RightButton, QPoint(11, 50));
    view.GraphMouseMoved(Qt::RightButton, QPoint(12, 50));
    view.GraphMouseMoved(Qt::RightButton, QPoint(14, 50));
    view.GraphMouseMoved(Qt::RightButton, QPoint(11, 50));
    view.GraphMouseMoved(Qt::NoButton, QPoint(1, 50));
    EXPECT_EQ(window.commits, (std::vector<int>{1, 11}));
    view.GraphReleased(Qt::RightButton);
    EXPECT_FALSE(view.DragState().QAdjustMode);
    EXPECT_EQ(window.clicks.back(), std::make_pair(1, 1)) << "then the frequency edit";
}

TEST_F(GraphViewTest, BypassedEqAndDynEqGroupsIgnoreDrags) {
    MusicPage();
    window.sheet = 1;
    view.SetEqPassVisible(true);
    const QPoint before = M(2)->pos();
    Drag(2, 20, 20);
    EXPECT_EQ(M(2)->pos(), before);
    EXPECT_TRUE(window.applied.empty());
    view.SetEqPassVisible(false);

    window.sheet = 8;
    window.manual = true;
    window.graphPage = 2;
    source.code = 2;
    source.band[0] = {0, 100, 0, 1};
    source.band[1] = {0, 1000, 0, 1};
    source.band[2] = {0, 10000, 0, 1, MakeId(2, 27), MakeId(2, 28)};
    view.DrawChannelCurve(20, 2);
    window.dynBypass[1] = true;
    const QPoint b1 = M(1)->pos();
    Drag(1, 20, 20);
    EXPECT_EQ(M(1)->pos(), b1);
    EXPECT_TRUE(window.applied.empty());
    Drag(2, 0, 20);
    EXPECT_FALSE(window.applied.empty()) << "the other groups still drag";
    EXPECT_EQ(window.Sent().back().ref.id, MakeId(2, 24 + 2 + 2));
    EXPECT_EQ(window.clicks.back(), std::make_pair(2, 1)) << "DEQ release clicks the frequency";
}

TEST_F(GraphViewTest, PeriodicCheckRedrawsTheChangedBand) {
    MusicPage();
    source.loads.clear();
    window.lastChange = {MakeId(0, 4 + 5 * 3 + 2), 130};
    view.ApplyDragWhenIdle();
    ASSERT_EQ(source.loads.size(), 1u);
    EXPECT_EQ(source.loads[0], std::make_pair(3, 0));
    view.ApplyDragWhenIdle();
    EXPECT_EQ(source.loads.size(), 1u) << "an unchanged LastChange draws nothing";
    window.lastChange = {MakeId(6, 20), 300};
    view.ApplyDragWhenIdle();
    EXPECT_EQ(source.loads.size(), 1u) << "a change of a page not on the graph draws nothing";
    window.graphPage = 6;
    window.lastChange = {MakeId(6, 20), 301};
    view.ApplyDragWhenIdle();
    EXPECT_EQ(source.loads.back(), std::make_pair(8, 6)) << "crossover: its slot";
}

TEST_F(GraphViewTest, CoreCurveOfTheMicrophonePage) {
    // The real channel curve: group A, high-pass at FreqTable[59], band 3 at -6 dB.
    model.ParamImage[1][0] = 60;
    for (int b = 0; b < 15; ++b) {
        model.ParamImage[1][6 + 5 * b + 1] = 20 + 20 * b;
        model.ParamImage[1][6 + 5 * b + 2] = 120;
        model.ParamImage[1][6 + 5 * b + 3] = 16;
    }
    model.ParamImage[1][6 + 5 * 3 + 2] = 90;
    ChannelCurveSource core(model);
    view.SetCurveSource(&core);
    window.sheet = 1;
    window.graphPage = 1;
    view.DrawChannelCurve(AllSlots, 1);
    EXPECT_EQ(core.Curve().ChannelCode(), 114);
    for (int i = 0; i < 17; ++i) EXPECT_EQ(M(i)->isVisibleTo(&view), i != 16) << i;
    EXPECT_EQ(M(3)->pos(), MarkerTopLeft(view.Renderer().Geometry(), {14, 14},
                                         std::round(core.Slot(3).frequency), -6.0));
    Drag(15, 700, 0, 14);
    ASSERT_FALSE(window.Sent().empty());
    EXPECT_EQ(window.Sent().back().ref.id, MakeId(1, 0));
    EXPECT_EQ(window.Sent().back().value, 143);
    window.applied.clear();
    Drag(3, 0, -40, 4);
    ASSERT_FALSE(window.Sent().empty());
    EXPECT_EQ(window.Sent().back().ref.id, MakeId(1, 6 + 5 * 3 + 2)) << "band 4's gain edit";
}

TEST_F(GraphViewTest, MarkersIgnoreTheMouseBeforeTheWindowIsShown) {
    EqGraphView fresh;
    FakeSource src;
    fresh.SetDelegate(&window);
    fresh.SetCurveSource(&src);
    window.sheet = 3;
    fresh.DrawChannelCurve(20, 0);
    const QPoint before = fresh.Marker(0)->pos();
    QTest::mousePress(fresh.Marker(0), Qt::LeftButton, {}, QPoint(7, 7));
    QTest::mouseMove(fresh.Marker(0), QPoint(30, 30));
    QTest::mouseRelease(fresh.Marker(0), Qt::LeftButton, {}, QPoint(7, 7));
    EXPECT_EQ(fresh.Marker(0)->pos(), before);
    EXPECT_TRUE(window.applied.empty());
}

TEST_F(GraphViewTest, ResizeRebuildsTheGrid) {
    MusicPage();
    view.show();
    view.resize(700, 200);
    QCoreApplication::processEvents();
    EXPECT_EQ(view.Renderer().Image().size(), QSize(700, 200));
    EXPECT_EQ(view.ImageWidget()->size(), QSize(700, 200));
    EXPECT_NEAR(PixelsPerStep(view.Renderer().Geometry()), 700.0 / 462, 1e-12);
    EXPECT_EQ(M(5)->pos(), MarkerTopLeft(view.Renderer().Geometry(), {14, 14}, 1000, 0))
        << "markers follow the new scale";
}

}  // namespace
}  // namespace kdsp
