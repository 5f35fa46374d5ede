#pragma once

// The program's start-up, its document state and the rules for paths given on the command line.

#include "shell/document_state.h"

#include <QString>
#include <QStringList>

namespace faxlens::shell {

// The command line as one text: the arguments after the program name, joined with single blanks.
QString JoinArguments(const QStringList& arguments);

// The path of a command line: every double quote removed, then blanks trimmed.
QString CleanPath(const QString& path);

// Runs the main window until the user closes it; returns the event loop's exit code.
int Run(const QString& commandLine);

} // namespace faxlens::shell
