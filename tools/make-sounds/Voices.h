#pragma once

#include <cstdint>
#include <span>
#include <vector>

namespace pellow::sounds {

struct Voice
{
    const char* name; // file name without ".wav"
    std::vector<std::int16_t> (*render)();
};

// Every sound the app ships: first the finish sounds (a countdown ran out), then the short
// nudges used for the halfway and minutes-left reminders.
std::span<const Voice> voices();

} // namespace pellow::sounds
