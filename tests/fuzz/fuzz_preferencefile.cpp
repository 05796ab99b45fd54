// Preference file contents: any bytes parse to one JSON object or are refused; a parsed map survives
// being written back, and every value reads safely as a whole number.

#include "FuzzCheck.h"
#include "platform/PreferenceFile.h"

#include <cmath>
#include <cstddef>
#include <cstdint>

namespace {

class MemoryStore final : public PreferenceStore
{
public:
    explicit MemoryStore(QJsonObject stored) : PreferenceStore(std::move(stored)) {}

protected:
    std::optional<QString> persist(const QJsonObject&) override { return std::nullopt; }
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const auto values = PreferenceFile::parse(FuzzInput::bytes(data, size));
    if (!values)
        return 0;

    // What the store writes, it reads back as the same map.
    const auto reread = PreferenceFile::parse(PreferenceFile::serialize(*values));
    FUZZ_CHECK(reread.has_value());
    FUZZ_CHECK(*reread == *values);

    // A number reads as an integer truncated toward zero and saturating at the 64-bit range, a value
    // of another type as 0 (the other typed reads pass values through: tst_preferences).
    MemoryStore store(*values);
    for (auto it = values->begin(); it != values->end(); ++it) {
        const qint64 n = store.intValue(it.key());
        const double d = it.value().toDouble();
        FUZZ_CHECK(it.value().isDouble() || n == 0);
        FUZZ_CHECK(d < 1.0 || n >= 0);
        FUZZ_CHECK(d > -1.0 || n <= 0);
        FUZZ_CHECK(std::fabs(d) >= 1e15 || static_cast<double>(n) == std::trunc(d));
    }
    return 0;
}
