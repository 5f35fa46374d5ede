#pragma once

#include <cstdint>
#include <string>

namespace faxlens::tiff {

// The display name of a tag number; "Unknown (N)" for a tag the dictionary does not hold.
std::string TagName(int32_t tag);

// The display name of a compression code; "Unknown" for a code the dictionary does not hold.
std::string CompressionName(int32_t code);

} // namespace faxlens::tiff
