#pragma once

// The number at the start of a text, read the lenient way in which tag values and the zoom box
// are read: blanks anywhere are skipped; then come an optional sign, digits, a point (always a
// point, whatever the locale) and more digits, and an optional exponent (E, and with
// dMarksExponent also D, followed by an optional sign and digits). Reading stops at the first
// other character, so "8, 8, 8" gives 8 and "12.5 %" gives 12.5.

#include <string_view>

namespace faxlens {

// 0 when the text does not begin with a number. A number too large for a double is infinite, one
// too small for it 0.
double LeadingNumber(std::string_view text, bool dMarksExponent = false);

} // namespace faxlens
