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
        const std::pair<const char*, const char*> rows[] = {{"192.0.2.7", "192.0.2.7"},
                                                            {"2001:db8:1:2:3:4:5:6", "2001:db8:1:2::/64"},
                                                            {"::ffff:192.0.2.7", "192.0.2.7"},
                                                            {"unknown, proxy", "unknown, proxy"}};
        for (const auto& [address, key] : rows)
            QTest::newRow(address) << QString(address) << QString(key);
    }
    void clientKeys()
    {
        QFETCH(QString, address);
        QTEST(clientKey(address), "key");
    }

    void sweepEndsWhatIsPastItsTime_data()
    {
        QTest::addColumn<int>("phase");
        QTest::addColumn<QList<int>>("requests"); // the seconds their request lines began
        QTest::addColumn<int>("seconds");
        QTest::addColumn<bool>("ended");
        QTest::newRow("idle 10 s") << int(Phase::Idle) << QList<int>{} << 10 << true;
        // The first request counts from the connection's start, a later one from its request line.
        QTest::newRow("first request 10 s") << int(Phase::Receiving) << QList<int>{5} << 10 << true;
        QTest::newRow("later request 9 s") << int(Phase::Receiving) << QList<int>{0, 8} << 17 << false;
        QTest::newRow("later request 10 s") << int(Phase::Receiving) << QList<int>{0, 8} << 18 << true;
        QTest::newRow("answering 29 s") << int(Phase::Answering) << QList<int>{} << 29 << false;
        QTest::newRow("answering 30 s") << int(Phase::Answering) << QList<int>{} << 30 << true;
    }

    void sweepEndsWhatIsPastItsTime()
    {
        QFETCH(int, phase);
        QFETCH(QList<int>, requests);
        QFETCH(int, seconds);
        QFETCH(bool, ended);
        ConnectionTable table({});
        const auto start = ConnectionTable::Clock::now();
        ConnectionTable::Entry* entry = table.open(7, QStringLiteral("a"), QStringLiteral("a"), start);
        if (requests.isEmpty())
            table.setPhase(entry, Phase(phase), start);
        for (qsizetype i = 0; i < requests.size(); ++i) {
            if (i > 0)
                table.setPhase(entry, Phase::Idle, start + 1s); // the one before was answered
            table.requestBegan(entry, start + std::chrono::seconds(requests[i]));
        }
        QList<int> swept;
        for (int twice = 0; twice < 2; ++twice)
            table.sweep(start + std::chrono::seconds(seconds), [&](auto& e) { swept << e.fd; });
        QCOMPARE(swept, ended ? QList<int>{7} : QList<int>{});
    }
};

QTEST_GUILESS_MAIN(TestConnectionLimits)
#include "tst_connection_limits.moc"
