#include "app/page_check.h"

#include "base/json_text.h"
#include "codec/page_decode.h"
#include "page/decoded_page.h"
#include "tiff/image_list.h"

#include <algorithm>
#include <condition_variable>
#include <cstdio>
#include <mutex>
#include <optional>
#include <string_view>
#include <thread>

namespace faxlens::cli {

namespace {

using page::DecodedPage;
using page::PageStatus;

std::string NotShownReason(const page::DecodedPage& decoded) {
    const tiff::TiffPage& page = decoded.page;
    switch (decoded.status) {
    case page::PageStatus::Unsupported:
        return codec::UnsupportedReason(page);
    case page::PageStatus::TooLarge:
        return "it is too large: " + std::to_string(page.width) + " x " +
               std::to_string(page.height) + " pixels";
    case page::PageStatus::NoSize:
        return "it has no usable width and height";
    case page::PageStatus::Decoded:
        break;
    }
    return {};
}

// A page is decoded without being painted: what its strips hold is all a check needs.
Result<PageCheck> CheckPage(const tiff::TiffFile& file, int64_t ifdOffset, int image) {
    const Result<page::DecodedPage> decoded =
        page::DecodePage(file, ifdOffset, {}, page::Painting::NotPainted);
    if (!decoded)
        return Fail(decoded.Reason());
    const codec::PageDamage& damage = decoded->damage;
    PageCheck check{image, Verdict::Ok, {}, damage.RowsDecoded(), damage.rowsExpected};
    if (decoded->status != page::PageStatus::Decoded) {
        check.verdict = Verdict::NotShown;
        check.detail = NotShownReason(*decoded);
    } else if (damage.Any()) {
        check.verdict = Verdict::Damaged;
        check.detail = damage.Describe();
    }
    return check;
}

// The work of a check, handed out to its threads: a file to open and list, or a page of a
// listed file. Pages of the earliest files go first, and a file is opened only when no page is
// waiting, so that few files are open at once and every page is checked once.
class CheckRun {
public:
    explicit CheckRun(const std::vector<std::string>& paths) : files_(paths.size()) {
        for (std::size_t f = 0; f < paths.size(); ++f)
            files_[f].check.path = paths[f];
    }

    std::vector<FileCheck> Run(unsigned jobs) {
        std::vector<std::jthread> helpers;
        for (unsigned j = 1; j < jobs; ++j)
            helpers.emplace_back([this] { Work(); });
        Work();
        helpers.clear(); // joins them
        std::vector<FileCheck> checks;
        for (FileState& file : files_)
            checks.push_back(std::move(file.check));
        return checks;
    }

private:
    struct FileState {
        FileCheck check;
        std::optional<tiff::TiffFile> tiff; // open while its pages are being checked
        std::vector<int64_t> offsets;
        std::vector<std::optional<PageCheck>> pages;
        std::size_t nextPage = 0;
        std::size_t pagesDone = 0;
        std::size_t failedAt = SIZE_MAX; // the first page whose reading failed
        bool listed = false;
        bool done = false;
    };
    struct Task {
        std::size_t file;
        std::optional<std::size_t> page; // none: open and list the file
    };

    void Work() {
        std::unique_lock lock(mutex_);
        for (;;) {
            const std::optional<Task> task = NextTask();
            if (!task) {
                if (filesDone_ == files_.size())
                    return;
                changed_.wait(lock);
                continue;
            }
            lock.unlock();
            if (task->page)
                CheckListedPage(task->file, *task->page);
            else
                OpenAndList(task->file);
            lock.lock();
        }
    }

    // Under the lock.
    std::optional<Task> NextTask() {
        for (std::size_t f = firstOpen_; f < nextFile_; ++f) {
            FileState& file = files_[f];
            if (file.listed && file.nextPage < file.offsets.size() && file.failedAt == SIZE_MAX)
                return Task{f, file.nextPage++};
        }
        if (nextFile_ < files_.size())
            return Task{nextFile_++, std::nullopt};
        return std::nullopt;
    }

    void OpenAndList(std::size_t f) {
        FileState& file = files_[f];
        Result<tiff::TiffFile> tiff = tiff::TiffFile::Open(file.check.path);
        Result<tiff::ImageList> list = tiff ? tiff::ListImages(*tiff) : Fail(tiff.Reason());
        const std::lock_guard lock(mutex_);
        if (!list) {
            file.check.read = std::move(list).TakeFailure();
        } else {
            file.offsets = std::move(list->offsets);
            file.check.chainBreak = std::move(list->chainBreak);
            if (file.offsets.empty() && file.check.chainBreak.empty())
                file.check.read = Fail("it holds no images");
            file.pages.resize(file.offsets.size());
            file.tiff.emplace(std::move(*tiff));
        }
        file.listed = true;
        FinishIfDone(file);
        changed_.notify_all();
    }

    void CheckListedPage(std::size_t f, std::size_t k) {
        FileState& file = files_[f];
        Result<PageCheck> page = CheckPage(*file.tiff, file.offsets[k], static_cast<int>(k + 1));
        const std::lock_guard lock(mutex_);
        if (page) {
            file.pages[k] = std::move(*page);
        } else if (k < file.failedAt) {
            file.failedAt = k;
            file.check.read = std::move(page).TakeFailure();
        }
        ++file.pagesDone;
        FinishIfDone(file);
        changed_.notify_all();
    }

    // Under the lock: once no page of the file is out any more, its pages up to the first that
    // failed go into its check, and the file is closed.
    void FinishIfDone(FileState& file) {
        const bool handedOut = file.nextPage == file.offsets.size() || file.failedAt != SIZE_MAX;
        if (file.done || !file.listed || !handedOut || file.pagesDone < file.nextPage)
            return;
        file.done = true;
        for (std::size_t k = 0; k < std::min(file.failedAt, file.pages.size()); ++k)
            file.check.pages.push_back(std::move(*file.pages[k]));
        file.pages.clear();
        file.tiff.reset();
        ++filesDone_;
        while (firstOpen_ < nextFile_ && files_[firstOpen_].done)
            ++firstOpen_;
    }

    std::vector<FileState> files_;
    std::mutex mutex_;
    std::condition_variable changed_;
    std::size_t nextFile_ = 0;  // the next file to open
    std::size_t firstOpen_ = 0; // files before it are done
    std::size_t filesDone_ = 0;
};

} // namespace

std::vector<FileCheck> CheckFiles(const std::vector<std::string>& paths, unsigned jobs) {
    return CheckRun(paths).Run(std::max(jobs, 1u));
}

bool AllOk(const std::vector<FileCheck>& files) {
    return std::all_of(files.begin(), files.end(), [](const FileCheck& file) {
        return file.read && file.chainBreak.empty() &&
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

// A file name with its control characters and backslashes written as `ls -b` writes them: \n,
// \t and the other C escapes, \ooo for the rest, \\ for a backslash.
std::string EscapedName(const std::string& name) {
    static constexpr std::string_view kPlain = "\\\a\b\f\n\r\t\v";
    static constexpr std::string_view kLetters = "\\abfnrtv";
    std::string escaped;
    for (const char c : name) {
        const auto byte = static_cast<unsigned char>(c);
        if (const std::size_t at = kPlain.find(c); at != std::string_view::npos) {
            escaped += '\\';
            escaped += kLetters[at];
        } else if (byte < 0x20 || byte == 0x7F) {
            char octal[8];
            std::snprintf(octal, sizeof octal, "\\%03o", byte);
            escaped += octal;
        } else {
            escaped += c;
        }
    }
    return escaped;
}

} // namespace

std::string Lines(const std::vector<FileCheck>& files) {
    std::string text;
    for (const FileCheck& file : files) {
        const std::string path = EscapedName(file.path);
        for (const PageCheck& page : file.pages) {
            text += path + ":" + std::to_string(page.image) + " " + VerdictWord(page.verdict);
            text += page.detail.empty() ? "\n" : ": " + page.detail + "\n";
        }
        if (!file.chainBreak.empty())
            text += path + ": damaged: " + file.chainBreak + "\n";
        if (!file.read)
            text += path + ": cannot be read: " + file.read.Reason() + "\n";
    }
    return text;
}

std::string Json(const std::vector<FileCheck>& files) {
    std::string json =
        "{\"ok\": " + std::string(AllOk(files) ? "true" : "false") + ", \"files\": [";
    for (std::size_t f = 0; f < files.size(); ++f) {
        const FileCheck& file = files[f];
        json += std::string(f > 0 ? ", " : "") + "{\"file\": " + JsonString(file.path);
        if (!file.read)
            json += ", \"error\": " + JsonString(file.read.Reason());
        if (!file.chainBreak.empty())
            json += ", \"damage\": " + JsonString(file.chainBreak);
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
