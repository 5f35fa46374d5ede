#pragma once

// Turning a page a quarter turn: a new surface whose width is the page's height and whose height
// is its width, holding the same pixels turned. The page a fax arrives as, upside down or on its
// side, becomes the page that is shown and saved.

#include "page/page_surface.h"

#include <memory>

namespace faxlens::page {

enum class QuarterTurn { Clockwise, CounterClockwise };

// Null when the turned page cannot have a surface (the memory cannot be had).
std::unique_ptr<PageSurface> TurnedQuarter(const PageSurface& page, QuarterTurn turn);
// The page turned upside down, in one step: it takes the memory of one page beside it, where two
// quarter turns would take two.
std::unique_ptr<PageSurface> TurnedHalf(const PageSurface& page);

} // namespace faxlens::page
