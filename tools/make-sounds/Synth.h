#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace pellow::sounds {

inline constexpr int kSampleRate = 44100;

// Loudest sample of every rendered sound, as a fraction of full scale (about -1 dBFS).
inline constexpr double kPeakLevel = 0.89;

// Equal-tempered pitch of a MIDI note number (A4 = 69 = 440 Hz).
double noteHz(int midiNote);

// A mono floating-point mix bus. Voices add sine partials into it; render() shapes the edges,
// normalises and quantises the result to 16-bit PCM. Everything is computed from closed-form
// formulas, so the same build always produces the same samples.
class Mix
{
public:
    explicit Mix(double seconds);

    std::size_t size() const { return m_buf.size(); }

    // A struck partial: a linear attack of `attack` seconds, then an exponential decay with
    // time constant `decay` seconds.
    void strike(double start, double freq, double amp, double decay, double attack = 0.002);

    // A partial that blooms in over roughly `swell` seconds before decaying.
    void swell(double start, double freq, double amp, double swell, double decay);

    // A sustained tone of `length` seconds under a raised-cosine envelope whose pitch moves
    // exponentially from f0 to f1, with an optional vibrato (depth as a fraction of the pitch).
    void glide(double start, double length, double f0, double f1, double amp, double vibratoHz = 0.0,
               double vibratoDepth = 0.0);

    // Applies a raised-cosine fade-in and fade-out (the first and last samples become exactly
    // zero), scales the loudest sample to kPeakLevel and rounds to 16-bit.
    std::vector<std::int16_t> render(double fadeIn, double fadeOut) const;

private:
    std::size_t indexOf(double seconds) const;

    std::vector<double> m_buf;
};

} // namespace pellow::sounds
