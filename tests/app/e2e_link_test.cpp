// End to end: the window against kdsp-sim on loopback goes online, with the
// status texts and the dialog's progress as the user sees them.
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QProcess>

#include <gtest/gtest.h>

#include "app/link_window.h"
#include "app/main_window.h"
#include "app/status_dialog.h"
#include "app/widgets.h"
#include "core/link/link.h"

namespace kdsp {
namespace {

class SimProcess {
public:
    SimProcess() {
        proc_.setProgram(QString::fromLatin1(KDSP_SIM_PATH));
        proc_.setArguments({"--listen", "127.0.0.1:0"});
        proc_.start();
        if (!proc_.waitForStarted(5000)) return;
        for (int i = 0; i < 50 && port_ == 0; ++i) {
            if (!proc_.waitForReadyRead(200)) continue;
            const QList<QByteArray> parts = proc_.readAllStandardOutput().trimmed().split(' ');
            if (parts.size() == 3 && parts[0] == "listen") port_ = parts[2].toInt();
        }
    }
    ~SimProcess() {
        proc_.terminate();
        if (!proc_.waitForFinished(3000)) {
            proc_.kill();
            proc_.waitForFinished(3000);
        }
    }
    int Port() const { return port_; }

private:
    QProcess proc_;
    int port_ = 0;
};

TEST(EndToEnd, WindowGoesOnlineAgainstTheSimulator) {
    SimProcess sim;
    ASSERT_GT(sim.Port(), 0) << "kdsp-sim did not report its port";
    AppOptions options;
    options.host = "127.0.0.1";
    options.port = QString::number(sim.Port());
    options.serialGiven = true;  // no serial port at all: straight to TCP
    TForm1 form1;
    TForm2 form2;
    TForm3 form3(form1, form2, options);
    form3.SetQuietMessages(true);
    form1.SetLinkWindow(&form3);
    form1.SetStatusDialog(&form2);

    QStringList texts;
    int lastProgressShown = -1;
    bool hiddenAfterOnline = false;
    Link& link = form3.link();
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
    EXPECT_EQ(form2.PortText(), "Network");
    EXPECT_TRUE(texts.contains("设备搜索...")) << texts.join(" | ").toStdString();
    EXPECT_TRUE(texts.contains("Linking...")) << texts.join(" | ").toStdString();
    EXPECT_EQ(form2.StatusText(), "Online");
    EXPECT_EQ(lastProgressShown, 100);
    EXPECT_TRUE(hiddenAfterOnline);
    EXPECT_EQ(form3.FreshLink(), 1);
    EXPECT_EQ(form1.Ctl<BoundButton>("LinkBtn")->text(), "断开");
    EXPECT_EQ(form1.model().DeviceIdentity.size(), 8u) << "identity read during the transfer";
    form1.close();  // sends the disconnect while online
}

}  // namespace
}  // namespace kdsp
