#include "a0_drawing.h"

#include "a0_pages.h"
#include "row_painter.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <random>
#include <utility>
#include <vector>

namespace faxlens::bench {

namespace {

// The shapes are made once; each is asked for its pixels on every row.

constexpr uint8_t kUpperLeft = 1, kUpperRight = 2, kLowerLeft = 4, kLowerRight = 8;

// A circle of the given radius and line width, or the quarters of it that `quarters` names.
struct Ring {
    double cx, cy, radius, lineWidth;
    uint8_t quarters;

    void Paint(RowPainter& painter, int32_t y) const {
        const double dy = y + 0.5 - cy;
        const double outer = radius + lineWidth / 2, inner = radius - lineWidth / 2;
        if (std::abs(dy) >= outer)
            return;
        const double xo = std::sqrt(outer * outer - dy * dy);
        const double xi = std::abs(dy) < inner ? std::sqrt(inner * inner - dy * dy) : 0;
        if (quarters & (dy < 0 ? kUpperLeft : kLowerLeft))
            painter.Span(cx - xo, cx - xi);
        if (quarters & (dy < 0 ? kUpperRight : kLowerRight))
            painter.Span(cx + xi, cx + xo);
    }
};

// A straight line from (x0, y0) down to (x1, y1), steeper than 15 degrees.
struct Stroke {
    double x0, y0, x1, y1, lineWidth;

    void Paint(RowPainter& painter, int32_t y) const {
        const double yc = y + 0.5;
        if (yc < y0 || yc >= y1)
            return;
        const double cx = x0 + (yc - y0) * (x1 - x0) / (y1 - y0);
        const double half = lineWidth / 2 * std::hypot(x1 - x0, y1 - y0) / (y1 - y0);
        painter.Span(cx - half, cx + half);
    }
};

// A filled rectangle; a dashed one is painted in dashes along its longer side.
struct Box {
    int32_t x0, y0, x1, y1; // x1 and y1 excluded
    int32_t dash = 0;

    void Paint(RowPainter& painter, int32_t y) const {
        if (y < y0 || y >= y1)
            return;
        const int32_t period = dash * 3 / 2;
        if (dash == 0)
            painter.Bits(x0, x1);
        else if (y1 - y0 > x1 - x0) {
            if ((y - y0) % period < dash)
                painter.Bits(x0, x1);
        } else
            for (int32_t x = x0; x < x1; x += period)
                painter.Bits(x, std::min(x + dash, x1));
    }
};

struct Label {
    int32_t x, top, count;
    uint64_t seed;
};

struct Drawing {
    std::vector<Ring> rings;
    std::vector<Stroke> strokes;
    std::vector<Box> boxes;
    std::vector<Label> labels;

    void Outline(int32_t x0, int32_t y0, int32_t x1, int32_t y1, int32_t line) {
        boxes.push_back({x0, y0, x1, y0 + line});
        boxes.push_back({x0, y1 - line, x1, y1});
        boxes.push_back({x0, y0, x0 + line, y1});
        boxes.push_back({x1 - line, y0, x1, y1});
    }
};

constexpr int32_t kOuterFrame = 200; // from the page's edge
constexpr int32_t kInnerFrame = 300;
constexpr int32_t kTitleX = kA0Width - kInnerFrame - 5200; // the title block, bottom right
constexpr int32_t kTitleY = kA0Height - kInnerFrame - 2000;

// Frame with zone ticks, a dashed grid and the title block with its text.
void AddFrameAndTitle(Drawing& d) {
    const int32_t right = kA0Width - kOuterFrame, bottom = kA0Height - kOuterFrame;
    d.Outline(kOuterFrame, kOuterFrame, right, bottom, 30);
    d.Outline(kInnerFrame, kInnerFrame, kA0Width - kInnerFrame, kA0Height - kInnerFrame, 8);
    for (int32_t x = kOuterFrame + 1650; x < right; x += 1650) {
        d.boxes.push_back({x, kOuterFrame, x + 6, kInnerFrame});
        d.boxes.push_back({x, kA0Height - kInnerFrame, x + 6, bottom});
    }
    for (int32_t y = kOuterFrame + 1650; y < bottom; y += 1650) {
        d.boxes.push_back({kOuterFrame, y, kInnerFrame, y + 6});
        d.boxes.push_back({kA0Width - kInnerFrame, y, right, y + 6});
    }
    const int32_t titleRight = kA0Width - kInnerFrame, titleBottom = kA0Height - kInnerFrame;
    for (int32_t x = kInnerFrame + 1000; x < titleRight; x += 1000) // the grid stops at the title
        d.boxes.push_back({x, kInnerFrame, x + 2, x < kTitleX ? titleBottom : kTitleY, 60});
    for (int32_t y = kInnerFrame + 1000; y < titleBottom; y += 1000)
        d.boxes.push_back({kInnerFrame, y, y < kTitleY ? titleRight : kTitleX, y + 2, 60});

    d.Outline(kTitleX, kTitleY, titleRight, titleBottom, 12);
    for (int32_t y = kTitleY + 250; y < titleBottom; y += 250)
        d.boxes.push_back({kTitleX, y, titleRight, y + 4});
    for (const int32_t column : {1300, 3600}) {
        d.boxes.push_back({kTitleX + column, kTitleY, kTitleX + column + 4, titleBottom});
        for (int32_t y = kTitleY + 100; y + kGlyphHeight < titleBottom; y += 250)
            d.labels.push_back({kTitleX + column + 60, y, 20, Mix(column, y)});
    }
    for (int32_t y = kTitleY + 100; y + kGlyphHeight < titleBottom; y += 250)
        d.labels.push_back({kTitleX + 60, y, 28, Mix(2, y)});
}

// Where a shape of this extent may go: inside the frame, clear of the title block.
bool FitsSheet(double x0, double y0, double x1, double y1) {
    const double inside = kInnerFrame + 40;
    if (x0 < inside || y0 < inside || x1 > kA0Width - inside || y1 > kA0Height - inside)
        return false;
    return x1 < kTitleX - 40 || y1 < kTitleY - 40;
}

void AddParts(Drawing& d) {
    std::mt19937 random(2024);
    auto anywhere = [&] {
        return std::pair<double, double>{Between(random, kInnerFrame, kA0Width - kInnerFrame),
                                         Between(random, kInnerFrame, kA0Height - kInnerFrame)};
    };
    const uint8_t arcs[] = {kUpperLeft | kUpperRight,
                            kLowerLeft | kLowerRight,
                            kUpperLeft | kLowerLeft,
                            kUpperRight | kLowerRight,
                            kUpperLeft,
                            kUpperRight,
                            kLowerLeft,
                            kLowerRight};
    while (d.rings.size() < 350) {
        const int size = Between(random, 0, 19);
        const double radius = size < 14   ? Between(random, 20, 150)
                              : size < 19 ? Between(random, 150, 800)
                                          : Between(random, 800, 2000);
        const auto [cx, cy] = anywhere();
        const int kind = Between(random, 0, 19);
        const uint8_t quarters = kind < 12 ? 0xF : arcs[kind % 8];
        if (FitsSheet(cx - radius, cy - radius, cx + radius, cy + radius))
            d.rings.push_back({cx, cy, radius, double(Between(random, 2, 12)), quarters});
    }
    for (int placed = 0; placed < 12;) { // bolt circles: a pitch circle with holes on it
        const double pitch = Between(random, 400, 1200);
        const auto [cx, cy] = anywhere();
        if (!FitsSheet(cx - pitch - 100, cy - pitch - 100, cx + pitch + 100, cy + pitch + 100))
            continue;
        d.rings.push_back({cx, cy, pitch, 2, 0xF});
        d.rings.push_back({cx, cy, pitch * 0.6, 10, 0xF});
        const int holes = Between(random, 6, 12);
        const double hole = Between(random, 40, 90);
        for (int h = 0; h < holes; ++h) {
            const double angle = 2 * std::numbers::pi * h / holes;
            d.rings.push_back(
                {cx + pitch * std::cos(angle), cy + pitch * std::sin(angle), hole, 4, 0xF});
        }
        ++placed;
    }
    while (d.strokes.size() < 200) {
        const double length = Between(random, 300, 5000);
        const double angle = Between(random, 15, 75) * std::numbers::pi / 180;
        const double dx = length * std::cos(angle) * (Between(random, 0, 1) ? 1 : -1);
        const double dy = length * std::sin(angle);
        const auto [x0, y0] = anywhere();
        if (FitsSheet(std::min(x0, x0 + dx), y0, std::max(x0, x0 + dx), y0 + dy))
            d.strokes.push_back({x0, y0, x0 + dx, y0 + dy, double(Between(random, 2, 10))});
    }
    for (int placed = 0; placed < 60;) {
        const int32_t w = Between(random, 400, 3000), h = Between(random, 300, 2500);
        const auto [x0, y0] = anywhere();
        if (!FitsSheet(x0, y0, x0 + w, y0 + h))
            continue;
        d.Outline(int32_t(x0), int32_t(y0), int32_t(x0) + w, int32_t(y0) + h,
                  Between(random, 4, 10));
        ++placed;
    }
    while (d.labels.size() < 150) {
        const int32_t count = Between(random, 3, 16);
        const auto [x, top] = anywhere();
        if (FitsSheet(x, top, x + count * kGlyphAdvance, top + kGlyphHeight))
            d.labels.push_back({int32_t(x), int32_t(top), count, random()});
    }
}

const Drawing& TheDrawing() {
    static const Drawing drawing = [] {
        Drawing made;
        AddFrameAndTitle(made);
        AddParts(made);
        return made;
    }();
    return drawing;
}

} // namespace

void A0DrawingRow(int32_t y, std::span<uint8_t> row) {
    const Drawing& d = TheDrawing();
    RowPainter painter(row, kA0Width);
    for (const Box& box : d.boxes)
        box.Paint(painter, y);
    for (const Ring& ring : d.rings)
        ring.Paint(painter, y);
    for (const Stroke& stroke : d.strokes)
        stroke.Paint(painter, y);
    for (const Label& label : d.labels)
        PaintText(painter, y, label.x, label.top, label.count, label.seed);
}

} // namespace faxlens::bench
