#include "ClientKey.h"
#include "ConnectionTable.h"

#include <QTest>

using namespace std::chrono_literals;
using Phase = ConnectionTable::Phase;

class TestConnectionLimits : public QObject
{
    Q_OBJECT

private slots:
    void clientKeys_data()
    {
        QTest::addColumn<QString>("address");
        QTest::addColumn<QString>("key");
        QTest::newRow("IPv4") << "192.0.2.7"
                              << "192.0.2.7";
        QTest::newRow("IPv6 by its /64") << "2001:db8:1:2:3:4:5:6"
                                         << "2001:db8:1:2::/64";
        QTest::newRow("IPv4-mapped IPv6") << "::ffff:192.0.2.7"
                                          << "192.0.2.7";
        QTest::newRow("not an address") << "unknown, proxy"
                                        << "unknown, proxy";
    }

    void clientKeys()
    {
        QFETCH(QString, address);
        QFETCH(QString, key);
        QCOMPARE(clientKey(address), key);
    }

    void sweepEndsWhatIsPastItsTime_data()
    {
        QTest::addColumn<int>("phase");
        QTest::addColumn<int>("seconds");
        QTest::addColumn<bool>("ended");
        QTest::newRow("idle 9 s") << int(Phase::Idle) << 9 << false;
        QTest::newRow("idle 10 s") << int(Phase::Idle) << 10 << true;
        QTest::newRow("receiving 10 s") << int(Phase::Receiving) << 10 << true;
        QTest::newRow("answering 29 s") << int(Phase::Answering) << 29 << false;
        QTest::newRow("answering 30 s") << int(Phase::Answering) << 30 << true;
    }

    void sweepEndsWhatIsPastItsTime()
    {
        QFETCH(int, phase);
        QFETCH(int, seconds);
        QFETCH(bool, ended);
        ConnectionTable table({});
        const auto start = ConnectionTable::Clock::now();
        ConnectionTable::Entry* entry = table.open(7, QStringLiteral("a"), QStringLiteral("a"), start);
        if (Phase(phase) == Phase::Receiving)
            table.requestBegan(entry, start + 5s); // the first request counts from the connection's start
        else
            table.setPhase(entry, Phase(phase), start);
        QList<int> swept;
        for (int twice = 0; twice < 2; ++twice)
            table.sweep(start + std::chrono::seconds(seconds), [&](auto& e) { swept << e.fd; });
        QCOMPARE(swept, ended ? QList<int>{7} : QList<int>{});
    }

    void laterRequestsCountFromTheirRequestLine()
    {
        ConnectionTable table({});
        const auto start = ConnectionTable::Clock::now();
        ConnectionTable::Entry* entry = table.open(7, QStringLiteral("a"), QStringLiteral("a"), start);
        table.requestBegan(entry, start);
        table.setPhase(entry, Phase::Idle, start + 1s);
        table.requestBegan(entry, start + 8s);
        int swept = 0;
        table.sweep(start + 17s, [&](auto&) { ++swept; });
        QCOMPARE(swept, 0);
        table.sweep(start + 18s, [&](auto&) { ++swept; });
        QCOMPARE(swept, 1);
    }
};

QTEST_GUILESS_MAIN(TestConnectionLimits)
#include "tst_connection_limits.moc"
