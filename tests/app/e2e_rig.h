// The program as a person meets it, for the end-to-end tests: the three windows
// on one simulator port, every message box recorded and answered, and bounded
// waits that keep the event loop running.
#pragma once

#include <deque>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include <QComboBox>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QPushButton>
#include <QStringList>
#include <QTabWidget>
#include <QTest>

#include <gtest/gtest.h>

#include "app/link/link_window.h"
#include "app/panels/status_dialog.h"
#include "app/state/panel_state.h"
#include "app/widgets/app_message.h"
#include "app/window/main_window.h"
#include "core/link/link.h"
#include "core/session/device_session.h"
#include "core/preset/preset_file.h"
#include "window_input.h"

namespace kdsp {

struct Told {
    QString caption;
    QString text;
};

// One run of the program: the three windows on one simulator, every message box
// recorded and answered (Yes / OK unless the test queued another answer).
class App {
public:
    // `fast`: reads, reloads and uploads at the fast pace (--fast-transfers).
    App(int port, const std::filesystem::path& folder, bool fast = false) {
        SetMessageInterceptor([this](const QString& caption, const QString& text, MsgButtons buttons) {
            told.push_back({caption, text});
            const bool question = buttons == MsgButtons::YesNo || buttons == MsgButtons::YesNoCancel;
            if (answers.empty()) return question ? MsgAnswer::Yes : MsgAnswer::Ok;
            const MsgAnswer a = answers.front();
            answers.pop_front();
            return a;
        });
        AppOptions options;
        options.host = "127.0.0.1";
        options.port = QString::number(port);
        options.serialGiven = true;  // no serial port: straight to TCP
        options.fastTransfers = fast;
        form1 = std::make_unique<MainWindow>();
        form2 = std::make_unique<StatusDialog>();
        form3 = std::make_unique<LinkWindow>(*form1, *form2, options);
        form1->SetLinkWindow(form3.get());
        form1->SetStatusDialog(form2.get());
        PanelsOf(*form1).folderOverride = folder;
        // After the session, and so after the window, has taken each in.
        Link& l = LinkOf(form3->session());
        auto previous = l.EventObserver;
        l.EventObserver = [this, previous](int event) {
            if (previous) previous(event);
            events.push_back(event);
        };
    }
    ~App() {
        if (form1) form1->close();  // tells the processor when online
        form3.reset();
        form2.reset();
        form1.reset();
        SetMessageInterceptor({});
    }

    DeviceSession& session() { return form3->session(); }
    Link& link() { return LinkOf(form3->session()); }
    Model& model() { return form1->model(); }

    // Events are handled, and the texts the user would see are collected, until
    // `done` holds or the limit has passed.
    bool WaitFor(const std::function<bool()>& done, int limitMs = 30000) {
        QElapsedTimer clock;
        clock.start();
        for (;;) {
            Note();
            if (done()) return true;
            if (clock.elapsed() > limitMs) return false;
            QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        }
    }
    void Note() {
        const QString caption = form3->LinkCaption();
        if (captions.isEmpty() || captions.back() != caption) captions.append(caption);
    }
    bool Online() { return form3->Online(); }
    // Online with every edit sent and acknowledged.
    bool Settled() {
        return session().Idle();
    }
    bool Start() {
        form1->show();  // the start-up order starts the search
        return WaitFor([this] { return Online(); });
    }
    bool Said(const QString& text) const {
        for (const auto& t : told)
            if (t.text == text) return true;
        return false;
    }
    std::string Seen() const {
        QStringList all;
        for (const auto& t : told) all.append(t.caption + ": " + t.text);
        return ("messages [" + all.join(" | ") + "] captions [" + captions.join(" | ") + "]").toStdString();
    }

    template <class T = QWidget>
    T* W(const QString& name) {
        T* w = form1->Ctl<T>(name);
        EXPECT_NE(w, nullptr) << "no control " << name.toStdString();
        return w;
    }
    // Everything below goes through the window as a person's input does.
    void Tab(int n) { Click(QString("FormTabBtn%1").arg(n)); }
    void Click(const QString& name) {
        if (QWidget* w = W(name)) Person::Click(w);
    }
    // A tab of the system page's backup / password panel.
    void PanelTab(const QString& caption) {
        if (auto* tabs = W<QTabWidget>("SysPanelTabs")) Person::ClickTab(tabs, caption);
    }
    // Clicks into the edit, replaces its text by typing, and confirms with Enter.
    void Type(const QString& name, const QString& text, bool enter = true) {
        if (auto* e = W<QLineEdit>(name)) Person::TypeOver(e, text, enter);
    }
    // Opens a drop-down list and picks an item of it with the keyboard.
    void Pick(QComboBox* box, int index) {
        if (box) Person::Pick(box, index);
    }
    // Clicks the control (a slider on its handle) and presses the key.
    void Keys(const QString& name, Qt::Key key, int times = 1) {
        QWidget* w = W(name);
        if (!w) return;
        Person::Click(w);
        Person::Key(w, key, times);
    }

    std::unique_ptr<MainWindow> form1;
    std::unique_ptr<StatusDialog> form2;
    std::unique_ptr<LinkWindow> form3;
    std::vector<Told> told;
    std::deque<MsgAnswer> answers;
    std::vector<int> events;
    QStringList captions;
};

// The memory the simulator saved on its way out.
inline DeviceImageRows ReadState(const std::filesystem::path& path) {
    DeviceImageRows image{};
    const PresetReadResult result = ReadPresetFile(path);
    EXPECT_TRUE(result.Ok()) << "state file " << path << ": " << result.detail;
    ApplyPreset(result, image);
    return image;
}

}  // namespace kdsp
