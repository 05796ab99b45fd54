// Stored timer lists: decoding never crashes; whatever decodes encodes again, to the same list and
// bytes; a list within bounds stays encodable whatever is done to it.

#include "FuzzCheck.h"
#include "PellowTimer.h"
#include "TimerBounds.h"
#include "TimerOperations.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const auto decoded = TimerJson::decodeBytes(FuzzInput::bytes(data, size));
    if (!decoded)
        return 0;

    // JSON has no infinity or NaN, so every decoded list encodes again.
    const auto encoded = TimerJson::encodeBytes(*decoded);
    FUZZ_CHECK(encoded.has_value());
    const auto again = TimerJson::decodeBytes(*encoded);
    FUZZ_CHECK(again.has_value());
    FUZZ_CHECK(*again == *decoded);

    // The same bytes again, so no field that == overlooks is lost.
    const auto encodedAgain = TimerJson::encodeBytes(*again);
    FUZZ_CHECK(encodedAgain.has_value() && *encodedAgain == *encoded);

    // A list within bounds can never stop saving: pausing and restarting every timer at any time
    // Pellow could see leaves it encodable.
    if (TimerBounds::acceptable(*decoded)) {
        TimerList worked = *decoded;
        TimerOperations::pauseAll(worked, TimerBounds::kMaxSeconds);
        TimerOperations::startAll(worked, -TimerBounds::kMaxSeconds);
        TimerOperations::pauseAll(worked, TimerBounds::kMaxSeconds);
        FUZZ_CHECK(TimerJson::encode(worked).has_value());
    }
    return 0;
}
