#pragma once

#include <functional>

namespace faxlens {

// Called now and then during long work (listing a file, decoding, saving or exporting a page).
// The work does not depend on what it does, with one exception: a check may end the work by
// throwing WorkCancelled, which the work lets pass. Everything the work holds is released as
// the exception unwinds, and a file it was writing is never left under its final name.
using WorkCheck = std::function<void()>;

// What a check throws when the work it watches is no longer wanted.
struct WorkCancelled {};

inline void CheckWork(const WorkCheck& check) {
    if (check)
        check();
}

} // namespace faxlens
