// Fuzzes the receive assembler: arbitrary byte streams in arbitrary chunkings.
// Input: byte 0 the link's mode-name index (0..23, so out-of-range ones too),
// byte 1 the chunking seed, then the stream.
#include <cstdint>
#include <cstdlib>
#include <cstdio>
#include <span>

#include "core/protocol/receiver.h"
#include "fuzz_check.h"

namespace {

using kdsp::Model;

constexpr std::int32_t Untouched = -7;  // no 16-bit word the receiver could store

// Guards around the model catch writes that run out of the tables into the
// neighbouring members, which the address sanitizer cannot see inside one object.
struct Guarded {
    std::uint64_t before[8];
    Model model;
    std::uint64_t after[8];
};

void InitGuarded(Guarded& g) {
    for (auto& w : g.before) w = 0x5A5A5A5A5A5A5A5Aull;
    for (auto& w : g.after) w = 0xA5A5A5A5A5A5A5A5ull;
    g.model = Model{};  // the instances are reused from run to run
    for (auto& row : g.model.DeviceImage) row.fill(Untouched);
    for (auto& row : g.model.ParamImage) row.fill(Untouched);
}

bool IsUpperHex(char c) { return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F'); }

void CheckSignals(const kdsp::LinkSignals& s) {
    Check(s.DeviceFound == 0 || s.DeviceFound == 1, "DeviceFound is 0/1");
    Check(s.ClearToSend == 0 || s.ClearToSend == 1, "ClearToSend is 0/1");
    Check(s.TransferState >= 0 && s.TransferState <= 4, "TransferState is 0..4");
}

// Damage to the model persists, so checking it once at the end of a run is enough.
void CheckInvariants(const Guarded& g, const Guarded& start, const kdsp::LinkSignals& s,
                     int modeNameIndex) {
    for (auto w : g.before) Check(w == 0x5A5A5A5A5A5A5A5Aull, "guard before the model");
    for (auto w : g.after) Check(w == 0xA5A5A5A5A5A5A5A5ull, "guard after the model");
    const Model& m = g.model;
    Check(m.ParamImage == start.model.ParamImage, "the parameter image is never written");
    Check(m.MicBandMode == start.model.MicBandMode && m.MainVariant == start.model.MainVariant &&
              m.AuxVariant == start.model.AuxVariant &&
              m.EffectEqVariant == start.model.EffectEqVariant &&
              m.ModeFlag == start.model.ModeFlag,
          "selectors are never written");
    for (std::size_t p = 0; p < m.DeviceImage.size(); ++p) {
        for (std::size_t slot = 0; slot < m.DeviceImage[p].size(); ++slot) {
            const std::int32_t v = m.DeviceImage[p][slot];
            Check(v == Untouched || (v >= 0 && v <= 0xFFFF), "stored words are 16-bit");
            // The system page has words only below 48, and 15 and 16 are commands.
            if (p == kdsp::PageSystem && (slot >= 48 || slot == 0 || slot == 4 || slot == 5 ||
                                          slot == 15 || slot == 16))
                Check(v == Untouched, "system-page slot that no reply may write");
        }
    }
    for (std::size_t i = 0; i < m.ModeNames.size(); ++i) {
        Check(m.ModeNames[i].size() <= kdsp::ModeNameMaxLength, "mode names hold 20 characters");
        if (static_cast<int>(i) != modeNameIndex - 1)
            Check(m.ModeNames[i].empty(), "only the requested mode's name is written");
    }
    for (char c : m.PanelPassword) Check(c >= '0' && c <= '9', "panel password is digits");
    for (char c : m.SystemPassword) Check(c >= '0' && c <= '9', "system password is digits");
    Check(m.DeviceIdentity.empty() || m.DeviceIdentity.size() == 8, "identity is 8 digits");
    for (char c : m.DeviceIdentity) Check(IsUpperHex(c), "identity is upper-case hex");
    CheckSignals(s);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 2) return 0;
    const int modeNameIndex = data[0] % 24;
    std::uint32_t seed = data[1] * 2654435761u + 1;
    const std::span<const std::uint8_t> stream(data + 2, size - 2);

    static Guarded start;  // static: a Model is large for the stack
    static Guarded whole;
    static Guarded chunked;
    InitGuarded(start);
    InitGuarded(whole);
    InitGuarded(chunked);

    kdsp::LinkSignals wholeSignals;
    kdsp::RxAssembler wholeRx;
    wholeRx.Feed(stream, whole.model, wholeSignals, modeNameIndex);
    CheckInvariants(whole, start, wholeSignals, modeNameIndex);

    kdsp::LinkSignals chunkSignals;
    kdsp::RxAssembler chunkRx;
    std::size_t pos = 0;
    while (pos < stream.size()) {
        seed ^= seed << 13;
        seed ^= seed >> 17;
        seed ^= seed << 5;
        // Mostly small reads, now and then a large one, sometimes an empty one.
        std::size_t piece = (seed & 7) == 0 ? seed % 300 : seed % 12;
        if (piece > stream.size() - pos) piece = stream.size() - pos;
        chunkRx.Feed(stream.subspan(pos, piece), chunked.model, chunkSignals, modeNameIndex);
        CheckSignals(chunkSignals);
        pos += piece;
    }
    CheckInvariants(chunked, start, chunkSignals, modeNameIndex);

    // The cut of a stream never depends on how it arrived.
    Check(chunked.model.DeviceImage == whole.model.DeviceImage, "same image whatever the chunks");
    Check(chunked.model.ModeNames == whole.model.ModeNames, "same names whatever the chunks");
    Check(chunked.model.SystemPassword == whole.model.SystemPassword &&
              chunked.model.PanelPassword == whole.model.PanelPassword &&
              chunked.model.DeviceIdentity == whole.model.DeviceIdentity,
          "same texts whatever the chunks");
    Check(chunkSignals.DeviceFound == wholeSignals.DeviceFound &&
              chunkSignals.ClearToSend == wholeSignals.ClearToSend &&
              chunkSignals.TransferState == wholeSignals.TransferState,
          "same signals whatever the chunks");
    Check(chunkRx.PendingBytes() == wholeRx.PendingBytes(), "same partial frame left");
    Check(chunkRx.FramesApplied() == wholeRx.FramesApplied(), "same frames applied");
    Check(chunkRx.PendingBytes() < 258, "a partial frame is shorter than the longest frame");
    Check(wholeRx.TakeDiagnostics().size() <= 256, "diagnostics stay bounded");
    return 0;
}
