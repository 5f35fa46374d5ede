#pragma once

// Checking files page by page as faxlens-cli check does: every image decoded as the viewer
// decodes it, nothing painted or written, and the verdict of every page (ok, damaged with what
// was met, or not shown with why), of a chain of directories that breaks off, and of a file that
// cannot be read.

#include "base/result.h"

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
    // Whether the file could be opened and read to the end of its pages; the pages checked
    // before a read failed are kept.
    Status read;
    // Why the chain of directories breaks off; empty for a whole chain.
    std::string chainBreak;
    std::vector<PageCheck> pages;
};

// Checks the files in their order, on up to `jobs` threads: pages of one file, and the pages of
// several files, are checked side by side, at most `jobs` pages at once. The result is the same
// whatever the number of jobs.
std::vector<FileCheck> CheckFiles(const std::vector<std::string>& paths, unsigned jobs);

// Whether every file could be read whole and every page is ok.
bool AllOk(const std::vector<FileCheck>& files);

// One line a page ("FILE:K ok", "FILE:K damaged: ...", "FILE:K cannot be shown: ..."), then a
// line for a chain that breaks off ("FILE: damaged: the file is cut short: ...") and one for a
// file that cannot be read ("FILE: cannot be read: ..."). Control characters of a file name are
// escaped as `ls -b` escapes them, so that every line is one line.
std::string Lines(const std::vector<FileCheck>& files);

// The same as one JSON document, file names as they are.
std::string Json(const std::vector<FileCheck>& files);

} // namespace faxlens::cli
