// Fault-injection soak of the link against the simulated processor: every fault kind
// against reads, streams of edits, uploads, recalls and saves, seeded and on the manual
// clock. Afterwards the processor holds what the application believes it sent, or the
// link has told the user it failed; a silent loss fails the test.
// KDSP_SOAK_ROUNDS makes it longer, KDSP_SOAK_SEED repeats a run.
#include <array>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "core/model/eq_layout.h"
#include "link_sim_rig.h"

namespace kdsp::test {
namespace {

enum class Fault { DropAcks, DropReplies, Corrupt, Split, Merge, Delay, Silence, Mixed };
enum class Op { Read, Edits, Upload, Recall, Save, Mixed };

constexpr std::array<Fault, 8> AllFaults = {Fault::DropAcks, Fault::DropReplies, Fault::Corrupt,
                                            Fault::Split,    Fault::Merge,       Fault::Delay,
                                            Fault::Silence,  Fault::Mixed};
constexpr std::array<Op, 6> AllOps = {Op::Read, Op::Edits, Op::Upload, Op::Recall, Op::Save, Op::Mixed};

const char* Name(Fault f) {
    switch (f) {
    case Fault::DropAcks: return "drop-acks";
    case Fault::DropReplies: return "drop-replies";
    case Fault::Corrupt: return "corrupt";
    case Fault::Split: return "split";
    case Fault::Merge: return "merge";
    case Fault::Delay: return "delay";
    case Fault::Silence: return "silence";
    case Fault::Mixed: return "mixed";
    }
    return "?";
}

const char* Name(Op op) {
    switch (op) {
    case Op::Read: return "read";
    case Op::Edits: return "edits";
    case Op::Upload: return "upload";
    case Op::Recall: return "recall";
    case Op::Save: return "save";
    case Op::Mixed: return "mixed";
    }
    return "?";
}

enum class Outcome { Ok, Recovered, Reported, SilentLoss };

struct Tally {
    long operations = 0;
    long edits = 0;
    long faults = 0;
    long ok = 0;
    long recoveries = 0;
    long reported = 0;
    long silentLosses = 0;

    void Add(const Tally& t) {
        operations += t.operations;
        edits += t.edits;
        faults += t.faults;
        ok += t.ok;
        recoveries += t.recoveries;
        reported += t.reported;
        silentLosses += t.silentLosses;
    }
    void Count(Outcome o) {
        operations += 1;
        switch (o) {
        case Outcome::Ok: ok += 1; break;
        case Outcome::Recovered: recoveries += 1; break;
        case Outcome::Reported: reported += 1; break;
        case Outcome::SilentLoss: silentLosses += 1; break;
        }
    }
};

long EnvNumber(const char* name, long fallback) {
    const char* text = std::getenv(name);
    if (!text || !*text) return fallback;
    char* end = nullptr;
    const long v = std::strtol(text, &end, 0);
    return end && *end == '\0' && v > 0 ? v : fallback;
}

constexpr long DefaultSeed = 20261209;

// Simulated milliseconds an operation may take at most: an unanswered recall or save
// is declared lost after about 51 s, a late transfer step fails after 20 s.
constexpr long OperationBoundMs = 150000;

// The single-value parameters a stream of edits picks from: pages 0..9 without the
// EQ bands (those go through SendBandParam) and without the operating-mode words.
std::vector<ParamId> PlainParams() {
    std::vector<ParamId> ids;
    for (int p = 0; p < PageSystem; ++p) {
        for (int i = 0; i < PageParamCount[p]; ++i) {
            if (p == PageMusic && i < 2) continue;
            bool band = false;
            if (p == PageDynEq) {
                band = i >= 2 && i < 2 + 12 * PageBandCount[p] && (i - 2) % 12 < 5;
            } else {
                const int first = FirstEqIndex[p];
                const int bands = PageBandCount[p] + (p >= PageMain ? 1 : 0);
                band = i >= first && i < first + 5 * bands;
            }
            if (!band) ids.push_back(MakeId(p, i));
        }
    }
    return ids;
}

std::vector<ParamId> BandParams() {
    std::vector<ParamId> ids;
    for (int p = 0; p < PageSystem; ++p)
        for (int b = 0; b < PageBandCount[p]; ++b)
            for (int k = 0; k < 5; ++k)
                ids.push_back(MakeId(p, p == PageDynEq ? 2 + 12 * b + k : FirstEqIndex[p] + 5 * b + k));
    return ids;
}

// The system words a linking read brings back as plain words.
constexpr std::array<int, 16> ReadSystemWords = {0x07, 0x08, 0x09, 0x0A, 0x0B, 0x20, 0x21, 0x22,
                                                 0x06, 0x02, 0x03, 0x0C, 0x0D, 0x0E, 0x11, 0x01};

class SoakRound {
public:
    SoakRound(Fault fault, Op op, std::uint64_t seed, Tally& tally, bool log = false)
        : fault_(fault), op_(op), seed_(seed), rng_(seed), rig_(FaultOptions{}, /*refreshView=*/true),
          tally_(tally), log_(log) {
        // Half the rounds run their transfers at the fast pace.
        rig_.link.SetFastTransfers(Chance(0.5));
        if (log) {
            rig_.session.SetLogger([this](const std::string& line) {
                std::printf("%8ld  %s\n", rig_.timers.now, line.c_str());
            });
            rig_.link.EventObserver = [this](int e) {
                rig_.events.emplace_back(rig_.timers.now, e);
                std::printf("%8ld  event %d\n", rig_.timers.now, e);
            };
        }
    }

    void Run() {
        if (op_ == Op::Read) {
            Reconfigure();
            Read();
            return;
        }
        // Other operations start from a clean link, then the faults come on.
        rig_.link.LinkBtnClick(true);
        if (rig_.RunUntilAny({EventOnline, EventConnectFailed}, OperationBoundMs) != EventOnline) {
            ADD_FAILURE() << "a clean read did not go online, seed " << seed_;
            return;
        }
        Settle();
        Reconfigure();
        const int count = Uniform(2, 4);
        for (int k = 0; k < count && rig_.link.LinkState == LinkOnline; ++k) {
            Op op = op_;
            if (op == Op::Mixed) op = AllOps[static_cast<std::size_t>(Uniform(1, 4))];
            switch (op) {
            case Op::Edits: Edits(); break;
            case Op::Upload: Upload(); break;
            case Op::Recall: Recall(); break;
            case Op::Save: Save(); break;
            default: break;
            }
        }
    }

private:
    int Uniform(int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng_); }
    double Share(double lo, double hi) { return std::uniform_real_distribution<double>(lo, hi)(rng_); }
    bool Chance(double p) { return Share(0, 1) < p; }

    // Frames the application is expected to send during the next stretch, so that a
    // silence falls somewhere inside it.
    long FramesAhead() const {
        switch (op_) {
        case Op::Read: return 44;
        case Op::Upload: return 26;
        case Op::Recall: return 34;
        default: return 60;
        }
    }

    void Reconfigure() {
        FaultOptions o;
        o.seed = rng_();
        switch (fault_) {
        case Fault::DropAcks: o.dropAcks = Share(0.03, 0.3); break;
        case Fault::DropReplies: o.dropReplies = Share(0.02, 0.15); break;
        case Fault::Corrupt: o.corrupt = Share(0.02, 0.15); break;
        case Fault::Split: o.split = true; break;
        case Fault::Merge: o.merge = true; break;
        case Fault::Delay: o.delayMs = Uniform(1, 2500); break;
        case Fault::Silence: o.silentAfter = Uniform(0, static_cast<int>(FramesAhead())); break;
        case Fault::Mixed:
            o.dropAcks = Share(0, 0.08);
            o.dropReplies = Share(0, 0.04);
            o.corrupt = Share(0, 0.04);
            o.split = Chance(0.5);
            o.merge = Chance(0.5);
            o.delayMs = Chance(0.5) ? Uniform(0, 600) : 0;
            if (Chance(0.3)) o.silentAfter = Uniform(0, static_cast<int>(FramesAhead()));
            break;
        }
        rig_.faults.Reconfigure(o);
    }

    long FaultsSoFar() const { return rig_.faults.Counts().Total(); }

    bool FailureReportedSince(std::size_t from) const {
        for (std::size_t i = from; i < rig_.events.size(); ++i)
            if (rig_.events[i].second == EventLinkLost || rig_.events[i].second == EventConnectFailed) return true;
        return false;
    }

    // Lets every frame in flight arrive and the queues drain (or the link give up).
    void Settle() {
        for (long waited = 0; waited < OperationBoundMs; waited += 100) {
            const Link& l = rig_.link;
            const bool quiet = !rig_.timers.IsRunning(LinkTimer::Transfer) && l.Writes.Count() == 0 && l.Bands.Count() == 0 && l.RepeatLast == 0 &&
                               l.PendingEvent == 0 && l.Signals.ClearToSend == 1 &&
                               !rig_.session.NextDueMs() && rig_.transport.inbound.empty();
            const bool stopped = !rig_.timers.IsRunning(LinkTimer::Hold) &&
                                 !rig_.timers.IsRunning(LinkTimer::Transfer);
            if ((quiet && waited >= 200) || (stopped && !rig_.session.NextDueMs())) break;
            rig_.Run(100);
        }
    }

    // The first slot where the processor differs from the application's image, or "".
    std::string FirstMemoryDifference(const DeviceImageRows& expected, const DeviceImageRows& actual) const {
        for (int p = 0; p < PageSystem; ++p)
            for (int s = 0; s < PageBlockWords(p); ++s)
                if (expected[p][s] != actual[p][s])
                    return "page " + std::to_string(p) + " slot " + std::to_string(s) + ": application " +
                           std::to_string(expected[p][s]) + ", processor " + std::to_string(actual[p][s]);
        return {};
    }

    void Note(const std::string& what) {
        if (log_) std::printf("%8ld  -- %s\n", rig_.timers.now, what.c_str());
    }

    void Record(const char* what, bool reported, const std::string& difference, long faultsBefore) {
        Note(std::string(what) + " done" + (reported ? ", failure reported" : "") +
             (difference.empty() ? "" : ", differs: " + difference));
        const long injected = FaultsSoFar() - faultsBefore;
        tally_.faults += injected;
        Outcome o = Outcome::Ok;
        if (reported)
            o = Outcome::Reported;
        else if (!difference.empty())
            o = Outcome::SilentLoss;
        else if (injected > 0)
            o = Outcome::Recovered;
        tally_.Count(o);
        if (o == Outcome::SilentLoss)
            ADD_FAILURE() << "silent loss in " << what << ": " << difference << "\n  replay with KDSP_SOAK_REPLAY=\""
                          << Name(fault_) << " x " << Name(op_) << " " << seed_ << "\"";
    }

    // --- operations ----------------------------------------------------------------

    void Read() {
        DeviceImageRows& mem = rig_.device.Memory();
        for (int p = 0; p < PageSystem; ++p)
            for (int s = 0; s < PageBlockWords(p); ++s) mem[p][s] = Uniform(0, 400);
        mem[PageMusic][1] = Uniform(0, 1);
        for (int s : ReadSystemWords) mem[PageSystem][s] = Uniform(0, 9);
        for (int m = 0; m < StoredModeCount; ++m) rig_.device.SetModeName(m, RandomName());
        rig_.device.SetIdentity({static_cast<std::uint8_t>(Uniform(0, 255)), static_cast<std::uint8_t>(Uniform(0, 255)),
                                 static_cast<std::uint8_t>(Uniform(0, 255)), static_cast<std::uint8_t>(Uniform(0, 255))});
        rig_.device.SetSystemPassword(std::to_string(Uniform(1000, 999999)));
        rig_.device.SetPanelPassword(std::to_string(Uniform(1000, 9999)));

        const long before = FaultsSoFar();
        const std::size_t from = rig_.events.size();
        rig_.link.LinkBtnClick(true);
        const auto e = rig_.RunUntilAny({EventOnline, EventConnectFailed}, OperationBoundMs, from);
        bool reported = e == EventConnectFailed;
        std::string difference;
        if (!e) {
            difference = "the read neither finished nor failed";
        } else if (!reported) {
            Settle();
            const Model& m = rig_.model;
            difference = FirstMemoryDifference(m.DeviceImage, rig_.device.Memory());
            for (int s : ReadSystemWords)
                if (difference.empty() && m.DeviceImage[PageSystem][s] != mem[PageSystem][s])
                    difference = "system word " + std::to_string(s);
            for (int k = 0; k < StoredModeCount; ++k)
                if (difference.empty() && m.ModeNames[static_cast<std::size_t>(k)] != rig_.device.Mode(k).name)
                    difference = "name of mode " + std::to_string(k) + ": application \"" +
                                 m.ModeNames[static_cast<std::size_t>(k)] + "\", processor \"" +
                                 rig_.device.Mode(k).name + "\"";
            if (difference.empty() && (m.SystemPassword != rig_.device.SystemPassword() ||
                                       m.PanelPassword != rig_.device.PanelPassword()))
                difference = "passwords";
            if (difference.empty() && m.DeviceIdentity.size() != 8) difference = "identity";
        }
        Record("read", reported || FailureReportedSince(from), difference, before);
    }

    std::string RandomName() {
        static const char Letters[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789 -";
        std::string name(static_cast<std::size_t>(Uniform(1, 20)), 'A');
        for (char& c : name) c = Letters[Uniform(0, static_cast<int>(sizeof Letters) - 2)];
        while (!name.empty() && name.back() == ' ') name.pop_back();
        return name.empty() ? "X" : name;
    }

    // A burst of edits, some back to back (so they wait behind an outstanding
    // acknowledgement), some a few ticks apart; returns the number of edits made.
    int EditBurst(int count) {
        static const std::vector<ParamId> plain = PlainParams();
        static const std::vector<ParamId> bands = BandParams();
        ParamId dragged = 0;
        for (int k = 0; k < count; ++k) {
            ParamId id = 0;
            const bool band = !(dragged != 0 && Chance(0.6)) && !Chance(0.6);
            if (band) {
                dragged = 0;
                id = bands[static_cast<std::size_t>(Uniform(0, static_cast<int>(bands.size()) - 1))];
            } else {
                if (dragged == 0 || Chance(0.4))
                    dragged = plain[static_cast<std::size_t>(Uniform(0, static_cast<int>(plain.size()) - 1))];
                id = dragged;  // a new control, or the same slider dragged on
            }
            const int value = Uniform(0, 300);
            Note((band ? "band edit " : "edit ") + std::to_string(id) + " = " + std::to_string(value));
            if (band)
                rig_.link.SendBandParam(id, value);
            else
                rig_.link.SendParam(id, value);
            if (!Chance(0.4)) rig_.Run(Uniform(1, 60));
        }
        tally_.edits += count;
        return count;
    }

    void Edits() {
        Note("edits");
        const long before = FaultsSoFar();
        const std::size_t from = rig_.events.size();
        EditBurst(Uniform(5, 80));
        Settle();
        Record("edits", FailureReportedSince(from), FirstMemoryDifference(rig_.model.DeviceImage, rig_.device.Memory()),
               before);
    }

    void Upload() {
        Note("upload");
        const long before = FaultsSoFar();
        const std::size_t from = rig_.events.size();
        if (Chance(0.5)) EditBurst(Uniform(1, 8));
        // A preset file loaded into the image, then sent.
        Model& m = rig_.model;
        for (int p = 0; p < PageSystem; ++p)
            for (int s = 0; s < PageBlockWords(p); ++s) m.DeviceImage[p][s] = Uniform(0, 400);
        m.DeviceImage[PageMusic][1] = m.ModeFlag;
        for (int s = 6; s <= 11; ++s) m.DeviceImage[PageSystem][s] = Uniform(0, 9);
        m.DeviceImage[PageSystem][17] = Uniform(0, 1);
        LoadViewFromDevice(m, m.ModeFlag);
        const DeviceImageRows sent = m.DeviceImage;
        rig_.link.RaiseLinkEvent(EventUpload);
        const auto e = rig_.RunUntilAny({EventOnline, EventConnectFailed, EventLinkLost}, OperationBoundMs, from);
        std::string difference;
        if (e == EventOnline) {
            Settle();
            difference = FirstMemoryDifference(m.DeviceImage, rig_.device.Memory());
            const auto& sys = rig_.device.Memory()[PageSystem];
            for (int s = 6; s <= 11; ++s)
                if (difference.empty() && sys[s] != sent[PageSystem][s]) difference = "system word " + std::to_string(s);
            if (difference.empty() && sys[17] != m.ParamImage[PageSystem][17]) difference = "the closing word";
        } else if (!e) {
            difference = "the upload neither finished nor failed";
        }
        Record("upload", FailureReportedSince(from), difference, before);
    }

    void Recall() {
        Note("recall");
        const long before = FaultsSoFar();
        const std::size_t from = rig_.events.size();
        const int mode = Uniform(0, StoredModeCount - 1);
        auto& stored = rig_.device.Mode(mode).memory;
        for (int p = 0; p < PageSystem; ++p)
            for (int s = 0; s < PageBlockWords(p); ++s) stored[p][s] = Uniform(0, 400);
        stored[PageMusic][1] = Uniform(0, 1);  // sing or dance
        if (Chance(0.5)) EditBurst(Uniform(1, 6));
        // Now and then the user saves the settings as another mode just before the recall.
        const bool saveFirst = Chance(0.4);
        const int savedMode = (mode + Uniform(1, StoredModeCount - 1)) % StoredModeCount;
        const std::string name = RandomName();
        const DeviceImageRows saved = rig_.model.DeviceImage;
        if (saveFirst) rig_.link.SaveAsMode(savedMode, name);
        rig_.link.SendParam(IdRecallMode, mode);
        const auto e = rig_.RunUntilAny({EventReload, EventLinkLost}, OperationBoundMs, from);
        if (e == EventReload) rig_.RunUntilAny({EventOnline, EventConnectFailed, EventLinkLost}, OperationBoundMs, from);
        Settle();
        const bool reported = FailureReportedSince(from);
        std::string difference = FirstMemoryDifference(rig_.model.DeviceImage, rig_.device.Memory());
        if (saveFirst && difference.empty() && !reported) {
            bool savedEvent = false;
            for (std::size_t i = from; i < rig_.events.size(); ++i) savedEvent |= rig_.events[i].second == EventSaved;
            if (!savedEvent)
                difference = "the save before the recall neither happened nor was reported";
            else if (const auto d = FirstMemoryDifference(saved, rig_.device.Mode(savedMode).memory); !d.empty())
                difference = "stored mode " + std::to_string(savedMode) + ", " + d;
            else if (rig_.device.Mode(savedMode).name != name)
                difference = "name of stored mode " + std::to_string(savedMode);
        }
        Record("recall", reported, difference, before);
    }

    void Save() {
        Note("save");
        const long before = FaultsSoFar();
        const std::size_t from = rig_.events.size();
        if (Chance(0.5)) EditBurst(Uniform(1, 6));
        const int mode = Uniform(0, StoredModeCount - 1);
        const std::string name = RandomName();
        const DeviceImageRows saved = rig_.model.DeviceImage;
        rig_.link.SaveAsMode(mode, name);
        const auto e = rig_.RunUntilAny({EventSaved, EventLinkLost, EventConnectFailed}, OperationBoundMs, from);
        std::string difference;
        if (e == EventSaved) {
            Settle();
            difference = FirstMemoryDifference(saved, rig_.device.Mode(mode).memory);
            if (!difference.empty()) difference = "stored mode " + std::to_string(mode) + ", " + difference;
            if (difference.empty() && rig_.device.Mode(mode).name != name)
                difference = "name of stored mode " + std::to_string(mode);
            if (difference.empty())
                difference = FirstMemoryDifference(rig_.model.DeviceImage, rig_.device.Memory());
        } else if (!e) {
            difference = "the save neither finished nor failed";
        }
        Record("save", FailureReportedSince(from), difference, before);
    }

    Fault fault_;
    Op op_;
    std::uint64_t seed_;
    std::mt19937_64 rng_;
    SimRig rig_;
    Tally& tally_;
    bool log_;
};

void PrintRow(const std::string& label, const Tally& t) {
    std::printf("%-24s %6ld ops %7ld edits %7ld faults %6ld ok %6ld recovered %6ld reported %4ld silent\n",
                label.c_str(), t.operations, t.edits, t.faults, t.ok, t.recoveries, t.reported, t.silentLosses);
}

// KDSP_SOAK_REPLAY="fault op seed" (as a failure prints them) runs that one round
// again with the simulator's log on.
bool Replay() {
    const char* text = std::getenv("KDSP_SOAK_REPLAY");
    if (!text || !*text) return false;
    char fault[32] = {}, op[32] = {};
    unsigned long long seed = 0;
    if (std::sscanf(text, "%31s x %31s %llu", fault, op, &seed) != 3) {
        ADD_FAILURE() << "KDSP_SOAK_REPLAY wants \"fault x op seed\"";
        return true;
    }
    for (Fault f : AllFaults)
        for (Op o : AllOps)
            if (std::string(Name(f)) == fault && std::string(Name(o)) == op) {
                Tally t;
                SoakRound(f, o, seed, t, /*log=*/true).Run();
                PrintRow(std::string(fault) + " x " + op, t);
                return true;
            }
    ADD_FAILURE() << "no scenario " << fault << " x " << op;
    return true;
}

TEST(LinkSoak, EveryFaultKindAgainstEveryOperationLosesNothingSilently) {
    if (Replay()) return;
    const long rounds = EnvNumber("KDSP_SOAK_ROUNDS", 10);
    const auto base = static_cast<std::uint64_t>(EnvNumber("KDSP_SOAK_SEED", DefaultSeed));
    std::printf("link soak: seed %llu, %ld rounds per scenario (KDSP_SOAK_SEED, KDSP_SOAK_ROUNDS)\n",
                static_cast<unsigned long long>(base), rounds);
    Tally total;
    for (Fault f : AllFaults) {
        for (Op op : AllOps) {
            Tally scenario;
            for (long round = 0; round < rounds; ++round) {
                std::seed_seq seq{base, static_cast<std::uint64_t>(f), static_cast<std::uint64_t>(op),
                                  static_cast<std::uint64_t>(round)};
                std::uint64_t seed = 0;
                std::array<std::uint32_t, 2> words{};
                seq.generate(words.begin(), words.end());
                seed = (static_cast<std::uint64_t>(words[0]) << 32) | words[1];
                SoakRound(f, op, seed, scenario).Run();
            }
            PrintRow(std::string(Name(f)) + " x " + Name(op), scenario);
            total.Add(scenario);
        }
    }
    PrintRow("total", total);
    std::fflush(stdout);
    EXPECT_EQ(total.silentLosses, 0);
    EXPECT_GT(total.recoveries, 0) << "the faults were really injected and survived";
}

}  // namespace
}  // namespace kdsp::test
