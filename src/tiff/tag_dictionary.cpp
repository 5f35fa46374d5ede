#include "tiff/tag_dictionary.h"

#include <algorithm>
#include <array>
#include <string_view>

namespace faxlens::tiff {

namespace {

struct Named {
    int32_t code;
    std::string_view name;
};

// Faxlens's own display names; several differ from the names of the TIFF standard on purpose.
// Sorted by number.
constexpr std::array<Named, 74> kTagNames{{
    {254, "NewSubFileType"},
    {255, "SubFileType"},
    {256, "ImageWidth"},
    {257, "ImageHeight"},
    {258, "BitsPerSample"},
    {259, "CompressionCode"},
    {262, "Photometric Interpretation"},
    {263, "Threshholding"},
    {264, "CellWidth"},
    {265, "CellHeight"},
    {266, "FillOrder"},
    {269, "Document Name"},
    {270, "Image Description"},
    {271, "Make"},
    {272, "Model"},
    {273, "StripOffsets"},
    {274, "Orientation"},
    {277, "SamplesPerPixel"},
    {278, "RowsPerStrip"},
    {279, "StripByteCounts"},
    {280, "MinSampleValue"},
    {281, "MaxSampleValue"},
    {282, "XResolution"},
    {283, "YResolution"},
    {284, "PlanarConfiguration"},
    {285, "PageName"},
    {286, "XPosition"},
    {287, "YPosition"},
    {288, "FreeOffsets"},
    {289, "FreeByteCounts"},
    {290, "GrayResponseUnit"},
    {291, "GrayResponseCurve"},
    {292, "T4Options"},
    {293, "T6Options"},
    {296, "ResolutionUnit"},
    {297, "PageNumber"},
    {301, "TransferFunction"},
    {305, "Software"},
    {306, "DateTime"},
    {315, "Artist"},
    {316, "HostComputer"},
    {317, "Predictor"},
    {318, "WhitePoint"},
    {319, "PrimaryChromaticities"},
    {320, "ColorMap"},
    {321, "HalfToneHints"},
    {322, "TileWidth"},
    {323, "TileHeight"},
    {324, "TileOffsets"},
    {325, "TileByteCounts"},
    {332, "InkSet"},
    {333, "InkNames"},
    {334, "NumberOfInks"},
    {336, "DotRange"},
    {337, "TargetPrinter"},
    {338, "ExtraSamples"},
    {339, "SampleFormat"},
    {340, "SMinSampleValue"},
    {341, "SMaxSampleValue"},
    {342, "TransferRange"},
    {512, "JPEGProc"},
    {513, "JPEGInterchangeFormat"},
    {514, "JPEGInterchangeFormatLength"},
    {515, "JPEGRestartInterval"},
    {517, "JPEGLosslessPredictors"},
    {518, "JPEGPointTransforms"},
    {519, "JPEGQTables"},
    {520, "JPEGDCTables"},
    {521, "JPEGACTables"},
    {529, "YCbCrCoefficients"},
    {530, "YCbCrSubSampling"},
    {531, "YCbCrPositioning"},
    {532, "ReferenceBlackWhite"},
    {33432, "Copyright"},
}};

constexpr std::array<Named, 13> kCompressionNames{{
    {1, "None"},
    {2, "Huffman RLE"},
    {3, "Group3 Fax"},
    {4, "Group4 Fax"},
    {5, "LZW"},
    {6, "JPEG (old format)"},
    {7, "JPEG"},
    {32766, "NeXT"},
    {32773, "PackBits"},
    {32809, "ThunderScan"},
    {32946, "ZIP"},
    {34676, "SGILog32"},
    {34677, "SGILog24"},
}};

template <std::size_t N>
const Named* Find(const std::array<Named, N>& table, int32_t code) {
    auto it = std::lower_bound(table.begin(), table.end(), code,
                               [](const Named& n, int32_t c) { return n.code < c; });
    return it != table.end() && it->code == code ? &*it : nullptr;
}

} // namespace

std::string TagName(int32_t tag) {
    if (const Named* named = Find(kTagNames, tag))
        return std::string(named->name);
    return "Unknown (" + std::to_string(tag) + ")";
}

std::string CompressionName(int32_t code) {
    if (const Named* named = Find(kCompressionNames, code))
        return std::string(named->name);
    return "Unknown";
}

} // namespace faxlens::tiff
