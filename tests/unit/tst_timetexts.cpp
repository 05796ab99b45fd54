#include "TimerFactory.h"
#include "core/LengthParser.h"
#include "core/TimeTexts.h"

#include <QDateTime>
#include <QTest>

#include <array>
#include <clocale>
#include <tuple>
#include <utility>

using namespace TimeTexts;

namespace {

// 2024-12-06 15:35:00 on the wall clock of the zone the test runs in (ctest runs it in several).
const double kNow = double(QDateTime(QDate(2024, 12, 6), QTime(15, 35)).toSecsSinceEpoch());
const QLocale kUs(QLocale::English, QLocale::UnitedStates);

PellowTimer timer(const char* mode, double duration, double banked, double startOffset, bool running)
{
    PellowTimer t = countdown({}, duration, kNow + startOffset, running, banked);
    t.mode = QString::fromLatin1(mode);
    return t;
}

QByteArray printable(const char* text)
{
    return QByteArray(text).replace('\n', "\\n").replace('\t', "\\t");
}

} // namespace

class TimeTextsTest : public QObject
{
    Q_OBJECT
private slots:
    // A decimal comma in the app's or the process's locale changes nothing.
    void initTestCase()
    {
        QLocale::setDefault(QLocale(QLocale::German));
        std::setlocale(LC_ALL, "de_DE.UTF-8"); // where installed
    }

    void clockText_data()
    {
        QTest::addColumn<double>("seconds");
        QTest::addColumn<QString>("text");
        // clang-format off
        const std::pair<double, const char*> rows[] = {
            {0.4, "00:00"}, {0.5, "00:01"}, {59.5, "01:00"}, {3599.4, "59:59"}, {3599.5, "1:00:00"},
            {100000, "27:46:40"}, {-0.4, "00:00"}, {-0.5, "-00:01"}, {-3600, "-1:00:00"},
            {qQNaN(), "--:--"}};
        // clang-format on
        for (auto [seconds, text] : rows)
            QTest::addRow("%.17g", seconds) << seconds << QString::fromLatin1(text);
    }
    void clockText()
    {
        QFETCH(double, seconds);
        QTEST(TimeTexts::clockText(seconds), "text");
    }

    void timerStates_data()
    {
        QTest::addColumn<PellowTimer>("timer");
        QTest::addColumn<double>("shown");
        QTest::addColumn<QString>("detail");
        const auto row = [](const char* name, PellowTimer t, double shown, const char* detail) {
            QTest::newRow(name) << t << shown << QString::fromUtf8(detail);
        };
        row("running countdown", timer("down", 900, 0, -300, true), 600, "10:00 · ends 3:45 PM");
        row("start in the future", timer("down", 630, 30, 100, true), 600, "10:00 · ends 3:45 PM");
        row("reached its end unstopped", timer("down", 300, 0, -300, true), 0, "finished");
        row("paused countdown", timer("down", 300, 10, -50, false), 290, "04:50 · paused");
        row("never started", timer("down", 1500, 0, -kNow, false), 1500, "25:00 · ready");
        row("count-up running", timer("up", 300, 5, -7, true), 12, "00:12 · counting up");
        row("count-up past its length", timer("up", 60, 3600, 0, false), 3600, "1:00:00 · paused");
        row("other mode text counts up", timer("Down", 60, 0, -120, true), 120, "02:00 · counting up");
    }
    void timerStates()
    {
        QFETCH(PellowTimer, timer);
        QFETCH(double, shown);
        QFETCH(QString, detail);
        QCOMPARE(shownSeconds(timer, kNow), shown);
        QCOMPARE(isFinished(timer, kNow), detail == QLatin1String("finished"));
        QCOMPARE(detailText(timer, kNow, kUs), detail);
        const QString status = isFinished(timer, kNow) ? detail : detail.section(QStringLiteral(" · "), 1);
        QCOMPARE(statusText(timer, kNow, kUs), status);
        QCOMPARE(endDate(timer, kNow),
                 status.startsWith("ends ") ? std::optional(kNow + shown) : std::nullopt);
    }

    // End times are converted once a minute: a change of time zone shows by the next minute.
    void endTimeFollowsTheZone()
    {
        const PellowTimer t = timer("down", 900, 0, -300, true);
        QCOMPARE(statusText(t, kNow, kUs), QStringLiteral("ends 3:45 PM"));
        const QByteArray zone = qgetenv("TZ");
        qputenv("TZ", zone == "Asia/Kolkata" ? "America/New_York" : "Asia/Kolkata");
        const QString moved = statusText(t, kNow + 60, kUs);
        const QString there = QStringLiteral("ends ") + shortTimeText(kNow + 600, kUs);
        zone.isNull() ? qunsetenv("TZ") : qputenv("TZ", zone);
        QCOMPARE(moved, there);
        QVERIFY(there != QStringLiteral("ends 3:45 PM"));
    }

    // The label trimmed of horizontal space, else "Timer" and the id's first place in a, B, b, B.
    void displayNames_data()
    {
        QTest::addColumn<QString>("label");
        QTest::addColumn<QString>("id");
        QTest::addColumn<QString>("name");
        // clang-format off
        const std::tuple<const char*, const char*, const char*> rows[] = {
            {"  ", "b", "Timer 3"}, {"", "B", "Timer 2"}, {"", "A", "Timer 1"}, {"\t\u00A0Tea\u2003", "a", "Tea"},
            {" Green  tea ", "a", "Green  tea"}, {"\nTea \n", "a", "\nTea \n"}};
        // clang-format on
        for (auto [label, id, name] : rows)
            QTest::addRow("'%s' %s", printable(label).constData(), id)
                << QString::fromUtf8(label) << QString::fromLatin1(id) << QString::fromUtf8(name);
    }
    void displayNames()
    {
        TimerList list(4);
        for (int i = 0; i < 4; ++i)
            list[i].id = QString::fromLatin1(std::array{"a", "B", "b", "B"}[i]);
        PellowTimer t;
        QFETCH(QString, id);
        t.id = id;
        QFETCH(QString, label);
        t.label = label;
        QTEST(displayName(t, list), "name");
    }

    // Typed lengths, as the new-timer window and the length prompt read them.
    void parseLength_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<double>("seconds"); // -1: not a length
        // clang-format off
        const std::pair<const char*, double> lengths[] = {
            {"25", 1500}, {"0.5", 30}, {"+5", 300}, {"7:30", 450}, {"1:05:00", 3900}, {"7:75", 495}, {"1.5:00", 90},
            {"::1:30::", 90}, {"0:00", 0}, {"0:01", 1}, {"0.01", 0.6}, {"\t\u00A025\u2003\u3000", 1500},
            {"\u202F7:30\t", 450}, {"600000", 36e6}, {"10000:00:00", 36e6}}; // 10,000 h
        const char* refused[] = {
            "", ":", ":30", "1:2:3:4", "1: 30", "1:\u00A030", "2 5", "\n25", "0", "-5", "1:-30", "5m", "0x",
            "2,5", "\u0662\u0665", "inf", "nan", "0:nan", "1e300", "600000.001", "10000:00:01"};
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
        QCOMPARE(LengthParser::acceptedLength(text).value_or(-1), seconds >= 1 ? seconds : -1);
    }
};

QTEST_GUILESS_MAIN(TimeTextsTest)
#include "tst_timetexts.moc"
