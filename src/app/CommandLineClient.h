#pragma once

#include "core/CommandLine.h"

// Carries out a command for the Pellow running on the session bus; the process's exit code.
// Output goes to stdout, errors to stderr.
int runCommand(const CommandLine::Command& command);
