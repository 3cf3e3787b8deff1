// The window driven as a person drives it: clicks, drags, keys and the wheel
// arrive at the top-level window and Qt routes them. Each case pins a fault that
// only showed up this way: data sent for a parameter or band the user never
// picked, a button that sent nothing, a view that showed other values.
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QSlider>
#include <QTabWidget>

#include <cmath>

#include "app/editing/offline_edits.h"
#include "app/i18n/language.h"
#include "app/state/panel_state.h"
#include "app/widgets/app_message.h"
#include "core/model/codecs.h"
#include "core/model/eq_layout.h"
#include "editing_fixture.h"
#include "graph/eq_graph_view.h"
#include "window_input.h"

namespace kdsp {
namespace {

class WindowInputTest : public EditingTest {
  protected:
    void Click(const char* name) { Person::Click(W(name)); }
    void Tab(int n) { Click(("FormTabBtn" + std::to_string(n)).c_str()); }
    void Type(const char* name, const QString& text, bool enter = true) {
        Person::TypeOver(W<QLineEdit>(name), text, enter);
    }
    EqGraphView* View() { return W<EqGraphView>("AdvPanel2"); }
    // The band frame of (page, band) as the window holds the band now.
    SentFrame BandNow(int page, int band, int storedPage = -1) {
        const Model& m = form->model();
        std::vector<int> words;
        for (int k = 0; k < 5; ++k)
            words.push_back(m.ParamImage[storedPage < 0 ? page : storedPage]
                                        [BandParamIndex(FirstEqIndex[page], band, k)]);
        return BandFrame(storedPage < 0 ? page : storedPage, band, words);
    }
    // Memory as read from the processor, then the refresh the link makes on going online.
    void Online(const std::function<void(DeviceImageRows&)>& fill) {
        fill(form->model().DeviceImage);
        linkWindow->ImageLoaded();
        transport.frames.clear();
    }
    // The same through the link's own online event, which takes the mode word first.
    void OnlineByLink(const std::function<void(DeviceImageRows&)>& fill) {
        fill(form->model().DeviceImage);
        link->RaiseLinkEvent(EventOnline);
        transport.frames.clear();
    }
    void Undo() { Person::Key(form.get(), Qt::Key_Z, 1, Qt::ControlModifier); }
    static int Index(int page, int band, int field) {
        return BandParamIndex(FirstEqIndex[page], band, field);
    }
};

// After a tab switch the wheel steps the band selected on that sheet, not the
// last edit a refresh happened to fill in. (The wheel acts on the window: over
// any edit it steps the current one.)
TEST_F(WindowInputTest, AfterATabSwitchTheWheelStepsTheSelectedBand) {
    Tab(4);  // main output
    Click("MainGainEdit2");
    Tab(1);
    Tab(4);
    transport.frames.clear();
    const int freq = form->model().ParamImage[PageMain][Index(PageMain, 1, 1)];
    Person::Wheel(W("MainGainEdit1"), 120);
    EXPECT_EQ(form->model().ParamImage[PageMain][Index(PageMain, 1, 1)], freq + 1);
    EXPECT_EQ(Sent(), std::vector<SentFrame>{BandNow(PageMain, 1)})
        << "band 2's frequency, one step up";

    Tab(1);
    Click("MusGainEdit3");
    Tab(2);
    Tab(1);
    transport.frames.clear();
    Person::Wheel(W("MusGainEdit1"), -120);
    EXPECT_EQ(Sent(), std::vector<SentFrame>{BandNow(PageMusic, 2)})
        << "band 3's frequency, one step down";
    EXPECT_EQ(W<QLineEdit>("MusFreEdit3")->text().toStdString(),
              FormatValue(2, DefaultBandFreq[PageMusic][2] - 1).text);
}

// Microphone group B is a 9-band EQ: nine strips and nothing after them, and the
// graph shows group B's bands, not what group A left there.
TEST_F(WindowInputTest, MicrophoneGroupBShowsNineBandsWithItsOwnValues) {
    Online([](DeviceImageRows& d) {
        d[PageMic][Index(PageMic, 1, 1)] = 205;  // group A band 2: 1020 Hz, +6 dB
        d[PageMic][Index(PageMic, 1, 2)] = 150;
        d[PageMic9][Index(PageMic, 1, 1)] = 77;  // group B band 2: 86.7 Hz, -12 dB
        d[PageMic9][Index(PageMic, 1, 2)] = 60;
    });
    Tab(2);
    EXPECT_EQ(W<BoundButton>("MicABtn")->Shown(), BoundButton::Picture::On)
        << "group A is shown at first";
    EXPECT_NE(W<BoundButton>("MicBBtn")->Shown(), BoundButton::Picture::On);
    Click("MicGainEdit2");
    ASSERT_TRUE(
        QTest::qWaitFor([&] { return View()->ValueLabel()->text().startsWith("6.0dB"); }, 1000));
    EXPECT_TRUE(W("MicPanCaption")->isVisible());
    Click("MicBBtn");
    EXPECT_FALSE(W("MicPanCaption")->isVisible()) << "the band slider's caption goes with it";
    for (int n = 1; n <= 15; ++n) {
        const QString name = QString("MicFreEdit%1").arg(n);
        EXPECT_EQ(W(qPrintable(name))->isVisible(), n <= 9) << name.toStdString();
        EXPECT_EQ(W(qPrintable(QString("EP%1").arg(n)))->isVisible(), n <= 9) << "marker " << n;
    }
    EXPECT_EQ(View()->ValueLabel()->text().toStdString(), "-12.0dB\nQ:1.00\n86.70Hz");
    const GraphGeometry& geo = View()->Renderer().Geometry();
    EXPECT_EQ(W("EP2")->y(), static_cast<int>(std::nearbyint(DbToY(-12, geo) - 7)))
        << "EP2 sits at group B's gain";

    transport.frames.clear();
    Type("MicGainEdit9", "3");
    EXPECT_EQ(Sent(), std::vector<SentFrame>{BandNow(PageMic, 8, PageMic9)}) << "band 9 of page 3";
    EXPECT_EQ(Sent().at(0).words.at(2), 135);
}

// Leaving an edit commits it only when the focus goes to another control of
// this window, and only when its text was changed.
TEST_F(WindowInputTest, LeavingAnEditCommitsOnlyForAnotherControlOfThisWindow) {
    Tab(1);
    Type("MusGainEdit1", "3", false);
    EXPECT_TRUE(Sent().empty());
    QWidget other;  // another program, or a message box
    auto* elsewhere = new QLineEdit(&other);
    other.show();
    Person::Click(elsewhere);
    EXPECT_TRUE(Sent().empty()) << "the focus went to another window";

    Click("MusGainEdit2");  // back, and on to another control: the typed gain goes out
    EXPECT_EQ(Sent(), std::vector<SentFrame>{BandNow(PageMusic, 0)});
    EXPECT_EQ(form->model().ParamImage[PageMusic][Index(PageMusic, 0, 2)], 135);

    transport.frames.clear();
    Click("MusGainEdit1");
    Click("MusFreEdit1");
    Person::Click(elsewhere);
    Click("MusQEdit1");
    EXPECT_TRUE(Sent().empty()) << "a value left as it was is not sent again";
}

// The first button of a choice group stands for 0 and sends it like the others.
TEST_F(WindowInputTest, TheFirstButtonOfEveryChoiceGroupSends) {
    Online(
        [](DeviceImageRows& d) { d[PageSystem][12] = 1; });  // manager: the input levels are open
    const struct {
        int tab;
        const char* second;
        const char* first;
        int id;
    } groups[] = {{3, "EchoModeBtn2", "EchoModeBtn1", 0x040B},
                  {4, "MainModeMidBtn1", "MainModeFastBtn1", 0x061A},
                  {4, "MAINToneBtn2", "MAINToneBtn1", 0x061F},
                  {5, "SubModeMidBtn1", "SubModeFastBtn1", 0x071A},
                  {8, "SysInput2", "SysInput", 0x0A0E},
                  {8, "SysMusInputLevel2", "SysMusInputLevel", 0x0A03},
                  {8, "SysPanelBtn2", "SysPanelBtn1", 0x0A0D},
                  {8, "SysRemoteBtn2", "SysRemoteBtn1", 0x0A11}};
    for (const auto& g : groups) {
        Tab(g.tab);
        transport.frames.clear();
        Click(g.second);
        Click(g.first);
        EXPECT_EQ(Sent(), (std::vector<SentFrame>{ValueFrame(g.id, 1), ValueFrame(g.id, 0)}))
            << g.first;
        EXPECT_EQ(W<BoundButton>(g.first)->Shown(), BoundButton::Picture::On) << g.first;
    }
    // Manager mode back to user mode, each choice behind the system password.
    form->model().SystemPassword = "123456";
    SetPanelSession(*form, session.get());
    Person::ClickTab(W<QTabWidget>("SysPanelTabs"), QString::fromUtf8("密码"));
    for (const char* choice : {"SysManagerBtn", "SysUserBtn"}) {
        Type("SysPassEdit", "123456", false);
        Click("RzBmpButton118");
        transport.frames.clear();
        Click(choice);
        EXPECT_EQ(Sent(), std::vector<SentFrame>{ValueFrame(0x0A0C, choice[3] == 'M' ? 1 : 0)})
            << choice;
    }
}

// A refresh (here the sing/dance switch) sends nothing and leaves the edit that
// keys and the wheel act on where the user put it; hidden bands never send.
TEST_F(WindowInputTest, ARefreshLeavesTheEditTheWheelActsOn) {
    Tab(1);
    Type("MusGainEdit2", "3");
    EXPECT_EQ(Sent(), std::vector<SentFrame>{BandNow(PageMusic, 1)});
    transport.frames.clear();
    Click("DiscoModeBtn");
    EXPECT_EQ(Sent(), std::vector<SentFrame>{ValueFrame(0x0001, 1)});
    transport.frames.clear();
    Person::Wheel(W("MusGainEdit2"), 120);
    EXPECT_EQ(Sent(), std::vector<SentFrame>{BandNow(PageMusic, 1)})
        << "band 2's gain of the dance copy";
    transport.frames.clear();
    Click("MusGainEdit3");
    Click("SingModeBtn");
    Click("AutoModeBtn");
    EXPECT_EQ(Sent(), (std::vector<SentFrame>{ValueFrame(0x0001, 0), ValueFrame(0x0000, 0)}));
    EXPECT_EQ(View()->LoadedPage(), PageMusic) << "the music graph keeps drawing the music EQ";
}

// Going online shows what the processor holds: the dynamic-EQ group rules, the
// sing/dance copy that is edited, and the selected band under the value label.
TEST_F(WindowInputTest, GoingOnlineShowsGroupRulesModeAndTheSelectedBand) {
    Online([](DeviceImageRows& d) {
        d[PageDynEq][13] = 1;  // dynamic-EQ group 2 bypassed
        d[PageMusic][1] = 2;   // a sing/dance word that is neither: the dance copy is used
        d[PageMusic][DeviceSlot(PageMusic, Index(PageMusic, 0, 1), 1)] = 205;
        d[PageMusic][DeviceSlot(PageMusic, Index(PageMusic, 0, 2), 1)] = 150;
    });
    EXPECT_TRUE(W("DEQ1Grop")->isEnabled());
    EXPECT_FALSE(W("DEQ2Grop")->isEnabled());
    EXPECT_EQ(form->model().ModeFlag, 1);
    EXPECT_EQ(W<BoundButton>("SingModeBtn")->Shown(), BoundButton::Picture::Stay);
    EXPECT_EQ(W<BoundButton>("DiscoModeBtn")->Shown(), BoundButton::Picture::On);
    EXPECT_EQ(View()->ValueLabel()->text().toStdString(), "6.0dB\nQ:1.00\n1020.00Hz");

    Type("MusGainEdit1", "3");
    const Model& m = form->model();
    EXPECT_EQ(m.DeviceImage[PageMusic][DeviceSlot(PageMusic, Index(PageMusic, 0, 2), 1)], 135)
        << "the dance copy";
}

// Markers stand at their band's own frequency; the axis labels are bold and as
// wide as their captions.
TEST_F(WindowInputTest, MarkersSitAtTheBandsFrequencyAndAxisLabelsFitTheirCaptions) {
    Tab(1);
    Type("MusFreEdit1", "19.7");
    const GraphGeometry& geo = View()->Renderer().Geometry();
    const int left = static_cast<int>(std::nearbyint(FreqToX(19.7, geo) - 7));
    EXPECT_TRUE(QTest::qWaitFor([&] { return W("EP1")->x() == left; }, 1000))
        << W("EP1")->x() << " not " << left;
    for (int k = 0; k <= 20; ++k) {
        auto* label = W<QLabel>(qPrintable(QString(k <= 10 ? "EQLabelY%1" : "EQLabelX%1").arg(k)));
        EXPECT_TRUE(label->font().bold()) << label->text().toStdString();
        EXPECT_GE(label->width(), label->fontMetrics().horizontalAdvance(label->text()))
            << label->text().toStdString();
    }

    // At the graph's right end the value label is moved in, not cut.
    transport.frames.clear();
    Type("MusFreEdit10", "20600");
    EXPECT_EQ(Sent(), std::vector<SentFrame>{BandNow(PageMusic, 9)});
    QLabel* value = View()->ValueLabel();
    ASSERT_TRUE(QTest::qWaitFor([&] { return value->text().endsWith("20600.00Hz"); }, 1000))
        << value->text().toStdString();
    EXPECT_TRUE(View()->rect().contains(value->geometry()))
        << value->x() << "+" << value->width() << " in " << View()->width();
}

// The auxiliary outputs' mute button is the main output's: as wide as one of its two,
// switched and sent the same way.
TEST_F(WindowInputTest, TheMuteButtonsOfTheOutputsAreAlike) {
    Tab(4);
    const QSize main = W("MainLmuteBtn")->size();
    const QVariant look = W("MainLmuteBtn")->property("state");
    Tab(5);
    EXPECT_EQ(W("SubmuteBtn")->size(), main);
    EXPECT_EQ(W("SubmuteBtn")->property("state"), look);
    transport.frames.clear();
    Click("SubmuteBtn");
    Click("SubmuteBtn");
    EXPECT_EQ(Sent(), (std::vector<SentFrame>{ValueFrame(0x071C, 1), ValueFrame(0x071C, 0)}));
    EXPECT_EQ(W("SubmuteBtn")->property("state"), look);
}

// The damping sliders go as far as their values (0..10): the thumb stands where the
// value is and stays where it is dragged to.
TEST_F(WindowInputTest, TheDampingSlidersReachTenAtTheirEnd) {
    Tab(3);
    for (const char* name : {"RvbMusTreDecayBar", "RvbMusBassDecayBar"}) {
        auto* bar = W<QSlider>(name);
        const int id = AsBound(bar)->Tag();
        transport.frames.clear();
        Person::Drag(bar, {bar->width() / 2, 0});
        EXPECT_GE(bar->value(), 3) << name << ": half way is about 5";
        EXPECT_LE(bar->value(), 7) << name;
        EXPECT_EQ(bar->sliderPosition(), bar->value()) << name << ": the thumb stays";
        ASSERT_FALSE(Sent().empty()) << name;
        EXPECT_EQ(Sent().back(), ValueFrame(id, bar->value())) << name;
        Person::Drag(bar, {bar->width(), 0});
        EXPECT_EQ(bar->value(), 10) << name;
        EXPECT_EQ(bar->maximum(), 10) << name << ": 10 is the end of the groove";
        EXPECT_EQ(Sent().back(), ValueFrame(id, 10)) << name;
    }
}

// The right button held on a band steps its Q: the curve and the value label
// follow every step, and off the marker a step takes 3 pixels of travel.
TEST_F(WindowInputTest, RightButtonQStepsShowAtOnceAndTakeThreePixelsOffTheMarker) {
    Tab(4);
    QWidget* marker = W("EP1");
    const int q = Index(PageMain, 0, 3);
    const int before = form->model().ParamImage[PageMain][q];
    auto shownQ = [&] { return View()->ValueLabel()->text().section('\n', 1, 1); };
    Person::Press(marker, Qt::RightButton);
    transport.frames.clear();
    std::vector<SentFrame> steps;
    const struct {
        int x;
        int q;
    } moves[] = {{8, 1}, {20, 2}, {22, 2}, {23, 3}, {21, 3}, {20, 2}};
    for (const auto& move : moves) {
        Person::MoveTo(marker, {move.x, 7});
        EXPECT_EQ(form->model().ParamImage[PageMain][q], before + move.q) << "at x " << move.x;
        EXPECT_EQ(shownQ().toStdString(), "Q:" + W<QLineEdit>("MainQEdit1")->text().toStdString())
            << "at x " << move.x;
        if (steps.empty() || steps.back() != BandNow(PageMain, 0))
            steps.push_back(BandNow(PageMain, 0));
    }
    Person::Release(marker, Qt::RightButton, {20, 7});
    EXPECT_EQ(Sent(), steps);
}

// The input gain box sends its item as the music input level, beside the level
// buttons, and is open only to the manager like them.
TEST_F(WindowInputTest, TheInputGainBoxSendsTheInputLevel) {
    Online([](DeviceImageRows& d) { d[PageSystem][12] = 1; });
    Tab(8);
    auto* box = W<QComboBox>("SysMusInputLevelBox");
    Person::Pick(box, 2);
    EXPECT_EQ(Sent(), std::vector<SentFrame>{ValueFrame(0x0A03, 2)});
    EXPECT_EQ(W<BoundButton>("SysMusInputLevel3")->Shown(), BoundButton::Picture::On);
    Click("SysMusInputLevel");
    EXPECT_EQ(box->currentIndex(), 0);
    Online([](DeviceImageRows& d) { d[PageSystem][12] = 0; });
    EXPECT_FALSE(box->isEnabled()) << "user mode";
}

// Undo and redo take one gesture at a time (a burst of wheel steps is one), and
// put it back in the copy it changed even when the window now shows another: the
// main output's band goes back while the rear output is on screen.
TEST_F(WindowInputTest, UndoAndRedoTakeOneGestureAtATimeInTheCopyItChanged) {
    auto undo = [&] { Person::Key(form.get(), Qt::Key_Z, 1, Qt::ControlModifier); };
    Tab(4);  // main output
    Click("MainGainEdit2");
    const SentFrame mainBefore = BandNow(PageMain, 1);
    for (int n = 0; n < 3; ++n) Person::Wheel(W("MainGainEdit2"), 120);
    const SentFrame mainAfter = BandNow(PageMain, 1);
    ASSERT_EQ(mainAfter.words.at(2), mainBefore.words.at(2) + 3);
    Tab(7);  // the rear output, on the same controls
    const SentFrame rearBefore = BandNow(PageMain, 1, PageRear);
    Type("MainGainEdit2", "-6");
    const SentFrame rearAfter = BandNow(PageMain, 1, PageRear);
    ASSERT_NE(rearAfter, rearBefore);
    transport.frames.clear();

    undo();
    EXPECT_EQ(Sent(), std::vector<SentFrame>{rearBefore}) << "the typed value, in the rear copy";
    EXPECT_EQ(W<QLineEdit>("MainGainEdit2")->text().toStdString(), FormatValue(3, rearBefore.words.at(2)).text);
    transport.frames.clear();
    undo();
    EXPECT_EQ(Sent(), std::vector<SentFrame>{mainBefore}) << "the three wheel steps at once, in the main copy";
    EXPECT_EQ(BandNow(PageMain, 1, PageRear), rearBefore) << "the rear copy is left alone";
    Tab(4);
    EXPECT_EQ(W<QLineEdit>("MainGainEdit2")->text().toStdString(), FormatValue(3, mainBefore.words.at(2)).text);
    EXPECT_FALSE(W("UndoBtn")->isEnabled());
    transport.frames.clear();
    undo();
    EXPECT_TRUE(Sent().empty()) << "nothing left to undo";

    Person::Key(form.get(), Qt::Key_Z, 1, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_EQ(Sent(), std::vector<SentFrame>{mainAfter});
    Click("RedoBtn");
    EXPECT_EQ(Sent(), (std::vector<SentFrame>{mainAfter, rearAfter}));
    EXPECT_FALSE(W("RedoBtn")->isEnabled());

    // A new edit after an undo ends what could be redone.
    Click("UndoBtn");
    Type("MainFreEdit3", "1000");
    transport.frames.clear();
    Person::Key(form.get(), Qt::Key_Y, 1, Qt::ControlModifier);
    EXPECT_TRUE(Sent().empty());
    undo();
    EXPECT_EQ(Sent().size(), 1u) << "the typed frequency goes back";
}

// Edits made offline go to the processor only when the user says so, and never
// into the sing/dance copy the processor is not in: a write would reach the other.
TEST_F(WindowInputTest, OfflineEditsOfTheCopyTheProcessorIsNotInAreNotSent) {
    link->LinkState = LinkOffline;  // the processor is away: edits are stored only
    Tab(1);
    Type("MusGainEdit1", "3");  // band 1 of the sing copy
    Tab(8);
    Click("SysInput3");
    ASSERT_TRUE(Sent().empty());
    EXPECT_EQ(W<QLabel>("OfflineEditsLabel")->text(), QString::fromUtf8("离线修改：2"));

    // It answers again, in dance mode, its sing copy as it was.
    const int gainSlot = DeviceSlot(PageMusic, Index(PageMusic, 0, 2), 0);
    Online([&](DeviceImageRows& d) {
        d[PageMusic][1] = 1;
        d[PageMusic][gainSlot] = DefaultBandGain;
        d[PageSystem][14] = 0;
    });
    link->LinkState = LinkOnline;
    LinkOf(linkWindow->session()).LinkState = LinkOnline;
    QStringList told;
    SetMessageInterceptor([&](const QString&, const QString& text, MsgButtons) {
        told.append(text);
        return MsgAnswer::Yes;
    });
    OfferOfflineEdits(*form, true);
    SetMessageInterceptor({});
    EXPECT_EQ(Sent(), std::vector<SentFrame>{ValueFrame(0x0A0E, 2)});
    ASSERT_EQ(told.size(), 2);
    EXPECT_TRUE(told[0].startsWith(QString::fromUtf8("离线期间修改了 2 项设置：\n音乐 (唱歌) 第1段 增益 = 3.0dB\n")))
        << told[0].toStdString();
    EXPECT_TRUE(told[1].contains(QString::fromUtf8("第1段 增益"))) << "named as not sent: " << told[1].toStdString();
    EXPECT_EQ(form->model().DeviceImage[PageMusic][gainSlot], DefaultBandGain) << "the processor's value stays";
    EXPECT_FALSE(W("OfflineEditsLabel")->isVisible());
}

// An offline edit of one field of a band sends that field; the band's other fields
// go with what the processor holds when it comes back. The offer names the edit as
// the window does, in its language, and counts it in the singular.
TEST_F(WindowInputTest, OfflineEditsSendOnlyTheFieldsTheyList) {
    const int band = 1;
    auto slot = [&](int field) { return DeviceSlot(PageMusic, Index(PageMusic, band, field), 0); };
    QStringList told;
    SetMessageInterceptor([&](const QString&, const QString& text, MsgButtons) {
        told.append(text);
        return MsgAnswer::Yes;
    });
    for (const UiLanguage language : {UiLanguage::Unset, UiLanguage::English}) {
        SetUiLanguage(language);
        link->LinkState = LinkOffline;
        LinkOf(linkWindow->session()).LinkState = LinkOffline;
        Tab(1);
        Type("MusFreEdit2", language == UiLanguage::English ? "4000" : "2000");
        const int typed = form->model().DeviceImage[PageMusic][slot(1)];
        ASSERT_TRUE(Sent().empty());
        // Back with its own frequency, and band 2's gain and Q changed meanwhile.
        const int gain = language == UiLanguage::English ? 100 : 150, q = language == UiLanguage::English ? 40 : 50;
        Online([&](DeviceImageRows& d) {
            d[PageMusic][slot(1)] = DefaultBandFreq[PageMusic][band];
            d[PageMusic][slot(2)] = gain;
            d[PageMusic][slot(3)] = q;
        });
        link->LinkState = LinkOnline;
        LinkOf(linkWindow->session()).LinkState = LinkOnline;
        told.clear();
        OfferOfflineEdits(*form, true);
        EXPECT_EQ(Sent(), std::vector<SentFrame>{BandFrame(PageMusic, band, {0, typed, gain, q, DefaultShelfQ})});
        ASSERT_EQ(told.size(), 1);
        EXPECT_TRUE(told[0].startsWith(language == UiLanguage::English
                                           ? "1 setting was changed while offline:\nMusic (Sing) Band 2 Frequency = 4000.0Hz\n"
                                           : QString::fromUtf8("离线期间修改了 1 项设置：\n音乐 (唱歌) 第2段 频率 = 2000.0Hz\n")))
            << told[0].toStdString();
        transport.frames.clear();
    }
    SetUiLanguage(UiLanguage::Unset);
    SetMessageInterceptor({});
}

// A word beyond a slider's reach (a mix level of 168 on a slider to 100) is shown in
// the pane and kept: a wheel notch moves from the slider's end, undo sends 168 back.
TEST_F(WindowInputTest, AWordBeyondASlidersReachIsKeptUntilTheUserMovesIt) {
    OnlineByLink([](DeviceImageRows& d) {
        d[PageMain][0] = 168;
        d[PageEcho][6] = 183;
    });
    EXPECT_EQ(form->model().DeviceImage[PageMain][0], 168) << "showing it stores nothing";
    EXPECT_EQ(form->model().DeviceImage[PageEcho][6], 183);
    Tab(4);
    auto* bar = W<QSlider>("MainMusLevelBar");
    EXPECT_EQ(bar->value(), bar->maximum());
    EXPECT_EQ(W("MainMusLevelPane")->property("text").toString(), "336") << "the exact number, 2 x 168";
    Person::Wheel(bar, -120);
    const int moved = bar->value();
    EXPECT_LT(moved, bar->maximum());
    EXPECT_EQ(Sent(), std::vector<SentFrame>{ValueFrame(0x0600, moved)});
    transport.frames.clear();
    Undo();
    EXPECT_EQ(Sent(), std::vector<SentFrame>{ValueFrame(0x0600, 168)});
    EXPECT_EQ(W("MainMusLevelPane")->property("text").toString(), "336");
    // The session tells what changed and who asked: the person, then the undo.
    const auto said = [](const ValueChanged& v) {
        return std::tuple(v.param->Id(), v.oldValue, v.newValue, v.origin);
    };
    ASSERT_EQ(changes.size(), 2u);
    EXPECT_EQ(said(changes[0]), std::tuple(ParamId{0x0600}, 168, moved, ChangeOrigin::FrontEnd));
    EXPECT_EQ(said(changes[1]), std::tuple(ParamId{0x0600}, moved, 168, ChangeOrigin::Undo));
}

// A mode word other than 0 or 1 is the dance copy, as the lit button says: the music
// page shows that copy, and the next edit sends its band with the one change.
TEST_F(WindowInputTest, AnOddModeWordShowsAndEditsTheDanceCopy) {
    const int band = 1;
    const std::vector<int> dance = {0, 100, 150, 50, DefaultShelfQ};
    OnlineByLink([&](DeviceImageRows& d) {
        d[PageMusic][1] = 286;
        for (int k = 0; k < 5; ++k) d[PageMusic][DeviceSlot(PageMusic, Index(PageMusic, band, k), 1)] = dance[k];
    });
    Tab(1);
    EXPECT_EQ(W<QLineEdit>("MusFreEdit2")->text().toStdString(), FormatValue(2, 100).text);
    EXPECT_EQ(W<QLineEdit>("MusGainEdit2")->text(), "6.0");
    Type("MusGainEdit2", "3");
    std::vector<int> sent = dance;
    sent[2] = 135;
    EXPECT_EQ(Sent(), std::vector<SentFrame>{BandFrame(PageMusic, band, sent)});
}

// The window may outlive its link window (the link goes first on the way out): an
// edit after that is only stored, and nothing reaches for the link that is gone.
TEST_F(WindowInputTest, AnEditAfterTheLinkWindowIsGoneIsOnlyStored) {
    linkWindow.reset();
    Tab(1);
    Type("MusGainEdit1", "3");
    EXPECT_TRUE(Sent().empty());
    EXPECT_EQ(W<QLineEdit>("MusGainEdit1")->text(), "3.0");
    EXPECT_TRUE(form->OfflineList().Changes().empty()) << "no link is left to offer the edit to";
    EXPECT_FALSE(W("OfflineEditsLabel")->isVisible());
}

// On a screen smaller than the window is drawn for (a 1024x600 panel; 1400x900 at
// 144 dpi) the window lies wholly inside the screen, and every control can be
// reached: the title bar's buttons at once, the rest by scrolling to it.
TEST_F(WindowInputTest, OnASmallScreenTheWindowFitsAndEveryControlIsInReach) {
    int gain = 0;
    for (QScreen* screen : QGuiApplication::screens()) {
        const QRect room = screen->availableGeometry();
        if (room.width() >= 1133 && room.height() >= 637) continue;
        SCOPED_TRACE(screen->name().toStdString());
        form->PlaceOnScreen(room.topLeft() + QPoint(room.width() / 2, 10));  // kept there: partly off
        QCoreApplication::processEvents();
        ASSERT_EQ(form->screen(), screen);
        EXPECT_TRUE(room.contains(form->frameGeometry())) << "the window is wholly on its screen";
        for (const char* name : {"Image2", "UndoBtn", "RedoBtn", "LanguageBtn", "RzBmpButton2", "RzBmpButton1",
                                 "RzBmpButton3"})
            Person::At(W(name));  // no scrolling needed
        auto* scroll = W<QScrollArea>("FormScrollBox");
        Person::At(scroll->horizontalScrollBar());
        Person::At(scroll->verticalScrollBar());
        Person::ScrollTo(W("FormTabBtn1"));
        Tab(1);
        for (const char* name : {"FormTabBtn8", "SysEffNormalVolBar", "AdvPanel2", "MusEQAllpassBtn", "DiscoModeBtn"}) {
            Person::ScrollTo(W(name));
            Person::At(W(name));
        }
        transport.frames.clear();
        Person::ScrollTo(W("FormTabBtn2"));
        Tab(2);
        Person::ScrollTo(W("MicGainEdit3"));
        Type("MicGainEdit3", QString::number(++gain));
        EXPECT_EQ(Sent(), std::vector<SentFrame>{BandNow(PageMic, 2)});
    }
    EXPECT_EQ(gain, 2) << "both small screens";
}
}  // namespace
}  // namespace kdsp
