#pragma once

#include <QString>
#include <QStringList>

// The child side of ProcessHttpClient: `pellow --http-request get|post URL [PEM]` makes one
// request with QtHttpClient (a POST sends standard input as its body), writes the reply's JSON
// object to standard output and exits 0, or exits 1 when there is none.
namespace HttpRequestCommand {

inline const QString kOption = QStringLiteral("--http-request");

// Runs the request in an event loop of its own; needs a QCoreApplication. Returns the exit code.
int run(const QStringList& arguments);

} // namespace HttpRequestCommand
