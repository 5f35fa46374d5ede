#pragma once

// The program's start-up and the opening of a file into the document state.

#include "shell/document_state.h"

#include <QString>
#include <QStringList>

namespace faxlens::shell {
class Form1;
} // namespace faxlens::shell

namespace faxlens::shell {

// Centres the window on the screen, shows it and opens the file named by the command line text,
// if there is one.
void StartUp(Form1& form, const QString& commandLine);

// Lists the images of the file. False when the file cannot be opened or is not a TIFF file (a
// box then names the file and the reason, the list stays empty and the status line shows its
// start text again), and when another file is being read at the time (then nothing changes).
bool OpenTifFile(Form1& form, const QString& path);

// Forgets the open file: report, list and state.
void ClearDocument(Form1& form);

// The command line as one text: the arguments after the program name, joined with single blanks.
QString JoinArguments(const QStringList& arguments);

// The path of a command line: every double quote removed, then blanks trimmed.
QString CleanPath(const QString& path);

// Runs the main window until the user closes it; returns the event loop's exit code.
int Run(const QString& commandLine);

} // namespace faxlens::shell
