// Pellow's own time texts and length reading, for the phone page's tests to compare with. Reads
// one JSON object on stdin:
//   {"now": seconds, "locale": "en_US", "timers": [records], "lengths": [texts], "seconds": [numbers]}
// and writes {"details": [...], "names": [...], "lengths": [seconds or null], "clocks": [...]}.
#include "LengthParser.h"
#include "PellowTimer.h"
#include "TimeTexts.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <cstdio>

int main()
{
    QFile in, out;
    if (!in.open(stdin, QIODevice::ReadOnly) || !out.open(stdout, QIODevice::WriteOnly))
        return 2;
    const QJsonObject request = QJsonDocument::fromJson(in.readAll()).object();
    const std::optional<TimerList> timers =
        TimerJson::decode(request.value(QLatin1String("timers")).toArray());
    if (!timers) {
        std::fputs("time_texts_probe: the records do not decode\n", stderr);
        return 1;
    }
    const double now = request.value(QLatin1String("now")).toDouble();
    const QLocale locale(request.value(QLatin1String("locale")).toString());

    QJsonArray details, names;
    for (const PellowTimer& t : *timers) {
        details.append(TimeTexts::detailText(t, now, locale));
        names.append(TimeTexts::displayName(t, *timers));
    }
    QJsonArray lengths;
    for (const QJsonValue& text : request.value(QLatin1String("lengths")).toArray()) {
        const std::optional<double> seconds = LengthParser::acceptedLength(text.toString());
        lengths.append(seconds ? QJsonValue(*seconds) : QJsonValue(QJsonValue::Null));
    }
    QJsonArray clocks;
    for (const QJsonValue& seconds : request.value(QLatin1String("seconds")).toArray())
        clocks.append(TimeTexts::clockText(seconds.toDouble()));

    const QJsonObject reply{{"details", details}, {"names", names}, {"lengths", lengths}, {"clocks", clocks}};
    out.write(QJsonDocument(reply).toJson(QJsonDocument::Compact));
    return 0;
}
