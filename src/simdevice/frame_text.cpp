// Frame descriptions: the command, the id with the role it plays, and the payload
// decoded as far as the id tells (words, names, digits, identity).
#include "simdevice/frame_text.h"

#include <algorithm>
#include <cstdio>

#include "core/model/eq_layout.h"
#include "core/protocol/frames.h"

namespace kdsp {

namespace {

std::string Hex4(int id) {
    char buf[8];
    std::snprintf(buf, sizeof buf, "0x%04X", id & 0xFFFF);
    return buf;
}

int Word(std::span<const std::uint8_t> p, std::size_t at) {
    return at + 1 < p.size() ? p[at] + 256 * p[at + 1] : 0;
}

std::string Role(int page, int index, std::span<const std::uint8_t> payload) {
    const ParamId id = MakeId(page, index);
    if (page < 10 && payload.size() == 12 && id == BandFrameIds[static_cast<std::size_t>(page)])
        return "band " + std::to_string(Word(payload, 0)) + " of page " + std::to_string(page);
    if (page != PageSystem) return {};
    switch (id) {
        case IdModeName: return "mode name";
        case IdSaveMode: return payload.size() > 2 ? "save as mode" : "save-mode word";
        case IdRecallMode: return "stored mode";
        case IdSystemPassword: return "system password";
        case IdPanelPassword: return "panel password";
        case IdPageBlock: return "page block";
        case IdPageRead: return "page read";
        case IdRemote: return payload.size() >= 2 ? "closing word / remote" : "remote";
        case IdLinkCommand: {
            const int v = Word(payload, 0);
            if (v == LinkConnect) return "link: connect";
            if (v == LinkKeepAlive) return "link: keep-alive";
            if (v == LinkDisconnect) return "link: disconnect";
            return "link command";
        }
        case IdDeviceIdentity: return "device identity";
        default: return {};
    }
}

}  // namespace

std::string DescribeFrame(std::span<const std::uint8_t> f) {
    if (f.size() == 2 && f[0] == AckStart) return "ack " + HexBytes(f);
    if (f.size() < 7 || f[0] != FrameStart) return "bytes " + HexBytes(f);
    const int cmd = f[3];
    const int page = f[4];
    const int index = f[5];
    const auto payload = f.subspan(6, f.size() - 7);
    std::string text = cmd == CmdRead ? "read " : cmd == CmdWrite ? "write " : "cmd? ";
    int shownIndex = index;
    auto words = payload;
    if (page == PageDynEq && payload.size() == 4) {
        shownIndex = index + 12 * payload[0];  // grouped form
        words = payload.subspan(2);
    }
    text += Hex4(MakeId(page, shownIndex));
    const std::string role = Role(page, index, payload);
    if (!role.empty()) text += " (" + role + ")";
    const ParamId id = MakeId(page, index);
    if (id == IdModeName && payload.size() != 2) {
        std::string name;
        for (auto b : payload) name.push_back(DecodeNameByte(b));
        text += " \"" + name + "\"";
    } else if (id == IdSaveMode && payload.size() > 2) {
        std::string name;
        for (std::size_t i = 2; i < payload.size(); ++i) name.push_back(DecodeNameByte(payload[i]));
        while (!name.empty() && name.back() == ' ') name.pop_back();
        text += ' ';
        text += std::to_string(payload[0]);
        text += " \"";
        text += name;
        text += '"';
    } else if (id == IdSystemPassword || id == IdPanelPassword || id == IdDeviceIdentity) {
        text += " [" + HexBytes(payload) + "]";
    } else if (words.size() == 2) {
        text += " = ";
        text += std::to_string(Word(words, 0));
    } else if (!words.empty()) {
        text += ' ';
        text += std::to_string(words.size() / 2);
        text += " words:";
        const std::size_t shown = std::min<std::size_t>(words.size() / 2, 8);
        for (std::size_t k = 0; k < shown; ++k) {
            text += ' ';
            text += std::to_string(Word(words, 2 * k));
        }
        if (shown < words.size() / 2) text += " ...";
    }
    if (f.size() <= 16) text += "  | " + HexBytes(f);
    return text;
}

}  // namespace kdsp
