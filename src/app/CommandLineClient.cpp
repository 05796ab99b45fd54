#include "CommandLineClient.h"

#include "app/DBusControl.h"
#include "core/PellowTimer.h"
#include "core/TimeTexts.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDateTime>

#include <cstdio>

namespace {

void print(FILE* to, const QString& text)
{
    std::fputs(qPrintable(text + QLatin1Char('\n')), to);
}

// One call to the running Pellow; none (with the error printed) when it fails.
std::optional<QDBusMessage> call(const QString& method, const QVariantList& args = {})
{
    QDBusMessage message = QDBusMessage::createMethodCall(DBusControl::kService, DBusControl::kPath,
                                                          DBusControl::kService, method);
    message.setArguments(args);
    const QDBusMessage reply = QDBusConnection::sessionBus().call(message, QDBus::Block, 10'000);
    if (reply.type() == QDBusMessage::ReplyMessage)
        return reply;
    print(stderr, QStringLiteral("pellow: %1").arg(reply.errorMessage()));
    return std::nullopt;
}

std::optional<TimerList> listTimers()
{
    const auto reply = call(QStringLiteral("ListTimers"));
    if (!reply)
        return std::nullopt;
    return TimerJson::decodeBytes(reply->arguments().value(0).toString().toUtf8());
}

// The id of the timer with this id, or else with this name as the menu shows it (ignoring
// case); none when no timer or more than one has that name.
std::optional<QString> findTimer(const TimerList& timers, const QString& nameOrId)
{
    if (TimeTexts::timerIndex(timers, nameOrId))
        return nameOrId;
    std::optional<QString> found;
    for (const PellowTimer& t : timers) {
        if (TimeTexts::displayName(t, timers).compare(nameOrId, Qt::CaseInsensitive) != 0)
            continue;
        if (found) {
            print(stderr,
                  QStringLiteral("pellow: more than one timer is called %1; use its id").arg(nameOrId));
            return std::nullopt;
        }
        found = t.id;
    }
    if (!found)
        print(stderr, QStringLiteral("pellow: no timer is called %1").arg(nameOrId));
    return found;
}

} // namespace

int runCommand(const CommandLine::Command& command)
{
    using CommandLine::Command;
    switch (command.kind) {
    case Command::Help:
        std::fputs(qPrintable(CommandLine::usage()), stdout);
        return 0;
    case Command::Version:
        print(stdout, QStringLiteral("pellow " PELLOW_VERSION));
        return 0;
    case Command::Invalid:
        print(stderr, QStringLiteral("pellow: %1\nTry pellow --help.").arg(command.error));
        return 2;
    default:
        break;
    }
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected() || !bus.interface()->isServiceRegistered(DBusControl::kService)) {
        print(stderr, QStringLiteral("pellow: Pellow is not running"));
        return 1;
    }
    switch (command.kind) {
    case Command::New: {
        const auto reply = call(QStringLiteral("NewTimer"), {command.seconds, command.name});
        if (reply)
            print(stdout, reply->arguments().value(0).toString());
        return reply ? 0 : 1;
    }
    case Command::List: {
        const std::optional<TimerList> timers = listTimers();
        if (!timers)
            return 1;
        const double now = QDateTime::currentMSecsSinceEpoch() / 1000.0;
        for (const PellowTimer& t : *timers)
            print(stdout, QStringLiteral("%1\t%2\t%3")
                              .arg(t.id, TimeTexts::displayName(t, *timers), TimeTexts::detailText(t, now)));
        return 0;
    }
    case Command::Toggle: {
        const std::optional<TimerList> timers = listTimers();
        const std::optional<QString> id = timers ? findTimer(*timers, command.name) : std::nullopt;
        return id && call(QStringLiteral("Toggle"), {*id}) ? 0 : 1;
    }
    case Command::PauseAll:
        return call(QStringLiteral("PauseAll")) ? 0 : 1;
    case Command::StartAll:
        return call(QStringLiteral("StartAll")) ? 0 : 1;
    default:
        return 2;
    }
}
