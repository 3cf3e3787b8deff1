// End to end: the window against kdsp-sim shows the processor's memory on every
// page after going online, and edits made in it as a person makes them end up in
// the processor's memory, in exactly their slots.
#include <QApplication>
#include <QComboBox>
#include <QCoreApplication>
#include <QDialog>
#include <QElapsedTimer>
#include <QFile>
#include <QHostAddress>
#include <QLabel>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QTableWidget>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>
#include <cstdlib>
#include <memory>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "app/link/link_window.h"
#include "app/pages/control_bindings.h"
#include "app/panels/offline_preset.h"
#include "app/panels/status_dialog.h"
#include "app/widgets/widgets.h"
#include "app/window/main_window.h"
#include "core/link/link.h"
#include "core/model/codecs.h"
#include "core/model/eq_layout.h"
#include "core/model/value_tables.h"
#include "core/preset/image_compare.h"
#include "core/preset/preset_file.h"
#include "e2e_rig.h"
#include "graph/eq_graph_view.h"
#include "sim_process.h"
#include "window_input.h"

namespace kdsp {
namespace {

// The seeded memory is in dance mode, so every mode-dependent value sits in its
// second slot: a read or a write of the sing slot shows up as a wrong value.
constexpr int SeedMode = 1;
constexpr int SeedCurrentMode = 2;  // the processor's current stored mode, 0-based

// The memory rows a page's parameter is also kept in (the variants the window
// switches between with its view buttons).
std::vector<int> RowsOf(int page, int index) {
    std::vector<int> rows{page};
    if (page == PageMic && (index < 1 || index > 3)) rows.push_back(PageMic9);
    if (page == PageMain) rows.push_back(PageRear);
    if (page == PageAux1) rows.push_back(PageAux2);
    if (page == PageEcho && index >= 14) rows.push_back(PageReverb);
    return rows;
}

// The largest value the parameter's controls show unchanged.
int TopOf(const ParamBinding& b) {
    switch (b.editorClass) {
        case ControlClass::Slider: {
            int top = b.sliderMax;
            if (b.param->valueKind >= 5 && ValueKindRange(b.param->valueKind).hasRange)
                top = std::min(top, ValueKindRange(b.param->valueKind).max);
            return top;
        }
        case ControlClass::Edit:
            if (b.param->valueKind == 2) return 361;
            if (b.param->valueKind == 3) return 180;
            return 24;  // within the shelving limit as well
        case ControlClass::Combo: return b.param->words.empty() ? 0 : static_cast<int>(b.param->words.size()) - 1;
        case ControlClass::Button:
            if (b.button == ButtonKind::Choice) {
                const ChoiceGroupDef* g = FindChoiceGroup(b.id);
                return g ? g->count - 1 : 0;
            }
            return 1;
        default: return 0;
    }
}

// A memory where every bound parameter holds a value of its own, different per
// variant row, in the dance-mode slots.
DeviceImageRows SeedImage() {
    DeviceImageRows image{};
    for (const ParamBinding& b : ControlBindings()) {
        if (b.param->hidden || !b.editor) continue;
        const int p = PageOf(b.id);
        const int i = IndexOf(b.id);
        const int top = TopOf(b);
        for (int row : RowsOf(p, i)) {
            const int v = top > 0 ? (row * 13 + i * 7 + 3) % (top + 1) : 0;
            image[row][DeviceSlot(row, i, SeedMode)] = v;
        }
    }
    // The page bypass switches (the tag of MusEQAllpassBtn follows the page shown).
    for (int q : {PageMusic, PageMic, PageMic9, PageEcho, PageReverb, PageMain, PageRear, PageAux1, PageAux2}) {
        const int first = q == PageMic9 ? FirstEqIndex[PageMic] : q == PageReverb ? FirstEqIndex[PageEcho]
                                                                                  : FirstEqIndex[q];
        image[q][DeviceSlot(q, first - 1, SeedMode)] = q % 2;
    }
    image[PageMusic][0] = 1;  // manual
    image[PageMusic][1] = SeedMode;
    image[PageSystem][2] = SeedCurrentMode;
    image[PageSystem][12] = 1;  // manager
    image[PageSystem][13] = 0;  // no automatic panel lock: it would take the window
    return image;
}

const ParamBinding* ByEditor(const char* name) {
    for (const ParamBinding& b : ControlBindings())
        if (b.editor && std::string(b.editor) == name) return &b;
    return nullptr;
}

// The simulator started with these arguments, and the program against it.
class OnlineWindow {
public:
    explicit OnlineWindow(const QStringList& simArguments)
        : sim(simArguments), app(sim.Port(), folder.path().toStdString()) {}

    bool GoOnline() { return sim.Port() > 0 && app.Start(); }
    // Until every edit has been sent and acknowledged.
    bool WaitForQuietLink() { return app.WaitFor([this] { return app.Settled(); }, 10000); }

    SimProcess sim;
    QTemporaryDir folder;  // the preset folders
    App app;
};

// Compares what the controls of `page` show with `image`, for the variants the
// window has selected now. Returns one line per control that disagrees.
class PageChecker {
public:
    PageChecker(MainWindow& form, const DeviceImageRows& image) : form_(form), image_(image) {}

    std::vector<std::string> Check(int page) {
        problems_.clear();
        for (const ParamBinding& b : ControlBindings()) {
            if (PageOf(b.id) != page || b.param->hidden || !b.editor) continue;
            if (b.id == MakeId(PageSystem, 2)) continue;  // the mode list has its own check
            CheckBinding(b);
        }
        return problems_;
    }

    // The value the window must show for (page, index) with its present variants.
    int Expected(int page, int index) const {
        const Model& m = form_.model();
        int row = page;
        if (page == PageMic && m.MicBandMode == 1 && (index < 1 || index > 3)) row = PageMic9;
        if (page == PageMain) row = m.MainVariant;
        if (page == PageAux1) row = m.AuxVariant;
        if (page == PageEcho && index >= 14) row = m.EffectEqVariant;
        return image_[row][DeviceSlot(row, index, SeedMode)];
    }

private:
    template <class T>
    T* Get(const char* name) {
        T* w = form_.Ctl<T>(QString::fromLatin1(name));
        if (!w) problems_.push_back(std::string("no control ") + name);
        return w;
    }
    void Mismatch(const ParamBinding& b, const std::string& what, const QString& shown, const QString& want) {
        problems_.push_back(std::string(b.editor) + " (" + b.param->name + ") " + what + ": shows \"" +
                            shown.toStdString() + "\", memory says \"" + want.toStdString() + "\"");
    }

    void CheckBinding(const ParamBinding& b) {
        const int p = PageOf(b.id);
        const int i = IndexOf(b.id);
        const int v = Expected(p, i);
        switch (b.editorClass) {
            case ControlClass::Slider: {
                auto* bar = Get<QSlider>(b.editor);
                if (!bar) return;
                if (bar->value() != v) Mismatch(b, "position", QString::number(bar->value()), QString::number(v));
                if (b.pane && b.paneClass == ControlClass::Pane && b.param->valueKind >= 5)
                    if (auto* pane = Get<QLabel>(b.pane)) {
                        const QString want = QString::fromStdString(FormatValue(b.param->valueKind, v).text);
                        if (pane->text() != want) Mismatch(b, "pane", pane->text(), want);
                    }
                break;
            }
            case ControlClass::Edit: {
                auto* edit = Get<QLineEdit>(b.editor);
                if (!edit) return;
                int shownValue = v;
                if (b.param->valueKind == 4) {
                    // The Q edit shows the peaking or the shelving Q, after the band's type.
                    const int field = FieldOf(DecodeBand(form_.model(), b.id));
                    const int typeIndex = i - field;
                    shownValue = Expected(p, Expected(p, typeIndex) == 0 ? typeIndex + 3 : typeIndex + 4);
                }
                const QString want = QString::fromStdString(FormatValue(b.param->valueKind, shownValue).text);
                if (edit->text() != want) Mismatch(b, "text", edit->text(), want);
                if (b.typeClass == ControlClass::Slider && b.typeControls[0])
                    if (auto* gain = Get<QSlider>(b.typeControls[0]); gain && gain->value() != v)
                        Mismatch(b, "gain slider", QString::number(gain->value()), QString::number(v));
                break;
            }
            case ControlClass::Combo: {
                auto* box = Get<QComboBox>(b.editor);
                if (!box) return;
                if (box->currentIndex() != v) Mismatch(b, "item", box->currentText(), QString::number(v));
                if (b.typeClass == ControlClass::Picture)
                    for (int k = 0; k < 3; ++k)
                        if (auto* pic = Get<TypePicture>(b.typeControls[k]); pic && pic->IsOn() != (k == v))
                            Mismatch(b, std::string("type picture ") + b.typeControls[k],
                                     pic->IsOn() ? "on" : "off", k == v ? "on" : "off");
                break;
            }
            case ControlClass::Button: CheckButton(b, v); break;
            default: break;
        }
    }

    void CheckButton(const ParamBinding& b, int v) {
        auto* button = Get<BoundButton>(b.editor);
        if (!button) return;
        auto pressed = [this](const char* name) {
            auto* w = Get<BoundButton>(name);
            return w && w->Shown() == BoundButton::Picture::On;
        };
        switch (b.button) {
            case ButtonKind::Phase:
                if (button->text() != (v == 1 ? "+" : "")) Mismatch(b, "caption", button->text(), v ? "+" : "");
                [[fallthrough]];
            case ButtonKind::Toggle:
                if (button->Hint() != QString::number(v)) Mismatch(b, "state", button->Hint(), QString::number(v));
                break;
            case ButtonKind::Bypass:
                if (PageOf(b.id) == PageDynEq && button->Hint() != QString::number(v))
                    Mismatch(b, "state", button->Hint(), QString::number(v));
                break;
            case ButtonKind::Choice: {
                const ChoiceGroupDef* g = FindChoiceGroup(b.id);
                if (!g) return;
                for (int k = 0; k < g->count; ++k)
                    if (pressed(g->buttons[k]) != (k == v))
                        Mismatch(b, std::string("choice ") + g->buttons[k], pressed(g->buttons[k]) ? "chosen" : "not",
                                 k == v ? "chosen" : "not");
                break;
            }
            case ButtonKind::AutoManual:
                if (!pressed(v ? "ManulModeBtn" : "AutoModeBtn")) Mismatch(b, "mode", "", v ? "manual" : "automatic");
                break;
            case ButtonKind::SingDance:
                if (!pressed(v ? "DiscoModeBtn" : "SingModeBtn")) Mismatch(b, "mode", "", v ? "dance" : "sing");
                break;
            default: break;
        }
    }

    MainWindow& form_;
    const DeviceImageRows& image_;
    std::vector<std::string> problems_;
};

std::string Join(const std::vector<std::string>& lines) {
    std::string out;
    for (std::size_t k = 0; k < lines.size() && k < 25; ++k) out += "\n  " + lines[k];
    if (lines.size() > 25) out += "\n  ... " + std::to_string(lines.size() - 25) + " more";
    return out;
}

// The seeded memory as a simulator state file in `dir`; returns its path.
QString WriteSeedState(const QTemporaryDir& dir, const DeviceImageRows& image = SeedImage()) {
    const QString path = dir.filePath("memory.Nddt");
    Model seed;
    seed.DeviceImage = image;
    WritePresetFile(path.toStdString(), seed);
    return path;
}

TEST(EndToEndEditing, EveryPageShowsTheSimulatorsMemoryAfterGoingOnline) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString statePath = WriteSeedState(dir);
    const DeviceImageRows memory = ReadState(statePath.toStdString());

    OnlineWindow w({"--state", statePath, "--mode-name", "3=Party"});
    ASSERT_TRUE(w.GoOnline()) << "not online";
    MainWindow& form = *w.app.form1;
    EXPECT_EQ(form.model().ModeFlag, SeedMode);
    PageChecker checker(form, memory);

    // The online refresh alone puts every page of the present variants in place.
    for (int page : {PageMusic, PageMic, PageDynEq, PageEcho, PageReverb, PageMain, PageAux1, PageSystem}) {
        EXPECT_TRUE(checker.Check(page).empty())
            << "page " << page << " after going online:" << Join(checker.Check(page));
    }

    // Each tab as the user opens it, with the page bypass indicator of that page.
    const struct {
        int tab;
        int page;
        int shownRow;  // the row behind the bypass indicator, -1 none
    } tabs[] = {{1, PageMusic, PageMusic}, {2, PageMic, PageMic}, {3, PageEcho, PageEcho},
                {4, PageMain, PageMain},   {5, PageAux1, PageAux1}, {6, PageAux1, PageAux2},
                {7, PageMain, PageRear},   {8, PageSystem, -1},     {9, PageDynEq, -1}};
    for (const auto& t : tabs) {
        if (t.tab == 9)  // the DEQ tab button is hidden: only the program itself shows that sheet
            form.SelectTab(form.Ctl<BoundButton>("FormTabBtn9"));
        else
            w.app.Tab(t.tab);
        EXPECT_TRUE(checker.Check(t.page).empty()) << "tab " << t.tab << ":" << Join(checker.Check(t.page));
        if (t.page == PageEcho) {
            EXPECT_TRUE(checker.Check(PageReverb).empty()) << "tab 3, reverb:" << Join(checker.Check(PageReverb));
        }
        if (t.shownRow >= 0) {
            const int first = FirstEqIndex[t.page];
            const bool bypassed = memory[t.shownRow][DeviceSlot(t.shownRow, first - 1, SeedMode)] != 0;
            EXPECT_EQ(form.Control("EQPassLabel")->isVisibleTo(&form), bypassed) << "tab " << t.tab;
        }
    }

    // The views inside a tab: microphone group B and the reverb EQ.
    w.app.Tab(2);
    w.app.Click("MicBBtn");
    EXPECT_EQ(form.model().MicBandMode, 1);
    EXPECT_TRUE(checker.Check(PageMic).empty()) << "microphone group B:" << Join(checker.Check(PageMic));
    w.app.Click("MicABtn");
    EXPECT_TRUE(checker.Check(PageMic).empty()) << "microphone group A again:" << Join(checker.Check(PageMic));
    w.app.Tab(3);
    w.app.Click("RvbEQBtn");
    EXPECT_EQ(form.model().EffectEqVariant, PageReverb);
    EXPECT_TRUE(checker.Check(PageEcho).empty()) << "reverb EQ:" << Join(checker.Check(PageEcho));

    // The processor's stored modes and its current one.
    auto* modes = form.Ctl<QComboBox>("SysModeBox");
    ASSERT_NE(modes, nullptr);
    EXPECT_EQ(modes->count(), 9);
    EXPECT_EQ(modes->currentIndex(), SeedCurrentMode);
    EXPECT_EQ(modes->currentText(), "3-Party");
    EXPECT_EQ(form.Ctl<QLabel>("CurrentModeLabel")->text(), QString::fromUtf8("（当前模式：3 ）"));
    EXPECT_TRUE(form.Control("SignRzGroup")->isEnabled()) << "manager mode enables the input levels";
}


// Every slot where two memories differ, as (page, slot).
std::set<std::pair<int, int>> Changed(const DeviceImageRows& a, const DeviceImageRows& b) {
    std::set<std::pair<int, int>> out;
    for (int p = 0; p < PageCount; ++p)
        for (int s = 0; s < DeviceImageSlots; ++s)
            if (a[p][s] != b[p][s]) out.insert({p, s});
    return out;
}

// A slider, an edit and a choice button changed as a person does, then a burst of
// slider steps while the processor has not yet acknowledged the first: the
// simulator's memory ends with exactly these values, nothing else touched.
TEST(EndToEndEditing, EditsInTheWindowLandInTheSimulatorsMemory) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString statePath = WriteSeedState(dir);
    const DeviceImageRows before = ReadState(statePath.toStdString());

    OnlineWindow w({"--state", statePath});
    ASSERT_TRUE(w.GoOnline()) << "not online";
    MainWindow& form = *w.app.form1;
    Link& link = w.app.link();
    DeviceImageRows want = before;

    // A pane slider stepped with the keyboard.
    w.app.Tab(2);
    const ParamBinding* hp = ByEditor("MicHPFreBar");
    ASSERT_NE(hp, nullptr);
    auto* hpBar = form.Ctl<QSlider>("MicHPFreBar");
    ASSERT_NE(hpBar, nullptr);
    const int hpStart = hpBar->value();
    const int hpKey = hpStart < 10 ? Qt::Key_Right : Qt::Key_Left;
    QTest::keyClick(hpBar, static_cast<Qt::Key>(hpKey));
    QTest::keyClick(hpBar, static_cast<Qt::Key>(hpKey));
    const int hpValue = hpBar->value();
    ASSERT_NE(hpValue, hpStart);
    EXPECT_EQ(form.Ctl<QLabel>("MicHPFrePane")->text(),
              QString::fromStdString(FormatValue(hp->param->valueKind, hpValue).text));
    want[PageMic][IndexOf(hp->id)] = hpValue;
    ASSERT_TRUE(w.WaitForQuietLink());

    // A band frequency typed into its edit: clicked, cleared, typed, Enter.
    w.app.Tab(1);
    auto* freq = form.Ctl<BoundEdit>("MusFreEdit1");
    ASSERT_NE(freq, nullptr);
    QTest::mouseClick(freq, Qt::LeftButton);
    QTest::keyClick(freq, Qt::Key_End);
    for (int n = static_cast<int>(freq->text().size()); n > 0; --n) QTest::keyClick(freq, Qt::Key_Backspace);
    QTest::keyClicks(freq, "1000x");  // the letter is refused by the edit's key filter
    QTest::keyClick(freq, Qt::Key_Return);
    EXPECT_EQ(freq->text(), "1000.0");
    const int freqIndex = FirstEqIndex[PageMusic] + 1;  // band 1, frequency
    want[PageMusic][DeviceSlot(PageMusic, freqIndex, SeedMode)] = 204;  // "1000.0"
    ASSERT_TRUE(w.WaitForQuietLink());

    // A choice button: the echo mode the memory does not hold yet.
    w.app.Tab(3);
    const int echoMode = before[PageEcho][11] == 0 ? 1 : 0;
    w.app.Click(echoMode == 0 ? "EchoModeBtn1" : "EchoModeBtn2");
    want[PageEcho][11] = echoMode;
    ASSERT_TRUE(w.WaitForQuietLink());

    // Thirty steps within one turn of the event loop: only the first can go out
    // before the processor answers; the rest wait in the queue.
    auto* echoTime = form.Ctl<QSlider>("EchoTimeBar");
    ASSERT_NE(echoTime, nullptr);
    const int timeStart = echoTime->value();
    const int timeKey = timeStart < echoTime->maximum() / 2 ? Qt::Key_Right : Qt::Key_Left;
    for (int n = 0; n < 30; ++n) QTest::keyClick(echoTime, static_cast<Qt::Key>(timeKey));
    const int timeValue = echoTime->value();
    EXPECT_EQ(std::abs(timeValue - timeStart), 30 * echoTime->singleStep());
    EXPECT_EQ(link.Signals.ClearToSend, 0) << "the first step is still unacknowledged";
    EXPECT_GT(link.Writes.Count(), 0) << "the later steps wait";
    want[PageEcho][IndexOf(ByEditor("EchoTimeBar")->id)] = timeValue;
    ASSERT_TRUE(w.WaitForQuietLink());

    w.sim.Stop();  // the simulator writes its memory to the state file
    const DeviceImageRows after = ReadState(statePath.toStdString());
    const auto expectedSlots = Changed(before, want);
    const auto changedSlots = Changed(before, after);
    ASSERT_EQ(expectedSlots.size(), 4u) << "every edit changes a value";
    EXPECT_EQ(changedSlots, expectedSlots);
    for (const auto& [p, s] : expectedSlots)
        EXPECT_EQ(after[p][s], want[p][s]) << "page " << p << " slot " << s;
}

// One journey per EQ page, as a person makes it: select a band by clicking its
// gain edit, type a gain, turn the wheel, drag the band's point up, switch to
// another tab and back, turn the wheel again. The processor receives exactly
// one band frame per change, for that band of that page, and nothing else.
TEST(EndToEndEditing, EveryPageJourneySendsExactlyTheEditsMade) {
    DeviceImageRows seed = SeedImage();
    for (int q : {PageMusic, PageMic, PageEcho, PageMain, PageRear, PageAux1, PageAux2})  // no EQ bypassed
        seed[q][DeviceSlot(q, FirstEqIndex[q] - 1, SeedMode)] = 0;
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    OnlineWindow w({"--state", WriteSeedState(dir, seed), "--log"});
    ASSERT_TRUE(w.GoOnline()) << "not online";
    ASSERT_TRUE(w.WaitForQuietLink());
    EXPECT_EQ(w.sim.TakeWrites(), std::vector<SentFrame>{}) << "going online writes nothing";
    MainWindow& form = *w.app.form1;
    auto* view = form.Ctl<EqGraphView>("AdvPanel2");
    ASSERT_NE(view, nullptr);
    const GraphGeometry& geo = view->Renderer().Geometry();

    const int band = 1;  // the second band: in view on every page
    const struct {
        int tab;
        int page;  // whose band frame goes out
        const char* prefix;
        int other;  // the tab visited in between
    } journeys[] = {{1, PageMusic, "Mus", 2}, {2, PageMic, "Mic", 1},   {3, PageEcho, "Echo", 4},
                    {4, PageMain, "Main", 5}, {5, PageAux1, "Sub", 4}, {6, PageAux2, "Sub", 5},
                    {7, PageRear, "Main", 4}};
    for (const auto& j : journeys) {
        SCOPED_TRACE("tab " + std::to_string(j.tab));
        std::vector<int> words;
        for (int k = 0; k < 5; ++k) {
            const int index = BandParamIndex(FirstEqIndex[j.page], band, k);
            words.push_back(seed[j.page][DeviceSlot(j.page, index, SeedMode)]);
        }
        std::vector<SentFrame> want;
        auto expect = [&](int field, int value) {
            words[static_cast<std::size_t>(field)] = value;
            want.push_back(BandFrame(j.page, band, words));
        };
        const QString gainEdit = QString("%1GainEdit%2").arg(j.prefix).arg(band + 1);

        w.app.Tab(j.tab);
        w.app.Click(gainEdit);  // selects the band
        w.app.Type(gainEdit, "3");
        expect(2, 135);
        Person::Wheel(w.app.W(gainEdit), 120);
        expect(2, 136);
        ASSERT_TRUE(w.WaitForQuietLink());

        // Straight up by 30 pixels in one move: the gain follows the point, the
        // frequency stays as it was.
        QWidget* marker = w.app.W(QString("EP%1").arg(band + 1));
        const int h = marker->height() / 2;
        // The point follows an edit within one tick of the graph's timer; a person
        // grabs it where it is drawn.
        const int drawnAt = static_cast<int>(std::nearbyint(DbToY(136 / 5.0 - 24, geo) - h));
        ASSERT_TRUE(QTest::qWaitFor([&] { return marker->y() == drawnAt; }, 1000));
        const int top = std::max(marker->y() - 30, view->ImageWidget()->y() - h);
        expect(2, static_cast<int>(TextToValue(3, std::clamp(YToDb(top + h, geo), -24.0, 12.0))));
        Person::Drag(marker, {0, -30}, 1);

        w.app.Tab(j.other);
        w.app.Tab(j.tab);
        Person::Wheel(w.app.W(gainEdit), 120);  // now the selected band's frequency
        expect(1, std::min(words[1] + 1, FreqTableSize - 1));
        ASSERT_TRUE(w.WaitForQuietLink());
        EXPECT_EQ(w.sim.TakeWrites(), want);
    }
}

// The band of (page, band) as `image` holds it in the seeded mode's slots.
std::vector<int> BandWords(const DeviceImageRows& image, int page, int band) {
    std::vector<int> words;
    for (int k = 0; k < 5; ++k)
        words.push_back(image[page][DeviceSlot(page, BandParamIndex(FirstEqIndex[page], band, k), SeedMode)]);
    return words;
}

// The wheel belongs to the control under the pointer and the keys to the one in
// focus. A slider at its end, or a greyed control, takes the turn and passes it
// on to nobody: not to the edit clicked last, not to the scrolled strip.
TEST(EndToEndEditing, TheWheelAndTheKeysActOnTheControlTheyReach) {
    DeviceImageRows seed = SeedImage();
    const int gain2 = DeviceSlot(PageMusic, BandParamIndex(FirstEqIndex[PageMusic], 1, 2), SeedMode);
    seed[PageMusic][gain2] = 180;  // band 2 at +12 dB
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    OnlineWindow w({"--state", WriteSeedState(dir, seed), "--log"});
    ASSERT_TRUE(w.GoOnline()) << "not online";
    App& app = w.app;
    app.Tab(8);
    app.Keys("SysMusMaxVolBar", Qt::Key_End);  // the music's maximum volume at its top
    ASSERT_TRUE(w.WaitForQuietLink());
    w.sim.TakeWrites();

    app.Tab(1);
    app.Click("MusFreEdit1");
    Person::Wheel(app.W("MusEQGainBar2"), 120);
    app.Tab(8);
    Person::Wheel(app.W("SysMusMaxVolBar"), 120);
    app.Tab(1);
    ASSERT_TRUE(w.WaitForQuietLink());
    EXPECT_EQ(w.sim.TakeWrites(), std::vector<SentFrame>{}) << "sliders at their end";

    // Tab walks band 1's gain and Q, then band 2's frequency; Up steps each.
    std::vector<int> band1 = BandWords(seed, PageMusic, 0), band2 = BandWords(seed, PageMusic, 1);
    const int q = band1[0] == 0 ? 3 : 4;
    std::vector<SentFrame> want;
    band1[2] += 1;
    want.push_back(BandFrame(PageMusic, 0, band1));
    band1[static_cast<std::size_t>(q)] = std::min(band1[static_cast<std::size_t>(q)] + 1, q == 3 ? 100 : 24);
    want.push_back(BandFrame(PageMusic, 0, band1));
    band2[1] += 1;
    want.push_back(BandFrame(PageMusic, 1, band2));
    for (const char* next : {"MusGainEdit1", "MusQEdit1", "MusFreEdit2"}) {
        Person::Key(app.form1.get(), Qt::Key_Tab);
        EXPECT_EQ(QApplication::focusWidget(), app.W(next)) << next;
        Person::Key(app.form1.get(), Qt::Key_Up);
    }

    // Greyed: the music EQ in automatic mode, microphone group B bypassed.
    ASSERT_TRUE(w.WaitForQuietLink());  // band frames and single values wait in queues of their own
    app.Click("AutoModeBtn");
    want.push_back(ValueFrame(0x0000, 0));
    ASSERT_FALSE(app.W("MusEQGainBar6")->isEnabled());
    Person::Wheel(app.W("MusEQGainBar6"), 120);
    app.Tab(2);
    app.Click("MicBBtn");
    ASSERT_FALSE(app.W("MicEQGainBar1")->isEnabled());
    Person::Wheel(app.W("MicEQGainBar1"), 120);
    ASSERT_TRUE(w.WaitForQuietLink());
    EXPECT_EQ(w.sim.TakeWrites(), want);
}

// One action sends one frame, and nothing when nothing changed; a value typed
// into a box goes out before the control the user moves on to acts.
TEST(EndToEndEditing, OneActionOneFrameAndTypedValuesFirst) {
    DeviceImageRows seed = SeedImage();
    seed[PageMic][DeviceSlot(PageMic, FirstEqIndex[PageMic] - 1, SeedMode)] = 0;  // group A not bypassed
    seed[PageSystem][9] = 0;                                                    // microphone maximum volume 0
    seed[PageSystem][8] = 0;
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    OnlineWindow w({"--state", WriteSeedState(dir, seed), "--log"});
    ASSERT_TRUE(w.GoOnline()) << "not online";
    ASSERT_TRUE(w.WaitForQuietLink());
    ASSERT_EQ(w.sim.TakeWrites(), std::vector<SentFrame>{});
    App& app = w.app;
    std::vector<SentFrame> want;

    app.Tab(1);
    app.Click("MusGainEdit3");
    Person::Key(app.form1.get(), Qt::Key_Return);  // unchanged
    app.Tab(8);
    Person::Drag(app.W("SysMicStartVolBar"), {40, 0}, 8);  // held past the maximum volume
    ASSERT_TRUE(w.WaitForQuietLink());
    EXPECT_EQ(w.sim.TakeWrites(), std::vector<SentFrame>{}) << "nothing changed";

    app.Tab(4);
    const int type = seed[PageMain][ByEditor("MainHPTypeBox")->id & 0xFF];
    const int next = type == 4 ? 3 : type + 1;
    // Each action after the one before was acknowledged: a write that never waited
    // in the queue goes out once (only a queue that empties repeats its last entry).
    Person::Wheel(app.W("MainHPTypeBox"), next > type ? -120 : 120);
    want.push_back(ValueFrame(ByEditor("MainHPTypeBox")->id, next));
    ASSERT_TRUE(w.WaitForQuietLink());
    Person::Key(app.form1.get(), Qt::Key_Z, 1, Qt::ControlModifier);
    want.push_back(ValueFrame(ByEditor("MainHPTypeBox")->id, type));
    ASSERT_TRUE(w.WaitForQuietLink());
    app.Click("MusEQAllpassBtn");  // the main output's EQ
    want.push_back(ValueFrame(MakeId(PageMain, FirstEqIndex[PageMain] - 1), 1));
    ASSERT_TRUE(w.WaitForQuietLink());
    EXPECT_EQ(w.sim.TakeWrites(), want);
    want.clear();

    // Typed, not confirmed, then another control: the typed gain (+5 dB) first.
    const struct {
        int tab, page;
        const char *edit, *then;
        std::vector<SentFrame> thenSends;
    } cases[] = {{2, PageMic, "MicGainEdit5", "MicBBtn", {}},
                 {3, PageEcho, "EchoGainEdit5", "RvbEQBtn", {}},
                 // The mode word waits behind the band frame, so the emptied queue
                 // sends it once more.
                 {1, PageMusic, "MusGainEdit5", "SingModeBtn", {ValueFrame(0x0001, 0), ValueFrame(0x0001, 0)}}};
    for (const auto& c : cases) {
        app.Tab(c.tab);
        app.Type(c.edit, "5", false);
        app.Click(c.then);
        std::vector<int> words = BandWords(seed, c.page, 4);
        words[2] = 145;
        want.push_back(BandFrame(c.page, 4, words));
        want.insert(want.end(), c.thenSends.begin(), c.thenSends.end());
        ASSERT_TRUE(w.WaitForQuietLink());
    }
    ASSERT_TRUE(w.WaitForQuietLink());
    EXPECT_EQ(w.sim.TakeWrites(), want);
}

}  // namespace
}  // namespace kdsp

namespace kdsp {
namespace {

// A/B: taking B sends nothing; every switch sends exactly the words the slots hold
// differently, in page order, and ten switches leave the processor on the slot shown.
TEST(EndToEndEditing, AbSwitchSendsOnlyWhatDiffers) {
    const DeviceImageRows seed = SeedImage();
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString state = WriteSeedState(dir, seed);
    OnlineWindow w({"--state", state, "--log"});
    ASSERT_TRUE(w.GoOnline()) << "not online";
    ASSERT_TRUE(w.WaitForQuietLink());
    ASSERT_EQ(w.sim.TakeWrites(), std::vector<SentFrame>{});
    App& app = w.app;
    EXPECT_FALSE(app.W("AbSwitchBtn")->isEnabled()) << "nothing to switch between yet";
    app.Click("AbSlotABtn");

    // Three edits: a band gain typed, a filter type by wheel, the bypass clicked.
    std::vector<int> bandA = BandWords(seed, PageMusic, 4), bandB = bandA;
    bandB[2] = 145;
    app.Tab(1);
    app.Type("MusGainEdit5", "5");
    const int typeId = ByEditor("MainHPTypeBox")->id;
    const int typeA = seed[PageMain][DeviceSlot(PageMain, typeId & 0xFF, SeedMode)];
    const int typeB = typeA == 4 ? 3 : typeA + 1;
    app.Tab(4);
    Person::Wheel(app.W("MainHPTypeBox"), typeB > typeA ? -120 : 120);
    const int bypassId = MakeId(PageMain, FirstEqIndex[PageMain] - 1);
    const int bypassA = seed[PageMain][DeviceSlot(PageMain, FirstEqIndex[PageMain] - 1, SeedMode)];
    app.Click("MusEQAllpassBtn");
    ASSERT_TRUE(w.WaitForQuietLink());
    w.sim.TakeWrites();  // the three edits
    app.Click("AbSlotBBtn");
    ASSERT_TRUE(w.WaitForQuietLink());
    EXPECT_EQ(w.sim.TakeWrites(), std::vector<SentFrame>{}) << "taking B sends nothing";

    const auto frames = [&](bool toB) {
        std::vector<SentFrame> f = {BandFrame(PageMusic, 4, toB ? bandB : bandA),
                                    ValueFrame(typeId, toB ? typeB : typeA),
                                    ValueFrame(bypassId, toB ? 1 - bypassA : bypassA)};
        f.push_back(f.back());  // the emptied queue repeats its last write
        return f;
    };
    for (int k = 0; k < 10; ++k) {
        const bool toB = k % 2 == 1;
        if (k % 3 == 0)
            Person::Key(app.form1.get(), Qt::Key_F9);
        else
            app.Click("AbSwitchBtn");
        ASSERT_TRUE(w.WaitForQuietLink());
        ASSERT_EQ(w.sim.TakeWrites(), frames(toB)) << "switch " << k + 1;
        EXPECT_EQ(app.W("AbSlotBBtn")->property("state").toString(), toB ? "on" : "up");
    }
    // On B after ten switches: the processor holds what the window shows.
    const DeviceImageRows shown = app.model().DeviceImage;
    w.sim.Stop();
    const DeviceImageRows kept = ReadState(state.toStdString());
    for (int p = 0; p < PageCount; ++p)
        for (int s = 0; s < DeviceImageSlots; ++s)
            if (UploadCarries(p, s)) {
                ASSERT_EQ(kept[p][s] & 0xFFFF, shown[p][s] & 0xFFFF) << "page " << p << " slot " << s;
            }
    EXPECT_EQ(kept[PageMain][DeviceSlot(PageMain, typeId & 0xFF, SeedMode)], typeB);
}


// The diff view lists what `kdsp preset diff` lists for the same pair (the
// processor's memory and a file); "take this value" and "take all shown" send only
// those parameters, and one undo in the window takes each back.
TEST(EndToEndEditing, DiffViewMatchesPresetDiffAndTakesOnlyItsRows) {
    const DeviceImageRows seed = SeedImage();
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString state = WriteSeedState(dir, seed);
    Model other;
    other.DeviceImage = seed;
    const int typeId = ByEditor("MainHPTypeBox")->id;
    int& type = other.DeviceImage[PageMain][DeviceSlot(PageMain, typeId & 0xFF, SeedMode)];
    type = type == 4 ? 3 : type + 1;
    other.DeviceImage[PageMusic][DeviceSlot(PageMusic, BandParamIndex(FirstEqIndex[PageMusic], 4, 2), SeedMode)] = 145;
    other.DeviceImage[PageSystem][9] = 3;  // microphone maximum volume
    const QString file = dir.filePath("other.Nddt");
    WritePresetFile(file.toStdString(), other);

    OnlineWindow w({"--state", state, "--log"});
    ASSERT_TRUE(w.GoOnline()) << "not online";
    ASSERT_TRUE(w.WaitForQuietLink());
    ASSERT_EQ(w.sim.TakeWrites(), std::vector<SentFrame>{});
    App& app = w.app;
    // The same pair for the command line: the window's memory now, and the file.
    const QString now = dir.filePath("now.Nddt");
    Model held;
    held.DeviceImage = app.model().DeviceImage;
    WritePresetFile(now.toStdString(), held);
    QProcess cli;
    cli.start(KDSP_CLI_PATH, {"preset", "diff", now, file});
    ASSERT_TRUE(cli.waitForFinished(20000));
    const QStringList want = QString::fromUtf8(cli.readAllStandardOutput()).split('\n', Qt::SkipEmptyParts);

    app.Click("DiffBtn");
    auto* dialog = app.form1->findChild<QDialog*>("DiffDialog");
    ASSERT_NE(dialog, nullptr);
    Person::TypeOver(dialog->findChild<QLineEdit*>("DiffFileEdit"), file);
    auto* table = dialog->findChild<QTableWidget*>("DiffTable");
    const auto rows = [table] {
        QStringList r;
        for (int k = 0; k < table->rowCount(); ++k)
            r << table->item(k, 0)->text() + '\t' + table->item(k, 2)->text() + '\t' + table->item(k, 3)->text();
        return r;
    };
    ASSERT_EQ(rows().join("\n").toStdString(), want.join("\n").toStdString());

    // One row alone: the filter type.
    const auto rowOf = [&rows](const QString& name) {
        const QStringList r = rows();
        for (int k = 0; k < r.size(); ++k)
            if (r[k].startsWith(name + '\t')) return k;
        return -1;
    };
    const int typeRow = rowOf("main.highpass.type");
    ASSERT_GE(typeRow, 0);
    Person::Click(dialog->findChild<QPushButton*>(QString("DiffTakeBtn%1").arg(typeRow)));
    ASSERT_TRUE(w.WaitForQuietLink());
    EXPECT_EQ(w.sim.TakeWrites(), std::vector<SentFrame>{ValueFrame(typeId, type)});
    QStringList left = want;
    left.removeAt(typeRow);
    EXPECT_EQ(rows(), left);

    // Filtered to the system page and one name, then every row shown.
    Person::Pick(dialog->findChild<QComboBox*>("DiffPageBox"), 1 + PageSystem);
    Person::TypeOver(dialog->findChild<QLineEdit*>("DiffFilterEdit"), "volume.mic.max");
    ASSERT_EQ(table->rowCount(), 1);
    Person::Click(dialog->findChild<QPushButton*>("DiffTakeAllBtn"));
    ASSERT_TRUE(w.WaitForQuietLink());
    EXPECT_EQ(w.sim.TakeWrites(), std::vector<SentFrame>{ValueFrame(MakeId(PageSystem, 9), 3)});

    // One undo takes one take back, the last first: in the dialog (its row is
    // back), then in the window.
    Person::Key(dialog, Qt::Key_Z, 1, Qt::ControlModifier);
    ASSERT_TRUE(w.WaitForQuietLink());
    EXPECT_EQ(w.sim.TakeWrites(), std::vector<SentFrame>{ValueFrame(MakeId(PageSystem, 9), seed[PageSystem][9])});
    EXPECT_EQ(table->rowCount(), 1);
    Person::Key(app.form1.get(), Qt::Key_Z, 1, Qt::ControlModifier);
    ASSERT_TRUE(w.WaitForQuietLink());
    EXPECT_EQ(w.sim.TakeWrites(), std::vector<SentFrame>{ValueFrame(typeId, seed[PageMain][DeviceSlot(PageMain, typeId & 0xFF, SeedMode)])});
}


// A preset edited without a processor: opened as the command line opens it, edited
// by wheel and typing (with an undo and a redo), saved over itself; the file holds
// exactly the edited settings and the old one is kept beside it.
TEST(EndToEndEditing, PresetEditedOfflineIsSavedWithTheReplacedFileKept) {
    DeviceImageRows seed = SeedImage();
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString file = dir.filePath("venue.Nddt");
    Model m;
    m.DeviceImage = seed;
    WritePresetFile(file.toStdString(), m);
    const QString original = dir.filePath("original.Nddt");
    QFile::copy(file, original);

    QTcpServer nobody;  // a port no processor answers on
    ASSERT_TRUE(nobody.listen(QHostAddress::LocalHost));
    const int port = nobody.serverPort();
    nobody.close();
    App app(port, dir.filePath("folders").toStdString());
    app.form1->show();
    ASSERT_TRUE(app.WaitFor([&app] {
        return std::find(app.events.begin(), app.events.end(), EventConnectFailed) != app.events.end();
    }));
    ASSERT_TRUE(OpenPresetDocument(*app.form1, file));
    auto* title = app.form1->Ctl<QLabel>("Label77");
    EXPECT_TRUE(title->text().endsWith("venue.Nddt")) << title->text().toStdString();

    const int typeId = ByEditor("MainHPTypeBox")->id;
    int& type = m.DeviceImage[PageMain][DeviceSlot(PageMain, typeId & 0xFF, SeedMode)];
    const int before = type;
    type = type == 4 ? 3 : type + 1;
    app.Tab(4);
    Person::Wheel(app.W("MainHPTypeBox"), type > before ? -120 : 120);
    m.DeviceImage[PageMusic][DeviceSlot(PageMusic, BandParamIndex(FirstEqIndex[PageMusic], 4, 2), SeedMode)] = 145;
    app.Tab(1);
    app.Type("MusGainEdit5", "5");
    EXPECT_TRUE(title->text().endsWith("venue.Nddt*")) << title->text().toStdString();
    Person::Key(app.form1.get(), Qt::Key_Z, 1, Qt::ControlModifier);
    Person::Key(app.form1.get(), Qt::Key_Y, 1, Qt::ControlModifier);
    app.Click("SavePresetBtn");
    EXPECT_TRUE(title->text().endsWith("venue.Nddt")) << title->text().toStdString();
    EXPECT_TRUE(!app.Online());

    const QString expected = dir.filePath("expected.Nddt");
    WritePresetFile(expected.toStdString(), m);
    const auto show = [](const QString& path) {
        QProcess cli;
        cli.start(KDSP_CLI_PATH, {"preset", "show", path});
        cli.waitForFinished(20000);
        return QString::fromUtf8(cli.readAllStandardOutput());
    };
    EXPECT_FALSE(show(file).isEmpty());
    EXPECT_EQ(show(file), show(expected));
    EXPECT_EQ(show(dir.filePath("venue.bak")), show(original)) << "the replaced file is kept";
}

// Connecting with an edited preset open asks once: "keep editing offline" sends
// nothing and leaves the window on the preset, offline; "send" makes the processor
// hold exactly the preset.
TEST(EndToEndEditing, ConnectingWithAnEditedPresetSendsItOnlyWhenAsked) {
    const DeviceImageRows seed = SeedImage();
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString state = WriteSeedState(dir, seed);
    const QString file = dir.filePath("venue.Nddt");
    Model m;
    m.DeviceImage = seed;
    WritePresetFile(file.toStdString(), m);
    QTcpServer nobody;  // the processor's port, answered later
    ASSERT_TRUE(nobody.listen(QHostAddress::LocalHost));
    const int port = nobody.serverPort();
    nobody.close();
    App app(port, dir.filePath("folders").toStdString(), true);
    app.form1->show();
    ASSERT_TRUE(app.WaitFor([&app] {
        return std::find(app.events.begin(), app.events.end(), EventConnectFailed) != app.events.end();
    }));
    ASSERT_TRUE(OpenPresetDocument(*app.form1, file));
    const int typeId = ByEditor("MainHPTypeBox")->id;
    const int before = seed[PageMain][DeviceSlot(PageMain, typeId & 0xFF, SeedMode)];
    const int after = before == 4 ? 3 : before + 1;
    app.Tab(4);
    Person::Wheel(app.W("MainHPTypeBox"), after > before ? -120 : 120);
    const DeviceImageRows edited = app.model().DeviceImage;
    ASSERT_EQ(edited[PageMain][DeviceSlot(PageMain, typeId & 0xFF, SeedMode)], after);

    SimProcess sim({"--state", state, "--log"}, port);
    ASSERT_EQ(sim.Port(), port);
    const auto connect = [&app] {
        app.told.clear();
        app.Click("LinkBtn");
        return app.WaitFor([&app] { return !app.told.empty(); });
    };
    app.answers.push_back(MsgAnswer::Cancel);  // keep editing offline
    ASSERT_TRUE(connect()) << app.Seen();
    EXPECT_TRUE(app.told.front().text.contains("main.highpass.type")) << app.Seen();
    ASSERT_TRUE(app.WaitFor([&app] { return !app.Online(); }));
    EXPECT_EQ(sim.TakeWrites(), std::vector<SentFrame>{});
    EXPECT_EQ(app.model().DeviceImage, edited);
    EXPECT_TRUE(app.form1->Ctl<QLabel>("Label77")->text().endsWith("venue.Nddt*"));

    ASSERT_TRUE(connect()) << app.Seen();  // answered "send"
    ASSERT_TRUE(app.WaitFor([&app] {
        return std::count(app.events.begin(), app.events.end(), EventUpload) > 0 && app.Settled();
    })) << app.Seen();
    DeviceImageRows want = edited;
    MirrorSystemWordsForSave(want);
    // An upload: the system words one by one, then the pages in blocks (their
    // content is checked in the processor's memory below).
    std::vector<SentFrame> sent = sim.TakeWrites();
    std::vector<SentFrame> words;
    for (int s = MirrorFirstSystemSlot; s < MirrorFirstSystemSlot + MirrorSlotCount; ++s)
        words.push_back(ValueFrame(MakeId(PageSystem, s), want[PageSystem][s]));
    ASSERT_GT(sent.size(), words.size());
    EXPECT_EQ(std::vector<SentFrame>(sent.begin(), sent.begin() + static_cast<std::ptrdiff_t>(words.size())), words);
    EXPECT_TRUE(std::all_of(sent.begin() + static_cast<std::ptrdiff_t>(words.size()), sent.end(),
                            [](const SentFrame& f) { return f.id == MakeId(PageSystem, 15); }));
    sim.Stop();
    const DeviceImageRows kept = ReadState(state.toStdString());
    for (int p = 0; p < PageCount; ++p)
        for (int s = 0; s < DeviceImageSlots; ++s)
            if (UploadCarries(p, s)) {
                ASSERT_EQ(kept[p][s] & 0xFFFF, want[p][s] & 0xFFFF) << "page " << p << " slot " << s;
            }
}

}  // namespace
}  // namespace kdsp
