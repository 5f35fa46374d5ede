#pragma once

// Small text rules for the paths that the shell hands around.

#include <QString>
#include <string>

namespace faxlens::ui {

// Removes leading and trailing blanks (only the space character, as the path rules say).
QString TrimSpaces(const QString& text);

// The path as the core takes it: the file system's own bytes for the name.
std::string NativePath(const QString& path);

// The other way: a path of the file system's own bytes as text.
QString PathText(const std::string& nativePath);

} // namespace faxlens::ui
