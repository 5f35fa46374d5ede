#pragma once

// Checking files page by page as faxlens-cli check does: every image decoded as the viewer
// decodes it, nothing written, and the verdict of every page (ok, damaged with what was met, or
// not shown with why) or of the file that cannot be read.

#include <cstdint>
#include <string>
#include <vector>

namespace faxlens::cli {

enum class Verdict { Ok, Damaged, NotShown };

struct PageCheck {
    int image = 0; // numbered from 1
    Verdict verdict = Verdict::Ok;
    std::string detail; // the damage, or why the page is not shown
    int32_t rowsDecoded = 0;
    int32_t rowsExpected = 0;
};

struct FileCheck {
    std::string path;
    std::string error; // why the file cannot be read; empty when it can
    std::vector<PageCheck> pages;
};

FileCheck CheckFile(const std::string& path);

// Whether every file could be read and every page is ok.
bool AllOk(const std::vector<FileCheck>& files);

// One line a page ("FILE:K ok", "FILE:K damaged: ...", "FILE:K cannot be shown: ...") or a file
// ("FILE: cannot be read: ...").
std::string Lines(const std::vector<FileCheck>& files);

// The same as one JSON document.
std::string Json(const std::vector<FileCheck>& files);

} // namespace faxlens::cli
