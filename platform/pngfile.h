#pragma once
// PNG output of read-back frames (RGBA, top row first).

#include <cstdint>
#include <string>
#include <vector>

namespace quv {

bool WritePng(const std::string& path, int32_t width, int32_t height,
              const std::vector<uint8_t>& rgba, std::string& error);

// Reads an 8-bit RGBA (or RGB, expanded) PNG; for tests and tools.
bool ReadPng(const std::string& path, int32_t& width, int32_t& height, std::vector<uint8_t>& rgba,
             std::string& error);

} // namespace quv
