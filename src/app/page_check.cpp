#include "app/page_check.h"

#include "codec/page_decode.h"
#include "tiff/file_check.h"
#include "tiff/tiff_reader.h"

#include <algorithm>
#include <cstdio>

namespace faxlens::cli {

namespace {

using modConvert_TIF2DC::DecodedPage;
using modConvert_TIF2DC::PageStatus;

std::string NotShownReason(const DecodedPage& decoded) {
    const TiffPage& page = decoded.page;
    switch (decoded.status) {
    case PageStatus::Unsupported:
        return modConvert_TIF2DC::UnsupportedReason(page);
    case PageStatus::TooLarge:
        return "it is too large: " + std::to_string(page.width) + " x " +
               std::to_string(page.height) + " pixels";
    case PageStatus::NoSize:
        return "it has no usable width and height";
    case PageStatus::Decoded:
        break;
    }
    return {};
}

PageCheck CheckPage(const std::string& path, int64_t ifdOffset, int image) {
    const DecodedPage decoded = modConvert_TIF2DC::DecodePage(path, ifdOffset);
    PageCheck check{
        image, Verdict::Ok, {}, decoded.damage.RowsDecoded(), decoded.damage.rowsExpected};
    if (decoded.status != PageStatus::Decoded) {
        check.verdict = Verdict::NotShown;
        check.detail = NotShownReason(decoded);
    } else if (decoded.damage.Any()) {
        check.verdict = Verdict::Damaged;
        check.detail = decoded.damage.Describe();
    }
    return check;
}

} // namespace

FileCheck CheckFile(const std::string& path) {
    FileCheck file{path, WhyNotATiffFile(path), {}};
    if (!file.error.empty())
        return file;
    std::vector<int32_t> offsets;
    int32_t count = 0;
    if (!ListImages(path, offsets, count, 0))
        file.error = "its directories cannot be read";
    else if (offsets.empty())
        file.error = "it holds no images";
    for (std::size_t k = 0; k < offsets.size(); ++k)
        file.pages.push_back(CheckPage(path, offsets[k], static_cast<int>(k + 1)));
    return file;
}

bool AllOk(const std::vector<FileCheck>& files) {
    return std::all_of(files.begin(), files.end(), [](const FileCheck& file) {
        return file.error.empty() &&
               std::all_of(file.pages.begin(), file.pages.end(),
                           [](const PageCheck& page) { return page.verdict == Verdict::Ok; });
    });
}

namespace {

std::string VerdictWord(Verdict verdict) {
    switch (verdict) {
    case Verdict::Ok:
        return "ok";
    case Verdict::Damaged:
        return "damaged";
    case Verdict::NotShown:
        return "cannot be shown";
    }
    return {};
}

} // namespace

std::string Lines(const std::vector<FileCheck>& files) {
    std::string text;
    for (const FileCheck& file : files) {
        if (!file.error.empty())
            text += file.path + ": cannot be read: " + file.error + "\n";
        for (const PageCheck& page : file.pages) {
            text += file.path + ":" + std::to_string(page.image) + " " + VerdictWord(page.verdict);
            text += page.detail.empty() ? "\n" : ": " + page.detail + "\n";
        }
    }
    return text;
}

namespace {

// A JSON string: quotes, backslashes and control characters escaped, valid UTF-8 kept, and every
// byte that is not part of valid UTF-8 (a file name may hold any) turned into U+FFFD.
std::string JsonString(const std::string& text) {
    std::string json = "\"";
    for (std::size_t i = 0; i < text.size();) {
        const auto byte = static_cast<unsigned char>(text[i]);
        if (byte == '"' || byte == '\\') {
            json += '\\';
            json += static_cast<char>(byte);
            ++i;
        } else if (byte < 0x20) {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\u%04x", byte);
            json += escaped;
            ++i;
        } else if (byte < 0x80) {
            json += static_cast<char>(byte);
            ++i;
        } else {
            const std::size_t length = byte >= 0xF0 ? 4 : byte >= 0xE0 ? 3 : byte >= 0xC2 ? 2 : 0;
            bool valid = length > 0 && byte < 0xF5 && i + length <= text.size();
            for (std::size_t k = 1; valid && k < length; ++k)
                valid = (static_cast<unsigned char>(text[i + k]) & 0xC0) == 0x80;
            if (valid && length > 2) {
                // The second byte's range rules out overlong forms, surrogates and code points
                // beyond U+10FFFF.
                const auto second = static_cast<unsigned char>(text[i + 1]);
                valid = !(byte == 0xE0 && second < 0xA0) && !(byte == 0xED && second > 0x9F) &&
                        !(byte == 0xF0 && second < 0x90) && !(byte == 0xF4 && second > 0x8F);
            }
            if (valid) {
                json.append(text, i, length);
                i += length;
            } else {
                json += "\\ufffd";
                ++i;
            }
        }
    }
    return json + "\"";
}

} // namespace

std::string Json(const std::vector<FileCheck>& files) {
    std::string json =
        "{\"ok\": " + std::string(AllOk(files) ? "true" : "false") + ", \"files\": [";
    for (std::size_t f = 0; f < files.size(); ++f) {
        const FileCheck& file = files[f];
        json += std::string(f > 0 ? ", " : "") + "{\"file\": " + JsonString(file.path);
        if (!file.error.empty())
            json += ", \"error\": " + JsonString(file.error);
        json += ", \"pages\": [";
        for (std::size_t p = 0; p < file.pages.size(); ++p) {
            const PageCheck& page = file.pages[p];
            json += std::string(p > 0 ? ", " : "") + "{\"image\": " + std::to_string(page.image) +
                    ", \"status\": " + JsonString(VerdictWord(page.verdict));
            if (page.verdict != Verdict::NotShown)
                json += ", \"rows_decoded\": " + std::to_string(page.rowsDecoded) +
                        ", \"rows_expected\": " + std::to_string(page.rowsExpected);
            if (!page.detail.empty())
                json += ", \"detail\": " + JsonString(page.detail);
            json += "}";
        }
        json += "]}";
    }
    return json + "]}\n";
}

} // namespace faxlens::cli
