#include "export/page_encoder.h"

#include "codec/row_encoder_2d.h"
#include "codec/run_encoder.h"
#include "export/surface_rows.h"
#include "tiff/output_file.h"
#include "tiff/tiff_writer.h"

namespace faxlens::modConvert_DC2TIF {

namespace {

using HeaderWriter = int32_t (*)(OutputFile&, int32_t, int32_t, int32_t, int32_t, int32_t);

// Codes rows into the strip and appends their whole bytes to the file as each row is done.
class StripWriter {
public:
    explicit StripWriter(OutputFile& file) : file_(file) {}

    BitString& Bits() { return bits_; }

    // Writes the whole bytes coded so far; a part byte waits for the next row.
    void WriteWholeBytes() {
        const std::size_t whole = bits_.size() / 8 * 8;
        BitsToBytes(std::string_view(bits_).substr(0, whole), bytes_);
        file_.Append(bytes_);
        byteCount_ += static_cast<int64_t>(bytes_.size());
        bits_.erase(0, whole);
    }

    int64_t ByteCount() const { return byteCount_; }

private:
    OutputFile& file_;
    BitString bits_;
    std::vector<uint8_t> bytes_;
    int64_t byteCount_ = 0;
};

// Group 3: the runs of each row, then fill bits and an EOL, so every row ends on a byte.
void CodeRowG3(const PageSurface& surface, int32_t y, int32_t width, BitString& line) {
    ScanRow(surface, y, width,
            [&line](int16_t colour, int32_t run) { modTIF::AppendRun(line, run, colour); });
    modTIF::AppendRun(line, -1, 0);
}

// The changing elements of a row: running sums of its runs.
void RowChanges(const PageSurface& surface, int32_t y, int32_t width, ChangeList& changes) {
    changes.clear();
    int32_t column = 0;
    ScanRow(surface, y, width, [&](int16_t, int32_t run) {
        column += run;
        changes.push_back(column);
    });
}

void PatchByteCount(OutputFile& file, int32_t position, int64_t byteCount) {
    const auto count = static_cast<uint32_t>(byteCount);
    const uint8_t bytes[4] = {static_cast<uint8_t>(count >> 24), static_cast<uint8_t>(count >> 16),
                              static_cast<uint8_t>(count >> 8), static_cast<uint8_t>(count)};
    file.WriteAt(position, bytes);
}

template <typename CodeStrip>
SaveResult SavePage(const PageSurface& surface, int32_t xResolution, int32_t yResolution,
                    const std::string& fileName, int32_t width, int32_t height,
                    HeaderWriter writeHeader, CodeStrip codeStrip) {
    width = width < 1 ? surface.Width() : width;
    height = height < 1 ? surface.Height() : height;
    OutputFile file = OutputFile::CreateBeside(fileName);
    const int32_t byteCountPosition = writeHeader(file, width, height, xResolution, yResolution, 1);
    StripWriter strip(file);
    codeStrip(strip, width, height);
    PatchByteCount(file, byteCountPosition, strip.ByteCount());
    if (!file.MoveInto(fileName))
        return {false, file.Error()};
    return {true, {}};
}

} // namespace

void BitsToBytes(std::string_view line, std::vector<uint8_t>& bytes) {
    bytes.resize(line.size() / 8);
    for (std::size_t k = 0; k < bytes.size(); ++k) {
        uint8_t byte = 0;
        for (std::size_t bit = 0; bit < 8; ++bit)
            byte = static_cast<uint8_t>(byte << 1 | (line[8 * k + bit] == '1'));
        bytes[k] = byte;
    }
}

SaveResult SavePageG3(const PageSurface& surface, int32_t xResolution, int32_t yResolution,
                      const std::string& fileName, int32_t width, int32_t height,
                      const EventPump& pump) {
    return SavePage(surface, xResolution, yResolution, fileName, width, height, WriteHeaderG3,
                    [&](StripWriter& strip, int32_t w, int32_t h) {
                        // An EOL before the first row too, as T.4 asks: readers that look
                        // for an EOL before every row (libtiff among them) would otherwise
                        // take the end of row 0 for its start and lose the row.
                        modTIF::AppendRun(strip.Bits(), -1, 0);
                        for (int32_t y = 0; y < h; ++y) {
                            CodeRowG3(surface, y, w, strip.Bits());
                            strip.WriteWholeBytes();
                            Pump(pump);
                        }
                    });
}

SaveResult SavePageG4(const PageSurface& surface, int32_t xResolution, int32_t yResolution,
                      const std::string& fileName, int32_t width, int32_t height,
                      const EventPump& pump) {
    return SavePage(surface, xResolution, yResolution, fileName, width, height, WriteHeaderG4,
                    [&](StripWriter& strip, int32_t w, int32_t h) {
                        ChangeList reference = modTIF::WhiteRowChanges(w);
                        ChangeList coding;
                        for (int32_t y = 0; y < h; ++y) {
                            RowChanges(surface, y, w, coding);
                            modTIF::AppendRow2D(strip.Bits(), reference, coding, w);
                            strip.WriteWholeBytes();
                            reference.swap(coding);
                            Pump(pump);
                        }
                        strip.Bits() += modTIF::kEndOfFacsimileBlock;
                        strip.Bits().append((8 - strip.Bits().size() % 8) % 8, '0');
                        strip.WriteWholeBytes();
                    });
}

} // namespace faxlens::modConvert_DC2TIF
