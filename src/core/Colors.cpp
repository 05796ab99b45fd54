#include "Colors.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>

namespace Colors {

namespace {

Rgb fromBytes(unsigned red, unsigned green, unsigned blue)
{
    return {red / 255.0, green / 255.0, blue / 255.0};
}

int hexDigitValue(QChar c)
{
    const char16_t u = c.unicode();
    if (u >= u'0' && u <= u'9')
        return u - u'0';
    if (u >= u'a' && u <= u'f')
        return u - u'a' + 10;
    if (u >= u'A' && u <= u'F')
        return u - u'A' + 10;
    return -1;
}

// Reads a hexadecimal number the way a text scanner does: white space (newlines included) is
// skipped, a "0x" or "0X" prefix is accepted, and digits are read up to the first character
// that is not one. A number past 64 bits saturates at the largest 64-bit value, so a very long
// digit string reads as white. When the prefix is followed by no digit, its "0" is the number.
std::optional<std::uint64_t> scanHex(const QString& text)
{
    qsizetype i = 0;
    const qsizetype n = text.size();
    while (i < n && text[i].isSpace())
        ++i;
    if (i + 1 < n && text[i] == QLatin1Char('0') &&
        (text[i + 1] == QLatin1Char('x') || text[i + 1] == QLatin1Char('X'))) {
        if (i + 2 >= n || hexDigitValue(text[i + 2]) < 0)
            return 0;
        i += 2;
    }
    std::uint64_t value = 0;
    bool anyDigit = false;
    bool overflow = false;
    for (; i < n; ++i) {
        const int digit = hexDigitValue(text[i]);
        if (digit < 0)
            break;
        anyDigit = true;
        if (value > (std::numeric_limits<std::uint64_t>::max() >> 4))
            overflow = true;
        value = (value << 4) | static_cast<std::uint64_t>(digit);
    }
    if (!anyDigit)
        return std::nullopt;
    if (overflow)
        return std::numeric_limits<std::uint64_t>::max();
    return value;
}

int toByte(double component)
{
    if (std::isnan(component))
        return 0;
    // Colours from outside the sRGB gamut are clamped to it.
    return static_cast<int>(std::round(std::clamp(component, 0.0, 1.0) * 255.0));
}

} // namespace

const QList<PaletteEntry>& colorPalette()
{
    static const QList<PaletteEntry> palette = {
        {QStringLiteral("red"), QStringLiteral("Red"), fromBytes(215, 58, 48)},
        {QStringLiteral("orange"), QStringLiteral("Orange"), fromBytes(232, 122, 20)},
        {QStringLiteral("yellow"), QStringLiteral("Yellow"), fromBytes(244, 199, 44)},
        {QStringLiteral("green"), QStringLiteral("Green"), fromBytes(46, 145, 70)},
        {QStringLiteral("teal"), QStringLiteral("Teal"), fromBytes(28, 140, 148)},
        {QStringLiteral("blue"), QStringLiteral("Blue"), fromBytes(24, 106, 214)},
        {QStringLiteral("indigo"), QStringLiteral("Indigo"), fromBytes(78, 74, 180)},
        {QStringLiteral("purple"), QStringLiteral("Purple"), fromBytes(134, 62, 176)},
        {QStringLiteral("pink"), QStringLiteral("Pink"), fromBytes(214, 70, 140)},
        {QStringLiteral("graphite"), QStringLiteral("Graphite"), fromBytes(88, 92, 98)},
    };
    return palette;
}

std::optional<Rgb> resolveColor(const std::optional<QString>& stored)
{
    if (!stored)
        return std::nullopt;
    const QString& text = *stored;
    if (text.startsWith(QLatin1Char('#'))) {
        const auto value = scanHex(text.mid(1));
        if (!value)
            return std::nullopt;
        return fromBytes((*value >> 16) & 0xFF, (*value >> 8) & 0xFF, *value & 0xFF);
    }
    for (const PaletteEntry& entry : colorPalette())
        if (entry.key == text)
            return entry.color;
    return std::nullopt;
}

QString hexColorString(const Rgb& color)
{
    return QString::asprintf("#%02X%02X%02X", toByte(color.red), toByte(color.green), toByte(color.blue));
}

QString swatchImage(const std::optional<Rgb>& color)
{
    if (!color)
        return QStringLiteral("swatch:neutral");
    return QStringLiteral("swatch:") + hexColorString(*color);
}

} // namespace Colors
