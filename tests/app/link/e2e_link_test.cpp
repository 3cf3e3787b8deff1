// End to end: the window against kdsp-sim on loopback goes online, with the
// status texts and the dialog's progress as the user sees them, in both languages.
#include <QCoreApplication>
#include <QElapsedTimer>

#include <gtest/gtest.h>

#include "app/i18n/language.h"
#include "app/link/link_window.h"
#include "app/panels/status_dialog.h"
#include "app/widgets/widgets.h"
#include "app/window/main_window.h"
#include "core/session/device_session.h"
#include "sim_process.h"

namespace kdsp {
namespace {

// The window of old (link texts in English) and the Chinese window, whose status
// dialog says everything in Chinese.
class EndToEnd : public ::testing::TestWithParam<UiLanguage> {
  protected:
    void SetUp() override { SetUiLanguage(GetParam()); }
    void TearDown() override { SetUiLanguage(UiLanguage::Unset); }
};

INSTANTIATE_TEST_SUITE_P(Languages, EndToEnd,
                         ::testing::Values(UiLanguage::Unset, UiLanguage::Chinese));

TEST_P(EndToEnd, WindowGoesOnlineAgainstTheSimulator) {
    const bool chinese = GetParam() == UiLanguage::Chinese;
    SimProcess sim;
    ASSERT_GT(sim.Port(), 0) << "kdsp-sim did not report its port";
    AppOptions options;
    options.host = "127.0.0.1";
    options.port = QString::number(sim.Port());
    options.serialGiven = true;  // no serial port at all: straight to TCP
    MainWindow form1;
    StatusDialog form2;
    LinkWindow form3(form1, form2, options);
    form3.SetQuietMessages(true);
    form1.SetLinkWindow(&form3);
    form1.SetStatusDialog(&form2);

    QStringList texts;
    int lastProgressShown = -1;
    bool hiddenAfterOnline = false;
    Link& link = LinkOf(form3.session());
    auto previous = link.EventObserver;
    link.EventObserver = [&](int event) {
        if (previous) previous(event);
        if (event == EventOnline) {
            lastProgressShown = form2.Progress();
            hiddenAfterOnline = !form2.isVisible();
        }
    };
    form1.show();  // the start-up order starts the search
    EXPECT_EQ(form3.FreshLink(), 0);
    EXPECT_TRUE(form2.isVisible()) << "the dialog shows the search";

    QElapsedTimer clock;
    clock.start();
    while (!form3.Online() && clock.elapsed() < 30000) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
        const QString t = form2.StatusText();
        if (texts.isEmpty() || texts.back() != t) texts.append(t);
    }
    ASSERT_TRUE(form3.Online()) << "not online; texts seen: " << texts.join(" | ").toStdString();
    EXPECT_EQ(form2.PortText(), chinese ? "网络" : "Network");
    EXPECT_TRUE(texts.contains("设备搜索...")) << texts.join(" | ").toStdString();
    EXPECT_TRUE(texts.contains(chinese ? "连接中..." : "Linking..."))
        << texts.join(" | ").toStdString();
    EXPECT_EQ(form2.StatusText(), chinese ? "设备已连接" : "Online");
    EXPECT_EQ(lastProgressShown, 100);
    EXPECT_TRUE(hiddenAfterOnline);
    EXPECT_EQ(form3.FreshLink(), 1);
    EXPECT_EQ(form1.Ctl<BoundButton>("LinkBtn")->text(), "断开");
    EXPECT_EQ(form1.model().DeviceIdentity.size(), 8u) << "identity read during the transfer";
    form1.close();  // sends the disconnect while online
}

}  // namespace
}  // namespace kdsp
