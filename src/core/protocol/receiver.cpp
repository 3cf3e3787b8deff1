// Receive side of the frame protocol: cutting the byte stream into frames and
// writing what the processor reports into the model.
#include "core/protocol/receiver.h"

#include <algorithm>
#include <cstdio>

#include "core/protocol/frames.h"

namespace kdsp {

namespace {

constexpr std::size_t HeaderSize = 4;  // FC BA L cmd
constexpr std::size_t MinFrameSize = 7;
constexpr int LastWordIndexOfSystemPage = 47;

bool IsStartByte(std::uint8_t b) { return b == FrameStart || b == AckStart; }
bool IsAckCode(std::uint8_t b) { return b == AckOk || b == AckAlt; }
bool IsCommand(std::uint8_t b) { return b == CmdWrite || b == CmdRead; }

void SetAcknowledged(LinkSignals& signals) {
    signals.DeviceFound = 1;
    signals.ClearToSend = 1;
    // A frame already taken in stays taken in: a read step waits for its data frame, and
    // an acknowledgement behind it (or two bytes inside a damaged one) must not undo it.
    if (signals.TransferState != TransferFrameReceived) signals.TransferState = TransferAcked;
}

// True when a complete good frame or acknowledgement starts somewhere in `bytes`.
bool HoldsGoodFrame(std::span<const std::uint8_t> bytes) {
    for (std::size_t at = 0; at < bytes.size(); ++at) {
        if (!IsStartByte(bytes[at])) continue;
        const FrameKind kind = CutNextFrame(bytes.subspan(at)).kind;
        if (kind == FrameKind::Data || kind == FrameKind::Ack) return true;
    }
    return false;
}

std::string DecimalDigits(std::span<const std::uint8_t> payload) {
    std::string text;
    for (std::uint8_t b : payload) text += std::to_string(b);
    return text;
}

std::string PanelDigits(std::span<const std::uint8_t> payload) {
    std::string text;
    for (std::uint8_t b : payload) text += b < 10 ? static_cast<char>('0' + b) : '0';
    return text;
}

void ApplySystemPage(int page, int index, std::span<const std::uint8_t> payload, Model& model,
                     int modeNameIndex) {
    switch (index) {
    case 0: {
        // A name reply longer than 21 bytes is the padded 20-character form; a 21-byte
        // one cannot be a stored name and is left alone.
        const std::size_t take = payload.size() <= 21 ? payload.size() : ModeNameMaxLength;
        if (take > static_cast<std::size_t>(ModeNameMaxLength)) return;
        // A name nobody asked for has no entry to go to.
        if (modeNameIndex < 1 || modeNameIndex > static_cast<int>(model.ModeNames.size())) return;
        std::string name;
        for (std::size_t i = 0; i < take; ++i) name += DecodeNameByte(payload[i]);
        model.ModeNames[static_cast<std::size_t>(modeNameIndex - 1)] = std::move(name);
        return;
    }
    case 4:
        model.SystemPassword = DecimalDigits(payload);
        return;
    case 5:
        model.PanelPassword = PanelDigits(payload);
        return;
    case 64: {
        // An identity reply without its four bytes is not an identity.
        if (payload.size() < 4) return;
        model.DeviceIdentity = HexBytes(payload.first(4));
        model.DeviceIdentity.erase(
            std::remove(model.DeviceIdentity.begin(), model.DeviceIdentity.end(), ' '),
            model.DeviceIdentity.end());
        return;
    }
    case 15:
    case 16:
    case 48:
        return;
    default:
        // One word only, even if more follow; a reply too short to carry it is ignored.
        if (page == PageSystem && index <= LastWordIndexOfSystemPage && payload.size() >= 2)
            model.DeviceImage[PageSystem][static_cast<std::size_t>(index)] =
                payload[0] + 256 * payload[1];
        return;
    }
}

}  // namespace

const char* FrameKindName(FrameKind kind) {
    switch (kind) {
    case FrameKind::Ack: return "ack";
    case FrameKind::Data: return "data";
    case FrameKind::BadChecksum: return "bad-checksum";
    case FrameKind::BadHeader: return "bad-header";
    case FrameKind::BadAck: return "bad-ack";
    case FrameKind::BadLength: return "bad-length";
    case FrameKind::Skipped: return "skipped";
    case FrameKind::Incomplete: return "incomplete";
    }
    return "?";
}

FrameCut CutNextFrame(std::span<const std::uint8_t> bytes) {
    if (bytes.empty()) return {FrameKind::Incomplete, 0, 0};
    if (!IsStartByte(bytes[0])) {
        const auto it = std::find_if(bytes.begin(), bytes.end(), IsStartByte);
        const auto run = static_cast<std::size_t>(it - bytes.begin());
        return {FrameKind::Skipped, run, run};
    }
    if (bytes[0] == AckStart) {
        if (bytes.size() < 2) return {FrameKind::Incomplete, bytes.size(), 0};
        return {IsAckCode(bytes[1]) ? FrameKind::Ack : FrameKind::BadAck, 2, 2};
    }
    if (bytes.size() < HeaderSize) return {FrameKind::Incomplete, bytes.size(), 0};
    if (bytes[1] != FrameKey || !IsCommand(bytes[3])) return {FrameKind::BadHeader, 4, 4};
    // Command, address and checksum alone take four bytes: a smaller length is noise.
    if (bytes[2] < 4) return {FrameKind::BadLength, 4, 4};
    const std::size_t total = bytes[2] + 3u;
    if (bytes.size() < total) return {FrameKind::Incomplete, bytes.size(), 0};
    if (FrameChecksumOk(bytes.first(total))) return {FrameKind::Data, total, total};
    // Its length byte may be the corrupted one, so look for the next start right
    // after this one rather than trusting the length.
    return {FrameKind::BadChecksum, total, 1};
}

std::vector<FramePiece> SplitFrames(std::span<const std::uint8_t> bytes) {
    std::vector<FramePiece> pieces;
    std::size_t pos = 0;
    while (pos < bytes.size()) {
        const FrameCut cut = CutNextFrame(bytes.subspan(pos));
        const auto piece = bytes.subspan(pos, cut.length);
        pieces.push_back({cut.kind, {piece.begin(), piece.end()}});
        if (cut.consumed == 0) break;
        pos += cut.consumed;
    }
    return pieces;
}

FrameKind ApplyFrame(std::span<const std::uint8_t> f, Model& model, LinkSignals& signals,
                     int modeNameIndex) {
    if (f.empty()) return FrameKind::Incomplete;
    if (f[0] == AckStart) {
        if (f.size() < 2) return FrameKind::Incomplete;
        if (f.size() != 2 || !IsAckCode(f[1])) return FrameKind::BadAck;
        SetAcknowledged(signals);
        return FrameKind::Ack;
    }
    if (f[0] != FrameStart) return FrameKind::Skipped;
    if (f.size() < HeaderSize) return FrameKind::Incomplete;
    if (f[1] != FrameKey || !IsCommand(f[3])) return FrameKind::BadHeader;
    const std::size_t length = f[2];
    if (length < 4) return FrameKind::BadLength;
    if (f.size() < length + 3) return FrameKind::Incomplete;
    if (f.size() != length + 3 || f.size() < MinFrameSize) return FrameKind::BadLength;

    // A transfer step advances on any complete frame, good or not.
    signals.TransferState = TransferFrameReceived;
    if (!FrameChecksumOk(f)) {
        signals.DamagedFrame = 1;
        return FrameKind::BadChecksum;
    }
    signals.DamagedFrame = 0;
    signals.FrameAddress = f[4] * 256 + f[5];

    const int page = f[4];
    const int index = f[5];
    const auto payload = f.subspan(6, length - 4);
    if (page < PageSystem) {
        // Words past the end of the page have nowhere to go.
        auto& row = model.DeviceImage[static_cast<std::size_t>(page)];
        const std::size_t words = payload.size() / 2;
        for (std::size_t k = 0; k < words; ++k) {
            const std::size_t slot = static_cast<std::size_t>(index) + k;
            if (slot >= row.size()) break;
            row[slot] = payload[2 * k] + 256 * payload[2 * k + 1];
        }
    } else {
        ApplySystemPage(page, index, payload, model, modeNameIndex);
    }
    return FrameKind::Data;
}

void RxAssembler::Note(std::string line) {
    // Nobody may ever take the lines: keep only the latest ones.
    if (diagnostics_.size() >= MaxDiagnostics) diagnostics_.erase(diagnostics_.begin());
    diagnostics_.push_back(std::move(line));
}

void RxAssembler::Feed(std::span<const std::uint8_t> bytes, Model& model, LinkSignals& signals,
                       const FeedContext& context) {
    // A frame cut off long ago is not completed by whatever comes now.
    GiveUpCutOff(model, signals, context);
    const bool waiting = !buffer_.empty();
    buffer_.insert(buffer_.end(), bytes.begin(), bytes.end());
    const std::size_t before = buffer_.size();
    CutWaiting(model, signals, context);
    // A partial frame is timed from the call its first bytes came with.
    if (!waiting || buffer_.size() != before) partialSince_ = context.nowMs;
}

bool RxAssembler::GiveUpCutOff(Model& model, LinkSignals& signals, const FeedContext& context) {
    if (buffer_.empty() || context.nowMs - partialSince_ < CutOffFrameLimitMs) return false;
    Note("cut-off frame given up: " + std::to_string(buffer_.size()) + " bytes");
    ++framesDropped_;
    buffer_.erase(buffer_.begin());
    damagedUntil_ = damagedUntil_ > 1 ? damagedUntil_ - 1 : 0;
    CutWaiting(model, signals, context);
    partialSince_ = context.nowMs;
    return true;
}

void RxAssembler::CutWaiting(Model& model, LinkSignals& signals, const FeedContext& context) {
    std::size_t pos = 0;
    while (pos < buffer_.size()) {
        const auto rest = std::span<const std::uint8_t>(buffer_).subspan(pos);
        FrameCut cut = CutNextFrame(rest);
        // A start byte inside a frame that failed its checksum may be a byte of its
        // payload: waiting for the bytes its length byte asks for, a good frame complete
        // behind it would wait too, perhaps for ever. It is dropped when a good frame or
        // acknowledgement lies wholly within the bytes it claims. The bytes it claims that
        // have come are judged, never the time they came in: a stream cuts the same way
        // however it arrives.
        if (pos < damagedUntil_ && IsStartByte(rest[0])) {
            const std::size_t claimed = cut.kind == FrameKind::Incomplete ? rest.size() : cut.length;
            if (claimed > 1 && HoldsGoodFrame(rest.subspan(1, claimed - 1))) cut = {FrameKind::BadLength, 1, 1};
        }
        if (cut.consumed == 0) break;
        switch (cut.kind) {
        case FrameKind::Data:
        case FrameKind::BadChecksum: {
            const std::string waiting = std::to_string(rest.size());
            Note("缓存长度K:C:L=" + waiting + " " + waiting + " " + std::to_string(cut.length - HeaderSize));
            const FrameKind applied =
                context.takeData ? ApplyFrame(rest.first(cut.length), model, signals, context.modeNameIndex)
                                 : cut.kind;
            if (!context.takeData && applied == FrameKind::Data) {
                // No transfer step asked for it: words nobody requested would stand in
                // the memory as if read, and go out with the next band edit.
                Note("unrequested frame dropped: page " + std::to_string(rest[4]) + " index " +
                     std::to_string(rest[5]));
                ++framesDropped_;
            } else if (applied == FrameKind::Data) {
                ++framesApplied_;
            } else {
                ++framesDropped_;
                damagedUntil_ = std::max(damagedUntil_, pos + cut.length);
            }
            break;
        }
        case FrameKind::Ack:
            ApplyFrame(rest.first(cut.length), model, signals, context.modeNameIndex);
            ++framesApplied_;
            break;
        case FrameKind::BadHeader:
        case FrameKind::BadAck:
        case FrameKind::BadLength:
            ++framesDropped_;
            break;
        case FrameKind::Skipped:
        case FrameKind::Incomplete:
            break;
        }
        pos += cut.consumed;
    }
    buffer_.erase(buffer_.begin(), buffer_.begin() + static_cast<std::ptrdiff_t>(pos));
    damagedUntil_ = damagedUntil_ > pos ? damagedUntil_ - pos : 0;
}

void RxAssembler::Reset() {
    buffer_.clear();
    damagedUntil_ = 0;
}

std::vector<std::string> RxAssembler::TakeDiagnostics() {
    std::vector<std::string> out;
    out.swap(diagnostics_);
    return out;
}

}  // namespace kdsp
