// The information line: the facts that are known, in their order, the others left out.

#include "viewer/info_line.h"

#include <gtest/gtest.h>

namespace faxlens::viewer {
namespace {

TEST(InfoLine, SaysWhatIsKnownAndLeavesOutTheRest) {
    InfoFacts full;
    full.fileName = QStringLiteral("fax.tif");
    full.index = 1;
    full.count = 5;
    full.width = 1728;
    full.height = 1100;
    full.xDpi = 204;
    full.yDpi = 98;
    full.zoom = 66.5F;
    full.column = 0;
    full.row = 1099;
    full.note = QStringLiteral("This is the last image.");
    full.place = QStringLiteral("strip 8, byte 766");
    InfoFacts noResolution = full;
    noResolution.xDpi = 0;
    noResolution.column.reset();
    noResolution.note.clear();
    noResolution.place.clear();
    InfoFacts notYetListed;
    notYetListed.fileName = QStringLiteral("big.tif");
    notYetListed.count = 3; // the place of the image shown is not known
    const std::pair<InfoFacts, const char*> cases[] = {
        {full, "fax.tif  image 2 of 5  1728 x 1100 px, 215 x 285 mm  66.5%  "
               "This is the last image.  column 1, row 1100, strip 8, byte 766"},
        {noResolution, "fax.tif  image 2 of 5  1728 x 1100 px  66.5%"},
        {notYetListed, "big.tif"},
        {InfoFacts{}, ""},
    };
    for (const auto& [facts, expected] : cases)
        EXPECT_EQ(InfoLineText(facts).toStdString(), expected);
}

} // namespace
} // namespace faxlens::viewer
