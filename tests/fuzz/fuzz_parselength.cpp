// Typed timer lengths: any text either parses to a length the timer can hold or is refused.

#include "FuzzCheck.h"
#include "LengthParser.h"

#include <cmath>
#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QString text = QString::fromUtf8(FuzzInput::bytes(data, size));

    const auto seconds = LengthParser::parseLength(text);
    if (seconds) {
        FUZZ_CHECK(std::isfinite(*seconds));
        FUZZ_CHECK(*seconds >= 0);
        FUZZ_CHECK(*seconds <= LengthParser::kMaxLengthSeconds);
    }

    // The accepted length is the parsed one with a one-second floor.
    const auto accepted = LengthParser::acceptedLength(text);
    if (accepted) {
        FUZZ_CHECK(seconds && *accepted == *seconds);
        FUZZ_CHECK(*accepted >= LengthParser::kMinLengthSeconds);
    } else {
        FUZZ_CHECK(!seconds || *seconds < LengthParser::kMinLengthSeconds);
    }
    return 0;
}
