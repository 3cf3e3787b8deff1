// What /metrics tells in the Prometheus text format: rooms and rooms online,
// reconnections, writes and how long the processor took to acknowledge them, HTTP
// requests by status, WebSocket clients connected.
#pragma once

#include <QByteArray>

#include <array>
#include <map>

namespace kdsp::venue {

class Venue;

class Metrics {
  public:
    explicit Metrics(Venue& venue);

    void Request(int status) { ++requests_[status]; }
    void SetClients(int n) { clients_ = n; }
    QByteArray Text() const;

  private:
    static constexpr std::array<double, 10> Buckets = {0.005, 0.01, 0.025, 0.05, 0.1, 0.25, 0.5, 1, 2.5, 5};

    Venue& venue_;
    long long reconnects_ = 0;
    long long writesOk_ = 0, writesFailed_ = 0;
    std::array<long long, Buckets.size()> bucketCounts_{};
    double latencySum_ = 0;
    std::map<int, long long> requests_;
    int clients_ = 0;
};

}  // namespace kdsp::venue
