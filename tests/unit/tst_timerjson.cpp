#include "core/PellowTimer.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QTest>

#include <array>
#include <limits>
#include <tuple>

namespace {

PellowTimer sample()
{
    return {QStringLiteral("0F1E2D3C-4B5A-6978-8796-A5B4C3D2E1F0"),
            QStringLiteral("Tea \"🍵\"\n"),
            QStringLiteral("down"),
            600,
            12.5,
            1733480000.123456,
            true,
            false,
            {kHalfwayMark, 300},
            QStringLiteral("#a1B2c3")};
}

QJsonValue sampleObject()
{
    return TimerJson::encode({sample()})->at(0);
}

} // namespace

class TimerJsonTest : public QObject
{
    Q_OBJECT
private slots:
    void numbersRoundTripExactly_data()
    {
        QTest::addColumn<double>("value");
        for (double v : {0.1, 1.0 / 3, 1733480000.123456, -1.0})
            QTest::addRow("%.17g", v) << v;
    }
    void numbersRoundTripExactly()
    {
        QFETCH(double, value);
        PellowTimer t = sample(), plain; // plain: no colour, no marks
        t.duration = t.banked = t.startedAt = value;
        t.warned = {value, kHalfwayMark};
        plain.mode = QStringLiteral("up");
        const TimerList list{t, plain};
        QCOMPARE(TimerJson::decodeBytes(TimerJson::encodeBytes(list).value()), list);
    }

    void readingOneRecord_data()
    {
        QTest::addColumn<QString>("key");
        QTest::addColumn<QByteArray>("json"); // empty: the key is left out
        QTest::addColumn<bool>("accepted");
        for (const char* key :
             {"id", "label", "mode", "duration", "banked", "startedAt", "running", "alerted", "warned"})
            QTest::addRow("no %s", key) << key << QByteArray() << false;
        // clang-format off
        const std::tuple<const char*, const char*, bool> rows[] = {
            {"id", "7", false}, {"label", "null", false}, {"duration", "\"600\"", false}, {"running", "1", false},
            {"warned", "{}", false}, {"warned", "[300, \"5\"]", false}, {"color", "5", false},
            {"color", "", true}, {"color", "null", true}, {"duration", "600", true}, {"warned", "[]", true},
            {"future", "{\"x\": 1}", true}};
        // clang-format on
        for (auto [key, json, accepted] : rows)
            QTest::addRow("%s=%s", key, json) << key << QByteArray(json) << accepted;
    }
    void readingOneRecord()
    {
        QFETCH(QString, key);
        QFETCH(QByteArray, json);
        QJsonObject changed = sampleObject().toObject();
        changed.insert(key, json.isEmpty() ? QJsonValue(QJsonValue::Undefined)
                                           : QJsonDocument::fromJson("[" + json + "]").array().at(0));
        // A good record comes first: one bad element must still reject the whole array.
        const auto list = TimerJson::decodeBytes(QJsonDocument(QJsonArray{sampleObject(), changed}).toJson());
        QTEST(list.has_value(), "accepted");
        if (!list)
            return;
        QCOMPARE(list->size(), 2);
        const bool coloured = key != QLatin1String("color");
        QCOMPARE(list->at(1).color.has_value(), coloured);
        // No colour is written by leaving the key out, never as null.
        QCOMPARE(TimerJson::encode(*list)->at(1).toObject().contains(QLatin1String("color")), coloured);
    }

    void storedBytes_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<int>("count"); // -1: rejected
        QTest::newRow("empty list") << QByteArray("[]") << 0;
        QTest::newRow("not json") << QByteArray("\xff\x00[", 3) << -1;
        QTest::newRow("object") << QByteArray("{}") << -1;
        QTest::newRow("number element") << QByteArray("[1]") << -1;
        QTest::newRow("overflowing number")
            << QJsonDocument(QJsonArray{sampleObject()}).toJson().replace("600", "1e400") << -1;
        QTest::newRow("whole numbers")
            << QByteArray(R"([{"id":"A","label":"","mode":"x","duration":5,"banked":0,)"
                          R"("startedAt":0,"running":false,"alerted":true,"warned":[-1,600]}])")
            << 1;
    }
    void storedBytes()
    {
        QFETCH(QByteArray, bytes);
        const auto list = TimerJson::decodeBytes(bytes);
        QTEST(list ? int(list->size()) : -1, "count");
        if (list) // written back compactly, with the same content
            QCOMPARE(TimerJson::encodeBytes(*list).value(),
                     QJsonDocument::fromJson(bytes).toJson(QJsonDocument::Compact));
    }

    // JSON has no infinity or NaN: a list holding one is not written at all.
    void nonFiniteNumbersFailEncoding()
    {
        for (double value :
             {std::numeric_limits<double>::infinity(), std::numeric_limits<double>::quiet_NaN()})
            for (int field = 0; field < 4; ++field) {
                PellowTimer t = sample();
                *std::array{&t.duration, &t.banked, &t.startedAt, &t.warned[1]}[field] = value;
                QVERIFY(!TimerJson::encode({sample(), t}));
                QVERIFY(!TimerJson::encodeBytes({sample(), t}));
            }
    }
};

QTEST_GUILESS_MAIN(TimerJsonTest)
#include "tst_timerjson.moc"
