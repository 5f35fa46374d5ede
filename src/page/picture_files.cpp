#include "page/picture_files.h"

#include "base/output_file.h"

#include <algorithm>
#include <cstring>
#include <span>
#include <vector>
#include <zlib.h>

namespace faxlens::page {

namespace {

// Bytes gathered before they are written; as many bytes at once go to the file as they are.
constexpr std::size_t kBlockBytes = std::size_t{1} << 20;
constexpr std::size_t kDirectBytes = 64 * 1024;

// Appends to a file a block at a time: small pieces are gathered, large ones written as they
// are, after what was gathered before them.
class BlockWriter {
public:
    explicit BlockWriter(OutputFile& file) : file_(file) { block_.reserve(kBlockBytes); }
    ~BlockWriter() { Flush(); }
    BlockWriter(const BlockWriter&) = delete;
    BlockWriter& operator=(const BlockWriter&) = delete;

    void Append(std::span<const uint8_t> bytes) {
        if (bytes.size() >= kDirectBytes) {
            Flush();
            file_.Append(bytes);
            return;
        }
        block_.insert(block_.end(), bytes.begin(), bytes.end());
        if (block_.size() >= kBlockBytes)
            Flush();
    }
    void Flush() {
        if (!block_.empty())
            file_.Append(block_);
        block_.clear();
    }

private:
    OutputFile& file_;
    std::vector<uint8_t> block_;
};

// One row, eight pixels a byte, most significant bit first, the bits past the width 0: a 1 bit
// for every black pixel, or with blackBit false for every other pixel.
void PackRow(const PageSurface& surface, int32_t y, bool blackBit, std::vector<uint8_t>& out) {
    const int32_t width = surface.Width();
    const std::size_t bytes = PlaneStrideOf(width);
    out.assign(bytes, 0);
    if (surface.IsBilevel()) {
        const bool zeroIsSet = (surface.Background() == kColourBlack) == blackBit;
        const bool oneIsSet = (surface.Ink() == kColourBlack) == blackBit;
        const bool painted = surface.RowsPainted(y, 1); // a row never painted is not read
        const uint8_t* bits = surface.PlaneRow(y);
        for (std::size_t i = 0; i < bytes; ++i) {
            const uint8_t b = painted ? bits[i] : 0;
            out[i] = static_cast<uint8_t>((oneIsSet ? b : 0) | (zeroIsSet ? ~b : 0));
        }
    } else {
        const uint8_t* pixel = surface.RgbRow(y);
        for (int32_t x = 0; x < width; ++x, pixel += 3) {
            const bool black = (pixel[0] | pixel[1] | pixel[2]) == 0;
            if (black == blackBit)
                out[static_cast<std::size_t>(x / 8)] |= static_cast<uint8_t>(0x80 >> (x % 8));
        }
    }
    if (width % 8 != 0)
        out.back() &= static_cast<uint8_t>(0xFF << (8 - width % 8));
}

void PutBigEndian32(std::vector<uint8_t>& out, uint32_t value) {
    for (int shift = 24; shift >= 0; shift -= 8)
        out.push_back(static_cast<uint8_t>(value >> shift));
}

void WriteChunk(BlockWriter& out, const char* type, std::span<const uint8_t> data) {
    std::vector<uint8_t> chunk;
    PutBigEndian32(chunk, static_cast<uint32_t>(data.size()));
    chunk.insert(chunk.end(), type, type + 4);
    chunk.insert(chunk.end(), data.begin(), data.end());
    const uLong crc = crc32(0L, chunk.data() + 4, static_cast<uInt>(4 + data.size()));
    PutBigEndian32(chunk, static_cast<uint32_t>(crc));
    out.Append(chunk);
}

std::vector<uint8_t> PngHeader(const PageSurface& surface) {
    std::vector<uint8_t> header;
    PutBigEndian32(header, static_cast<uint32_t>(surface.Width()));
    PutBigEndian32(header, static_cast<uint32_t>(surface.Height()));
    const uint8_t bitDepth = 1, greyscale = 0, deflate = 0, adaptive = 0, noInterlace = 0;
    header.insert(header.end(), {bitDepth, greyscale, deflate, adaptive, noInterlace});
    return header;
}

// The rows deflated as one stream, each behind a filter byte of 0, handed out as IDAT chunks
// as the compressed bytes come. zlib's results are all checked.
class PngImageData {
public:
    explicit PngImageData(BlockWriter& out) : out_(out), chunk_(kChunkBytes) {
        ok_ = deflateInit(&stream_, Z_DEFAULT_COMPRESSION) == Z_OK;
    }
    ~PngImageData() {
        if (ok_)
            deflateEnd(&stream_);
    }
    PngImageData(const PngImageData&) = delete;
    PngImageData& operator=(const PngImageData&) = delete;

    // Rows are gathered behind their filter bytes and deflated a batch at a time.
    bool AddRow(std::span<const uint8_t> row) {
        rows_.push_back(0); // no filter
        rows_.insert(rows_.end(), row.begin(), row.end());
        if (rows_.size() < kBatchBytes)
            return true;
        const bool deflated = Deflate(rows_, Z_NO_FLUSH);
        rows_.clear();
        return deflated;
    }
    bool Finish() { return Deflate(rows_, Z_FINISH); }

private:
    static constexpr std::size_t kChunkBytes = 64 * 1024;
    static constexpr std::size_t kBatchBytes = 256 * 1024;

    bool Deflate(std::span<const uint8_t> input, int flush) {
        if (!ok_)
            return false;
        stream_.next_in = const_cast<Bytef*>(input.data());
        stream_.avail_in = static_cast<uInt>(input.size());
        for (;;) {
            stream_.next_out = chunk_.data() + used_;
            stream_.avail_out = static_cast<uInt>(chunk_.size() - used_);
            const int status = deflate(&stream_, flush);
            if (status == Z_STREAM_ERROR)
                return ok_ = false;
            used_ = chunk_.size() - stream_.avail_out;
            if (used_ == chunk_.size() || (status == Z_STREAM_END && used_ > 0)) {
                WriteChunk(out_, "IDAT", {chunk_.data(), used_});
                used_ = 0;
            }
            if (status == Z_STREAM_END)
                return true;
            if (stream_.avail_in == 0 && stream_.avail_out != 0 && flush != Z_FINISH)
                return true;
        }
    }

    BlockWriter& out_;
    z_stream stream_{};
    std::vector<uint8_t> chunk_;
    std::size_t used_ = 0;
    std::vector<uint8_t> rows_;
    bool ok_ = false;
};

} // namespace

// A page of black ink on white: its bits are the rows of a PBM as they stand, written a block
// of rows at a time.
bool IsBlackOnWhite(const PageSurface& surface) {
    return surface.IsBilevel() && surface.Background() == kColourWhite &&
           (surface.Ink() == kColourBlack || surface.Ink() == kColourWhite);
}

// Rows never painted are written from zeros, not read; the zeros are made only for them.
void WritePlane(const PageSurface& surface, BlockWriter& out) {
    const std::size_t stride = surface.PlaneStride();
    const auto rowsPerBlock =
        static_cast<int32_t>(std::min<std::size_t>(std::max<std::size_t>(1, kBlockBytes / stride),
                                                   static_cast<std::size_t>(surface.Height())));
    std::vector<uint8_t> zeros;
    for (int32_t y = 0; y < surface.Height(); y += rowsPerBlock) {
        const int32_t rows = std::min(rowsPerBlock, surface.Height() - y);
        const std::size_t bytes = stride * static_cast<std::size_t>(rows);
        if (surface.RowsPainted(y, rows)) {
            out.Append({surface.PlaneRow(y), bytes});
            continue;
        }
        zeros.resize(stride * static_cast<std::size_t>(rowsPerBlock));
        out.Append({zeros.data(), bytes});
    }
}

Status WritePbm(const PageSurface& surface, const std::string& path) {
    Result<OutputFile> created = OutputFile::Create(path);
    if (!created)
        return std::move(created).TakeFailure();
    OutputFile& file = *created;
    {
        BlockWriter out(file);
        const std::string header = "P4\n" + std::to_string(surface.Width()) + " " +
                                   std::to_string(surface.Height()) + "\n";
        out.Append({reinterpret_cast<const uint8_t*>(header.data()), header.size()});
        if (IsBlackOnWhite(surface)) {
            WritePlane(surface, out);
        } else {
            std::vector<uint8_t> row;
            for (int32_t y = 0; y < surface.Height() && file.WriteStatus(); ++y) {
                PackRow(surface, y, true, row);
                out.Append(row);
            }
        }
    }
    return file.Finish();
}

Status WritePng(const PageSurface& surface, const std::string& path) {
    Result<OutputFile> created = OutputFile::Create(path);
    if (!created)
        return std::move(created).TakeFailure();
    OutputFile& file = *created;
    bool compressed = true;
    {
        BlockWriter out(file);
        static const uint8_t kSignature[] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
        out.Append(kSignature);
        WriteChunk(out, "IHDR", PngHeader(surface));
        PngImageData data(out);
        std::vector<uint8_t> row;
        for (int32_t y = 0; y < surface.Height() && compressed && file.WriteStatus(); ++y) {
            PackRow(surface, y, false, row);
            compressed = data.AddRow(row);
        }
        compressed = compressed && data.Finish();
        WriteChunk(out, "IEND", {});
    }
    if (!compressed)
        return Fail("the picture could not be compressed");
    return file.Finish();
}

} // namespace faxlens::page
