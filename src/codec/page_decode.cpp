#include "codec/page_decode.h"

#include "codec/run_decoding.h"
#include "codec/strip_window.h"
#include "tiff/binary_file.h"

#include <algorithm>
#include <cctype>
#include <climits>
#include <vector>

namespace faxlens::modConvert_TIF2DC {

namespace {

constexpr int32_t kEolZeros = 11;
constexpr int32_t kEolLength = 12;

// Group 3: refill when 100 or fewer characters are left, with up to 1001 bytes; let the window
// system run after every 16 bytes.
constexpr int64_t kLookahead1D = 101;
constexpr std::size_t kRefillBytes1D = 1001;
constexpr std::size_t kBytesPerPump1D = 16;

// Group 4: keep at least 2000 characters ahead, so that no code word is cut by the end of the
// window; a refill writes at most 250 bytes over 2000 placeholders.
constexpr int64_t kLookahead2D = 2000;
constexpr std::size_t kRefillBytes2D = 250;

int16_t Switch(int16_t colour) {
    return colour == kWhite ? kBlack : kWhite;
}

int32_t SaturateToLong(int64_t value) {
    return static_cast<int32_t>(std::clamp<int64_t>(value, INT32_MIN, INT32_MAX));
}

std::string Lowercase(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

// The bytes of one strip that exist in the file: a byte count beyond the end of the file
// reads what is there and no more.
std::vector<uint8_t> ReadStrip(const BinaryFile& file, const StripSlot& slot) {
    const int64_t available = std::max<int64_t>(file.Length() - slot.offset, 0);
    const int64_t count = std::clamp<int64_t>(slot.byteCount, 0, available);
    return file.Read(slot.offset, static_cast<std::size_t>(count));
}

// Paints a black run of a row; white runs need nothing, the surface starts white.
void PaintRun(PageSurface& surface, int16_t colour, int64_t column, int64_t run, int64_t x,
              int64_t y, ColourValue ink) {
    if (colour != kWhite && run > 0)
        surface.PaintLine(column + x, y, column + x + run - 1, ink);
}

class Decoder1D {
public:
    Decoder1D(PageSurface& surface, std::span<const uint8_t> data, int32_t width, int32_t rowLimit,
              int64_t xOffset, int64_t yOffset, ColourValue ink, const EventPump& pump)
        : surface_(surface), window_(data), width_(width), rowLimit_(rowLimit), xOffset_(xOffset),
          yOffset_(yOffset), ink_(ink), pump_(pump) {}

    void Run() {
        Pump(pump_);
        while (FillWindow() && DecodeNextRun()) {
        }
    }

private:
    // Makes sure enough characters lie ahead; false when the strip is finished.
    bool FillWindow() {
        if (window_.Remaining() >= kLookahead1D)
            return true;
        if (window_.AllLoaded() && window_.Remaining() <= 0)
            return false;
        Refill();
        return !window_.Empty();
    }

    void Refill(std::size_t bytes = kRefillBytes1D) {
        window_.Append(bytes, [this](std::size_t loaded) {
            if (loaded % kBytesPerPump1D == 0)
                Pump(pump_);
        });
    }

    // A run whose code words reach past the end of the window (a very long run, or the zeros
    // before an EOL) would be cut by it: when no run and no EOL is recognised and bytes remain,
    // load more and decode again at the same point. More bits never change a result that the
    // loaded bits decide, and the amount loaded doubles each time.
    void DecodeRunLoadingMore(int32_t& run, int32_t& used) {
        for (std::size_t bytes = kRefillBytes1D;; bytes *= 2) {
            const bool decoded =
                modTIF::DecodeRun(window_.Bits(), window_.Position(), colour_, run, used);
            if (decoded || run == -1 || window_.AllLoaded())
                return;
            Refill(bytes);
        }
    }

    // Decodes one run and paints it; false when the strip is finished.
    bool DecodeNextRun() {
        int32_t run = 0;
        int32_t used = 0;
        DecodeRunLoadingMore(run, used);
        window_.Advance(used);
        // Neither colour's code words match here: nothing more can be decoded.
        const bool stuck = used == 0 && previousUsedNothing_;
        previousUsedNothing_ = used == 0;
        if (stuck)
            return false;
        if (run == -1) {
            // An EOL before anything of the strip is its start marker, not the end of a row.
            return !anythingDecoded_ || EndRow();
        }
        anythingDecoded_ = anythingDecoded_ || used > 0;
        PaintRun(surface_, colour_, column_, run, xOffset_, yOffset_ + row_, ink_);
        column_ += run;
        colour_ = Switch(colour_);
        if (column_ < width_)
            return true;
        // The row is full. An EOL right after it ends the row when it is read next.
        if (window_.Remaining() < kEolZeros && !window_.AllLoaded())
            Refill();
        return window_.ZerosAt(kEolZeros) || EndRow();
    }

    bool EndRow() {
        anythingDecoded_ = true;
        ++row_;
        column_ = 0;
        colour_ = kWhite;
        return row_ < rowLimit_;
    }

    PageSurface& surface_;
    StripWindow window_;
    const int32_t width_;
    const int32_t rowLimit_;
    const int64_t xOffset_;
    const int64_t yOffset_;
    const ColourValue ink_;
    const EventPump& pump_;

    int64_t row_ = 0;
    int64_t column_ = 0;
    int16_t colour_ = kWhite;
    bool previousUsedNothing_ = false;
    bool anythingDecoded_ = false;
};

class Decoder2D {
public:
    Decoder2D(PageSurface& surface, std::span<const uint8_t> data, int32_t width, int32_t rowLimit,
              int64_t xOffset, int64_t yOffset, ColourValue ink, const EventPump& pump)
        : surface_(surface), window_(data), width_(width), rowLimit_(rowLimit), xOffset_(xOffset),
          yOffset_(yOffset), ink_(ink), pump_(pump), reference_{width} {}

    void Run() {
        Pump(pump_);
        while (FillWindow() && DecodeNextStep()) {
        }
    }

private:
    bool FillWindow() {
        if (window_.Remaining() >= kLookahead2D)
            return true;
        if (window_.AllLoaded())
            return window_.Remaining() > 0; // the window holds the rest already
        Refill(kRefillBytes2D);
        return true;
    }

    void Refill(std::size_t bytes) {
        window_.Rebuild(bytes, static_cast<std::size_t>(kLookahead2D));
        Pump(pump_);
    }

    // One coding step: a run of the colour of a0, recorded and painted. False when the strip
    // is finished.
    bool DecodeNextStep() {
        int32_t run = 0;
        if (!DecodeStepLoadingMore(run))
            return false;
        RecordRun(run);
        return row_ < rowLimit_;
    }

    // A step that fails may have been cut short by the end of the window: load more and try
    // again at the same point, until every byte is loaded. The amount loaded doubles with each
    // try, so a strip that cannot be decoded costs time in proportion to its size; a code
    // that the loaded bits decide is decided the same way by more bits.
    bool DecodeStepLoadingMore(int32_t& run) {
        for (std::size_t bytes = kRefillBytes2D;; bytes *= 2) {
            int32_t used = 0;
            if (modTIF::DecodeStep2D(window_.Bits(), window_.Position(), colour_,
                                     SaturateToLong(a0_), reference_, referenceCount_, run, used,
                                     horizontalPending_)) {
                window_.Advance(used);
                return true;
            }
            if (window_.AllLoaded())
                return false;
            Refill(bytes);
        }
    }

    void RecordRun(int32_t run) {
        if (horizontalPending_ && ++horizontalRuns_ % 2 == 0) {
            horizontalPending_ = false;
            horizontalRuns_ = 0;
        }
        const int64_t previous = codingLine_.empty() ? 0 : codingLine_.back();
        codingLine_.push_back(SaturateToLong(previous + run));
        PaintRun(surface_, colour_, a0_, run, xOffset_, yOffset_ + row_, ink_);
        a0_ += run;
        colour_ = Switch(colour_);
        if (a0_ < width_ || horizontalPending_)
            return;
        // The row is full. An EOL after it is skipped without ending the row again.
        if (window_.Remaining() < kEolZeros && !window_.AllLoaded())
            Refill(kRefillBytes2D);
        if (window_.ZerosAt(kEolZeros))
            window_.Advance(kEolLength);
        else
            EndRow();
    }

    void EndRow() {
        ++row_;
        a0_ = 0;
        horizontalPending_ = false;
        horizontalRuns_ = 0;
        colour_ = kWhite;
        if (codingLine_.empty())
            codingLine_.push_back(width_);
        reference_.swap(codingLine_);
        referenceCount_ = static_cast<int32_t>(reference_.size());
        codingLine_.clear();
    }

    PageSurface& surface_;
    StripWindow window_;
    const int32_t width_;
    const int32_t rowLimit_;
    const int64_t xOffset_;
    const int64_t yOffset_;
    const ColourValue ink_;
    const EventPump& pump_;

    ChangeList reference_;
    int32_t referenceCount_ = 1;
    ChangeList codingLine_;
    int64_t row_ = 0;
    int64_t a0_ = 0;
    int16_t colour_ = kWhite;
    bool horizontalPending_ = false;
    int32_t horizontalRuns_ = 0;
};

} // namespace

PageDecoder DecoderFor(const std::string& compressionName) {
    const std::string name = Lowercase(compressionName);
    if (name.find("group3") != std::string::npos)
        return PageDecoder::Group3;
    if (name.find("group4") != std::string::npos)
        return PageDecoder::Group4;
    return PageDecoder::None;
}

void DecodeStrip1D(PageSurface& surface, std::span<const uint8_t> data, int32_t width,
                   int32_t rowLimit, int64_t xOffset, int64_t yOffset, ColourValue ink,
                   const EventPump& pump) {
    Decoder1D(surface, data, width, rowLimit, xOffset, yOffset, ink, pump).Run();
}

void DecodeStrip2D(PageSurface& surface, std::span<const uint8_t> data, int32_t width,
                   int32_t rowLimit, int64_t xOffset, int64_t yOffset, ColourValue ink,
                   const EventPump& pump) {
    Decoder2D(surface, data, width, rowLimit, xOffset, yOffset, ink, pump).Run();
}

bool DecodePageIntoSurface(PageSurface& surface, const std::string& path, const TiffPage& page,
                           const EventPump& pump) {
    const PageDecoder decoder = DecoderFor(page.compressionName);
    const BinaryFile file(path);
    if (decoder == PageDecoder::None || !file.IsOpen())
        return false;
    const auto decodeStrip = decoder == PageDecoder::Group3 ? DecodeStrip1D : DecodeStrip2D;
    for (std::size_t i = 0; i < page.strips.size(); ++i) {
        const StripSlot& slot = page.strips[i];
        if (!slot.HoldsStrip())
            continue;
        const std::vector<uint8_t> data = ReadStrip(file, slot);
        const int64_t firstRow = static_cast<int64_t>(i) * page.rowsPerStrip;
        decodeStrip(surface, data, page.width, page.height, 0, firstRow, kColourBlack, pump);
    }
    return true;
}

DecodedPage DecodePage(const std::string& path, int64_t ifdOffset, const EventPump& pump) {
    DecodedPage decoded;
    GetPageInfo(path, ifdOffset, decoded.page);
    GetStrips(path, ifdOffset, decoded.page);
    const TiffPage& page = decoded.page;
    if (page.width <= 0 || page.height <= 0) {
        decoded.status = PageStatus::NoSize;
        return decoded;
    }
    decoded.surface = CreatePageSurface(page.width, page.height, kColourWhite);
    if (!decoded.surface) {
        decoded.status = PageStatus::TooLarge;
        return decoded;
    }
    decoded.status = DecodePageIntoSurface(*decoded.surface, path, page, pump)
                         ? PageStatus::Decoded
                         : PageStatus::NoDecoder;
    return decoded;
}

} // namespace faxlens::modConvert_TIF2DC
