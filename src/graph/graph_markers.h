// Where the draggable EQ points and the value label go: marker visibility from a
// page's channel code, marker positions, and the value label's text and place.
#pragma once

#include <QPoint>
#include <QRect>
#include <QSize>
#include <QString>

#include <array>
#include <vector>

#include "core/eq/graph_mapping.h"

namespace kdsp {

inline constexpr int MarkerCount = 17;  // EP1..EP15, HPF, LPF
inline constexpr int HpfMarker = 15;
inline constexpr int LpfMarker = 16;

// objectName of marker 0..16.
QString MarkerName(int marker);
// 14x14 for the band points, 24x24 for the two crossover points.
QSize MarkerSize(int marker);

// Which markers a page shows after loading its bands: code = c + 100*b with
// c the last ordinary band's slot and b the number of crossovers.
std::array<bool, MarkerCount> MarkerVisibility(int channelCode);

// The marker that stands for a slot of the given curve code: the slot's own
// point for an ordinary band, HPF for 100..199, LPF for 200..299, else -1.
int MarkerOfSlot(int slot, int code);

// Top-left of a marker centred on (frequency, gain).
QPoint MarkerTopLeft(const GraphGeometry& geometry, QSize markerSize, double frequency, double gain);

// "#0.0dB\rQ:#0.00\r#0.00Hz" for an ordinary band; "OFF" for a crossover that
// is off (code exactly 100 or 200), else "#0.00Hz". Lines are separated by '\r'.
QString ValueLabelText(int code, double gain, double q, double frequency);

// Top-left of the value label beside `marker` (its geometry) for a slot of `code`:
// a band's label hangs below its point for gain >= 0 and above it otherwise;
// a crossover's label overlaps the bottom of its point by 5 pixels. Near an edge of
// `area` (the graph) the label is moved in so that it is read whole.
QPoint ValueLabelPos(int code, double gain, const QRect& marker, QSize label, QSize area);

// Top-left of a box of `size` inside `area` that covers none of `taken`: the centre
// when it is free, else the free spot nearest to it; the centre when none is.
QPoint FreeSpot(QSize area, QSize size, const std::vector<QRect>& taken);

// Fixed-point text with halves rounded away from zero ("#0.0", "#0.00").
QString FormatFixed(double v, int decimals);

}  // namespace kdsp
