#include "core/LocalNetwork.h"

#include <QTest>

using LocalNetwork::Interface;

Q_DECLARE_METATYPE(Interface)

// Which addresses count as the local network, and the one the phone is offered.
class TestLocalNetwork : public QObject
{
    Q_OBJECT

private slots:
    void localAddresses_data()
    {
        QTest::addColumn<QString>("address");
        QTest::addColumn<bool>("local");
        const std::pair<const char*, bool> rows[] = {
            {"10.1.2.3", true},        {"172.15.0.1", false}, {"172.16.0.1", true},
            {"172.31.255.255", true},  {"172.32.0.1", false}, {"192.168.0.1", true},
            {"169.254.1.1", true},     {"127.0.0.2", true},   {"8.8.8.8", false},
            {"fd12::1", true},         {"fe80::1", true},     {"fec0::1", false},
            {"2001:db8::1", false},    {"::1", true},         {"::ffff:192.168.1.2", true},
            {"::ffff:8.8.8.8", false}, {"pellow.app", false}};
        for (const auto& [address, local] : rows)
            QTest::newRow(address) << QString(address) << local;
    }
    void localAddresses()
    {
        QFETCH(QString, address);
        QTEST(LocalNetwork::isLocalNetworkAddress(address), "local");
    }

    void chooseAddress_data()
    {
        QTest::addColumn<QList<Interface>>("interfaces");
        QTest::addColumn<QString>("chosen"); // empty: none (loopback only)
        const Interface lo{"lo", true, true, false, false, {"127.0.0.1", "::1"}};
        const Interface wifi{"wlan0", true, false, false, true, {"fe80::1", "192.168.1.23", "fd00::23"}};
        const Interface wired{"eth0", true, false, false, false, {"10.0.0.5"}};
        const Interface vpn{"tun0", true, false, true, true, {"10.8.0.2"}};
        Interface publicWired{"eth0", true, false, false, true, {"203.0.113.5", "2001:db8::5"}};
        Interface down = wifi;
        down.up = false;
        QTest::newRow("private, on the default route") << QList{lo, wired, wifi} << "192.168.1.23";
        QTest::newRow("public on the default route, private elsewhere")
            << QList{publicWired, wired} << "10.0.0.5";
        QTest::newRow("public only") << QList{lo, publicWired} << "";
        QTest::newRow("a VPN carries the default route")
            << QList{vpn, Interface{wifi.name, true, false, false, false, wifi.addresses}} << "192.168.1.23";
        QTest::newRow("IPv6 unique local only")
            << QList{Interface{"wlan0", true, false, false, true, {"fe80::1", "fd00::23"}}} << "fd00::23";
        QTest::newRow("link-local only")
            << QList{Interface{"eth0", true, false, false, true, {"169.254.3.4", "fe80::2"}}} << "";
        QTest::newRow("interface down") << QList{lo, down} << "";
    }
    void chooseAddress()
    {
        QFETCH(QList<Interface>, interfaces);
        QTEST(LocalNetwork::chooseAddress(interfaces).value_or(QString()), "chosen");
    }
};

QTEST_GUILESS_MAIN(TestLocalNetwork)
#include "tst_localnetwork.moc"
