#include "core/NewTimerRules.h"

#include <QDateTime>
#include <QTest>
#include <QTimeZone>

// The end-at picker's starting moment, re-arming a timer in place, and the length to a moment.
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
        const QByteArray utc("UTC");
        QTest::newRow("10:52") << utc << "2027-03-10T10:52:00"
                               << "2027-03-10T11:15";
        QTest::newRow("10:05") << utc << "2027-03-10T10:05:00"
                               << "2027-03-10T10:15";
        QTest::newRow("10:50") << utc << "2027-03-10T10:50:00"
                               << "2027-03-10T11:00";
        QTest::newRow("10:00") << utc << "2027-03-10T10:00:00"
                               << "2027-03-10T10:15";
        QTest::newRow("seconds dropped") << utc << "2027-03-10T10:05:59.900"
                                         << "2027-03-10T10:15";
        QTest::newRow("into the next day") << utc << "2027-03-10T23:55:00"
                                           << "2027-03-11T00:15";
        QTest::newRow("into the next year") << utc << "2026-12-31T23:47:00"
                                            << "2027-01-01T00:00";
        QTest::newRow("Berlin") << QByteArray("Europe/Berlin") << "2027-03-10T10:52:00"
                                << "2027-03-10T11:15";
        QTest::newRow("Berlin, clocks go forward") << QByteArray("Europe/Berlin") << "2027-03-28T01:52:00"
                                                   << "2027-03-28T03:15";
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

    void rearmTimer_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("stopwatch");
        QTest::addColumn<QString>("label");
        QTest::addColumn<double>("duration");
        QTest::newRow("empty name keeps the label") << "" << false << "Old" << 600.0;
        QTest::newRow("a name replaces it") << "New" << false << "New" << 600.0;
        QTest::newRow("stopwatch keeps the length") << "" << true << "Old" << 1200.0;
    }
    void rearmTimer()
    {
        QFETCH(QString, name);
        QFETCH(bool, stopwatch);
        PellowTimer t{"A", "Old", "down", 1200, 700, 5, false, true, {-1, 600}, QString("teal")};
        NewTimerRules::rearmTimer(t, name, std::nullopt, 600, stopwatch, 1000);
        QFETCH(QString, label);
        QFETCH(double, duration);
        const QString mode = stopwatch ? "up" : "down";
        QCOMPARE(t, (PellowTimer{"A", label, mode, duration, 0, 1000, true, false, {}, std::nullopt}));
    }

    void endAtLength_data()
    {
        QTest::addColumn<double>("ahead");
        QTest::addColumn<double>("length"); // -1: refused
        QTest::newRow("1.4") << 1.4 << 1.0;
        QTest::newRow("1.5") << 1.5 << 2.0;
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
