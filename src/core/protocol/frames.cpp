// Frame building: every frame the application puts on the serial line or TCP.
#include "core/protocol/frames.h"

#include <cstdio>

#include "core/model/eq_layout.h"

namespace kdsp {

std::uint8_t FrameChecksum(std::span<const std::uint8_t> f) {
    unsigned sum = f.empty() ? 0 : f[0];
    for (std::size_t i = 3; i < f.size(); ++i) sum += f[i];
    return static_cast<std::uint8_t>((sum & 0xFF) ^ (f.size() > 1 ? f[1] : FrameKey));
}

bool FrameChecksumOk(std::span<const std::uint8_t> frame) {
    if (frame.size() < 2) return false;
    return FrameChecksum(frame.first(frame.size() - 1)) == frame.back();
}

Bytes BuildFrame(std::uint8_t cmd, ParamId id, std::span<const std::uint8_t> payload) {
    Bytes f;
    f.reserve(payload.size() + 7);
    f.push_back(FrameStart);
    f.push_back(FrameKey);
    f.push_back(static_cast<std::uint8_t>(payload.size() + 4));
    f.push_back(cmd);
    f.push_back(static_cast<std::uint8_t>(id >> 8));
    f.push_back(static_cast<std::uint8_t>(id & 0xFF));
    f.insert(f.end(), payload.begin(), payload.end());
    f.push_back(FrameChecksum(f));
    return f;
}

Bytes BuildValueFrame(std::uint8_t cmd, ParamId id, std::uint16_t value) {
    const std::uint8_t lo = value & 0xFF, hi = value >> 8;
    if (PageOf(id) == PageDynEq) {
        const int i = IndexOf(id);
        const int g = i <= 12 ? 0 : (i - 1) / 12;
        const std::uint8_t payload[4] = {static_cast<std::uint8_t>(g), 0, lo, hi};
        return BuildFrame(cmd, MakeId(PageDynEq, i - 12 * g), payload);
    }
    const std::uint8_t payload[2] = {lo, hi};
    return BuildFrame(cmd, id, payload);
}

Bytes BuildLinkCommand(std::uint16_t code) { return BuildValueFrame(CmdWrite, IdLinkCommand, code); }

Bytes BuildPageReadRequest(int page) {
    return BuildValueFrame(CmdRead, IdPageRead, static_cast<std::uint16_t>(page));
}

Bytes BuildItemReadRequest(ParamId id) { return BuildFrame(CmdRead, id, {}); }

Bytes BuildModeNameRequest(int mode) {
    const std::uint8_t payload[2] = {static_cast<std::uint8_t>(mode), 0};
    return BuildFrame(CmdRead, IdModeName, payload);
}

ParamId BandFrameId(int page) {
    return page >= 0 && page < 10 ? BandFrameIds[page] : ParamId{0};
}

Bytes BuildBandFrame(const Model& model, ParamId frameId, int band) {
    const int page = PageOf(frameId);
    std::uint8_t payload[12] = {static_cast<std::uint8_t>(band & 0xFF),
                                static_cast<std::uint8_t>((band >> 8) & 0xFF)};
    for (int k = 0; k < 5; ++k) {
        int index = -1;
        if (page == PageDynEq)
            index = 2 + 12 * band + k;
        else if (page < 10)
            index = FirstEqIndex[page] + 5 * band + k;
        std::uint16_t v = 0;
        if (page < PageCount && index >= 0 && index < ParamImageSlots)
            v = static_cast<std::uint16_t>(model.ParamImage[page][index]);
        payload[2 + 2 * k] = v & 0xFF;
        payload[3 + 2 * k] = v >> 8;
    }
    return BuildFrame(CmdWrite, frameId, payload);
}

int PageBlockWords(int page) {
    if (page < 0 || page >= PageCount) return 0;
    return PageParamCount[page] + (page == PageMusic ? 52 : 0);
}

Bytes BuildPageBlock(const Model& model, int page) {
    const int w = PageBlockWords(page);
    Bytes payload;
    payload.reserve(2 * w + 2);
    payload.push_back(static_cast<std::uint8_t>(page));
    payload.push_back(0);
    for (int s = 0; s < w; ++s) {
        const auto v = static_cast<std::uint16_t>(model.DeviceImage[page][s]);
        payload.push_back(v & 0xFF);
        payload.push_back(v >> 8);
    }
    return BuildFrame(CmdWrite, IdPageBlock, payload);
}

std::uint8_t EncodeNameChar(char c) {
    return static_cast<std::uint8_t>(static_cast<unsigned char>(c) - 32);
}

char DecodeNameByte(std::uint8_t b) { return b < 96 ? static_cast<char>(b + 32) : '?'; }

Bytes BuildSaveMode(int mode, std::string_view name) {
    std::uint8_t payload[22] = {static_cast<std::uint8_t>(mode), 0};
    for (std::size_t i = 0; i < name.size() && i < ModeNameMaxLength; ++i)
        payload[2 + i] = EncodeNameChar(name[i]);
    return BuildFrame(CmdWrite, IdSaveMode, payload);
}

Bytes BuildPasswordFrame(ParamId id, std::string_view digits) {
    Bytes payload;
    for (char c : digits) payload.push_back(static_cast<std::uint8_t>(c - '0'));
    return BuildFrame(CmdWrite, id, payload);
}

std::string HexBytes(std::span<const std::uint8_t> bytes) {
    std::string out;
    out.reserve(bytes.size() * 3);
    char buf[4];
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        std::snprintf(buf, sizeof buf, i ? " %02X" : "%02X", bytes[i]);
        out += buf;
    }
    return out;
}

}  // namespace kdsp
