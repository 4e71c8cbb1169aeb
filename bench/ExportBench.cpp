// Excel Output of the largest configuration: four subnets of 128 commands each, every command
// with all its texts. Prints the median, fastest and slowest of the whole export (cell plan,
// workbook, temporary file renamed over the target) and of the cell plan alone.
//
//   tqv-bench-export [runs] [directory]   (default 21 runs in /tmp)
#include "LargestProject.h"
#include "RunTimes.h"
#include "export/CellPlan.h"
#include "export/Workbook.h"
#include "model/ConfigStore.h"
#include "resources/Strings.h"

#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

tqv::ConfigStore largest()
{
    using namespace tqv;
    ConfigStore store;
    makeLargestProject(store);
    return store;
}

} // namespace

int main(int argc, char **argv)
{
    using namespace tqv;
    const int runs = std::max(1, argc > 1 ? std::atoi(argv[1]) : 21);
    const std::string dir = argc > 2 ? argv[2] : "/tmp";
    setLanguage(Language::English);
    const ConfigStore store = largest();
    const std::string path = dir + "/tqv-bench-export-" + std::to_string(::getpid()) + ".xlsx";

    std::size_t cells = 0;
    const Spread plan = timeRuns(runs, [&] { cells = workbookCells(store).size(); });
    bool ok = true;
    const Spread whole = timeRuns(runs, [&] { ok = exportWorkbook(store, path).ok() && ok; });
    ::unlink(path.c_str());
    if (!ok) {
        std::fprintf(stderr, "the export failed\n");
        return 1;
    }
    std::printf("%zu cells, %d runs\n", cells, runs);
    printSpread("cell plan", plan);
    printSpread("whole export", whole);
    return 0;
}
