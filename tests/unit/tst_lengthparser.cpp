#include "core/LengthParser.h"

#include <QTest>

#include <clocale>
#include <utility>

using namespace LengthParser;

namespace {
QByteArray printable(const char* text)
{
    return QByteArray(text).replace('\n', "\\n").replace('\t', "\\t");
}
} // namespace

class LengthParserTest : public QObject
{
    Q_OBJECT
private slots:
    void cleanup()
    {
        std::setlocale(LC_ALL, "C");
        QLocale::setDefault(QLocale::c());
    }

    void parseLength_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<double>("seconds"); // -1: not a length
        // clang-format off
        const std::pair<const char*, double> lengths[] = {
            {"25", 1500}, {"0.5", 30}, {"2.5", 150}, {"+5", 300}, {"7:30", 450}, {"1:05:00", 3900}, {"7:75", 495},
            {"1.5:00", 90}, {"::1:30::", 90}, {"0:00", 0}, {"0:00.5", 0.5}, {"0:01", 1}, {"0.01", 0.6},
            {"  25  ", 1500}, {"\t\u00A025\u2003\u3000", 1500}, {"\u202F7:30\t", 450}, {"600000", 36e6},
            {"10000:00:00", 36e6}}; // 10,000 h
        const char* refused[] = {
            "", "  ", ":", ":30", "1:2:3:4", "1: 30", "1 :30", "1:\u00A030", "2 5", "\n25", "0", "-5",
            "-1:30", "1:-30", "abc", "5m", "0x", "2,5", "\u0662\u0665", "\uFF12\uFF15", "inf", "inf:00", "nan",
            "0:nan", "1e300", "1e308:1e308:0", "600000.001", "10000:00:01"};
        // clang-format on
        for (auto [text, seconds] : lengths)
            QTest::addRow("%s", printable(text).constData()) << QString::fromUtf8(text) << seconds;
        for (const char* text : refused)
            QTest::addRow("%s", printable(text).constData()) << QString::fromUtf8(text) << -1.0;
        QTest::newRow("embedded NUL") << QStringLiteral("25") + QChar(0) << -1.0;
    }
    void parseLength()
    {
        QFETCH(QString, text);
        QFETCH(double, seconds);
        QCOMPARE(LengthParser::parseLength(text).value_or(-1), seconds);
        // Callers take only lengths of at least one second.
        QCOMPARE(acceptedLength(text).value_or(-1), seconds >= 1 ? seconds : -1);
    }

    void numbersIgnoreTheProcessLocale_data()
    {
        QTest::addColumn<QByteArray>("locale");
        for (const char* name : {"C.UTF-8", "de_DE.UTF-8", "fr_FR.UTF-8", "ru_RU.UTF-8"})
            QTest::newRow(name) << QByteArray(name);
    }
    void numbersIgnoreTheProcessLocale()
    {
        QFETCH(QByteArray, locale);
        QLocale::setDefault(QLocale(QString::fromLatin1(locale)));
        if (!std::setlocale(LC_ALL, locale.constData()))
            QSKIP("locale not installed");
        QCOMPARE(LengthParser::parseLength(QStringLiteral("2.5")).value_or(-1), 150.0);
        QCOMPARE(LengthParser::parseLength(QStringLiteral("1:30.5")).value_or(-1), 90.5);
        QVERIFY(!LengthParser::parseLength(QStringLiteral("2,5")));
        QVERIFY(!LengthParser::parseLength(QStringLiteral("1:30,5")));
    }
};

QTEST_GUILESS_MAIN(LengthParserTest)
#include "tst_lengthparser.moc"
