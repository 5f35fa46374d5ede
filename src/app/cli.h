#pragma once

// faxlens-cli: the reading machinery of Faxlens without windows. A run is one command from the
// command table; it yields an Outcome that main() turns into stdout bytes, at most one stderr
// line and the exit status. Commands never print themselves, so stdout holds exactly what the
// command describes and nothing of a command that failed half-way; the one exception is trace,
// whose rows go out as the engine reads them, so that a trace of any page costs the same memory.

#include "base/result.h"
#include "page/viewed_page.h"
#include "tiff/image_list.h"
#include "tiff/tiff_file.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace faxlens::cli {

inline constexpr std::string_view kProgram = "faxlens-cli";

// kDamaged: done, but a page is damaged (decode, convert) or an image was left out (pdf).
enum ExitStatus : int { kDone = 0, kFailed = 1, kBadUsage = 2, kDamaged = 3 };

struct Outcome {
    int status = kDone;
    std::string output; // bytes for stdout, written unchanged
    std::string error;  // the stderr line (pdf: a line for each image left out), without the
                        // last line break; empty when done
};

Outcome Done(std::string output);
Outcome Failed(std::string_view message);   // the work failed: exit 1
Outcome BadUsage(std::string_view message); // the command line is wrong: exit 2
Outcome Damaged(std::string_view message);  // done, but the page is damaged: exit 3

// The arguments after the command name.
using Operands = std::span<const std::string>;

struct Command {
    std::string_view name;
    std::string_view operands; // as the usage shows them, e.g. "FILE N"
    std::size_t operandCount;
    std::string_view summary;
    Outcome (*run)(Operands operands);
    bool orMore = false; // operandCount is the least number of operands
};

// The full help text (for --help) and the one-line form (for a run without arguments).
std::string HelpText();
std::string UsageLine();

// Runs the command line without the program name.
Outcome Run(std::span<const std::string> args);

// The number of an image operand, as the image list numbers it: digits only, at least 1. A
// number too large for any file saturates: it is still a well-formed number, just one that no
// file has. None when the text is no such number.
std::optional<uint64_t> ParseImageNumber(std::string_view text);

// The input file of a command, opened once, and its images.
struct ListedFile {
    tiff::TiffFile file;
    tiff::ImageList images;
};
// Opens the file and lists its images, no more than `limit` of them when it is above 0. The
// failure is the stderr line: the file cannot be opened, or read.
Result<ListedFile> OpenListed(const std::string& path, std::size_t limit = 0);

// The input file of a command and the image it works on.
struct InputImage {
    tiff::TiffFile file;
    int64_t ifdOffset = 0;
};
// Opens FILE (the first operand) once, finds image N (the second) and hands it to the work. Bad
// usage when N is no image number; a failure when the file cannot be opened or read or has
// fewer images.
Outcome WithImage(Operands operands, const std::function<Outcome(const InputImage&)>& work);

// The stderr line of a file that cannot be read.
std::string CannotRead(const std::string& path, const std::string& reason);

Outcome RunList(Operands operands);
Outcome RunReport(Operands operands);
Outcome RunInfo(Operands operands);
Outcome RunDecode(Operands operands);
Outcome RunConvert(Operands operands);
Outcome RunCheck(Operands operands);
Outcome RunPdf(Operands operands);
Outcome RunTrace(Operands operands);

// The coding that --g3, --g4 or --t85 asks for; none for any other text.
std::optional<page::SaveCoding> CodingOption(std::string_view option);
Outcome RunPages(Operands operands);

} // namespace faxlens::cli
