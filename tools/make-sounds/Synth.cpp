#include "Synth.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace pellow::sounds {

namespace {
constexpr double kTwoPi = 2.0 * std::numbers::pi;

// 0 at x = 0 rising smoothly to 1 at x = 1.
double raisedCosine(double x)
{
    return 0.5 - 0.5 * std::cos(std::numbers::pi * std::clamp(x, 0.0, 1.0));
}
} // namespace

double noteHz(int midiNote)
{
    return 440.0 * std::pow(2.0, (midiNote - 69) / 12.0);
}

Mix::Mix(double seconds) : m_buf(static_cast<std::size_t>(std::lround(seconds * kSampleRate)), 0.0) {}

std::size_t Mix::indexOf(double seconds) const
{
    const auto i = static_cast<std::size_t>(std::lround(std::max(0.0, seconds) * kSampleRate));
    return std::min(i, m_buf.size());
}

void Mix::strike(double start, double freq, double amp, double decay, double attack)
{
    const std::size_t first = indexOf(start);
    for (std::size_t i = first; i < m_buf.size(); ++i) {
        const double t = static_cast<double>(i - first) / kSampleRate;
        const double env = std::min(1.0, t / attack) * std::exp(-t / decay);
        m_buf[i] += amp * env * std::sin(kTwoPi * freq * t);
    }
}

void Mix::swell(double start, double freq, double amp, double swell, double decay)
{
    const std::size_t first = indexOf(start);
    for (std::size_t i = first; i < m_buf.size(); ++i) {
        const double t = static_cast<double>(i - first) / kSampleRate;
        const double env = (1.0 - std::exp(-t / swell)) * std::exp(-t / decay);
        m_buf[i] += amp * env * std::sin(kTwoPi * freq * t);
    }
}

void Mix::glide(double start, double length, double f0, double f1, double amp, double vibratoHz,
                double vibratoDepth)
{
    const std::size_t first = indexOf(start);
    const std::size_t last = indexOf(start + length);
    double phase = 0.0;
    for (std::size_t i = first; i < last; ++i) {
        const double x = static_cast<double>(i - first) / static_cast<double>(last - first);
        const double t = static_cast<double>(i - first) / kSampleRate;
        const double vibrato = 1.0 + vibratoDepth * std::sin(kTwoPi * vibratoHz * t);
        const double freq = f0 * std::pow(f1 / f0, x) * vibrato;
        const double env = 0.5 - 0.5 * std::cos(kTwoPi * x);
        m_buf[i] += amp * env * std::sin(phase);
        phase = std::fmod(phase + kTwoPi * freq / kSampleRate, kTwoPi);
    }
}

std::vector<std::int16_t> Mix::render(double fadeIn, double fadeOut) const
{
    std::vector<double> shaped = m_buf;
    const std::size_t n = shaped.size();
    const auto inLen = std::max<std::size_t>(1, std::min(n, indexOf(fadeIn)));
    const auto outLen = std::max<std::size_t>(1, std::min(n, indexOf(fadeOut)));
    for (std::size_t i = 0; i < inLen; ++i)
        shaped[i] *= raisedCosine(static_cast<double>(i) / static_cast<double>(inLen));
    for (std::size_t k = 0; k < outLen; ++k) // k counts back from the last sample
        shaped[n - 1 - k] *= raisedCosine(static_cast<double>(k) / static_cast<double>(outLen));

    double peak = 0.0;
    for (double s : shaped)
        peak = std::max(peak, std::abs(s));
    const double gain = peak > 0.0 ? kPeakLevel * 32767.0 / peak : 0.0;

    std::vector<std::int16_t> pcm(n);
    std::transform(shaped.begin(), shaped.end(), pcm.begin(), [gain](double s) {
        return static_cast<std::int16_t>(std::clamp(std::lround(s * gain), -32767L, 32767L));
    });
    return pcm;
}

} // namespace pellow::sounds
