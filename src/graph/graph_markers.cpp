// Marker visibility and placement and the value label rules of the EQ graph.
#include "graph/graph_markers.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace kdsp {
namespace {

int RoundPixel(double v) {
    if (!std::isfinite(v)) return v < 0 ? -100000 : 100000;
    if (v > 100000) v = 100000;
    if (v < -100000) v = -100000;
    return static_cast<int>(std::nearbyint(v));
}

}  // namespace

QString MarkerName(int marker) {
    if (marker == HpfMarker) return QStringLiteral("HPF");
    if (marker == LpfMarker) return QStringLiteral("LPF");
    return QStringLiteral("EP%1").arg(marker + 1);
}

QSize MarkerSize(int marker) { return marker >= HpfMarker ? QSize(24, 24) : QSize(14, 14); }

std::array<bool, MarkerCount> MarkerVisibility(int channelCode) {
    std::array<bool, MarkerCount> shown{};
    if (channelCode < 0) return shown;
    const int last = channelCode % 100;
    const int crossovers = channelCode / 100;
    for (int i = 0; i < MarkerCount && i <= last && i < HpfMarker; ++i) shown[i] = true;
    shown[HpfMarker] = crossovers > 0;
    shown[LpfMarker] = crossovers >= 2;
    return shown;
}

int MarkerOfSlot(int slot, int code) {
    if (code < 100) return (slot >= 0 && slot < HpfMarker) ? slot : -1;
    if (code < 200) return HpfMarker;
    if (code < 300) return LpfMarker;
    return -1;
}

QPoint MarkerTopLeft(const GraphGeometry& geometry, QSize markerSize, double frequency,
                     double gain) {
    const int h = markerSize.height() / 2;
    return QPoint(RoundPixel(FreqToX(frequency, geometry) - h),
                  RoundPixel(DbToY(gain, geometry) - h));
}

QString FormatFixed(double v, int decimals) {
    if (!std::isfinite(v)) v = 0;
    const double scale = decimals == 1 ? 10.0 : decimals == 2 ? 100.0 : 1.0;
    // The stored singles are a hair off their decimal values (1.4f is 1.39999998);
    // rounding the scaled value first keeps "1.40" and still sends halves away from zero.
    double scaled = std::round(v * scale);
    if (scaled == 0) scaled = 0;  // no "-0.0"
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.*f", decimals, scaled / scale);
    return QString::fromLatin1(buf);
}

QString ValueLabelText(int code, double gain, double q, double frequency) {
    if (code < 100) {
        return FormatFixed(gain, 1) + QStringLiteral("dB\rQ:") + FormatFixed(q, 2) +
               QStringLiteral("\r") + FormatFixed(frequency, 2) + QStringLiteral("Hz");
    }
    if (code == 100 || code == 200) return QStringLiteral("OFF");
    return FormatFixed(frequency, 2) + QStringLiteral("Hz");
}

QPoint ValueLabelPos(int code, double gain, const QRect& marker, QSize label, QSize area) {
    const int left = marker.left() + marker.width() / 2 - label.width() / 2;
    QPoint at(left, marker.top() - label.height() - 1);
    if (code >= 100)
        at.setY(marker.top() + marker.height() - 5);
    else if (gain >= 0)
        at.setY(marker.top() + marker.height());
    at.setX(std::clamp(at.x(), 0, std::max(0, area.width() - label.width())));
    at.setY(std::clamp(at.y(), 0, std::max(0, area.height() - label.height())));
    return at;
}

QPoint FreeSpot(QSize area, QSize size, const std::vector<QRect>& taken) {
    const QPoint centre((area.width() - size.width()) / 2, (area.height() - size.height()) / 2);
    const auto free = [&](QPoint p) {
        const QRect box(p, size);
        for (const QRect& t : taken)
            if (box.intersects(t))
                return false;
        return true;
    };
    if (free(centre))
        return centre;
    constexpr int Step = 4;
    QPoint best = centre;
    long bestDistance = -1;
    for (int y = 0; y + size.height() <= area.height(); y += Step)
        for (int x = 0; x + size.width() <= area.width(); x += Step) {
            const QPoint p(x, y);
            if (!free(p))
                continue;
            const QPoint d = p - centre;
            const long distance =
                static_cast<long>(d.x()) * d.x() + static_cast<long>(d.y()) * d.y();
            if (bestDistance < 0 || distance < bestDistance) {
                best = p;
                bestDistance = distance;
            }
        }
    return best;
}

}  // namespace kdsp
