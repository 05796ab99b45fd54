#include "core/Colors.h"

#include <QTest>

#include <cmath>
#include <limits>

using Colors::Rgb;
Q_DECLARE_METATYPE(Colors::Rgb)

namespace {
const QString kNone = QStringLiteral("none");

// The stored text of a test row; kNone stands for an absent colour.
std::optional<QString> stored(const QString& text)
{
    return text == kNone ? std::nullopt : std::optional(text);
}
} // namespace

class ColorsTest : public QObject
{
    Q_OBJECT
private slots:
    void paletteEntries_data()
    {
        QTest::addColumn<int>("index");
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("title");
        QTest::addColumn<QString>("hex");
        const char* rows[][3] = {{"red", "Red", "#D73A30"},       {"orange", "Orange", "#E87A14"},
                                 {"yellow", "Yellow", "#F4C72C"}, {"green", "Green", "#2E9146"},
                                 {"teal", "Teal", "#1C8C94"},     {"blue", "Blue", "#186AD6"},
                                 {"indigo", "Indigo", "#4E4AB4"}, {"purple", "Purple", "#863EB0"},
                                 {"pink", "Pink", "#D6468C"},     {"graphite", "Graphite", "#585C62"}};
        int index = 0;
        for (const auto& row : rows)
            QTest::newRow(row[0]) << index++ << row[0] << row[1] << row[2];
    }
    void paletteEntries()
    {
        QFETCH(int, index);
        QFETCH(QString, key);
        QFETCH(QString, title);
        QFETCH(QString, hex);
        const auto& palette = Colors::colorPalette();
        QCOMPARE(palette.size(), 10);
        QCOMPARE(palette.at(index).key, key);
        QCOMPARE(palette.at(index).title, title);
        QCOMPARE(Colors::hexColorString(palette.at(index).color), hex);
        // The key and its hex form resolve to exactly the same colour.
        QCOMPARE(Colors::resolveColor(key), Colors::resolveColor(hex));
        QCOMPARE(Colors::resolveColor(key), palette.at(index).color);
    }

    void resolving_data()
    {
        QTest::addColumn<QString>("stored");
        QTest::addColumn<QString>("hex"); // empty: none
        // clang-format off
        const char* rows[][3] = {
            {"absent", "none", ""}, {"palette key", "teal", "#1C8C94"}, {"key in wrong case", "Teal", ""},
            {"key with space", " teal", ""}, {"empty", "", ""}, {"custom", "#1C8C94", "#1C8C94"},
            {"lower-case digits", "#1c8c94", "#1C8C94"}, {"hash only", "#", ""},
            {"no hex digit", "#zz1C8C94", ""}, {"minus sign", "#-1", ""},
            {"space and prefix", "# 0x1c8c94", "#1C8C94"}, {"newline and 0X", "#\n\t0X1C8C94", "#1C8C94"},
            {"prefix without digits", "#0x", "#000000"}, {"stops at non-hex", "#1C8C94 and more", "#1C8C94"},
            {"short value", "#FFF", "#000FFF"}, {"upper bits ignored", "#AB1C8C94", "#1C8C94"},
            {"leading zeros", "#00000000000000000000001C8C94", "#1C8C94"},
            {"past 64 bits saturates", "#10000000000000000001C8C94", "#FFFFFF"}};
        // clang-format on
        for (const auto& row : rows)
            QTest::newRow(row[0]) << QString(row[1]) << QString(row[2]);
    }
    void resolving()
    {
        QFETCH(QString, stored);
        QFETCH(QString, hex);
        const auto color = Colors::resolveColor(::stored(stored));
        QCOMPARE(color ? Colors::hexColorString(*color) : QString(), hex);
        QCOMPARE(Colors::swatchImage(color), hex.isEmpty() ? "swatch:neutral" : "swatch:" + hex);
    }

    void hexForm_data()
    {
        const double nan = std::numeric_limits<double>::quiet_NaN();
        const double inf = std::numeric_limits<double>::infinity();
        QTest::addColumn<Rgb>("color");
        QTest::addColumn<QString>("hex");
        QTest::newRow("grey half rounds up") << Rgb{0.5, 0.5, 0.5} << "#808080";
        QTest::newRow("black") << Rgb{0, 0, 0} << "#000000";
        QTest::newRow("white") << Rgb{1, 1, 1} << "#FFFFFF";
        QTest::newRow("just below half") << Rgb{126.49 / 255, 0, 1.51 / 255} << "#7E0002";
        QTest::newRow("out of gamut clamps") << Rgb{-0.2, 1.3, 0.5} << "#00FF80";
        QTest::newRow("infinities clamp") << Rgb{-inf, inf, 0} << "#00FF00";
        QTest::newRow("NaN is zero") << Rgb{nan, 1, nan} << "#00FF00";
    }
    void hexForm()
    {
        QFETCH(Rgb, color);
        QTEST(Colors::hexColorString(color), "hex");
    }
};

QTEST_GUILESS_MAIN(ColorsTest)
#include "tst_colors.moc"
