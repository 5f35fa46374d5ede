#pragma once

// Text as a JSON string, for the documents the commands write.

#include <string>
#include <string_view>

namespace faxlens {

// Quotes, backslashes and control characters escaped, valid UTF-8 kept, and every byte that is
// not part of valid UTF-8 (a file name may hold any) turned into U+FFFD; the quotes included.
std::string JsonString(std::string_view text);

} // namespace faxlens
