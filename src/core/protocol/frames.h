// Byte layout of everything the application sends to the processor: data
// frames with their checksum, the grouped page-2 form, bands, blocks and texts.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "core/model/model.h"

namespace kdsp {

using Bytes = std::vector<std::uint8_t>;

inline constexpr std::uint8_t FrameStart = 0xFC;
inline constexpr std::uint8_t FrameKey = 0xBA;
inline constexpr std::uint8_t AckStart = 0xFE;
inline constexpr std::uint8_t AckOk = 0xBB;
inline constexpr std::uint8_t AckAlt = 0xAA;
inline constexpr std::uint8_t CmdWrite = 0xA7;
inline constexpr std::uint8_t CmdRead = 0xA0;

inline constexpr ParamId IdModeName = 0x0A00;
inline constexpr ParamId IdSaveMode = 0x0A01;
inline constexpr ParamId IdRecallMode = 0x0A02;
inline constexpr ParamId IdSystemPassword = 0x0A04;
inline constexpr ParamId IdPanelPassword = 0x0A05;
inline constexpr ParamId IdPageBlock = 0x0A0F;
inline constexpr ParamId IdPageRead = 0x0A10;
inline constexpr ParamId IdRemote = 0x0A11;  // also the upload's closing word
inline constexpr ParamId IdLinkCommand = 0x0A30;
inline constexpr ParamId IdDeviceIdentity = 0x0A40;

inline constexpr std::uint16_t LinkConnect = 0x11;
inline constexpr std::uint16_t LinkKeepAlive = 102;
inline constexpr std::uint16_t LinkDisconnect = 0xAA;

// Checksum of a data frame whose checksum byte is the last of `frame`
// (bytes 1 and 2 are not summed; byte 1 is the XOR key).
std::uint8_t FrameChecksum(std::span<const std::uint8_t> frameWithoutChecksum);
bool FrameChecksumOk(std::span<const std::uint8_t> frame);

// FC BA n+4 cmd page index payload checksum.
Bytes BuildFrame(std::uint8_t cmd, ParamId id, std::span<const std::uint8_t> payload);
// Single value: the 11-byte grouped form on page 2, else the 9-byte form.
Bytes BuildValueFrame(std::uint8_t cmd, ParamId id, std::uint16_t value);
Bytes BuildLinkCommand(std::uint16_t code);
Bytes BuildPageReadRequest(int page);
Bytes BuildItemReadRequest(ParamId id);
Bytes BuildModeNameRequest(int mode);
// Band b of the page whose band frame id is `frameId`, values from ParamImage now.
Bytes BuildBandFrame(const Model& model, ParamId frameId, int band);
// Words per page block: PageParamCount, plus 52 on page 0.
int PageBlockWords(int page);
Bytes BuildPageBlock(const Model& model, int page);
Bytes BuildSaveMode(int mode, std::string_view name);
Bytes BuildPasswordFrame(ParamId id, std::string_view digits);

ParamId BandFrameId(int page);  // pages 0..9

// Text encodings inside payloads.
std::uint8_t EncodeNameChar(char c);  // code - 32, modulo 256
char DecodeNameByte(std::uint8_t b);  // b + 32 below 96, otherwise '?'
std::string HexBytes(std::span<const std::uint8_t> bytes);  // "FC BA 06 ..."

}  // namespace kdsp
