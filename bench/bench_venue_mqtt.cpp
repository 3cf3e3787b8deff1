// kdspd on a broker at a chain's scale on one machine: VENUES kdspd services of ROOMS
// simulated processors each (10 x 40 unless KDSP_BENCH_VENUES / KDSP_BENCH_ROOMS say
// fewer) on one Mosquitto. An echo level published on the broker, one at a time at
// random rooms: the time from the publish to the frame at the simulator, and from the
// simulator's acknowledgement to the retained value on the broker (p50, p99); and the
// broker's messages per change and per minute at rest.
#include <benchmark/benchmark.h>
#include <mosquitto.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <mutex>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "child_process.h"
#include "core/model/model.h"
#include "core/protocol/frames.h"

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

int Env(const char* name, int fallback) {
    const char* v = std::getenv(name);
    return v ? std::max(1, std::atoi(v)) : fallback;
}

double Ms(Clock::duration d) { return std::chrono::duration<double, std::milli>(d).count(); }

std::string Hex(const kdsp::Bytes& b) {
    std::string s;
    char h[4];
    for (auto c : b) {
        std::snprintf(h, sizeof h, s.empty() ? "%02X" : " %02X", c);
        s += h;
    }
    return s;
}

// Every line of the simulator's log, stamped when it arrives.
struct SimLog {
    std::mutex m;
    std::vector<std::pair<Clock::time_point, std::string>> lines;
};

// What the broker delivers to the bench, stamped.
struct Inbox {
    std::mutex m;
    std::condition_variable cv;
    std::map<std::string, std::pair<Clock::time_point, std::string>> last;  // topic -> (time, payload)
    long count = 0;
    int online = 0;
};

void OnMessage(mosquitto*, void* obj, const mosquitto_message* msg) {
    auto* in = static_cast<Inbox*>(obj);
    const std::string topic = msg->topic, payload(static_cast<const char*>(msg->payload),
                                                   static_cast<std::size_t>(std::max(0, msg->payloadlen)));
    std::lock_guard lock(in->m);
    ++in->count;
    if (topic.size() > 6 && topic.ends_with("/state")) {
        const bool was = in->last.count(topic) && in->last[topic].second.find("\"online\":true") != std::string::npos;
        const bool is = payload.find("\"online\":true") != std::string::npos;
        in->online += int(is) - int(was);
    }
    in->last[topic] = {Clock::now(), payload};
    in->cv.notify_all();
}

void Chain(benchmark::State& state) {
    const int venues = Env("KDSP_BENCH_VENUES", 10), rooms = Env("KDSP_BENCH_ROOMS", 40);
    const int devices = venues * rooms;
    const fs::path dir = fs::temp_directory_path() / ("kdsp-bench-mqtt-" + std::to_string(::getpid()));
    fs::create_directories(dir);
    const std::string brokerPort = "18" + std::to_string(100 + ::getpid() % 800);
    std::ofstream(dir / "broker.conf") << "listener " << brokerPort << " 127.0.0.1\nallow_anonymous true\n"
                                       << "persistence false\nlog_type error\n";
    ChildProcess broker({"/usr/sbin/mosquitto", "-c", (dir / "broker.conf").string()}, true);
    // The simulator's log is its stderr, in a file that a thread follows.
    const fs::path logFile = dir / "sim.log";
    ChildProcess sim({"/bin/sh", "-c",
                      "exec " KDSP_SIM_PATH " --listen 127.0.0.1:0 --log --devices " + std::to_string(devices) + " 2>" +
                          logFile.string()});
    std::vector<std::string> ports;
    for (const std::string& l : sim.ReadLines(devices, 20000))
        if (l.rfind("listen ", 0) == 0) ports.push_back(l.substr(l.rfind(' ') + 1));
    if (int(ports.size()) < devices) {
        state.SkipWithError("kdsp-sim did not serve the chain");
        return;
    }
    SimLog simLog;
    bool stop = false;
    std::thread reader([&] {
        std::ifstream in(logFile, std::ios::binary);
        std::string partial;
        char buf[65536];
        while (!stop) {
            in.clear();
            in.read(buf, sizeof buf);
            const auto n = in.gcount();
            if (n <= 0) {
                std::this_thread::sleep_for(std::chrono::microseconds(300));
                continue;
            }
            const auto at = Clock::now();
            partial.append(buf, std::size_t(n));
            std::lock_guard lock(simLog.m);
            for (std::size_t nl; (nl = partial.find('\n')) != std::string::npos; partial.erase(0, nl + 1))
                simLog.lines.emplace_back(at, partial.substr(0, nl));
        }
    });

    Inbox inbox;
    mosquitto_lib_init();
    mosquitto* client = mosquitto_new("bench", true, &inbox);
    mosquitto_message_callback_set(client, OnMessage);
    for (int i = 0; i < 100 && mosquitto_connect(client, "127.0.0.1", std::stoi(brokerPort), 60) != MOSQ_ERR_SUCCESS; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    mosquitto_subscribe(client, nullptr, "#", 1);
    mosquitto_loop_start(client);

    std::vector<std::unique_ptr<ChildProcess>> services;
    for (int v = 0; v < venues; ++v) {
        const fs::path file = dir / ("venue" + std::to_string(v + 1) + ".conf");
        std::ofstream f(file);
        for (int r = 0; r < rooms; ++r) f << "room" << r + 1 << " tcp:127.0.0.1:" << ports[std::size_t(v * rooms + r)] << "\n";
        f << "mqtt = mqtt://127.0.0.1:" << brokerPort << "\n";
        f.close();
        services.push_back(std::make_unique<ChildProcess>(
            std::vector<std::string>{KDSPD_PATH, file.string(), "--listen", "127.0.0.1:0"}, true));
    }
    const auto startAt = Clock::now();
    {
        std::unique_lock lock(inbox.m);
        inbox.cv.wait_for(lock, std::chrono::minutes(5), [&] { return inbox.online >= devices; });
    }
    const double readyS = Ms(Clock::now() - startAt) / 1000;

    // At rest: what the broker carries in ten seconds with every room online.
    long before = inbox.count;
    std::this_thread::sleep_for(std::chrono::seconds(10));
    const double restPerMinute = double(inbox.count - before) * 6;

    std::mt19937 rng(7);
    std::vector<double> toFrame, toRetained;
    const int samples = 200;
    before = inbox.count;
    for (auto _ : state) {
        for (int i = 0; i < samples; ++i) {
            const int v = int(rng() % unsigned(venues)), r = int(rng() % unsigned(rooms));
            const std::string base = "kdsp/venue" + std::to_string(v + 1) + "/room" + std::to_string(r + 1);
            const std::string topic = base + "/param/echo.effect.level";
            const int value = 1 + (i % 60);
            const std::string want = "\"stored\":" + std::to_string(value) + "}";
            {
                std::lock_guard lock(inbox.m);
                if (inbox.last[topic].second.find(want) != std::string::npos) continue;  // already there
            }
            const std::string frame = Hex(kdsp::BuildValueFrame(kdsp::CmdWrite, kdsp::MakeId(kdsp::PageEcho, 1),
                                                                 std::uint16_t(value)));
            const std::string who = " " + std::to_string(v * rooms + r + 1) + "/tcp#";
            const std::string text = std::to_string(value);
            const auto t0 = Clock::now();
            mosquitto_publish(client, nullptr, (topic + "/set").c_str(), int(text.size()), text.data(), 1, false);
            Clock::time_point t3;
            {
                std::unique_lock lock(inbox.m);
                if (!inbox.cv.wait_for(lock, std::chrono::seconds(5), [&] {
                        return inbox.last[topic].second.find(want) != std::string::npos;
                    }))
                    continue;
                t3 = inbox.last[topic].first;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(20));  // the log lines' reader catches up
            std::lock_guard lock(simLog.m);
            Clock::time_point t1{}, t2{};
            for (const auto& [at, line] : simLog.lines) {
                if (at < t0 || line.find(who) == std::string::npos) continue;
                if (t1 == Clock::time_point{} && line.find(" rx ") != std::string::npos && line.find(frame) != std::string::npos)
                    t1 = at;
                else if (t1 != Clock::time_point{} && line.find(" tx ack") != std::string::npos) {
                    t2 = at;
                    break;
                }
            }
            if (t1 != Clock::time_point{}) toFrame.push_back(Ms(t1 - t0));
            if (t2 != Clock::time_point{}) toRetained.push_back(Ms(t3 - t2));
            simLog.lines.clear();
        }
    }
    const double perChange = toRetained.empty() ? 0 : double(inbox.count - before) / double(toRetained.size());
    auto pct = [](std::vector<double> v, double p) {
        if (v.empty()) return 0.0;
        std::sort(v.begin(), v.end());
        return v[std::min(v.size() - 1, std::size_t(p * double(v.size())))];
    };
    state.counters["rooms"] = devices;
    state.counters["ready_s"] = readyS;
    state.counters["samples"] = double(toRetained.size());
    state.counters["pub_to_frame_p50_ms"] = pct(toFrame, 0.5);
    state.counters["pub_to_frame_p99_ms"] = pct(toFrame, 0.99);
    state.counters["ack_to_retained_p50_ms"] = pct(toRetained, 0.5);
    state.counters["ack_to_retained_p99_ms"] = pct(toRetained, 0.99);
    state.counters["msgs_per_change"] = perChange;
    state.counters["msgs_per_min_at_rest"] = restPerMinute;

    mosquitto_loop_stop(client, true);
    mosquitto_destroy(client);
    services.clear();
    stop = true;
    reader.join();
    fs::remove_all(dir);
}
BENCHMARK(Chain)->Iterations(1)->Unit(benchmark::kSecond);

}  // namespace

BENCHMARK_MAIN();
