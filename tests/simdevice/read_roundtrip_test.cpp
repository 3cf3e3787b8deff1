// The application's own receive side takes the simulator's answers: a whole read
// rebuilds the processor's memory in the device image, texts included.
#include <gtest/gtest.h>

#include "core/protocol/receiver.h"
#include "simdevice/sim_connection.h"

namespace kdsp {
namespace {

TEST(ReadRoundTrip, EveryReadRequestFillsTheApplicationsImage) {
    SimDevice device;
    for (int p = 0; p < 10; ++p)
        for (int s = 0; s < PageBlockWords(p); ++s) device.Memory()[p][s] = (p * 1000 + s) & 0xFFFF;
    device.Memory()[10][7] = 4242;
    device.SetModeName(3, "Stage");
    device.SetSystemPassword("246810");
    device.SetIdentity({0x01, 0xAB, 0x00, 0xFF});

    FaultOptions o;
    o.split = true;  // the application must cope with answers in pieces
    o.seed = 3;
    FaultState faults(o);
    SimConnection session(device, faults);
    Model model;
    LinkSignals signals;
    RxAssembler rx;
    std::int64_t now = 0;
    auto exchange = [&](const Bytes& request, int modeNameIndex) {
        signals = {};
        session.Receive(request, now);
        for (int step = 0; step < 4; ++step, now += o.splitGapMs)
            for (const auto& chunk : session.TakeDue(now)) rx.Feed(chunk, model, signals, modeNameIndex);
        EXPECT_EQ(signals.TransferState, TransferFrameReceived) << HexBytes(request);
    };
    for (int p = 0; p < 10; ++p) exchange(BuildPageReadRequest(p), 0);
    exchange(BuildItemReadRequest(0x0A07), 0);
    for (int m = 0; m < 9; ++m) exchange(BuildModeNameRequest(m), m + 1);
    exchange(BuildItemReadRequest(IdSystemPassword), 0);
    exchange(BuildItemReadRequest(IdPanelPassword), 0);
    exchange(BuildItemReadRequest(IdDeviceIdentity), 0);

    for (int p = 0; p < 10; ++p)
        for (int s = 0; s < PageBlockWords(p); ++s)
            ASSERT_EQ(model.DeviceImage[p][s], device.Memory()[p][s]) << p << "/" << s;
    EXPECT_EQ(model.DeviceImage[10][7], 4242);
    EXPECT_EQ(model.ModeNames[3], "Stage");
    EXPECT_EQ(model.ModeNames[0], device.Mode(0).name);
    EXPECT_EQ(model.SystemPassword, "246810");
    EXPECT_EQ(model.PanelPassword, "1234");
    EXPECT_EQ(model.DeviceIdentity, "01AB00FF");

    // A connect command is acknowledged the way the application expects.
    signals = {};
    session.Receive(BuildLinkCommand(LinkConnect), now);
    for (int step = 0; step < 4; ++step, now += o.splitGapMs)
        for (const auto& chunk : session.TakeDue(now)) rx.Feed(chunk, model, signals, 0);
    EXPECT_EQ(signals.DeviceFound, 1);
    EXPECT_EQ(signals.ClearToSend, 1);
    EXPECT_EQ(signals.TransferState, TransferAcked);
}

}  // namespace
}  // namespace kdsp
