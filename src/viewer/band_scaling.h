#pragma once

// The bands of a tiled copy scaled onto their target. Bands write target pixels apart from each
// other's, so a large copy is shared among the processor's cores, each scaling a run of whole
// bands; the pixels are those of scaling the bands one after another.

#include "viewer/area_scaler.h"
#include "viewer/render_geometry.h"

#include <span>

namespace faxlens::viewer {

void ScaleBands(const PixelSource& source, const PixelTarget& target,
                std::span<const StretchBand> bands);

} // namespace faxlens::viewer
