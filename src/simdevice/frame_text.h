// One-line readable descriptions of frames in either direction, for the simulator's log.
#pragma once

#include <cstdint>
#include <span>
#include <string>

namespace kdsp {

std::string DescribeFrame(std::span<const std::uint8_t> frame);

}  // namespace kdsp
