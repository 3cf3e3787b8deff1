// A started main window whose panels talk to a link on fakes, a temporary
// preset folder, and every message box recorded and answered by the test.
#pragma once

#include <deque>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QWindow>

#include <gtest/gtest.h>

#include "../core/link/link_rig.h"
#include "core/session/device_session.h"
#include "app/state/panel_state.h"
#include "app/widgets/app_message.h"
#include "app/widgets/widgets.h"
#include "app/window/main_window.h"

namespace kdsp::test {

struct Shown {
    QString caption;
    QString text;
    MsgButtons buttons;
    bool markup = false;  // a box on screen rendered the text as rich text
};

class PanelTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        SetMessageInterceptor(
            [this](const QString& caption, const QString& text, MsgButtons buttons) {
                shown.push_back({caption, text, buttons, false});
                if (answers.empty())
                    return buttons == MsgButtons::YesNo ? MsgAnswer::Yes : MsgAnswer::Ok;
                const MsgAnswer a = answers.front();
                answers.pop_front();
                return a;
            });
        StartWindow();
    }
    // A new window (and link) on the temporary folder; showing it runs the start-up
    // order: folders, list, first page.
    void StartWindow() {
        form = std::make_unique<MainWindow>();
        PanelsOf(*form).folderOverride = std::filesystem::path(dir.path().toStdString());
        session = std::make_unique<DeviceSession>(transport, timers, form->model(), host);
        link = &LinkOf(*session);
        SetPanelSession(*form, session.get());
        form->show();
    }
    void TearDown() override {
        form.reset();
        SetMessageInterceptor({});
    }

    void GoOnline() {
        link->TransportKind = TransportTcp;
        link->LinkState = LinkOnline;
        link->Signals.ClearToSend = 1;
        transport.writes.clear();
    }

    template <class T = QWidget>
    T* W(const char* name) {
        T* w = form->Ctl<T>(QString::fromLatin1(name));
        EXPECT_NE(w, nullptr) << "no control " << name;
        return w;
    }
    void Click(const char* name) {
        if (auto* b = W<QPushButton>(name)) b->click();
    }
    // Input as a person gives it: to the top-level window, at window coordinates, so
    // Qt decides which control (or open drop-down list) gets it.
    void ClickOn(QWidget* w, std::optional<QPoint> at = {}) {
        ASSERT_TRUE(w && w->isVisible());
        QTest::mouseClick(form->windowHandle(), Qt::LeftButton, {}, w->mapTo(form.get(), at.value_or(w->rect().center())));
    }
    void Press(Qt::Key key, int times = 1) {
        for (int i = 0; i < times; ++i) QTest::keyClick(form->windowHandle(), key);
    }
    // Replaces the text of the focused edit, one key per character (ASCII).
    void TypeText(const QString& text) {
        QTest::keyClick(form->windowHandle(), Qt::Key_A, Qt::ControlModifier);
        QTest::keyClick(form->windowHandle(), Qt::Key_Backspace);
        for (QChar c : text) QTest::keyClick(form->windowHandle(), c.toLatin1());
    }
    // From now on the boxes are shown for real, as a person meets them: each is noted
    // in `shown` with whether it renders its text as markup, and answered by a click
    // on Yes (or OK).
    void AnswerOnScreen() {
        SetMessageInterceptor({});
        auto* poll = new QTimer(form.get());
        QObject::connect(poll, &QTimer::timeout, form.get(), [this] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            if (!box || !box->isVisible() || box->property("answered").toBool())
                return;
            box->setProperty("answered", true);
            const bool yesNo = box->button(QMessageBox::Yes) != nullptr;
            const bool markup =
                box->textFormat() != Qt::PlainText && Qt::mightBeRichText(box->text());
            shown.push_back({box->windowTitle(), box->text(),
                             yesNo ? MsgButtons::YesNo : MsgButtons::Ok, markup});
            QAbstractButton* answer = box->button(yesNo ? QMessageBox::Yes : QMessageBox::Ok);
            QTest::mouseClick(box->windowHandle(), Qt::LeftButton, {},
                              answer->mapTo(box, answer->rect().center()));
        });
        poll->start(10);
    }
    std::filesystem::path PresetFolder() { return PanelsOf(*form).folders.PresetFolder; }
    int CountShown(const QString& text) const {
        int n = 0;
        for (const Shown& s : shown)
            if (s.text == text) ++n;
        return n;
    }

    QTemporaryDir dir;
    std::vector<Shown> shown;
    std::deque<MsgAnswer> answers;
    FakeTransport transport;
    FakeTimers timers;
    FakeHost host;
    std::unique_ptr<MainWindow> form;
    std::unique_ptr<DeviceSession> session;
    Link* link = nullptr;  // the session's, put in a state by hand
};

}  // namespace kdsp::test
