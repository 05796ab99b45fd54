#pragma once

#include <QString>
#include <QStringList>

// What `pellow` was asked to do on its command line.
namespace CommandLine {

struct Command
{
    enum Kind
    {
        Launch, // no arguments (or only Qt's): run Pellow; a second launch opens the new-timer window
        Help,
        Version,
        New,
        List,
        PauseAll,
        StartAll,
        Toggle,
        Invalid
    };
    Kind kind = Launch;
    double seconds = 0;
    QString name;  // New: the timer's name; Toggle: a name or an id
    QString error; // Invalid: what was wrong
};

// `arguments` without the program name.
Command parse(const QStringList& arguments);
QString usage();

} // namespace CommandLine
