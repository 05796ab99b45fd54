#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace pellow::sounds {

// A complete mono 16-bit PCM RIFF/WAVE file image, little-endian regardless of the host.
std::vector<std::uint8_t> encodeWav(const std::vector<std::int16_t>& samples, int sampleRate);

// Writes `bytes` to `path`, replacing it. On failure returns false and describes why in `error`.
bool writeFile(const std::filesystem::path& path, const std::vector<std::uint8_t>& bytes, std::string& error);

} // namespace pellow::sounds
