#include "core/NewTimerRules.h"

#include <QDateTime>
#include <QTest>
#include <QTimeZone>

// The end-at picker's starting moment and the length to a picked moment. Re-arming a timer in
// place is checked through the new-timer window (tst_newtimer).
class TestNewTimerRules : public QObject
{
    Q_OBJECT

    static QDateTime wallClock(const QString& text, const QTimeZone& zone)
    {
        const QDateTime parsed = QDateTime::fromString(text, Qt::ISODateWithMs);
        return QDateTime(parsed.date(), parsed.time(), zone);
    }

private slots:
    void defaultEndAt_data()
    {
        QTest::addColumn<QByteArray>("zone");
        QTest::addColumn<QString>("now");
        QTest::addColumn<QString>("expected");
        // clang-format off
        const char* rows[][4] = {
            {"rounds up", "UTC", "2027-03-10T10:52:00", "2027-03-10T11:15"},
            {"on a quarter", "UTC", "2027-03-10T10:05:00", "2027-03-10T10:15"},
            {"into the next hour", "UTC", "2027-03-10T10:50:00", "2027-03-10T11:00"},
            {"seconds dropped", "UTC", "2027-03-10T10:05:59.900", "2027-03-10T10:15"},
            {"into the next day", "UTC", "2027-03-10T23:55:00", "2027-03-11T00:15"},
            {"Berlin, clocks go forward", "Europe/Berlin", "2027-03-28T01:52:00", "2027-03-28T03:15"}};
        // clang-format on
        for (const auto& row : rows)
            QTest::newRow(row[0]) << QByteArray(row[1]) << QString(row[2]) << QString(row[3]);
    }
    void defaultEndAt()
    {
        QFETCH(QByteArray, zone);
        QFETCH(QString, now);
        QFETCH(QString, expected);
        const QTimeZone tz(zone);
        if (!tz.isValid())
            QSKIP("no time zone data");
        const double result =
            NewTimerRules::defaultEndAt(wallClock(now, tz).toMSecsSinceEpoch() / 1000.0, tz);
        QCOMPARE(QDateTime::fromMSecsSinceEpoch(qint64(result * 1000), tz), wallClock(expected, tz));
    }

    void endAtLength_data()
    {
        QTest::addColumn<double>("ahead");
        QTest::addColumn<double>("length"); // -1: refused
        QTest::newRow("1.4") << 1.4 << 1.0;
        QTest::newRow("2.5, away from zero") << 2.5 << 3.0;
        QTest::newRow("one second") << 1.0 << 1.0;
        QTest::newRow("under a second") << 0.99 << -1.0;
        QTest::newRow("past") << -60.0 << -1.0;
        QTest::newRow("NaN") << qQNaN() << -1.0;
    }
    void endAtLength()
    {
        QFETCH(double, ahead);
        const double now = 1'800'000'000.25;
        QTEST(NewTimerRules::endAtLength(now + ahead, now).value_or(-1), "length");
    }
};

QTEST_GUILESS_MAIN(TestNewTimerRules)
#include "tst_newtimerrules.moc"
