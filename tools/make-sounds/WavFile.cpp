#include "WavFile.h"

#include <fstream>

namespace pellow::sounds {

namespace {
void put(std::vector<std::uint8_t>& out, const char (&tag)[5])
{
    out.insert(out.end(), tag, tag + 4);
}

void putLE(std::vector<std::uint8_t>& out, std::uint32_t value, int bytes)
{
    for (int i = 0; i < bytes; ++i)
        out.push_back(static_cast<std::uint8_t>((value >> (8 * i)) & 0xffu));
}
} // namespace

std::vector<std::uint8_t> encodeWav(const std::vector<std::int16_t>& samples, int sampleRate)
{
    constexpr std::uint32_t channels = 1;
    constexpr std::uint32_t bitsPerSample = 16;
    constexpr std::uint32_t blockAlign = channels * bitsPerSample / 8;
    const auto rate = static_cast<std::uint32_t>(sampleRate);
    const auto dataBytes = static_cast<std::uint32_t>(samples.size() * blockAlign);

    std::vector<std::uint8_t> out;
    out.reserve(44 + dataBytes);
    put(out, "RIFF");
    putLE(out, 36 + dataBytes, 4);
    put(out, "WAVE");
    put(out, "fmt ");
    putLE(out, 16, 4);
    putLE(out, 1, 2); // PCM
    putLE(out, channels, 2);
    putLE(out, rate, 4);
    putLE(out, rate * blockAlign, 4);
    putLE(out, blockAlign, 2);
    putLE(out, bitsPerSample, 2);
    put(out, "data");
    putLE(out, dataBytes, 4);
    for (std::int16_t s : samples)
        putLE(out, static_cast<std::uint16_t>(s), 2);
    return out;
}

bool writeFile(const std::filesystem::path& path, const std::vector<std::uint8_t>& bytes, std::string& error)
{
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    if (!file) {
        error = "cannot open " + path.string() + " for writing";
        return false;
    }
    file.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    file.close();
    if (!file) {
        error = "failed writing " + path.string();
        return false;
    }
    return true;
}

} // namespace pellow::sounds
