#include "reading.h"

#include "tiff/tag_report.h"

#include <gtest/gtest.h>

namespace faxlens::test {

namespace {

// The value of work on the opened file, or T's empty value after a failure of the test.
template <typename T, typename Work>
T Read(const std::string& path, Work work) {
    const Result<tiff::TiffFile> file = tiff::TiffFile::Open(path);
    if (!file) {
        ADD_FAILURE() << path << ": " << file.Reason();
        return T();
    }
    Result<T> value = work(*file);
    if (!value) {
        ADD_FAILURE() << path << ": " << value.Reason();
        return T();
    }
    return std::move(*value);
}

} // namespace

tiff::ImageList ListedImages(const std::string& path) {
    return Read<tiff::ImageList>(path,
                                 [](const tiff::TiffFile& file) { return tiff::ListImages(file); });
}

std::vector<int64_t> ImageOffsetsOf(const std::string& path) {
    return ListedImages(path).offsets;
}

std::string ReportOf(const std::string& path, int64_t ifdOffset) {
    return Read<std::string>(path, [ifdOffset](const tiff::TiffFile& file) {
        return tiff::BuildTagReport(file, ifdOffset);
    });
}

tiff::TiffPage PageParametersOf(const std::string& path, int64_t ifdOffset) {
    return Read<tiff::TiffPage>(path, [ifdOffset](const tiff::TiffFile& file) {
        return tiff::ReadPageParameters(file, ifdOffset);
    });
}

page::DecodedPage DecodeImage(const std::string& path, int64_t ifdOffset) {
    return Read<page::DecodedPage>(path, [ifdOffset](const tiff::TiffFile& file) {
        return page::DecodePage(file, ifdOffset);
    });
}

page::ViewedPage OpenViewedPage(const std::string& path, int64_t ifdOffset) {
    return Read<page::ViewedPage>(path, [ifdOffset](const tiff::TiffFile& file) {
        return page::ViewedPage::Open(file, ifdOffset);
    });
}

} // namespace faxlens::test
