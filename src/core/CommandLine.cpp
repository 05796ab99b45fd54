#include "CommandLine.h"

#include "LengthParser.h"

namespace CommandLine {

Command parse(const QStringList& arguments)
{
    Command command;
    if (arguments.isEmpty())
        return command;
    const QString verb = arguments.first();
    const QString rest = arguments.mid(1).join(QLatin1Char(' ')).trimmed();
    const auto invalid = [&command](const QString& error) {
        command.kind = Command::Invalid;
        command.error = error;
        return command;
    };
    if (verb == QLatin1String("--help") || verb == QLatin1String("-h") || verb == QLatin1String("help"))
        command.kind = Command::Help;
    else if (verb == QLatin1String("--version"))
        command.kind = Command::Version;
    else if (verb == QLatin1String("list"))
        command.kind = Command::List;
    else if (verb == QLatin1String("pause-all"))
        command.kind = Command::PauseAll;
    else if (verb == QLatin1String("start-all"))
        command.kind = Command::StartAll;
    else if (verb == QLatin1String("toggle")) {
        if (rest.isEmpty())
            return invalid(QStringLiteral("toggle needs the name or the id of a timer"));
        command.kind = Command::Toggle;
        command.name = rest;
    } else if (verb == QLatin1String("new")) {
        if (arguments.size() < 2)
            return invalid(QStringLiteral("new needs a length, such as 25, 7:30 or 1:05:00"));
        const std::optional<double> seconds = LengthParser::acceptedLength(arguments[1]);
        if (!seconds)
            return invalid(QStringLiteral("Couldn't read that length: %1").arg(arguments[1]));
        command.kind = Command::New;
        command.seconds = *seconds;
        command.name = arguments.mid(2).join(QLatin1Char(' ')).trimmed();
    } else if (verb.startsWith(QLatin1Char('-'))) {
        return command; // Qt's own options, such as -platform, for a normal launch
    } else {
        return invalid(QStringLiteral("unknown command: %1").arg(verb));
    }
    // Only new and toggle take more words.
    if (command.kind != Command::New && command.kind != Command::Toggle && !rest.isEmpty())
        return invalid(QStringLiteral("%1 takes no more arguments").arg(verb));
    return command;
}

QString usage()
{
    return QStringLiteral(
        "Usage: pellow [COMMAND]\n"
        "Timers in the tray. Without a command, starts Pellow; run again, it opens the "
        "new-timer window.\n\n"
        "Commands for the running Pellow:\n"
        "  new LENGTH [NAME]   start a countdown: minutes, m:ss or h:mm:ss (25, 7:30, 1:05:00)\n"
        "  list                the timers, one a line: id, name, time and state\n"
        "  toggle NAME-OR-ID   start or pause a timer\n"
        "  pause-all           pause every running timer\n"
        "  start-all           start every paused timer\n\n"
        "  --help              this text\n"
        "  --version           Pellow's version\n");
}

} // namespace CommandLine
