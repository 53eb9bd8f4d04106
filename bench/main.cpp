// w32kbench: times the library's operations at the formats' limits.
//   w32kbench            every case at full size, medians of repeated runs
//   w32kbench --smoke    tiny sizes, one run each: checks only that every
//                        case runs and gives the right results
#include "bench.h"

#include <cstdio>
#include <cstring>

int main(int argc, char** argv)
{
    const bool smoke = argc > 1 && std::strcmp(argv[1], "--smoke") == 0;
    if (argc > 1 && !smoke) {
        std::fprintf(stderr, "usage: w32kbench [--smoke]\n");
        return 2;
    }
    w32kbench::Bench bench(smoke);
    bench.printHeader();
    w32kbench::runFolderCases(bench);
    w32kbench::runTagCases(bench);
    w32kbench::runBitmapCases(bench);
    w32kbench::runTextCases(bench);
    w32kbench::runDialogCases(bench);
    bench.printSummary();
    return bench.exitCode();
}
