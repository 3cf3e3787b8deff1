// The EQ graph inside the window: the view draws the window's own pages, drags
// go down the change path to the link, and "EQ pass" / "EQ重置" act on the page
// shown on the graph.
#include <QLabel>
#include <QTest>

#include <gtest/gtest.h>

#include <cmath>

#include "app/editing/channel_handlers.h"
#include "core/model/codecs.h"
#include "core/model/eq_layout.h"
#include "editing_fixture.h"
#include "graph/eq_graph_view.h"
#include "window_input.h"

namespace kdsp {
namespace {

class GraphInWindowTest : public EditingTest {
protected:
    EqGraphView* View() { return W<EqGraphView>("AdvPanel2"); }
    QWidget* M(const char* name) { return W(name); }
    // Press at the marker's centre, move by (dx, dy) in `steps` moves, release.
    void Drag(const char* marker, int dx, int dy, int steps = 4, Qt::MouseButton button = Qt::LeftButton) {
        QWidget* m = M(marker);
        const int c = m->height() / 2;
        QTest::mousePress(m, button, {}, QPoint(c, c));
        for (int i = 0; i < steps; ++i) QTest::mouseMove(m, QPoint(c + dx / steps, c + dy / steps));
        QTest::mouseRelease(m, button, {}, QPoint(c, c));
    }
    void Manual() { W<BoundButton>("ManulModeBtn")->click(); }
    void Automatic() { W<BoundButton>("AutoModeBtn")->click(); }
    // A value as if read from the processor: in both images.
    void Put(int page, int index, int value) {
        Model& m = form->model();
        m.ParamImage[page][index] = value;
        m.DeviceImage[page][DeviceSlot(page, index, m.ModeFlag)] = value;
    }
    static int Band(int page, int band, int k) { return BandParamIndex(FirstEqIndex[page], band, k); }
};

TEST_F(GraphInWindowTest, FlatPageRunsAlongZeroDbWithItsMarkersAndAxisLabels) {
    Tab(1);
    EqGraphView* view = View();
    ASSERT_NE(view, nullptr);
    EXPECT_EQ(form->Control("Image1"), view->ImageWidget());
    const GraphGeometry& geo = view->Renderer().Geometry();
    const QImage& image = view->Renderer().Image();
    const int x = static_cast<int>(std::lround(FreqToX(700, geo)));
    const int y0 = static_cast<int>(std::lround(DbToY(0, geo)));
    const QColor onCurve = image.pixelColor(x, y0);
    EXPECT_GT(onCurve.blue(), onCurve.red() + 60) << "the blue curve crosses 0 dB at 700 Hz";
    const QColor below = image.pixelColor(x, y0 + 12);
    EXPECT_LT(below.blue(), below.red() + 30) << "and nowhere lower";

    for (int k = 1; k <= 15; ++k)
        EXPECT_EQ(M(qPrintable(QString("EP%1").arg(k)))->isVisible(), k <= 10) << "EP" << k;
    EXPECT_FALSE(M("HPF")->isVisible());
    EXPECT_FALSE(M("LPF")->isVisible());
    Tab(4);  // main output: seven bands and both crossovers
    for (int k = 1; k <= 15; ++k)
        EXPECT_EQ(M(qPrintable(QString("EP%1").arg(k)))->isVisible(), k <= 7) << "EP" << k;
    EXPECT_TRUE(M("HPF")->isVisible());
    EXPECT_TRUE(M("LPF")->isVisible());

    // The axis labels sit in the graph's panel, centred on their grid lines.
    const QPoint origin = view->pos();
    const QRect khz = W("EQLabelX16")->geometry();
    EXPECT_EQ(W<QLabel>("EQLabelX16")->text(), "1KHz");
    EXPECT_NEAR(khz.center().x(), origin.x() + FreqToX(1000, geo), 1.0);
    EXPECT_EQ(khz.top(), origin.y() + view->ImageWidget()->height());
    const QRect zero = W("EQLabelY4")->geometry();
    EXPECT_EQ(W<QLabel>("EQLabelY4")->text(), "0dB");
    EXPECT_NEAR(zero.center().y(), origin.y() + DbToY(0, geo), 1.0);
    EXPECT_LE(zero.right(), origin.x());
}

TEST_F(GraphInWindowTest, MusicBandDragsOnlyInManualModeAndGoOutAsBandFrames) {
    Tab(1);
    const int gainIndex = Band(PageMusic, 2, 2);
    const int freqIndex = Band(PageMusic, 2, 1);
    const int gainBefore = form->model().ParamImage[0][gainIndex];
    const int freqBefore = form->model().ParamImage[0][freqIndex];
    Automatic();
    transport.frames.clear();
    Drag("EP3", 0, -40);
    EXPECT_TRUE(transport.frames.empty()) << "automatic mode: the music EQ is the processor's";
    EXPECT_EQ(form->model().ParamImage[0][gainIndex], gainBefore);

    Manual();
    transport.frames.clear();
    Drag("EP3", 0, -40);
    EXPECT_GT(form->model().ParamImage[0][gainIndex], gainBefore) << "dragged up: more gain";
    EXPECT_EQ(form->model().ParamImage[0][freqIndex], freqBefore) << "straight up keeps the frequency";
    EXPECT_GE(BandFrames(), 1);
    EXPECT_TRUE(LastIsBand(0, 2)) << "band 3's frame carries the new gain";
    EXPECT_EQ(W<BoundEdit>("MusGainEdit3")->text(),
              QString::fromStdString(FormatValue(3, form->model().ParamImage[0][gainIndex]).text));
    EXPECT_EQ(form->state().CurrentEdit, W<BoundEdit>("MusGainEdit3"))
        << "the release clicks the band's gain edit";
}

TEST_F(GraphInWindowTest, CrossoverDragsPinAndTurnOff) {
    Tab(2);  // microphone: the high-pass stops at 309 Hz
    Drag("HPF", 600, 0, 6);
    EXPECT_EQ(LastValue().value, static_cast<int>(TextToValue(2, 309)));

    Tab(4);  // main output: the low-pass at the right end is off
    Drag("LPF", -300, 0, 3);  // on first (it starts off)
    EXPECT_EQ(LastValue().id, 0x0614);
    EXPECT_LT(LastValue().value, 362);
    Drag("LPF", 600, 0, 6);
    EXPECT_EQ(LastValue().id, 0x0614);
    EXPECT_EQ(LastValue().value, 362);
    EXPECT_EQ(W<QLabel>("MainMusLPFrePane")->text(), "Off");
}

TEST_F(GraphInWindowTest, RightButtonOnABandStepsItsQ) {
    Tab(4);
    const int qIndex = Band(PageMain, 0, 3);
    const int before = form->model().ParamImage[PageMain][qIndex];
    QWidget* m = M("EP1");
    const int c = m->height() / 2;
    QTest::mousePress(m, Qt::RightButton, {}, QPoint(c, c));
    for (int dx : {4, 8, 12}) QTest::mouseMove(m, QPoint(c + dx, c));
    QTest::mouseRelease(m, Qt::RightButton, {}, QPoint(c + 12, c));
    EXPECT_EQ(form->model().ParamImage[PageMain][qIndex], before + 3) << "one table step per move right";
    EXPECT_EQ(LastValue().id, -1) << "a Q step goes out as the band's frame";
    EXPECT_TRUE(LastIsBand(PageMain, 0));
}

TEST_F(GraphInWindowTest, EqPassBypassesThePageOnlyWhenAllowed) {
    Tab(1);
    auto* pass = W<BoundButton>("MusEQAllpassBtn");
    Automatic();
    transport.frames.clear();
    pass->click();
    EXPECT_TRUE(transport.frames.empty()) << "automatic mode ignores the music bypass";
    EXPECT_FALSE(W("EQPassLabel")->isVisible());

    Manual();
    Person::Click(W("MusGainEdit5"));  // the value label shows band 5, in the graph's middle
    transport.frames.clear();
    Person::Click(pass);
    EXPECT_EQ(LastValue().id, 0x0003);
    EXPECT_EQ(LastValue().value, 1);
    QWidget* label = W("EQPassLabel");
    EXPECT_TRUE(label->isVisible());
    EXPECT_TRUE(View()->EqPassVisible());
    // The points and the value label run through the graph's middle: "EQ PASS" is
    // put where it hides none of them.
    ASSERT_TRUE(W("EQlabel")->isVisible());
    for (const char* covered :
         {"EP1", "EP2", "EP3", "EP4", "EP5", "EP6", "EP7", "EP8", "EP9", "EP10", "EQlabel"})
        EXPECT_FALSE(label->geometry().intersects(W(covered)->geometry())) << covered;
    EXPECT_TRUE(View()->rect().contains(label->geometry()));
    transport.frames.clear();
    Drag("EP2", 0, -40);
    EXPECT_TRUE(transport.frames.empty()) << "a bypassed EQ takes no drags";
    pass->click();
    EXPECT_EQ(LastValue().value, 0);
    EXPECT_FALSE(W("EQPassLabel")->isVisible());
}

TEST_F(GraphInWindowTest, EqResetFollowsTheEffectAndMicrophoneVariants) {
    Model& m = form->model();
    Tab(3);
    W<BoundButton>("RvbEQBtn")->click();
    ASSERT_EQ(m.EffectEqVariant, 5);
    const int echoGain = Band(PageEcho, 0, 2);
    Put(PageReverb, echoGain, 200);
    Put(PageEcho, echoGain, 200);
    transport.frames.clear();
    W<BoundButton>("EQResetBtn")->click();
    EXPECT_EQ(m.DeviceImage[PageReverb][echoGain], DefaultBandGain) << "the reverb EQ is the one shown";
    EXPECT_EQ(m.DeviceImage[PageEcho][echoGain], 200) << "the echo EQ is not";
    EXPECT_EQ(BandFrames(), PageBandCount[PageReverb]) << "one frame per band";

    Tab(2);
    W<BoundButton>("MicBBtn")->click();
    ASSERT_EQ(m.MicBandMode, 1);
    const int micGain = Band(PageMic9, 1, 2);
    Put(PageMic9, micGain, 30);
    W<BoundButton>("EQResetBtn")->click();
    EXPECT_EQ(m.ParamImage[PageMic9][micGain], DefaultBandGain) << "group B resets page 3";

    Tab(1);
    Automatic();  // the automatic music page resets nothing
    const int musGain = Band(PageMusic, 0, 2);
    Put(PageMusic, musGain, 30);
    W<BoundButton>("EQResetBtn")->click();
    EXPECT_EQ(m.ParamImage[PageMusic][musGain], 30);
}

}  // namespace
}  // namespace kdsp
