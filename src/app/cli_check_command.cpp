// faxlens-cli check: every image of every file decoded as the viewer decodes it, and what it met
// said in one line a page (or one JSON document), without writing any picture.

#include "app/cli.h"
#include "app/page_check.h"

namespace faxlens::cli {

Outcome RunCheck(Operands operands) {
    bool json = false;
    std::vector<FileCheck> files;
    for (const std::string& operand : operands) {
        if (operand == "--json")
            json = true;
        else
            files.push_back(CheckFile(operand));
    }
    if (files.empty())
        return BadUsage("check needs at least one FILE");
    Outcome outcome = Done(json ? Json(files) : Lines(files));
    if (!AllOk(files))
        outcome.status = kFailed;
    return outcome;
}

} // namespace faxlens::cli
