#include "viewer/area_scaler.h"
#include "viewer/band_scaling.h"

#include <array>
#include <cmath>
#include <gtest/gtest.h>
#include <random>

namespace faxlens {
namespace {

struct Image {
    int32_t width = 0;
    int32_t height = 0;
    int channels = 1;
    std::vector<uint8_t> pixels;

    Image(int32_t w, int32_t h, int c, uint8_t value = 0)
        : width(w), height(h), channels(c), pixels(std::size_t(w) * h * c, value) {}
    uint8_t& At(int32_t x, int32_t y, int c = 0) {
        return pixels[(std::size_t(y) * width + x) * channels + c];
    }
    uint8_t At(int32_t x, int32_t y, int c = 0) const {
        return pixels[(std::size_t(y) * width + x) * channels + c];
    }
    viewer::PixelSource Source() const {
        return {pixels.data(), width, height, width * channels, channels};
    }
};

// A three-channel target, filled with a colour that no scaling of the test images makes.
struct Canvas : Image {
    static constexpr uint8_t kUntouched = 77;
    Canvas(int32_t w, int32_t h) : Image(w, h, 3, kUntouched) {}
    viewer::PixelTarget Target() { return {pixels.data(), width, height, width * 3}; }
};

struct Rect {
    int32_t x, y, w, h;
};

Canvas Scaled(const Image& source, Rect from, int32_t tw, int32_t th) {
    Canvas canvas(tw, th);
    viewer::ScaleAreaAverage(source.Source(), from.x, from.y, from.w, from.h, canvas.Target(), 0, 0,
                             tw, th);
    return canvas;
}

// The plain definition in doubles: the mean of the source over the part of it that a target
// pixel covers, with the source rectangle first cut to the source.
double ReferenceValue(const Image& source, Rect from, Rect to, int32_t x, int32_t y, int c) {
    const double sx0 = std::max(from.x, 0), sy0 = std::max(from.y, 0);
    const double sw = std::min(from.x + from.w, source.width) - sx0;
    const double sh = std::min(from.y + from.h, source.height) - sy0;
    const double left = sx0 + (x - to.x) * sw / to.w, right = sx0 + (x - to.x + 1) * sw / to.w;
    const double top = sy0 + (y - to.y) * sh / to.h, bottom = sy0 + (y - to.y + 1) * sh / to.h;
    double sum = 0;
    for (int32_t py = int32_t(std::floor(top)); py < bottom; ++py)
        for (int32_t px = int32_t(std::floor(left)); px < right; ++px) {
            const double cover = (std::min(px + 1.0, right) - std::max(double(px), left)) *
                                 (std::min(py + 1.0, bottom) - std::max(double(py), top));
            sum += cover * source.At(px, py, source.channels == 1 ? 0 : c);
        }
    return sum / ((right - left) * (bottom - top));
}

// Scales onto a canvas and checks every byte of it against the reference: pixels outside the
// target rectangle stay untouched, the others are within rounding of the exact mean.
void ExpectScaledLikeReference(const Image& source, Rect from, const Canvas& canvas, Rect to) {
    const bool drawn = std::min(from.x + from.w, source.width) > std::max(from.x, 0) &&
                       std::min(from.y + from.h, source.height) > std::max(from.y, 0);
    for (int32_t y = 0; y < canvas.height; ++y)
        for (int32_t x = 0; x < canvas.width; ++x)
            for (int c = 0; c < 3; ++c) {
                const bool inside =
                    drawn && x >= to.x && x < to.x + to.w && y >= to.y && y < to.y + to.h;
                const double expected =
                    inside ? ReferenceValue(source, from, to, x, y, c) : Canvas::kUntouched;
                // Half a level of rounding, plus the little that fixed-point weights add.
                ASSERT_NEAR(canvas.At(x, y, c), expected, 0.51)
                    << "at " << x << "," << y << " channel " << c << " from " << from.x << ","
                    << from.y << " " << from.w << "x" << from.h << " onto " << to.x << "," << to.y
                    << " " << to.w << "x" << to.h;
            }
}

void ExpectMatchesReference(const Image& source, Rect from, Canvas& canvas, Rect to) {
    std::fill(canvas.pixels.begin(), canvas.pixels.end(), Canvas::kUntouched);
    viewer::ScaleAreaAverage(source.Source(), from.x, from.y, from.w, from.h, canvas.Target(), to.x,
                             to.y, to.w, to.h);
    ExpectScaledLikeReference(source, from, canvas, to);
}

Image Random(int32_t w, int32_t h, int channels, std::mt19937& random) {
    Image image(w, h, channels);
    for (auto& p : image.pixels)
        p = static_cast<uint8_t>(random());
    return image;
}

TEST(AreaScaler, UniformRegionsStayExactAtEveryScale) {
    const int32_t sizes[] = {1, 2, 3, 7, 10, 33, 100, 1000};
    for (uint8_t level : {0, 1, 128, 254, 255})
        for (int channels : {1, 3})
            for (int32_t sw : sizes)
                for (int32_t tw : sizes) {
                    const int32_t sh = sizes[(sw + tw) % 8], th = sizes[(sw * 3 + tw) % 8];
                    const Canvas out =
                        Scaled(Image(sw, sh, channels, level), {0, 0, sw, sh}, tw, th);
                    for (uint8_t value : out.pixels)
                        ASSERT_EQ(value, level) << sw << "x" << sh << " onto " << tw << "x" << th;
                }
}

// The exact mean is 127.5; sums are rounded half up, so a half level goes to 128.
TEST(AreaScaler, CheckerboardShrunkByTwoIsMidGrey) {
    Image board(64, 64, 1);
    for (int32_t y = 0; y < 64; ++y)
        for (int32_t x = 0; x < 64; ++x)
            board.At(x, y) = (x + y) % 2 ? 255 : 0;
    for (uint8_t value : Scaled(board, {0, 0, 64, 64}, 32, 32).pixels)
        ASSERT_EQ(value, 128);
}

TEST(AreaScaler, OneToOneCopyIsExactAndGreyFillsAllThreeChannels) {
    std::mt19937 random(7);
    for (int channels : {1, 3}) {
        const Image source = Random(37, 23, channels, random);
        const Canvas out = Scaled(source, {0, 0, 37, 23}, 37, 23);
        for (int32_t y = 0; y < 23; ++y)
            for (int32_t x = 0; x < 37; ++x)
                for (int c = 0; c < 3; ++c)
                    ASSERT_EQ(out.At(x, y, c), source.At(x, y, channels == 1 ? 0 : c));
    }
}

TEST(AreaScaler, BlackPixelEnlargedThreeTimesIsABlackBlock) {
    Image source(3, 3, 1, 255);
    source.At(1, 1) = 0;
    const Canvas out = Scaled(source, {0, 0, 3, 3}, 9, 9);
    for (int32_t y = 0; y < 9; ++y)
        for (int32_t x = 0; x < 9; ++x)
            EXPECT_EQ(out.At(x, y), (x / 3 == 1 && y / 3 == 1) ? 0 : 255) << x << "," << y;
}

// Each target pixel covers 1.5 source pixels: (0 x 1 + 255 x 0.5) / 1.5 = 85, then 255.
TEST(AreaScaler, PartlyCoveredPixelsCountByTheirCoverage) {
    Image row(3, 1, 1), column(1, 3, 1);
    row.pixels = column.pixels = {0, 255, 255};
    const Canvas across = Scaled(row, {0, 0, 3, 1}, 2, 1);
    const Canvas down = Scaled(column, {0, 0, 1, 3}, 1, 2);
    EXPECT_EQ(across.At(0, 0), 85);
    EXPECT_EQ(across.At(1, 0), 255);
    EXPECT_EQ(down.At(0, 0), 85);
    EXPECT_EQ(down.At(0, 1), 255);
}

TEST(AreaScaler, ColourChannelsStaySeparate) {
    Image source(2, 1, 3);
    source.pixels = {255, 0, 10, 0, 255, 30};
    const Canvas out = Scaled(source, {0, 0, 2, 1}, 1, 1);
    EXPECT_EQ(out.pixels, (std::vector<uint8_t>{128, 128, 20}));
}

// A page of one bit a pixel, and the same page as a picture of its two colours.
struct BitImage {
    int32_t width;
    int32_t height;
    std::ptrdiff_t stride;
    std::vector<uint8_t> bits; // rows, then eight bytes that may be read past the last
    page::ColourValue zero;
    page::ColourValue one;

    BitImage(int32_t w, int32_t h, page::ColourValue z, page::ColourValue o)
        : width(w), height(h), stride((w + 7) / 8), bits(std::size_t(stride) * h + 8, 0), zero(z),
          one(o) {}
    void Set(int32_t x, int32_t y) { bits[std::size_t(y * stride + x / 8)] |= 0x80 >> (x % 8); }
    bool At(int32_t x, int32_t y) const {
        return bits[std::size_t(y * stride + x / 8)] & (0x80 >> (x % 8));
    }
    viewer::PixelSource Source() const {
        return {bits.data(), width, height, stride, viewer::kOneBitAPixel, zero, one};
    }
    Image Picture() const {
        Image picture(width, height, 3);
        for (int32_t y = 0; y < height; ++y)
            for (int32_t x = 0; x < width; ++x)
                for (int c = 0; c < 3; ++c)
                    picture.At(x, y, c) = uint8_t(((At(x, y) ? one : zero) >> (8 * c)) & 0xFF);
        return picture;
    }
};

BitImage RandomBits(int32_t w, int32_t h, std::mt19937& random, int blackPercent = 40) {
    BitImage image(w, h, random() % 2 ? page::kColourWhite : 0x00C0FFEE,
                   random() % 2 ? page::kColourBlack : 0x00123456);
    for (int32_t y = 0; y < h; ++y)
        for (int32_t x = 0; x < w; ++x)
            if (int(random() % 100) < blackPercent)
                image.Set(x, y);
    return image;
}

// Pages of one bit a pixel scale to the mean of their two colours over each target pixel,
// exactly summed: within rounding of the plain definition at every scale and position.
TEST(AreaScaler, BitSourcesAgreeWithThePlainDefinition) {
    std::mt19937 random(21);
    auto between = [&](int32_t lo, int32_t hi) { return lo + int32_t(random() % (hi - lo + 1)); };
    for (int round = 0; round < 300; ++round) {
        const BitImage bits = RandomBits(between(1, 150), between(1, 40), random);
        const Image picture = bits.Picture();
        Canvas canvas(between(1, 50), between(1, 50));
        const Rect from{between(-5, bits.width), between(-5, bits.height), between(1, 160),
                        between(1, 50)};
        const Rect to{between(-10, canvas.width), between(-10, canvas.height), between(1, 70),
                      between(1, 70)};
        std::fill(canvas.pixels.begin(), canvas.pixels.end(), Canvas::kUntouched);
        viewer::ScaleAreaAverage(bits.Source(), from.x, from.y, from.w, from.h, canvas.Target(),
                                 to.x, to.y, to.w, to.h);
        ExpectScaledLikeReference(picture, from, canvas, to);
    }
}

// A whole band of bits onto a few pixels, the way a page is drawn at 10 %: tens of rows a pixel
// are counted up first.
TEST(AreaScaler, BitSourcesAgreeWithThePlainDefinitionAtStrongShrinking) {
    std::mt19937 random(22);
    for (auto [w, h, tw, th] : {std::array{1000, 400, 23, 9},
                                {700, 1000, 3, 7},
                                {130, 999, 130, 4},
                                std::array{64, 640, 1, 1}}) {
        const BitImage bits = RandomBits(w, h, random, 30);
        Canvas canvas(tw, th);
        viewer::ScaleAreaAverage(bits.Source(), 0, 0, w, h, canvas.Target(), 0, 0, tw, th);
        ExpectScaledLikeReference(bits.Picture(), {0, 0, w, h}, canvas, {0, 0, tw, th});
    }
}

// Ink in a few narrow stripes, blank words between them: columns that count nothing are passed
// over, and those beside them still count every pixel.
TEST(AreaScaler, SparseBitSourcesAgreeWithThePlainDefinition) {
    std::mt19937 random(23);
    BitImage bits(1500, 700, page::kColourWhite, page::kColourBlack);
    for (const int32_t stripe : {3, 200, 650, 1431})
        for (int32_t y = 0; y < bits.height; ++y)
            for (int32_t x = stripe; x < stripe + 40; ++x)
                if (random() % 3 == 0)
                    bits.Set(x, y);
    for (auto [tw, th] : {std::array{23, 9}, std::array{150, 70}, std::array{41, 33}}) {
        Canvas canvas(tw, th);
        viewer::ScaleAreaAverage(bits.Source(), 0, 0, bits.width, bits.height, canvas.Target(), 0,
                                 0, tw, th);
        ExpectScaledLikeReference(bits.Picture(), {0, 0, bits.width, bits.height}, canvas,
                                  {0, 0, tw, th});
    }
}

TEST(AreaScaler, BitSourcesOfOneColourStayExact) {
    for (bool set : {false, true}) {
        BitImage bits(997, 61, 0x00102030, 0x00F0E0D0);
        if (set)
            for (int32_t y = 0; y < bits.height; ++y)
                for (int32_t x = 0; x < bits.width; ++x)
                    bits.Set(x, y);
        for (auto [tw, th] : {std::pair{3, 7}, {333, 20}, {997, 61}, {2048, 150}}) {
            Canvas canvas(tw, th);
            viewer::ScaleAreaAverage(bits.Source(), 0, 0, bits.width, bits.height, canvas.Target(),
                                     0, 0, tw, th);
            const page::ColourValue colour = set ? bits.one : bits.zero;
            for (int32_t i = 0; i < tw * th; ++i)
                for (int c = 0; c < 3; ++c)
                    ASSERT_EQ(canvas.pixels[std::size_t(i) * 3 + c], (colour >> (8 * c)) & 0xFF);
        }
    }
}

// A surface of two colours is scaled from its bits; one of three from its 24-bit picture.
TEST(AreaScaler, SurfacesAreScaledFromWhatTheyHold) {
    auto surface = page::CreatePageSurface(16, 2, page::kColourWhite);
    surface->PaintLine(0, 0, 7, page::kColourBlack);
    viewer::PixelSource source = viewer::SourceOf(*surface);
    EXPECT_EQ(source.channels, viewer::kOneBitAPixel);
    EXPECT_EQ(source.stride, 2);
    Canvas halves(2, 1);
    viewer::ScaleAreaAverage(source, 0, 0, 16, 2, halves.Target(), 0, 0, 2, 1);
    EXPECT_EQ(halves.pixels, (std::vector<uint8_t>{128, 128, 128, 255, 255, 255}));
    surface->PaintLine(15, 1, 15, 0x000000FF);
    source = viewer::SourceOf(*surface);
    EXPECT_EQ(source.channels, 3);
    viewer::ScaleAreaAverage(source, 0, 0, 16, 2, halves.Target(), 0, 0, 2, 1);
    EXPECT_EQ(halves.pixels, (std::vector<uint8_t>{128, 128, 128, 255, 239, 239}));
}

TEST(AreaScaler, ClippedTargetKeepsTheMappingOfTheVisiblePixels) {
    std::mt19937 random(3);
    const Image source = Random(20, 15, 1, random);
    Canvas canvas(12, 10);
    ExpectMatchesReference(source, {2, 1, 17, 13}, canvas, {-5, -3, 30, 20});
    ExpectMatchesReference(source, {0, 0, 20, 15}, canvas, {7, 6, 9, 9});
    ExpectMatchesReference(source, {0, 0, 20, 15}, canvas, {12, 0, 5, 5}); // wholly outside
}

TEST(AreaScaler, SourceRectangleIsCutToTheSource) {
    std::mt19937 random(4);
    const Image source = Random(10, 8, 3, random);
    EXPECT_EQ(Scaled(source, {-4, -2, 20, 30}, 7, 5).pixels,
              Scaled(source, {0, 0, 10, 8}, 7, 5).pixels);
    EXPECT_EQ(Scaled(source, {6, 5, 9, 9}, 4, 6).pixels, Scaled(source, {6, 5, 4, 3}, 4, 6).pixels);
    const std::vector<uint8_t> untouched = Canvas(4, 4).pixels;
    EXPECT_EQ(Scaled(source, {10, 0, 5, 5}, 4, 4).pixels, untouched);
    EXPECT_EQ(Scaled(source, {-5, 0, 5, 5}, 4, 4).pixels, untouched);
    EXPECT_EQ(Scaled(source, {0, 0, 0, 5}, 4, 4).pixels, untouched);
    EXPECT_EQ(Scaled(source, {0, 0, 5, -1}, 4, 4).pixels, untouched);
    Canvas canvas(4, 4);
    viewer::ScaleAreaAverage(source.Source(), 0, 0, 5, 5, canvas.Target(), 0, 0, 0, 4);
    viewer::ScaleAreaAverage(source.Source(), 0, 0, 5, 5, canvas.Target(), 0, 0, 4, -3);
    EXPECT_EQ(canvas.pixels, untouched);
}

TEST(AreaScaler, AgreesWithThePlainDefinitionOnRandomImages) {
    std::mt19937 random(11);
    auto between = [&](int32_t lo, int32_t hi) { return lo + int32_t(random() % (hi - lo + 1)); };
    for (int round = 0; round < 400; ++round) {
        const Image source = Random(between(1, 40), between(1, 40), round % 2 ? 3 : 1, random);
        Canvas canvas(between(1, 50), between(1, 50));
        const Rect from{between(-5, source.width), between(-5, source.height), between(1, 50),
                        between(1, 50)};
        const Rect to{between(-10, canvas.width), between(-10, canvas.height), between(1, 70),
                      between(1, 70)};
        ExpectMatchesReference(source, from, canvas, to);
    }
}

// A whole band of fine detail onto a few pixels, and a few pixels onto a long run. Columns
// alternating black and white are where rounded weights would err most.
TEST(AreaScaler, AgreesWithThePlainDefinitionAtExtremeFactors) {
    std::mt19937 random(12);
    const Image column = Random(2, 1000, 3, random);
    Image stripes(1000, 2, 1);
    for (int32_t x = 0; x < 1000; x += 2)
        stripes.At(x, 0) = stripes.At(x + 1, 1) = 255;
    Canvas wide(3, 700), tall(700, 3);
    ExpectMatchesReference(stripes, {0, 0, 1000, 2}, wide, {0, 0, 3, 700});
    ExpectMatchesReference(column, {0, 0, 2, 1000}, tall, {0, 0, 700, 3});
    ExpectMatchesReference(stripes, {0, 0, 1000, 2}, tall, {0, 0, 700, 1});
}

// A copy large enough to be shared among threads gives the pixels of scaling its bands one after
// another, at a shrinking and at an enlarging zoom.
TEST(ScaleBands, SharedCopyEqualsBandsScaledInTurn) {
    std::mt19937 random(31);
    const BitImage bits = RandomBits(3100, 2300, random, 10);
    for (const auto [tw, th] : {std::array{1013, 757}, std::array{1500, 1500}}) {
        SCOPED_TRACE(tw);
        const int32_t sx1 = tw > 1200 ? 1200 : bits.width - 1;
        const int32_t sy1 = tw > 1200 ? 1100 : bits.height - 1;
        const std::vector<viewer::StretchBand> bands =
            viewer::PlanStretchBands(0, 0, sx1, sy1, 0, 0, tw, th);
        ASSERT_GT(bands.size(), 2U);
        Canvas shared(tw, th);
        Canvas inTurn(tw, th);
        viewer::ScaleBands(bits.Source(), shared.Target(), bands);
        for (const viewer::StretchBand& band : bands)
            viewer::ScaleAreaAverage(bits.Source(), band.sourceX, band.sourceY, band.sourceWidth,
                                     band.sourceHeight, inTurn.Target(), band.targetX, band.targetY,
                                     band.targetWidth, band.targetHeight);
        EXPECT_EQ(shared.pixels, inTurn.pixels);
    }
}

} // namespace
} // namespace faxlens
