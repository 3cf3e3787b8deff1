// Hex parsing and readable descriptions of received pieces, shared by the CLI
// decoder and the simulator's frame log.
#include "core/protocol/frame_text.h"

#include <cstdio>

#include "core/protocol/frames.h"

namespace kdsp {

namespace {

int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

bool IsSeparator(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == ',' || c == ':';
}

std::string Hex2(unsigned v) {
    char buf[8];
    std::snprintf(buf, sizeof buf, "%02X", v & 0xFFu);
    return buf;
}

std::string QuotedName(std::span<const std::uint8_t> payload) {
    std::string out = "\"";
    for (std::uint8_t b : payload) {
        const char c = DecodeNameByte(b);
        if (c == '"' || c == '\\') {
            out += '\\';
            out += c;
        } else if (c >= 0x20 && c < 0x7F) {
            out += c;
        } else {
            out += "\\x" + Hex2(static_cast<unsigned char>(c));
        }
    }
    return out + "\"";
}

std::string DescribePayload(int page, int index, std::span<const std::uint8_t> payload) {
    if (payload.empty()) return "no payload";
    if (page >= PageSystem && index == 0 && payload.size() > 2) return "name " + QuotedName(payload);
    if (page >= PageSystem && index == 1 && payload.size() >= 2)
        return "mode " + std::to_string(payload[0]) + " name " + QuotedName(payload.subspan(2));
    if (page >= PageSystem && (index == 4 || index == 5)) {
        std::string out = "digits";
        for (std::uint8_t b : payload) out += " " + std::to_string(b);
        return out;
    }
    if (page >= PageSystem && index == 64 && payload.size() >= 4) {
        std::string out = "identity ";
        for (std::size_t i = 0; i < 4; ++i) out += Hex2(payload[i]);
        return out;
    }
    std::string out = "words";
    const std::size_t words = payload.size() / 2;
    for (std::size_t k = 0; k < words; ++k)
        out += " " + std::to_string(payload[2 * k] + 256 * payload[2 * k + 1]);
    if (payload.size() % 2) out += " extra " + Hex2(payload.back());
    return out;
}

}  // namespace

std::optional<std::vector<std::uint8_t>> ParseHexBytes(std::string_view text) {
    std::vector<std::uint8_t> out;
    std::size_t i = 0;
    while (i < text.size()) {
        if (IsSeparator(text[i])) {
            ++i;
            continue;
        }
        std::size_t end = i;
        while (end < text.size() && !IsSeparator(text[end])) ++end;
        std::string_view token = text.substr(i, end - i);
        if (token.size() > 2 && token[0] == '0' && (token[1] == 'x' || token[1] == 'X'))
            token.remove_prefix(2);
        if (token.size() % 2) return std::nullopt;
        for (std::size_t k = 0; k < token.size(); k += 2) {
            const int hi = HexDigit(token[k]);
            const int lo = HexDigit(token[k + 1]);
            if (hi < 0 || lo < 0) return std::nullopt;
            out.push_back(static_cast<std::uint8_t>(hi * 16 + lo));
        }
        i = end;
    }
    return out;
}

bool PieceIsGood(const FramePiece& piece) {
    return piece.kind == FrameKind::Ack || piece.kind == FrameKind::Data;
}

std::string DescribePiece(const FramePiece& piece) {
    const auto& b = piece.bytes;
    std::string line = FrameKindName(piece.kind);
    const bool wholeFrame = b.size() >= 7;  // header, payload and checksum present
    switch (piece.kind) {
    case FrameKind::Ack:
        if (b.size() != 2) break;
        return line + " " + Hex2(b[0]) + " " + Hex2(b[1]);
    case FrameKind::Data:
    case FrameKind::BadChecksum: {
        if (!wholeFrame) break;
        const int page = b[4];
        const int index = b[5];
        char id[16];
        std::snprintf(id, sizeof id, "0x%04X", page * 256 + index);
        line += " " + Hex2(b[3]) + " " + id + " " +
                DescribePayload(page, index, std::span(b).subspan(6, b.size() - 7));
        if (piece.kind == FrameKind::Data) return line + " checksum ok";
        const std::uint8_t want = FrameChecksum(std::span(b).first(b.size() - 1));
        return line + " checksum bad (got " + Hex2(b.back()) + ", want " + Hex2(want) + ")";
    }
    default:
        break;
    }
    return line + " " + HexBytes(b);
}

}  // namespace kdsp
