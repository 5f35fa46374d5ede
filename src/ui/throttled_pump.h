#pragma once

// Long work (decoding, saving) offers to process events very often; doing it every time would
// slow the work down a lot, so the offer is taken at most once in a short interval.

#include "base/event_pump.h"

namespace faxlens::ui {

// An event pump that processes pending events when called, but not more than once in 30 ms.
EventPump ThrottledEventPump();

} // namespace faxlens::ui
