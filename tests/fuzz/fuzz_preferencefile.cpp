// Preference file contents: any bytes parse to one JSON object or are refused; a parsed map survives
// being written back, and every typed read of it is safe.

#include "FuzzCheck.h"
#include "platform/PreferenceFile.h"

#include <QJsonDocument>

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

// Every typed read of any value is safe: a number reads as an integer truncated toward zero and
// saturating at the 64-bit range, a value of another type as nothing.
void readEveryKey(const QJsonObject& values)
{
    MemoryStore store(values);
    for (auto it = values.begin(); it != values.end(); ++it) {
        const QString& key = it.key();
        const QJsonValue value = it.value();
        FUZZ_CHECK(store.value(key) == value);
        FUZZ_CHECK(store.boolValue(key) == (value.isBool() && value.toBool()));
        FUZZ_CHECK(store.doubleValue(key) == value.toDouble()); // 0 for any other type
        const qint64 n = store.intValue(key);
        const double d = value.toDouble();
        FUZZ_CHECK(value.isDouble() || n == 0);
        FUZZ_CHECK(d < 1.0 || n >= 0);
        FUZZ_CHECK(d > -1.0 || n <= 0);
        FUZZ_CHECK(std::fabs(d) >= 1e15 || static_cast<double>(n) == std::trunc(d));
        FUZZ_CHECK(store.stringValue(key).has_value() == value.isString());
        FUZZ_CHECK(store.listValue(key).has_value() == value.isArray());
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray bytes = FuzzInput::bytes(data, size);
    const auto values = PreferenceFile::parse(bytes);
    if (!values)
        return 0;

    // What the store writes, it reads back as the same map.
    const QByteArray written = PreferenceFile::serialize(*values);
    const auto reread = PreferenceFile::parse(written);
    FUZZ_CHECK(reread.has_value());
    FUZZ_CHECK(*reread == *values);

    readEveryKey(*values);
    return 0;
}
