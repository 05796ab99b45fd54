#include "LengthParser.h"

#include "TimeTexts.h"

#include <QStringList>

#include <cctype>
#include <cmath>
#include <cstdlib>

#if defined(_WIN32)
#include <locale.h>
#else
#include <clocale>
#include <locale.h>
#if defined(__APPLE__)
#include <xlocale.h>
#endif
#endif

namespace LengthParser {

namespace {

#if defined(_WIN32)
double strtodC(const char* text, char** end)
{
    static const _locale_t c = _create_locale(LC_NUMERIC, "C");
    return _strtod_l(text, end, c);
}
#else
double strtodC(const char* text, char** end)
{
    static const locale_t c = newlocale(LC_NUMERIC_MASK, "C", static_cast<locale_t>(nullptr));
    return strtod_l(text, end, c);
}
#endif

} // namespace

std::optional<double> readCNumber(const QString& piece)
{
    if (piece.isEmpty() || piece.front().isSpace())
        return std::nullopt;
    const QByteArray bytes = piece.toUtf8();
    if (std::isspace(static_cast<unsigned char>(bytes.front())))
        return std::nullopt;
    char* end = nullptr;
    const double value = strtodC(bytes.constData(), &end);
    if (end != bytes.constData() + bytes.size())
        return std::nullopt;
    return value;
}

std::optional<double> parseLength(const QString& text)
{
    const QString trimmed = TimeTexts::trimHorizontal(text);
    double total = 0;
    if (!trimmed.contains(QLatin1Char(':'))) {
        const auto minutes = readCNumber(trimmed);
        if (!minutes || !(*minutes > 0))
            return std::nullopt;
        total = *minutes * 60.0;
    } else {
        const QStringList pieces = trimmed.split(QLatin1Char(':'), Qt::SkipEmptyParts);
        if (pieces.size() != 2 && pieces.size() != 3)
            return std::nullopt;
        double parts[3] = {0, 0, 0};
        for (qsizetype i = 0; i < pieces.size(); ++i) {
            const auto n = readCNumber(pieces[i]);
            if (!n || std::isnan(*n) || *n < 0)
                return std::nullopt;
            parts[i] = *n;
        }
        total =
            pieces.size() == 2 ? parts[0] * 60.0 + parts[1] : parts[0] * 3600.0 + parts[1] * 60.0 + parts[2];
    }
    if (!std::isfinite(total) || total > kMaxLengthSeconds)
        return std::nullopt;
    return total;
}

std::optional<double> acceptedLength(const QString& text)
{
    const auto seconds = parseLength(text);
    if (!seconds || *seconds < kMinLengthSeconds)
        return std::nullopt;
    return seconds;
}

} // namespace LengthParser
