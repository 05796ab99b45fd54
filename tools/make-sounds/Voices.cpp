#include "Voices.h"

#include "Synth.h"

#include <array>

namespace pellow::sounds {

namespace {

// --- Finish sounds: pleasant, between about 0.9 and 2.4 seconds. ---

// A struck tube: bright, clearly inharmonic partials (free-bar ratios) over a long ring.
std::vector<std::int16_t> chime()
{
    Mix m(2.2);
    const double f = noteHz(84); // C6
    m.strike(0.0, f, 1.0, 0.90);
    m.strike(0.0, f * 2.756, 0.55, 0.45);
    m.strike(0.0, f * 5.404, 0.28, 0.22);
    m.strike(0.0, f * 8.933, 0.12, 0.10);
    return m.render(0.003, 0.15);
}

// One small bell-ish tone: a strong fundamental and quickly fading, slightly stretched overtones.
std::vector<std::int16_t> ding()
{
    Mix m(1.1);
    const double f = noteHz(81); // A5
    m.strike(0.0, f, 1.0, 0.35);
    m.strike(0.0, f * 2.01, 0.25, 0.12);
    m.strike(0.0, f * 3.03, 0.10, 0.05);
    return m.render(0.003, 0.10);
}

// A church-bell spectrum: hum, prime, minor-third tierce, quint and nominal plus upper partials.
// The hum and prime are doubled a hair apart so the tail beats slowly.
std::vector<std::int16_t> bell()
{
    Mix m(2.4);
    const double f = noteHz(72); // C5
    struct Partial
    {
        double ratio, amp, decay;
    };
    constexpr std::array partials{
        Partial{0.500, 0.35, 1.20}, Partial{0.5015, 0.25, 1.20}, Partial{1.000, 0.55, 0.90},
        Partial{1.003, 0.30, 0.90}, Partial{1.183, 0.45, 0.70},  Partial{1.506, 0.30, 0.55},
        Partial{2.000, 0.90, 0.50}, Partial{2.514, 0.30, 0.30},  Partial{2.662, 0.25, 0.25},
        Partial{3.011, 0.20, 0.18},
    };
    for (const Partial& p : partials)
        m.strike(0.0, f * p.ratio, p.amp, p.decay);
    return m.render(0.003, 0.20);
}

// Woody bars: a fundamental with a tuned 4x overtone, both dying fast; two strokes a fourth apart.
std::vector<std::int16_t> marimba()
{
    Mix m(0.9);
    const std::array<double, 2> notes{noteHz(67), noteHz(72)}; // G4, C5
    for (std::size_t i = 0; i < notes.size(); ++i) {
        const double at = 0.14 * static_cast<double>(i);
        m.strike(at, notes[i], 1.0, 0.20);
        m.strike(at, notes[i] * 4.0, 0.35, 0.045);
        m.strike(at, notes[i] * 10.0, 0.06, 0.012, 0.001); // mallet knock
    }
    return m.render(0.002, 0.10);
}

// A rubbed glass: a high, nearly pure tone doubled 3 Hz apart so it shimmers, with a soft onset.
std::vector<std::int16_t> glass()
{
    Mix m(1.6);
    const double f = noteHz(96); // C7
    m.strike(0.0, f, 1.0, 0.70, 0.015);
    m.strike(0.0, f + 3.0, 0.80, 0.70, 0.015);
    m.strike(0.0, f * 2.32, 0.08, 0.20, 0.015);
    return m.render(0.004, 0.15);
}

// Three quick notes going up a major triad; the last one rings on.
std::vector<std::int16_t> triple()
{
    Mix m(1.0);
    const std::array<int, 3> notes{79, 83, 86}; // G5, B5, D6
    for (std::size_t i = 0; i < notes.size(); ++i) {
        const double at = 0.12 * static_cast<double>(i);
        const double f = noteHz(notes[i]);
        const double decay = i + 1 == notes.size() ? 0.30 : 0.15;
        m.strike(at, f, 1.0, decay);
        m.strike(at, f * 2.0, 0.25, decay / 3.0);
        m.strike(at, f * 3.0, 0.08, decay / 5.0);
    }
    return m.render(0.003, 0.10);
}

// A fast pentatonic run that ripples upward, each note overlapping the next.
std::vector<std::int16_t> ripple()
{
    Mix m(1.3);
    const std::array<int, 8> notes{72, 74, 76, 79, 81, 84, 86, 88}; // C5 .. E6
    for (std::size_t i = 0; i < notes.size(); ++i) {
        const double at = 0.045 * static_cast<double>(i);
        const double f = noteHz(notes[i]);
        const double amp = 0.8 - 0.04 * static_cast<double>(i);
        m.strike(at, f, amp, 0.25);
        m.strike(at, f * 2.0, amp * 0.15, 0.08);
    }
    return m.render(0.003, 0.12);
}

// A low gong: a dense inharmonic spectrum whose upper partials bloom late and fade slowly.
std::vector<std::int16_t> gong()
{
    Mix m(2.4);
    const double f = noteHz(45); // A2
    constexpr std::array ratios{1.0, 1.47, 2.09, 2.56, 3.14, 3.89, 4.62, 5.43};
    for (std::size_t i = 0; i < ratios.size(); ++i) {
        const double k = static_cast<double>(i);
        m.swell(0.0, f * ratios[i], 1.0 / (1.0 + 0.35 * k), 0.04 + 0.10 * k, 1.6 - 0.12 * k);
    }
    return m.render(0.005, 0.30);
}

// --- Short sounds: nudges between about 0.05 and 0.45 seconds. ---

// A tiny percussive knock with some pitch to it.
std::vector<std::int16_t> tap()
{
    Mix m(0.07);
    m.strike(0.0, 1200.0, 1.0, 0.012, 0.001);
    m.strike(0.0, 2640.0, 0.5, 0.006, 0.001);
    return m.render(0.001, 0.010);
}

// A very short, high tick.
std::vector<std::int16_t> tick()
{
    Mix m(0.05);
    m.strike(0.0, 3520.0, 1.0, 0.006, 0.0007);
    m.strike(0.0, 7040.0, 0.3, 0.003, 0.0007);
    return m.render(0.0007, 0.005);
}

// A short, high, pure sine ping.
std::vector<std::int16_t> ping()
{
    Mix m(0.35);
    m.strike(0.0, noteHz(93), 1.0, 0.08); // A6
    return m.render(0.002, 0.04);
}

// A soft low hum that swells in and out, with a slight waver.
std::vector<std::int16_t> murmur()
{
    Mix m(0.45);
    const double f = noteHz(50); // D3
    m.glide(0.0, 0.45, f, f * 0.97, 1.0, 5.0, 0.008);
    m.glide(0.0, 0.45, f * 2.0, f * 2.0 * 0.97, 0.30, 5.0, 0.008);
    m.glide(0.0, 0.45, f * 3.0, f * 3.0 * 0.97, 0.10, 5.0, 0.008);
    return m.render(0.02, 0.05);
}

// A quick upward sweep. Kept well under 0.18 s so chirps repeated 0.21 s apart stay separate.
std::vector<std::int16_t> chirp()
{
    Mix m(0.12);
    m.glide(0.0, 0.12, 1500.0, 4000.0, 1.0);
    return m.render(0.003, 0.01);
}

constexpr std::array kVoices{
    Voice{"chime", chime}, Voice{"ding", ding},     Voice{"bell", bell},     Voice{"marimba", marimba},
    Voice{"glass", glass}, Voice{"triple", triple}, Voice{"ripple", ripple}, Voice{"gong", gong},
    Voice{"tap", tap},     Voice{"tick", tick},     Voice{"ping", ping},     Voice{"murmur", murmur},
    Voice{"chirp", chirp},
};

} // namespace

std::span<const Voice> voices()
{
    return kVoices;
}

} // namespace pellow::sounds
