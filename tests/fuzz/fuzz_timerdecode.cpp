// Stored timer lists: decoding never crashes, and whatever decodes survives an encode/decode
// round trip unchanged.

#include "FuzzCheck.h"
#include "PellowTimer.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const auto decoded = TimerJson::decodeBytes(FuzzInput::bytes(data, size));
    if (!decoded)
        return 0;

    // JSON has no infinity or NaN and the parser refuses numbers out of the double range, so
    // every decoded list encodes again (encoding fails exactly on a non-finite number).
    const auto encoded = TimerJson::encodeBytes(*decoded);
    FUZZ_CHECK(encoded.has_value());
    const auto again = TimerJson::decodeBytes(*encoded);
    FUZZ_CHECK(again.has_value());
    FUZZ_CHECK(*again == *decoded);

    // Encoding is stable: the second encoding is the same bytes as the first.
    const auto encodedAgain = TimerJson::encodeBytes(*again);
    FUZZ_CHECK(encodedAgain.has_value() && *encodedAgain == *encoded);

    // The array form agrees with the byte form.
    const auto array = TimerJson::encode(*decoded);
    FUZZ_CHECK(array.has_value());
    const auto fromArray = TimerJson::decode(*array);
    FUZZ_CHECK(fromArray.has_value() && *fromArray == *decoded);
    return 0;
}
