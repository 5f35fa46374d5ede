#pragma once

// Permission checks mean nothing to root. Tests of what a user may not do run their work as a
// user without privileges: when the tests run as root, in a child process that has dropped to
// the user "nobody"; otherwise right here, as the user running them.

#include <functional>
#include <string>

namespace faxlens::test {

// Runs work as a user without privileges and returns the text it returns. The work must not use
// test assertions (a child's failures would not reach the test); it returns what the test checks.
std::string AsUnprivilegedUser(const std::function<std::string()>& work);

// Hands a file or folder over to the user that AsUnprivilegedUser runs as; nothing unless root.
void GiveToUnprivilegedUser(const std::string& path);

} // namespace faxlens::test
