// Malformed and hostile files through the paths of the windows and faxlens-cli: the image list,
// the tag report of every listed image, the page parameters, the page decode and, when a page
// results, both save commands and the saved file decoded again. Every file is made here from a
// sound file of small pages by one mutation; each case must end within a time bound and a heap
// bound proportional to the file, plus the page surfaces that its declared size needs.

#include "codec/page_decode.h"
#include "encode/page_encoder.h"
#include "page/surface_rows.h"
#include "support/libtiff_pages.h"
#include "support/reading.h"
#include "support/tiff_builder.h"
#include "tiff/page_info.h"
#include "tiff/tag_report.h"

#include <atomic>
#include <chrono>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <functional>
#include <gtest/gtest.h>
#include <iterator>
#include <map>
#include <optional>
#include <set>
#include <tiffio.h>
#include <tuple>

#if defined(__SANITIZE_ADDRESS__)
#define FAXLENS_WATCH_HEAP 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define FAXLENS_WATCH_HEAP 1
#endif
#endif

#ifdef FAXLENS_WATCH_HEAP
#if __has_include(<sanitizer/allocator_interface.h>)
#include <sanitizer/allocator_interface.h>
#else // the AddressSanitizer runtime has them even where the compiler ships no header
extern "C" {
int __sanitizer_get_ownership(const volatile void* p);
std::size_t __sanitizer_get_allocated_size(const volatile void* p);
int __sanitizer_install_malloc_and_free_hooks(void (*)(const volatile void*, std::size_t),
                                              void (*)(const volatile void*));
}
#endif
#endif

namespace faxlens {
namespace {

using page::DecodedPage;
using page::PageStatus;
using test::Bitmap;
using test::TempDir;
using test::TiffBuilder;
using Bytes = std::vector<uint8_t>;
// The processor time this process has spent: a bound on it catches a loop that runs away, and
// other work on a busy machine does not count against it as it would against the wall clock.
struct CpuClock {
    using duration = std::chrono::duration<double>;
    using time_point = std::chrono::time_point<CpuClock, duration>;
    static time_point now() {
        return time_point(duration(static_cast<double>(std::clock()) / CLOCKS_PER_SEC));
    }
};
using Clock = CpuClock;

constexpr Clock::duration kTimeBound = std::chrono::seconds(2);
constexpr int64_t kHeapSlack = int64_t{64} << 20;
constexpr int64_t kHeapPerFileByte = 200;
constexpr int kFailingCasesShown = 25;
constexpr int64_t kLargestPageSaved = int64_t{1} << 26; // pixels

// ---- Peak heap growth, counted by the sanitizer's allocation hooks

std::atomic<int64_t> liveBytes{0};
std::atomic<int64_t> peakBytes{0};

#ifdef FAXLENS_WATCH_HEAP
void CountAllocation(const volatile void*, std::size_t size) {
    const auto added = static_cast<int64_t>(size);
    const int64_t live = liveBytes.fetch_add(added) + added;
    int64_t peak = peakBytes.load();
    while (live > peak && !peakBytes.compare_exchange_weak(peak, live)) {
    }
}

void CountRelease(const volatile void* p) {
    if (p != nullptr && __sanitizer_get_ownership(p))
        liveBytes.fetch_sub(static_cast<int64_t>(__sanitizer_get_allocated_size(p)));
}
#endif

// Watches from its creation on; without AddressSanitizer nothing is watched.
class HeapWatch {
public:
    HeapWatch() {
#ifdef FAXLENS_WATCH_HEAP
        static const bool installed =
            __sanitizer_install_malloc_and_free_hooks(CountAllocation, CountRelease) != 0;
        watching_ = installed;
#endif
        start_ = liveBytes.load();
        peakBytes.store(start_);
    }
    bool Watching() const {
        return watching_;
    }
    int64_t PeakGrowth() const {
        return peakBytes.load() - start_;
    }

private:
    bool watching_ = false;
    int64_t start_ = 0;
};

// ---- Sound files and where their parts lie

struct PagePlan {
    Bitmap page;
    uint16_t compression;
    uint32_t rowsPerStrip;
    std::vector<Bytes> strips;
};

std::vector<Bytes> StripsCodedByLibtiff(const Bitmap& page, int compression,
                                        uint32_t rowsPerStrip) {
    TempDir dir;
    test::FaxOptions options;
    options.compression = compression;
    options.rowsPerStrip = static_cast<int32_t>(rowsPerStrip);
    test::WriteFaxPages(dir.File("peer.tif"), {page}, options);
    std::vector<Bytes> strips;
    TIFF* tif = TIFFOpen(dir.File("peer.tif").c_str(), "r");
    for (uint32_t s = 0; tif != nullptr && s < TIFFNumberOfStrips(tif); ++s) {
        Bytes& strip = strips.emplace_back(static_cast<std::size_t>(TIFFRawStripSize(tif, s)));
        TIFFReadRawStrip(tif, s, strip.data(), static_cast<tmsize_t>(strip.size()));
    }
    if (tif != nullptr)
        TIFFClose(tif);
    EXPECT_FALSE(strips.empty()) << "libtiff wrote no strips";
    return strips;
}

// Group 3 in three strips, Group 4 in two, uncompressed in two; then a small Group 4 page.
const std::vector<PagePlan>& Plans() {
    static const std::vector<PagePlan> plans = [] {
        std::vector<PagePlan> p = {{test::NoisePage(48, 12, 1, 30), 3, 4, {}},
                                   {test::NoisePage(48, 12, 2, 30), 4, 6, {}},
                                   {test::NoisePage(20, 6, 3, 40), 1, 3, {}},
                                   {test::NoisePage(16, 4, 4, 30), 4, 4, {}}};
        for (PagePlan& plan : p)
            plan.strips = StripsCodedByLibtiff(plan.page, plan.compression, plan.rowsPerStrip);
        return p;
    }();
    return plans;
}

// An entry of one page put before (or after) its usual entries.
struct ExtraEntry {
    std::size_t page;
    bool first;
    uint16_t tag;
    std::vector<uint32_t> values;
};

// The three pages of the sound file, or the small page alone.
Bytes BuildFile(bool intel, bool small = false, const ExtraEntry* extra = nullptr) {
    const std::vector<PagePlan> plans(Plans().begin() + (small ? 3 : 0),
                                      Plans().begin() + (small ? 4 : 3));
    TiffBuilder b(intel);
    std::vector<std::vector<uint32_t>> offsets(plans.size()), counts(plans.size());
    for (std::size_t k = 0; k < plans.size(); ++k)
        for (const Bytes& strip : plans[k].strips) {
            offsets[k].push_back(b.AddData(strip));
            counts[k].push_back(static_cast<uint32_t>(strip.size()));
        }
    for (std::size_t k = 0; k < plans.size(); ++k) {
        const PagePlan& p = plans[k];
        const bool extraHere = extra != nullptr && extra->page == k;
        if (b.Ifd(); extraHere && extra->first)
            b.Long(extra->tag, extra->values);
        b.Long(tiff::tag::kImageWidth, {static_cast<uint32_t>(p.page.width)})
            .Long(tiff::tag::kImageLength, {static_cast<uint32_t>(p.page.height)})
            .Short(tiff::tag::kBitsPerSample, {1})
            .Short(tiff::tag::kCompression, {p.compression})
            .Short(tiff::tag::kPhotometric, {0})
            .Short(tiff::tag::kFillOrder, {1})
            .Long(tiff::tag::kStripOffsets, offsets[k])
            .Short(tiff::tag::kSamplesPerPixel, {1})
            .Long(tiff::tag::kRowsPerStrip, {p.rowsPerStrip})
            .Long(tiff::tag::kStripByteCounts, counts[k])
            .Rational(tiff::tag::kXResolution, {{204, 1}})
            .Rational(tiff::tag::kYResolution, {{196, 1}});
        if (p.compression == 3)
            b.Long(tiff::tag::kT4Options, {0});
        b.Short(tiff::tag::kResolutionUnit, {2})
            .Ascii(305, std::string("Faxlens hardening") + '\0');
        if (extraHere && !extra->first)
            b.Long(extra->tag, extra->values);
    }
    return b.Build();
}

uint32_t Get(const Bytes& b, std::size_t at, int size) {
    uint32_t v = 0;
    for (int k = 0; k < size; ++k)
        v |= uint32_t{b.at(at + static_cast<std::size_t>(k))}
             << (8 * (b[0] == 'I' ? k : size - 1 - k));
    return v;
}

void Put(Bytes& b, std::size_t at, int size, uint32_t v) {
    for (int k = 0; k < size; ++k)
        b.at(at + static_cast<std::size_t>(k)) =
            static_cast<uint8_t>(v >> (8 * (b[0] == 'I' ? k : size - 1 - k)));
}

struct EntryAt {
    std::size_t at;
    uint16_t tag;
    int size; // of one element: 2 or 4 in a sound file, 8 for rationals
    uint32_t count;
    uint32_t field;
    std::size_t ValueAt() const { return size * int64_t{count} > 4 ? field : at + 8; }
    std::size_t ElementAt(uint32_t i) const {
        return ValueAt() + i * static_cast<std::size_t>(size);
    }
};

struct IfdAt {
    std::size_t at;
    std::size_t nextAt;
    std::vector<EntryAt> entries;
    const EntryAt& Entry(uint16_t tag) const {
        return *std::find_if(entries.begin(), entries.end(),
                             [tag](const EntryAt& e) { return e.tag == tag; });
    }
};

// The IFDs of a sound file as built above.
std::vector<IfdAt> Locate(const Bytes& b) {
    std::vector<IfdAt> ifds;
    for (std::size_t at = Get(b, 4, 4); at != 0; at = Get(b, ifds.back().nextAt, 4)) {
        IfdAt& ifd = ifds.emplace_back(IfdAt{at, at + 2 + 12 * Get(b, at, 2), {}});
        for (std::size_t e = at + 2; e < ifd.nextAt; e += 12) {
            const uint32_t type = Get(b, e + 2, 2);
            ifd.entries.push_back({e, static_cast<uint16_t>(Get(b, e, 2)),
                                   type == 5   ? 8
                                   : type == 3 ? 2
                                   : type == 4 ? 4
                                               : 1,
                                   Get(b, e + 4, 4), Get(b, e + 8, 4)});
        }
    }
    return ifds;
}

// A mutation: values written over the sound file, in its byte order.
struct Patch {
    std::size_t at;
    int size;
    uint32_t value;
};
using Patches = std::vector<Patch>;

Patches operator+(Patches a, const Patches& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

Patches Typed(const EntryAt& e, uint32_t type, uint32_t count, uint32_t field) {
    return {{e.at + 2, 2, type}, {e.at + 4, 4, count}, {e.at + 8, 4, field}};
}

Patches SetLong(const EntryAt& e, uint32_t value) {
    return Typed(e, 4, 1, value);
}

Patches SetElements(const EntryAt& e, uint32_t value) {
    Patches patches;
    for (uint32_t i = 0; i < e.count; ++i)
        patches.push_back({e.ElementAt(i), e.size, value});
    return patches;
}

std::string Hex(uint32_t v) {
    char text[12];
    std::snprintf(text, sizeof text, "0x%X", v);
    return text;
}

std::string Name(page::PageStatus status) {
    constexpr const char* names[] = {"Decoded", "Unsupported", "NoSize", "TooLarge"};
    return names[static_cast<int>(status)];
}

std::string Order(bool intel) {
    return intel ? "II: " : "MM: ";
}

// ---- Cases and how each is run

struct Case {
    std::string name;
    Bytes bytes;
    std::optional<page::PageStatus> status; // what decoding image `page` (from 0) must give
    std::size_t page = 0;
    std::optional<int32_t> images; // how many images the list must show

    Case(std::string what, Bytes file) : name(std::move(what)), bytes(std::move(file)) {}
    Case& Status(page::PageStatus s, std::size_t k = 0) {
        status = s;
        page = k;
        return *this;
    }
    Case& Images(int32_t n) {
        images = n;
        return *this;
    }
};

// Mutations of the sound file of one byte order; those that change nothing are left out.
class Mutations {
public:
    explicit Mutations(bool intel) : base_(BuildFile(intel)), ifds_(Locate(base_)) {}
    const Bytes& Base() const { return base_; }
    uint32_t Size() const { return static_cast<uint32_t>(base_.size()); }
    const IfdAt& Ifd(std::size_t k) const { return ifds_.at(k); }

    Case& Add(const std::string& what, const std::function<void(Bytes&)>& change) {
        Case& c = cases_.emplace_back(Order(base_[0] == 'I') + what, base_);
        change(c.bytes);
        return c;
    }
    Case& Add(const std::string& what, const Patches& patches) {
        return Add(what, [&patches](Bytes& b) {
            for (const Patch& p : patches)
                Put(b, p.at, p.size, p.value);
        });
    }
    const std::vector<Case>& Cases() const { return cases_; }

private:
    Bytes base_;
    std::vector<IfdAt> ifds_;
    std::vector<Case> cases_;
};

std::vector<Case> BothOrders(const std::function<void(Mutations&)>& make) {
    std::vector<Case> cases;
    for (bool intel : {true, false}) {
        Mutations m(intel);
        make(m);
        std::copy_if(m.Cases().begin(), m.Cases().end(), std::back_inserter(cases),
                     [&m](const Case& c) { return c.bytes != m.Base(); });
    }
    return cases;
}

// Saving depends on the pixels alone, so a page already saved and read back in this run is not
// saved again: most mutations leave the other pages of the file as they were.
bool FirstTimeSaved(const page::PageSurface& surface) {
    static std::set<std::tuple<int32_t, int32_t, uint64_t>> saved;
    uint64_t hash = 14695981039346656037u;
    auto mix = [&hash](uint64_t value) { hash = (hash ^ value) * 1099511628211u; };
    if (surface.IsBilevel()) {
        mix(surface.Background());
        mix(surface.Ink());
        for (int32_t y = 0; y < surface.Height(); ++y)
            for (std::size_t i = 0; i < surface.PlaneStride(); ++i)
                mix(surface.PlaneRow(y)[i]);
    } else {
        for (int32_t y = 0; y < surface.Height(); ++y)
            for (int32_t x = 0; x < surface.Width(); ++x)
                mix(surface.Pixel(x, y));
    }
    return saved.insert({surface.Width(), surface.Height(), hash}).second;
}

bool SamePixels(const page::PageSurface& a, const page::PageSurface& b) {
    if (a.Width() != b.Width() || a.Height() != b.Height())
        return false;
    if (a.IsBilevel() && b.IsBilevel() && a.Background() == b.Background() && a.Ink() == b.Ink()) {
        for (int32_t y = 0; y < a.Height(); ++y)
            if (std::memcmp(a.PlaneRow(y), b.PlaneRow(y), a.PlaneStride()) != 0)
                return false;
        return true;
    }
    for (int32_t y = 0; y < a.Height(); ++y)
        for (int32_t x = 0; x < a.Width(); ++x)
            if (a.Pixel(x, y) != b.Pixel(x, y))
                return false;
    return true;
}

using SaveFunction = Status (*)(const encode::RowSource&, int32_t, int32_t, const std::string&,
                                int32_t, int32_t, const WorkCheck&);

void Exercise(const Case& c) {
    SCOPED_TRACE("case " + c.name);
    TempDir dir;
    const std::string path = dir.File("case.tif");
    test::WriteFile(path, c.bytes);
    const HeapWatch heap;
    const Clock::time_point start = Clock::now();
    int64_t surfaceBytes = 0;
    // A file that is no TIFF file lists no images.
    const Result<tiff::TiffFile> file = tiff::TiffFile::Open(path);
    const Result<tiff::ImageList> list = file ? tiff::ListImages(*file) : Fail(file.Reason());
    const std::vector<int64_t> offsets = list ? list->offsets : std::vector<int64_t>{};
    const auto count = static_cast<int32_t>(offsets.size());
    EXPECT_EQ(count, c.images.value_or(count)) << "images listed";
    for (std::size_t i = 0; i < offsets.size(); ++i) {
        ASSERT_TRUE(tiff::BuildTagReport(*file, offsets[i]));
        ASSERT_TRUE(tiff::ReadPageParameters(*file, offsets[i]));
        Result<page::DecodedPage> opened = page::DecodePage(*file, offsets[i]);
        ASSERT_TRUE(opened) << opened.Reason();
        const page::DecodedPage& decoded = *opened;
        const std::string problem = page::PageProblem(decoded);
        if (c.status && i == c.page) {
            EXPECT_EQ(Name(decoded.status), Name(*c.status))
                << "image " << i + 1 << ": " << problem;
        }
        ASSERT_EQ(decoded.surface != nullptr, decoded.status == page::PageStatus::Decoded)
            << problem;
        if (!decoded.surface)
            continue;
        const page::PageSurface& shown = *decoded.surface;
        surfaceBytes = std::max<int64_t>(surfaceBytes, static_cast<int64_t>(shown.PlaneStride()) *
                                                           shown.Height());
        // A page of a few hundred bytes may declare 65535 x 65535 pixels: it decodes at the
        // cost of its data, but saving it codes every row, which takes far longer under the
        // sanitizers than the bound allows. Saving large pages is timed by the benchmarks.
        if (int64_t{shown.Width()} * shown.Height() > kLargestPageSaved || !FirstTimeSaved(shown))
            continue;
        for (auto [save, name] :
             {std::pair<SaveFunction, const char*>{encode::SavePageG3, "g3.tif"},
              {encode::SavePageG4, "g4.tif"}}) {
            SCOPED_TRACE(std::string(name) + " of image " + std::to_string(i + 1));
            const Status saved = save(page::SurfaceRows(shown), 0, 0, dir.File(name), 0, 0, {});
            ASSERT_TRUE(saved) << saved.Reason();
            const std::vector<int64_t> savedImages = test::ImageOffsetsOf(dir.File(name));
            ASSERT_EQ(savedImages.size(), 1u);
            const page::DecodedPage again = test::DecodeImage(dir.File(name), savedImages[0]);
            ASSERT_TRUE(again.surface) << page::PageProblem(again);
            EXPECT_TRUE(SamePixels(shown, *again.surface)) << "the saved page differs";
        }
        EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.Path()), {}), 3)
            << "files left beside the saved ones";
    }
    const auto spent = Clock::now() - start;
    EXPECT_LE(spent, kTimeBound) << std::chrono::duration<double>(spent).count() << " s";
    const int64_t heapBound =
        kHeapSlack + kHeapPerFileByte * static_cast<int64_t>(c.bytes.size()) + 2 * surfaceBytes;
    if (heap.Watching()) {
        EXPECT_LE(heap.PeakGrowth(), heapBound) << "peak heap growth in bytes";
    }
}

void ExerciseAll(const std::vector<Case>& cases) {
    const auto failures = [] {
        return ::testing::UnitTest::GetInstance()
            ->current_test_info()
            ->result()
            ->total_part_count();
    };
    int failing = 0;
    for (const Case& c : cases) {
        const int before = failures();
        Exercise(c);
        if (failures() != before && ++failing == kFailingCasesShown) {
            ADD_FAILURE() << "the remaining cases are not run after " << failing << " failing ones";
            return;
        }
    }
}

// What decoding a page of the declared size gives: LONG sizes are unsigned.
page::PageStatus StatusForSize(uint32_t width, uint32_t height) {
    const int64_t w = width, h = height;
    if (w == 0 || h == 0)
        return page::PageStatus::NoSize;
    return page::SurfaceSizeFits(w, h) ? page::PageStatus::Decoded : page::PageStatus::TooLarge;
}

// ---- The cases

TEST(MalformedFiles, HeapWatchSeesAllocations) {
    const HeapWatch heap;
    if (!heap.Watching())
        GTEST_SKIP() << "the heap bound is checked only under AddressSanitizer";
    static std::atomic<uint8_t*> escaped{nullptr};
    const auto block = std::make_unique<uint8_t[]>(std::size_t{1} << 20);
    escaped = block.get();
    EXPECT_GE(heap.PeakGrowth(), int64_t{1} << 20);
}

TEST(MalformedFiles, SoundFilesDecodeToTheirPages) {
    for (bool intel : {true, false}) {
        TempDir dir;
        test::WriteFile(dir.File("sound.tif"), BuildFile(intel));
        const std::vector<int64_t> offsets = test::ImageOffsetsOf(dir.File("sound.tif"));
        ASSERT_EQ(offsets.size(), 3u);
        for (std::size_t k = 0; k < offsets.size(); ++k) {
            const page::DecodedPage decoded = test::DecodeImage(dir.File("sound.tif"), offsets[k]);
            ASSERT_TRUE(decoded.surface) << page::PageProblem(decoded);
            Bitmap shown(decoded.surface->Width(), decoded.surface->Height());
            for (int32_t y = 0; y < shown.height; ++y)
                for (int32_t x = 0; x < shown.width; ++x)
                    shown.At(x, y) = decoded.surface->Pixel(x, y) == page::kColourBlack;
            EXPECT_EQ(shown, Plans()[k].page) << test::DescribeDifferences(Plans()[k].page, shown);
        }
        ExerciseAll({Case(Order(intel) + "sound file", BuildFile(intel)).Images(3),
                     Case(Order(intel) + "small file", BuildFile(intel, true))
                         .Status(page::PageStatus::Decoded)});
    }
}

TEST(MalformedFiles, SmallFileCutAtEveryByte) {
    std::vector<Case> cases;
    for (bool intel : {true, false}) {
        const Bytes whole = BuildFile(intel, true);
        for (std::size_t n = 0; n < whole.size(); ++n)
            cases.emplace_back(
                Order(intel) + "small file cut to " + std::to_string(n) + " bytes",
                Bytes(whole.begin(), whole.begin() + static_cast<std::ptrdiff_t>(n)));
    }
    ExerciseAll(cases);
}

TEST(MalformedFiles, TruncatedAtEveryStructureBoundary) {
    ExerciseAll(BothOrders([](Mutations& m) {
        std::map<std::size_t, std::string> cuts; // the first name given to a place stays
        for (std::size_t at : {0u, 1u, 2u, 3u, 4u, 6u, 7u, m.Size() - 1})
            cuts.emplace(at, at < 8 ? "the header" : "the last byte");
        for (std::size_t k = 0; k < 3; ++k) {
            const IfdAt& ifd = m.Ifd(k);
            const std::string in = "IFD " + std::to_string(k);
            for (std::size_t at : {ifd.at, ifd.at + 1, ifd.nextAt, ifd.nextAt + 2})
                cuts.emplace(at, in + (at < ifd.nextAt ? " entry count" : " next-IFD offset"));
            for (const EntryAt& e : ifd.entries) {
                for (std::size_t part = 0; part < 12; part += 2) // tag, type, count, value field
                    cuts.emplace(e.at + part, in + " entry " + std::to_string(e.tag));
                for (uint32_t i = 0; e.ValueAt() != e.at + 8 && i < e.count; ++i)
                    for (std::size_t at : {e.ElementAt(i), e.ElementAt(i) + e.size / 2})
                        cuts.emplace(at, in + " value of " + std::to_string(e.tag));
            }
            const EntryAt &offsets = ifd.Entry(tiff::tag::kStripOffsets),
                          &counts = ifd.Entry(tiff::tag::kStripByteCounts);
            for (uint32_t s = 0; s < offsets.count; ++s) {
                const uint32_t start = Get(m.Base(), offsets.ElementAt(s), 4);
                const uint32_t size = Get(m.Base(), counts.ElementAt(s), 4);
                for (uint32_t at : {start, start + 1, start + size / 2, start + size - 1})
                    cuts.emplace(at, in + " strip " + std::to_string(s));
            }
        }
        for (const auto& [at, what] : cuts)
            m.Add("cut to " + std::to_string(at) + " bytes, in " + what,
                  [n = at](Bytes& b) { b.resize(n); });
    }));
}

TEST(MalformedFiles, IfdChainsThatLoopOrPointAnywhere) {
    ExerciseAll(BothOrders([](Mutations& m) {
        const uint32_t size = m.Size();
        const auto insideIfd1 = static_cast<uint32_t>(m.Ifd(1).at + 7);
        const uint32_t places[] = {0,          1,          2,           3,          8,
                                   size - 1,   size,       size + 4096, 0x7FFFFFFF, 0x80000000,
                                   0xFFFFFFF4, 0xFFFFFFFF, insideIfd1};
        for (uint32_t to : places)
            m.Add("first IFD at " + Hex(to), {{4, 4, to}});
        for (std::size_t k = 0; k < 3; ++k) {
            const std::string in = "IFD " + std::to_string(k) + " ";
            const std::size_t at = m.Ifd(k).at, next = m.Ifd(k).nextAt;
            for (uint32_t to : places)
                m.Add(in + "followed by one at " + Hex(to), {{next, 4, to}});
            for (std::size_t j = 0; j < 3; ++j) // back to itself, back to an earlier one, skipping
                m.Add(in + "followed by IFD " + std::to_string(j),
                      {{next, 4, static_cast<uint32_t>(m.Ifd(j).at)}})
                    .Images(static_cast<int32_t>(j <= k ? k + 1 : k + 4 - j));
            for (uint32_t n : {0u, 1u, 2u, 0x7FFFu, 0x8000u, 0xFFFFu,
                               (size - static_cast<uint32_t>(at)) / 12 + 1})
                m.Add(in + "with " + Hex(n) + " entries", {{at, 2, n}});
        }
    }));
}

TEST(MalformedFiles, EveryFieldTypeWithHostileCountsAndOffsets) {
    ExerciseAll(BothOrders([](Mutations& m) {
        // The twelve types, the IFD type, types of 64-bit files and types that do not exist.
        const uint32_t types[] = {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 16, 17, 18, 0xFFFF};
        // Inline; out of line with a size that overflows 32 bits, near 2^31 and negative.
        const uint32_t counts[] = {0, 1, 0x40000000, 0x7FFFFFFF, 0x80000000, 0xFFFFFFFF};
        const std::pair<std::size_t, uint16_t> entries[] = {{0, tiff::tag::kImageWidth},
                                                            {0, tiff::tag::kStripOffsets},
                                                            {1, tiff::tag::kStripByteCounts},
                                                            {2, tiff::tag::kXResolution}};
        for (const auto& [k, tag] : entries) {
            const EntryAt& e = m.Ifd(k).Entry(tag);
            for (uint32_t type : types)
                for (uint32_t count : counts)
                    for (uint32_t field : {e.field, m.Size() + 16, 0xFFFFFFF0u})
                        m.Add("IFD " + std::to_string(k) + " tag " + std::to_string(tag) +
                                  " of type " + std::to_string(type) + ", count " + Hex(count) +
                                  ", value field " + Hex(field),
                              Typed(e, type, count, field));
        }
    }));
}

TEST(MalformedFiles, StripTablesLongerThanTheFileOrPointingAnywhere) {
    ExerciseAll(BothOrders([](Mutations& m) {
        const uint32_t size = m.Size();
        for (std::size_t k = 0; k < 3; ++k) {
            const std::string in = "IFD " + std::to_string(k) + " ";
            const EntryAt &offsets = m.Ifd(k).Entry(tiff::tag::kStripOffsets),
                          &counts = m.Ifd(k).Entry(tiff::tag::kStripByteCounts);
            for (const EntryAt& e : {offsets, counts}) {
                const std::string table = in + "tag " + std::to_string(e.tag);
                for (uint32_t n : {0u, 1u, e.count + 1, size / 4, size, 0x40000000u, 0x7FFFFFFFu,
                                   0x80000000u, 0xFFFFFFFFu})
                    m.Add(table + " with " + Hex(n) + " values", {{e.at + 4, 4, n}});
                for (uint32_t type : {1u, 2u, 3u, 5u, 9u})
                    m.Add(table + " of type " + Hex(type), {{e.at + 2, 2, type}});
                m.Add(table + " missing", {{e.at, 2, 0x8001}});
            }
            for (uint32_t n : {offsets.count + 1, 0x7FFFFFFFu, 0xFFFFFFFFu})
                m.Add(in + "both tables with " + Hex(n) + " values",
                      {{offsets.at + 4, 4, n}, {counts.at + 4, 4, n}});
            for (uint32_t v : {0u, 1u, 4u, 7u, size - 1, size, 0x7FFFFF00u, 0x7FFFFFFFu,
                               0x80000000u, 0xFFFFFFFFu, Get(m.Base(), offsets.ElementAt(0), 4)})
                m.Add(in + "every strip at " + Hex(v), SetElements(offsets, v));
            for (uint32_t v : {0u, 1u, size * 4, 0x7FFFFFFFu, 0x80000000u, 0xFFFFFFFFu})
                m.Add(in + "every strip of " + Hex(v) + " bytes", SetElements(counts, v));
            for (uint8_t fill : {0x00, 0x01, 0x55, 0x80, 0xFF})
                m.Add(in + "strips filled with " + Hex(fill), [&offsets, &counts, fill](Bytes& b) {
                    for (uint32_t s = 0; s < offsets.count; ++s)
                        std::fill_n(b.begin() + Get(b, offsets.ElementAt(s), 4),
                                    Get(b, counts.ElementAt(s), 4), fill);
                });
        }
    }));
}

// A page whose strip table names the rest of the file again and again: together the strips
// are many times the size of the file, which must not make decoding take many times as long.
Case ManyStrips(bool intel, std::size_t plan, uint16_t compression, uint32_t t4Options,
                uint32_t strips, uint32_t rowsPerStrip) {
    const PagePlan& p = Plans()[plan];
    TiffBuilder b(intel);
    const uint32_t data = b.AddData(p.strips[0]);
    b.Ifd()
        .Long(tiff::tag::kImageWidth, {static_cast<uint32_t>(p.page.width)})
        .Long(tiff::tag::kImageLength, {static_cast<uint32_t>(p.page.height)})
        .Short(tiff::tag::kCompression, {compression})
        .Long(tiff::tag::kStripOffsets, std::vector<uint32_t>(strips, data))
        .Long(tiff::tag::kRowsPerStrip, {rowsPerStrip})
        .Long(tiff::tag::kStripByteCounts, std::vector<uint32_t>(strips, 0x7FFFFFFF))
        .Long(tiff::tag::kT4Options, {t4Options});
    return Case(Order(intel) + "compression " + std::to_string(compression) + ", T4Options " +
                    std::to_string(t4Options) + ", " + std::to_string(strips) +
                    " strips over the whole file, RowsPerStrip " + std::to_string(rowsPerStrip),
                b.Build())
        .Status(page::PageStatus::Decoded)
        .Images(1);
}

TEST(MalformedFiles, ManyStripsOverTheWholeFile) {
    ExerciseAll({ManyStrips(true, 1, 4, 0, 3072, 0), ManyStrips(true, 0, 3, 1, 1536, 4),
                 ManyStrips(true, 0, 3, 0, 1536, 4), ManyStrips(true, 0, 2, 0, 1536, 0),
                 ManyStrips(false, 2, 1, 0, 2048, 3), ManyStrips(false, 2, 32773, 0, 2048, 0)});
}

TEST(MalformedFiles, PageSizesAndRowsPerStrip) {
    ExerciseAll(BothOrders([](Mutations& m) {
        for (std::size_t k = 0; k < 3; ++k) {
            const std::string in = "IFD " + std::to_string(k) + " ";
            const EntryAt &width = m.Ifd(k).Entry(tiff::tag::kImageWidth),
                          &height = m.Ifd(k).Entry(tiff::tag::kImageLength);
            const auto w = static_cast<uint32_t>(Plans()[k].page.width);
            const auto h = static_cast<uint32_t>(Plans()[k].page.height);
            for (uint32_t v : {0u, 1u, 2u, 65535u, 65536u, 0x7FFFFFFFu, 0x80000000u, 0xFFFFFFFFu}) {
                m.Add(in + "width " + Hex(v), SetLong(width, v)).Status(StatusForSize(v, h), k);
                m.Add(in + "height " + Hex(v), SetLong(height, v)).Status(StatusForSize(w, v), k);
                m.Add(in + "width and height " + Hex(v), SetLong(width, v) + SetLong(height, v))
                    .Status(StatusForSize(v, v), k);
            }
            m.Add(in + "width and height 65535 as SHORTs",
                  Typed(width, 3, 1, 0) + Typed(height, 3, 1, 0) +
                      Patches{{width.at + 8, 2, 65535}, {height.at + 8, 2, 65535}})
                .Status(page::PageStatus::Decoded, k);
            m.Add(in + "height -5 as an SLONG", Typed(height, 9, 1, 0xFFFFFFFB))
                .Status(page::PageStatus::NoSize, k);
            for (uint32_t v : {0u, 1u, 2u, 5u, 65536u, 0x7FFFFFFFu, 0x80000000u, 0xFFFFFFFFu})
                m.Add(in + "RowsPerStrip " + Hex(v),
                      SetLong(m.Ifd(k).Entry(tiff::tag::kRowsPerStrip), v))
                    .Status(page::PageStatus::Decoded, k);
        }
    }));
}

TEST(MalformedFiles, OddCodingValues) {
    ExerciseAll(BothOrders([](Mutations& m) {
        const std::set<uint32_t> shownCompressions = {1, 2, 3, 4, 5, 8, 32773};
        for (std::size_t k = 0; k < 3; ++k) {
            const IfdAt& ifd = m.Ifd(k);
            const std::string in = "IFD " + std::to_string(k) + " tag ";
            auto set = [&](uint16_t tag, uint32_t v, bool shown) {
                m.Add(in + std::to_string(tag) + " = " + Hex(v), SetLong(ifd.Entry(tag), v))
                    .Status(shown ? page::PageStatus::Decoded : page::PageStatus::Unsupported, k);
            };
            for (uint32_t v : {0u, 2u, 3u, 4u, 5u, 6u, 7u, 8u, 16u, 32771u, 32773u, 34712u, 65535u,
                               0x7FFFFFFFu, 0x80000000u, 0xFFFFFFFFu}) {
                set(tiff::tag::kCompression, v, shownCompressions.contains(v));
                set(tiff::tag::kPhotometric, v, v <= 1);
                set(tiff::tag::kFillOrder, v, true);
                set(tiff::tag::kBitsPerSample, v, v == 1);
                set(tiff::tag::kSamplesPerPixel, v, v == 1);
                if (k == 0)
                    set(tiff::tag::kT4Options, v, true);
            }
            // Pages of one bit a pixel, where the rows of each strip come from RowsPerStrip.
            for (uint32_t rows : {0u, 0x7FFFFFFFu, 0x80000000u, 0xFFFFFFFFu})
                for (uint32_t c : {1u, 32773u})
                    m.Add(in + "259 = " + Hex(c) + " and 278 = " + Hex(rows),
                          SetLong(ifd.Entry(tiff::tag::kCompression), c) +
                              SetLong(ifd.Entry(tiff::tag::kRowsPerStrip), rows))
                        .Status(page::PageStatus::Decoded, k);
        }
    }));
}

TEST(MalformedFiles, RepeatedTags) {
    const std::pair<uint16_t, std::vector<uint32_t>> repeats[] = {
        {tiff::tag::kImageWidth, {65535}},
        {tiff::tag::kImageWidth, {0}},
        {tiff::tag::kImageLength, {65536}},
        {tiff::tag::kCompression, {4}},
        {tiff::tag::kCompression, {1}},
        {tiff::tag::kCompression, {34712}},
        {tiff::tag::kStripOffsets, {0, 0, 0}},
        {tiff::tag::kStripByteCounts, {0x7FFFFFFF, 0x7FFFFFFF}},
        {tiff::tag::kRowsPerStrip, {0}},
        {tiff::tag::kBitsPerSample, {8}},
        {tiff::tag::kT4Options, {1}},
        {tiff::tag::kPhotometric, {1}}};
    std::vector<Case> cases;
    for (bool intel : {true, false})
        for (std::size_t k = 0; k < 3; ++k)
            for (bool first : {true, false})
                for (const auto& [tag, values] : repeats) {
                    const ExtraEntry extra{k, first, tag, values};
                    cases.push_back(Case(Order(intel) + "IFD " + std::to_string(k) + " with tag " +
                                             std::to_string(tag) + " = " + Hex(values[0]) +
                                             (first ? " before" : " after") + " its own entries",
                                         BuildFile(intel, false, &extra))
                                        .Images(3));
                }
    ExerciseAll(cases);
}

} // namespace
} // namespace faxlens
