// Writes one of the benchmarks' pages as a one-strip fax file with libtiff, for timing whole
// programs on it: write_bench_page A4_text|A0_drawing|A0_text G3|G4 OUT.tif

#include "page_files.h"

#include <cstdio>
#include <cstring>

int main(int argc, char** argv) {
    using namespace faxlens::bench;
    for (const BenchPage page : kBenchPages)
        for (const Coding coding : kCodings)
            if (argc == 4 && std::strcmp(argv[1], FormatOf(page).name) == 0 &&
                std::strcmp(argv[2], NameOf(coding)) == 0) {
                if (WritePageFile(page, coding, argv[3]))
                    return 0;
                std::fprintf(stderr, "libtiff cannot write %s\n", argv[3]);
                return 1;
            }
    std::fprintf(stderr, "usage: write_bench_page A4_text|A0_drawing|A0_text G3|G4 OUT.tif\n");
    return 2;
}
