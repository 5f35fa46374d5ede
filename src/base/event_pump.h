#pragma once

#include <functional>

namespace faxlens {

// Called now and then during long work (listing a file, decoding or saving a page) so that a
// window can process pending events. The work does not depend on what it does.
using EventPump = std::function<void()>;

inline void Pump(const EventPump& pump) {
    if (pump)
        pump();
}

} // namespace faxlens
