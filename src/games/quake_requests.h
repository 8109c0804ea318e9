#pragma once

#include <array>
#include <cstdint>

namespace corvimap {

// Connectionless requests of the Quake server family: four 0xFF bytes, the command, a line feed
// and two zero bytes, all of which are sent.

// "status": QuakeWorld and Quake II.
inline constexpr std::array<uint8_t, 13> kQuakeStatusRequest = {
    0xFF, 0xFF, 0xFF, 0xFF, 's', 't', 'a', 't', 'u', 's', '\n', 0x00, 0x00};

// "getstatus": Quake III Arena server info with its player lines.
inline constexpr std::array<uint8_t, 16> kQuake3GetStatusRequest = {
    0xFF, 0xFF, 0xFF, 0xFF, 'g', 'e', 't', 's', 't', 'a', 't', 'u', 's', '\n', 0x00, 0x00};

// "getinfo": Quake III Arena summary with the client count.
inline constexpr std::array<uint8_t, 14> kQuake3GetInfoRequest = {
    0xFF, 0xFF, 0xFF, 0xFF, 'g', 'e', 't', 'i', 'n', 'f', 'o', '\n', 0x00, 0x00};

}  // namespace corvimap
