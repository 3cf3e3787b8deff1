// The metrics, counted from the venue's signals.
#include "venue/metrics.h"

#include "venue/venue.h"

namespace kdsp::venue {

Metrics::Metrics(Venue& venue) : venue_(venue) {
    QObject::connect(&venue, &Venue::Reconnected, [this] { ++reconnects_; });
    QObject::connect(&venue, &Venue::WriteAnswered, [this](const QString&, bool ok, qint64 ms) {
        if (!ok) {
            ++writesFailed_;
            return;
        }
        ++writesOk_;
        const double s = static_cast<double>(ms) / 1000.0;
        latencySum_ += s;
        for (std::size_t i = 0; i < Buckets.size(); ++i)
            if (s <= Buckets[i])
                ++bucketCounts_[i];
    });
}

QByteArray Metrics::Text() const {
    QByteArray t;
    const auto metric = [&t](const char* name, const char* type, const char* help) {
        t += QByteArray("# HELP ") + name + " " + help + "\n# TYPE " + name + " " + type + "\n";
    };
    metric("kdsp_rooms", "gauge", "Rooms of the venue.");
    t += "kdsp_rooms " + QByteArray::number(venue_.RoomNames().size()) + "\n";
    metric("kdsp_rooms_online", "gauge", "Rooms whose processor is online.");
    t += "kdsp_rooms_online " + QByteArray::number(venue_.OnlineCount()) + "\n";
    metric("kdsp_reconnects_total", "counter", "Processors back after being lost.");
    t += "kdsp_reconnects_total " + QByteArray::number(reconnects_) + "\n";
    metric("kdsp_writes_total", "counter", "Write requests answered, by result.");
    t += "kdsp_writes_total{result=\"ok\"} " + QByteArray::number(writesOk_) + "\n";
    t += "kdsp_writes_total{result=\"failed\"} " + QByteArray::number(writesFailed_) + "\n";
    metric("kdsp_write_ack_seconds", "histogram", "Time from a write request to the processor's acknowledgement.");
    for (std::size_t i = 0; i < Buckets.size(); ++i)
        t += "kdsp_write_ack_seconds_bucket{le=\"" + QByteArray::number(Buckets[i]) + "\"} " +
             QByteArray::number(bucketCounts_[i]) + "\n";
    t += "kdsp_write_ack_seconds_bucket{le=\"+Inf\"} " + QByteArray::number(writesOk_) + "\n";
    t += "kdsp_write_ack_seconds_sum " + QByteArray::number(latencySum_) + "\n";
    t += "kdsp_write_ack_seconds_count " + QByteArray::number(writesOk_) + "\n";
    metric("kdsp_http_requests_total", "counter", "HTTP requests answered, by status.");
    for (const auto& [status, n] : requests_)
        t += "kdsp_http_requests_total{status=\"" + QByteArray::number(status) + "\"} " + QByteArray::number(n) + "\n";
    metric("kdsp_websocket_clients", "gauge", "WebSocket clients connected.");
    t += "kdsp_websocket_clients " + QByteArray::number(clients_) + "\n";
    return t;
}

}  // namespace kdsp::venue
