#include "core/Colors.h"

#include <QTest>

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
    // Keys are what timers store; each reads back as its own colour, also through its hex form.
    void palette()
    {
        QStringList keys;
        for (const Colors::PaletteEntry& entry : Colors::colorPalette()) {
            keys << entry.key;
            QCOMPARE(Colors::resolveColor(entry.key), entry.color);
            QCOMPARE(Colors::resolveColor(Colors::hexColorString(entry.color)), entry.color);
        }
        QCOMPARE(keys.join(' '), "red orange yellow green teal blue indigo purple pink graphite");
    }

    void resolving_data()
    {
        QTest::addColumn<QString>("stored");
        QTest::addColumn<QString>("hex"); // empty: none
        // clang-format off
        const char* rows[][3] = {
            {"absent", "none", ""}, {"palette key", "teal", "#1C8C94"}, {"key in wrong case", "Teal", ""},
            {"empty", "", ""}, {"custom", "#1C8C94", "#1C8C94"}, {"lower-case digits", "#1c8c94", "#1C8C94"},
            {"hash only", "#", ""}, {"no hex digit", "#zz1C8C94", ""}};
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
        QTest::addColumn<Rgb>("color");
        QTest::addColumn<QString>("hex");
        QTest::newRow("grey half rounds up") << Rgb{0.5, 0.5, 0.5} << "#808080";
        QTest::newRow("just below half") << Rgb{126.49 / 255, 0, 1.51 / 255} << "#7E0002";
        QTest::newRow("out of gamut clamps") << Rgb{-0.2, 1.3, 0.5} << "#00FF80";
    }
    void hexForm()
    {
        QFETCH(Rgb, color);
        QTEST(Colors::hexColorString(color), "hex");
    }
};

QTEST_GUILESS_MAIN(ColorsTest)
#include "tst_colors.moc"
