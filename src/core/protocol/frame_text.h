// Frames as text for people reading captures: hex input and one-line descriptions.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/protocol/receiver.h"

namespace kdsp {

// "FC BA 06", "fcba06", "FC,BA" or "0xFC 0xBA": pairs of hex digits; separators are
// spaces, tabs, newlines, commas, colons. Nothing on any other character or on an odd
// digit count inside a token.
std::optional<std::vector<std::uint8_t>> ParseHexBytes(std::string_view text);

// One line: kind, command, id and the payload read as the receiver would read it,
// e.g. "data A7 0x0306 words 1 2 checksum ok".
std::string DescribePiece(const FramePiece& piece);

// Acks and good data frames; everything else in a capture is a fault.
bool PieceIsGood(const FramePiece& piece);

}  // namespace kdsp
