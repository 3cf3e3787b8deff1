// A started main window whose edits go through a real link that is online and
// acknowledges at once; the frames it writes are recorded.
#pragma once

#include <memory>
#include <vector>

#include "app/editing/change_path.h"
#include "app/link/link_window.h"
#include "app/panels/status_dialog.h"
#include "core/link/link.h"
#include "core/session/device_session.h"
#include "core/protocol/frames.h"
#include "sent_frame.h"
#include "window_fixture.h"

namespace kdsp {

class RecordingTransport : public Transport {
public:
    std::vector<std::string> ListPorts() override { return {}; }
    bool OpenSerial(const std::string&) override { return false; }
    void CloseSerial() override {}
    bool IsSerialOpen() const override { return false; }
    void ConnectTcp(const std::string&, int) override {}
    void DisconnectTcp() override {}
    void Write(int, std::span<const std::uint8_t> bytes) override { frames.emplace_back(bytes.begin(), bytes.end()); }
    std::vector<std::vector<std::uint8_t>> frames;
};

class IdleTimers : public LinkTimers {
public:
    void Start(LinkTimer) override {}
    void Stop(LinkTimer) override {}
    void SetInterval(LinkTimer, int) override {}
    bool IsRunning(LinkTimer) const override { return false; }
    long NowMs() const override { return 0; }
};

// A single-value frame decoded: FC BA 06 A7 page index low high checksum.
struct ValueWrite {
    int id = -1;
    int value = -1;
};

class EditingTest : public WindowTest {
protected:
    void SetUp() override {
        WindowTest::SetUp();
        status = std::make_unique<StatusDialog>();
        linkWindow = std::make_unique<LinkWindow>(*form, *status, AppOptions{});
        linkWindow->SetQuietMessages(true);
        session = std::make_unique<DeviceSession>(transport, timers, form->model(), *linkWindow);
        link = &LinkOf(*session);
        link->LinkState = LinkOnline;
        link->TransportKind = TransportTcp;
        AppState& st = form->state();
        // Every frame is acknowledged before the next edit, as a quick processor would.
        st.SendEdit = [this](const ImageEdit& edit) {
            link->Signals.ClearToSend = 1;
            session->Set(edit);
        };
        session->OnEvent = [this](const SessionEvent& e) {
            if (const auto* v = std::get_if<ValueChanged>(&e)) changes.push_back(*v);
        };
        SetEditErrorSink([this](const QString& text) { messages.append(text); });
    }
    void TearDown() override {
        SetEditErrorSink(nullptr);
        link = nullptr;
        session.reset();
        linkWindow.reset();  // clears the window's send hooks
        status.reset();
        WindowTest::TearDown();
    }

    static bool IsValueFrame(const std::vector<std::uint8_t>& f) {
        return f.size() == 9 && f[0] == 0xFC && f[1] == 0xBA && f[2] == 0x06 && f[3] == 0xA7;
    }
    std::vector<ValueWrite> Values() const {
        std::vector<ValueWrite> out;
        for (const auto& f : transport.frames)
            if (IsValueFrame(f)) out.push_back({f[4] << 8 | f[5], f[6] | f[7] << 8});
        return out;
    }
    ValueWrite LastValue() const {
        auto v = Values();
        return v.empty() ? ValueWrite{} : v.back();
    }
    // Every frame written so far, decoded.
    std::vector<SentFrame> Sent() const {
        std::vector<SentFrame> out;
        for (const auto& f : transport.frames) out.push_back(DecodeSentFrame(f));
        return out;
    }
    int BandFrames() const {
        int n = 0;
        for (const auto& f : transport.frames) n += IsValueFrame(f) ? 0 : 1;
        return n;
    }
    // The last frame equals the band frame of (page, band) built from the model now.
    bool LastIsBand(int page, int band) const {
        if (transport.frames.empty()) return false;
        return transport.frames.back() == BuildBandFrame(form->model(), BandFrameId(page), band);
    }
    void Tab(int n) { form->SelectTab(W<BoundButton>(("FormTabBtn" + std::to_string(n)).c_str())); }

    RecordingTransport transport;
    IdleTimers timers;
    std::unique_ptr<StatusDialog> status;
    std::unique_ptr<LinkWindow> linkWindow;
    std::unique_ptr<DeviceSession> session;  // on the fakes, with the link window as its display
    Link* link = nullptr;
    QStringList messages;
    std::vector<ValueChanged> changes;  // what the session says changed
};

}  // namespace kdsp
