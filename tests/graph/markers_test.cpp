// Marker visibility per page, marker placement and the value label rules.
#include "graph/graph_markers.h"

#include <gtest/gtest.h>

namespace kdsp {
namespace {

std::string Shown(int code) {
    std::string s;
    for (bool b : MarkerVisibility(code)) s += b ? '1' : '0';
    return s;
}

TEST(MarkerVisibility, PerChannelCode) {
    //                      EP1..EP15      HPF LPF
    EXPECT_EQ(Shown(9), "1111111111" "00000" "00") << "music: ten bands";
    EXPECT_EQ(Shown(206), "1111111" "00000000" "11") << "main: seven bands + HPF + LPF";
    EXPECT_EQ(Shown(114), "111111111111111" "10") << "microphone, 15 bands + HPF";
    EXPECT_EQ(Shown(108), "111111111" "000000" "10") << "microphone group B";
    EXPECT_EQ(Shown(204), "11111" "0000000000" "11") << "effects";
    EXPECT_EQ(Shown(106), "1111111" "00000000" "10") << "aux 2 / rear";
    EXPECT_EQ(Shown(2), "111" "000000000000" "00") << "dynamic EQ";
    EXPECT_EQ(Shown(-5), std::string(17, '0'));
}

TEST(MarkerPlacement, SlotsAndPositions) {
    EXPECT_EQ(MarkerOfSlot(3, 0), 3);
    EXPECT_EQ(MarkerOfSlot(7, 104), HpfMarker);
    EXPECT_EQ(MarkerOfSlot(8, 200), LpfMarker);
    EXPECT_EQ(MarkerOfSlot(20, 0), -1);
    EXPECT_EQ(MarkerName(0), "EP1");
    EXPECT_EQ(MarkerName(14), "EP15");
    EXPECT_EQ(MarkerName(15), "HPF");
    EXPECT_EQ(MarkerName(16), "LPF");
    EXPECT_EQ(MarkerSize(14), QSize(14, 14));
    EXPECT_EQ(MarkerSize(16), QSize(24, 24));
    const GraphGeometry s{};
    // 1000 Hz is x 639.01, 0 dB is y 93.33: centred with half-heights 7 and 12.
    EXPECT_EQ(MarkerTopLeft(s, QSize(14, 14), 1000, 0), QPoint(632, 86));
    EXPECT_EQ(MarkerTopLeft(s, QSize(24, 24), 1000, -24), QPoint(627, 268));
}

TEST(ValueLabel, Texts) {
    EXPECT_EQ(ValueLabelText(0, -3, 1.4f, 1000), "-3.0dB\rQ:1.40\r1000.00Hz");
    EXPECT_EQ(ValueLabelText(1, 12, 0.71f, 19.7f), "12.0dB\rQ:0.71\r19.70Hz");
    EXPECT_EQ(ValueLabelText(0, -23.8f, 128, 20600), "-23.8dB\rQ:128.00\r20600.00Hz");
    EXPECT_EQ(ValueLabelText(0, 0, 1, 1000), "0.0dB\rQ:1.00\r1000.00Hz");
    EXPECT_EQ(ValueLabelText(100, 0, 1, 19), "OFF");
    EXPECT_EQ(ValueLabelText(200, 0, 1, 20600), "OFF");
    EXPECT_EQ(ValueLabelText(102, 0, 1, 309), "309.00Hz");
    EXPECT_EQ(ValueLabelText(206, 0, 1, 5990), "5990.00Hz");
    EXPECT_EQ(FormatFixed(0.25, 1), "0.3") << "halves go away from zero";
    EXPECT_EQ(FormatFixed(-0.25, 1), "-0.3");
    EXPECT_EQ(FormatFixed(-0.04, 1), "0.0");
}

TEST(ValueLabel, AboveNegativeBelowPositiveOverlapForCrossovers) {
    const QRect marker(100, 50, 14, 14);
    const QSize label(60, 39);
    const QSize graph(860, 160);
    EXPECT_EQ(ValueLabelPos(0, -0.2, marker, label, graph), QPoint(107 - 30, 50 - 39 - 1));
    EXPECT_EQ(ValueLabelPos(0, 0.0, marker, label, graph), QPoint(77, 64));
    EXPECT_EQ(ValueLabelPos(2, 6.0, marker, label, graph), QPoint(77, 64));
    const QRect hpf(200, 80, 24, 24);
    EXPECT_EQ(ValueLabelPos(104, -12, hpf, QSize(40, 13), graph), QPoint(212 - 20, 80 + 24 - 5));
    // At the graph's ends (20600 Hz, the bottom) the label is moved in, not cut.
    EXPECT_EQ(ValueLabelPos(0, 0.0, QRect(853, 140, 14, 14), label, graph),
              QPoint(860 - 60, 160 - 39));
    EXPECT_EQ(ValueLabelPos(0, 0.0, QRect(-7, 50, 14, 14), label, graph), QPoint(0, 64));
}

}  // namespace
}  // namespace kdsp
